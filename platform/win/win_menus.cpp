#include "platform/win/win_menus.h"

#include <windows.h>

#include "platform/win/win_gdi.h"

namespace brisko::win {

namespace {

HMENU MenuOf(std::uintptr_t menu) { return reinterpret_cast<HMENU>(menu); }

}  // namespace

std::uintptr_t WinPopupMenus::Create() { return reinterpret_cast<std::uintptr_t>(CreatePopupMenu()); }

bool WinPopupMenus::Append(std::uintptr_t menu, std::uint32_t flags, std::uintptr_t idOrSubmenu,
                           const std::string& ansiCaption) {
    const char* text = (flags & kMfSeparator) ? nullptr : ansiCaption.c_str();
    return AppendMenuA(MenuOf(menu), flags, idOrSubmenu, text) != FALSE;
}

bool WinPopupMenus::SetItemBitmaps(std::uintptr_t menu, std::uint32_t command, std::uintptr_t unchecked,
                                   std::uintptr_t checked) {
    return SetMenuItemBitmaps(MenuOf(menu), command, MF_BYCOMMAND, reinterpret_cast<HBITMAP>(unchecked),
                              reinterpret_cast<HBITMAP>(checked)) != FALSE;
}

bool WinPopupMenus::SetDefaultItem(std::uintptr_t menu, std::uint32_t item, bool byPosition) {
    return SetMenuDefaultItem(MenuOf(menu), item, byPosition ? static_cast<UINT>(-1) : 0u) != FALSE;
}

std::uint32_t WinPopupMenus::Track(std::uintptr_t menu, std::uintptr_t owner) {
    POINT pt{};
    GetCursorPos(&pt);
    const BOOL chosen = TrackPopupMenu(MenuOf(menu), TPM_RETURNCMD | TPM_NONOTIFY, pt.x, pt.y, 0,
                                       reinterpret_cast<HWND>(owner), nullptr);
    return static_cast<std::uint32_t>(chosen);
}

void WinPopupMenus::Destroy(std::uintptr_t menu) noexcept { DestroyMenu(MenuOf(menu)); }

std::uintptr_t WinPopupMenus::RenderBitmap(int width, int height,
                                           const std::function<void(std::uintptr_t dc)>& draw) {
    ScreenDc screen;
    if (!screen) return 0;
    MemoryDc memory(screen.get());
    if (!memory) return 0;
    GdiBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!bitmap) return 0;
    {
        Selection selected(memory.get(), bitmap.get());
        if (draw) draw(reinterpret_cast<std::uintptr_t>(memory.get()));
    }
    return reinterpret_cast<std::uintptr_t>(bitmap.release());
}

void WinPopupMenus::DeleteBitmap(std::uintptr_t bitmap) noexcept {
    if (bitmap) DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap));
}

}  // namespace brisko::win
