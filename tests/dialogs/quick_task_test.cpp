// The quick task dialog and the dispatch, driven as a user drives them: what the dialog proposes,
// what the Create and Edit buttons make, the mail moved or deleted, the remembered choices.
#include "tests/dialogs/quick_dialogs_fixture.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

#include "addin/dialogs/frmQuickTask.h"
#include "addin/forms/quick_designs.h"
#include "automation/error.h"

namespace brisko::testing {
namespace {

using Strings = std::vector<std::wstring>;

TEST_F(QuickDialogsTest, DispatchKeepsOneDialogPerMailAndKindAndTagsCountAcrossKinds) {
    Connect();
    auto& first = Task(mb.reminderMail);
    EXPECT_TRUE(first.ownerCleared());
    EXPECT_EQ(first.showCount(), 1);
    // The same command again activates the open dialog; nothing in it changes.
    first.Type(L"txtSubject", L"edited");
    Task(mb.reminderMail);
    EXPECT_EQ(platform.formWindows.live().size(), 1u);
    EXPECT_EQ(Shown(first, L"txtSubject"), L"edited");
    // An appointment dialog for the same mail, and a task dialog for another, open beside it.
    Appointment(mb.reminderMail);
    auto& other = Task(Mail(1));
    EXPECT_EQ(platform.formWindows.live().size(), 3u);
    EXPECT_TRUE(Logged(L"frmQuickTask.Form_Load(1)", L"->"));
    EXPECT_TRUE(Logged(L"frmQuickAppointment.Form_Load(2)", L"->"));
    EXPECT_TRUE(Logged(L"frmQuickTask.Form_Load(3)", L"->"));
    // The command for the first mail again brings its dialog to the front, shown only once.
    EXPECT_FALSE(first.active());
    Task(mb.reminderMail, true);
    EXPECT_TRUE(first.active());
    EXPECT_FALSE(first.topmost());
    EXPECT_EQ(first.showCount(), 1);

    // Closing one leaves the others open and findable.
    first.Click(L"btnCancel");
    EXPECT_EQ(platform.formWindows.live().size(), 2u);
    EXPECT_FALSE(FindQuickTaskForm(mb.reminderMail->EntryID(), mb.inbox->StoreID()));
    EXPECT_TRUE(FindQuickAppointmentForm(mb.reminderMail->EntryID(), mb.inbox->StoreID()));
    EXPECT_TRUE(FindQuickTaskForm(Mail(1)->EntryID(), mb.inbox->StoreID()));
    // Ids compare exactly.
    EXPECT_FALSE(FindQuickTaskForm(LowerCase(Mail(1)->EntryID()), mb.inbox->StoreID()));
    other.Close();
    EXPECT_FALSE(FindQuickTaskForm(Mail(1)->EntryID(), mb.inbox->StoreID()));
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
}

TEST_F(QuickDialogsTest, TaskFromAMailWithAReminderAndTheOptionsItLeaves) {
    Connect();
    auto& w = Task(mb.reminderMail, true);
    EXPECT_TRUE(w.topmost());
    EXPECT_EQ(w.caption(), L"Brisko - Task");
    EXPECT_EQ(Shown(w, L"txtSubject"), L"Project Alpha: kick-off meeting");
    EXPECT_EQ(Shown(w, L"dtpDueDate"), L"2010-05-18");
    EXPECT_EQ(Shown(w, L"mvDueDate"), L"2010-05-18");
    EXPECT_EQ(Shown(w, L"barPriority"), L"high");
    EXPECT_TRUE(C(w, L"btnCreateTask").setup.isDefault);
    // Keyboard cues drawn: accelerators and focus rectangles cleared, as updates.
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> cues{{0x128, 0x20002}, {0x128, 0x10002}};
    EXPECT_EQ(w.uiState(), cues);

    // The picked date reaches both controls, from either.
    w.PickDate(L"dtpDueDate", At(2010, 5, 21));
    EXPECT_EQ(Shown(w, L"mvDueDate"), L"2010-05-21");
    w.PickDate(L"mvDueDate", At(2010, 5, 20));
    EXPECT_EQ(Shown(w, L"dtpDueDate"), L"2010-05-20");
    w.ChoosePriority(L"barPriority", 0);
    w.Check(L"chkAttachMail", true);
    host.SetTracing(true);
    w.Click(L"btnCreateTask");

    EXPECT_FALSE(Open(L"frmQuickTask"));
    const auto tasks = ItemsWith(mb.tasks, L"Project Alpha: kick-off meeting");
    ASSERT_EQ(tasks.size(), 1u);
    auto* task = tasks[0];
    EXPECT_EQ(task->Prop(L"DueDate"), Value(At(2010, 5, 20)));
    EXPECT_EQ(task->Prop(L"Importance"), Value(0));
    EXPECT_EQ(task->Prop(L"Body").AsString(), mb.reminderMail->Prop(L"Body").AsString());
    EXPECT_EQ(task->Prop(L"Categories"), Value(L"Project Alpha"));
    ASSERT_EQ(task->AttachmentList().size(), 1u);
    EXPECT_EQ(task->AttachmentList()[0]->Source(), mb.reminderMail);
    // Below version 14 the task's own attachments take the mail, the other arguments omitted.
    const auto& trace = host.Trace();
    const auto attached = std::find(trace.begin(), trace.end(), L"Attachments.Add Method (Object, Missing, Missing, Missing)");
    EXPECT_NE(attached, trace.end());
    // The body is set after the attachment.
    const auto body = std::find(trace.begin(), trace.end(), L"TaskItem.Body Put");
    EXPECT_NE(body, trace.end());
    EXPECT_LT(attached, body);
    // The mail stays where it was; the choices are remembered.
    EXPECT_EQ(mb.reminderMail->Folder(), mb.inbox);
    EXPECT_EQ(Options().LastUsed_Button(3), 1);
    EXPECT_EQ(Options().LastUsed_MailAction(3), 0);
    EXPECT_TRUE(Options().LastUsed_AttachMail(3));
    EXPECT_TRUE(Logged(L"frmQuickTask.Form_Unload(1)", L"->"));
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
}

TEST_F(QuickDialogsTest, TaskDefaultsWithoutAReminderAndVersion14AttachesThroughTheSafeTaskItem) {
    host.SetMajorVersion(14);
    Connect();
    auto& w = Task(Mail(1));
    EXPECT_EQ(Shown(w, L"dtpDueDate"), L"2010-05-17");  // today
    EXPECT_EQ(Shown(w, L"barPriority"), L"low");
    EXPECT_EQ(Shown(w, L"lnkMoveFolder"), L"<Not Selected>");
    // The date picker shows the day's name; from Windows 6.0 in the alternative font.
    const auto* picker = kelvane::TwinAs<kelvane::DateTimePickTwin>(C(w, L"dtpDueDate").object);
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->CustomFormat().substr(0, 4), L"ddd ");
    EXPECT_TRUE(picker->AltFontShown());
    w.Check(L"chkAttachMail", true);
    host.SetTracing(true);
    w.Click(L"btnCreateTask");
    const auto tasks = ItemsWith(mb.tasks, L"Newsletter May 2010");
    ASSERT_EQ(tasks.size(), 1u);
    ASSERT_EQ(tasks[0]->AttachmentList().size(), 1u);
    const auto& trace = host.Trace();
    EXPECT_EQ(std::find(trace.begin(), trace.end(), L"Attachments.Add Method (Object, Missing, Missing, Missing)"),
              trace.end());
}

TEST_F(QuickDialogsTest, MoveAfterCreateWithThePickerOnTheUsersClickOnly) {
    Options().SetLastUsed_MailAction(3, 1);  // remembered: move, but no folder yet
    Connect();
    auto& w = Task(Mail(2));
    // Checking the box from the options opened no picker.
    EXPECT_EQ(host.PickFolderCalls(), 0);
    EXPECT_EQ(C(w, L"chkMoveMail").setup.value, 1);
    // The user unchecks and checks again: now the picker opens.
    w.Check(L"chkMoveMail", false);
    host.QueuePickFolderAnswer(mb.invoices);
    w.Check(L"chkMoveMail", true);
    EXPECT_EQ(host.PickFolderCalls(), 1);
    EXPECT_EQ(Shown(w, L"lnkMoveFolder"), L"Inbox\\Invoices");
    // Checking delete unchecks move, and back.
    w.Check(L"chkDeleteMail", true);
    EXPECT_EQ(C(w, L"chkMoveMail").setup.value, 0);
    w.Check(L"chkMoveMail", true);
    EXPECT_EQ(C(w, L"chkDeleteMail").setup.value, 0);
    EXPECT_EQ(host.PickFolderCalls(), 1);  // a folder is chosen: no picker

    w.Click(L"btnCreateTask");
    EXPECT_EQ(ItemsWith(mb.tasks, L"Invoice 2010-0412").size(), 1u);
    EXPECT_EQ(ItemsWith(mb.invoices, L"Invoice 2010-0412").size(), 1u);
    EXPECT_TRUE(ItemsWith(mb.inbox, L"Invoice 2010-0412").empty());
    EXPECT_EQ(Options().LastUsed_MailAction(3), 1);
    ASSERT_EQ(g_oRecentMove2Folders->Count(), 1);
    EXPECT_EQ(g_oRecentMove2Folders->RecentItem()->EntryID, mb.invoices->EntryID());

    // The next dialog proposes the folder and the move.
    auto& next = Task(Mail(1));
    EXPECT_EQ(Shown(next, L"lnkMoveFolder"), L"Inbox\\Invoices");
    EXPECT_EQ(C(next, L"chkMoveMail").setup.value, 1);
}

TEST_F(QuickDialogsTest, TheMailsOwnFolderIsRefusedAndTheDialogStaysOpen) {
    Connect();
    g_oRecentMove2Folders->SetRecent(mb.inbox->Ref());
    auto& w = Task(Mail(1));
    w.Check(L"chkMoveMail", true);
    platform.messageBoxes.ClearShown();
    w.Click(L"btnCreateTask");
    EXPECT_EQ(Messages(), Strings{LangText(L"LID_MSGBOX_SEL_OTHER_FOLDER")});
    EXPECT_TRUE(Open(L"frmQuickTask"));
    EXPECT_TRUE(ItemsWith(mb.tasks, L"Newsletter May 2010").empty());
}

TEST_F(QuickDialogsTest, DeletedItemsRule) {
    Connect();
    // Moved into Deleted Items while the dialog was open (the simulated store gives it a new
    // entry id, as Exchange does): the dialog can't reopen it, the task is still made, and the
    // mail stays in Deleted Items.
    auto& w = Task(Mail(1));
    w.Check(L"chkDeleteMail", true);
    host.MoveItem(Mail(1), mb.deletedItems);
    w.Click(L"btnCreateTask");
    EXPECT_EQ(ItemsWith(mb.tasks, L"Newsletter May 2010").size(), 1u);
    EXPECT_EQ(ItemsWith(mb.deletedItems, L"Newsletter May 2010").size(), 1u);
    EXPECT_EQ(Options().LastUsed_MailAction(3), 0);  // no mail: the mail's options stay

    // Already in Deleted Items when the dialog opened: deleted for good.
    Options().SetLastUsed_MailAction(3, 2);
    auto& again = Task(mb.deletedMail);
    EXPECT_EQ(C(again, L"chkDeleteMail").setup.value, 1);
    const std::wstring subject = mb.deletedMail->Prop(L"Subject").AsString();
    again.Click(L"btnCreateTask");
    EXPECT_EQ(ItemsWith(mb.tasks, subject).size(), 1u);
    EXPECT_TRUE(ItemsWith(mb.deletedItems, subject).empty());

    // A mail in the Inbox lands in Deleted Items; its open inspector is closed first.
    host.OpenInspector(Mail(2));
    auto& third = Task(Mail(2));
    third.Click(L"btnCreateTask");
    EXPECT_EQ(ItemsWith(mb.deletedItems, L"Invoice 2010-0412").size(), 1u);
    EXPECT_TRUE(host.OpenInspectors().empty());
    EXPECT_EQ(Options().LastUsed_MailAction(3), 2);
}

TEST_F(QuickDialogsTest, AMailMovedIntoDeletedItemsWhileTheDialogWasOpenIsNotDeleted) {
    Connect();
    auto& w = Task(Mail(1));
    w.Check(L"chkDeleteMail", true);
    // A store that keeps the entry id when a mail moves (a personal folders file).
    const std::wstring entryID = Mail(1)->EntryID();
    sim::SimItem* mail = Mail(1);
    host.MoveItem(mail, mb.deletedItems);
    mail->SetStored(entryID);
    w.Click(L"btnCreateTask");
    EXPECT_EQ(ItemsWith(mb.tasks, L"Newsletter May 2010").size(), 1u);
    EXPECT_EQ(ItemsWith(mb.deletedItems, L"Newsletter May 2010").size(), 1u);
    EXPECT_TRUE(Logged(L"frmQuickTask.DoMoveOrDelete",
                       L"Skip deleting mail ( coz it moved to deleteditems after this dialog is created )"));
    EXPECT_EQ(Options().LastUsed_MailAction(3), 2);
}

TEST_F(QuickDialogsTest, TheCalendarTakesItsMinimumSizeAndTheDialogGrowsWithIt) {
    Connect();
    // A calendar drawn narrower and lower than the control needs (as a language file may move it).
    const auto form = frmQuickTask::Create();
    form->Control(L"mvDueDate")->Put(L"Width", 190 * 15);
    form->Control(L"mvDueDate")->Put(L"Height", 150 * 15);
    auto before = [&](const wchar_t* name, const wchar_t* property, std::optional<int> index = std::nullopt) {
        return form->Control(name, index)->Property(property).AsInt();
    };
    const int formWidth = form->Property(L"Width").AsInt();
    std::map<std::wstring, int> was;
    const std::vector<std::pair<const wchar_t*, const wchar_t*>> moved{
        {L"barPriority", L"Left"}, {L"btnCreateTask", L"Left"}, {L"btnEditTask", L"Left"},
        {L"btnCancel", L"Left"},   {L"txtSubject", L"Width"},   {L"btnHelp", L"Left"}, {L"Label3", L"Left"}};
    for (const auto& [name, property] : moved) was[std::wstring(name) + property] = before(name, property);
    const int lblPriority0 = before(L"lblPriority", L"Left", 0);
    const int lblPriority2 = before(L"lblPriority", L"Left", 2);
    const int line0 = before(L"Line1", L"X2", 0);
    const int line1 = before(L"Line1", L"X2", 1);
    const int calendarTop = before(L"mvDueDate", L"Top");
    form->Load();

    const int delta = (kelvane::kMonthCalMinWidth - 190) * 15;
    EXPECT_EQ(before(L"mvDueDate", L"Width"), kelvane::kMonthCalMinWidth * 15);
    EXPECT_EQ(before(L"mvDueDate", L"Height"), kelvane::kMonthCalMinHeight * 15);
    EXPECT_EQ(before(L"mvDueDate", L"Top"), calendarTop);
    EXPECT_EQ(form->Property(L"Width").AsInt(), formWidth + delta);
    for (const auto& [name, property] : moved) {
        // Help and the priority's label stay; the rest moves or grows by the calendar's growth.
        const bool stays = std::wstring(name) == L"btnHelp" || std::wstring(name) == L"Label3";
        EXPECT_EQ(before(name, property), was[std::wstring(name) + property] + (stays ? 0 : delta)) << ToUtf8(name);
    }
    EXPECT_EQ(before(L"lblPriority", L"Left", 0), lblPriority0 + delta);
    EXPECT_EQ(before(L"lblPriority", L"Left", 2), lblPriority2);  // as the rule names only (0) and (1)
    EXPECT_EQ(before(L"Line1", L"X2", 0), line0 + delta);
    EXPECT_EQ(before(L"Line1", L"X2", 1), line1 + delta);
    form->Unload();
}

TEST_F(QuickDialogsTest, TheDesignedCalendarNeedsNoGrowth) {
    Connect();
    const auto& design = forms::QuickTaskDesign();
    Task(Mail(1));
    const auto form = std::dynamic_pointer_cast<forms::CForm>(FindQuickTaskForm(Mail(1)->EntryID(), mb.inbox->StoreID()));
    ASSERT_TRUE(form);
    EXPECT_EQ(form->Property(L"Width").AsInt(), design.width);
}

TEST_F(QuickDialogsTest, ARememberedFolderThatIsGone) {
    Connect();
    auto* lost = host.AddFolder(mb.inbox, L"Old");
    auto* kept = host.AddFolder(mb.inbox, L"Kept");
    g_oRecentMove2Folders->SetRecent(kept->Ref());
    g_oRecentMove2Folders->SetRecent(lost->Ref());
    Options().SetLastUsed_MailAction(3, 1);
    auto& w = Task(Mail(1));
    EXPECT_EQ(Shown(w, L"lnkMoveFolder"), L"Inbox\\Old");
    host.Vanish(lost);

    // A question no box could show decides nothing.
    platform.messageBoxes.QueueAnswer(0);
    w.Click(L"btnCreateTask");
    EXPECT_EQ(platform.messageBoxes.shown().size(), 1u);
    EXPECT_EQ(host.PickFolderCalls(), 0);
    EXPECT_EQ(g_oRecentMove2Folders->Count(), 2);
    EXPECT_EQ(Shown(w, L"lnkMoveFolder"), L"Inbox\\Old");
    EXPECT_TRUE(Open(L"frmQuickTask"));
    platform.messageBoxes.ClearShown();

    // Yes with a cancelled picker keeps everything.
    platform.messageBoxes.QueueAnswer(kIdYes);
    host.QueuePickFolderAnswer(nullptr);
    w.Click(L"btnCreateTask");
    ASSERT_EQ(platform.messageBoxes.shown().size(), 1u);
    EXPECT_EQ(platform.messageBoxes.shown()[0].style, 52u);
    EXPECT_EQ(platform.messageBoxes.shown()[0].text, LangTextWith(L"LID_MSGBOX_RFOLDER_NOT_FOUND", {lost->Path()}));
    EXPECT_EQ(g_oRecentMove2Folders->Count(), 2);
    EXPECT_TRUE(Open(L"frmQuickTask"));

    // No clears it and keeps the dialog open; the lost folder leaves the list.
    platform.messageBoxes.QueueAnswer(kIdNo);
    w.Click(L"btnCreateTask");
    EXPECT_EQ(Shown(w, L"lnkMoveFolder"), L"<Not Selected>");
    EXPECT_EQ(g_oRecentMove2Folders->Count(), 1);
    EXPECT_TRUE(Open(L"frmQuickTask"));
    EXPECT_TRUE(ItemsWith(mb.tasks, L"Newsletter May 2010").empty());
    w.Close();

    // Yes and a picked folder replace it and the click goes on.
    auto* gone = host.AddFolder(mb.inbox, L"Gone");
    g_oRecentMove2Folders->SetRecent(gone->Ref());
    auto& w2 = Task(Mail(1));
    host.Vanish(gone);
    platform.messageBoxes.QueueAnswer(kIdYes);
    host.QueuePickFolderAnswer(mb.beta);
    w2.Click(L"btnCreateTask");
    EXPECT_FALSE(Open(L"frmQuickTask"));
    EXPECT_EQ(ItemsWith(mb.beta, L"Newsletter May 2010").size(), 1u);
    EXPECT_EQ(g_oRecentMove2Folders->FindItemIndex(gone->EntryID(), gone->StoreID()), 0);
    EXPECT_NE(g_oRecentMove2Folders->FindItemIndex(mb.beta->EntryID(), mb.beta->StoreID()), 0);
}

TEST_F(QuickDialogsTest, EditDetailsShowsTheUnsavedTaskAfterTheDialogClosedAndTheMailMoved) {
    Connect();
    g_oRecentMove2Folders->SetRecent(mb.projects->Ref());
    auto& w = Task(Mail(3));
    w.Check(L"chkMoveMail", true);
    w.Click(L"btnEditTask");
    EXPECT_FALSE(Open(L"frmQuickTask"));
    EXPECT_EQ(ItemsWith(mb.projects, L"Re: Holiday request").size(), 1u);
    EXPECT_TRUE(ItemsWith(mb.tasks, L"Re: Holiday request").empty());  // not saved
    ASSERT_EQ(host.OpenInspectors().size(), 1u);
    EXPECT_EQ(host.OpenInspectors()[0]->CurrentItem()->Prop(L"Subject"), Value(L"Re: Holiday request"));
    EXPECT_EQ(Options().LastUsed_Button(3), 2);
    // The next dialog's default button is the edit button; Enter presses it.
    auto& next = Task(Mail(1));
    EXPECT_TRUE(C(next, L"btnEditTask").setup.isDefault);
    next.Keys(L"Esc");
    EXPECT_FALSE(Open(L"frmQuickTask"));
}

TEST_F(QuickDialogsTest, LastMailActionsRestoreTheirBoxesAndAnUnknownOneChecksNeither) {
    Connect();
    Options().SetLastUsed_MailAction(3, 2);
    auto& w = Task(Mail(1));
    EXPECT_EQ(C(w, L"chkDeleteMail").setup.value, 1);
    EXPECT_EQ(C(w, L"chkMoveMail").setup.value, 0);
    w.Close();
    Options().SetLastUsed_MailAction(3, 5);
    auto& w5 = Task(Mail(1));
    EXPECT_EQ(C(w5, L"chkDeleteMail").setup.value, 0);
    EXPECT_EQ(C(w5, L"chkMoveMail").setup.value, 0);
    // The options refuse the stored value before the dialog sees it.
    EXPECT_TRUE(Logged(L"COptions.LastUsed_MailAction(Get)", L"ASSERT FAILED - Valid(ReadDWORDOption)"));
}

TEST_F(QuickDialogsTest, AMailThatIsGoneStillGivesItsTaskAndWritesNoMailOptions) {
    Connect();
    Options().SetLastUsed_MailAction(3, 2);
    auto& w = Task(Mail(1));
    host.Vanish(Mail(1));
    w.Click(L"btnCreateTask");
    EXPECT_EQ(ItemsWith(mb.tasks, L"Newsletter May 2010").size(), 1u);
    EXPECT_TRUE(Logged(L"frmQuickTask.btnTask_Click",
                       L"cant open original E-Mail, actions(move/delete/attach) will not work\r\nErr(0x"));
    EXPECT_EQ(Options().LastUsed_MailAction(3), 2);  // untouched
    EXPECT_EQ(Options().LastUsed_Button(3), 1);
}

TEST_F(QuickDialogsTest, KeyboardAndHelp) {
    Connect();
    auto& w = Task(Mail(1));
    w.Keys(L"Alt+J");
    EXPECT_EQ(w.FocusedControl(), C(w, L"txtSubject").setup.id);
    w.Click(L"btnHelp");
    EXPECT_TRUE(Open(L"frmQuickTask"));
    EXPECT_EQ(platform.torvik.CountCalls("ShowContextHelp"), 1u);
    // Enter presses the focused button, else the default one.
    w.Keys(L"Alt+J Enter");
    EXPECT_FALSE(Open(L"frmQuickTask"));
    EXPECT_EQ(ItemsWith(mb.tasks, L"Newsletter May 2010").size(), 1u);
}

TEST_F(QuickDialogsTest, AWindowThatCantBeMadeOpensNothingAndShutdownUnloadsOpenDialogs) {
    Connect();
    platform.formWindows.failCreate = true;
    ShowQuickTask(Mail(1)->Ref(), false);
    EXPECT_TRUE(platform.formWindows.live().empty());
    EXPECT_EQ(Forms().Count(), 0u);
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0].substr(0, 21), L"mForms.ShowQuickTask|");
    platform.formWindows.failCreate = false;
    Task(Mail(1));
    Appointment(Mail(2));
    Disconnect();
    EXPECT_TRUE(platform.formWindows.live().empty());
    EXPECT_EQ(Forms().Count(), 0u);
}

// A priority bar that takes its value but refuses its captions.
class RefusingPriorityBar : public Object {
public:
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (EqualsNoCase(name, L"SetCaptions")) Raise(kelvane::kInvalidArg, L"The parameter is incorrect.");
        return twin_->Invoke(name, kind, args);
    }
    EventConnection ConnectEvents(EventHandler handler) override { return twin_->ConnectEvents(std::move(handler)); }

private:
    ObjectPtr twin_ = kelvane::MakePriorityBar();
};

TEST_F(QuickDialogsTest, ThePriorityCaptionsComeLocalisedHighFirstAndABarThatRefusesThemIsLogged) {
    Options().SetLangID(L"DE");
    Connect();
    auto& w = Task(Mail(1));
    EXPECT_EQ(w.caption(), L"Brisko - Aufgabe");
    const auto* bar = kelvane::TwinAs<kelvane::PriorityBarTwin>(C(w, L"barPriority").object);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->ButtonText(2), L"Hoch");
    EXPECT_EQ(bar->ButtonText(1), L"Normal");
    EXPECT_EQ(bar->ButtonText(0), L"Niedrig");
    // The placeholder's caption is read after the form is localised.
    EXPECT_EQ(Shown(w, L"lnkMoveFolder"), L"<Nicht gew\u00e4hlt>");
    w.Close();

    for (const std::wstring_view name :
         {kelvane::kPriorityBarProgId, kelvane::kPriorityBarClassId, std::wstring_view(L"Kelvane.PriorityBar.1")}) {
        platform.objects.Register(std::wstring(name), [] { return std::make_shared<RefusingPriorityBar>(); });
    }
    auto& refused = Task(Mail(1));
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0], L"frmQuickTask.Form_Load(2)|-2147024809|The parameter is incorrect.; barPriority.SetCaptions failed");
    // Form_Load went on to its last step, and Init after it.
    EXPECT_EQ(Shown(refused, L"lnkMoveFolder"), L"<Nicht gew\u00e4hlt>");
    EXPECT_TRUE(C(refused, L"btnCreateTask").setup.isDefault);
    EXPECT_EQ(refused.uiState().size(), 2u);
    EXPECT_EQ(Shown(refused, L"txtSubject"), L"Newsletter May 2010");
}

TEST_F(QuickDialogsTest, AnInspectorThatWontCloseIsAWarningAndUnloadingRefreshesTheFolderControls) {
    Options().SetLastUsed_MailAction(3, 2);
    Connect();
    host.OpenInspector(Mail(2));
    auto& w = Task(Mail(2));
    host.FailMember(L"Inspector.Close", 5, L"simulated");
    w.Click(L"btnCreateTask");
    // Logged with the dialog's tag; the mail is deleted all the same.
    EXPECT_EQ(Records(2), std::vector<std::wstring>{L"frmQuickTask.DoMoveOrDelete(1)|0|"
                                                    L"oMail.GetInspector.Close(olSave) failed, Err=(5, simulated)"});
    EXPECT_EQ(ItemsWith(mb.deletedItems, L"Invoice 2010-0412").size(), 1u);
    EXPECT_EQ(ItemsWith(mb.tasks, L"Invoice 2010-0412").size(), 1u);
    // Unloading logs, then refreshes the folder controls of all explorers.
    const auto& log = Log();
    const auto unload = std::find_if(log.begin(), log.end(), [](const sim::LogRecord& r) {
        return r.procedure == L"frmQuickTask.Form_Unload(1)" && r.message == L"->";
    });
    ASSERT_NE(unload, log.end());
    ASSERT_NE(unload + 1, log.end());
    EXPECT_EQ((unload + 1)->procedure, L"Connect.UpdateRecentFoldersControls");
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
}

TEST_F(QuickDialogsTest, ALongMoveFolderPathIsFittedIntoThePlaceholdersWidthAndKeptWhole) {
    Connect();
    auto* region = host.AddFolder(mb.projects, L"Customers of the northern sales region 2010");
    auto* folder = host.AddFolder(region, L"Correspondence with the purchasing department");
    g_oRecentMove2Folders->SetRecent(folder->Ref());
    Options().SetLastUsed_MailAction(3, 1);
    auto& w = Task(Mail(1));
    const auto form = std::dynamic_pointer_cast<forms::CForm>(FindQuickTaskForm(Mail(1)->EntryID(), mb.inbox->StoreID()));
    ASSERT_TRUE(form);
    const std::wstring shown = Shown(w, L"lnkMoveFolder");
    EXPECT_NE(shown.find(L"..."), std::wstring::npos) << ToUtf8(shown);
    EXPECT_EQ(shown.find(L"Mailbox"), std::wstring::npos) << ToUtf8(shown);  // the default store's part is off
    EXPECT_LE(form->Control(L"lnkMoveFolder")->Property(L"Width").AsInt(),
              form->Control(L"lblMoveFolderPlaceholder")->Property(L"Width").AsInt());
    w.Click(L"btnCreateTask");
    EXPECT_EQ(ItemsWith(folder, L"Newsletter May 2010").size(), 1u);
    ASSERT_TRUE(g_oRecentMove2Folders->RecentItem());
    EXPECT_EQ(g_oRecentMove2Folders->RecentItem()->Path, folder->Path());
}

TEST_F(QuickDialogsTest, ASearchThatFailsLogsUnderTheFindersNameAndOpensANewDialog) {
    // A loaded form that answers to the task dialog's name in other letter case but has no mail.
    class Stranger : public IForm {
    public:
        void Unload() override { Forms().Remove(this); }
        std::wstring FormName() const override { return L"FRMQUICKTASK"; }
    };
    Connect();
    Forms().Add(std::make_shared<Stranger>());
    Task(Mail(1));
    Task(Mail(1));
    EXPECT_EQ(platform.formWindows.live().size(), 2u);
    ASSERT_EQ(Errors().size(), 2u);
    EXPECT_EQ(Errors()[0].substr(0, 25), L"mForms.FindQuickTaskForm|");
    // The appointment's finder passes the stranger by.
    Appointment(Mail(1));
    Appointment(Mail(1));
    EXPECT_EQ(platform.formWindows.live().size(), 3u);
    EXPECT_EQ(Errors().size(), 2u);
}

}  // namespace
}  // namespace brisko::testing
