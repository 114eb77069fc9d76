// Start-up and the whole life of the add-in, and one explorer window's life, on the simulated
// Outlook; bench/com/brisko_com_bench.cpp times the same start-up through COM under Wine.
#include <benchmark/benchmark.h>

#include "addin/host/Connect.h"
#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "platform/sim/sim_platform.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"

namespace {

using namespace brisko;

// The add-in's COMAddIn object as the host hands it over.
class AddInObject : public Object {
public:
    Value Invoke(std::wstring_view name, CallKind, Args&) override {
        if (name == L"ProgId") return Value(std::wstring(L"Brisko.Connect"));
        if (name == L"Connect") return Value(true);
        return {};
    }
    std::wstring TypeName() const override { return L"COMAddIn"; }
};

// The sample mailbox with one explorer open on the Inbox, and an add-in object not yet connected
// (the same host as bench/com/brisko_com_bench.cpp's).
struct Session {
    explicit Session(int major) : mailbox(sim::BuildSampleMailbox(host)) {
        platform.Install();
        host.SetMajorVersion(major);
        host.AddExplorerAtStartup(mailbox.inbox);
    }
    void Create() { connect = std::make_shared<brisko::Connect>(); }
    void Start() {
        connect->OnConnection(host.ApplicationObject(), ext_cm_Startup, addInInst, custom);
        connect->OnStartupComplete(custom);
    }
    void Shutdown() {
        connect->OnBeginShutdown(custom);
        connect->OnDisconnection(ext_dm_HostShutdown, custom);
    }
    void Release() { connect.reset(); }
    // After Release: whether the add-in left references to the host's objects.
    bool Released() const { return host.ExternalReferences() == 0; }
    ~Session() {
        if (connect) {
            Shutdown();
            Release();
        }
        ReleaseProcessObjects();
    }

    sim::SimPlatform platform;
    sim::SimOutlook host;
    sim::SampleMailbox mailbox;
    ObjectPtr addInInst = std::make_shared<AddInObject>();
    std::shared_ptr<brisko::Connect> connect;
    Array custom;
};

// OnConnection, OnStartupComplete and the first explorer's Init; creation, shutdown and release
// outside the timing.
void BM_StartUp(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<Session>(static_cast<int>(state.range(0)));
        session->Create();
        state.ResumeTiming();

        session->Start();
        benchmark::DoNotOptimize(session->connect->State());

        state.PauseTiming();
        session->Shutdown();
        session->Release();
        const bool released = session->Released();
        session.reset();
        state.ResumeTiming();
        if (!released) {
            state.SkipWithError("host references left after shutdown");
            break;
        }
    }
}
BENCHMARK(BM_StartUp)->Arg(11)->Arg(14);

// The whole life of the add-in object: created, connected, started, shut down, disconnected and
// released. The host's set-up and the process-wide objects' release (the library's unload)
// outside the timing.
void BM_WholeLife(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<Session>(static_cast<int>(state.range(0)));
        state.ResumeTiming();

        session->Create();
        session->Start();
        session->Shutdown();
        session->Release();

        state.PauseTiming();
        const bool released = session->Released();
        session.reset();
        state.ResumeTiming();
        if (!released) {
            state.SkipWithError("host references left after shutdown");
            break;
        }
    }
}
BENCHMARK(BM_WholeLife)->Arg(11)->Arg(14);

// A second explorer opened, activated, selected in and closed while the add-in runs.
void BM_ExplorerCycle(benchmark::State& state) {
    Session session(static_cast<int>(state.range(0)));
    session.Create();
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
