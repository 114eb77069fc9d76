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

}  // namespace

std::int32_t HelpTopicPath(const std::wstring& moduleFolder, std::wstring_view topic, std::wstring& path) {
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
    path = moduleFolder + L"\\Help\\" + relative;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return kHelpNotFound;
    return kOk;
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
