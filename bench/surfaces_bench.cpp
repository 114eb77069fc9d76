// The command surfaces on the simulated Outlook: one OnUpdate of an explorer whose state did not
// change (Outlook 2003), and one full show of the ribbon's tab (Outlook 2010: Invalidate, then the
// tab shown in the explorer). Besides the time, each reports figures that don't depend on the
// machine, per iteration: the host calls the add-in made (host_calls), the property writes on
// command-bar controls (control_writes) and the ribbon callbacks (callbacks).
// bench/com/brisko_com_bench.cpp measures the same through COM under Wine.
#include <benchmark/benchmark.h>

#include "addin/host/Connect.h"
#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "platform/sim/sim_platform.h"
#include "simhost/command_bars.h"
#include "simhost/objects.h"
#include "simhost/ribbon.h"
#include "simhost/sample_mailbox.h"
#include "standins/grelmo/sim_registration.h"
#include "standins/redemption/sim_registration.h"

namespace {

using namespace brisko;

class AddInObject : public Object {
public:
    Value Invoke(std::wstring_view name, CallKind, Args&) override {
        if (name == L"ProgId") return Value(std::wstring(L"Brisko.Connect"));
        if (name == L"Connect") return Value(true);
        return {};
    }
    std::wstring TypeName() const override { return L"COMAddIn"; }
};

// The sample mailbox with one explorer on the Inbox and its first mail selected; the add-in
// connected and started (the ribbon host attached on 12 and later), the explorer's surfaces made.
struct Running {
    explicit Running(int major) : mailbox(sim::BuildSampleMailbox(host)) {
        Services() = DefaultServices();
        redemption::RegisterClasses(platform.objects);
        grelmo::RegisterClasses(platform.objects);
        platform.Install();
        host.SetMajorVersion(major);
        explorer = host.AddExplorerAtStartup(mailbox.inbox);
        connect = std::make_shared<brisko::Connect>();
        connect->OnConnection(host.ApplicationObject(), ext_cm_Startup, addInInst, custom);
        if (major >= 12) host.Ribbon().Attach(connect);
        connect->OnStartupComplete(custom);
        if (major >= 12) host.Ribbon().StartupComplete();
        host.ActivateExplorer(explorer);
        host.Select(explorer, {mailbox.inboxMails.front()});
        sim::UpdateBars(explorer);
        if (major >= 12) host.Ribbon().Show(explorer);
    }
    ~Running() {
        connect->OnBeginShutdown(custom);
        connect->OnDisconnection(ext_dm_HostShutdown, custom);
        host.Ribbon().Detach();
        connect.reset();
        ReleaseProcessObjects();
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

    sim::SimPlatform platform;
    sim::SimOutlook host;
    sim::SampleMailbox mailbox;
    sim::SimExplorer* explorer = nullptr;
    ObjectPtr addInInst = std::make_shared<AddInObject>();
    std::shared_ptr<brisko::Connect> connect;
    Array custom;
};

void PerIteration(benchmark::State& state, const char* name, std::uint64_t total) {
    state.counters[name] = benchmark::Counter(static_cast<double>(total), benchmark::Counter::kAvgIterations);
}

// OnUpdate of an explorer whose folder and selection did not change since the last one.
void BM_UnchangedOnUpdate(benchmark::State& state) {
    Running session(static_cast<int>(state.range(0)));
    auto& host = session.host;
    const auto calls = host.CallCount();
    const auto writes = sim::ControlWrites(host);
    for (auto _ : state) sim::UpdateBars(session.explorer);
    PerIteration(state, "host_calls", host.CallCount() - calls);
    PerIteration(state, "control_writes", sim::ControlWrites(host) - writes);
    if (host.EscapedErrors().size() != 0) state.SkipWithError("an error escaped into the host");
}
BENCHMARK(BM_UnchangedOnUpdate)->Arg(11);

// The whole ribbon invalidated, then the add-in's tab shown in the explorer: every callback of
// every control again.
void BM_RibbonShow(benchmark::State& state) {
    Running session(static_cast<int>(state.range(0)));
    auto& host = session.host;
    auto& ribbon = host.Ribbon();
    const auto calls = host.CallCount();
    const auto callbacks = ribbon.CallbackCount();
    std::size_t shown = 0;
    for (auto _ : state) {
        ribbon.Invalidate();
        shown = ribbon.Show(session.explorer).size();
        benchmark::DoNotOptimize(shown);
    }
    PerIteration(state, "host_calls", host.CallCount() - calls);
    PerIteration(state, "callbacks", ribbon.CallbackCount() - callbacks);
    state.counters["controls"] = static_cast<double>(shown);
    if (shown == 0) state.SkipWithError("no tab of the add-in shown");
    if (!ribbon.Problems().empty() || !host.EscapedErrors().empty()) state.SkipWithError("ribbon problems or escaped errors");
}
BENCHMARK(BM_RibbonShow)->Arg(14);

}  // namespace

BENCHMARK_MAIN();
