#include "platform/sim/sim_menus.h"

#include <algorithm>
#include <set>

namespace brisko::sim {

namespace {

bool IsCommandItem(const SimPopupMenus::Item& item) {
    return (item.flags & (kMfPopup | kMfSeparator)) == 0;
}

bool IsEnabled(const SimPopupMenus::Item& item) { return (item.flags & (kMfGrayed | kMfDisabled)) == 0; }

}  // namespace

const SimPopupMenus::Menu* SimPopupMenus::Find(std::uintptr_t menu) const {
    const auto it = menus_.find(menu);
    return it == menus_.end() ? nullptr : &it->second;
}

SimPopupMenus::Menu* SimPopupMenus::Live(std::uintptr_t menu) {
    const auto it = menus_.find(menu);
    return it == menus_.end() || it->second.destroyed ? nullptr : &it->second;
}

std::size_t SimPopupMenus::LiveMenus() const {
    return static_cast<std::size_t>(
        std::count_if(menus_.begin(), menus_.end(), [](const auto& m) { return !m.second.destroyed; }));
}

std::uintptr_t SimPopupMenus::Create() {
    const auto h = nextMenu_;
    nextMenu_ += 0x10;
    menus_[h] = Menu{};
    return h;
}

bool SimPopupMenus::Append(std::uintptr_t menu, std::uint32_t flags, std::uintptr_t idOrSubmenu,
                           const std::string& ansiCaption) {
    Menu* m = Live(menu);
    if (!m) return false;
    // A popup item needs a live menu that is not the menu itself.
    if ((flags & kMfPopup) && (idOrSubmenu == menu || !Live(idOrSubmenu))) return false;
    Item item;
    item.flags = flags;
    item.id = idOrSubmenu;
    if (!(flags & kMfSeparator)) item.caption = ansiCaption;
    m->items.push_back(std::move(item));
    return true;
}

SimPopupMenus::Item* SimPopupMenus::FindCommand(std::uintptr_t menu, std::uint32_t command,
                                                std::set<std::uintptr_t>& seen) {
    Menu* m = Live(menu);
    if (!m || !seen.insert(menu).second) return nullptr;
    for (auto& item : m->items) {
        if (IsCommandItem(item) && item.id == command) return &item;
    }
    // MF_BYCOMMAND looks into the sub-menus too.
    for (auto& item : m->items) {
        if (item.flags & kMfPopup) {
            if (Item* found = FindCommand(item.id, command, seen)) return found;
        }
    }
    return nullptr;
}

bool SimPopupMenus::SetItemBitmaps(std::uintptr_t menu, std::uint32_t command, std::uintptr_t unchecked,
                                   std::uintptr_t checked) {
    std::set<std::uintptr_t> seen;
    Item* item = FindCommand(menu, command, seen);
    if (!item) return false;
    item->unchecked = unchecked;
    item->checked = checked;
    return true;
}

bool SimPopupMenus::SetDefaultItem(std::uintptr_t menu, std::uint32_t item, bool byPosition) {
    Menu* m = Live(menu);
    if (!m) return false;
    if (item == 0xFFFFFFFFu) {  // -1: no default item
        m->defaultItem.reset();
        m->defaultByPosition = byPosition;
        return true;
    }
    bool found = false;
    if (byPosition) {
        found = item < m->items.size() && !(m->items[item].flags & kMfSeparator);
    } else {
        found = std::any_of(m->items.begin(), m->items.end(),
                            [&](const Item& i) { return !(i.flags & kMfSeparator) && i.id == item; });
    }
    if (!found) return false;
    m->defaultItem = item;
    m->defaultByPosition = byPosition;
    return true;
}

void SimPopupMenus::Collect(std::uintptr_t menu, std::map<std::uintptr_t, Menu>& out) const {
    const auto it = menus_.find(menu);
    if (it == menus_.end() || it->second.destroyed || out.count(menu)) return;
    out[menu] = it->second;
    for (const auto& item : it->second.items) {
        if (item.flags & kMfPopup) Collect(item.id, out);
    }
}

std::uint32_t SimPopupMenus::Track(std::uintptr_t menu, std::uintptr_t owner) {
    if (!Live(menu)) return 0;  // TrackPopupMenu fails on a menu that is not there
    Tracked t;
    t.menu = menu;
    t.owner = owner;
    Collect(menu, t.menus);
    if (!choices_.empty()) {
        const std::uint32_t choice = choices_.front();
        choices_.pop_front();
        t.scripted = true;
        // Only an enabled command item of the shown menus can be chosen.
        for (const auto& [h, m] : t.menus) {
            for (const auto& item : m.items) {
                if (IsCommandItem(item) && IsEnabled(item) && item.id == choice && choice != 0) t.answer = choice;
            }
        }
        // An item of a grayed sub-menu can't be reached.
        if (t.answer != 0 && !Reachable(menu, t.answer, t.menus)) t.answer = 0;
    }
    tracked_.push_back(std::move(t));
    return tracked_.back().answer;
}

bool SimPopupMenus::Reachable(std::uintptr_t menu, std::uint32_t command,
                              const std::map<std::uintptr_t, Menu>& menus) const {
    std::set<std::uintptr_t> seen;
    std::vector<std::uintptr_t> open{menu};
    while (!open.empty()) {
        const auto h = open.back();
        open.pop_back();
        if (!seen.insert(h).second) continue;
        const auto it = menus.find(h);
        if (it == menus.end()) continue;
        for (const auto& item : it->second.items) {
            if (!IsEnabled(item)) continue;
            if (item.flags & kMfPopup) {
                open.push_back(item.id);
            } else if (IsCommandItem(item) && item.id == command) {
                return true;
            }
        }
    }
    return false;
}

void SimPopupMenus::Destroy(std::uintptr_t menu) noexcept {
    Menu* m = Live(menu);
    if (!m) return;
    m->destroyed = true;
    // DestroyMenu destroys the sub-menus with the menu.
    std::vector<std::uintptr_t> subs;
    for (const auto& item : m->items) {
        if (item.flags & kMfPopup) subs.push_back(item.id);
    }
    for (auto sub : subs) Destroy(sub);
}

std::uintptr_t SimPopupMenus::RenderBitmap(int width, int height,
                                           const std::function<void(std::uintptr_t dc)>& draw) {
    if (width <= 0 || height <= 0) return 0;
    const auto bitmap = nextBitmap_;
    nextBitmap_ += 0x10;
    const auto dc = nextDc_;
    nextDc_ += 0x10;
    bitmaps_[bitmap] = {width, height};
    rendered_.push_back({bitmap, dc, width, height});
    try {
        if (draw) draw(dc);
    } catch (...) {
        bitmaps_.erase(bitmap);
        ++bitmapsDeleted_;
        throw;
    }
    return bitmap;
}

void SimPopupMenus::DeleteBitmap(std::uintptr_t bitmap) noexcept {
    if (bitmaps_.erase(bitmap)) {
        ++bitmapsDeleted_;
    } else {
        ++badDeletes_;
    }
}

}  // namespace brisko::sim
