// outlook-sim: the simulated Outlook over COM. Runs a scenario (the same language as brisko-sim)
// with the add-ins registered under HKCU\Software\Microsoft\Office\Outlook\Addins loaded as
// Outlook loads them; without a scenario it runs the built-in demo on the sample mailbox. At the
// end it prints where the add-in's log was written.
//
//   outlook-sim [--register <DLL>]... [--clean] [scenario file | -]
//
// --register registers the DLL for the run (DllRegisterServer) and unregisters it afterwards; it
// may be given more than once (the add-in, and the libraries it creates objects of, such as
// RedemptionStandIn.dll).
// --clean removes the add-in's settings (HKCU and HKLM Software\Corvant\Brisko) before the run, so
// the run starts as on a new machine.
// Debug records of every detail level are logged unless TORVIK_DEBUG_LEVEL says otherwise.
#include <windows.h>
#include <initguid.h>
#include <objbase.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "automation/text.h"
#include "brisko_idl.h"
#include "tools/brisko-sim/scenario.h"
#include "tools/outlook-sim/com_session.h"
#include "tools/outlook-sim/sim_exposure.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Corvant\\Brisko";

using ServerEntry = HRESULT(STDAPICALLTYPE*)();

HRESULT CallServerEntry(const std::wstring& dll, const char* name) {
    HMODULE module = LoadLibraryW(dll.c_str());
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    auto entry = reinterpret_cast<ServerEntry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    const HRESULT hr = entry ? entry() : E_NOINTERFACE;
    FreeLibrary(module);
    return hr;
}

int Run(const std::wstring& scenario) {
    brisko::tools::SimExposure exposure;
    auto owned = std::make_unique<brisko::tools::ComSession>();
    const auto& session = *owned;
    brisko::tools::ScenarioRunner runner(std::cout, std::move(owned));
    int rc = 0;
    if (scenario.empty()) {
        rc = runner.RunText(brisko::tools::kDemoScenario, "demo");
    } else if (scenario == L"-") {
        rc = runner.Run(std::cin, "stdin");
    } else {
        std::ifstream in(scenario.c_str(), std::ios::binary);
        if (!in) {
            std::cerr << "outlook-sim: cannot open " << brisko::ToUtf8(scenario) << "\n";
            return 2;
        }
        rc = runner.Run(in, brisko::ToUtf8(scenario));
    }
    if (!session.LogFile().empty()) {
        std::cout << brisko::ToUtf8(session.ObservedProgId()) << ": log written to " << brisko::ToUtf8(session.LogFile())
                  << std::endl;
    }
    return rc;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> registerDlls;
    std::wstring scenario;
    bool clean = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--register" && i + 1 < argc) {
            registerDlls.emplace_back(argv[++i]);
        } else if (a == L"--clean") {
            clean = true;
        } else if (scenario.empty() && (a == L"-" || a.rfind(L"--", 0) != 0)) {
            scenario = a;
        } else {
            std::fprintf(stderr,
                         "usage: outlook-sim [--register <DLL>]... [--clean] [scenario file | -]\n"
                         "Runs the scenario with the registered add-ins loaded over COM into the simulated\n"
                         "Outlook; without a file it runs the built-in demo on the sample mailbox.\n");
            return 2;
        }
    }
    if (GetEnvironmentVariableW(L"TORVIK_DEBUG_LEVEL", nullptr, 0) == 0) SetEnvironmentVariableW(L"TORVIK_DEBUG_LEVEL", L"3");
    if (clean) {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey);
    }
    if (FAILED(CoInitialize(nullptr))) return 3;
    int rc = 0;
    std::vector<std::wstring> registered;
    for (const auto& dll : registerDlls) {
        if (FAILED(CallServerEntry(dll, "DllRegisterServer"))) {
            std::fprintf(stderr, "outlook-sim: registering %s failed\n", brisko::ToUtf8(dll).c_str());
            rc = 3;
            break;
        }
        registered.push_back(dll);
    }
    if (rc == 0) {
        try {
            rc = Run(scenario);
        } catch (...) {
            std::fprintf(stderr, "outlook-sim: the run failed\n");
            rc = 1;
        }
    }
    for (auto it = registered.rbegin(); it != registered.rend(); ++it) CallServerEntry(*it, "DllUnregisterServer");
    CoUninitialize();
    return rc;
}
