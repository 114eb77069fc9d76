// The quick appointment dialog driven as a user drives it: the proposed start, the calendar, the
// all-day range, the importance taken from the mail, refused and lost calendars.
#include "tests/dialogs/quick_dialogs_fixture.h"

#include "addin/dialogs/frmQuickAppointment.h"

namespace brisko::testing {
namespace {

using Strings = std::vector<std::wstring>;

TEST(ProposedStart, TheNextHalfOrFullHour) {
    auto at = [](int h, int m, int s = 0) { return MakeDate({2010, 5, 17, h, m, s}); };
    EXPECT_EQ(frmQuickAppointment::ProposedStart(at(14, 5)), at(14, 30));
    EXPECT_EQ(frmQuickAppointment::ProposedStart(at(14, 30)), at(15, 0));
    EXPECT_EQ(frmQuickAppointment::ProposedStart(at(10, 0)), at(10, 30));
    EXPECT_EQ(frmQuickAppointment::ProposedStart(at(10, 29, 59)), at(10, 30));
    EXPECT_EQ(frmQuickAppointment::ProposedStart(at(10, 59, 30)), at(11, 0));
    EXPECT_EQ(frmQuickAppointment::ProposedStart(at(23, 45)), MakeDate({2010, 5, 18, 0, 0, 0}));
}

TEST_F(QuickDialogsTest, AppointmentProposalsAndTheDefaultCalendarOfAnEmptyList) {
    Connect();
    ASSERT_EQ(g_oRecentCalendars->Count(), 0);
    auto& w = Appointment(mb.highImportanceMail);
    EXPECT_EQ(w.caption(), L"Brisko - Appointment");
    EXPECT_EQ(Shown(w, L"txtSubject"), L"Quarterly report Q1 2010");
    EXPECT_EQ(Shown(w, L"txtLocation"), L"");
    EXPECT_EQ(Shown(w, L"dtpStartDate"), L"2010-05-17");
    EXPECT_EQ(Shown(w, L"cboStartTime"), L"2:30 PM");
    EXPECT_EQ(Shown(w, L"cboEndTime"), L"3:00 PM");
    EXPECT_EQ(C(w, L"chkAllDayEvent").setup.value, 0);
    // The default calendar becomes the list's default entry.
    EXPECT_EQ(Shown(w, L"lnkCalendar"), L"Calendar");
    ASSERT_EQ(g_oRecentCalendars->Count(), 1);
    EXPECT_TRUE(g_oRecentCalendars->FirstIsDefault());
    EXPECT_EQ(g_oRecentCalendars->Item(1)->EntryID, mb.calendar->EntryID());

    w.Type(L"txtLocation", L"Room 4.12");
    w.Click(L"btnCreateAppointment");
    EXPECT_FALSE(Open(L"frmQuickAppointment"));
    const auto items = ItemsWith(mb.calendar, L"Quarterly report Q1 2010");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->Prop(L"Start"), Value(At(2010, 5, 17, 14, 30)));
    EXPECT_EQ(items[0]->Prop(L"End"), Value(At(2010, 5, 17, 15, 0)));
    EXPECT_EQ(items[0]->Prop(L"Location"), Value(L"Room 4.12"));
    EXPECT_EQ(items[0]->Prop(L"AllDayEvent"), Value(false));
    // The appointment takes the mail's importance although the dialog shows none.
    EXPECT_EQ(items[0]->Prop(L"Importance"), Value(2));
    EXPECT_EQ(items[0]->Prop(L"Categories"), Value(L"Business"));
    EXPECT_EQ(Options().LastUsed_Button(1), 1);
    EXPECT_EQ(Options().LastUsed_Button(3), 0);
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
}

TEST_F(QuickDialogsTest, AllDayFromADayToTheSameDayCoversIt) {
    platform.clock.now = {2010, 3, 1, 14, 30, 0};
    Connect();
    auto& w = Appointment(Mail(3));
    EXPECT_EQ(Shown(w, L"cboStartTime"), L"3:00 PM");
    w.Check(L"chkAllDayEvent", true);
    EXPECT_FALSE(C(w, L"cboStartTime").setup.enabled);
    w.PickDate(L"dtpStartDate", At(2010, 3, 3));
    w.PickDate(L"dtpEndDate", At(2010, 3, 3));
    w.Click(L"btnCreateAppointment");
    const auto items = ItemsWith(mb.calendar, L"Re: Holiday request");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->Prop(L"Start"), Value(At(2010, 3, 3)));
    EXPECT_EQ(items[0]->Prop(L"End"), Value(At(2010, 3, 4)));
    EXPECT_EQ(items[0]->Prop(L"AllDayEvent"), Value(true));
}

TEST_F(QuickDialogsTest, AnotherCalendarFromTheLinksMenuAndTheListRemembersIt) {
    Connect();
    auto& w = Appointment(Mail(1));
    // The menu's "pick a folder": a mail folder is refused and the picker opens again.
    platform.menus.QueueChoice(1);
    host.QueuePickFolderAnswer(mb.inbox);
    host.QueuePickFolderAnswer(mb.archiveCalendar);
    platform.messageBoxes.ClearShown();
    w.Click(L"lnkCalendar");
    EXPECT_EQ(Messages(), Strings{LangText(L"LID_MSGBOX_SEL_CALENDAR_FOLDER")});
    EXPECT_EQ(host.PickFolderCalls(), 2);
    EXPECT_EQ(Shown(w, L"lnkCalendar"), mb.archiveCalendar->Path());  // another store: the full path
    w.Click(L"btnCreateAppointment");
    EXPECT_EQ(ItemsWith(mb.archiveCalendar, L"Newsletter May 2010").size(), 1u);
    EXPECT_NE(g_oRecentCalendars->FindItemIndex(mb.archiveCalendar->EntryID(), mb.archiveCalendar->StoreID()), 0);
    EXPECT_EQ(g_oRecentCalendars->RecentItem()->EntryID, mb.archiveCalendar->EntryID());
}

TEST_F(QuickDialogsTest, ACalendarThatFailsAtCreationKeepsTheDialogOpenAndTheMailInPlace) {
    Connect();
    Options().SetLastUsed_MailAction(1, 2);
    auto& w = Appointment(Mail(1));
    EXPECT_EQ(C(w, L"chkDeleteMail").setup.value, 1);
    host.FailMember(L"Items.Add", 5, L"simulated");
    w.Click(L"btnCreateAppointment");
    EXPECT_TRUE(Open(L"frmQuickAppointment"));
    EXPECT_EQ(Mail(1)->Folder(), mb.inbox);
    EXPECT_TRUE(Logged(L"frmQuickAppointment.DoCreate(1)", L"simulated"));
    host.ClearFaults();

    // A lost calendar: No clears it and keeps the dialog open; the entry leaves the list.
    host.Vanish(mb.calendar);
    platform.messageBoxes.QueueAnswer(kIdNo);
    w.Click(L"btnCreateAppointment");
    EXPECT_TRUE(Open(L"frmQuickAppointment"));
    EXPECT_EQ(Shown(w, L"lnkCalendar"), L"<Not Selected>");
    EXPECT_EQ(g_oRecentCalendars->Count(), 0);
    // Without a calendar the picker asks for one; cancelled, the dialog stays.
    host.QueuePickFolderAnswer(nullptr);
    w.Click(L"btnCreateAppointment");
    EXPECT_TRUE(Open(L"frmQuickAppointment"));
    host.QueuePickFolderAnswer(mb.archiveCalendar);
    w.Click(L"btnCreateAppointment");
    EXPECT_FALSE(Open(L"frmQuickAppointment"));
    EXPECT_EQ(ItemsWith(mb.archiveCalendar, L"Newsletter May 2010").size(), 1u);
    EXPECT_EQ(ItemsWith(mb.deletedItems, L"Newsletter May 2010").size(), 1u);
}

TEST_F(QuickDialogsTest, AnEndBeforeTheStartIsRefusedWhenTheUserLeavesTheBox) {
    Connect();
    auto& w = Appointment(Mail(1));
    w.Type(L"cboEndTime", L"1:00 PM");
    platform.messageBoxes.ClearShown();
    // Leaving the box validates it: refused, and the previous end comes back before the click.
    w.Click(L"btnCreateAppointment");
    EXPECT_EQ(Messages(), Strings{LangText(L"LID_DURATION_IS_NEGATIVE")});
    const auto items = ItemsWith(mb.calendar, L"Newsletter May 2010");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->Prop(L"End"), Value(At(2010, 5, 17, 15, 0)));
}

TEST_F(QuickDialogsTest, TheTimesAreCheckedFirstThenTheMoveFolderThenTheCalendar) {
    Options().SetLastUsed_MailAction(1, 1);  // move, no folder yet
    Connect();
    auto& w = Appointment(Mail(1));
    host.Vanish(mb.calendar);
    w.Type(L"cboStartTime", L"abc");
    platform.messageBoxes.ClearShown();
    w.Click(L"btnCreateAppointment");
    EXPECT_EQ(Messages(), Strings{LangText(L"LID_START_TIME_INVALID")});
    EXPECT_EQ(host.PickFolderCalls(), 0);

    // Times right: the move folder's picker comes next; cancelled, nothing more is asked.
    w.Type(L"cboStartTime", L"2:30 PM");
    platform.messageBoxes.ClearShown();
    host.QueuePickFolderAnswer(nullptr);
    w.Click(L"btnCreateAppointment");
    EXPECT_EQ(host.PickFolderCalls(), 1);
    EXPECT_TRUE(Messages().empty());

    // A move folder: now the lost calendar is asked about.
    host.QueuePickFolderAnswer(mb.invoices);
    platform.messageBoxes.QueueAnswer(kIdNo);
    w.Click(L"btnCreateAppointment");
    ASSERT_EQ(platform.messageBoxes.shown().size(), 1u);
    EXPECT_EQ(platform.messageBoxes.shown()[0].style, 52u);
    EXPECT_EQ(platform.messageBoxes.shown()[0].text, LangTextWith(L"LID_MSGBOX_RFOLDER_NOT_FOUND", {mb.calendar->Path()}));
    EXPECT_EQ(Shown(w, L"lnkCalendar"), L"<Not Selected>");
    EXPECT_TRUE(Open(L"frmQuickAppointment"));
    EXPECT_EQ(Mail(1)->Folder(), mb.inbox);

    // Without its mail the appointment is still made in a picked calendar, and the calendar is
    // remembered; the mail's options are not written.
    host.Vanish(Mail(1));
    host.QueuePickFolderAnswer(mb.archiveCalendar);
    w.Click(L"btnCreateAppointment");
    EXPECT_FALSE(Open(L"frmQuickAppointment"));
    EXPECT_EQ(ItemsWith(mb.archiveCalendar, L"Newsletter May 2010").size(), 1u);
    ASSERT_TRUE(g_oRecentCalendars->RecentItem());
    EXPECT_EQ(g_oRecentCalendars->RecentItem()->EntryID, mb.archiveCalendar->EntryID());
    EXPECT_EQ(Options().LastUsed_MailAction(1), 1);
    EXPECT_EQ(Options().LastUsed_Button(1), 1);
}

}  // namespace
}  // namespace brisko::testing
