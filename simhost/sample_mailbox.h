// A built-in sample mailbox for the demo and the tests.
#pragma once

#include <vector>

#include "simhost/objects.h"
#include "simhost/sim_outlook.h"

namespace brisko::sim {

// The important objects of the sample mailbox. Every folder is also found by path with
// SimOutlook::FindFolder, e.g. "\\Mailbox - Anna Berg\Inbox\Projects\Alpha".
struct SampleMailbox {
    // The default store "Mailbox - Anna Berg" (Exchange-like).
    SimFolder* mailbox = nullptr;  // top folder
    SimFolder* inbox = nullptr;
    SimFolder* sentItems = nullptr;
    SimFolder* deletedItems = nullptr;
    SimFolder* drafts = nullptr;
    SimFolder* outbox = nullptr;
    SimFolder* calendar = nullptr;
    SimFolder* tasks = nullptr;
    SimFolder* contacts = nullptr;
    SimFolder* projects = nullptr;  // Inbox\Projects
    SimFolder* alpha = nullptr;     // Inbox\Projects\Alpha
    SimFolder* beta = nullptr;      // Inbox\Projects\Beta
    SimFolder* invoices = nullptr;  // Inbox\Invoices

    // The second store "Archive 2009" (a personal folders file).
    SimFolder* archive = nullptr;  // top folder
    SimFolder* archiveInbox = nullptr;
    SimFolder* archiveSent = nullptr;
    SimFolder* archiveDeleted = nullptr;
    SimFolder* archiveCalendar = nullptr;  // "Calendar (archive)", appointments

    // The Inbox's received mails, in order of arrival.
    std::vector<SimItem*> inboxMails;
    SimItem* unreadMail = nullptr;    // the one unread mail
    SimItem* reminderMail = nullptr;  // the one with a reminder
    SimItem* highImportanceMail = nullptr;
    SimItem* draft = nullptr;         // unsent, in Drafts
    SimItem* deletedMail = nullptr;   // in Deleted Items
    SimItem* task = nullptr;          // in Tasks
    SimItem* appointment = nullptr;   // in Calendar
};

// Adds both stores to the arena (the mailbox becomes the default store) and sets the current user.
SampleMailbox BuildSampleMailbox(SimOutlook& sim);

}  // namespace brisko::sim
