// Per-user registration under Wine: regsvr32 /n /i:user writes each library's classes (and
// Kelvane's type library, Brisko's Outlook add-in key) under HKEY_CURRENT_USER only, the class can
// be created from those keys, and /u /n /i:user leaves the user's keys as they were; another
// copy's registration and the machine's keys stay untouched.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "tests/support/inproc_server_test.h"

#include <string>
#include <vector>

namespace {

class Apartment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }
};
[[maybe_unused]] ::testing::Environment* const kApartment = ::testing::AddGlobalTestEnvironment(new Apartment);

constexpr wchar_t kUserClasses[] = L"Software\\Classes\\";
constexpr wchar_t kBriskoAddin[] = L"Software\\Microsoft\\Office\\Outlook\\Addins\\Brisko.Connect";
constexpr wchar_t kKelvaneLib[] = L"{A603CE99-ADCD-4212-8F0D-6A144E6D53ED}";

struct ClassOf {
    const wchar_t* clsid;
    const wchar_t* progId;  // nullptr: known by class id only
};

struct Library {
    const wchar_t* file;
    std::vector<ClassOf> classes;
    // Further keys of HKEY_CLASSES_ROOT the library registers (type library, interfaces, AppID).
    std::vector<const wchar_t*> moreClassesKeys;
};

const Library kBrisko{L"Brisko.dll", {{L"{43EE0FC1-2B23-418F-9F0D-F15D461CD679}", L"Brisko.Connect"}}, {}};
const Library kKelvane{L"Kelvane.dll",
                       {{L"{4F59ED57-77FD-401B-A1EE-8DBDBCABB3AB}", L"Kelvane.SysMonthCal32"},
                        {L"{C105AF96-5E7C-4162-BD37-4CBCCE814D3F}", L"Kelvane.SysDateTimePick32"},
                        {L"{080D7768-7B38-4B9A-8A46-9A262E33CA07}", L"Kelvane.PriorityBar"},
                        {L"{A8FD7883-C5A2-408D-B4C8-575C1CE20DE6}", L"Kelvane.EditBox"}},
                       {L"TypeLib\\{A603CE99-ADCD-4212-8F0D-6A144E6D53ED}",
                        L"Interface\\{4EA9ABAD-BFAB-40E1-8F16-D8F83A525536}",
                        L"Interface\\{E6840C60-B593-489E-8C97-E9251860172E}", L"Kelvane.SysMonthCal32.1",
                        L"AppID\\{FD8812D8-EA3A-46B1-AB27-6066F5A55980}", L"AppID\\Kelvane.DLL"}};
const Library kGrelmo{L"Grelmo.dll", {{L"{ABB46BC5-EF88-4498-8CEB-E5894FF2C795}", L"Grelmo.ContextMenuEvents"}}, {}};
const Library kRedemption{L"RedemptionStandIn.dll",
                          {{L"{0A30DF6B-70D5-4A31-B65D-8C13B53A4561}", L"Redemption.SafeMailItem"},
                           {L"{E5815053-5513-4D9D-A571-CD61F71BD9DB}", L"Redemption.SafeTaskItem"},
                           {L"{940428CF-55A4-41FF-8AB6-4103E624E6F5}", L"Redemption.SafeAppointmentItem"},
                           {L"{29AB7A12-B531-450E-8F7A-EA94C2F3C05F}", nullptr}},
                          {}};

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/"));
}

// The copy of the library in the folder "mine" or "other" beside the program.
std::wstring CopyIn(const wchar_t* folder, const Library& lib) {
    return ProgramFolder() + L"\\" + folder + L"\\" + lib.file;
}

using test_support::RunRegsvr32;

class Key {
public:
    Key(HKEY root, const std::wstring& sub) { RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &h_); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (h_) RegCloseKey(h_);
    }
    HKEY get() const { return h_; }

private:
    HKEY h_ = nullptr;
};

// Every key and value under root\sub, one line each ("(none)" when the key is missing).
void ListInto(HKEY root, const std::wstring& sub, std::wstring& out) {
    const Key key(root, sub);
    if (!key.get()) {
        out += sub + L" (none)\n";
        return;
    }
    out += sub + L"\n";
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLen = 16384;
        BYTE data[8192];
        DWORD dataLen = sizeof data;
        DWORD type = 0;
        if (RegEnumValueW(key.get(), i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) break;
        out += L"  " + std::wstring(name, nameLen) + L" [" + std::to_wstring(type) + L"] ";
        if (type == REG_SZ) {
            out += std::wstring(reinterpret_cast<const wchar_t*>(data), dataLen / sizeof(wchar_t));
        } else if (type == REG_DWORD && dataLen == sizeof(DWORD)) {
            out += std::to_wstring(*reinterpret_cast<const DWORD*>(data));
        } else {
            out += std::to_wstring(dataLen) + L" bytes";
        }
        out += L"\n";
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLen = 256;
        if (RegEnumKeyExW(key.get(), i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.emplace_back(name, nameLen);
    }
    for (const auto& s : subkeys) ListInto(root, sub + L"\\" + s, out);
}

std::wstring Listing(HKEY root, const std::wstring& sub) {
    std::wstring out;
    ListInto(root, sub, out);
    return out;
}

// The user's classes and Office keys: what a per-user registration may change.
std::wstring UserListing() {
    return Listing(HKEY_CURRENT_USER, L"Software\\Classes") + Listing(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office");
}

// The machine's keys of the library's classes, ProgIDs and further keys, and its Office keys.
std::wstring MachineListing(const Library& lib) {
    std::wstring out;
    const std::wstring classes = L"Software\\Classes\\";
    for (const auto& c : lib.classes) {
        ListInto(HKEY_LOCAL_MACHINE, classes + L"CLSID\\" + c.clsid, out);
        if (c.progId) ListInto(HKEY_LOCAL_MACHINE, classes + c.progId, out);
    }
    for (const wchar_t* k : lib.moreClassesKeys) ListInto(HKEY_LOCAL_MACHINE, classes + k, out);
    ListInto(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Office", out);
    return out;
}

std::wstring UserString(const std::wstring& sub, const wchar_t* name = nullptr) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, sub.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"(none)";
    return value;
}

DWORD UserDword(const std::wstring& sub, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, sub.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return 9999;
    return value;
}

// The object made as COM makes it from the user's keys on Windows, where HKEY_CLASSES_ROOT merges
// HKCU\Software\Classes over the machine's classes: ProgID -> CLSID -> InprocServer32 ->
// DllGetClassObject. Wine 8 reads only the machine's classes for CoCreateInstance, so the lookup
// is done here by hand.
HRESULT CreateFromUserKeys(const ClassOf& c, IUnknown** out) {
    *out = nullptr;
    std::wstring clsidText = c.clsid;
    if (c.progId) clsidText = UserString(std::wstring(kUserClasses) + c.progId + L"\\CLSID");
    CLSID clsid{};
    HRESULT hr = CLSIDFromString(clsidText.c_str(), &clsid);
    if (FAILED(hr)) return hr;
    const std::wstring server = UserString(std::wstring(kUserClasses) + L"CLSID\\" + clsidText + L"\\InprocServer32");
    HMODULE module = LoadLibraryW(server.c_str());  // stays loaded: the object lives in it
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    if (!get) return E_NOINTERFACE;
    IClassFactory* factory = nullptr;
    hr = get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(out));
    factory->Release();
    return hr;
}

bool IsEmptyKey(HKEY root, const std::wstring& sub) {
    const Key key(root, sub);
    DWORD subkeys = 1, values = 1;
    return key.get() && RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                         nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

// Takes back any per-user registration a failed test left, and the empty Outlook add-in keys
// other registrations leave: each test starts from a user without them.
void Clean(const Library& lib) {
    RunRegsvr32(L"/s /u /n /i:user", CopyIn(L"mine", lib));
    RunRegsvr32(L"/s /u /n /i:user", CopyIn(L"other", lib));
    for (const wchar_t* k : {L"Software\\Microsoft\\Office\\Outlook\\Addins", L"Software\\Microsoft\\Office\\Outlook",
                             L"Software\\Microsoft\\Office"}) {
        if (IsEmptyKey(HKEY_CURRENT_USER, k)) RegDeleteKeyW(HKEY_CURRENT_USER, k);
    }
}

class PerUser : public ::testing::TestWithParam<const Library*> {
protected:
    const Library& lib = *GetParam();
    void SetUp() override { Clean(lib); }
    void TearDown() override { Clean(lib); }
};

TEST_P(PerUser, RegistersUnderTheUserOnlyTheClassIsMadeFromThereAndUninstallRestoresTheUsersKeys) {
    const std::wstring path = CopyIn(L"mine", lib);
    const std::wstring userBefore = UserListing();
    const std::wstring machineBefore = MachineListing(lib);

    ASSERT_EQ(RunRegsvr32(L"/s /n /i:user", path), 0u);
    for (const auto& c : lib.classes) {
        SCOPED_TRACE(c.clsid);
        const std::wstring key = std::wstring(kUserClasses) + L"CLSID\\" + c.clsid;
        EXPECT_EQ(UserString(key + L"\\InprocServer32"), path);
        EXPECT_EQ(UserString(key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        if (c.progId) {
            EXPECT_EQ(UserString(std::wstring(kUserClasses) + c.progId + L"\\CLSID"), c.clsid);
        }
        IUnknown* object = nullptr;
        EXPECT_EQ(CreateFromUserKeys(c, &object), S_OK);
        if (object) object->Release();
    }
    EXPECT_EQ(MachineListing(lib), machineBefore) << "the machine's keys changed";

    ASSERT_EQ(RunRegsvr32(L"/s /u /n /i:user", path), 0u);
    EXPECT_EQ(UserListing(), userBefore);
    EXPECT_EQ(MachineListing(lib), machineBefore);
    // Nothing registered for the user is nothing to remove.
    EXPECT_EQ(RunRegsvr32(L"/s /u /n /i:user", path), 0u);
    EXPECT_EQ(UserListing(), userBefore);
}

TEST_P(PerUser, UninstallLeavesAnotherCopysRegistrationAlone) {
    const std::wstring mine = CopyIn(L"mine", lib);
    const std::wstring other = CopyIn(L"other", lib);
    const std::wstring userBefore = UserListing();
    ASSERT_EQ(RunRegsvr32(L"/s /n /i:user", other), 0u);
    const std::wstring registered = UserListing();

    EXPECT_EQ(RunRegsvr32(L"/s /u /n /i:user", mine), 0u);
    EXPECT_EQ(UserListing(), registered);
    for (const auto& c : lib.classes)
        EXPECT_EQ(UserString(std::wstring(kUserClasses) + L"CLSID\\" + c.clsid + L"\\InprocServer32"), other);

    EXPECT_EQ(RunRegsvr32(L"/s /u /n /i:user", other), 0u);
    EXPECT_EQ(UserListing(), userBefore);
}

TEST_P(PerUser, AnyOtherCommandLineIsInvalidAndWritesNothing) {
    HMODULE module = LoadLibraryW(CopyIn(L"mine", lib).c_str());
    ASSERT_TRUE(module);
    using Install = HRESULT(STDAPICALLTYPE*)(BOOL, PCWSTR);
    auto install = reinterpret_cast<Install>(reinterpret_cast<void*>(GetProcAddress(module, "DllInstall")));
    ASSERT_TRUE(install) << "DllInstall is not exported";
    const std::wstring userBefore = UserListing();
    const std::wstring machineBefore = MachineListing(lib);
    for (const wchar_t* line : {static_cast<const wchar_t*>(nullptr), L"", L"machine", L"user ", L"users", L"/user"}) {
        EXPECT_EQ(install(TRUE, line), E_INVALIDARG) << (line ? line : L"(null)");
        EXPECT_EQ(install(FALSE, line), E_INVALIDARG) << (line ? line : L"(null)");
    }
    EXPECT_EQ(UserListing(), userBefore);
    EXPECT_EQ(MachineListing(lib), machineBefore);
    // The call regsvr32 /n /i:user makes, in this process.
    EXPECT_EQ(install(TRUE, L"user"), S_OK);
    EXPECT_NE(UserListing(), userBefore);
    EXPECT_EQ(install(FALSE, L"user"), S_OK);
    EXPECT_EQ(UserListing(), userBefore);
    FreeLibrary(module);
}

INSTANTIATE_TEST_SUITE_P(Libraries, PerUser, ::testing::Values(&kBrisko, &kKelvane, &kGrelmo, &kRedemption),
                         [](const ::testing::TestParamInfo<const Library*>& param) {
                             std::wstring file = param.param->file;
                             return std::string(file.begin(), file.begin() + static_cast<long>(file.find(L'.')));
                         });

class PerUserKeys : public ::testing::Test {
protected:
    void TearDown() override {
        for (const Library* lib : {&kBrisko, &kKelvane, &kRedemption}) Clean(*lib);
    }
};

TEST_F(PerUserKeys, BriskoWritesTheOutlookAddinKeyAsTheMachineRegistrationDoes) {
    const std::wstring path = CopyIn(L"mine", kBrisko);
    ASSERT_EQ(RunRegsvr32(L"/s /n /i:user", path), 0u);
    EXPECT_EQ(UserString(kBriskoAddin, L"FriendlyName"), L"Brisko for Outlook");
    EXPECT_EQ(UserString(kBriskoAddin, L"Description"),
              L"Turns e-mail into tasks and appointments and files it in recent folders");
    EXPECT_EQ(UserDword(kBriskoAddin, L"LoadBehavior"), 3u);
    const std::wstring clsid = std::wstring(kUserClasses) + L"CLSID\\{43EE0FC1-2B23-418F-9F0D-F15D461CD679}";
    EXPECT_EQ(UserString(clsid), L"Brisko.Connect");
    EXPECT_EQ(UserString(clsid + L"\\ProgID"), L"Brisko.Connect");
    // The same values as regsvr32's machine-wide registration, apart from the classes' root.
    const std::wstring userAddin = Listing(HKEY_CURRENT_USER, kBriskoAddin);
    ASSERT_EQ(RunRegsvr32(L"/s /u /n /i:user", path), 0u);
    ASSERT_EQ(RunRegsvr32(L"/s", path), 0u);
    EXPECT_EQ(Listing(HKEY_CURRENT_USER, kBriskoAddin), userAddin);
    EXPECT_EQ(RunRegsvr32(L"/s /u", path), 0u);
}

// The Outlook keys that hold other add-ins stay; those the registration alone needed go.
TEST_F(PerUserKeys, BriskoUninstallKeepsOtherAddinsAndTheirKeys) {
    const std::wstring path = CopyIn(L"mine", kBrisko);
    const std::wstring other = L"Software\\Microsoft\\Office\\Outlook\\Addins\\Other.Connect";
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, other.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    const DWORD three = 3;
    RegSetValueExW(k, L"LoadBehavior", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&three), sizeof three);
    RegCloseKey(k);
    const std::wstring userBefore = UserListing();
    ASSERT_EQ(RunRegsvr32(L"/s /n /i:user", path), 0u);
    ASSERT_EQ(RunRegsvr32(L"/s /u /n /i:user", path), 0u);
    EXPECT_EQ(UserListing(), userBefore);
    EXPECT_EQ(UserDword(other, L"LoadBehavior"), 3u);
    RegDeleteKeyW(HKEY_CURRENT_USER, other.c_str());
}

TEST_F(PerUserKeys, KelvaneRegistersItsTypeLibraryForTheUser) {
    const std::wstring path = CopyIn(L"mine", kKelvane);
    ASSERT_EQ(RunRegsvr32(L"/s /n /i:user", path), 0u);
    const std::wstring lib = std::wstring(kUserClasses) + L"TypeLib\\" + kKelvaneLib + L"\\1.0";
    EXPECT_EQ(UserString(lib), L"Kelvane 1.0 Type Library");
    EXPECT_EQ(UserString(lib + L"\\409\\win32"), path);
    EXPECT_EQ(UserString(lib + L"\\FLAGS"), L"8");
    EXPECT_EQ(UserString(lib + L"\\HELPDIR"), path.substr(0, path.find_last_of(L'\\')));
    // A dual interface through the automation marshaler, an event dispinterface through IDispatch's.
    const std::wstring dual = std::wstring(kUserClasses) + L"Interface\\{4EA9ABAD-BFAB-40E1-8F16-D8F83A525536}";
    EXPECT_EQ(UserString(dual), L"ISysMonthCal32");
    EXPECT_EQ(UserString(dual + L"\\ProxyStubClsid32"), L"{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(UserString(dual + L"\\TypeLib"), kKelvaneLib);
    EXPECT_EQ(UserString(dual + L"\\TypeLib", L"Version"), L"1.0");
    const std::wstring events = std::wstring(kUserClasses) + L"Interface\\{E6840C60-B593-489E-8C97-E9251860172E}";
    EXPECT_EQ(UserString(events + L"\\ProxyStubClsid32"), L"{00020420-0000-0000-C000-000000000046}");
    EXPECT_EQ(UserString(std::wstring(kUserClasses) + L"AppID\\Kelvane.DLL", L"AppID"),
              L"{FD8812D8-EA3A-46B1-AB27-6066F5A55980}");
    // The registered image is the library itself.
    ITypeLib* typeLib = nullptr;
    ASSERT_EQ(LoadTypeLibEx(UserString(lib + L"\\409\\win32").c_str(), REGKIND_NONE, &typeLib), S_OK);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(typeLib->GetLibAttr(&attr), S_OK);
    wchar_t libid[40] = {};
    StringFromGUID2(attr->guid, libid, 40);
    EXPECT_STREQ(libid, kKelvaneLib);
    typeLib->ReleaseTLibAttr(attr);
    typeLib->Release();
}

// The vendor's safe item library registered on the machine: the stand-in does not hide it with
// keys of the user's.
TEST_F(PerUserKeys, TheStandInNeverShadowsTheVendorsRegistration) {
    const std::wstring vendor = L"Software\\Classes\\Redemption.SafeMailItem";
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (vendor + L"\\CLSID").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k,
                              nullptr),
              ERROR_SUCCESS);
    const std::wstring vendorClsid = L"{11111111-2222-3333-4444-555555555555}";
    RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(vendorClsid.c_str()),
                   static_cast<DWORD>((vendorClsid.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    const std::wstring userBefore = UserListing();

    EXPECT_NE(RunRegsvr32(L"/s /n /i:user", CopyIn(L"mine", kRedemption)), 0u);
    EXPECT_EQ(UserListing(), userBefore);

    RegDeleteTreeW(HKEY_LOCAL_MACHINE, vendor.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, vendor.c_str());
}

}  // namespace
