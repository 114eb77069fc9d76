// Icon and bitmap resources of the add-in as OLE pictures: one icon picture for the ribbon, or a
// colour and a mask bitmap picture for a command-bar button's face.
//
// A resource id is a Value: a string names the resource (converted to the ANSI code page), a
// number is an integer resource identifier. Resources come from the add-in's own module.
#pragma once

#include <cstdint>
#include <string>

#include "automation/object.h"
#include "automation/value.h"

namespace brisko {

// LoadIconA (the standard size) when nWidth or nHeight is 0, else LoadImageA at that size, shared
// (LR_SHARED) when bShared. 0 on failure, with sError "LoadImage failed, LastError=0x<hex>".
std::uintptr_t LoadIconHandle(const Value& vResID, std::int32_t nWidth, std::int32_t nHeight, bool bShared,
                              std::wstring& sError);
// A picture of type icon / bitmap that owns the handle; nothing on failure, with sError
// "OleCreatePictureIndirect failed, hr=0x<hex>" (the handle then stays the caller's).
ObjectPtr IconToPicture(std::uintptr_t hIcon, std::wstring& sError);
ObjectPtr BitmapToPicture(std::uintptr_t hBitmap, std::wstring& sError);
// The icon resource as a picture of type icon; raises 13 with the error text.
ObjectPtr LoadIconPicture(const Value& vResID, std::int32_t nWidth, std::int32_t nHeight, bool bShared);
// The icon's colour and mask bitmaps as two bitmap pictures; both start as nothing. Raises 13
// with the error text of the first step that failed.
void LoadIconBitmaps(const Value& vResID, ObjectPtr& oColor, ObjectPtr& oMask, std::int32_t nWidth,
                     std::int32_t nHeight);
// The bitmap resource as a picture of type bitmap; raises 13 with the error text.
ObjectPtr LoadBitmapPicture(const Value& vResID);
// The icon at 16 x 16 as the button's Picture and Mask. Errors are ignored and cleared; the
// button's face then stays as it was.
void SetButtonPicture(const ObjectPtr& oButton, const Value& vResID) noexcept;

}  // namespace brisko
