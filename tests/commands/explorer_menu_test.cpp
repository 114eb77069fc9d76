// The commands behind the surfaces: the update reasons' names, the button state of an explorer,
// moving mail and setting the default folder.
#include <gtest/gtest.h>

#include "addin/commands/mExplorerMenu.h"
#include "platform/ui.h"
#include "surfaces_fixture.h"

namespace brisko::testing {
namespace {

struct State {
    bool visible = false, enabled = false, folderEnabled = false;
    bool operator==(const State&) const = default;
};

class ExplorerCommands : public SurfacesTest {
protected:
    void SetUp() override {
        SurfacesTest::SetUp();
        Use(11);
        explorer = host.AddExplorerAtStartup(mb.inbox);
    }
    State StateOf(sim::SimExplorer* e) {
        State s;
        ExplorerMenu_GetButtonsState(e->Ref(), s.visible, s.enabled, s.folderEnabled);
        return s;
    }
    sim::SimExplorer* explorer = nullptr;
};

TEST_F(ExplorerCommands, UpdateReasonsHaveTheirNamesAndOthersTheirNumber) {
    EXPECT_EQ(GuiUpdateEvent2Str(0), L"ueBars");
    EXPECT_EQ(GuiUpdateEvent2Str(1), L"ueManual");
    EXPECT_EQ(GuiUpdateEvent2Str(2), L"ueFolderSwitch");
    EXPECT_EQ(GuiUpdateEvent2Str(3), L"ueSelectionChange");
    EXPECT_TRUE(Records(2).empty());
    EXPECT_EQ(GuiUpdateEvent2Str(7), L"7");
    ASSERT_EQ(CountLogged(L"mExplorerMenu.GuiUpdateEvent2Str"), 1u);
    EXPECT_NE(AllRecords().back().find(L"7"), std::wstring::npos);
}

TEST_F(ExplorerCommands, ButtonStateFollowsFolderAndSelection) {
    EXPECT_EQ(StateOf(explorer), (State{true, false, false}));
    host.Select(explorer, {mb.inboxMails.at(0)});
    EXPECT_EQ(StateOf(explorer), (State{true, true, true}));
    host.Select(explorer, {mb.inboxMails.at(0), mb.inboxMails.at(1)});
    EXPECT_EQ(StateOf(explorer), (State{true, false, true}));
    // A mail together with another kind of item: no folder commands.
    auto* task = host.AddTask(mb.inbox, {.subject = L"Not a mail"});
    host.Select(explorer, {mb.inboxMails.at(0), task});
    EXPECT_EQ(StateOf(explorer), (State{true, false, false}));
    host.Select(explorer, {task});
    EXPECT_EQ(StateOf(explorer), (State{true, false, false}));
    // One unsent mail: quick commands off, folder commands on.
    host.SwitchFolder(explorer, mb.drafts);
    host.Select(explorer, {mb.draft});
    EXPECT_EQ(StateOf(explorer), (State{true, false, true}));
    // Not a mail folder: nothing shown.
    host.SwitchFolder(explorer, mb.calendar);
    host.Select(explorer, {mb.appointment});
    EXPECT_EQ(StateOf(explorer), (State{false, false, false}));
    EXPECT_TRUE(Errors().empty()) << ErrorText();
}

TEST_F(ExplorerCommands, ASelectionThatCannotBeReadEnablesNothing) {
    host.Select(explorer, {mb.inboxMails.at(0), mb.inboxMails.at(1)});
    host.FailMember(L"Selection.Item", -2147467259, L"gone", 2);
    EXPECT_EQ(StateOf(explorer), (State{true, false, false}));
    EXPECT_EQ(CountLogged(L"mExplorerMenu.ExplorerMenu_GetButtonsState"), 1u);
    // A folder that can't be read leaves the commands shown, silently.
    host.ClearFaults();
    host.FailMember(L"Explorer.CurrentFolder", -2147467259, L"gone", 1);
    EXPECT_EQ(StateOf(explorer), (State{true, false, true}));
    EXPECT_EQ(CountLogged(L"mExplorerMenu.ExplorerMenu_GetButtonsState"), 1u);
}

TEST_F(ExplorerCommands, MovingFourSelectedMailsMovesAllFour) {
    std::vector<sim::SimItem*> four(mb.inboxMails.begin(), mb.inboxMails.begin() + 4);
    host.Select(explorer, four);
    Menu_MoveMail(explorer->Ref(), kWindowExplorer, mb.beta->EntryID(), GetOf(mb.beta->Ref(), L"StoreID").AsString());
    for (auto* mail : four) EXPECT_EQ(mail->Folder(), mb.beta) << mail->Subject();
    EXPECT_EQ(recent->Count(), 1);
    EXPECT_EQ(recent->Item(1)->EntryID, mb.beta->EntryID());
    EXPECT_TRUE(Errors().empty()) << ErrorText();
}

TEST_F(ExplorerCommands, AMoveFromAMailWindowClosesItSavingFirstAndMovesOnlyThatMail) {
    host.Select(explorer, {mb.inboxMails.at(0), mb.inboxMails.at(1)});
    auto* mail = mb.inboxMails.at(2);
    auto* inspector = host.OpenInspector(mail);
    host.SetTracing(true);
    Menu_MoveMail(inspector->Ref(), kWindowInspector, mb.beta->EntryID(), GetOf(mb.beta->Ref(), L"StoreID").AsString());
    EXPECT_EQ(mail->Folder(), mb.beta);
    EXPECT_EQ(mb.inboxMails.at(0)->Folder(), mb.inbox);
    EXPECT_TRUE(host.OpenInspectors().empty());
    bool closedSaving = false;
    for (const auto& t : host.Trace()) closedSaving = closedSaving || t.rfind(L"Inspector.Close", 0) == 0;
    EXPECT_TRUE(closedSaving);
    EXPECT_TRUE(Errors().empty()) << ErrorText();
}

TEST_F(ExplorerCommands, AMailWindowThatWontCloseIsLoggedAndTheMoveGoesOn) {
    auto* mail = mb.inboxMails.at(2);
    auto* inspector = host.OpenInspector(mail);
    host.FailMember(L"Inspector.Close", -2147220991, L"busy", 1);
    Menu_MoveMail(inspector->Ref(), kWindowInspector, mb.beta->EntryID(), GetOf(mb.beta->Ref(), L"StoreID").AsString());
    EXPECT_EQ(mail->Folder(), mb.beta);
    EXPECT_EQ(Records(2), (std::vector<std::wstring>{
                              L"mExplorerMenu.Menu_MoveMail|0|oMail.GetInspector.Close(olSave) failed, Err=(-2147220991, busy)"}));
    EXPECT_TRUE(Errors().empty()) << ErrorText();
}

TEST_F(ExplorerCommands, AVanishedRecentFolderIsDroppedOrReplacedAsTheUserChooses) {
    Recent(mb.alpha);
    Recent(mb.invoices);
    const std::wstring alphaID = mb.alpha->EntryID();
    const std::wstring storeID = GetOf(mb.alpha->Ref(), L"StoreID").AsString();
    host.Vanish(mb.alpha);
    host.Select(explorer, {mb.inboxMails.at(0)});

    // No: the entry goes, nothing moves.
    platform.messageBoxes.QueueAnswer(kIdNo);
    Menu_MoveMail(explorer->Ref(), kWindowExplorer, alphaID, storeID);
    EXPECT_EQ(recent->FindItemIndex(alphaID, storeID), 0);
    EXPECT_EQ(mb.inboxMails.at(0)->Folder(), mb.inbox);

    // The menu still offers it: "menu out of date".
    Menu_MoveMail(explorer->Ref(), kWindowExplorer, alphaID, storeID);
    EXPECT_EQ(CountLogged(L"mExplorerMenu.Menu_MoveMail"), 1u);
    EXPECT_TRUE(Errors().empty()) << ErrorText();
}

TEST_F(ExplorerCommands, YesPicksAnotherFolderAndMovesThere) {
    Recent(mb.alpha);
    const std::wstring alphaID = mb.alpha->EntryID();
    const std::wstring storeID = GetOf(mb.alpha->Ref(), L"StoreID").AsString();
    host.Vanish(mb.alpha);
    host.Select(explorer, {mb.inboxMails.at(0)});
    platform.messageBoxes.QueueAnswer(kIdYes);
    host.QueuePickFolderAnswer(mb.invoices);
    Menu_MoveMail(explorer->Ref(), kWindowExplorer, alphaID, storeID);
    EXPECT_EQ(mb.inboxMails.at(0)->Folder(), mb.invoices);
    EXPECT_EQ(recent->FindItemIndex(alphaID, storeID), 0);
    EXPECT_EQ(recent->Item(1)->EntryID, mb.invoices->EntryID());
}

TEST_F(ExplorerCommands, WrongWindowClassAndOutdatedDefaultAreLogged) {
    Menu_MoveMail(explorer->Ref(), 36, mb.beta->EntryID(), L"");
    Menu_MoveMailPF(explorer->Ref(), 36);
    EXPECT_EQ(Errors(), (std::vector<std::wstring>{L"mExplorerMenu.Menu_MoveMail|13|Invalid nWindowClass",
                                                    L"mExplorerMenu.Menu_MoveMailPF|13|Invalid nWindowClass"}));
    Menu_SetDefFolder(L"nope", L"nope");
    EXPECT_EQ(CountLogged(L"mExplorerMenu.Menu_SetDefFolder"), 1u);
    EXPECT_FALSE(recent->FirstIsDefault());
    Recent(mb.alpha);
    Menu_SetDefFolder(mb.alpha->EntryID(), GetOf(mb.alpha->Ref(), L"StoreID").AsString());
    EXPECT_TRUE(recent->FirstIsDefault());
}

TEST_F(ExplorerCommands, QuickCommandsNeedExactlyOneMail) {
    host.Select(explorer, {mb.inboxMails.at(0), mb.inboxMails.at(1)});
    ExplorerMenu_ShowQuickTask(explorer->Ref());
    EXPECT_EQ(Forms().Count(), 0u);
    host.Select(explorer, {mb.inboxMails.at(0)});
    ExplorerMenu_ShowQuickTask(explorer->Ref());
    ExplorerMenu_ShowQuickAppointment(explorer->Ref());
    EXPECT_EQ(Forms().Count(), 2u);
    EXPECT_TRUE(Errors().empty()) << ErrorText();
}

}  // namespace
}  // namespace brisko::testing
