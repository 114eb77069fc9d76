// A top-level test window that keeps its font as a dialog does (Win32 tests under Wine).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

namespace test_support {

inline HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

inline LRESULT CALLBACK TestFrameProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETFONT) {
        SetWindowLongPtrW(w, GWLP_USERDATA, static_cast<LONG_PTR>(wp));
        return 0;
    }
    if (msg == WM_GETFONT) return GetWindowLongPtrW(w, GWLP_USERDATA);
    return DefWindowProcW(w, msg, wp, lp);
}

// 400 x 200 pixels at (100, 100) of the screen, with an 8-point Tahoma set as a dialog's font is,
// before any child is made.
class Frame {
public:
    explicit Frame(const wchar_t* title) {
        static const bool registered = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = TestFrameProc;
            wc.hInstance = Instance();
            wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
            wc.lpszClassName = kClassName;
            return RegisterClassW(&wc) != 0;
        }();
        EXPECT_TRUE(registered);
        window = CreateWindowExW(0, kClassName, title, WS_POPUP | WS_VISIBLE, 100, 100, 400, 200, nullptr, nullptr,
                                 Instance(), nullptr);
        font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    ~Frame() {
        if (IsWindow(window)) DestroyWindow(window);
        if (font) DeleteObject(font);
    }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    HWND window = nullptr;
    HFONT font = nullptr;

private:
    static constexpr const wchar_t* kClassName = L"BriskoTestFrame";
};

}  // namespace test_support
