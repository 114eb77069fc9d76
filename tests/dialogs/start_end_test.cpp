// CStartEndControls over in-memory date pickers and time boxes, in English (United States) and
// German (Germany); mLocale on the in-memory locale.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "addin/dialogs/CStartEndControls.h"
#include "addin/dialogs/mLocale.h"
#include "addin/host/globals.h"
#include "addin/lang/CLang.h"
#include "automation/error.h"
#include "platform/ui.h"
#include "tests/addin/addin_fixture.h"
#include "tests/dialogs/control_twins.h"

namespace brisko {
namespace {

using testing::TwinComboBox;
using testing::TwinDatePicker;

Date At(int y, int mo, int d, int h = 0, int mi = 0) { return MakeDate({y, mo, d, h, mi, 0}); }

// What differs between the two locales and languages.
struct Language {
    const wchar_t* locale;
    const wchar_t* file;
    const wchar_t* t0900;
    const wchar_t* t1000;
    const wchar_t* t1015;
    const wchar_t* t1020;
    const wchar_t* t1030;
    const wchar_t* t1130;
    const wchar_t* t1230;
    const wchar_t* oneHour;
    const wchar_t* negative;
    const wchar_t* startInvalid;
    const wchar_t* endInvalid;
};

const Language kEnglish{L"en-US",   L"English.lng", L"9:00 AM",  L"10:00 AM", L"10:15 AM", L"10:20 AM", L"10:30 AM",
                        L"11:30 AM", L"12:30 PM",   L"1 h",
                        L"The end time you entered occurs before the start time.",
                        L"The start time is not a valid time.\r\nPlease enter it as hours and minutes, for example 9:30.",
                        L"The end time is not a valid time.\r\nPlease enter it as hours and minutes, for example 17:00."};
const Language kGerman{L"de-DE", L"Deutsch.lng", L"09:00", L"10:00", L"10:15", L"10:20", L"10:30", L"11:30", L"12:30",
                       L"1 Std.", L"Die eingegebene Endzeit liegt vor der Beginnzeit.",
                       L"Die Beginnzeit ist keine g\u00fcltige Uhrzeit.\r\nBitte geben Sie Stunden und Minuten ein, "
                       L"zum Beispiel 9:30.",
                       L"Die Endzeit ist keine g\u00fcltige Uhrzeit.\r\nBitte geben Sie Stunden und Minuten ein, zum "
                       L"Beispiel 17:00."};

class LocaleTest : public brisko::testing::AddinTest, public ::testing::WithParamInterface<const Language*> {
protected:
    void SetUp() override {
        AddinTest::SetUp();
        lang = *GetParam();
        ASSERT_TRUE(platform.locale.SetLocale(lang.locale));
        auto engine = std::make_shared<CLang>();
        ASSERT_TRUE(engine->Init(sim::SimPlatform::DefaultModuleFolder() + L"\\" + lang.file, L"Brisko"));
        g_oLang = std::make_shared<CLangService>(engine);
    }
    std::vector<std::wstring> Messages() const {
        std::vector<std::wstring> out;
        for (const auto& box : platform.messageBoxes.shown()) {
            EXPECT_EQ(box.style, 0u) << "OK only";
            out.push_back(box.text);
        }
        return out;
    }

    Language lang;
};

// A one-hour appointment from 8 December 2026 09:00.
class StartEndTest : public LocaleTest {
protected:
    void SetUp() override {
        LocaleTest::SetUp();
        editor = CStartEndControls::Create();
        editor->Init(startDate, startTime, endDate, endTime, At(2026, 12, 8, 9, 0), 60);
        ASSERT_TRUE(Errors().empty());
    }
    void TearDown() override {
        editor.reset();
        LocaleTest::TearDown();
    }

    // The four controls as the user sees them.
    void ExpectShown(Date start, const wchar_t* startText, Date end, const wchar_t* endText) {
        EXPECT_EQ(startDate->value, start);
        EXPECT_EQ(startTime->text, startText);
        EXPECT_EQ(endDate->value, end);
        EXPECT_EQ(endTime->text, endText);
    }

    std::shared_ptr<TwinDatePicker> startDate = std::make_shared<TwinDatePicker>();
    std::shared_ptr<TwinComboBox> startTime = std::make_shared<TwinComboBox>();
    std::shared_ptr<TwinDatePicker> endDate = std::make_shared<TwinDatePicker>();
    std::shared_ptr<TwinComboBox> endTime = std::make_shared<TwinComboBox>();
    std::shared_ptr<CStartEndControls> editor;
};

TEST_P(StartEndTest, InitShowsStartAndEndAndListsHalfHours) {
    ExpectShown(At(2026, 12, 8), lang.t0900, At(2026, 12, 8), lang.t1000);
    EXPECT_EQ(endTime->toolTipText, lang.oneHour);
    for (const auto* box : {startTime.get(), endTime.get()}) {
        ASSERT_EQ(box->entries.size(), 48u);
        EXPECT_EQ(box->entries[18].text, lang.t0900);
        EXPECT_EQ(box->entries[21].text, lang.t1030);
        EXPECT_EQ(box->entries[21].data, 630);
        EXPECT_EQ(box->entries[47].data, 1410);
    }
    // The controls' own change events during Init were not taken for the user's.
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(editor->Duration(), 60);
}

TEST_P(StartEndTest, MovingTheStartKeepsTheDuration) {
    startTime->UserTypes(L"11:30");
    EXPECT_EQ(startTime->text, L"11:30") << "typing alone changes nothing";
    startTime->UserLeaves();
    ExpectShown(At(2026, 12, 8), lang.t1130, At(2026, 12, 8), lang.t1230);
    EXPECT_EQ(endTime->toolTipText, lang.oneHour);

    // Picking a list entry; a late start carries the end into the next day.
    startTime->UserPicks(47);
    EXPECT_EQ(endDate->value, At(2026, 12, 9));
    EXPECT_EQ(SplitDate(editor->EndDateTime()), (DateParts{2026, 12, 9, 0, 30, 0}));

    // A new start date moves the end date along.
    startDate->UserPicks(At(2027, 2, 28, 15, 45));
    EXPECT_EQ(startDate->value, At(2027, 2, 28)) << "the picker's time part is dropped";
    EXPECT_EQ(endDate->value, At(2027, 3, 1));
    EXPECT_EQ(editor->StartDateTime(), At(2027, 2, 28, 23, 30));
    EXPECT_EQ(editor->Duration(), 60);
    EXPECT_TRUE(Messages().empty());
}

TEST_P(StartEndTest, ChangingTheEndChangesTheDuration) {
    endTime->UserTypes(L"1:15 pm");
    endTime->UserLeaves();
    EXPECT_EQ(editor->Duration(), 255);
    EXPECT_EQ(endTime->text, lang.locale == std::wstring(L"en-US") ? L"1:15 PM" : L"13:15");
    endDate->UserPicks(At(2026, 12, 10));
    EXPECT_EQ(editor->Duration(), 255 + 2 * 1440);
    EXPECT_EQ(startDate->value, At(2026, 12, 8)) << "the start stays";
}

TEST_P(StartEndTest, TypedTimeIsListedBetweenTheHalfHours) {
    endTime->UserTypes(L"10:15");
    endTime->UserDropsDown();
    EXPECT_EQ(endTime->text, lang.t1015);
    ASSERT_EQ(endTime->entries.size(), 49u);
    EXPECT_EQ(endTime->entries[20].text, lang.t1000);
    EXPECT_EQ(endTime->entries[21].text, lang.t1015);
    EXPECT_EQ(endTime->entries[21].data, 615);
    EXPECT_EQ(endTime->entries[22].text, lang.t1030);

    // Another custom time replaces it; a regular one leaves none.
    endTime->UserTypes(L"10:20");
    endTime->UserDropsDown();
    ASSERT_EQ(endTime->entries.size(), 49u);
    EXPECT_EQ(endTime->entries[21].text, lang.t1020);
    EXPECT_EQ(endTime->entries[21].data, 620);
    endTime->UserTypes(L"10:30");
    endTime->UserDropsDown();
    EXPECT_EQ(endTime->entries.size(), 48u);
    // Dropping down shows the list; the time itself is taken when the box is left.
    EXPECT_EQ(editor->Duration(), 60);
    endTime->UserLeaves();
    EXPECT_EQ(editor->Duration(), 90);
    // The start box keeps its own list.
    EXPECT_EQ(startTime->entries.size(), 48u);
}

TEST_P(StartEndTest, EndBeforeStartIsRefusedAndTheOldEndComesBack) {
    endTime->UserTypes(L"8:00");
    endTime->UserLeaves();
    EXPECT_EQ(endTime->text, lang.t1000);
    EXPECT_EQ(endTime->toolTipText, lang.oneHour);
    EXPECT_EQ(editor->Duration(), 60);
    EXPECT_EQ(Messages(), std::vector<std::wstring>{lang.negative});

    platform.messageBoxes.ClearShown();
    endDate->UserPicks(At(2026, 12, 7));
    EXPECT_EQ(endDate->value, At(2026, 12, 8));
    EXPECT_EQ(Messages(), std::vector<std::wstring>{lang.negative});

    // An end exactly at the start is a duration of 0, not refused.
    platform.messageBoxes.ClearShown();
    endTime->UserTypes(L"9:00");
    endTime->UserLeaves();
    EXPECT_EQ(editor->Duration(), 0);
    EXPECT_TRUE(Messages().empty());
}

TEST_P(StartEndTest, AllDayAcceptsAnEndDateEqualToTheStartDate) {
    // 22:00 to 01:00 the next day.
    startTime->UserTypes(L"22:00");
    startTime->UserLeaves();
    endDate->UserPicks(At(2026, 12, 9));
    endTime->UserTypes(L"1:00");
    endTime->UserLeaves();
    ASSERT_EQ(editor->Duration(), 180);
    ASSERT_EQ(endDate->value, At(2026, 12, 9));

    editor->SetDateOnly(true);
    EXPECT_TRUE(editor->DateOnly());
    EXPECT_FALSE(startTime->enabled);
    EXPECT_FALSE(endTime->enabled);
    endDate->UserPicks(At(2026, 12, 8));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(endDate->value, At(2026, 12, 8));
    EXPECT_EQ(editor->Duration(), 0);
    // The times don't count, even when they don't parse.
    startTime->text = L"abc";
    EXPECT_TRUE(editor->IsValid(true));
    editor->Apply();
    EXPECT_EQ(editor->StartDateTime(), At(2026, 12, 8));
    EXPECT_EQ(editor->EndDateTime(), At(2026, 12, 8));
    // A date before the start's is still refused.
    endDate->UserPicks(At(2026, 12, 7));
    EXPECT_EQ(endDate->value, At(2026, 12, 8));
    EXPECT_EQ(Messages(), std::vector<std::wstring>{lang.negative});

    editor->SetDateOnly(false);
    EXPECT_TRUE(startTime->enabled);
    EXPECT_TRUE(endTime->enabled);
    EXPECT_TRUE(Errors().empty());
}

TEST_P(StartEndTest, UnparsableTextIsLeftUntouchedAndReportedByIsValid) {
    startTime->UserTypes(L"abc");
    startTime->UserLeaves();
    startTime->UserDropsDown();
    endTime->UserTypes(L"25:00");
    endTime->UserLeaves();
    endTime->UserDropsDown();
    EXPECT_EQ(startTime->text, L"abc");
    EXPECT_EQ(endTime->text, L"25:00");
    EXPECT_EQ(endDate->value, At(2026, 12, 8));
    EXPECT_EQ(startTime->entries.size(), 48u);
    EXPECT_EQ(endTime->entries.size(), 48u);
    EXPECT_EQ(editor->StartDateTime(), At(2026, 12, 8, 9, 0));
    EXPECT_EQ(editor->Duration(), 60);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(Errors().empty());

    EXPECT_FALSE(editor->IsValid(false));
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(editor->IsValid(true));
    EXPECT_EQ(Messages(), std::vector<std::wstring>{lang.startInvalid});
    EXPECT_EQ(startTime->focusCount, 1);

    platform.messageBoxes.ClearShown();
    startTime->UserTypes(L"9:00");
    EXPECT_FALSE(editor->IsValid(true));
    EXPECT_EQ(Messages(), std::vector<std::wstring>{lang.endInvalid});
    EXPECT_EQ(endTime->focusCount, 1);

    // Apply reads nothing when a box doesn't parse.
    editor->Apply();
    EXPECT_EQ(editor->EndDateTime(), At(2026, 12, 8, 10, 0));
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0].substr(0, 28), L"CTimeCombobox.ctls_Apply|13|");
}

TEST_P(StartEndTest, IsValidAndApplyReadTheControls) {
    // Values set behind the editor's back (no events): IsValid and Apply read them.
    startDate->value = At(2026, 12, 9);
    startTime->text = L"7:00";
    endTime->text = L"6:59";
    endDate->value = At(2026, 12, 9);
    EXPECT_FALSE(editor->IsValid(true));
    EXPECT_EQ(Messages(), std::vector<std::wstring>{lang.negative});
    endTime->text = L"7:00";
    EXPECT_TRUE(editor->IsValid(true));
    editor->Apply();
    EXPECT_EQ(editor->StartDateTime(), At(2026, 12, 9, 7, 0));
    EXPECT_EQ(editor->EndDateTime(), At(2026, 12, 9, 7, 0));
    EXPECT_EQ(editor->Duration(), 0);
}

TEST_P(StartEndTest, DoneReleasesTheControlsAndTheirEvents) {
    editor->Done();
    EXPECT_EQ(startTime->events.SinkCount(), 0u);
    EXPECT_EQ(endDate->events.SinkCount(), 0u);
    startTime->UserTypes(L"11:00");
    startTime->UserLeaves();
    EXPECT_EQ(endTime->text, lang.t1000);
    EXPECT_EQ(startTime.use_count(), 1);
    // An editor that ends unsubscribes by itself.
    auto other = CStartEndControls::Create();
    other->Init(startDate, startTime, endDate, endTime, At(2026, 12, 8, 9, 0), 30);
    other.reset();
    startTime->UserPicks(0);
    EXPECT_EQ(startTime->events.SinkCount(), 0u);
}

TEST_P(LocaleTest, NegativeDurationAtInitIsAsserted) {
    auto date = std::make_shared<TwinDatePicker>(), date2 = std::make_shared<TwinDatePicker>();
    auto box = std::make_shared<TwinComboBox>(), box2 = std::make_shared<TwinComboBox>();
    auto editor = CStartEndControls::Create();
    editor->Init(date, box, date2, box2, At(2026, 12, 8, 0, 15), -30);
    EXPECT_EQ(Errors(), std::vector<std::wstring>{L"CTimeCombobox.Init|0|ASSERT FAILED - 0"});
    EXPECT_EQ(date2->value, At(2026, 12, 7)) << "the end still follows from start and duration";
}

TEST_P(LocaleTest, DurationTexts) {
    const bool english = lang.locale == std::wstring(L"en-US");
    EXPECT_EQ(CStartEndControls::DurationText(30), english ? L"0.5 hours" : L"0,5 Stunden");
    EXPECT_EQ(CStartEndControls::DurationText(90), english ? L"1.5 hours" : L"1,5 Stunden");
    EXPECT_EQ(CStartEndControls::DurationText(0), english ? L"0 min" : L"0 Min.");
    EXPECT_EQ(CStartEndControls::DurationText(10080 + 1440 + 61),
              english ? L"1 wk 1 d 1 h 1 min" : L"1 Wo. 1 Tg. 1 Std. 1 Min.");
    // Half an hour past a day is no half-hour text.
    EXPECT_EQ(CStartEndControls::DurationText(1440 + 30), english ? L"1 d 30 min" : L"1 Tg. 30 Min.");
    EXPECT_EQ(CStartEndControls::DurationText(120), english ? L"2 h" : L"2 Std.");
}

INSTANTIATE_TEST_SUITE_P(Languages, StartEndTest, ::testing::Values(&kEnglish, &kGerman),
                         [](const auto& p) { return std::string(p.param == &kEnglish ? "English" : "German"); });
INSTANTIATE_TEST_SUITE_P(Languages, LocaleTest, ::testing::Values(&kEnglish, &kGerman),
                         [](const auto& p) { return std::string(p.param == &kEnglish ? "English" : "German"); });

using MLocaleTest = brisko::testing::AddinTest;

TEST_F(MLocaleTest, TimeFormatLosesItsSeconds) {
    EXPECT_EQ(mLocale_GetTimeFormat(), L"h:mm tt");
    platform.locale.SetLocale(L"de-DE");
    EXPECT_EQ(mLocale_GetTimeFormat(), L"HH:mm");
    // "s" alone, another separator, upper case, and no seconds at all.
    platform.locale.OverrideInfo(4099, L"H:mm:s 'Uhr'");
    EXPECT_EQ(mLocale_GetTimeFormat(), L"H:mm 'Uhr'");
    platform.locale.OverrideInfo(30, L".");
    platform.locale.OverrideInfo(4099, L"HH.mm.SS");
    EXPECT_EQ(mLocale_GetTimeFormat(), L"HH.mm");
    platform.locale.OverrideInfo(4099, L"HH.mm");
    EXPECT_EQ(mLocale_GetTimeFormat(), L"HH.mm");
    platform.locale.OverrideInfo(4099, std::nullopt);
    EXPECT_EQ(mLocale_GetTimeFormat(), L"");
    EXPECT_EQ(mLocale_GetInfo(4099), L"");
}

TEST_F(MLocaleTest, TimeTextFallsBackToTheDefaultConversion) {
    EXPECT_EQ(mLocale_TimeText(10, 15, L"HH:mm"), L"10:15");
    EXPECT_EQ(mLocale_TimeText(10, 15, L""), L"10:15:00 AM");
    platform.locale.FailTimeFormat(true);
    EXPECT_EQ(mLocale_TimeText(22, 5, L"HH:mm"), L"10:05:00 PM");
}

TEST_F(MLocaleTest, ParsingATimeKeepsHourAndMinute) {
    EXPECT_EQ(mLocale_ParseTime(L"10:15:59"), 615);
    EXPECT_EQ(mLocale_ParseTime(L"12/8/2026 9 pm"), 21 * 60);
    EXPECT_EQ(mLocale_ParseTime(L"12/8/2026"), 0);
    try {
        mLocale_ParseTime(L"9");
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::TypeMismatch);
    }
}

TEST_F(MLocaleTest, ShortDateFormatShowsTheDay) {
    EXPECT_EQ(mLocale_ShortDateFormatWithDay(), L"ddd M/d/yyyy");
    platform.locale.SetLocale(L"de-DE");
    EXPECT_EQ(mLocale_ShortDateFormatWithDay(), L"ddd d.M.yyyy");
    platform.locale.OverrideInfo(31, L"DDDD, d.M.");
    EXPECT_EQ(mLocale_ShortDateFormatWithDay(), L"DDDD, d.M.");
    platform.locale.OverrideInfo(31, std::nullopt);
    EXPECT_EQ(mLocale_ShortDateFormatWithDay(), L"ddd ");
}

TEST_F(MLocaleTest, VistaOrLater) {
    EXPECT_TRUE(IsVistaOrLater());
    platform.locale.SetVersion({true, 5, 1, 0});
    EXPECT_FALSE(IsVistaOrLater());
    platform.locale.SetVersion({true, 6, 0, 0});
    EXPECT_TRUE(IsVistaOrLater());
    EXPECT_TRUE(Errors().empty());
    platform.locale.SetVersion({false, 0, 0, 87});
    EXPECT_FALSE(IsVistaOrLater());
    EXPECT_EQ(Errors(), std::vector<std::wstring>{L"mLocale.IsVistaOrLater|87|GetVersionEx failed, LastError=87"});
}

}  // namespace
}  // namespace brisko
