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

HRESULT MakeRegistrar(olectl::Registrar& registrar) {
  std::wstring path;
  HRESULT hr = olectl::module::Path(path);
  if (FAILED(hr)) return hr;
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
