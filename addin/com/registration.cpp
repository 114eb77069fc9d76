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

}  // namespace

HRESULT RegisterServer(const std::wstring& modulePath) noexcept {
    try {
        if (modulePath.empty()) return E_UNEXPECTED;
        Writer w;
        const std::wstring clsid = ClsidKey();
        w.Key(HKEY_CLASSES_ROOT, clsid, nullptr, kProgId);
        w.Key(HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", nullptr, modulePath);
        w.Key(HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
        w.Key(HKEY_CLASSES_ROOT, clsid + L"\\ProgID", nullptr, kProgId);
        w.Key(HKEY_CLASSES_ROOT, kProgId, nullptr, kProgId);
        w.Key(HKEY_CLASSES_ROOT, std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText);
        const std::wstring addin = AddinKey();
        w.Key(HKEY_CURRENT_USER, addin, L"FriendlyName", kFriendlyName);
        w.Key(HKEY_CURRENT_USER, addin, L"Description", kDescription);
        w.Dword(HKEY_CURRENT_USER, addin, L"LoadBehavior", 3);
        if (w.rc != ERROR_SUCCESS) {
            UnregisterServer();
            return FromWin32(w.rc);
        }
        return S_OK;
    } catch (...) {
        UnregisterServer();
        return E_OUTOFMEMORY;
    }
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

}  // namespace brisko::com
