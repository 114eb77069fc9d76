// Kelvane.dll: the class factories and the four exports of the server.
#include <windows.h>
#include <ole2.h>

#include <string>

#include "classes.h"
#include "olectl/registrar.h"
#include "resource.h"

namespace kelvane {
namespace {

using Creator = HRESULT (*)(IUnknown*, REFIID, void**) noexcept;

class ClassFactory final : public IClassFactory, private olectl::ModuleObject {
 public:
  explicit ClassFactory(Creator create) noexcept : create_(create) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override { return create_(outer, iid, out); }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) olectl::module::Lock();
    else olectl::module::Unlock();
    return S_OK;
  }

 private:
  LONG refs_ = 0;
  Creator create_;
};

struct ServerClass {
  const CLSID* clsid;
  Creator create;
  UINT script;
};

const ServerClass kClasses[] = {
    {&CLSID_SysMonthCal32, &olectl::CreateControl<CSysMonthCal32>, IDR_SYSMONTHCAL32},
    {&CLSID_SysDateTimePick32, &olectl::CreateControl<CSysDateTimePick32>, IDR_SYSDATETIMEPICK32},
    {&CLSID_PriorityBar, &olectl::CreateControl<CPriorityBar>, IDR_PRIORITYBAR},
    {&CLSID_EditBox, &olectl::CreateControl<CEditBox>, IDR_EDITBOX},
};

constexpr wchar_t kAppId[] = L"{FD8812D8-EA3A-46B1-AB27-6066F5A55980}";
constexpr wchar_t kOleMisc[] = L"131473";

// The user's classes key, HKCU\Software\Classes, for a per-user registration.
class UserClasses {
 public:
  UserClasses() = default;
  UserClasses(const UserClasses&) = delete;
  UserClasses& operator=(const UserClasses&) = delete;
  ~UserClasses() {
    if (key_) RegCloseKey(key_);
  }
  HRESULT Open() {
    const LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
    return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
  }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// classes: where the scripts' HKCR goes (null: HKEY_CLASSES_ROOT itself).
HRESULT MakeRegistrar(olectl::Registrar& registrar, HKEY classes = nullptr) {
  std::wstring path;
  HRESULT hr = olectl::module::Path(path);
  if (FAILED(hr)) return hr;
  if (classes) {
    registrar.MapRoot(L"HKCR", classes);
    registrar.MapRoot(L"HKEY_CLASSES_ROOT", classes);
  }
  registrar.AddReplacement(L"MODULE", path);
  registrar.AddReplacement(L"APPID", kAppId);
  registrar.AddReplacement(L"OLEMISC", kOleMisc);
  return S_OK;
}

// The AppID script first, then the class scripts.
std::vector<UINT> Scripts() {
  std::vector<UINT> ids{IDR_KELVANE};
  for (const ServerClass& c : kClasses) ids.push_back(c.script);
  return ids;
}

HRESULT Unregister() {
  olectl::Registrar registrar;
  HRESULT hr = MakeRegistrar(registrar);
  if (FAILED(hr)) return hr;
  HRESULT first = S_OK;
  auto scripts = Scripts();
  for (auto it = scripts.rbegin(); it != scripts.rend(); ++it) {
    hr = registrar.RunResource(olectl::module::Instance(), *it, false);
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  }
  hr = olectl::module::UnregisterTypeLib();
  if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  return first;
}

HRESULT Register() {
  olectl::Registrar registrar;
  HRESULT hr = MakeRegistrar(registrar);
  if (FAILED(hr)) return hr;
  for (UINT id : Scripts()) {
    hr = registrar.RunResource(olectl::module::Instance(), id, true);
    if (FAILED(hr)) break;
  }
  if (SUCCEEDED(hr)) hr = olectl::module::RegisterTypeLib();
  // A registration that fails half-way leaves nothing of itself behind.
  if (FAILED(hr)) Unregister();
  return hr;
}

// Whether a class of this library is registered under classes for another file.
bool AnyClassOfOtherFile(HKEY classes) {
  std::wstring path;
  if (FAILED(olectl::module::Path(path))) return true;
  for (const ServerClass& c : kClasses) {
    wchar_t clsid[40] = {};
    StringFromGUID2(*c.clsid, clsid, 40);
    wchar_t server[MAX_PATH * 2] = {};
    DWORD size = sizeof server - sizeof(wchar_t);
    const std::wstring key = std::wstring(L"CLSID\\") + clsid + L"\\InprocServer32";
    if (RegGetValueW(classes, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, server, &size) != ERROR_SUCCESS) continue;
    if (CompareStringOrdinal(server, -1, path.c_str(), -1, TRUE) != CSTR_EQUAL) return true;
  }
  return false;
}

// Removes the user's registration of this very file (another file's stays), then the
// containers it leaves empty.
HRESULT UnregisterForUser() {
  UserClasses classes;
  HRESULT hr = classes.Open();
  if (FAILED(hr)) return hr;
  if (AnyClassOfOtherFile(classes.Get())) return S_OK;
  olectl::Registrar registrar;
  hr = MakeRegistrar(registrar, classes.Get());
  if (FAILED(hr)) return hr;
  HRESULT first = S_OK;
  auto scripts = Scripts();
  for (auto it = scripts.rbegin(); it != scripts.rend(); ++it) {
    hr = registrar.RunResource(olectl::module::Instance(), *it, false);
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  }
  hr = olectl::module::UnregisterTypeLibAt(classes.Get());
  if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  olectl::module::DeleteKeyIfEmpty(classes.Get(), L"CLSID");
  olectl::module::DeleteKeyIfEmpty(classes.Get(), L"AppID");
  return first;
}

// The scripts and the type library under HKCU\Software\Classes.
HRESULT RegisterForUser() {
  UserClasses classes;
  HRESULT hr = classes.Open();
  if (FAILED(hr)) return hr;
  olectl::Registrar registrar;
  hr = MakeRegistrar(registrar, classes.Get());
  if (FAILED(hr)) return hr;
  for (UINT id : Scripts()) {
    hr = registrar.RunResource(olectl::module::Instance(), id, true);
    if (FAILED(hr)) break;
  }
  if (SUCCEEDED(hr)) hr = olectl::module::RegisterTypeLibAt(classes.Get());
  if (FAILED(hr)) UnregisterForUser();
  return hr;
}

}  // namespace
}  // namespace kelvane

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    olectl::module::SetInstance(instance);
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && !reserved) {
    olectl::UnregisterControlWindowClass();
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return olectl::Guard([&]() -> HRESULT {
    for (const kelvane::ServerClass& c : kelvane::kClasses) {
      if (clsid == *c.clsid) {
        auto* factory = new kelvane::ClassFactory(c.create);
        factory->AddRef();
        HRESULT hr = factory->QueryInterface(iid, out);
        factory->Release();
        return hr;
      }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
  });
}

STDAPI DllCanUnloadNow() { return olectl::module::CanUnload() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
  return olectl::Guard([] { return kelvane::Register(); });
}

STDAPI DllUnregisterServer() {
  return olectl::Guard([] { return kelvane::Unregister(); });
}

// regsvr32 /n /i:user registers for the current user only, /u /n /i:user takes that back.
STDAPI DllInstall(BOOL install, PCWSTR command_line) {
  if (!command_line || CompareStringOrdinal(command_line, -1, L"user", -1, TRUE) != CSTR_EQUAL) return E_INVALIDARG;
  return olectl::Guard([&] { return install ? kelvane::RegisterForUser() : kelvane::UnregisterForUser(); });
}
