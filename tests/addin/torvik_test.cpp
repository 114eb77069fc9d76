#include <gtest/gtest.h>

#include "addin/host/CTorvik.h"
#include "addin/host/error_discipline.h"
#include "addin/host/mTorvik.h"
#include "addin_fixture.h"
#include "automation/error.h"

namespace brisko {
namespace {

using testing::AddinTest;
using Logging = AddinTest;

TEST_F(Logging, LogErrorTakesThePendingErrorAndClearsIt) {
    Err().Set(RuntimeError(91));
    LogError(L"Connect.Init");
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].procedure, L"Connect.Init");
    EXPECT_EQ(Log()[0].errorNumber, 91);
    EXPECT_EQ(Log()[0].message, L"Object variable or With block variable not set");
    EXPECT_EQ(Log()[0].level, 3);
    EXPECT_EQ(Log()[0].detail, 1);
    EXPECT_FALSE(Err().Pending());
}

TEST_F(Logging, LogErrorWithExplicitArguments) {
    Err().Set(RuntimeError(13));
    LogError(L"P.a", 0, L"exactly this");
    Err().Set(RuntimeError(5, L"bad", L"src"), 120);
    LogError(L"P.b", -1, std::nullopt, L"while saving");
    LogError(L"P.c", 7, L"given", L"more");
    EXPECT_EQ(Errors(), (std::vector<std::wstring>{L"P.a|0|exactly this", L"P.b(120)|5|bad; while saving",
                                                   L"P.c|7|given; more"}));
}

TEST_F(Logging, AssertAndDebugRecords) {
    Assert(true, L"X.y", L"never");
    EXPECT_TRUE(Log().empty());
    Err().Set(RuntimeError(9));
    Assert(false, L"X.y", L"GetOutlookVersion < 12");
    LogDebug(L"X.y", L"->", 3);
    LogWarning(L"X.y", L"soft", 2);
    // Neither disturbs the error being handled.
    EXPECT_EQ(Err().Number, 9);
    ASSERT_EQ(Log().size(), 3u);
    EXPECT_EQ(Errors(), std::vector<std::wstring>{L"X.y|0|ASSERT FAILED - GetOutlookVersion < 12"});
    EXPECT_EQ(Log()[1].level, 1);
    EXPECT_EQ(Log()[1].detail, 3);
    EXPECT_EQ(Log()[2].level, 2);
    EXPECT_EQ(Log()[2].detail, 2);
}

TEST_F(Logging, NothingRaisesWhenTheLibraryIsMissingOrFails) {
    platform.torvik.SetMissing(true);
    Err().Set(RuntimeError(13));
    EXPECT_NO_THROW(LogDebug(L"A.b", L"->", 1));
    EXPECT_EQ(Err().Number, 13);
    EXPECT_NO_THROW(LogError(L"A.b"));
    EXPECT_FALSE(Err().Pending());
    platform.torvik.SetMissing(false);
    platform.torvik.SetBehaviour("LogMsg", {0, 5});
    EXPECT_NO_THROW(LogWarning(L"A.b", L"x", 1));
    platform.torvik.SetBehaviour("LogMsg", {-7, std::nullopt});
    EXPECT_NO_THROW(LogError(L"A.b", 0, L"ignored result"));
    EXPECT_EQ(Errors(), std::vector<std::wstring>{L"A.b|0|ignored result"});
}

TEST_F(Logging, TextsCrossInTheSystemCodePage) {
    LogError(L"Caf\u00E9.\u20AC", 0, L"\u201Cquoted\u201D \u4E2D");
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].procedure, L"Caf\u00E9.\u20AC");
    EXPECT_EQ(Log()[0].message, L"\u201Cquoted\u201D ?");
}

using Discipline = AddinTest;

TEST_F(Discipline, TrappedLogsUnderItsNameAndReturnsTheEmptyResult) {
    const int r = Trapped(L"M.f", []() -> int { Raise(438); });
    EXPECT_EQ(r, 0);
    const std::wstring s = Trapped(L"M.g", []() -> std::wstring { throw std::runtime_error("native"); });
    EXPECT_EQ(s, L"");
    const bool b = Trapped(L"M.h", [] { return true; }, false);
    EXPECT_TRUE(b);
    ASSERT_EQ(Errors().size(), 2u);
    EXPECT_EQ(Errors()[0], L"M.f|438|Object doesn't support this property or method");
    EXPECT_EQ(Log()[1].errorNumber, err::InternalError);
    EXPECT_FALSE(Err().Pending());
}

TEST_F(Discipline, ResumeNextRunsEveryStatementAndKeepsTheLastError) {
    std::vector<int> ran;
    ResumeNext next;
    next([&] { ran.push_back(1); Raise(5); });
    next([&] { ran.push_back(2); });
    EXPECT_EQ(Err().Number, 5);
    next([&] { ran.push_back(3); Raise(9); });
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Err().Number, 9);
    Resuming([&](ResumeNext& n) { n([] { Raise(13); }); });
    EXPECT_FALSE(Err().Pending());
    EXPECT_TRUE(Log().empty());
}

TEST_F(Discipline, EntryGuardStopsEverything) {
    EXPECT_NO_THROW(EntryGuard(L"Connect.Entry", [] { throw 42; }));
    EXPECT_EQ(Errors(), std::vector<std::wstring>{L"Connect.Entry|51|Internal error"});
}

using SupportLibrary = AddinTest;

TEST_F(SupportLibrary, PrepareInitParamsCentresTheWindow) {
    CTorvik t;
    TorvikInitParams p;
    p.SetU32(100, 0xDEADBEEF);
    t.PrepareInitParams(p, 512, 384);
    EXPECT_EQ(p.U32(0), 180u);
    EXPECT_EQ(p.U32(4), 1u);
    EXPECT_EQ(p.U32(12), 14u);
    EXPECT_EQ(p.U32(36), 1u);
    EXPECT_EQ(p.U32(100), 0u);  // the record is zeroed first
    EXPECT_EQ(t.WindowRect(), (std::array<std::int32_t, 4>{256, 192, 512, 384}));
    EXPECT_EQ(platform.handles.ResolveData(p.U32(56)), t.WindowRect().data());
}

TEST_F(SupportLibrary, CentringRoundsHalvesToEven) {
    CTorvik t;
    TorvikInitParams p;
    platform.desktop.width = 1025;   // (1025 - 512) / 2 = 256.5 -> 256
    platform.desktop.height = 771;   // (771 - 384) / 2 = 193.5 -> 194
    t.PrepareInitParams(p, 512, 384);
    EXPECT_EQ(t.WindowRect()[0], 256);
    EXPECT_EQ(t.WindowRect()[1], 194);
    platform.desktop.width = 400;    // (400 - 513) / 2 = -56.5 -> -56
    t.PrepareInitParams(p, 513, 384);
    EXPECT_EQ(t.WindowRect()[0], -56);
}

TEST_F(SupportLibrary, NoWindowSizeLeavesTheRectanglePointerAtZero) {
    CTorvik t;
    TorvikInitParams p;
    t.PrepareInitParams(p, 0, 384);
    EXPECT_EQ(p.U32(56), 0u);
    t.PrepareInitParams(p, 512, 0);
    EXPECT_EQ(p.U32(56), 0u);
}

TEST_F(SupportLibrary, WrapperForwardsWithTheClientHandle) {
    CTorvikWrapper w;
    EXPECT_EQ(w.Bound(), nullptr);
    TorvikInitParams p;
    platform.torvik.SetBehaviour("AddAboutMenu", {3, std::nullopt});
    EXPECT_EQ(w.InitEx(0x10000000, p), 0);
    ASSERT_NE(w.Bound(), nullptr);
    auto bar = std::make_shared<Object>();
    EXPECT_EQ(w.AddAboutMenu(bar), 3);
    EXPECT_EQ(platform.torvik.lastAboutMenuBar(), bar);
    EXPECT_EQ(platform.handles.RetainedCount(), 0u);  // the reference lives for the call only
    w.ShowContextHelp(L"Create_Task_Item_from_E-mail_Message.htm");
    EXPECT_EQ(platform.torvik.lastHelpTopic(), "Create_Task_Item_from_E-mail_Message.htm");
    w.InitComplete();
    w.ShowAbout();
    for (const auto& c : platform.torvik.calls()) EXPECT_EQ(c.client, 0x10000000u) << c.name;
    EXPECT_EQ(platform.torvik.calls().size(), 5u);
}

TEST_F(SupportLibrary, AMissingLibraryRaisesAtEachCall) {
    platform.torvik.SetMissing(true);
    CTorvikWrapper w;
    TorvikInitParams p;
    try {
        w.InitEx(1, p);
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::FileNotFound);
    }
    platform.torvik.SetMissing(false);
    EXPECT_EQ(w.InitEx(1, p), 0);  // bound at the first call that finds it
}

class FakeApplication : public Object {
public:
    Value version;
    Value Invoke(std::wstring_view name, CallKind, Args&) override {
        if (name == L"Version") return version;
        Raise(438);
    }
};

TEST_F(SupportLibrary, MajorVersionIsTheTextBeforeThePoint) {
    auto app = std::make_shared<FakeApplication>();
    g_oApplication = app;
    const std::pair<const wchar_t*, int> cases[] = {
        {L"9.0.0.2711", 9}, {L"12.0.0.4518", 12}, {L"14.0.4760.1000", 14}, {L"11", 11}};
    for (const auto& [text, major] : cases) {
        app->version = text;
        EXPECT_EQ(GetOutlookMajorVersion(), major) << text;
    }
    EXPECT_TRUE(Log().empty());
    app->version = L"beta.1";
    EXPECT_EQ(GetOutlookMajorVersion(), 0);
    g_oApplication.reset();
    EXPECT_EQ(GetOutlookMajorVersion(), 0);
    EXPECT_EQ(Errors(), (std::vector<std::wstring>{L"mTorvik.GetOutlookMajorVersion|13|Type mismatch",
                                                   L"mTorvik.GetOutlookMajorVersion|91|Object variable or With "
                                                   L"block variable not set"}));
}

TEST_F(SupportLibrary, TopmostGoesToThePlatform) {
    MakeWindowTopmost(0x1234);
    EXPECT_EQ(platform.desktop.topmost, std::vector<std::uintptr_t>{0x1234});
}

}  // namespace
}  // namespace brisko
