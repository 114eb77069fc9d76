// The quick dialogs under Wine with the real windows (Windows target): what the user waits for,
// beside the same windows bare. bench/dialog_bench.cpp times the same natively.
//
// Brisko.dll is loaded as Outlook loads it: registered (with Kelvane.dll and RedemptionStandIn.dll)
// in the program's Wine prefix, created by ProgID, IDTExtensibility2 driven on the simulated
// Outlook (sample mailbox, version 12) exposed over IDispatch; the dialogs open through its hidden
// _Connect members ShowQuickTask / ShowQuickAppointment, and their windows (BriskoFormWindow) are
// found on the thread and their buttons clicked by child id (1000 + the control's position), as
// outlook-sim does. The bare windows come from the add-in's code linked into this program with the
// Win32 platform installed (tests/formwin/addin_session.h); it also writes, once at the start, the
// remembered move folder and mail action that Brisko.dll reads from the registry.
//
//   Show         ShowQuickTask / ShowQuickAppointment over COM on a sample mail with a remembered
//                move folder, until a new dialog is visible and the thread's queue is empty
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
// Run it in a Wine prefix of its own: it registers the COM servers, and the add-in writes its
// options and recent lists to the registry.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "addin/forms/quick_designs.h"
#include "automation/error.h"
#include "automation/text.h"
#include "automation/win/com_ptr.h"
#include "automation/win/object_dispatch.h"
#include "tests/formwin/addin_session.h"
#include "tests/formwin/form_window_testing.h"
#include "tools/outlook-sim/sim_exposure.h"
// The add-in's interface identifiers, defined here.
#include <initguid.h>
#include "brisko_idl.h"

namespace {

using namespace brisko;
using formwin_testing::AddinSession;

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

// An in-process server loaded by path and registered while this lives.
class RegisteredServer {
public:
    explicit RegisteredServer(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {
        registered = module_ && SUCCEEDED(Entry("DllRegisterServer"));
    }
    ~RegisteredServer() {
        if (registered) Entry("DllUnregisterServer");
        if (module_) FreeLibrary(module_);
    }
    RegisteredServer(const RegisteredServer&) = delete;
    RegisteredServer& operator=(const RegisteredServer&) = delete;

    bool registered = false;

private:
    HRESULT Entry(const char* name) const {
        using Call = HRESULT(STDAPICALLTYPE*)();
        auto call = reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
        return call ? call() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    HMODULE module_;
};

// The add-in's COMAddIn object as the host hands it over.
class AddInObject : public Object {
public:
    Value Invoke(std::wstring_view name, CallKind, Args&) override {
        if (name == L"ProgId") return Value(std::wstring(L"Brisko.Connect"));
        if (name == L"Connect") return Value(true);
        return {};
    }
    std::wstring TypeName() const override { return L"COMAddIn"; }
};

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// Brisko.dll created by its ProgID and connected to the sample mailbox (version 12) over
// IDispatch, as Outlook loads it at start-up; disconnected and released at the end.
class ComSession {
public:
    ComSession() : custom_(win::SafeArray::Attach(SafeArrayCreateVector(VT_VARIANT, 0, 0))), customRef_(custom_.Get()) {
        mailbox = sim::BuildSampleMailbox(host);
        host.SetMajorVersion(12);
        application_ = win::ExposeObject(host.ApplicationObject());
        addInInst_ = win::ExposeObject(std::make_shared<AddInObject>());
        CLSID clsid{};
        win::ComPtr<IUnknown> unknown;
        HRESULT hr = CLSIDFromProgID(L"Brisko.Connect", &clsid);
        if (SUCCEEDED(hr)) hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, unknown.PutVoid());
        if (FAILED(hr) || !unknown) Throw("CoCreateInstance(Brisko.Connect) returned " + Hex(hr));
        addin_ = unknown.As<IDTExtensibility2>(IID_IDTExtensibility2);
        connect = unknown.As<_Connect>(IID__Connect);
        if (!addin_ || !connect) Throw("Brisko.Connect answers no IDTExtensibility2 or _Connect");
        hr = addin_->OnConnection(application_.Get(), ::ext_cm_Startup, addInInst_.Get(), &customRef_);
        if (hr != S_OK) Throw("OnConnection returned " + Hex(hr));
        hr = addin_->OnStartupComplete(&customRef_);
        if (hr != S_OK) Throw("OnStartupComplete returned " + Hex(hr));
    }
    ~ComSession() {
        if (addin_) {
            addin_->OnBeginShutdown(&customRef_);
            addin_->OnDisconnection(::ext_dm_HostShutdown, &customRef_);
        }
        connect = nullptr;
        addin_ = nullptr;
        addInInst_ = nullptr;
        application_ = nullptr;
    }
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;

    // A new mail in the Inbox; mail: the mail over IDispatch, as the host hands it to the add-in.
    sim::SimItem* NewMail(win::ComPtr<IDispatch>& mail, const std::wstring& subject) {
        sim::MailFields fields;
        fields.subject = subject;
        fields.body = L"Please find the figures attached.\r\nRegards, Jonas";
        fields.senderName = L"Jonas Weber";
        fields.categories = L"Reports";
        fields.importance = 2;
        sim::SimItem* item = host.AddMail(mailbox.inbox, fields);
        const ObjectPtr session = ObjectOf(host.ApplicationObject(), L"Session");
        mail = win::ExposeObject(ObjectOf(session, L"GetItemFromID", {item->EntryID(), mailbox.inbox->StoreID()}));
        return item;
    }

    sim::SimOutlook host;
    sim::SampleMailbox mailbox;
    win::ComPtr<_Connect> connect;

private:
    [[noreturn]] static void Throw(const std::string& what) { throw std::runtime_error(what); }

    win::SafeArray custom_;
    SAFEARRAY* customRef_;
    win::ComPtr<IDispatch> application_;
    win::ComPtr<IDispatch> addInInst_;
    win::ComPtr<IDTExtensibility2> addin_;
};

BOOL CALLBACK CollectDialogs(HWND w, LPARAM lp) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (std::wstring(cls) == win::WinFormWindows::kClassName) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}

std::vector<HWND> DialogWindows() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), &CollectDialogs, reinterpret_cast<LPARAM>(&found));
    return found;
}

// A button of a dialog's window: its child id is 1000 + its position in the design table.
HWND ButtonOf(HWND dialog, bool task, const wchar_t* name) {
    const forms::FormDesign& design = task ? forms::QuickTaskDesign() : forms::QuickAppointmentDesign();
    for (std::size_t i = 0; i < design.controls.size(); ++i) {
        if (design.controls[i].name == name) return GetDlgItem(dialog, win::WinFormWindows::kFirstControlId + static_cast<int>(i));
    }
    return nullptr;
}

class Bench {
public:
    // A new mail in a session (outside the timing).
    sim::SimItem* Prepare(win::ComPtr<IDispatch>& mail) {
        Fresh();
        return session_->NewMail(mail, kSubject);
    }

    // The add-in's dialog for the mail, opened through _Connect: the new window, or null.
    HWND Open(bool task, win::ComPtr<IDispatch>& mail, std::string& failure) {
        const auto before = DialogWindows();
        const HRESULT hr = task ? session_->connect->ShowQuickTask(mail.Get(), VARIANT_FALSE)
                                : session_->connect->ShowQuickAppointment(mail.Get(), VARIANT_FALSE);
        mail = nullptr;
        Idle();
        if (hr != S_OK) {
            failure = std::string(task ? "ShowQuickTask" : "ShowQuickAppointment") + " returned " + Hex(hr);
            return nullptr;
        }
        for (HWND d : DialogWindows()) {
            if (std::find(before.begin(), before.end(), d) == before.end() && IsWindowVisible(d)) return d;
        }
        failure = "no dialog shown";
        return nullptr;
    }

    double Show(bool task, std::string& failure) {
        win::ComPtr<IDispatch> mail;
        Prepare(mail);
        const double start = Now();
        const HWND dialog = Open(task, mail, failure);
        const double elapsed = Now() - start;
        if (!dialog) return -1;
        SendMessageW(ButtonOf(dialog, task, L"btnCancel"), BM_CLICK, 0, 0);
        Idle();
        if (IsWindow(dialog)) {
            failure = "the dialog stayed open after Cancel";
            return -1;
        }
        return elapsed;
    }

    double Create(bool task, std::string& failure) {
        win::ComPtr<IDispatch> mail;
        sim::SimItem* item = Prepare(mail);
        const HWND dialog = Open(task, mail, failure);
        if (!dialog) return -1;
        const HWND button = ButtonOf(dialog, task, task ? L"btnCreateTask" : L"btnCreateAppointment");
        if (!button) {
            failure = "no Create button";
            return -1;
        }
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
            session_ = std::make_unique<ComSession>();
        }
    }
    std::unique_ptr<ComSession> session_;
    long uses_ = 0;
};

std::wstring LogFolder() {
    wchar_t temp[MAX_PATH] = {};
    const DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) return {};
    const std::wstring path = std::wstring(temp) + L"brisko-dialog-bench-" + std::to_wstring(GetCurrentProcessId());
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS ? path : std::wstring();
}

// The move folder Inbox\Projects\Alpha and "move the mail" remembered where Brisko.dll reads
// them, the sample mailbox's key (the Inbox's parent's entry id): the linked add-in's session
// writes them at its shutdown, under the common key as it knows no mailbox.
bool Remember() {
    { const AddinSession seed; }
    sim::SimOutlook host;
    sim::BuildSampleMailbox(host);
    const ObjectPtr inbox = ObjectOf(ObjectOf(host.ApplicationObject(), L"Session"), L"GetDefaultFolder", {6});
    const std::wstring common = L"Software\\Corvant\\Brisko";
    const std::wstring mailbox = common + L"\\" + GetOf(ObjectOf(inbox, L"Parent"), L"EntryID").AsString();
    HKEY from = nullptr;
    HKEY to = nullptr;
    bool ok = RegOpenKeyExW(HKEY_CURRENT_USER, (common + L"\\RecentMove2Folders").c_str(), 0, KEY_READ, &from) == ERROR_SUCCESS &&
              RegCreateKeyExW(HKEY_CURRENT_USER, (mailbox + L"\\RecentMove2Folders").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &to, nullptr) == ERROR_SUCCESS &&
              RegCopyTreeW(from, nullptr, to) == ERROR_SUCCESS;
    if (from) RegCloseKey(from);
    if (to) RegCloseKey(to);
    for (const wchar_t* name : {L"LastUsed_MailAction1", L"LastUsed_MailAction3"}) {
        const DWORD move = 1;
        ok = ok && RegSetKeyValueW(HKEY_CURRENT_USER, mailbox.c_str(), name, REG_DWORD, &move, sizeof move) == ERROR_SUCCESS;
    }
    return ok;
}

int Run(double minSeconds) {
    const std::wstring brisko = formwin_testing::AddinFolder() + L"\\Brisko.dll";
    const RegisteredServer kelvane(formwin_testing::ExeFolder() + L"\\Kelvane.dll");
    const RegisteredServer redemption(formwin_testing::ExeFolder() + L"\\RedemptionStandIn.dll");
    const RegisteredServer addin(brisko);
    if (!kelvane.registered || !redemption.registered || !addin.registered) {
        std::fprintf(stderr, "dialog_bench_win: Kelvane.dll, RedemptionStandIn.dll or %s could not be registered\n",
                     ToUtf8(brisko).c_str());
        return 2;
    }
    tools::SimExposure exposure;
    formwin_testing::WinAddinPlatform platform;
    if (!Remember()) {
        std::fprintf(stderr, "dialog_bench_win: the remembered move folder could not be written\n");
        return 2;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    std::printf("Brisko quick dialogs under Wine: own timing harness (Google Benchmark is not available for the Windows target)\n");
    std::printf("%s over COM, %d dpi; minimum timed time per case %.2f s; mean time per iteration\n\n",
                ToUtf8(brisko).c_str(), dpi, minSeconds);
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
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dialog_bench_win: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "dialog_bench_win: failed\n");
    }
    OleUninitialize();
    // Torvik.dll keeps its log open until the process ends; what is left of the folder goes then.
    std::error_code ec;
    if (!GetEnvironmentVariableW(L"BRISKO_KEEP_LOG", nullptr, 0)) std::filesystem::remove_all(std::filesystem::path(logs), ec);
    return rc;
}
