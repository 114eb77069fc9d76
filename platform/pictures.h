// Icons and bitmaps among the add-in module's resources, OLE pictures over them, image lists.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "automation/object.h"

namespace brisko {

// Picture types (PICTYPE_BITMAP, PICTYPE_ICON), as a picture's Type tells them.
inline constexpr std::int32_t kPicTypeBitmap = 1;
inline constexpr std::int32_t kPicTypeIcon = 3;

// A resource of the add-in module: a name in the ANSI code page, or an integer identifier.
using ResourceId = std::variant<std::string, std::uint16_t>;

// What GetIconInfo gives: the colour and the mask bitmap, both the caller's to delete.
struct IconBitmaps {
    std::uintptr_t color = 0;
    std::uintptr_t mask = 0;
};

class Pictures {
public:
    virtual ~Pictures() = default;

    // With width or height 0: LoadIconA(module, id), the standard size; otherwise
    // LoadImageA(module, id, IMAGE_ICON, width, height, shared ? LR_SHARED : 0). 0 on failure,
    // with LastError() telling why.
    virtual std::uintptr_t LoadIconResource(const ResourceId& id, int width, int height, bool shared) = 0;
    // LoadImageA(module, id, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION): 0 on failure.
    virtual std::uintptr_t LoadBitmapResource(const ResourceId& id) = 0;
    // GetIconInfo; false on failure.
    virtual bool GetIconBitmaps(std::uintptr_t icon, IconBitmaps& bitmaps) = 0;
    // DestroyIcon (a shared icon stays), DeleteObject of a bitmap.
    virtual void FreeIcon(std::uintptr_t icon) noexcept = 0;
    virtual void FreeBitmap(std::uintptr_t bitmap) noexcept = 0;
    // The system error code of the last call above that failed.
    virtual std::uint32_t LastError() const = 0;

    // OleCreatePictureIndirect: a 20-byte PICTDESC of the type (kPicTypeIcon or kPicTypeBitmap)
    // and handle, no palette, IID_IPictureDisp, fOwn true: the picture destroys the handle when
    // it goes. A late-bound object (Handle, hPal, Type, Width, Height in HIMETRIC, as
    // IPictureDisp has them); nullptr on failure, with the HRESULT in hr (the handle is then
    // still the caller's).
    virtual ObjectPtr CreatePicture(std::int32_t type, std::uintptr_t handle, std::int32_t& hr) = 0;

    // An empty image list of width x height images: the object of platform/image_list.h.
    virtual ObjectPtr NewImageList(int width, int height) = 0;
};

}  // namespace brisko
