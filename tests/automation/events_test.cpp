#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/object.h"

namespace brisko {
namespace {

class Source : public Object {
public:
    EventSource events;
    EventConnection ConnectEvents(EventHandler h) override { return events.Connect(std::move(h)); }
};

TEST(Events, ConnectionDestructionUnsubscribes) {
    Source s;
    int calls = 0;
    {
        auto c = s.ConnectEvents([&](std::wstring_view, Args&) { ++calls; });
        s.events.Raise(L"Activate");
        EXPECT_EQ(s.events.SinkCount(), 1u);
    }
    s.events.Raise(L"Activate");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(s.events.SinkCount(), 0u);
}

TEST(Events, SinksMayUnsubscribeOthersDuringARaise) {
    Source s;
    std::vector<std::wstring> seen;
    EventConnection second;
    auto first = s.ConnectEvents([&](std::wstring_view e, Args&) {
        seen.push_back(L"first:" + std::wstring(e));
        second.Disconnect();
    });
    second = s.ConnectEvents([&](std::wstring_view e, Args&) { seen.push_back(L"second:" + std::wstring(e)); });
    s.events.Raise(L"Close");
    EXPECT_EQ(seen, std::vector<std::wstring>{L"first:Close"});
}

TEST(Events, SourceDestroyedInsideItsOwnRaise) {
    auto s = std::make_unique<Source>();
    EventConnection c = s->ConnectEvents([&](std::wstring_view, Args&) { s.reset(); });
    s->events.Raise(L"Close");
    EXPECT_EQ(s, nullptr);
    c.Disconnect();  // the source is gone: nothing to do, nothing thrown
    EXPECT_FALSE(c.Connected());
}

TEST(Events, ByReferenceArgumentsComeBack) {
    Source s;
    auto c = s.ConnectEvents([](std::wstring_view, Args& a) { a[1] = true; });
    Args args{Value(ObjectPtr{}), false};
    s.events.Raise(L"Click", args);
    EXPECT_EQ(args[1], Value(true));
}

TEST(Events, WithEventsKeepsItsObjectWhenSubscribingFails) {
    auto good = std::make_shared<Source>();
    auto plain = std::make_shared<Object>();
    WithEvents field;
    int calls = 0;
    field.Set(good, [&](std::wstring_view, Args&) { ++calls; });
    EXPECT_THROW(field.Set(plain, [](std::wstring_view, Args&) {}), RuntimeError);
    EXPECT_EQ(field.Get(), good);
    good->events.Raise(L"x");
    EXPECT_EQ(calls, 1);
    field.Reset();
    EXPECT_EQ(good->events.SinkCount(), 0u);
    EXPECT_EQ(good.use_count(), 1);
}

TEST(Events, CallsThroughNothingRaise91) {
    try {
        GetOf(nullptr, L"Version");
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::ObjectNotSet);
    }
    try {
        std::make_shared<Object>()->Get(L"Version");
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::NotSupported);
    }
}

}  // namespace
}  // namespace brisko
