// Icons, bitmaps, pictures and image lists in memory, over a table of the add-in's resources.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/image_list.h"
#include "platform/pictures.h"

namespace brisko::sim {

// System error codes the simulation gives, as Windows does.
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorInvalidIconHandle = 1414;
inline constexpr std::uint32_t kErrorResourceTypeNotFound = 1813;
inline constexpr std::uint32_t kErrorResourceNameNotFound = 1814;

class SimPictures : public Pictures {
public:
    enum class Kind { Icon, Bitmap };
    // A resource of the module: an icon with the sizes of its images, or a bitmap and its size.
    struct Resource {
        Kind kind = Kind::Icon;
        std::vector<std::pair<int, int>> sizes;
    };
    // A live icon or bitmap handle.
    struct Gdi {
        Kind kind = Kind::Icon;
        std::string resource;  // the resource's name as the table has it ("#n" for an id)
        int width = 0, height = 0;
        bool shared = false;   // an icon loaded shared (LoadIconA, LR_SHARED)
        std::string part;      // a bitmap from GetIconInfo: "color" or "mask"
    };
    // One ListImage.Draw into a device context.
    struct DrawCall {
        std::uintptr_t dc = 0;
        int x = 0, y = 0;
        std::int32_t style = 0;
        int index = 0;         // the image's position in its list, from 1
        std::string resource;  // the resource the image was made from
        int width = 0, height = 0;  // the list's image size
    };

    // Starts with the add-in library's resources (AddinResources).
    SimPictures();

    // The icons and bitmaps of Brisko.dll, as its resource script has them.
    static std::map<std::string, Resource> AddinResources();
    std::map<std::string, Resource>& resources();
    // The size LoadIconA gives (GetSystemMetrics SM_CXICON / SM_CYICON).
    void SetStandardIconSize(int width, int height);

    // Failures of the next calls: GetIconInfo with a system error, OleCreatePictureIndirect with
    // an HRESULT (the n-th call from now; 1 the next).
    void FailGetIconInfo(std::uint32_t error);
    void FailCreatePicture(std::int32_t hr, int nthCall = 1);

    const Gdi* Find(std::uintptr_t handle) const;
    std::size_t LiveIcons() const;
    std::size_t LiveBitmaps() const;
    // Icons and bitmaps freed; frees of handles that were not live.
    std::size_t Freed() const;
    std::size_t BadFrees() const;
    const std::vector<DrawCall>& draws() const;
    void ClearDraws();

    std::uintptr_t LoadIconResource(const ResourceId& id, int width, int height, bool shared) override;
    std::uintptr_t LoadBitmapResource(const ResourceId& id) override;
    bool GetIconBitmaps(std::uintptr_t icon, IconBitmaps& bitmaps) override;
    void FreeIcon(std::uintptr_t icon) noexcept override;
    void FreeBitmap(std::uintptr_t bitmap) noexcept override;
    std::uint32_t LastError() const override;
    ObjectPtr CreatePicture(std::int32_t type, std::uintptr_t handle, std::int32_t& hr) override;
    ObjectPtr NewImageList(int width, int height) override;

    struct State;

private:
    std::shared_ptr<State> state_;
};

// A picture in memory: the resource it shows, its type and size. It owns its handle.
class SimPicture : public Object {
public:
    SimPicture(std::shared_ptr<SimPictures::State> state, std::int32_t type, std::uintptr_t handle,
               const SimPictures::Gdi& gdi);
    ~SimPicture() override;
    SimPicture(const SimPicture&) = delete;
    SimPicture& operator=(const SimPicture&) = delete;

    std::int32_t type() const noexcept { return type_; }
    std::uintptr_t handle() const noexcept { return handle_; }
    const SimPictures::Gdi& gdi() const noexcept { return gdi_; }

    // Handle, hPal, Type, Width and Height (HIMETRIC at 96 pixels an inch), as IPictureDisp.
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return L"Picture"; }

private:
    std::shared_ptr<SimPictures::State> state_;
    std::int32_t type_;
    std::uintptr_t handle_;
    SimPictures::Gdi gdi_;
};

}  // namespace brisko::sim
