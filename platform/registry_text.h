// Registry keys named by text paths, and a key's tree as text: for tools and tests, over any
// Registry backend.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace brisko::reg {

// A path beginning with its root: HKCR, HKCU, HKLM, HKU or the long names (HKEY_CURRENT_USER
// ...), e.g. "HKCU\Software\Corvant\Brisko".
struct KeyPath {
    std::uint32_t root = 0;
    std::string_view rootName;  // the short name
    std::string_view subKey;
};
std::optional<KeyPath> ParseKeyPath(std::string_view path);

// Writes a value, creating missing keys. False for a path that names no root or that the
// registry refuses.
bool Preset(Registry& registry, std::string_view path, std::string_view name, std::uint32_t type,
            std::string_view data);
bool PresetString(Registry& registry, std::string_view path, std::string_view name,
                  std::string_view text);  // REG_SZ, null added
bool PresetDword(Registry& registry, std::string_view path, std::string_view name, std::uint32_t value);

// The key and its sub-keys as text, empty when the key is missing: per key a line
// "[HKCU\Software\Corvant\Brisko]" (names as stored), then a line per value in name order:
//   "name"=REG_SZ:"text"             REG_SZ or REG_EXPAND_SZ ending in its one null
//   "name"=REG_SZ(no null):"text"    a string type without a final null
//   "name"=dword:00000003            REG_DWORD of 4 bytes
//   "name"=hex:01,00,ff              REG_BINARY;  hex(<type>):... any other type or size
// then its sub-keys in enumeration order. The default value is written @=. In names and texts
// \ and " are escaped with \, bytes outside printable ASCII are written \xHH.
std::string Dump(Registry& registry, std::string_view path);

}  // namespace brisko::reg
