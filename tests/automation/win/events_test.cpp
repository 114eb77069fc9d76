// Events over connection points: a brisko object's EventSource forwarded by ObjectDispatch to
// COM sinks, and the generic sink of DispatchObject handing them back by name.
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "automation/win/dispatch_object.h"
#include "automation/win/event_table.h"
#include "automation/win/object_dispatch.h"
#include "automation/win/variant.h"
#include "test_support.h"

namespace brisko::win::test {
namespace {

struct Seen {
    std::wstring event;
    Args args;
};

class ComEvents : public ComTest {
protected:
    void Expose(DispatchOptions options) {
        widget = std::make_shared<Widget>();
        exposed = ExposeObject(widget, options);
        remote = DispatchObject::Wrap(exposed.Get());
    }
    EventHandler Recorder() {
        return [this](std::wstring_view event, Args& args) { seen.push_back({std::wstring(event), args}); };
    }
    ComPtr<IConnectionPoint> Point(const GUID& iid) {
        auto container = exposed.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
        ComPtr<IConnectionPoint> point;
        EXPECT_EQ(container->FindConnectionPoint(iid, point.Put()), S_OK);
        return point;
    }
    ULONG ConnectionCount(const GUID& iid) {
        ComPtr<IEnumConnections> connections;
        EXPECT_EQ(Point(iid)->EnumConnections(connections.Put()), S_OK);
        ULONG count = 0;
        CONNECTDATA data;
        ULONG fetched = 0;
        while (connections->Next(1, &data, &fetched) == S_OK && fetched == 1) {
            data.pUnk->Release();
            ++count;
        }
        return count;
    }
    void TearDown() override {
        remote.reset();
        exposed.Reset();
        seen.clear();
        if (widget) {
            EXPECT_EQ(widget->events.SinkCount(), 0u) << "still subscribed to the object";
            EXPECT_EQ(widget.use_count(), 1) << "a reference to the object leaked";
        }
        widget.reset();
        ComTest::TearDown();
    }

    std::shared_ptr<Widget> widget;
    ComPtr<IDispatch> exposed;
    std::shared_ptr<DispatchObject> remote;
    std::vector<Seen> seen;
};

TEST_F(ComEvents, ClickArrivesByNameAndCancelDefaultComesBack) {
    Expose({{kCommandBarButtonEvents}, {}});
    EXPECT_TRUE(IsEqualGUID(remote->SourceInterface(), kCommandBarButtonEvents));
    auto connection = remote->ConnectEvents([this](std::wstring_view event, Args& args) {
        seen.push_back({std::wstring(event), args});
        args[1] = true;
    });
    EXPECT_EQ(widget->events.SinkCount(), 1u);
    Args raised{widget, false};
    widget->events.Raise(L"Click", raised);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].event, L"Click");
    EXPECT_EQ(seen[0].args[0].AsObject(), widget);  // the control is the original object
    EXPECT_EQ(seen[0].args[1], Value(false));
    EXPECT_EQ(raised[1], Value(true));
}

TEST_F(ComEvents, DestroyingTheConnectionUnadvisesAndReleases) {
    Expose({{kExplorerEvents10}, {}});
    {
        auto connection = remote->ConnectEvents(Recorder());
        EXPECT_EQ(ConnectionCount(kExplorerEvents10), 1u);
        EXPECT_EQ(LiveComObjects(), 2);  // the exposed object and the sink
    }
    EXPECT_EQ(ConnectionCount(kExplorerEvents10), 0u);
    EXPECT_EQ(widget->events.SinkCount(), 0u);
    EXPECT_EQ(LiveComObjects(), 1);
    widget->events.Raise(L"Close");
    EXPECT_TRUE(seen.empty());
}

TEST_F(ComEvents, TheConnectionOutlivesTheObjectItCameFrom) {
    Expose({{kExplorerEvents10}, {}});
    auto connection = remote->ConnectEvents(Recorder());
    remote.reset();
    exposed.Reset();
    widget->events.Raise(L"Activate");
    ASSERT_EQ(seen.size(), 1u);
    connection.Disconnect();
    EXPECT_EQ(widget->events.SinkCount(), 0u);
    EXPECT_EQ(LiveComObjects(), 0);
}

TEST_F(ComEvents, SourceFoundByEnumeratingConnectionPointsWithoutClassInfo) {
    DispatchOptions options{{kExplorerEvents10}, {}};
    options.classInfo = false;
    Expose(options);
    EXPECT_FALSE(exposed.As<IProvideClassInfo2>(IID_IProvideClassInfo2));
    EXPECT_TRUE(IsEqualGUID(remote->SourceInterface(), kExplorerEvents10));
    auto connection = remote->ConnectEvents(Recorder());
    widget->events.Raise(L"SelectionChange");
    widget->events.Raise(L"NotAnEvent");  // not in the table: not forwarded
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].event, L"SelectionChange");
}

TEST_F(ComEvents, DefaultSourceFirstOtherInterfacesOnRequest) {
    Expose({{kApplicationEvents11, kExplorerEvents10}, {}});
    EXPECT_TRUE(IsEqualGUID(remote->SourceInterface(), kApplicationEvents11));
    auto application = remote->ConnectEvents(Recorder());
    std::vector<std::wstring> explorer;
    auto other = remote->ConnectEventsOf(kExplorerEvents10, [&](std::wstring_view e, Args&) { explorer.emplace_back(e); });
    Args menu{widget, ObjectPtr{}};
    widget->events.Raise(L"ItemContextMenuDisplay", menu);
    Args closing{3};
    widget->events.Raise(L"ContextMenuClose", closing);
    widget->events.Raise(L"Close");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].event, L"ItemContextMenuDisplay");
    EXPECT_EQ(seen[1].event, L"ContextMenuClose");
    EXPECT_EQ(seen[1].args, Args{3});
    EXPECT_EQ(explorer, std::vector<std::wstring>{L"Close"});
}

TEST_F(ComEvents, SubscribingAndUnsubscribingDuringARaise) {
    Expose({{kExplorerEvents10}, {}});
    std::vector<std::wstring> order;
    EventConnection second;
    EventConnection third;
    auto first = remote->ConnectEvents([&](std::wstring_view, Args&) {
        order.push_back(L"first");
        second.Disconnect();
        if (!third.Connected()) {
            third = remote->ConnectEvents([&](std::wstring_view, Args&) { order.push_back(L"third"); });
        }
    });
    second = remote->ConnectEvents([&](std::wstring_view, Args&) { order.push_back(L"second"); });
    widget->events.Raise(L"Activate");
    EXPECT_EQ(order, std::vector<std::wstring>{L"first"});  // neither the removed nor the new one
    order.clear();
    widget->events.Raise(L"Activate");
    EXPECT_EQ(order, (std::vector<std::wstring>{L"first", L"third"}));
    first.Disconnect();
    third.Disconnect();
    EXPECT_EQ(ConnectionCount(kExplorerEvents10), 0u);
}

TEST_F(ComEvents, AHandlerMayUnsubscribeItself) {
    Expose({{kInspectorEvents10}, {}});
    int calls = 0;
    EventConnection self;
    self = remote->ConnectEvents([&](std::wstring_view, Args&) {
        ++calls;
        self.Disconnect();
    });
    widget->events.Raise(L"Close");
    widget->events.Raise(L"Close");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(LiveComObjects(), 1);
}

TEST_F(ComEvents, ByReferenceValuesFlowFromSinkToSink) {
    Expose({{kExplorerEvents10}, {}});
    std::vector<Value> cancelSeen;
    auto a = remote->ConnectEvents([&](std::wstring_view, Args& args) {
        cancelSeen.push_back(args[1]);
        args[1] = true;
    });
    auto b = remote->ConnectEvents([&](std::wstring_view, Args& args) { cancelSeen.push_back(args[1]); });
    Args raised{ObjectPtr{}, false};
    widget->events.Raise(L"BeforeFolderSwitch", raised);
    EXPECT_EQ(cancelSeen, (std::vector<Value>{false, true}));
    EXPECT_EQ(raised[1], Value(true));
}

TEST_F(ComEvents, AHandlersErrorReachesTheRaiser) {
    Expose({{kExplorersEvents}, {}});
    auto connection =
        remote->ConnectEvents([](std::wstring_view, Args&) { Raise(1004, L"handler failed", L"Addin"); });
    Args args{widget};
    const auto e = ErrorOf([&] { widget->events.Raise(L"NewExplorer", args); });
    EXPECT_EQ(e.number(), 1004);
    EXPECT_EQ(e.description(), L"handler failed");
    EXPECT_EQ(e.source(), L"Addin");
}

TEST_F(ComEvents, EventsRaisedInsideACallThroughTheBridge) {
    Expose({{kCommandBarButtonEvents}, {}});
    auto connection = remote->ConnectEvents([](std::wstring_view, Args& args) { args[1] = true; });
    Args args{L"Click", ObjectPtr{}, false};
    remote->Invoke(L"Fire", CallKind::Method, args);
    EXPECT_EQ(args[2], Value(true));
}

TEST_F(ComEvents, WithEventsOverARemoteObject) {
    Expose({{kInspectorsEvents}, {}});
    WithEvents field;
    field.Set(remote, Recorder());
    Args args{widget};
    widget->events.Raise(L"NewInspector", args);
    EXPECT_EQ(seen.size(), 1u);
    field.Reset();
    widget->events.Raise(L"NewInspector", args);
    EXPECT_EQ(seen.size(), 1u);
}

class NoEvents : public Object {};

TEST_F(ComEvents, ObjectsAndInterfacesWithoutEventsRaise459) {
    Expose({});
    EXPECT_EQ(ErrorOf([&] { remote->ConnectEvents(Recorder()); }).number(), err::NoEvents);
    Expose({{kExplorerEvents10}, {}});
    EXPECT_EQ(ErrorOf([&] { remote->ConnectEventsOf(kInspectorEvents10, Recorder()); }).number(), err::NoEvents);
    EXPECT_EQ(ErrorOf([&] { remote->ConnectEventsOf(IID_IDispatch, Recorder()); }).number(), err::NoEvents);
    EXPECT_EQ(ErrorOf([&] { remote->ConnectEvents(EventHandler{}); }).number(), err::InvalidCall);

    // The object itself refuses: its error comes through Advise.
    auto plain = std::make_shared<NoEvents>();
    {
        auto d = ExposeObject(plain, {{kExplorersEvents}, {}});
        auto wrapped = DispatchObject::Wrap(d.Get());
        EXPECT_EQ(ErrorOf([&] { wrapped->ConnectEvents(Recorder()); }).number(), err::NoEvents);
    }
    EXPECT_EQ(plain.use_count(), 1);
}

// Refuses every subscription with an error of its own.
class Refusing : public Object {
public:
    EventConnection ConnectEvents(EventHandler) override { Raise(-2147467259, L"No events today", L"Host"); }
};

TEST_F(ComEvents, EachSinkSubscribesOnItsOwnAndARefusalKeepsItsDescription) {
    Expose({{kExplorerEvents10}, {}});
    {
        auto a = remote->ConnectEvents(Recorder());
        auto b = remote->ConnectEvents(Recorder());
        EXPECT_EQ(widget->events.SinkCount(), 2u);
        EXPECT_EQ(ConnectionCount(kExplorerEvents10), 2u);
        widget->events.Raise(L"Close");
        EXPECT_EQ(seen.size(), 2u);
        a.Disconnect();
        EXPECT_EQ(widget->events.SinkCount(), 1u);
    }
    EXPECT_EQ(widget->events.SinkCount(), 0u);

    auto refusing = std::make_shared<Refusing>();
    {
        auto d = ExposeObject(refusing, {{kExplorersEvents}, {}});
        auto wrapped = DispatchObject::Wrap(d.Get());
        const auto e = ErrorOf([&] { wrapped->ConnectEvents(Recorder()); });
        EXPECT_EQ(e.number(), -2147467259);
        EXPECT_EQ(e.description(), L"No events today");
        EXPECT_EQ(e.source(), L"Host");
    }
    EXPECT_EQ(refusing.use_count(), 1);
}

TEST_F(ComEvents, RawSinksGetTheHostsParameterTypes) {
    Expose({{kCommandBarButtonEvents}, {}});
    auto* sink = new ScriptedDispatch;
    sink->alsoAnswers = kCommandBarButtonEvents;
    sink->Add(L"Click", 1, [](WORD flags, DISPPARAMS* p, VARIANT*, EXCEPINFO*) {
        if (flags != DISPATCH_METHOD || p->cArgs != 2) return E_INVALIDARG;
        *p->rgvarg[0].pboolVal = VARIANT_TRUE;  // CancelDefault
        return S_OK;
    });
    auto point = Point(kCommandBarButtonEvents);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(sink, &cookie), S_OK);
    Args raised{widget, false};
    widget->events.Raise(L"Click", raised);
    EXPECT_EQ(sink->lastId, 1);
    EXPECT_EQ(sink->lastTypes, (std::vector<VARTYPE>{VT_BOOL | VT_BYREF, VT_DISPATCH}));
    EXPECT_EQ(raised[1], Value(true));
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
    EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);

    auto* deaf = new ScriptedDispatch;  // answers IDispatch, not the event interface
    EXPECT_EQ(point->Advise(deaf, &cookie), CONNECT_E_CANNOTCONNECT);
    deaf->Release();
    EXPECT_EQ(sink->Refs(), 1u);
    sink->Release();
}

TEST_F(ComEvents, TheSinkAnswersItsInterfaceAndNothingElse) {
    Expose({{kCommandBarButtonEvents}, {}});
    auto connection = remote->ConnectEvents(Recorder());
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(Point(kCommandBarButtonEvents)->EnumConnections(connections.Put()), S_OK);
    CONNECTDATA data{};
    ULONG fetched = 0;
    ASSERT_EQ(connections->Next(1, &data, &fetched), S_OK);
    auto sink = ComPtr<IUnknown>::Attach(data.pUnk);
    EXPECT_TRUE(sink.As<IDispatch>(IID_IDispatch));
    EXPECT_TRUE(sink.As<IDispatch>(kCommandBarButtonEvents));
    EXPECT_FALSE(sink.As<IDispatch>(kExplorerEvents10));
    EXPECT_FALSE(sink.As<IConnectionPoint>(IID_IConnectionPoint));
    auto dispatch = sink.As<IDispatch>(IID_IDispatch);
    std::wstring name = L"click";
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 1);
    // Events the table does not have are accepted and not delivered.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(dispatch->Invoke(999, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
    EXPECT_TRUE(seen.empty());
    // A handler's error goes back as an EXCEPINFO, never as an exception.
    auto failing = remote->ConnectEventsOf(kCommandBarButtonEvents, [](std::wstring_view, Args&) {
        throw std::runtime_error("not a run-time error");
    });
    connections.Reset();
    ASSERT_EQ(Point(kCommandBarButtonEvents)->EnumConnections(connections.Put()), S_OK);
    CONNECTDATA both[2]{};
    ASSERT_EQ(connections->Next(2, both, &fetched), S_OK);
    auto second = ComPtr<IUnknown>::Attach(both[1].pUnk);
    both[0].pUnk->Release();
    auto failingSink = second.As<IDispatch>(IID_IDispatch);
    EXCEPINFO excep{};
    EXPECT_EQ(failingSink->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, &excep, nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, static_cast<SCODE>(0x800A0033));  // 51, internal error
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
}

TEST_F(ComEvents, ASourceThatCallsAfterUnadviseReachesNoHandler) {
    Expose({{kExplorerEvents10}, {}});
    auto captured = std::make_shared<int>(0);
    auto connection = remote->ConnectEvents([captured](std::wstring_view, Args&) { ++*captured; });
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(Point(kExplorerEvents10)->EnumConnections(connections.Put()), S_OK);
    CONNECTDATA data{};
    ULONG fetched = 0;
    ASSERT_EQ(connections->Next(1, &data, &fetched), S_OK);
    auto held = ComPtr<IUnknown>::Attach(data.pUnk).As<IDispatch>(IID_IDispatch);
    connection.Disconnect();
    EXPECT_EQ(captured.use_count(), 1);  // the handler is released with the subscription
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(held->Invoke(0xF001, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(*captured, 0);
}

TEST_F(ComEvents, EventTableLookups) {
    EXPECT_EQ(std::wstring(FindEvent(kExplorerEvents10, 0xF007)->name), L"SelectionChange");
    EXPECT_EQ(FindEvent(kExplorerEvents10, L"close")->dispid, 0xF008);
    EXPECT_EQ(FindEvent(kInspectorEvents10, 0xF002), nullptr);
    EXPECT_EQ(FindEvent(kCommandBarsEvents, L"OnUpdate")->dispid, 1);
    EXPECT_EQ(FindEvent(kApplicationEvents11, 0xFBA7)->name, std::wstring_view(L"ItemLoad"));
    EXPECT_EQ(EventInterfaceName(kCommandBarButtonEvents), L"_CommandBarButtonEvents");
    EXPECT_FALSE(IsEventInterface(IID_IDispatch));
    for (const auto& row : EventTable()) {
        EXPECT_EQ(FindEvent(row.iid, row.dispid), &row) << "duplicate DISPID in " << ToUtf8(row.interfaceName);
        EXPECT_EQ(FindEvent(row.iid, row.name), &row) << "duplicate name in " << ToUtf8(row.interfaceName);
    }
}

}  // namespace
}  // namespace brisko::win::test
