// The twins' own side: creation through the class table, the window a host gives them, simulated
// user input and the events it raises.
#include <gtest/gtest.h>

#include "automation/error.h"
#include "automation/text.h"
#include "controls/sim/kelvane_twins.h"
#include "controls/sim/sim_registration.h"
#include "platform/sim/sim_ui.h"
#include "tests/kelvane_twins/printing.h"

namespace brisko::kelvane::test {

namespace {

Date D(int y, int m, int d, int h = 0, int mi = 0, int s = 0) { return MakeDate({y, m, d, h, mi, s}); }

class TwinsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetClock([] { return D(2026, 12, 8, 9, 41, 7); });
    }
    void TearDown() override { SetClock(nullptr); }
};

TEST_F(TwinsTest, TheClassTableCreatesEachTwinByClassIdAndBothProgIds) {
    sim::SimObjectFactory factory;
    RegisterClasses(factory);
    const struct {
        std::wstring_view classId, progId;
        ControlKind kind;
    } rows[] = {
        {kMonthCalClassId, kMonthCalProgId, ControlKind::MonthCal},
        {kDateTimePickClassId, kDateTimePickProgId, ControlKind::DateTimePick},
        {kPriorityBarClassId, kPriorityBarProgId, ControlKind::PriorityBar},
        {kEditBoxClassId, kEditBoxProgId, ControlKind::EditBox},
    };
    for (const auto& row : rows) {
        const std::wstring lower = LowerCase(row.classId);
        for (const std::wstring& name : {std::wstring(row.classId), lower, std::wstring(row.progId),
                                        std::wstring(row.progId) + L".1"}) {
            const ObjectPtr object = factory.CreateObject(name);
            ASSERT_NE(nullptr, TwinOf(object)) << ToUtf8(name);
            EXPECT_EQ(row.kind, TwinOf(object)->Kind());
            EXPECT_FALSE(TwinOf(object)->HasWindow());
        }
    }
    // Each creation is a new object.
    EXPECT_NE(factory.CreateObject(kEditBoxProgId), factory.CreateObject(kEditBoxProgId));
    try {
        factory.CreateObject(L"Kelvane.Calendar");
        FAIL() << "no such class";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(err::CantCreateObject, e.number());
    }
    EXPECT_EQ(nullptr, MakeByName(L"Kelvane.SysMonthCal32.2"));
    EXPECT_EQ(nullptr, TwinOf(std::make_shared<Object>()));
    EXPECT_EQ(nullptr, TwinAs<PriorityBarTwin>(MakeMonthCal()));
}

TEST_F(TwinsTest, TheWindowHasASizeAHandleAndGoesWithoutLosingTheState) {
    const ObjectPtr bar = MakePriorityBar();
    ControlTwin& twin = *TwinOf(bar);
    EXPECT_EQ(0, twin.Width());
    twin.Resize(50, 50);  // nothing without a window
    EXPECT_FALSE(twin.HasWindow());
    twin.AttachWindow(120, 90);
    EXPECT_EQ(120, twin.Width());
    EXPECT_EQ(90, twin.Height());
    const Value hwnd = bar->Get(L"HWND");
    EXPECT_NE(Value(0), hwnd);
    twin.AttachWindow(30, 20);  // again: a resize of the same window
    EXPECT_EQ(30, twin.Width());
    EXPECT_EQ(hwnd, bar->Get(L"HWND"));
    twin.Resize(200, 60);
    EXPECT_EQ(60, twin.Height());
    twin.DetachWindow();
    twin.DetachWindow();
    EXPECT_EQ(Value(0), bar->Get(L"HWND"));
    twin.AttachWindow(10, 10);
    EXPECT_NE(hwnd, bar->Get(L"HWND"));  // a new window, a new handle
    EXPECT_NE(MakeMonthCal()->Get(L"HWND"), Value(1));
}

TEST_F(TwinsTest, EachUserPickRaisesExactlyOneOnChange) {
    const ObjectPtr calendar = MakeMonthCal();
    auto* cal = TwinAs<MonthCalTwin>(calendar);
    int changes = 0;
    EventConnection c = calendar->ConnectEvents([&](std::wstring_view name, Args&) {
        EXPECT_EQ(L"OnChange", name);
        ++changes;
    });
    EXPECT_FALSE(cal->PickDate(D(2024, 3, 20)));  // no window, no user
    cal->AttachWindow(250, 200);
    EXPECT_EQ(D(2026, 12, 8, 9, 41, 7), cal->Selected());  // now
    EXPECT_TRUE(cal->PickDate(D(2024, 3, 20, 17, 45)));
    EXPECT_EQ(1, changes);
    EXPECT_EQ(D(2024, 3, 20), cal->Selected());
    EXPECT_TRUE(cal->PickDate(D(2024, 3, 20)));  // the same day again is a click all the same
    EXPECT_EQ(2, changes);
    EXPECT_FALSE(cal->PickDate(D(1700, 1, 1)));  // the calendar shows no such day
    EXPECT_FALSE(cal->PickDate(Date{1e10}));
    EXPECT_EQ(2, changes);

    const ObjectPtr picker = MakeDateTimePick();
    auto* pick = TwinAs<DateTimePickTwin>(picker);
    int pickerChanges = 0;
    EventConnection p = picker->ConnectEvents([&](std::wstring_view, Args&) { ++pickerChanges; });
    EXPECT_FALSE(pick->EnterDateTime(D(2024, 3, 20)));
    pick->AttachWindow(200, 24);
    EXPECT_EQ(D(2026, 12, 8, 9, 41, 7), pick->Held());  // now, to the second
    EXPECT_TRUE(pick->EnterDateTime(Date{D(2024, 3, 20, 8, 15, 30).serial + 0.3 / 86400}));
    EXPECT_EQ(1, pickerChanges);
    EXPECT_EQ(Value(D(2024, 3, 20, 8, 15, 30)), picker->Get(L"Value"));
}

TEST_F(TwinsTest, ASinkMayLeaveOrDestroyTheControlDuringOnChange) {
    ObjectPtr calendar = MakeMonthCal();
    auto* cal = TwinAs<MonthCalTwin>(calendar);
    cal->AttachWindow(250, 200);
    int first = 0, second = 0;
    EventConnection one;
    one = calendar->ConnectEvents([&](std::wstring_view, Args&) {
        ++first;
        one.Disconnect();
    });
    EventConnection two = calendar->ConnectEvents([&](std::wstring_view, Args&) { ++second; });
    ASSERT_TRUE(cal->PickDate(D(2024, 5, 1)));
    ASSERT_TRUE(cal->PickDate(D(2024, 5, 2)));
    EXPECT_EQ(1, first);
    EXPECT_EQ(2, second);
    EXPECT_THROW(calendar->ConnectEvents(nullptr), RuntimeError);

    // The handler drops the last reference to the control it is called from.
    ObjectPtr picker = MakeDateTimePick();
    auto* pick = TwinAs<DateTimePickTwin>(picker);
    pick->AttachWindow(200, 24);
    const std::weak_ptr<Object> watch = picker;
    EventConnection gone = picker->ConnectEvents([&](std::wstring_view, Args&) { picker.reset(); });
    EXPECT_TRUE(pick->EnterDateTime(D(2024, 5, 3)));
    EXPECT_TRUE(watch.expired());
}

TEST_F(TwinsTest, ThePickersStyleFormatAndFontFollowTheRealWindow) {
    const ObjectPtr picker = MakeDateTimePick();
    auto* twin = TwinAs<DateTimePickTwin>(picker);
    picker->Put(L"UpDown", true);
    picker->Call(L"SetAltFont", {Value(true)});  // stored only
    twin->AttachWindow(200, 24);
    EXPECT_TRUE(twin->UpDownStyle());
    EXPECT_FALSE(twin->AltFontShown());
    picker->Call(L"SetCustomFormat", {Value(L"ddd M/d/yyyy")});
    picker->Call(L"SetAltFont", {Value(true)});
    EXPECT_EQ(L"ddd M/d/yyyy", twin->CustomFormat());
    EXPECT_TRUE(twin->AltFontShown());
    // UpDown later does not restyle the window; a new window takes it, without the format.
    picker->Put(L"UpDown", false);
    EXPECT_TRUE(twin->UpDownStyle());
    twin->DetachWindow();
    twin->AttachWindow(200, 24);
    EXPECT_FALSE(twin->UpDownStyle());
    EXPECT_EQ(L"", twin->CustomFormat());
    EXPECT_FALSE(twin->AltFontShown());
}

TEST_F(TwinsTest, ThePriorityBarsButtonsShowItsCaptionsAndTheUsersClick) {
    const ObjectPtr bar = MakePriorityBar();
    auto* twin = TwinAs<PriorityBarTwin>(bar);
    EXPECT_EQ(L"High Priority", twin->ButtonText(2));
    EXPECT_EQ(L"Normal Priority", twin->ButtonText(1));
    EXPECT_EQ(L"Low Priority", twin->ButtonText(0));
    EXPECT_EQ(L"", twin->ButtonText(3));
    EXPECT_FALSE(twin->ClickButton(0));
    bar->Call(L"SetCaptions", {Value(L"Hoch"), Value(L""), Value(L"Niedrig")});
    bar->Put(L"Value", 2);
    twin->AttachWindow(200, 90);
    EXPECT_EQ(2, twin->Pressed());
    EXPECT_EQ(L"Hoch", twin->ButtonText(2));
    EXPECT_EQ(L"", twin->ButtonText(1));
    EXPECT_EQ(L"Niedrig", twin->ButtonText(0));
    EXPECT_FALSE(twin->ClickButton(3));
    EXPECT_TRUE(twin->ClickButton(0));
    EXPECT_TRUE(twin->ClickButton(0));  // the pressed button stays pressed
    EXPECT_EQ(0, twin->Pressed());
    EXPECT_EQ(Value(0), bar->Get(L"Value"));
}

TEST_F(TwinsTest, TypingChangesTheEditWindowNotTheStoredText) {
    const ObjectPtr edit = MakeEditBox();
    auto* twin = TwinAs<EditBoxTwin>(edit);
    EXPECT_FALSE(twin->TypeText(L"early"));
    edit->Put(L"Text", L"abc");
    twin->AttachWindow(200, 24);
    EXPECT_EQ(L"", twin->WindowText());  // created without text
    EXPECT_TRUE(twin->TypeText(L"typed"));
    EXPECT_EQ(L"typed", twin->WindowText());
    EXPECT_EQ(Value(L"abc"), edit->Get(L"Text"));
    twin->DetachWindow();
    EXPECT_EQ(L"", twin->WindowText());
}

}  // namespace
}  // namespace brisko::kelvane::test
