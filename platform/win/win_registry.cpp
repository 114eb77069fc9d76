#include "platform/win/win_registry.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace brisko::win {

namespace {

// Predefined roots are sign-extended handle values; other handles fit in 32 bits.
HKEY ToHkey(std::uint32_t key) {
    const auto value = key >= reg::ClassesRoot ? static_cast<std::intptr_t>(static_cast<std::int32_t>(key))
                                               : static_cast<std::intptr_t>(key);
    return reinterpret_cast<HKEY>(value);
}

std::uint32_t FromHkey(HKEY key) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(key));
}

// The C string the functions take: the name up to its first null.
std::string CName(std::string_view name) { return std::string(name.substr(0, name.find('\0'))); }

bool IsString(std::uint32_t type) { return type == reg::Sz || type == reg::ExpandSz || type == reg::MultiSz; }

}  // namespace

std::int32_t WinRegistry::OpenKey(std::uint32_t root, std::string_view subKey, std::uint32_t access,
                                  std::uint32_t& key) {
    HKEY h = nullptr;
    const LONG r = RegOpenKeyExA(ToHkey(root), CName(subKey).c_str(), 0, access, &h);
    key = r == ERROR_SUCCESS ? FromHkey(h) : 0;
    return r;
}

std::int32_t WinRegistry::CreateKey(std::uint32_t root, std::string_view subKey, std::uint32_t access,
                                    std::uint32_t& key, std::uint32_t* disposition) {
    HKEY h = nullptr;
    DWORD d = 0;
    const LONG r = RegCreateKeyExA(ToHkey(root), CName(subKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   access, nullptr, &h, &d);
    key = r == ERROR_SUCCESS ? FromHkey(h) : 0;
    if (disposition) *disposition = r == ERROR_SUCCESS ? static_cast<std::uint32_t>(d) : 0;
    return r;
}

std::int32_t WinRegistry::QueryValue(std::uint32_t key, std::string_view name, std::uint32_t& type,
                                     std::uint8_t* data, std::uint32_t& size) {
    DWORD t = 0;
    DWORD n = size;
    const LONG r = RegQueryValueExA(ToHkey(key), CName(name).c_str(), nullptr, &t, data, &n);
    type = t;
    size = n;
    return r;
}

std::int32_t WinRegistry::SetValue(std::uint32_t key, std::string_view name, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t size) {
    // For a string whose size leaves out its null the function counts the null that follows the
    // data, reading past it. A copy followed by a non-null byte keeps the data exactly as given.
    std::vector<std::uint8_t> copy;
    if (IsString(type) && data && size > 0) {
        copy.assign(data, data + size);
        copy.push_back(0xFF);
        data = copy.data();
    }
    return RegSetValueExA(ToHkey(key), CName(name).c_str(), 0, type, data, size);
}

std::int32_t WinRegistry::EnumValue(std::uint32_t key, std::uint32_t index, char* name, std::uint32_t& nameChars,
                                    std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) {
    DWORD chars = nameChars;
    DWORD t = 0;
    DWORD n = size ? *size : 0;
    const LONG r = RegEnumValueA(ToHkey(key), index, name, &chars, nullptr, type ? &t : nullptr, data,
                                 size ? &n : nullptr);
    nameChars = chars;
    if (type) *type = t;
    if (size) *size = n;
    return r;
}

std::int32_t WinRegistry::EnumKey(std::uint32_t key, std::uint32_t index, char* name, std::uint32_t& nameChars) {
    DWORD chars = nameChars;
    const LONG r = RegEnumKeyExA(ToHkey(key), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
    nameChars = chars;
    return r;
}

std::int32_t WinRegistry::DeleteValue(std::uint32_t key, std::string_view name) {
    return RegDeleteValueA(ToHkey(key), CName(name).c_str());
}

std::int32_t WinRegistry::DeleteKey(std::uint32_t key, std::string_view subKey) {
    return RegDeleteKeyA(ToHkey(key), CName(subKey).c_str());
}

std::int32_t WinRegistry::FlushKey(std::uint32_t key) { return RegFlushKey(ToHkey(key)); }

std::int32_t WinRegistry::CloseKey(std::uint32_t key) { return RegCloseKey(ToHkey(key)); }

}  // namespace brisko::win
