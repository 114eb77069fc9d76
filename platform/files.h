// Files and folders as the add-in reaches them: the platform's ANSI file functions. Paths are
// strings in the system code page with "\" between their parts; error codes are Win32's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/value.h"

namespace brisko {

namespace file_error {
inline constexpr std::uint32_t FileNotFound = 2;
inline constexpr std::uint32_t PathNotFound = 3;
inline constexpr std::uint32_t AccessDenied = 5;
inline constexpr std::uint32_t InvalidHandle = 6;
inline constexpr std::uint32_t NotEnoughMemory = 8;
inline constexpr std::uint32_t ReadFault = 30;
inline constexpr std::uint32_t HandleEof = 38;
inline constexpr std::uint32_t InvalidParameter = 87;
inline constexpr std::uint32_t NoUnicodeTranslation = 1113;
}  // namespace file_error

// An open file; the destructor closes it.
class FileReader {
public:
    virtual ~FileReader() = default;
    // ReadFile: up to size bytes. False with the error code when the read failed.
    virtual bool Read(std::uint8_t* buffer, std::uint32_t size, std::uint32_t& bytesRead, std::uint32_t& error) = 0;
};

class FileWriter {
public:
    virtual ~FileWriter() = default;
    virtual bool Write(std::string_view bytes, std::uint32_t& error) = 0;
};

struct FileEntry {
    std::string name;  // without folder
    bool directory = false;
};

class Files {
public:
    virtual ~Files() = default;
    // CreateFileA: generic read, sharing read, existing files only, normal attributes.
    virtual std::unique_ptr<FileReader> OpenRead(const std::string& path, std::uint32_t& error) = 0;
    // CreateFileA: generic write, no sharing, created or replaced.
    virtual std::unique_ptr<FileWriter> CreateWrite(const std::string& path, std::uint32_t& error) = 0;
    // Opened with no access rights, sharing read and write: the last write time in local time,
    // to the second. False when the file can't be opened or its time read.
    virtual bool LastWriteTime(const std::string& path, DateParts& local) = 0;
    // FindFirstFileA / FindNextFileA: the entries matching the pattern ("*" and "?" in its last
    // part), in the order the platform lists them.
    virtual std::vector<FileEntry> Find(const std::string& pattern) = 0;
    virtual bool MakeDirectory(const std::string& path) = 0;
    virtual bool DeleteDirectory(const std::string& path) = 0;
    // MultiByteToWideChar for code page 65001 without flags: the length needed when out is null,
    // else the characters written; 0 with the error code on failure.
    virtual int Utf8ToWide(std::string_view bytes, wchar_t* out, int capacity, std::uint32_t& error) = 0;
};

}  // namespace brisko
