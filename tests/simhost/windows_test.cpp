#include <gtest/gtest.h>

#include <stdexcept>

#include "support.h"

namespace brisko::sim::test {
namespace {

using Windows = SampleTest;

TEST_F(Windows, NewExplorerCarriesTheExplorerThatExplorersHolds) {
    auto explorers = ObjectOf(app, L"Explorers");
    ObjectPtr seen;
    int countSeen = -1;
    auto c = explorers->ConnectEvents([&](std::wstring_view name, Args& args) {
        ASSERT_EQ(name, L"NewExplorer");
        ASSERT_EQ(args.size(), 1u);
        seen = args[0].AsObject();
        countSeen = GetOf(explorers, L"Count").AsInt();
    });
    auto* e = sim.OpenExplorer(box.inbox);
    EXPECT_EQ(Sim(seen), e);
    EXPECT_EQ(countSeen, 1);
    EXPECT_EQ(CallOf(explorers, L"Item", {1}).AsObject(), seen);
    EXPECT_EQ(GetOf(seen, L"Class"), Value(34));
    EXPECT_EQ(Sim(ObjectOf(seen, L"CurrentFolder")), box.inbox);
    EXPECT_EQ(ErrorOf([&] { CallOf(explorers, L"Item", {0}); }).number(), brisko::err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { CallOf(explorers, L"Item", {2}); }).number(), brisko::err::SubscriptOutOfRange);
    // Explorers open at start-up arrive without an event.
    sim.AddExplorerAtStartup(box.calendar);
    EXPECT_EQ(GetOf(explorers, L"Count"), Value(2));
    EXPECT_EQ(Sim(seen), e);
}

TEST_F(Windows, ActivationMovesBetweenWindows) {
    auto* first = sim.AddExplorerAtStartup(box.inbox);
    EXPECT_EQ(Sim(CallOf(app, L"ActiveExplorer").AsObject()), first);
    auto* second = sim.OpenExplorer(box.tasks);
    EventLog log1, log2;
    auto c1 = first->ConnectEvents(log1.Handler());
    auto c2 = second->ConnectEvents(log2.Handler());
    EXPECT_EQ(Sim(CallOf(app, L"ActiveExplorer").AsObject()), first);

    sim.ActivateExplorer(second);
    EXPECT_EQ(log1.names, std::vector<std::wstring>{L"Deactivate"});
    EXPECT_EQ(log2.names, std::vector<std::wstring>{L"Activate"});
    EXPECT_EQ(Sim(CallOf(app, L"ActiveExplorer").AsObject()), second);
    // Activating the active window again raises Activate again, nothing else.
    sim.ActivateExplorer(second);
    EXPECT_EQ(log1.names.size(), 1u);
    EXPECT_EQ(log2.names.size(), 2u);
    // The Activate method does the same.
    CallOf(first->Ref(), L"Activate");
    EXPECT_EQ(log1.names.back(), L"Activate");
    EXPECT_EQ(log2.names.back(), L"Deactivate");

    sim.CloseExplorer(first);
    EXPECT_EQ(Sim(CallOf(app, L"ActiveExplorer").AsObject()), second);
    sim.CloseExplorer(second);
    EXPECT_TRUE(CallOf(app, L"ActiveExplorer").IsNothing());
}

TEST_F(Windows, CloseIsRaisedWhileTheExplorerIsStillThere) {
    auto* e = sim.OpenExplorer(box.inbox);
    auto explorers = ObjectOf(app, L"Explorers");
    int countInClose = -1;
    Value folderInClose;
    auto c = e->ConnectEvents([&](std::wstring_view name, Args&) {
        if (name != L"Close") return;
        countInClose = GetOf(explorers, L"Count").AsInt();
        folderInClose = GetOf(e->Ref(), L"CurrentFolder");
    });
    CallOf(e->Ref(), L"Close");
    EXPECT_EQ(countInClose, 1);
    EXPECT_TRUE(folderInClose.IsObject());
    EXPECT_EQ(GetOf(explorers, L"Count"), Value(0));
    EXPECT_EQ(ErrorOf([&] { GetOf(e->Ref(), L"Caption"); }).number(), err::ObjectNotFound);
    EXPECT_EQ(ErrorOf([&] { e->ConnectEvents([](std::wstring_view, Args&) {}); }).number(), err::ObjectNotFound);
    EXPECT_EQ(ErrorOf([&] { sim.CloseExplorer(e); }).number(), err::ObjectNotFound);
}

TEST_F(Windows, FolderSwitchCanBeCancelledBeforehand) {
    auto* e = sim.AddExplorerAtStartup(box.inbox);
    sim.Select(e, {box.unreadMail});
    std::vector<std::wstring> names;
    bool cancel = true;
    auto c = e->ConnectEvents([&](std::wstring_view name, Args& args) {
        names.emplace_back(name);
        if (name == L"BeforeFolderSwitch") {
            ASSERT_EQ(args.size(), 2u);
            EXPECT_EQ(Sim(args[0].AsObject()), box.alpha);
            EXPECT_EQ(args[1], Value(false));
            args[1] = cancel;
        }
    });
    EXPECT_FALSE(sim.SwitchFolder(e, box.alpha));
    EXPECT_EQ(e->CurrentFolder(), box.inbox);
    EXPECT_EQ(names, std::vector<std::wstring>{L"BeforeFolderSwitch"});

    cancel = false;
    names.clear();
    PutOf(e->Ref(), L"CurrentFolder", box.alpha->Ref());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"BeforeFolderSwitch", L"FolderSwitch"}));
    EXPECT_EQ(Sim(ObjectOf(e->Ref(), L"CurrentFolder")), box.alpha);
    EXPECT_EQ(GetOf(ObjectOf(e->Ref(), L"Selection"), L"Count"), Value(0));
    EXPECT_EQ(ErrorOf([&] { PutOf(e->Ref(), L"CurrentFolder", L"Inbox"); }).number(), brisko::err::TypeMismatch);
}

TEST_F(Windows, SelectionIsASnapshot) {
    auto* e = sim.AddExplorerAtStartup(box.inbox);
    EventLog log;
    auto c = e->ConnectEvents(log.Handler());
    sim.Select(e, {box.unreadMail, box.reminderMail});
    EXPECT_EQ(log.names, std::vector<std::wstring>{L"SelectionChange"});
    auto selection = ObjectOf(e->Ref(), L"Selection");
    EXPECT_EQ(GetOf(selection, L"Class"), Value(74));
    ASSERT_EQ(GetOf(selection, L"Count"), Value(2));
    EXPECT_EQ(Sim(CallOf(selection, L"Item", {2}).AsObject()), box.reminderMail);
    EXPECT_EQ(ErrorOf([&] { CallOf(selection, L"Item", {3}); }).number(), brisko::err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { selection->ConnectEvents([](std::wstring_view, Args&) {}); }).number(),
              brisko::err::NoEvents);

    // A moved item leaves the explorer's selection, not a selection taken before.
    CallOf(box.unreadMail->Ref(), L"Move", {box.alpha->Ref()});
    EXPECT_EQ(GetOf(ObjectOf(e->Ref(), L"Selection"), L"Count"), Value(1));
    EXPECT_EQ(GetOf(selection, L"Count"), Value(2));
}

TEST_F(Windows, InspectorsOfItems) {
    auto inspectors = ObjectOf(app, L"Inspectors");
    std::vector<ObjectPtr> reported;
    auto c = inspectors->ConnectEvents([&](std::wstring_view name, Args& args) {
        if (name == L"NewInspector") reported.push_back(args.at(0).AsObject());
    });
    auto mail = box.reminderMail->Ref();
    auto inspector = CallOf(mail, L"GetInspector").AsObject();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], inspector);
    EXPECT_EQ(CallOf(mail, L"GetInspector").AsObject(), inspector);
    EXPECT_EQ(reported.size(), 1u);
    EXPECT_EQ(GetOf(inspector, L"Class"), Value(35));
    EXPECT_EQ(ObjectOf(inspector, L"CurrentItem"), mail);
    EXPECT_EQ(GetOf(inspector, L"EditorType"), Value(ol::EditorHTML));
    sim.SetEditorType(static_cast<SimInspector*>(Sim(inspector)), ol::EditorWord);
    EXPECT_EQ(GetOf(inspector, L"EditorType"), Value(ol::EditorWord));
    EXPECT_EQ(GetOf(inspectors, L"Count"), Value(1));
    EXPECT_EQ(CallOf(inspectors, L"Item", {1}).AsObject(), inspector);

    EventLog log;
    auto ci = inspector->ConnectEvents(log.Handler());
    EXPECT_EQ(ErrorOf([&] { CallOf(inspector, L"Close"); }).number(), brisko::err::WrongArguments);
    EXPECT_EQ(ErrorOf([&] { CallOf(inspector, L"Close", {7}); }).number(), brisko::err::InvalidCall);
    CallOf(inspector, L"Close", {1});
    EXPECT_EQ(log.names, std::vector<std::wstring>{L"Close"});
    EXPECT_EQ(GetOf(inspectors, L"Count"), Value(0));
    EXPECT_EQ(ErrorOf([&] { GetOf(inspector, L"CurrentItem"); }).number(), err::ObjectNotFound);
    // The item outlives its window.
    EXPECT_EQ(GetOf(mail, L"Class"), Value(43));
}

TEST_F(Windows, ClosingAnInspectorSavesItsNewItemWhenAsked) {
    auto task = CallOf(app, L"CreateItem", {ol::TaskItem}).AsObject();
    CallOf(task, L"Display");
    auto* inspector = sim.ActiveInspector();
    ASSERT_NE(inspector, nullptr);
    EXPECT_EQ(Sim(CallOf(app, L"ActiveInspector").AsObject()), inspector);
    CallOf(inspector->Ref(), L"Close", {0});
    EXPECT_FALSE(GetOf(task, L"EntryID").AsString().empty());
    EXPECT_EQ(box.tasks->Contents().back(), Sim(task));

    auto discarded = CallOf(app, L"CreateItem", {ol::TaskItem}).AsObject();
    sim.CloseInspector(sim.OpenInspector(static_cast<SimItem*>(Sim(discarded))));
    EXPECT_EQ(GetOf(discarded, L"EntryID"), Value(L""));
}

TEST_F(Windows, SinksMayUnsubscribeDuringARaise) {
    auto* e = sim.AddExplorerAtStartup(box.inbox);
    std::vector<std::wstring> calls;
    EventConnection second, self;
    auto first = e->ConnectEvents([&](std::wstring_view, Args&) {
        calls.push_back(L"first");
        second.Disconnect();
    });
    second = e->ConnectEvents([&](std::wstring_view, Args&) { calls.push_back(L"second"); });
    self = e->ConnectEvents([&](std::wstring_view, Args&) {
        calls.push_back(L"self");
        self.Disconnect();
    });
    sim.Select(e, {});
    sim.Select(e, {});
    EXPECT_EQ(calls, (std::vector<std::wstring>{L"first", L"self", L"first"}));
    EXPECT_EQ(e->SinkCount(), 1u);
}

TEST_F(Windows, AnErrorEscapingASinkIsRecordedAndTheHostGoesOn) {
    auto* e1 = sim.AddExplorerAtStartup(box.inbox);
    auto* e2 = sim.OpenExplorer(box.tasks);
    int later = 0;
    auto bad = e2->ConnectEvents([](std::wstring_view name, Args&) {
        if (name == L"Activate") Raise(5, L"boom");
        throw std::runtime_error("broken");
    });
    auto good = e2->ConnectEvents([&](std::wstring_view, Args&) { ++later; });
    sim.ActivateExplorer(e2);
    sim.DeactivateExplorer(e2);
    EXPECT_EQ(later, 2);
    EXPECT_EQ(sim.ActiveExplorer(), e2);
    ASSERT_EQ(sim.EscapedErrors().size(), 2u);
    const auto& first = sim.EscapedErrors()[0];
    EXPECT_EQ(first.number, 5);
    EXPECT_EQ(first.description, L"boom");
    EXPECT_EQ(first.event, L"Activate");
    EXPECT_EQ(first.source, L"Explorer");
    EXPECT_EQ(sim.EscapedErrors()[1].number, brisko::err::InternalError);
    EXPECT_EQ(sim.EscapedErrors()[1].event, L"Deactivate");
    sim.ClearEscapedErrors();
    sim.CloseExplorer(e1);
}

}  // namespace
}  // namespace brisko::sim::test
