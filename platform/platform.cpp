#include "platform/platform.h"

#include "automation/error.h"

namespace brisko {

namespace {
Platform g_platform;
}

Platform& CurrentPlatform() { return g_platform; }
void SetPlatform(const Platform& platform) { g_platform = platform; }

std::uint32_t TorvikInitParams::U32(std::size_t o) const noexcept {
    return static_cast<std::uint32_t>(bytes_[o]) | static_cast<std::uint32_t>(bytes_[o + 1]) << 8 |
           static_cast<std::uint32_t>(bytes_[o + 2]) << 16 | static_cast<std::uint32_t>(bytes_[o + 3]) << 24;
}

std::uint16_t TorvikInitParams::U16(std::size_t o) const noexcept {
    return static_cast<std::uint16_t>(bytes_[o] | bytes_[o + 1] << 8);
}

void TorvikInitParams::SetU32(std::size_t o, std::uint32_t v) noexcept {
    for (int i = 0; i < 4; ++i) bytes_[o + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void TorvikInitParams::SetU16(std::size_t o, std::uint16_t v) noexcept {
    bytes_[o] = static_cast<std::uint8_t>(v);
    bytes_[o + 1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace brisko
