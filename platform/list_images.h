// The images of an image list: positions from 1, optional unique keys.
#pragma once

#include <memory>

#include "automation/object.h"
#include "platform/image_list.h"

namespace brisko {

class ListImages : public Object {
public:
    explicit ListImages(std::shared_ptr<ImageListState> state) : state_(std::move(state)) {}

    int Count() const noexcept { return static_cast<int>(state_->images.size()); }
    // By position (35600 when out of range) or by key (35601 when none has it).
    std::shared_ptr<ListImage> Item(const Value& indexOrKey) const;
    // Index: the position the image takes (Empty or Missing: the end; 35600 outside 1..Count+1);
    // key: a string unique among the images (35602), or none; picture: an icon or bitmap
    // picture (481 otherwise).
    std::shared_ptr<ListImage> Add(const Value& index, const Value& key, const ObjectPtr& picture);
    void Remove(const Value& indexOrKey);
    void Clear();

    // Count, Item (also the default member), Add([Index], [Key], Picture), Remove, Clear.
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return L"ListImages"; }

private:
    std::size_t PositionOf(const Value& indexOrKey) const;

    std::shared_ptr<ImageListState> state_;
};

}  // namespace brisko
