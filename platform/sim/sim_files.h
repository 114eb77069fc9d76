// Files natively: POSIX calls behind the platform's ANSI file interface, with Win32's results.
// And a wrapper that makes any backend fail on demand.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/files.h"

namespace brisko::sim {

#ifndef _WIN32
// Paths are Windows-1252 with "\" or "/" between parts. "X:" at the start of a path names the
// folder given for that drive letter (none by default); other paths are POSIX paths.
class SimFiles : public Files {
public:
    std::map<char, std::string> drives;  // upper-case letter -> POSIX folder

    std::unique_ptr<FileReader> OpenRead(const std::string& path, std::uint32_t& error) override;
    std::unique_ptr<FileWriter> CreateWrite(const std::string& path, std::uint32_t& error) override;
    bool LastWriteTime(const std::string& path, DateParts& local) override;
    std::vector<FileEntry> Find(const std::string& pattern) override;
    bool MakeDirectory(const std::string& path) override;
    bool DeleteDirectory(const std::string& path) override;
    int Utf8ToWide(std::string_view bytes, wchar_t* out, int capacity, std::uint32_t& error) override;

    // The POSIX path of a platform path; empty when it names a drive that has no folder.
    std::string NativePath(const std::string& path) const;
};
#endif

// UTF-8 to UTF-16 (UTF-32 where wchar_t is 32 bits) exactly as Wine's MultiByteToWideChar for
// code page 65001 without flags: each invalid sequence gives one U+FFFD, a sequence cut off by
// the end of the text gives one U+FFFD for all of the rest.
std::wstring DecodeUtf8AsWine(std::string_view bytes);

// Wraps a backend and fails the calls it is told to.
class FaultyFiles : public Files {
public:
    explicit FaultyFiles(Files& inner) : inner_(inner) {}

    struct ReadFailure {
        std::uint64_t afterBytes = 0;  // the first read that would go past this many bytes fails
        std::uint32_t error = file_error::ReadFault;
    };
    std::optional<ReadFailure> readFailure;
    // Every read that finds no more data fails with 38 instead of returning 0 bytes.
    bool eofAsError = false;
    // Every read returns at most this many bytes (0: no limit).
    std::uint32_t shortReads = 0;
    // The n-th conversion call from now fails (1 = the next one); 0: none.
    int utf8FailCall = 0;
    std::uint32_t utf8Error = file_error::NoUnicodeTranslation;
    std::map<std::string, std::uint32_t> openErrors;  // path -> error of OpenRead
    bool createDirectoryFails = false;
    bool writeFails = false;
    int utf8Calls = 0;

    std::unique_ptr<FileReader> OpenRead(const std::string& path, std::uint32_t& error) override;
    std::unique_ptr<FileWriter> CreateWrite(const std::string& path, std::uint32_t& error) override;
    bool LastWriteTime(const std::string& path, DateParts& local) override { return inner_.LastWriteTime(path, local); }
    std::vector<FileEntry> Find(const std::string& pattern) override { return inner_.Find(pattern); }
    bool MakeDirectory(const std::string& path) override {
        return !createDirectoryFails && inner_.MakeDirectory(path);
    }
    bool DeleteDirectory(const std::string& path) override { return inner_.DeleteDirectory(path); }
    int Utf8ToWide(std::string_view bytes, wchar_t* out, int capacity, std::uint32_t& error) override;

private:
    Files& inner_;
};

}  // namespace brisko::sim
