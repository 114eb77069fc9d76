// Every host call of a Create click failed in turn, on a fresh add-in and mailbox each time: no
// error escapes, nothing is left referenced, and the outcome is one the dialogs allow: the mail is
// never moved or deleted without its new item, at most one item is made, and a click that made no
// saved item leaves the dialog open.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "addin/dialogs/CQuickDialog.h"
#include "addin/dialogs/mForms.h"
#include "addin/host/COptions.h"
#include "addin/host/Connect.h"
#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "automation/text.h"
#include "controls/sim/sim_registration.h"
#include "platform/sim/sim_platform.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "standins/redemption/sim_registration.h"

namespace brisko::testing {
namespace {

struct Outcome {
    bool clicked = false;  // the click ran (the dialog was there)
    std::size_t items = 0;  // new items in the target folder, or shown unsaved in their window
    bool dialogOpen = false;
    std::wstring mailFolder;  // the folder the mail is in now ("": gone for good)
    long references = 0;
    std::size_t escaped = 0;
    std::uint64_t calls = 0;  // host calls of the click
};

enum class Kind { Task, Appointment };

// One run: connect, open the dialog for the second Inbox mail with the mail attached and moved
// (task) or deleted (appointment), fail the k-th host call of the click (0: none), click Create.
Outcome Run(Kind kind, int version, std::uint64_t k, bool edit) {
    Outcome o;
    ReleaseProcessObjects();
    Services() = DefaultServices();
    CQuickDialog::ResetInstanceCounter();
    sim::SimPlatform platform;
    redemption::RegisterClasses(platform.objects);
    kelvane::RegisterClasses(platform.objects);
    platform.Install();
    {
        sim::SimOutlook host;
        const sim::SampleMailbox mb = sim::BuildSampleMailbox(host);
        host.SetMajorVersion(version);
        auto connect = std::make_shared<Connect>();
        Array custom;
        connect->OnConnection(host.ApplicationObject(), 1, nullptr, custom);
        connect->OnStartupComplete(custom);

        sim::SimItem* mail = mb.inboxMails.at(1);
        const std::wstring subject = mail->Prop(L"Subject").AsString();
        sim::SimFolder* target = kind == Kind::Task ? mb.tasks : mb.calendar;
        const std::size_t before = target->Contents().size();
        const int n = kind == Kind::Task ? 3 : 1;
        Options().SetLastUsed_AttachMail(n, true);
        Options().SetLastUsed_MailAction(n, kind == Kind::Task ? 1 : 2);
        g_oRecentMove2Folders->SetRecent(mb.invoices->Ref());
        if (kind == Kind::Task) {
            ShowQuickTask(mail->Ref(), false);
        } else {
            ShowQuickAppointment(mail->Ref(), false);
        }
        auto* window = platform.formWindows.last();
        if (window) {
            const std::uint64_t start = host.CallCount();
            if (k > 0) host.FailCall(k, sim::err::OperationFailed, L"injected");
            if (edit) {
                window->Click(kind == Kind::Task ? L"btnEditTask" : L"btnEditAppointment");
            } else {
                window->Click(kind == Kind::Task ? L"btnCreateTask" : L"btnCreateAppointment");
            }
            o.calls = host.CallCount() - start;
            o.clicked = true;
            host.ClearFaults();
        }
        o.items = target->Contents().size() - before;
        for (auto* inspector : host.OpenInspectors()) {
            if (auto* item = inspector->CurrentItem(); item && !item->Stored() && item->Prop(L"Subject") == Value(subject)) {
                ++o.items;
            }
        }
        o.dialogOpen = !platform.formWindows.live().empty();
        for (auto* folder : {mb.inbox, mb.invoices, mb.deletedItems}) {
            for (auto* item : folder->Contents()) {
                if (item->Prop(L"Subject") == Value(subject)) o.mailFolder = folder->Name();
            }
        }
        connect->OnBeginShutdown(custom);
        connect->OnDisconnection(0, custom);
        connect.reset();
        ReleaseProcessObjects();
        o.references = host.ExternalReferences();
        o.escaped = host.EscapedErrors().size();
    }
    Services() = DefaultServices();
    SetPlatform(Platform{});
    return o;
}

void Sweep(Kind kind, int version, bool edit = false) {
    const Outcome clean = Run(kind, version, 0, edit);
    ASSERT_TRUE(clean.clicked);
    ASSERT_EQ(clean.items, 1u);
    ASSERT_FALSE(clean.dialogOpen);
    ASSERT_GT(clean.calls, 10u);
    for (std::uint64_t k = 1; k <= clean.calls + 1; ++k) {
        SCOPED_TRACE("host call " + std::to_string(k) + " of " + std::to_string(clean.calls) + " failed");
        const Outcome o = Run(kind, version, k, edit);
        EXPECT_TRUE(o.clicked);
        EXPECT_EQ(o.escaped, 0u);
        EXPECT_EQ(o.references, 0);
        EXPECT_LE(o.items, 1u);
        // The mail leaves the Inbox only when its item was saved.
        if (o.items == 0) {
            EXPECT_TRUE(o.dialogOpen);
            EXPECT_EQ(o.mailFolder, L"Inbox");
        }
    }
}

TEST(QuickDialogFaultSweep, CreateTaskAttachAndMove) { Sweep(Kind::Task, 12); }
TEST(QuickDialogFaultSweep, CreateTaskThroughTheSafeTaskItem) { Sweep(Kind::Task, 14); }
TEST(QuickDialogFaultSweep, CreateAppointmentAttachAndDelete) { Sweep(Kind::Appointment, 14); }
// "Edit Details": the new item is the one shown in its window (or saved when it can't be shown).
TEST(QuickDialogFaultSweep, EditTaskAttachAndMove) { Sweep(Kind::Task, 12, true); }
TEST(QuickDialogFaultSweep, EditAppointmentAttachAndDelete) { Sweep(Kind::Appointment, 12, true); }

}  // namespace
}  // namespace brisko::testing
