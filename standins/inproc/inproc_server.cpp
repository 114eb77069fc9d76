#include "standins/inproc/inproc_server.h"

#include <objbase.h>
#include <olectl.h>

#include <atomic>
#include <new>

#include "automation/win/com_object.h"
#include "automation/win/com_ptr.h"

namespace brisko::inproc {
namespace {

HINSTANCE g_instance = nullptr;
std::atomic<long> g_locks{0};

const ClassEntry* FindClass(ClassTable classes, REFCLSID clsid) {
    for (const auto& c : classes) {
        CLSID id{};
        if (SUCCEEDED(CLSIDFromString(c.clsid, &id)) && IsEqualCLSID(id, clsid)) return &c;
    }
    return nullptr;
}

class Factory final : public IClassFactory {
public:
    explicit Factory(const ClassEntry& entry) : entry_(entry) { ++g_locks; }
    ~Factory() { --g_locks; }
    Factory(const Factory&) = delete;
    Factory& operator=(const Factory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        try {
            const win::ComPtr<IDispatch> dispatch = win::ExposeObject(entry_.make(), entry_.expose);
            if (!dispatch) return E_UNEXPECTED;
            return dispatch->QueryInterface(riid, ppv);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            ++g_locks;
        } else {
            --g_locks;
        }
        return S_OK;
    }

private:
    const ClassEntry& entry_;
    std::atomic<ULONG> refs_{1};
};

// --- Registration ------------------------------------------------------------------------------

class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (h_) RegCloseKey(h_);
    }
    LONG Create(const ClassesRoot& root, const std::wstring& sub) noexcept {
        return RegCreateKeyExW(root.key, (root.prefix + sub).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                               nullptr, &h_, nullptr);
    }
    LONG Set(const wchar_t* name, const std::wstring& value) noexcept {
        return RegSetValueExW(h_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

private:
    HKEY h_ = nullptr;
};

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(g_instance, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// A string value of the root's key sub; empty when there is none.
std::wstring ReadString(const ClassesRoot& root, const std::wstring& sub, const wchar_t* name = nullptr) {
    const std::wstring path = root.prefix + sub;
    DWORD size = 0;
    if (RegGetValueW(root.key, path.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size < sizeof(wchar_t)) {
        return {};
    }
    std::wstring value(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(root.key, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value.data(), &size) != ERROR_SUCCESS) {
        return {};
    }
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

std::wstring FileName(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The class is served by another library's file (e.g. the vendor's own): this library leaves it.
bool ServedByOther(const ClassesRoot& root, const ClassEntry& c, const std::wstring& module) {
    const std::wstring server = ReadString(root, std::wstring(L"CLSID\\") + c.clsid + L"\\InprocServer32");
    return !server.empty() && CompareStringOrdinal(FileName(server).c_str(), -1, FileName(module).c_str(), -1,
                                                   TRUE) != CSTR_EQUAL;
}

// Whether the ProgID names the class.
bool ProgIdIsOurs(const ClassesRoot& root, const ClassEntry& c) {
    const std::wstring clsid = ReadString(root, std::wstring(c.progId) + L"\\CLSID");
    return clsid.empty() || CompareStringOrdinal(clsid.c_str(), -1, c.clsid, -1, TRUE) == CSTR_EQUAL;
}

LONG DeleteTree(const ClassesRoot& root, const std::wstring& sub) noexcept {
    const std::wstring path = root.prefix + sub;
    const LONG rc = RegDeleteTreeW(root.key, path.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
    const LONG rc2 = RegDeleteKeyW(root.key, path.c_str());
    return rc2 == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc2;
}

// Whether the class is registered under the root for exactly this file.
bool ServedByThisFile(const ClassesRoot& root, const ClassEntry& c, const std::wstring& module) {
    const std::wstring server = ReadString(root, std::wstring(L"CLSID\\") + c.clsid + L"\\InprocServer32");
    return CompareStringOrdinal(server.c_str(), -1, module.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// thisFileOnly: leaves every class not registered for this very path (another copy's too).
HRESULT Unregister(ClassTable classes, const ClassesRoot& root, bool thisFileOnly = false) {
    const std::wstring module = ModulePath();
    LONG first = ERROR_SUCCESS;
    for (const auto& c : classes) {
        if (ServedByOther(root, c, module)) continue;
        if (thisFileOnly && !ServedByThisFile(root, c, module)) continue;
        LONG rc = DeleteTree(root, std::wstring(L"CLSID\\") + c.clsid);
        if (first == ERROR_SUCCESS) first = rc;
        if (!c.progId.empty() && ProgIdIsOurs(root, c)) {
            rc = DeleteTree(root, std::wstring(c.progId));
            if (first == ERROR_SUCCESS) first = rc;
        }
    }
    return first == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(first));
}

bool TakenByOther(const ClassesRoot& root, const ClassEntry& c, const std::wstring& module) {
    return ServedByOther(root, c, module) || (!c.progId.empty() && !ProgIdIsOurs(root, c));
}

HRESULT Register(ClassTable classes, const ClassesRoot& root) {
    const std::wstring module = ModulePath();
    if (module.empty()) return E_UNEXPECTED;
    const ClassesRoot merged{};
    const bool perUser = root.key != merged.key || root.prefix != merged.prefix;
    for (const auto& c : classes) {
        if (TakenByOther(root, c, module) || (perUser && TakenByOther(merged, c, module))) return SELFREG_E_CLASS;
    }
    LONG rc = ERROR_SUCCESS;
    auto set = [&](const std::wstring& sub, const wchar_t* name, const std::wstring& value) {
        if (rc != ERROR_SUCCESS) return;
        Key k;
        rc = k.Create(root, sub);
        if (rc == ERROR_SUCCESS) rc = k.Set(name, value);
    };
    for (const auto& c : classes) {
        const std::wstring key = std::wstring(L"CLSID\\") + c.clsid;
        set(key, nullptr, c.description);
        set(key + L"\\InprocServer32", nullptr, module);
        set(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
        if (c.progId.empty()) continue;
        const std::wstring progId(c.progId);
        set(key + L"\\ProgID", nullptr, progId);
        set(progId, nullptr, c.description);
        set(progId + L"\\CLSID", nullptr, c.clsid);
    }
    if (rc != ERROR_SUCCESS) {
        Unregister(classes, root);
        return SELFREG_E_CLASS;
    }
    return S_OK;
}

const ClassesRoot kUserClasses{HKEY_CURRENT_USER, L"Software\\Classes\\"};

// Deletes the root's CLSID key when no class is left in it.
void DeleteEmptyClsidKey(const ClassesRoot& root) {
    const std::wstring path = root.prefix + L"CLSID";
    HKEY k = nullptr;
    if (RegOpenKeyExW(root.key, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return;
    DWORD subkeys = 1, values = 1;
    const LONG rc = RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                                     nullptr, nullptr);
    RegCloseKey(k);
    if (rc == ERROR_SUCCESS && subkeys == 0 && values == 0) RegDeleteKeyW(root.key, path.c_str());
}

}  // namespace

BOOL OnDllMain(HINSTANCE instance, DWORD reason) noexcept {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

HRESULT GetClassObject(ClassTable classes, REFCLSID clsid, REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const ClassEntry* entry = FindClass(classes, clsid);
    if (!entry) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) Factory(*entry);
    if (!factory) return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

HRESULT CanUnloadNow() noexcept { return g_locks == 0 && win::LiveComObjects() == 0 ? S_OK : S_FALSE; }

HRESULT RegisterServer(ClassTable classes, const ClassesRoot& root) noexcept {
    try {
        return Register(classes, root);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT UnregisterServer(ClassTable classes, const ClassesRoot& root) noexcept {
    try {
        return Unregister(classes, root);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT Install(ClassTable classes, BOOL install, PCWSTR commandLine) noexcept {
    if (!commandLine || CompareStringOrdinal(commandLine, -1, L"user", -1, TRUE) != CSTR_EQUAL) return E_INVALIDARG;
    try {
        if (install) {
            const HRESULT hr = Register(classes, kUserClasses);
            if (FAILED(hr)) DeleteEmptyClsidKey(kUserClasses);
            return hr;
        }
        const HRESULT hr = Unregister(classes, kUserClasses, true);
        DeleteEmptyClsidKey(kUserClasses);
        return hr;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace brisko::inproc
