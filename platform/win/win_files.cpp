#include "platform/win/win_files.h"

#include <windows.h>

namespace brisko::win {

namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

class FindHandle {
public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    ~FindHandle() {
        if (h_ != INVALID_HANDLE_VALUE) FindClose(h_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

class WinReader : public FileReader {
public:
    explicit WinReader(HANDLE h) : h_(h) {}
    bool Read(std::uint8_t* buffer, std::uint32_t size, std::uint32_t& bytesRead, std::uint32_t& error) override {
        DWORD n = 0;
        const BOOL ok = ReadFile(h_.get(), buffer, size, &n, nullptr);
        bytesRead = n;
        if (!ok) {
            error = GetLastError();
            bytesRead = 0;
            return false;
        }
        return true;
    }

private:
    Handle h_;
};

class WinWriter : public FileWriter {
public:
    explicit WinWriter(HANDLE h) : h_(h) {}
    bool Write(std::string_view bytes, std::uint32_t& error) override {
        while (!bytes.empty()) {
            DWORD n = 0;
            if (!WriteFile(h_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr)) {
                error = GetLastError();
                return false;
            }
            bytes.remove_prefix(n);
        }
        return true;
    }

private:
    Handle h_;
};

}  // namespace

std::unique_ptr<FileReader> WinFiles::OpenRead(const std::string& path, std::uint32_t& error) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return nullptr;
    }
    return std::make_unique<WinReader>(h);
}

std::unique_ptr<FileWriter> WinFiles::CreateWrite(const std::string& path, std::uint32_t& error) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return nullptr;
    }
    return std::make_unique<WinWriter>(h);
}

bool WinFiles::LastWriteTime(const std::string& path, DateParts& local) {
    Handle h(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) return false;
    FILETIME written{}, localTime{};
    SYSTEMTIME st{};
    if (!GetFileTime(h.get(), nullptr, nullptr, &written)) return false;
    if (!FileTimeToLocalFileTime(&written, &localTime)) return false;
    if (!FileTimeToSystemTime(&localTime, &st)) return false;
    local = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    return true;
}

std::vector<FileEntry> WinFiles::Find(const std::string& pattern) {
    std::vector<FileEntry> out;
    WIN32_FIND_DATAA data{};
    FindHandle h(FindFirstFileA(pattern.c_str(), &data));
    if (!h.valid()) return out;
    do {
        out.push_back({data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(h.get(), &data));
    return out;
}

bool WinFiles::MakeDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool WinFiles::DeleteDirectory(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

int WinFiles::Utf8ToWide(std::string_view bytes, wchar_t* out, int capacity, std::uint32_t& error) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), out, capacity);
    if (n == 0) error = GetLastError();
    return n;
}

}  // namespace brisko::win
