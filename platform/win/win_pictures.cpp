#include "platform/win/win_pictures.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <olectl.h>

#include <memory>

#include "automation/error.h"
#include "automation/win/com_ptr.h"
#include "automation/win/dispatch_object.h"
#include "platform/image_list.h"
#include "platform/platform.h"

namespace brisko::win {

namespace {

HINSTANCE InstanceOf(std::uintptr_t module) { return reinterpret_cast<HINSTANCE>(module); }

// The name, or MAKEINTRESOURCE of the integer identifier.
LPCSTR NameOf(const ResourceId& id) {
    if (const auto* n = std::get_if<std::uint16_t>(&id)) return MAKEINTRESOURCEA(*n);
    return std::get<std::string>(id).c_str();
}

// A comctl32 image list, destroyed with ImageList_Destroy.
class ComctlImageStore : public ImageStore {
public:
    ComctlImageStore() = default;
    ~ComctlImageStore() override { Destroy(); }
    ComctlImageStore(const ComctlImageStore&) = delete;
    ComctlImageStore& operator=(const ComctlImageStore&) = delete;

    void Reset(int width, int height) override {
        HIMAGELIST made = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 4, 4);
        if (!made) Raise(err::OutOfMemory);
        Destroy();
        list_ = made;
    }
    void Add(std::int32_t pictureType, std::uintptr_t handle) override {
        int index = -1;
        if (pictureType == kPicTypeIcon) {
            index = ImageList_AddIcon(list_, reinterpret_cast<HICON>(handle));
        } else if (pictureType == kPicTypeBitmap) {
            index = ImageList_Add(list_, reinterpret_cast<HBITMAP>(handle), nullptr);
        }
        if (index < 0) Raise(err::InvalidPicture, L"Invalid picture");
    }
    void Draw(std::size_t index, std::uintptr_t dc, int x, int y, std::int32_t style) override {
        static constexpr UINT kStyles[] = {ILD_NORMAL, ILD_TRANSPARENT, ILD_SELECTED, ILD_FOCUS};
        const UINT flags = style >= 0 && style < 4 ? kStyles[style] : ILD_NORMAL;
        ImageList_Draw(list_, static_cast<int>(index), reinterpret_cast<HDC>(dc), x, y, flags);
    }

private:
    void Destroy() noexcept {
        if (list_) ImageList_Destroy(list_);
        list_ = nullptr;
    }
    HIMAGELIST list_ = nullptr;
};

}  // namespace

std::uintptr_t WinPictures::Module() const {
    return module_ ? module_ : static_cast<std::uintptr_t>(CurrentPlatform().moduleHandle);
}

std::uintptr_t WinPictures::LoadIconResource(const ResourceId& id, int width, int height, bool shared) {
    SetLastError(0);
    HANDLE icon = nullptr;
    if (width == 0 || height == 0) {
        icon = LoadIconA(InstanceOf(Module()), NameOf(id));
    } else {
        icon = LoadImageA(InstanceOf(Module()), NameOf(id), IMAGE_ICON, width, height, shared ? LR_SHARED : 0u);
    }
    if (!icon) lastError_ = GetLastError();
    return reinterpret_cast<std::uintptr_t>(icon);
}

std::uintptr_t WinPictures::LoadBitmapResource(const ResourceId& id) {
    SetLastError(0);
    HANDLE bitmap = LoadImageA(InstanceOf(Module()), NameOf(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (!bitmap) lastError_ = GetLastError();
    return reinterpret_cast<std::uintptr_t>(bitmap);
}

bool WinPictures::GetIconBitmaps(std::uintptr_t icon, IconBitmaps& bitmaps) {
    SetLastError(0);
    ICONINFO info{};
    if (!GetIconInfo(reinterpret_cast<HICON>(icon), &info)) {
        lastError_ = GetLastError();
        return false;
    }
    bitmaps.color = reinterpret_cast<std::uintptr_t>(info.hbmColor);
    bitmaps.mask = reinterpret_cast<std::uintptr_t>(info.hbmMask);
    return true;
}

void WinPictures::FreeIcon(std::uintptr_t icon) noexcept {
    if (icon) DestroyIcon(reinterpret_cast<HICON>(icon));
}

void WinPictures::FreeBitmap(std::uintptr_t bitmap) noexcept {
    if (bitmap) DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap));
}

ObjectPtr WinPictures::CreatePicture(std::int32_t type, std::uintptr_t handle, std::int32_t& hr) {
    PICTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.picType = static_cast<UINT>(type);
    if (type == kPicTypeIcon) {
        desc.icon.hicon = reinterpret_cast<HICON>(handle);
    } else {
        desc.bmp.hbitmap = reinterpret_cast<HBITMAP>(handle);
        desc.bmp.hpal = nullptr;
    }
    ComPtr<IPictureDisp> picture;
    hr = static_cast<std::int32_t>(OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.PutVoid()));
    if (FAILED(hr) || !picture) {
        if (SUCCEEDED(hr)) hr = static_cast<std::int32_t>(E_FAIL);
        return nullptr;
    }
    return DispatchObject::Wrap(picture.Get());
}

ObjectPtr WinPictures::NewImageList(int width, int height) {
    return std::make_shared<ImageList>(std::make_unique<ComctlImageStore>(), width, height);
}

}  // namespace brisko::win
