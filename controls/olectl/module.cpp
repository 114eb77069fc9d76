#include "module.h"

#include <atomic>
#include <mutex>

namespace olectl::module {
namespace {

HINSTANCE g_instance = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

// The type library cache; dropped when the last object goes.
std::mutex g_typelib_mutex;
ITypeLib* g_typelib = nullptr;

void DropTypeLib() noexcept {
  ITypeLib* lib = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_typelib_mutex);
    if (g_objects.load() == 0) lib = std::exchange(g_typelib, nullptr);
  }
  if (lib) lib->Release();
}

HRESULT LoadModuleTypeLib(ComPtr<ITypeLib>& lib) {
  std::wstring path;
  HRESULT hr = Path(path);
  if (FAILED(hr)) return hr;
  return LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.Put());
}

}  // namespace

void SetInstance(HINSTANCE instance) noexcept { g_instance = instance; }
HINSTANCE Instance() noexcept { return g_instance; }

void AddObject() noexcept { ++g_objects; }
void ReleaseObject() noexcept {
  if (--g_objects == 0) DropTypeLib();
}
void Lock() noexcept { ++g_locks; }
void Unlock() noexcept { --g_locks; }
bool CanUnload() noexcept { return g_objects.load() == 0 && g_locks.load() == 0; }
long ObjectCount() noexcept { return g_objects.load(); }

HRESULT Path(std::wstring& path) {
  wchar_t buffer[MAX_PATH];
  SetLastError(ERROR_SUCCESS);
  DWORD n = GetModuleFileNameW(g_instance, buffer, MAX_PATH);
  if (n == 0) return HRESULT_FROM_WIN32(GetLastError());
  if (n >= MAX_PATH || GetLastError() == ERROR_INSUFFICIENT_BUFFER)
    return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  path.assign(buffer, n);
  return S_OK;
}

HRESULT TypeLib(ComPtr<ITypeLib>& lib) noexcept {
  return Guard([&]() -> HRESULT {
    {
      std::lock_guard<std::mutex> lock(g_typelib_mutex);
      if (g_typelib) {
        lib = ComPtr<ITypeLib>(g_typelib);
        return S_OK;
      }
    }
    ComPtr<ITypeLib> loaded;
    HRESULT hr = LoadModuleTypeLib(loaded);
    if (FAILED(hr)) return hr;
    std::lock_guard<std::mutex> lock(g_typelib_mutex);
    // Cached only while objects hold it; a caller without one just uses it.
    if (!g_typelib && g_objects.load() > 0) {
      g_typelib = loaded.Get();
      g_typelib->AddRef();
    }
    lib = g_typelib ? ComPtr<ITypeLib>(g_typelib) : loaded;
    return S_OK;
  });
}

HRESULT TypeInfoOf(REFGUID guid, ComPtr<ITypeInfo>& info) noexcept {
  ComPtr<ITypeLib> lib;
  HRESULT hr = TypeLib(lib);
  if (FAILED(hr)) return hr;
  return lib->GetTypeInfoOfGuid(guid, info.Put());
}

HRESULT RegisterTypeLib() noexcept {
  return Guard([]() -> HRESULT {
    std::wstring path;
    HRESULT hr = Path(path);
    if (FAILED(hr)) return hr;
    ComPtr<ITypeLib> lib;
    hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.Put());
    if (FAILED(hr)) return hr;
    return ::RegisterTypeLib(lib.Get(), path.data(), nullptr);
  });
}

HRESULT UnregisterTypeLib() noexcept {
  return Guard([]() -> HRESULT {
    ComPtr<ITypeLib> lib;
    HRESULT hr = LoadModuleTypeLib(lib);
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    const TLIBATTR a = *attr;
    lib->ReleaseTLibAttr(attr);
    // Nothing registered is nothing to remove.
    BSTR registered = nullptr;
    if (FAILED(QueryPathOfRegTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, &registered))) return S_OK;
    SysFreeString(registered);
    return ::UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
  });
}

}  // namespace olectl::module
