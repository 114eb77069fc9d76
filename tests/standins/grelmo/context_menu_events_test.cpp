// The context-menu events library stand-in over the simulated Outlook: the Application's own
// context-menu events come back as the library's, natively.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/text.h"
#include "platform/sim/sim_ui.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"
#include "standins/grelmo/context_menu_events.h"
#include "standins/grelmo/sim_registration.h"

namespace brisko::grelmo {
namespace {

template <class F>
std::int32_t ErrorOf(F&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

// What a sink received.
struct Received {
    std::wstring event;
    Args args;
};

class ContextMenuEventsTest : public ::testing::Test {
protected:
    ContextMenuEventsTest() {
        RegisterClasses(factory);
        host.SetMajorVersion(14);
        sim::BuildSampleMailbox(host);
        events = factory.CreateObject(kContextMenuEvents);
    }
    void TearDown() override {
        connection.Disconnect();
        events.reset();
        app.reset();
        received.clear();
        EXPECT_EQ(host.ExternalReferences(), 0) << ToUtf8(host.DescribeExternalReferences());
        EXPECT_TRUE(host.EscapedErrors().empty());
    }

    // Subscribes to the library's events, recording them.
    void Listen() {
        connection = events->ConnectEvents([this](std::wstring_view event, Args& args) {
            received.push_back({std::wstring(event), args});
        });
    }
    void RaiseDisplay(ObjectPtr bar, ObjectPtr selection) {
        host.RaiseEvent(host.Application(), L"ItemContextMenuDisplay", {Value(bar), Value(selection)});
    }
    void RaiseClose(std::int32_t kind) { host.RaiseEvent(host.Application(), L"ContextMenuClose", {Value(kind)}); }

    sim::SimObjectFactory factory;
    sim::SimOutlook host;
    ObjectPtr app = host.ApplicationObject();
    ObjectPtr events;
    EventConnection connection;
    std::vector<Received> received;
};

TEST_F(ContextMenuEventsTest, IsCreatedByProgIdAndClassIdWithoutRegardToCase) {
    ASSERT_TRUE(events);
    EXPECT_EQ(events->TypeName(), L"ContextMenuEvents");
    ASSERT_TRUE(factory.CreateObject(L"grelmo.contextmenuevents"));
    ASSERT_TRUE(factory.CreateObject(L"{abb46bc5-ef88-4498-8ceb-e5894ff2c795}"));
    // Every creation is an object of its own.
    EXPECT_NE(factory.CreateObject(kContextMenuEvents), events);
}

TEST_F(ContextMenuEventsTest, RaisesTheApplicationsContextMenuEventsWithTheSameArgumentsOnlyAfterInit) {
    Listen();
    const ObjectPtr bar = host.Explorers()->Ref();
    const ObjectPtr selection = host.Session()->Ref();
    RaiseDisplay(bar, selection);
    EXPECT_TRUE(received.empty()) << "nothing before Init";

    events->Call(L"init", {app});
    RaiseDisplay(bar, selection);
    RaiseClose(0);
    RaiseClose(2);
    // Events of the Application that are not the context menu's stay out.
    host.RaiseEvent(host.Application(), L"ItemLoad", {Value(selection)});
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].event, kOnItemContextMenuDisplay);
    ASSERT_EQ(received[0].args.size(), 2u);
    EXPECT_EQ(received[0].args[0].AsObject(), bar);
    EXPECT_EQ(received[0].args[1].AsObject(), selection);
    EXPECT_EQ(received[1].event, kOnContextMenuClose);
    ASSERT_EQ(received[1].args.size(), 1u);
    EXPECT_EQ(received[1].args[0].AsInt(), 0);
    EXPECT_EQ(received[2].args[0].AsInt(), 2);
}

TEST_F(ContextMenuEventsTest, ASecondInitReplacesTheSubscriptionAndAFailedOneKeepsIt) {
    Listen();
    events->Call(L"Init", {app});
    events->Call(L"Init", {app});
    EXPECT_EQ(host.Application()->SinkCount(), 1u);
    RaiseClose(0);
    EXPECT_EQ(received.size(), 1u) << "one event, not one per Init";

    // Another Outlook's Application: the first one's events no longer arrive.
    sim::SimOutlook other;
    {
        ObjectPtr otherApp = other.ApplicationObject();
        events->Call(L"Init", {otherApp});
    }
    EXPECT_EQ(host.Application()->SinkCount(), 0u);
    RaiseClose(0);
    other.RaiseEvent(other.Application(), L"ContextMenuClose", {Value(1)});
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].args[0].AsInt(), 1);

    // Failed Inits: the subscription to the other Application stays.
    EXPECT_EQ(ErrorOf([&] { events->Call(L"Init", {Value(ObjectPtr{})}); }), err::ObjectNotSet);
    EXPECT_EQ(ErrorOf([&] { events->Call(L"Init", {Value(L"Outlook")}); }), err::ObjectRequired);
    EXPECT_EQ(ErrorOf([&] { events->Call(L"Init"); }), err::WrongArguments);
    EXPECT_EQ(ErrorOf([&] { events->Call(L"Init", {ObjectPtr(host.CurrentUser()->Ref())}); }), err::NoEvents);
    host.FailMember(L"Application.ConnectEvents", 5);
    EXPECT_EQ(ErrorOf([&] { events->Call(L"Init", {app}); }), 5);
    EXPECT_EQ(other.Application()->SinkCount(), 1u);
    other.RaiseEvent(other.Application(), L"ContextMenuClose", {Value(3)});
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[2].args[0].AsInt(), 3);
    EXPECT_EQ(ErrorOf([&] { events->Call(L"Unknown"); }), err::NotSupported);
    // Released while subscribed to the other Outlook.
    connection.Disconnect();
    events.reset();
    EXPECT_EQ(other.Application()->SinkCount(), 0u);
}

TEST_F(ContextMenuEventsTest, ReleaseUnsubscribesFromTheApplication) {
    events->Call(L"Init", {app});
    EXPECT_EQ(host.Application()->SinkCount(), 1u);
    events.reset();
    EXPECT_EQ(host.Application()->SinkCount(), 0u);
    RaiseClose(0);  // nobody to reach, nothing escapes
}

TEST_F(ContextMenuEventsTest, AFailingSinkNeitherReachesTheHostNorStopsTheOtherSinks) {
    auto failing = events->ConnectEvents([](std::wstring_view, Args&) { Raise(err::InvalidCall, L"sink failed"); });
    Listen();
    events->Call(L"Init", {app});
    RaiseClose(0);
    RaiseDisplay(host.Explorers()->Ref(), nullptr);
    EXPECT_EQ(received.size(), 2u);
    // TearDown: no escaped error in the host.
}

TEST_F(ContextMenuEventsTest, ASinkMayReleaseTheLibraryObjectWhileItsEventIsRaised) {
    events->Call(L"Init", {app});
    int calls = 0;
    connection = events->ConnectEvents([&](std::wstring_view, Args&) {
        ++calls;
        connection.Disconnect();
        events.reset();
    });
    RaiseClose(0);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(events);
    EXPECT_EQ(host.Application()->SinkCount(), 0u);
    RaiseClose(0);
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace brisko::grelmo
