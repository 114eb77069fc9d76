#include "addin/lang/CLangFile.h"

#include <algorithm>
#include <cstring>

#include "addin/host/error_discipline.h"
#include "addin/lang/mFileUtils.h"
#include "platform/platform.h"

namespace brisko {

namespace {
constexpr const wchar_t* kMem2Str = L"CTextFile.Mem2Str";
constexpr const wchar_t* kAppend = L"CTextFile.Buffer_AppendFromFile";
}  // namespace

bool CLangFile::OpenFile(const std::wstring& path) {
    CloseFile();
    encoding_ = Encoding::Unknown;
    eof_ = false;
    try {
        std::uint32_t error = 0;
        file_ = mFileUtils::PlatformFiles().OpenRead(mFileUtils::AnsiPath(path), error);
        lastError_ = file_ ? 0 : error;
    } catch (...) {
        file_.reset();
        lastError_ = file_error::InvalidHandle;
    }
    return file_ != nullptr;
}

void CLangFile::CloseFile() noexcept {
    file_.reset();
    length_ = 0;
    position_ = 0;
}

bool CLangFile::ReadLine(std::wstring& line) {
    return Trapped(L"CTextFile.ReadLine", [&] {
        line.clear();
        // Refill until a line is complete: a fill may bring only a byte-order mark, or the
        // rest of a line the previous fill held.
        for (;;) {
            if (Buffer_GetLine(line)) return true;
            if (!Buffer_AppendFromFile()) return eof_ && Buffer_GetLine(line);
        }
    });
}

bool CLangFile::Buffer_GetLine(std::wstring& line) {
    return Trapped(L"CTextFile.Buffer_GetLine", [&] {
        if (position_ >= length_) return false;
        std::size_t end = Buffer_FindLineEnd();
        std::size_t next = end + 2;
        if (end == std::wstring::npos) {
            // Without CR LF the unread bytes are a line only at the end of the file, or as a
            // piece of a line that fills the whole buffer.
            if (!eof_ && !(length_ == kBufferSize && position_ == 0)) return false;
            end = next = length_;
        }
        line = Mem2Str(buffer_.data() + position_, end - position_);
        position_ = next;
        return true;
    });
}

std::size_t CLangFile::Buffer_FindLineEnd() const {
    const auto* first = buffer_.data() + position_;
    const auto* last = buffer_.data() + length_;
    for (const auto* p = first; p + 1 < last; ++p) {
        p = static_cast<const std::uint8_t*>(std::memchr(p, 13, static_cast<std::size_t>(last - p - 1)));
        if (!p) break;
        if (p[1] == 10) return static_cast<std::size_t>(p - buffer_.data());
    }
    return std::wstring::npos;
}

bool CLangFile::Buffer_AppendFromFile() {
    return Trapped(kAppend, [&] {
        if (eof_) return false;
        if (!file_) {
            lastError_ = file_error::InvalidHandle;
            return false;
        }
        const std::size_t unread = length_ - position_;
        if (unread >= kBufferSize) {
            Assert(false, kAppend, L"217");
            return false;
        }
        if (position_ != 0) std::memmove(buffer_.data(), buffer_.data() + position_, unread);
        length_ = unread;
        position_ = 0;
        const bool first = encoding_ == Encoding::Unknown;
        if (first) Assert(length_ == 0, kAppend, L"332");

        std::uint32_t got = 0, error = 0;
        if (file_->Read(buffer_.data() + length_, static_cast<std::uint32_t>(kBufferSize - length_), got, error)) {
            if (got == 0) eof_ = true;
        } else {
            got = 0;
            if (error == file_error::HandleEof) {
                eof_ = true;
            } else {
                lastError_ = error;
            }
        }
        got = std::min<std::uint32_t>(got, static_cast<std::uint32_t>(kBufferSize - length_));
        length_ += got;
        if (eof_) return false;
        if (first) {
            if (got >= 3 && buffer_[0] == 0xEF && buffer_[1] == 0xBB && buffer_[2] == 0xBF) {
                encoding_ = Encoding::Utf8;
                position_ = 3;
            } else {
                encoding_ = Encoding::Ansi;
            }
        }
        return got > 0;
    });
}

std::wstring CLangFile::Mem2Str(const std::uint8_t* bytes, std::size_t count) {
    return Trapped(kMem2Str, [&] {
        std::wstring out;
        if (count == 0) return out;
        const std::string_view text(reinterpret_cast<const char*>(bytes), count);
        switch (encoding_) {
            case Encoding::Utf8: {
                auto& files = mFileUtils::PlatformFiles();
                std::uint32_t error = 0;
                const int n = files.Utf8ToWide(text, nullptr, 0, error);
                if (n > 0) {
                    out.resize(static_cast<std::size_t>(n));
                    if (files.Utf8ToWide(text, out.data(), n, error) == n) return out;
                    LogError(kMem2Str, static_cast<std::int32_t>(error), L"MultiByteToWideChar(2) failed");
                } else {
                    LogError(kMem2Str, static_cast<std::int32_t>(error), L"MultiByteToWideChar failed");
                }
                Assert(false, kMem2Str, L"269");
                [[fallthrough]];
            }
            case Encoding::Ansi: {
                auto* cp = CurrentPlatform().codePage;
                if (!cp) Raise(err::InternalError, L"No code page");
                return cp->FromAnsi(text);
            }
            case Encoding::Unknown:
                break;
        }
        Assert(false, kMem2Str, L"283");
        return std::wstring();
    });
}

}  // namespace brisko
