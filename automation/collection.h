// An ordered collection as VB's Collection: positions from 1, optional unique keys
// compared without regard to case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/object.h"

namespace brisko {

class Collection : public Object {
public:
    // Appends, or inserts before / after the item at a position. Raises 457 for a key in use,
    // 5 for an empty key given explicitly or for both positions, 9 for a position out of range.
    void Add(Value item, std::optional<std::wstring> key = std::nullopt, std::optional<int> before = std::nullopt,
             std::optional<int> after = std::nullopt);
    // By position (9 when out of range) or by key (5 when missing).
    // A string argument is a key, anything numeric a position.
    Value Item(const Value& indexOrKey) const;
    void Remove(const Value& indexOrKey);
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    bool HasKey(std::wstring_view key) const noexcept;

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return L"Collection"; }

private:
    struct Entry {
        Value item;
        std::wstring key;  // as given; empty for none
    };
    std::size_t PositionOf(const Value& indexOrKey) const;
    std::size_t FindKey(std::wstring_view key) const noexcept;

    std::vector<Entry> items_;
};

// A collection of the given values, for event parameters.
std::shared_ptr<Collection> MakeCollection(std::initializer_list<Value> items);

}  // namespace brisko
