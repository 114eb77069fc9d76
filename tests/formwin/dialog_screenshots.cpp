// The quick dialogs in their real windows as PNG files, at the screen's resolution, as the add-in
// opens them (its code with the Win32 platform, tests/formwin/addin_session.h):
//   dialog_screenshots.exe OUTDIR en|de
// writes OUTDIR\dialog-<task|appointment>-<en|de>-<dpi>.png, each dialog with its frame, in the
// add-in's English or German (the dates in the process's locale). Exit code 0 when both were
// written.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/value.h"
#include "addin_session.h"
#include "form_window_testing.h"
#include "tools/outlook-sim/sim_exposure.h"
#include "win_png.h"

namespace brisko::formwin_testing {
namespace {

bool Save(const std::wstring& path, HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int i = 0; i < 10; ++i) {
        Pump();
        Sleep(20);  // the X server draws what Wine sent it
    }
    int width = 0, height = 0;
    const std::vector<unsigned char> rgb = test_support::CaptureWithFrame(window, width, height);
    return !rgb.empty() && test_support::WritePng(path, width, height, rgb);
}

// Each dialog as the add-in opens it: ShowQuickTask / ShowQuickAppointment on a sample mail (a
// reminder on 10 December 2026) with Inbox\Projects\Alpha remembered as the move folder, in the
// session's language; Form_Load, Init and the localisation are the dialogs' own.
int Run(const std::wstring& folder, bool german) {
    Kelvane kelvane;
    if (!kelvane.registered) {
        std::fprintf(stderr, "Kelvane.dll could not be registered\n");
        return 2;
    }
    tools::SimExposure exposure;
    WinAddinPlatform platform;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    int saved = 0;
    {
        AddinSession session(german ? L"DE" : L"EN");
        for (bool task : {true, false}) {
            ObjectPtr mail;
            sim::SimItem* item = session.NewMail(mail, L"Quarterly report: figures for the board meeting",
                                                 MakeDate({2026, 12, 10, 9, 0, 0}));
            if (task) ShowQuickTask(mail, true);
            else ShowQuickAppointment(mail, true);
            Pump();
            const auto form = session.Dialog(task, item);
            if (!form) {
                std::fprintf(stderr, "no %s dialog\n", task ? "task" : "appointment");
                continue;
            }
            // Above the screen's top left corner, whatever the window manager chose.
            SetWindowPos(reinterpret_cast<HWND>(form->hWnd()), nullptr, 20, 20, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            const std::wstring path = folder + L"\\dialog-" + (task ? L"task" : L"appointment") + L"-" +
                                      (german ? L"de" : L"en") + L"-" + std::to_wstring(dpi) + L".png";
            if (Save(path, reinterpret_cast<HWND>(form->hWnd()))) {
                ++saved;
                std::printf("saved %ls\n", path.c_str());
            }
            SendMessageW(ChildOf(*form, L"btnCancel"), BM_CLICK, 0, 0);
            Pump();
        }
    }
    return saved == 2 ? 0 : 1;
}

}  // namespace
}  // namespace brisko::formwin_testing

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 || (std::wstring(argv[2]) != L"en" && std::wstring(argv[2]) != L"de")) {
        std::fprintf(stderr, "usage: dialog_screenshots OUTDIR en|de\n");
        return 2;
    }
    if (FAILED(OleInitialize(nullptr))) return 2;
    const int rc = brisko::formwin_testing::Run(argv[1], std::wstring(argv[2]) == L"de");
    OleUninitialize();
    return rc;
}
