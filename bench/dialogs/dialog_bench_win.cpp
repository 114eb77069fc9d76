// The quick dialogs under Wine with the real windows (Windows target): what the user waits for,
// beside the same windows bare. bench/dialog_bench.cpp times the same natively.
//
// The add-in's code is linked into this program with the Win32 platform installed (the Wine
// registry, Torvik.dll's log, the Win32 locale, BriskoFormWindow with Kelvane.dll's controls
// through COM); the simulated Outlook (sample mailbox, version 12) is reached over IDispatch, as
// Brisko.dll reaches it. The safe item library comes from the in-memory class table.
//
//   Show         ShowQuickTask / ShowQuickAppointment on a sample mail with a remembered move
//                folder, until the dialog is visible and the thread's queue is empty
//   Create       the Create button clicked (BM_CLICK) until the dialog is gone: the item created,
//                the mail moved, the queue empty
//   Bare show    the design table's controls in a BriskoFormWindow (no localising, no options,
//                no recent lists, no host calls): made, loaded, shown, the queue empty
//   Bare close   that window unloaded, the queue empty
//
// Google Benchmark is built for the native target only, so this is a small timing harness of
// our own: warm-up, then iterations until their timed parts add up to the minimum time (default
// 2 s, or the first argument in seconds); the mean time per iteration.
//
//   dialog_bench_win [seconds]
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

#include "addin/com/com_handles.h"
#include "addin/dialogs/mForms.h"
#include "addin/folders/CRecentFolders.h"
#include "addin/forms/quick_designs.h"
#include "addin/host/COptions.h"
#include "addin/host/Connect.h"
#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "automation/error.h"
#include "automation/text.h"
#include "automation/win/dispatch_object.h"
#include "automation/win/object_dispatch.h"
#include "platform/platform.h"
#include "platform/sim/sim_ui.h"
#include "platform/win/win_files.h"
#include "platform/win/win_form_window.h"
#include "platform/win/win_link_label.h"
#include "platform/win/win_locale.h"
#include "platform/win/win_menus.h"
#include "platform/win/win_message_boxes.h"
#include "platform/win/win_objects.h"
#include "platform/win/win_pictures.h"
#include "platform/win/win_platform.h"
#include "platform/win/win_registry.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"
#include "standins/redemption/sim_registration.h"
#include "tests/formwin/form_window_testing.h"
#include "tools/outlook-sim/sim_exposure.h"

namespace {

using namespace brisko;

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

std::wstring ExeFolder() {
    wchar_t exe[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe, n);
    return path.substr(0, path.find_last_of(L"\\/"));
}

// The build's addin folder (the language files), two folders above this program.
std::wstring AddinFolder() {
    wchar_t full[MAX_PATH * 2] = {};
    const std::wstring relative = ExeFolder() + L"\\..\\..\\addin";
    const DWORD m = GetFullPathNameW(relative.c_str(), MAX_PATH * 2, full, nullptr);
    return m > 0 && m < MAX_PATH * 2 ? std::wstring(full, m) : relative;
}

// The safe item library from the in-memory class table, every other class through COM.
class Objects : public ObjectFactory {
public:
    Objects() { redemption::RegisterClasses(table_); }
    ObjectPtr CreateObject(std::wstring_view name) override {
        if (name.substr(0, 11) == L"Redemption." || name.front() == L'{') {
            if (ObjectPtr o = table_.CreateObject(name)) return o;
        }
        return com_.CreateObject(name);
    }

private:
    sim::SimObjectFactory table_;
    win::WinObjectFactory com_;
};

// The Win32 platform as Brisko.dll installs it, its module folder the build's addin folder.
struct WinPlatform {
    explicit WinPlatform(const std::wstring& folder) : torvik(ExeFolder() + L"\\Torvik.dll") {
        Platform p;
        p.torvik = &torvik;
        p.registry = &registry;
        p.handles = &handles;
        p.desktop = &desktop;
        p.clock = &clock;
        p.codePage = &codePage;
        p.files = &files;
        p.menus = &menus;
        p.pictures = &pictures;
        p.objects = &objects;
        p.linkLabels = &linkLabels;
        p.formWindows = &formWindows;
        p.messageBoxes = &messageBoxes;
        p.locale = &locale;
        p.moduleFolder = folder;
        p.moduleHandle = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)));
        SetPlatform(p);
    }
    ~WinPlatform() { SetPlatform(Platform{}); }

    win::WinTorvikLoader torvik;
    win::WinRegistry registry;
    com::WinHandles handles;
    win::WinDesktop desktop;
    win::WinClock clock;
    win::WinCodePage codePage;
    win::WinFiles files;
    win::WinPopupMenus menus;
    win::WinPictures pictures;
    Objects objects;
    win::WinMessageBoxes messageBoxes;
    win::WinLocale locale;
    win::WinLinkLabelViews linkLabels{reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr))};
    win::WinFormWindows formWindows{reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr))};
};

// The add-in connected to the sample mailbox over IDispatch; the move folder Inbox\Projects\Alpha
// remembered and "move the mail" last used by both dialogs.
struct Session {
    Session() {
        ReleaseProcessObjects();
        Services() = DefaultServices();
        mailbox = sim::BuildSampleMailbox(host);
        host.SetMajorVersion(12);
        exposed = win::ExposeObject(host.ApplicationObject());
        application = win::DispatchObject::Wrap(exposed.Get());
        connect = std::make_shared<brisko::Connect>();
        Array custom;
        connect->OnConnection(application, 1, nullptr, custom);
        connect->OnStartupComplete(custom);
        if (g_oRecentMove2Folders) g_oRecentMove2Folders->SetRecent(Folder(mailbox.alpha));
        Options().SetLastUsed_MailAction(3, 1);
        Options().SetLastUsed_MailAction(1, 1);
    }
    ~Session() {
        Array custom;
        connect->OnBeginShutdown(custom);
        connect->OnDisconnection(0, custom);
        connect.reset();
        ReleaseProcessObjects();
        application.reset();
        exposed = nullptr;
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    ObjectPtr Namespace() { return ObjectOf(application, L"Session"); }
    ObjectPtr Folder(sim::SimFolder* f) { return ObjectOf(Namespace(), L"GetFolderFromID", {f->EntryID(), f->StoreID()}); }

    // A new mail in the Inbox, as the add-in's host reaches it.
    sim::SimItem* NewMail(ObjectPtr& mail) {
        sim::MailFields fields;
        fields.subject = L"Quarterly report: figures for the board meeting";
        fields.body = L"Please find the figures attached.\r\nRegards, Jonas";
        fields.senderName = L"Jonas Weber";
        fields.categories = L"Reports";
        fields.importance = 2;
        sim::SimItem* item = host.AddMail(mailbox.inbox, fields);
        mail = ObjectOf(Namespace(), L"GetItemFromID", {item->EntryID(), mailbox.inbox->StoreID()});
        return item;
    }

    sim::SimOutlook host;
    sim::SampleMailbox mailbox;
    win::ComPtr<IDispatch> exposed;
    ObjectPtr application;
    std::shared_ptr<brisko::Connect> connect;
};

std::shared_ptr<forms::CForm> OpenDialog(bool task, const std::wstring& entryID, const std::wstring& storeID) {
    const ObjectPtr form = task ? FindQuickTaskForm(entryID, storeID) : FindQuickAppointmentForm(entryID, storeID);
    return std::dynamic_pointer_cast<forms::CForm>(form);
}

HWND Child(forms::CForm& form, const wchar_t* name) {
    return GetDlgItem(reinterpret_cast<HWND>(form.hWnd()), win::WinFormWindows::kFirstControlId + form.Control(name)->Id());
}

// One iteration: the seconds of its timed part, or a negative value after writing why it failed.
using Iteration = std::function<double(std::string& failure)>;

struct Result {
    double seconds = -1;
    long iterations = 0;
    std::string failure;
};

Result Measure(const Iteration& iteration, double minSeconds) {
    Result r;
    for (int i = 0; i < 3; ++i) {
        if (iteration(r.failure) < 0) return r;
    }
    double timed = 0;
    do {
        const double t = iteration(r.failure);
        if (t < 0) return r;
        timed += t;
        ++r.iterations;
    } while (timed < minSeconds);
    r.seconds = timed / static_cast<double>(r.iterations);
    return r;
}

constexpr int kFreshEvery = 100;

class Bench {
public:
    double Show(bool task, std::string& failure) {
        Fresh();
        ObjectPtr mail;
        sim::SimItem* item = session_->NewMail(mail);
        const double start = Now();
        if (task) ShowQuickTask(mail, false);
        else ShowQuickAppointment(mail, false);
        Idle();
        const double elapsed = Now() - start;
        const auto form = OpenDialog(task, item->EntryID(), session_->mailbox.inbox->StoreID());
        if (!form || !IsWindowVisible(reinterpret_cast<HWND>(form->hWnd()))) {
            failure = "no dialog shown";
            return -1;
        }
        SendMessageW(Child(*form, L"btnCancel"), BM_CLICK, 0, 0);
        Idle();
        return elapsed;
    }

    double Create(bool task, std::string& failure) {
        Fresh();
        ObjectPtr mail;
        sim::SimItem* item = session_->NewMail(mail);
        if (task) ShowQuickTask(mail, false);
        else ShowQuickAppointment(mail, false);
        Idle();
        const auto form = OpenDialog(task, item->EntryID(), session_->mailbox.inbox->StoreID());
        if (!form) {
            failure = "no dialog shown";
            return -1;
        }
        const HWND dialog = reinterpret_cast<HWND>(form->hWnd());
        const HWND button = Child(*form, task ? L"btnCreateTask" : L"btnCreateAppointment");
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
            session_ = std::make_unique<Session>();
        }
    }
    std::unique_ptr<Session> session_;
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
    WinPlatform platform(AddinFolder());
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    std::printf("Brisko quick dialogs under Wine: own timing harness (Google Benchmark is not available for the Windows target)\n");
    std::printf("add-in folder %s, %d dpi; minimum timed time per case %.2f s; mean time per iteration\n\n",
                ToUtf8(AddinFolder()).c_str(), dpi, minSeconds);
    std::printf("%-28s %12s %12s\n", "Case", "Time (ms)", "Iterations");
    Bench bench;
    struct Case {
        const char* name;
        std::function<double(std::string&)> run;
    };
    const Case cases[] = {
        {"ShowQuickTask", [&](std::string& f) { return bench.Show(true, f); }},
        {"BareTaskShow", [&](std::string& f) { return Bench::BareShow(true, f); }},
        {"ShowQuickAppointment", [&](std::string& f) { return bench.Show(false, f); }},
        {"BareAppointmentShow", [&](std::string& f) { return Bench::BareShow(false, f); }},
        {"CreateTask", [&](std::string& f) { return bench.Create(true, f); }},
        {"BareTaskClose", [&](std::string& f) { return Bench::BareClose(true, f); }},
        {"CreateAppointment", [&](std::string& f) { return bench.Create(false, f); }},
        {"BareAppointmentClose", [&](std::string& f) { return Bench::BareClose(false, f); }},
    };
    int failures = 0;
    for (const Case& c : cases) {
        const Result r = Measure(c.run, minSeconds);
        if (r.seconds < 0) {
            std::printf("%-28s failed after %ld iterations: %s\n", c.name, r.iterations, r.failure.c_str());
            ++failures;
            continue;
        }
        std::printf("%-28s %12.2f %12ld\n", c.name, r.seconds * 1e3, r.iterations);
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
