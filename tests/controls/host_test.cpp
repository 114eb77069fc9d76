// The controls in the system's ActiveX host: atl.dll's AtlAxWin window
// class creates each registered control by its ProgID and activates it.
#include <windows.h>
#include <ole2.h>

#include "container.h"
#include "ole_test.h"

namespace kelvane_test {
namespace {

class SystemHost : public OleTest {
 protected:
  void SetUp() override {
    OleTest::SetUp();
    ASSERT_EQ(S_OK, Library::Get().Register());
    atl_ = LoadLibraryW(L"atl.dll");
    ASSERT_TRUE(atl_);
    init_ = reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl_, "AtlAxWinInit")));
    get_control_ = reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
        reinterpret_cast<void*>(GetProcAddress(atl_, "AtlAxGetControl")));
    ASSERT_TRUE(init_ && get_control_);
    ASSERT_TRUE(init_());
  }
  void TearDown() override {
    EXPECT_EQ(S_OK, Library::Get().Unregister());
    OleTest::TearDown();
  }
  HMODULE atl_ = nullptr;
  BOOL(WINAPI* init_)() = nullptr;
  HRESULT(WINAPI* get_control_)(HWND, IUnknown**) = nullptr;
};

TEST_F(SystemHost, AtlAxWinCreatesAndActivatesEachControlByProgId) {
  Container container(500, 300);
  const std::pair<const wchar_t*, const wchar_t*> controls[] = {
      {L"Kelvane.SysMonthCal32", L"SysMonthCal32"},
      {L"Kelvane.SysDateTimePick32", L"SysDateTimePick32"},
      {L"Kelvane.PriorityBar", L"ToolbarWindow32"},
      {L"Kelvane.EditBox", L"Edit"},
  };
  for (const auto& [progid, child_class] : controls) {
    SCOPED_TRACE(Narrow(progid));
    olectl::UniqueWindow host(CreateWindowExW(0, L"AtlAxWin", progid, WS_CHILD | WS_VISIBLE, 10, 10, 240, 180,
                                              container.Window(), nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(host);
    PumpMessages();
    ComPtr<IUnknown> control;
    ASSERT_EQ(S_OK, get_control_(host.Get(), control.Put()));
    ComPtr<IOleWindow> window = control.As<IOleWindow>();
    ASSERT_TRUE(window);
    HWND own = nullptr;
    ASSERT_EQ(S_OK, window->GetWindow(&own));
    EXPECT_EQ(host.Get(), GetParent(own));
    wchar_t cls[64] = {};
    GetClassNameW(GetWindow(own, GW_CHILD), cls, 64);
    EXPECT_STREQ(child_class, cls);
    window.Reset();
    control.Reset();
    host.Reset();
    PumpMessages();
  }
}

}  // namespace
}  // namespace kelvane_test
