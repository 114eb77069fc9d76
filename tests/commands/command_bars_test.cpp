// The explorer's command bars, the folder buttons and the item context menus over the simulated
// Office command bars, on every host version.
#include <gtest/gtest.h>

#include <cwctype>

#include "session_fixture.h"

namespace brisko::testing {
namespace {

constexpr const wchar_t* kTaskTip = L"Create a task from the selected e-mail";
constexpr const wchar_t* kAppointmentTip = L"Create an appointment from the selected e-mail";
constexpr const wchar_t* kFoldersTip = L"Move the selected e-mail to a recently used folder";
constexpr const wchar_t* kTagQTask = L"Corvant.Brisko.ContextMenu.QTask";
constexpr const wchar_t* kTagQAppointment = L"Corvant.Brisko.ContextMenu.QAppointment";
constexpr const wchar_t* kTagFolders = L"Corvant.Brisko.ContextMenu.Folders";

// Which surfaces each host version has.
class EveryVersion : public SessionTest, public ::testing::WithParamInterface<int> {};

TEST_P(EveryVersion, EachSurfaceExistsExactlyWhereTheHostHasIt) {
    const int v = GetParam();
    Start(v);
    host.Select(explorer, {mb.inboxMails.at(0)});

    // Explorer toolbar and menu bar: up to Outlook 2007.
    auto* task = Find(explorer, L"Standard", kTaskTip);
    auto* taskItem = Find(explorer, L"Menu Bar", L"Actions/Quick Task");
    EXPECT_EQ(task != nullptr, v < 14);
    EXPECT_EQ(taskItem != nullptr, v < 14);
    if (task) {
        EXPECT_TRUE(task->visible && task->enabled);
        EXPECT_NE(Find(explorer, L"Standard", kAppointmentTip), nullptr);
        EXPECT_NE(Find(explorer, L"Standard", kFoldersTip), nullptr);
        EXPECT_NE(Find(explorer, L"Menu Bar", L"Actions/Move to Folder/Other Folder..."), nullptr);
    }
    if (v >= 14) {
        EXPECT_EQ(CountAdded(Controls(explorer)), 0u);
    }
    // The support library's About entry goes on explorers with bars.
    EXPECT_EQ(platform.torvik.CountCalls("AddAboutMenu") > 0, v < 14);

    // Item context menu: the "Context Menu" bar on 2002 and 2003, the events from 2007.
    auto* menu = sim::ShowItemContextMenu(explorer);
    EXPECT_EQ(menu != nullptr, v >= 10);
    if (menu) {
        EXPECT_EQ(Tagged(menu, kTagQTask).size(), 1u);
        EXPECT_EQ(Tagged(menu, kTagQAppointment).size(), 1u);
        EXPECT_EQ(Tagged(menu, kTagFolders).size(), 1u);
        // The About entry is in the folder popup below Outlook 2010 only.
        auto* folders = Tagged(menu, kTagFolders).at(0);
        EXPECT_EQ(sim::FindControlInBar(folders->DropDown(), L"About Brisko...") != nullptr, v < 14);
        ASSERT_TRUE(sim::Press(Tagged(menu, kTagQTask).at(0)));
        EXPECT_EQ(Forms().Count(), 1u);
        if (v >= 12) sim::CloseItemContextMenu(host);
    }

    // Mail window: its own bars before 2007, the ribbon from 2007.
    auto* inspector = host.OpenInspector(mb.inboxMails.at(1));
    host.ActivateInspector(inspector);
    EXPECT_EQ(Find(inspector, L"Standard", kTaskTip) != nullptr, v < 12);
    EXPECT_EQ(Find(inspector, L"Menu Bar", L"Actions/Quick Appointment") != nullptr, v < 12);
    EXPECT_EQ(host.Ribbon().Asked(L"Microsoft.Outlook.Mail.Read"), v >= 12);
    EXPECT_EQ(host.Ribbon().Asked(L"Microsoft.Outlook.Explorer"), v >= 14);
    if (v >= 12) {
        const auto shown = host.Ribbon().Show(inspector);
        EXPECT_FALSE(shown.empty());
        EXPECT_TRUE(host.Ribbon().Click(inspector, L"btnQuickAppointmentI"));
        EXPECT_EQ(Forms().Count(), v >= 10 ? 2u : 1u);
    }
    if (v >= 14) {
        EXPECT_FALSE(host.Ribbon().Show(explorer).empty());
        EXPECT_TRUE(host.Ribbon().Click(explorer, L"btnQuickTaskE"));
    }
    host.CloseInspector(inspector);
    EXPECT_EQ(CountAdded(Controls(inspector)), 0u) << ToUtf8(Controls(inspector));
    ExpectClean();
    Stop();
    Forms().UnloadAll();
    EXPECT_EQ(host.ExternalReferences(), 0) << ToUtf8(host.DescribeExternalReferences());
}

INSTANTIATE_TEST_SUITE_P(HostVersions, EveryVersion, ::testing::Values(9, 10, 11, 12, 14),
                         [](const ::testing::TestParamInfo<int>& p) { return "Outlook" + std::to_string(p.param); });

// --- Explorer toolbar and menu bar ---------------------------------------------------------

TEST_F(SessionTest, ToolbarButtonsWaitForAMailFolderAndFollowTheSelection) {
    Start(11, mb.calendar);
    sim::UpdateBars(explorer);
    EXPECT_EQ(Find(explorer, L"Standard", kTaskTip), nullptr);
    // The menu items exist, hidden.
    auto* item = Find(explorer, L"Menu Bar", L"Actions/Quick Task");
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->visible);

    host.SwitchFolder(explorer, mb.inbox);
    auto* task = Find(explorer, L"Standard", kTaskTip);
    ASSERT_NE(task, nullptr);
    EXPECT_TRUE(task->visible);
    EXPECT_FALSE(task->enabled);  // nothing selected
    // Placed before the built-in control 354, as one group.
    auto* anchor = BuiltIn(explorer, L"Standard", 354);
    ASSERT_NE(anchor, nullptr);
    EXPECT_EQ(task->Index() + 4, anchor->Index());
    EXPECT_TRUE(task->beginGroup);

    auto* popup = Find(explorer, L"Standard", kFoldersTip);
    host.Select(explorer, {mb.inboxMails.at(0), mb.inboxMails.at(1)});
    EXPECT_FALSE(task->enabled);
    EXPECT_FALSE(Find(explorer, L"Standard", kAppointmentTip)->enabled);
    EXPECT_TRUE(popup->enabled);
    EXPECT_FALSE(item->enabled);
    EXPECT_TRUE(item->visible);

    host.Select(explorer, {mb.inboxMails.at(0)});
    EXPECT_TRUE(task->enabled);
    EXPECT_TRUE(item->enabled);
    ASSERT_TRUE(sim::Press(task));
    EXPECT_EQ(Forms().Count(), 1u);

    // Back in the calendar: everything hidden.
    host.SwitchFolder(explorer, mb.calendar);
    EXPECT_FALSE(task->visible);
    EXPECT_FALSE(popup->visible);
    EXPECT_FALSE(item->visible);
    ExpectClean();
}

TEST_F(SessionTest, WithoutTheAnchorsTheButtonsGoAfter478OrAtTheEnd) {
    host.SetMajorVersion(11);
    explorer = host.AddExplorerAtStartup(mb.inbox);
    auto* bars = sim::CommandBarsOf(explorer);
    auto* standard = bars->Find(L"Standard");
    standard->Controls()->Remove(BuiltIn(explorer, L"Standard", 354));
    Start(11);
    sim::UpdateBars(explorer);
    auto* task = Find(explorer, L"Standard", kTaskTip);
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->Index(), BuiltIn(explorer, L"Standard", 478)->Index() + 1);
    ExpectClean();
}

TEST_F(SessionTest, AnUnchangedUpdateWritesNoControlProperty) {
    Start(11);
    host.Select(explorer, {mb.inboxMails.at(0)});
    sim::UpdateBars(explorer);
    const auto writes = sim::ControlWrites(host);
    host.SetTracing(true);
    host.ClearTrace();
    sim::UpdateBars(explorer);
    EXPECT_EQ(sim::ControlWrites(host), writes);
    for (const auto& call : host.Trace()) EXPECT_EQ(call.find(L" Put"), std::wstring::npos) << ToUtf8(call);
    // A selection change writes only what changed.
    host.Select(explorer, {mb.inboxMails.at(0), mb.inboxMails.at(1)});
    EXPECT_GT(sim::ControlWrites(host), writes);
    ExpectClean();
}

// --- Item context menu on 2002 and 2003 ------------------------------------------------------

TEST_F(SessionTest, ContextMenuEntriesAreAddedOnceAndTheBarStaysProtected) {
    Start(10);
    host.Select(explorer, {mb.inboxMails.at(0)});
    for (int i = 0; i < 3; ++i) sim::UpdateBars(explorer);
    auto* bar = sim::CommandBarsOf(explorer)->Find(L"Context Menu");
    EXPECT_EQ(Tagged(bar, kTagQTask).size(), 1u);
    EXPECT_EQ(Tagged(bar, kTagQAppointment).size(), 1u);
    EXPECT_EQ(Tagged(bar, kTagFolders).size(), 1u);
    EXPECT_EQ(bar->Protection(), 1);
    // Its entries follow the list and the selection.
    Recent(mb.beta);
    connect->UpdateRecentFoldersControls();
    host.Select(explorer, {mb.inboxMails.at(2), mb.inboxMails.at(3)});
    EXPECT_FALSE(Tagged(bar, kTagQTask).at(0)->enabled);
    host.Select(explorer, {mb.inboxMails.at(2)});
    EXPECT_TRUE(Tagged(bar, kTagQTask).at(0)->enabled);
    auto* menu = sim::ShowItemContextMenu(explorer);
    ASSERT_TRUE(sim::Press(sim::FindControlInBar(menu, L"Move to Folder/1 Inbox\\Projects\\Beta (default)")));
    EXPECT_EQ(mb.inboxMails.at(2)->Folder(), mb.beta);
    ExpectClean();
}

TEST_F(SessionTest, AnotherContextMenuOfTheSameBarGetsNothing) {
    host.SetMajorVersion(11);
    explorer = host.AddExplorerAtStartup(mb.inbox);
    auto* bar = sim::CommandBarsOf(explorer)->Find(L"Context Menu");
    sim::AddBuiltInControl(bar, 1, 1880, L"Folder command");
    Start(11);
    host.Select(explorer, {mb.inboxMails.at(0)});
    EXPECT_TRUE(Tagged(bar, kTagQTask).empty());
    EXPECT_TRUE(Tagged(bar, kTagFolders).empty());
    // Not in a mail folder: nothing either.
    ExpectClean();
}

TEST_F(SessionTest, ContextMenuOf2007AndLaterFollowsTheSelection) {
    Start(12);
    host.Select(explorer, {mb.inboxMails.at(0), mb.inboxMails.at(1)});
    auto* menu = sim::ShowItemContextMenu(explorer);
    ASSERT_NE(menu, nullptr);
    auto* task = Tagged(menu, kTagQTask).at(0);
    EXPECT_TRUE(task->visible);
    EXPECT_FALSE(task->enabled);
    EXPECT_TRUE(Tagged(menu, kTagFolders).at(0)->enabled);
    sim::CloseItemContextMenu(host);

    // Moving from the folder popup.
    Recent(mb.alpha);
    menu = sim::ShowItemContextMenu(explorer);
    ASSERT_TRUE(sim::Press(sim::FindControlInBar(menu, L"Move to Folder/1 Inbox\\Projects\\Alpha (default)")));
    EXPECT_EQ(mb.inboxMails.at(0)->Folder(), mb.alpha);
    EXPECT_EQ(mb.inboxMails.at(1)->Folder(), mb.alpha);
    sim::CloseItemContextMenu(host);

    // Not a mail folder: nothing is added.
    host.SwitchFolder(explorer, mb.calendar);
    host.Select(explorer, {mb.appointment});
    menu = sim::ShowItemContextMenu(explorer);
    EXPECT_EQ(CountAdded(sim::ListAddinControls(menu)), 0u);
    sim::CloseItemContextMenu(host);
    ExpectClean();
}

// --- Folder buttons ------------------------------------------------------------------------

TEST_F(SessionTest, AnEmptyListShowsNoFoldersAndTheIconButtonPicks) {
    Start(11);
    host.Select(explorer, {mb.inboxMails.at(0)});
    auto* icon = Find(explorer, L"Standard", L"Move the selected e-mail to ......");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->parameter, L"");
    EXPECT_NE(icon->picture, nullptr);  // the icon, from Outlook 2002 on
    auto* defaults = Find(explorer, L"Standard", std::wstring(kFoldersTip) + L"/Default Folder");
    ASSERT_NE(defaults, nullptr);
    EXPECT_FALSE(defaults->enabled);
    for (auto* c : Find(explorer, L"Standard", kFoldersTip)->DropDown()->Controls()->List()) {
        if (c->caption.empty()) {
            EXPECT_FALSE(c->visible);
        }
    }
    host.QueuePickFolderAnswer(mb.invoices);
    ASSERT_TRUE(sim::Press(icon));
    EXPECT_EQ(host.PickFolderCalls(), 1);
    EXPECT_EQ(mb.inboxMails.at(0)->Folder(), mb.invoices);
    // The list changed: every folder control shows the new entry at once.
    auto* entry = Find(explorer, L"Standard", std::wstring(kFoldersTip) + L"/1 Inbox\\Invoices (default)");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->visible);
    EXPECT_NE(Find(explorer, L"Menu Bar", L"Actions/Move to Folder/1 Inbox\\Invoices (default)"), nullptr);
    EXPECT_EQ(Find(explorer, L"Standard", L"Move the selected e-mail to Inbox\\Invoices"), icon);
    ExpectClean();
}

TEST_F(SessionTest, FolderButtonsFollowTheListAndTheCurrentFolder) {
    Services().newRecentFolders = [] { return std::make_shared<SizedRecentFolders>(12); };
    Start(9);
    const std::vector<sim::SimFolder*> twelve = {mb.projects, mb.alpha, mb.beta, mb.invoices, mb.sentItems,
                                                 mb.drafts, mb.outbox, mb.archiveInbox, mb.archiveSent,
                                                 mb.deletedItems, mb.archiveDeleted, mb.inbox};
    for (auto* f : twelve) Recent(f);
    sim::UpdateBars(explorer);
    ASSERT_NE(Find(explorer, L"Standard", kFoldersTip), nullptr);
    auto* popup = Find(explorer, L"Standard", kFoldersTip)->DropDown();
    int visible = 0;
    for (auto* c : popup->Controls()->List()) {
        visible += (c->visible && c->caption.size() > 1 && c->caption[0] == L'&' && std::iswdigit(c->caption[1])) ? 1 : 0;
    }
    EXPECT_EQ(visible, 10);
    auto* first = sim::FindControlInBar(popup, L"1 Inbox\\Projects (default)");
    auto* inbox = sim::FindControlInBar(popup, L"2 Inbox");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(inbox, nullptr);
    EXPECT_FALSE(inbox->enabled);  // the window shows it
    EXPECT_TRUE(first->enabled);
    // The default cannot be made default again; the others can.
    EXPECT_FALSE(sim::FindControlInBar(popup, L"Default Folder/1 Inbox\\Projects (default)")->enabled);
    EXPECT_TRUE(sim::FindControlInBar(popup, L"Default Folder/2 Inbox")->enabled);
    // No picture on Outlook 2000: the face stays.
    auto* icon = Find(explorer, L"Standard", L"Move the selected e-mail to Inbox\\Projects");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->picture, nullptr);
    EXPECT_EQ(icon->faceId, 1679);

    // A folder switch moves the disabled entry without rebuilding.
    const auto writes = sim::ControlWrites(host);
    host.SwitchFolder(explorer, mb.projects);
    EXPECT_TRUE(inbox->enabled);
    EXPECT_FALSE(first->enabled);
    EXPECT_EQ(icon->parameter, L"");  // in the default folder: the icon button picks
    EXPECT_EQ(icon->tooltip, L"Move the selected e-mail to ......");
    EXPECT_LT(sim::ControlWrites(host) - writes, 30u);

    // Making entry 2 the default (the menu needs a selection).
    host.Select(explorer, {host.AddMail(mb.projects, {.subject = L"Status"})});
    ASSERT_TRUE(sim::Press(sim::FindControlInBar(popup, L"Default Folder/2 Inbox")));
    EXPECT_NE(sim::FindControlInBar(popup, L"1 Inbox (default)"), nullptr) << ToUtf8(sim::ListAddinControls(explorer)) << ErrorText();
    ExpectClean();
}

TEST_F(SessionTest, AHiddenFolderGroupIsRebuiltWhenShownAgain) {
    Start(11);
    host.Select(explorer, {mb.inboxMails.at(0)});
    host.SwitchFolder(explorer, mb.calendar);
    auto* popup = Find(explorer, L"Standard", kFoldersTip);
    EXPECT_FALSE(popup->visible);
    // The list changes while the group is hidden.
    Recent(mb.beta);
    connect->UpdateRecentFoldersControls();
    EXPECT_EQ(sim::FindControlInBar(popup->DropDown(), L"1 Inbox\\Projects\\Beta (default)"), nullptr);
    host.SwitchFolder(explorer, mb.inbox);
    host.Select(explorer, {mb.inboxMails.at(0)});
    EXPECT_TRUE(popup->visible);
    EXPECT_NE(sim::FindControlInBar(popup->DropDown(), L"1 Inbox\\Projects\\Beta (default)"), nullptr);
    // The About entry shows the support library's box.
    ASSERT_TRUE(sim::Press(sim::FindControlInBar(popup->DropDown(), L"About Brisko...")));
    EXPECT_EQ(platform.torvik.CountCalls("ShowAbout"), 1u);
    ExpectClean();
}

TEST_F(SessionTest, AFolderThatVanishedIsDroppedFromEveryMenuWhenTheUserSaysNo) {
    Start(11);
    Recent(mb.projects);
    Recent(mb.alpha);
    host.Select(explorer, {mb.inboxMails.at(0)});
    connect->UpdateRecentFoldersControls();
    host.Vanish(mb.alpha);
    platform.messageBoxes.QueueAnswer(7);  // No
    ASSERT_TRUE(Press(explorer, L"Menu Bar", L"Actions/Move to Folder/2 Inbox\\Projects\\Alpha"));
    EXPECT_EQ(mb.inboxMails.at(0)->Folder(), mb.inbox);
    EXPECT_EQ(Find(explorer, L"Menu Bar", L"Actions/Move to Folder/2 Inbox\\Projects\\Alpha"), nullptr);
    EXPECT_EQ(Find(explorer, L"Standard", std::wstring(kFoldersTip) + L"/2 Inbox\\Projects\\Alpha"), nullptr);
    ExpectClean();
}

TEST_F(SessionTest, EveryExplorerGetsItsOwnControls) {
    Start(11);
    auto* second = host.OpenExplorer(mb.invoices);
    host.ActivateExplorer(second);
    host.Select(second, {host.AddMail(mb.invoices, {.subject = L"Bill"})});
    EXPECT_NE(Find(second, L"Standard", kTaskTip), nullptr);
    EXPECT_TRUE(Find(second, L"Standard", kTaskTip)->enabled);
    host.CloseExplorer(second);
    host.Select(explorer, {mb.inboxMails.at(0)});
    EXPECT_TRUE(Find(explorer, L"Standard", kTaskTip)->enabled);
    ExpectClean();
}

TEST_F(SessionTest, TheRibbonsDefaultFolderMenuFollowsTheListFromEmpty) {
    Start(14);
    auto state = [&](const wchar_t* id) {
        for (const auto& c : host.Ribbon().Show(explorer)) {
            if (c.id == id) return c;
        }
        ADD_FAILURE() << "no " << ToUtf8(id);
        return sim::RibbonControlState{};
    };
    ASSERT_EQ(recent->Count(), 0);
    EXPECT_FALSE(state(L"mnuDefFolderE").enabled);
    // The first move through the picker fills the list; the submenu shown next can set it.
    host.Select(explorer, {mb.inboxMails.at(0)});
    host.QueuePickFolderAnswer(mb.projects);
    ASSERT_TRUE(host.Ribbon().Click(explorer, L"btnFolderPickE"));
    ASSERT_EQ(recent->Count(), 1);
    EXPECT_TRUE(state(L"mnuDefFolderE").enabled);
    EXPECT_TRUE(state(L"btnDefFolder_1E").visible);
    ExpectClean();
}

}  // namespace
}  // namespace brisko::testing
