#include "simhost/sample_mailbox.h"

namespace brisko::sim {

namespace {

Date At(int year, int month, int day, int hour, int minute) { return MakeDate({year, month, day, hour, minute, 0}); }

}  // namespace

SampleMailbox BuildSampleMailbox(SimOutlook& sim) {
    SampleMailbox m;
    sim.SetCurrentUser(L"Anna Berg", L"anna.berg@example.com");

    m.mailbox = sim.AddStore(L"Mailbox - Anna Berg");
    sim.SetDefaultStore(m.mailbox);
    m.deletedItems = sim.AddDefaultFolder(m.mailbox, ol::FolderDeletedItems, L"Deleted Items");
    m.inbox = sim.AddDefaultFolder(m.mailbox, ol::FolderInbox, L"Inbox");
    m.outbox = sim.AddDefaultFolder(m.mailbox, ol::FolderOutbox, L"Outbox");
    m.sentItems = sim.AddDefaultFolder(m.mailbox, ol::FolderSentMail, L"Sent Items");
    m.drafts = sim.AddDefaultFolder(m.mailbox, ol::FolderDrafts, L"Drafts");
    m.calendar = sim.AddDefaultFolder(m.mailbox, ol::FolderCalendar, L"Calendar");
    m.contacts = sim.AddDefaultFolder(m.mailbox, ol::FolderContacts, L"Contacts");
    m.tasks = sim.AddDefaultFolder(m.mailbox, ol::FolderTasks, L"Tasks");
    m.projects = sim.AddFolder(m.inbox, L"Projects");
    m.alpha = sim.AddFolder(m.projects, L"Alpha");
    m.beta = sim.AddFolder(m.projects, L"Beta");
    m.invoices = sim.AddFolder(m.inbox, L"Invoices");

    auto received = [&](MailFields fields) {
        auto* mail = sim.AddMail(m.inbox, fields);
        m.inboxMails.push_back(mail);
        return mail;
    };
    received({.subject = L"Newsletter May 2010",
              .body = L"This month: ten tips for a tidy inbox.",
              .senderName = L"Outlook Tips",
              .senderAddress = L"news@tips.example.com",
              .to = L"Anna Berg",
              .importance = 0,
              .received = At(2010, 5, 10, 7, 0)});
    received({.subject = L"Invoice 2010-0412",
              .body = L"Please find attached our invoice 2010-0412, due within 30 days.",
              .senderName = L"Nordwind Supplies",
              .senderAddress = L"billing@nordwind.example.com",
              .to = L"Anna Berg",
              .categories = L"Invoices; Finance",
              .received = At(2010, 5, 12, 10, 5)});
    received({.subject = L"Re: Holiday request",
              .body = L"Your holiday from 5 to 16 July is approved.\r\n\r\nHuman Resources",
              .senderName = L"Human Resources",
              .senderAddress = L"hr@example.com",
              .to = L"Anna Berg",
              .categories = L"Personal",
              .received = At(2010, 5, 13, 11, 30)});
    m.highImportanceMail = received({.subject = L"Quarterly report Q1 2010",
                                     .body = L"Anna,\r\n\r\nthe Q1 figures need your review by Wednesday.\r\nMartin",
                                     .senderName = L"Martin Keller",
                                     .senderAddress = L"martin.keller@example.com",
                                     .to = L"Anna Berg",
                                     .categories = L"Business",
                                     .importance = 2,
                                     .received = At(2010, 5, 14, 16, 20)});
    m.reminderMail = received({.subject = L"Project Alpha: kick-off meeting",
                               .body = L"Kick-off on Tuesday at 10:00 in room 4.12. Agenda to follow.",
                               .senderName = L"Jonas Weber",
                               .senderAddress = L"jonas.weber@example.com",
                               .to = L"Anna Berg; Project Alpha team",
                               .categories = L"Project Alpha",
                               .importance = 2,
                               .received = At(2010, 5, 16, 18, 10),
                               .reminder = At(2010, 5, 18, 9, 30)});
    m.unreadMail = received({.subject = L"Lunch on Friday?",
                             .body = L"Hi Anna, shall we try the new place on the corner? Sofia",
                             .senderName = L"Sofia Lind",
                             .senderAddress = L"sofia.lind@example.com",
                             .to = L"Anna Berg",
                             .unread = true,
                             .received = At(2010, 5, 17, 8, 45)});

    sim.AddMail(m.alpha, {.subject = L"Alpha: requirements draft v2",
                          .body = L"The second draft of the requirements is on the share.",
                          .senderName = L"Jonas Weber",
                          .senderAddress = L"jonas.weber@example.com",
                          .to = L"Anna Berg",
                          .categories = L"Project Alpha",
                          .received = At(2010, 5, 11, 14, 0)});
    sim.AddMail(m.beta, {.subject = L"Beta status",
                         .body = L"Beta is on hold until June.",
                         .senderName = L"Lea Horn",
                         .senderAddress = L"lea.horn@example.com",
                         .to = L"Anna Berg",
                         .received = At(2010, 5, 7, 9, 15)});
    sim.AddMail(m.invoices, {.subject = L"Invoice 2010-0311",
                             .body = L"Invoice 2010-0311, paid.",
                             .senderName = L"Nordwind Supplies",
                             .senderAddress = L"billing@nordwind.example.com",
                             .to = L"Anna Berg",
                             .categories = L"Invoices",
                             .received = At(2010, 4, 12, 10, 0)});
    sim.AddMail(m.sentItems, {.subject = L"Re: Quarterly report Q1 2010",
                              .body = L"Martin, I will look at it tomorrow. Anna",
                              .senderName = L"Anna Berg",
                              .senderAddress = L"anna.berg@example.com",
                              .to = L"Martin Keller",
                              .received = At(2010, 5, 14, 17, 2)});
    m.draft = sim.AddMail(m.drafts, {.subject = L"Team outing ideas",
                                     .body = L"Canoeing? Bowling? ...",
                                     .senderName = L"Anna Berg",
                                     .senderAddress = L"anna.berg@example.com",
                                     .to = L"Project Alpha team",
                                     .sent = false});
    m.deletedMail = sim.AddMail(m.deletedItems, {.subject = L"Your parcel is on its way",
                                                 .body = L"Tracking number 00340434.",
                                                 .senderName = L"Parcel Service",
                                                 .senderAddress = L"noreply@parcel.example.com",
                                                 .to = L"Anna Berg",
                                                 .received = At(2010, 5, 3, 12, 0)});
    m.task = sim.AddTask(m.tasks, {.subject = L"Submit travel expenses",
                                   .body = L"Receipts are in the blue folder.",
                                   .importance = 1,
                                   .due = At(2010, 5, 21, 0, 0)});
    m.appointment = sim.AddAppointment(m.calendar, {.subject = L"Dentist",
                                                    .location = L"Dr. Hahn, Lindenstrasse 3",
                                                    .start = At(2010, 5, 19, 15, 0),
                                                    .end = At(2010, 5, 19, 15, 45)});

    m.archive = sim.AddStore(L"Archive 2009");
    m.archiveDeleted = sim.AddDefaultFolder(m.archive, ol::FolderDeletedItems, L"Deleted Items");
    m.archiveInbox = sim.AddFolder(m.archive, L"Inbox");
    m.archiveSent = sim.AddFolder(m.archive, L"Sent Items");
    m.archiveCalendar = sim.AddFolder(m.archive, L"Calendar (archive)", ol::AppointmentItem);
    sim.AddMail(m.archiveInbox, {.subject = L"Year-end closing 2009",
                                 .body = L"All departments: closing is on 18 December.",
                                 .senderName = L"Finance",
                                 .senderAddress = L"finance@example.com",
                                 .to = L"All staff",
                                 .categories = L"Finance",
                                 .received = At(2009, 12, 1, 9, 0)});
    sim.AddMail(m.archiveInbox, {.subject = L"Welcome aboard",
                                 .body = L"Welcome to the team, Anna!",
                                 .senderName = L"Martin Keller",
                                 .senderAddress = L"martin.keller@example.com",
                                 .to = L"Anna Berg",
                                 .received = At(2009, 3, 2, 8, 30)});
    sim.AddAppointment(m.archiveCalendar, {.subject = L"Christmas party",
                                           .location = L"Canteen",
                                           .start = At(2009, 12, 18, 18, 0),
                                           .end = At(2009, 12, 18, 23, 0)});
    return m;
}

}  // namespace brisko::sim
