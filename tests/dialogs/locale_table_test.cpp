// One table of locale cases, run natively against the in-memory locales and under Wine against
// the real locale functions (the process's locale chosen by LC_ALL, named by BRISKO_TEST_LOCALE).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "automation/text.h"
#include "platform/locale.h"
#include "platform/sim/sim_platform.h"
#ifdef _WIN32
#include <windows.h>

#include "platform/win/win_locale.h"
#endif

namespace brisko {
namespace {

// L"" stands for both locales.
struct InfoCase {
    const wchar_t* locale;
    std::uint32_t item;
    const wchar_t* expected;
};

struct TimeCase {
    const wchar_t* locale;
    const wchar_t* format;  // L"": the locale's own
    int hour, minute, second;
    bool noSeconds;
    const wchar_t* expected;  // nullptr: the call fails
};

// A parse result; year 0 is the current year, ok false a text that is no date or time.
struct ParseCase {
    const wchar_t* locale;
    const wchar_t* text;
    bool ok;
    int year, month, day, hour, minute, second;
};

struct DateTextCase {
    const wchar_t* locale;
    DateParts date;
    const wchar_t* expected;
};

const InfoCase kInfo[] = {
    {L"en-US", 29, L"/"},
    {L"en-US", 30, L":"},
    {L"en-US", 31, L"M/d/yyyy"},
    {L"en-US", 32, L"dddd, MMMM d, yyyy"},
    {L"en-US", 33, L"0"},
    {L"en-US", 40, L"AM"},
    {L"en-US", 41, L"PM"},
    {L"en-US", 42, L"Monday"},
    {L"en-US", 55, L"Sun"},
    {L"en-US", 58, L"March"},
    {L"en-US", 79, L"Dec"},
    {L"en-US", 92, L"en-US"},
    {L"en-US", 4099, L"h:mm:ss tt"},
    {L"de-DE", 29, L"."},
    {L"de-DE", 30, L":"},
    {L"de-DE", 31, L"d.M.yyyy"},
    {L"de-DE", 32, L"dddd, d. MMMM yyyy"},
    {L"de-DE", 33, L"1"},
    {L"de-DE", 40, L"AM"},
    {L"de-DE", 41, L"PM"},
    {L"de-DE", 42, L"Montag"},
    {L"de-DE", 55, L"So."},
    {L"de-DE", 58, L"M\u00e4rz"},
    {L"de-DE", 70, L"M\u00e4r"},
    {L"de-DE", 79, L"Dez"},
    {L"de-DE", 92, L"de-DE"},
    {L"de-DE", 4099, L"HH:mm:ss"},
};

const TimeCase kTimes[] = {
    // The locale's own format, with and without seconds.
    {L"en-US", L"", 0, 0, 0, false, L"12:00:00 AM"},
    {L"en-US", L"", 0, 0, 0, true, L"12:00 AM"},
    {L"en-US", L"", 9, 5, 0, true, L"9:05 AM"},
    {L"en-US", L"", 12, 0, 0, true, L"12:00 PM"},
    {L"en-US", L"", 13, 30, 45, false, L"1:30:45 PM"},
    {L"en-US", L"", 23, 59, 59, true, L"11:59 PM"},
    {L"de-DE", L"", 0, 0, 0, false, L"00:00:00"},
    {L"de-DE", L"", 9, 5, 0, true, L"09:05"},
    {L"de-DE", L"", 13, 30, 45, false, L"13:30:45"},
    {L"de-DE", L"", 23, 59, 59, true, L"23:59"},
    // Formats of the dialogs' kind: the locale's with the seconds cut.
    {L"", L"h:mm tt", 0, 0, 0, true, L"12:00 AM"},
    {L"", L"h:mm tt", 10, 15, 0, true, L"10:15 AM"},
    {L"", L"h:mm tt", 13, 30, 45, false, L"1:30 PM"},
    {L"", L"hh:mm tt", 9, 5, 0, true, L"09:05 AM"},
    {L"", L"HH:mm", 0, 0, 0, true, L"00:00"},
    {L"", L"HH:mm", 23, 30, 0, true, L"23:30"},
    {L"", L"H:mm", 9, 5, 0, true, L"9:05"},
    {L"", L"H.mm 'Uhr'", 9, 5, 0, true, L"9.05 Uhr"},
    {L"", L"h.m", 9, 0, 0, false, L"9.0"},
    {L"", L"abc hh", 9, 0, 0, false, L"abc 09"},
    {L"", L"t", 9, 0, 0, false, L"A"},
    {L"", L"''", 9, 0, 0, false, L""},
    {L"", L"hh'h'mm", 9, 0, 0, true, L"09h00"},
    // Seconds dropped with what separates them.
    {L"", L"HH:mm:ss", 9, 5, 7, false, L"09:05:07"},
    {L"", L"HH:mm:ss", 9, 5, 7, true, L"09:05"},
    {L"", L"H:mm:s", 9, 0, 0, false, L"9:00:0"},
    {L"", L"H:mm:s", 9, 0, 0, true, L"9:00"},
    {L"", L"tt h 'o''clock' ss", 9, 0, 0, false, L"AM 9 o'clock 00"},
    {L"", L"tt h 'o''clock' ss", 9, 0, 0, true, L"AM 9"},
    {L"", L"ss:mm", 9, 5, 7, true, L"05"},
    {L"", L"ss h", 9, 5, 7, true, L" 9"},
    {L"", L"ss-h", 9, 5, 7, true, L"9"},
    {L"", L"h:mm:ss-tt", 9, 5, 7, true, L"9:05AM"},
    {L"", L"h:mm:ss 'x' tt", 9, 5, 7, true, L"9:05  AM"},
    {L"", L"h:mm ss", 9, 5, 7, true, L"9:05"},
    {L"", L"h x ss y mm", 9, 5, 7, true, L"9  05"},
    {L"", L"HH:mm:ss 'Uhr'", 9, 5, 7, true, L"09:05 "},
    {L"", L"HH:mm:ss.ss", 9, 5, 7, true, L"09:05"},
    {L"", L"h:mm:ss tt z", 9, 5, 7, true, L"9:05 AM z"},
    // A time out of range.
    {L"", L"HH:mm", 25, 0, 0, true, nullptr},
};

const ParseCase kParse[] = {
    // Times, the same in both locales.
    {L"", L"10:15", true, 1899, 12, 30, 10, 15, 0},
    {L"", L" 10:15 ", true, 1899, 12, 30, 10, 15, 0},
    {L"", L"\t10:15\t", true, 1899, 12, 30, 10, 15, 0},
    {L"", L"10 : 15", true, 1899, 12, 30, 10, 15, 0},
    {L"", L"10::15", true, 1899, 12, 30, 10, 15, 0},
    {L"", L",10:15", true, 1899, 12, 30, 10, 15, 0},
    {L"", L"09:30", true, 1899, 12, 30, 9, 30, 0},
    {L"", L"7:5", true, 1899, 12, 30, 7, 5, 0},
    {L"", L"21:30", true, 1899, 12, 30, 21, 30, 0},
    {L"", L"0:00", true, 1899, 12, 30, 0, 0, 0},
    {L"", L"0:0", true, 1899, 12, 30, 0, 0, 0},
    {L"", L"10:15:30", true, 1899, 12, 30, 10, 15, 30},
    {L"", L"1:2:3", true, 1899, 12, 30, 1, 2, 3},
    {L"", L"23:59:59", true, 1899, 12, 30, 23, 59, 59},
    {L"", L"9 pm", true, 1899, 12, 30, 21, 0, 0},
    {L"", L"9pm", true, 1899, 12, 30, 21, 0, 0},
    {L"", L"9 PM", true, 1899, 12, 30, 21, 0, 0},
    {L"", L"9 am", true, 1899, 12, 30, 9, 0, 0},
    {L"", L"12 am", true, 1899, 12, 30, 0, 0, 0},
    {L"", L"12 pm", true, 1899, 12, 30, 12, 0, 0},
    {L"", L"0 pm", true, 1899, 12, 30, 12, 0, 0},
    {L"", L"13 pm", true, 1899, 12, 30, 13, 0, 0},
    {L"", L"12:30 am", true, 1899, 12, 30, 0, 30, 0},
    {L"", L"10:15 PM", true, 1899, 12, 30, 22, 15, 0},
    {L"", L"10:15am", true, 1899, 12, 30, 10, 15, 0},
    {L"", L"9:30 AM", true, 1899, 12, 30, 9, 30, 0},
    {L"", L"10:15:30 pm", true, 1899, 12, 30, 22, 15, 30},
    {L"", L"13:00 pm", true, 1899, 12, 30, 13, 0, 0},
    // What is no time.
    {L"", L"", false, 0, 0, 0, 0, 0, 0},
    {L"", L"abc", false, 0, 0, 0, 0, 0, 0},
    {L"", L"9", false, 0, 0, 0, 0, 0, 0},
    {L"", L"1015", false, 0, 0, 0, 0, 0, 0},
    {L"", L"25:00", false, 0, 0, 0, 0, 0, 0},
    {L"", L"24:00", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10:60", false, 0, 0, 0, 0, 0, 0},
    {L"", L"-1:00", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10:15:30:00", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10:", false, 0, 0, 0, 0, 0, 0},
    {L"", L":15", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10:15:", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10:15,", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10:15 -", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10h15", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10:15 Uhr", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10:15 nachm.", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10:15 a", false, 0, 0, 0, 0, 0, 0},
    {L"", L"9 p", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10:15 pm pm", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10:15 AM PM", false, 0, 0, 0, 0, 0, 0},
    {L"", L"am 10", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10 am 15", false, 0, 0, 0, 0, 0, 0},
    {L"", L"1 10:15", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10:15 1", false, 0, 0, 0, 0, 0, 0},
    {L"", L"\u0661\u0660:\u0661\u0665", false, 0, 0, 0, 0, 0, 0},
    // The point: a time separator in English, the date separator in German.
    {L"en-US", L"10.15", true, 1899, 12, 30, 10, 15, 0},
    {L"de-DE", L"10.15", true, 0, 10, 15, 0, 0, 0},
    {L"en-US", L"10.15.30", true, 1899, 12, 30, 10, 15, 30},
    {L"de-DE", L"10.15.30", true, 2030, 10, 15, 0, 0, 0},
    {L"en-US", L"8.12.26", true, 1899, 12, 30, 8, 12, 26},
    {L"de-DE", L"8.12.26", true, 2026, 12, 8, 0, 0, 0},
    {L"en-US", L"1.2.3", true, 1899, 12, 30, 1, 2, 3},
    {L"de-DE", L"1.2.3", true, 2003, 2, 1, 0, 0, 0},
    {L"", L"10.15.", false, 0, 0, 0, 0, 0, 0},
    // Dates in the locale's order, then the other orders that fit.
    {L"en-US", L"12/8/2026", true, 2026, 12, 8, 0, 0, 0},
    {L"de-DE", L"12/8/2026", true, 2026, 8, 12, 0, 0, 0},
    {L"en-US", L"8.12.2026", false, 0, 0, 0, 0, 0, 0},
    {L"de-DE", L"8.12.2026", true, 2026, 12, 8, 0, 0, 0},
    {L"", L"2026-12-08", true, 2026, 12, 8, 0, 0, 0},
    {L"", L"2026/12/08", true, 2026, 12, 8, 0, 0, 0},
    {L"en-US", L"12-08-2026", true, 2026, 12, 8, 0, 0, 0},
    {L"de-DE", L"12-08-2026", true, 2026, 8, 12, 0, 0, 0},
    {L"", L"13/1/2026", true, 2026, 1, 13, 0, 0, 0},
    {L"", L"1/13/2026", true, 2026, 1, 13, 0, 0, 0},
    {L"en-US", L"1/2", true, 0, 1, 2, 0, 0, 0},
    {L"de-DE", L"1/2", true, 0, 2, 1, 0, 0, 0},
    {L"en-US", L"1/2/3", true, 2003, 1, 2, 0, 0, 0},
    {L"de-DE", L"1/2/3", true, 2003, 2, 1, 0, 0, 0},
    {L"", L"10 15", true, 0, 10, 15, 0, 0, 0},
    {L"", L"10,15", true, 0, 10, 15, 0, 0, 0},
    {L"", L"10-15", true, 0, 10, 15, 0, 0, 0},
    {L"", L"10/15", true, 0, 10, 15, 0, 0, 0},
    {L"", L"31 12 2026", true, 2026, 12, 31, 0, 0, 0},
    {L"", L"2026 31 12", true, 2026, 12, 31, 0, 0, 0},
    {L"", L"12 31 2026", true, 2026, 12, 31, 0, 0, 0},
    {L"", L"32 13 1", true, 2032, 1, 13, 0, 0, 0},
    {L"", L"1 13 32", true, 2032, 1, 13, 0, 0, 0},
    {L"", L"32 1", true, 2032, 1, 1, 0, 0, 0},
    {L"", L"1 32", true, 2032, 1, 1, 0, 0, 0},
    {L"", L"2026 12", true, 2026, 12, 1, 0, 0, 0},
    {L"", L"12 2026", true, 2026, 12, 1, 0, 0, 0},
    {L"", L"13 15", false, 0, 0, 0, 0, 0, 0},
    {L"", L"15 13 2026", false, 0, 0, 0, 0, 0, 0},
    {L"", L"31.2.2026", false, 0, 0, 0, 0, 0, 0},
    {L"", L"2/29/2027", false, 0, 0, 0, 0, 0, 0},
    {L"", L"2/29/2028", true, 2028, 2, 29, 0, 0, 0},
    {L"", L"12/31/9999", true, 9999, 12, 31, 0, 0, 0},
    {L"", L"1/1/100", true, 100, 1, 1, 0, 0, 0},
    {L"", L"1/1/10000", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10/15/", false, 0, 0, 0, 0, 0, 0},
    {L"", L"1/2/3/4", false, 0, 0, 0, 0, 0, 0},
    {L"", L"10,", false, 0, 0, 0, 0, 0, 0},
    {L"", L"29", false, 0, 0, 0, 0, 0, 0},
    {L"", L"2026", false, 0, 0, 0, 0, 0, 0},
    // Two-digit years: below 50 in this century.
    {L"en-US", L"1/2/0", true, 2000, 1, 2, 0, 0, 0},
    {L"en-US", L"1/2/29", true, 2029, 1, 2, 0, 0, 0},
    {L"en-US", L"1/2/49", true, 2049, 1, 2, 0, 0, 0},
    {L"en-US", L"1/2/50", true, 1950, 1, 2, 0, 0, 0},
    {L"de-DE", L"1/2/99", true, 1999, 2, 1, 0, 0, 0},
    // Month and day names of the locale.
    {L"en-US", L"Dec 8, 2026", true, 2026, 12, 8, 0, 0, 0},
    {L"de-DE", L"Dec 8, 2026", false, 0, 0, 0, 0, 0, 0},
    {L"en-US", L"March 3", true, 0, 3, 3, 0, 0, 0},
    {L"en-US", L"3 March", true, 0, 3, 3, 0, 0, 0},
    {L"en-US", L"2026 Mar 3", true, 2026, 3, 3, 0, 0, 0},
    {L"de-DE", L"M\u00e4rz 3", true, 0, 3, 3, 0, 0, 0},
    {L"de-DE", L"3 M\u00e4r 2026", true, 2026, 3, 3, 0, 0, 0},
    {L"de-DE", L"8 Dez 2026", true, 2026, 12, 8, 0, 0, 0},
    {L"en-US", L"8 Dez 2026", false, 0, 0, 0, 0, 0, 0},
    {L"en-US", L"Monday 8 Dec 2026", true, 2026, 12, 8, 0, 0, 0},
    {L"en-US", L"Mon 10:15", true, 1899, 12, 30, 10, 15, 0},
    {L"de-DE", L"Mon 10:15", false, 0, 0, 0, 0, 0, 0},
    // A date and a time, either way round.
    {L"en-US", L"12/8/2026 10:15", true, 2026, 12, 8, 10, 15, 0},
    {L"de-DE", L"8.12.2026 10:15", true, 2026, 12, 8, 10, 15, 0},
    {L"en-US", L"10:15 Dec 8", true, 0, 12, 8, 10, 15, 0},
    {L"en-US", L"Dec 8 10:15", true, 0, 12, 8, 10, 15, 0},
    {L"en-US", L"1 2 3 10:15", true, 2003, 1, 2, 10, 15, 0},
    {L"de-DE", L"10:15 1 2 3", true, 2003, 2, 1, 10, 15, 0},
    {L"en-US", L"1 2 10:15:30", true, 0, 1, 2, 10, 15, 30},
    {L"de-DE", L"10:15:30 1 2 3", true, 2003, 2, 1, 10, 15, 30},
    {L"en-US", L"9 pm 3/4", true, 0, 3, 4, 21, 0, 0},
    {L"de-DE", L"3/4 9 pm", true, 0, 4, 3, 21, 0, 0},
};

const DateTextCase kDateTexts[] = {
    {L"en-US", {1899, 12, 30, 10, 15, 0}, L"10:15:00 AM"},
    {L"de-DE", {1899, 12, 30, 10, 15, 0}, L"10:15:00"},
    {L"en-US", {2026, 12, 8, 0, 0, 0}, L"12/8/2026"},
    {L"de-DE", {2026, 12, 8, 0, 0, 0}, L"8.12.2026"},
    {L"en-US", {2026, 12, 8, 21, 5, 9}, L"12/8/2026 9:05:09 PM"},
    {L"de-DE", {2026, 3, 1, 21, 5, 9}, L"1.3.2026 21:05:09"},
};

std::wstring Show(const std::optional<std::wstring>& s) { return s ? L"\"" + *s + L"\"" : L"(failed)"; }

std::wstring Show(const std::optional<Date>& d) {
    if (!d) return L"(failed)";
    const DateParts p = SplitDate(*d);
    wchar_t buf[64];
    swprintf(buf, 64, L"%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute, p.second);
    return buf;
}

int CurrentYear() {
#ifdef _WIN32
    SYSTEMTIME st;
    GetSystemTime(&st);
    return st.wYear;
#else
    return sim::SimClock{}.now.year;
#endif
}

class LocaleTableTest : public ::testing::TestWithParam<const wchar_t*> {
protected:
    void SetUp() override {
        name = GetParam();
#ifdef _WIN32
        // Wine takes the process's locale from LC_ALL; the test run names it.
        const char* wanted = std::getenv("BRISKO_TEST_LOCALE");
        if (!wanted || FromUtf8(wanted) != name) GTEST_SKIP() << "this run is for another locale";
        locale = std::make_unique<win::WinLocale>();
        ASSERT_EQ(locale->Info(92).value_or(L""), name) << "LC_ALL did not choose the locale";
#else
        auto simLocale = std::make_unique<sim::SimLocale>(clock);
        ASSERT_TRUE(simLocale->SetLocale(name));
        locale = std::move(simLocale);
#endif
    }
    bool Applies(const wchar_t* caseLocale) const { return !*caseLocale || name == caseLocale; }

    std::wstring name;
    sim::SimClock clock;
    std::unique_ptr<Locale> locale;
};

TEST_P(LocaleTableTest, InformationItems) {
    for (const auto& c : kInfo) {
        if (!Applies(c.locale)) continue;
        EXPECT_EQ(Show(locale->Info(c.item)), Show(std::wstring(c.expected))) << "item " << c.item;
    }
    // An item the locale doesn't know fails.
    EXPECT_EQ(locale->Info(0x7777), std::nullopt);
}

TEST_P(LocaleTableTest, TimeFormats) {
    for (const auto& c : kTimes) {
        if (!Applies(c.locale)) continue;
        const auto expected = c.expected ? std::optional<std::wstring>(c.expected) : std::nullopt;
        EXPECT_EQ(Show(locale->FormatTime(c.format, c.hour, c.minute, c.second, c.noSeconds)), Show(expected))
            << "format \"" << ToUtf8(c.format) << "\" " << c.hour << ":" << c.minute << ":" << c.second
            << (c.noSeconds ? " without seconds" : "");
    }
}

TEST_P(LocaleTableTest, TextToDateTime) {
    for (const auto& c : kParse) {
        if (!Applies(c.locale)) continue;
        std::optional<Date> expected;
        if (c.ok) {
            expected = MakeDate({c.year ? c.year : CurrentYear(), c.month, c.day, c.hour, c.minute, c.second});
        }
        EXPECT_EQ(Show(locale->ParseDateTime(c.text)), Show(expected)) << "text \"" << ToUtf8(c.text) << "\"";
    }
}

TEST_P(LocaleTableTest, DateToText) {
    for (const auto& c : kDateTexts) {
        if (!Applies(c.locale)) continue;
        EXPECT_EQ(locale->DateText(MakeDate(c.date)), c.expected) << ToUtf8(FormatDate(MakeDate(c.date)));
    }
}

TEST_P(LocaleTableTest, WindowsVersionIsVistaOrLater) {
    const WindowsVersion v = locale->Version();
    ASSERT_TRUE(v.ok);
    EXPECT_GE(v.major, 6u);
}

INSTANTIATE_TEST_SUITE_P(Locales, LocaleTableTest, ::testing::Values(L"en-US", L"de-DE"),
                         [](const ::testing::TestParamInfo<const wchar_t*>& p) {
                             return std::string(p.param[0] == L'e' ? "EnglishUS" : "GermanGermany");
                         });

}  // namespace
}  // namespace brisko
