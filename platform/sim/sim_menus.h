// Popup menus in memory: menus as data, bitmaps made and deleted, a scripted choice.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/menus.h"

namespace brisko::sim {

class SimPopupMenus : public PopupMenus {
public:
    struct Item {
        std::string caption;         // ANSI, as appended
        std::uint32_t flags = 0;     // AppendMenuA flags
        std::uintptr_t id = 0;       // command id, or the sub-menu's handle (kMfPopup)
        std::uintptr_t unchecked = 0, checked = 0;  // item bitmaps
    };
    struct Menu {
        std::vector<Item> items;
        std::optional<std::uint32_t> defaultItem;  // as given to SetDefaultItem
        bool defaultByPosition = false;
        bool destroyed = false;
    };
    // One Track: the menu and its sub-menus as they were when shown, and the answer.
    struct Tracked {
        std::uintptr_t menu = 0;
        std::uintptr_t owner = 0;
        std::map<std::uintptr_t, Menu> menus;  // the tracked menu and every menu reachable from it
        std::uint32_t answer = 0;
        bool scripted = false;
    };

    // The answer of the next Track: a command id (0 dismisses). Unscripted tracks are dismissed.
    // A scripted id that names no enabled command item of the shown menu or its sub-menus is
    // answered 0, as a click on a grayed item or outside the menu.
    void QueueChoice(std::uint32_t command) { choices_.push_back(command); }
    void ClearChoices() { choices_.clear(); }

    const Menu* Find(std::uintptr_t menu) const;
    const std::vector<Tracked>& tracked() const noexcept { return tracked_; }
    void ClearTracked() { tracked_.clear(); }
    // Menus created and not destroyed; bitmaps rendered and not deleted.
    std::size_t LiveMenus() const;
    std::size_t LiveBitmaps() const noexcept { return bitmaps_.size(); }
    std::size_t BitmapsDeleted() const noexcept { return bitmapsDeleted_; }
    // DeleteBitmap calls for a bitmap that was not live (deleted twice, or never made).
    std::size_t BadDeletes() const noexcept { return badDeletes_; }
    // Each RenderBitmap: the bitmap and the memory device context it was drawn through.
    struct Rendered {
        std::uintptr_t bitmap = 0;
        std::uintptr_t dc = 0;
        int width = 0, height = 0;
    };
    const std::vector<Rendered>& rendered() const noexcept { return rendered_; }

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

private:
    Menu* Live(std::uintptr_t menu);
    Item* FindCommand(std::uintptr_t menu, std::uint32_t command, std::set<std::uintptr_t>& seen);
    void Collect(std::uintptr_t menu, std::map<std::uintptr_t, Menu>& out) const;
    bool Reachable(std::uintptr_t menu, std::uint32_t command, const std::map<std::uintptr_t, Menu>& menus) const;

    std::map<std::uintptr_t, Menu> menus_;
    std::map<std::uintptr_t, std::pair<int, int>> bitmaps_;  // live bitmaps: width, height
    std::deque<std::uint32_t> choices_;
    std::vector<Tracked> tracked_;
    std::uintptr_t nextMenu_ = 0x00A00010;
    std::uintptr_t nextBitmap_ = 0x00B00010;
    std::size_t bitmapsDeleted_ = 0;
    std::size_t badDeletes_ = 0;
    std::vector<Rendered> rendered_;
    std::uintptr_t nextDc_ = 0x00DC0010;
};

}  // namespace brisko::sim
