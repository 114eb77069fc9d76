// Popup menus as user32 keeps them: handles, ANSI captions, item bitmaps, a modal track.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "automation/object.h"

namespace brisko {

// AppendMenuA flags.
inline constexpr std::uint32_t kMfString = 0x0;
inline constexpr std::uint32_t kMfGrayed = 0x1;
inline constexpr std::uint32_t kMfDisabled = 0x2;
inline constexpr std::uint32_t kMfPopup = 0x10;
inline constexpr std::uint32_t kMfSeparator = 0x800;

class PopupMenus {
public:
    virtual ~PopupMenus() = default;
    // CreatePopupMenu; 0 on failure.
    virtual std::uintptr_t Create() = 0;
    // AppendMenuA(menu, flags, idOrSubmenu, caption); the caption is in the ANSI code page and
    // unused for a separator. False on failure (the item is left out).
    virtual bool Append(std::uintptr_t menu, std::uint32_t flags, std::uintptr_t idOrSubmenu,
                        const std::string& ansiCaption) = 0;
    // SetMenuItemBitmaps(menu, command, MF_BYCOMMAND, unchecked, checked).
    virtual bool SetItemBitmaps(std::uintptr_t menu, std::uint32_t command, std::uintptr_t unchecked,
                                std::uintptr_t checked) = 0;
    // SetMenuDefaultItem(menu, item, byPosition ? -1 : 0).
    virtual bool SetDefaultItem(std::uintptr_t menu, std::uint32_t item, bool byPosition) = 0;
    // GetCursorPos, then TrackPopupMenu there with TPM_RETURNCMD | TPM_NONOTIFY and the owner;
    // the chosen command id, 0 when the menu was dismissed.
    virtual std::uint32_t Track(std::uintptr_t menu, std::uintptr_t owner) = 0;
    // DestroyMenu.
    virtual void Destroy(std::uintptr_t menu) noexcept = 0;

    // A bitmap compatible with the screen, width x height pixels: draw() paints it through the
    // memory device context it receives (GetDC of the desktop, CreateCompatibleDC,
    // CreateCompatibleBitmap, SelectObject ... and back). 0 on failure.
    virtual std::uintptr_t RenderBitmap(int width, int height,
                                        const std::function<void(std::uintptr_t dc)>& draw) = 0;
    // DeleteObject of a bitmap.
    virtual void DeleteBitmap(std::uintptr_t bitmap) noexcept = 0;
};

}  // namespace brisko
