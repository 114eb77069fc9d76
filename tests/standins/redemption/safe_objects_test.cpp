// The safe item library stand-in over the simulated Outlook: what the add-in relies on.
#include <gtest/gtest.h>

#include <algorithm>

#include "automation/collection.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/sim/sim_ui.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"
#include "standins/redemption/safe_objects.h"
#include "standins/redemption/sim_registration.h"

namespace brisko::redemption {
namespace {

constexpr std::int32_t kNotFound = sim::err::ObjectNotFound;

template <class F>
std::int32_t ErrorOf(F&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

class SafeObjects : public ::testing::Test {
protected:
    SafeObjects() { RegisterClasses(factory); }
    void TearDown() override {
        app.reset();
        ns.reset();
        EXPECT_EQ(host.ExternalReferences(), 0) << ToUtf8(host.DescribeExternalReferences());
        EXPECT_TRUE(host.EscapedErrors().empty());
    }

    ObjectPtr Create(std::wstring_view name) { return factory.CreateObject(name); }
    ObjectPtr Session() {
        auto session = Create(kRdoSessionClassId);
        PutOf(session, L"MAPIOBJECT", GetOf(ns, L"MAPIOBJECT"));
        return session;
    }
    const std::vector<sim::SimAttachment*>& AttachmentsOf(const ObjectPtr& item) {
        return dynamic_cast<sim::SimItem&>(*item).AttachmentList();
    }

    sim::SimObjectFactory factory;
    sim::SimOutlook host;
    sim::SampleMailbox box = sim::BuildSampleMailbox(host);
    ObjectPtr app = host.ApplicationObject();
    ObjectPtr ns = ObjectOf(app, L"Session");
};

TEST_F(SafeObjects, ClassesAreFoundByProgIdAndClassIdWithoutRegardToCase) {
    EXPECT_EQ(Create(L"redemption.safemailitem")->TypeName(), L"SafeMailItem");
    EXPECT_EQ(Create(L"Redemption.SafeTaskItem")->TypeName(), L"SafeTaskItem");
    EXPECT_EQ(Create(L"REDEMPTION.SAFEAPPOINTMENTITEM")->TypeName(), L"SafeAppointmentItem");
    EXPECT_EQ(Create(L"{29ab7a12-b531-450e-8f7a-ea94c2f3c05f}")->TypeName(), L"RDOSession");
    EXPECT_EQ(ErrorOf([&] { Create(L"Redemption.RDOSession"); }), brisko::err::CantCreateObject);
    EXPECT_EQ(MakeByName(L"Redemption.SafeContactItem"), nullptr);
}

TEST_F(SafeObjects, SafeMailItemGivesThePlainTextBody) {
    auto safe = Create(kSafeMailItem);
    EXPECT_EQ(ErrorOf([&] { GetOf(safe, L"Body"); }), err::NotBound);
    auto mail = box.reminderMail->Ref();
    PutOf(safe, L"Item", mail);
    EXPECT_EQ(GetOf(safe, L"Item").AsObject(), mail);
    EXPECT_EQ(GetOf(safe, L"Body"), Value(box.reminderMail->Text(L"Body")));
    EXPECT_FALSE(box.reminderMail->Text(L"Body").empty());
    // PutRef, as Set assigns it; a later change of the mail shows.
    auto other = box.highImportanceMail->Ref();
    safe->PutRef(L"Item", other);
    PutOf(other, L"Body", L"line 1\r\nline 2");
    EXPECT_EQ(GetOf(safe, L"Body"), Value(L"line 1\r\nline 2"));
    EXPECT_EQ(ErrorOf([&] { PutOf(safe, L"Item", L"not an item"); }), brisko::err::ObjectRequired);
    EXPECT_EQ(ErrorOf([&] { PutOf(safe, L"Body", L"x"); }), brisko::err::WrongArguments);
    safe->PutRef(L"Item", nullptr);
    EXPECT_EQ(ErrorOf([&] { GetOf(safe, L"Body"); }), err::NotBound);
    // A mail gone from the host: the host's error.
    PutOf(safe, L"Item", mail);
    host.Vanish(box.reminderMail);
    EXPECT_EQ(ErrorOf([&] { GetOf(safe, L"Body"); }), kNotFound);
}

TEST_F(SafeObjects, SafeTaskAndAppointmentAttachTheMailAsAnItemAttachment) {
    for (auto [progId, itemType] : {std::pair{kSafeTaskItem, sim::ol::TaskItem},
                                    std::pair{kSafeAppointmentItem, sim::ol::AppointmentItem}}) {
        auto item = CallOf(app, L"CreateItem", {itemType}).AsObject();
        auto safe = Create(progId);
        EXPECT_EQ(ErrorOf([&] { GetOf(safe, L"Attachments"); }), err::NotBound);
        PutOf(safe, L"Item", item);
        host.SetTracing(true);
        // The add-in omits Type, Position and DisplayName.
        CallOf(ObjectOf(safe, L"Attachments"), L"Add", {box.reminderMail->Ref(), Missing, Missing, Missing});
        host.SetTracing(false);
        EXPECT_EQ(host.Trace().back(), L"Attachments.Add Method (Object, Long, Missing, Missing)");
        host.ClearTrace();
        const auto& list = AttachmentsOf(item);
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0]->AttachmentType(), sim::ol::EmbeddedItem);
        EXPECT_EQ(list[0]->Source(), box.reminderMail);
        EXPECT_EQ(list[0]->DisplayName(), box.reminderMail->Subject());
        // The source left off the end of the arguments, as well; the item stays unsaved.
        CallOf(ObjectOf(safe, L"Attachments"), L"Add", {box.highImportanceMail->Ref()});
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[1]->AttachmentType(), sim::ol::EmbeddedItem);
        EXPECT_FALSE(dynamic_cast<sim::SimItem&>(*item).Stored());
        EXPECT_EQ(ErrorOf([&] { CallOf(ObjectOf(safe, L"Attachments"), L"Add"); }), brisko::err::WrongArguments);
    }
}

TEST_F(SafeObjects, DeletedItemsOfEachStore) {
    auto* third = host.AddStore(L"Project archive");
    auto* thirdDeleted = host.AddDefaultFolder(third, sim::ol::FolderDeletedItems, L"Gelöschte Elemente");
    auto session = Session();
    auto deletedOf = [&](const std::wstring& storeID) {
        auto store = CallOf(session, L"GetStoreFromID", {storeID}).AsObject();
        return GetOf(CallOf(store, L"GetDefaultFolder", {sim::ol::FolderDeletedItems}).AsObject(), L"EntryID");
    };
    EXPECT_EQ(deletedOf(box.archive->StoreID()), Value(box.archiveDeleted->EntryID()));
    EXPECT_EQ(deletedOf(third->StoreID()), Value(thirdDeleted->EntryID()));
    EXPECT_EQ(deletedOf(box.inbox->StoreID()), Value(box.deletedItems->EntryID()));
    EXPECT_NE(box.archiveDeleted->EntryID(), box.deletedItems->EntryID());

    EXPECT_EQ(ErrorOf([&] { deletedOf(L"00000000DEAD"); }), kNotFound);
    EXPECT_EQ(ErrorOf([&] { deletedOf(L""); }), brisko::err::InvalidCall);
    auto bare = host.AddStore(L"No defaults");
    EXPECT_EQ(ErrorOf([&] { deletedOf(bare->StoreID()); }), kNotFound);
}

TEST_F(SafeObjects, SessionNeedsAMapiObjectThatLeadsToTheHost) {
    auto session = Create(kRdoSessionClassId);
    EXPECT_EQ(ErrorOf([&] { CallOf(session, L"GetStoreFromID", {box.inbox->StoreID()}); }), err::NotBound);
    EXPECT_EQ(ErrorOf([&] { PutOf(session, L"MAPIOBJECT", std::make_shared<Collection>()); }),
              brisko::err::InvalidCall);
    EXPECT_EQ(ErrorOf([&] { CallOf(session, L"GetFolderFromID", {box.inbox->EntryID()}); }), err::NotBound);
    auto mapi = GetOf(ns, L"MAPIOBJECT");
    session->PutRef(L"MAPIOBJECT", mapi.AsObject());
    EXPECT_EQ(GetOf(session, L"MAPIOBJECT"), mapi);
    EXPECT_EQ(GetOf(CallOf(session, L"GetFolderFromID", {box.inbox->EntryID()}).AsObject(), L"EntryID"),
              Value(box.inbox->EntryID()));
}

TEST_F(SafeObjects, MessagesMoveBetweenFoldersAndStores) {
    auto session = Session();
    auto* mail = box.inboxMails.at(0);
    auto folderOf = [&](sim::SimFolder* f) {
        return CallOf(session, L"GetFolderFromID", {f->EntryID(), f->StoreID()}).AsObject();
    };
    auto messageOf = [&](sim::SimItem* m) {
        return CallOf(session, L"GetMessageFromID", {m->EntryID(), m->Folder()->StoreID()}).AsObject();
    };

    auto moved = CallOf(messageOf(mail), L"Move", {folderOf(box.projects)}).AsObject();
    EXPECT_EQ(mail->Folder(), box.projects);
    EXPECT_EQ(GetOf(moved, L"EntryID"), Value(mail->EntryID()));

    const std::wstring before = mail->EntryID();
    moved = CallOf(messageOf(mail), L"Move", {folderOf(box.archiveInbox)}).AsObject();
    EXPECT_EQ(mail->Folder(), box.archiveInbox);
    EXPECT_NE(mail->EntryID(), before);
    EXPECT_EQ(GetOf(moved, L"EntryID"), Value(mail->EntryID()));
    EXPECT_EQ(std::count(box.inbox->Contents().begin(), box.inbox->Contents().end(), mail), 0);

    // The store id may be left out; unknown ids and a wrong store are the host's errors.
    EXPECT_NO_THROW(CallOf(session, L"GetMessageFromID", {mail->EntryID(), Missing}));
    EXPECT_EQ(ErrorOf([&] { CallOf(session, L"GetMessageFromID", {before, box.archive->StoreID()}); }), kNotFound);
    EXPECT_EQ(ErrorOf([&] { CallOf(session, L"GetMessageFromID", {mail->EntryID(), box.inbox->StoreID()}); }),
              kNotFound);
    EXPECT_EQ(ErrorOf([&] { CallOf(session, L"GetFolderFromID", {L"0000BAD0", box.inbox->StoreID()}); }), kNotFound);
    // Only a folder of the library is a destination.
    EXPECT_EQ(ErrorOf([&] { CallOf(messageOf(mail), L"Move", {box.inbox->Ref()}); }), brisko::err::TypeMismatch);
    EXPECT_EQ(ErrorOf([&] { CallOf(messageOf(mail), L"Move", {Value(ObjectPtr{})}); }), brisko::err::ObjectNotSet);
    // A destination gone from the host meanwhile: the host's error, the mail stays.
    auto gone = folderOf(box.beta);
    host.Vanish(box.beta);
    EXPECT_EQ(ErrorOf([&] { CallOf(messageOf(mail), L"Move", {gone}); }), kNotFound);
    EXPECT_EQ(mail->Folder(), box.archiveInbox);
}

}  // namespace
}  // namespace brisko::redemption
