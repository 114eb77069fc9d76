// Grelmo.dll under Wine: regsvr32, creation by ProgID through CoCreateInstance, and the simulated
// Outlook's context-menu events relayed through connection points in both directions.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/text.h"
#include "platform/win/win_objects.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"
#include "standins/grelmo/context_menu_events.h"
#include "tests/support/inproc_server_test.h"
#include "tools/outlook-sim/sim_exposure.h"

namespace brisko::grelmo {
namespace {

constexpr wchar_t kLibrary[] = L"Grelmo.dll";
constexpr wchar_t kClassKey[] = L"CLSID\\{ABB46BC5-EF88-4498-8CEB-E5894FF2C795}";

using test_support::ReadString;

struct Received {
    std::wstring event;
    Args args;
};

// The simulated Outlook of version 14 exposed over COM as outlook-sim exposes it.
class Server : public test_support::RegisteredServer<kLibrary> {
protected:
    Server() {
        host.SetMajorVersion(14);
        sim::BuildSampleMailbox(host);
    }
    void TearDown() override {
        connections.clear();
        events.reset();
        app.reset();
        received.clear();
        EXPECT_EQ(host.ExternalReferences(), 0) << ToUtf8(host.DescribeExternalReferences());
        EXPECT_TRUE(host.EscapedErrors().empty());
    }

    // The library's object by ProgID, initialised with the Application, and a sink recording.
    void CreateAndListen() {
        events = factory.CreateObject(kContextMenuEvents);
        ASSERT_TRUE(events);
        connections.push_back(events->ConnectEvents([this](std::wstring_view event, Args& args) {
            received.push_back({std::wstring(event), args});
        }));
        events->Call(L"Init", {app});
    }
    void RaiseDisplay(ObjectPtr bar, ObjectPtr selection) {
        host.RaiseEvent(host.Application(), L"ItemContextMenuDisplay", {Value(bar), Value(selection)});
    }
    void RaiseClose(std::int32_t kind) { host.RaiseEvent(host.Application(), L"ContextMenuClose", {Value(kind)}); }

    tools::SimExposure exposure;
    win::WinObjectFactory factory;
    sim::SimOutlook host;
    ObjectPtr app = host.ApplicationObject();
    ObjectPtr events;
    std::vector<EventConnection> connections;
    std::vector<Received> received;
};

TEST_F(Server, Regsvr32RegistersTheProgIdAndTheClassAndRemovesThem) {
    const std::wstring module = LibraryPath();
    EXPECT_TRUE(EqualsNoCase(ReadString(std::wstring(kClassKey) + L"\\InprocServer32"), module));
    EXPECT_EQ(ReadString(std::wstring(kClassKey) + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(ReadString(std::wstring(kClassKey) + L"\\ProgID"), L"Grelmo.ContextMenuEvents");
    EXPECT_EQ(ReadString(L"Grelmo.ContextMenuEvents\\CLSID"), L"{ABB46BC5-EF88-4498-8CEB-E5894FF2C795}");
    ASSERT_EQ(RunRegsvr32(L"/u /s"), 0u);
    EXPECT_EQ(ReadString(std::wstring(kClassKey) + L"\\InprocServer32"), L"(none)");
    EXPECT_EQ(ReadString(L"Grelmo.ContextMenuEvents\\CLSID"), L"(none)");
    ASSERT_EQ(RunRegsvr32(L"/s"), 0u);
}

TEST_F(Server, RelaysTheApplicationsContextMenuEventsThroughConnectionPoints) {
    CreateAndListen();
    EXPECT_EQ(host.Application()->SinkCount(), 1u);
    const ObjectPtr bar = host.Explorers()->Ref();
    const ObjectPtr selection = host.Session()->Ref();
    RaiseDisplay(bar, selection);
    RaiseClose(0);
    RaiseClose(3);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].event, L"OnItemContextMenuDisplay");
    ASSERT_EQ(received[0].args.size(), 2u);
    // The host's own objects come back across both COM boundaries.
    EXPECT_EQ(received[0].args[0].AsObject(), bar);
    EXPECT_EQ(received[0].args[1].AsObject(), selection);
    EXPECT_EQ(received[1].event, L"OnContextMenuClose");
    ASSERT_EQ(received[1].args.size(), 1u);
    EXPECT_EQ(received[1].args[0], Value(0));
    EXPECT_EQ(received[2].args[0], Value(3));

    // A second Init replaces the subscription.
    events->Call(L"Init", {app});
    EXPECT_EQ(host.Application()->SinkCount(), 1u);
    RaiseClose(0);
    EXPECT_EQ(received.size(), 4u);
    // Init with nothing fails as the core does, over COM.
    try {
        events->Call(L"Init", {Value(ObjectPtr{})});
        ADD_FAILURE() << "Init(Nothing) succeeded";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::ObjectNotSet);
    }
}

TEST_F(Server, FailingSinksNeverReachTheHostAndReleaseUnsubscribes) {
    CreateAndListen();
    connections.push_back(events->ConnectEvents([](std::wstring_view, Args&) { Raise(5, L"sink failed"); }));
    connections.push_back(events->ConnectEvents([this](std::wstring_view event, Args& args) {
        received.push_back({std::wstring(event) + L" (second)", args});
    }));
    RaiseClose(0);
    RaiseDisplay(host.Explorers()->Ref(), nullptr);
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[3].event, L"OnItemContextMenuDisplay (second)");
    EXPECT_TRUE(received[3].args[1].IsNothing());
    EXPECT_TRUE(host.EscapedErrors().empty());

    // The last reference goes: the library's subscription to the Application goes with it.
    connections.clear();
    events.reset();
    EXPECT_EQ(host.Application()->SinkCount(), 0u);
    RaiseClose(0);
    EXPECT_EQ(received.size(), 4u);
}

}  // namespace
}  // namespace brisko::grelmo
