#include <gtest/gtest.h>

#include "simhost/command_bars.h"
#include "support.h"

namespace brisko::sim::test {
namespace {

class CommandBars : public SampleTest {
protected:
    // The bars of an explorer on the Inbox, as the add-in reaches them.
    ObjectPtr ExplorerBars(int version) {
        sim.SetMajorVersion(version);
        explorer = sim.AddExplorerAtStartup(box.inbox);
        return ObjectOf(explorer->Ref(), L"CommandBars");
    }
    ObjectPtr Bar(const ObjectPtr& bars, const wchar_t* name) { return CallOf(bars, L"Item", {name}).AsObject(); }
    ObjectPtr Controls(const ObjectPtr& bar) { return ObjectOf(bar, L"Controls"); }
    ObjectPtr Add(const ObjectPtr& controls, Value type, Value before = Missing) {
        return CallOf(controls, L"Add", {std::move(type), Missing, Missing, std::move(before), true}).AsObject();
    }
    std::vector<int> Ids(const ObjectPtr& controls) {
        std::vector<int> ids;
        const int n = GetOf(controls, L"Count").AsInt();
        for (int i = 1; i <= n; ++i) ids.push_back(GetOf(CallOf(controls, L"Item", {i}).AsObject(), L"Id").AsInt());
        return ids;
    }

    SimExplorer* explorer = nullptr;
};

TEST_F(CommandBars, BuiltInBarsFollowTheHostVersionAndWindowKind) {
    for (const int version : {9, 10, 11, 12, 13}) {
        SCOPED_TRACE(version);
        auto bars = ExplorerBars(version);
        EXPECT_EQ(Sim(ObjectOf(bars, L"Parent")), explorer);
        auto standard = Controls(Bar(bars, L"standard"));
        const auto ids = Ids(standard);
        const auto at478 = std::find(ids.begin(), ids.end(), 478);
        const auto at354 = std::find(ids.begin(), ids.end(), 354);
        ASSERT_NE(at478, ids.end());
        ASSERT_NE(at354, ids.end());
        EXPECT_LT(at478, at354);
        auto actions = CallOf(Bar(bars, L"Menu Bar"), L"FindControl", {Missing, 30131}).AsObject();
        ASSERT_TRUE(actions);
        EXPECT_EQ(actions->TypeName(), L"CommandBarPopup");
        EXPECT_EQ(GetOf(actions, L"Type"), Value(mso::ControlPopup));
        const bool hasContextMenu = version == 10 || version == 11;
        EXPECT_EQ(ErrorOf([&] { Bar(bars, L"Context Menu"); }).number() == 0, hasContextMenu);
        if (hasContextMenu) {
            EXPECT_EQ(GetOf(Bar(bars, L"Context Menu"), L"Protection"), Value(mso::BarNoCustomize));
        }
        EXPECT_NE(CommandBarsOf(explorer), nullptr);
    }
    // Outlook 2010 explorers show none of them.
    auto bars = ExplorerBars(14);
    EXPECT_EQ(GetOf(bars, L"Count"), Value(0));
    EXPECT_EQ(ErrorOf([&] { Bar(bars, L"Standard"); }).number(), brisko::err::InvalidCall);
    EXPECT_EQ(CommandBarsOf(explorer), nullptr);

    for (const int version : {9, 11, 12, 14}) {
        SCOPED_TRACE(version);
        sim.SetMajorVersion(version);
        auto* inspector = sim.OpenInspector(box.inboxMails[0]);
        auto ibars = ObjectOf(inspector->Ref(), L"CommandBars");
        if (version < 12) {
            EXPECT_EQ(GetOf(ibars, L"Count"), Value(2));
            EXPECT_TRUE(CallOf(Bar(ibars, L"Menu Bar"), L"FindControl", {Missing, 30131}).AsObject());
            EXPECT_TRUE(CallOf(Bar(ibars, L"Standard"), L"FindControl", {Missing, 354}).AsObject());
            EXPECT_EQ(ErrorOf([&] { Bar(ibars, L"Context Menu"); }).number(), brisko::err::InvalidCall);
        } else {
            EXPECT_EQ(GetOf(ibars, L"Count"), Value(0));
            EXPECT_EQ(CommandBarsOf(inspector), nullptr);
        }
        sim.CloseInspector(inspector, false);
    }
}

TEST_F(CommandBars, AddInsertsAtBeforeAndRejectsWhatOfficeRejects) {
    auto controls = Controls(Bar(ExplorerBars(11), L"Standard"));
    const int count = GetOf(controls, L"Count").AsInt();

    auto first = Add(controls, 1, 1);
    EXPECT_EQ(GetOf(first, L"Index"), Value(1));
    EXPECT_EQ(GetOf(first, L"Id"), Value(kCustomControlId));
    EXPECT_EQ(GetOf(first, L"Type"), Value(mso::ControlButton));
    auto reply = CallOf(ObjectOf(controls, L"Parent"), L"FindControl", {Missing, 354}).AsObject();
    const int replyIndex = GetOf(reply, L"Index").AsInt();
    auto beforeReply = Add(controls, 1, replyIndex);
    EXPECT_EQ(GetOf(beforeReply, L"Index"), Value(replyIndex));
    EXPECT_EQ(GetOf(reply, L"Index"), Value(replyIndex + 1));
    // Everything omitted: a button at the end; Before = Count + 1 appends too.
    auto last = CallOf(controls, L"Add").AsObject();
    EXPECT_EQ(GetOf(last, L"Index"), Value(count + 3));
    auto appended = Add(controls, 10, count + 4);
    EXPECT_EQ(GetOf(appended, L"Index"), Value(count + 4));
    EXPECT_EQ(GetOf(controls, L"Count"), Value(count + 4));

    EXPECT_EQ(ErrorOf([&] { Add(controls, 1, 0); }).number(), brisko::err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { Add(controls, 1, count + 6); }).number(), brisko::err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { Add(controls, 4); }).number(), brisko::err::InvalidCall);
    EXPECT_EQ(GetOf(controls, L"Count"), Value(count + 4));

    // Parameter and a built-in Id are taken from the arguments.
    auto copy = CallOf(controls, L"Add", {1, 478, L"key.1", Missing, true}).AsObject();
    EXPECT_EQ(GetOf(copy, L"Id"), Value(478));
    EXPECT_EQ(GetOf(copy, L"Parameter"), Value(L"key.1"));
    EXPECT_EQ(GetOf(copy, L"Caption"), Value(L"&Delete"));

    // A popup has controls of its own; a button has none.
    auto inner = Add(Controls(appended), 1);
    EXPECT_EQ(GetOf(inner, L"Index"), Value(1));
    EXPECT_EQ(Sim(ObjectOf(inner, L"Parent")), Sim(ObjectOf(appended, L"CommandBar")));
    EXPECT_EQ(ErrorOf([&] { ObjectOf(first, L"Controls"); }).number(), brisko::err::NotSupported);
    EXPECT_EQ(ErrorOf([&] { GetOf(appended, L"FaceId"); }).number(), brisko::err::NotSupported);
}

TEST_F(CommandBars, FindControlMatchesTypeIdTagAndVisibilityOneLevelUnlessRecursive) {
    auto bars = ExplorerBars(11);
    auto menuBar = Bar(bars, L"Menu Bar");
    auto actions = CallOf(menuBar, L"FindControl", {Missing, 30131}).AsObject();
    auto nested = Add(Controls(actions), 1);
    PutOf(nested, L"Tag", L"Corvant.Test");
    EXPECT_TRUE(CallOf(menuBar, L"FindControl", {Missing, Missing, L"Corvant.Test"}).IsNothing());
    EXPECT_EQ(CallOf(menuBar, L"FindControl", {Missing, Missing, L"Corvant.Test", Missing, true}).AsObject(), nested);
    EXPECT_EQ(CallOf(bars, L"FindControl", {Missing, Missing, L"Corvant.Test"}).AsObject(), nested);
    EXPECT_TRUE(CallOf(menuBar, L"FindControl", {mso::ControlPopup, Missing, L"Corvant.Test", Missing, true}).IsNothing());
    PutOf(nested, L"Visible", false);
    EXPECT_TRUE(CallOf(menuBar, L"FindControl", {Missing, Missing, L"Corvant.Test", true, true}).IsNothing());
    EXPECT_EQ(CallOf(menuBar, L"FindControl", {Missing, Missing, L"Corvant.Test", false, true}).AsObject(), nested);
    EXPECT_TRUE(CallOf(menuBar, L"FindControl", {Missing, 4242, Missing, Missing, true}).IsNothing());
    EXPECT_TRUE(CallOf(Bar(bars, L"Standard"), L"FindControl", {Missing, Missing, L"corvant.test"}).IsNothing());
}

TEST_F(CommandBars, ProtectionBlocksAddOnTheBarAndItsPopups) {
    auto bar = Bar(ExplorerBars(10), L"Context Menu");
    auto controls = Controls(bar);
    const int count = GetOf(controls, L"Count").AsInt();
    const auto refused = ErrorOf([&] { Add(controls, 1); });
    EXPECT_EQ(refused.number(), kProtectedBarError);
    EXPECT_EQ(GetOf(controls, L"Count"), Value(count));

    PutOf(bar, L"Protection", GetOf(bar, L"Protection").AsInt() & ~mso::BarNoCustomize);
    auto popup = Add(controls, 10);
    PutOf(bar, L"Protection", mso::BarNoCustomize);
    EXPECT_EQ(ErrorOf([&] { Add(Controls(popup), 1); }).number(), kProtectedBarError);
    // Writing properties of existing controls stays allowed.
    PutOf(popup, L"Caption", L"Folders");
    EXPECT_EQ(GetOf(popup, L"Caption"), Value(L"Folders"));
}

TEST_F(CommandBars, PictureAndMaskExistFromVersion10) {
    const auto picture = std::make_shared<Object>();
    auto button9 = Add(Controls(Bar(ExplorerBars(9), L"Standard")), 1);
    EXPECT_EQ(ErrorOf([&] { PutOf(button9, L"Picture", picture); }).number(), brisko::err::NotSupported);
    EXPECT_EQ(ErrorOf([&] { GetOf(button9, L"Mask"); }).number(), brisko::err::NotSupported);

    auto button10 = Add(Controls(Bar(ExplorerBars(10), L"Standard")), 1);
    EXPECT_TRUE(GetOf(button10, L"Picture").IsNothing());
    PutOf(button10, L"Picture", picture);
    button10->PutRef(L"Mask", picture);
    EXPECT_EQ(GetOf(button10, L"Picture").AsObject(), picture);
    EXPECT_EQ(GetOf(button10, L"Mask").AsObject(), picture);
    EXPECT_NE(ListAddinControls(explorer).find(L" picture style 0"), std::wstring::npos);
    // The control lets go of the pictures when it is deleted.
    CallOf(button10, L"Delete");
    EXPECT_EQ(picture.use_count(), 1);
}

TEST_F(CommandBars, DeleteRemovesTheControlAndEverythingInIt) {
    auto controls = Controls(Bar(ExplorerBars(11), L"Standard"));
    auto popup = Add(controls, 10, 1);
    auto inner = Add(Controls(popup), 1);
    auto next = Add(controls, 1, 2);
    const int count = GetOf(controls, L"Count").AsInt();
    CallOf(popup, L"Delete", {true});
    EXPECT_EQ(GetOf(controls, L"Count"), Value(count - 1));
    EXPECT_EQ(GetOf(next, L"Index"), Value(1));
    EXPECT_EQ(ErrorOf([&] { GetOf(popup, L"Caption"); }).number(), err::ObjectNotFound);
    EXPECT_EQ(ErrorOf([&] { GetOf(inner, L"Caption"); }).number(), err::ObjectNotFound);
    EXPECT_EQ(ListAddinControls(explorer).find(L"popup"), std::wstring::npos);
}

TEST_F(CommandBars, OnUpdateFollowsActivationSelectionAndFolderSwitchOfWindowsWithBars) {
    sim.SetMajorVersion(11);
    auto* other = sim.AddExplorerAtStartup(box.calendar);
    explorer = sim.OpenExplorer(box.inbox);
    // Windows whose bars nobody took get none (and no bars are made for them).
    sim.ActivateExplorer(other);
    EXPECT_EQ(ExistingCommandBarsOf(other), nullptr);

    auto bars = ObjectOf(explorer->Ref(), L"CommandBars");
    std::vector<std::wstring> log;
    auto record = [&log](std::wstring_view name, Args&) { log.emplace_back(name); };
    auto windowEvents = explorer->ConnectEvents(record);
    auto barEvents = bars->ConnectEvents(record);

    sim.ActivateExplorer(explorer);
    sim.Select(explorer, {box.inboxMails[0]});
    sim.SwitchFolder(explorer, box.projects);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"Activate", L"OnUpdate", L"SelectionChange", L"OnUpdate",
                                              L"BeforeFolderSwitch", L"FolderSwitch", L"OnUpdate"}));

    // A cancelled switch is no switch.
    auto cancel = explorer->ConnectEvents([](std::wstring_view name, Args& args) {
        if (name == L"BeforeFolderSwitch") args[1] = true;
    });
    log.clear();
    sim.SwitchFolder(explorer, box.inbox);
    EXPECT_EQ(log, std::vector<std::wstring>{L"BeforeFolderSwitch"});
    cancel.Disconnect();

    log.clear();
    UpdateBars(explorer);
    UpdateBars(other);
    EXPECT_EQ(log, std::vector<std::wstring>{L"OnUpdate"});

    // An inspector's bars get OnUpdate at its activation.
    auto* inspector = sim.OpenInspector(box.inboxMails[1]);
    auto ibars = ObjectOf(inspector->Ref(), L"CommandBars");
    EventLog ilog;
    auto inspectorBarEvents = ibars->ConnectEvents(ilog.Handler());
    sim.ActivateInspector(inspector);
    EXPECT_EQ(ilog.names, std::vector<std::wstring>{L"OnUpdate"});
}

TEST_F(CommandBars, PressClicksOnlyWhatAUserCanReach) {
    auto bars = ExplorerBars(11);
    auto actions = CallOf(Bar(bars, L"Menu Bar"), L"FindControl", {Missing, 30131}).AsObject();
    auto popup = Add(Controls(actions), 10);
    auto button = Add(Controls(popup), 1);
    PutOf(button, L"Caption", L"&Quick Task");

    int clicks = 0;
    auto events = button->ConnectEvents([&](std::wstring_view name, Args& args) {
        ASSERT_EQ(name, L"Click");
        ASSERT_EQ(args.size(), 2u);
        EXPECT_EQ(args[0].AsObject(), button);
        EXPECT_EQ(args[1], Value(false));
        ++clicks;
    });
    auto* control = dynamic_cast<SimCommandBarControl*>(Sim(button));
    EXPECT_TRUE(Press(control));
    EXPECT_EQ(clicks, 1);
    PutOf(button, L"Enabled", false);
    EXPECT_FALSE(Press(control));
    PutOf(button, L"Enabled", true);
    PutOf(popup, L"Visible", false);
    EXPECT_FALSE(Press(control));
    PutOf(popup, L"Visible", true);
    PutOf(actions, L"Enabled", false);
    EXPECT_FALSE(Press(control));
    PutOf(actions, L"Enabled", true);
    PutOf(button, L"Visible", false);
    EXPECT_FALSE(Press(control));
    EXPECT_EQ(clicks, 1);
    // A popup opens without an event.
    EXPECT_TRUE(Press(dynamic_cast<SimCommandBarControl*>(Sim(popup))));
    PutOf(button, L"Visible", true);
    CallOf(button, L"Delete");
    EXPECT_FALSE(Press(control));
    EXPECT_EQ(clicks, 1);
}

TEST_F(CommandBars, FindControlByPathMatchesCaptionTooltipOrTag) {
    auto bars = ExplorerBars(11);
    auto standard = Controls(Bar(bars, L"Standard"));
    auto task = Add(standard, 1, 1);
    PutOf(task, L"TooltipText", L"Quick Task");
    auto folders = Add(standard, 10, 2);
    PutOf(folders, L"Caption", L" ");
    PutOf(folders, L"Tag", L"Corvant.Brisko.Folders");
    auto entry = Add(Controls(folders), 1);
    PutOf(entry, L"Caption", L"&1 Inbox\\Projects");

    auto* sTask = FindControlByPath(explorer, L"standard", L"quick task");
    EXPECT_EQ(sTask, Sim(task));
    EXPECT_EQ(FindControlByPath(explorer, L"Standard", L"corvant.brisko.folders/1 Inbox\\Projects"), Sim(entry));
    EXPECT_EQ(FindControlByPath(explorer, L"Standard", L"Corvant.Brisko.Folders/&1 Inbox\\Projects"), Sim(entry));
    auto* reply = FindControlByPath(explorer, L"Menu Bar", L"Actions/Reply");
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->Id(), 354);
    EXPECT_EQ(FindControlByPath(explorer, L"menu bar", L"ACTIONS/reply"), reply);
    EXPECT_EQ(FindControlByPath(explorer, L"Standard", L"Quick Task/anything"), nullptr);
    EXPECT_EQ(FindControlByPath(explorer, L"Standard", L"1 Inbox\\Projects"), nullptr);
    EXPECT_EQ(FindControlByPath(explorer, L"No Such Bar", L"Quick Task"), nullptr);
}

TEST_F(CommandBars, ListAddinControlsShowsAddedControlsBarByBar) {
    auto bars = ExplorerBars(10);
    auto standard = Controls(Bar(bars, L"Standard"));
    auto task = Add(standard, 1, 1);
    PutOf(task, L"TooltipText", L"Quick Task");
    PutOf(task, L"FaceId", 1100);
    PutOf(task, L"Style", mso::ButtonIcon);
    PutOf(task, L"BeginGroup", true);
    PutOf(task, L"Visible", false);
    auto actions = CallOf(Bar(bars, L"Menu Bar"), L"FindControl", {Missing, 30131}).AsObject();
    auto popup = Add(Controls(actions), 10);
    PutOf(popup, L"Caption", L"Folders");
    auto entry = Add(Controls(popup), 1);
    PutOf(entry, L"Caption", L"&1 Inbox");
    PutOf(entry, L"Parameter", L"0001.1");
    PutOf(entry, L"Enabled", false);

    EXPECT_EQ(ListAddinControls(explorer),
              L"bar \"Menu Bar\"\n"
              L"  in \"&Actions\" (30131)\n"
              L"    popup \"Folders\" tooltip \"\" visible yes enabled yes parameter \"\" tag \"\" group no\n"
              L"      button \"&1 Inbox\" tooltip \"\" face 0 style 0 visible yes enabled no parameter \"0001.1\" tag "
              L"\"\" group no\n"
              L"bar \"Standard\"\n"
              L"  button \"\" tooltip \"Quick Task\" face 1100 style 1 visible no enabled yes parameter \"\" tag \"\" "
              L"group yes\n"
              L"bar \"Context Menu\"\n");
    EXPECT_EQ(ErrorOf([&] { PutOf(task, L"Style", 5); }).number(), brisko::err::InvalidCall);
}

TEST_F(CommandBars, ControlWritesCountPropertyPutsOnControlsOnly) {
    auto bars = ExplorerBars(11);
    auto button = Add(Controls(Bar(bars, L"Standard")), 1);
    const auto before = sim.ControlWrites();
    PutOf(button, L"Enabled", false);
    PutOf(button, L"Caption", L"x");
    GetOf(button, L"Enabled");
    PutOf(Bar(bars, L"Standard"), L"Visible", true);
    EXPECT_EQ(sim.ControlWrites(), before + 2);
    EXPECT_EQ(ControlWrites(sim), before + 2);
    // A write that fails is no write.
    EXPECT_NE(ErrorOf([&] { PutOf(button, L"Style", 99); }).number(), 0);
    EXPECT_EQ(sim.ControlWrites(), before + 2);
}

TEST_F(CommandBars, ExplorerBarsGoWithTheWindowInspectorBarsOutliveIt) {
    auto bars = ExplorerBars(11);
    auto button = Add(Controls(Bar(bars, L"Standard")), 1);
    sim.CloseExplorer(explorer);
    EXPECT_EQ(ErrorOf([&] { GetOf(button, L"Caption"); }).number(), err::ObjectNotFound);
    EXPECT_EQ(ErrorOf([&] { GetOf(bars, L"Count"); }).number(), err::ObjectNotFound);

    auto* inspector = sim.OpenInspector(box.inboxMails[0]);
    auto ibars = ObjectOf(inspector->Ref(), L"CommandBars");
    auto forgotten = Add(Controls(Bar(ibars, L"Standard")), 1);
    PutOf(forgotten, L"TooltipText", L"Quick Task");
    sim.CloseInspector(inspector, false);
    EXPECT_EQ(GetOf(forgotten, L"TooltipText"), Value(L"Quick Task"));
    EXPECT_NE(ListAddinControls(inspector).find(L"tooltip \"Quick Task\""), std::wstring::npos);
    EXPECT_EQ(CommandBarsOf(inspector), Sim(ibars));
    // What is left there cannot be clicked any more.
    EXPECT_FALSE(Press(dynamic_cast<SimCommandBarControl*>(Sim(forgotten))));
}

TEST_F(CommandBars, CallsCountFailOnDemandAndHoldNoReferences) {
    auto bars = ExplorerBars(11);
    auto controls = Controls(Bar(bars, L"Standard"));
    const auto calls = sim.CallCount();
    GetOf(controls, L"Count");
    EXPECT_EQ(sim.CallCount(), calls + 1);
    sim.FailMember(L"CommandBarControls.Add", err::OperationFailed, L"", 1);
    EXPECT_EQ(ErrorOf([&] { Add(controls, 1); }).number(), err::OperationFailed);
    auto button = Add(controls, 1);
    sim.FailMember(L"CommandBarButton.Visible", 91, L"", 1);
    EXPECT_EQ(ErrorOf([&] { PutOf(button, L"Visible", false); }).number(), 91);
    EXPECT_EQ(GetOf(button, L"Visible"), Value(true));

    button.reset();
    controls.reset();
    bars.reset();
    app.reset();
    ns.reset();
    EXPECT_EQ(sim.ExternalReferences(), 0) << sim.DescribeExternalReferences();
}

// --- Item context menu -------------------------------------------------------------------------

class ItemContextMenu : public CommandBars {};

TEST_F(ItemContextMenu, Outlook2002And2003ShowTheExplorersContextMenuBarAfterOnUpdate) {
    sim.SetMajorVersion(9);
    auto* e9 = sim.AddExplorerAtStartup(box.inbox);
    EXPECT_EQ(ShowItemContextMenu(e9), nullptr);

    for (const int version : {10, 11}) {
        auto bars = ExplorerBars(version);
        EventLog barLog, appLog;
        auto c1 = bars->ConnectEvents(barLog.Handler());
        auto c2 = app->ConnectEvents(appLog.Handler());
        SimCommandBar* shown = sim.ShowItemContextMenu(explorer);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown, Sim(Bar(bars, L"Context Menu")));
        EXPECT_EQ(barLog.names, std::vector<std::wstring>{L"OnUpdate"});
        sim.CloseItemContextMenu();
        EXPECT_TRUE(appLog.names.empty());
        EXPECT_FALSE(shown->Vanished());
    }
}

TEST_F(ItemContextMenu, Outlook2007AndLaterRaiseTheApplicationsEventsWithAFreshBar) {
    for (const int version : {12, 14}) {
        SCOPED_TRACE(version);
        sim.SetMajorVersion(version);
        explorer = sim.AddExplorerAtStartup(box.inbox);
        sim.Select(explorer, {box.inboxMails[0], box.inboxMails[1]});
        std::vector<std::wstring> log;
        ObjectPtr shownBar;
        auto events = app->ConnectEvents([&](std::wstring_view name, Args& args) {
            log.emplace_back(name);
            if (name == L"ItemContextMenuDisplay") {
                ASSERT_EQ(args.size(), 2u);
                shownBar = args[0].AsObject();
                EXPECT_EQ(GetOf(args[1].AsObject(), L"Count"), Value(2));
                EXPECT_EQ(GetOf(shownBar, L"Protection"), Value(0));
                auto button = CallOf(ObjectOf(shownBar, L"Controls"), L"Add", {1, Missing, Missing, Missing, true});
                PutOf(button.AsObject(), L"Tag", L"Corvant.Brisko.ContextMenu.QTask");
            } else {
                EXPECT_EQ(args.size(), 1u);
                EXPECT_EQ(args[0], Value(mso::ItemContextMenu));
            }
        });
        SimCommandBar* bar = ShowItemContextMenu(explorer);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(Sim(shownBar), bar);
        EXPECT_EQ(ShownItemContextMenu(sim), bar);
        EXPECT_EQ(bar->Name(), L"Context Menu");
        EXPECT_NE(FindControlByPath(explorer, L"Context Menu", L"corvant.brisko.contextmenu.qtask"), nullptr);
        EXPECT_NE(ListAddinControls(bar).find(L"tag \"Corvant.Brisko.ContextMenu.QTask\""), std::wstring::npos);

        // Showing it again closes the first.
        SimCommandBar* again = ShowItemContextMenu(explorer);
        EXPECT_TRUE(bar->Vanished());
        EXPECT_EQ(log, (std::vector<std::wstring>{L"ItemContextMenuDisplay", L"ContextMenuClose",
                                                  L"ItemContextMenuDisplay"}));
        CloseItemContextMenu(sim);
        EXPECT_TRUE(again->Vanished());
        EXPECT_EQ(ErrorOf([&] { GetOf(shownBar, L"Name"); }).number(), err::ObjectNotFound);
        EXPECT_EQ(ShownItemContextMenu(sim), nullptr);
        EXPECT_EQ(log.size(), 4u);
        CloseItemContextMenu(sim);  // nothing shown: nothing raised
        EXPECT_EQ(log.size(), 4u);
        shownBar.reset();
        sim.CloseExplorer(explorer);
    }
}

}  // namespace
}  // namespace brisko::sim::test
