#include "platform/list_images.h"

#include <algorithm>

#include "automation/error.h"
#include "automation/text.h"
#include "platform/image_list_args.h"
#include "platform/list_image.h"
#include "platform/pictures.h"

namespace brisko {

using image_list_args::Arg;
using image_list_args::Omitted;

std::size_t ListImages::PositionOf(const Value& indexOrKey) const {
    auto& images = state_->images;
    if (indexOrKey.type() == VarType::String) {
        const std::wstring key = indexOrKey.AsString();
        const auto it = std::find_if(images.begin(), images.end(), [&](const auto& image) {
            return !image->Key().empty() && EqualsNoCase(image->Key(), key);
        });
        if (it == images.end()) Raise(err::ElementNotFound, L"Element not found");
        return static_cast<std::size_t>(it - images.begin());
    }
    const auto index = indexOrKey.AsInt();
    if (index < 1 || index > Count()) Raise(err::IndexOutOfBounds, L"Index out of bounds");
    return static_cast<std::size_t>(index - 1);
}

std::shared_ptr<ListImage> ListImages::Item(const Value& indexOrKey) const {
    return state_->images[PositionOf(indexOrKey)];
}

std::shared_ptr<ListImage> ListImages::Add(const Value& index, const Value& key, const ObjectPtr& picture) {
    auto& images = state_->images;
    std::size_t at = images.size();
    if (!Omitted(index)) {
        const auto i = index.AsInt();
        if (i < 1 || i > Count() + 1) Raise(err::IndexOutOfBounds, L"Index out of bounds");
        at = static_cast<std::size_t>(i - 1);
    }
    std::wstring sKey = Omitted(key) ? std::wstring() : key.AsString();
    if (!sKey.empty() && std::any_of(images.begin(), images.end(),
                                     [&](const auto& image) { return EqualsNoCase(image->Key(), sKey); })) {
        Raise(err::KeyNotUnique, L"Key is not unique in collection");
    }
    if (!picture) Raise(err::InvalidPicture, L"Invalid picture");
    const auto type = GetOf(picture, L"Type").AsInt();
    if (type != kPicTypeIcon && type != kPicTypeBitmap) Raise(err::InvalidPicture, L"Invalid picture");
    const auto handle = static_cast<std::uint32_t>(GetOf(picture, L"Handle").AsInt());

    auto image = std::make_shared<ListImage>(state_, picture, std::move(sKey));
    if (at == images.size()) {
        state_->store->Add(type, handle);
        images.push_back(image);
    } else {
        images.insert(images.begin() + static_cast<std::ptrdiff_t>(at), image);
        try {
            state_->Rebuild();
        } catch (...) {
            images.erase(images.begin() + static_cast<std::ptrdiff_t>(at));
            state_->Rebuild();
            throw;
        }
    }
    return image;
}

void ListImages::Remove(const Value& indexOrKey) {
    const auto at = PositionOf(indexOrKey);
    state_->images.erase(state_->images.begin() + static_cast<std::ptrdiff_t>(at));
    state_->Rebuild();
}

void ListImages::Clear() {
    state_->images.clear();
    state_->store->Reset(state_->width, state_->height);
}

Value ListImages::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    const bool get = kind == CallKind::Get || kind == CallKind::Method;
    if (EqualsNoCase(name, L"Count") && get && args.empty()) return Count();
    if ((EqualsNoCase(name, L"Item") || name.empty()) && get && args.size() == 1) return Item(args[0]);
    if (EqualsNoCase(name, L"Add") && kind == CallKind::Method && args.size() <= 3) {
        const Value picture = Arg(args, 2);
        return Add(Arg(args, 0), Arg(args, 1), Omitted(picture) ? nullptr : picture.AsObject());
    }
    if (EqualsNoCase(name, L"Remove") && kind == CallKind::Method && args.size() == 1) {
        Remove(args[0]);
        return {};
    }
    if (EqualsNoCase(name, L"Clear") && kind == CallKind::Method && args.empty()) {
        Clear();
        return {};
    }
    for (const wchar_t* member : {L"Count", L"Item", L"Add", L"Remove", L"Clear"}) {
        if (EqualsNoCase(name, member)) Raise(err::WrongArguments);
    }
    Raise(err::NotSupported);
}

}  // namespace brisko
