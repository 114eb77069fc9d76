// A text file read line by line through a fixed buffer; lines end with CR LF; a UTF-8 byte-order
// mark selects UTF-8, anything else is the system code page. Logs as "CTextFile".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"

namespace brisko {

class CLangFile {
public:
    static constexpr std::size_t kBufferSize = 4096;
    enum class Encoding { Unknown, Ansi, Utf8 };

    CLangFile() = default;
    CLangFile(const CLangFile&) = delete;
    CLangFile& operator=(const CLangFile&) = delete;

    // Closes any file held before. False with LastError set when the file can't be opened.
    bool OpenFile(const std::wstring& path);
    std::uint32_t LastError() const noexcept { return lastError_; }
    void CloseFile() noexcept;
    bool FEOF() const noexcept { return eof_; }
    // The next line without its CR LF; false at the end of the file or when a read failed.
    bool ReadLine(std::wstring& line);

    Encoding encoding() const noexcept { return encoding_; }

private:
    bool Buffer_GetLine(std::wstring& line);
    std::size_t Buffer_FindLineEnd() const;
    bool Buffer_AppendFromFile();
    std::wstring Mem2Str(const std::uint8_t* bytes, std::size_t count);

    std::unique_ptr<FileReader> file_;
    bool eof_ = false;
    std::uint32_t lastError_ = 0;
    Encoding encoding_ = Encoding::Unknown;
    std::array<std::uint8_t, kBufferSize> buffer_{};
    std::size_t length_ = 0;    // bytes held, from the start
    std::size_t position_ = 0;  // the next unread byte
};

}  // namespace brisko
