// outlook-sim's side of the quick dialogs: the add-in opens them through its hidden _Connect
// members; the scenario's user acts on the real windows with window messages, as the keyboard and
// mouse produce them; message boxes and popup menus are answered from a thread timer while their
// modal loops run.
//
// Controls are found by their child ids (BriskoFormWindow's children: 1000 + the control's position
// in the form's Controls), named from the dialog's design table.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <deque>
#include <ostream>

#include "addin/forms/quick_designs.h"
#include "automation/error.h"
#include "automation/text.h"
#include "automation/win/variant.h"
#include "automation/win/object_dispatch.h"
#include "platform/form_window.h"
#include "platform/win/win_form_window.h"
#include "tools/outlook-sim/com_session.h"

namespace brisko::tools {

namespace {

using forms::ControlDesign;
using forms::FormDesign;

// --- Waiting modal loops: message boxes and popup menus -------------------------------------

// What the next message box (an IDOK, IDYES or IDNO button) and the next popup menu (a command id,
// 0 to dismiss) get. Unscripted: a box's default button, a menu dismissed.
std::deque<int> g_boxAnswers;
std::deque<UINT> g_menuAnswers;

std::wstring ClassOf(HWND w) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    return cls;
}

struct Found {
    HWND box = nullptr;
    HWND menu = nullptr;
};

BOOL CALLBACK FindModal(HWND w, LPARAM lp) {
    auto* found = reinterpret_cast<Found*>(lp);
    if (!IsWindowVisible(w)) return TRUE;
    const std::wstring cls = ClassOf(w);
    if (cls == L"#32770" && IsWindowEnabled(w)) found->box = w;
    if (cls == L"#32768") found->menu = w;
    return TRUE;
}

// Presses a message box's button (its click's notice to the box).
void PressBoxButton(HWND box) {
    int id = 0;
    if (!g_boxAnswers.empty()) {
        id = g_boxAnswers.front();
        g_boxAnswers.pop_front();
    } else {
        const LRESULT def = SendMessageW(box, DM_GETDEFID, 0, 0);
        id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

// Chooses the menu's item of that command id with the keyboard (Down to it, Enter), or dismisses
// the menu; items of submenus aren't reached.
void ChooseMenuItem(HWND menuWindow) {
    UINT id = 0;
    if (!g_menuAnswers.empty()) {
        id = g_menuAnswers.front();
        g_menuAnswers.pop_front();
    }
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    int downs = 0;
    bool found = false;
    const int count = menu && id ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        if (info.fType & MFT_SEPARATOR) continue;
        ++downs;
        if (info.wID == id) {
            found = true;
            break;
        }
    }
    if (!found) {
        PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageW(menuWindow, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        return;
    }
    for (int i = 0; i < downs; ++i) {
        PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 1);
        PostMessageW(menuWindow, WM_KEYUP, VK_DOWN, 0xC0000001);
    }
    PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(menuWindow, WM_KEYUP, VK_RETURN, 0xC0000001);
}

// The modal loops of message boxes and menus dispatch no thread timer in every system (Wine's
// menus don't): a watch on another thread finds the box or menu of the dialogs' thread and answers
// it with posted messages, as the user's click or keys would arrive.
class ModalAnswerer {
public:
    ModalAnswerer()
        : thread_(GetCurrentThreadId()),
          stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          watch_(stop_ ? CreateThread(nullptr, 0, &Watch, this, 0, nullptr) : nullptr) {}
    ~ModalAnswerer() {
        if (watch_) {
            SetEvent(stop_);
            // The watch may be sending to this thread's windows (MN_GETHMENU, DM_GETDEFID).
            while (MsgWaitForMultipleObjects(1, &watch_, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
                MSG m;
                PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
            CloseHandle(watch_);
        }
        if (stop_) CloseHandle(stop_);
    }
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;

private:
    static DWORD WINAPI Watch(void* self) {
        auto* me = static_cast<ModalAnswerer*>(self);
        HWND answeredMenu = nullptr;
        HWND answeredBox = nullptr;
        while (WaitForSingleObject(me->stop_, 30) == WAIT_TIMEOUT) {
            Found found;
            EnumThreadWindows(me->thread_, &FindModal, reinterpret_cast<LPARAM>(&found));
        
            if (found.menu && found.menu != answeredMenu) {
                answeredMenu = found.menu;
                ChooseMenuItem(found.menu);
            } else if (!found.menu && found.box && found.box != answeredBox) {
                answeredBox = found.box;
                PressBoxButton(found.box);
            }
        }
        return 0;
    }

    DWORD thread_;
    HANDLE stop_;
    HANDLE watch_;
};

// The thread's waiting messages, dispatched as Outlook's loop does (through GetMessage's hooks),
// until none but timers' is left for a while (a link label's hover timer ticks on).
void Pump() {
    const ULONGLONG until = GetTickCount64() + 10000;
    for (int idle = 0; idle < 3 && GetTickCount64() < until;) {
        MSG m;
        if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message != WM_TIMER) idle = 0;
            if (m.message == WM_QUIT) break;
            TranslateMessage(&m);
            DispatchMessageW(&m);
        } else {
            ++idle;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
}

// --- The dialogs' windows ---------------------------------------------------------------------

BOOL CALLBACK CollectDialogs(HWND w, LPARAM lp) {
    if (ClassOf(w) == win::WinFormWindows::kClassName) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}

std::vector<HWND> DialogWindows() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), &CollectDialogs, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring TextOf(HWND w) {
    const int n = GetWindowTextLengthW(w);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(w, text.data(), n + 1)));
    return text;
}

std::wstring Quoted(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'"') out += L'"';
        if (c == L'\r') out += L"\\r";
        else if (c == L'\n') out += L"\\n";
        else if (c == L'\t') out += L"\\t";
        else out += c;
    }
    return out + L"\"";
}

std::wstring LabelOf(const ControlDesign& c) {
    return c.index ? c.name + L"(" + std::to_wstring(*c.index) + L")" : c.name;
}

bool IsActiveX(const std::wstring& kind) {
    return kind == L"SysMonthCal32" || kind == L"SysDateTimePick32" || kind == L"PriorityBar" || kind == L"EditBox";
}

// The control object hosted by an AtlAxWin window.
ObjectPtr HostedControl(HWND host) {
    using GetControl = HRESULT(WINAPI*)(HWND, IUnknown**);
    HMODULE atl = GetModuleHandleW(L"atl.dll");
    auto get = atl ? reinterpret_cast<GetControl>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")))
                   : nullptr;
    IUnknown* unknown = nullptr;
    if (!get || FAILED(get(host, &unknown)) || !unknown) return nullptr;
    IDispatch* dispatch = nullptr;
    const HRESULT hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    unknown->Release();
    if (FAILED(hr) || !dispatch) return nullptr;
    ObjectPtr object;
    try {
        object = win::ObjectFromDispatch(dispatch);
    } catch (...) {
    }
    dispatch->Release();
    return object;
}

// The common control inside one of the controls library's controls: host, control, child.
HWND InnerWindow(HWND host) {
    HWND control = GetWindow(host, GW_CHILD);
    return control ? GetWindow(control, GW_CHILD) : nullptr;
}

// What a control shows, as the in-memory window reports it.
std::wstring Shown(const ControlDesign& c, HWND w) {
    if (c.kind == L"LinkLabel") {
        HWND label = GetWindow(w, GW_CHILD);
        return label ? TextOf(label) : TextOf(w);
    }
    if (!IsActiveX(c.kind)) return TextOf(w);
    const ObjectPtr control = HostedControl(w);
    if (!control) return {};
    try {
        if (c.kind == L"EditBox") return control->Get(L"Text").AsString();
        const Value v = control->Get(L"Value");
        if (c.kind == L"PriorityBar") {
            switch (v.AsInt()) {
                case 0: return L"low";
                case 1: return L"normal";
                case 2: return L"high";
                default: return v.AsString();
            }
        }
        return FormatDate(v.AsDate());
    } catch (const RuntimeError& e) {
        return L"error " + std::to_wstring(e.number());
    }
}

// The direct child of the dialog that holds a window (the focus may be inside a combo box or a
// hosted control).
HWND ChildOf(HWND dialog, HWND w) {
    while (w && GetParent(w) != dialog) w = GetParent(w);
    return w;
}

bool Shows(HWND w) { return (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0; }

std::wstring Listing(HWND dialog, const FormDesign& design, HWND lastFocus) {
    std::wstring out = design.name + L" " + Quoted(TextOf(dialog));
    if (!IsWindowVisible(dialog)) out += L" [hidden]";
    if (!IsWindowEnabled(dialog)) out += L" [disabled]";
    out += L"\n";
    const LRESULT def = SendMessageW(dialog, DM_GETDEFID, 0, 0);
    const int defaultId = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : -1;
    // An inactive dialog's focus is the control it gets back when activated.
    HWND focus = ChildOf(dialog, GetFocus());
    if (!focus) focus = lastFocus;
    // The children's z-order is the tab order.
    for (HWND w = GetWindow(dialog, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(w) - win::WinFormWindows::kFirstControlId;
        if (id < 0 || static_cast<std::size_t>(id) >= design.controls.size()) continue;
        const ControlDesign& c = design.controls[static_cast<std::size_t>(id)];
        if (c.kind == L"Line") continue;
        out += LabelOf(c) + L" " + c.kind + L" " + Quoted(Shown(c, w));
        if (c.kind == L"CheckBox" || c.kind == L"OptionButton") {
            const LRESULT state = SendMessageW(w, BM_GETCHECK, 0, 0);
            out += state == BST_CHECKED ? L" checked" : state == BST_INDETERMINATE ? L" grayed" : L" unchecked";
        }
        if (!IsWindowEnabled(w)) out += L" [disabled]";
        if (!Shows(w)) out += L" [hidden]";
        if (c.kind == L"CommandButton" && GetDlgCtrlID(w) == defaultId) out += L" [default]";
        if (c.isCancel) out += L" [cancel]";
        if (w == focus) out += L" [focus]";
        if (c.kind == L"ComboBox" && SendMessageW(w, CB_GETDROPPEDSTATE, 0, 0)) out += L" [dropped]";
        out += L"\n";
        if (c.kind == L"ComboBox") {
            const auto count = SendMessageW(w, CB_GETCOUNT, 0, 0);
            const auto selected = SendMessageW(w, CB_GETCURSEL, 0, 0);
            if (count > 0) out += L"  list:";
            for (LRESULT i = 0; i < count; ++i) {
                const auto n = SendMessageW(w, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
                std::wstring entry(static_cast<std::size_t>(n < 0 ? 0 : n) + 1, L'\0');
                SendMessageW(w, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry.data()));
                entry.resize(std::wcslen(entry.c_str()));
                out += i ? L" |" : L"";
                out += i == selected ? L" [" + entry + L"]" : L" " + entry;
            }
            if (count > 0) out += L"\n";
        }
    }
    return out;
}

// --- The user's input ---------------------------------------------------------------------------

// A control of a dialog a user could reach: it exists, shows and is enabled, in a shown dialog.
HWND UsableControl(HWND dialog, const FormDesign& design, const std::wstring& name, const ControlDesign*& design_) {
    for (std::size_t i = 0; i < design.controls.size(); ++i) {
        if (!EqualsNoCase(LabelOf(design.controls[i]), name)) continue;
        HWND w = GetDlgItem(dialog, win::WinFormWindows::kFirstControlId + static_cast<int>(i));
        if (!w) Fail(L"no control \"" + name + L"\" in the window");
        if (!IsWindowVisible(dialog)) Fail(L"the dialog is hidden");
        if (!Shows(w)) Fail(name + L" is hidden");
        if (!IsWindowEnabled(w)) Fail(name + L" is disabled");
        design_ = &design.controls[i];
        return w;
    }
    Fail(L"no control \"" + name + L"\"");
}

// A mouse click (down and up) at a point of a window's client area.
void MouseClick(HWND w, POINT at, bool right) {
    const LPARAM lp = MAKELPARAM(at.x, at.y);
    SendMessageW(w, WM_MOUSEMOVE, 0, lp);
    SendMessageW(w, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, lp);
    if (IsWindow(w)) SendMessageW(w, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, lp);
}

POINT CenterOf(HWND w) {
    RECT r{};
    GetClientRect(w, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The focus moves there as a click does; the dialog hears it from the focus notifications.
void FocusOn(HWND w) {
    SetFocus(w);
    Pump();
}

// One key: down and up posted through the thread's queue (the dialog's hook and IsDialogMessage
// see them); Shift or Alt held as the key state and the message say.
void PostKey(HWND to, UINT vk, bool shift, bool alt) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    if (shift) {
        state[VK_SHIFT] |= 0x80;
        state[VK_LSHIFT] |= 0x80;
        SetKeyboardState(state);
    }
    if (alt) {
        PostMessageW(to, WM_SYSKEYDOWN, vk, 0x20000001);
        Pump();
        if (IsWindow(to)) PostMessageW(to, WM_SYSKEYUP, vk, static_cast<LPARAM>(0xE0000001u));
    } else {
        PostMessageW(to, WM_KEYDOWN, vk, 1);
        Pump();
        if (IsWindow(to)) PostMessageW(to, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
    }
    Pump();
    if (shift) {
        GetKeyboardState(state);
        state[VK_SHIFT] &= 0x7F;
        state[VK_LSHIFT] &= 0x7F;
        SetKeyboardState(state);
    }
}

void Keys(HWND dialog, const std::vector<std::wstring>& keys) {
    for (const auto& key : keys) {
        if (!IsWindow(dialog)) Fail(L"the dialog closed before \"" + key + L"\"");
        HWND to = GetFocus();
        if (!to || (to != dialog && !IsChild(dialog, to))) {
            // The dialog gets the focus first, as a click on its caption gives it.
            SetForegroundWindow(dialog);
            SetActiveWindow(dialog);
            Pump();
            to = GetFocus();
            if (!to || (to != dialog && !IsChild(dialog, to))) to = dialog;
        }
        if (EqualsNoCase(key, L"Enter")) PostKey(to, VK_RETURN, false, false);
        else if (EqualsNoCase(key, L"Esc")) PostKey(to, VK_ESCAPE, false, false);
        else if (EqualsNoCase(key, L"Tab")) PostKey(to, VK_TAB, false, false);
        else if (EqualsNoCase(key, L"Shift+Tab")) PostKey(to, VK_TAB, true, false);
        else if (EqualsNoCase(key, L"Space")) PostKey(to, VK_SPACE, false, false);
        else if (key.size() == 5 && EqualsNoCase(key.substr(0, 4), L"Alt+") && std::iswalnum(key[4]))
            PostKey(to, static_cast<UINT>(std::towupper(key[4])), false, true);
        else Fail(L"unknown key \"" + key + L"\" (Enter, Esc, Tab, Shift+Tab, Alt+<letter>, Space)");
    }
}

SYSTEMTIME DayOf(const std::wstring& text) {
    int y = 0, m = 0, d = 0;
    if (std::swscanf(text.c_str(), L"%d-%d-%d", &y, &m, &d) != 3 || m < 1 || m > 12 || d < 1 || d > 31 || y < 1601) {
        Fail(L"a date is yyyy-mm-dd: \"" + text + L"\"");
    }
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    FILETIME ft{};
    if (!SystemTimeToFileTime(&st, &ft)) Fail(L"no such date: \"" + text + L"\"");
    FileTimeToSystemTime(&ft, &st);  // the day of the week
    return st;
}

// The user picks a day: the common control takes it and tells its parent (the controls library's
// control) as a pick on the calendar or in the picker does.
void PickDate(const ControlDesign& c, HWND host, const std::wstring& text) {
    const SYSTEMTIME day = DayOf(text);
    HWND inner = InnerWindow(host);
    if (!inner) Fail(LabelOf(c) + L" has no window");
    FocusOn(inner);
    if (!IsWindow(inner)) return;
    const UINT_PTR id = static_cast<UINT_PTR>(GetDlgCtrlID(inner));
    if (c.kind == L"SysMonthCal32") {
        SendMessageW(inner, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&day));
        NMSELCHANGE change{};
        change.nmhdr = {inner, id, static_cast<UINT>(MCN_SELCHANGE)};
        change.stSelStart = day;
        change.stSelEnd = day;
        SendMessageW(GetParent(inner), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&change));
        if (IsWindow(inner)) {
            change.nmhdr.code = static_cast<UINT>(MCN_SELECT);
            SendMessageW(GetParent(inner), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&change));
        }
    } else if (c.kind == L"SysDateTimePick32") {
        SendMessageW(inner, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&day));
        NMDATETIMECHANGE change{};
        change.nmhdr = {inner, id, static_cast<UINT>(DTN_DATETIMECHANGE)};
        change.dwFlags = GDT_VALID;
        change.st = day;
        SendMessageW(GetParent(inner), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&change));
    } else {
        Fail(LabelOf(c) + L" takes no date");
    }
    Pump();
}

// A click on the priority bar's button (high, normal, low from the top: command ids 100..102).
void ChoosePriority(HWND host, int priority) {
    HWND toolbar = InnerWindow(host);
    if (!toolbar) Fail(L"barPriority has no window");
    RECT r{};
    if (!SendMessageW(toolbar, TB_GETRECT, static_cast<WPARAM>(102 - priority), reinterpret_cast<LPARAM>(&r))) {
        Fail(L"barPriority shows no such button");
    }
    MouseClick(toolbar, {(r.left + r.right) / 2, (r.top + r.bottom) / 2}, false);
    Pump();
}

// The user replaces the text of an edit field (a TextBox, a ComboBox's edit field) with a paste
// over the whole text: one change notification, as the in-memory window's typing gives.
void TypeText(const ControlDesign& c, HWND w, const std::wstring& text) {
    HWND edit = w;
    if (c.kind == L"ComboBox") {
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (GetComboBoxInfo(w, &info) && info.hwndItem) edit = info.hwndItem;
    } else if (c.kind != L"TextBox") {
        Fail(LabelOf(c) + L" takes no text");
    }
    FocusOn(edit);
    if (!IsWindow(edit) || GetFocus() != edit) return;  // the form refused the focus
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    Pump();
}

void Click(const ControlDesign& c, HWND w, bool right) {
    if (c.kind == L"LinkLabel") {
        HWND label = GetWindow(w, GW_CHILD);
        if (!label) Fail(LabelOf(c) + L" has no window");
        RECT r{};
        GetClientRect(label, &r);
        // Inside the caption, as far as it reaches.
        MouseClick(label, {std::min<LONG>(4, r.right / 2), (r.top + r.bottom) / 2}, right);
        if (IsWindow(label)) SendMessageW(label, WM_MOUSEMOVE, 0, MAKELPARAM(-1000, -1000));
    } else if (c.kind == L"Label") {
        MouseClick(w, CenterOf(w), right);
    } else if (c.kind == L"CommandButton" || c.kind == L"CheckBox" || c.kind == L"OptionButton") {
        if (right) {
            FocusOn(w);
        } else {
            SendMessageW(w, BM_CLICK, 0, 0);
        }
    } else {
        FocusOn(w);
    }
    Pump();
}

std::wstring HexOf(HRESULT hr) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

const FormDesign& DesignOf(bool task) {
    return task ? forms::QuickTaskDesign() : forms::QuickAppointmentDesign();
}

// Which of the two dialogs a window shows: the first control whose kind differs between the
// designs tells (a hosted control of the controls library where the other has a plain window).
bool IsTaskDialog(HWND dialog) {
    const auto& task = forms::QuickTaskDesign().controls;
    const auto& appointment = forms::QuickAppointmentDesign().controls;
    for (std::size_t i = 0; i < task.size() && i < appointment.size(); ++i) {
        if (IsActiveX(task[i].kind) == IsActiveX(appointment[i].kind)) continue;
        HWND child = GetDlgItem(dialog, win::WinFormWindows::kFirstControlId + static_cast<int>(i));
        return child && (ClassOf(child) == L"AtlAxWin") == IsActiveX(task[i].kind);
    }
    return true;
}

}  // namespace

void ComSession::SurfaceAction(const std::function<void()>& action, std::ostream& out) {
    // A message box the action shows is answered while it runs.
    const ModalAnswerer answerer;
    const auto before = DialogWindows();
    NoteFocus();
    action();
    Pump();
    for (HWND d : DialogWindows()) {
        if (std::find(before.begin(), before.end(), d) != before.end()) continue;
        dialogs_.push_back({d, IsTaskDialog(d), nullptr});
        out << "  D" << dialogs_.size() << " opens\n";
    }
    NoteFocus();
}

void ComSession::NoteFocus() {
    HWND focus = GetFocus();
    for (auto& d : dialogs_) {
        if (!IsWindow(d.hwnd)) continue;
        if (HWND child = ChildOf(d.hwnd, focus)) d.focus = child;
    }
}

HWND ComSession::DialogNamed(const std::wstring& name) {
    if (name.size() < 2 || (name[0] != L'D' && name[0] != L'd')) Fail(L"dialogs are D1, D2, ... in order of opening");
    const auto n = ParseNumber(name.substr(1), L"dialog");
    if (n < 1 || static_cast<std::size_t>(n) > dialogs_.size()) Fail(L"no dialog \"" + name + L"\"");
    HWND w = dialogs_[static_cast<std::size_t>(n - 1)].hwnd;
    if (!IsWindow(w)) Fail(L"\"" + name + L"\" is closed");
    return w;
}

bool ComSession::InProcessCommand(const std::vector<std::wstring>& w, std::ostream&) {
    if (w.size() < 2 || !EqualsNoCase(w[0], L"answer")) return false;
    if (EqualsNoCase(w[1], L"msgbox")) {
        ExpectCount(w, 3, L"answer msgbox ok|yes|no");
        if (EqualsNoCase(w[2], L"ok")) g_boxAnswers.push_back(IDOK);
        else if (EqualsNoCase(w[2], L"yes")) g_boxAnswers.push_back(IDYES);
        else if (EqualsNoCase(w[2], L"no")) g_boxAnswers.push_back(IDNO);
        else Fail(L"usage: answer msgbox ok|yes|no");
        return true;
    }
    if (EqualsNoCase(w[1], L"menu")) {
        ExpectCount(w, 3, L"answer menu <command id>|dismiss");
        g_menuAnswers.push_back(EqualsNoCase(w[2], L"dismiss") ? 0u
                                                              : static_cast<UINT>(ParseNumber(w[2], L"answer menu")));
        return true;
    }
    return false;
}

bool ComSession::DialogCommand(const std::vector<std::wstring>& w, const ObjectPtr& item, std::ostream& out) {
    const std::wstring& cmd = w[0];
    // Whatever the command starts, a message box or menu is answered while it runs.
    const ModalAnswerer answerer;
    if (EqualsNoCase(cmd, L"show")) {
        if (!state_) Fail(L"the add-in has no _Connect");
        const auto before = DialogWindows();
        const bool task = EqualsNoCase(w[1], L"task");
        const VARIANT_BOOL topmost = w.size() == 5 ? VARIANT_TRUE : VARIANT_FALSE;
        auto mail = win::ExposeObject(item);
        NoteFocus();
        const HRESULT hr =
            task ? state_->ShowQuickTask(mail.Get(), topmost) : state_->ShowQuickAppointment(mail.Get(), topmost);
        mail = nullptr;
        if (FAILED(hr)) escaped_.push_back(observed_ + (task ? L".ShowQuickTask: " : L".ShowQuickAppointment: ") + HexOf(hr));
        Pump();
        bool opened = false;
        for (HWND d : DialogWindows()) {
            if (std::find(before.begin(), before.end(), d) != before.end()) continue;
            dialogs_.push_back({d, task, nullptr});
            out << "  D" << dialogs_.size() << " opens\n";
            opened = true;
        }
        NoteFocus();
        if (!opened) {
            const HWND active = GetActiveWindow();
            for (std::size_t i = 0; i < dialogs_.size(); ++i) {
                if (dialogs_[i].hwnd == active && IsWindow(active)) out << "  D" << i + 1 << " is active\n";
            }
        }
        return true;
    }
    const HWND dialog = DialogNamed(w.at(1));
    bool task = true;
    for (const auto& d : dialogs_) {
        if (d.hwnd == dialog) task = d.task;
    }
    const FormDesign& design = DesignOf(task);
    const ControlDesign* c = nullptr;
    if (EqualsNoCase(cmd, L"type")) {
        ExpectCount(w, 4, L"type <dialog> <control> <text>");
        HWND ctl = UsableControl(dialog, design, w[2], c);
        TypeText(*c, ctl, w[3]);
    } else if (EqualsNoCase(cmd, L"check")) {
        ExpectCount(w, 4, L"check <dialog> <control> on|off");
        if (!EqualsNoCase(w[3], L"on") && !EqualsNoCase(w[3], L"off")) Fail(L"usage: check <dialog> <control> on|off");
        HWND ctl = UsableControl(dialog, design, w[2], c);
        if (c->kind != L"CheckBox" && c->kind != L"OptionButton") Fail(w[2] + L" is no check box");
        const bool on = EqualsNoCase(w[3], L"on");
        if ((SendMessageW(ctl, BM_GETCHECK, 0, 0) == BST_CHECKED) != on) {
            Click(*c, ctl, false);
        } else {
            FocusOn(ctl);
        }
    } else if (EqualsNoCase(cmd, L"click")) {
        if (w.size() != 3 && !(w.size() == 4 && EqualsNoCase(w[3], L"right"))) {
            Fail(L"usage: click <dialog> <control> [right]");
        }
        HWND ctl = UsableControl(dialog, design, w[2], c);
        Click(*c, ctl, w.size() == 4);
    } else if (EqualsNoCase(cmd, L"date")) {
        ExpectCount(w, 4, L"date <dialog> <control> <yyyy-mm-dd>");
        HWND ctl = UsableControl(dialog, design, w[2], c);
        PickDate(*c, ctl, w[3]);
    } else if (EqualsNoCase(cmd, L"priority")) {
        ExpectCount(w, 3, L"priority <dialog> low|normal|high");
        int priority = 0;
        if (EqualsNoCase(w[2], L"low")) priority = 0;
        else if (EqualsNoCase(w[2], L"normal")) priority = 1;
        else if (EqualsNoCase(w[2], L"high")) priority = 2;
        else Fail(L"usage: priority <dialog> low|normal|high");
        HWND ctl = UsableControl(dialog, design, L"barPriority", c);
        ChoosePriority(ctl, priority);
    } else if (EqualsNoCase(cmd, L"dropdown")) {
        ExpectCount(w, 3, L"dropdown <dialog> <control>");
        HWND ctl = UsableControl(dialog, design, w[2], c);
        if (c->kind != L"ComboBox") Fail(w[2] + L" has no list");
        FocusOn(ctl);
        if (IsWindow(ctl)) SendMessageW(ctl, CB_SHOWDROPDOWN, TRUE, 0);
        Pump();
    } else if (EqualsNoCase(cmd, L"key")) {
        if (w.size() < 3) Fail(L"usage: key <dialog> <keys>   (Enter, Esc, Tab, Shift+Tab, Alt+<letter>, Space)");
        Keys(dialog, std::vector<std::wstring>(w.begin() + 2, w.end()));
    } else if (EqualsNoCase(cmd, L"close")) {
        ExpectCount(w, 2, L"close <dialog>");
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        Pump();
    } else {
        return false;
    }
    NoteFocus();
    return true;
}

bool ComSession::DialogListing(const std::wstring& dialog, std::wstring& text) {
    const HWND w = DialogNamed(dialog);
    NoteFocus();
    bool task = true;
    HWND lastFocus = nullptr;
    for (const auto& d : dialogs_) {
        if (d.hwnd == w) {
            task = d.task;
            lastFocus = IsWindow(d.focus) && IsChild(w, d.focus) ? d.focus : nullptr;
        }
    }
    text = Listing(w, DesignOf(task), lastFocus);
    return true;
}

}  // namespace brisko::tools
