#include <gtest/gtest.h>

#include "support.h"

namespace brisko::sim::test {
namespace {

using ObjectModel = SampleTest;

TEST_F(ObjectModel, ApplicationAnswersByNameWithoutRegardToCase) {
    sim.SetMajorVersion(14);
    EXPECT_EQ(GetOf(app, L"vErSiOn").AsString().substr(0, 3), L"14.");
    sim.SetMajorVersion(9);
    EXPECT_EQ(GetOf(app, L"Version").AsString().substr(0, 2), L"9.");
    EXPECT_EQ(GetOf(app, L"Class"), Value(0));
    EXPECT_EQ(GetOf(app, L"Name"), Value(L"Outlook"));
    EXPECT_EQ(CallOf(app, L"GetNamespace", {L"mapi"}).AsObject(), ns);
    EXPECT_EQ(ObjectOf(ns, L"Parent"), app);
    EXPECT_EQ(ErrorOf([&] { GetOf(app, L"Versions"); }).number(), brisko::err::NotSupported);
    EXPECT_EQ(ErrorOf([&] { CallOf(app, L"GetNamespace"); }).number(), brisko::err::WrongArguments);
    EXPECT_EQ(ErrorOf([&] { CallOf(app, L"GetNamespace", {L"MAPI", 1}); }).number(), brisko::err::WrongArguments);
    EXPECT_EQ(ErrorOf([&] { CallOf(app, L"GetNamespace", {L"LDAP"}); }).number(), brisko::err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { CallOf(app, L"CreateItem", {L"task"}); }).number(), brisko::err::TypeMismatch);
    EXPECT_EQ(ErrorOf([&] { CallOf(app, L"CreateItem", {99}); }).number(), brisko::err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { PutOf(app, L"Version", L"15.0"); }).number(), brisko::err::WrongArguments);
}

TEST_F(ObjectModel, DefaultFoldersComeFromTheDefaultStore) {
    const std::pair<int, SimFolder*> expected[] = {
        {ol::FolderDeletedItems, box.deletedItems}, {ol::FolderSentMail, box.sentItems},
        {ol::FolderInbox, box.inbox},               {ol::FolderCalendar, box.calendar},
        {ol::FolderContacts, box.contacts},         {ol::FolderTasks, box.tasks},
        {ol::FolderDrafts, box.drafts},             {ol::FolderOutbox, box.outbox}};
    for (const auto& [kind, folder] : expected) {
        EXPECT_EQ(Sim(CallOf(ns, L"GetDefaultFolder", {kind}).AsObject()), folder) << kind;
    }
    EXPECT_EQ(ErrorOf([&] { CallOf(ns, L"GetDefaultFolder", {99}); }).number(), brisko::err::InvalidCall);
    // Journal is a valid kind the sample store lacks.
    EXPECT_EQ(ErrorOf([&] { CallOf(ns, L"GetDefaultFolder", {11}); }).number(), err::ObjectNotFound);

    auto stores = ObjectOf(ns, L"Folders");
    ASSERT_EQ(GetOf(stores, L"Count"), Value(2));
    EXPECT_EQ(GetOf(ObjectOf(stores, L"Item", {1}), L"Name"), Value(L"Mailbox - Anna Berg"));
    EXPECT_EQ(Sim(ObjectOf(stores, L"Item", {L"archive 2009"})), box.archive);
    EXPECT_EQ(ObjectOf(ObjectOf(stores, L"Item", {2}), L"Parent"), ns);

    auto user = ObjectOf(ns, L"CurrentUser");
    EXPECT_EQ(GetOf(user, L"Name"), Value(L"Anna Berg"));
    EXPECT_EQ(GetOf(user, L"Address"), Value(L"anna.berg@example.com"));
    EXPECT_TRUE(GetOf(ns, L"MAPIOBJECT").IsObject());
    EXPECT_EQ(GetOf(ns, L"Class"), Value(1));
}

TEST_F(ObjectModel, FoldersAreNamedByEntryAndStoreID) {
    auto alpha = box.alpha->Ref();
    const auto entry = GetOf(alpha, L"EntryID").AsString();
    const auto store = GetOf(alpha, L"StoreID").AsString();
    EXPECT_FALSE(entry.empty());
    EXPECT_EQ(store, GetOf(box.inbox->Ref(), L"StoreID").AsString());
    EXPECT_NE(store, GetOf(box.archiveInbox->Ref(), L"StoreID").AsString());
    EXPECT_NE(entry, GetOf(box.beta->Ref(), L"EntryID").AsString());
    // Stable: asked again, the same strings.
    EXPECT_EQ(GetOf(alpha, L"EntryID").AsString(), entry);

    EXPECT_EQ(CallOf(ns, L"GetFolderFromID", {entry, store}).AsObject(), alpha);
    EXPECT_EQ(CallOf(ns, L"GetFolderFromID", {entry}).AsObject(), alpha);
    const auto archiveStore = GetOf(box.archive->Ref(), L"StoreID").AsString();
    EXPECT_EQ(ErrorOf([&] { CallOf(ns, L"GetFolderFromID", {entry, archiveStore}); }).number(), err::ObjectNotFound);
    EXPECT_EQ(ErrorOf([&] { CallOf(ns, L"GetFolderFromID", {L"00AB"}); }).number(), err::ObjectNotFound);
    EXPECT_EQ(ErrorOf([&] { CallOf(ns, L"GetFolderFromID", {L""}); }).number(), err::ObjectNotFound);
}

TEST_F(ObjectModel, FolderTree) {
    auto alpha = box.alpha->Ref();
    EXPECT_EQ(GetOf(alpha, L"Class"), Value(2));
    EXPECT_EQ(Sim(ObjectOf(alpha, L"Parent")), box.projects);
    EXPECT_EQ(GetOf(alpha, L"FolderPath"), Value(L"\\\\Mailbox - Anna Berg\\Inbox\\Projects\\Alpha"));
    // The walk a folder path takes: parents while they are folders, then the namespace.
    auto top = ObjectOf(ObjectOf(ObjectOf(alpha, L"Parent"), L"Parent"), L"Parent");
    EXPECT_EQ(Sim(top), box.mailbox);
    EXPECT_EQ(GetOf(ObjectOf(top, L"Parent"), L"Class"), Value(1));

    EXPECT_EQ(GetOf(box.inbox->Ref(), L"DefaultItemType"), Value(ol::MailItem));
    EXPECT_EQ(GetOf(box.calendar->Ref(), L"DefaultItemType"), Value(ol::AppointmentItem));
    EXPECT_EQ(GetOf(box.contacts->Ref(), L"DefaultItemType"), Value(ol::ContactItem));
    EXPECT_EQ(GetOf(box.tasks->Ref(), L"DefaultItemType"), Value(ol::TaskItem));
    EXPECT_EQ(GetOf(box.archiveCalendar->Ref(), L"DefaultItemType"), Value(ol::AppointmentItem));

    auto sub = ObjectOf(box.projects->Ref(), L"Folders");
    EXPECT_EQ(GetOf(sub, L"Count"), Value(2));
    EXPECT_EQ(Sim(ObjectOf(sub, L"Item", {L"ALPHA"})), box.alpha);
    EXPECT_EQ(Sim(ObjectOf(sub, L"Item", {2})), box.beta);
    EXPECT_EQ(ErrorOf([&] { CallOf(sub, L"Item", {3}); }).number(), brisko::err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { CallOf(sub, L"Item", {L"Gamma"}); }).number(), err::ObjectNotFound);

    auto gamma = CallOf(sub, L"Add", {L"Gamma", ol::FolderTasks}).AsObject();
    EXPECT_EQ(GetOf(gamma, L"DefaultItemType"), Value(ol::TaskItem));
    EXPECT_EQ(GetOf(CallOf(sub, L"Add", {L"Delta"}).AsObject(), L"DefaultItemType"), Value(ol::MailItem));
    EXPECT_EQ(GetOf(sub, L"Count"), Value(4));
    EXPECT_EQ(ErrorOf([&] { CallOf(sub, L"Add", {L"gamma"}); }).number(), err::Collision);
    EXPECT_EQ(ErrorOf([&] { CallOf(sub, L"Add", {L"Eps", 77}); }).number(), brisko::err::InvalidCall);
    EXPECT_EQ(sim.FindFolder(L"\\\\mailbox - anna berg\\inbox\\projects\\gamma"), Sim(gamma));
}

TEST_F(ObjectModel, FindFolderByPath) {
    EXPECT_EQ(sim.FindFolder(L"\\\\Mailbox - Anna Berg\\Inbox\\Projects\\Alpha"), box.alpha);
    EXPECT_EQ(sim.FindFolder(L"\\\\Archive 2009\\Calendar (archive)"), box.archiveCalendar);
    EXPECT_EQ(sim.FindFolder(L"\\\\Archive 2009"), box.archive);
    EXPECT_EQ(sim.FindFolder(L"\\\\Archive 2009\\Projects"), nullptr);
    EXPECT_EQ(sim.FindFolder(L""), nullptr);
    EXPECT_EQ(sim.FindFolder(L"\\\\"), nullptr);
}

TEST_F(ObjectModel, ReceivedMail) {
    auto items = ObjectOf(box.inbox->Ref(), L"Items");
    ASSERT_EQ(GetOf(items, L"Count"), Value(6));
    int unread = 0, reminders = 0;
    for (int i = 1; i <= 6; ++i) {
        auto mail = CallOf(items, L"Item", {i}).AsObject();
        EXPECT_EQ(GetOf(mail, L"Class"), Value(43));
        EXPECT_EQ(GetOf(mail, L"Sent"), Value(true));
        EXPECT_FALSE(GetOf(mail, L"EntryID").AsString().empty());
        EXPECT_FALSE(GetOf(mail, L"SenderName").AsString().empty());
        EXPECT_EQ(Sim(ObjectOf(mail, L"Parent")), box.inbox);
        unread += GetOf(mail, L"UnRead").AsBool() ? 1 : 0;
        reminders += GetOf(mail, L"ReminderSet").AsBool() ? 1 : 0;
    }
    EXPECT_EQ(unread, 1);
    EXPECT_EQ(reminders, 1);

    auto mail = box.reminderMail->Ref();
    EXPECT_EQ(GetOf(mail, L"ReminderTime"), Value(MakeDate({2010, 5, 18, 9, 30, 0})));
    EXPECT_EQ(GetOf(mail, L"Importance"), Value(2));
    EXPECT_EQ(GetOf(mail, L"Categories"), Value(L"Project Alpha"));
    EXPECT_EQ(GetOf(mail, L"ReceivedTime").type(), VarType::Date);
    EXPECT_EQ(GetOf(box.draft->Ref(), L"Sent"), Value(false));
    EXPECT_EQ(GetOf(box.inbox->Ref(), L"UnReadItemCount"), Value(1));

    const auto entry = GetOf(mail, L"EntryID").AsString();
    EXPECT_EQ(CallOf(ns, L"GetItemFromID", {entry}).AsObject(), mail);
    EXPECT_EQ(CallOf(ns, L"GetItemFromID", {entry, GetOf(box.inbox->Ref(), L"StoreID")}).AsObject(), mail);

    EXPECT_EQ(GetOf(mail, L"Saved"), Value(true));
    PutOf(mail, L"Subject", L"Kick-off moved");
    EXPECT_EQ(GetOf(mail, L"Subject"), Value(L"Kick-off moved"));
    EXPECT_EQ(GetOf(mail, L"Saved"), Value(false));
    PutOf(mail, L"ReminderSet", 0);
    EXPECT_EQ(GetOf(mail, L"ReminderSet"), Value(false));
    EXPECT_EQ(ErrorOf([&] { PutOf(mail, L"Importance", 3); }).number(), brisko::err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { PutOf(mail, L"ReminderTime", L"tomorrow"); }).number(), brisko::err::TypeMismatch);
    EXPECT_EQ(ErrorOf([&] { PutOf(mail, L"Subject", mail); }).number(), brisko::err::TypeMismatch);
    EXPECT_EQ(ErrorOf([&] { PutOf(mail, L"Sent", false); }).number(), brisko::err::WrongArguments);
    EXPECT_EQ(GetOf(mail, L"Importance"), Value(2));
}

TEST_F(ObjectModel, ItemsAcceptAPositionOrASubject) {
    auto items = ObjectOf(box.inbox->Ref(), L"Items");
    EXPECT_EQ(Sim(CallOf(items, L"Item", {L"lunch on friday?"}).AsObject()), box.unreadMail);
    EXPECT_EQ(ErrorOf([&] { CallOf(items, L"Item", {0}); }).number(), brisko::err::SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { CallOf(items, L"Item", {L"no such"}); }).number(), err::ObjectNotFound);
    // GetFirst / GetNext walk the folder and end with Nothing.
    int n = 0;
    for (auto it = CallOf(items, L"GetFirst"); !it.IsNothing(); it = CallOf(items, L"GetNext")) ++n;
    EXPECT_EQ(n, 6);
}

}  // namespace
}  // namespace brisko::sim::test
