#include "addin/lang/mFileUtils.h"

#include "addin/host/error_discipline.h"
#include "automation/error.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace brisko::mFileUtils {

Files& PlatformFiles() {
    auto* files = CurrentPlatform().files;
    if (!files) Raise(err::InternalError, L"No file system");
    return *files;
}

std::string AnsiPath(const std::wstring& path) {
    auto* cp = CurrentPlatform().codePage;
    if (!cp) Raise(err::InternalError, L"No code page");
    return cp->ToAnsi(path);
}

bool GetFileLastModificationTime(const std::wstring& path, Date& when) {
    return Trapped(L"mFileUtils.GetFileLastModificationTime", [&] {
        DateParts local;
        if (!PlatformFiles().LastWriteTime(AnsiPath(path), local)) return false;
        when = MakeDate(local);
        return true;
    });
}

bool FolderExists(const std::wstring& path) {
    try {
        return !PlatformFiles().Find(AnsiPath(path + L"\\*")).empty();
    } catch (...) {
        return false;
    }
}

namespace {
bool Create(const std::wstring& path) {
    PlatformFiles().MakeDirectory(AnsiPath(path));
    return FolderExists(path);
}
}  // namespace

bool CreateFolderPath(const std::wstring& fullPath) {
    try {
        if (Create(fullPath)) return true;
        const auto colon = fullPath.find(L':');
        if (colon == std::wstring::npos || colon + 1 == fullPath.size()) return false;
        std::wstring path = fullPath;
        for (auto& c : path) {
            if (c == L'/') c = L'\\';
        }
        for (auto slash = path.find(L'\\', colon + 1); slash != std::wstring::npos;
             slash = path.find(L'\\', slash + 1)) {
            if (!Create(path.substr(0, slash))) return false;
        }
        if (path.back() != L'\\' && !Create(path)) return false;
        return true;
    } catch (...) {
        Err().Clear();
        return false;
    }
}

}  // namespace brisko::mFileUtils
