// Text helpers shared by every layer: UTF-8 <-> UTF-16/32 and case folding.
#pragma once

#include <string>
#include <string_view>

namespace brisko {

std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view text);

// Case folding for names and keys: ASCII and Latin-1 letters.
wchar_t FoldCase(wchar_t c) noexcept;
bool EqualsNoCase(std::wstring_view a, std::wstring_view b) noexcept;
std::wstring LowerCase(std::wstring_view text);

}  // namespace brisko
