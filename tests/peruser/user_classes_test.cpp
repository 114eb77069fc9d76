// Classes registered for the user only (DllInstall "user") under Wine, whose COM sees only the
// machine's classes: the platform finds and creates them itself (user_classes.h), through the
// object factory, the controls' host window and the add-in loading outlook-sim does. No machine
// registration of the same classes exists during the tests.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "tests/support/inproc_server_test.h"

#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/win/com_ptr.h"
#include "platform/win/user_classes.h"
#include "platform/win/win_ax_host.h"
#include "platform/win/win_objects.h"

namespace brisko {
namespace {

constexpr wchar_t kGrelmoProgId[] = L"Grelmo.ContextMenuEvents";
constexpr wchar_t kGrelmoClsid[] = L"{ABB46BC5-EF88-4498-8CEB-E5894FF2C795}";
constexpr wchar_t kPriorityBarProgId[] = L"Kelvane.PriorityBar";
constexpr wchar_t kPriorityBarClsid[] = L"{080D7768-7B38-4B9A-8A46-9A262E33CA07}";
constexpr wchar_t kBriskoProgId[] = L"Brisko.Connect";
constexpr wchar_t kBriskoClsid[] = L"{43EE0FC1-2B23-418F-9F0D-F15D461CD679}";
constexpr wchar_t kUserClasses[] = L"Software\\Classes\\";

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/"));
}

// The copies registered for the user, in the folder "user" beside the program.
std::wstring Copy(const wchar_t* file) { return ProgramFolder() + L"\\user\\" + file; }

using test_support::RunRegsvr32;

std::wstring MachineServer(const wchar_t* clsid) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    const std::wstring sub = std::wstring(L"Software\\Classes\\CLSID\\") + clsid + L"\\InprocServer32";
    if (RegGetValueW(HKEY_LOCAL_MACHINE, sub.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

CLSID ClsidOf(const wchar_t* text) {
    CLSID clsid{};
    CLSIDFromString(text, &clsid);
    return clsid;
}

void SetUserString(const std::wstring& sub, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// For the program's run: the libraries registered for the user only. A machine registration of
// the same classes that the prefix holds (another test's leftover) is taken away first and put
// back afterwards.
class UserRegistration : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        for (const wchar_t* clsid : {kGrelmoClsid, kPriorityBarClsid, kBriskoClsid}) {
            const std::wstring machine = MachineServer(clsid);
            if (machine.empty()) continue;
            RunRegsvr32(L"/s /u", machine);
            machine_.push_back(machine);
        }
        for (const wchar_t* file : kFiles) {
            ASSERT_EQ(RunRegsvr32(L"/s /n /i:user", Copy(file)), 0u) << "registering " << file << " for the user";
        }
    }
    void TearDown() override {
        for (const wchar_t* file : kFiles) RunRegsvr32(L"/s /u /n /i:user", Copy(file));
        for (const auto& machine : machine_) RunRegsvr32(L"/s", machine);
        OleUninitialize();
    }

private:
    static constexpr const wchar_t* kFiles[] = {L"Grelmo.dll", L"Kelvane.dll", L"Brisko.dll"};
    std::vector<std::wstring> machine_;
};
[[maybe_unused]] ::testing::Environment* const kRegistration =
    ::testing::AddGlobalTestEnvironment(new UserRegistration);

// The situation the fallback is for: COM itself does not find the user's class.
TEST(UserClasses, ComAloneDoesNotFindTheUsersClassUnderWine) {
    CLSID clsid{};
    EXPECT_FALSE(SUCCEEDED(CLSIDFromProgID(kGrelmoProgId, &clsid)));
    win::ComPtr<IUnknown> object;
    EXPECT_EQ(CoCreateInstance(ClsidOf(kGrelmoClsid), nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid()),
              REGDB_E_CLASSNOTREG);
}

TEST(UserClasses, ClassIdFromNameReadsTheUsersProgIdItsCurVerAndClassIds) {
    CLSID clsid{};
    bool fromUser = false;
    ASSERT_EQ(win::ClassIdFromName(kGrelmoProgId, clsid, &fromUser), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, ClsidOf(kGrelmoClsid)));
    EXPECT_TRUE(fromUser);
    ASSERT_EQ(win::ClassIdFromName(kPriorityBarClsid, clsid, &fromUser), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, ClsidOf(kPriorityBarClsid)));
    EXPECT_FALSE(fromUser);

    // A version-independent ProgID that names the current one.
    const std::wstring independent = std::wstring(kUserClasses) + L"BriskoTest.Events";
    SetUserString(independent + L"\\CurVer", kGrelmoProgId);
    EXPECT_EQ(win::ClassIdFromName(L"BriskoTest.Events", clsid, &fromUser), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, ClsidOf(kGrelmoClsid)));
    // A CLSID value that is no class id.
    SetUserString(independent + L"\\CLSID", L"Grelmo.ContextMenuEvents");
    EXPECT_FALSE(SUCCEEDED(win::ClassIdFromName(L"BriskoTest.Events", clsid, &fromUser)));
    EXPECT_FALSE(fromUser);
    RegDeleteTreeW(HKEY_CURRENT_USER, independent.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, independent.c_str());

    for (const wchar_t* bad : {L"", L"BriskoTest.Unknown", L"CLSID\\{ABB46BC5-EF88-4498-8CEB-E5894FF2C795}",
                               L"..\\Software\\Classes\\Grelmo.ContextMenuEvents", L"{not a class id}"}) {
        EXPECT_FALSE(SUCCEEDED(win::ClassIdFromName(bad, clsid))) << bad;
        EXPECT_TRUE(IsEqualCLSID(clsid, CLSID{})) << bad;
    }
}

TEST(UserClasses, CreateInstanceLoadsTheUsersServerOnceAndKeepsIt) {
    const CLSID grelmo = ClsidOf(kGrelmoClsid);
    const std::wstring path = Copy(L"Grelmo.dll");
    win::ComPtr<IDispatch> first;
    ASSERT_EQ(win::CreateInstance(grelmo, IID_IDispatch, first.PutVoid()), S_OK);
    ASSERT_TRUE(first);
    EXPECT_EQ(win::InprocServerPath(grelmo), path);
    HMODULE module = GetModuleHandleW(path.c_str());
    ASSERT_NE(module, nullptr);
    win::ComPtr<IDispatch> second;
    ASSERT_EQ(win::CreateInstance(grelmo, IID_IDispatch, second.PutVoid()), S_OK);
    EXPECT_NE(first.Get(), second.Get());
    first.Reset();
    second.Reset();
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_EQ(GetModuleHandleW(path.c_str()), module) << "the server was unloaded";
    // Held once: one reference of the test's and one of the platform's.
    FreeLibrary(LoadLibraryW(path.c_str()));
    EXPECT_EQ(GetModuleHandleW(path.c_str()), module);

    // An interface the class does not have.
    win::ComPtr<IClassFactory> none;
    EXPECT_EQ(win::CreateInstance(grelmo, IID_IClassFactory, none.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(none);
    EXPECT_EQ(win::CreateInstance(grelmo, IID_IUnknown, nullptr), E_POINTER);
}

TEST(UserClasses, CreateInstanceFailsSoundlyOnBadUserKeys) {
    const CLSID fake = ClsidOf(L"{5D6E2E64-0B7E-4A44-9C1B-2E5A7B1C0F01}");
    const std::wstring key = std::wstring(kUserClasses) + L"CLSID\\{5D6E2E64-0B7E-4A44-9C1B-2E5A7B1C0F01}";
    win::ComPtr<IUnknown> object;
    EXPECT_EQ(win::CreateInstance(fake, IID_IUnknown, object.PutVoid()), REGDB_E_CLASSNOTREG);
    // Only a local server: not started.
    SetUserString(key + L"\\LocalServer32", ProgramFolder() + L"\\user_classes_tests.exe");
    EXPECT_EQ(win::CreateInstance(fake, IID_IUnknown, object.PutVoid()), REGDB_E_CLASSNOTREG);
    // A server file that is missing, and one without DllGetClassObject.
    SetUserString(key + L"\\InprocServer32", ProgramFolder() + L"\\user\\Missing.dll");
    EXPECT_FALSE(SUCCEEDED(win::CreateInstance(fake, IID_IUnknown, object.PutVoid())));
    SetUserString(key + L"\\InprocServer32", Copy(L"Torvik.dll"));
    EXPECT_EQ(win::CreateInstance(fake, IID_IUnknown, object.PutVoid()), CO_E_ERRORINDLL);
    // A real server that does not serve this class.
    SetUserString(key + L"\\InprocServer32", Copy(L"Grelmo.dll"));
    EXPECT_EQ(win::CreateInstance(fake, IID_IUnknown, object.PutVoid()), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(object);
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

TEST(UserClasses, ObjectFactoryCreatesTheUsersClassByProgIdAndClassId) {
    win::WinObjectFactory factory;
    for (const wchar_t* name : {kGrelmoProgId, kGrelmoClsid}) {
        ObjectPtr object;
        EXPECT_NO_THROW(object = factory.CreateObject(name)) << name;
        EXPECT_TRUE(object) << name;
    }
    try {
        factory.CreateObject(L"BriskoTest.Unknown");
        ADD_FAILURE() << "an unknown class was created";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::CantCreateObject);
    }
}

TEST(UserClasses, TheHostWindowHoldsAControlOfTheUsersClass) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    {
        win::AxHosting hosting;
        int id = 1001;
        for (const wchar_t* name : {kPriorityBarProgId, kPriorityBarClsid}) {
            SCOPED_TRACE(name);
            win::ComPtr<IUnknown> control;
            HWND host = nullptr;
            EXPECT_NO_THROW(host = hosting.Create(parent, name, RECT{10, 10, 200, 40}, id, control));
            ASSERT_TRUE(IsWindow(host));
            ASSERT_TRUE(control);
            EXPECT_EQ(GetParent(host), parent);
            EXPECT_EQ(GetDlgCtrlID(host), id++);
            // In place: the control's own window inside the host, with the client site the host gave.
            EXPECT_NE(GetWindow(host, GW_CHILD), nullptr);
            auto object = control.As<IOleObject>(IID_IOleObject);
            ASSERT_TRUE(object);
            win::ComPtr<IOleClientSite> site;
            EXPECT_EQ(object->GetClientSite(site.Put()), S_OK);
            EXPECT_TRUE(site);
            auto dispatch = control.As<IDispatch>(IID_IDispatch);
            EXPECT_TRUE(dispatch);
            win::CloseControl(control.Get());
            DestroyWindow(host);
        }
        win::ComPtr<IUnknown> control;
        EXPECT_THROW(hosting.Create(parent, L"BriskoTest.Unknown", RECT{10, 10, 200, 40}, 1100, control), RuntimeError);
        EXPECT_FALSE(control);
    }
    DestroyWindow(parent);
}

// outlook-sim's loading of a registered add-in: ProgID -> class -> IDTExtensibility2.
TEST(UserClasses, TheAddinIsLoadedFromTheUsersRegistration) {
    CLSID clsid{};
    ASSERT_EQ(win::ClassIdFromName(kBriskoProgId, clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, ClsidOf(kBriskoClsid)));
    win::ComPtr<IUnknown> addin;
    ASSERT_EQ(win::CreateInstance(clsid, IID_IUnknown, addin.PutVoid()), S_OK);
    const IID extensibility = ClsidOf(L"{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}");  // IDTExtensibility2
    EXPECT_TRUE(addin.As<IUnknown>(extensibility));
    EXPECT_EQ(win::InprocServerPath(clsid), Copy(L"Brisko.dll"));
}

}  // namespace
}  // namespace brisko
