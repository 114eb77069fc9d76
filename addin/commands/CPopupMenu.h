// A Win32 popup menu shown at the mouse position that returns the chosen command id.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "automation/object.h"
#include "automation/value.h"

namespace brisko {

class CPopupMenu {
public:
    CPopupMenu();   // CreatePopupMenu
    ~CPopupMenu();  // DestroyMenu, DeleteObject of every item bitmap, the image list released
    CPopupMenu(const CPopupMenu&) = delete;
    CPopupMenu& operator=(const CPopupMenu&) = delete;

    std::uintptr_t Handle() const noexcept { return m_hMenu; }

    const ObjectPtr& ImageList() const noexcept { return m_oImageList; }
    // Accepts only a list of 13 x 13 images; otherwise raises 13 "Images must be 13x13" with the
    // source "CPopupMenu" and keeps the previous list. Nothing drops the list.
    void SetImageList(ObjectPtr imageList);

    // vImageIndex: an index or key into the image list; Empty (or Missing) for no image. The
    // image is drawn by the list's own Draw into a bitmap of the list's image size, set as the
    // item's checked and unchecked bitmap; errors of the image list reach the caller, after the
    // item itself was appended.
    void Append(const std::wstring& caption, std::uint32_t nCmd, const Value& vImageIndex = Value(),
                bool bEnabled = true);
    // The sub-menu must outlive this menu's Track.
    void AppendPopup(const CPopupMenu& oPopup, const std::wstring& caption, bool bEnabled = true);
    void AppendSeparator();
    bool SetDefaultItem(std::uint32_t uItem, bool bByPos);
    // The chosen command id; 0 when the user dismissed the menu.
    std::uint32_t Track(std::uintptr_t hWnd);

private:
    // A screen-compatible bitmap with the image drawn at (0, 0); 0 when none could be made.
    std::uintptr_t RenderImage(const Value& vImageIndex);

    std::uintptr_t m_hMenu = 0;
    ObjectPtr m_oImageList;
    std::vector<std::uintptr_t> m_colBitmaps;
};

}  // namespace brisko
