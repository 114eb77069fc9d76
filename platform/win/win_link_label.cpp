#include "platform/win/win_link_label.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "automation/error.h"

namespace brisko::win {

namespace {

constexpr int kLabelId = 1;

// A GDI object, deleted when it goes.
template <class H>
class Gdi {
public:
    Gdi() = default;
    explicit Gdi(H h) : h_(h) {}
    ~Gdi() { Reset(); }
    Gdi(const Gdi&) = delete;
    Gdi& operator=(const Gdi&) = delete;
    void Reset(H h = nullptr) noexcept {
        if (h_) DeleteObject(h_);
        h_ = h;
    }
    H Get() const noexcept { return h_; }

private:
    H h_ = nullptr;
};

// A window, destroyed when it goes unless it is gone already.
class OwnedWindow {
public:
    OwnedWindow() = default;
    ~OwnedWindow() { Reset(); }
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;
    void Reset(HWND h = nullptr) noexcept {
        if (h_ && IsWindow(h_)) DestroyWindow(h_);
        h_ = h;
    }
    // Forgets a window that was destroyed with its parent.
    void Forget() noexcept { h_ = nullptr; }
    HWND Get() const noexcept { return h_; }

private:
    HWND h_ = nullptr;
};

// A device context of a window, released when it goes; the font selected into it comes back out.
class WindowDc {
public:
    WindowDc(HWND window, HFONT font) : window_(window), dc_(GetDC(window)) {
        if (dc_ && font) old_ = SelectObject(dc_, font);
    }
    ~WindowDc() {
        if (!dc_) return;
        if (old_) SelectObject(dc_, old_);
        ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

COLORREF ToColorRef(std::uint32_t oleColor) {
    if (oleColor & 0x80000000u) return GetSysColor(static_cast<int>(oleColor & 0xFFu));
    return static_cast<COLORREF>(oleColor & 0xFFFFFFu);
}

// The original window procedure of the STATIC class, under every subclassed label.
WNDPROC g_staticProc = nullptr;

class WinLinkLabelView final : public LinkLabelView {
public:
    WinLinkLabelView(HINSTANCE instance, HWND parent, LinkLabelEvents& events);
    ~WinLinkLabelView() override;
    WinLinkLabelView(const WinLinkLabelView&) = delete;
    WinLinkLabelView& operator=(const WinLinkLabelView&) = delete;

    void SetCaption(const std::wstring& caption) override;
    void SetForeColor(std::uint32_t oleColor) override;
    void SetBackColor(std::uint32_t oleColor) override;
    void SetUnderline(bool underline) override;
    void SetBold(bool bold) override;
    void SetEnabled(bool enabled) override;
    void SetToolTip(const std::wstring& text) override;
    void SetVisible(bool visible) override;
    bool Visible() const override;
    TwipsSize MeasureCaption() override;
    TwipsRect LabelRect() const override;
    void SetLabelRect(const TwipsRect& rect) override;
    TwipsRect ControlRect() const override;
    void SetControlRect(const TwipsRect& rect) override;
    void StartTimer() override;
    void StopTimer() override;
    TwipsPoint CursorPosition() const override;
    int TwipsPerPixelX() const override { return tppX_; }
    int TwipsPerPixelY() const override { return tppY_; }
    std::uintptr_t Window() const override { return reinterpret_cast<std::uintptr_t>(control_.Get()); }

    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    int ToPixelsX(int twips) const { return static_cast<int>(std::lround(static_cast<double>(twips) / tppX_)); }
    int ToPixelsY(int twips) const { return static_cast<int>(std::lround(static_cast<double>(twips) / tppY_)); }
    TwipsRect ToTwips(const RECT& r) const {
        return {r.left * tppX_, r.top * tppY_, (r.right - r.left) * tppX_, (r.bottom - r.top) * tppY_};
    }
    // The label's mouse position (in its client area) relative to the control, in twips.
    TwipsPoint FromLabel(LPARAM lp) const;
    void ApplyFont();
    void Repaint();
    // Leaves the window procedures: the windows are gone.
    void Detach() noexcept;

    HINSTANCE instance_;
    LinkLabelEvents& events_;
    OwnedWindow control_;
    HWND label_ = nullptr;  // a child of the control, destroyed with it
    OwnedWindow tip_;
    Gdi<HFONT> font_;
    Gdi<HBRUSH> backBrush_;
    LOGFONTW baseFont_{};
    std::wstring caption_;
    std::uint32_t fore_ = 0xFF0000u;
    std::uint32_t back_ = 0x8000000Fu;
    bool underline_ = false;
    bool bold_ = false;
    bool timer_ = false;
    int pressed_ = 0;
    int tppX_ = 15;
    int tppY_ = 15;
};

WinLinkLabelView::WinLinkLabelView(HINSTANCE instance, HWND parent, LinkLabelEvents& events)
    : instance_(instance), events_(events) {
    if (HDC screen = GetDC(nullptr)) {
        const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
        const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        if (dpiX > 0) tppX_ = std::max(1, 1440 / dpiX);
        if (dpiY > 0) tppY_ = std::max(1, 1440 / dpiY);
    }
    HFONT dialogFont = parent ? reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0)) : nullptr;
    if (!dialogFont) dialogFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!dialogFont || GetObjectW(dialogFont, sizeof baseFont_, &baseFont_) == 0) {
        baseFont_ = LOGFONTW{};
        baseFont_.lfHeight = -11;
        baseFont_.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(baseFont_.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
    }
    backBrush_.Reset(CreateSolidBrush(ToColorRef(back_)));

    const DWORD style = (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE | WS_CLIPCHILDREN;
    const int w = ToPixelsX(1200), h = ToPixelsY(255);
    HWND control = CreateWindowExW(0, WinLinkLabelViews::kClassName, L"", style, 0, 0, w, h, parent, nullptr,
                                   instance_, this);
    if (!control) Raise(err::CantCreateObject, L"The link label's window can't be created");
    control_.Reset(control);
    label_ = CreateWindowExW(0, L"STATIC", L"",
                             WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 0, w, h,
                             control, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabelId)), instance_, nullptr);
    if (!label_) {
        SetWindowLongPtrW(control, GWLP_USERDATA, 0);
        Raise(err::CantCreateObject, L"The link label's window can't be created");
    }
    SetWindowLongPtrW(label_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    const auto original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(label_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WinLinkLabelView::LabelProc)));
    if (!g_staticProc) g_staticProc = original;
    ApplyFont();
}

WinLinkLabelView::~WinLinkLabelView() {
    tip_.Reset();
    if (HWND control = control_.Get(); control && IsWindow(control)) {
        if (timer_) KillTimer(control, WinLinkLabelViews::kTimerId);
        // Nothing the windows say while they close reaches this object any more.
        SetWindowLongPtrW(control, GWLP_USERDATA, 0);
        if (label_ && IsWindow(label_)) SetWindowLongPtrW(label_, GWLP_USERDATA, 0);
    }
    control_.Reset();
    label_ = nullptr;
}

void WinLinkLabelView::Detach() noexcept {
    control_.Forget();
    label_ = nullptr;
    timer_ = false;
}

void WinLinkLabelView::Repaint() {
    if (control_.Get()) InvalidateRect(control_.Get(), nullptr, TRUE);
    if (label_) InvalidateRect(label_, nullptr, TRUE);
}

void WinLinkLabelView::ApplyFont() {
    LOGFONTW lf = baseFont_;
    lf.lfUnderline = underline_ ? TRUE : FALSE;
    lf.lfWeight = bold_ ? FW_BOLD : FW_NORMAL;
    HFONT font = CreateFontIndirectW(&lf);
    if (!font) return;  // the label keeps the font it has
    if (label_) SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    font_.Reset(font);
}

void WinLinkLabelView::SetCaption(const std::wstring& caption) {
    caption_ = caption;
    if (label_) SetWindowTextW(label_, caption.c_str());
}

void WinLinkLabelView::SetForeColor(std::uint32_t oleColor) {
    fore_ = oleColor;
    Repaint();
}

void WinLinkLabelView::SetBackColor(std::uint32_t oleColor) {
    HBRUSH brush = CreateSolidBrush(ToColorRef(oleColor));
    if (!brush) return;
    back_ = oleColor;
    backBrush_.Reset(brush);
    Repaint();
}

void WinLinkLabelView::SetUnderline(bool underline) {
    if (underline == underline_) return;
    underline_ = underline;
    ApplyFont();
}

void WinLinkLabelView::SetBold(bool bold) {
    if (bold == bold_) return;
    bold_ = bold;
    ApplyFont();
}

void WinLinkLabelView::SetEnabled(bool enabled) {
    if (label_) EnableWindow(label_, enabled ? TRUE : FALSE);
}

void WinLinkLabelView::SetToolTip(const std::wstring& text) {
    if (!control_.Get() || !label_) return;
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = control_.Get();
    ti.uId = reinterpret_cast<UINT_PTR>(label_);
    ti.lpszText = const_cast<wchar_t*>(text.c_str());
    if (!tip_.Get()) {
        if (text.empty()) return;
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control_.Get(), nullptr,
                                   instance_, nullptr);
        if (!tip) return;  // no tooltip is no failure of the label
        tip_.Reset(tip);
        SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    } else {
        SendMessageW(tip_.Get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    SendMessageW(tip_.Get(), TTM_ACTIVATE, text.empty() ? FALSE : TRUE, 0);
}

void WinLinkLabelView::SetVisible(bool visible) {
    if (control_.Get()) ShowWindow(control_.Get(), visible ? SW_SHOWNA : SW_HIDE);
}

bool WinLinkLabelView::Visible() const {
    return control_.Get() && (GetWindowLongW(control_.Get(), GWL_STYLE) & WS_VISIBLE) != 0;
}

TwipsSize WinLinkLabelView::MeasureCaption() {
    if (!label_) return {};
    WindowDc dc(label_, font_.Get());
    if (!dc.Get()) return {};
    TEXTMETRICW tm{};
    GetTextMetricsW(dc.Get(), &tm);
    if (caption_.empty()) return {0, tm.tmHeight * tppY_};
    RECT r{0, 0, 0, 0};
    DrawTextW(dc.Get(), caption_.c_str(), static_cast<int>(caption_.size()), &r,
              DT_CALCRECT | DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS);
    return {(r.right - r.left) * tppX_, std::max<LONG>(r.bottom - r.top, tm.tmHeight) * tppY_};
}

TwipsRect WinLinkLabelView::LabelRect() const {
    if (!label_) return {};
    RECT r{};
    GetWindowRect(label_, &r);
    MapWindowPoints(HWND_DESKTOP, control_.Get(), reinterpret_cast<POINT*>(&r), 2);
    return ToTwips(r);
}

void WinLinkLabelView::SetLabelRect(const TwipsRect& rect) {
    if (!label_) return;
    SetWindowPos(label_, nullptr, ToPixelsX(rect.left), ToPixelsY(rect.top), ToPixelsX(rect.width),
                 ToPixelsY(rect.height), SWP_NOZORDER | SWP_NOACTIVATE);
}

TwipsRect WinLinkLabelView::ControlRect() const {
    HWND control = control_.Get();
    if (!control) return {};
    RECT r{};
    GetWindowRect(control, &r);
    if (GetWindowLongW(control, GWL_STYLE) & WS_CHILD) {
        MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    }
    return ToTwips(r);
}

void WinLinkLabelView::SetControlRect(const TwipsRect& rect) {
    if (!control_.Get()) return;
    SetWindowPos(control_.Get(), nullptr, ToPixelsX(rect.left), ToPixelsY(rect.top), ToPixelsX(rect.width),
                 ToPixelsY(rect.height), SWP_NOZORDER | SWP_NOACTIVATE);
}

void WinLinkLabelView::StartTimer() {
    if (!control_.Get()) return;
    if (!SetTimer(control_.Get(), WinLinkLabelViews::kTimerId, kLinkLabelTimerMs, nullptr)) {
        Raise(err::Overflow, L"Out of timers");
    }
    timer_ = true;
}

void WinLinkLabelView::StopTimer() {
    if (timer_ && control_.Get()) KillTimer(control_.Get(), WinLinkLabelViews::kTimerId);
    timer_ = false;
}

TwipsPoint WinLinkLabelView::CursorPosition() const {
    POINT pt{};
    if (!control_.Get() || !GetCursorPos(&pt)) return {-1, -1};  // outside: the hover ends
    MapWindowPoints(HWND_DESKTOP, control_.Get(), &pt, 1);
    return {pt.x * tppX_, pt.y * tppY_};
}

TwipsPoint WinLinkLabelView::FromLabel(LPARAM lp) const {
    POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    MapWindowPoints(label_, control_.Get(), &pt, 1);
    return {pt.x * tppX_, pt.y * tppY_};
}

int ButtonsHeld(WPARAM wp) {
    int buttons = 0;
    if (wp & MK_LBUTTON) buttons |= kLinkButtonLeft;
    if (wp & MK_RBUTTON) buttons |= kLinkButtonRight;
    if (wp & MK_MBUTTON) buttons |= kLinkButtonMiddle;
    return buttons;
}

LRESULT CALLBACK WinLinkLabelView::ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    auto* view = reinterpret_cast<WinLinkLabelView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!view) return DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, ToColorRef(view->fore_));
            SetBkColor(dc, ToColorRef(view->back_));
            SetBkMode(dc, OPAQUE);
            return reinterpret_cast<LRESULT>(view->backBrush_.Get());
        }
        case WM_ERASEBKGND: {
            RECT r{};
            GetClientRect(hwnd, &r);
            FillRect(reinterpret_cast<HDC>(wp), &r, view->backBrush_.Get());
            return 1;
        }
        case WM_SIZE:
            // While the window is being made the control has no label yet.
            if (view->label_) view->events_.Resized();
            return 0;
        case WM_TIMER:
            if (wp == WinLinkLabelViews::kTimerId) {
                view->events_.TimerTick();
                return 0;
            }
            break;
        case WM_SETFONT:
            if (wp && GetObjectW(reinterpret_cast<HFONT>(wp), sizeof view->baseFont_, &view->baseFont_) != 0) {
                view->ApplyFont();
            }
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(view->font_.Get());
        case WM_NCDESTROY:
            // Destroyed with its parent: the view lives on without windows.
            view->Detach();
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK WinLinkLabelView::LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const WNDPROC original = g_staticProc;
    auto* view = reinterpret_cast<WinLinkLabelView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!view || !original) return original ? CallWindowProcW(original, hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);

    int button = 0;
    switch (msg) {
        case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK: button = kLinkButtonLeft; break;
        case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK: button = kLinkButtonRight; break;
        case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK: button = kLinkButtonMiddle; break;
        default: break;
    }
    if ((msg == WM_MOUSEMOVE || button) && view->tip_.Get()) {
        MSG relay{hwnd, msg, wp, lp, 0, {}};
        SendMessageW(view->tip_.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
    }
    // The view may be gone after an event (a handler may close the dialog): it is not touched
    // after calling one.
    switch (msg) {
        case WM_MOUSEMOVE:
            view->events_.LabelMouseMove(ButtonsHeld(wp), view->FromLabel(lp));
            break;
        case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
            view->pressed_ = button;
            view->events_.LabelMouseDown(button, view->FromLabel(lp));
            break;
        case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
            // The second press of a double click is no click.
            view->pressed_ = 0;
            view->events_.LabelMouseDown(button, view->FromLabel(lp));
            break;
        case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP: {
            RECT r{};
            GetClientRect(hwnd, &r);
            const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            const bool click = view->pressed_ == button && PtInRect(&r, pt);
            view->pressed_ = 0;
            if (click) view->events_.LabelClick();
            break;
        }
        default:
            break;
    }
    if (!IsWindow(hwnd)) return 0;
    return CallWindowProcW(original, hwnd, msg, wp, lp);
}

}  // namespace

WinLinkLabelViews::WinLinkLabelViews(std::uintptr_t moduleInstance) : instance_(moduleInstance) {}

WinLinkLabelViews::~WinLinkLabelViews() {
    if (registered_) UnregisterClassW(kClassName, reinterpret_cast<HINSTANCE>(instance_));
}

std::unique_ptr<LinkLabelView> WinLinkLabelViews::Create(std::uintptr_t parent, LinkLabelEvents& events) {
    const auto instance = reinterpret_cast<HINSTANCE>(instance_);
    if (!registered_) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &WinLinkLabelView::ControlProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kClassName;
        if (RegisterClassExW(&wc)) {
            registered_ = true;
        } else if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            Raise(err::CantCreateObject, L"The link label's window class can't be registered");
        }
    }
    return std::make_unique<WinLinkLabelView>(instance, reinterpret_cast<HWND>(parent), events);
}

}  // namespace brisko::win
