#include "automation/collection.h"

#include "automation/error.h"
#include "automation/text.h"

namespace brisko {

namespace {
constexpr std::size_t kNone = static_cast<std::size_t>(-1);
}

std::size_t Collection::FindKey(std::wstring_view key) const noexcept {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (!items_[i].key.empty() && EqualsNoCase(items_[i].key, key)) return i;
    }
    return kNone;
}

bool Collection::HasKey(std::wstring_view key) const noexcept { return !key.empty() && FindKey(key) != kNone; }

void Collection::Add(Value item, std::optional<std::wstring> key, std::optional<int> before, std::optional<int> after) {
    if (key && key->empty()) Raise(err::InvalidCall);
    if (key && FindKey(*key) != kNone) Raise(err::DuplicateKey);
    if (before && after) Raise(err::InvalidCall);
    std::size_t at = items_.size();
    if (before) {
        if (*before < 1 || *before > Count()) Raise(err::SubscriptOutOfRange);
        at = static_cast<std::size_t>(*before - 1);
    } else if (after) {
        if (*after < 1 || *after > Count()) Raise(err::SubscriptOutOfRange);
        at = static_cast<std::size_t>(*after);
    }
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), Entry{std::move(item), key ? *key : L""});
}

std::size_t Collection::PositionOf(const Value& indexOrKey) const {
    if (indexOrKey.type() == VarType::String) {
        const auto pos = FindKey(indexOrKey.AsString());
        if (pos == kNone) Raise(err::InvalidCall);
        return pos;
    }
    if (!indexOrKey.IsNumeric() || indexOrKey.IsEmpty()) Raise(err::TypeMismatch);
    const auto index = indexOrKey.AsInt();
    if (index < 1 || index > Count()) Raise(err::SubscriptOutOfRange);
    return static_cast<std::size_t>(index - 1);
}

Value Collection::Item(const Value& indexOrKey) const { return items_[PositionOf(indexOrKey)].item; }

void Collection::Remove(const Value& indexOrKey) {
    const auto pos = PositionOf(indexOrKey);
    // Release the item after the collection is consistent: its destruction may call back.
    Value removed = std::move(items_[pos].item);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(pos));
}

Value Collection::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    auto optionalText = [&](std::size_t i) -> std::optional<std::wstring> {
        if (args.size() <= i || args[i].IsEmptyOrMissing()) return std::nullopt;
        return args[i].AsString();
    };
    auto optionalInt = [&](std::size_t i) -> std::optional<int> {
        if (args.size() <= i || args[i].IsEmptyOrMissing()) return std::nullopt;
        return args[i].AsInt();
    };
    if (EqualsNoCase(name, L"Count") && kind != CallKind::Put && args.empty()) return Count();
    if (EqualsNoCase(name, L"Item") && kind != CallKind::Put && args.size() == 1) return Item(args[0]);
    if (EqualsNoCase(name, L"Add") && kind == CallKind::Method && !args.empty() && args.size() <= 4) {
        Add(args[0], optionalText(1), optionalInt(2), optionalInt(3));
        return {};
    }
    if (EqualsNoCase(name, L"Remove") && kind == CallKind::Method && args.size() == 1) {
        Remove(args[0]);
        return {};
    }
    if (EqualsNoCase(name, L"Count") || EqualsNoCase(name, L"Item") || EqualsNoCase(name, L"Add") ||
        EqualsNoCase(name, L"Remove")) {
        Raise(err::WrongArguments);
    }
    Raise(err::NotSupported);
}

std::shared_ptr<Collection> MakeCollection(std::initializer_list<Value> items) {
    auto c = std::make_shared<Collection>();
    for (const auto& v : items) c->Add(v);
    return c;
}

}  // namespace brisko
