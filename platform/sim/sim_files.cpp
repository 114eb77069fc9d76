#include "platform/sim/sim_files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "automation/text.h"
#include "platform/sim/sim_platform.h"

namespace brisko::sim {

#ifndef _WIN32
namespace {

// RAII for a POSIX descriptor.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

class DirHandle {
public:
    explicit DirHandle(DIR* d) : d_(d) {}
    ~DirHandle() {
        if (d_) ::closedir(d_);
    }
    DirHandle(const DirHandle&) = delete;
    DirHandle& operator=(const DirHandle&) = delete;
    DIR* get() const { return d_; }

private:
    DIR* d_;
};

std::string ParentOf(const std::string& native) {
    const auto slash = native.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return native.substr(0, slash);
}

bool IsDirectory(const std::string& native) {
    struct stat st {};
    return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The Win32 error of a failed call on the path, from errno.
std::uint32_t ErrorOf(int e, const std::string& native) {
    switch (e) {
        case ENOENT: return IsDirectory(ParentOf(native)) ? file_error::FileNotFound : file_error::PathNotFound;
        case ENOTDIR:
        case ENAMETOOLONG: return file_error::PathNotFound;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EEXIST:
        case ENOTEMPTY: return file_error::AccessDenied;
        case ENOMEM: return file_error::NotEnoughMemory;
        default: return file_error::ReadFault;
    }
}

class PosixReader : public FileReader {
public:
    explicit PosixReader(int fd) : fd_(fd) {}
    bool Read(std::uint8_t* buffer, std::uint32_t size, std::uint32_t& bytesRead, std::uint32_t& error) override {
        bytesRead = 0;
        for (;;) {
            const auto n = ::read(fd_.get(), buffer, size);
            if (n >= 0) {
                bytesRead = static_cast<std::uint32_t>(n);
                return true;
            }
            if (errno == EINTR) continue;
            error = errno == EISDIR ? file_error::AccessDenied : file_error::ReadFault;
            return false;
        }
    }

private:
    Fd fd_;
};

class PosixWriter : public FileWriter {
public:
    explicit PosixWriter(int fd) : fd_(fd) {}
    bool Write(std::string_view bytes, std::uint32_t& error) override {
        while (!bytes.empty()) {
            const auto n = ::write(fd_.get(), bytes.data(), bytes.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                error = file_error::AccessDenied;
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

private:
    Fd fd_;
};

// FindFirstFile's matching: "*" any run, "?" one character, letters without regard to case.
bool Matches(std::wstring_view pattern, std::wstring_view name) {
    std::size_t p = 0, n = 0, starP = std::wstring_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == L'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::wstring_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

std::wstring WideOfAnsi(const std::string& ansi) {
    Cp1252 cp;
    return cp.FromAnsi(ansi);
}

std::string AnsiOfNative(const std::string& utf8) {
    Cp1252 cp;
    return cp.ToAnsi(FromUtf8(utf8));
}

}  // namespace
#endif

namespace {

// One character of Wine's decoder: the code point, or ~0 for an invalid sequence. Moves p past
// the bytes it took.
std::uint32_t DecodeOne(unsigned char ch, const unsigned char*& p, const unsigned char* end) {
    static constexpr unsigned char kLength[128] = {
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
        2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    static constexpr unsigned char kMask[4] = {0x7f, 0x1f, 0x0f, 0x07};

    const unsigned len = kLength[ch - 0x80];
    std::uint32_t res = ch & kMask[len];
    if (static_cast<std::size_t>(end - p) < len) {
        p = end;  // cut off: the rest is one invalid sequence
        return ~0u;
    }
    const unsigned char* last = p + len;
    unsigned c = 0;
    switch (len) {
        case 3:
            if ((c = static_cast<unsigned>(last[-3] ^ 0x80)) >= 0x40) break;
            res = (res << 6) | c;
            ++p;
            if (res < 0x10) break;
            [[fallthrough]];
        case 2:
            if ((c = static_cast<unsigned>(last[-2] ^ 0x80)) >= 0x40) break;
            res = (res << 6) | c;
            if (res >= (0x110000 >> 6)) break;
            ++p;
            if (res < 0x20) break;
            if (res >= (0xd800 >> 6) && res <= (0xdfff >> 6)) break;
            [[fallthrough]];
        case 1:
            if ((c = static_cast<unsigned>(last[-1] ^ 0x80)) >= 0x40) break;
            res = (res << 6) | c;
            ++p;
            if (res < 0x80) break;
            return res;
        default:
            break;
    }
    return ~0u;
}

}  // namespace

std::wstring DecodeUtf8AsWine(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char ch = *p++;
        if (ch < 0x80) {
            out += static_cast<wchar_t>(ch);
            continue;
        }
        std::uint32_t cp = DecodeOne(ch, p, end);
        if (cp == ~0u) cp = 0xFFFD;
        if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<wchar_t>(cp);
        }
    }
    return out;
}

#ifndef _WIN32
std::string SimFiles::NativePath(const std::string& path) const {
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
        const auto it = drives.find(letter);
        if (it == drives.end()) return {};
        std::string rest = p.substr(2);
        if (!rest.empty() && rest[0] != '/') rest = "/" + rest;  // "X:name": relative to the drive's root
        return it->second + rest;
    }
    // The name is UTF-8 on disk.
    return ToUtf8(WideOfAnsi(p));
}

std::unique_ptr<FileReader> SimFiles::OpenRead(const std::string& path, std::uint32_t& error) {
    const std::string native = NativePath(path);
    if (native.empty()) {
        error = file_error::PathNotFound;
        return nullptr;
    }
    if (IsDirectory(native)) {
        error = file_error::AccessDenied;
        return nullptr;
    }
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = ErrorOf(errno, native);
        return nullptr;
    }
    return std::make_unique<PosixReader>(fd);
}

std::unique_ptr<FileWriter> SimFiles::CreateWrite(const std::string& path, std::uint32_t& error) {
    const std::string native = NativePath(path);
    if (native.empty()) {
        error = file_error::PathNotFound;
        return nullptr;
    }
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = ErrorOf(errno, native);
        return nullptr;
    }
    return std::make_unique<PosixWriter>(fd);
}

bool SimFiles::LastWriteTime(const std::string& path, DateParts& local) {
    const std::string native = NativePath(path);
    struct stat st {};
    if (native.empty() || ::stat(native.c_str(), &st) != 0) return false;
    std::tm tm{};
    const std::time_t t = st.st_mtim.tv_sec;
    if (!::localtime_r(&t, &tm)) return false;
    local = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59)};
    return true;
}

std::vector<FileEntry> SimFiles::Find(const std::string& pattern) {
    std::vector<FileEntry> out;
    std::string p = pattern;
    std::replace(p.begin(), p.end(), '\\', '/');
    const auto slash = p.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : p.substr(0, slash + 1);
    const std::wstring glob = WideOfAnsi(slash == std::string::npos ? p : p.substr(slash + 1));
    if (glob.empty()) return out;
    const std::string native = NativePath(folder);
    if (native.empty()) return out;
    DirHandle dir(::opendir(native.c_str()));
    if (!dir.get()) return out;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        const std::string ansi = AnsiOfNative(name);
        if (!Matches(glob, WideOfAnsi(ansi))) continue;
        out.push_back({ansi, IsDirectory(native + "/" + name)});
    }
    // A stable order, as an NTFS folder lists its names: "." and ".." first, then by name.
    std::sort(out.begin(), out.end(), [](const FileEntry& a, const FileEntry& b) {
        const bool da = a.name == "." || a.name == "..", db = b.name == "." || b.name == "..";
        if (da != db) return da;
        return LowerCase(WideOfAnsi(a.name)) < LowerCase(WideOfAnsi(b.name));
    });
    return out;
}

bool SimFiles::MakeDirectory(const std::string& path) {
    const std::string native = NativePath(path);
    return !native.empty() && ::mkdir(native.c_str(), 0755) == 0;
}

bool SimFiles::DeleteDirectory(const std::string& path) {
    const std::string native = NativePath(path);
    return !native.empty() && ::rmdir(native.c_str()) == 0;
}

int SimFiles::Utf8ToWide(std::string_view bytes, wchar_t* out, int capacity, std::uint32_t& error) {
    if (bytes.empty() || capacity < 0 || (out == nullptr && capacity != 0)) {
        error = file_error::InvalidParameter;
        return 0;
    }
    const std::wstring text = DecodeUtf8AsWine(bytes);
    const int n = static_cast<int>(text.size());
    if (out == nullptr) return n;
    if (capacity < n) {
        error = 122;  // ERROR_INSUFFICIENT_BUFFER
        return 0;
    }
    std::copy(text.begin(), text.end(), out);
    return n;
}

#endif

namespace {

class FaultyReader : public FileReader {
public:
    FaultyReader(std::unique_ptr<FileReader> inner, const FaultyFiles& faults) : inner_(std::move(inner)), f_(faults) {}
    bool Read(std::uint8_t* buffer, std::uint32_t size, std::uint32_t& bytesRead, std::uint32_t& error) override {
        bytesRead = 0;
        if (f_.readFailure && position_ + size > f_.readFailure->afterBytes) {
            // Deliver what lies before the failing point first, then fail.
            if (position_ < f_.readFailure->afterBytes) {
                size = static_cast<std::uint32_t>(f_.readFailure->afterBytes - position_);
            } else {
                error = f_.readFailure->error;
                return false;
            }
        }
        if (f_.shortReads != 0) size = std::min(size, f_.shortReads);
        if (!inner_->Read(buffer, size, bytesRead, error)) return false;
        position_ += bytesRead;
        if (bytesRead == 0 && size != 0 && f_.eofAsError) {
            error = file_error::HandleEof;
            return false;
        }
        return true;
    }

private:
    std::unique_ptr<FileReader> inner_;
    const FaultyFiles& f_;
    std::uint64_t position_ = 0;
};

class FaultyWriter : public FileWriter {
public:
    FaultyWriter(std::unique_ptr<FileWriter> inner, const FaultyFiles& faults) : inner_(std::move(inner)), f_(faults) {}
    bool Write(std::string_view bytes, std::uint32_t& error) override {
        if (f_.writeFails) {
            error = file_error::AccessDenied;
            return false;
        }
        return inner_->Write(bytes, error);
    }

private:
    std::unique_ptr<FileWriter> inner_;
    const FaultyFiles& f_;
};

}  // namespace

std::unique_ptr<FileReader> FaultyFiles::OpenRead(const std::string& path, std::uint32_t& error) {
    if (const auto it = openErrors.find(path); it != openErrors.end()) {
        error = it->second;
        return nullptr;
    }
    auto inner = inner_.OpenRead(path, error);
    if (!inner) return nullptr;
    return std::make_unique<FaultyReader>(std::move(inner), *this);
}

std::unique_ptr<FileWriter> FaultyFiles::CreateWrite(const std::string& path, std::uint32_t& error) {
    auto inner = inner_.CreateWrite(path, error);
    if (!inner) return nullptr;
    return std::make_unique<FaultyWriter>(std::move(inner), *this);
}

int FaultyFiles::Utf8ToWide(std::string_view bytes, wchar_t* out, int capacity, std::uint32_t& error) {
    ++utf8Calls;
    if (utf8FailCall > 0 && --utf8FailCall == 0) {
        error = utf8Error;
        return 0;
    }
    return inner_.Utf8ToWide(bytes, out, capacity, error);
}

}  // namespace brisko::sim
