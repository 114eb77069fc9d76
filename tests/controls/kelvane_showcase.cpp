// Shows the four Kelvane controls in one window and saves a PNG of it:
//   kelvane_showcase.exe OUT.png
// Exit code 0 when the picture was saved and shows more than one colour.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <vector>

#include "container.h"
#include "kelvane_testing.h"
#include "win_png.h"

namespace kelvane_test {
namespace {

void Label(HWND parent, const wchar_t* text, int x, int y, int w) {
  HWND label = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE, x, y, w, 16, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
}

int Run(const wchar_t* out_path) {
  if (FAILED(OleInitialize(nullptr))) return 2;
  int rc = 1;
  {
    Container container(560, 300, L"Kelvane controls");
    HWND frame = container.Window();
    std::vector<ComPtr<Site>> sites;
    auto add = [&](REFCLSID clsid, RECT rect, auto&& before) -> ComPtr<Site> {
      ComPtr<Site> site;
      if (FAILED(Site::Create(container, clsid, site))) return nullptr;
      before(site);
      if (FAILED(site->Activate(rect))) return nullptr;
      sites.push_back(site);
      return site;
    };
    SYSTEMTIME st{2010, 6, 0, 18, 9, 30, 0, 0};
    DATE date = 0;
    SystemTimeToVariantTime(&st, &date);

    Label(frame, L"SysMonthCal32", 10, 8, 240);
    ComPtr<Site> calendar = add(CLSID_SysMonthCal32, {10, 28, 260, 228}, [&](const ComPtr<Site>& s) {
      s->Control<ISysMonthCal32>()->put_Value(date);
    });
    if (calendar) {
      int w = 0, h = 0;
      if (SUCCEEDED(calendar->Control<ISysMonthCal32>()->GetMinSize(&w, &h))) calendar->Move({10, 28, 10 + w, 28 + h});
    }
    Label(frame, L"SysDateTimePick32", 300, 8, 240);
    add(CLSID_SysDateTimePick32, {300, 28, 520, 52},
        [&](const ComPtr<Site>& s) { s->Control<ISysDateTimePick32>()->put_Value(date); });
    ComPtr<Site> spin = add(CLSID_SysDateTimePick32, {300, 58, 520, 82}, [&](const ComPtr<Site>& s) {
      auto picker = s->Control<ISysDateTimePick32>();
      picker->put_Value(date);
      picker->put_UpDown(VARIANT_TRUE);
    });
    if (spin) {
      olectl::Bstr format(L"dd.MM.yyyy HH:mm");
      spin->Control<ISysDateTimePick32>()->SetCustomFormat(format.Get());
    }
    Label(frame, L"PriorityBar", 300, 96, 240);
    add(CLSID_PriorityBar, {300, 116, 460, 194},
        [&](const ComPtr<Site>& s) { s->Control<IPriorityBar>()->put_Value(2); });
    Label(frame, L"EditBox", 300, 208, 240);
    ComPtr<Site> edit = add(CLSID_EditBox, {300, 228, 520, 250}, [](const ComPtr<Site>&) {});
    if (edit) SetWindowTextW(edit->ChildWindow(), L"Typed into the edit field");

    if (sites.size() == 5) {
      RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      for (int i = 0; i < 20; ++i) {
        PumpMessages();
        Sleep(25);
      }
      int width = 0, height = 0;
      std::vector<unsigned char> rgb = test_support::CaptureClient(frame, width, height);
      bool varied = false;
      for (size_t i = 3; i < rgb.size() && !varied; i += 3) varied = rgb[i] != rgb[0] || rgb[i + 1] != rgb[1];
      if (!rgb.empty() && test_support::WritePng(out_path, width, height, rgb) && varied) {
        std::printf("saved %dx%d\n", width, height);
        rc = 0;
      }
    }
    for (auto& site : sites) site->Close();
  }
  OleUninitialize();
  return rc;
}

}  // namespace
}  // namespace kelvane_test

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kelvane_showcase OUT.png\n");
    return 2;
  }
  try {
    return kelvane_test::Run(argv[1]);
  } catch (...) {
    return 3;
  }
}
