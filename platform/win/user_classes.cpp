#include "platform/win/user_classes.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "automation/win/com_ptr.h"

namespace brisko::win {

namespace {

constexpr wchar_t kUserClasses[] = L"Software\\Classes\\";

// A string value (REG_SZ, or REG_EXPAND_SZ expanded); empty when missing or of another type.
std::wstring ReadString(HKEY root, const std::wstring& sub, const wchar_t* name = nullptr) {
    constexpr DWORD kFlags = RRF_RT_REG_SZ;  // REG_EXPAND_SZ too, expanded
    DWORD size = 0;
    if (RegGetValueW(root, sub.c_str(), name, kFlags, nullptr, nullptr, &size) != ERROR_SUCCESS || size == 0) return {};
    // Expansion may need more than the stored size: a few attempts with the size asked for.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        const LSTATUS rc = RegGetValueW(root, sub.c_str(), name, kFlags, nullptr, value.data(), &got);
        if (rc == ERROR_SUCCESS) {
            value.resize(wcsnlen(value.c_str(), value.size()));
            return value;
        }
        if (rc != ERROR_MORE_DATA) return {};
        size = got;
    }
    return {};
}

std::wstring ClassIdText(REFCLSID clsid) {
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return text;
}

// A ProgID is a key name of its own: no path separators, and at most a key name's length.
bool IsKeyName(const std::wstring& name) {
    return !name.empty() && name.size() < 256 && name.find(L'\\') == std::wstring::npos;
}

// The CLSID the user's ProgID key names, directly or through its CurVer (one step).
bool UserProgIdClass(const std::wstring& progId, CLSID& clsid) {
    if (!IsKeyName(progId)) return false;
    std::wstring text = ReadString(HKEY_CURRENT_USER, kUserClasses + progId + L"\\CLSID");
    if (text.empty()) {
        const std::wstring current = ReadString(HKEY_CURRENT_USER, kUserClasses + progId + L"\\CurVer");
        if (IsKeyName(current)) text = ReadString(HKEY_CURRENT_USER, kUserClasses + current + L"\\CLSID");
    }
    return text.size() == 38 && text.front() == L'{' && SUCCEEDED(CLSIDFromString(text.c_str(), &clsid));
}

std::wstring UserServerPath(REFCLSID clsid) {
    return ReadString(HKEY_CURRENT_USER, kUserClasses + (L"CLSID\\" + ClassIdText(clsid)) + L"\\InprocServer32");
}

// Servers loaded from the user's keys. They stay loaded until the process ends, and
// DllCanUnloadNow is never asked: objects made from them may live as long as the process, and
// freeing a module from a static destructor (inside another module's unloading) is not allowed.
// Each module is held once.
std::mutex g_serversMutex;
std::vector<HMODULE> g_servers;

HMODULE LoadServer(const std::wstring& path) {
    const bool absolute = path.size() > 2 && (path[1] == L':' || (path[0] == L'\\' && path[1] == L'\\'));
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, absolute ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
    if (!module) return nullptr;
    const std::lock_guard<std::mutex> lock(g_serversMutex);
    if (std::find(g_servers.begin(), g_servers.end(), module) != g_servers.end()) {
        FreeLibrary(module);  // the reference taken now; the one held stays
    } else {
        g_servers.push_back(module);
    }
    return module;
}

bool ClassNotFound(HRESULT hr) { return hr == REGDB_E_CLASSNOTREG || hr == REGDB_E_KEYMISSING; }

}  // namespace

HRESULT ClassIdFromName(std::wstring_view progIdOrClsid, CLSID& clsid, bool* fromUserClasses) {
    if (fromUserClasses) *fromUserClasses = false;
    clsid = CLSID{};
    const std::wstring name(progIdOrClsid);
    if (name.empty()) return CO_E_CLASSSTRING;
    if (name.front() == L'{') return CLSIDFromString(name.c_str(), &clsid);
    const HRESULT hr = CLSIDFromProgID(name.c_str(), &clsid);
    if (SUCCEEDED(hr)) return hr;
    if (!UserProgIdClass(name, clsid)) {
        clsid = CLSID{};
        return hr;
    }
    if (fromUserClasses) *fromUserClasses = true;
    return S_OK;
}

HRESULT CreateInstance(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
    if (!ClassNotFound(hr)) return hr;
    // Only an in-process server of the user's: a local server is not started from here.
    const std::wstring path = UserServerPath(clsid);
    if (path.empty()) return hr;
    HMODULE module = LoadServer(path);
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto get =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    if (!get) return CO_E_ERRORINDLL;
    ComPtr<IClassFactory> factory;
    const HRESULT got = get(clsid, IID_IClassFactory, factory.PutVoid());
    if (FAILED(got)) return got;
    if (!factory) return E_NOINTERFACE;
    const HRESULT made = factory->CreateInstance(nullptr, iid, object);
    if (SUCCEEDED(made) && !*object) return E_NOINTERFACE;
    return made;
}

std::wstring InprocServerPath(REFCLSID clsid) {
    std::wstring path = ReadString(HKEY_CLASSES_ROOT, L"CLSID\\" + ClassIdText(clsid) + L"\\InprocServer32");
    return path.empty() ? UserServerPath(clsid) : path;
}

}  // namespace brisko::win
