#include "automation/object.h"

#include <algorithm>

#include "automation/error.h"

namespace brisko {

EventConnection& EventConnection::operator=(EventConnection&& other) noexcept {
    if (this != &other) {
        Disconnect();
        unsubscribe_ = std::move(other.unsubscribe_);
        other.unsubscribe_ = nullptr;
    }
    return *this;
}

void EventConnection::Disconnect() noexcept {
    if (!unsubscribe_) return;
    auto fn = std::move(unsubscribe_);
    unsubscribe_ = nullptr;
    try {
        fn();
    } catch (...) {
    }
}

Value Object::Invoke(std::wstring_view, CallKind, Args&) { Raise(err::NotSupported); }

EventConnection Object::ConnectEvents(EventHandler) { Raise(err::NoEvents); }

Value Object::Get(std::wstring_view name) {
    Args none;
    return Invoke(name, CallKind::Get, none);
}

Value Object::Get(std::wstring_view name, Args args) { return Invoke(name, CallKind::Get, args); }

void Object::Put(std::wstring_view name, Value value) {
    Args args{std::move(value)};
    Invoke(name, CallKind::Put, args);
}

void Object::PutRef(std::wstring_view name, ObjectPtr value) {
    Args args{Value(std::move(value))};
    Invoke(name, CallKind::PutRef, args);
}

Value Object::Call(std::wstring_view name) {
    Args none;
    return Invoke(name, CallKind::Method, none);
}

Value Object::Call(std::wstring_view name, Args args) { return Invoke(name, CallKind::Method, args); }

Value GetOf(const ObjectPtr& obj, std::wstring_view name, Args args) {
    if (!obj) Raise(err::ObjectNotSet);
    return obj->Invoke(name, CallKind::Get, args);
}

Value CallOf(const ObjectPtr& obj, std::wstring_view name, Args args) {
    if (!obj) Raise(err::ObjectNotSet);
    return obj->Invoke(name, CallKind::Method, args);
}

void PutOf(const ObjectPtr& obj, std::wstring_view name, Value value) {
    if (!obj) Raise(err::ObjectNotSet);
    obj->Put(name, std::move(value));
}

ObjectPtr ObjectOf(const ObjectPtr& obj, std::wstring_view name, Args args) {
    return GetOf(obj, name, std::move(args)).AsObject();
}

struct EventSource::State {
    struct Sink {
        std::uint64_t id;
        std::shared_ptr<EventHandler> handler;
    };
    std::vector<Sink> sinks;
    std::uint64_t next = 1;
};

EventSource::EventSource() : state_(std::make_shared<State>()) {}

EventSource::~EventSource() = default;

EventConnection EventSource::Connect(EventHandler handler) {
    const auto id = state_->next++;
    state_->sinks.push_back({id, std::make_shared<EventHandler>(std::move(handler))});
    std::weak_ptr<State> weak = state_;
    return EventConnection([weak, id] {
        if (auto s = weak.lock()) {
            std::erase_if(s->sinks, [id](const State::Sink& k) { return k.id == id; });
        }
    });
}

void EventSource::Raise(std::wstring_view event, Args& args) {
    // The state outlives this call even when a sink destroys the source.
    auto state = state_;
    std::vector<std::pair<std::uint64_t, std::shared_ptr<EventHandler>>> snapshot;
    snapshot.reserve(state->sinks.size());
    for (const auto& s : state->sinks) snapshot.emplace_back(s.id, s.handler);
    for (auto& [id, handler] : snapshot) {
        const bool still = std::any_of(state->sinks.begin(), state->sinks.end(),
                                       [id = id](const State::Sink& k) { return k.id == id; });
        if (still) (*handler)(event, args);
    }
}

std::size_t EventSource::SinkCount() const { return state_->sinks.size(); }

void WithEvents::Set(ObjectPtr object, EventHandler handler) {
    EventConnection conn;
    if (object) conn = object->ConnectEvents(std::move(handler));
    connection_ = std::move(conn);
    object_ = std::move(object);
}

void WithEvents::Reset() noexcept {
    connection_.Disconnect();
    object_.reset();
}

}  // namespace brisko
