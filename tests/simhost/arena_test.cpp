#include <gtest/gtest.h>

#include <memory>

#include "automation/text.h"
#include "support.h"

namespace brisko::sim::test {
namespace {

using Arena = SampleTest;

TEST_F(Arena, EveryInvokeAndSubscriptionIsOneHostCall) {
    const auto start = sim.CallCount();
    auto explorers = ObjectOf(app, L"Explorers");
    GetOf(explorers, L"Count");
    EXPECT_EQ(ErrorOf([&] { GetOf(explorers, L"NoSuchMember"); }).number(), brisko::err::NotSupported);
    auto c = explorers->ConnectEvents([](std::wstring_view, Args&) {});
    EXPECT_EQ(sim.CallCount() - start, 4u);
    // Driver operations are not host calls.
    sim.OpenExplorer(box.inbox);
    EXPECT_EQ(sim.CallCount() - start, 4u);
}

TEST_F(Arena, FailCallFailsTheKthCallFromNow) {
    auto inbox = box.inbox->Ref();
    sim.FailCall(3, 440, L"Automation error in the host");
    EXPECT_NO_THROW(GetOf(inbox, L"Name"));
    EXPECT_NO_THROW(GetOf(inbox, L"Name"));
    const auto e = ErrorOf([&] { GetOf(inbox, L"Name"); });
    EXPECT_EQ(e.number(), 440);
    EXPECT_EQ(e.description(), L"Automation error in the host");
    EXPECT_EQ(GetOf(inbox, L"Name"), Value(L"Inbox"));
    // Without a description the error has its standard one.
    sim.FailCall(1, 7);
    EXPECT_EQ(ErrorOf([&] { GetOf(inbox, L"Items"); }).description(), L"Out of memory");
    sim.FailCall(1, 7);
    EXPECT_EQ(ErrorOf([&] { ObjectOf(app, L"Explorers"); }).number(), 7);
    auto explorers = ObjectOf(app, L"Explorers");
    sim.FailCall(1, 7);
    EXPECT_EQ(ErrorOf([&] { explorers->ConnectEvents([](std::wstring_view, Args&) {}); }).number(), 7);
}

TEST_F(Arena, FailMemberFailsCallsOfAMemberOfAType) {
    auto* e = sim.AddExplorerAtStartup(box.inbox);
    auto explorer = e->Ref();
    sim.FailMember(L"explorer.SELECTION", -2147467259, L"Selection unavailable", 2);
    for (int i = 0; i < 2; ++i) {
        const auto err = ErrorOf([&] { GetOf(explorer, L"Selection"); });
        EXPECT_EQ(err.number(), -2147467259);
        EXPECT_EQ(err.description(), L"Selection unavailable");
    }
    EXPECT_NO_THROW(GetOf(explorer, L"Selection"));
    // Other members and other types are untouched.
    EXPECT_NO_THROW(GetOf(explorer, L"CurrentFolder"));

    sim.FailMember(L"Explorers.ConnectEvents", 5);
    auto explorers = ObjectOf(app, L"Explorers");
    EXPECT_NO_THROW(GetOf(explorers, L"Count"));
    EXPECT_EQ(ErrorOf([&] { explorers->ConnectEvents([](std::wstring_view, Args&) {}); }).number(), 5);
    EXPECT_EQ(ErrorOf([&] { explorers->ConnectEvents([](std::wstring_view, Args&) {}); }).number(), 5);

    sim.FailMember(L"MailItem.*", 9);
    EXPECT_EQ(ErrorOf([&] { GetOf(box.draft->Ref(), L"Subject"); }).number(), 9);
    EXPECT_NO_THROW(GetOf(box.task->Ref(), L"Subject"));
    sim.ClearFaults();
    EXPECT_NO_THROW(GetOf(box.draft->Ref(), L"Subject"));
    EXPECT_NO_THROW(explorers->ConnectEvents([](std::wstring_view, Args&) {}));
}

TEST_F(Arena, VanishedObjectsFailEveryCallAndEveryLookup) {
    auto mail = box.reminderMail->Ref();
    const auto id = GetOf(mail, L"EntryID");
    auto* e = sim.AddExplorerAtStartup(box.inbox);
    sim.Select(e, {box.reminderMail});
    sim.Vanish(box.reminderMail);
    EXPECT_EQ(ErrorOf([&] { GetOf(mail, L"Subject"); }).number(), err::ObjectNotFound);
    EXPECT_EQ(ErrorOf([&] { CallOf(mail, L"Delete"); }).number(), err::ObjectNotFound);
    EXPECT_EQ(ErrorOf([&] { CallOf(ns, L"GetItemFromID", {id}); }).number(), err::ObjectNotFound);
    EXPECT_EQ(GetOf(ObjectOf(e->Ref(), L"Selection"), L"Count"), Value(0));
    EXPECT_EQ(GetOf(ObjectOf(box.inbox->Ref(), L"Items"), L"Count"), Value(5));

    sim.Vanish(e);
    EXPECT_EQ(GetOf(ObjectOf(app, L"Explorers"), L"Count"), Value(0));
    EXPECT_EQ(ErrorOf([&] { GetOf(e->Ref(), L"Selection"); }).number(), err::ObjectNotFound);
}

TEST_F(Arena, ExternalReferencesCountWhatIsHeldOutsideTheArena) {
    app.reset();
    ns.reset();
    ASSERT_EQ(sim.ExternalReferences(), 0) << ToUtf8(sim.DescribeExternalReferences());

    auto* e = sim.OpenExplorer(box.inbox);
    sim.Select(e, {box.unreadMail});
    ObjectPtr application = sim.ApplicationObject();
    ObjectPtr explorer = CallOf(ObjectOf(application, L"Explorers"), L"Item", {1}).AsObject();
    ObjectPtr selection = ObjectOf(explorer, L"Selection");
    ObjectPtr item = CallOf(selection, L"Item", {1}).AsObject();
    ObjectPtr again = item;
    EXPECT_EQ(sim.ExternalReferences(), 5);
    const auto held = sim.ExternallyReferenced();
    ASSERT_EQ(held.size(), 4u);
    bool sawItem = false;
    for (const auto& h : held) {
        if (h.typeName == L"MailItem") {
            sawItem = true;
            EXPECT_EQ(h.count, 2);
            EXPECT_NE(h.identity.find(L"Lunch on Friday?"), std::wstring::npos);
        }
    }
    EXPECT_TRUE(sawItem);

    // A sink that holds its source is a reference cycle through the host: it shows.
    {
        auto c = explorer->ConnectEvents([keep = explorer](std::wstring_view, Args&) {});
        EXPECT_EQ(sim.ExternalReferences(), 6);
    }
    EXPECT_EQ(sim.ExternalReferences(), 5);

    application.reset();
    explorer.reset();
    selection.reset();
    item.reset();
    again.reset();
    EXPECT_EQ(sim.ExternalReferences(), 0) << ToUtf8(sim.DescribeExternalReferences());
}

TEST_F(Arena, EventArgumentsAreNotKeptAfterTheRaise) {
    app.reset();
    ns.reset();
    auto explorers = sim.Explorers()->Ref();
    auto c = explorers->ConnectEvents([](std::wstring_view, Args& args) { EXPECT_EQ(args.size(), 1u); });
    auto* e = sim.OpenExplorer(box.inbox);
    sim.SwitchFolder(e, box.alpha);
    sim.OpenInspector(box.draft);
    EXPECT_EQ(sim.ExternalReferences(), 1);  // explorers, held here
}

TEST(ArenaLifetime, ObjectsOutlivingTheArenaFailWithoutCrashing) {
    ObjectPtr mail;
    ObjectPtr explorer;
    EventConnection connection;
    {
        SimOutlook sim;
        auto box = BuildSampleMailbox(sim);
        mail = box.unreadMail->Ref();
        explorer = sim.OpenExplorer(box.inbox)->Ref();
        connection = explorer->ConnectEvents([](std::wstring_view, Args&) {});
    }
    EXPECT_EQ(ErrorOf([&] { GetOf(mail, L"Subject"); }).number(), err::ObjectNotFound);
    EXPECT_EQ(ErrorOf([&] { ObjectOf(explorer, L"Selection"); }).number(), err::ObjectNotFound);
    EXPECT_EQ(mail->TypeName(), L"MailItem");
    connection.Disconnect();
    EXPECT_FALSE(connection.Connected());
}

TEST_F(Arena, TypeTablesTakeNewMembersForExistingObjects) {
    auto* e = sim.AddExplorerAtStartup(box.inbox);
    auto explorer = e->Ref();
    EXPECT_EQ(ErrorOf([&] { GetOf(explorer, L"Panes"); }).number(), brisko::err::NotSupported);

    // What an extension does: a per-window object, linked and owned by the window.
    class Panes : public SimObject {
    public:
        explicit Panes(SimOutlook& s) : SimObject(s, L"Panes") {}
    };
    sim.Type(L"Panes").Constant(L"Count", 3);
    sim.Type(L"Explorer").Property(L"Panes", [](SimObject& self, Args&) {
        SimObject* bars = self.Link(L"Panes");
        if (!bars) {
            bars = self.Sim().Make<Panes>();
            self.SetLink(L"Panes", bars, true);
        }
        return ValueOf(bars);
    });
    auto bars = ObjectOf(explorer, L"panes");
    EXPECT_EQ(GetOf(bars, L"Count"), Value(3));
    EXPECT_EQ(ObjectOf(explorer, L"Panes"), bars);
    sim.CloseExplorer(e);
    EXPECT_EQ(ErrorOf([&] { GetOf(bars, L"Count"); }).number(), err::ObjectNotFound);
}

TEST_F(Arena, PickFolderGivesQueuedAnswersThenTheStandingOne) {
    EXPECT_TRUE(CallOf(ns, L"PickFolder").IsNothing());
    sim.SetPickFolderAnswer(box.beta);
    sim.QueuePickFolderAnswer(box.inbox);
    sim.QueuePickFolderAnswer(nullptr);
    EXPECT_EQ(Sim(CallOf(ns, L"PickFolder").AsObject()), box.inbox);
    EXPECT_TRUE(CallOf(ns, L"PickFolder").IsNothing());
    EXPECT_EQ(Sim(CallOf(ns, L"PickFolder").AsObject()), box.beta);
    EXPECT_EQ(Sim(CallOf(ns, L"PickFolder").AsObject()), box.beta);
    EXPECT_EQ(sim.PickFolderCalls(), 5);
}

TEST_F(Arena, TraceNamesTypeMemberAndKind) {
    sim.SetTracing(true);
    GetOf(app, L"Version");
    CallOf(ns, L"GetDefaultFolder", {6});
    sim.SetTracing(false);
    GetOf(app, L"Version");
    EXPECT_EQ(sim.Trace(),
              (std::vector<std::wstring>{L"Application.Version Get", L"NameSpace.GetDefaultFolder Method"}));
}

}  // namespace
}  // namespace brisko::sim::test
