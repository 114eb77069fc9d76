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

// OnConnection, OnStartupComplete and the first explorer's Init, then shutdown outside the timing.
void BM_StartUp(benchmark::State& state) {
    const int major = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        sim::SimPlatform platform;
        platform.Install();
        sim::SimOutlook host;
        auto mb = sim::BuildSampleMailbox(host);
        host.SetMajorVersion(major);
        host.AddExplorerAtStartup(mb.inbox);
        auto connect = std::make_shared<Connect>();
        Array custom;
        state.ResumeTiming();

        connect->OnConnection(host.ApplicationObject(), ext_cm_Startup, nullptr, custom);
        connect->OnStartupComplete(custom);
        benchmark::DoNotOptimize(connect->State());

        state.PauseTiming();
        connect->OnBeginShutdown(custom);
        connect->OnDisconnection(ext_dm_HostShutdown, custom);
        connect.reset();
        ReleaseProcessObjects();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUp)->Arg(11)->Arg(14);

// A second explorer opened, activated, selected in and closed while the add-in runs.
void BM_ExplorerCycle(benchmark::State& state) {
    const int major = static_cast<int>(state.range(0));
    sim::SimPlatform platform;
    platform.Install();
    sim::SimOutlook host;
    auto mb = sim::BuildSampleMailbox(host);
    host.SetMajorVersion(major);
    host.AddExplorerAtStartup(mb.inbox);
    auto connect = std::make_shared<Connect>();
    Array custom;
    connect->OnConnection(host.ApplicationObject(), ext_cm_Startup, nullptr, custom);
    connect->OnStartupComplete(custom);
    for (auto _ : state) {
        auto* e = host.OpenExplorer(mb.calendar);
        host.ActivateExplorer(e);
        host.Select(e, {});
        host.CloseExplorer(e);
    }
    // The log grows with every cycle; keep it from dominating memory.
    state.counters["log records"] = static_cast<double>(platform.torvik.log().size());
    connect->OnBeginShutdown(custom);
    connect->OnDisconnection(ext_dm_HostShutdown, custom);
    connect.reset();
    ReleaseProcessObjects();
}
BENCHMARK(BM_ExplorerCycle)->Arg(11)->Arg(14);

}  // namespace

BENCHMARK_MAIN();
