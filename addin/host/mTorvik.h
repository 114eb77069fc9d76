// Logging and the shared helpers that sit beside it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brisko {

class CTorvikWrapper;

// Log levels and detail levels as the support library takes them.
namespace log_level {
inline constexpr std::int32_t Debug = 1;
inline constexpr std::int32_t Warning = 2;
inline constexpr std::int32_t Error = 3;
}  // namespace log_level

// The logging procedures never raise and ignore what the library returns. LogDebug, LogWarning and
// Assert leave the pending error as it was.
void LogDebug(std::wstring_view procedure, std::wstring_view message, std::int32_t detail);
void LogWarning(std::wstring_view procedure, std::wstring_view message, std::int32_t detail);
// Number -1 takes the pending error's number; no description takes the pending error's description;
// an extra text is appended after "; ". Clears the pending error.
void LogError(std::wstring_view procedure, std::int32_t number = -1,
              const std::optional<std::wstring>& description = std::nullopt,
              const std::optional<std::wstring>& extra = std::nullopt);
void Assert(bool condition, std::wstring_view procedure, std::wstring_view message);

// The integer part of the host's Version before the first "."; 0 when it can't be read.
std::int32_t GetOutlookMajorVersion();
void MakeWindowTopmost(std::uintptr_t window);

// The shared support-library wrapper, created on first use.
CTorvikWrapper& Torvik();
// Drops the wrapper and its binding, as unloading the library does.
void ReleaseTorvik() noexcept;

// The routines the support library calls back.
std::wstring TorvikLangIdCallback();
std::wstring TorvikCurrentUserEmailCallback();
void TorvikVersionTextsCallback(std::wstring (&texts)[3]);

}  // namespace brisko
