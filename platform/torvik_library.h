// The support library's entry points and its initialisation record.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace brisko {

// The record handed to TorvikInitEx: 180 bytes, little-endian. Pointer fields are 32 bits wide,
// as on the product target; on other builds they hold stand-in handles.
class TorvikInitParams {
public:
    static constexpr std::size_t kSize = 180;

    void Zero() noexcept { bytes_.fill(0); }
    std::uint32_t U32(std::size_t offset) const noexcept;
    std::uint16_t U16(std::size_t offset) const noexcept;
    void SetU32(std::size_t offset, std::uint32_t value) noexcept;
    void SetU16(std::size_t offset, std::uint16_t value) noexcept;

    std::uint8_t* data() noexcept { return bytes_.data(); }
    const std::uint8_t* data() const noexcept { return bytes_.data(); }
    const std::array<std::uint8_t, kSize>& bytes() const noexcept { return bytes_; }

    // Field offsets.
    static constexpr std::size_t kRecordSize = 0;
    static constexpr std::size_t kVersion = 4;
    static constexpr std::size_t kApplication = 8;
    static constexpr std::size_t kProductCode = 12;
    static constexpr std::size_t kFlag28 = 28;
    static constexpr std::size_t kField36 = 36;
    static constexpr std::size_t kEmailCallback = 40;
    static constexpr std::size_t kWindowRect = 56;
    static constexpr std::size_t kLangCallback = 60;
    static constexpr std::size_t kVersionTextsCallback = 64;
    static constexpr std::size_t kField172 = 172;
    static constexpr std::size_t kField176 = 176;

private:
    std::array<std::uint8_t, kSize> bytes_{};
};

// One bound copy of the library. Strings are in the system code page. Object arguments are
// passed as the 32-bit references the platform's handles give (see Platform::Handles).
class TorvikLibrary {
public:
    virtual ~TorvikLibrary() = default;
    virtual std::int32_t InitEx(std::uint32_t client, TorvikInitParams& params) = 0;
    virtual std::int32_t InitComplete(std::uint32_t client) = 0;
    virtual std::int32_t LogMsg(std::uint32_t client, const std::string& message, std::int32_t errorNumber,
                                const std::string& procedure, std::int32_t level, std::int32_t detail) = 0;
    virtual std::int32_t AddAboutMenu(std::uint32_t client, std::uint32_t commandBar) = 0;
    virtual std::int32_t ShowAbout(std::uint32_t client) = 0;
    virtual std::int32_t ShowContextHelp(std::uint32_t client, const std::string& topic) = 0;
};

class TorvikLoader {
public:
    virtual ~TorvikLoader() = default;
    // Binds the library by name; raises 53 when it can't be found and 453 when an export is missing.
    virtual std::shared_ptr<TorvikLibrary> Load() = 0;
};

}  // namespace brisko
