#include "platform/registry_text.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace brisko::reg {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

// An open key, closed with its owner.
class Key {
public:
    Key(Registry& registry, std::uint32_t handle) : registry_(registry), handle_(handle) {}
    ~Key() { registry_.CloseKey(handle_); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    std::uint32_t get() const { return handle_; }

private:
    Registry& registry_;
    std::uint32_t handle_;
};

// Bytes outside printable ASCII as \xHH; in quoted texts \ and " escaped too.
void Escape(std::string& out, std::string_view text, bool quoted = true) {
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (quoted && (ch == '\\' || ch == '"')) {
            out += '\\';
            out += ch;
        } else if (b < 0x20 || b >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(b));
            out += buf;
        } else {
            out += ch;
        }
    }
}

void AppendData(std::string& out, std::uint32_t type, const std::vector<std::uint8_t>& data) {
    const std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
    if (type == Sz || type == ExpandSz) {
        const bool terminated = !bytes.empty() && bytes.back() == '\0';
        out += type == Sz ? "REG_SZ" : "REG_EXPAND_SZ";
        out += terminated ? ":\"" : "(no null):\"";
        Escape(out, terminated ? bytes.substr(0, bytes.size() - 1) : bytes);
        out += '"';
    } else if (type == Dword && data.size() == 4) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x",
                      static_cast<unsigned>(data[0] | data[1] << 8 | data[2] << 16 |
                                            static_cast<std::uint32_t>(data[3]) << 24));
        out += buf;
    } else {
        out += type == Binary ? "hex:" : "hex(" + std::to_string(type) + "):";
        for (std::size_t i = 0; i < data.size(); ++i) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>(data[i]));
            if (i) out += ',';
            out += buf;
        }
    }
}

std::string Folded(std::string_view name) {
    std::string f(name);
    for (auto& c : f) c = LowerAscii(c);
    return f;
}

// Values in name order whatever order the backend enumerates them in.
void DumpValues(Registry& registry, std::uint32_t key, std::string& out) {
    struct Entry {
        std::string name;
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
    };
    std::vector<Entry> entries;
    std::vector<char> name(MaxValueNameChars + 1);
    for (std::uint32_t i = 0;; ++i) {
        std::uint32_t chars = static_cast<std::uint32_t>(name.size());
        std::uint32_t type = 0, size = 0;
        if (registry.EnumValue(key, i, name.data(), chars, &type, nullptr, &size) != Success) break;
        std::vector<std::uint8_t> data(size);
        chars = static_cast<std::uint32_t>(name.size());
        if (size && registry.EnumValue(key, i, name.data(), chars, &type, data.data(), &size) != Success) break;
        data.resize(size);
        entries.push_back({std::string(name.data(), chars), type, std::move(data)});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return Folded(a.name) < Folded(b.name); });
    for (const auto& e : entries) {
        if (e.name.empty()) {
            out += '@';
        } else {
            out += '"';
            Escape(out, e.name);
            out += '"';
        }
        out += '=';
        AppendData(out, e.type, e.data);
        out += '\n';
    }
}

std::vector<std::string> SubKeys(Registry& registry, std::uint32_t key) {
    std::vector<std::string> names;
    char name[260];
    for (std::uint32_t i = 0;; ++i) {
        std::uint32_t chars = sizeof name;
        if (registry.EnumKey(key, i, name, chars) != Success) break;
        names.emplace_back(name, chars);
    }
    return names;
}

void DumpTree(Registry& registry, std::uint32_t key, const std::string& keyPath, std::string& out) {
    out += '[';
    Escape(out, keyPath, false);
    out += "]\n";
    DumpValues(registry, key, out);
    for (const auto& child : SubKeys(registry, key)) {
        std::uint32_t handle = 0;
        if (registry.OpenKey(key, child, Read, handle) != Success) continue;
        Key sub(registry, handle);
        DumpTree(registry, sub.get(), keyPath + '\\' + child, out);
    }
}

}  // namespace

std::optional<KeyPath> ParseKeyPath(std::string_view path) {
    static constexpr struct {
        std::string_view shortName, longName;
        std::uint32_t key;
    } kRoots[] = {{"HKCR", "HKEY_CLASSES_ROOT", ClassesRoot},
                  {"HKCU", "HKEY_CURRENT_USER", CurrentUser},
                  {"HKLM", "HKEY_LOCAL_MACHINE", LocalMachine},
                  {"HKU", "HKEY_USERS", Users}};
    const auto cut = std::min(path.find('\\'), path.size());
    const auto head = path.substr(0, cut);
    for (const auto& r : kRoots) {
        if (SameName(head, r.shortName) || SameName(head, r.longName)) {
            return KeyPath{r.key, r.shortName, path.substr(std::min(cut + 1, path.size()))};
        }
    }
    return std::nullopt;
}

bool Preset(Registry& registry, std::string_view path, std::string_view name, std::uint32_t type,
            std::string_view data) {
    const auto where = ParseKeyPath(path);
    std::uint32_t handle = 0;
    if (!where || registry.CreateKey(where->root, where->subKey, AllAccess, handle, nullptr) != Success) return false;
    Key key(registry, handle);
    return registry.SetValue(key.get(), name, type, reinterpret_cast<const std::uint8_t*>(data.data()),
                             static_cast<std::uint32_t>(data.size())) == Success;
}

bool PresetString(Registry& registry, std::string_view path, std::string_view name, std::string_view text) {
    std::string data(text);
    data.push_back('\0');
    return Preset(registry, path, name, Sz, data);
}

bool PresetDword(Registry& registry, std::string_view path, std::string_view name, std::uint32_t value) {
    const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 24)};
    return Preset(registry, path, name, Dword, std::string_view(bytes, 4));
}

std::string Dump(Registry& registry, std::string_view path) {
    const auto where = ParseKeyPath(path);
    if (!where) return {};
    // Walk down one name at a time to write each as stored.
    std::uint32_t handle = where->root;
    std::string header(where->rootName);
    std::string_view rest = where->subKey;
    while (!rest.empty()) {
        const auto cut = std::min(rest.find('\\'), rest.size());
        const auto part = rest.substr(0, cut);
        rest.remove_prefix(std::min(cut + 1, rest.size()));
        if (part.empty()) continue;
        std::string stored(part);
        for (const auto& child : SubKeys(registry, handle)) {
            if (SameName(child, part)) stored = child;
        }
        std::uint32_t next = 0;
        const auto opened = registry.OpenKey(handle, stored, Read, next);
        if (handle != where->root) registry.CloseKey(handle);
        if (opened != Success) return {};
        handle = next;
        header += '\\' + stored;
    }
    Key key(registry, handle);
    std::string out;
    DumpTree(registry, key.get(), header, out);
    return out;
}

}  // namespace brisko::reg
