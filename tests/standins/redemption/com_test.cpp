// RedemptionStandIn.dll under Wine: regsvr32, creation through the Windows object factory by
// ProgID and class id, and the four operations over COM against the simulated Outlook exposed
// through IDispatch.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "automation/error.h"
#include "automation/text.h"
#include "platform/win/win_objects.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"
#include "standins/redemption/safe_objects.h"
#include "tests/support/inproc_server_test.h"
#include "tools/outlook-sim/sim_exposure.h"

namespace brisko::redemption {
namespace {

constexpr wchar_t kLibrary[] = L"RedemptionStandIn.dll";
constexpr wchar_t kSessionKey[] = L"CLSID\\{29AB7A12-B531-450E-8F7A-EA94C2F3C05F}";

using test_support::ReadString;

RuntimeError ErrorOf(auto&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e;
    }
    return RuntimeError(0, L"none");
}

class Server : public test_support::RegisteredServer<kLibrary> {
protected:
    win::WinObjectFactory factory;
};

TEST_F(Server, Regsvr32RegistersTheThreeProgIdsAndTheSessionClass) {
    const std::wstring module = LibraryPath();
    EXPECT_TRUE(EqualsNoCase(ReadString(std::wstring(kSessionKey) + L"\\InprocServer32"), module));
    EXPECT_EQ(ReadString(std::wstring(kSessionKey) + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    for (auto progId : {kSafeMailItem, kSafeTaskItem, kSafeAppointmentItem}) {
        const std::wstring clsid = ReadString(std::wstring(progId) + L"\\CLSID");
        EXPECT_TRUE(EqualsNoCase(ReadString(L"CLSID\\" + clsid + L"\\InprocServer32"), module)) << ToUtf8(clsid);
        EXPECT_EQ(ReadString(L"CLSID\\" + clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(ReadString(L"CLSID\\" + clsid + L"\\ProgID"), std::wstring(progId));
    }
}

TEST_F(Server, NeverTakesOverAClassAnotherLibraryServes) {
    ASSERT_EQ(RunRegsvr32(L"/u /s"), 0u);
    EXPECT_EQ(ReadString(std::wstring(kSessionKey) + L"\\InprocServer32"), L"(none)");
    EXPECT_EQ(ReadString(std::wstring(kSafeMailItem) + L"\\CLSID"), L"(none)");
    const std::wstring vendor = L"C:\\Program Files\\Vendor\\Redemption.dll";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kSessionKey) + L"\\InprocServer32").c_str(), 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(vendor.c_str()),
                   static_cast<DWORD>((vendor.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    EXPECT_NE(RunRegsvr32(L"/s"), 0u);
    EXPECT_EQ(ReadString(std::wstring(kSessionKey) + L"\\InprocServer32"), vendor);
    EXPECT_EQ(ReadString(std::wstring(kSafeMailItem) + L"\\CLSID"), L"(none)");
    RunRegsvr32(L"/u /s");
    EXPECT_EQ(ReadString(std::wstring(kSessionKey) + L"\\InprocServer32"), vendor);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kSessionKey);
    RegDeleteKeyW(HKEY_CLASSES_ROOT, kSessionKey);
    ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
}

TEST_F(Server, FactoryRaises429NamingTheClass) {
    for (const wchar_t* name : {L"Redemption.NoSuchItem", L"{not a class id}", L"{6E1D3D1C-0000-4A2B-9C3D-000000000429}",
                                L""}) {
        const RuntimeError e = ErrorOf([&] { factory.CreateObject(name); });
        EXPECT_EQ(e.number(), brisko::err::CantCreateObject) << ToUtf8(name);
        EXPECT_NE(e.description().find(std::wstring(L"can't create object: ") + name), std::wstring::npos)
            << ToUtf8(e.description());
    }
}

class OverCom : public Server {
protected:
    void TearDown() override {
        app.reset();
        ns.reset();
        EXPECT_EQ(host.ExternalReferences(), 0) << ToUtf8(host.DescribeExternalReferences());
        EXPECT_TRUE(host.EscapedErrors().empty());
    }
    ObjectPtr Session() {
        auto session = factory.CreateObject(kRdoSessionClassId);
        PutOf(session, L"MAPIOBJECT", GetOf(ns, L"MAPIOBJECT"));
        return session;
    }

    tools::SimExposure exposure;
    sim::SimOutlook host;
    sim::SampleMailbox box = sim::BuildSampleMailbox(host);
    ObjectPtr app = host.ApplicationObject();
    ObjectPtr ns = ObjectOf(app, L"Session");
};

TEST_F(OverCom, SafeMailItemReadsTheBody) {
    auto safe = factory.CreateObject(L"Redemption.SafeMailItem");
    EXPECT_EQ(ErrorOf([&] { GetOf(safe, L"Body"); }).number(), err::NotBound);
    safe->PutRef(L"Item", box.reminderMail->Ref());
    EXPECT_EQ(GetOf(safe, L"Body"), Value(box.reminderMail->Text(L"Body")));
    PutOf(safe, L"Item", box.highImportanceMail->Ref());
    EXPECT_EQ(GetOf(safe, L"Body"), Value(box.highImportanceMail->Text(L"Body")));
    host.Vanish(box.highImportanceMail);
    EXPECT_EQ(ErrorOf([&] { GetOf(safe, L"Body"); }).number(), sim::err::ObjectNotFound);
}

TEST_F(OverCom, SafeTaskItemAttachesTheMailAsAnItemAttachment) {
    auto task = CallOf(app, L"CreateItem", {sim::ol::TaskItem}).AsObject();
    auto safe = factory.CreateObject(L"Redemption.SafeTaskItem");
    PutOf(safe, L"Item", task);
    host.SetTracing(true);
    CallOf(ObjectOf(safe, L"Attachments"), L"Add", {box.reminderMail->Ref(), Missing, Missing, Missing});
    host.SetTracing(false);
    // The omitted arguments reach the host as omitted, through both COM boundaries.
    EXPECT_EQ(host.Trace().back(), L"Attachments.Add Method (Object, Long, Missing, Missing)");
    const auto& list = dynamic_cast<sim::SimItem&>(*task).AttachmentList();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->AttachmentType(), sim::ol::EmbeddedItem);
    EXPECT_EQ(list[0]->Source(), box.reminderMail);

    auto appointment = CallOf(app, L"CreateItem", {sim::ol::AppointmentItem}).AsObject();
    auto safeAppointment = factory.CreateObject(L"Redemption.SafeAppointmentItem");
    PutOf(safeAppointment, L"Item", appointment);
    CallOf(ObjectOf(safeAppointment, L"Attachments"), L"Add", {box.reminderMail->Ref()});
    ASSERT_EQ(dynamic_cast<sim::SimItem&>(*appointment).AttachmentList().size(), 1u);
    EXPECT_EQ(dynamic_cast<sim::SimItem&>(*appointment).AttachmentList()[0]->AttachmentType(), sim::ol::EmbeddedItem);
}

TEST_F(OverCom, SessionFindsDeletedItemsOfASecondStoreAndMovesMail) {
    auto session = Session();
    auto store = CallOf(session, L"GetStoreFromID", {box.archive->StoreID()}).AsObject();
    EXPECT_EQ(GetOf(CallOf(store, L"GetDefaultFolder", {sim::ol::FolderDeletedItems}).AsObject(), L"EntryID"),
              Value(box.archiveDeleted->EntryID()));
    EXPECT_EQ(ErrorOf([&] { CallOf(session, L"GetStoreFromID", {L"00BAD0"}); }).number(), sim::err::ObjectNotFound);

    auto* mail = box.inboxMails.at(1);
    auto destination = CallOf(session, L"GetFolderFromID", {box.archiveInbox->EntryID(), box.archive->StoreID()});
    auto message = CallOf(session, L"GetMessageFromID", {mail->EntryID(), box.inbox->StoreID()}).AsObject();
    auto moved = CallOf(message, L"Move", {destination}).AsObject();
    EXPECT_EQ(mail->Folder(), box.archiveInbox);
    EXPECT_EQ(GetOf(moved, L"EntryID"), Value(mail->EntryID()));
    EXPECT_EQ(ErrorOf([&] { CallOf(message, L"Move", {box.projects->Ref()}); }).number(), brisko::err::TypeMismatch);
    EXPECT_EQ(ErrorOf([&] { CallOf(session, L"GetMessageFromID", {L"00BAD0", box.inbox->StoreID()}); }).number(),
              sim::err::ObjectNotFound);
}

}  // namespace
}  // namespace brisko::redemption
