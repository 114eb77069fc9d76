// outlook-sim: the simulated Outlook over COM. Loads the add-ins registered under
// HKCU\Software\Microsoft\Office\Outlook\Addins as Outlook does, runs a short session on the
// sample mailbox (an explorer at start-up, a second one opened and closed) and shuts down.
//
//   outlook-sim [--register <add-in DLL>]
//
// --register registers the DLL for the run (DllRegisterServer) and unregisters it afterwards.
#include <windows.h>
#include <initguid.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

#include "automation/object.h"
#include "automation/win/com_ptr.h"
#include "automation/win/object_dispatch.h"
#include "brisko_idl.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"
#include "tools/outlook-sim/sim_exposure.h"

namespace {

using brisko::win::ComPtr;

constexpr wchar_t kAddinsKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins";

std::string Narrow(const std::wstring& s) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// The add-in's COMAddIn object as the host hands it over.
class AddInObject : public brisko::Object {
public:
    explicit AddInObject(std::wstring progId) : progId_(std::move(progId)) {}
    brisko::Value Invoke(std::wstring_view name, brisko::CallKind, brisko::Args&) override {
        if (name == L"ProgId") return brisko::Value(progId_);
        if (name == L"Connect") return brisko::Value(true);
        return {};
    }
    std::wstring TypeName() const override { return L"COMAddIn"; }

private:
    std::wstring progId_;
};

struct LoadedAddin {
    std::wstring progId;
    ComPtr<IDTExtensibility2> addin;
    ComPtr<IDispatch> addInInst;
};

// ProgIDs whose LoadBehavior asks for loading at start-up (3: connected, at start-up).
std::vector<std::wstring> StartupAddins() {
    std::vector<std::wstring> ids;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kAddinsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return ids;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD chars = 256;
        if (RegEnumKeyExW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DWORD behaviour = 0;
        DWORD size = sizeof behaviour;
        if (RegGetValueW(key, name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behaviour, &size) == ERROR_SUCCESS &&
            (behaviour & 3) == 3)
            ids.emplace_back(name);
    }
    RegCloseKey(key);
    return ids;
}

// The log file of the add-in whose module implements the ProgID, from the support library.
std::wstring LogFileOf(const std::wstring& progId) {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(progId.c_str(), &clsid))) return {};
    wchar_t clsidText[64] = {};
    StringFromGUID2(clsid, clsidText, 64);
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof path;
    const std::wstring sub = std::wstring(L"CLSID\\") + clsidText + L"\\InprocServer32";
    if (RegGetValueW(HKEY_CLASSES_ROOT, sub.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS)
        return {};
    HMODULE module = GetModuleHandleW(path);
    HMODULE torvik = GetModuleHandleW(L"Torvik.dll");
    if (!module || !torvik) return {};
    using GetLogFile = std::int32_t(__stdcall*)(std::uint32_t, wchar_t*, std::int32_t);
    auto get = reinterpret_cast<GetLogFile>(reinterpret_cast<void*>(GetProcAddress(torvik, "TorvikGetLogFileW")));
    if (!get) return {};
    wchar_t buffer[1024] = {};
    const auto n = get(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(module)), buffer, 1024);
    return n > 0 && n < 1024 ? std::wstring(buffer, static_cast<std::size_t>(n)) : std::wstring();
}

using ServerEntry = HRESULT(STDAPICALLTYPE*)();

HRESULT CallServerEntry(const std::wstring& dll, const char* name) {
    HMODULE module = LoadLibraryW(dll.c_str());
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    auto entry = reinterpret_cast<ServerEntry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    const HRESULT hr = entry ? entry() : E_NOINTERFACE;
    FreeLibrary(module);
    return hr;
}

int Session() {
    brisko::tools::SimExposure exposure;
    brisko::sim::SimOutlook host;
    brisko::sim::BuildSampleMailbox(host);
    host.SetMajorVersion(11);
    auto* inbox = host.DefaultFolder(brisko::sim::ol::FolderInbox);
    host.AddExplorerAtStartup(inbox);
    ComPtr<IDispatch> app = brisko::win::ExposeObject(host.ApplicationObject());

    std::vector<LoadedAddin> loaded;
    for (const auto& progId : StartupAddins()) {
        CLSID clsid{};
        ComPtr<IUnknown> unknown;
        HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
        if (SUCCEEDED(hr)) hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, unknown.PutVoid());
        auto addin = unknown.As<IDTExtensibility2>(IID_IDTExtensibility2);
        if (!addin) {
            std::printf("%s: not loaded (0x%08lX)\n", Narrow(progId).c_str(), static_cast<unsigned long>(hr));
            continue;
        }
        loaded.push_back({progId, addin, brisko::win::ExposeObject(std::make_shared<AddInObject>(progId))});
    }
    auto custom = brisko::win::SafeArray::Attach(SafeArrayCreateVector(VT_VARIANT, 0, 0));
    SAFEARRAY* customRef = custom.Get();
    for (auto& a : loaded) {
        a.addin->OnConnection(app.Get(), ext_cm_Startup, a.addInInst.Get(), &customRef);
        std::printf("%s: connected\n", Narrow(a.progId).c_str());
    }
    for (auto& a : loaded) a.addin->OnStartupComplete(&customRef);

    auto* second = host.OpenExplorer(inbox);
    host.CloseExplorer(second);

    std::vector<std::wstring> logs;
    for (auto& a : loaded) logs.push_back(LogFileOf(a.progId));
    for (auto& a : loaded) a.addin->OnBeginShutdown(&customRef);
    for (auto& a : loaded) {
        a.addin->OnDisconnection(ext_dm_HostShutdown, &customRef);
        a.addin = nullptr;
        std::printf("%s: disconnected\n", Narrow(a.progId).c_str());
    }
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        if (!logs[i].empty()) std::printf("%s: log: %s\n", Narrow(loaded[i].progId).c_str(), Narrow(logs[i]).c_str());
    }
    loaded.clear();
    CoFreeUnusedLibraries();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring registerDll;
    if (argc == 3 && std::wstring(argv[1]) == L"--register") {
        registerDll = argv[2];
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: outlook-sim [--register <add-in DLL>]\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 3;
    int rc = 0;
    if (!registerDll.empty() && FAILED(CallServerEntry(registerDll, "DllRegisterServer"))) {
        std::fprintf(stderr, "outlook-sim: registering %s failed\n", Narrow(registerDll).c_str());
        rc = 3;
    }
    if (rc == 0) {
        try {
            rc = Session();
        } catch (...) {
            std::fprintf(stderr, "outlook-sim: the session failed\n");
            rc = 1;
        }
    }
    if (!registerDll.empty()) CallServerEntry(registerDll, "DllUnregisterServer");
    CoUninitialize();
    return rc;
}
