#include <gtest/gtest.h>

#include "automation/collection.h"
#include "support.h"

namespace brisko::sim::test {
namespace {

using Items = SampleTest;

std::int32_t CountOf(SimFolder* folder) { return GetOf(ObjectOf(folder->Ref(), L"Items"), L"Count").AsInt(); }

TEST_F(Items, NewTaskStaysOutOfItsFolderUntilSaved) {
    const auto before = CountOf(box.tasks);
    auto task = CallOf(app, L"CreateItem", {ol::TaskItem}).AsObject();
    EXPECT_EQ(task->TypeName(), L"TaskItem");
    EXPECT_EQ(GetOf(task, L"Class"), Value(48));
    EXPECT_EQ(GetOf(task, L"EntryID"), Value(L""));
    EXPECT_EQ(GetOf(task, L"Saved"), Value(false));
    EXPECT_EQ(Sim(ObjectOf(task, L"Parent")), box.tasks);

    const Date due = MakeDate({2010, 5, 20});
    PutOf(task, L"Subject", L"Review Q1 figures");
    PutOf(task, L"DueDate", due);
    PutOf(task, L"Importance", 2);
    PutOf(task, L"Body", L"See the mail.");
    PutOf(task, L"Categories", L"Business");
    EXPECT_EQ(CountOf(box.tasks), before);
    const auto entry = GetOf(task, L"EntryID");
    EXPECT_EQ(ErrorOf([&] { CallOf(ns, L"GetItemFromID", {entry}); }).number(), err::ObjectNotFound);

    CallOf(task, L"Save");
    EXPECT_EQ(CountOf(box.tasks), before + 1);
    EXPECT_EQ(GetOf(task, L"Saved"), Value(true));
    const auto id = GetOf(task, L"EntryID").AsString();
    ASSERT_FALSE(id.empty());
    auto found = CallOf(ns, L"GetItemFromID", {id}).AsObject();
    EXPECT_EQ(found, task);
    EXPECT_EQ(GetOf(found, L"DueDate"), Value(due));
    EXPECT_EQ(GetOf(found, L"Importance"), Value(2));
    // A second save keeps the item where it is.
    CallOf(task, L"Save");
    EXPECT_EQ(CountOf(box.tasks), before + 1);
    EXPECT_EQ(GetOf(task, L"EntryID").AsString(), id);
}

TEST_F(Items, NewAppointmentKeepsItsDurationWhenItsStartMoves) {
    auto appt = CallOf(app, L"CreateItem", {ol::AppointmentItem}).AsObject();
    EXPECT_EQ(GetOf(appt, L"Class"), Value(26));
    const Date start = MakeDate({2010, 6, 1, 10, 0, 0});
    PutOf(appt, L"Start", start);
    EXPECT_EQ(GetOf(appt, L"Duration"), Value(30));
    PutOf(appt, L"End", MakeDate({2010, 6, 1, 11, 30, 0}));
    EXPECT_EQ(GetOf(appt, L"Duration"), Value(90));
    PutOf(appt, L"Start", MakeDate({2010, 6, 2, 9, 0, 0}));
    EXPECT_EQ(GetOf(appt, L"End"), Value(MakeDate({2010, 6, 2, 10, 30, 0})));
    PutOf(appt, L"AllDayEvent", true);
    PutOf(appt, L"Location", L"Room 4.12");
    CallOf(appt, L"Save");
    EXPECT_EQ(Sim(ObjectOf(appt, L"Parent")), box.calendar);
    EXPECT_EQ(box.calendar->Contents().back(), Sim(appt));
    EXPECT_EQ(GetOf(appt, L"AllDayEvent"), Value(true));
}

TEST_F(Items, ItemsAddCreatesAnItemOfTheFolderOrOfTheGivenKind) {
    auto items = ObjectOf(box.archiveCalendar->Ref(), L"Items");
    auto appt = CallOf(items, L"Add").AsObject();
    EXPECT_EQ(appt->TypeName(), L"AppointmentItem");
    CallOf(appt, L"Save");
    EXPECT_EQ(Sim(ObjectOf(appt, L"Parent")), box.archiveCalendar);
    EXPECT_EQ(GetOf(ObjectOf(appt, L"Parent"), L"StoreID"), GetOf(box.archive->Ref(), L"StoreID"));

    EXPECT_EQ(GetOf(CallOf(items, L"Add", {L"IPM.Task"}).AsObject(), L"Class"), Value(48));
    EXPECT_EQ(GetOf(CallOf(items, L"Add", {ol::MailItem}).AsObject(), L"Class"), Value(43));
    EXPECT_EQ(ErrorOf([&] { CallOf(items, L"Add", {L"IPM.Taskforce"}); }).number(), brisko::err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { CallOf(items, L"Add", {4}); }).number(), brisko::err::InvalidCall);
}

TEST_F(Items, DeleteMovesToDeletedItemsThenDeletesForGood) {
    auto mail = box.highImportanceMail->Ref();
    const auto oldID = GetOf(mail, L"EntryID").AsString();
    const auto inboxBefore = CountOf(box.inbox), deletedBefore = CountOf(box.deletedItems);

    CallOf(mail, L"Delete");
    EXPECT_EQ(CountOf(box.inbox), inboxBefore - 1);
    EXPECT_EQ(CountOf(box.deletedItems), deletedBefore + 1);
    EXPECT_EQ(Sim(ObjectOf(mail, L"Parent")), box.deletedItems);
    const auto newID = GetOf(mail, L"EntryID").AsString();
    EXPECT_NE(newID, oldID);
    EXPECT_EQ(ErrorOf([&] { CallOf(ns, L"GetItemFromID", {oldID}); }).number(), err::ObjectNotFound);
    EXPECT_EQ(CallOf(ns, L"GetItemFromID", {newID}).AsObject(), mail);

    CallOf(mail, L"Delete");
    EXPECT_EQ(CountOf(box.deletedItems), deletedBefore);
    EXPECT_TRUE(Sim(mail)->Vanished());
    const auto e = ErrorOf([&] { GetOf(mail, L"Subject"); });
    EXPECT_EQ(e.number(), err::ObjectNotFound);
    EXPECT_EQ(e.description(), kObjectNotFoundText);
    EXPECT_EQ(ErrorOf([&] { CallOf(ns, L"GetItemFromID", {newID}); }).number(), err::ObjectNotFound);
}

TEST_F(Items, DeleteInASecondStoreUsesThatStoresDeletedItems) {
    auto mail = box.archiveInbox->Contents().front()->Ref();
    CallOf(mail, L"Delete");
    EXPECT_EQ(Sim(ObjectOf(mail, L"Parent")), box.archiveDeleted);
    EXPECT_EQ(CountOf(box.deletedItems), 1);
}

TEST_F(Items, DeletingAnOpenItemClosesItsWindow) {
    auto* inspector = sim.OpenInspector(box.unreadMail);
    EventLog log;
    auto c = inspector->ConnectEvents(log.Handler());
    CallOf(box.unreadMail->Ref(), L"Delete");
    EXPECT_EQ(log.names, std::vector<std::wstring>{L"Close"});
    EXPECT_TRUE(inspector->Vanished());
    EXPECT_EQ(GetOf(ObjectOf(app, L"Inspectors"), L"Count"), Value(0));
}

TEST_F(Items, UnsavedItemDeletedIsGone) {
    auto task = CallOf(app, L"CreateItem", {ol::TaskItem}).AsObject();
    const auto before = CountOf(box.deletedItems);
    CallOf(task, L"Delete");
    EXPECT_EQ(CountOf(box.deletedItems), before);
    EXPECT_EQ(ErrorOf([&] { CallOf(task, L"Save"); }).number(), err::ObjectNotFound);
}

TEST_F(Items, MoveGivesTheItemANewFolderAndEntryID) {
    auto mail = box.unreadMail->Ref();
    const auto oldID = GetOf(mail, L"EntryID").AsString();
    auto moved = CallOf(mail, L"Move", {box.alpha->Ref()}).AsObject();
    EXPECT_EQ(Sim(ObjectOf(moved, L"Parent")), box.alpha);
    EXPECT_NE(GetOf(moved, L"EntryID").AsString(), oldID);
    EXPECT_EQ(CountOf(box.inbox), 5);
    // Across stores too.
    CallOf(moved, L"Move", {box.archiveInbox->Ref()});
    EXPECT_EQ(GetOf(ObjectOf(moved, L"Parent"), L"StoreID"), GetOf(box.archive->Ref(), L"StoreID"));

    EXPECT_EQ(ErrorOf([&] { CallOf(mail, L"Move", {L"Inbox"}); }).number(), brisko::err::TypeMismatch);
    EXPECT_EQ(ErrorOf([&] { CallOf(mail, L"Move", {Value(ObjectPtr{})}); }).number(), brisko::err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { CallOf(mail, L"Move", {std::make_shared<Collection>()}); }).number(),
              brisko::err::TypeMismatch);
    sim.Vanish(box.beta);
    EXPECT_EQ(ErrorOf([&] { CallOf(mail, L"Move", {box.beta->Ref()}); }).number(), err::ObjectNotFound);
    EXPECT_EQ(Sim(ObjectOf(moved, L"Parent")), box.archiveInbox);
}

TEST_F(Items, AttachmentsRecordMailAndFiles) {
    auto task = CallOf(app, L"CreateItem", {ol::TaskItem}).AsObject();
    auto attachments = ObjectOf(task, L"Attachments");
    auto a = CallOf(attachments, L"Add", {box.reminderMail->Ref()}).AsObject();
    EXPECT_EQ(GetOf(a, L"Type"), Value(ol::EmbeddedItem));
    EXPECT_EQ(GetOf(a, L"DisplayName"), Value(L"Project Alpha: kick-off meeting"));
    CallOf(attachments, L"Add", {L"C:\\Temp\\agenda.txt", ol::ByValue});
    EXPECT_EQ(GetOf(attachments, L"Count"), Value(2));
    auto file = CallOf(attachments, L"Item", {2}).AsObject();
    EXPECT_EQ(GetOf(file, L"FileName"), Value(L"agenda.txt"));
    EXPECT_EQ(GetOf(file, L"Index"), Value(2));
    const auto& list = dynamic_cast<SimItem*>(Sim(task))->AttachmentList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->Source(), box.reminderMail);

    EXPECT_EQ(ErrorOf([&] { CallOf(attachments, L"Add"); }).number(), brisko::err::WrongArguments);
    EXPECT_EQ(ErrorOf([&] { CallOf(attachments, L"Add", {Value(ObjectPtr{})}); }).number(),
              brisko::err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { CallOf(attachments, L"Add", {std::make_shared<Collection>()}); }).number(),
              brisko::err::TypeMismatch);
    sim.Vanish(box.draft);
    EXPECT_EQ(ErrorOf([&] { CallOf(attachments, L"Add", {box.draft->Ref()}); }).number(), err::ObjectNotFound);
    CallOf(a, L"Delete");
    EXPECT_EQ(GetOf(attachments, L"Count"), Value(1));
    EXPECT_EQ(GetOf(file, L"Index"), Value(1));
}

TEST_F(Items, OmittedArgumentsOfAttachmentsAddAreMissing) {
    auto task = CallOf(app, L"CreateItem", {ol::TaskItem}).AsObject();
    auto attachments = ObjectOf(task, L"Attachments");
    sim.SetTracing(true);
    auto a = CallOf(attachments, L"Add", {box.reminderMail->Ref(), Missing, Missing, Missing}).AsObject();
    EXPECT_EQ(GetOf(a, L"Type"), Value(ol::EmbeddedItem));
    EXPECT_EQ(GetOf(a, L"DisplayName"), Value(L"Project Alpha: kick-off meeting"));
    auto named = CallOf(attachments, L"Add", {box.reminderMail->Ref(), ol::EmbeddedItem, Missing, L"The mail"});
    EXPECT_EQ(GetOf(named.AsObject(), L"DisplayName"), Value(L"The mail"));
    CallOf(attachments, L"Add", {box.reminderMail->Ref(), Value(), Value(), Value()});
    sim.SetTracing(false);
    // The trace tells an omitted argument from an Empty one; calls without either stay short.
    const std::vector<std::wstring> expected{
        L"Attachments.Add Method (Object, Missing, Missing, Missing)",
        L"Attachment.Type Get",
        L"Attachment.DisplayName Get",
        L"Attachments.Add Method (Object, Long, Missing, String)",
        L"Attachment.DisplayName Get",
        L"Attachments.Add Method (Object, Empty, Empty, Empty)",
    };
    EXPECT_EQ(sim.Trace(), expected);
    EXPECT_EQ(ErrorOf([&] { CallOf(attachments, L"Add", {box.reminderMail->Ref(), 3}); }).number(),
              brisko::err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { CallOf(attachments, L"Add", {Value(Missing)}); }).number(), brisko::err::ParamNotFound);
    // Optional arguments of lookups, too.
    EXPECT_EQ(Sim(CallOf(ns, L"GetFolderFromID", {box.inbox->EntryID(), Missing}).AsObject()), box.inbox);
}

TEST_F(Items, VanishedFolderTakesItsSubtreeAlong) {
    auto projects = box.projects->Ref();
    const auto entry = GetOf(projects, L"EntryID");
    auto alphaMail = box.alpha->Contents().front()->Ref();
    const auto mailID = GetOf(alphaMail, L"EntryID");
    sim.Vanish(box.projects);
    EXPECT_EQ(ErrorOf([&] { GetOf(projects, L"Name"); }).number(), err::ObjectNotFound);
    EXPECT_EQ(ErrorOf([&] { CallOf(ns, L"GetFolderFromID", {entry}); }).number(), err::ObjectNotFound);
    EXPECT_EQ(ErrorOf([&] { CallOf(ns, L"GetItemFromID", {mailID}); }).number(), err::ObjectNotFound);
    EXPECT_TRUE(box.alpha->Vanished());
    EXPECT_EQ(GetOf(ObjectOf(box.inbox->Ref(), L"Folders"), L"Count"), Value(1));
    EXPECT_EQ(sim.FindFolder(L"\\\\Mailbox - Anna Berg\\Inbox\\Projects"), nullptr);
}

}  // namespace
}  // namespace brisko::sim::test
