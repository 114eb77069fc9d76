#include "addin/commands/CPopupMenu.h"
#include "addin/commands/mIcons.h"
#include "commands_fixture.h"
#include "platform/image_list.h"
#include "platform/pictures.h"

namespace brisko {
namespace {

class ImageListTest : public testing::CommandsTest {
protected:
    ObjectPtr NewList(int w = 13, int h = 13) { return platform.pictures.NewImageList(w, h); }
    static ObjectPtr Icon(const wchar_t* name) { return LoadIconPicture(name, 13, 13, false); }
    static ObjectPtr Images(const ObjectPtr& list) { return list->Get(L"ListImages").AsObject(); }
    static ObjectPtr Add(const ObjectPtr& list, Value index, Value key, ObjectPtr picture) {
        return Images(list)->Call(L"Add", {std::move(index), std::move(key), std::move(picture)}).AsObject();
    }
    std::vector<std::string> DrawnResources() {
        std::vector<std::string> out;
        for (const auto& d : platform.pictures.draws()) out.push_back(d.resource);
        return out;
    }
};

TEST_F(ImageListTest, ImagesByPositionAndKey) {
    const ObjectPtr list = NewList();
    EXPECT_EQ(list->Get(L"ImageWidth").AsInt(), 13);
    EXPECT_EQ(list->Get(L"ImageHeight").AsInt(), 13);
    const ObjectPtr folder = Icon(L"ICO_FOLDER");
    const ObjectPtr a = Add(list, Value(), L"folder", folder);
    const ObjectPtr b = Add(list, Value(), Value(), Icon(L"ICO_HELP_I2007"));
    const ObjectPtr c = Add(list, 1, L"task", Icon(L"ICO_QTASK_32X32"));  // inserted first
    EXPECT_EQ(Images(list)->Get(L"Count").AsInt(), 3);
    EXPECT_EQ(c->Get(L"Index").AsInt(), 1);
    EXPECT_EQ(a->Get(L"Index").AsInt(), 2);
    EXPECT_EQ(b->Get(L"Index").AsInt(), 3);
    EXPECT_EQ(Images(list)->Get(L"Item", {L"FOLDER"}).AsObject(), a);
    EXPECT_EQ(Images(list)->Get(L"Item", {3}).AsObject(), b);
    EXPECT_EQ(a->Get(L"Picture").AsObject(), folder);
    EXPECT_EQ(a->Get(L"Key").AsString(), L"folder");

    // Drawing goes through the store, which follows the insertion.
    for (const auto& image : {a, b, c}) image->Call(L"Draw", {0x77, 2, 3});
    ASSERT_EQ(DrawnResources(), (std::vector<std::string>{"ICO_FOLDER", "ICO_HELP_I2007", "ICO_QTASK_32X32"}));
    const auto& d = platform.pictures.draws()[0];
    EXPECT_EQ(d.dc, 0x77u);
    EXPECT_EQ(d.x, 2);
    EXPECT_EQ(d.y, 3);
    EXPECT_EQ(d.index, 2);
    EXPECT_EQ(d.width, 13);

    Images(list)->Call(L"Remove", {L"task"});
    EXPECT_EQ(a->Get(L"Index").AsInt(), 1);
    EXPECT_EQ(ErrorOf([&] { c->Get(L"Index"); }), L"35605|Control has been deleted");
    platform.pictures.ClearDraws();
    b->Call(L"Draw", {0x78});
    EXPECT_EQ(DrawnResources(), (std::vector<std::string>{"ICO_HELP_I2007"}));
    EXPECT_EQ(platform.pictures.draws()[0].index, 2);
}

TEST_F(ImageListTest, ErrorsAsTheCommonControlsRaiseThem) {
    const ObjectPtr list = NewList();
    Add(list, Value(), L"one", Icon(L"ICO_FOLDER"));
    const ObjectPtr images = Images(list);
    EXPECT_EQ(ErrorOf([&] { Add(list, Value(), L"ONE", Icon(L"ICO_FOLDER")); }), L"35602|Key is not unique in collection");
    EXPECT_EQ(ErrorOf([&] { Add(list, 3, Value(), Icon(L"ICO_FOLDER")); }), L"35600|Index out of bounds");
    EXPECT_EQ(ErrorOf([&] { Add(list, Value(), Value(), nullptr); }), L"481|Invalid picture");
    EXPECT_EQ(ErrorOf([&] { images->Get(L"Item", {0}); }), L"35600|Index out of bounds");
    EXPECT_EQ(ErrorOf([&] { images->Get(L"Item", {L"two"}); }), L"35601|Element not found");
    EXPECT_EQ(ErrorOf([&] { list->Put(L"ImageWidth", 16); }), L"35611|Property is read-only if image list contains images");
    EXPECT_EQ(images->Get(L"Count").AsInt(), 1);

    images->Call(L"Clear");
    list->Put(L"ImageWidth", 16);
    EXPECT_EQ(list->Get(L"ImageWidth").AsInt(), 16);
    EXPECT_EQ(ErrorOf([&] { list->Put(L"ImageHeight", 0); }), L"380|Invalid property value");
    EXPECT_EQ(list->Get(L"ImageHeight").AsInt(), 13);
}

TEST_F(ImageListTest, MenuImagesAreDrawnByTheListIntoTheItemBitmaps) {
    const ObjectPtr list = NewList();
    Add(list, Value(), L"folder", Icon(L"ICO_FOLDER"));
    Add(list, Value(), L"help", Icon(L"ICO_HELP_I2007"));
    {
        CPopupMenu menu;
        menu.SetImageList(list);
        menu.Append(L"Folder", 100, L"folder");
        menu.Append(L"Help", 101, 2);
        const auto& rendered = platform.menus.rendered();
        const auto& draws = platform.pictures.draws();
        ASSERT_EQ(rendered.size(), 2u);
        ASSERT_EQ(draws.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(draws[i].dc, rendered[i].dc);
            EXPECT_EQ(draws[i].x, 0);
            EXPECT_EQ(draws[i].y, 0);
        }
        EXPECT_EQ(draws[0].resource, "ICO_FOLDER");
        EXPECT_EQ(draws[1].resource, "ICO_HELP_I2007");
        EXPECT_EQ(platform.menus.Find(menu.Handle())->items[1].checked, rendered[1].bitmap);

        // A 16 x 16 list is refused; the menu keeps drawing from the one it has.
        EXPECT_EQ(ErrorOf([&] { menu.SetImageList(NewList(16, 16)); }), L"13|Images must be 13x13");
        EXPECT_EQ(menu.ImageList(), list);
    }
    EXPECT_EQ(platform.menus.BitmapsDeleted(), 2u);
    EXPECT_EQ(platform.menus.LiveBitmaps(), 0u);
}

}  // namespace
}  // namespace brisko
