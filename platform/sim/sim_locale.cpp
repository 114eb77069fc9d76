#include "platform/sim/sim_locale.h"

#include <vector>

#include "automation/error.h"
#include "automation/text.h"

namespace brisko::sim {

namespace li = locale_item;

struct SimLocale::Data {
    std::wstring name;
    std::map<std::uint32_t, std::wstring> items;
};

namespace {

std::map<std::uint32_t, std::wstring> Items(std::map<std::uint32_t, std::wstring> fixed,
                                           const std::vector<std::wstring>& days,
                                           const std::vector<std::wstring>& abbrevDays,
                                           const std::vector<std::wstring>& months,
                                           const std::vector<std::wstring>& abbrevMonths) {
    for (std::uint32_t i = 0; i < 7; ++i) {
        fixed[li::DayName1 + i] = days[i];
        fixed[li::AbbrevDayName1 + i] = abbrevDays[i];
    }
    for (std::uint32_t i = 0; i < 12; ++i) {
        fixed[li::MonthName1 + i] = months[i];
        fixed[li::AbbrevMonthName1 + i] = abbrevMonths[i];
    }
    return fixed;
}

const SimLocale::Data& EnglishUS() {
    static const SimLocale::Data data{
        L"en-US",
        Items({{1, L"0409"}, {2, L"English (United States)"}, {3, L"ENU"}, {li::DateSeparator, L"/"},
               {li::TimeSeparator, L":"}, {li::ShortDate, L"M/d/yyyy"}, {li::LongDate, L"dddd, MMMM d, yyyy"},
               {li::DateOrder, L"0"}, {35, L"0"}, {li::TimeMarker1159, L"AM"}, {li::TimeMarker2359, L"PM"},
               {92, L"en-US"}, {li::TimeFormat, L"h:mm:ss tt"}},
              {L"Monday", L"Tuesday", L"Wednesday", L"Thursday", L"Friday", L"Saturday", L"Sunday"},
              {L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat", L"Sun"},
              {L"January", L"February", L"March", L"April", L"May", L"June", L"July", L"August", L"September",
               L"October", L"November", L"December"},
              {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun", L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"})};
    return data;
}

const SimLocale::Data& GermanGermany() {
    static const SimLocale::Data data{
        L"de-DE",
        Items({{1, L"0407"}, {2, L"German (Germany)"}, {3, L"DEU"}, {li::DateSeparator, L"."},
               {li::TimeSeparator, L":"}, {li::ShortDate, L"d.M.yyyy"}, {li::LongDate, L"dddd, d. MMMM yyyy"},
               {li::DateOrder, L"1"}, {35, L"1"}, {li::TimeMarker1159, L"AM"}, {li::TimeMarker2359, L"PM"},
               {92, L"de-DE"}, {li::TimeFormat, L"HH:mm:ss"}},
              {L"Montag", L"Dienstag", L"Mittwoch", L"Donnerstag", L"Freitag", L"Samstag", L"Sonntag"},
              {L"Mo.", L"Di.", L"Mi.", L"Do.", L"Fr.", L"Sa.", L"So."},
              {L"Januar", L"Februar", L"M\u00e4rz", L"April", L"Mai", L"Juni", L"Juli", L"August", L"September",
               L"Oktober", L"November", L"Dezember"},
              {L"Jan", L"Feb", L"M\u00e4r", L"Apr", L"Mai", L"Jun", L"Jul", L"Aug", L"Sep", L"Okt", L"Nov", L"Dez"})};
    return data;
}

std::wstring Number(int n, int digits) {
    std::wstring s = std::to_wstring(n);
    while (static_cast<int>(s.size()) < digits) s.insert(s.begin(), L'0');
    return s;
}

bool IsSpace(wchar_t c) { return c == L' ' || (c >= 9 && c <= 13) || c == 0xA0; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    return !prefix.empty() && text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// A picture format read field by field: runs of one format letter, quoted literals, and other
// characters as literals. emit(letter, count) writes a field; literal(c) one literal character.
template <class Field, class Literal>
void WalkFormat(const std::wstring& format, std::wstring_view letters, Field field, Literal literal) {
    std::size_t i = 0;
    const std::size_t n = format.size();
    while (i < n) {
        const wchar_t c = format[i];
        if (letters.find(c) != std::wstring_view::npos) {
            std::size_t j = i;
            while (j < n && format[j] == c) ++j;
            field(c, static_cast<int>(j - i));
            i = j;
        } else if (c == L'\'') {
            // 'text'; '' inside a quote is one quote.
            std::size_t j = i + 1;
            while (j < n) {
                if (format[j] == L'\'') {
                    if (j + 1 < n && format[j + 1] == L'\'') {
                        literal(L'\'');
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                literal(format[j++]);
            }
            i = j;
        } else {
            literal(c);
            ++i;
        }
    }
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
    return days[month - 1];
}

// The field orders of a date, as positions of day, month and year among the values.
struct Order {
    int day, month, year;  // index into the values; year -1: the current year; day -1: the first
};

}  // namespace

SimLocale::SimLocale(Clock& clock) : clock_(clock), data_(&EnglishUS()) {}

bool SimLocale::SetLocale(std::wstring_view name) {
    if (EqualsNoCase(name, L"en-US")) {
        data_ = &EnglishUS();
    } else if (EqualsNoCase(name, L"de-DE")) {
        data_ = &GermanGermany();
    } else {
        return false;
    }
    return true;
}

const std::wstring& SimLocale::Name() const noexcept { return data_->name; }

void SimLocale::Reset() {
    data_ = &EnglishUS();
    overrides_.clear();
    failTimeFormat_ = false;
    version_ = WindowsVersion{true, 6, 1, 0};
}

std::optional<std::wstring> SimLocale::Info(std::uint32_t item) {
    if (const auto o = overrides_.find(item); o != overrides_.end()) return o->second;
    const auto it = data_->items.find(item);
    if (it == data_->items.end()) return std::nullopt;
    return it->second;
}

std::wstring SimLocale::Item(std::uint32_t item) { return Info(item).value_or(std::wstring()); }

std::optional<std::wstring> SimLocale::FormatTime(const std::wstring& format, int hour, int minute, int second,
                                                  bool noSeconds) {
    if (failTimeFormat_) return std::nullopt;
    return Format(format, hour, minute, second, noSeconds);
}

std::optional<std::wstring> SimLocale::Format(const std::wstring& format, int hour, int minute, int second,
                                              bool noSeconds) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return std::nullopt;
    const std::wstring picture = format.empty() ? Item(li::TimeFormat) : format;
    const std::wstring am = Item(li::TimeMarker1159), pm = Item(li::TimeMarker2359);
    std::wstring out;
    std::size_t sinceField = 0;  // where the literal text after the last field begins
    bool skipping = false;       // after dropped seconds, literals other than blanks are dropped
    WalkFormat(
        picture, L"hHmst",
        [&](wchar_t c, int count) {
            if (c == L's' && noSeconds) {
                out.resize(sinceField);
                skipping = true;
                return;
            }
            const bool two = count >= 2;
            switch (c) {
                case L'h': out += Number(hour % 12 == 0 ? 12 : hour % 12, two ? 2 : 1); break;
                case L'H': out += Number(hour, two ? 2 : 1); break;
                case L'm': out += Number(minute, two ? 2 : 1); break;
                case L's': out += Number(second, two ? 2 : 1); break;
                default: {
                    const std::wstring& marker = hour < 12 ? am : pm;
                    out += two ? marker : marker.substr(0, 1);
                }
            }
            sinceField = out.size();
            skipping = false;
        },
        [&](wchar_t c) {
            if (!skipping || c == L' ') out += c;
        });
    return out;
}

std::wstring SimLocale::FormatDate(const std::wstring& format, const DateParts& date) {
    std::wstring out;
    WalkFormat(
        format, L"dMy",
        [&](wchar_t c, int count) {
            switch (c) {
                case L'd': out += Number(date.day, count >= 2 ? 2 : 1); break;
                case L'M': out += Number(date.month, count >= 2 ? 2 : 1); break;
                default: out += count <= 2 ? Number(date.year % 100, 2) : Number(date.year, 4);
            }
        },
        [&](wchar_t c) { out += c; });
    return out;
}

std::wstring SimLocale::DateText(Date date) {
    const DateParts p = SplitDate(date);
    const bool hasDate = !(p.year == 1899 && p.month == 12 && p.day == 30);
    const bool hasTime = p.hour != 0 || p.minute != 0 || p.second != 0;
    std::wstring out;
    if (hasDate || !hasTime) out = FormatDate(Item(li::ShortDate), p);
    if (hasTime) {
        if (!out.empty()) out += L' ';
        out += Format({}, p.hour, p.minute, p.second, false).value_or(std::wstring());
    }
    return out;
}

std::optional<Date> SimLocale::ParseDateTime(const std::wstring& text) {
    enum : unsigned { TimeSep = 1, DateSep = 2, MonthName = 4, Am = 8, Pm = 16 };
    struct Num {
        unsigned long value;
        unsigned flags;
    };
    std::vector<Num> nums;
    unsigned markers = 0;
    int dateSeps = 0;
    const std::wstring dateSep = Item(li::DateSeparator);

    // The words: month names, abbreviated month names, day names (skipped), the time markers.
    std::vector<std::pair<std::wstring, int>> words;  // text, month 1..12 / 0 day / -1 AM / -2 PM
    for (std::uint32_t i = 0; i < 12; ++i) words.emplace_back(Item(li::MonthName1 + i), static_cast<int>(i) + 1);
    for (std::uint32_t i = 0; i < 12; ++i) words.emplace_back(Item(li::AbbrevMonthName1 + i), static_cast<int>(i) + 1);
    for (std::uint32_t i = 0; i < 7; ++i) words.emplace_back(Item(li::DayName1 + i), 0);
    for (std::uint32_t i = 0; i < 7; ++i) words.emplace_back(Item(li::AbbrevDayName1 + i), 0);
    words.emplace_back(Item(li::TimeMarker1159), -1);
    words.emplace_back(Item(li::TimeMarker2359), -2);

    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        if (nums.size() >= 6) break;
        const wchar_t c = text[i];
        const bool last = i + 1 == n;
        if (IsDigit(c)) {
            unsigned long long v = 0;
            while (i < n && IsDigit(text[i])) {
                v = v * 10 + static_cast<unsigned>(text[i] - L'0');
                if (v > 0xFFFFFFFFull) v = 0xFFFFFFFFull;
                ++i;
            }
            nums.push_back({static_cast<unsigned long>(v), 0});
            continue;
        }
        if (c == L':' || c == L'.') {
            if (nums.empty() || last) return std::nullopt;
            if (!dateSep.empty() && dateSep[0] == c) {
                if (++dateSeps > 2) return std::nullopt;
                nums.back().flags |= DateSep;
            } else {
                nums.back().flags |= TimeSep;
            }
        } else if (c == L'-' || c == L'/') {
            if (++dateSeps > 2 || nums.empty() || last) return std::nullopt;
            nums.back().flags |= DateSep;
        } else if (c == L',' || IsSpace(c)) {
            if (c == L',' && last) return std::nullopt;
        } else {
            const std::wstring_view rest(text.data() + i, n - i);
            bool found = false;
            for (const auto& [word, meaning] : words) {
                if (!StartsWithNoCase(rest, word)) continue;
                if (meaning > 0) {
                    nums.push_back({static_cast<unsigned long>(meaning), MonthName | DateSep});
                } else if (meaning < 0) {
                    if (nums.empty() || (markers & (Am | Pm))) return std::nullopt;
                    const unsigned m = meaning == -1 ? Am : Pm;
                    nums.back().flags |= m;
                    markers |= m;
                }
                i += word.size();
                found = true;
                break;
            }
            if (!found) return std::nullopt;
            continue;
        }
        ++i;
    }
    if (nums.empty()) return std::nullopt;

    // The time: hours and minutes joined by time separators (and seconds), or an hour with a
    // time marker; it stands before or after the date.
    std::size_t timeAt = nums.size(), timeLen = 0;
    for (std::size_t k = 0; k < nums.size(); ++k) {
        if (nums[k].flags & TimeSep) {
            std::size_t j = k;
            while (j + 1 < nums.size() && (nums[j].flags & TimeSep)) ++j;
            timeAt = k;
            timeLen = j - k + 1;
            break;
        }
    }
    if (timeLen == 0) {
        for (std::size_t k = 0; k < nums.size(); ++k) {
            if (nums[k].flags & (Am | Pm)) {
                timeAt = k;
                timeLen = 1;
                break;
            }
        }
    }
    if (timeLen > 3) return std::nullopt;
    if (timeLen > 0 && timeAt != 0 && timeAt + timeLen != nums.size()) return std::nullopt;
    unsigned long hour = 0, minute = 0, second = 0;
    if (timeLen >= 1) hour = nums[timeAt].value;
    if (timeLen >= 2) minute = nums[timeAt + 1].value;
    if (timeLen >= 3) second = nums[timeAt + 2].value;
    std::vector<Num> date;
    for (std::size_t k = 0; k < nums.size(); ++k) {
        if (k < timeAt || k >= timeAt + timeLen) date.push_back(nums[k]);
    }
    if (date.size() == 1 || date.size() > 3) return std::nullopt;

    DateParts parts{1899, 12, 30, 0, 0, 0};
    if (!date.empty()) {
        const int preferred = static_cast<int>(std::wcstol(Item(li::DateOrder).c_str(), nullptr, 10));
        std::vector<Order> orders;
        if (date.size() == 2) {
            const Order md{1, 0, -1}, dm{0, 1, -1}, ym{-1, 1, 0}, my{-1, 0, 1};
            orders = preferred == 1 ? std::vector<Order>{dm, md, ym, my} : std::vector<Order>{md, dm, ym, my};
        } else {
            const Order mdy{1, 0, 2}, ymd{2, 1, 0}, ydm{1, 2, 0}, dmy{0, 1, 2}, myd{2, 0, 1}, dym{0, 2, 1};
            orders = {mdy, ymd, ydm, dmy, myd, dym};
            const Order first = preferred == 1 ? dmy : preferred == 2 ? ymd : mdy;
            orders.insert(orders.begin(), first);
        }
        const Order* chosen = nullptr;
        for (const auto& o : orders) {
            bool fits = true;
            for (std::size_t k = 0; k < date.size(); ++k) {
                if ((date[k].flags & MonthName) && static_cast<int>(k) != o.month) fits = false;
            }
            const unsigned long month = date[static_cast<std::size_t>(o.month)].value;
            if (month < 1 || month > 12) fits = false;
            if (o.day >= 0) {
                const unsigned long day = date[static_cast<std::size_t>(o.day)].value;
                if (day < 1 || day > 31) fits = false;
            }
            if (fits) {
                chosen = &o;
                break;
            }
        }
        if (!chosen) return std::nullopt;
        unsigned long year = chosen->year < 0 ? static_cast<unsigned long>(clock_.Now().year)
                                              : date[static_cast<std::size_t>(chosen->year)].value;
        if (chosen->year >= 0 && year < 100) year += year < 50 ? 2000 : 1900;
        const int month = static_cast<int>(date[static_cast<std::size_t>(chosen->month)].value);
        const int day = chosen->day < 0 ? 1 : static_cast<int>(date[static_cast<std::size_t>(chosen->day)].value);
        if (year > 9999 || day > DaysInMonth(static_cast<int>(year), month)) return std::nullopt;
        parts.year = static_cast<int>(year);
        parts.month = month;
        parts.day = day;
    }
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    if ((markers & Pm) && hour < 12) hour += 12;
    if ((markers & Am) && hour == 12) hour = 0;
    parts.hour = static_cast<int>(hour);
    parts.minute = static_cast<int>(minute);
    parts.second = static_cast<int>(second);
    try {
        return MakeDate(parts);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

}  // namespace brisko::sim
