#include "platform/list_image.h"

#include <algorithm>

#include "automation/error.h"
#include "automation/text.h"
#include "platform/image_list_args.h"

namespace brisko {

using image_list_args::Arg;
using image_list_args::Omitted;

std::shared_ptr<ImageListState> ListImage::List() const {
    auto list = list_.lock();
    if (!list) Raise(err::ImageRemoved, L"Control has been deleted");
    return list;
}

int ListImage::Index() const {
    const auto list = List();
    const auto it = std::find_if(list->images.begin(), list->images.end(),
                                 [&](const auto& image) { return image.get() == this; });
    if (it == list->images.end()) Raise(err::ImageRemoved, L"Control has been deleted");
    return static_cast<int>(it - list->images.begin()) + 1;
}

void ListImage::SetKey(std::wstring key) {
    if (const auto list = list_.lock(); list && !key.empty()) {
        for (const auto& image : list->images) {
            if (image.get() != this && EqualsNoCase(image->Key(), key)) {
                Raise(err::KeyNotUnique, L"Key is not unique in collection");
            }
        }
    }
    key_ = std::move(key);
}

void ListImage::Draw(std::uintptr_t dc, int x, int y, std::int32_t style) const {
    const auto list = List();
    const int index = Index();
    list->store->Draw(static_cast<std::size_t>(index - 1), dc, x, y, style);
}

Value ListImage::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    const bool get = kind == CallKind::Get || kind == CallKind::Method;
    if (EqualsNoCase(name, L"Index") && get && args.empty()) return Index();
    if (EqualsNoCase(name, L"Picture") && get && args.empty()) return picture_;
    if (EqualsNoCase(name, L"Key")) {
        if (get && args.empty()) return key_;
        if (kind == CallKind::Put && args.size() == 1) {
            SetKey(args[0].AsString());
            return {};
        }
        Raise(err::WrongArguments);
    }
    if (EqualsNoCase(name, L"Tag")) {
        if (get && args.empty()) return tag_;
        if ((kind == CallKind::Put || kind == CallKind::PutRef) && args.size() == 1) {
            tag_ = args[0];
            return {};
        }
        Raise(err::WrongArguments);
    }
    if (EqualsNoCase(name, L"Draw") && kind == CallKind::Method && !args.empty() && args.size() <= 4) {
        // Device contexts travel as 32-bit numbers.
        const auto dc = static_cast<std::uint32_t>(args[0].AsInt());
        const Value x = Arg(args, 1), y = Arg(args, 2), style = Arg(args, 3);
        Draw(dc, Omitted(x) ? 0 : x.AsInt(), Omitted(y) ? 0 : y.AsInt(), Omitted(style) ? 0 : style.AsInt());
        return {};
    }
    for (const wchar_t* member : {L"Index", L"Picture", L"Draw"}) {
        if (EqualsNoCase(name, member)) Raise(err::WrongArguments);
    }
    Raise(err::NotSupported);
}

}  // namespace brisko
