// The ribbon's callbacks with a control as Office passes it: labels, enabling, visibility,
// screentips, images and actions of both ribbon kinds.
#include <gtest/gtest.h>

#include "addin/host/Connect.h"
#include "surfaces_fixture.h"

namespace brisko::testing {
namespace {

class RibbonCallbacks : public SurfacesTest {
protected:
    void SetUp() override {
        SurfacesTest::SetUp();
        Use(14);
        explorer = host.AddExplorerAtStartup(mb.inbox);
        connect = std::make_shared<Connect>();
        // Recent list: Projects (the first folder recorded is the default), Invoices, the
        // archive's Inbox.
        Recent(mb.projects);
        Recent(mb.archiveInbox);
        Recent(mb.invoices);
    }
    std::wstring Label(const std::wstring& id) { return connect->RibbonControl_GetLabel(Control(id, explorer)); }
    bool Enabled(const std::wstring& id, sim::SimObject* w = nullptr) {
        return connect->RibbonControl_GetEnabled(Control(id, w ? w : explorer));
    }
    bool Visible(const std::wstring& id, sim::SimObject* w = nullptr) {
        return connect->RibbonControl_GetVisible(Control(id, w ? w : explorer));
    }
    std::wstring Screentip(const std::wstring& id, sim::SimObject* w = nullptr) {
        return connect->RibbonButton_GetScreentip(Control(id, w ? w : explorer));
    }

    sim::SimExplorer* explorer = nullptr;
    std::shared_ptr<Connect> connect;
};

TEST_F(RibbonCallbacks, FolderEntriesBeyondTheListAreHiddenDisabledAndWithoutLabel) {
    EXPECT_EQ(Label(L"btnFolder_1E"), L"&1 Inbox\\Projects (default)");
    EXPECT_EQ(Label(L"btnFolder_2E"), L"&2 Inbox\\Invoices");
    // Another store keeps its store part.
    EXPECT_EQ(Label(L"btnFolder_3E"), L"&3 \\\\Archive 2009\\Inbox");
    EXPECT_EQ(Label(L"btnDefFolder_2E"), L"&2 Inbox\\Invoices");
    for (const wchar_t* id : {L"btnFolder_3E", L"btnDefFolder_3E"}) {
        EXPECT_TRUE(Visible(id)) << id;
        EXPECT_TRUE(Enabled(id)) << id;
    }
    for (const wchar_t* id : {L"btnFolder_4E", L"btnDefFolder_4E", L"btnFolder_10E", L"btnDefFolder_10E"}) {
        EXPECT_EQ(Label(id), L"") << id;
        EXPECT_FALSE(Visible(id)) << id;
        EXPECT_FALSE(Enabled(id)) << id;
    }
    EXPECT_TRUE(Enabled(L"mnuDefFolderE"));
    EXPECT_TRUE(Errors().empty()) << ErrorText();
}

TEST_F(RibbonCallbacks, TheFolderTheWindowIsInIsDisabled) {
    host.SwitchFolder(explorer, mb.invoices);
    EXPECT_TRUE(Enabled(L"btnFolder_1E"));
    EXPECT_FALSE(Enabled(L"btnFolder_2E"));
    // A mail window: the mail's folder.
    auto* inspector = host.OpenInspector(mb.inboxMails.at(0));
    Recent(mb.inbox);
    EXPECT_TRUE(Enabled(L"btnFolder_1I", inspector));
    EXPECT_FALSE(Enabled(L"btnFolder_2I", inspector));
}

TEST_F(RibbonCallbacks, TheDefaultFolderCarriesThePostfixAndCannotBeMadeDefaultAgain) {
    EXPECT_FALSE(Enabled(L"btnDefFolder_1E"));
    EXPECT_TRUE(Enabled(L"btnDefFolder_2E"));
    EXPECT_EQ(Screentip(L"btnFolderE"), L"Move the selected e-mail to Inbox\\Projects");
    Default(mb.alpha);
    EXPECT_EQ(Label(L"btnFolder_1E"), L"&1 Inbox\\Projects\\Alpha (default)");
    EXPECT_EQ(Label(L"btnDefFolder_1E"), L"&1 Inbox\\Projects\\Alpha (default)");
    EXPECT_FALSE(Enabled(L"btnDefFolder_1E"));
    EXPECT_TRUE(Enabled(L"btnFolder_1E"));
    EXPECT_EQ(Screentip(L"btnFolderE"), L"Move the selected e-mail to Inbox\\Projects\\Alpha");
}

TEST_F(RibbonCallbacks, InTheDefaultFolderItselfTheFolderButtonPicksAFolder) {
    host.SwitchFolder(explorer, mb.projects);
    auto* mail = host.AddMail(mb.projects, {.subject = L"In Projects"});
    host.Select(explorer, {mail});
    EXPECT_EQ(Screentip(L"btnFolderE"), L"Move the selected e-mail to ......");
    host.SetPickFolderAnswer(nullptr);
    connect->RibbonButton_Action(Control(L"btnFolderE", explorer));
    EXPECT_EQ(host.PickFolderCalls(), 1);
    EXPECT_EQ(mail->Folder(), mb.projects);
    EXPECT_TRUE(Errors().empty()) << ErrorText();
}

TEST_F(RibbonCallbacks, TheFolderButtonsMoveTheSelectionAndSetTheDefault) {
    host.Select(explorer, {mb.inboxMails.at(0), mb.inboxMails.at(1)});
    connect->RibbonButton_Action(Control(L"btnFolderE", explorer));
    EXPECT_EQ(mb.inboxMails.at(0)->Folder(), mb.projects);
    EXPECT_EQ(mb.inboxMails.at(1)->Folder(), mb.projects);
    EXPECT_EQ(host.PickFolderCalls(), 0);
    // A recent entry from the menu.
    host.Select(explorer, {mb.inboxMails.at(2)});
    connect->RibbonButton_Action(Control(L"btnFolder_3E", explorer));
    EXPECT_EQ(mb.inboxMails.at(2)->Folder(), mb.archiveInbox);
    // The folder moved to is now the most recent one after the default.
    EXPECT_EQ(recent->Item(2)->EntryID, mb.archiveInbox->EntryID());
    // Making an entry the default.
    connect->RibbonButton_Action(Control(L"btnDefFolder_3E", explorer));
    EXPECT_EQ(recent->Item(1)->EntryID, mb.invoices->EntryID());
    EXPECT_TRUE(recent->FirstIsDefault());
    // The picker.
    host.QueuePickFolderAnswer(mb.beta);
    host.Select(explorer, {mb.inboxMails.at(3)});
    connect->RibbonButton_Action(Control(L"btnFolderPickE", explorer));
    EXPECT_EQ(mb.inboxMails.at(3)->Folder(), mb.beta);
    EXPECT_TRUE(Errors().empty()) << ErrorText();
}

TEST_F(RibbonCallbacks, QuickCommandsFollowTheExplorersSelection) {
    EXPECT_FALSE(Enabled(L"btnQuickTaskE"));  // nothing selected
    EXPECT_FALSE(Enabled(L"sbtnFolderE"));
    host.Select(explorer, {mb.inboxMails.at(0)});
    EXPECT_TRUE(Enabled(L"btnQuickTaskE"));
    EXPECT_TRUE(Enabled(L"btnQuickAppointmentE"));
    EXPECT_TRUE(Enabled(L"sbtnFolderE"));
    host.Select(explorer, {mb.inboxMails.at(0), mb.inboxMails.at(1)});
    EXPECT_FALSE(Enabled(L"btnQuickTaskE"));
    EXPECT_TRUE(Enabled(L"sbtnFolderE"));
    host.SwitchFolder(explorer, mb.calendar);
    host.Select(explorer, {mb.appointment});
    EXPECT_FALSE(Enabled(L"btnQuickTaskE"));
    EXPECT_FALSE(Enabled(L"sbtnFolderE"));
    // A mail window's commands are always enabled.
    auto* inspector = host.OpenInspector(mb.inboxMails.at(0));
    EXPECT_TRUE(Enabled(L"btnQuickTaskI", inspector));
    EXPECT_TRUE(Enabled(L"sbtnFolderI", inspector));
    EXPECT_TRUE(Errors().empty()) << ErrorText();
}

TEST_F(RibbonCallbacks, TheTabIsHiddenInAWindowOfAnUnsavedMail) {
    auto* draft = host.CreateItem(sim::ol::MailItem, mb.drafts);
    auto* unsaved = host.OpenInspector(draft);
    auto* saved = host.OpenInspector(mb.inboxMails.at(0));
    EXPECT_FALSE(Visible(L"tabBriskoI", unsaved));
    EXPECT_TRUE(Visible(L"tabBriskoI", saved));
    EXPECT_TRUE(Visible(L"tabBriskoE"));
}

TEST_F(RibbonCallbacks, LabelsScreentipsAndImagesOfTheFixedControls) {
    EXPECT_EQ(Label(L"tabBriskoE"), L"Brisko");
    EXPECT_EQ(Label(L"btnQuickTaskE"), L"Quick Task");
    EXPECT_EQ(Label(L"btnHelpE"), L"Help");
    EXPECT_EQ(Label(L"mnuFolderE"), L"");
    EXPECT_EQ(Label(L"sbtnFolderE"), L"");
    EXPECT_EQ(Screentip(L"btnQuickAppointmentE"), L"Create an appointment from this e-mail in one step");
    EXPECT_EQ(Screentip(L"mnuFolderE"), L"Recently used folders");
    EXPECT_EQ(CountLogged(L"Connect.RibbonButton_GetScreentip.mnuFolder"), 1u);
    EXPECT_EQ(Screentip(L"btnFolderPickE"), L"");
    for (const wchar_t* id : {L"btnQuickTaskE", L"btnQuickAppointmentI", L"btnFolderE", L"btnHelpE", L"btnAboutI"}) {
        EXPECT_NE(connect->RibbonButton_GetImage(Control(id, explorer)), nullptr) << id;
    }
    EXPECT_EQ(connect->RibbonButton_GetImage(Control(L"btnFolder_1E", explorer)), nullptr);
    EXPECT_TRUE(Errors().empty()) << ErrorText();
}

TEST_F(RibbonCallbacks, AnIdWithoutKindLetterIsLoggedAndAnsweredWithTheDefault) {
    const auto bad = Control(L"btnQuickTaskX", explorer);
    EXPECT_TRUE(connect->RibbonControl_GetEnabled(bad));
    EXPECT_TRUE(connect->RibbonControl_GetVisible(bad));
    EXPECT_EQ(connect->RibbonControl_GetLabel(bad), L"");
    EXPECT_EQ(connect->RibbonButton_GetScreentip(bad), L"");
    EXPECT_EQ(connect->RibbonButton_GetImage(bad), nullptr);
    connect->RibbonButton_Action(bad);
    const std::wstring suffix = L"|13|Invalid control id(btnQuickTaskX)";
    EXPECT_EQ(Errors(), (std::vector<std::wstring>{
                            L"Connect.RibbonControl_GetEnabled" + suffix, L"Connect.RibbonControl_GetVisible" + suffix,
                            L"Connect.RibbonControl_GetLabel" + suffix, L"Connect.RibbonButton_GetScreentip" + suffix,
                            L"Connect.RibbonButton_GetImage" + suffix, L"Connect.RibbonButton_Action" + suffix}));
    // Late bound by name, as Office calls them.
    Args args{Value(bad)};
    EXPECT_TRUE(connect->Invoke(L"RibbonControl_GetEnabled", CallKind::Method, args).AsBool());
}

TEST_F(RibbonCallbacks, CallbacksBeforeTheConnectionCopeWithoutItsObjects) {
    ReleaseProcessObjects();
    const auto control = Control(L"btnFolder_1E", nullptr);
    EXPECT_EQ(connect->RibbonControl_GetLabel(control), L"");
    // A failing callback answers its default.
    EXPECT_TRUE(connect->RibbonControl_GetVisible(control));
    connect->RibbonButton_Action(Control(L"btnQuickTaskE", nullptr));
    EXPECT_EQ(Errors(), (std::vector<std::wstring>{
                            L"Connect.RibbonControl_GetLabel|91|Object variable or With block variable not set",
                            L"Connect.RibbonControl_GetVisible|91|Object variable or With block variable not set",
                            L"mExplorerMenu.ExplorerMenu_ShowQuickTask|91|Object variable or With block variable not set"}));
}

}  // namespace
}  // namespace brisko::testing
