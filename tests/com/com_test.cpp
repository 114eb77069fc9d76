// Brisko.dll through COM under Wine: registration with regsvr32, the class factory and unloading,
// the type library, and IDTExtensibility2 driven with the simulated Outlook exposed over IDispatch.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "automation/win/com_ptr.h"
#include "automation/win/object_dispatch.h"
#include "brisko_idl.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"
#include "tools/outlook-sim/sim_exposure.h"

namespace {

using brisko::win::ComPtr;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr wchar_t kClsidKey[] = L"CLSID\\{43EE0FC1-2B23-418F-9F0D-F15D461CD679}";
constexpr wchar_t kAddinKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins\\Brisko.Connect";
constexpr wchar_t kAddinsKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins";

std::wstring ExeFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path);
    return s.substr(0, s.find_last_of(L"\\/"));
}

// The copies of Brisko.dll: with the real Torvik.dll, with the test double, without any.
std::wstring DllIn(const wchar_t* folder) { return ExeFolder() + L"\\" + folder + L"\\Brisko.dll"; }

DWORD RunProgram(const std::wstring& commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 9999;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 9999;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

bool KeyExists(HKEY root, const std::wstring& sub) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

std::wstring StringValue(HKEY root, const std::wstring& sub, const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(root, sub.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return L"?";
    return buffer;
}

DWORD DwordValue(HKEY root, const std::wstring& sub, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(root, sub.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) return 9999;
    return value;
}

// One copy of the DLL, loaded by path; each copy has its own process-wide state.
struct Library {
    explicit Library(const std::wstring& path) : module(LoadLibraryW(path.c_str())) {}
    ~Library() {
        if (module) FreeLibrary(module);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    template <class F>
    F Export(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    HRESULT CanUnloadNow() const { return Export<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow")(); }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) const {
        return Export<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>("DllGetClassObject")(clsid, iid, ppv);
    }
    ComPtr<IDTExtensibility2> Create() const {
        ComPtr<IClassFactory> factory;
        ComPtr<IDTExtensibility2> addin;
        if (SUCCEEDED(GetClassObject(CLSID_Connect, IID_IClassFactory, factory.PutVoid())))
            factory->CreateInstance(nullptr, IID_IDTExtensibility2, addin.PutVoid());
        return addin;
    }
    HMODULE module;
};

class ComTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }
};

// The host of a test: the sample mailbox with one explorer open at start-up, exposed over COM.
struct Host {
    Host() {
        brisko::sim::BuildSampleMailbox(outlook);
        outlook.SetMajorVersion(11);
        outlook.AddExplorerAtStartup(outlook.DefaultFolder(brisko::sim::ol::FolderInbox));
    }
    IDispatch* Application() {
        if (!app) app = brisko::win::ExposeObject(outlook.ApplicationObject());
        return app.Get();
    }
    brisko::tools::SimExposure exposure;
    brisko::sim::SimOutlook outlook;
    ComPtr<IDispatch> app;
};

// An empty SAFEARRAY(VARIANT) for the custom arguments.
struct Custom {
    Custom() : array(brisko::win::SafeArray::Attach(SafeArrayCreateVector(VT_VARIANT, 0, 0))), p(array.Get()) {}
    SAFEARRAY** operator&() { return &p; }
    brisko::win::SafeArray array;
    SAFEARRAY* p;
};

// Start-up and shutdown as Outlook drives them, each call answering S_OK.
void ExpectWholeSession(IDTExtensibility2& addin, Host& host) {
    Custom custom;
    EXPECT_EQ(addin.OnConnection(host.Application(), ext_cm_Startup, nullptr, &custom), S_OK);
    EXPECT_EQ(addin.OnStartupComplete(&custom), S_OK);
    EXPECT_EQ(addin.OnBeginShutdown(&custom), S_OK);
    EXPECT_EQ(addin.OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
}

std::string ReadFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string DoubleLog(const wchar_t* folder) {
    HMODULE torvik = GetModuleHandleW((ExeFolder() + L"\\" + folder + L"\\Torvik.dll").c_str());
    if (!torvik) return "(Torvik.dll not loaded)";
    auto log = reinterpret_cast<const char*(__stdcall*)()>(reinterpret_cast<void*>(GetProcAddress(torvik, "TestTorvikLog")));
    return log ? log() : "(no log export)";
}

// --- Registration -------------------------------------------------------------------------

TEST(Registration, RegsvrWritesTheClassAndTheAddinKeyAndRemovesThem) {
    const std::wstring dll = DllIn(L"real");
    ASSERT_EQ(RunProgram(L"regsvr32.exe /s \"" + dll + L"\""), 0u);
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, std::wstring(kClsidKey) + L"\\InprocServer32", nullptr), dll);
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, std::wstring(kClsidKey) + L"\\InprocServer32", L"ThreadingModel"),
              L"Apartment");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, std::wstring(kClsidKey) + L"\\ProgID", nullptr), L"Brisko.Connect");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, L"Brisko.Connect\\CLSID", nullptr),
              L"{43EE0FC1-2B23-418F-9F0D-F15D461CD679}");
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, kAddinKey, L"FriendlyName"), L"Brisko for Outlook");
    EXPECT_NE(StringValue(HKEY_CURRENT_USER, kAddinKey, L"Description"), L"?");
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, kAddinKey, L"LoadBehavior"), 3u);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(L"Brisko.Connect", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Connect));

    ASSERT_EQ(RunProgram(L"regsvr32.exe /s /u \"" + dll + L"\""), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClsidKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Brisko.Connect"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAddinKey));
    // The folder of all add-ins is Outlook's, not ours.
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kAddinsKey));
    // Unregistering twice is no error.
    EXPECT_EQ(RunProgram(L"regsvr32.exe /s /u \"" + dll + L"\""), 0u);
}

TEST(Registration, UnregisteringLeavesOtherAddinsAlone) {
    const std::wstring other = std::wstring(kAddinsKey) + L"\\Other.Connect";
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, other.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    DWORD three = 3;
    RegSetValueExW(k, L"LoadBehavior", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&three), sizeof three);
    RegCloseKey(k);
    const std::wstring dll = DllIn(L"real");
    ASSERT_EQ(RunProgram(L"regsvr32.exe /s \"" + dll + L"\""), 0u);
    ASSERT_EQ(RunProgram(L"regsvr32.exe /s /u \"" + dll + L"\""), 0u);
    EXPECT_EQ(DwordValue(HKEY_CURRENT_USER, other, L"LoadBehavior"), 3u);
    RegDeleteKeyW(HKEY_CURRENT_USER, other.c_str());
}

// --- The class factory and unloading --------------------------------------------------------

TEST_F(ComTest, ClassFactoryCreatesConnectAndUnloadingWaitsForEveryReference) {
    Library lib(DllIn(L"none"));
    ASSERT_NE(lib.module, nullptr);
    EXPECT_EQ(lib.CanUnloadNow(), S_OK);
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(lib.GetClassObject(IID_IDispatch, IID_IClassFactory, factory.PutVoid()), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(lib.GetClassObject(CLSID_Connect, IID_IClassFactory, factory.PutVoid()), S_OK);
    EXPECT_EQ(lib.CanUnloadNow(), S_FALSE);

    ComPtr<IUnknown> aggregated;
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.Get()), IID_IUnknown, aggregated.PutVoid()),
              CLASS_E_NOAGGREGATION);
    ComPtr<IUnknown> wrong;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, wrong.PutVoid()), E_NOINTERFACE);

    ComPtr<IDTExtensibility2> addin;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDTExtensibility2, addin.PutVoid()), S_OK);
    EXPECT_TRUE(addin.As<IDispatch>(IID_IDispatch));
    EXPECT_TRUE(addin.As<IUnknown>(IID_IUnknown));
    factory->LockServer(TRUE);
    factory = nullptr;
    addin = nullptr;
    EXPECT_EQ(lib.CanUnloadNow(), S_FALSE);  // locked
    ASSERT_EQ(lib.GetClassObject(CLSID_Connect, IID_IClassFactory, factory.PutVoid()), S_OK);
    factory->LockServer(FALSE);
    factory = nullptr;
    EXPECT_EQ(lib.CanUnloadNow(), S_OK);
}

TEST_F(ComTest, DispatchAnswersTheFiveMembersByNameAndTheTypeLibraryHasTheVtableOrder) {
    Library lib(DllIn(L"none"));
    auto addin = lib.Create();
    ASSERT_TRUE(addin);
    const wchar_t* names[] = {L"OnConnection", L"OnDisconnection", L"onaddinsupdate", L"OnStartupComplete",
                              L"OnBeginShutdown"};
    for (DISPID expected = 1; expected <= 5; ++expected) {
        LPOLESTR name = const_cast<LPOLESTR>(names[expected - 1]);
        DISPID id = 0;
        EXPECT_EQ(addin->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
        EXPECT_EQ(id, expected);
    }
    LPOLESTR unknown = const_cast<LPOLESTR>(L"Connect");
    DISPID id = 0;
    EXPECT_EQ(addin->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);

    ComPtr<ITypeInfo> info;
    ASSERT_EQ(addin->GetTypeInfo(0, 0, info.Put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, IID_IDTExtensibility2));
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attr);
    // The vtable part: after the seven IDispatch slots, DISPIDs 1..5 in order.
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> vtbl;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref))) info->GetRefTypeInfo(ref, vtbl.Put());
    ITypeInfo* funcs = vtbl ? vtbl.Get() : info.Get();
    ASSERT_EQ(funcs->GetTypeAttr(&attr), S_OK);
    const auto count = attr->cFuncs;
    funcs->ReleaseTypeAttr(attr);
    std::vector<std::pair<MEMBERID, int>> members;
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(funcs->GetFuncDesc(i, &f))) continue;
        if (f->memid >= 1 && f->memid <= 5) members.emplace_back(f->memid, f->oVft / static_cast<int>(sizeof(void*)));
        funcs->ReleaseFuncDesc(f);
    }
    EXPECT_EQ(members, (std::vector<std::pair<MEMBERID, int>>{{1, 7}, {2, 8}, {3, 9}, {4, 10}, {5, 11}}));
}

TEST_F(ComTest, MissingSupportLibraryLeavesTheAddinInertAndUnloadable) {
    Library lib(DllIn(L"none"));
    Host host;
    {
        auto addin = lib.Create();
        ASSERT_TRUE(addin);
        ExpectWholeSession(*addin.Get(), host);
    }
    EXPECT_EQ(host.outlook.Explorers()->SinkCount(), 0u);
    EXPECT_EQ(lib.CanUnloadNow(), S_OK);
}

TEST_F(ComTest, InitExAnsweringFiveIsLoggedAndLeavesTheAddinInert) {
    Library lib(DllIn(L"fake5"));
    Host host;
    auto addin = lib.Create();
    ASSERT_TRUE(addin);
    Custom custom;
    EXPECT_EQ(addin->OnConnection(host.Application(), ext_cm_Startup, nullptr, &custom), S_OK);
    EXPECT_THAT(DoubleLog(L"fake5"), HasSubstr("3|1|Connect.IDTExtensibility2_OnConnection|0|Torvik.InitEx returned 5\n"));
    // The client handle is the add-in module's instance handle.
    HMODULE torvik = GetModuleHandleW((ExeFolder() + L"\\fake5\\Torvik.dll").c_str());
    ASSERT_NE(torvik, nullptr);
    auto client = reinterpret_cast<std::uint32_t(__stdcall*)()>(reinterpret_cast<void*>(GetProcAddress(torvik, "TestTorvikClient")));
    EXPECT_EQ(client(), static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(lib.module)));
    EXPECT_EQ(addin->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
    EXPECT_THAT(DoubleLog(L"fake5"), Not(HasSubstr("Connect.Init|")));
    addin = nullptr;
    EXPECT_EQ(lib.CanUnloadNow(), S_OK);
}

TEST_F(ComTest, AFailingHostCallArrivesAsTheRuntimeErrorOfItsExcepinfo) {
    SetEnvironmentVariableW(L"BRISKO_TEST_INITEX_RESULT", L"0");
    Library lib(DllIn(L"fake0"));
    Host host;
    host.outlook.FailMember(L"Application.Inspectors", -2147467259, L"No inspectors");
    auto addin = lib.Create();
    ASSERT_TRUE(addin);
    Custom custom;
    EXPECT_EQ(addin->OnConnection(host.Application(), ext_cm_Startup, nullptr, &custom), S_OK);
    EXPECT_EQ(addin->OnStartupComplete(&custom), S_OK);
    EXPECT_THAT(DoubleLog(L"fake0"), HasSubstr("3|1|Connect.Init|-2147467259|No inspectors\n"));
    EXPECT_EQ(addin->OnBeginShutdown(&custom), S_OK);
    EXPECT_EQ(addin->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
    addin = nullptr;
    SetEnvironmentVariableW(L"BRISKO_TEST_INITEX_RESULT", nullptr);
    EXPECT_EQ(host.outlook.Explorers()->SinkCount(), 0u);
    EXPECT_EQ(lib.CanUnloadNow(), S_OK);
}

// A property of _Connect read late-bound, by name, as a tool would.
std::wstring StateByName(IUnknown* addin) {
    ComPtr<IDispatch> d;
    if (FAILED(addin->QueryInterface(IID__Connect, d.PutVoid()))) return L"(no _Connect)";
    LPOLESTR name = const_cast<LPOLESTR>(L"State");
    DISPID id = 0;
    if (FAILED(d->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return L"(no State)";
    DISPPARAMS none{};
    VARIANT result;
    VariantInit(&result);
    if (FAILED(d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr)) ||
        result.vt != VT_BSTR)
        return L"(State failed)";
    std::wstring text(result.bstrVal, SysStringLen(result.bstrVal));
    VariantClear(&result);
    return text;
}

TEST_F(ComTest, ConnectAnswersItsStateAndTrackedWindowsThroughConnectInterface) {
    SetEnvironmentVariableW(L"BRISKO_TEST_INITEX_RESULT", L"0");
    Library lib(DllIn(L"fake0"));
    {
        Host host;
        auto addin = lib.Create();
        ASSERT_TRUE(addin);
        auto status = addin.As<_Connect>(IID__Connect);
        ASSERT_TRUE(status);
        EXPECT_EQ(StateByName(addin.Get()), L"Loaded");
        Custom custom;
        EXPECT_EQ(addin->OnConnection(host.Application(), ext_cm_Startup, nullptr, &custom), S_OK);
        EXPECT_EQ(StateByName(addin.Get()), L"Connected");
        EXPECT_EQ(addin->OnStartupComplete(&custom), S_OK);
        EXPECT_EQ(StateByName(addin.Get()), L"Running");
        LONG tracked = -1;
        EXPECT_EQ(status->get_TrackedExplorers(&tracked), S_OK);
        EXPECT_EQ(tracked, 1);
        EXPECT_EQ(status->get_TrackedExplorers(nullptr), E_POINTER);
        // The properties can't be called as methods or written.
        DISPPARAMS none{};
        EXPECT_EQ(addin->Invoke(0x60030000, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
                  DISP_E_MEMBERNOTFOUND);
        EXPECT_EQ(addin->OnBeginShutdown(&custom), S_OK);
        EXPECT_EQ(addin->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
        BSTR state = nullptr;
        EXPECT_EQ(status->get_State(&state), S_OK);
        EXPECT_STREQ(state, L"Shut down");
        SysFreeString(state);
        EXPECT_EQ(status->get_TrackedExplorers(&tracked), S_OK);
        EXPECT_EQ(tracked, 0);
    }
    SetEnvironmentVariableW(L"BRISKO_TEST_INITEX_RESULT", nullptr);
    EXPECT_EQ(lib.CanUnloadNow(), S_OK);
}

// After a whole session on this thread the library really goes: nothing pins it.
TEST_F(ComTest, TheLibraryUnloadsAfterASessionOnTheCallingThread) {
    SetEnvironmentVariableW(L"BRISKO_TEST_INITEX_RESULT", L"0");
    const std::wstring path = DllIn(L"fake0");
    {
        Library lib(path);
        Host host;
        auto addin = lib.Create();
        ASSERT_TRUE(addin);
        ExpectWholeSession(*addin.Get(), host);
        addin = nullptr;
        EXPECT_EQ(lib.CanUnloadNow(), S_OK);
    }
    SetEnvironmentVariableW(L"BRISKO_TEST_INITEX_RESULT", nullptr);
    EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);
}

// Created by ProgID through the registry as Outlook creates it, with the real Torvik.dll.
TEST_F(ComTest, StartupWindowsAndShutdownThroughCoCreateInstanceWriteTheLog) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring logDir = std::wstring(temp) + L"brisko-com-test-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(logDir.c_str(), nullptr);
    SetEnvironmentVariableW(L"TORVIK_LOG_DIR", logDir.c_str());
    SetEnvironmentVariableW(L"TORVIK_DEBUG_LEVEL", L"3");
    const std::wstring dll = DllIn(L"real");
    ASSERT_EQ(RunProgram(L"regsvr32.exe /s \"" + dll + L"\""), 0u);
    {
        Host host;
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(L"Brisko.Connect", &clsid), S_OK);
        ComPtr<IUnknown> unknown;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, unknown.PutVoid()), S_OK);
        auto addin = unknown.As<IDTExtensibility2>(IID_IDTExtensibility2);
        unknown = nullptr;
        ASSERT_TRUE(addin);
        Custom custom;
        EXPECT_EQ(addin->OnConnection(host.Application(), ext_cm_Startup, nullptr, &custom), S_OK);
        EXPECT_EQ(addin->OnStartupComplete(&custom), S_OK);
        EXPECT_GT(host.outlook.Explorers()->SinkCount(), 0u);
        auto* second = host.outlook.OpenExplorer(host.outlook.DefaultFolder(brisko::sim::ol::FolderInbox));
        host.outlook.CloseExplorer(second);
        EXPECT_EQ(addin->OnBeginShutdown(&custom), S_OK);
        EXPECT_EQ(addin->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
        addin = nullptr;
        // No reference of the add-in to the host is left.
        EXPECT_EQ(host.outlook.Explorers()->SinkCount(), 0u);
        HMODULE brisko = GetModuleHandleW(dll.c_str());
        ASSERT_NE(brisko, nullptr);
        auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(brisko, "DllCanUnloadNow")));
        EXPECT_EQ(canUnload(), S_OK);
    }
    SetEnvironmentVariableW(L"TORVIK_LOG_DIR", nullptr);
    SetEnvironmentVariableW(L"TORVIK_DEBUG_LEVEL", nullptr);
    RunProgram(L"regsvr32.exe /s /u \"" + dll + L"\"");
    const std::string log = ReadFile(logDir + L"\\Corvant\\Brisko\\Brisko.log");
    EXPECT_THAT(log, HasSubstr("\tDEBUG\t3\tConnect.IDTExtensibility2_OnStartupComplete\t0\t->"));
    EXPECT_THAT(log, HasSubstr("\tDEBUG\t3\tConnect.Init\t0\t->"));
    EXPECT_THAT(log, HasSubstr("Connect.Done\t0\tmode = full"));
    EXPECT_THAT(log, Not(HasSubstr("\tERROR\t")));
}

}  // namespace
