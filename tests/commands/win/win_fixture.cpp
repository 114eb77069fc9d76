#include "win_fixture.h"

#include <commctrl.h>
#include <ole2.h>

namespace brisko::testing {

namespace {

std::vector<WORD> g_keys;
int g_idles = 0;
constexpr UINT_PTR kGuardTimer = 1;

void PostKey(HWND window, WORD key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ENTERIDLE:
            if (wParam == MSGF_MENU && !g_keys.empty()) {
                ++g_idles;
                for (WORD key : g_keys) PostKey(window, key);
                g_keys.clear();
            }
            return 0;
        case WM_TIMER:
            // Only when a menu loop never went idle: close it rather than hang the run.
            if (wParam == kGuardTimer) {
                KillTimer(window, kGuardTimer);
                EndMenu();
            }
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

void WinCommandsTest::SetUp() {
    com_ = SUCCEEDED(CoInitialize(nullptr));
    InitCommonControls();
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BriskoMenuOwner";
    RegisterClassW(&wc);  // fails harmlessly once registered
    owner_ = CreateWindowExW(0, L"BriskoMenuOwner", L"menu owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300,
                             200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(owner_);
    SetForegroundWindow(owner_);
    SetCursorPos(150, 150);
    g_keys.clear();
    g_idles = 0;

    Platform p;
    p.codePage = &codePage;
    p.menus = &menus;
    p.pictures = &pictures;
    p.moduleHandle = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)));
    SetPlatform(p);
    Err().Clear();
}

void WinCommandsTest::TearDown() {
    SetPlatform(Platform{});
    Err().Clear();
    if (owner_) DestroyWindow(owner_);
    if (com_) CoUninitialize();
}

void WinCommandsTest::ScriptKeys(std::vector<WORD> keys) {
    g_keys = std::move(keys);
    SetTimer(owner_, kGuardTimer, 20000, nullptr);
}

void WinCommandsTest::StopGuard() {
    KillTimer(owner_, kGuardTimer);
    g_keys.clear();
}

int WinCommandsTest::idles() const noexcept { return g_idles; }

}  // namespace brisko::testing
