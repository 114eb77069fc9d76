#include "platform/win/win_form_window.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "automation/error.h"
#include "automation/win/dispatch_object.h"
#include "platform/win/win_ax_host.h"
#include "platform/win/win_dialog_keys.h"
#include "platform/win/win_gdi.h"

namespace brisko::win {

namespace {

// Posted to the dialog: see whether the focus moved to another control; a list entry picked.
constexpr UINT kMsgCheckFocus = WM_APP + 0x51;
constexpr UINT kMsgPicked = WM_APP + 0x52;
// How far a combo box's list drops, in lines of its font.
constexpr int kDroppedLines = 12;

int ScreenDpi(int index) {
    ScreenDc dc;
    const int dpi = dc ? GetDeviceCaps(dc.get(), index) : 0;
    return dpi > 0 ? dpi : 96;
}

int TwipsPerPixel(int dpi) { return std::max(1, 1440 / dpi); }

// A font of the window's, deleted when it goes.
class Font {
public:
    Font() = default;
    ~Font() { Reset(); }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    void Reset(HFONT f = nullptr) noexcept {
        if (font_) DeleteObject(font_);
        font_ = f;
    }
    HFONT Get() const noexcept { return font_; }

private:
    HFONT font_ = nullptr;
};

// The host of an ActiveX control hands the focus on to the control's window.
LRESULT CALLBACK HostSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) noexcept {
    if (msg == WM_SETFOCUS) {
        if (HWND child = GetWindow(hwnd, GW_CHILD)) {
            SetFocus(child);
            return 0;
        }
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &HostSubclass, 1);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

bool TakesFocus(FormControlKind kind) {
    switch (kind) {
        case FormControlKind::CommandButton:
        case FormControlKind::CheckBox:
        case FormControlKind::OptionButton:
        case FormControlKind::TextBox:
        case FormControlKind::ComboBox:
        case FormControlKind::PictureBox:
        case FormControlKind::ActiveX:
            return true;
        default:
            return false;
    }
}

std::wstring WindowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(std::max(n, 0)) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

class WinFormWindow final : public FormWindow, public DialogKeyTarget, public std::enable_shared_from_this<WinFormWindow> {
public:
    static constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
    static constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

    WinFormWindow(HINSTANCE instance, AxHosting& ax, FormWindowEvents& events)
        : instance_(instance), ax_(ax), events_(events) {
        tppX_ = TwipsPerPixel(ScreenDpi(LOGPIXELSX));
        tppY_ = TwipsPerPixel(ScreenDpi(LOGPIXELSY));
    }
    ~WinFormWindow() override { Destroy(); }
    WinFormWindow(const WinFormWindow&) = delete;
    WinFormWindow& operator=(const WinFormWindow&) = delete;

    void Open(const std::wstring& caption, const TwipsRect& rect);

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

    // DialogKeyTarget
    HWND DialogWindow() const noexcept override { return hwnd_; }
    bool Route(MSG& msg) noexcept override;

    // FormWindow
    std::uintptr_t Handle() const override { return reinterpret_cast<std::uintptr_t>(hwnd_); }
    int TwipsPerPixelX() const override { return tppX_; }
    int TwipsPerPixelY() const override { return tppY_; }
    ObjectPtr AddControl(const ControlSetup& setup) override;
    void AttachLinkLabel(int id, LinkLabelView& view) override;
    void SetCaption(const std::wstring& caption) override {
        if (hwnd_) SetWindowTextW(hwnd_, caption.c_str());
    }
    void SetRect(const TwipsRect& rect) override;
    void SetEnabled(bool enabled) override {
        if (hwnd_) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
    }
    void SetControlProperty(int id, ControlProperty property, const Value& value) override;
    void SetControlRect(int id, const TwipsRect& rect) override;
    void SetLineEnds(int id, TwipsPoint from, TwipsPoint to) override;
    void SetControlPicture(int id, const std::vector<std::uint8_t>& file) override;
    TwipsSize MeasureCaption(int id, const std::wstring& caption) override;
    void ListInsert(int id, int index, const std::wstring& text) override;
    void ListRemove(int id, int index) override;
    void ListClear(int id) override;
    void ListSelect(int id, int index) override;
    void SetFocus(int id) override;
    int FocusedControl() const override { return focused_; }
    void Show() override;
    void Hide() override {
        if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
    }
    bool Visible() const override { return hwnd_ && IsWindowVisible(hwnd_); }
    void Activate() override {
        if (hwnd_) SetActiveWindow(hwnd_);
    }
    void MakeTopmost() override {
        if (hwnd_) {
            SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | (IsWindowVisible(hwnd_) ? 0 : SWP_NOACTIVATE));
        }
    }
    void ClearOwner() override {
        if (hwnd_) SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, 0);
    }
    void SendUIState(std::uint32_t message, std::uint32_t wParam) override {
        if (hwnd_) SendMessageW(hwnd_, message, wParam, 0);
    }
    void Destroy() noexcept override;

private:
    struct Control {
        ControlSetup setup;
        HWND hwnd = nullptr;  // a child of the dialog, destroyed with it
        ObjectPtr object;     // ActiveX
        ComPtr<IUnknown> unknown;
        ComPtr<IPicture> picture;  // PictureBox, Image: owns the bitmap the window shows
        int selStart = 0;
    };

    int Px(int twips) const { return static_cast<int>(std::lround(static_cast<double>(twips) / tppX_)); }
    int Py(int twips) const { return static_cast<int>(std::lround(static_cast<double>(twips) / tppY_)); }
    RECT Pixels(const TwipsRect& r) const {
        const int left = Px(r.left), top = Py(r.top);
        return {left, top, left + std::max(0, Px(r.width)), top + std::max(0, Py(r.height))};
    }
    RECT LineRect(TwipsPoint from, TwipsPoint to) const;
    Control* Find(int id) noexcept;
    Control& At(int id);
    int ControlOf(HWND hwnd) const noexcept;
    bool CanFocus(const Control& c) const {
        return TakesFocus(c.setup.kind) && c.hwnd && IsWindowVisible(c.hwnd) && IsWindowEnabled(c.hwnd);
    }
    HFONT FontFor(const Control& c);
    void Place(Control& c, const RECT& r);
    void Reorder();
    void UpdateTip(Control& c);
    // Compares the focus with the control the form last heard of; asks the form about a move the
    // user made (restoring the focus when it refuses). False when the focus had to go back.
    bool CheckFocus();
    bool Alive() const noexcept { return !destroyed_; }
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    void Command(int controlId, int code, HWND from);

    HINSTANCE instance_;
    AxHosting& ax_;
    FormWindowEvents& events_;
    HWND hwnd_ = nullptr;
    std::unique_ptr<DialogKeyRoute> route_;
    std::vector<Control> controls_;
    Font font_;
    Font bold_;
    // The tooltips: a window without an owner (an owned topmost popup keeps Wine from making the
    // dialog topmost), destroyed with the dialog's window.
    HWND tip_ = nullptr;
    int tppX_ = 15;
    int tppY_ = 15;
    int focused_ = -1;
    int cancel_ = -1;
    int updating_ = 0;  // the window itself changes a control: its notifications are no input
    bool restoring_ = false;
    bool orderDirty_ = false;
    bool destroyed_ = false;
};

// A change the window makes itself, not the user.
class Updating {
public:
    explicit Updating(int& depth) : depth_(depth) { ++depth_; }
    ~Updating() { --depth_; }
    Updating(const Updating&) = delete;
    Updating& operator=(const Updating&) = delete;

private:
    int& depth_;
};

void WinFormWindow::Open(const std::wstring& caption, const TwipsRect& rect) {
    const int dpiY = ScreenDpi(LOGPIXELSY);
    font_.Reset(CreateFontW(-MulDiv(8, dpiY, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            L"MS Shell Dlg"));
    HWND hwnd = CreateWindowExW(kExStyle, WinFormWindows::kClassName, caption.c_str(), kStyle, 0, 0, 100, 100, nullptr,
                                nullptr, instance_, nullptr);
    if (!hwnd) Raise(err::CantCreateObject, L"The window of the form can't be created");
    hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetRect(rect);
    route_ = std::make_unique<DialogKeyRoute>(*this);
}

HFONT WinFormWindow::FontFor(const Control& c) {
    if (!c.setup.fontBold) return font_.Get() ? font_.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!bold_.Get()) {
        LOGFONTW lf{};
        if (font_.Get() && GetObjectW(font_.Get(), sizeof lf, &lf)) {
            lf.lfWeight = FW_BOLD;
            bold_.Reset(CreateFontIndirectW(&lf));
        }
    }
    return bold_.Get() ? bold_.Get() : font_.Get();
}

void WinFormWindow::SetRect(const TwipsRect& rect) {
    if (!hwnd_) return;
    RECT frame{0, 0, Px(std::max(0, rect.width - WinFormWindows::kModelFrameWidth)),
               Py(std::max(0, rect.height - WinFormWindows::kModelFrameHeight))};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    SetWindowPos(hwnd_, nullptr, Px(rect.left), Py(rect.top), frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT WinFormWindow::LineRect(TwipsPoint from, TwipsPoint to) const {
    const int x1 = Px(std::min(from.x, to.x)), x2 = Px(std::max(from.x, to.x));
    const int y1 = Py(std::min(from.y, to.y)), y2 = Py(std::max(from.y, to.y));
    if (y2 - y1 <= x2 - x1) return {x1, y1, std::max(x2, x1 + 1), y1 + 2};  // horizontal: an etched pair
    return {x1, y1, x1 + 2, y2};
}

WinFormWindow::Control* WinFormWindow::Find(int id) noexcept {
    for (auto& c : controls_) {
        if (c.setup.id == id) return &c;
    }
    return nullptr;
}

WinFormWindow::Control& WinFormWindow::At(int id) {
    Control* c = Find(id);
    if (!c) Raise(err::InvalidCall, L"Invalid procedure call or argument");
    return *c;
}

int WinFormWindow::ControlOf(HWND hwnd) const noexcept {
    if (!hwnd || !hwnd_ || !IsChild(hwnd_, hwnd)) return -1;
    while (hwnd && GetParent(hwnd) != hwnd_) hwnd = GetParent(hwnd);
    for (const auto& c : controls_) {
        if (c.hwnd && c.hwnd == hwnd) return c.setup.id;
    }
    return -1;
}

void WinFormWindow::Place(Control& c, const RECT& r) {
    if (!c.hwnd) return;
    int height = r.bottom - r.top;
    if (c.setup.kind == FormControlKind::ComboBox) {
        // The window's height is the closed field's and the dropped list's.
        const LRESULT item = SendMessageW(c.hwnd, CB_GETITEMHEIGHT, 0, 0);
        height += kDroppedLines * static_cast<int>(item > 0 ? item : 13) + 2;
    }
    SetWindowPos(c.hwnd, nullptr, r.left, r.top, r.right - r.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (c.unknown) {
        RECT client{0, 0, r.right - r.left, r.bottom - r.top};
        SetControlRects(c.unknown.Get(), client);
    }
}

void WinFormWindow::Reorder() {
    orderDirty_ = false;
    std::vector<const Control*> order;
    for (const auto& c : controls_) {
        if (c.hwnd) order.push_back(&c);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Control* a, const Control* b) { return a->setup.tabIndex < b->setup.tabIndex; });
    HWND after = HWND_TOP;
    for (const Control* c : order) {
        SetWindowPos(c->hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        after = c->hwnd;
    }
}

void WinFormWindow::UpdateTip(Control& c) {
    if (!c.hwnd || c.setup.kind == FormControlKind::LinkLabel) return;  // the link label keeps its own
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(c.hwnd);
    ti.lpszText = const_cast<wchar_t*>(c.setup.toolTipText.c_str());
    if (!tip_) {
        if (c.setup.toolTipText.empty()) return;
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, nullptr);
        if (!tip_) return;  // no tooltip is no failure of the form
    }
    TOOLINFOW probe = ti;
    probe.lpszText = nullptr;
    const bool known = SendMessageW(tip_, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&probe)) != 0;
    if (c.setup.toolTipText.empty()) {
        if (known) SendMessageW(tip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    } else {
        SendMessageW(tip_, known ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

ObjectPtr WinFormWindow::AddControl(const ControlSetup& setup) {
    if (destroyed_ || !hwnd_) Raise(err::InvalidCall, L"The window is gone");
    Control c;
    c.setup = setup;
    const int childId = WinFormWindows::kFirstControlId + setup.id;
    const DWORD common = WS_CHILD | (setup.visible ? WS_VISIBLE : 0u) | (setup.enabled ? 0u : WS_DISABLED);
    const DWORD tab = setup.tabStop ? WS_TABSTOP : 0u;
    const RECT r = setup.kind == FormControlKind::Line ? LineRect(setup.lineFrom, setup.lineTo) : Pixels(setup.rect);
    const wchar_t* cls = nullptr;
    std::wstring text;
    DWORD style = common;
    DWORD ex = 0;
    switch (setup.kind) {
        case FormControlKind::Label:
            cls = L"STATIC";
            text = setup.caption;
            style |= SS_LEFT | SS_NOTIFY;
            break;
        case FormControlKind::CommandButton:
            cls = L"BUTTON";
            text = setup.caption;
            style |= tab | (setup.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            break;
        case FormControlKind::CheckBox:
            cls = L"BUTTON";
            text = setup.caption;
            style |= tab | BS_AUTOCHECKBOX;
            break;
        case FormControlKind::OptionButton:
            cls = L"BUTTON";
            text = setup.caption;
            style |= tab | BS_AUTORADIOBUTTON;
            break;
        case FormControlKind::Frame:
            cls = L"BUTTON";
            text = setup.caption;
            style |= BS_GROUPBOX;
            break;
        case FormControlKind::TextBox:
            cls = L"EDIT";
            text = setup.text;
            style |= tab | ES_AUTOHSCROLL | ES_LEFT;
            ex = WS_EX_CLIENTEDGE;
            break;
        case FormControlKind::ComboBox:
            cls = L"COMBOBOX";
            style |= tab | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;
            break;
        case FormControlKind::PictureBox:
        case FormControlKind::Image:
            cls = L"STATIC";
            style |= SS_BITMAP;
            break;
        case FormControlKind::Line: {
            cls = L"STATIC";
            style |= (r.bottom - r.top) <= 2 ? SS_ETCHEDHORZ : SS_ETCHEDVERT;
            break;
        }
        case FormControlKind::LinkLabel:
            // Made by the form on this window and attached.
            controls_.push_back(std::move(c));
            orderDirty_ = true;
            return nullptr;
        case FormControlKind::ActiveX: {
            HWND host = ax_.Create(hwnd_, setup.classId, r, childId, c.unknown);
            c.hwnd = host;
            auto undo = [&]() noexcept {
                CloseControl(c.unknown.Get());
                c.unknown.Reset();
                DestroyWindow(host);
            };
            try {
                SetWindowSubclass(host, &HostSubclass, 1, 0);
                if (!setup.tabStop) SetWindowLongW(host, GWL_STYLE, GetWindowLongW(host, GWL_STYLE) & ~WS_TABSTOP);
                if (!setup.enabled) EnableWindow(host, FALSE);
                if (!setup.visible) ShowWindow(host, SW_HIDE);
                SetControlRects(c.unknown.Get(), RECT{0, 0, r.right - r.left, r.bottom - r.top});
                c.object = DispatchObject::WrapUnknown(c.unknown.Get());
                controls_.push_back(std::move(c));
            } catch (...) {
                undo();
                throw;
            }
            orderDirty_ = true;
            return controls_.back().object;
        }
    }
    HWND child = CreateWindowExW(ex, cls, text.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(childId)), instance_, nullptr);
    if (!child) Raise(err::CantCreateObject, L"The window of " + setup.name + L" can't be created");
    c.hwnd = child;
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c)), FALSE);
    if (setup.kind == FormControlKind::ComboBox) {
        Updating guard(updating_);
        Place(c, r);  // now that its font gives the list's line height
        SetWindowTextW(child, setup.text.c_str());
    }
    if (setup.kind == FormControlKind::CheckBox || setup.kind == FormControlKind::OptionButton) {
        SendMessageW(child, BM_SETCHECK, setup.value == 2 ? BST_INDETERMINATE : setup.value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    controls_.push_back(std::move(c));
    Control& added = controls_.back();
    if (setup.kind == FormControlKind::CommandButton && setup.isDefault) SendMessageW(hwnd_, DM_SETDEFID, childId, 0);
    if (setup.kind == FormControlKind::CommandButton && setup.isCancel) cancel_ = setup.id;
    if (!setup.toolTipText.empty()) UpdateTip(added);
    orderDirty_ = true;
    return nullptr;
}

void WinFormWindow::AttachLinkLabel(int id, LinkLabelView& view) {
    Control& c = At(id);
    c.hwnd = reinterpret_cast<HWND>(view.Window());
    if (c.hwnd) SetWindowLongPtrW(c.hwnd, GWLP_ID, WinFormWindows::kFirstControlId + id);
    orderDirty_ = true;
    if (Visible()) Reorder();
}

void WinFormWindow::SetControlProperty(int id, ControlProperty property, const Value& value) {
    Control& c = At(id);
    HWND w = c.hwnd;
    const FormControlKind kind = c.setup.kind;
    switch (property) {
        case ControlProperty::Caption:
            c.setup.caption = value.AsString();
            if (w && kind != FormControlKind::LinkLabel && kind != FormControlKind::ActiveX) {
                SetWindowTextW(w, c.setup.caption.c_str());
            }
            break;
        case ControlProperty::Text:
            c.setup.text = value.AsString();
            if (w && (kind == FormControlKind::TextBox || kind == FormControlKind::ComboBox)) {
                Updating guard(updating_);
                if (WindowText(w) != c.setup.text) SetWindowTextW(w, c.setup.text.c_str());
            }
            break;
        case ControlProperty::Value:
            c.setup.value = value.type() == VarType::Boolean ? (value.AsBool() ? 1 : 0) : value.AsInt();
            if (w && (kind == FormControlKind::CheckBox || kind == FormControlKind::OptionButton)) {
                Updating guard(updating_);
                SendMessageW(w, BM_SETCHECK,
                             c.setup.value == 2 ? BST_INDETERMINATE : c.setup.value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            break;
        case ControlProperty::Visible:
            c.setup.visible = value.AsBool();
            if (w) ShowWindow(w, c.setup.visible ? SW_SHOWNA : SW_HIDE);
            break;
        case ControlProperty::Enabled:
            c.setup.enabled = value.AsBool();
            if (w) EnableWindow(w, c.setup.enabled ? TRUE : FALSE);
            break;
        case ControlProperty::FontBold:
            c.setup.fontBold = value.AsBool();
            if (w && kind != FormControlKind::LinkLabel && kind != FormControlKind::ActiveX) {
                SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c)), TRUE);
            }
            break;
        case ControlProperty::Default: {
            c.setup.isDefault = value.AsBool();
            if (kind != FormControlKind::CommandButton) break;
            const int childId = WinFormWindows::kFirstControlId + id;
            if (c.setup.isDefault) {
                SendMessageW(hwnd_, DM_SETDEFID, childId, 0);
            } else if (LOWORD(SendMessageW(hwnd_, DM_GETDEFID, 0, 0)) == childId) {
                SendMessageW(hwnd_, DM_SETDEFID, 0, 0);
                if (w) SendMessageW(w, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
            }
            break;
        }
        case ControlProperty::Cancel:
            c.setup.isCancel = value.AsBool();
            if (c.setup.isCancel) {
                cancel_ = id;
            } else if (cancel_ == id) {
                cancel_ = -1;
            }
            break;
        case ControlProperty::TabStop:
            c.setup.tabStop = value.AsBool();
            if (w && TakesFocus(kind)) {
                const LONG style = GetWindowLongW(w, GWL_STYLE);
                SetWindowLongW(w, GWL_STYLE, c.setup.tabStop ? style | WS_TABSTOP : style & ~WS_TABSTOP);
            }
            break;
        case ControlProperty::TabIndex:
            c.setup.tabIndex = value.AsInt();
            orderDirty_ = true;
            if (Visible()) Reorder();
            break;
        case ControlProperty::ToolTipText:
            c.setup.toolTipText = value.AsString();
            UpdateTip(c);
            break;
        case ControlProperty::SelStart:
        case ControlProperty::SelLength: {
            const int n = value.AsInt();
            int start = c.selStart, length = 0;
            if (property == ControlProperty::SelStart) {
                start = n;
            } else {
                length = n;
            }
            c.selStart = start;
            if (w && kind == FormControlKind::TextBox) SendMessageW(w, EM_SETSEL, start, start + length);
            if (w && kind == FormControlKind::ComboBox) SendMessageW(w, CB_SETEDITSEL, 0, MAKELPARAM(start, start + length));
            break;
        }
    }
}

void WinFormWindow::SetControlRect(int id, const TwipsRect& rect) {
    Control& c = At(id);
    c.setup.rect = rect;
    if (c.setup.kind == FormControlKind::Line) return;
    Place(c, Pixels(rect));
}

void WinFormWindow::SetLineEnds(int id, TwipsPoint from, TwipsPoint to) {
    Control& c = At(id);
    c.setup.lineFrom = from;
    c.setup.lineTo = to;
    if (!c.hwnd) return;
    const RECT r = LineRect(from, to);
    SetWindowPos(c.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// A picture file's bytes (bitmap, icon, GIF, JPEG) as an OLE picture; nothing when they are none.
ComPtr<IPicture> LoadPictureBytes(const std::vector<std::uint8_t>& file) {
    if (file.empty()) return nullptr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, file.size());
    if (!memory) return nullptr;
    if (void* p = GlobalLock(memory)) {
        std::memcpy(p, file.data(), file.size());
        GlobalUnlock(memory);
    }
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.Put())) || !stream) {
        GlobalFree(memory);
        return nullptr;
    }
    ComPtr<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.Get(), static_cast<LONG>(file.size()), FALSE, IID_IPicture, picture.PutVoid()))) {
        return nullptr;
    }
    return picture;
}

void WinFormWindow::SetControlPicture(int id, const std::vector<std::uint8_t>& file) {
    Control& c = At(id);
    // Buttons and check boxes of the standard style show no picture.
    if (!c.hwnd || (c.setup.kind != FormControlKind::PictureBox && c.setup.kind != FormControlKind::Image)) return;
    ComPtr<IPicture> picture = LoadPictureBytes(file);
    short type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (picture && (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(picture->get_Handle(&handle)))) {
        picture.Reset();  // a bitmap is what a static shows
        handle = 0;
    }
    SendMessageW(c.hwnd, STM_SETIMAGE, IMAGE_BITMAP, static_cast<LPARAM>(handle));
    c.picture = std::move(picture);  // the previous one goes after the window let it go
}

TwipsSize WinFormWindow::MeasureCaption(int id, const std::wstring& caption) {
    const Control& c = At(id);
    HWND w = c.hwnd ? c.hwnd : hwnd_;
    HDC dc = GetDC(w);
    if (!dc) return {};
    TwipsSize size;
    {
        Selection font(dc, FontFor(c));
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        if (caption.empty()) {
            size = {0, tm.tmHeight * tppY_};
        } else {
            RECT r{0, 0, 0, 0};
            DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &r, DT_CALCRECT | DT_LEFT | DT_EXPANDTABS);
            size = {(r.right - r.left) * tppX_, std::max<LONG>(r.bottom - r.top, tm.tmHeight) * tppY_};
        }
    }
    ReleaseDC(w, dc);
    return size;
}

void WinFormWindow::ListInsert(int id, int index, const std::wstring& text) {
    Control& c = At(id);
    if (!c.hwnd) return;
    Updating guard(updating_);
    SendMessageW(c.hwnd, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}

void WinFormWindow::ListRemove(int id, int index) {
    Control& c = At(id);
    if (!c.hwnd) return;
    Updating guard(updating_);
    // Removing the selected entry keeps the edit field's text.
    const std::wstring text = WindowText(c.hwnd);
    SendMessageW(c.hwnd, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
    if (WindowText(c.hwnd) != text) SetWindowTextW(c.hwnd, text.c_str());
}

void WinFormWindow::ListClear(int id) {
    Control& c = At(id);
    if (!c.hwnd) return;
    Updating guard(updating_);
    SendMessageW(c.hwnd, CB_RESETCONTENT, 0, 0);
    SetWindowTextW(c.hwnd, L"");
}

void WinFormWindow::ListSelect(int id, int index) {
    Control& c = At(id);
    if (!c.hwnd) return;
    Updating guard(updating_);
    if (index >= 0) {
        SendMessageW(c.hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return;
    }
    // No entry: the edit field keeps its text.
    const std::wstring text = WindowText(c.hwnd);
    SendMessageW(c.hwnd, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetWindowTextW(c.hwnd, text.c_str());
}

void WinFormWindow::SetFocus(int id) {
    Control& c = At(id);
    if (destroyed_ || !Visible() || !IsWindowEnabled(hwnd_) || !CanFocus(c)) {
        Raise(err::InvalidCall, L"Invalid procedure call or argument");
    }
    const auto self = shared_from_this();
    {
        Updating guard(updating_);
        SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(c.hwnd), TRUE);
    }
    const int from = focused_;
    if (destroyed_ || from == id) return;
    focused_ = id;
    events_.FocusMoved(from, id);
}

void WinFormWindow::Show() {
    if (destroyed_ || !hwnd_) return;
    const auto self = shared_from_this();
    if (orderDirty_) Reorder();
    ShowWindow(hwnd_, SW_SHOW);
    if (destroyed_) return;
    SetActiveWindow(hwnd_);
    if (destroyed_ || focused_ >= 0) return;
    int id = ControlOf(GetFocus());
    HWND target = nullptr;
    if (id < 0) {
        target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
        id = ControlOf(target);
    }
    if (id < 0) return;
    if (target) SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
    if (destroyed_) return;
    focused_ = id;
    events_.FocusMoved(-1, id);
}

bool WinFormWindow::CheckFocus() {
    if (destroyed_ || restoring_ || updating_) return true;
    const int now = ControlOf(GetFocus());
    if (now < 0 || now == focused_) return true;  // elsewhere: the form keeps its last control
    const int from = focused_;
    const auto self = shared_from_this();
    if (!events_.UserFocusChanging(from, now)) {
        if (destroyed_) return false;
        if (Control* back = Find(from); back && back->hwnd) {
            restoring_ = true;
            SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(back->hwnd), TRUE);
            restoring_ = false;
        }
        return false;
    }
    if (destroyed_) return false;
    focused_ = now;
    events_.FocusMoved(from, now);
    return !destroyed_;
}

bool WinFormWindow::Route(MSG& msg) noexcept {
    if (destroyed_ || !hwnd_) return false;
    try {
        const auto self = shared_from_this();
        if (msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN || msg.message == WM_MBUTTONDOWN) {
            PostMessageW(hwnd_, kMsgCheckFocus, 0, 0);
            return false;
        }
        if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
            if (!CheckFocus() && destroyed_) return true;
            if (focused_ >= 0) {
                int shift = 0;
                if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftMask;
                if (GetKeyState(VK_CONTROL) < 0) shift |= kCtrlMask;
                if (GetKeyState(VK_MENU) < 0 || (msg.lParam & (1 << 29))) shift |= kAltMask;
                events_.UserKeyDown(focused_, static_cast<int>(msg.wParam), shift);
                if (destroyed_) return true;
            }
        }
        const bool handled = IsDialogMessageW(hwnd_, &msg) != FALSE;
        if (!destroyed_) PostMessageW(hwnd_, kMsgCheckFocus, 0, 0);
        return handled;
    } catch (...) {
        return false;
    }
}

void WinFormWindow::Command(int controlId, int code, HWND from) {
    if (controlId == IDCANCEL && ControlOf(from) < 0) {
        // Esc (IsDialogMessage): the cancel button, when there is one a user could press.
        Control* cancel = Find(cancel_);
        if (cancel && cancel->hwnd && IsWindowVisible(cancel->hwnd) && IsWindowEnabled(cancel->hwnd)) {
            events_.UserClicked(cancel_, kLinkButtonLeft);
        }
        return;
    }
    const int id = controlId - WinFormWindows::kFirstControlId;
    Control* c = Find(id);
    if (!c || !c->hwnd || from != c->hwnd || updating_) return;
    switch (c->setup.kind) {
        case FormControlKind::CommandButton:
            if (code == BN_CLICKED) {
                // The focus moves first; a refused move is no press.
                if (!CheckFocus() || destroyed_) return;
                events_.UserClicked(id, kLinkButtonLeft);
            }
            break;
        case FormControlKind::CheckBox:
        case FormControlKind::OptionButton:
            if (code == BN_CLICKED) {
                const LRESULT state = SendMessageW(c->hwnd, BM_GETCHECK, 0, 0);
                const int value = state == BST_CHECKED ? 1 : state == BST_INDETERMINATE ? 2 : 0;
                if (!CheckFocus()) {
                    // Refused: the box shows what the form holds.
                    if (Control* again = Find(id); !destroyed_ && again) {
                        Updating guard(updating_);
                        SendMessageW(again->hwnd, BM_SETCHECK, again->setup.value ? BST_CHECKED : BST_UNCHECKED, 0);
                    }
                    return;
                }
                if (destroyed_) return;
                c = Find(id);
                if (!c) return;
                c->setup.value = value;
                events_.UserValueChanged(id, value);
            }
            break;
        case FormControlKind::Label:
            if (code == STN_CLICKED) events_.UserClicked(id, kLinkButtonLeft);
            break;
        case FormControlKind::TextBox:
            if (code == EN_CHANGE) {
                c->setup.text = WindowText(c->hwnd);
                const std::wstring text = c->setup.text;
                events_.UserTextChanged(id, text);
            } else if (code == EN_SETFOCUS) {
                PostMessageW(hwnd_, kMsgCheckFocus, 0, 0);
            }
            break;
        case FormControlKind::ComboBox:
            if (code == CBN_EDITCHANGE) {
                c->setup.text = WindowText(c->hwnd);
                const std::wstring text = c->setup.text;
                events_.UserTextChanged(id, text);
            } else if (code == CBN_DROPDOWN) {
                if (!CheckFocus() || destroyed_) return;
                events_.UserDroppedDown(id);
            } else if (code == CBN_SELCHANGE) {
                // Told once the combo box has put the entry into its edit field.
                const LRESULT index = SendMessageW(c->hwnd, CB_GETCURSEL, 0, 0);
                if (index != CB_ERR) PostMessageW(hwnd_, kMsgPicked, static_cast<WPARAM>(id), index);
            } else if (code == CBN_SETFOCUS) {
                PostMessageW(hwnd_, kMsgCheckFocus, 0, 0);
            }
            break;
        default:
            break;
    }
}

bool WinFormWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_COMMAND:
            Command(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            result = 0;
            return true;
        case kMsgCheckFocus:
            CheckFocus();
            result = 0;
            return true;
        case kMsgPicked: {
            const int id = static_cast<int>(wp);
            Control* c = Find(id);
            // Only while the entry is still the one picked.
            if (c && c->hwnd && SendMessageW(c->hwnd, CB_GETCURSEL, 0, 0) == lp) {
                c->setup.text = WindowText(c->hwnd);
                events_.UserPicked(id, static_cast<int>(lp));
            }
            result = 0;
            return true;
        }
        case WM_CLOSE:
            // The close box and Alt+F4: the form decides.
            events_.UserClosing();
            result = 0;
            return true;
        case WM_ACTIVATE:
            result = DefDlgProcW(hwnd_, msg, wp, lp);
            if (LOWORD(wp) != WA_INACTIVE && !destroyed_) {
                events_.Activated();
                if (!destroyed_) PostMessageW(hwnd_, kMsgCheckFocus, 0, 0);
            }
            return true;
        case WM_GETFONT:
            result = reinterpret_cast<LRESULT>(font_.Get());
            return true;
        default:
            return false;
    }
}

LRESULT CALLBACK WinFormWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    auto* raw = reinterpret_cast<WinFormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    std::shared_ptr<WinFormWindow> self = raw ? raw->weak_from_this().lock() : nullptr;
    if (self && !self->destroyed_) {
        try {
            LRESULT result = 0;
            if (self->HandleMessage(msg, wp, lp, result)) return result;
        } catch (...) {
            // Nothing leaves a window procedure.
        }
        if (msg == WM_NCDESTROY) {
            // Destroyed by someone else: the form's window is gone.
            if (self->tip_) DestroyWindow(std::exchange(self->tip_, nullptr));
            self->hwnd_ = nullptr;
            self->destroyed_ = true;
            self->route_.reset();
        }
    }
    return DefDlgProcW(hwnd, msg, wp, lp);
}

void WinFormWindow::Destroy() noexcept {
    if (destroyed_) return;
    destroyed_ = true;
    route_.reset();
    for (auto& c : controls_) {
        CloseControl(c.unknown.Get());
        c.unknown.Reset();
        c.object.reset();
    }
    if (HWND hwnd = std::exchange(hwnd_, nullptr)) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
    }
    if (tip_) DestroyWindow(std::exchange(tip_, nullptr));
    for (auto& c : controls_) c.hwnd = nullptr;
}

}  // namespace

WinFormWindows::WinFormWindows(std::uintptr_t moduleInstance)
    : instance_(moduleInstance), ax_(std::make_unique<AxHosting>()) {}

WinFormWindows::~WinFormWindows() {
    if (registered_) UnregisterClassW(kClassName, reinterpret_cast<HINSTANCE>(instance_));
}

std::shared_ptr<FormWindow> WinFormWindows::Create(const std::wstring& /*formName*/, const std::wstring& caption,
                                                   const TwipsRect& rect, FormWindowEvents& events) {
    auto instance = reinterpret_cast<HINSTANCE>(instance_);
    if (!registered_) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &WinFormWindow::Proc;
        wc.cbWndExtra = DLGWINDOWEXTRA;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        wc.lpszClassName = kClassName;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            Raise(err::CantCreateObject, L"The form window's class can't be registered");
        }
        registered_ = true;
    }
    auto window = std::make_shared<WinFormWindow>(instance, *ax_, events);
    window->Open(caption, rect);
    return window;
}

int WinFormWindows::TwipsPerPixelX() const { return TwipsPerPixel(ScreenDpi(LOGPIXELSX)); }
int WinFormWindows::TwipsPerPixelY() const { return TwipsPerPixel(ScreenDpi(LOGPIXELSY)); }

}  // namespace brisko::win
