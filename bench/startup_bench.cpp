// Start-up of the add-in and one explorer window's life on the simulated Outlook.
#include <benchmark/benchmark.h>

#include "addin/host/Connect.h"
#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "platform/sim/sim_platform.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"

namespace {

using namespace brisko;

// The sample mailbox with one explorer open, and an add-in object not yet connected.
struct Session {
    explicit Session(int major) : mailbox(sim::BuildSampleMailbox(host)) {
        platform.Install();
        host.SetMajorVersion(major);
        host.AddExplorerAtStartup(mailbox.inbox);
    }
    void Start() {
        connect->OnConnection(host.ApplicationObject(), ext_cm_Startup, nullptr, custom);
        connect->OnStartupComplete(custom);
    }
    ~Session() {
        connect->OnBeginShutdown(custom);
        connect->OnDisconnection(ext_dm_HostShutdown, custom);
        connect.reset();
        ReleaseProcessObjects();
    }

    sim::SimPlatform platform;
    sim::SimOutlook host;
    sim::SampleMailbox mailbox;
    std::shared_ptr<brisko::Connect> connect = std::make_shared<brisko::Connect>();
    Array custom;
};

// OnConnection, OnStartupComplete and the first explorer's Init; shutdown outside the timing.
void BM_StartUp(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<Session>(static_cast<int>(state.range(0)));
        state.ResumeTiming();

        session->Start();
        benchmark::DoNotOptimize(session->connect->State());

        state.PauseTiming();
        session.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUp)->Arg(11)->Arg(14);

// A second explorer opened, activated, selected in and closed while the add-in runs.
void BM_ExplorerCycle(benchmark::State& state) {
    Session session(static_cast<int>(state.range(0)));
    session.Start();
    auto& host = session.host;
    for (auto _ : state) {
        auto* e = host.OpenExplorer(session.mailbox.calendar);
        host.ActivateExplorer(e);
        host.Select(e, {});
        host.CloseExplorer(e);
    }
}
BENCHMARK(BM_ExplorerCycle)->Arg(11)->Arg(14);

}  // namespace

BENCHMARK_MAIN();
