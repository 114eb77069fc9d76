#include "addin/commands/mIcons.h"

#include "addin/host/error_discipline.h"
#include "automation/error.h"
#include "platform/pictures.h"
#include "platform/platform.h"

namespace brisko {

namespace {

// ERROR_INVALID_PARAMETER: a number that can't be an integer resource identifier.
constexpr std::uint32_t kErrorInvalidParameter = 87;

Pictures& ThePictures() {
    Pictures* pictures = CurrentPlatform().pictures;
    if (!pictures) Raise(err::ObjectNotSet);
    return *pictures;
}

// As Hex() writes a 32-bit number: upper-case, no leading zeros.
std::wstring Hex(std::uint32_t n) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring out;
    do {
        out.insert(out.begin(), kDigits[n & 0xF]);
        n >>= 4;
    } while (n);
    return out;
}

std::wstring LoadImageError(std::uint32_t lastError) { return L"LoadImage failed, LastError=0x" + Hex(lastError); }

// A string names the resource; a number is an integer identifier (0..65535, as MAKEINTRESOURCE
// takes it). False for a number outside that range.
bool ResourceOf(const Value& vResID, ResourceId& id) {
    if (vResID.type() == VarType::String) {
        CodePage* codePage = CurrentPlatform().codePage;
        if (!codePage) Raise(err::ObjectNotSet);
        id = codePage->ToAnsi(vResID.AsString());
        return true;
    }
    const auto n = vResID.AsInt();
    if (n < 0 || n > 0xFFFF) return false;
    id = static_cast<std::uint16_t>(n);
    return true;
}

ObjectPtr ToPicture(std::int32_t type, std::uintptr_t handle, std::wstring& sError) {
    std::int32_t hr = 0;
    ObjectPtr picture = ThePictures().CreatePicture(type, handle, hr);
    if (!picture) {
        sError = L"OleCreatePictureIndirect failed, hr=0x" + Hex(static_cast<std::uint32_t>(hr));
        return nullptr;
    }
    return picture;
}

}  // namespace

std::uintptr_t LoadIconHandle(const Value& vResID, std::int32_t nWidth, std::int32_t nHeight, bool bShared,
                              std::wstring& sError) {
    ResourceId id;
    if (!ResourceOf(vResID, id)) {
        sError = LoadImageError(kErrorInvalidParameter);
        return 0;
    }
    Pictures& pictures = ThePictures();
    const std::uintptr_t hIcon = pictures.LoadIconResource(id, nWidth, nHeight, bShared);
    if (!hIcon) sError = LoadImageError(pictures.LastError());
    return hIcon;
}

ObjectPtr IconToPicture(std::uintptr_t hIcon, std::wstring& sError) { return ToPicture(kPicTypeIcon, hIcon, sError); }

ObjectPtr BitmapToPicture(std::uintptr_t hBitmap, std::wstring& sError) {
    return ToPicture(kPicTypeBitmap, hBitmap, sError);
}

ObjectPtr LoadIconPicture(const Value& vResID, std::int32_t nWidth, std::int32_t nHeight, bool bShared) {
    std::wstring sError;
    ObjectPtr picture;
    const std::uintptr_t hIcon = LoadIconHandle(vResID, nWidth, nHeight, bShared, sError);
    if (hIcon) {
        picture = IconToPicture(hIcon, sError);
        // An icon no picture took is destroyed here, unless the module shares it (LoadIconA
        // loads shared icons).
        if (!picture && !bShared && nWidth != 0 && nHeight != 0) ThePictures().FreeIcon(hIcon);
    }
    if (!sError.empty()) Raise(err::TypeMismatch, sError);
    return picture;
}

void LoadIconBitmaps(const Value& vResID, ObjectPtr& oColor, ObjectPtr& oMask, std::int32_t nWidth,
                     std::int32_t nHeight) {
    oColor.reset();
    oMask.reset();
    std::wstring sError;
    const std::uintptr_t hIcon = LoadIconHandle(vResID, nWidth, nHeight, false, sError);
    if (hIcon) {
        Pictures& pictures = ThePictures();
        IconBitmaps info;
        if (!pictures.GetIconBitmaps(hIcon, info)) {
            sError = L"GetIconInfo failed, LastError=0x" + Hex(pictures.LastError());
        } else {
            oColor = BitmapToPicture(info.color, sError);
            if (!oColor) {
                pictures.FreeBitmap(info.color);
                pictures.FreeBitmap(info.mask);
            } else {
                oMask = BitmapToPicture(info.mask, sError);
                if (!oMask) pictures.FreeBitmap(info.mask);
            }
        }
        // The bitmaps are copies: the pictures own them, the icon goes.
        if (nWidth != 0 && nHeight != 0) pictures.FreeIcon(hIcon);
    }
    if (!sError.empty()) Raise(err::TypeMismatch, sError);
}

ObjectPtr LoadBitmapPicture(const Value& vResID) {
    std::wstring sError;
    ObjectPtr picture;
    ResourceId id;
    if (!ResourceOf(vResID, id)) {
        sError = LoadImageError(kErrorInvalidParameter);
    } else {
        Pictures& pictures = ThePictures();
        const std::uintptr_t hBitmap = pictures.LoadBitmapResource(id);
        if (!hBitmap) {
            sError = LoadImageError(pictures.LastError());
        } else {
            picture = BitmapToPicture(hBitmap, sError);
            if (!picture) pictures.FreeBitmap(hBitmap);
        }
    }
    if (!sError.empty()) Raise(err::TypeMismatch, sError);
    return picture;
}

void SetButtonPicture(const ObjectPtr& oButton, const Value& vResID) noexcept {
    Resuming([&](ResumeNext& next) {
        ObjectPtr oColor, oMask;
        if (!next([&] { LoadIconBitmaps(vResID, oColor, oMask, 16, 16); })) return;
        next([&] { PutOf(oButton, L"Picture", oColor); });
        next([&] { PutOf(oButton, L"Mask", oMask); });
    });
}

}  // namespace brisko
