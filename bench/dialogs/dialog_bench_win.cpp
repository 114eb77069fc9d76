// The quick dialogs under Wine with the real windows (Windows target): what the user waits for,
// beside the same windows bare. bench/dialog_bench.cpp times the same natively.
//
// The add-in's code is linked into this program with the Win32 platform installed (the Wine
// registry, Torvik.dll's log, the Win32 locale, BriskoFormWindow with Kelvane.dll's controls
// through COM); the simulated Outlook (sample mailbox, version 12) is reached over IDispatch, as
// Brisko.dll reaches it (tests/formwin/addin_session.h). The safe item library comes from the
// in-memory class table.
//
//   Show         ShowQuickTask / ShowQuickAppointment on a sample mail with a remembered move
//                folder, until the dialog is visible and the thread's queue is empty
//   Create       the Create button clicked (BM_CLICK) until the dialog is gone: the item created,
//                the mail moved, the queue empty
//   Bare show    the design table's controls in a BriskoFormWindow (no localising, no options,
//                no recent lists, no host calls): made, loaded, shown, the queue empty
//   Bare close   that window unloaded, the queue empty
//
// Bare show is the pair of Show, bare close the pair of Create; each pair runs in turn, iteration
// by iteration. Google Benchmark is built for the native target only, so this is a small timing
// harness of our own: warm-up, then iterations until each side's timed parts add up to the
// minimum time (default 2 s, or the first argument in seconds); the mean times per iteration and
// their ratio.
//
//   dialog_bench_win [seconds]
//
// Run it in a Wine prefix of its own: the add-in writes its options and recent lists to the
// registry.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>

#include "addin/dialogs/mForms.h"
#include "addin/forms/quick_designs.h"
#include "automation/error.h"
#include "automation/text.h"
#include "tests/formwin/addin_session.h"
#include "tests/formwin/form_window_testing.h"
#include "tools/outlook-sim/sim_exposure.h"

namespace {

using namespace brisko;
using formwin_testing::AddinSession;
using formwin_testing::ChildOf;

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

// The thread's queue emptied through the loop's hooks, as Outlook's loop does.
void Idle() { formwin_testing::Pump(); }

// One iteration: the seconds of its timed part, or a negative value after writing why it failed.
using Iteration = std::function<double(std::string& failure)>;

struct Result {
    double addin = -1;  // mean seconds per iteration
    double bare = -1;
    long iterations = 0;
    std::string failure;
};

// The add-in's case and its bare windows in turn, iteration by iteration, so that whatever else
// the machine does weighs on both alike; until each has its minimum time.
Result Measure(const Iteration& addin, const Iteration& bare, double minSeconds) {
    Result r;
    for (int i = 0; i < 3; ++i) {
        if (addin(r.failure) < 0 || bare(r.failure) < 0) return r;
    }
    double a = 0, b = 0;
    do {
        const double ta = addin(r.failure);
        const double tb = ta < 0 ? -1 : bare(r.failure);
        if (ta < 0 || tb < 0) return r;
        a += ta;
        b += tb;
        ++r.iterations;
    } while (a < minSeconds || b < minSeconds);
    r.addin = a / static_cast<double>(r.iterations);
    r.bare = b / static_cast<double>(r.iterations);
    return r;
}

constexpr int kFreshEvery = 100;
const wchar_t* const kSubject = L"Quarterly report: figures for the board meeting";

class Bench {
public:
    double Show(bool task, std::string& failure) {
        Fresh();
        ObjectPtr mail;
        sim::SimItem* item = session_->NewMail(mail, kSubject);
        const double start = Now();
        if (task) ShowQuickTask(mail, false);
        else ShowQuickAppointment(mail, false);
        Idle();
        const double elapsed = Now() - start;
        const auto form = session_->Dialog(task, item);
        if (!form || !IsWindowVisible(reinterpret_cast<HWND>(form->hWnd()))) {
            failure = "no dialog shown";
            return -1;
        }
        SendMessageW(ChildOf(*form, L"btnCancel"), BM_CLICK, 0, 0);
        Idle();
        return elapsed;
    }

    double Create(bool task, std::string& failure) {
        Fresh();
        ObjectPtr mail;
        sim::SimItem* item = session_->NewMail(mail, kSubject);
        if (task) ShowQuickTask(mail, false);
        else ShowQuickAppointment(mail, false);
        Idle();
        auto form = session_->Dialog(task, item);
        if (!form) {
            failure = "no dialog shown";
            return -1;
        }
        const HWND dialog = reinterpret_cast<HWND>(form->hWnd());
        const HWND button = ChildOf(*form, task ? L"btnCreateTask" : L"btnCreateAppointment");
        // The dialog's last reference is the add-in's own, as after a user's command.
        form.reset();
        const double start = Now();
        SendMessageW(button, BM_CLICK, 0, 0);
        Idle();
        const double elapsed = Now() - start;
        if (IsWindow(dialog)) {
            failure = "the dialog stayed open";
            return -1;
        }
        if (item->Folder() != session_->mailbox.alpha) {
            failure = "the mail was not moved";
            return -1;
        }
        return elapsed;
    }

    static double BareShow(bool task, std::string& failure) {
        const double start = Now();
        auto form = task ? forms::MakeQuickTaskDesign() : forms::MakeQuickAppointmentDesign();
        try {
            form->Load();
            form->Show();
        } catch (const RuntimeError& e) {
            failure = ToUtf8(e.description());
            return -1;
        }
        Idle();
        const double elapsed = Now() - start;
        form->Unload(vbFormCode);
        Idle();
        return elapsed;
    }

    static double BareClose(bool task, std::string& failure) {
        auto form = task ? forms::MakeQuickTaskDesign() : forms::MakeQuickAppointmentDesign();
        try {
            form->Load();
            form->Show();
        } catch (const RuntimeError& e) {
            failure = ToUtf8(e.description());
            return -1;
        }
        Idle();
        const double start = Now();
        form->Unload(vbFormCode);
        form.reset();
        Idle();
        return Now() - start;
    }

    void End() { session_.reset(); }

private:
    // The folders grow by a mail (and an item) per iteration: a fresh session every so often.
    void Fresh() {
        if (!session_ || ++uses_ % kFreshEvery == 0) {
            session_.reset();
            session_ = std::make_unique<AddinSession>();
        }
    }
    std::unique_ptr<AddinSession> session_;
    long uses_ = 0;
};

std::wstring LogFolder() {
    wchar_t temp[MAX_PATH] = {};
    const DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) return {};
    const std::wstring path = std::wstring(temp) + L"brisko-dialog-bench-" + std::to_wstring(GetCurrentProcessId());
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS ? path : std::wstring();
}

int Run(double minSeconds) {
    formwin_testing::Kelvane kelvane;
    if (!kelvane.registered) {
        std::fprintf(stderr, "dialog_bench_win: Kelvane.dll could not be registered\n");
        return 2;
    }
    tools::SimExposure exposure;
    formwin_testing::WinAddinPlatform platform;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    std::printf("Brisko quick dialogs under Wine: own timing harness (Google Benchmark is not available for the Windows target)\n");
    std::printf("add-in folder %s, %d dpi; minimum timed time per case %.2f s; mean time per iteration\n\n",
                ToUtf8(formwin_testing::AddinFolder()).c_str(), dpi, minSeconds);
    std::printf("%-22s %12s %12s %8s %11s\n", "Case", "Add-in (ms)", "Bare (ms)", "Ratio", "Iterations");
    Bench bench;
    struct Case {
        const char* name;
        Iteration addin, bare;
    };
    const Case cases[] = {
        {"ShowQuickTask", [&](std::string& f) { return bench.Show(true, f); },
         [](std::string& f) { return Bench::BareShow(true, f); }},
        {"ShowQuickAppointment", [&](std::string& f) { return bench.Show(false, f); },
         [](std::string& f) { return Bench::BareShow(false, f); }},
        {"CreateTask", [&](std::string& f) { return bench.Create(true, f); },
         [](std::string& f) { return Bench::BareClose(true, f); }},
        {"CreateAppointment", [&](std::string& f) { return bench.Create(false, f); },
         [](std::string& f) { return Bench::BareClose(false, f); }},
    };
    int failures = 0;
    for (const Case& c : cases) {
        const Result r = Measure(c.addin, c.bare, minSeconds);
        if (r.addin < 0) {
            std::printf("%-22s failed after %ld iterations: %s\n", c.name, r.iterations, r.failure.c_str());
            ++failures;
            continue;
        }
        std::printf("%-22s %12.2f %12.2f %8.2f %11ld\n", c.name, r.addin * 1e3, r.bare * 1e3, r.addin / r.bare, r.iterations);
        std::fflush(stdout);
    }
    bench.End();
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    double minSeconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    if (minSeconds <= 0) minSeconds = 2.0;
    // The support library reads the log folder at its first call.
    const std::wstring logs = LogFolder();
    if (logs.empty() || !SetEnvironmentVariableW(L"TORVIK_LOG_DIR", logs.c_str())) {
        std::fprintf(stderr, "dialog_bench_win: no temporary log folder\n");
        return 2;
    }
    if (FAILED(OleInitialize(nullptr))) return 3;
    int rc = 3;
    try {
        rc = Run(minSeconds);
    } catch (const RuntimeError& e) {
        std::fprintf(stderr, "dialog_bench_win: %s\n", ToUtf8(e.description()).c_str());
    } catch (...) {
        std::fprintf(stderr, "dialog_bench_win: failed\n");
    }
    OleUninitialize();
    // Torvik.dll keeps its log open until the process ends; what is left of the folder goes then.
    std::error_code ec;
    if (!GetEnvironmentVariableW(L"BRISKO_KEEP_LOG", nullptr, 0)) std::filesystem::remove_all(std::filesystem::path(logs), ec);
    return rc;
}
