#include <windows.h>

#include "addin/commands/CPopupMenu.h"
#include "addin/commands/mIcons.h"
#include "win_fixture.h"

namespace brisko {
namespace {

class MenusWinTest : public testing::WinCommandsTest {};

HMENU H(const CPopupMenu& m) { return reinterpret_cast<HMENU>(m.Handle()); }

TEST_F(MenusWinTest, EscapeDismissesTheMenu) {
    CPopupMenu menu;
    menu.Append(L"&First", 100);
    menu.Append(L"&Second", 101);
    EXPECT_EQ(TrackWith(menu, {VK_ESCAPE}), 0u);
    EXPECT_EQ(idles(), 1);
    EXPECT_EQ(TrackWith(menu, {VK_DOWN, VK_DOWN, VK_RETURN}), 101u);
}

TEST_F(MenusWinTest, AGrayedItemCantBeChosen) {
    CPopupMenu menu;
    menu.Append(L"Grayed", 100, Value(), false);
    menu.Append(L"Enabled", 101);
    EXPECT_EQ(GetMenuState(H(menu), 100, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED), static_cast<UINT>(MF_GRAYED | MF_DISABLED));
    // Return on the grayed item does nothing; Escape then closes the menu.
    EXPECT_EQ(TrackWith(menu, {VK_HOME, VK_RETURN, VK_ESCAPE}), 0u);
}

TEST_F(MenusWinTest, ASubMenusItemComesBackThroughTheParentsTrack) {
    CPopupMenu sub;
    sub.Append(L"Sub one", 200);
    sub.Append(L"Sub two", 201);
    CPopupMenu menu;
    menu.Append(L"Top", 100);
    menu.AppendSeparator();
    menu.AppendPopup(sub, L"&More");
    EXPECT_EQ(GetMenuItemCount(H(menu)), 3);
    EXPECT_EQ(GetSubMenu(H(menu), 2), H(sub));
    EXPECT_EQ(GetMenuState(H(menu), 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(TrackWith(menu, {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}), 201u);
}

TEST_F(MenusWinTest, CaptionsInTheAnsiCodePageAndTheDefaultItem) {
    CPopupMenu menu;
    const std::wstring caption = L"&1 B\u00fccher";
    menu.Append(caption, 100);
    menu.Append(L"Other", 101);
    char text[64] = {};
    GetMenuStringA(H(menu), 100, text, sizeof text, MF_BYCOMMAND);
    EXPECT_EQ(std::string(text), codePage.ToAnsi(caption));
    EXPECT_TRUE(menu.SetDefaultItem(101, false));
    EXPECT_EQ(GetMenuDefaultItem(H(menu), FALSE, 0), 101u);
    EXPECT_TRUE(menu.SetDefaultItem(0, true));
    EXPECT_EQ(GetMenuDefaultItem(H(menu), TRUE, 0), 0u);
    EXPECT_FALSE(menu.SetDefaultItem(555, false));
}

// The checked and unchecked bitmaps of an item.
std::pair<HBITMAP, HBITMAP> CheckMarks(HMENU menu, UINT command) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_CHECKMARKS;
    GetMenuItemInfoW(menu, command, FALSE, &info);
    return {info.hbmpChecked, info.hbmpUnchecked};
}

TEST_F(MenusWinTest, ItemImagesAreDrawnByTheImageListAndDeletedAtRelease) {
    const ObjectPtr list = pictures.NewImageList(13, 13);
    const ObjectPtr images = list->Get(L"ListImages").AsObject();
    for (const wchar_t* name : {L"ICO_FOLDER", L"ICO_HELP_I2007", L"ICO_QTASK_32X32"}) {
        images->Call(L"Add", {Value(), name, LoadIconPicture(name, 13, 13, false)});
    }
    std::vector<HBITMAP> bitmaps;
    {
        CPopupMenu menu;
        menu.SetImageList(list);
        menu.Append(L"Folder", 100, L"ICO_FOLDER");
        menu.Append(L"Help", 101, 2);
        menu.Append(L"Task", 102, 3, false);
        menu.Append(L"Plain", 103);
        for (UINT command : {100u, 101u, 102u}) {
            const auto [checked, unchecked] = CheckMarks(H(menu), command);
            EXPECT_EQ(checked, unchecked);
            EXPECT_EQ(GetObjectType(checked), static_cast<DWORD>(OBJ_BITMAP));
            BITMAP bm{};
            GetObjectW(checked, sizeof bm, &bm);
            EXPECT_EQ(bm.bmWidth, 13);
            EXPECT_EQ(bm.bmHeight, 13);
            bitmaps.push_back(checked);
        }
        EXPECT_EQ(CheckMarks(H(menu), 103).first, nullptr);
        // The folder's face is yellow in the middle of its bitmap.
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmaps[0]);
        const COLORREF c = GetPixel(dc, 6, 9);
        SelectObject(dc, old);
        DeleteDC(dc);
        EXPECT_GT(GetRValue(c), 180) << std::hex << c;
        EXPECT_LT(GetBValue(c), 140) << std::hex << c;
        // Chosen by keyboard with the images in place.
        EXPECT_EQ(TrackWith(menu, {VK_DOWN, VK_DOWN, VK_RETURN}), 101u);
    }
    for (HBITMAP b : bitmaps) EXPECT_EQ(GetObjectType(b), 0u);
}

}  // namespace
}  // namespace brisko
