#include "help.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "torvik_results.h"
#include "win_util.h"

namespace torvik {

namespace {

constexpr DWORD kLauncherWaitMs = 30000;

std::int32_t RunLauncher(const std::wstring& launcher, const std::wstring& path) {
    std::wstring commandLine = L"\"" + launcher + L"\" \"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(launcher.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return kHelpLaunchFailed;
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    if (WaitForSingleObject(processHandle.get(), kLauncherWaitMs) != WAIT_OBJECT_0) return kOk;  // still showing
    DWORD exitCode = 1;
    if (!GetExitCodeProcess(processHandle.get(), &exitCode)) return kHelpLaunchFailed;
    return exitCode == 0 ? kOk : kHelpLaunchFailed;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsLanguageFolderName(std::wstring_view langId) {
    if (langId.empty() || langId.size() > 16) return false;
    return std::all_of(langId.begin(), langId.end(), [](wchar_t c) {
        return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'-' ||
               c == L'_';
    });
}

// Both are plain folder names (ASCII).
bool SameLanguage(std::wstring_view a, std::wstring_view b) {
    const auto upper = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](wchar_t x, wchar_t y) { return upper(x) == upper(y); });
}

}  // namespace

std::int32_t HelpTopicPath(const std::wstring& moduleFolder, std::wstring_view topic, std::wstring_view langId,
                           std::wstring& path) {
    path.clear();
    std::wstring relative(topic.empty() ? std::wstring_view(kHelpStartPage) : topic);
    for (auto& c : relative) {
        if (c == L'/') c = L'\\';
    }
    if (relative.front() == L'\\') return kHelpTopicInvalid;
    for (wchar_t c : relative) {
        if (c < 0x20 || std::wstring_view(L":*?\"<>|").find(c) != std::wstring_view::npos) return kHelpTopicInvalid;
    }
    std::size_t start = 0;
    while (start <= relative.size()) {
        const std::size_t end = std::min(relative.find(L'\\', start), relative.size());
        const std::wstring_view part(relative.data() + start, end - start);
        if (part == L"..") return kHelpTopicInvalid;
        start = end + 1;
    }
    if (moduleFolder.empty()) return kInvalidClient;
    const std::wstring help = moduleFolder + L"\\Help\\";
    if (IsLanguageFolderName(langId) && !SameLanguage(langId, kHelpFallbackLanguage)) {
        path = help + std::wstring(langId) + L"\\" + relative;
        if (IsFile(path)) return kOk;
    }
    path = help + kHelpFallbackLanguage + L"\\" + relative;
    if (IsFile(path)) return kOk;
    path = help + relative;
    return IsFile(path) ? kOk : kHelpNotFound;
}

std::int32_t OpenHelpFile(const std::wstring& path) {
    const std::wstring launcher = GetEnv(L"TORVIK_HELP_LAUNCHER");
    if (!launcher.empty()) return RunLauncher(launcher, path);
    const auto slash = path.find_last_of(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    const auto r = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, folder.empty() ? nullptr : folder.c_str(),
                      SW_SHOWNORMAL));
    return r > 32 ? kOk : kHelpLaunchFailed;
}

}  // namespace torvik
