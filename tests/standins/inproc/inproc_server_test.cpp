// The stand-ins' in-process COM server over a class table of this test, in this process: the class
// factory and module counts, and registration under a scratch key of HKEY_CURRENT_USER (the
// registration root a table is written to is the caller's choice; regsvr32's HKEY_CLASSES_ROOT is
// covered by the stand-ins' own tests through their DLLs).
#include "standins/inproc/inproc_server.h"

#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <string>

#include "automation/text.h"
#include "automation/win/com_ptr.h"
#include "automation/win/event_table.h"
#include "tests/support/inproc_server_test.h"

namespace brisko::inproc {
namespace {

constexpr wchar_t kPlainId[] = L"{5C0F3A8E-1D2B-4C6E-9A7F-0B1C2D3E4F50}";
constexpr wchar_t kEventsId[] = L"{5C0F3A8E-1D2B-4C6E-9A7F-0B1C2D3E4F51}";
constexpr wchar_t kOtherId[] = L"{5C0F3A8E-1D2B-4C6E-9A7F-0B1C2D3E4F52}";

ObjectPtr g_made;
ObjectPtr MakeObject() { return g_made = std::make_shared<Object>(); }

win::DispatchOptions WithEvents() {
    win::DispatchOptions options;
    options.sources = {win::kContextMenuEventsEvents};
    return options;
}

const ClassEntry kClasses[] = {
    {kPlainId, L"BriskoTest.Plain", L"Plain (test)", &MakeObject},
    {kEventsId, {}, L"With events (test)", &MakeObject, WithEvents()},
};

CLSID ClassId(const wchar_t* text) {
    CLSID id{};
    EXPECT_TRUE(SUCCEEDED(CLSIDFromString(text, &id)));
    return id;
}

// --- Class factory and module counts -----------------------------------------------------------

TEST(InprocServer, FactoryMakesEachClassExposedWithItsOptionsAndCountsWhatLives) {
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(GetClassObject(kClasses, ClassId(kOtherId), IID_IClassFactory, &pv), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(GetClassObject(kClasses, ClassId(kPlainId), IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(CanUnloadNow(), S_OK);

    for (const wchar_t* id : {kPlainId, kEventsId}) {
        win::ComPtr<IClassFactory> factory;
        ASSERT_EQ(GetClassObject(kClasses, ClassId(id), IID_IClassFactory, factory.PutVoid()), S_OK);
        EXPECT_EQ(CanUnloadNow(), S_FALSE);
        win::ComPtr<IUnknown> outer;
        factory.Get()->QueryInterface(IID_IUnknown, outer.PutVoid());
        void* none = nullptr;
        EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IDispatch, &none), CLASS_E_NOAGGREGATION);
        outer.Reset();

        win::ComPtr<IDispatch> dispatch;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, dispatch.PutVoid()), S_OK);
        factory.Reset();
        EXPECT_EQ(CanUnloadNow(), S_FALSE);  // the object still lives
        EXPECT_EQ(win::ExposedObject(dispatch.Get()), g_made);
        win::ComPtr<IConnectionPointContainer> points;
        const HRESULT hr = dispatch->QueryInterface(IID_IConnectionPointContainer, points.PutVoid());
        EXPECT_EQ(SUCCEEDED(hr), id == kEventsId);
        points.Reset();
        dispatch.Reset();
        g_made.reset();
        EXPECT_EQ(CanUnloadNow(), S_OK);
    }

    win::ComPtr<IClassFactory> factory;
    ASSERT_EQ(GetClassObject(kClasses, ClassId(kPlainId), IID_IClassFactory, factory.PutVoid()), S_OK);
    factory->LockServer(TRUE);
    factory.Reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    ASSERT_EQ(GetClassObject(kClasses, ClassId(kPlainId), IID_IClassFactory, factory.PutVoid()), S_OK);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

// --- Registration ------------------------------------------------------------------------------

constexpr wchar_t kScratch[] = L"Software\\BriskoInprocServerTest";

class Registration : public ::testing::Test {
protected:
    Registration() { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch); }
    ~Registration() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
        RegDeleteKeyW(HKEY_CURRENT_USER, kScratch);
    }

    // A string value under the scratch root; "(none)" when there is none.
    static std::wstring Read(const std::wstring& sub, const wchar_t* name = nullptr) {
        wchar_t value[1024] = {};
        DWORD size = sizeof value;
        const std::wstring path = std::wstring(kScratch) + L"\\" + sub;
        if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) !=
            ERROR_SUCCESS) {
            return L"(none)";
        }
        return value;
    }
    static void Write(const std::wstring& sub, const std::wstring& value) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kScratch) + L"\\" + sub).c_str(), 0, nullptr, 0,
                                  KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }

    const ClassesRoot root{HKEY_CURRENT_USER, std::wstring(kScratch) + L"\\"};
    const std::wstring module = test_support::BesideProgram(L"inproc_server_tests.exe");
    const std::wstring plainKey = std::wstring(L"CLSID\\") + kPlainId;
    const std::wstring eventsKey = std::wstring(L"CLSID\\") + kEventsId;
};

TEST_F(Registration, WritesTheClassesAndProgIdsUnderTheRootAndRemovesThem) {
    ASSERT_EQ(RegisterServer(kClasses, root), S_OK);
    EXPECT_EQ(Read(plainKey), L"Plain (test)");
    EXPECT_TRUE(EqualsNoCase(Read(plainKey + L"\\InprocServer32"), module)) << Read(plainKey + L"\\InprocServer32");
    EXPECT_EQ(Read(plainKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(Read(plainKey + L"\\ProgID"), L"BriskoTest.Plain");
    EXPECT_EQ(Read(L"BriskoTest.Plain"), L"Plain (test)");
    EXPECT_EQ(Read(L"BriskoTest.Plain\\CLSID"), kPlainId);
    EXPECT_EQ(Read(eventsKey), L"With events (test)");
    EXPECT_EQ(Read(eventsKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(Read(eventsKey + L"\\ProgID"), L"(none)");  // known by its class id only
    // Nothing of it outside the root.
    EXPECT_EQ(test_support::ReadString(L"BriskoTest.Plain\\CLSID"), L"(none)");

    ASSERT_EQ(RegisterServer(kClasses, root), S_OK);  // again: it is this file's
    ASSERT_EQ(UnregisterServer(kClasses, root), S_OK);
    EXPECT_EQ(Read(plainKey), L"(none)");
    EXPECT_EQ(Read(eventsKey), L"(none)");
    EXPECT_EQ(Read(L"BriskoTest.Plain"), L"(none)");
    EXPECT_EQ(UnregisterServer(kClasses, root), S_OK);  // nothing left to remove
}

TEST_F(Registration, NeverTakesOverAClassOrProgIdOfAnotherFile) {
    // A class served by a file of another name: nothing is written, and nothing of it removed.
    Write(eventsKey + L"\\InprocServer32", L"C:\\Vendor\\Other.dll");
    EXPECT_EQ(RegisterServer(kClasses, root), SELFREG_E_CLASS);
    EXPECT_EQ(Read(plainKey), L"(none)");
    EXPECT_EQ(Read(L"BriskoTest.Plain"), L"(none)");
    EXPECT_EQ(UnregisterServer(kClasses, root), S_OK);
    EXPECT_EQ(Read(eventsKey + L"\\InprocServer32"), L"C:\\Vendor\\Other.dll");

    // The same file name in another folder is this library.
    Write(eventsKey + L"\\InprocServer32", L"C:\\Elsewhere\\INPROC_SERVER_TESTS.EXE");
    EXPECT_EQ(RegisterServer(kClasses, root), S_OK);
    EXPECT_TRUE(EqualsNoCase(Read(eventsKey + L"\\InprocServer32"), module));
    ASSERT_EQ(UnregisterServer(kClasses, root), S_OK);

    // A ProgID naming another class: refused; unregistering leaves the ProgID alone.
    Write(L"BriskoTest.Plain\\CLSID", kOtherId);
    EXPECT_EQ(RegisterServer(kClasses, root), SELFREG_E_CLASS);
    EXPECT_EQ(Read(plainKey), L"(none)");
    EXPECT_EQ(UnregisterServer(kClasses, root), S_OK);
    EXPECT_EQ(Read(L"BriskoTest.Plain\\CLSID"), kOtherId);
}

}  // namespace
}  // namespace brisko::inproc
