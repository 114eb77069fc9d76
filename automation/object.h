// Late-bound objects: members reached by name, events subscribed by name.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/value.h"

namespace brisko {

enum class CallKind { Get, Put, PutRef, Method };

// Arguments in call order. A callee may write back into them (by-reference arguments).
using Args = std::vector<Value>;

// Receives every event of an object: the event's name and its arguments.
using EventHandler = std::function<void(std::wstring_view event, Args& args)>;

// One subscription to an object's events; destroying it unsubscribes.
class EventConnection {
public:
    EventConnection() = default;
    explicit EventConnection(std::function<void()> unsubscribe) : unsubscribe_(std::move(unsubscribe)) {}
    ~EventConnection() { Disconnect(); }
    EventConnection(EventConnection&& other) noexcept : unsubscribe_(std::move(other.unsubscribe_)) {
        other.unsubscribe_ = nullptr;
    }
    EventConnection& operator=(EventConnection&& other) noexcept;
    EventConnection(const EventConnection&) = delete;
    EventConnection& operator=(const EventConnection&) = delete;

    bool Connected() const noexcept { return static_cast<bool>(unsubscribe_); }
    // Unsubscribes; errors of the source are swallowed (it may already be gone).
    void Disconnect() noexcept;

private:
    std::function<void()> unsubscribe_;
};

class Object : public std::enable_shared_from_this<Object> {
public:
    virtual ~Object() = default;

    // The one entry point of late binding. Names compare without regard to case.
    // The default raises 438: the object has no members.
    virtual Value Invoke(std::wstring_view name, CallKind kind, Args& args);

    // Subscribes to the object's events. The default raises 459: the object has none.
    virtual EventConnection ConnectEvents(EventHandler handler);

    virtual std::wstring TypeName() const { return L"Object"; }

    // Conveniences over Invoke.
    Value Get(std::wstring_view name);
    Value Get(std::wstring_view name, Args args);
    void Put(std::wstring_view name, Value value);
    void PutRef(std::wstring_view name, ObjectPtr value);
    Value Call(std::wstring_view name);
    Value Call(std::wstring_view name, Args args);
};

// obj.Get(...) that raises 91 when obj is Nothing, as a call through an unset variable does.
Value GetOf(const ObjectPtr& obj, std::wstring_view name, Args args = {});
Value CallOf(const ObjectPtr& obj, std::wstring_view name, Args args = {});
void PutOf(const ObjectPtr& obj, std::wstring_view name, Value value);
// GetOf(...).AsObject()
ObjectPtr ObjectOf(const ObjectPtr& obj, std::wstring_view name, Args args = {});

// The sinks of one event source. Sinks may subscribe and unsubscribe, and the source may be
// destroyed, while an event is being raised.
class EventSource {
public:
    EventSource();
    ~EventSource();
    EventSource(const EventSource&) = delete;
    EventSource& operator=(const EventSource&) = delete;

    EventConnection Connect(EventHandler handler);
    // Calls each sink subscribed when the raise began and still subscribed; an error of a sink
    // propagates to the caller after the sink that raised it.
    void Raise(std::wstring_view event, Args& args);
    void Raise(std::wstring_view event) {
        Args none;
        Raise(event, none);
    }
    std::size_t SinkCount() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

// A field that holds an object together with its event subscription, as a WithEvents field.
class WithEvents {
public:
    WithEvents() = default;
    WithEvents(const WithEvents&) = delete;
    WithEvents& operator=(const WithEvents&) = delete;

    // Subscribes to the new object first; on failure the field keeps what it had.
    void Set(ObjectPtr object, EventHandler handler);
    // Unsubscribes, then releases the object.
    void Reset() noexcept;

    const ObjectPtr& Get() const noexcept { return object_; }
    explicit operator bool() const noexcept { return static_cast<bool>(object_); }

private:
    ObjectPtr object_;
    EventConnection connection_;
};

}  // namespace brisko
