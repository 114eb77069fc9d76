#include "about_box.h"

#include <algorithm>
#include <vector>

#include "resource.h"

namespace torvik {

namespace {

constexpr int kMargin = 12;
constexpr int kGap = 6;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kMinWidth = 240;
constexpr int kMinHeight = 160;

struct OpenParams {
    AboutBox* box;
    const AboutContent* content;
};

// The open About boxes of this thread and the hook that routes their keys.
struct KeyboardRouting {
    std::vector<HWND> windows;
    HHOOK hook = nullptr;
    DWORD thread = 0;
};

KeyboardRouting& Routing() {
    static KeyboardRouting routing;
    return routing;
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    auto& r = Routing();
    if (code == HC_ACTION && wParam == PM_REMOVE && lParam) {
        auto* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
            for (HWND w : r.windows) {
                if ((msg->hwnd == w || IsChild(w, msg->hwnd)) && IsDialogMessageW(w, msg)) {
                    msg->message = WM_NULL;
                    break;
                }
            }
        }
    }
    return CallNextHookEx(r.hook, code, wParam, lParam);
}

void Register(HWND window) {
    auto& r = Routing();
    r.windows.push_back(window);
    if (!r.hook) {
        r.thread = GetCurrentThreadId();
        r.hook = SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, r.thread);
    }
}

void Unregister(HWND window) {
    auto& r = Routing();
    r.windows.erase(std::remove(r.windows.begin(), r.windows.end(), window), r.windows.end());
    if (r.windows.empty() && r.hook) {
        UnhookWindowsHookEx(r.hook);
        r.hook = nullptr;
    }
}

int TextHeight(HWND control, const std::wstring& text, int width) {
    HDC dc = GetDC(control);
    if (!dc) return 16;
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT r{0, 0, width, 0};
    DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return std::max<int>(r.bottom - r.top, 1);
}

void LayOut(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int width = std::max<int>(client.right - 2 * kMargin, 1);
    int y = kMargin;
    for (int id : {IDC_ABOUT_PRODUCT, IDC_ABOUT_DESCRIPTION, IDC_ABOUT_COMMENTS, IDC_ABOUT_COPYRIGHT, IDC_ABOUT_EMAIL}) {
        HWND control = GetDlgItem(window, id);
        if (!control) continue;
        const int length = GetWindowTextLengthW(control);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        GetWindowTextW(control, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
        if (text.empty()) {
            ShowWindow(control, SW_HIDE);
            continue;
        }
        const int h = TextHeight(control, text, width);
        MoveWindow(control, kMargin, y, width, h, FALSE);
        ShowWindow(control, SW_SHOWNA);
        y += h + kGap;
    }
    if (HWND ok = GetDlgItem(window, IDOK))
        MoveWindow(ok, client.right - kMargin - kButtonWidth, client.bottom - kMargin - kButtonHeight, kButtonWidth,
                   kButtonHeight, FALSE);
    InvalidateRect(window, nullptr, TRUE);
}

// The client's rectangle when it lies on a monitor, else the dialog's own size centred on the
// work area; never smaller than the layout needs.
void Place(HWND window, const std::optional<WindowRect>& wanted) {
    RECT current;
    GetWindowRect(window, &current);
    int w = current.right - current.left;
    int h = current.bottom - current.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int x = work.left + ((work.right - work.left) - w) / 2;
    int y = work.top + ((work.bottom - work.top) - h) / 2;
    if (wanted && wanted->width > 0 && wanted->height > 0 && wanted->width <= 16384 && wanted->height <= 16384) {
        const int ww = std::max<int>(wanted->width, kMinWidth);
        const int wh = std::max<int>(wanted->height, kMinHeight);
        RECT r{wanted->left, wanted->top, wanted->left + ww, wanted->top + wh};
        if (wanted->left > -32768 && wanted->left < 32768 && wanted->top > -32768 && wanted->top < 32768 &&
            MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) {
            x = wanted->left;
            y = wanted->top;
            w = ww;
            h = wh;
        }
    }
    SetWindowPos(window, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE);
}

}  // namespace

std::unique_ptr<AboutBox> AboutBox::Open(HINSTANCE instance, const AboutContent& content) {
    std::unique_ptr<AboutBox> box(new AboutBox());
    OpenParams params{box.get(), &content};
    HWND w = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_ABOUT), nullptr, &AboutBox::DialogProc,
                                reinterpret_cast<LPARAM>(&params));
    if (!w) return nullptr;
    if (!box->window_) {
        DestroyWindow(w);
        return nullptr;
    }
    ShowWindow(w, SW_SHOW);
    SetForegroundWindow(w);
    return box;
}

AboutBox::~AboutBox() {
    if (window_) DestroyWindow(window_);
}

void AboutBox::BringToFront() noexcept {
    if (!window_) return;
    ShowWindow(window_, SW_SHOWNORMAL);
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window_);
}

INT_PTR CALLBACK AboutBox::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* params = reinterpret_cast<const OpenParams*>(lParam);
            if (!params) return FALSE;
            SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(params->box));
            params->box->window_ = window;
            const AboutContent& c = *params->content;
            SetWindowTextW(window, c.caption.c_str());
            SetDlgItemTextW(window, IDC_ABOUT_PRODUCT, c.product.c_str());
            SetDlgItemTextW(window, IDC_ABOUT_DESCRIPTION, c.description.c_str());
            SetDlgItemTextW(window, IDC_ABOUT_COMMENTS, c.comments.c_str());
            SetDlgItemTextW(window, IDC_ABOUT_COPYRIGHT, c.copyright.c_str());
            SetDlgItemTextW(window, IDC_ABOUT_EMAIL, c.email.c_str());
            SetDlgItemTextW(window, IDOK, c.ok.c_str());
            Place(window, c.rect);
            LayOut(window);
            Register(window);
            return TRUE;
        }
        case WM_SIZE:
            LayOut(window);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                DestroyWindow(window);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            DestroyWindow(window);
            return TRUE;
        case WM_NCDESTROY: {
            Unregister(window);
            if (auto* box = reinterpret_cast<AboutBox*>(GetWindowLongPtrW(window, DWLP_USER))) box->window_ = nullptr;
            SetWindowLongPtrW(window, DWLP_USER, 0);
            return FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace torvik
