// The registry as advapi32's ANSI functions present it: 32-bit key handles, names and data in the
// system code page, Win32 error codes as results.
#pragma once

#include <cstdint>
#include <string_view>

namespace brisko {

namespace reg {

// Predefined root keys; always open, closing them does nothing.
inline constexpr std::uint32_t ClassesRoot = 0x80000000;
inline constexpr std::uint32_t CurrentUser = 0x80000001;
inline constexpr std::uint32_t LocalMachine = 0x80000002;
inline constexpr std::uint32_t Users = 0x80000003;

// Value types.
inline constexpr std::uint32_t None = 0;
inline constexpr std::uint32_t Sz = 1;
inline constexpr std::uint32_t ExpandSz = 2;
inline constexpr std::uint32_t Binary = 3;
inline constexpr std::uint32_t Dword = 4;
inline constexpr std::uint32_t DwordBigEndian = 5;
inline constexpr std::uint32_t MultiSz = 7;
inline constexpr std::uint32_t Qword = 11;

// Access rights.
inline constexpr std::uint32_t QueryValueRight = 0x0001;
inline constexpr std::uint32_t SetValueRight = 0x0002;
inline constexpr std::uint32_t CreateSubKeyRight = 0x0004;
inline constexpr std::uint32_t EnumerateSubKeysRight = 0x0008;
inline constexpr std::uint32_t Read = 0x20019;
inline constexpr std::uint32_t Write = 0x20006;
inline constexpr std::uint32_t AllAccess = 0xF003F;
inline constexpr std::uint32_t MaximumAllowed = 0x02000000;
inline constexpr std::uint32_t GenericAll = 0x10000000;
inline constexpr std::uint32_t GenericExecute = 0x20000000;
inline constexpr std::uint32_t GenericWrite = 0x40000000;
inline constexpr std::uint32_t GenericRead = 0x80000000;

// Results.
inline constexpr std::int32_t Success = 0;
inline constexpr std::int32_t FileNotFound = 2;
inline constexpr std::int32_t AccessDenied = 5;
inline constexpr std::int32_t InvalidHandle = 6;
inline constexpr std::int32_t InvalidParameter = 87;
inline constexpr std::int32_t BadPathName = 161;
inline constexpr std::int32_t MoreData = 234;
inline constexpr std::int32_t NoMoreItems = 259;
inline constexpr std::int32_t KeyDeleted = 1018;

// Dispositions of CreateKey.
inline constexpr std::uint32_t CreatedNewKey = 1;
inline constexpr std::uint32_t OpenedExistingKey = 2;

// Longest value name in characters.
inline constexpr std::uint32_t MaxValueNameChars = 16383;

}  // namespace reg

// Names end at their first null character, as the C strings the functions take. An empty value
// name is the key's default value; an empty sub-key path names the key itself.
class Registry {
public:
    virtual ~Registry() = default;

    // RegOpenKeyExA. A predefined root with an empty path answers the root itself.
    virtual std::int32_t OpenKey(std::uint32_t root, std::string_view subKey, std::uint32_t access,
                                 std::uint32_t& key) = 0;
    // RegCreateKeyExA with default options: non-volatile, no class, default security.
    virtual std::int32_t CreateKey(std::uint32_t root, std::string_view subKey, std::uint32_t access,
                                   std::uint32_t& key, std::uint32_t* disposition) = 0;
    // RegQueryValueExA. Without data only the size is asked. A buffer too small answers MoreData
    // with size set to the size needed.
    virtual std::int32_t QueryValue(std::uint32_t key, std::string_view name, std::uint32_t& type,
                                    std::uint8_t* data, std::uint32_t& size) = 0;
    // RegSetValueExA; the data is stored as given, a string without its null too.
    virtual std::int32_t SetValue(std::uint32_t key, std::string_view name, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t size) = 0;
    // RegEnumValueA. nameChars: the buffer's size in characters with room for the null; on
    // success the name's length. type, data and size may be null.
    virtual std::int32_t EnumValue(std::uint32_t key, std::uint32_t index, char* name, std::uint32_t& nameChars,
                                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) = 0;
    // RegEnumKeyExA without class or write time.
    virtual std::int32_t EnumKey(std::uint32_t key, std::uint32_t index, char* name, std::uint32_t& nameChars) = 0;
    virtual std::int32_t DeleteValue(std::uint32_t key, std::string_view name) = 0;
    // RegDeleteKeyA; AccessDenied for a key that has sub-keys.
    virtual std::int32_t DeleteKey(std::uint32_t key, std::string_view subKey) = 0;
    virtual std::int32_t FlushKey(std::uint32_t key) = 0;
    virtual std::int32_t CloseKey(std::uint32_t key) = 0;
};

}  // namespace brisko
