// A registry in front of another that counts the calls and fails the ones it is told to.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/registry.h"

namespace brisko::testing {

class FailingRegistry : public Registry {
public:
    explicit FailingRegistry(Registry& inner) : inner_(inner) {}

    enum Kind { Open, Create, Query, Set, Delete, Any };
    // The k-th call from now (1 = the next) fails with access denied; 0 fails none.
    void FailCall(std::uint64_t k) { failAt_ = k == 0 ? 0 : calls_ + k; }
    // Every call of a kind fails.
    void FailKind(Kind kind) { failKind_ = kind; }
    std::uint64_t Calls() const noexcept { return calls_; }
    std::uint64_t Deletes() const noexcept { return deletes_; }
    // The kind of the last call that was failed, Any when none was.
    Kind FailedKind() const noexcept { return failed_; }

    std::int32_t OpenKey(std::uint32_t root, std::string_view subKey, std::uint32_t access,
                         std::uint32_t& key) override {
        if (Fails(Open)) return reg::AccessDenied;
        return inner_.OpenKey(root, subKey, access, key);
    }
    std::int32_t CreateKey(std::uint32_t root, std::string_view subKey, std::uint32_t access, std::uint32_t& key,
                           std::uint32_t* disposition) override {
        if (Fails(Create)) return reg::AccessDenied;
        return inner_.CreateKey(root, subKey, access, key, disposition);
    }
    std::int32_t QueryValue(std::uint32_t key, std::string_view name, std::uint32_t& type, std::uint8_t* data,
                            std::uint32_t& size) override {
        if (Fails(Query)) return reg::AccessDenied;
        return inner_.QueryValue(key, name, type, data, size);
    }
    std::int32_t SetValue(std::uint32_t key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                          std::uint32_t size) override {
        if (Fails(Set)) return reg::AccessDenied;
        return inner_.SetValue(key, name, type, data, size);
    }
    std::int32_t EnumValue(std::uint32_t key, std::uint32_t index, char* name, std::uint32_t& nameChars,
                           std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override {
        if (Fails(Query)) return reg::AccessDenied;
        return inner_.EnumValue(key, index, name, nameChars, type, data, size);
    }
    std::int32_t EnumKey(std::uint32_t key, std::uint32_t index, char* name, std::uint32_t& nameChars) override {
        if (Fails(Query)) return reg::AccessDenied;
        return inner_.EnumKey(key, index, name, nameChars);
    }
    std::int32_t DeleteValue(std::uint32_t key, std::string_view name) override {
        ++deletes_;
        if (Fails(Delete)) return reg::AccessDenied;
        return inner_.DeleteValue(key, name);
    }
    std::int32_t DeleteKey(std::uint32_t key, std::string_view subKey) override {
        if (Fails(Delete)) return reg::AccessDenied;
        return inner_.DeleteKey(key, subKey);
    }
    std::int32_t FlushKey(std::uint32_t key) override { return inner_.FlushKey(key); }
    // Closing never fails: the handle must go back.
    std::int32_t CloseKey(std::uint32_t key) override { return inner_.CloseKey(key); }

private:
    bool Fails(Kind kind) {
        ++calls_;
        const bool fail = calls_ == failAt_ || failKind_ == Any || failKind_ == kind;
        if (fail) failed_ = kind;
        return fail;
    }

    Registry& inner_;
    std::uint64_t calls_ = 0;
    std::uint64_t failAt_ = 0;
    std::uint64_t deletes_ = 0;
    int failKind_ = -1;
    Kind failed_ = Any;
};

}  // namespace brisko::testing
