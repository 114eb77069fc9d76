// One open registry key: opened under a root, read and written, closed by CloseKey or on release.
// Names and strings go to the platform registry in the system code page. Nothing raises or logs;
// failures show in the result alone. Not for a translation unit that includes <windows.h>, whose
// HKEY_ macros would replace the root-key names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "automation/value.h"

namespace brisko {

class CWinReg {
public:
    CWinReg() = default;
    ~CWinReg();
    CWinReg(const CWinReg&) = delete;
    CWinReg& operator=(const CWinReg&) = delete;

    static constexpr std::uint32_t HKEY_CLASSES_ROOT() noexcept { return 0x80000000; }
    static constexpr std::uint32_t HKEY_CURRENT_USER() noexcept { return 0x80000001; }
    static constexpr std::uint32_t HKEY_LOCAL_MACHINE() noexcept { return 0x80000002; }

    // The open key's handle, 0 when none is open; any open key serves as a root too.
    std::uint32_t Key() const noexcept { return m_hKey; }

    // Each closes a key already open (after opening the new one, so that it may be the root).
    bool InitForRead(std::uint32_t hRoot, std::wstring_view sSubKey) noexcept;
    bool InitForWrite(std::uint32_t hRoot, std::wstring_view sSubKey, bool bCreate) noexcept;
    bool InitForAllAccess(std::uint32_t hRoot, std::wstring_view sSubKey, bool bCreate) noexcept;
    bool InitForAccess(std::uint32_t hRoot, std::wstring_view sSubKey, std::uint32_t nAccess, bool bCreate) noexcept;

    bool CloseKey() noexcept;

    // REG_SZ or REG_EXPAND_SZ (unexpanded) without its final null; empty otherwise.
    std::wstring ReadString(std::wstring_view sName) noexcept;
    bool WriteString(std::wstring_view sName, std::wstring_view sValue) noexcept;
    // A REG_DWORD of 4 bytes, else the default; 0 when no key is open.
    std::int32_t ReadDWORD(std::wstring_view sName, std::int32_t nDefault) noexcept;
    bool WriteDWORD(std::wstring_view sName, std::int32_t nValue) noexcept;
    // "yes" in any case is true.
    bool ReadBool(std::wstring_view sName) noexcept;
    bool WriteBool(std::wstring_view sName, bool bValue) noexcept;
    // "yyyy.mm.dd hh:mm:ss"; the default for anything that names no valid date and time.
    Date ReadDate(std::wstring_view sName, Date dDefault) noexcept;
    // False, writing nothing, for a date outside the years 100 to 9999.
    bool WriteDate(std::wstring_view sName, Date dValue) noexcept;

    bool DeleteValue(std::wstring_view sName) noexcept;
    // A direct sub-key without sub-keys of its own; false for an empty name.
    bool DeleteKey(std::wstring_view sKey) noexcept;
    bool FlushKey() noexcept;

    // The value name at nIndex; bEnd is set when there is none.
    std::wstring Values(std::int32_t nIndex, bool& bEnd) noexcept;
    // The sub-key name at nIndex; empty when there is none.
    std::wstring Keys(std::int32_t nIndex) noexcept;
    // Deletes every sub-key with everything under it.
    void DeleteAllKeys() noexcept;
    // Deletes the direct sub-key with everything under it; false for an empty name.
    bool DeleteKeyRec(std::wstring_view sKey) noexcept;

private:
    bool Open(std::uint32_t hRoot, std::wstring_view sSubKey, std::uint32_t nAccess, bool bCreate) noexcept;
    std::wstring EnumName(bool bValues, std::int32_t nIndex, bool& bEnd) noexcept;

    std::uint32_t m_hKey = 0;
};

}  // namespace brisko
