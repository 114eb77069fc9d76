#include "log.h"

#include <shlobj.h>

#include <cstdio>
#include <cwctype>

#include "module_info.h"

namespace torvik {

namespace {

void AppendEscaped(std::wstring& out, std::wstring_view text) {
    for (wchar_t c : text) {
        switch (c) {
            case L'\t': out += L"\\t"; break;
            case L'\r': out += L"\\r"; break;
            case L'\n': out += L"\\n"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    wchar_t hex[8];
                    swprintf(hex, 8, L"\\x%02X", static_cast<unsigned>(c));
                    out += hex;
                } else {
                    out += c;
                }
        }
    }
}

std::wstring LevelName(std::int32_t level) {
    switch (level) {
        case kLevelDebug: return L"DEBUG";
        case kLevelWarning: return L"WARNING";
        case kLevelError: return L"ERROR";
        case kLevelInfo: return L"INFO";
        default: return L"LEVEL" + std::to_wstring(level);
    }
}

bool ParseLevel(const std::wstring& text, std::uint32_t& value) {
    if (text.empty() || text.size() > 9) return false;
    std::uint32_t v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        v = v * 10 + static_cast<std::uint32_t>(c - L'0');
    }
    value = v;
    return true;
}

}  // namespace

std::wstring LogBaseFolder() {
    std::wstring base = GetEnv(L"TORVIK_LOG_DIR");
    if (base.empty()) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                       path)))
            base = path;
    }
    if (base.empty()) return {};
    // SHCreateDirectoryEx takes full paths only.
    wchar_t full[MAX_PATH * 2] = {};
    const DWORD n = GetFullPathNameW(base.c_str(), MAX_PATH * 2, full, nullptr);
    if (n > 0 && n < MAX_PATH * 2) base = full;
    while (base.size() > 3 && (base.back() == L'\\' || base.back() == L'/')) base.pop_back();
    return base;
}

std::wstring LogFilePath(const std::wstring& base, const std::wstring& company, const std::wstring& product) {
    if (base.empty()) return {};
    std::wstring path = base;
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path + company + L"\\" + product + L"\\" + product + L".log";
}

std::uint32_t ReadDebugLevel(const std::wstring& company, const std::wstring& product) {
    std::uint32_t level = 0;
    if (ParseLevel(GetEnv(L"TORVIK_DEBUG_LEVEL"), level)) return level;
    const std::wstring key = L"Software\\" + company + L"\\" + product + L"\\Torvik";
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"DebugLevel", RRF_RT_REG_DWORD, nullptr, &value, &size) ==
        ERROR_SUCCESS)
        return value;
    return 0;
}

bool IsWanted(std::int32_t level, std::int32_t detail, std::uint32_t debugLevel) noexcept {
    if (level != kLevelDebug) return true;
    const auto d = static_cast<std::uint32_t>(detail < 1 ? 1 : detail);
    return d <= debugLevel;
}

std::string FormatLine(const SYSTEMTIME& t, std::int32_t level, std::int32_t detail, std::wstring_view procedure,
                       std::int32_t number, std::wstring_view message) {
    wchar_t time[32];
    swprintf(time, 32, L"%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond, t.wMilliseconds);
    std::wstring line = time;
    line += L'\t';
    line += LevelName(level);
    line += L'\t';
    line += std::to_wstring(detail);
    line += L'\t';
    AppendEscaped(line, procedure);
    line += L'\t';
    line += std::to_wstring(number);
    line += L'\t';
    AppendEscaped(line, message);
    line += L"\r\n";
    return WideToUtf8(line);
}

bool LogFile::Append(const std::string& line, bool flush) {
    std::lock_guard lock(mutex_);
    const auto open = [&] {
        return UniqueHandle(CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    UniqueHandle file = open();
    if (!file) {
        const auto slash = path_.find_last_of(L'\\');
        if (slash == std::wstring::npos) return false;
        const std::wstring folder = path_.substr(0, slash);
        const int made = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
        if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) return false;
        file = open();
        if (!file) return false;
    }
    DWORD written = 0;
    const auto size = static_cast<DWORD>(line.size());
    if (!WriteFile(file.get(), line.data(), size, &written, nullptr) || written != size) return false;
    if (flush) FlushFileBuffers(file.get());
    return true;
}

std::shared_ptr<LogFile> LogFiles::Get(const std::wstring& path) {
    std::wstring key = path;
    for (auto& c : key) c = static_cast<wchar_t>(std::towlower(c));
    std::lock_guard lock(mutex_);
    for (auto it = files_.begin(); it != files_.end();) {
        it = it->second.expired() ? files_.erase(it) : std::next(it);
    }
    if (auto existing = files_[key].lock()) return existing;
    auto file = std::make_shared<LogFile>(path);
    files_[key] = file;
    return file;
}

}  // namespace torvik
