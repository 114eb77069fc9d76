// The registry through advapi32's ANSI functions.
#pragma once

#include "platform/registry.h"

namespace brisko::win {

class WinRegistry : public Registry {
public:
    std::int32_t OpenKey(std::uint32_t root, std::string_view subKey, std::uint32_t access,
                         std::uint32_t& key) override;
    std::int32_t CreateKey(std::uint32_t root, std::string_view subKey, std::uint32_t access, std::uint32_t& key,
                           std::uint32_t* disposition) override;
    std::int32_t QueryValue(std::uint32_t key, std::string_view name, std::uint32_t& type, std::uint8_t* data,
                            std::uint32_t& size) override;
    std::int32_t SetValue(std::uint32_t key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                          std::uint32_t size) override;
    std::int32_t EnumValue(std::uint32_t key, std::uint32_t index, char* name, std::uint32_t& nameChars,
                           std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override;
    std::int32_t EnumKey(std::uint32_t key, std::uint32_t index, char* name, std::uint32_t& nameChars) override;
    std::int32_t DeleteValue(std::uint32_t key, std::string_view name) override;
    std::int32_t DeleteKey(std::uint32_t key, std::string_view subKey) override;
    std::int32_t FlushKey(std::uint32_t key) override;
    std::int32_t CloseKey(std::uint32_t key) override;
};

}  // namespace brisko::win
