#include "addin/host/CWinReg.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/registry.h"

namespace brisko {

namespace {

constexpr std::uint32_t kAccessRead = 0x20019;
constexpr std::uint32_t kAccessWrite = 0x2001F;
constexpr std::uint32_t kAccessAll = 0xF003F;
constexpr std::uint32_t kFirstQueryBytes = 256;
constexpr std::size_t kNameChars = 255;
// Room for the longest value name, and so for any key name, with its null.
constexpr std::size_t kMaxNameChars = reg::MaxValueNameChars + 1;

// The platform's registry and code page; both or neither.
struct RegistryAccess {
    Registry* registry = nullptr;
    CodePage* codePage = nullptr;
    explicit operator bool() const noexcept { return registry != nullptr; }
};

RegistryAccess PlatformRegistry() noexcept {
    const auto& p = CurrentPlatform();
    if (!p.registry || !p.codePage) return {};
    return {p.registry, p.codePage};
}

// An empty name, or one whose C string is empty, would name the open key itself.
bool NamesSubKey(std::wstring_view name) noexcept { return !name.empty() && name.front() != L'\0'; }

// Up to nine digits, blanks around them allowed.
bool ParseNumber(std::wstring_view s, int& n) {
    while (!s.empty() && s.front() == L' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == L' ') s.remove_suffix(1);
    if (s.empty() || s.size() > 9) return false;
    n = 0;
    for (wchar_t c : s) {
        if (c < L'0' || c > L'9') return false;
        n = n * 10 + (c - L'0');
    }
    return true;
}

// Exactly three numbers separated by sep.
bool ParseTriple(std::wstring_view s, wchar_t sep, int (&out)[3]) {
    for (int i = 0; i < 3; ++i) {
        const auto cut = s.find(sep);
        if ((i < 2) == (cut == std::wstring_view::npos)) return false;
        if (!ParseNumber(s.substr(0, cut), out[i])) return false;
        if (i < 2) s.remove_prefix(cut + 1);
    }
    return true;
}

// "yyyy.mm.dd hh:mm:ss": the date part up to the first blank, the time part after it.
std::optional<Date> ParseDate(std::wstring_view s) {
    const auto blank = s.find(L' ');
    if (blank == std::wstring_view::npos) return std::nullopt;
    int d[3], t[3];
    if (!ParseTriple(s.substr(0, blank), L'.', d) || !ParseTriple(s.substr(blank + 1), L':', t)) {
        return std::nullopt;
    }
    try {
        return MakeDate({d[0], d[1], d[2], t[0], t[1], t[2]});
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace

CWinReg::~CWinReg() { CloseKey(); }

bool CWinReg::InitForRead(std::uint32_t hRoot, std::wstring_view sSubKey) noexcept {
    return Open(hRoot, sSubKey, kAccessRead, false);
}

bool CWinReg::InitForWrite(std::uint32_t hRoot, std::wstring_view sSubKey, bool bCreate) noexcept {
    return Open(hRoot, sSubKey, kAccessWrite, bCreate);
}

bool CWinReg::InitForAllAccess(std::uint32_t hRoot, std::wstring_view sSubKey, bool bCreate) noexcept {
    return Open(hRoot, sSubKey, kAccessAll, bCreate);
}

bool CWinReg::InitForAccess(std::uint32_t hRoot, std::wstring_view sSubKey, std::uint32_t nAccess,
                            bool bCreate) noexcept {
    return Open(hRoot, sSubKey, nAccess, bCreate);
}

bool CWinReg::Open(std::uint32_t hRoot, std::wstring_view sSubKey, std::uint32_t nAccess, bool bCreate) noexcept {
    std::uint32_t hKey = 0;
    if (const auto p = PlatformRegistry()) {
        try {
            const auto subKey = p.codePage->ToAnsi(sSubKey);
            const auto r = bCreate ? p.registry->CreateKey(hRoot, subKey, nAccess, hKey, nullptr)
                                   : p.registry->OpenKey(hRoot, subKey, nAccess, hKey);
            if (r != reg::Success) hKey = 0;
        } catch (...) {
            hKey = 0;
        }
    }
    CloseKey();
    m_hKey = hKey;
    return m_hKey != 0;
}

bool CWinReg::CloseKey() noexcept {
    if (m_hKey == 0) return true;
    const auto hKey = std::exchange(m_hKey, 0);
    const auto p = PlatformRegistry();
    try {
        return p && p.registry->CloseKey(hKey) == reg::Success;
    } catch (...) {
        return false;
    }
}

std::wstring CWinReg::ReadString(std::wstring_view sName) noexcept {
    const auto p = PlatformRegistry();
    if (m_hKey == 0 || !p) return {};
    try {
        const auto name = p.codePage->ToAnsi(sName);
        std::vector<std::uint8_t> data(kFirstQueryBytes);
        std::uint32_t type = 0;
        auto size = static_cast<std::uint32_t>(data.size());
        auto r = p.registry->QueryValue(m_hKey, name, type, data.data(), size);
        if (r == reg::MoreData) {
            data.resize(size);
            r = p.registry->QueryValue(m_hKey, name, type, data.data(), size);
        }
        if (r != reg::Success || (type != reg::Sz && type != reg::ExpandSz)) return {};
        std::string_view text(reinterpret_cast<const char*>(data.data()), size);
        if (!text.empty() && text.back() == '\0') text.remove_suffix(1);
        return p.codePage->FromAnsi(text);
    } catch (...) {
        return {};
    }
}

bool CWinReg::WriteString(std::wstring_view sName, std::wstring_view sValue) noexcept {
    const auto p = PlatformRegistry();
    if (m_hKey == 0 || !p) return false;
    try {
        auto data = p.codePage->ToAnsi(sValue);
        data += '\0';
        return p.registry->SetValue(m_hKey, p.codePage->ToAnsi(sName), reg::Sz,
                                    reinterpret_cast<const std::uint8_t*>(data.data()),
                                    static_cast<std::uint32_t>(data.size())) == reg::Success;
    } catch (...) {
        return false;
    }
}

std::int32_t CWinReg::ReadDWORD(std::wstring_view sName, std::int32_t nDefault) noexcept {
    const auto p = PlatformRegistry();
    if (m_hKey == 0 || !p) return 0;
    try {
        std::uint8_t data[4] = {};
        std::uint32_t type = 0, size = sizeof data;
        if (p.registry->QueryValue(m_hKey, p.codePage->ToAnsi(sName), type, data, size) != reg::Success ||
            type != reg::Dword || size != sizeof data) {
            return nDefault;
        }
        return static_cast<std::int32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                         static_cast<std::uint32_t>(data[3]) << 24);
    } catch (...) {
        return nDefault;
    }
}

bool CWinReg::WriteDWORD(std::wstring_view sName, std::int32_t nValue) noexcept {
    const auto p = PlatformRegistry();
    if (m_hKey == 0 || !p) return false;
    try {
        const auto v = static_cast<std::uint32_t>(nValue);
        const std::uint8_t data[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                      static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
        return p.registry->SetValue(m_hKey, p.codePage->ToAnsi(sName), reg::Dword, data, sizeof data) ==
               reg::Success;
    } catch (...) {
        return false;
    }
}

bool CWinReg::ReadBool(std::wstring_view sName) noexcept {
    const auto s = ReadString(sName);
    if (s.size() != 3) return false;
    const wchar_t yes[] = L"yes";
    for (std::size_t i = 0; i < 3; ++i) {
        const wchar_t c = s[i] >= L'A' && s[i] <= L'Z' ? static_cast<wchar_t>(s[i] + (L'a' - L'A')) : s[i];
        if (c != yes[i]) return false;
    }
    return true;
}

bool CWinReg::WriteBool(std::wstring_view sName, bool bValue) noexcept {
    return WriteString(sName, bValue ? L"yes" : L"no");
}

Date CWinReg::ReadDate(std::wstring_view sName, Date dDefault) noexcept {
    try {
        return ParseDate(ReadString(sName)).value_or(dDefault);
    } catch (...) {
        return dDefault;
    }
}

bool CWinReg::WriteDate(std::wstring_view sName, Date dValue) noexcept {
    // Far enough beyond the years 100 to 9999 for SplitDate to stay exact.
    if (!std::isfinite(dValue.serial) || std::fabs(dValue.serial) > 3.0e6) return false;
    const auto d = SplitDate(dValue);
    if (d.year < 100 || d.year > 9999) return false;
    wchar_t text[32];
    std::swprintf(text, 32, L"%04d.%02d.%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute, d.second);
    return WriteString(sName, text);
}

bool CWinReg::DeleteValue(std::wstring_view sName) noexcept {
    const auto p = PlatformRegistry();
    if (m_hKey == 0 || !p) return false;
    try {
        return p.registry->DeleteValue(m_hKey, p.codePage->ToAnsi(sName)) == reg::Success;
    } catch (...) {
        return false;
    }
}

bool CWinReg::DeleteKey(std::wstring_view sKey) noexcept {
    const auto p = PlatformRegistry();
    if (m_hKey == 0 || !p || !NamesSubKey(sKey)) return false;
    try {
        return p.registry->DeleteKey(m_hKey, p.codePage->ToAnsi(sKey)) == reg::Success;
    } catch (...) {
        return false;
    }
}

bool CWinReg::FlushKey() noexcept {
    const auto p = PlatformRegistry();
    if (m_hKey == 0 || !p) return false;
    try {
        return p.registry->FlushKey(m_hKey) == reg::Success;
    } catch (...) {
        return false;
    }
}

std::wstring CWinReg::EnumName(bool bValues, std::int32_t nIndex, bool& bEnd) noexcept {
    bEnd = true;
    const auto p = PlatformRegistry();
    if (m_hKey == 0 || !p || nIndex < 0) return {};
    try {
        const auto index = static_cast<std::uint32_t>(nIndex);
        // A name too long for the usual buffer is asked for again with room for the longest.
        std::string name(kNameChars, '\0');
        for (;;) {
            auto chars = static_cast<std::uint32_t>(name.size());
            const auto r = bValues ? p.registry->EnumValue(m_hKey, index, name.data(), chars, nullptr, nullptr, nullptr)
                                   : p.registry->EnumKey(m_hKey, index, name.data(), chars);
            if (r == reg::MoreData && name.size() < kMaxNameChars) {
                name.assign(kMaxNameChars, '\0');
                continue;
            }
            if (r != reg::Success || chars >= name.size()) return {};
            name.resize(chars);
            bEnd = false;
            return p.codePage->FromAnsi(name);
        }
    } catch (...) {
        bEnd = true;
        return {};
    }
}

std::wstring CWinReg::Values(std::int32_t nIndex, bool& bEnd) noexcept { return EnumName(true, nIndex, bEnd); }

std::wstring CWinReg::Keys(std::int32_t nIndex) noexcept {
    bool bEnd = false;
    return EnumName(false, nIndex, bEnd);
}

void CWinReg::DeleteAllKeys() noexcept {
    try {
        std::vector<std::wstring> names;
        for (std::int32_t i = 0;; ++i) {
            auto name = Keys(i);
            if (name.empty()) break;
            names.push_back(std::move(name));
        }
        for (const auto& name : names) DeleteKeyRec(name);
    } catch (...) {
    }
}

bool CWinReg::DeleteKeyRec(std::wstring_view sKey) noexcept {
    if (!NamesSubKey(sKey)) return false;
    {
        CWinReg sub;
        if (sub.InitForAllAccess(m_hKey, sKey, false)) {
            sub.DeleteAllKeys();
            sub.CloseKey();
        }
    }
    return DeleteKey(sKey);
}

}  // namespace brisko
