#include <gtest/gtest.h>

#include "addin/host/Connect.h"
#include "automation/text.h"
#include "lifecycle_fixture.h"

namespace brisko {
namespace {

using testing::LifecycleTest;
using testing::RecordingRibbon;
using Strings = std::vector<std::wstring>;

using StartUp = LifecycleTest;

TEST_F(StartUp, SubsystemsComeUpInOrderOnOutlook2003) {
    host.AddExplorerAtStartup(mailbox.inbox);
    Start(11);
    EXPECT_EQ(connect->State(), ConnectState::Running);
    EXPECT_EQ(journal.entries, (Strings{L"lang.InitEx Brisko", L"recent.Init RecentMove2Folders",
                                        L"recent.Init RecentCalendars", L"inspectors.new", L"menu.Create Explorer",
                                        L"inspectors.Init Inspectors"}));
    EXPECT_EQ(Trace(), (Strings{L"Connect.IDTExtensibility2_OnStartupComplete|->", L"Connect.m_oExplorers_OnExplorer|->",
                                L"Connect.Init|->", L"Connect::AddExplorerMenu|->"}));
    for (const auto& r : Log()) EXPECT_EQ(r.detail, 3) << r.procedure;
    // The support library learns that initialisation is complete after the inspector subscription.
    EXPECT_EQ(platform.torvik.CountCalls("InitComplete"), 1u);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(StartUp, ContextMenuEventsFromOutlook2007AndNoCommandBarsFrom2010) {
    host.AddExplorerAtStartup(mailbox.inbox);
    Start(12);
    EXPECT_EQ(journal.IndexOf(L"grelmo.Init Application"), journal.IndexOf(L"grelmo.new") + 1);
    EXPECT_GT(journal.IndexOf(L"grelmo.new"), journal.IndexOf(L"inspectors.Init Inspectors"));
    EXPECT_EQ(journal.Count(L"menu.Create Explorer"), 1u);
    Shutdown();
    journal.entries.clear();
    platform.torvik.Reset();
    ReleaseProcessObjects();

    Start(14);
    EXPECT_EQ(connect->State(), ConnectState::Running);
    EXPECT_EQ(journal.Count(L"menu.Create Explorer"), 0u);
    EXPECT_EQ(journal.Count(L"grelmo.new"), 1u);
    EXPECT_EQ(CountLog(L"Connect::AddExplorerMenu", L"->"), 0u);
}

TEST_F(StartUp, OutlookWithoutAWindowInitialisesAtTheFirstExplorer) {
    Start(12);
    EXPECT_EQ(connect->State(), ConnectState::TrackingExplorers);
    EXPECT_EQ(CountLog(L"Connect.Init", L"->"), 0u);
    host.OpenExplorer(mailbox.inbox);
    EXPECT_EQ(connect->State(), ConnectState::Running);
    EXPECT_EQ(CountLog(L"Connect.Init", L"->"), 1u);
    EXPECT_EQ(journal.Count(L"inspectors.Init Inspectors"), 1u);
}

TEST_F(StartUp, ASecondExplorerOnlyGetsItsMenu) {
    host.AddExplorerAtStartup(mailbox.inbox);
    host.AddExplorerAtStartup(mailbox.calendar);
    Start(11);
    auto* third = host.OpenExplorer(mailbox.tasks);
    host.ActivateExplorer(third);
    EXPECT_EQ(CountLog(L"Connect.Init", L"->"), 1u);
    EXPECT_EQ(journal.Count(L"menu.Create Explorer"), 3u);
    EXPECT_EQ(connect->Explorers()->Count(), 3);
    EXPECT_TRUE(connect->Explorers()->Item(3)->HasAssociatedObject(L"Menu"));
}

TEST_F(StartUp, InitExAnswering5LeavesTheAddinInert) {
    platform.torvik.SetBehaviour("InitEx", {5, std::nullopt});
    host.AddExplorerAtStartup(mailbox.inbox);
    Start(11);
    EXPECT_EQ(Errors(), Strings{L"Connect.IDTExtensibility2_OnConnection|0|Torvik.InitEx returned 5"});
    EXPECT_EQ(connect->State(), ConnectState::Inert);
    EXPECT_EQ(journal.Count(L"lang.InitEx Brisko"), 0u);
    EXPECT_EQ(journal.Count(L"menu.Create Explorer"), 0u);
    EXPECT_EQ(g_oConnect, nullptr);
    EXPECT_EQ(g_oApplication, nullptr);
    host.OpenExplorer(mailbox.calendar);
    EXPECT_EQ(journal.Count(L"menu.Create Explorer"), 0u);
    Shutdown();
    EXPECT_TRUE(host.EscapedErrors().empty());
}

TEST_F(StartUp, ASupportLibraryThatRaisesOrIsMissingLeavesTheAddinInert) {
    platform.torvik.SetBehaviour("InitEx", {0, 48});
    Start(11);
    EXPECT_EQ(connect->State(), ConnectState::Inert);
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Log()[0].procedure, L"Connect.IDTExtensibility2_OnConnection");
    EXPECT_EQ(Log()[0].errorNumber, 48);
    Shutdown();
    connect.reset();
    ReleaseProcessObjects();

    platform.torvik.Reset();
    platform.torvik.SetMissing(true);
    host.AddExplorerAtStartup(mailbox.inbox);
    Start(11);
    EXPECT_EQ(connect->State(), ConnectState::Inert);
    EXPECT_EQ(journal.Count(L"menu.Create Explorer"), 0u);
    EXPECT_TRUE(host.EscapedErrors().empty());
}

TEST_F(StartUp, InitFailingForTheFirstExplorerTearsDown) {
    host.FailMember(L"Application.Inspectors", -2147467259, L"No inspectors");
    host.AddExplorerAtStartup(mailbox.inbox);
    Start(11);
    EXPECT_EQ(Errors(), Strings{L"Connect.Init|-2147467259|No inspectors"});
    EXPECT_EQ(connect->State(), ConnectState::ShutDown);
    EXPECT_EQ(g_oConnect, nullptr);
    EXPECT_EQ(CountLog(L"Connect.Done", L"mode = full"), 1u);
    EXPECT_TRUE(host.EscapedErrors().empty());
}

using ShutDown = LifecycleTest;

TEST_F(ShutDown, FullTeardownInOrderAndTwiceIsHarmless) {
    class Dialog : public IForm {
    public:
        Dialog(testing::Journal& j, std::wstring n) : j_(j), n_(std::move(n)) {}
        void Unload() override {
            j_.Add(L"unload " + n_);
            // A dialog refreshes the folder controls as it unloads; Done makes that a no-op.
            g_oConnect->UpdateRecentFoldersControls();
        }

    private:
        testing::Journal& j_;
        std::wstring n_;
    };
    host.AddExplorerAtStartup(mailbox.inbox);
    Start(12);
    Forms().Add(std::make_shared<Dialog>(journal, L"frmQuickTask"));
    Forms().Add(std::make_shared<Dialog>(journal, L"frmQuickAppointment"));
    auto ribbon = std::make_shared<RecordingRibbon>();
    connect->Ribbon_OnLoad(ribbon);
    journal.entries.clear();

    Array custom;
    connect->OnBeginShutdown(custom);
    EXPECT_EQ(journal.entries,
              (Strings{L"recent.Save RecentMove2Folders", L"recent.Save RecentCalendars", L"unload frmQuickAppointment",
                       L"unload frmQuickTask", L"grelmo.release", L"recent.release RecentMove2Folders",
                       L"recent.release RecentCalendars", L"menu.release", L"inspectors.Done",
                       L"inspectors.release"}));
    EXPECT_EQ(CountLog(L"Connect.UpdateRecentFoldersControls", L"->"), 0u);
    EXPECT_EQ(connect->State(), ConnectState::ShutDown);
    EXPECT_EQ(g_oConnect, nullptr);
    EXPECT_EQ(g_oApplication, nullptr);
    EXPECT_EQ(Forms().Count(), 0u);
    EXPECT_EQ(ribbon.use_count(), 1);

    journal.entries.clear();
    connect->OnDisconnection(ext_dm_HostShutdown, custom);
    EXPECT_TRUE(journal.entries.empty());
    EXPECT_EQ(CountLog(L"Connect.Done", L"mode = full"), 2u);
    EXPECT_TRUE(Errors().empty());
    connect.reset();
    EXPECT_EQ(host.ExternalReferences(), 0) << ToUtf8(host.DescribeExternalReferences());
}

TEST_F(ShutDown, LastExplorerClosedWaitsForANewOne) {
    auto* e = host.AddExplorerAtStartup(mailbox.inbox);
    auto* mail = mailbox.inboxMails.at(0);
    Start(11);
    host.OpenInspector(mail);
    journal.entries.clear();
    host.CloseExplorer(e);
    EXPECT_EQ(connect->State(), ConnectState::WaitingNewExplorer);
    EXPECT_EQ(CountLog(L"Connect.Done", L"mode = wait new explorer"), 1u);
    // The closed window drops its menu before it reports the close.
    EXPECT_EQ(journal.entries, (Strings{L"menu.release", L"recent.Save RecentMove2Folders",
                                        L"recent.Save RecentCalendars", L"inspectors.Done"}));
    // Language, options and recent lists stay; the trackers keep listening.
    EXPECT_NE(g_oLang, nullptr);
    EXPECT_NE(g_oRecentMove2Folders, nullptr);
    EXPECT_NE(g_oConnect, nullptr);
    EXPECT_EQ(connect->Explorers()->Count(), 0);

    journal.entries.clear();
    auto* again = host.OpenExplorer(mailbox.calendar);
    host.ActivateExplorer(again);
    EXPECT_EQ(connect->State(), ConnectState::Running);
    EXPECT_EQ(journal.entries, (Strings{L"menu.Create Explorer", L"inspectors.Init Inspectors"}));
    EXPECT_EQ(CountLog(L"Connect.Init", L"->"), 2u);
}

using Refresh = LifecycleTest;

TEST_F(Refresh, CommandBarsFollowSelectionAndFolderBelow14) {
    auto* e = host.AddExplorerAtStartup(mailbox.inbox);
    Start(11);
    journal.entries.clear();
    host.Select(e, {mailbox.inboxMails.at(0)});
    host.SwitchFolder(e, mailbox.projects);
    EXPECT_EQ(journal.entries, (Strings{L"menu.UpdateButtons 3", L"menu.UpdateButtons 2"}));
}

TEST_F(Refresh, Outlook2010InvalidatesExactlyTheExplorerControls) {
    auto* e = host.AddExplorerAtStartup(mailbox.inbox);
    Start(14);
    host.Select(e, {mailbox.inboxMails.at(0)});  // no ribbon yet: nothing to do
    auto ribbon = std::make_shared<RecordingRibbon>();
    connect->Ribbon_OnLoad(ribbon);
    host.Select(e, {mailbox.inboxMails.at(1)});
    const Strings expected{L"btnQuickTaskE",  L"btnQuickAppointmentE", L"btnFolder_1E", L"btnDefFolder_1E",
                           L"btnFolder_2E",   L"btnDefFolder_2E",      L"mnuFolderE",   L"mnuDefFolderE",
                           L"btnFolderE",     L"sbtnFolderE"};
    EXPECT_EQ(ribbon->invalidated, expected);
    ribbon->invalidated.clear();
    host.SwitchFolder(e, mailbox.projects);
    EXPECT_EQ(ribbon->invalidated, expected);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(Refresh, RecentFoldersOnOutlook2007) {
    host.AddExplorerAtStartup(mailbox.inbox);
    Start(12);
    auto ribbon = std::make_shared<RecordingRibbon>();
    connect->Ribbon_OnLoad(ribbon);
    journal.entries.clear();

    lmt = 46000.5;
    connect->UpdateRecentFoldersControls();
    EXPECT_EQ(journal.entries, Strings{L"menu.UpdateButtons 1"});
    EXPECT_EQ(ribbon->invalidated,
              (Strings{L"btnFolder_1I", L"btnDefFolder_1I", L"btnFolder_2I", L"btnDefFolder_2I", L"mnuFolderI",
                       L"mnuDefFolderI", L"btnFolderI", L"sbtnFolderI"}));
    EXPECT_EQ(connect->FoldersLMT(), 46000.5);

    // The list did not change: command bars are refreshed, the ribbon is left alone.
    ribbon->invalidated.clear();
    journal.entries.clear();
    connect->UpdateRecentFoldersControls();
    EXPECT_EQ(journal.entries, Strings{L"menu.UpdateButtons 1"});
    EXPECT_TRUE(ribbon->invalidated.empty());
    EXPECT_EQ(CountLog(L"Connect.UpdateRecentFoldersControls", L"->"), 2u);
    EXPECT_EQ(Log().back().detail, 2);
}

TEST_F(Refresh, InspectorButtonsBelow12AndTheRibbonAfterANewMailInspector) {
    class Wrapper : public IInspectorWrapper {
    public:
        Wrapper(testing::Journal& j, ObjectPtr i) : j_(j), i_(std::move(i)) {}
        ObjectPtr GetInspector() const override { return i_; }
        void UpdateButtons() override { j_.Add(L"inspector.UpdateButtons"); }

    private:
        testing::Journal& j_;
        ObjectPtr i_;
    };
    host.AddExplorerAtStartup(mailbox.inbox);
    Start(11);
    auto* inspector = host.OpenInspector(mailbox.inboxMails.at(0));
    inspectorWrappers = {std::make_shared<Wrapper>(journal, inspector->Ref()),
                         std::make_shared<Wrapper>(journal, nullptr)};
    journal.entries.clear();
    connect->UpdateRecentFoldersControls();
    EXPECT_EQ(journal.entries, (Strings{L"menu.UpdateButtons 1", L"inspector.UpdateButtons"}));
    inspectorWrappers.clear();

    auto ribbon = std::make_shared<RecordingRibbon>();
    connect->Ribbon_OnLoad(ribbon);
    auto sink = inspectorSink.lock();
    ASSERT_NE(sink, nullptr);
    sink->OnNewInspector(inspector->Ref());
    EXPECT_EQ(ribbon->invalidateAll, 1);
    auto* contact = host.CreateItem(sim::ol::ContactItem, mailbox.contacts);
    sink->OnNewInspector(host.OpenInspector(contact)->Ref());
    EXPECT_EQ(ribbon->invalidateAll, 1);
    // A vanished inspector is ignored quietly.
    host.Vanish(inspector);
    sink->OnNewInspector(inspector->Ref());
    EXPECT_EQ(ribbon->invalidateAll, 1);
    EXPECT_TRUE(Errors().empty());
}

}  // namespace
}  // namespace brisko
