// Kelvane benchmark (Windows target, under Wine): creating and in-place
// activating each control through its class factory and a container site,
// beside creating and destroying its bare common-controls window with
// CreateWindowEx. The ratio is the framework's overhead.
//
// Google Benchmark is built for the native target only, so this is a small
// timing harness of our own: each case runs repeatedly for at least the
// minimum time (default 0.5 s, or the first argument in seconds), after
// warm-up, and reports the mean time per iteration.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "container.h"
#include "kelvane_testing.h"

namespace kelvane_test {
namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Result {
  double seconds_per_iteration;
  long iterations;
};

Result Measure(const std::function<bool()>& iteration, double min_seconds) {
  for (int i = 0; i < 5; ++i) iteration();  // warm-up: classes registered, libraries loaded
  long n = 0;
  const double start = Now();
  double elapsed = 0;
  do {
    if (!iteration()) return {-1, n};
    ++n;
    elapsed = Now() - start;
  } while (elapsed < min_seconds);
  return {elapsed / static_cast<double>(n), n};
}

struct Case {
  const char* name;
  const CLSID* clsid;
  const wchar_t* window_class;
  DWORD style;
};

int Run(double min_seconds) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_DATE_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  Container container(400, 300, L"Kelvane bench");
  const DWORD child = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  const Case cases[] = {
      {"SysMonthCal32", &CLSID_SysMonthCal32, MONTHCAL_CLASSW, child},
      {"SysDateTimePick32", &CLSID_SysDateTimePick32, DATETIMEPICK_CLASSW, child},
      {"PriorityBar", &CLSID_PriorityBar, TOOLBARCLASSNAMEW, child},
      {"EditBox", &CLSID_EditBox, L"Edit", child},
  };
  const RECT rect{10, 10, 260, 190};

  std::printf("Kelvane bench: own timing harness (Google Benchmark is not available for the Windows target)\n");
  std::printf("minimum time per case %.2f s; mean time per iteration\n\n", min_seconds);
  std::printf("%-20s %16s %12s %16s %12s %8s\n", "Control", "Control (us)", "Iterations", "Bare window (us)",
              "Iterations", "Ratio");
  int failures = 0;
  for (const Case& c : cases) {
    auto control = [&]() -> bool {
      ComPtr<Site> site;
      if (FAILED(Site::Create(container, *c.clsid, site))) return false;
      const bool ok = SUCCEEDED(site->Activate(rect)) && site->ChildWindow();
      site->Close();
      return ok;
    };
    auto bare = [&]() -> bool {
      HWND hwnd = CreateWindowExW(0, c.window_class, nullptr, c.style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, container.Window(), nullptr, GetModuleHandleW(nullptr),
                                  nullptr);
      if (!hwnd) return false;
      PumpMessages();
      DestroyWindow(hwnd);
      PumpMessages();
      return true;
    };
    const Result a = Measure(control, min_seconds);
    const Result b = Measure(bare, min_seconds);
    if (a.seconds_per_iteration < 0 || b.seconds_per_iteration < 0) {
      std::printf("%-20s failed\n", c.name);
      ++failures;
      continue;
    }
    std::printf("%-20s %16.1f %12ld %16.1f %12ld %7.2fx\n", c.name, a.seconds_per_iteration * 1e6, a.iterations,
                b.seconds_per_iteration * 1e6, b.iterations, a.seconds_per_iteration / b.seconds_per_iteration);
  }
  return failures ? 1 : 0;
}

}  // namespace
}  // namespace kelvane_test

int main(int argc, char** argv) {
  double min_seconds = argc > 1 ? std::atof(argv[1]) : 0.5;
  if (min_seconds <= 0) min_seconds = 0.5;
  if (FAILED(OleInitialize(nullptr))) return 2;
  int rc = 3;
  try {
    rc = kelvane_test::Run(min_seconds);
  } catch (...) {
  }
  OleUninitialize();
  return rc;
}
