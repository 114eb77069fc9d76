// Context help: a topic file in the "Help" folder beside the client module, opened with the
// shell ("open"). An empty topic opens the start page, Help\index.htm. A topic is a file name or a
// relative path below Help ('/' and '\' both separate); a drive, a rooted path or a ".." part is
// refused, so is a topic whose file does not exist.
//
// When the environment variable TORVIK_HELP_LAUNCHER names a program, that program is run with
// the quoted full path as its only argument instead of the shell, and waited for (30 s at most);
// an exit code other than 0 is a failed launch.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace torvik {

inline constexpr wchar_t kHelpStartPage[] = L"index.htm";

// The topic's full path, or the result code that refuses it.
std::int32_t HelpTopicPath(const std::wstring& moduleFolder, std::wstring_view topic, std::wstring& path);
std::int32_t OpenHelpFile(const std::wstring& path);

}  // namespace torvik
