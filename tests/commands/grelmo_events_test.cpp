// The add-in's side of the context-menu events library.
#include <gtest/gtest.h>

#include "addin/host/CGrelmoEvents.h"
#include "grelmo_fake.h"
#include "simhost/command_bars.h"
#include "surfaces_fixture.h"

namespace brisko::testing {
namespace {

class RecordingSink : public ContextMenuEventsSink {
public:
    void OnItemContextMenuDisplay(const ObjectPtr& bar, const ObjectPtr& selection) override {
        events.push_back(L"display " + (bar ? bar->TypeName() : L"Nothing") + L" " +
                         (selection ? selection->TypeName() : L"Nothing"));
        if (fail) Raise(5);
    }
    void OnContextMenuClose(std::int32_t n) override { events.push_back(L"close " + std::to_wstring(n)); }
    std::vector<std::wstring> events;
    bool fail = false;
};

class GrelmoEvents : public SurfacesTest {
protected:
    void SetUp() override {
        SurfacesTest::SetUp();
        Use(14);
        explorer = host.AddExplorerAtStartup(mb.inbox);
        host.Select(explorer, {mb.inboxMails.at(0)});
    }
    sim::SimExplorer* explorer = nullptr;
};

TEST_F(GrelmoEvents, ForwardsTheLibrarysEventsByNameUntilReleased) {
    FakeGrelmo::Register(platform.objects);
    auto sink = std::make_shared<RecordingSink>();
    auto events = std::make_shared<CGrelmoEvents>();
    events->SetEventSink(sink);
    events->Init(g_oApplication);
    ASSERT_NE(events->Source(), nullptr);
    sim::ShowItemContextMenu(explorer);
    sim::CloseItemContextMenu(host);
    EXPECT_EQ(sink->events, (std::vector<std::wstring>{L"display CommandBar Selection", L"close 0"}));
    // A failing sink is kept from the library.
    sink->fail = true;
    sim::ShowItemContextMenu(explorer);
    sim::CloseItemContextMenu(host);
    EXPECT_TRUE(host.EscapedErrors().empty());
    EXPECT_EQ(sink->events.size(), 4u);
    events.reset();
    sim::ShowItemContextMenu(explorer);
    sim::CloseItemContextMenu(host);
    EXPECT_EQ(sink->events.size(), 4u);
}

TEST_F(GrelmoEvents, AMissingLibraryIsLoggedAndLeavesNothingSubscribed) {
    platform.objects.Unregister(L"Grelmo.ContextMenuEvents");
    auto events = std::make_shared<CGrelmoEvents>();
    events->Init(g_oApplication);
    EXPECT_EQ(events->Source(), nullptr);
    EXPECT_EQ(Errors(), (std::vector<std::wstring>{
                            L"CGrelmoEvents.Init|429|ActiveX component can't create object"}));
    EXPECT_EQ(platform.objects.requests().back(), L"Grelmo.ContextMenuEvents");
}

}  // namespace
}  // namespace brisko::testing
