#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "addin/commands/CPopupMenu.h"
#include "automation/error.h"
#include "platform/sim/sim_platform.h"

namespace brisko {
namespace {

// An image list with the members the menu uses; each Draw is recorded.
struct Draw {
    std::int32_t dc, x, y, image;
};

class TestImage : public Object {
public:
    TestImage(std::vector<Draw>& draws, int index) : draws_(draws), index_(index) {}
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (name == L"Draw" && kind == CallKind::Method && args.size() >= 3) {
            draws_.push_back({args[0].AsInt(), args[1].AsInt(), args[2].AsInt(), index_});
            return {};
        }
        return Object::Invoke(name, kind, args);
    }

private:
    std::vector<Draw>& draws_;
    int index_;
};

class TestImageList : public Object {
public:
    TestImageList(int width, int height, int count) : width_(width), height_(height), count_(count) {}
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (name == L"ImageWidth") return width_;
        if (name == L"ImageHeight") return height_;
        if (name == L"ListImages") return shared_from_this();
        if (name == L"Item") {
            int index = 0;
            if (args.at(0).type() == VarType::String) {
                index = args[0].AsString() == L"second" ? 2 : 0;
            } else {
                index = args[0].AsInt();
            }
            if (index < 1 || index > count_) Raise(35600, L"Index out of bounds");
            return std::make_shared<TestImage>(draws, index);
        }
        return Object::Invoke(name, kind, args);
    }
    std::vector<Draw> draws;

private:
    int width_, height_, count_;
};

class PopupMenuTest : public ::testing::Test {
protected:
    void SetUp() override { platform.Install(); }
    void TearDown() override { SetPlatform(Platform{}); }

    const sim::SimPopupMenus::Menu& MenuOf(const CPopupMenu& m) { return *platform.menus.Find(m.Handle()); }

    sim::SimPlatform platform;
};

TEST_F(PopupMenuTest, ItemsCarryFlagsIdsAndAnsiCaptions) {
    CPopupMenu sub;
    {
        CPopupMenu menu;
        menu.Append(L"&1 B\u00fccher \u20ac", 100);
        menu.Append(L"&2 Grayed", 101, Value(), false);
        menu.AppendSeparator();
        menu.AppendPopup(sub, L"Set default", true);
        menu.AppendPopup(sub, L"Off", false);
        const auto& items = MenuOf(menu).items;
        ASSERT_EQ(items.size(), 5u);
        EXPECT_EQ(items[0].flags, kMfString);
        EXPECT_EQ(items[0].id, 100u);
        EXPECT_EQ(items[0].caption, "&1 B\xfc" "cher \x80");
        EXPECT_EQ(items[1].flags, 3u);
        EXPECT_EQ(items[2].flags, kMfSeparator);
        EXPECT_EQ(items[2].id, 0u);
        EXPECT_EQ(items[2].caption, "");
        EXPECT_EQ(items[3].flags, kMfPopup);
        EXPECT_EQ(items[3].id, sub.Handle());
        EXPECT_EQ(items[4].flags, kMfPopup | 3u);
        EXPECT_EQ(platform.menus.LiveMenus(), 2u);
    }
    // Destroying the parent destroys its sub-menu with it, as DestroyMenu does; the sub-menu's
    // own release later is harmless.
    EXPECT_EQ(platform.menus.LiveMenus(), 0u);
}

TEST_F(PopupMenuTest, DefaultItemByCommandOrPosition) {
    CPopupMenu menu;
    menu.Append(L"a", 100);
    menu.Append(L"b", 101);
    EXPECT_TRUE(menu.SetDefaultItem(101, false));
    EXPECT_EQ(MenuOf(menu).defaultItem, 101u);
    EXPECT_FALSE(MenuOf(menu).defaultByPosition);
    EXPECT_TRUE(menu.SetDefaultItem(0, true));
    EXPECT_EQ(MenuOf(menu).defaultItem, 0u);
    EXPECT_TRUE(MenuOf(menu).defaultByPosition);
    EXPECT_FALSE(menu.SetDefaultItem(555, false));
    EXPECT_FALSE(menu.SetDefaultItem(2, true));
}

TEST_F(PopupMenuTest, TrackAnswersOnlyEnabledCommandsOfTheMenuTree) {
    CPopupMenu sub, graySub, menu;
    sub.Append(L"in sub", 200);
    graySub.Append(L"in grayed sub", 300);
    menu.Append(L"a", 100);
    menu.Append(L"off", 101, Value(), false);
    menu.AppendPopup(sub, L"sub");
    menu.AppendPopup(graySub, L"gray", false);

    EXPECT_EQ(menu.Track(0x1234), 0u);  // unscripted: dismissed
    for (std::uint32_t c : {100u, 200u, 101u, 300u, 999u}) platform.menus.QueueChoice(c);
    EXPECT_EQ(menu.Track(0x1234), 100u);
    EXPECT_EQ(menu.Track(0x1234), 200u);  // a sub-menu's item through the parent
    EXPECT_EQ(menu.Track(0x1234), 0u);    // grayed
    EXPECT_EQ(menu.Track(0x1234), 0u);    // in a grayed sub-menu
    EXPECT_EQ(menu.Track(0x1234), 0u);    // not in the menu
    const auto& tracked = platform.menus.tracked();
    ASSERT_EQ(tracked.size(), 6u);
    EXPECT_EQ(tracked[1].owner, 0x1234u);
    EXPECT_EQ(tracked[1].menu, menu.Handle());
    EXPECT_EQ(tracked[1].menus.size(), 3u);  // the menu and both sub-menus
    EXPECT_FALSE(tracked[0].scripted);
    EXPECT_TRUE(tracked[3].scripted);
}

TEST_F(PopupMenuTest, TrackSnapshotsTheMenuAsShown) {
    CPopupMenu menu;
    menu.Append(L"a", 100);
    menu.Track(0);
    menu.Append(L"b", 101);
    ASSERT_EQ(platform.menus.tracked().size(), 1u);
    EXPECT_EQ(platform.menus.tracked()[0].menus.at(menu.Handle()).items.size(), 1u);
}

TEST_F(PopupMenuTest, ItemImagesAreRenderedSetAndDeletedAtRelease) {
    auto list = std::make_shared<TestImageList>(13, 13, 3);
    {
        CPopupMenu menu;
        menu.SetImageList(list);
        menu.Append(L"a", 100, 1);
        menu.Append(L"b", 101, L"second");
        menu.Append(L"c", 102, 3, false);
        menu.Append(L"d", 103);
        const auto& items = MenuOf(menu).items;
        const auto& rendered = platform.menus.rendered();
        ASSERT_EQ(rendered.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(items[i].checked, rendered[i].bitmap);
            EXPECT_EQ(items[i].unchecked, rendered[i].bitmap);
            EXPECT_EQ(rendered[i].width, 13);
            EXPECT_EQ(rendered[i].height, 13);
            ASSERT_EQ(list->draws.size(), 3u);
            EXPECT_EQ(static_cast<std::uintptr_t>(list->draws[i].dc), rendered[i].dc);
            EXPECT_EQ(list->draws[i].x, 0);
            EXPECT_EQ(list->draws[i].y, 0);
        }
        EXPECT_EQ(list->draws[1].image, 2);
        EXPECT_EQ(items[3].checked, 0u);
        EXPECT_EQ(platform.menus.LiveBitmaps(), 3u);
    }
    EXPECT_EQ(platform.menus.LiveBitmaps(), 0u);
    EXPECT_EQ(platform.menus.BitmapsDeleted(), 3u);
    EXPECT_EQ(platform.menus.BadDeletes(), 0u);
    EXPECT_EQ(list.use_count(), 1);  // the list released with the menu
}

TEST_F(PopupMenuTest, OnlyThirteenByThirteenListsAreAccepted) {
    auto good = std::make_shared<TestImageList>(13, 13, 1);
    CPopupMenu menu;
    menu.SetImageList(good);
    for (auto [w, h] : {std::pair{16, 16}, std::pair{13, 16}, std::pair{16, 13}}) {
        try {
            menu.SetImageList(std::make_shared<TestImageList>(w, h, 1));
            ADD_FAILURE() << "accepted " << w << "x" << h;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), 13);
            EXPECT_EQ(e.description(), L"Images must be 13x13");
            EXPECT_EQ(e.source(), L"CPopupMenu");
        }
        EXPECT_EQ(menu.ImageList(), good);
    }
}

TEST_F(PopupMenuTest, AnImageTheListLacksFailsAfterTheItemWasAppended) {
    CPopupMenu menu;
    menu.SetImageList(std::make_shared<TestImageList>(13, 13, 1));
    try {
        menu.Append(L"a", 100, 7);
        ADD_FAILURE() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 35600);
    }
    EXPECT_EQ(MenuOf(menu).items.size(), 1u);
    EXPECT_EQ(platform.menus.LiveBitmaps(), 0u);
}

}  // namespace
}  // namespace brisko
