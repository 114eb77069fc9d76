#include "platform/sim/sim_registry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#include "platform/registry_text.h"
#include "platform/sim/sim_platform.h"

namespace brisko::sim {

namespace {

// Longest sub-key path the ANSI functions take, and longest single key name, in characters.
constexpr std::size_t kMaxPathChars = 260;
constexpr std::size_t kMaxKeyNameChars = 256;
constexpr std::int32_t kNoAccess = 998;  // ERROR_NOACCESS: data missing for a non-zero size

std::string_view CName(std::string_view name) { return name.substr(0, name.find('\0')); }

// The name as the registry compares and orders it: Unicode characters, lower-cased.
std::wstring Fold(std::string_view name) {
    std::wstring w = Cp1252().FromAnsi(name);
    for (auto& c : w) {
        const auto u = static_cast<std::uint32_t>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) {
            c = static_cast<wchar_t>(u + 0x20);
        } else if (u == 0x0160 || u == 0x0152 || u == 0x017D) {
            c = static_cast<wchar_t>(u + 1);
        } else if (u == 0x0178) {
            c = static_cast<wchar_t>(0xFF);
        }
    }
    return w;
}

bool IsString(std::uint32_t type) { return type == reg::Sz || type == reg::ExpandSz || type == reg::MultiSz; }

std::uint32_t GrantedRights(std::uint32_t access) {
    std::uint32_t m = access;
    if (m & (reg::GenericAll | reg::MaximumAllowed)) m |= reg::AllAccess;
    if (m & (reg::GenericRead | reg::GenericExecute)) m |= reg::Read;
    if (m & reg::GenericWrite) m |= reg::Write;
    return m & reg::AllAccess;
}

// The names of a sub-key path; empty parts (doubled or trailing separators) are skipped.
std::int32_t SplitPath(std::string_view path, std::vector<std::string_view>& parts) {
    path = CName(path);
    if (path.size() > kMaxPathChars) return reg::MoreData;
    if (!path.empty() && path.front() == '\\') return reg::BadPathName;
    while (!path.empty()) {
        const auto cut = std::min(path.find('\\'), path.size());
        const auto part = path.substr(0, cut);
        if (part.size() > kMaxKeyNameChars) return reg::InvalidParameter;
        if (!part.empty()) parts.push_back(part);
        path.remove_prefix(std::min(cut + 1, path.size()));
    }
    return reg::Success;
}

}  // namespace

struct SimRegistry::Node {
    struct Value {
        std::string name;
        std::uint32_t type = reg::None;
        std::vector<std::uint8_t> data;
    };

    std::string name;
    Node* parent = nullptr;
    bool root = false;
    bool deleted = false;
    std::map<std::wstring, Value> values;
    std::map<std::wstring, std::shared_ptr<Node>> children;

    std::shared_ptr<Node> Child(std::string_view childName) const {
        const auto it = children.find(Fold(childName));
        return it == children.end() ? nullptr : it->second;
    }
    std::shared_ptr<Node> AddChild(std::string_view childName) {
        auto n = std::make_shared<Node>();
        n->name = std::string(childName);
        n->parent = this;
        children[Fold(childName)] = n;
        return n;
    }
};

SimRegistry::SimRegistry()
    : currentUser_(std::make_shared<Node>()), localMachine_(std::make_shared<Node>()), users_(std::make_shared<Node>()) {
    currentUser_->root = localMachine_->root = users_->root = true;
    classesRoot_ = localMachine_->AddChild("Software")->AddChild("Classes");
    classesRoot_->root = true;
}

SimRegistry::~SimRegistry() = default;

std::shared_ptr<SimRegistry::Node> SimRegistry::RootNode(std::uint32_t key) const {
    switch (key) {
        case reg::ClassesRoot: return classesRoot_;
        case reg::CurrentUser: return currentUser_;
        case reg::LocalMachine: return localMachine_;
        case reg::Users: return users_;
        default: return nullptr;
    }
}

// Rights are checked before the key's deletion, as the real registry does.
std::int32_t SimRegistry::Lookup(std::uint32_t key, std::uint32_t required, std::shared_ptr<Node>& node) const {
    node = RootNode(key);
    if (!node) {
        const auto it = handles_.find(key);
        if (it == handles_.end()) return reg::InvalidHandle;
        if ((it->second.access & required) != required) return reg::AccessDenied;
        node = it->second.node;
    }
    return node->deleted ? reg::KeyDeleted : reg::Success;
}

std::uint32_t SimRegistry::NewHandle(std::shared_ptr<Node> node, std::uint32_t access) {
    const auto h = nextHandle_;
    nextHandle_ += 4;
    handles_[h] = Handle{std::move(node), GrantedRights(access)};
    return h;
}

std::int32_t SimRegistry::OpenKey(std::uint32_t root, std::string_view subKey, std::uint32_t access,
                                  std::uint32_t& key) {
    key = 0;
    std::shared_ptr<Node> node;
    std::vector<std::string_view> parts;
    if (auto r = Lookup(root, 0, node); r != reg::Success) return r;
    if (auto r = SplitPath(subKey, parts); r != reg::Success) return r;
    if (parts.empty() && RootNode(root)) {
        key = root;
        return reg::Success;
    }
    for (auto part : parts) {
        node = node->Child(part);
        if (!node) return reg::FileNotFound;
    }
    key = NewHandle(std::move(node), access);
    return reg::Success;
}

std::int32_t SimRegistry::CreateKey(std::uint32_t root, std::string_view subKey, std::uint32_t access,
                                    std::uint32_t& key, std::uint32_t* disposition) {
    key = 0;
    std::shared_ptr<Node> node;
    std::vector<std::string_view> parts;
    if (auto r = Lookup(root, 0, node); r != reg::Success) return r;
    if (auto r = SplitPath(subKey, parts); r != reg::Success) return r;
    bool created = false;
    for (auto part : parts) {
        auto child = node->Child(part);
        if (!child) {
            child = node->AddChild(part);
            created = true;
        }
        node = std::move(child);
    }
    key = NewHandle(std::move(node), access);
    if (disposition) *disposition = created ? reg::CreatedNewKey : reg::OpenedExistingKey;
    return reg::Success;
}

std::int32_t SimRegistry::QueryValue(std::uint32_t key, std::string_view name, std::uint32_t& type,
                                     std::uint8_t* data, std::uint32_t& size) {
    std::shared_ptr<Node> node;
    if (auto r = Lookup(key, reg::QueryValueRight, node); r != reg::Success) return r;
    const auto it = node->values.find(Fold(CName(name)));
    if (it == node->values.end()) return reg::FileNotFound;
    const auto& v = it->second;
    const auto length = static_cast<std::uint32_t>(v.data.size());
    type = v.type;
    if (!data) {
        size = length;
        return reg::Success;
    }
    if (size < length) {
        size = length;
        return reg::MoreData;
    }
    std::copy(v.data.begin(), v.data.end(), data);
    // With room to spare a string not ending in a null gets one after the data, not counted.
    if (IsString(v.type) && length > 0 && length < size && data[length - 1] != 0) data[length] = 0;
    size = length;
    return reg::Success;
}

std::int32_t SimRegistry::SetValue(std::uint32_t key, std::string_view name, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t size) {
    std::shared_ptr<Node> node;
    if (auto r = Lookup(key, reg::SetValueRight, node); r != reg::Success) return r;
    name = CName(name);
    if (name.size() > reg::MaxValueNameChars) return reg::InvalidParameter;
    if (!data && size > 0) return kNoAccess;
    auto& v = node->values[Fold(name)];
    if (v.name.empty()) v.name = std::string(name);
    v.type = type;
    v.data.assign(data, data + size);
    return reg::Success;
}

std::int32_t SimRegistry::EnumValue(std::uint32_t key, std::uint32_t index, char* name, std::uint32_t& nameChars,
                                    std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) {
    std::shared_ptr<Node> node;
    if (auto r = Lookup(key, reg::QueryValueRight, node); r != reg::Success) return r;
    if (index >= node->values.size()) return reg::NoMoreItems;
    const auto& v = std::next(node->values.begin(), static_cast<std::ptrdiff_t>(index))->second;
    const auto length = static_cast<std::uint32_t>(v.data.size());
    if (type) *type = v.type;
    const std::uint32_t room = size ? *size : 0;
    if (size) *size = length;
    // Neither name nor data is written unless both fit.
    if (v.name.size() >= nameChars || (data && size && room < length)) return reg::MoreData;
    std::memcpy(name, v.name.data(), v.name.size());
    name[v.name.size()] = '\0';
    nameChars = static_cast<std::uint32_t>(v.name.size());
    if (data && size) {
        std::copy(v.data.begin(), v.data.end(), data);
        if (IsString(v.type) && length > 0 && length < room && data[length - 1] != 0) data[length] = 0;
    }
    return reg::Success;
}

std::int32_t SimRegistry::EnumKey(std::uint32_t key, std::uint32_t index, char* name, std::uint32_t& nameChars) {
    std::shared_ptr<Node> node;
    if (auto r = Lookup(key, reg::EnumerateSubKeysRight, node); r != reg::Success) return r;
    if (index >= node->children.size()) return reg::NoMoreItems;
    const auto& childName = std::next(node->children.begin(), static_cast<std::ptrdiff_t>(index))->second->name;
    if (childName.size() >= nameChars) return reg::MoreData;
    std::memcpy(name, childName.data(), childName.size());
    name[childName.size()] = '\0';
    nameChars = static_cast<std::uint32_t>(childName.size());
    return reg::Success;
}

std::int32_t SimRegistry::DeleteValue(std::uint32_t key, std::string_view name) {
    std::shared_ptr<Node> node;
    if (auto r = Lookup(key, reg::SetValueRight, node); r != reg::Success) return r;
    return node->values.erase(Fold(CName(name))) ? reg::Success : reg::FileNotFound;
}

std::int32_t SimRegistry::DeleteKey(std::uint32_t key, std::string_view subKey) {
    std::shared_ptr<Node> node;
    std::vector<std::string_view> parts;
    if (auto r = Lookup(key, 0, node); r != reg::Success) return r;
    if (auto r = SplitPath(subKey, parts); r != reg::Success) return r;
    for (auto part : parts) {
        node = node->Child(part);
        if (!node) return reg::FileNotFound;
    }
    if (node->root || !node->children.empty()) return reg::AccessDenied;
    node->deleted = true;
    node->parent->children.erase(Fold(node->name));
    return reg::Success;
}

std::int32_t SimRegistry::FlushKey(std::uint32_t key) {
    std::shared_ptr<Node> node;
    return Lookup(key, 0, node);
}

std::int32_t SimRegistry::CloseKey(std::uint32_t key) {
    if (RootNode(key)) return reg::Success;
    return handles_.erase(key) ? reg::Success : reg::InvalidHandle;
}

bool SimRegistry::Preset(std::string_view path, std::string_view name, std::uint32_t type, std::string_view data) {
    return reg::Preset(*this, path, name, type, data);
}

bool SimRegistry::PresetString(std::string_view path, std::string_view name, std::string_view text) {
    return reg::PresetString(*this, path, name, text);
}

bool SimRegistry::PresetDword(std::string_view path, std::string_view name, std::uint32_t value) {
    return reg::PresetDword(*this, path, name, value);
}

std::string SimRegistry::Dump(std::string_view path) { return reg::Dump(*this, path); }

}  // namespace brisko::sim
