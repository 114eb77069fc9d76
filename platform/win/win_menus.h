// Popup menus through user32 and their item bitmaps through gdi32.
#pragma once

#include "platform/menus.h"

namespace brisko::win {

class WinPopupMenus : public PopupMenus {
public:
    std::uintptr_t Create() override;
    bool Append(std::uintptr_t menu, std::uint32_t flags, std::uintptr_t idOrSubmenu,
                const std::string& ansiCaption) override;
    bool SetItemBitmaps(std::uintptr_t menu, std::uint32_t command, std::uintptr_t unchecked,
                        std::uintptr_t checked) override;
    bool SetDefaultItem(std::uintptr_t menu, std::uint32_t item, bool byPosition) override;
    std::uint32_t Track(std::uintptr_t menu, std::uintptr_t owner) override;
    void Destroy(std::uintptr_t menu) noexcept override;
    std::uintptr_t RenderBitmap(int width, int height, const std::function<void(std::uintptr_t dc)>& draw) override;
    void DeleteBitmap(std::uintptr_t bitmap) noexcept override;
};

}  // namespace brisko::win
