#include "addin/com/registration.h"

namespace brisko::com {

namespace {

HRESULT FromWin32(LONG rc) noexcept { return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(rc)); }

// An open registry key, closed on destruction.
class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (h_) RegCloseKey(h_);
    }
    LONG Create(HKEY parent, const std::wstring& sub) noexcept {
        return RegCreateKeyExW(parent, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &h_,
                               nullptr);
    }
    LONG SetString(const wchar_t* name, const std::wstring& value) noexcept {
        return RegSetValueExW(h_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    LONG SetDword(const wchar_t* name, DWORD value) noexcept {
        return RegSetValueExW(h_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }

private:
    HKEY h_ = nullptr;
};

// Creates parent\sub and sets its values; the first failure wins.
class Writer {
public:
    LONG rc = ERROR_SUCCESS;
    void Key(HKEY parent, const std::wstring& sub, const wchar_t* name, const std::wstring& value) {
        if (rc != ERROR_SUCCESS) return;
        com::Key k;
        rc = k.Create(parent, sub);
        if (rc == ERROR_SUCCESS) rc = k.SetString(name, value);
    }
    void Dword(HKEY parent, const std::wstring& sub, const wchar_t* name, DWORD value) {
        if (rc != ERROR_SUCCESS) return;
        com::Key k;
        rc = k.Create(parent, sub);
        if (rc == ERROR_SUCCESS) rc = k.SetDword(name, value);
    }
};

LONG DeleteTree(HKEY root, const std::wstring& sub) noexcept {
    const LONG rc = RegDeleteTreeW(root, sub.c_str());
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    const LONG rc2 = RegDeleteKeyW(root, sub.c_str());
    return rc2 == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc2;
}

std::wstring ClsidKey() { return std::wstring(L"CLSID\\") + kClsidText; }
std::wstring AddinKey() { return std::wstring(kOutlookAddinsKey) + L"\\" + kProgId; }

// Where the class and the ProgID go: HKEY_CLASSES_ROOT, or the user's HKCU\Software\Classes.
struct Classes {
    HKEY root;
    std::wstring prefix;
};
const Classes kMachine{HKEY_CLASSES_ROOT, L""};
const Classes kUser{HKEY_CURRENT_USER, L"Software\\Classes\\"};

HRESULT Register(const Classes& at, const std::wstring& modulePath, HRESULT (*undo)()) noexcept {
    try {
        if (modulePath.empty()) return E_UNEXPECTED;
        Writer w;
        const std::wstring clsid = at.prefix + ClsidKey();
        const std::wstring progId = at.prefix + kProgId;
        w.Key(at.root, clsid, nullptr, kProgId);
        w.Key(at.root, clsid + L"\\InprocServer32", nullptr, modulePath);
        w.Key(at.root, clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
        w.Key(at.root, clsid + L"\\ProgID", nullptr, kProgId);
        w.Key(at.root, progId, nullptr, kProgId);
        w.Key(at.root, progId + L"\\CLSID", nullptr, kClsidText);
        const std::wstring addin = AddinKey();
        w.Key(HKEY_CURRENT_USER, addin, L"FriendlyName", kFriendlyName);
        w.Key(HKEY_CURRENT_USER, addin, L"Description", kDescription);
        w.Dword(HKEY_CURRENT_USER, addin, L"LoadBehavior", 3);
        if (w.rc != ERROR_SUCCESS) {
            undo();
            return FromWin32(w.rc);
        }
        return S_OK;
    } catch (...) {
        undo();
        return E_OUTOFMEMORY;
    }
}

// A string value; empty when there is none.
std::wstring ReadString(HKEY root, const std::wstring& sub, const wchar_t* name) {
    wchar_t buffer[MAX_PATH * 4] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (RegGetValueW(root, sub.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return {};
    return buffer;
}

// Deletes sub and then its parents up to (not including) stop while they are empty.
void DeleteEmptyKeys(HKEY root, std::wstring sub, const std::wstring& stop) {
    while (sub.size() > stop.size() && sub.starts_with(stop)) {
        HKEY k = nullptr;
        if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS) {
            DWORD subkeys = 1, values = 1;
            const LONG rc = RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                             nullptr, nullptr, nullptr);
            RegCloseKey(k);
            if (rc != ERROR_SUCCESS || subkeys != 0 || values != 0) return;
            if (RegDeleteKeyW(root, sub.c_str()) != ERROR_SUCCESS) return;
        }
        const auto slash = sub.find_last_of(L'\\');
        if (slash == std::wstring::npos) return;
        sub.resize(slash);
    }
}

HRESULT UnregisterUser() noexcept { return UnregisterServerForUser(L""); }

}  // namespace

HRESULT RegisterServer(const std::wstring& modulePath) noexcept {
    return Register(kMachine, modulePath, &UnregisterServer);
}

HRESULT UnregisterServer() noexcept {
    try {
        LONG first = ERROR_SUCCESS;
        for (auto [root, sub] : {std::pair{HKEY_CLASSES_ROOT, ClsidKey()},
                                 std::pair{HKEY_CLASSES_ROOT, std::wstring(kProgId)},
                                 std::pair{HKEY_CURRENT_USER, AddinKey()}}) {
            const LONG rc = DeleteTree(root, sub);
            if (first == ERROR_SUCCESS) first = rc;
        }
        return FromWin32(first);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT RegisterServerForUser(const std::wstring& modulePath) noexcept {
    return Register(kUser, modulePath, &UnregisterUser);
}

HRESULT UnregisterServerForUser(const std::wstring& modulePath) noexcept {
    try {
        const std::wstring clsid = kUser.prefix + ClsidKey();
        // An empty path (taking back a failed registration) removes whatever the user has.
        if (!modulePath.empty()) {
            const std::wstring server = ReadString(kUser.root, clsid + L"\\InprocServer32", nullptr);
            if (server.empty() || CompareStringOrdinal(server.c_str(), -1, modulePath.c_str(), -1, TRUE) != CSTR_EQUAL)
                return S_OK;
        }
        LONG first = ERROR_SUCCESS;
        const std::wstring progId = kUser.prefix + kProgId;
        const std::wstring progIdClsid = ReadString(kUser.root, progId + L"\\CLSID", nullptr);
        const bool progIdOurs =
            progIdClsid.empty() || CompareStringOrdinal(progIdClsid.c_str(), -1, kClsidText, -1, TRUE) == CSTR_EQUAL;
        for (auto [sub, remove] : {std::pair{clsid, true}, std::pair{progId, progIdOurs},
                                   std::pair{AddinKey(), true}}) {
            if (!remove) continue;
            const LONG rc = DeleteTree(HKEY_CURRENT_USER, sub);
            if (first == ERROR_SUCCESS) first = rc;
        }
        DeleteEmptyKeys(HKEY_CURRENT_USER, kUser.prefix + L"CLSID", kUser.prefix);
        DeleteEmptyKeys(HKEY_CURRENT_USER, kOutlookAddinsKey, L"Software\\Microsoft\\");
        return FromWin32(first);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace brisko::com
