#include "module.h"

#include <atomic>
#include <mutex>
#include <vector>

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

namespace {

// The proxy/stub classes the automation marshaler registers interfaces with.
constexpr wchar_t kPSDispatch[] = L"{00020420-0000-0000-C000-000000000046}";
constexpr wchar_t kPSOAInterface[] = L"{00020424-0000-0000-C000-000000000046}";

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring Hex(unsigned long n) {
  wchar_t text[16];
  wsprintfW(text, L"%lx", n);
  return text;
}

struct LibKeys {
  TLIBATTR attr{};
  std::wstring lib;      // TypeLib\{libid}
  std::wstring version;  // TypeLib\{libid}\{major}.{minor}
};

HRESULT ReadLibKeys(ITypeLib* lib, LibKeys& keys) {
  TLIBATTR* attr = nullptr;
  HRESULT hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  keys.attr = *attr;
  lib->ReleaseTLibAttr(attr);
  keys.lib = L"TypeLib\\" + GuidText(keys.attr.guid);
  keys.version = keys.lib + L"\\" + Hex(keys.attr.wMajorVerNum) + L"." + Hex(keys.attr.wMinorVerNum);
  return S_OK;
}

struct InterfaceEntry {
  GUID iid;
  std::wstring name;
  const wchar_t* proxy;
};

// The interfaces RegisterTypeLib would register: dispinterfaces (PSDispatch), dual and
// oleautomation interfaces (PSOAInterface).
HRESULT ReadInterfaces(ITypeLib* lib, std::vector<InterfaceEntry>& out) {
  const UINT count = lib->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i) {
    ComPtr<ITypeInfo> info;
    HRESULT hr = lib->GetTypeInfo(i, info.Put());
    if (FAILED(hr)) return hr;
    TYPEATTR* attr = nullptr;
    hr = info->GetTypeAttr(&attr);
    if (FAILED(hr)) return hr;
    const TYPEKIND kind = attr->typekind;
    const WORD flags = attr->wTypeFlags;
    const GUID iid = attr->guid;
    info->ReleaseTypeAttr(attr);
    const wchar_t* proxy = nullptr;
    if (kind == TKIND_DISPATCH) proxy = (flags & TYPEFLAG_FDUAL) ? kPSOAInterface : kPSDispatch;
    else if (kind == TKIND_INTERFACE && (flags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION))) proxy = kPSOAInterface;
    if (!proxy) continue;
    BSTR name = nullptr;
    hr = lib->GetDocumentation(static_cast<INT>(i), &name, nullptr, nullptr, nullptr);
    if (FAILED(hr)) return hr;
    out.push_back({iid, name ? std::wstring(name, SysStringLen(name)) : std::wstring(), proxy});
    SysFreeString(name);
  }
  return S_OK;
}

class Writer {
 public:
  explicit Writer(HKEY root) : root_(root) {}
  LONG rc = ERROR_SUCCESS;
  void Set(const std::wstring& sub, const wchar_t* name, const std::wstring& value) {
    if (rc != ERROR_SUCCESS) return;
    HKEY key = nullptr;
    rc = RegCreateKeyExW(root_, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return;
    rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }

 private:
  HKEY root_;
};

std::wstring ReadText(HKEY root, const std::wstring& sub, const wchar_t* name = nullptr) {
  wchar_t buffer[MAX_PATH * 2] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  if (RegGetValueW(root, sub.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return {};
  return buffer;
}

LONG DeleteTree(HKEY root, const std::wstring& sub) {
  LONG rc = RegDeleteTreeW(root, sub.c_str());
  if (rc == ERROR_SUCCESS) rc = RegDeleteKeyW(root, sub.c_str());
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

}  // namespace

void DeleteKeyIfEmpty(HKEY parent, const std::wstring& name) noexcept {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD subkeys = 1, values = 1;
  const LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                   nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (rc == ERROR_SUCCESS && subkeys == 0 && values == 0) RegDeleteKeyW(parent, name.c_str());
}

HRESULT RegisterTypeLibAt(HKEY classes) noexcept {
  return Guard([&]() -> HRESULT {
    std::wstring path;
    HRESULT hr = Path(path);
    if (FAILED(hr)) return hr;
    ComPtr<ITypeLib> lib;
    hr = LoadModuleTypeLib(lib);
    if (FAILED(hr)) return hr;
    LibKeys keys;
    hr = ReadLibKeys(lib.Get(), keys);
    if (FAILED(hr)) return hr;
    std::vector<InterfaceEntry> interfaces;
    hr = ReadInterfaces(lib.Get(), interfaces);
    if (FAILED(hr)) return hr;
    BSTR doc = nullptr;
    BSTR name = nullptr;
    hr = lib->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
    if (FAILED(hr)) return hr;
    const std::wstring title = doc && SysStringLen(doc) ? std::wstring(doc, SysStringLen(doc))
                                                        : std::wstring(name ? name : L"", name ? SysStringLen(name) : 0);
    SysFreeString(doc);
    SysFreeString(name);
    const auto slash = path.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    const std::wstring versionText = Hex(keys.attr.wMajorVerNum) + L"." + Hex(keys.attr.wMinorVerNum);

    Writer w(classes);
    w.Set(keys.version, nullptr, title);
    w.Set(keys.version + L"\\" + Hex(keys.attr.lcid) + L"\\win32", nullptr, path);
    w.Set(keys.version + L"\\FLAGS", nullptr, std::to_wstring(keys.attr.wLibFlags | LIBFLAG_FHASDISKIMAGE));
    w.Set(keys.version + L"\\HELPDIR", nullptr, folder);
    for (const InterfaceEntry& i : interfaces) {
      const std::wstring key = L"Interface\\" + GuidText(i.iid);
      w.Set(key, nullptr, i.name);
      w.Set(key + L"\\ProxyStubClsid", nullptr, i.proxy);
      w.Set(key + L"\\ProxyStubClsid32", nullptr, i.proxy);
      w.Set(key + L"\\TypeLib", nullptr, GuidText(keys.attr.guid));
      w.Set(key + L"\\TypeLib", L"Version", versionText);
    }
    if (w.rc != ERROR_SUCCESS) {
      UnregisterTypeLibAt(classes);
      return HRESULT_FROM_WIN32(static_cast<DWORD>(w.rc));
    }
    return S_OK;
  });
}

HRESULT UnregisterTypeLibAt(HKEY classes) noexcept {
  return Guard([&]() -> HRESULT {
    std::wstring path;
    HRESULT hr = Path(path);
    if (FAILED(hr)) return hr;
    ComPtr<ITypeLib> lib;
    hr = LoadModuleTypeLib(lib);
    if (FAILED(hr)) return hr;
    LibKeys keys;
    hr = ReadLibKeys(lib.Get(), keys);
    if (FAILED(hr)) return hr;
    // Another file's registration of the library stays.
    const std::wstring image = ReadText(classes, keys.version + L"\\" + Hex(keys.attr.lcid) + L"\\win32");
    if (!image.empty() && CompareStringOrdinal(image.c_str(), -1, path.c_str(), -1, TRUE) != CSTR_EQUAL) return S_OK;
    std::vector<InterfaceEntry> interfaces;
    hr = ReadInterfaces(lib.Get(), interfaces);
    if (FAILED(hr)) return hr;
    LONG first = ERROR_SUCCESS;
    const std::wstring libid = GuidText(keys.attr.guid);
    for (const InterfaceEntry& i : interfaces) {
      const std::wstring key = L"Interface\\" + GuidText(i.iid);
      const std::wstring owner = ReadText(classes, key + L"\\TypeLib");
      if (!owner.empty() && CompareStringOrdinal(owner.c_str(), -1, libid.c_str(), -1, TRUE) != CSTR_EQUAL) continue;
      const LONG rc = DeleteTree(classes, key);
      if (first == ERROR_SUCCESS) first = rc;
    }
    const LONG rc = DeleteTree(classes, keys.version);
    if (first == ERROR_SUCCESS) first = rc;
    DeleteKeyIfEmpty(classes, keys.lib);
    DeleteKeyIfEmpty(classes, L"TypeLib");
    DeleteKeyIfEmpty(classes, L"Interface");
    return first == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(first));
  });
}

}  // namespace olectl::module
