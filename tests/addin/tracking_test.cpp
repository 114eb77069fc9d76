#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>

#include "addin/tracking/CExplorersWrapper.h"
#include "automation/error.h"
#include "automation/text.h"
#include "lifecycle_fixture.h"

namespace brisko {
namespace {

using Strings = std::vector<std::wstring>;

// Receives the tracker's events in place of the connection.
class Recorder : public ExplorersEvents {
public:
    Strings events;
    std::function<void()> onExplorer;
    void OnCloseAllExplorers() override { events.push_back(L"CloseAll"); }
    void OnExplorer(const std::shared_ptr<CExplorerWrapper>& w, bool first, bool isNew) override {
        events.push_back(L"OnExplorer " + Folder(w) + (first ? L" first" : L"") + (isNew ? L" new" : L""));
        if (onExplorer) onExplorer();
    }
    void OnExplorerSelectionChange(const std::shared_ptr<CExplorerWrapper>& w) override {
        events.push_back(L"SelectionChange " + Folder(w));
    }
    void OnExplorerFolderSwitch(const std::shared_ptr<CExplorerWrapper>& w) override {
        events.push_back(L"FolderSwitch " + Folder(w));
    }
    static std::wstring Folder(const std::shared_ptr<CExplorerWrapper>& w) {
        return GetOf(ObjectOf(w->GetObject(), L"CurrentFolder"), L"Name").AsString();
    }
};

// The connection's tracker, listening with its events going to a recorder.
class Tracking : public testing::LifecycleTest {
protected:
    void Track(int major) {
        Start(major);  // no window yet: nothing is wrapped
        tracker = connect->Explorers();
        tracker->SetEventSink(recorder);
    }
    // Wraps the windows that exist now, as at start-up.
    void InitTracker() { tracker->Init(host.Explorers()->Ref()); }

    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
    std::shared_ptr<CExplorersWrapper> tracker;
};

TEST_F(Tracking, ExplorersOpenAtStartUp) {
    Track(11);
    host.AddExplorerAtStartup(mailbox.inbox);
    host.AddExplorerAtStartup(mailbox.calendar);
    InitTracker();
    EXPECT_EQ(recorder->events, (Strings{L"OnExplorer Inbox first", L"OnExplorer Calendar"}));
    EXPECT_EQ(tracker->Count(), 2);
}

TEST_F(Tracking, BeforeOutlook2007ANewWindowWaitsForItsFirstActivation) {
    Track(11);
    auto* first = host.OpenExplorer(mailbox.inbox);
    auto* second = host.OpenExplorer(mailbox.calendar);
    EXPECT_TRUE(recorder->events.empty());
    EXPECT_EQ(tracker->Count(), 2);
    EXPECT_TRUE(tracker->Item(1)->WaitingActivateEvent());
    // The never-activated first window does not count against the second being first.
    host.ActivateExplorer(second);
    host.ActivateExplorer(second);
    EXPECT_EQ(recorder->events, Strings{L"OnExplorer Calendar first new"});
    EXPECT_TRUE(tracker->Item(1)->WaitingActivateEvent());
    EXPECT_FALSE(tracker->Item(2)->WaitingActivateEvent());
    host.ActivateExplorer(first);
    EXPECT_EQ(recorder->events.back(), L"OnExplorer Inbox new");
}

TEST_F(Tracking, FromOutlook2007ANewWindowIsReportedAtOnce) {
    Track(12);
    host.OpenExplorer(mailbox.inbox);
    host.OpenExplorer(mailbox.tasks);
    EXPECT_EQ(recorder->events, (Strings{L"OnExplorer Inbox first new", L"OnExplorer Tasks new"}));
}

TEST_F(Tracking, ClosingRemovesExactlyThatWindow) {
    Track(12);
    auto* a = host.OpenExplorer(mailbox.inbox);
    auto* b = host.OpenExplorer(mailbox.calendar);
    const auto keyB = tracker->Item(2)->Key();
    recorder->events.clear();
    host.CloseExplorer(a);
    EXPECT_TRUE(recorder->events.empty());
    ASSERT_EQ(tracker->Count(), 1);
    EXPECT_EQ(tracker->Item(1)->Key(), keyB);
    EXPECT_EQ(tracker->Find(keyB), tracker->Item(1));
    EXPECT_EQ(tracker->Find(L"no such key"), nullptr);
    host.CloseExplorer(b);
    EXPECT_EQ(recorder->events, Strings{L"CloseAll"});
    EXPECT_EQ(tracker->Count(), 0);
}

TEST_F(Tracking, WindowEventsAndReportsWhateverTheirCase) {
    Track(12);
    auto* e = host.OpenExplorer(mailbox.inbox);
    recorder->events.clear();
    host.Select(e, {mailbox.inboxMails.at(0)});
    host.SwitchFolder(e, mailbox.projects);
    auto w = tracker->Item(1);
    tracker->EventFromExplorer(L"selectionchange", MakeCollection({Value(w)}));
    tracker->EventFromExplorer(L"FOLDERSWITCH", MakeCollection({Value(w)}));
    EXPECT_EQ(recorder->events, (Strings{L"SelectionChange Inbox", L"FolderSwitch Projects",
                                         L"SelectionChange Projects", L"FolderSwitch Projects"}));
}

TEST_F(Tracking, BadReportsAreLoggedAndDropped) {
    Track(12);
    host.OpenExplorer(mailbox.inbox);
    recorder->events.clear();
    tracker->EventFromExplorer(L"Activate", nullptr);
    tracker->EventFromExplorer(L"OnExplorer", MakeCollection({}));
    tracker->EventFromExplorer(L"SelectionChange", MakeCollection({Value(42)}));
    EXPECT_TRUE(recorder->events.empty());
    const std::wstring proc = L"CExplorersWrapper::CExplorers::EventFromExplorer";
    EXPECT_EQ(Errors(), (Strings{proc + L"|0|Unsuported event raised - Activate", proc + L"|0|EventFromExplorer - OnExplorer",
                                 proc + L"|0|EventFromExplorer - SelectionChange"}));
    EXPECT_FALSE(Err().Pending());
}

TEST_F(Tracking, AfterWaitingForANewWindowTheNextOneIsFirstAgain) {
    Track(11);
    host.AddExplorerAtStartup(mailbox.inbox);
    InitTracker();
    tracker->Done(false);
    EXPECT_TRUE(tracker->Listening());
    EXPECT_EQ(tracker->Count(), 0);
    recorder->events.clear();
    host.ActivateExplorer(host.OpenExplorer(mailbox.calendar));
    EXPECT_EQ(recorder->events, Strings{L"OnExplorer Calendar first new"});
    tracker->Done(true);
    EXPECT_FALSE(tracker->Listening());
    host.OpenExplorer(mailbox.tasks);
    EXPECT_EQ(recorder->events.size(), 1u);
}

TEST_F(Tracking, TornDownInsideTheStartUpReport) {
    Track(11);
    host.AddExplorerAtStartup(mailbox.inbox);
    host.AddExplorerAtStartup(mailbox.calendar);
    recorder->onExplorer = [this] { tracker->Done(true); };
    InitTracker();
    EXPECT_EQ(recorder->events, Strings{L"OnExplorer Inbox first"});
    EXPECT_FALSE(tracker->Listening());
    EXPECT_TRUE(Errors().empty());
}

using Wrapper = testing::LifecycleTest;

TEST_F(Wrapper, AttachedObjectsByKey) {
    Start(12);
    host.OpenExplorer(mailbox.inbox);
    auto w = connect->Explorers()->Item(1);
    auto menu = w->GetAssociatedObject(L"menu");  // keys compare without regard to case
    EXPECT_EQ(menu->TypeName(), L"CExplorerMenu");
    auto extra = std::make_shared<Object>();
    w->AddAssociatedObject(extra, L"Extra");
    EXPECT_THROW(w->AddAssociatedObject(extra, L"EXTRA"), RuntimeError);
    w->RemoveAssociatedObject(L"extra");
    try {
        w->GetAssociatedObject(L"Extra");
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::InvalidCall);
    }
    w->Done();
    EXPECT_EQ(w->GetObject(), nullptr);
    EXPECT_EQ(menu.use_count(), 1);  // the wrapper let go of it
    EXPECT_EQ(extra.use_count(), 1);
}

TEST_F(Wrapper, KeysAreUniqueAmongLiveWrappers) {
    platform.clock.now = {2026, 3, 4, 5, 6, 7};
    const std::wregex shape(L"[0-8]{8}-20260304050607");
    std::set<std::wstring> keys;
    for (int i = 0; i < 50; ++i) {
        const auto k = CExplorerWrapper::MakeKey();
        EXPECT_TRUE(std::regex_match(k, shape)) << ToUtf8(k);
        keys.insert(k);
    }
    EXPECT_EQ(keys.size(), 50u);
}

}  // namespace
}  // namespace brisko
