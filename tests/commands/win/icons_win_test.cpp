#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include "addin/commands/mIcons.h"
#include "automation/win/com_ptr.h"
#include "automation/win/dispatch_object.h"
#include "automation/win/object_dispatch.h"
#include "platform/pictures.h"
#include "win_fixture.h"

namespace brisko {
namespace {

using win::ComPtr;

class IconsWinTest : public testing::WinCommandsTest {};

ComPtr<IPicture> PictureOf(const ObjectPtr& object) {
    auto dispatch = std::dynamic_pointer_cast<win::DispatchObject>(object);
    if (!dispatch) return {};
    return ComPtr<IDispatch>(dispatch->Dispatch()).As<IPicture>(IID_IPicture);
}

SHORT TypeOf(const ObjectPtr& object) {
    SHORT type = -1;
    if (auto p = PictureOf(object)) p->get_Type(&type);
    return type;
}

// The size of the picture's bitmap (or of an icon's colour bitmap).
SIZE PixelsOf(const ObjectPtr& object) {
    SIZE size{};
    OLE_HANDLE handle = 0;
    auto p = PictureOf(object);
    if (!p) return size;
    p->get_Handle(&handle);
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    ICONINFO info{};
    const bool icon = TypeOf(object) == PICTYPE_ICON && GetIconInfo(reinterpret_cast<HICON>(bitmap), &info);
    if (icon) bitmap = info.hbmColor;
    BITMAP bm{};
    GetObjectW(bitmap, sizeof bm, &bm);
    size = {bm.bmWidth, bm.bmHeight};
    if (icon) {
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    return size;
}

TEST_F(IconsWinTest, WidthZeroLoadsTheStandardSize) {
    std::wstring error;
    const auto icon = LoadIconHandle(L"MAIN_ICON", 0, 16, false, error);
    ASSERT_NE(icon, 0u) << error;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(icon), &info));
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(bm.bmHeight, GetSystemMetrics(SM_CYICON));
}

TEST_F(IconsWinTest, ASharedIconOutlivesThePictureThatOwnedIt) {
    for (int round = 0; round < 2; ++round) {
        const ObjectPtr picture = LoadIconPicture(L"MAIN_ICON", 0, 0, false);
        EXPECT_EQ(PixelsOf(picture).cx, GetSystemMetrics(SM_CXICON)) << round;
    }
    for (int round = 0; round < 2; ++round) {
        const ObjectPtr picture = LoadIconPicture(L"ICO_FOLDER", 32, 32, true);
        EXPECT_EQ(PixelsOf(picture).cx, 32) << round;
    }
}

TEST_F(IconsWinTest, AMissingResourceIsErrorThirteenWithTheLastError) {
    // What the in-memory pictures give too, by name and by id: 1813 for an icon, 1814 for a bitmap.
    EXPECT_EQ(ErrorOf([] { LoadIconPicture(L"NO_SUCH_ICON", 16, 16, false); }), L"13|LoadImage failed, LastError=0x715");
    EXPECT_EQ(ErrorOf([] { LoadIconPicture(101, 16, 16, false); }), L"13|LoadImage failed, LastError=0x715");
    EXPECT_EQ(ErrorOf([] { LoadIconPicture(L"NO_SUCH_ICON", 0, 0, false); }), L"13|LoadImage failed, LastError=0x715");
    ObjectPtr color, mask;
    EXPECT_EQ(ErrorOf([&] { LoadIconBitmaps(L"LOGO", color, mask, 16, 16); }), L"13|LoadImage failed, LastError=0x715");
    EXPECT_EQ(ErrorOf([] { LoadBitmapPicture(L"NO_SUCH_BITMAP"); }), L"13|LoadImage failed, LastError=0x716");
    EXPECT_EQ(ErrorOf([] { LoadBitmapPicture(L"MAIN_ICON"); }), L"13|LoadImage failed, LastError=0x716");
    EXPECT_EQ(ErrorOf([] { LoadBitmapPicture(101); }), L"13|LoadImage failed, LastError=0x716");
}

TEST_F(IconsWinTest, PicturesOfTheRightTypeAndSize) {
    const ObjectPtr icon = LoadIconPicture(L"ICO_QAPPOINTMENT_32X32", 32, 32, true);
    EXPECT_EQ(TypeOf(icon), PICTYPE_ICON);
    EXPECT_EQ(icon->Get(L"Type").AsInt(), PICTYPE_ICON);  // late-bound, as a host reads it
    EXPECT_EQ(PixelsOf(icon).cx, 32);
    ObjectPtr color, mask;
    LoadIconBitmaps(L"ICO_FOLDER", color, mask, 16, 16);
    EXPECT_EQ(TypeOf(color), PICTYPE_BITMAP);
    EXPECT_EQ(TypeOf(mask), PICTYPE_BITMAP);
    EXPECT_EQ(PixelsOf(color).cx, 16);
    EXPECT_EQ(PixelsOf(mask).cy, 16);
    const ObjectPtr logo = LoadBitmapPicture(L"LOGO");
    EXPECT_EQ(TypeOf(logo), PICTYPE_BITMAP);
    EXPECT_EQ(PixelsOf(logo).cx, 64);
}

// A button as the host has it: reached through IDispatch, Picture and Mask set by name.
class Button : public Object {
public:
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (kind == CallKind::Put && (name == L"Picture" || name == L"Mask")) {
            (name == L"Picture" ? picture : mask) = args.at(0).AsObject();
            return {};
        }
        return Object::Invoke(name, kind, args);
    }
    ObjectPtr picture, mask;
};

TEST_F(IconsWinTest, SetButtonPictureHandsThePicturesIDispatchToTheHost) {
    auto button = std::make_shared<Button>();
    auto exposed = win::ExposeObject(button);
    const ObjectPtr remote = win::DispatchObject::Wrap(exposed.Get());
    SetButtonPicture(remote, L"ICO_FOLDER");
    EXPECT_FALSE(Err().Pending());
    ASSERT_TRUE(button->picture && button->mask);
    EXPECT_EQ(TypeOf(button->picture), PICTYPE_BITMAP);
    EXPECT_EQ(TypeOf(button->mask), PICTYPE_BITMAP);
    EXPECT_EQ(PixelsOf(button->picture).cx, 16);

    auto untouched = std::make_shared<Button>();
    auto exposed2 = win::ExposeObject(untouched);
    SetButtonPicture(win::DispatchObject::Wrap(exposed2.Get()), L"NO_SUCH_ICON");
    EXPECT_FALSE(Err().Pending());
    EXPECT_FALSE(untouched->picture);
}

TEST_F(IconsWinTest, TheImageListDrawsIntoADeviceContext) {
    const ObjectPtr list = pictures.NewImageList(16, 16);
    const ObjectPtr images = list->Get(L"ListImages").AsObject();
    images->Call(L"Add", {Value(), L"help", LoadIconPicture(L"ICO_HELP_I2007", 16, 16, false)});
    ObjectPtr color, mask;
    LoadIconBitmaps(L"ICO_QTASK_32X32", color, mask, 16, 16);
    images->Call(L"Add", {Value(), L"task", color});
    EXPECT_EQ(images->Get(L"Count").AsInt(), 2);

    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 16;
    bi.bmiHeader.biHeight = -16;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP target = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, target);
    PatBlt(dc, 0, 0, 16, 16, WHITENESS);
    images->Get(L"Item", {L"help"}).AsObject()->Call(L"Draw", {static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(dc)), 0, 0});
    GdiFlush();
    const COLORREF middle = GetPixel(dc, 8, 4);  // the disc's blue above the question mark
    const COLORREF corner = GetPixel(dc, 0, 0);  // transparent: the white stays
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
    EXPECT_GT(GetBValue(middle), 200) << std::hex << middle;
    EXPECT_GT(GetBValue(middle), GetRValue(middle) + 60) << std::hex << middle;
    EXPECT_EQ(corner, RGB(255, 255, 255));
}

}  // namespace
}  // namespace brisko
