#include <gtest/gtest.h>

#include "addin/host/Connect.h"
#include "addin/host/CTorvik.h"
#include "addin/host/globals.h"
#include "addin_fixture.h"
#include "automation/error.h"

namespace brisko {
namespace {

class VersionOnlyApplication : public Object {
public:
    Value Invoke(std::wstring_view name, CallKind, Args&) override {
        if (name == L"Version") return L"11.0.0.8217";
        Raise(438);
    }
};

using InitRecord = testing::AddinTest;

// The record the connection hands to TorvikInitEx, byte by byte.
TEST_F(InitRecord, LayoutByteByByte) {
    auto connect = std::make_shared<Connect>();
    auto app = std::make_shared<VersionOnlyApplication>();
    Array custom;
    connect->OnConnection(app, ext_cm_Startup, nullptr, custom);
    ASSERT_TRUE(platform.torvik.initParams().has_value());
    const auto& bytes = platform.torvik.initParams()->bytes();

    std::array<std::uint8_t, 180> expected{};
    auto put32 = [&](std::size_t o, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) expected[o + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    const auto& rec = *platform.torvik.initParams();
    put32(0, 180);
    put32(4, 2);
    put32(8, rec.U32(8));  // a reference, checked below
    put32(12, 14);
    expected[28] = 0xFF;
    expected[29] = 0xFF;
    put32(36, 1);
    put32(40, platform.handles.CallbackAddress(TorvikCallback::CurrentUserEmail));
    put32(56, rec.U32(56));  // the window rectangle's address, checked below
    put32(60, platform.handles.CallbackAddress(TorvikCallback::LangID));
    put32(64, platform.handles.CallbackAddress(TorvikCallback::VersionTexts));
    put32(172, 1);
    put32(176, 1);
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(bytes[i], expected[i]) << "offset " << i;

    EXPECT_NE(rec.U32(8), 0u);
    EXPECT_EQ(platform.torvik.initApplication(), app);
    ASSERT_TRUE(platform.torvik.initWindow().has_value());
    EXPECT_EQ(*platform.torvik.initWindow(), (std::array<std::int32_t, 4>{256, 192, 512, 384}));
    // The application reference in the record is released right after the call.
    EXPECT_EQ(platform.handles.ResolveObject(rec.U32(8)), nullptr);
    EXPECT_EQ(platform.handles.RetainedCount(), 0u);
    EXPECT_EQ(platform.torvik.calls().front().client, platform.moduleHandle);
    EXPECT_EQ(connect->State(), ConnectState::Connected);
    connect->OnBeginShutdown(custom);
}

TEST_F(InitRecord, CallbacksAnswerFromTheOptionsAndTheLanguage) {
    class Lang : public ILanguage {
    public:
        void InitEx(const std::wstring&) override {}
        std::wstring Item(const std::wstring& key) override { return L"text of " + key; }
    };
    Services().newLanguage = [] { return std::make_shared<Lang>(); };
    platform.registry.PresetString("HKCU\\Software\\Corvant\\Brisko", "LANG", "DE");
    Services().currentUserEmail = [] { return std::wstring(L"anna.berg@example.com"); };
    auto connect = std::make_shared<Connect>();
    Array custom;
    connect->OnConnection(std::make_shared<VersionOnlyApplication>(), ext_cm_Startup, nullptr, custom);
    EXPECT_EQ(platform.torvik.CallLangId(), L"DE");
    EXPECT_EQ(platform.torvik.CallCurrentUserEmail(), L"anna.berg@example.com");
    EXPECT_EQ(platform.torvik.CallVersionTexts(),
              (std::array<std::wstring, 3>{L"text of LID_VI_COMMENTS", L"text of LID_VI_FILE_DESCRIPTION",
                                           L"text of LID_VI_LEGAL_COPYRIGHT"}));
    // A failing option yields an empty answer, not an error into the library.
    Services().currentUserEmail = []() -> std::wstring { Raise(-2147221233); };
    EXPECT_EQ(platform.torvik.CallCurrentUserEmail(), L"");
    connect->OnDisconnection(ext_dm_HostShutdown, custom);
}

}  // namespace
}  // namespace brisko
