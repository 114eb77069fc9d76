// An image list as the common controls' ActiveX image list shows it to a late-bound caller:
// ImageWidth, ImageHeight and ListImages, over a store of images (comctl32's list on Windows,
// one in memory in the simulation).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "automation/object.h"

namespace brisko {

// Error numbers of the image list, as the common controls raise them.
namespace err {
inline constexpr std::int32_t InvalidPropertyValue = 380;
inline constexpr std::int32_t InvalidPicture = 481;
inline constexpr std::int32_t IndexOutOfBounds = 35600;
inline constexpr std::int32_t ElementNotFound = 35601;
inline constexpr std::int32_t KeyNotUnique = 35602;
inline constexpr std::int32_t ImageRemoved = 35605;
inline constexpr std::int32_t ImageSizeFixed = 35611;
}  // namespace err

// Where the images live.
class ImageStore {
public:
    virtual ~ImageStore() = default;
    // Empties the store; its images are width x height from now on.
    virtual void Reset(int width, int height) = 0;
    // Appends a copy of a picture's image (kPicTypeIcon or kPicTypeBitmap and its handle);
    // raises when it can't.
    virtual void Add(std::int32_t pictureType, std::uintptr_t handle) = 0;
    // Draws image `index` (from 0) into the device context at (x, y); style as ListImage.Draw
    // takes it (0 normal, 1 transparent, 2 selected, 3 focus).
    virtual void Draw(std::size_t index, std::uintptr_t dc, int x, int y, std::int32_t style) = 0;
};

class ListImage;
class ListImages;

// What the list and its images share.
struct ImageListState {
    int width = 0;
    int height = 0;
    std::unique_ptr<ImageStore> store;
    std::vector<std::shared_ptr<ListImage>> images;

    // Refills the store from the images, in order (after an insertion or a removal).
    void Rebuild();
};

class ImageList : public Object {
public:
    // Raises 380 for a size below 1.
    ImageList(std::unique_ptr<ImageStore> store, int width, int height);

    int ImageWidth() const noexcept { return state_->width; }
    int ImageHeight() const noexcept { return state_->height; }
    // 35611 while the list holds images, 380 for a size below 1.
    void SetImageWidth(int width);
    void SetImageHeight(int height);
    std::shared_ptr<ListImages> Images();

    // ImageWidth, ImageHeight (get and let), ListImages.
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return L"ImageList"; }

private:
    void Resize(int width, int height);

    std::shared_ptr<ImageListState> state_;
    std::shared_ptr<ListImages> images_;
};

}  // namespace brisko
