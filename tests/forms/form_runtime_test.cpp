// The live form runtime on the in-memory window: controls reached late bound, their events by
// name, the simulated user's input and keys, load and unload, a language file on a loaded form.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "addin/forms/forms.h"
#include "addin/lang/CLang.h"
#include "automation/error.h"
#include "automation/text.h"
#include "controls/sim/kelvane_twins.h"
#include "controls/sim/sim_registration.h"
#include "tests/addin/addin_fixture.h"

namespace brisko::testing {
namespace {

using forms::CControl;
using forms::CForm;
using sim::SimFormWindow;
using Strings = std::vector<std::wstring>;

std::int32_t ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

std::wstring Describe(std::wstring_view event, const Args& args) {
    std::wstring out(event);
    if (!args.empty()) {
        out += L"(";
        for (std::size_t i = 0; i < args.size(); ++i) out += (i ? L"," : L"") + args[i].AsString();
        out += L")";
    }
    return out;
}

// A form whose code is set by the test; its controls' events are recorded as "control.event".
class TestForm : public CForm {
public:
    TestForm() : CForm(L"frmTest") {
        SetProperty(L"Caption", Value(L"Test"));
        SetProperty(L"Width", Value(6000));
        SetProperty(L"Height", Value(4000));
        auto place = [](const std::shared_ptr<CControl>& c, int left, int top, int width, int height, int tab) {
            c->SetProperty(L"Left", Value(left));
            c->SetProperty(L"Top", Value(top));
            c->SetProperty(L"Width", Value(width));
            c->SetProperty(L"Height", Value(height));
            if (c->Has(L"TabIndex")) c->SetProperty(L"TabIndex", Value(tab));
        };
        place(Add(L"Label", L"lblName", L"&Name:"), 100, 100, 900, 200, 0);
        place(Add(L"TextBox", L"txtName"), 1100, 100, 3000, 300, 1);
        place(Add(L"CheckBox", L"chkFlag", L"&Flag"), 100, 500, 2000, 255, 2);
        place(Add(L"ComboBox", L"cboTime"), 100, 900, 1200, 300, 3);
        place(Add(L"SysDateTimePick32", L"dtpDate"), 1500, 900, 1800, 300, 4);
        place(Add(L"PriorityBar", L"barPriority"), 3500, 900, 1500, 1350, 5);
        place(Add(L"LinkLabel", L"lnkFolder"), 100, 1400, 2500, 225, 6);
        auto hidden = Add(L"TextBox", L"txtHidden");
        place(hidden, 100, 1800, 1000, 300, 7);
        hidden->SetProperty(L"Visible", Value(false));
        auto ok = Add(L"CommandButton", L"btnOK", L"&OK");
        place(ok, 2500, 3000, 1125, 345, 8);
        ok->SetProperty(L"Default", Value(true));
        auto cancel = Add(L"CommandButton", L"btnCancel", L"Cancel");
        place(cancel, 3700, 3000, 1125, 345, 9);
        cancel->SetProperty(L"Cancel", Value(true));
        auto line = Add(L"Line", L"Line1", L"", 0);
        line->SetProperty(L"X1", Value(100));
        line->SetProperty(L"X2", Value(5000));
        line->SetProperty(L"Y1", Value(2800));
        line->SetProperty(L"Y2", Value(2800));
    }

    std::function<void()> onLoad;
    std::function<void(int&, int)> onQueryUnload;
    std::function<void(int&)> onUnload;
    int activations = 0;

protected:
    void Form_Load() override {
        if (onLoad) onLoad();
    }
    void Form_Activate() override { ++activations; }
    void Form_QueryUnload(int& cancel, int mode) override {
        if (onQueryUnload) onQueryUnload(cancel, mode);
    }
    void Form_Unload(int& cancel) override {
        if (onUnload) onUnload(cancel);
    }
};

class FormRuntimeTest : public AddinTest {
protected:
    void SetUp() override {
        AddinTest::SetUp();
        kelvane::RegisterClasses(platform.objects);
        form = std::make_shared<TestForm>();
    }
    void TearDown() override {
        connections.clear();
        Forms().UnloadAll();
        form.reset();
        AddinTest::TearDown();
    }

    std::shared_ptr<CControl> C(const wchar_t* name) { return form->Control(name); }
    // Records every event of the named controls; handler runs after recording.
    void Listen(std::initializer_list<const wchar_t*> names) {
        for (const wchar_t* n : names) {
            const std::wstring name = n;
            connections.push_back(C(n)->ConnectEvents([this, name](std::wstring_view event, Args& args) {
                events.push_back(name + L"." + Describe(event, args));
                if (handler) handler(name, event, args);
            }));
        }
    }
    SimFormWindow& Window() {
        auto* w = platform.formWindows.Find(L"frmTest");
        EXPECT_NE(w, nullptr);
        return *w;
    }
    const SimFormWindow::Control& Shown(const wchar_t* name) { return *Window().Find(name); }
    // The recorded events of one name.
    Strings Only(std::wstring_view event) const {
        Strings out;
        for (const auto& e : events) {
            const auto point = e.find(L'.');
            if (e.compare(point + 1, std::wstring::npos, event) == 0) out.push_back(e);
        }
        return out;
    }
    std::wstring Focused() {
        const int id = Window().FocusedControl();
        return id < 0 ? L"" : Window().controls()[static_cast<std::size_t>(id)].Label();
    }

    std::shared_ptr<TestForm> form;
    std::vector<EventConnection> connections;
    Strings events;
    std::function<void(const std::wstring&, std::wstring_view, Args&)> handler;
};

TEST_F(FormRuntimeTest, LoadMakesTheWindowAndEveryControlBeforeTheFormsCodeRuns) {
    bool ran = false;
    form->onLoad = [&] {
        ran = true;
        // The window exists, hidden, with every control; the library's controls have their window.
        ASSERT_NE(platform.formWindows.Find(L"frmTest"), nullptr);
        EXPECT_FALSE(Window().Visible());
        EXPECT_EQ(Window().controls().size(), 11u);
        C(L"dtpDate")->Call(L"SetCustomFormat", {Value(L"ddd dd.MM.yyyy")});
        EXPECT_EQ(kelvane::TwinAs<kelvane::DateTimePickTwin>(C(L"dtpDate")->Inner())->CustomFormat(), L"ddd dd.MM.yyyy");
        C(L"lnkFolder")->Put(L"Caption", Value(L"\\Inbox"));
        // The form is already one of the process's loaded forms.
        ASSERT_EQ(Forms().Count(), 1u);
        EXPECT_EQ(Forms().Item(0)->FormName(), L"frmTest");
        EXPECT_EQ(Forms().Item(0)->FormObject(), form);
    };
    form->Load();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(form->Loaded());
    EXPECT_EQ(Shown(L"lnkFolder").link->caption, L"\\Inbox");
    EXPECT_EQ(Value(form->Get(L"hWnd")).AsInt(), static_cast<std::int32_t>(Window().Handle()));
    // Centred on the 1024 x 768 screen.
    EXPECT_EQ(Window().rect(), (TwipsRect{(1024 * 15 - 6000) / 2, (768 * 15 - 4000) / 2, 6000, 4000}));
    EXPECT_EQ(Shown(L"txtName").setup.rect, (TwipsRect{1100, 100, 3000, 300}));
    EXPECT_EQ(Shown(L"Line1(0)").setup.lineTo, (TwipsPoint{5000, 2800}));

    // Loading again does nothing; Show shows and activates, the first control in tab order gets the focus.
    form->Load();
    EXPECT_EQ(platform.formWindows.created, 1);
    Listen({L"txtName"});
    form->Show();
    EXPECT_TRUE(Window().Visible());
    EXPECT_TRUE(Window().active());
    EXPECT_EQ(form->activations, 1);
    EXPECT_EQ(Focused(), L"txtName");
    EXPECT_EQ(events, (Strings{L"txtName.GotFocus"}));
    EXPECT_TRUE(form->Get(L"Visible").AsBool());
}

TEST_F(FormRuntimeTest, AFailingLoadLeavesNothingBehind) {
    platform.objects.Unregister(L"Kelvane.PriorityBar");
    EXPECT_EQ(ErrorOf([&] { form->Load(); }), err::CantCreateObject);
    EXPECT_FALSE(form->Loaded());
    EXPECT_EQ(Forms().Count(), 0u);
    EXPECT_TRUE(platform.formWindows.live().empty());
    EXPECT_TRUE(platform.linkLabels.live().empty());
    // Without form windows a form can't load.
    auto p = CurrentPlatform();
    p.formWindows = nullptr;
    SetPlatform(p);
    EXPECT_EQ(ErrorOf([&] { form->Load(); }), err::CantCreateObject);
}

TEST_F(FormRuntimeTest, PropertyChangesReachTheWindow) {
    form->Show();
    auto txt = C(L"txtName");
    auto ok = C(L"btnOK");
    auto cancel = C(L"btnCancel");
    txt->Put(L"Text", Value(L"abc"));
    txt->Put(L"Left", Value(L"1200"));
    txt->Put(L"Enabled", Value(false));
    txt->Put(L"ToolTipText", Value(L"tip"));
    txt->Put(L"FontBold", Value(true));
    EXPECT_EQ(Shown(L"txtName").setup.text, L"abc");
    EXPECT_EQ(Shown(L"txtName").setup.rect.left, 1200);
    EXPECT_FALSE(Shown(L"txtName").setup.enabled);
    EXPECT_EQ(Shown(L"txtName").setup.toolTipText, L"tip");
    EXPECT_TRUE(Shown(L"txtName").setup.fontBold);
    C(L"chkFlag")->Put(L"Caption", Value(L"&Other"));
    C(L"chkFlag")->Put(L"Value", Value(1));
    EXPECT_EQ(Shown(L"chkFlag").setup.caption, L"&Other");
    EXPECT_EQ(Shown(L"chkFlag").setup.value, 1);
    form->Control(L"Line1", 0)->Put(L"X2", Value(4000));
    EXPECT_EQ(Shown(L"Line1(0)").setup.lineTo.x, 4000);
    C(L"txtHidden")->Put(L"Visible", Value(true));
    EXPECT_TRUE(Shown(L"txtHidden").setup.visible);

    // One default and one cancel button: making another one clears the first.
    cancel->Put(L"Default", Value(true));
    EXPECT_TRUE(Shown(L"btnCancel").setup.isDefault);
    EXPECT_FALSE(Shown(L"btnOK").setup.isDefault);
    EXPECT_FALSE(ok->Get(L"Default").AsBool());
    ok->Put(L"Cancel", Value(true));
    EXPECT_FALSE(Shown(L"btnCancel").setup.isCancel);

    // A new TabIndex moves the others up, as the form's tab order is a numbering from 0.
    ok->Put(L"TabIndex", Value(0));
    EXPECT_EQ(Shown(L"btnOK").setup.tabIndex, 0);
    EXPECT_EQ(Shown(L"lblName").setup.tabIndex, 1);
    EXPECT_EQ(Shown(L"btnCancel").setup.tabIndex, 9);
    EXPECT_EQ(C(L"txtName")->Get(L"TabIndex"), Value(2));

    // Move, the form's own caption and size.
    txt->Call(L"Move", {Value(10), Value(20)});
    EXPECT_EQ(Shown(L"txtName").setup.rect, (TwipsRect{10, 20, 3000, 300}));
    form->Put(L"Caption", Value(L"New"));
    form->Put(L"Width", Value(7000));
    EXPECT_EQ(Window().caption(), L"New");
    EXPECT_EQ(Window().rect().width, 7000);
    // An auto-sized label takes its caption's size (6 pixels a character, the "&" none).
    auto lbl = C(L"lblName");
    lbl->Put(L"AutoSize", Value(true));
    lbl->Put(L"Caption", Value(L"&Full name:"));
    EXPECT_EQ(lbl->Get(L"Width"), Value(10 * 6 * 15));
    EXPECT_EQ(lbl->Get(L"Height"), Value(13 * 15));
    EXPECT_EQ(Shown(L"lblName").setup.rect, (TwipsRect{100, 100, 900, 195}));
    form->Put(L"Visible", Value(false));
    EXPECT_FALSE(Window().Visible());
}

TEST_F(FormRuntimeTest, TextBoxAndCheckBoxEventsFromTheUserAndFromCode) {
    form->Show();
    Listen({L"txtName", L"chkFlag"});
    events.clear();
    Window().Type(L"txtName", L"Hello");
    Window().Click(L"chkFlag");
    EXPECT_EQ(C(L"txtName")->Get(L"Text"), Value(L"Hello"));
    EXPECT_EQ(C(L"txtName")->Get(L"SelStart"), Value(5));
    EXPECT_EQ(C(L"chkFlag")->Get(L"Value"), Value(1));
    EXPECT_EQ(events, (Strings{L"txtName.Change", L"txtName.Validate(False)", L"txtName.LostFocus",
                               L"chkFlag.GotFocus", L"chkFlag.Click"}));
    events.clear();
    // Code raises what the same change by the user raises, and only for a change.
    C(L"txtName")->Put(L"Text", Value(L"Hello"));
    C(L"txtName")->Put(L"Text", Value(L"Bye"));
    C(L"chkFlag")->Put(L"Value", Value(0));
    C(L"chkFlag")->Put(L"Value", Value(0));
    EXPECT_EQ(events, (Strings{L"txtName.Change", L"chkFlag.Click"}));
    EXPECT_EQ(Shown(L"txtName").setup.text, L"Bye");
    EXPECT_EQ(ErrorOf([&] { C(L"chkFlag")->Put(L"Value", Value(3)); }), 380);
    // SelStart and SelLength stay inside the text.
    C(L"txtName")->Put(L"SelStart", Value(1));
    C(L"txtName")->Put(L"SelLength", Value(10));
    EXPECT_EQ(C(L"txtName")->Get(L"SelLength"), Value(2));
    EXPECT_EQ(Shown(L"txtName").selLength, 2);
}

TEST_F(FormRuntimeTest, ComboBoxListItemDataAndEvents) {
    form->Show();
    auto cbo = C(L"cboTime");
    Listen({L"cboTime"});
    for (const wchar_t* t : {L"09:00", L"10:00", L"11:00"}) cbo->Call(L"AddItem", {Value(t)});
    cbo->Call(L"AddItem", {Value(L"10:15"), Value(2)});
    Args data{Value(2), Value(615)};
    cbo->Invoke(L"ItemData", CallKind::Put, data);
    EXPECT_EQ(cbo->Get(L"ListCount"), Value(4));
    EXPECT_EQ(cbo->Get(L"List", {Value(2)}), Value(L"10:15"));
    EXPECT_EQ(cbo->Get(L"ItemData", {Value(2)}), Value(615));
    EXPECT_EQ(Shown(L"cboTime").list, (Strings{L"09:00", L"10:00", L"10:15", L"11:00"}));
    cbo->Put(L"ListIndex", Value(3));
    EXPECT_EQ(cbo->Get(L"Text"), Value(L"11:00"));
    EXPECT_EQ(Shown(L"cboTime").selected, 3);
    cbo->Call(L"RemoveItem", {Value(2)});
    EXPECT_EQ(cbo->Get(L"ListIndex"), Value(2));  // the selection follows its entry
    EXPECT_EQ(Shown(L"cboTime").list, (Strings{L"09:00", L"10:00", L"11:00"}));
    EXPECT_EQ(events, (Strings{L"cboTime.Click"}));
    events.clear();

    // The user: the list drops down, an entry is picked; then text is typed.
    handler = [&](const std::wstring&, std::wstring_view event, Args&) {
        // The list may change while it drops down; the window shows the new one.
        if (event == L"DropDown") cbo->Call(L"AddItem", {Value(L"09:30"), Value(1)});
    };
    Window().Pick(L"cboTime", L"09:30");
    EXPECT_EQ(cbo->Get(L"ListIndex"), Value(1));
    EXPECT_EQ(cbo->Get(L"Text"), Value(L"09:30"));
    Window().Type(L"cboTime", L"9:45");
    EXPECT_EQ(cbo->Get(L"ListIndex"), Value(-1));
    EXPECT_EQ(events, (Strings{L"cboTime.GotFocus", L"cboTime.DropDown", L"cboTime.Click", L"cboTime.Change"}));
    // Code setting a listed text selects that entry; another text selects none and stays.
    cbo->Put(L"Text", Value(L"10:00"));
    EXPECT_EQ(cbo->Get(L"ListIndex"), Value(2));
    cbo->Put(L"Text", Value(L"10:05"));
    EXPECT_EQ(cbo->Get(L"ListIndex"), Value(-1));
    EXPECT_EQ(Shown(L"cboTime").setup.text, L"10:05");
    EXPECT_EQ(Shown(L"cboTime").selected, -1);
    // ListIndex -1 from code empties the edit field.
    cbo->Put(L"ListIndex", Value(0));
    cbo->Put(L"ListIndex", Value(-1));
    EXPECT_EQ(cbo->Get(L"Text"), Value(L""));
    EXPECT_EQ(Shown(L"cboTime").setup.text, L"");

    EXPECT_EQ(ErrorOf([&] { cbo->Put(L"ListIndex", Value(9)); }), 380);
    EXPECT_EQ(ErrorOf([&] { cbo->Get(L"ItemData", {Value(9)}); }), 381);
    EXPECT_EQ(ErrorOf([&] { cbo->Get(L"List", {Value(-1)}); }), 381);
    EXPECT_EQ(cbo->Get(L"List", {Value(9)}), Value(L""));
    EXPECT_EQ(ErrorOf([&] { cbo->Call(L"RemoveItem", {Value(9)}); }), err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { cbo->Call(L"AddItem", {Value(L"x"), Value(9)}); }), err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { C(L"txtName")->Call(L"AddItem", {Value(L"x")}); }), err::NotSupported);
    cbo->Call(L"Clear");
    EXPECT_EQ(cbo->Get(L"ListCount"), Value(0));
    EXPECT_TRUE(Shown(L"cboTime").list.empty());
    EXPECT_EQ(Shown(L"cboTime").setup.text, L"");
}

TEST_F(FormRuntimeTest, ValidateCancelKeepsTheFocusAndTheClick) {
    form->Show();
    Listen({L"txtName", L"btnOK"});
    handler = [](const std::wstring& name, std::wstring_view event, Args& args) {
        if (name == L"txtName" && event == L"Validate") args[0] = Value(true);
    };
    Window().Click(L"btnOK");
    EXPECT_EQ(Focused(), L"txtName");
    EXPECT_EQ(events, (Strings{L"txtName.Validate(False)"}));
    // SetFocus from code moves it without asking.
    C(L"btnOK")->Call(L"SetFocus");
    EXPECT_EQ(Focused(), L"btnOK");
    EXPECT_EQ(form->ActiveControl(), C(L"btnOK"));
    EXPECT_EQ(ErrorOf([&] { C(L"txtHidden")->Call(L"SetFocus"); }), err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { C(L"lblName")->Call(L"SetFocus"); }), err::InvalidCall);
}

TEST_F(FormRuntimeTest, KeysAsADialogTakesThem) {
    form->Show();
    Listen({L"btnOK", L"btnCancel", L"chkFlag"});
    Window().Keys(L"Enter");  // the default button, the focus stays in the text box
    EXPECT_EQ(Focused(), L"txtName");
    Window().Keys(L"Esc");
    EXPECT_EQ(Only(L"Click"), (Strings{L"btnOK.Click", L"btnCancel.Click"}));
    events.clear();

    // Tab walks the tab order past hidden controls and those without a tab stop, and wraps.
    Window().Keys(L"Tab Tab Tab Tab Tab");
    EXPECT_EQ(Focused(), L"btnOK");
    Window().Keys(L"Tab Tab");
    EXPECT_EQ(Focused(), L"txtName");
    Window().Keys(L"Shift+Tab");
    EXPECT_EQ(Focused(), L"btnCancel");
    // Enter on a focused button presses that button; Space too.
    Window().Keys(L"Enter Space");
    EXPECT_EQ(Only(L"Click"), (Strings{L"btnCancel.Click", L"btnCancel.Click"}));
    events.clear();

    // Alt+letter: a label's mnemonic gives the focus to the control after it; a check box's
    // toggles it; a button's presses it. A disabled default button takes no Enter.
    Window().Keys(L"Alt+N");
    EXPECT_EQ(Focused(), L"txtName");
    Window().Keys(L"Alt+F Alt+O");
    EXPECT_EQ(Only(L"Click"), (Strings{L"chkFlag.Click", L"btnOK.Click"}));
    C(L"btnOK")->Put(L"Enabled", Value(false));
    events.clear();
    Window().Keys(L"Alt+N Enter");
    EXPECT_TRUE(Only(L"Click").empty());
    // Typing into the focused text box.
    Window().Keys(L"A b");
    EXPECT_EQ(C(L"txtName")->Get(L"Text"), Value(L"Ab"));
    EXPECT_EQ(ErrorOf([&] { Window().Keys(L"F13"); }), err::InvalidCall);

    // KeyDown reaches the focused control first, its KeyCode by reference.
    Listen({L"txtName"});
    events.clear();
    Window().Keys(L"Shift+Tab");
    EXPECT_EQ(events.front(), L"txtName.KeyDown(9,1)");
}

TEST_F(FormRuntimeTest, TheSimulatedUserCantReachWhatIsHiddenOrDisabled) {
    EXPECT_EQ(ErrorOf([&] {
                  form->Load();
                  Window().Type(L"txtName", L"x");
              }),
              err::InvalidCall);  // the window isn't shown yet
    form->Show();
    C(L"chkFlag")->Put(L"Enabled", Value(false));
    EXPECT_EQ(ErrorOf([&] { Window().Type(L"txtHidden", L"x"); }), err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { Window().Click(L"chkFlag"); }), err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { Window().Type(L"chkFlag", L"x"); }), err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { Window().Click(L"nothing"); }), err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { Window().Pick(L"cboTime", 0); }), err::InvalidCall);  // an empty list
    EXPECT_FALSE(Shown(L"cboTime").droppedDown);
    EXPECT_EQ(C(L"chkFlag")->Get(L"Value"), Value(0));
    EXPECT_EQ(C(L"txtHidden")->Get(L"Text"), Value(L""));
}

TEST_F(FormRuntimeTest, LibraryControlsForwardTheirMembersAndEvents) {
    form->Show();
    auto dtp = C(L"dtpDate");
    auto bar = C(L"barPriority");
    Listen({L"dtpDate"});
    const Date day = MakeDate({2026, 12, 24});
    dtp->Put(L"Value", Value(day));
    EXPECT_EQ(dtp->Get(L"Value").AsDate(), day);
    EXPECT_EQ(kelvane::TwinAs<kelvane::DateTimePickTwin>(dtp->Inner())->Held(), day);
    // Extender properties stay the form's.
    dtp->Put(L"Left", Value(1600));
    EXPECT_EQ(dtp->Get(L"Left"), Value(1600));
    EXPECT_EQ(Shown(L"dtpDate").setup.rect.left, 1600);
    EXPECT_EQ(ErrorOf([&] { dtp->Get(L"Caption"); }), err::NotSupported);
    bar->Call(L"SetCaptions", {Value(L"Hoch"), Value(L"Normal"), Value(L"Niedrig")});
    EXPECT_EQ(kelvane::TwinAs<kelvane::PriorityBarTwin>(bar->Inner())->ButtonText(2), L"Hoch");

    // The user's date reaches the form's code as the control's OnChange.
    const Date picked = MakeDate({2027, 1, 5, 10, 30});
    Window().PickDate(L"dtpDate", picked);
    Window().ChoosePriority(L"barPriority", 2);
    EXPECT_EQ(events, (Strings{L"dtpDate.GotFocus", L"dtpDate.OnChange", L"dtpDate.Validate(False)", L"dtpDate.LostFocus"}));
    EXPECT_EQ(dtp->Get(L"Value").AsDate(), picked);
    EXPECT_EQ(bar->Get(L"Value"), Value(2));
    EXPECT_NE(Window().Listing().find(L"barPriority PriorityBar \"high\""), std::wstring::npos);

    // An error of the form's code in an event is logged under the handler's name and goes no further.
    handler = [](const std::wstring&, std::wstring_view event, Args&) {
        if (event == L"OnChange") Raise(err::TypeMismatch, L"Type mismatch");
    };
    Window().PickDate(L"dtpDate", day);
    EXPECT_EQ(Errors(), (Strings{L"frmTest.dtpDate_OnChange|13|Type mismatch"}));
}

TEST_F(FormRuntimeTest, TheLinkLabelIsMadeOnTheFormsWindow) {
    form->Show();
    auto lnk = C(L"lnkFolder");
    Listen({L"lnkFolder"});
    lnk->Put(L"Caption", Value(L"\\Inbox\\Projects"));
    lnk->Put(L"ToolTipText", Value(L"Click to change"));
    sim::SimLinkLabelView* view = Shown(L"lnkFolder").link;
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->parent, Window().Handle());
    EXPECT_EQ(view->caption, L"\\Inbox\\Projects");
    EXPECT_EQ(view->toolTip, L"Click to change");
    EXPECT_EQ(view->control, (TwipsRect{100, 1400, 2500, 225}));
    EXPECT_EQ(lnk->Get(L"Width"), Value(2500));
    lnk->Put(L"Visible", Value(false));
    EXPECT_FALSE(view->visible);
    lnk->Put(L"Visible", Value(true));
    Window().Click(L"lnkFolder");
    Window().Click(L"lnkFolder", kLinkButtonRight);
    EXPECT_EQ(events, (Strings{L"lnkFolder.OnClick", L"lnkFolder.OnRightClick"}));
    EXPECT_TRUE(lnk->Get(L"Clicked").AsBool());
}

TEST_F(FormRuntimeTest, UnloadFromTheFormsOwnClickAndTheCloseBox) {
    form->Show();
    std::vector<int> modes;
    form->onQueryUnload = [&](int& cancel, int mode) {
        modes.push_back(mode);
        if (modes.size() == 1) cancel = 1;  // the first close is refused
    };
    Window().Close();
    EXPECT_TRUE(form->Loaded());
    EXPECT_EQ(modes, (std::vector<int>{vbFormControlMenu}));

    // Cancel unloads the form inside its own click; the window and the controls' windows go.
    auto* dtpTwin = kelvane::TwinOf(C(L"dtpDate")->Inner());
    const ObjectPtr keepDtp = C(L"dtpDate")->Inner();
    Listen({L"btnCancel"});
    const std::shared_ptr<SimFormWindow> window = Window().shared_from_this();
    std::weak_ptr<CForm> weak = form;
    form.reset();  // the loaded forms keep it alive
    handler = [&](const std::wstring&, std::wstring_view event, Args&) {
        if (event == L"Click") {
            EXPECT_TRUE(weak.lock()->Unload(vbFormCode));
        }
    };
    window->Keys(L"Esc");
    EXPECT_TRUE(window->destroyed());
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(Forms().Count(), 0u);
    EXPECT_FALSE(dtpTwin->HasWindow());
    EXPECT_TRUE(platform.formWindows.live().empty());
    EXPECT_TRUE(platform.linkLabels.live().empty());
    EXPECT_EQ(modes, (std::vector<int>{vbFormControlMenu, vbFormCode}));
    EXPECT_EQ(ErrorOf([&] { window->Click(L"btnOK"); }), err::InvalidCall);
}

TEST_F(FormRuntimeTest, TheDialogsWindowCalls) {
    form->Show();
    SimFormWindow& mine = Window();
    form->MakeTopmost();
    form->ClearOwner();
    form->SetUIState(false, false, true);
    EXPECT_TRUE(mine.topmost());
    EXPECT_TRUE(mine.ownerCleared());
    EXPECT_EQ(mine.uiState(), (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0x128, 0x20002}, {0x128, 0x10002}}));
    // Activating one of two dialogs.
    auto other = std::make_shared<TestForm>();
    other->Show();
    EXPECT_FALSE(mine.active());
    form->Activate();
    EXPECT_TRUE(mine.active());
    EXPECT_EQ(form->activations, 2);
    EXPECT_EQ(Forms().Count(), 2u);
    EXPECT_EQ(ErrorOf([&] { form->Call(L"Show", {Value(1)}); }), err::InvalidCall);  // modal
}

TEST_F(FormRuntimeTest, ALanguageFileOnALoadedFormReachesTheWindow) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "brisko-forms-tests";
    fs::create_directories(dir);
    {
        std::ofstream out(dir / "t.lng", std::ios::binary | std::ios::trunc);
        out << "\xEF\xBB\xBF[version]\r\nsignature=\"Corvant.LangLngFile\"\r\nlang=\"Deutsch\"\r\nlangid=\"DE\"\r\n"
               "[Brisko]\r\nglobals=\"texts\"\r\nforms=\"frmTest\"\r\n[Brisko.texts]\r\nLID_A=\"a\"\r\n"
               "[Brisko.frmTest]\r\n.Caption=\"Prüfung\"\r\nlblName=\"&Name:\"\r\nbtnCancel=\"Abbrechen\"\r\n"
               "txtName.dleft=\"10\"\r\ntxtName.Width=\"2800\"\r\nlnkFolder.ToolTipText=\"Zum Ändern klicken\"\r\n"
               "Line1(0).X2=\"4500\"\r\nbtnCancel.Picture=\"cancel.bmp\"\r\n";
    }
    {
        std::ofstream bmp(dir / "cancel.bmp", std::ios::binary | std::ios::trunc);
        bmp << "BMcancel";
    }
    platform.moduleFolder = dir.wstring();
    platform.Install();
    CLang lang{LangSettings{}};
    ASSERT_TRUE(lang.Init(dir.wstring() + L"\\t.lng", L"Brisko"));
    form->onLoad = [&] { lang.LocalizeForm(form); };
    form->Show();
    EXPECT_EQ(Window().caption(), L"Prüfung");
    EXPECT_EQ(Shown(L"btnCancel").setup.caption, L"Abbrechen");
    EXPECT_EQ(Shown(L"txtName").setup.rect, (TwipsRect{1250, 100, 2800, 300}));
    EXPECT_EQ(Shown(L"lnkFolder").link->toolTip, L"Zum Ändern klicken");
    EXPECT_EQ(Shown(L"Line1(0)").setup.lineTo.x, 4500);
    EXPECT_EQ(std::string(Shown(L"btnCancel").picture.begin(), Shown(L"btnCancel").picture.end()), "BMcancel");
    std::error_code ec;
    fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace brisko::testing
