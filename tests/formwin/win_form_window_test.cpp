// The quick dialogs in real Win32 windows under Wine: the window tree of each design in English
// and German, the tab order, mnemonics, default and cancel buttons, the close box, the controls
// library's controls hosted by atl.dll, and property changes reaching the windows. Input is
// posted or sent as window messages and pumped through a loop that is not the dialog's own, as
// Outlook's is.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "addin/forms/forms.h"
#include "addin/forms/quick_designs.h"
#include "addin/lang/CLang.h"
#include "automation/error.h"
#include "platform/sim/sim_platform.h"
#include "platform/win/win_dialog_keys.h"
#include "platform/win/win_form_window.h"
#include "platform/win/win_link_label.h"
#include "platform/win/win_objects.h"
#include "form_window_testing.h"

namespace brisko {
namespace {

using forms::CControl;
using forms::CForm;
using win::WinFormWindows;
using namespace formwin_testing;

class WinFormWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        OleInitialize(nullptr);
        kelvane_ = new Kelvane();
    }
    static void TearDownTestSuite() {
        delete kelvane_;
        kelvane_ = nullptr;
        OleUninitialize();
    }
    void SetUp() override {
        ASSERT_TRUE(kelvane_->registered) << "Kelvane.dll could not be registered";
        platforms.Install();
    }
    void TearDown() override {
        connections.clear();
        if (form && form->Loaded()) form->Unload(vbFormCode);
        form.reset();
        Pump();
        SetPlatform(Platform{});
    }

    // A quick dialog loaded and shown, in German when asked.
    void Open(bool task, bool german = false) {
        form = task ? forms::MakeQuickTaskDesign() : forms::MakeQuickAppointmentDesign();
        form->Load();
        if (german) Localize(*form, L"Deutsch.lng");
        form->Show();
        Pump();
        dlg = reinterpret_cast<HWND>(form->hWnd());
        ASSERT_TRUE(IsWindow(dlg));
    }
    std::shared_ptr<CControl> Ctl(const wchar_t* name, std::optional<int> index = std::nullopt) {
        return form->Control(name, index);
    }
    HWND Child(const wchar_t* name, std::optional<int> index = std::nullopt) {
        return GetDlgItem(dlg, WinFormWindows::kFirstControlId + Ctl(name, index)->Id());
    }
    std::wstring Active() {
        auto c = form->ActiveControl();
        return c ? c->Name() : L"(none)";
    }
    // Records the events of these controls as "name.Event".
    void Listen(std::initializer_list<const wchar_t*> names) {
        for (const wchar_t* name : names) {
            std::wstring n = name;
            connections.push_back(Ctl(name)->ConnectEvents([this, n](std::wstring_view event, Args& args) {
                events.push_back(n + L"." + std::wstring(event));
                if (onEvent) onEvent(n, event, args);
            }));
        }
    }
    bool Saw(const std::wstring& event) const { return std::find(events.begin(), events.end(), event) != events.end(); }

    static Kelvane* kelvane_;
    Platforms platforms;
    std::shared_ptr<CForm> form;
    HWND dlg = nullptr;
    std::vector<EventConnection> connections;
    std::vector<std::wstring> events;
    std::function<void(const std::wstring&, std::wstring_view, Args&)> onEvent;
};

Kelvane* WinFormWindowTest::kelvane_ = nullptr;

// --- The window tree ------------------------------------------------------------------------

struct TreeCase {
    bool task;
    bool german;
};

class DialogTree : public WinFormWindowTest, public ::testing::WithParamInterface<TreeCase> {};

TEST_P(DialogTree, EveryControlAWindowOfItsClassInsideTheDialogAndNoneOverlapping) {
    const TreeCase tc = GetParam();
    Open(tc.task, tc.german);
    wchar_t cls[64] = {};
    GetClassNameW(dlg, cls, 64);
    EXPECT_STREQ(cls, WinFormWindows::kClassName);
    EXPECT_EQ(WindowText(dlg), form->Get(L"Caption").AsString());
    if (tc.german) {
        EXPECT_EQ(WindowText(dlg), tc.task ? L"Brisko - Aufgabe" : L"Brisko - Termin");
    }
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), nullptr);
    EXPECT_EQ(GetParent(dlg), nullptr);
    EXPECT_TRUE(IsWindowVisible(dlg));
    // The client area is the form model's: Width and Height less its frame.
    RECT client{};
    GetClientRect(dlg, &client);
    const int tpp = form->Window()->TwipsPerPixelX();
    EXPECT_NEAR(client.right, (form->Get(L"Width").AsInt() - WinFormWindows::kModelFrameWidth) / tpp, 1);

    std::vector<std::pair<std::wstring, RECT>> shown;
    auto controls = form->Controls();
    for (int i = 0; i < controls->Count(); ++i) {
        auto c = controls->At(i);
        std::wstring label = c->Name() + (c->Index() ? L"(" + std::to_wstring(*c->Index()) + L")" : L"");
        SCOPED_TRACE(std::string(label.begin(), label.end()));
        HWND w = GetDlgItem(dlg, WinFormWindows::kFirstControlId + c->Id());
        ASSERT_TRUE(w);
        EXPECT_EQ(GetParent(w), dlg);
        const std::wstring kind = c->KindName();
        const LONG style = GetWindowLongW(w, GWL_STYLE);
        const std::wstring expected = ExpectedClass(kind);
        EXPECT_EQ(ClassOf(w), expected);
        if (kind == L"Label" || kind == L"CommandButton" || kind == L"CheckBox") {
            EXPECT_EQ(WindowText(w), c->Get(L"Caption").AsString());
            EXPECT_FALSE(style & SS_NOPREFIX && kind == L"Label");
        }
        if (kind == L"CheckBox") {
            EXPECT_EQ(style & BS_TYPEMASK, BS_AUTOCHECKBOX);
        }
        if (kind == L"Line") {
            EXPECT_EQ(style & SS_TYPEMASK, SS_ETCHEDHORZ);
        }
        if (kind == L"ComboBox") {
            EXPECT_EQ(style & 3, CBS_DROPDOWN);
        }
        if (CControl::IsLibraryKind(kind)) {
            // In-place active: the control's window with its common control inside the host.
            HWND own = GetWindow(w, GW_CHILD);
            ASSERT_TRUE(own);
            EXPECT_EQ(ClassOf(GetWindow(own, GW_CHILD)), InnerClass(kind));
        }
        const bool visible = c->Get(L"Visible").AsBool();
        EXPECT_EQ(IsWindowVisible(w) != FALSE, visible);
        if (!visible) continue;
        const RECT r = RectIn(w, dlg);
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.right, client.right);
        EXPECT_LE(r.bottom, client.bottom);
        EXPECT_GT(r.right - r.left, 0);
        for (const auto& [other, o] : shown) {
            RECT overlap{};
            EXPECT_FALSE(IntersectRect(&overlap, &r, &o)) << "overlaps " << std::string(other.begin(), other.end());
        }
        shown.emplace_back(label, r);
    }
}

INSTANTIATE_TEST_SUITE_P(QuickDialogs, DialogTree,
                         ::testing::Values(TreeCase{true, false}, TreeCase{true, true}, TreeCase{false, false},
                                           TreeCase{false, true}),
                         [](const ::testing::TestParamInfo<TreeCase>& p) {
                             return std::string(p.param.task ? "Task" : "Appointment") +
                                    (p.param.german ? "German" : "English");
                         });

// --- Keyboard -------------------------------------------------------------------------------

TEST_F(WinFormWindowTest, TabWalksTheTabOrderIntoTheControlsLibrarysControlsAndAround) {
    Open(true);
    EXPECT_TRUE(win::DialogKeyRoute::HookInstalled());
    EXPECT_EQ(Active(), L"txtSubject");
    EXPECT_EQ(GetFocus(), Child(L"txtSubject"));
    const std::vector<std::wstring> order = {L"dtpDueDate",   L"mvDueDate",     L"barPriority",   L"chkAttachMail",
                                             L"chkMoveMail",  L"chkDeleteMail", L"btnCreateTask", L"btnEditTask",
                                             L"btnCancel",    L"btnHelp",       L"txtSubject"};
    Listen({L"txtSubject"});
    for (const auto& name : order) {
        Key(GetFocus(), VK_TAB);
        EXPECT_EQ(Active(), name);
        EXPECT_TRUE(IsChild(Child(name.c_str()), GetFocus()) || Child(name.c_str()) == GetFocus()) << std::string(name.begin(), name.end());
    }
    EXPECT_TRUE(Saw(L"txtSubject.LostFocus"));
    EXPECT_TRUE(Saw(L"txtSubject.GotFocus"));
    EXPECT_TRUE(Saw(L"txtSubject.KeyDown"));
    // Shift+Tab goes back, around the end.
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    Key(GetFocus(), VK_TAB);
    EXPECT_EQ(Active(), L"btnHelp");
    Key(GetFocus(), VK_TAB);
    EXPECT_EQ(Active(), L"btnCancel");
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    // Hidden and disabled controls are passed over.
    Ctl(L"btnCreateTask")->Put(L"Visible", Value(false));
    Ctl(L"btnEditTask")->Put(L"Enabled", Value(false));
    Key(GetFocus(), VK_TAB);
    EXPECT_EQ(Active(), L"btnHelp");
}

TEST_F(WinFormWindowTest, MnemonicsOfLabelsMoveTheFocusAndOfCheckBoxesToggleThem) {
    Open(true);
    Key(GetFocus(), VK_TAB);
    Key(GetFocus(), VK_TAB);
    ASSERT_EQ(Active(), L"mvDueDate");
    Alt(GetFocus(), 'J');
    EXPECT_EQ(Active(), L"txtSubject");
    EXPECT_EQ(GetFocus(), Child(L"txtSubject"));
    Alt(GetFocus(), 'D');
    EXPECT_EQ(Active(), L"dtpDueDate");
    Listen({L"chkAttachMail"});
    Alt(GetFocus(), 'A');
    EXPECT_EQ(Ctl(L"chkAttachMail")->Get(L"Value").AsInt(), 1);
    EXPECT_EQ(SendMessageW(Child(L"chkAttachMail"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(Saw(L"chkAttachMail.Click"));
    // The cues are drawn: the form cleared the hidden accelerators.
    form->SetUIState(false, false, true);
    EXPECT_EQ(SendMessageW(dlg, WM_QUERYUISTATE, 0, 0) & (UISF_HIDEACCEL | UISF_HIDEFOCUS), 0);
}

TEST_F(WinFormWindowTest, EnterPressesTheDefaultButtonEscTheCancelButton) {
    Open(true);
    Listen({L"btnCreateTask", L"btnEditTask", L"btnCancel"});
    EXPECT_EQ(GetWindowLongW(Child(L"btnCreateTask"), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    Key(GetFocus(), VK_RETURN);
    EXPECT_EQ(events, (std::vector<std::wstring>{L"btnCreateTask.Click"}));
    // The form moves the default: the window's default id and the buttons' looks follow.
    Ctl(L"btnEditTask")->SetProperty(L"Default", Value(true));
    EXPECT_EQ(Ctl(L"btnCreateTask")->Get(L"Default").AsBool(), false);
    EXPECT_EQ(LOWORD(SendMessageW(dlg, DM_GETDEFID, 0, 0)), GetDlgCtrlID(Child(L"btnEditTask")));
    EXPECT_EQ(GetWindowLongW(Child(L"btnEditTask"), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongW(Child(L"btnCreateTask"), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    events.clear();
    Key(GetFocus(), VK_RETURN);
    Key(GetFocus(), VK_ESCAPE);
    EXPECT_EQ(events, (std::vector<std::wstring>{L"btnEditTask.Click", L"btnCancel.Click"}));
    // A disabled cancel button is no answer to Esc.
    events.clear();
    Ctl(L"btnCancel")->SetProperty(L"Enabled", Value(false));
    Key(GetFocus(), VK_ESCAPE);
    EXPECT_TRUE(events.empty());
}

TEST_F(WinFormWindowTest, TheCloseBoxAsksTheFormWhichMayKeepTheWindowOrUnloadInTheCall) {
    Open(false);
    int cancel = 1;
    std::vector<int> modes;
    EventConnection c = form->ConnectEvents([&](std::wstring_view event, Args& args) {
        if (event == L"QueryUnload") {
            modes.push_back(args[1].AsInt());
            args[0] = Value(cancel);
        }
    });
    SendMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_EQ(modes, std::vector<int>{vbFormControlMenu});
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_TRUE(form->Loaded());
    cancel = 0;
    SendMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_FALSE(form->Loaded());
    EXPECT_FALSE(win::DialogKeyRoute::HookInstalled());
}

TEST_F(WinFormWindowTest, AButtonMayUnloadTheFormInItsClickAndValidateMayKeepTheFocus) {
    Open(false);
    Listen({L"txtSubject", L"btnCancel"});
    onEvent = [&](const std::wstring& name, std::wstring_view event, Args& args) {
        if (name == L"txtSubject" && event == L"Validate") args[0] = Value(Ctl(L"txtSubject")->Get(L"Text").AsString().empty());
        if (name == L"btnCancel" && event == L"Click") form->Unload(vbFormCode);
    };
    // An empty subject is refused: the click on Cancel moves no focus and presses nothing.
    SendMessageW(Child(L"btnCancel"), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(Active(), L"txtSubject");
    EXPECT_EQ(GetFocus(), Child(L"txtSubject"));
    EXPECT_FALSE(Saw(L"btnCancel.Click"));
    Type(Child(L"txtSubject"), L"Call back");
    EXPECT_EQ(Ctl(L"txtSubject")->Get(L"Text").AsString(), L"Call back");
    EXPECT_TRUE(Saw(L"txtSubject.Change"));
    SendMessageW(Child(L"btnCancel"), BM_CLICK, 0, 0);
    Pump();
    EXPECT_TRUE(Saw(L"btnCancel.Click"));
    EXPECT_FALSE(form->Loaded());
    EXPECT_FALSE(IsWindow(dlg));
}

TEST_F(WinFormWindowTest, TopmostWithoutOwnerAndActivatedAgain) {
    Open(true);
    // A window of Outlook's that owns the dialog, as a window made while another is active may be.
    HWND other = CreateWindowExW(0, L"STATIC", L"Outlook", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 Instance(), nullptr);
    SetWindowLongPtrW(dlg, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(other));
    ASSERT_EQ(GetWindow(dlg, GW_OWNER), other);
    form->ClearOwner();
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), nullptr);
    EXPECT_FALSE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_TOPMOST);
    form->MakeTopmost();
    EXPECT_TRUE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_TOPMOST);
    int activations = 0;
    EventConnection c = form->ConnectEvents([&](std::wstring_view event, Args&) { activations += event == L"Activate"; });
    SetActiveWindow(other);
    EXPECT_EQ(GetActiveWindow(), other);
    form->Activate();
    Pump();
    EXPECT_EQ(GetActiveWindow(), dlg);
    EXPECT_EQ(activations, 1);
    // The focus comes back to the control that had it.
    EXPECT_EQ(GetFocus(), Child(L"txtSubject"));
    DestroyWindow(other);
}

// --- The controls library's controls --------------------------------------------------------

TEST_F(WinFormWindowTest, TheControlsLibrarysControlsShowWhatTheFormSetsAndReportTheUsersChange) {
    Open(true);
    const Date due = MakeDate({2026, 3, 17});
    Ctl(L"dtpDueDate")->Put(L"Value", Value(due));
    Ctl(L"mvDueDate")->Put(L"Value", Value(due));
    Ctl(L"barPriority")->Put(L"Value", Value(2));
    SYSTEMTIME st{};
    HWND picker = GetWindow(GetWindow(Child(L"dtpDueDate"), GW_CHILD), GW_CHILD);
    ASSERT_EQ(SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)), GDT_VALID);
    EXPECT_EQ(st.wYear, 2026);
    EXPECT_EQ(st.wMonth, 3);
    EXPECT_EQ(st.wDay, 17);
    HWND calendar = GetWindow(GetWindow(Child(L"mvDueDate"), GW_CHILD), GW_CHILD);
    SYSTEMTIME sel{};
    ASSERT_TRUE(SendMessageW(calendar, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&sel)));
    EXPECT_EQ(sel.wDay, 17);
    EXPECT_EQ(Ctl(L"barPriority")->Get(L"Value").AsInt(), 2);
    // Methods that need the control's window work: it is in place before the form shows.
    EXPECT_NO_THROW(Ctl(L"dtpDueDate")->Call(L"SetCustomFormat", {Value(L"ddd dd.MM.yyyy")}));
    Args size{Value(0), Value(0)};
    EXPECT_NO_THROW(Ctl(L"mvDueDate")->Invoke(L"GetMinSize", CallKind::Method, size));
    EXPECT_GT(size[0].AsInt(), 100);
    EXPECT_GT(size[1].AsInt(), 100);
    // The user picks another date: the picker tells its control, which raises OnChange.
    Listen({L"dtpDueDate"});
    SYSTEMTIME picked{2026, 4, 0, 2, 0, 0, 0, 0};
    SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&picked));
    NMDATETIMECHANGE change{};
    change.nmhdr = {picker, static_cast<UINT_PTR>(GetDlgCtrlID(picker)), static_cast<UINT>(DTN_DATETIMECHANGE)};
    change.st = picked;
    SendMessageW(GetParent(picker), WM_NOTIFY, change.nmhdr.idFrom, reinterpret_cast<LPARAM>(&change));
    EXPECT_TRUE(Saw(L"dtpDueDate.OnChange"));
    EXPECT_EQ(SplitDate(Ctl(L"dtpDueDate")->Get(L"Value").AsDate()).day, 2);
}

TEST_F(WinFormWindowTest, TheControlsLibrarysControlsHaveTheirWindowsBeforeTheFormShows) {
    form = forms::MakeQuickTaskDesign();
    form->Load();
    dlg = reinterpret_cast<HWND>(form->hWnd());
    EXPECT_FALSE(IsWindowVisible(dlg));
    HWND host = Child(L"mvDueDate");
    ASSERT_TRUE(GetWindow(GetWindow(host, GW_CHILD), GW_CHILD));
    EXPECT_FALSE(IsWindowVisible(host));
    EXPECT_NO_THROW(Ctl(L"dtpDueDate")->Call(L"SetCustomFormat", {Value(L"ddd dd.MM.yyyy")}));
    Args size{Value(0), Value(0)};
    ASSERT_NO_THROW(Ctl(L"mvDueDate")->Invoke(L"GetMinSize", CallKind::Method, size));
    EXPECT_GT(size[0].AsInt(), 100);
    // Resized by the form, the control's own window follows its host.
    Ctl(L"mvDueDate")->Put(L"Width", Value(size[0].AsInt() * form->Window()->TwipsPerPixelX()));
    RECT own{};
    GetWindowRect(GetWindow(host, GW_CHILD), &own);
    EXPECT_EQ(own.right - own.left, size[0].AsInt());
}

// The window alone, as the platform gives it: its events counted.
struct QuietEvents final : FormWindowEvents {
    void UserTextChanged(int, const std::wstring&) noexcept override {}
    void UserClicked(int, int) noexcept override {}
    void UserValueChanged(int, int) noexcept override {}
    void UserDroppedDown(int) noexcept override {}
    void UserPicked(int, int) noexcept override {}
    bool UserFocusChanging(int, int) noexcept override { return true; }
    void FocusMoved(int, int) noexcept override {}
    void UserKeyDown(int, int, int) noexcept override {}
    void UserClosing() noexcept override { ++closing; }
    void Activated() noexcept override {}
    int closing = 0;
};

// A 4 x 3 bitmap file, 24 bits a pixel.
std::vector<std::uint8_t> BitmapFile() {
    const int w = 4, h = 3, stride = 12;
    std::vector<std::uint8_t> file(54 + static_cast<std::size_t>(stride * h), 0x80);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(6, 0);
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    put32(26, 1 | (24 << 16));
    put32(30, 0);
    put32(34, static_cast<std::uint32_t>(stride * h));
    put32(38, 2835);
    put32(42, 2835);
    put32(46, 0);
    put32(50, 0);
    return file;
}

TEST_F(WinFormWindowTest, APictureBoxShowsItsBitmapAndAWindowDestroyedByOthersIsGone) {
    QuietEvents quiet;
    auto window = platforms.windows.Create(L"frmPictures", L"Pictures", {0, 0, 3000, 2000}, quiet);
    ControlSetup setup;
    setup.id = 0;
    setup.kind = FormControlKind::PictureBox;
    setup.kindName = L"PictureBox";
    setup.name = L"picLogo";
    setup.rect = {150, 150, 1500, 1500};
    EXPECT_EQ(window->AddControl(setup), nullptr);
    HWND w = reinterpret_cast<HWND>(window->Handle());
    HWND picture = GetDlgItem(w, WinFormWindows::kFirstControlId);
    ASSERT_TRUE(picture);
    window->SetControlPicture(0, BitmapFile());
    EXPECT_TRUE(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    window->SetControlPicture(0, {'n', 'o', 'n', 'e'});
    EXPECT_FALSE(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    // Closed from outside the form: the close box asks, then the window goes.
    SendMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_EQ(quiet.closing, 1);
    DestroyWindow(w);
    EXPECT_FALSE(window->Visible());
    EXPECT_THROW(window->AddControl(setup), RuntimeError);
    window->Destroy();
}

// --- Property changes -----------------------------------------------------------------------

TEST_F(WinFormWindowTest, PropertyChangesReachTheWindows) {
    Open(false);
    HWND subject = Child(L"txtSubject");
    form->Put(L"Caption", Value(L"Another caption"));
    EXPECT_EQ(WindowText(dlg), L"Another caption");
    form->Put(L"Left", Value(1500));
    form->Put(L"Top", Value(3000));
    RECT outer{};
    GetWindowRect(dlg, &outer);
    const int tpp = form->Window()->TwipsPerPixelX();
    EXPECT_EQ(outer.left, 1500 / tpp);
    EXPECT_EQ(outer.top, 3000 / tpp);
    Ctl(L"lblSubject")->Put(L"Caption", Value(L"&Topic:"));
    EXPECT_EQ(WindowText(Child(L"lblSubject")), L"&Topic:");
    Ctl(L"txtSubject")->Put(L"Text", Value(L"Lunch"));
    EXPECT_EQ(WindowText(subject), L"Lunch");
    Ctl(L"txtSubject")->Put(L"Left", Value(1500));
    Ctl(L"txtSubject")->Put(L"Width", Value(3000));
    RECT r = RectIn(subject, dlg);
    EXPECT_EQ(r.left, 1500 / tpp);
    EXPECT_EQ(r.right - r.left, 3000 / tpp);
    Ctl(L"chkAllDayEvent")->Put(L"Value", Value(1));
    EXPECT_EQ(SendMessageW(Child(L"chkAllDayEvent"), BM_GETCHECK, 0, 0), BST_CHECKED);
    Ctl(L"cboStartTime")->Put(L"Enabled", Value(false));
    EXPECT_FALSE(IsWindowEnabled(Child(L"cboStartTime")));
    Ctl(L"chkDeleteMail")->Put(L"Visible", Value(false));
    EXPECT_FALSE(IsWindowVisible(Child(L"chkDeleteMail")));
    Ctl(L"lblCalendar")->Put(L"FontBold", Value(true));
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Child(L"lblCalendar"), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    // A label sized to its caption in its own font.
    Ctl(L"lblSubject")->Put(L"AutoSize", Value(true));
    EXPECT_EQ(Ctl(L"lblSubject")->Get(L"Width").AsInt() / tpp, TextWidth(Child(L"lblSubject"), L"Topic:"));
    // The combo box's list and its entry, as the form keeps them.
    auto combo = Ctl(L"cboEndTime");
    combo->Call(L"AddItem", {Value(L"09:00")});
    combo->Call(L"AddItem", {Value(L"09:30")});
    combo->Put(L"ListIndex", Value(1));
    EXPECT_EQ(SendMessageW(Child(L"cboEndTime"), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(WindowText(Child(L"cboEndTime")), L"09:30");
    // Tooltips: set, changed and removed.
    EXPECT_EQ(ToolTipOf(Child(L"btnEditAppointment")), L"Open Appointment for editing");
    Ctl(L"btnHelp")->Put(L"ToolTipText", Value(L"Opens the help"));
    EXPECT_EQ(ToolTipOf(Child(L"btnHelp")), L"Opens the help");
    Ctl(L"btnEditAppointment")->Put(L"ToolTipText", Value(L""));
    EXPECT_EQ(ToolTipOf(Child(L"btnEditAppointment")), L"");
    // Moving a control in the tab order moves its window there.
    Ctl(L"btnHelp")->Put(L"TabIndex", Value(0));
    EXPECT_EQ(GetWindow(dlg, GW_CHILD), Child(L"btnHelp"));
}

TEST_F(WinFormWindowTest, TheUserPicksATimeFromTheDroppedListAndTypesOne) {
    Open(false);
    auto combo = Ctl(L"cboStartTime");
    for (const wchar_t* t : {L"08:00", L"08:30", L"09:00"}) combo->Call(L"AddItem", {Value(t)});
    Listen({L"cboStartTime"});
    HWND box = Child(L"cboStartTime");
    // A click on the drop-down button.
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(box, &info));
    const LPARAM at = MAKELPARAM((info.rcButton.left + info.rcButton.right) / 2, (info.rcButton.top + info.rcButton.bottom) / 2);
    PostMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, at);
    Pump();
    EXPECT_TRUE(SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_TRUE(Saw(L"cboStartTime.DropDown"));
    EXPECT_EQ(Active(), L"cboStartTime");
    // A pick from the list: the selection and the close, as the list box tells the combo box.
    SendMessageW(box, CB_SETCURSEL, 2, 0);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    SendMessageW(box, CB_SHOWDROPDOWN, FALSE, 0);
    Pump();
    EXPECT_TRUE(Saw(L"cboStartTime.Click"));
    EXPECT_EQ(combo->Get(L"ListIndex").AsInt(), 2);
    EXPECT_EQ(combo->Get(L"Text").AsString(), L"09:00");
    // Typing into the edit field: Change with the text.
    events.clear();
    HWND edit = GetWindow(box, GW_CHILD);
    Type(edit, L"9:15");
    EXPECT_TRUE(Saw(L"cboStartTime.Change"));
    EXPECT_EQ(combo->Get(L"Text").AsString(), L"9:15");
}

}  // namespace
}  // namespace brisko
