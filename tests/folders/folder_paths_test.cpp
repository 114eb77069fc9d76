// Store numbers and keys, folder paths and their shortening, the Deleted Items test, moving mail.
#include <gtest/gtest.h>

#include "addin/dialogs/CLinkLabel.h"
#include "automation/error.h"
#include "automation/text.h"
#include "fakes.h"
#include "folders_fixture.h"
#include "standins/redemption/sim_registration.h"

namespace brisko::testing {
namespace {

using Strings = std::vector<std::wstring>;

class FolderPaths : public FoldersTest {};

TEST_F(FolderPaths, StoreNumbersAndKeys) {
    EXPECT_EQ(GetStoreNumber(L""), 0);
    EXPECT_EQ(GetStoreNumber(L"S-one"), 1);
    EXPECT_EQ(GetStoreNumber(L"S-two"), 2);
    EXPECT_EQ(GetStoreNumber(L"s-ONE"), 1);  // a collection key: without regard to case
    EXPECT_EQ(EntryStore2Key(L"ABC", L"S-two"), L"ABC.2");
    EXPECT_EQ(EntryStore2Key(L"ABC", L"S-three"), L"ABC.3");
    EXPECT_EQ(EntryStore2Key(L"ABC", L""), L"ABC.0");

    std::wstring entry, store;
    Key2EntryStore(L"ABC.2", entry, store);
    EXPECT_EQ(entry, L"ABC");
    EXPECT_EQ(store, L"S-two");
    Key2EntryStore(L"XYZ.0", entry, store);
    EXPECT_EQ(entry, L"XYZ");
    EXPECT_EQ(store, L"");
    EXPECT_TRUE(Errors().empty());
    // A store number of another run, and no number at all.
    Key2EntryStore(L"ABC.9", entry, store);
    EXPECT_EQ(entry, L"");
    EXPECT_EQ(store, L"");
    Key2EntryStore(L"ABC", entry, store);
    Key2EntryStore(L"ABC.x", entry, store);
    EXPECT_EQ(Errors(), (Strings{L"Key2EntryStore|9|Subscript out of range; Key=ABC.9",
                                 L"Key2EntryStore|9|Subscript out of range; Key=ABC",
                                 L"Key2EntryStore|13|Type mismatch; Key=ABC.x"}));
    // Unloading forgets them.
    ReleaseProcessObjects();
    g_oApplication = host.ApplicationObject();
    EXPECT_EQ(GetStoreNumber(L"S-two"), 1);
}

TEST_F(FolderPaths, PathsFromTheHost) {
    EXPECT_EQ(GetFolderPath(mb.alpha->Ref()), L"\\\\Mailbox - Anna Berg\\Inbox\\Projects\\Alpha");
    EXPECT_EQ(GetFolderPath(mb.archive->Ref()), L"\\\\Archive 2009");
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(GetFolderPath(nullptr), L"");
    host.FailMember(L"MAPIFolder.Name", sim::err::OperationFailed, L"no name", 1);
    EXPECT_EQ(GetFolderPath(mb.alpha->Ref()), L"");
    ASSERT_EQ(Errors().size(), 2u);
    EXPECT_EQ(Errors()[1], L"mMain.GetFolderPath|" + std::to_wstring(sim::err::OperationFailed) + L"|no name");

    EXPECT_EQ(RemoveRootFromPath(L"\\\\Mailbox\\Inbox\\Sub"), L"Inbox\\Sub");
    EXPECT_EQ(RemoveRootFromPath(L"Mailbox\\Inbox"), L"Inbox");
    EXPECT_EQ(RemoveRootFromPath(L"\\\\Mailbox"), L"\\\\Mailbox");
    EXPECT_EQ(RemoveRootFromPath(L"\\\\Mailbox\\"), L"\\\\Mailbox\\");
    EXPECT_EQ(RemoveRootFromPath(L""), L"");

    EXPECT_TRUE(IsDefaultStore(mb.inbox->StoreID()));
    EXPECT_FALSE(IsDefaultStore(mb.archive->StoreID()));
    EXPECT_FALSE(IsDefaultStore(L""));
}

TEST_F(FolderPaths, PathsShortenToFitTheLabel) {
    auto label = std::make_shared<FakeLabel>();
    // Fits whole.
    CLinkLabel_SetPath(label, L"\\\\A\\B", 500, L"..");
    EXPECT_EQ(label->captions, (Strings{L"\\\\A\\B"}));
    EXPECT_TRUE(label->autoSize);

    // Names A, BB, CC, DDDD: each shortened form in turn until one fits.
    label->captions.clear();
    CLinkLabel_SetPath(label, L"\\\\AAAA\\BB\\CC\\DDDD", 0, L"?");
    EXPECT_EQ(label->captions, (Strings{L"\\\\AAAA\\BB\\CC\\DDDD", L"AAAA\\...\\CC\\DDDD", L"AAAA\\...\\DDDD",
                                        L"...\\DDDD", L"...\\DDD...", L"...\\DD...", L"...\\D...", L"?"}));
    EXPECT_EQ(label->caption, L"?");
    label->captions.clear();
    CLinkLabel_SetPath(label, L"\\\\AAAA\\BB\\CC\\DDDD", 1300, L"?");
    EXPECT_EQ(label->caption, L"AAAA\\...\\DDDD");

    // One name that does not fit goes straight to shortening its characters.
    label->captions.clear();
    CLinkLabel_SetPath(label, L"\\\\Mailbox - Anna Berg", 1000, L"?");
    ASSERT_EQ(label->captions.size(), 17u);
    EXPECT_EQ(label->captions[1], L"...\\Mailbox - Anna Ber...");
    EXPECT_EQ(label->caption, L"...\\Mai...");
    label->captions.clear();
    CLinkLabel_SetPath(label, L"\\\\Mailbox", 100, L"smallest text, wider than allowed");
    EXPECT_EQ(label->caption, L"smallest text, wider than allowed");
    EXPECT_TRUE(Errors().empty());

    CLinkLabel_SetPath(nullptr, L"\\\\A", 100, L"?");
    EXPECT_EQ(Errors(), (Strings{L"CLinkLabel_SetPath|91|" + StandardDescription(err::ObjectNotSet)}));
}

// The dialogs' own link label, measured by the in-memory text metric (90 twips a character).
TEST_F(FolderPaths, FitsTheLinkLabelOfTheDialogs) {
    auto label = CLinkLabel::Create(0);
    const std::wstring path = L"\\\\Mailbox - Anna Berg\\Inbox\\Projects\\Alpha";
    CLinkLabel_SetPath(label, path, 90 * 30, L"?");
    EXPECT_EQ(label->Caption(), L"Mailbox - Anna Berg\\...\\Alpha");
    EXPECT_TRUE(label->AutoSize());
    EXPECT_EQ(label->Width(), 90 * 29);
    CLinkLabel_SetPath(label, path, 90 * 50, L"?");
    EXPECT_EQ(label->Caption(), path);
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
}

// The safe item library stand-in over the simulated host.
TEST_F(FolderPaths, WithTheSafeItemLibraryStandIn) {
    redemption::RegisterClasses(platform.objects);
    const long held = host.ExternalReferences();
    EXPECT_TRUE(IsFolderDeletedItems(mb.archiveDeleted->Ref()));
    EXPECT_FALSE(IsFolderDeletedItems(mb.archiveInbox->Ref()));
    auto* mail = mb.inboxMails.at(1);
    EXPECT_TRUE(RDOMoveMail(mail->Ref(), mb.archiveInbox->Ref()));
    EXPECT_EQ(mail->Folder(), mb.archiveInbox);
    EXPECT_TRUE(RDOMoveMail(mail->Ref(), mb.beta->Ref()));
    EXPECT_EQ(mail->Folder(), mb.beta);
    EXPECT_TRUE(Errors().empty()) << ToUtf8(Errors().front());
    EXPECT_EQ(host.ExternalReferences(), held) << ToUtf8(host.DescribeExternalReferences());
}

class MailActions : public FoldersTest {
protected:
    void SetUp() override {
        FoldersTest::SetUp();
        platform.objects.Register(kRDOSessionClassId, [this] { return std::make_shared<FakeRdoSession>(host, rdo); });
    }
    void TearDown() override {
        EXPECT_EQ(rdo.live, 0);
        FoldersTest::TearDown();
    }
    RdoJournal rdo;
};

TEST_F(MailActions, DeletedItemsOfEachStore) {
    EXPECT_TRUE(IsFolderDeletedItems(mb.deletedItems->Ref()));
    EXPECT_FALSE(IsFolderDeletedItems(mb.inbox->Ref()));
    EXPECT_TRUE(rdo.calls.empty());  // the default store needs no RDO session
    // A second store: its own Deleted Items folder, through the RDO session.
    EXPECT_TRUE(IsFolderDeletedItems(mb.archiveDeleted->Ref()));
    EXPECT_FALSE(IsFolderDeletedItems(mb.archiveInbox->Ref()));
    EXPECT_EQ(rdo.calls, (Strings{L"MAPIOBJECT MAPISession", L"GetStoreFromID", L"MAPIOBJECT MAPISession",
                                  L"GetStoreFromID"}));
    EXPECT_TRUE(Errors().empty());
    // Without the library.
    platform.objects.Unregister(kRDOSessionClassId);
    EXPECT_FALSE(IsFolderDeletedItems(mb.archiveDeleted->Ref()));
    EXPECT_EQ(Errors(), (Strings{L"mMain.IsFolderDeletedItems|429|" + StandardDescription(err::CantCreateObject)}));
}

TEST_F(MailActions, MovesTheMailThroughTheSafeItemLibrary) {
    auto* mail = mb.inboxMails.at(0);
    EXPECT_TRUE(RDOMoveMail(mail->Ref(), mb.alpha->Ref()));
    EXPECT_EQ(mail->Folder(), mb.alpha);
    EXPECT_EQ(rdo.calls, (Strings{L"MAPIOBJECT MAPISession", L"GetFolderFromID", L"GetMessageFromID",
                                  L"Move \\\\Mailbox - Anna Berg\\Inbox\\Projects\\Alpha"}));
    // A session and destination given: used as they are, for a mail of another store.
    rdo.calls.clear();
    {
        auto session = std::make_shared<FakeRdoSession>(host, rdo);
        session->Put(L"MAPIOBJECT", host.Session()->Ref());
        auto target = std::make_shared<FakeRdoFolder>(host, rdo, mb.archiveInbox);
        EXPECT_TRUE(RDOMoveMail(mail->Ref(), mb.archiveInbox->Ref(), session, target));
    }
    EXPECT_EQ(mail->Folder(), mb.archiveInbox);
    EXPECT_EQ(rdo.calls, (Strings{L"MAPIOBJECT NameSpace", L"GetMessageFromID", L"Move \\\\Archive 2009\\Inbox"}));
    EXPECT_TRUE(Errors().empty());

    // A destination that is gone: nothing moves, the failure is logged.
    host.Vanish(mb.beta);
    EXPECT_FALSE(RDOMoveMail(mail->Ref(), mb.beta->Ref()));
    EXPECT_EQ(mail->Folder(), mb.archiveInbox);
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0].rfind(L"mMain.RDOMoveMail|", 0), 0u);
}

}  // namespace
}  // namespace brisko::testing
