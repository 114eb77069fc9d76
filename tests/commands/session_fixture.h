// The add-in connected to the simulated Outlook with all its services, the ribbon attached as
// Office attaches it, and the context-menu events library in the class table.
#pragma once

#include <memory>
#include <string>

#include "addin/host/Connect.h"
#include "grelmo_fake.h"
#include "simhost/command_bars.h"
#include "simhost/ribbon.h"
#include "surfaces_fixture.h"

namespace brisko::testing {

class SessionTest : public SurfacesTest {
protected:
    void SetUp() override {
        SurfacesTest::SetUp();
        FakeGrelmo::Register(platform.objects);
    }
    void TearDown() override {
        Stop();
        SurfacesTest::TearDown();
    }

    // Outlook with an explorer on the Inbox starts the add-in.
    void Start(int major, sim::SimFolder* folder = nullptr) {
        host.SetMajorVersion(major);
        if (!explorer) explorer = host.AddExplorerAtStartup(folder ? folder : mb.inbox);
        connect = std::make_shared<Connect>();
        Array custom;
        connect->OnConnection(host.ApplicationObject(), ext_cm_Startup, nullptr, custom);
        host.Ribbon().Attach(connect);
        connect->OnStartupComplete(custom);
        host.Ribbon().StartupComplete();
        lang = Lang().get();
        recent = dynamic_cast<CRecentFolders*>(g_oRecentMove2Folders.get());
    }
    void Stop() {
        if (!connect) return;
        Array custom;
        connect->OnBeginShutdown(custom);
        connect->OnDisconnection(ext_dm_HostShutdown, custom);
        host.Ribbon().Detach();
        connect.reset();
    }

    std::wstring Controls(sim::SimObject* window) { return sim::ListAddinControls(window); }
    sim::SimCommandBarControl* Find(sim::SimObject* window, std::wstring_view bar, std::wstring_view path) {
        return sim::FindControlByPath(window, bar, path);
    }
    bool Press(sim::SimObject* window, std::wstring_view bar, std::wstring_view path) {
        auto* control = Find(window, bar, path);
        return control && sim::Press(control);
    }

    // The added controls of a window: the lines of ListAddinControls that are no bar headings.
    static std::size_t CountAdded(const std::wstring& listing) {
        std::size_t n = 0, pos = 0;
        while ((pos = listing.find(L"\n", pos)) != std::wstring::npos) ++pos, ++n;
        std::size_t bars = 0;
        for (std::size_t p = listing.find(L"bar \""); p != std::wstring::npos; p = listing.find(L"bar \"", p + 1)) {
            if (p == 0 || listing[p - 1] == L'\n') ++bars;
        }
        std::size_t ins = 0;
        for (std::size_t p = listing.find(L"in \""); p != std::wstring::npos; p = listing.find(L"in \"", p + 1)) ++ins;
        return n - bars - ins;
    }
    // The built-in control with that Id on a bar of the window.
    sim::SimCommandBarControl* BuiltIn(sim::SimObject* window, std::wstring_view bar, int id) {
        auto* bars = sim::CommandBarsOf(window);
        auto* b = bars ? bars->Find(bar) : nullptr;
        if (!b) return nullptr;
        for (auto* c : b->Controls()->List()) {
            if (c->BuiltIn() && c->Id() == id) return c;
        }
        return nullptr;
    }
    std::vector<sim::SimCommandBarControl*> Tagged(sim::SimCommandBar* bar, std::wstring_view tag) {
        std::vector<sim::SimCommandBarControl*> out;
        for (auto* c : bar->Controls()->List()) {
            if (c->tag == tag) out.push_back(c);
        }
        return out;
    }
    void ExpectClean() {
        EXPECT_TRUE(Errors().empty()) << ErrorText();
        EXPECT_TRUE(host.EscapedErrors().empty());
        EXPECT_TRUE(host.Ribbon().Problems().empty());
    }

    std::shared_ptr<Connect> connect;
    sim::SimExplorer* explorer = nullptr;
};

}  // namespace brisko::testing
