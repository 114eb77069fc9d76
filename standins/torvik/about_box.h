// The About box: a modeless, topmost dialog with the product's version texts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace torvik {

struct WindowRect {
    std::int32_t left, top, width, height;
};

struct AboutContent {
    std::wstring caption;
    std::wstring product;  // name and version
    std::wstring description;
    std::wstring comments;
    std::wstring copyright;
    std::wstring email;    // whole line; empty hides it
    std::wstring ok;
    std::optional<WindowRect> rect;  // where the client wants its windows
};

// Owns the dialog window while it is open. The user closes it with OK, Esc, Enter or the close
// box; destroying the object closes it. A thread hook gives the dialog its keyboard handling, as
// the host's message loop knows nothing of it.
class AboutBox {
public:
    static std::unique_ptr<AboutBox> Open(HINSTANCE instance, const AboutContent& content);
    ~AboutBox();
    AboutBox(const AboutBox&) = delete;
    AboutBox& operator=(const AboutBox&) = delete;

    bool IsOpen() const noexcept { return window_ != nullptr; }
    HWND window() const noexcept { return window_; }
    void BringToFront() noexcept;

private:
    AboutBox() = default;
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
};

}  // namespace torvik
