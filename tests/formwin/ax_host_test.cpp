// atl.dll's control host when another module of the process (another add-in of Outlook's) has
// initialised atl.dll first. A program of its own: the host is set up once per process.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "automation/win/com_ptr.h"
#include "form_window_testing.h"
#include "platform/win/win_ax_host.h"

namespace brisko {
namespace {

TEST(AxHosting, HostsControlsWhenAnotherModuleInitialisedAtlFirst) {
    OleInitialize(nullptr);
    {
        formwin_testing::Kelvane kelvane;
        ASSERT_TRUE(kelvane.registered) << "Kelvane.dll could not be registered";
        HMODULE atl = LoadLibraryW(L"atl.dll");
        ASSERT_NE(atl, nullptr);
        auto init = reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
        ASSERT_NE(init, nullptr);
        ASSERT_TRUE(init());  // the other module

        HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        {
            win::AxHosting hosting;
            win::ComPtr<IUnknown> control;
            const RECT rect{10, 10, 300, 200};
            HWND host = hosting.Create(parent, L"Kelvane.SysMonthCal32", rect, 1001, control);
            EXPECT_TRUE(IsWindow(host));
            EXPECT_TRUE(control);
            win::CloseControl(control.Get());
        }
        DestroyWindow(parent);
        FreeLibrary(atl);
    }
    OleUninitialize();
}

}  // namespace
}  // namespace brisko
