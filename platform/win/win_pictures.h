// Icons and bitmaps of a module's resources, OLE pictures over them (IPictureDisp, reached
// through the automation layer) and image lists over comctl32.
#pragma once

#include <cstdint>

#include "platform/pictures.h"

namespace brisko::win {

class WinPictures : public Pictures {
public:
    // Resources come from the given module; 0: the add-in module, CurrentPlatform().moduleHandle.
    explicit WinPictures(std::uintptr_t module = 0) : module_(module) {}

    std::uintptr_t LoadIconResource(const ResourceId& id, int width, int height, bool shared) override;
    std::uintptr_t LoadBitmapResource(const ResourceId& id) override;
    bool GetIconBitmaps(std::uintptr_t icon, IconBitmaps& bitmaps) override;
    void FreeIcon(std::uintptr_t icon) noexcept override;
    void FreeBitmap(std::uintptr_t bitmap) noexcept override;
    std::uint32_t LastError() const override { return lastError_; }
    // A DispatchObject over the picture's IPictureDisp: handed to a host, its IDispatch is the
    // picture itself.
    ObjectPtr CreatePicture(std::int32_t type, std::uintptr_t handle, std::int32_t& hr) override;
    // ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK); icons go in with ImageList_AddIcon,
    // bitmaps with ImageList_Add, ListImage.Draw is ImageList_Draw.
    ObjectPtr NewImageList(int width, int height) override;

private:
    std::uintptr_t Module() const;

    std::uintptr_t module_;
    std::uint32_t lastError_ = 0;
};

}  // namespace brisko::win
