#include "win_util.h"

#include <cstring>

namespace torvik {

namespace {

constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                            PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
constexpr DWORD kExecutable = PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

// The span starting at address within one region that has one of the protections, or 0.
std::size_t AccessibleSpan(const void* address, DWORD protections) noexcept {
    MEMORY_BASIC_INFORMATION mbi;
    if (VirtualQuery(address, &mbi, sizeof mbi) != sizeof mbi) return 0;
    if (mbi.State != MEM_COMMIT || (mbi.Protect & (PAGE_GUARD | PAGE_NOACCESS)) || !(mbi.Protect & protections))
        return 0;
    const auto end = reinterpret_cast<std::uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
    return end - reinterpret_cast<std::uintptr_t>(address);
}

std::size_t ReadableSpan(const void* address) noexcept { return AccessibleSpan(address, kReadable); }

bool IsAccessible(const void* address, std::size_t size, DWORD protections) noexcept {
    if (!address) return false;
    auto p = reinterpret_cast<std::uintptr_t>(address);
    if (size > UINTPTR_MAX - p) return false;
    const std::uintptr_t end = p + size;
    do {
        const std::size_t span = AccessibleSpan(reinterpret_cast<const void*>(p), protections);
        if (span == 0) return false;
        if (span >= end - p) return true;
        p += span;
    } while (p < end);
    return true;
}

}  // namespace

std::wstring AnsiToWide(std::string_view text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string WideToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool IsReadable(const void* address, std::size_t size) noexcept { return IsAccessible(address, size, kReadable); }

bool IsWritable(const void* address, std::size_t size) noexcept { return IsAccessible(address, size, kWritable); }

bool IsExecutable(const void* address) noexcept {
    if (!address) return false;
    MEMORY_BASIC_INFORMATION mbi;
    if (VirtualQuery(address, &mbi, sizeof mbi) != sizeof mbi) return false;
    return mbi.State == MEM_COMMIT && !(mbi.Protect & PAGE_GUARD) && (mbi.Protect & kExecutable);
}

bool ReadAnsi(const char* text, std::size_t maxLength, std::string& out) {
    out.clear();
    if (!text) return true;
    const char* p = text;
    std::size_t left = maxLength;
    while (left > 0) {
        const std::size_t span = ReadableSpan(p);
        if (span == 0) return false;
        const std::size_t n = span < left ? span : left;
        if (const void* nul = std::memchr(p, '\0', n)) {
            out.append(p, static_cast<const char*>(nul));
            return true;
        }
        out.append(p, n);
        p += n;
        left -= n;
    }
    return true;
}

bool LooksLikeInterface(const void* object, int methods) noexcept {
    if (!IsReadable(object, sizeof(void*))) return false;
    void* const* vtable = *static_cast<void* const* const*>(object);
    const auto count = static_cast<std::size_t>(methods);
    if (!IsReadable(vtable, count * sizeof(void*))) return false;
    for (std::size_t i = 0; i < count; ++i) {
        if (!IsExecutable(vtable[i])) return false;
    }
    return true;
}

std::wstring TakeBstr(BSTR text) noexcept {
    constexpr UINT kMaxBytes = 1u << 20;
    if (!text) return {};
    const auto* prefix = reinterpret_cast<const std::uint8_t*>(text) - sizeof(UINT);
    if (!IsReadable(prefix, sizeof(UINT))) return {};
    UINT bytes = 0;
    std::memcpy(&bytes, prefix, sizeof bytes);
    if (bytes > kMaxBytes || !IsReadable(text, bytes + sizeof(wchar_t))) return {};
    std::wstring out;
    try {
        out.assign(text, bytes / sizeof(wchar_t));
    } catch (...) {
        out.clear();
    }
    SysFreeString(text);
    return out;
}

std::wstring ModulePath(HMODULE module) {
    if (!module) return {};
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

std::wstring GetEnv(const wchar_t* name) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, value.data(), n);
    value.resize(got < n ? got : 0);
    return value;
}

}  // namespace torvik
