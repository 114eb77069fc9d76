// The registry in memory, answering as the real one does: names in Windows-1252 compared without
// regard to case and kept as written, data byte-exact, sub-keys and values listed in name order,
// access rights of each handle enforced, handles of deleted keys answering KeyDeleted.
// HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace brisko::sim {

class SimRegistry : public Registry {
public:
    SimRegistry();
    ~SimRegistry() override;
    SimRegistry(const SimRegistry&) = delete;
    SimRegistry& operator=(const SimRegistry&) = delete;

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

    // For tests and tools: reg::Preset, reg::PresetString, reg::PresetDword and reg::Dump on
    // this registry (platform/registry_text.h).
    bool Preset(std::string_view path, std::string_view name, std::uint32_t type, std::string_view data);
    bool PresetString(std::string_view path, std::string_view name, std::string_view text);
    bool PresetDword(std::string_view path, std::string_view name, std::uint32_t value);
    std::string Dump(std::string_view path);

    // Handles open now, the predefined roots not counted.
    std::size_t OpenHandleCount() const noexcept { return handles_.size(); }

private:
    struct Node;
    struct Handle {
        std::shared_ptr<Node> node;
        std::uint32_t access = 0;
    };

    std::int32_t Lookup(std::uint32_t key, std::uint32_t required, std::shared_ptr<Node>& node) const;
    std::uint32_t NewHandle(std::shared_ptr<Node> node, std::uint32_t access);
    std::shared_ptr<Node> RootNode(std::uint32_t key) const;

    std::shared_ptr<Node> classesRoot_, currentUser_, localMachine_, users_;
    std::map<std::uint32_t, Handle> handles_;
    std::uint32_t nextHandle_ = 0x100;
};

}  // namespace brisko::sim
