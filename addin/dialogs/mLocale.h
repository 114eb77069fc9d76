// The user's locale formats for the quick dialogs: locale items, the time format without seconds,
// time texts, parsing a time box's text, the date pickers' format and the Windows version.
#pragma once

#include <cstdint>
#include <string>

#include "automation/value.h"

namespace brisko {

// GetLocaleInfo of the user default locale; "" when the call fails (or without a locale).
std::wstring mLocale_GetInfo(std::uint32_t nItem);

// The time format (item 4099) with its seconds part cut: the time separator (item 30) followed
// by "ss" where found, else the separator followed by "s"; found without regard to case.
std::wstring mLocale_GetTimeFormat();

// The text of a time in the format (with TIME_NOSECONDS when asked); the time's default
// conversion to text when the format is empty or the locale can't produce it.
std::wstring mLocale_TimeText(int nHour, int nMinute, const std::wstring& sFormat, bool bNoSeconds = true);

// The minutes since midnight of a time box's text: hour and minute of the lenient conversion,
// seconds dropped. Raises 13 when the text is no date or time.
std::int32_t mLocale_ParseTime(const std::wstring& sText);

// The short date format (item 31), "ddd " in front unless it shows the day's name already.
std::wstring mLocale_ShortDateFormatWithDay();

// Windows 6.0 or later (GetVersionEx); a failing call is logged and counts as older.
bool IsVistaOrLater();

}  // namespace brisko
