// What a client module tells about itself: its path and its version resource.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace torvik {

struct ModuleInfo {
    std::wstring path;      // full file name
    std::wstring folder;    // its folder, without a trailing backslash
    std::wstring baseName;  // file name without extension
    // From the version resource; company and product fall back to the base name.
    std::wstring company;
    std::wstring product;
    std::wstring version;   // FileVersion text, else the fixed file version, else empty
    std::wstring comments;
    std::wstring description;
    std::wstring copyright;
};

// False when the handle is not a loaded module's.
bool ReadModuleInfo(HMODULE module, ModuleInfo& info);

// The text as one folder name: characters a file name can't hold removed, no trailing dots or
// blanks, device names such as "CON" suffixed with "_"; the fallback when nothing is left.
std::wstring FolderName(std::wstring_view text, std::wstring_view fallback);

}  // namespace torvik
