#include "platform/image_list.h"

#include "automation/error.h"
#include "automation/text.h"
#include "platform/list_image.h"
#include "platform/list_images.h"
#include "platform/pictures.h"

namespace brisko {

void ImageListState::Rebuild() {
    store->Reset(width, height);
    for (const auto& image : images) {
        const ObjectPtr& picture = image->Picture();
        store->Add(GetOf(picture, L"Type").AsInt(),
                   static_cast<std::uint32_t>(GetOf(picture, L"Handle").AsInt()));
    }
}

namespace {
void CheckSize(int width, int height) {
    if (width < 1 || height < 1) Raise(err::InvalidPropertyValue, L"Invalid property value");
}
}  // namespace

ImageList::ImageList(std::unique_ptr<ImageStore> store, int width, int height)
    : state_(std::make_shared<ImageListState>()) {
    CheckSize(width, height);
    state_->width = width;
    state_->height = height;
    state_->store = std::move(store);
    state_->store->Reset(width, height);
}

void ImageList::Resize(int width, int height) {
    if (!state_->images.empty()) {
        Raise(err::ImageSizeFixed, L"Property is read-only if image list contains images");
    }
    CheckSize(width, height);
    state_->store->Reset(width, height);
    state_->width = width;
    state_->height = height;
}

void ImageList::SetImageWidth(int width) { Resize(width, state_->height); }
void ImageList::SetImageHeight(int height) { Resize(state_->width, height); }

std::shared_ptr<ListImages> ImageList::Images() {
    if (!images_) images_ = std::make_shared<ListImages>(state_);
    return images_;
}

Value ImageList::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    const bool get = kind == CallKind::Get || kind == CallKind::Method;
    if (EqualsNoCase(name, L"ImageWidth") || EqualsNoCase(name, L"ImageHeight")) {
        const bool width = EqualsNoCase(name, L"ImageWidth");
        if (get && args.empty()) return width ? ImageWidth() : ImageHeight();
        if (kind == CallKind::Put && args.size() == 1) {
            if (width) {
                SetImageWidth(args[0].AsInt());
            } else {
                SetImageHeight(args[0].AsInt());
            }
            return {};
        }
        Raise(err::WrongArguments);
    }
    if (EqualsNoCase(name, L"ListImages")) {
        if (get && args.empty()) return Images();
        Raise(err::WrongArguments);
    }
    Raise(err::NotSupported);
}

}  // namespace brisko
