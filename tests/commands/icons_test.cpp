#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>

#include "addin/commands/mIcons.h"
#include "addin/host/COptions.h"
#include "commands_fixture.h"
#include "platform/pictures.h"

namespace brisko {
namespace {

using sim::SimPicture;
using sim::SimPictures;

class IconsTest : public testing::CommandsTest {
protected:
    SimPictures& pictures() { return platform.pictures; }
    static const SimPicture& Sim(const ObjectPtr& picture) { return dynamic_cast<const SimPicture&>(*picture); }
};

TEST_F(IconsTest, LoadIconHandleSizesAndSharing) {
    std::wstring error;
    // Width or height 0: LoadIconA, the standard size whatever the other is, shared.
    pictures().SetStandardIconSize(32, 32);
    for (auto [w, h] : {std::pair{0, 16}, std::pair{16, 0}, std::pair{0, 0}}) {
        const auto icon = LoadIconHandle(L"MAIN_ICON", w, h, false, error);
        ASSERT_NE(icon, 0u);
        EXPECT_EQ(pictures().Find(icon)->width, 32);
        EXPECT_TRUE(pictures().Find(icon)->shared);
    }
    const auto a = LoadIconHandle(L"ico_folder", 16, 16, false, error);
    const auto b = LoadIconHandle(L"ICO_FOLDER", 16, 16, false, error);
    EXPECT_NE(a, b);
    EXPECT_EQ(pictures().Find(a)->width, 16);
    EXPECT_EQ(pictures().Find(a)->resource, "ICO_FOLDER");
    EXPECT_EQ(LoadIconHandle(L"ICO_FOLDER", 32, 32, true, error), LoadIconHandle(L"ICO_FOLDER", 32, 32, true, error));
    EXPECT_EQ(error, L"");
}

TEST_F(IconsTest, LoadIconHandleFailuresGiveTheLastError) {
    std::wstring error;
    EXPECT_EQ(LoadIconHandle(L"NO_SUCH_ICON", 16, 16, false, error), 0u);
    EXPECT_EQ(error, L"LoadImage failed, LastError=0x716");
    error.clear();
    EXPECT_EQ(LoadIconHandle(101, 0, 0, false, error), 0u);
    EXPECT_EQ(error, L"LoadImage failed, LastError=0x716");
    error.clear();
    EXPECT_EQ(LoadIconHandle(L"LOGO", 16, 16, false, error), 0u);  // a bitmap, not an icon
    EXPECT_EQ(error, L"LoadImage failed, LastError=0x716");
    // A number that can't be an integer resource id never reaches LoadImageA.
    for (std::int32_t id : {-1, 0x10000}) {
        error.clear();
        EXPECT_EQ(LoadIconHandle(id, 16, 16, false, error), 0u);
        EXPECT_EQ(error, L"LoadImage failed, LastError=0x57");
    }
}

TEST_F(IconsTest, LoadIconPictureOwnsItsIcon) {
    {
        const ObjectPtr picture = LoadIconPicture(L"ICO_QTASK_32X32", 32, 32, false);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->Get(L"Type").AsInt(), kPicTypeIcon);
        EXPECT_EQ(picture->Get(L"Width").AsInt(), 847);  // HIMETRIC of 32 pixels
        EXPECT_EQ(Sim(picture).gdi().resource, "ICO_QTASK_32X32");
        EXPECT_EQ(static_cast<std::uintptr_t>(picture->Get(L"Handle").AsInt()), Sim(picture).handle());
        EXPECT_EQ(pictures().LiveIcons(), 1u);
    }
    EXPECT_EQ(pictures().LiveIcons(), 0u);
    EXPECT_EQ(pictures().BadFrees(), 0u);
    EXPECT_EQ(ErrorOf([] { LoadIconPicture(L"ICO_NONE", 32, 32, true); }), L"13|LoadImage failed, LastError=0x716");
}

TEST_F(IconsTest, APictureThatCantBeMadeLeavesNoIconBehind) {
    pictures().FailCreatePicture(static_cast<std::int32_t>(0x80004005u));
    EXPECT_EQ(ErrorOf([] { LoadIconPicture(L"ICO_FOLDER", 16, 16, false); }),
              L"13|OleCreatePictureIndirect failed, hr=0x80004005");
    EXPECT_EQ(pictures().LiveIcons(), 0u);
}

TEST_F(IconsTest, LoadIconBitmapsGivesColourAndMaskPictures) {
    {
        ObjectPtr color, mask;
        LoadIconBitmaps(L"ICO_FOLDER", color, mask, 16, 16);
        ASSERT_TRUE(color && mask);
        EXPECT_EQ(color->Get(L"Type").AsInt(), kPicTypeBitmap);
        EXPECT_EQ(mask->Get(L"Type").AsInt(), kPicTypeBitmap);
        EXPECT_EQ(Sim(color).gdi().part, "color");
        EXPECT_EQ(Sim(mask).gdi().part, "mask");
        EXPECT_EQ(Sim(color).gdi().width, 16);
        EXPECT_EQ(pictures().LiveIcons(), 0u);  // the icon went, its bitmaps stay with the pictures
        EXPECT_EQ(pictures().LiveBitmaps(), 2u);
    }
    EXPECT_EQ(pictures().LiveBitmaps(), 0u);
    EXPECT_EQ(pictures().BadFrees(), 0u);
}

TEST_F(IconsTest, LoadIconBitmapsFailuresRaiseTheirTextsAndLeakNothing) {
    ObjectPtr color, mask;
    EXPECT_EQ(ErrorOf([&] { LoadIconBitmaps(L"NOPE", color, mask, 16, 16); }), L"13|LoadImage failed, LastError=0x716");
    EXPECT_FALSE(color || mask);

    pictures().FailGetIconInfo(1414);
    EXPECT_EQ(ErrorOf([&] { LoadIconBitmaps(L"ICO_FOLDER", color, mask, 16, 16); }),
              L"13|GetIconInfo failed, LastError=0x586");
    EXPECT_FALSE(color || mask);
    EXPECT_EQ(pictures().LiveIcons(), 0u);

    pictures().FailCreatePicture(static_cast<std::int32_t>(0x8007000Eu));  // the colour picture
    EXPECT_EQ(ErrorOf([&] { LoadIconBitmaps(L"ICO_FOLDER", color, mask, 16, 16); }),
              L"13|OleCreatePictureIndirect failed, hr=0x8007000E");
    EXPECT_FALSE(color || mask);
    EXPECT_EQ(pictures().LiveBitmaps(), 0u);

    pictures().FailCreatePicture(static_cast<std::int32_t>(0x80004005u), 2);  // the mask picture
    EXPECT_EQ(ErrorOf([&] { LoadIconBitmaps(L"ICO_FOLDER", color, mask, 16, 16); }),
              L"13|OleCreatePictureIndirect failed, hr=0x80004005");
    EXPECT_TRUE(color);
    EXPECT_FALSE(mask);
    EXPECT_EQ(pictures().LiveBitmaps(), 1u);  // the colour picture's
    color.reset();
    EXPECT_EQ(pictures().LiveBitmaps(), 0u);
    EXPECT_EQ(pictures().LiveIcons(), 0u);
    EXPECT_EQ(pictures().BadFrees(), 0u);
}

TEST_F(IconsTest, BitmapResourcesAsPictures) {
    const ObjectPtr logo = LoadBitmapPicture(L"LOGO");
    EXPECT_EQ(logo->Get(L"Type").AsInt(), kPicTypeBitmap);
    EXPECT_EQ(Sim(logo).gdi().width, 64);
    EXPECT_EQ(ErrorOf([] { LoadBitmapPicture(L"MAIN_ICON"); }), L"13|LoadImage failed, LastError=0x716");
}

// A command-bar button as the host has it: Picture and Mask assigned by name.
class Button : public Object {
public:
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (kind == CallKind::Put && (name == L"Picture" || name == L"Mask")) {
            if (failPuts) Raise(err::NotSupported);
            (name == L"Picture" ? picture : mask) = args.at(0).AsObject();
            ++puts;
            return {};
        }
        return Object::Invoke(name, kind, args);
    }
    ObjectPtr picture, mask;
    int puts = 0;
    bool failPuts = false;
};

TEST_F(IconsTest, SetButtonPictureSetsPictureAndMaskOrLeavesTheFace) {
    auto button = std::make_shared<Button>();
    SetButtonPicture(button, L"ICO_FOLDER");
    ASSERT_TRUE(button->picture && button->mask);
    EXPECT_EQ(Sim(button->picture).gdi().part, "color");
    EXPECT_EQ(Sim(button->mask).gdi().part, "mask");
    EXPECT_EQ(Sim(button->picture).gdi().width, 16);

    auto other = std::make_shared<Button>();
    SetButtonPicture(other, L"NO_SUCH_ICON");
    EXPECT_EQ(other->puts, 0);
    EXPECT_FALSE(Err().Pending());

    other->failPuts = true;  // a host before version 10
    SetButtonPicture(other, L"ICO_FOLDER");
    EXPECT_FALSE(Err().Pending());
    SetButtonPicture(nullptr, L"ICO_FOLDER");
    EXPECT_FALSE(Err().Pending());
}

TEST_F(IconsTest, OptionsGiveTheMainIconAndTheLogo) {
    COptions options;
    const ObjectPtr icon = options.MAIN_ICON();
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->Get(L"Type").AsInt(), kPicTypeIcon);
    EXPECT_EQ(Sim(icon).gdi().resource, "MAIN_ICON");
    const ObjectPtr logo = options.LOGO();
    ASSERT_TRUE(logo);
    EXPECT_EQ(Sim(logo).gdi().resource, "LOGO");

    pictures().resources().erase("LOGO");
    EXPECT_FALSE(options.LOGO());
    ASSERT_EQ(platform.torvik.log().size(), 1u);
    EXPECT_EQ(platform.torvik.log()[0].procedure, L"COptions.LOGO(Get)");
    EXPECT_EQ(platform.torvik.log()[0].errorNumber, 13);
    EXPECT_EQ(platform.torvik.log()[0].message, L"LoadImage failed, LastError=0x716");
}

// The in-memory resource table is the resource script's: same names, kinds and image sizes.
std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t Le(const std::string& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b.at(at + static_cast<std::size_t>(i)));
    return v;
}

TEST(AddinResources, TheTableMirrorsTheResourceScript) {
    const std::string root = BRISKO_SOURCE_ROOT "/addin/resources/";
    std::istringstream rc(ReadFile(root + "images.rc"));
    const std::regex entry(R"(^(\w+)\s+(ICON|BITMAP)\s+\"([^\"]+)\")");
    std::map<std::string, SimPictures::Resource> script;
    for (std::string line; std::getline(rc, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, entry)) continue;
        const std::string file = ReadFile(root + m[3].str());
        ASSERT_FALSE(file.empty()) << m[3];
        SimPictures::Resource r;
        if (m[2] == "ICON") {
            r.kind = SimPictures::Kind::Icon;
            for (std::uint32_t i = 0; i < Le(file, 4, 2); ++i) {
                const int w = static_cast<int>(Le(file, 6 + 16 * i, 1)), h = static_cast<int>(Le(file, 7 + 16 * i, 1));
                r.sizes.emplace_back(w ? w : 256, h ? h : 256);
            }
        } else {
            r.kind = SimPictures::Kind::Bitmap;
            r.sizes.emplace_back(static_cast<int>(Le(file, 18, 4)), static_cast<int>(Le(file, 22, 4)));
        }
        script[m[1]] = r;
    }
    const auto table = SimPictures::AddinResources();
    ASSERT_EQ(script.size(), table.size());
    for (const auto& [name, r] : table) {
        ASSERT_TRUE(script.count(name)) << name;
        EXPECT_EQ(script[name].kind, r.kind) << name;
        EXPECT_EQ(script[name].sizes, r.sizes) << name;
    }
}

}  // namespace
}  // namespace brisko
