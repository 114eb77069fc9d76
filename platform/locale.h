// The user's locale and the Windows version, as the dialogs read them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "automation/value.h"

namespace brisko {

// Locale information items (GetLocaleInfo LCTYPEs).
namespace locale_item {
inline constexpr std::uint32_t DateSeparator = 29;   // LOCALE_SDATE
inline constexpr std::uint32_t TimeSeparator = 30;   // LOCALE_STIME
inline constexpr std::uint32_t ShortDate = 31;       // LOCALE_SSHORTDATE
inline constexpr std::uint32_t LongDate = 32;        // LOCALE_SLONGDATE
inline constexpr std::uint32_t DateOrder = 33;       // LOCALE_IDATE: 0 M-D-Y, 1 D-M-Y, 2 Y-M-D
inline constexpr std::uint32_t TimeMarker1159 = 40;  // LOCALE_S1159: "AM"
inline constexpr std::uint32_t TimeMarker2359 = 41;  // LOCALE_S2359: "PM"
inline constexpr std::uint32_t DayName1 = 42;        // LOCALE_SDAYNAME1 (Monday) .. 48
inline constexpr std::uint32_t AbbrevDayName1 = 49;  // LOCALE_SABBREVDAYNAME1 .. 55
inline constexpr std::uint32_t MonthName1 = 56;      // LOCALE_SMONTHNAME1 .. 67
inline constexpr std::uint32_t AbbrevMonthName1 = 68;  // LOCALE_SABBREVMONTHNAME1 .. 79
inline constexpr std::uint32_t TimeFormat = 4099;    // LOCALE_STIMEFORMAT
}  // namespace locale_item

// What GetVersionEx reported.
struct WindowsVersion {
    bool ok = false;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t lastError = 0;  // the system error code when the call failed
};

// The user default locale: its information items, time formatting, the lenient locale-aware
// conversion of text to a date/time, and the Windows version.
class Locale {
public:
    virtual ~Locale() = default;
    // GetLocaleInfo of the user default locale; nothing when the call fails.
    virtual std::optional<std::wstring> Info(std::uint32_t item) = 0;
    // GetTimeFormat of the user default locale with the format (empty: the locale's own) and
    // TIME_NOSECONDS when asked; nothing when the call fails (a time out of range, for one).
    virtual std::optional<std::wstring> FormatTime(const std::wstring& format, int hour, int minute, int second,
                                                   bool noSeconds) = 0;
    // VarDateFromStr with the user default locale; nothing when the text is no date or time.
    // A text without a date gives the time on 30 December 1899 (serial 0).
    virtual std::optional<Date> ParseDateTime(const std::wstring& text) = 0;
    // VarBstrFromDate with the user default locale: a date's default conversion to text.
    virtual std::wstring DateText(Date date) = 0;
    virtual WindowsVersion Version() = 0;
};

}  // namespace brisko
