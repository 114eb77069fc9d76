// Fails each host call of a start-up, window churn and shutdown run in turn.
#include <gtest/gtest.h>

#include <set>

#include "addin/host/Connect.h"
#include "addin/host/globals.h"
#include "addin_fixture.h"
#include "automation/text.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"

namespace brisko {
namespace {

constexpr std::int32_t kInjected = -2147220991;  // 0x80040201
const wchar_t* const kInjectedText = L"Injected host failure";

struct RunResult {
    std::uint64_t calls = 0;
    std::vector<std::wstring> trace;
    std::vector<sim::EscapedError> escaped;
    long references = 0;
    std::wstring referenceList;
};

// One run; failAt 0 fails nothing.
RunResult RunScenario(int major, std::uint64_t failAt) {
    sim::SimOutlook host;
    auto mb = sim::BuildSampleMailbox(host);
    host.SetMajorVersion(major);
    auto* e1 = host.AddExplorerAtStartup(mb.inbox);
    host.SetTracing(true);
    host.ClearTrace();
    const auto before = host.CallCount();
    if (failAt != 0) host.FailCall(failAt, kInjected, kInjectedText);

    auto connect = std::make_shared<Connect>();
    Array custom;
    connect->OnConnection(host.ApplicationObject(), ext_cm_Startup, nullptr, custom);
    connect->OnStartupComplete(custom);
    host.Select(e1, {mb.inboxMails.at(0), mb.inboxMails.at(1)});
    host.SwitchFolder(e1, mb.projects);
    auto* e2 = host.OpenExplorer(mb.calendar);
    host.ActivateExplorer(e2);
    host.Select(e2, {});
    host.CloseExplorer(e2);
    auto* inspector = host.OpenInspector(mb.inboxMails.at(2));
    host.ActivateInspector(inspector);
    host.CloseInspector(inspector);
    host.CloseExplorer(e1);
    auto* e3 = host.OpenExplorer(mb.tasks);
    host.ActivateExplorer(e3);
    host.SwitchFolder(e3, mb.inbox);
    connect->OnBeginShutdown(custom);
    connect->OnDisconnection(ext_dm_HostShutdown, custom);
    connect.reset();

    RunResult r;
    r.calls = host.CallCount() - before;
    r.trace = host.Trace();
    r.escaped = host.EscapedErrors();
    r.references = host.ExternalReferences();
    r.referenceList = host.DescribeExternalReferences();
    return r;
}

bool KnownProcedure(const std::wstring& p) {
    for (const wchar_t* prefix : {L"Connect.", L"Connect::", L"CExplorersWrapper.", L"CExplorersWrapper::",
                                  L"CExplorerWrapper.", L"mTorvik."}) {
        if (p.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

// Calls whose failure is ignored without a report, by design: the start of window tracking, and
// the options' reading of the mailbox identifier (the first four calls of a connection).
bool SilentCall(const std::wstring& traced, std::uint64_t k) {
    return traced.rfind(L"Application.Explorers", 0) == 0 || k <= 4;
}

// The connection's own calls: the window-bound services are inert here (the command surfaces
// have their own sweep in tests/commands).
class InertInspectors : public IInspectorsTracker {
public:
    void SetEventSink(std::weak_ptr<InspectorsEvents>) override {}
    void Init(const ObjectPtr&) override {}
    void Done() override {}
    std::vector<std::shared_ptr<IInspectorWrapper>> GetWrappers() override { return {}; }
};
class InertMenu : public IExplorerMenu {
public:
    void Create(const ObjectPtr&, const std::wstring&) override {}
    void UpdateButtons(int) override {}
};
class InertContextMenuEvents : public IContextMenuEvents {
public:
    void Init(const ObjectPtr&) override {}
};

class FaultSweep : public testing::AddinTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        testing::AddinTest::SetUp();
        Services().newInspectorsTracker = [] { return std::make_shared<InertInspectors>(); };
        Services().newExplorerMenu = [] { return std::make_shared<InertMenu>(); };
        Services().newContextMenuEvents = [] { return std::make_shared<InertContextMenuEvents>(); };
    }
};

TEST_P(FaultSweep, EveryFailingHostCallIsLoggedAndNothingLeaks) {
    const int major = GetParam();
    const auto clean = RunScenario(major, 0);
    ASSERT_GT(clean.calls, 10u);
    ASSERT_TRUE(clean.escaped.empty());
    ASSERT_EQ(clean.references, 0) << ToUtf8(clean.referenceList);
    ASSERT_TRUE(Errors().empty()) << ToUtf8(Errors().front());

    std::size_t silent = 0;
    for (std::uint64_t k = 1; k <= clean.calls; ++k) {
        platform.torvik.Reset();
        ReleaseProcessObjects();
        const auto r = RunScenario(major, k);
        ASSERT_GE(r.trace.size(), k);
        const std::wstring& failed = r.trace[static_cast<std::size_t>(k - 1)];
        SCOPED_TRACE("call " + std::to_string(k) + ": " + ToUtf8(failed));

        EXPECT_TRUE(r.escaped.empty()) << ToUtf8(r.escaped.front().event) << " " << r.escaped.front().number;
        EXPECT_EQ(r.references, 0) << ToUtf8(r.referenceList);
        bool logged = false;
        for (const auto& rec : Log()) {
            if (rec.level != 3) continue;
            EXPECT_TRUE(KnownProcedure(rec.procedure)) << ToUtf8(rec.procedure);
            if (rec.errorNumber == kInjected) {
                logged = true;
                EXPECT_EQ(rec.message, kInjectedText);
            }
        }
        if (SilentCall(failed, k)) {
            ++silent;
        } else {
            EXPECT_TRUE(logged) << "the failure went unreported";
        }
    }
    EXPECT_LT(silent, 7u);
}

INSTANTIATE_TEST_SUITE_P(HostVersions, FaultSweep, ::testing::Values(9, 11, 12, 14),
                         [](const ::testing::TestParamInfo<int>& p) { return "Outlook" + std::to_string(p.param); });

}  // namespace
}  // namespace brisko
