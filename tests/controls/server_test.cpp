// Kelvane.dll as a COM server: regsvr32 registration and the registry it
// leaves, class objects, aggregation and the unload count.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <vector>

#include "ole_test.h"

namespace kelvane_test {
namespace {

struct ClassInfo {
  const CLSID* clsid;
  const wchar_t* name;
  const wchar_t* bitmap;
  const IID* dual;
};

const ClassInfo kClasses[] = {
    {&CLSID_SysMonthCal32, L"SysMonthCal32", L"102", &IID_ISysMonthCal32},
    {&CLSID_SysDateTimePick32, L"SysDateTimePick32", L"104", &IID_ISysDateTimePick32},
    {&CLSID_PriorityBar, L"PriorityBar", L"108", &IID_IPriorityBar},
    {&CLSID_EditBox, L"EditBox", L"115", &IID_IEditBox},
};

constexpr wchar_t kAppId[] = L"{FD8812D8-EA3A-46B1-AB27-6066F5A55980}";

// Runs regsvr32 with the arguments and returns its exit code.
DWORD RunRegsvr32(const std::wstring& args) {
  std::wstring command = L"regsvr32.exe " + args;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return 0xFFFFFFFF;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

std::wstring ClsidKey(const ClassInfo& c) { return L"CLSID\\" + GuidString(*c.clsid); }

void ExpectRegistered(const ClassInfo& c, const std::wstring& module) {
  SCOPED_TRACE(Narrow(c.name));
  const std::wstring name = c.name;
  const std::wstring progid = L"Kelvane." + name + L".1";
  const std::wstring indep = L"Kelvane." + name;
  const std::wstring text = name + L" Class";
  const std::wstring clsid = GuidString(*c.clsid);
  const std::wstring key = ClsidKey(c);

  EXPECT_EQ(text, ReadString(HKEY_CLASSES_ROOT, progid));
  EXPECT_EQ(clsid, ReadString(HKEY_CLASSES_ROOT, progid + L"\\CLSID"));
  EXPECT_EQ(text, ReadString(HKEY_CLASSES_ROOT, indep));
  EXPECT_EQ(clsid, ReadString(HKEY_CLASSES_ROOT, indep + L"\\CLSID"));
  EXPECT_EQ(progid, ReadString(HKEY_CLASSES_ROOT, indep + L"\\CurVer"));

  EXPECT_EQ(text, ReadString(HKEY_CLASSES_ROOT, key));
  EXPECT_EQ(progid, ReadString(HKEY_CLASSES_ROOT, key + L"\\ProgID"));
  EXPECT_EQ(indep, ReadString(HKEY_CLASSES_ROOT, key + L"\\VersionIndependentProgID"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key + L"\\Programmable"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key + L"\\Control"));
  auto server = ReadString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32");
  ASSERT_TRUE(server);
  EXPECT_EQ(Lower(module), Lower(*server));
  EXPECT_EQ(L"Apartment", ReadString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel"));
  EXPECT_EQ(kAppId, ReadString(HKEY_CLASSES_ROOT, key, L"AppID"));
  auto bitmap = ReadString(HKEY_CLASSES_ROOT, key + L"\\ToolboxBitmap32");
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(Lower(module + L", " + c.bitmap), Lower(*bitmap));
  EXPECT_EQ(L"0", ReadString(HKEY_CLASSES_ROOT, key + L"\\MiscStatus"));
  EXPECT_EQ(L"131473", ReadString(HKEY_CLASSES_ROOT, key + L"\\MiscStatus\\1"));
  EXPECT_EQ(L"{A603CE99-ADCD-4212-8F0D-6A144E6D53ED}", ReadString(HKEY_CLASSES_ROOT, key + L"\\TypeLib"));
  EXPECT_EQ(L"1.0", ReadString(HKEY_CLASSES_ROOT, key + L"\\Version"));

  const std::wstring iface = L"Interface\\" + GuidString(*c.dual);
  EXPECT_EQ(L"I" + name, ReadString(HKEY_CLASSES_ROOT, iface));
  EXPECT_EQ(L"{A603CE99-ADCD-4212-8F0D-6A144E6D53ED}", ReadString(HKEY_CLASSES_ROOT, iface + L"\\TypeLib"));
}

void ExpectUnregistered(const ClassInfo& c) {
  SCOPED_TRACE(Narrow(c.name));
  const std::wstring name = c.name;
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Kelvane." + name + L".1"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Kelvane." + name));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClsidKey(c)));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Interface\\" + GuidString(*c.dual)));
}

// Registration through regsvr32, as an installer does it. The test leaves
// the library unregistered.
class Registration : public OleTest {
 protected:
  void TearDown() override {
    RunRegsvr32(L"/u /s \"" + Library::Get().Path() + L"\"");
    OleTest::TearDown();
  }
};

TEST_F(Registration, Regsvr32RegistersEveryClassTheAppIdAndTheTypeLibrary) {
  const std::wstring module = Library::Get().Path();
  ASSERT_EQ(0u, RunRegsvr32(L"/s \"" + module + L"\""));
  for (const ClassInfo& c : kClasses) ExpectRegistered(c, module);
  EXPECT_EQ(L"Kelvane", ReadString(HKEY_CLASSES_ROOT, std::wstring(L"AppID\\") + kAppId));
  EXPECT_EQ(kAppId, ReadString(HKEY_CLASSES_ROOT, L"AppID\\Kelvane.DLL", L"AppID"));
  EXPECT_EQ(L"Kelvane 1.0 Type Library",
            ReadString(HKEY_CLASSES_ROOT, L"TypeLib\\{A603CE99-ADCD-4212-8F0D-6A144E6D53ED}\\1.0"));
  ComPtr<ITypeLib> lib;
  EXPECT_EQ(S_OK, LoadRegTypeLib(LIBID_KelvaneLib, 1, 0, 0x409, lib.Put()));

  // CLSIDFromProgID finds the classes by both ProgIDs.
  CLSID clsid{};
  EXPECT_EQ(S_OK, CLSIDFromProgID(L"Kelvane.PriorityBar", &clsid));
  EXPECT_EQ(CLSID_PriorityBar, clsid);
  EXPECT_EQ(S_OK, CLSIDFromProgID(L"Kelvane.SysDateTimePick32.1", &clsid));
  EXPECT_EQ(CLSID_SysDateTimePick32, clsid);
}

TEST_F(Registration, Regsvr32UnregisterRemovesTheClassesAndKeepsTheRootKeys) {
  const std::wstring module = Library::Get().Path();
  ASSERT_EQ(0u, RunRegsvr32(L"/s \"" + module + L"\""));
  ASSERT_EQ(0u, RunRegsvr32(L"/u /s \"" + module + L"\""));
  for (const ClassInfo& c : kClasses) ExpectUnregistered(c);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"AppID\\") + kAppId));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"AppID\\Kelvane.DLL"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\{A603CE99-ADCD-4212-8F0D-6A144E6D53ED}"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"AppID"));
  CLSID clsid{};
  EXPECT_TRUE(FAILED(CLSIDFromProgID(L"Kelvane.PriorityBar", &clsid)));
}

TEST_F(Registration, ReRegistrationReplacesAStaleClassKeyAndUnregisteringTwiceIsHarmless) {
  const std::wstring module = Library::Get().Path();
  ASSERT_EQ(0u, RunRegsvr32(L"/s \"" + module + L"\""));
  HKEY stale = nullptr;
  const std::wstring key = ClsidKey(kClasses[2]) + L"\\Stale";
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                           &stale, nullptr));
  RegCloseKey(stale);
  ASSERT_EQ(0u, RunRegsvr32(L"/s \"" + module + L"\""));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key));
  ExpectRegistered(kClasses[2], module);
  EXPECT_EQ(S_OK, Library::Get().Unregister());
  EXPECT_EQ(S_OK, Library::Get().Unregister());
  for (const ClassInfo& c : kClasses) ExpectUnregistered(c);
}

TEST_F(Registration, MiscStatusIsReadBackFromTheRegistry) {
  ASSERT_EQ(S_OK, Library::Get().Register());
  for (const ClassInfo& c : kClasses) {
    SCOPED_TRACE(Narrow(c.name));
    ComPtr<IOleObject> object;
    ASSERT_EQ(S_OK, Library::Get().Create(*c.clsid, object));
    DWORD status = 0;
    EXPECT_EQ(S_OK, object->GetMiscStatus(DVASPECT_CONTENT, &status));
    EXPECT_EQ(131473u, status);
    EXPECT_EQ(0x20191u, status);
    LPOLESTR type = nullptr;
    ASSERT_EQ(S_OK, object->GetUserType(USERCLASSTYPE_FULL, &type));
    EXPECT_EQ(std::wstring(c.name) + L" Class", type);
    CoTaskMemFree(type);
  }
  ASSERT_EQ(S_OK, Library::Get().Unregister());
  ComPtr<IOleObject> object;
  ASSERT_EQ(S_OK, Library::Get().Create(CLSID_PriorityBar, object));
  DWORD status = 0xFFFF;
  object->GetMiscStatus(DVASPECT_CONTENT, &status);
  EXPECT_EQ(0u, status);
}

// A copy of the library whose path does not fit in MAX_PATH characters.
TEST_F(Registration, AModulePathTooLongForTheScriptsFailsWithInsufficientBuffer) {
  wchar_t dir[MAX_PATH];
  GetModuleFileNameW(nullptr, dir, MAX_PATH);
  std::wstring path = dir;
  path.resize(path.find_last_of(L'\\'));
  std::wstring deep = L"\\\\?\\" + path;
  std::vector<std::wstring> made;
  while (deep.size() < MAX_PATH + 20) {
    deep += L"\\kelvane-long-path-segment";
    CreateDirectoryW(deep.c_str(), nullptr);
    made.push_back(deep);
  }
  const std::wstring copy = deep + L"\\Kelvane.dll";
  ASSERT_TRUE(CopyFileW((L"\\\\?\\" + Library::Get().Path()).c_str(), copy.c_str(), FALSE));
  HMODULE module = LoadLibraryExW(copy.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) {
    GTEST_SKIP() << "the platform cannot load a library from a path this long";
  }
  auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
  ASSERT_TRUE(reg);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), reg());
  for (const ClassInfo& c : kClasses) ExpectUnregistered(c);
  FreeLibrary(module);
  DeleteFileW(copy.c_str());
  for (auto it = made.rbegin(); it != made.rend(); ++it) RemoveDirectoryW(it->c_str());
}

// --- Class objects -----------------------------------------------------------

using ClassObjects = OleTest;

TEST_F(ClassObjects, OtherClassIdsAreNotAvailable) {
  const GUID others[] = {GUID_NULL, LIBID_KelvaneLib, IID_IPriorityBar, DIID__ISysMonthCal32Events,
                         {0xFD8812D8, 0xEA3A, 0x46B1, {0xAB, 0x27, 0x60, 0x66, 0xF5, 0xA5, 0x59, 0x80}}};
  for (const GUID& other : others) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, Library::Get().GetClassObject(other, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
  }
  EXPECT_EQ(E_POINTER, Library::Get().GetClassObject(CLSID_PriorityBar, IID_IClassFactory, nullptr));
  EXPECT_EQ(S_OK, Library::Get().CanUnloadNow());
}

TEST_F(ClassObjects, EachClassObjectCreatesAControlWithEveryInterface) {
  const IID interfaces[] = {IID_IDispatch,
                            IID_IPersist,
                            IID_IPersistStreamInit,
                            IID_IPersistStorage,
                            IID_IOleControl,
                            IID_IOleObject,
                            IID_IOleWindow,
                            IID_IOleInPlaceActiveObject,
                            IID_IOleInPlaceObject,
                            IID_IOleInPlaceObjectWindowless,
                            IID_IViewObject,
                            IID_IViewObject2,
                            IID_IViewObjectEx,
                            IID_ISupportErrorInfo,
                            IID_IConnectionPointContainer,
                            IID_ISpecifyPropertyPages,
                            IID_IQuickActivate,
                            IID_IDataObject,
                            IID_IProvideClassInfo,
                            IID_IProvideClassInfo2};
  for (const ClassInfo& c : kClasses) {
    SCOPED_TRACE(Narrow(c.name));
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, Library::Get().GetClassObject(*c.clsid, IID_IClassFactory, factory.PutVoid()));
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, unknown.PutVoid()));
    ComPtr<IUnknown> dual;
    EXPECT_EQ(S_OK, unknown->QueryInterface(*c.dual, dual.PutVoid()));
    for (const IID& iid : interfaces) {
      ComPtr<IUnknown> p;
      EXPECT_EQ(S_OK, unknown->QueryInterface(iid, p.PutVoid())) << Narrow(GuidString(iid));
      // One identity whatever the interface.
      ComPtr<IUnknown> identity;
      ASSERT_EQ(S_OK, p->QueryInterface(IID_IUnknown, identity.PutVoid()));
      EXPECT_EQ(unknown.Get(), identity.Get());
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(E_NOINTERFACE, unknown->QueryInterface(IID_IPersistPropertyBag, none.PutVoid()));
    EXPECT_EQ(nullptr, none.Get());

    ComPtr<ISupportErrorInfo> errors = unknown.As<ISupportErrorInfo>();
    EXPECT_EQ(S_OK, errors->InterfaceSupportsErrorInfo(*c.dual));
    EXPECT_EQ(S_FALSE, errors->InterfaceSupportsErrorInfo(IID_IOleObject));

    ComPtr<IProvideClassInfo2> info = unknown.As<IProvideClassInfo2>();
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(S_OK, info->GetClassInfo(coclass.Put()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, coclass->GetTypeAttr(&attr));
    EXPECT_EQ(*c.clsid, attr->guid);
    coclass->ReleaseTypeAttr(attr);

    ComPtr<ISpecifyPropertyPages> pages = unknown.As<ISpecifyPropertyPages>();
    CAUUID list{5, reinterpret_cast<GUID*>(1)};
    EXPECT_EQ(S_OK, pages->GetPages(&list));
    EXPECT_EQ(0u, list.cElems);
    EXPECT_EQ(nullptr, list.pElems);
  }
}

TEST_F(ClassObjects, ClassObjectAnswersOnlyClassFactoryInterfaces) {
  ComPtr<IUnknown> factory;
  ASSERT_EQ(S_OK, Library::Get().GetClassObject(CLSID_EditBox, IID_IUnknown, factory.PutVoid()));
  ComPtr<IDispatch> dispatch;
  EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IDispatch, dispatch.PutVoid()));
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, Library::Get().GetClassObject(CLSID_EditBox, IID_IDispatch, &out));
  EXPECT_EQ(nullptr, out);
}

// An outer object that aggregates a control: it answers IID_IUnknown and
// an interface of its own, and hands every other request to the inner object.
class Outer final : public IOleWindow {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleWindow) {
      *out = static_cast<IOleWindow*>(this);
      AddRef();
      return S_OK;
    }
    if (inner_) return inner_->QueryInterface(iid, out);
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }
  STDMETHODIMP GetWindow(HWND* hwnd) override {
    *hwnd = nullptr;
    return E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  ULONG refs_ = 1;
  ComPtr<IUnknown> inner_;
};

TEST_F(ClassObjects, AnAggregatedControlAnswersItsDualInterfaceThroughTheOuterObject) {
  for (const ClassInfo& c : kClasses) {
    SCOPED_TRACE(Narrow(c.name));
    Outer outer;
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, Library::Get().GetClassObject(*c.clsid, IID_IClassFactory, factory.PutVoid()));
    ComPtr<IUnknown> refused;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, *c.dual, refused.PutVoid()));
    ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, outer.inner_.PutVoid()));
    EXPECT_EQ(1u, outer.refs_);

    ComPtr<IDispatch> dual;
    ASSERT_EQ(S_OK, outer.QueryInterface(*c.dual, dual.PutVoid()));
    EXPECT_EQ(2u, outer.refs_);  // the inner object's interfaces count on the outer object
    ComPtr<IUnknown> identity;
    ASSERT_EQ(S_OK, dual->QueryInterface(IID_IUnknown, identity.PutVoid()));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.Get());
    ComPtr<IOleWindow> own;
    EXPECT_EQ(S_OK, dual->QueryInterface(IID_IOleWindow, own.PutVoid()));
    EXPECT_EQ(static_cast<IOleWindow*>(&outer), own.Get());
    identity.Reset();
    own.Reset();

    // The dual interface works through the outer object.
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"Enabled");
    ASSERT_EQ(S_OK, dual->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(DISPID_ENABLED, id);
    Variant value;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(S_OK, dual->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.Get(),
                                 nullptr, nullptr));
    EXPECT_EQ(VT_BOOL, value->vt);
    EXPECT_EQ(VARIANT_TRUE, value->boolVal);

    dual.Reset();
    EXPECT_EQ(1u, outer.refs_);
    factory.Reset();
    outer.inner_.Reset();
    EXPECT_EQ(S_OK, Library::Get().CanUnloadNow());
  }
}

TEST_F(ClassObjects, CanUnloadNowOnlyOnceEveryObjectAndLockIsGone) {
  auto can_unload = [] { return Library::Get().CanUnloadNow(); };
  ASSERT_EQ(S_OK, can_unload());
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(S_OK, Library::Get().GetClassObject(CLSID_SysMonthCal32, IID_IClassFactory, factory.PutVoid()));
  EXPECT_EQ(S_FALSE, can_unload());
  ASSERT_EQ(S_OK, factory->LockServer(TRUE));
  ComPtr<IClassFactory> second;
  ASSERT_EQ(S_OK, Library::Get().GetClassObject(CLSID_EditBox, IID_IClassFactory, second.PutVoid()));
  factory.Reset();
  EXPECT_EQ(S_FALSE, can_unload());  // the lock and the second factory
  ASSERT_EQ(S_OK, second->LockServer(FALSE));
  EXPECT_EQ(S_FALSE, can_unload());  // the second factory

  ComPtr<IUnknown> control;
  ASSERT_EQ(S_OK, second->CreateInstance(nullptr, IID_IUnknown, control.PutVoid()));
  second.Reset();
  EXPECT_EQ(S_FALSE, can_unload());

  ComPtr<IConnectionPointContainer> container = control.As<IConnectionPointContainer>();
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(S_OK, container->EnumConnectionPoints(points.Put()));
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID__IEditBoxEvents, point.Put()));
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(S_OK, point->EnumConnections(connections.Put()));
  container.Reset();
  control.Reset();
  EXPECT_EQ(S_FALSE, can_unload());  // enumerators and the connection point keep it
  points.Reset();
  EXPECT_EQ(S_FALSE, can_unload());
  point.Reset();
  EXPECT_EQ(S_FALSE, can_unload());
  connections.Reset();
  EXPECT_EQ(S_OK, can_unload());
}

}  // namespace
}  // namespace kelvane_test
