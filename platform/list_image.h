// One image of an image list: its picture, key and tag, its position, and drawing it.
#pragma once

#include <memory>
#include <string>

#include "automation/object.h"
#include "platform/image_list.h"

namespace brisko {

class ListImage : public Object {
public:
    ListImage(std::weak_ptr<ImageListState> list, ObjectPtr picture, std::wstring key)
        : list_(std::move(list)), picture_(std::move(picture)), key_(std::move(key)) {}

    // The position from 1; 35605 once the image left its list.
    int Index() const;
    const std::wstring& Key() const noexcept { return key_; }
    // 35602 when another image of the list has the key.
    void SetKey(std::wstring key);
    const ObjectPtr& Picture() const noexcept { return picture_; }
    // The list's own drawing of the image into a device context.
    void Draw(std::uintptr_t dc, int x, int y, std::int32_t style) const;

    // Index, Key (get and let), Picture, Tag (get and let), Draw(hDC, [x], [y], [Style]).
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return L"ListImage"; }

private:
    std::shared_ptr<ImageListState> List() const;

    std::weak_ptr<ImageListState> list_;
    ObjectPtr picture_;
    std::wstring key_;
    Value tag_;
};

}  // namespace brisko
