// The behaviours the dialogs rely on, as one table for the twins (this program natively and
// under Wine) and the real Kelvane.dll controls (kelvane_contract_tests, under Wine): every row
// holds for both, so the twins cannot drift from the controls.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/text.h"
#include "tests/kelvane_twins/driver.h"
#include "tests/kelvane_twins/printing.h"

namespace brisko {
namespace kelvane::test {

namespace {

Date D(int y, int m, int d, int h = 0, int mi = 0, int s = 0) { return MakeDate({y, m, d, h, mi, s}); }
Date DayOf(Date date) {  // the day of a date and time
    const DateParts p = SplitDate(date);
    return D(p.year, p.month, p.day);
}

constexpr Date kUnconvertible{1e10};  // far beyond the year 9999

// The run-time error number of a call, 0 when it succeeds.
template <class F>
std::int32_t ErrorOf(F&& call) {
    try {
        call();
        return 0;
    } catch (const RuntimeError& e) {
        return e.number();
    }
}

class ContractTest : public ::testing::Test {
protected:
    void SetUp() override { driver_ = MakeDriver(); }
    void TearDown() override { driver_.reset(); }

    ObjectPtr Make(ControlKind kind) {
        ObjectPtr control = driver_->Create(kind);
        EXPECT_TRUE(control);
        return control;
    }
    ObjectPtr Active(ControlKind kind, int width = 250, int height = 200) {
        ObjectPtr control = Make(kind);
        driver_->Attach(control, width, height);
        return control;
    }
    static Date DateValue(const ObjectPtr& control) {
        const Value v = control->Get(L"Value");
        EXPECT_EQ(VarType::Date, v.type()) << ::testing::PrintToString(v);
        return v.AsDate();
    }

    std::unique_ptr<Driver> driver_;
};


// --- without a window ----------------------------------------------------------------------

TEST_F(ContractTest, NewControlsHoldTheirInitialValuesAndTypeNames) {
    const ObjectPtr calendar = Make(ControlKind::MonthCal);
    const ObjectPtr picker = Make(ControlKind::DateTimePick);
    const ObjectPtr bar = Make(ControlKind::PriorityBar);
    const ObjectPtr edit = Make(ControlKind::EditBox);
    EXPECT_EQ(Value(Date{0}), calendar->Get(L"Value"));
    EXPECT_EQ(Value(Date{0}), picker->Get(L"Value"));
    EXPECT_EQ(Value(false), picker->Get(L"UpDown"));
    EXPECT_EQ(Value(1), bar->Get(L"Value"));
    EXPECT_EQ(Value(L""), edit->Get(L"Text"));
    for (const ObjectPtr& c : {calendar, picker, bar, edit}) EXPECT_EQ(Value(true), c->Get(L"Enabled"));
    for (const ObjectPtr& c : {calendar, picker}) EXPECT_EQ(Value(true), c->Get(L"TabStop"));
    for (const ObjectPtr& c : {calendar, picker, bar}) EXPECT_EQ(Value(0), c->Get(L"HWND"));
    EXPECT_EQ(L"SysMonthCal32", calendar->TypeName());
    EXPECT_EQ(L"SysDateTimePick32", picker->TypeName());
    EXPECT_EQ(L"PriorityBar", bar->TypeName());
    EXPECT_EQ(L"EditBox", edit->TypeName());
}

TEST_F(ContractTest, WithoutAWindowGetMinSizeAndSetCustomFormatFailAndValuesAreOnlyStored) {
    const ObjectPtr calendar = Make(ControlKind::MonthCal);
    Args size{Value(-5), Value(-5)};
    EXPECT_EQ(kConversionFailed, ErrorOf([&] { calendar->Invoke(L"GetMinSize", CallKind::Method, size); }));
    EXPECT_EQ(Value(-5), size[0]);  // the outputs stay unset
    EXPECT_EQ(Value(-5), size[1]);

    const ObjectPtr picker = Make(ControlKind::DateTimePick);
    EXPECT_EQ(kConversionFailed, ErrorOf([&] { picker->Call(L"SetCustomFormat", {Value(L"yyyy")}); }));
    EXPECT_EQ(0, ErrorOf([&] { picker->Call(L"SetAltFont", {Value(true)}); }));

    // Anything is stored: an unconvertible date, a priority outside 0..2.
    for (const ObjectPtr& c : {calendar, picker}) {
        EXPECT_EQ(0, ErrorOf([&] { c->Put(L"Value", kUnconvertible); }));
        EXPECT_EQ(Value(kUnconvertible), c->Get(L"Value"));
        c->Put(L"Value", D(2024, 3, 15, 14, 30, 15));
        EXPECT_EQ(Value(D(2024, 3, 15, 14, 30, 15)), c->Get(L"Value"));
    }
    const ObjectPtr bar = Make(ControlKind::PriorityBar);
    EXPECT_EQ(0, ErrorOf([&] { bar->Put(L"Value", 7); }));
    EXPECT_EQ(Value(7), bar->Get(L"Value"));
    EXPECT_EQ(0, ErrorOf([&] { bar->Call(L"SetCaptions", {Value(L"H"), Value(L"N"), Value(L"L")}); }));
}

TEST_F(ContractTest, MembersAreReachedAsTheDualInterfacesDeclareThem) {
    const ObjectPtr calendar = Make(ControlKind::MonthCal);
    const ObjectPtr picker = Make(ControlKind::DateTimePick);
    const ObjectPtr bar = Make(ControlKind::PriorityBar);
    const ObjectPtr edit = Make(ControlKind::EditBox);
    struct Row {
        const char* what;
        std::int32_t number;
        std::function<void()> call;
    };
    const std::vector<Row> rows = {
        {"unknown member", err::NotSupported, [&] { calendar->Get(L"Caption"); }},
        {"the picker has no GetMinSize", err::NotSupported, [&] { picker->Call(L"GetMinSize", {Value(0), Value(0)}); }},
        {"HWND is read only", err::NotSupported, [&] { bar->Put(L"HWND", 5); }},
        {"the edit box has no HWND", err::NotSupported, [&] { edit->Get(L"HWND"); }},
        {"the edit box has no Value", err::NotSupported, [&] { edit->Get(L"Value"); }},
        {"SetCaptions takes three", err::WrongArguments, [&] { bar->Call(L"SetCaptions", {Value(L"a")}); }},
        {"a date that is text", err::TypeMismatch, [&] { calendar->Put(L"Value", L"tomorrow"); }},
        {"a priority that is text", err::TypeMismatch, [&] { bar->Put(L"Value", L"high"); }},
        {"a priority beyond a Long", err::Overflow, [&] { bar->Put(L"Value", 1e12); }},
        {"a property is no method", err::NotSupported, [&] { calendar->Call(L"Value"); }},
        {"a property get with arguments is no collection (DISP_E_NOTACOLLECTION)", -2147352559,
         [&] { bar->Get(L"Value", {Value(1)}); }},
        {"a flag that is text", err::TypeMismatch, [&] { picker->Put(L"UpDown", L"yes"); }},
        {"a method reached as a get", 0, [&] { picker->Get(L"SetAltFont", {Value(false)}); }},
        {"names without regard to case", 0, [&] { bar->Put(L"vALUE", 2); }},
        {"a number as a date", 0, [&] { picker->Put(L"Value", 45000.5); }},
    };
    for (const Row& row : rows) EXPECT_EQ(row.number, ErrorOf(row.call)) << row.what;
    EXPECT_EQ(Value(2), bar->Get(L"Value"));
    EXPECT_EQ(Value(Date{45000.5}), picker->Get(L"Value"));
}

// --- the date controls in a window ----------------------------------------------------------------

struct DateRow {
    const char* what;
    Date put;
    // Per control: the error number of the put, and what Value reads after it (nothing: the
    // value held before).
    std::int32_t calendarNumber;
    std::optional<Date> calendar;
    std::int32_t pickerNumber;
    std::optional<Date> picker;
};

// Built on first use: the calendar conversions are not ready during static initialisation.
std::vector<DateRow> DateRows() {
    const Date t = D(2024, 3, 15, 14, 30, 15);
    return {
        {"a date and time", t, 0, t, 0, t},
        {"milliseconds are dropped", Date{t.serial + 0.2 / 86400}, 0, t, 0, t},
        {"unconvertible", kUnconvertible, kConversionFailed, std::nullopt, kConversionFailed, std::nullopt},
        // The picker's range ends at midnight of its last day; a valid date outside its range is
        // accepted and ignored. The calendar refuses a day outside its range.
        {"the last second", D(9999, 12, 31, 23, 59, 59), 0, D(9999, 12, 31, 23, 59, 59), 0, std::nullopt},
        {"the last day", D(9999, 12, 31), 0, D(9999, 12, 31), 0, D(9999, 12, 31)},
        {"the first day of the range", D(1752, 9, 14, 8, 0), 0, D(1752, 9, 14, 8, 0), 0, D(1752, 9, 14, 8, 0)},
        {"the day before the range", D(1752, 9, 13, 23, 0), kWindowRejected, std::nullopt, 0, std::nullopt},
        {"the year 100", D(100, 1, 1), kWindowRejected, std::nullopt, 0, std::nullopt},
        {"before 1900 with a time", D(1899, 12, 29, 6, 0), 0, D(1899, 12, 29, 6, 0), 0, D(1899, 12, 29, 6, 0)},
        {"zero is 30 December 1899 once a window exists", Date{0}, 0, Date{0}, 0, Date{0}},
    };
}

TEST_F(ContractTest, DateValuesThroughAWindowFailAndRoundAsTheWindowsDo) {
    for (const ControlKind kind : {ControlKind::MonthCal, ControlKind::DateTimePick}) {
        const bool isCalendar = kind == ControlKind::MonthCal;
        for (const DateRow& row : DateRows()) {
            SCOPED_TRACE(std::string(isCalendar ? "calendar: " : "picker: ") + row.what);
            const ObjectPtr c = Active(kind);
            const Date before = D(2020, 6, 1, 10, 0);
            c->Put(L"Value", before);
            EXPECT_EQ(isCalendar ? row.calendarNumber : row.pickerNumber, ErrorOf([&] { c->Put(L"Value", row.put); }));
            const Date want = (isCalendar ? row.calendar : row.picker).value_or(before);
            EXPECT_EQ(Value(want), c->Get(L"Value"));
            // After the window the last value read stays.
            driver_->Detach(c);
            EXPECT_EQ(Value(want), c->Get(L"Value"));
        }
    }
}

TEST_F(ContractTest, AStoredValueIsAppliedAtCreationExceptZero) {
    for (const ControlKind kind : {ControlKind::MonthCal, ControlKind::DateTimePick}) {
        const bool isCalendar = kind == ControlKind::MonthCal;
        SCOPED_TRACE(isCalendar ? "calendar" : "picker");
        const ObjectPtr set = Make(kind);
        set->Put(L"Value", D(2023, 12, 24, 18, 5, 9));
        driver_->Attach(set, 250, 200);
        EXPECT_EQ(Value(D(2023, 12, 24, 18, 5, 9)), set->Get(L"Value"));

        // Zero, and a value the window cannot take, leave today.
        for (const Date stored : {Date{0}, kUnconvertible}) {
            const ObjectPtr c = Make(kind);
            c->Put(L"Value", stored);
            const Date today = DayOf(driver_->Now());
            driver_->Attach(c, 250, 200);
            EXPECT_EQ(today, DayOf(DateValue(c)));  // with the time of creation
        }
    }
}

TEST_F(ContractTest, GetMinSizeAnswersTheCalendarsMetricWhateverItsWindow) {
    for (const auto& [width, height] : {std::pair{250, 200}, std::pair{60, 40}, std::pair{500, 450}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const ObjectPtr calendar = Active(ControlKind::MonthCal, width, height);
        Args size{Value(0), Value(0)};
        calendar->Invoke(L"GetMinSize", CallKind::Method, size);
        EXPECT_EQ(Value(kMonthCalMinWidth), size[0]);
        EXPECT_EQ(Value(kMonthCalMinHeight), size[1]);
        driver_->Detach(calendar);
        Args after{Value(-5), Value(-5)};
        EXPECT_EQ(kConversionFailed, ErrorOf([&] { calendar->Invoke(L"GetMinSize", CallKind::Method, after); }));
        EXPECT_EQ(Value(-5), after[0]);
    }
}

TEST_F(ContractTest, PickerFormatAndFontNeedOnlyWhatTheRealPickerNeeds) {
    const ObjectPtr picker = Active(ControlKind::DateTimePick);
    EXPECT_EQ(0, ErrorOf([&] { picker->Call(L"SetCustomFormat", {Value(L"ddd M/d/yyyy")}); }));
    EXPECT_EQ(0, ErrorOf([&] { picker->Call(L"SetCustomFormat", {Value(L"")}); }));
    EXPECT_EQ(0, ErrorOf([&] { picker->Call(L"SetAltFont", {Value(true)}); }));
    EXPECT_EQ(0, ErrorOf([&] { picker->Call(L"SetAltFont", {Value(false)}); }));
    picker->Put(L"UpDown", true);
    EXPECT_EQ(Value(true), picker->Get(L"UpDown"));
    EXPECT_NE(Value(0), picker->Get(L"HWND"));
}

// --- events ------------------------------------------------------------------------------------

TEST_F(ContractTest, UserChangesRaiseOnChangeAndValuesSetByTheProgramDoNot) {
    // The calendar.
    const ObjectPtr calendar = Active(ControlKind::MonthCal);
    int changes = 0;
    std::vector<std::wstring> names;
    EventConnection connection = calendar->ConnectEvents([&](std::wstring_view name, Args& args) {
        names.emplace_back(name);
        EXPECT_TRUE(args.empty());
        ++changes;
    });
    calendar->Put(L"Value", D(2024, 3, 15));
    calendar->Put(L"Value", D(2024, 3, 16, 10, 30));
    EXPECT_EQ(0, changes);
    ASSERT_TRUE(driver_->ClickDay(calendar, 20));
    EXPECT_GE(changes, 1);
    for (const auto& name : names) EXPECT_EQ(L"OnChange", name);
    // A click selects the day alone: the time of the value set before is gone.
    EXPECT_EQ(Value(D(2024, 3, 20)), calendar->Get(L"Value"));
    EXPECT_EQ(Value(D(2024, 3, 20)), calendar->Get(L"Value"));
    const int afterFirst = changes;
    connection.Disconnect();
    ASSERT_TRUE(driver_->ClickDay(calendar, 7));
    EXPECT_EQ(afterFirst, changes);
    // The control keeps the last value read: a pick not read before the window goes is lost.
    driver_->Detach(calendar);
    EXPECT_EQ(Value(D(2024, 3, 20)), calendar->Get(L"Value"));

    // The picker.
    const ObjectPtr picker = Active(ControlKind::DateTimePick, 200, 24);
    int pickerChanges = 0;
    EventConnection pickerConnection =
        picker->ConnectEvents([&](std::wstring_view name, Args&) { pickerChanges += name == L"OnChange" ? 1 : 100; });
    picker->Put(L"Value", D(2024, 3, 15, 9, 0));
    EXPECT_EQ(0, pickerChanges);
    ASSERT_TRUE(driver_->StepPicker(picker));
    EXPECT_GE(pickerChanges, 1);
    EXPECT_LT(pickerChanges, 100);
    EXPECT_EQ(Value(D(2024, 4, 15, 9, 0)), picker->Get(L"Value"));
}

TEST_F(ContractTest, ThePriorityBarAndTheEditBoxHaveNoEvents) {
    for (const ControlKind kind : {ControlKind::PriorityBar, ControlKind::EditBox}) {
        const ObjectPtr c = Active(kind);
        EXPECT_EQ(err::NoEvents, ErrorOf([&] { c->ConnectEvents([](std::wstring_view, Args&) {}); }));
    }
}

// --- the priority bar --------------------------------------------------------------------------

TEST_F(ContractTest, PriorityValuesThroughTheToolbar) {
    struct Row {
        int put;
        std::int32_t number;
        int read;  // Value after it (the pressed button)
    };
    // The pressed button set again (the new bar's Normal first) is no failure.
    const Row rows[] = {{1, 0, 1}, {0, 0, 0}, {0, 0, 0}, {2, 0, 2}, {1, 0, 1}, {3, kInvalidArg, 1}, {-1, kInvalidArg, 1}};
    const ObjectPtr bar = Active(ControlKind::PriorityBar, 200, 90);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.put);
        EXPECT_EQ(row.number, ErrorOf([&] { bar->Put(L"Value", row.put); }));
        EXPECT_EQ(Value(row.read), bar->Get(L"Value"));
    }
    // A user click is what Value reads, also after the window went.
    ASSERT_TRUE(driver_->ClickPriority(bar, 0));
    EXPECT_EQ(Value(0), bar->Get(L"Value"));
    EXPECT_EQ(Value(0), bar->Get(L"Value"));
    ASSERT_TRUE(driver_->ClickPriority(bar, 2));
    EXPECT_EQ(Value(2), bar->Get(L"Value"));
    driver_->Detach(bar);
    EXPECT_EQ(Value(2), bar->Get(L"Value"));
    EXPECT_EQ(0, ErrorOf([&] { bar->Call(L"SetCaptions", {Value(L"Hoch"), Value(L"Normal"), Value(L"Niedrig")}); }));
}

TEST_F(ContractTest, AStoredPriorityPressesItsButtonAtCreationAndOneOutsideNone) {
    const std::pair<int, int> rows[] = {{2, 2}, {0, 0}, {1, 1}, {5, 1}, {-3, 1}};
    for (const auto& [stored, read] : rows) {
        SCOPED_TRACE(stored);
        const ObjectPtr bar = Make(ControlKind::PriorityBar);
        bar->Put(L"Value", stored);
        driver_->Attach(bar, 200, 90);
        EXPECT_EQ(Value(read), bar->Get(L"Value"));
    }
}

// --- the edit box ------------------------------------------------------------------------------

TEST_F(ContractTest, TheEditBoxKeepsItsTextApartFromTheWindow) {
    const ObjectPtr edit = Active(ControlKind::EditBox, 200, 24);
    edit->Put(L"Text", L"abc");
    EXPECT_EQ(Value(L"abc"), edit->Get(L"Text"));
    EXPECT_EQ(err::TypeMismatch, ErrorOf([&] { edit->Put(L"Text", Null); }));
    EXPECT_EQ(Value(L"abc"), edit->Get(L"Text"));
    edit->Put(L"Text", L"");
    EXPECT_EQ(Value(L""), edit->Get(L"Text"));
    edit->Put(L"Enabled", false);
    EXPECT_EQ(Value(false), edit->Get(L"Enabled"));
    driver_->Detach(edit);
    edit->Put(L"Text", L"x y");
    EXPECT_EQ(Value(L"x y"), edit->Get(L"Text"));
}

}  // namespace
}  // namespace kelvane::test
}  // namespace brisko
