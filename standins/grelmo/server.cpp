// Grelmo.dll: the context-menu events library stand-in as an in-process COM server. The object
// is the portable core's, exposed through IDispatch with a connection point for
// _ContextMenuEventsEvents by the automation layer; registration writes the ProgID and the class
// id (ThreadingModel Apartment) and never takes over a class that another library's file serves.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <atomic>
#include <new>
#include <string>

#include "automation/win/com_object.h"
#include "automation/win/com_ptr.h"
#include "automation/win/event_table.h"
#include "automation/win/object_dispatch.h"
#include "standins/grelmo/context_menu_events.h"

namespace brisko::grelmo {
namespace {

HINSTANCE g_instance = nullptr;
std::atomic<long> g_locks{0};

struct ClassEntry {
    const wchar_t* clsid;
    std::wstring_view progId;
    const wchar_t* description;
};

const ClassEntry kClasses[] = {
    {L"{ABB46BC5-EF88-4498-8CEB-E5894FF2C795}", kContextMenuEvents, L"Context-menu events (Brisko stand-in)"},
};

// The object as COM clients reach it: Init by DISPID 1 or by name, the events through the
// connection point of _ContextMenuEventsEvents (its default source).
win::DispatchOptions ExposeOptions() {
    win::DispatchOptions options;
    options.sources = {win::kContextMenuEventsEvents};
    options.members = {{std::wstring(kInit), 1}};
    return options;
}

const ClassEntry* FindClass(REFCLSID clsid) {
    for (const auto& c : kClasses) {
        CLSID id{};
        if (SUCCEEDED(CLSIDFromString(c.clsid, &id)) && IsEqualCLSID(id, clsid)) return &c;
    }
    return nullptr;
}

class Factory final : public IClassFactory {
public:
    Factory() { ++g_locks; }
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
            const win::ComPtr<IDispatch> dispatch = win::ExposeObject(MakeContextMenuEvents(), ExposeOptions());
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
    LONG Create(const std::wstring& sub) noexcept {
        return RegCreateKeyExW(HKEY_CLASSES_ROOT, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
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

// A string value of HKCR\sub; empty when there is none.
std::wstring ReadString(const std::wstring& sub, const wchar_t* name = nullptr) {
    DWORD size = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, sub.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size < sizeof(wchar_t)) {
        return {};
    }
    std::wstring value(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(HKEY_CLASSES_ROOT, sub.c_str(), name, RRF_RT_REG_SZ, nullptr, value.data(), &size) !=
        ERROR_SUCCESS) {
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
bool ServedByOther(const ClassEntry& c, const std::wstring& module) {
    const std::wstring server = ReadString(std::wstring(L"CLSID\\") + c.clsid + L"\\InprocServer32");
    return !server.empty() && CompareStringOrdinal(FileName(server).c_str(), -1, FileName(module).c_str(), -1,
                                                   TRUE) != CSTR_EQUAL;
}

// Whether the ProgID names the class.
bool ProgIdIsOurs(const ClassEntry& c) {
    const std::wstring clsid = ReadString(std::wstring(c.progId) + L"\\CLSID");
    return clsid.empty() || CompareStringOrdinal(clsid.c_str(), -1, c.clsid, -1, TRUE) == CSTR_EQUAL;
}

LONG DeleteTree(const std::wstring& sub) noexcept {
    const LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, sub.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
    const LONG rc2 = RegDeleteKeyW(HKEY_CLASSES_ROOT, sub.c_str());
    return rc2 == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc2;
}

HRESULT Unregister() {
    const std::wstring module = ModulePath();
    LONG first = ERROR_SUCCESS;
    for (const auto& c : kClasses) {
        if (ServedByOther(c, module)) continue;
        LONG rc = DeleteTree(std::wstring(L"CLSID\\") + c.clsid);
        if (first == ERROR_SUCCESS) first = rc;
        if (!c.progId.empty() && ProgIdIsOurs(c)) {
            rc = DeleteTree(std::wstring(c.progId));
            if (first == ERROR_SUCCESS) first = rc;
        }
    }
    return first == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(first));
}

HRESULT Register() {
    const std::wstring module = ModulePath();
    if (module.empty()) return E_UNEXPECTED;
    for (const auto& c : kClasses) {
        if (ServedByOther(c, module) || (!c.progId.empty() && !ProgIdIsOurs(c))) return SELFREG_E_CLASS;
    }
    LONG rc = ERROR_SUCCESS;
    auto set = [&](const std::wstring& sub, const wchar_t* name, const std::wstring& value) {
        if (rc != ERROR_SUCCESS) return;
        Key k;
        rc = k.Create(sub);
        if (rc == ERROR_SUCCESS) rc = k.Set(name, value);
    };
    for (const auto& c : kClasses) {
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
        Unregister();
        return SELFREG_E_CLASS;
    }
    return S_OK;
}

}  // namespace
}  // namespace brisko::grelmo

using namespace brisko::grelmo;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!FindClass(clsid)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) Factory();
    if (!factory) return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return g_locks == 0 && brisko::win::LiveComObjects() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    try {
        return Register();
    } catch (...) {
        return E_UNEXPECTED;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    try {
        return Unregister();
    } catch (...) {
        return E_UNEXPECTED;
    }
}
