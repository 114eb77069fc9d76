// Files through kernel32's ANSI functions.
#pragma once

#include "platform/files.h"

namespace brisko::win {

class WinFiles : public Files {
public:
    std::unique_ptr<FileReader> OpenRead(const std::string& path, std::uint32_t& error) override;
    std::unique_ptr<FileWriter> CreateWrite(const std::string& path, std::uint32_t& error) override;
    bool LastWriteTime(const std::string& path, DateParts& local) override;
    std::vector<FileEntry> Find(const std::string& pattern) override;
    bool MakeDirectory(const std::string& path) override;
    bool DeleteDirectory(const std::string& path) override;
    int Utf8ToWide(std::string_view bytes, wchar_t* out, int capacity, std::uint32_t& error) override;
};

}  // namespace brisko::win
