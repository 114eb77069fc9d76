// Context help: a topic file in the "Help" folder beside the client module, opened with the
// shell ("open"). An empty topic opens the start page, index.htm. A topic is a file name or a
// relative path below Help ('/' and '\' both separate); a drive, a rooted path or a ".." part is
// refused, so is a topic whose file does not exist.
//
// The topic is looked for in the client's language first, then in English, then in Help itself:
// Help\<LangID>\topic (the LangID the client's callback answers, "DE" for instance), Help\EN\topic,
// Help\topic. A LangID that is no plain folder name (empty, too long, other characters than
// letters, digits, '-' and '_') is skipped.
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
inline constexpr wchar_t kHelpFallbackLanguage[] = L"EN";

// The topic's full path in the first folder that holds it, or the result code that refuses it
// (not found: path is the topic's path in Help itself).
std::int32_t HelpTopicPath(const std::wstring& moduleFolder, std::wstring_view topic, std::wstring_view langId,
                           std::wstring& path);
std::int32_t OpenHelpFile(const std::wstring& path);

}  // namespace torvik
