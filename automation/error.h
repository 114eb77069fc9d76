// Run-time errors as a late-bound call raises them, and the pending error.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace brisko {

// Error numbers with a fixed meaning throughout the add-in.
namespace err {
inline constexpr std::int32_t InvalidCall = 5;          // Invalid procedure call or argument
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t OutOfMemory = 7;
inline constexpr std::int32_t SubscriptOutOfRange = 9;
inline constexpr std::int32_t TypeMismatch = 13;
inline constexpr std::int32_t InternalError = 51;
inline constexpr std::int32_t FileNotFound = 53;
inline constexpr std::int32_t ObjectNotSet = 91;        // Object variable or With block variable not set
inline constexpr std::int32_t InvalidUseOfNull = 94;
inline constexpr std::int32_t ObjectRequired = 424;
inline constexpr std::int32_t CantCreateObject = 429;  // ActiveX component can't create object
inline constexpr std::int32_t NotSupported = 438;       // Object doesn't support this property or method
inline constexpr std::int32_t ParamNotFound = 448;      // Named argument not found (a missing argument used)
inline constexpr std::int32_t WrongArguments = 450;
inline constexpr std::int32_t EntryPointNotFound = 453;
inline constexpr std::int32_t DuplicateKey = 457;
inline constexpr std::int32_t NoEvents = 459;
}  // namespace err

// The standard description of a run-time error number ("" when it has none).
std::wstring StandardDescription(std::int32_t number);

class RuntimeError : public std::exception {
public:
    explicit RuntimeError(std::int32_t number, std::wstring description = {}, std::wstring source = {});

    std::int32_t number() const noexcept { return number_; }
    const std::wstring& description() const noexcept { return description_; }
    const std::wstring& source() const noexcept { return source_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::int32_t number_;
    std::wstring description_;
    std::wstring source_;
    std::string what_;
};

[[noreturn]] void Raise(std::int32_t number, std::wstring description = {}, std::wstring source = {});

// The exception in flight as a run-time error: RuntimeError as it is, bad_alloc as 7,
// anything else as 51 with its text.
RuntimeError CurrentError() noexcept;

// The pending error of the running thread, as the Err object holds it.
struct ErrObject {
    std::int32_t Number = 0;
    std::wstring Description;
    std::wstring Source;
    std::int32_t Line = 0;  // the failing statement's line number, 0 when it has none

    void Clear() noexcept;
    void Set(const RuntimeError& e, std::int32_t line = 0);
    bool Pending() const noexcept { return Number != 0; }
};

ErrObject& Err() noexcept;

}  // namespace brisko
