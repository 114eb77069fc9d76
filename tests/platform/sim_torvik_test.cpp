// The in-memory support library's About entry over the simulated command bars: the same host
// calls as Torvik.dll, one entry per bar and client, no host reference kept, clicks recorded.
#include <gtest/gtest.h>

#include "automation/error.h"
#include "platform/sim/sim_platform.h"
#include "simhost/command_bars.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"

namespace brisko::sim {
namespace {

constexpr std::uint32_t kClient = 0x10000000;

std::wstring German() { return L"DE"; }

class SimTorvikAbout : public ::testing::Test {
protected:
    void SetUp() override {
        sim.SetMajorVersion(11);
        platform.Install();
        savedCallbacks = CurrentPlatform().callbacks;
        explorer = sim.OpenExplorer(box.inbox);
        sim.ActivateExplorer(explorer);
    }
    void TearDown() override {
        CurrentPlatform().callbacks = savedCallbacks;
        // Nothing of the host is held by the library.
        EXPECT_EQ(sim.ExternalReferences(), 0) << ToUtf8(sim.DescribeExternalReferences());
        EXPECT_TRUE(sim.EscapedErrors().empty());
    }

    // The library's call as the add-in makes it: the object by a handle held for the call.
    std::int32_t Add(SimObject* target, std::uint32_t client = kClient) {
        struct Held {
            Handles& handles;
            std::uint32_t handle;
            ~Held() { handles.ReleaseObject(handle); }
        } held{platform.handles, platform.handles.RetainObject(target->Ref())};
        return platform.torvik.AddAboutMenu(client, held.handle);
    }
    SimCommandBar* MenuBar(SimObject* window) { return CommandBarsOf(window)->Find(L"Menu Bar"); }
    std::vector<SimCommandBarControl*> Entries(SimCommandBar* bar, std::uint32_t client = kClient) {
        std::vector<SimCommandBarControl*> found;
        for (auto* c : bar->Controls()->List()) {
            if (c->tag == SimTorvik::AboutTag(client)) found.push_back(c);
        }
        return found;
    }
    static std::string ToUtf8(const std::wstring& s) { return std::string(s.begin(), s.end()); }

    SimOutlook sim;
    SampleMailbox box = BuildSampleMailbox(sim);
    SimPlatform platform;
    TorvikCallbackRoutines savedCallbacks;
    SimExplorer* explorer = nullptr;
};

TEST_F(SimTorvikAbout, AddsATemporaryButtonToTheExplorersMenuBarWithTheLibrarysCalls) {
    sim.SetTracing(true);
    ASSERT_EQ(Add(explorer), 0);
    EXPECT_EQ(sim.Trace(), (std::vector<std::wstring>{
                               L"Explorer.CommandBars Get",
                               L"CommandBars.Item Get",
                               L"CommandBar.FindControl Method (Missing, Missing, String)",
                               L"CommandBar.Controls Get",
                               L"CommandBarControls.Add Method (Long, Missing, Missing, Missing, Boolean)",
                               L"CommandBarButton.Caption Put",
                               L"CommandBarButton.Tag Put",
                               L"CommandBarButton.ConnectEvents Method",
                           }));
    EXPECT_EQ(SimTorvik::AboutTag(kClient), L"Torvik.About.10000000");
    const auto entries = Entries(MenuBar(explorer));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->caption, L"&About Brisko...");
    EXPECT_TRUE(entries[0]->temporary);
    EXPECT_EQ(entries[0], FindControlByPath(explorer, L"Menu Bar", L"About Brisko..."));
    EXPECT_EQ(platform.torvik.AboutEntryCount(), 1u);

    // A click shows the About box, as the library records it.
    EXPECT_EQ(platform.torvik.CountCalls("ShowAbout"), 0u);
    ASSERT_TRUE(Press(entries[0]));
    ASSERT_EQ(platform.torvik.CountCalls("ShowAbout"), 1u);
    EXPECT_EQ(platform.torvik.calls().back().client, kClient);
}

TEST_F(SimTorvikAbout, OneEntryPerBarAndClient) {
    SimExplorer* second = sim.OpenExplorer(box.sentItems);
    ASSERT_EQ(Add(explorer), 0);
    ASSERT_EQ(Add(second), 0);
    // Again on a bar that has the entry: nothing added, and the other bar's entry stays.
    const auto before = sim.CallCount();
    ASSERT_EQ(Add(explorer), 0);
    EXPECT_EQ(sim.CallCount() - before, 3u);  // CommandBars, Item, FindControl
    EXPECT_EQ(Entries(MenuBar(explorer)).size(), 1u);
    ASSERT_EQ(Entries(MenuBar(second)).size(), 1u);
    // A bar passed as itself; another client gets its own entry there.
    ASSERT_EQ(Add(MenuBar(explorer), 0x20000000), 0);
    EXPECT_EQ(Entries(MenuBar(explorer), 0x20000000).size(), 1u);
    EXPECT_EQ(Entries(MenuBar(explorer)).size(), 1u);

    ASSERT_TRUE(Press(Entries(MenuBar(second)).at(0)));
    ASSERT_TRUE(Press(Entries(MenuBar(explorer), 0x20000000).at(0)));
    ASSERT_EQ(platform.torvik.CountCalls("ShowAbout"), 2u);
    EXPECT_EQ(platform.torvik.calls().back().client, 0x20000000u);
}

TEST_F(SimTorvikAbout, TheCaptionFollowsTheClientsLanguage) {
    CurrentPlatform().callbacks.langId = &German;
    platform.torvik.SetProductName(L"Brisko Test");
    ASSERT_EQ(Add(explorer), 0);
    ASSERT_EQ(Entries(MenuBar(explorer)).size(), 1u);
    EXPECT_EQ(Entries(MenuBar(explorer))[0]->caption, L"&Info \u00FCber Brisko Test...");
}

TEST_F(SimTorvikAbout, AFailingHostCallLeavesNothingAndTheAddinMayRetry) {
    // Before Add, after Add (the button is deleted again), and while subscribing.
    for (const wchar_t* member : {L"CommandBar.FindControl", L"CommandBarButton.Caption",
                                  L"CommandBarButton.ConnectEvents"}) {
        sim.FailMember(member, brisko::err::InvalidCall, {}, 1);
        EXPECT_EQ(Add(explorer), SimTorvik::kHostCallFailed) << ToUtf8(member);
        EXPECT_TRUE(Entries(MenuBar(explorer)).empty()) << ToUtf8(member);
        EXPECT_EQ(sim.ExternalReferences(), 0) << ToUtf8(member);
    }
    EXPECT_EQ(platform.torvik.AboutEntryCount(), 0u);
    // Something that is neither a window nor a bar.
    EXPECT_EQ(Add(box.inbox), SimTorvik::kHostCallFailed);
    EXPECT_EQ(Add(explorer), 0);
    EXPECT_EQ(Entries(MenuBar(explorer)).size(), 1u);
}

TEST_F(SimTorvikAbout, AScriptedResultOrRaiseAddsNothing) {
    platform.torvik.SetBehaviour("AddAboutMenu", {3, std::nullopt});
    const auto before = sim.CallCount();
    EXPECT_EQ(Add(explorer), 3);
    platform.torvik.SetBehaviour("AddAboutMenu", {0, 5});
    EXPECT_THROW(Add(explorer), RuntimeError);
    EXPECT_EQ(sim.CallCount(), before);
    EXPECT_EQ(platform.torvik.CountCalls("AddAboutMenu"), 2u);
    EXPECT_TRUE(Entries(MenuBar(explorer)).empty());
}

TEST_F(SimTorvikAbout, AClickAfterTheLibraryIsGoneRecordsNothing) {
    SimCommandBarControl* entry = nullptr;
    {
        SimPlatform other;
        other.Install();
        const std::uint32_t handle = other.handles.RetainObject(explorer->Ref());
        ASSERT_EQ(other.torvik.AddAboutMenu(kClient, handle), 0);
        other.handles.ReleaseObject(handle);
        ASSERT_EQ(Entries(MenuBar(explorer)).size(), 1u);
        entry = Entries(MenuBar(explorer))[0];
    }
    platform.Install();
    EXPECT_TRUE(Press(entry));
    EXPECT_EQ(entry->SinkCount(), 0u);
}

}  // namespace
}  // namespace brisko::sim
