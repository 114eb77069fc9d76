// Fails each host call of a session that uses every surface in turn: no error escapes into the
// host, nothing stays referenced, and a closed mail window keeps none of the add-in's controls.
#include <gtest/gtest.h>

#include "addin/host/Connect.h"
#include "automation/text.h"
#include "grelmo_fake.h"
#include "simhost/command_bars.h"
#include "simhost/objects.h"
#include "simhost/ribbon.h"
#include "simhost/sample_mailbox.h"
#include "tests/addin/addin_fixture.h"

namespace brisko::testing {
namespace {

constexpr std::int32_t kInjected = -2147220991;  // 0x80040201
#if defined(__SANITIZE_ADDRESS__)
// Under the sanitizers a session is ten times slower: every tenth call there, every call in the
// plain build.
constexpr std::uint64_t kStride = 10;
#else
constexpr std::uint64_t kStride = 1;
#endif
const wchar_t* const kInjectedText = L"Injected host failure";

struct RunResult {
    std::uint64_t calls = 0;
    std::vector<std::wstring> trace;
    std::vector<sim::EscapedError> escaped;
    long references = 0;
    std::wstring referenceList;
    // Added controls left on the bars of the closed mail windows.
    std::wstring leftOnMailWindows;
};

void Press(sim::SimObject* window, std::wstring_view bar, std::wstring_view path) {
    if (auto* c = sim::FindControlByPath(window, bar, path)) sim::Press(c);
}

RunResult RunSession(int major, std::uint64_t failAt) {
    sim::SimOutlook host;
    auto mb = sim::BuildSampleMailbox(host);
    host.SetMajorVersion(major);
    host.SetPickFolderAnswer(mb.beta);
    auto* explorer = host.AddExplorerAtStartup(mb.inbox);
    host.SetTracing(true);
    host.ClearTrace();
    const auto before = host.CallCount();
    if (failAt != 0) host.FailCall(failAt, kInjected, kInjectedText);

    std::vector<sim::SimInspector*> mailWindows;
    {
        auto connect = std::make_shared<Connect>();
        Array custom;
        connect->OnConnection(host.ApplicationObject(), ext_cm_Startup, nullptr, custom);
        host.Ribbon().Attach(connect);
        connect->OnStartupComplete(custom);
        host.Ribbon().StartupComplete();

        // Explorer: toolbar, menu bar or ribbon.
        host.Select(explorer, {mb.inboxMails.at(0)});
        Press(explorer, L"Standard", L"Move the selected e-mail to ......");  // picks Beta
        if (major >= 14) {
            host.Ribbon().Show(explorer);
            host.Ribbon().Click(explorer, L"btnFolderPickE");
        }
        host.Select(explorer, {mb.inboxMails.at(1)});
        Press(explorer, L"Menu Bar", L"Actions/Quick Task");
        Press(explorer, L"Menu Bar", L"Actions/Move to Folder/1 Inbox\\Projects\\Beta (default)");
        if (major >= 14) host.Ribbon().Click(explorer, L"btnFolderE");

        // Item context menu.
        host.Select(explorer, {mb.inboxMails.at(2)});
        if (auto* menu = sim::ShowItemContextMenu(explorer)) {
            if (auto* c = sim::FindControlInBar(menu, L"Corvant.Brisko.ContextMenu.QAppointment")) sim::Press(c);
            if (auto* c = sim::FindControlInBar(menu, L"Move to Folder/1 Inbox\\Projects\\Beta (default)")) sim::Press(c);
            if (major >= 12) sim::CloseItemContextMenu(host);
        }

        // Mail windows: their own bars, or the ribbon.
        auto* first = host.OpenInspector(mb.inboxMails.at(3));
        mailWindows.push_back(first);
        host.ActivateInspector(first);
        Press(first, L"Standard", L"Create a task from the selected e-mail");
        if (major >= 12) {
            host.Ribbon().Show(first);
            host.Ribbon().Click(first, L"btnFolder_1I");
        } else {
            Press(first, L"Standard", L"Move the selected e-mail to a recently used folder/1 Inbox\\Projects\\Beta (default)");
        }
        auto* second = host.OpenInspector(mb.inboxMails.at(4));
        mailWindows.push_back(second);
        host.ActivateInspector(second);
        if (!host.OpenInspectors().empty()) host.CloseInspector(host.OpenInspectors().front());
        for (auto* w : host.OpenInspectors()) host.CloseInspector(w);

        // A second explorer comes and goes; the first closes; shutdown.
        auto* other = host.OpenExplorer(mb.invoices);
        host.ActivateExplorer(other);
        host.CloseExplorer(other);
        host.CloseExplorer(explorer);
        connect->OnBeginShutdown(custom);
        connect->OnDisconnection(ext_dm_HostShutdown, custom);
        host.Ribbon().Detach();
    }
    Forms().UnloadAll();
    ReleaseProcessObjects();

    RunResult r;
    r.calls = host.CallCount() - before;
    r.trace = host.Trace();
    r.escaped = host.EscapedErrors();
    r.references = host.ExternalReferences();
    r.referenceList = host.DescribeExternalReferences();
    for (auto* w : mailWindows) {
        const std::wstring listing = sim::ListAddinControls(w);
        if (listing.find(L"button ") != std::wstring::npos || listing.find(L"popup ") != std::wstring::npos) {
            r.leftOnMailWindows += listing;
        }
    }
    return r;
}

bool KnownProcedure(const std::wstring& p) {
    for (const wchar_t* prefix :
         {L"Connect.", L"Connect::", L"CExplorersWrapper.", L"CExplorersWrapper::", L"CExplorerWrapper.", L"mTorvik.",
          L"CExplorerMenu.", L"CFolderMenu.", L"mExplorerMenu.", L"CInspectorsWrapper::", L"CInspectorWrapper.",
          L"CGrelmoEvents.", L"mMain.", L"mForms.", L"mIcons.", L"CRecentFolder", L"frmQuick", L"CQuickDialog",
          L"CLang.", L"COptions.", L"Key2EntryStore", L"CStartEndControls", L"CLinkLabel"}) {
        if (p.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

class SurfacesFaultSweep : public AddinTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        AddinTest::SetUp();
        FakeGrelmo::Register(platform.objects);
    }
    void TearDown() override {
        Forms().UnloadAll();
        AddinTest::TearDown();
    }
};

TEST_P(SurfacesFaultSweep, NoFailingHostCallEscapesLeaksOrLeavesControlsOnAClosedMailWindow) {
#ifdef _WIN32
    GTEST_SKIP() << "thousands of sessions: native only (Wine runs the surfaces through COM)";
#endif
    const int major = GetParam();
    const auto clean = RunSession(major, 0);
    ASSERT_GT(clean.calls, 100u);
    ASSERT_TRUE(clean.escaped.empty());
    ASSERT_EQ(clean.references, 0) << ToUtf8(clean.referenceList);
    ASSERT_TRUE(clean.leftOnMailWindows.empty()) << ToUtf8(clean.leftOnMailWindows);
    for (const auto& e : Errors()) ADD_FAILURE() << ToUtf8(e);

    for (std::uint64_t k = 1; k <= clean.calls; k += kStride) {
        platform.torvik.Reset();
        platform.messageBoxes.ClearShown();
        ReleaseProcessObjects();
        const auto r = RunSession(major, k);
        const std::wstring failed = k <= r.trace.size() ? r.trace[static_cast<std::size_t>(k - 1)] : L"";
        SCOPED_TRACE("call " + std::to_string(k) + ": " + ToUtf8(failed));

        EXPECT_TRUE(r.escaped.empty()) << ToUtf8(r.escaped.front().event) << " " << r.escaped.front().number;
        EXPECT_EQ(r.references, 0) << ToUtf8(r.referenceList);
        // A control whose own Delete failed stays; nothing else may.
        if (failed.find(L".Delete") == std::wstring::npos) {
            EXPECT_TRUE(r.leftOnMailWindows.empty()) << ToUtf8(r.leftOnMailWindows);
        }
        for (const auto& rec : Log()) {
            if (rec.level == 3) {
                EXPECT_TRUE(KnownProcedure(rec.procedure)) << ToUtf8(rec.procedure);
            }
        }
        if (::testing::Test::HasFailure()) break;
    }
}

INSTANTIATE_TEST_SUITE_P(HostVersions, SurfacesFaultSweep, ::testing::Values(9, 10, 11, 12, 14),
                         [](const ::testing::TestParamInfo<int>& p) { return "Outlook" + std::to_string(p.param); });

}  // namespace
}  // namespace brisko::testing
