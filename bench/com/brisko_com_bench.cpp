// Brisko start-up benchmark through COM (Windows target, under Wine). Brisko.dll is loaded once
// and its class factory taken from DllGetClassObject; each iteration creates the add-in, drives
// IDTExtensibility2 on the simulated Outlook exposed over IDispatch (the sample mailbox, version
// 11, one explorer on the Inbox at start-up) and releases it. bench/startup_bench.cpp times the
// same sequence natively.
//
// Google Benchmark is built for the native target only, so this is a small timing harness of
// our own: each case runs repeatedly until its timed part adds up to at least the minimum time
// (default 0.5 s, or the first argument in seconds), after warm-up, and reports the mean time
// per iteration. Every call must answer S_OK and no reference to the host may be left after an
// iteration; otherwise the case fails.
//
//   brisko_com_bench [seconds [path of Brisko.dll]]
//
// Without a path the DLL is the build's addin\Brisko.dll, two folders above this program.
#include <windows.h>
#include <initguid.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <utility>

#include "automation/object.h"
#include "automation/text.h"
#include "automation/win/com_ptr.h"
#include "automation/win/object_dispatch.h"
#include "brisko_idl.h"
#include "simhost/command_bars.h"
#include "simhost/ribbon.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"
#include "tools/outlook-sim/sim_exposure.h"
#if __has_include("tools/outlook-sim/com_ribbon.h")
#include "tools/outlook-sim/com_ribbon.h"
#define BRISKO_COM_RIBBON 1
#endif

namespace {

using brisko::win::ComPtr;

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

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// One iteration: the seconds of its timed part, or a negative value after writing why it failed.
using Iteration = std::function<double(std::string& failure)>;

struct Result {
    double seconds_per_iteration;
    long iterations;
    std::string failure;
};

Result Measure(const Iteration& iteration, double min_seconds) {
    Result r{-1, 0, {}};
    for (int i = 0; i < 5; ++i) {  // warm-up: the support library loaded, first-use set-up done
        if (iteration(r.failure) < 0) return r;
    }
    double timed = 0;
    do {
        const double t = iteration(r.failure);
        if (t < 0) return r;
        timed += t;
        ++r.iterations;
    } while (timed < min_seconds);
    r.seconds_per_iteration = timed / static_cast<double>(r.iterations);
    return r;
}

// The library, loaded by path for the whole run.
class Library {
public:
    explicit Library(std::wstring path) : path_(std::move(path)), module_(LoadLibraryW(path_.c_str())) {}
    ~Library() {
        if (module_) FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    explicit operator bool() const noexcept { return module_ != nullptr; }
    const std::wstring& Path() const noexcept { return path_; }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) const {
        using Entry = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
        return entry ? entry(clsid, iid, ppv) : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }

private:
    std::wstring path_;
    HMODULE module_;
};

// A folder of its own below %TEMP%, removed with its contents at the end.
class TempFolder {
public:
    TempFolder() {
        wchar_t temp[MAX_PATH] = {};
        const DWORD n = GetTempPathW(MAX_PATH, temp);
        if (n == 0 || n >= MAX_PATH) return;
        const std::wstring base = std::wstring(temp) + L"brisko-com-bench-" + std::to_wstring(GetCurrentProcessId());
        for (int i = 0; i < 100; ++i) {
            const std::wstring path = i == 0 ? base : base + L"." + std::to_wstring(i);
            if (CreateDirectoryW(path.c_str(), nullptr)) {
                path_ = path;
                return;
            }
            if (GetLastError() != ERROR_ALREADY_EXISTS) return;
        }
    }
    ~TempFolder() {
        if (path_.empty()) return;
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::path(path_), ec);
        if (ec) std::fprintf(stderr, "brisko_com_bench: %s left behind\n", brisko::ToUtf8(path_).c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const noexcept { return path_; }

private:
    std::wstring path_;
};

// The add-in's COMAddIn object as the host hands it over.
class AddInObject : public brisko::Object {
public:
    brisko::Value Invoke(std::wstring_view name, brisko::CallKind, brisko::Args&) override {
        if (name == L"ProgId") return brisko::Value(std::wstring(L"Brisko.Connect"));
        if (name == L"Connect") return brisko::Value(true);
        return {};
    }
    std::wstring TypeName() const override { return L"COMAddIn"; }
};

// The host of one iteration: the sample mailbox, version 11 (or the one given), one explorer on
// the Inbox at start-up; Application and the COMAddIn object over IDispatch.
struct Host {
    explicit Host(int major = 11) {
        brisko::sim::BuildSampleMailbox(outlook);
        outlook.SetMajorVersion(major);
        explorer = outlook.AddExplorerAtStartup(outlook.DefaultFolder(brisko::sim::ol::FolderInbox));
        application = brisko::win::ExposeObject(outlook.ApplicationObject());
        addInInst = brisko::win::ExposeObject(std::make_shared<AddInObject>());
    }
    // Drops the host's own references, then counts those the add-in left.
    bool Released(std::string& failure) {
        application = nullptr;
        addInInst = nullptr;
        if (outlook.ExternalReferences() == 0) return true;
        failure = std::to_string(outlook.ExternalReferences()) + " host references left: " +
                  brisko::ToUtf8(outlook.DescribeExternalReferences());
        return false;
    }

    brisko::sim::SimOutlook outlook;
    brisko::sim::SimExplorer* explorer = nullptr;
    ComPtr<IDispatch> application;
    ComPtr<IDispatch> addInInst;
};

// An empty SAFEARRAY(VARIANT) for the custom arguments.
struct Custom {
    Custom() : array(brisko::win::SafeArray::Attach(SafeArrayCreateVector(VT_VARIANT, 0, 0))), p(array.Get()) {}
    SAFEARRAY** operator&() { return &p; }
    brisko::win::SafeArray array;
    SAFEARRAY* p;
};

// The steps of one life of the add-in; each records the first call that did not answer S_OK.
class Life {
public:
    Life(IClassFactory& factory, Host& host) : factory_(factory), host_(host) {}

    bool Create() {
        ComPtr<IUnknown> unknown;
        if (!Check("CreateInstance", factory_.CreateInstance(nullptr, IID_IUnknown, unknown.PutVoid()))) return false;
        return Check("QueryInterface(IDTExtensibility2)",
                     unknown->QueryInterface(IID_IDTExtensibility2, addin_.PutVoid()));
    }
    bool Start() {
        return Check("OnConnection", addin_->OnConnection(host_.application.Get(), ext_cm_Startup,
                                                          host_.addInInst.Get(), &custom_)) &&
               Check("OnStartupComplete", addin_->OnStartupComplete(&custom_));
    }
    bool Shutdown() {
        return Check("OnBeginShutdown", addin_->OnBeginShutdown(&custom_)) &&
               Check("OnDisconnection", addin_->OnDisconnection(ext_dm_HostShutdown, &custom_));
    }
    void Release() { addin_ = nullptr; }
    IUnknown* Addin() const noexcept { return addin_.Get(); }
    const std::string& Failure() const noexcept { return failure_; }

private:
    bool Check(const char* call, HRESULT hr) {
        if (hr == S_OK) return true;
        failure_ = std::string(call) + " returned " + Hex(hr);
        return false;
    }

    IClassFactory& factory_;
    Host& host_;
    Custom custom_;
    ComPtr<IDTExtensibility2> addin_;
    std::string failure_;
};

// OnConnection and OnStartupComplete (the first explorer's Init with them); creation, shutdown
// and release outside the timing.
double StartUp(IClassFactory& factory, std::string& failure) {
    Host host;
    Life life(factory, host);
    double elapsed = -1;
    if (life.Create()) {
        const double start = Now();
        const bool started = life.Start();
        elapsed = Now() - start;
        if (!started || !life.Shutdown()) elapsed = -1;
    }
    life.Release();
    if (elapsed < 0) {
        failure = life.Failure();
        return -1;
    }
    return host.Released(failure) ? elapsed : -1;
}

// CreateInstance, QueryInterface, the four calls of a session and Release.
double WholeLife(IClassFactory& factory, std::string& failure) {
    Host host;
    Life life(factory, host);
    const double start = Now();
    const bool ok = life.Create() && life.Start() && life.Shutdown();
    life.Release();
    const double elapsed = Now() - start;
    if (!ok) {
        failure = life.Failure();
        return -1;
    }
    return host.Released(failure) ? elapsed : -1;
}

// --- The command surfaces: the add-in started once, one step timed per iteration -------------

// Sets the session up, measures the step, and prints the time with the host's figures of one more
// step (the same in every iteration: they don't depend on the machine).
struct SurfaceFigures {
    std::uint64_t hostCalls = 0;
    std::uint64_t controlWrites = 0;
    std::uint64_t callbacks = 0;
    std::size_t controls = 0;
};

// OnUpdate of an explorer (Outlook 2003) whose folder and selection did not change.
bool UnchangedOnUpdate(IClassFactory& factory, double min_seconds, Result& result, SurfaceFigures& figures) {
    Host host(11);
    Life life(factory, host);
    auto& outlook = host.outlook;
    bool ok = life.Create() && life.Start();
    if (ok) {
        outlook.ActivateExplorer(host.explorer);
        outlook.Select(host.explorer, {outlook.DefaultFolder(brisko::sim::ol::FolderInbox)->Contents().front()});
        brisko::sim::UpdateBars(host.explorer);
        result = Measure(
            [&](std::string&) {
                const double start = Now();
                brisko::sim::UpdateBars(host.explorer);
                return Now() - start;
            },
            min_seconds);
        const auto calls = outlook.CallCount();
        const auto writes = brisko::sim::ControlWrites(outlook);
        brisko::sim::UpdateBars(host.explorer);
        figures.hostCalls = outlook.CallCount() - calls;
        figures.controlWrites = brisko::sim::ControlWrites(outlook) - writes;
        if (!outlook.EscapedErrors().empty()) result.failure = "an error escaped into the host";
        ok = life.Shutdown();
    }
    if (!ok) result.failure = life.Failure();
    life.Release();
    return ok && result.failure.empty() && host.Released(result.failure);
}

// The whole ribbon invalidated, then the add-in's tab shown in the explorer (Outlook 2010): every
// callback of every control through IDispatch.
bool RibbonShow(IClassFactory& factory, double min_seconds, Result& result, SurfaceFigures& figures) {
#ifdef BRISKO_COM_RIBBON
    Host host(14);
    Life life(factory, host);
    auto& outlook = host.outlook;
    auto& ribbon = outlook.Ribbon();
    bool ok = life.Create() && life.Start();
    if (ok) {
        ribbon.Attach(brisko::tools::MakeComRibbonEndpoint(life.Addin()));
        ribbon.StartupComplete();
        outlook.ActivateExplorer(host.explorer);
        outlook.Select(host.explorer, {outlook.DefaultFolder(brisko::sim::ol::FolderInbox)->Contents().front()});
        ribbon.Show(host.explorer);
        result = Measure(
            [&](std::string&) {
                const double start = Now();
                ribbon.Invalidate();
                ribbon.Show(host.explorer);
                return Now() - start;
            },
            min_seconds);
        const auto calls = outlook.CallCount();
        const auto callbacks = ribbon.CallbackCount();
        ribbon.Invalidate();
        figures.controls = ribbon.Show(host.explorer).size();
        figures.hostCalls = outlook.CallCount() - calls;
        figures.callbacks = ribbon.CallbackCount() - callbacks;
        if (figures.controls == 0) result.failure = "no tab of the add-in shown";
        if (!ribbon.Problems().empty()) result.failure = "ribbon problems: " + brisko::ToUtf8(ribbon.Problems().front());
        if (!outlook.EscapedErrors().empty()) result.failure = "an error escaped into the host";
        ok = life.Shutdown();
        ribbon.Detach();
    }
    if (!ok) result.failure = life.Failure();
    life.Release();
    return ok && result.failure.empty() && host.Released(result.failure);
#else
    (void)factory;
    (void)min_seconds;
    (void)figures;
    result.failure = "built without the COM ribbon endpoint";
    return false;
#endif
}

std::wstring LogFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(L"TORVIK_LOG_DIR", path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

std::wstring DefaultDll() {
    wchar_t exe[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    const std::wstring relative = std::wstring(exe, n).substr(0, std::wstring(exe, n).find_last_of(L"\\/")) +
                                  L"\\..\\..\\addin\\Brisko.dll";
    wchar_t full[MAX_PATH * 2] = {};
    const DWORD m = GetFullPathNameW(relative.c_str(), MAX_PATH * 2, full, nullptr);
    return m > 0 && m < MAX_PATH * 2 ? std::wstring(full, m) : relative;
}

int Run(double min_seconds, const Library& library) {
    ComPtr<IClassFactory> factory;
    const HRESULT hr = library.GetClassObject(CLSID_Connect, IID_IClassFactory, factory.PutVoid());
    if (hr != S_OK || !factory) {
        std::fprintf(stderr, "brisko_com_bench: DllGetClassObject returned %s\n", Hex(hr).c_str());
        return 2;
    }
    brisko::tools::SimExposure exposure;

    std::printf("Brisko COM bench: own timing harness (Google Benchmark is not available for the Windows target)\n");
    std::printf("%s\nlog folder %s\n", brisko::ToUtf8(library.Path()).c_str(), brisko::ToUtf8(LogFolder()).c_str());
    std::printf("minimum timed time per case %.2f s; mean time per iteration\n\n", min_seconds);
    std::printf("%-30s %12s %12s\n", "Case", "Time (us)", "Iterations");
    struct Case {
        const char* name;
        double (*iteration)(IClassFactory&, std::string&);
    };
    const Case cases[] = {
        {"StartUp/11", &StartUp},
        {"WholeLife/11", &WholeLife},
    };
    int failures = 0;
    for (const Case& c : cases) {
        const Result r = Measure([&](std::string& failure) { return c.iteration(*factory.Get(), failure); }, min_seconds);
        if (r.seconds_per_iteration < 0) {
            std::printf("%-30s failed after %ld iterations: %s\n", c.name, r.iterations, r.failure.c_str());
            ++failures;
            continue;
        }
        std::printf("%-30s %12.1f %12ld\n", c.name, r.seconds_per_iteration * 1e6, r.iterations);
    }
    struct SurfaceCase {
        const char* name;
        bool (*run)(IClassFactory&, double, Result&, SurfaceFigures&);
    };
    const SurfaceCase surfaces[] = {
        {"UnchangedOnUpdate/11", &UnchangedOnUpdate},
        {"RibbonShow/14", &RibbonShow},
    };
    for (const SurfaceCase& c : surfaces) {
        Result r{-1, 0, {}};
        SurfaceFigures f;
        if (!c.run(*factory.Get(), min_seconds, r, f) || r.seconds_per_iteration < 0) {
            std::printf("%-30s failed after %ld iterations (host_calls=%llu control_writes=%llu callbacks=%llu): %s\n",
                        c.name, r.iterations, static_cast<unsigned long long>(f.hostCalls),
                        static_cast<unsigned long long>(f.controlWrites), static_cast<unsigned long long>(f.callbacks),
                        r.failure.c_str());
            ++failures;
            continue;
        }
        std::printf("%-30s %12.1f %12ld  host_calls=%llu control_writes=%llu callbacks=%llu controls=%zu\n", c.name,
                    r.seconds_per_iteration * 1e6, r.iterations, static_cast<unsigned long long>(f.hostCalls),
                    static_cast<unsigned long long>(f.controlWrites), static_cast<unsigned long long>(f.callbacks),
                    f.controls);
    }
    factory = nullptr;
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    double min_seconds = argc > 1 ? std::atof(argv[1]) : 0.5;
    if (min_seconds <= 0) min_seconds = 0.5;
    std::wstring dll;
    if (argc > 2) {
        const std::string arg = argv[2];
        const int n = MultiByteToWideChar(CP_ACP, 0, arg.data(), static_cast<int>(arg.size()), nullptr, 0);
        dll.assign(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, arg.data(), static_cast<int>(arg.size()), dll.data(), n);
    } else {
        dll = DefaultDll();
    }
    // The support library reads the log folder at its first call and keeps the log open until
    // it is unloaded, so the folder goes after the library.
    TempFolder logs;
    if (logs.Path().empty() || !SetEnvironmentVariableW(L"TORVIK_LOG_DIR", logs.Path().c_str())) {
        std::fprintf(stderr, "brisko_com_bench: no temporary log folder\n");
        return 2;
    }
    Library library(dll);
    if (!library) {
        std::fprintf(stderr, "brisko_com_bench: cannot load %s (error %lu)\n", brisko::ToUtf8(dll).c_str(), GetLastError());
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 3;
    int rc = 3;
    try {
        rc = Run(min_seconds, library);
    } catch (...) {
        std::fprintf(stderr, "brisko_com_bench: failed\n");
    }
    CoUninitialize();
    return rc;
}
