// Shared by the form window tests and the dialog screenshots: Kelvane.dll registered from beside
// the program, the simulated platform with the Win32 form windows, link labels and COM objects,
// a message loop that is not the dialog's own, and input as window messages.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>

#include "addin/forms/forms.h"
#include "addin/lang/CLang.h"
#include "platform/sim/sim_platform.h"
#include "platform/win/win_form_window.h"
#include "platform/win/win_link_label.h"
#include "platform/win/win_objects.h"

namespace brisko::formwin_testing {

inline HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

// Kelvane.dll beside the program, registered while this lives.
class Kelvane {
public:
    Kelvane() {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring dll = path;
        dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"Kelvane.dll";
        module_ = LoadLibraryW(dll.c_str());
        if (!module_) return;
        auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllRegisterServer")));
        registered = reg && SUCCEEDED(reg());
    }
    ~Kelvane() {
        if (!module_) return;
        auto unreg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllUnregisterServer")));
        if (registered && unreg) unreg();
        FreeLibrary(module_);
    }
    Kelvane(const Kelvane&) = delete;
    Kelvane& operator=(const Kelvane&) = delete;

    bool registered = false;

private:
    HMODULE module_ = nullptr;
};

// The simulated platform with the Win32 windows of forms and link labels and COM objects.
struct Platforms {
    sim::SimPlatform sim;
    win::WinFormWindows windows{reinterpret_cast<std::uintptr_t>(Instance())};
    win::WinLinkLabelViews links{reinterpret_cast<std::uintptr_t>(Instance())};
    win::WinObjectFactory objects;

    void Install() {
        sim.Install();
        Platform p = CurrentPlatform();
        p.formWindows = &windows;
        p.linkLabels = &links;
        p.objects = &objects;
        SetPlatform(p);
    }
};

// The thread's waiting messages through GetMessage's hooks, translated and dispatched as
// Outlook's loop does.
inline void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

inline void Key(HWND to, WPARAM vk) {
    PostMessageW(to, WM_KEYDOWN, vk, 1);
    PostMessageW(to, WM_KEYUP, vk, 0xC0000001);
    Pump();
}

// Alt held with a letter: the system key goes down, its character follows (translated by the loop).
inline void Alt(HWND to, wchar_t letter) {
    PostMessageW(to, WM_SYSKEYDOWN, letter, 0x20000001);
    Pump();
    PostMessageW(to, WM_SYSKEYUP, letter, 0xE0000001);
    Pump();
}

// Replaces an edit field's text by typing it.
inline void Type(HWND edit, const std::wstring& text) {
    SendMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t ch : text) PostMessageW(edit, WM_CHAR, ch, 1);
    Pump();
}

inline std::wstring WindowText(HWND w) {
    wchar_t text[512] = {};
    GetWindowTextW(w, text, 512);
    return text;
}

inline std::wstring ClassOf(HWND w) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    std::wstring s = cls;
    for (auto& ch : s) ch = static_cast<wchar_t>(towlower(ch));
    return s;
}

// The window class of each kind of control, lower case.
inline std::wstring ExpectedClass(const std::wstring& kind) {
    if (kind == L"Label" || kind == L"Line") return L"static";
    if (kind == L"CommandButton" || kind == L"CheckBox") return L"button";
    if (kind == L"TextBox") return L"edit";
    if (kind == L"ComboBox") return L"combobox";
    if (kind == L"LinkLabel") return L"briskolinklabel";
    return L"atlaxwin";
}

// The common control inside each of the controls library's controls.
inline std::wstring InnerClass(const std::wstring& kind) {
    if (kind == L"SysMonthCal32") return L"sysmonthcal32";
    if (kind == L"SysDateTimePick32") return L"sysdatetimepick32";
    if (kind == L"PriorityBar") return L"toolbarwindow32";
    return L"edit";
}

inline RECT RectIn(HWND w, HWND parent) {
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The width of a text in a window's font, in pixels.
inline int TextWidth(HWND w, const std::wstring& text) {
    HDC dc = GetDC(w);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    return size.cx;
}

// The text of a control's tooltip (a tool of its parent's, by the control's handle), or "".
inline BOOL CALLBACK ProbeToolTip(HWND w, LPARAM lp) {
    auto* probe = reinterpret_cast<std::pair<HWND, std::wstring>*>(lp);
    if (ClassOf(w) != L"tooltips_class32") return TRUE;
    wchar_t text[256] = {};
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = GetParent(probe->first);
    ti.uId = reinterpret_cast<UINT_PTR>(probe->first);
    ti.lpszText = text;
    if (SendMessageW(w, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&ti))) probe->second = text;
    return TRUE;
}

inline std::wstring ToolTipOf(HWND control) {
    std::pair<HWND, std::wstring> probe{control, L""};
    EnumThreadWindows(GetCurrentThreadId(), &ProbeToolTip, reinterpret_cast<LPARAM>(&probe));
    return probe.second;
}

// The form's captions from a shipped language file, as Form_Load localises them.
inline bool Localize(forms::CForm& form, const wchar_t* file) {
    CLang lang;
    if (!lang.Init(CLang::InstallFolder() + L"\\" + file, L"Brisko")) return false;
    lang.LocalizeForm(form.FormObject());
    return true;
}

}  // namespace brisko::formwin_testing
