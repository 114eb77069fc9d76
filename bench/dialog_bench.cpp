// What the user waits for in the quick dialogs, on the simulated Outlook with the in-memory
// platform: from the command to the dialog shown (ShowQuickTask / ShowQuickAppointment on a
// sample mail with a remembered move folder), and from the Create click to the dialog gone (the
// item created, the mail moved). Beside them the same windows bare: the design tables' controls
// in a form window with no add-in logic. bench/dialogs/dialog_bench_win.cpp times the same under
// Wine with the real windows.
#include <benchmark/benchmark.h>

#include <memory>

#include "addin/dialogs/CQuickDialog.h"
#include "addin/dialogs/mForms.h"
#include "addin/folders/CRecentFolders.h"
#include "addin/forms/quick_designs.h"
#include "addin/host/COptions.h"
#include "addin/host/Connect.h"
#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "controls/sim/sim_registration.h"
#include "platform/sim/sim_platform.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "standins/redemption/sim_registration.h"

namespace {

using namespace brisko;

// The add-in connected to the sample mailbox (version 12), the move folder Inbox\Projects\Alpha
// remembered and "move the mail" last used by both dialogs.
struct Session {
    Session() {
        ReleaseProcessObjects();
        Services() = DefaultServices();
        redemption::RegisterClasses(platform.objects);
        kelvane::RegisterClasses(platform.objects);
        platform.Install();
        platform.clock.now = {2026, 12, 8, 9, 40, 0};
        mailbox = sim::BuildSampleMailbox(host);
        host.SetMajorVersion(12);
        connect = std::make_shared<brisko::Connect>();
        Array custom;
        connect->OnConnection(host.ApplicationObject(), 1, nullptr, custom);
        connect->OnStartupComplete(custom);
        g_oRecentMove2Folders->SetRecent(mailbox.alpha->Ref());
        Options().SetLastUsed_MailAction(3, 1);
        Options().SetLastUsed_MailAction(1, 1);
    }
    ~Session() {
        Array custom;
        connect->OnBeginShutdown(custom);
        connect->OnDisconnection(0, custom);
        connect.reset();
        ReleaseProcessObjects();
        SetPlatform(Platform{});
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    sim::SimItem* NewMail() {
        sim::MailFields fields;
        fields.subject = L"Quarterly report: figures for the board meeting";
        fields.body = L"Please find the figures attached.\r\nRegards, Jonas";
        fields.senderName = L"Jonas Weber";
        fields.categories = L"Reports";
        fields.importance = 2;
        return host.AddMail(mailbox.inbox, fields);
    }
    void Show(bool task, sim::SimItem* mail) {
        if (task) ShowQuickTask(mail->Ref(), false);
        else ShowQuickAppointment(mail->Ref(), false);
    }

    sim::SimPlatform platform;
    sim::SimOutlook host;
    sim::SampleMailbox mailbox;
    std::shared_ptr<brisko::Connect> connect;
};

// The folders grow by a mail and an item per Create click: a fresh session every so often keeps
// them at the sample's size.
constexpr int kFreshEvery = 200;

void Show(benchmark::State& state, bool task) {
    auto session = std::make_unique<Session>();
    sim::SimItem* mail = session->NewMail();
    for (auto _ : state) {
        session->Show(task, mail);
        state.PauseTiming();
        sim::SimFormWindow* window = session->platform.formWindows.last();
        const bool shown = window && window->Visible();
        if (window) window->Click(L"btnCancel");
        state.ResumeTiming();
        if (!shown) {
            state.SkipWithError("no dialog shown");
            break;
        }
    }
}

void Create(benchmark::State& state, bool task) {
    auto session = std::make_unique<Session>();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (++n % kFreshEvery == 0) {
            session.reset();
            session = std::make_unique<Session>();
        }
        sim::SimItem* mail = session->NewMail();
        session->Show(task, mail);
        sim::SimFormWindow* window = session->platform.formWindows.last();
        if (!window) {
            state.SkipWithError("no dialog shown");
            break;
        }
        state.ResumeTiming();

        window->Click(task ? L"btnCreateTask" : L"btnCreateAppointment");

        state.PauseTiming();
        const bool done = window->destroyed() && mail->Folder() == session->mailbox.alpha;
        state.ResumeTiming();
        if (!done) {
            state.SkipWithError("the dialog stayed open or the mail was not moved");
            break;
        }
    }
}

// The design's controls in a form window: the form made from its table, loaded and shown.
void BareShow(benchmark::State& state, bool task) {
    Session session;
    for (auto _ : state) {
        auto form = task ? forms::MakeQuickTaskDesign() : forms::MakeQuickAppointmentDesign();
        form->Load();
        form->Show();
        state.PauseTiming();
        form->Unload(vbFormCode);
        form.reset();
        state.ResumeTiming();
    }
}

// The bare window unloaded.
void BareClose(benchmark::State& state, bool task) {
    Session session;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = task ? forms::MakeQuickTaskDesign() : forms::MakeQuickAppointmentDesign();
        form->Load();
        form->Show();
        state.ResumeTiming();
        form->Unload(vbFormCode);
        form.reset();
    }
}

void BM_ShowQuickTask(benchmark::State& state) { Show(state, true); }
void BM_ShowQuickAppointment(benchmark::State& state) { Show(state, false); }
void BM_CreateTask(benchmark::State& state) { Create(state, true); }
void BM_CreateAppointment(benchmark::State& state) { Create(state, false); }
void BM_BareTaskShow(benchmark::State& state) { BareShow(state, true); }
void BM_BareAppointmentShow(benchmark::State& state) { BareShow(state, false); }
void BM_BareTaskClose(benchmark::State& state) { BareClose(state, true); }
void BM_BareAppointmentClose(benchmark::State& state) { BareClose(state, false); }

BENCHMARK(BM_ShowQuickTask);
BENCHMARK(BM_BareTaskShow);
BENCHMARK(BM_ShowQuickAppointment);
BENCHMARK(BM_BareAppointmentShow);
BENCHMARK(BM_CreateTask);
BENCHMARK(BM_BareTaskClose);
BENCHMARK(BM_CreateAppointment);
BENCHMARK(BM_BareAppointmentClose);

}  // namespace

BENCHMARK_MAIN();
