// The base of every simulated host object: members looked up by name in a per-type table,
// an event source, and the vanished state of an object that is gone from the host.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/error.h"
#include "automation/object.h"
#include "automation/value.h"

namespace brisko::sim {

// Errors of the host, as a late-bound call reports them.
namespace err {
inline constexpr std::int32_t ObjectNotFound = -2147221233;   // 0x8004010F, MAPI_E_NOT_FOUND
inline constexpr std::int32_t OperationFailed = -2147467259;  // 0x80004005, E_FAIL
inline constexpr std::int32_t Collision = -2147219964;        // 0x80040604, MAPI_E_COLLISION
}  // namespace err

inline constexpr const wchar_t* kObjectNotFoundText = L"The operation failed. An object could not be found.";

// Raises err::ObjectNotFound with its text.
[[noreturn]] void RaiseNotFound();

class SimObject;
class SimOutlook;

// A member's implementation. Getters and methods receive the call's arguments; a putter the
// assigned value (this object model has no indexed puts).
using MemberFn = std::function<Value(SimObject& self, Args& args)>;
using PutFn = std::function<void(SimObject& self, const Value& value)>;

struct Member {
    MemberFn get;
    PutFn put;
    MemberFn method;
    std::size_t minArgs = 0;  // of get and method
    std::size_t maxArgs = 0;
};

// The members of one type, by name without regard to case. The tables belong to the arena and
// may be extended at any time, also for objects that exist already.
class SimType {
public:
    explicit SimType(std::wstring name) : name_(std::move(name)) {}

    const std::wstring& Name() const noexcept { return name_; }
    bool HasEvents() const noexcept { return hasEvents_; }
    void SetHasEvents(bool has) noexcept { hasEvents_ = has; }

    // Adds or replaces a member. A property may be read with Get or Method, a method called with
    // Method or Get, as a caller that passes both dispatch flags does.
    SimType& Property(std::wstring_view name, MemberFn get, PutFn put = {}, std::size_t minArgs = 0,
                      std::size_t maxArgs = 0);
    SimType& Method(std::wstring_view name, MemberFn fn, std::size_t minArgs = 0, std::size_t maxArgs = 0);
    // A property that reads a constant.
    SimType& Constant(std::wstring_view name, Value value);
    void Remove(std::wstring_view name);

    const Member* Find(std::wstring_view name) const;
    std::vector<std::wstring> MemberNames() const;

private:
    std::wstring name_;
    bool hasEvents_ = false;
    std::map<std::wstring, std::pair<std::wstring, Member>> members_;  // folded name -> (name, member)
};

// Wraps a handler for a concrete class: the tables of a type are used only for objects of it.
template <class T, class F>
MemberFn As(F f) {
    return [f = std::move(f)](SimObject& self, Args& args) -> Value { return f(static_cast<T&>(self), args); };
}
template <class T, class F>
PutFn PutAs(F f) {
    return [f = std::move(f)](SimObject& self, const Value& v) { f(static_cast<T&>(self), v); };
}

class SimObject : public Object {
public:
    SimObject(SimOutlook& sim, std::wstring_view typeName);
    ~SimObject() override;
    SimObject(const SimObject&) = delete;
    SimObject& operator=(const SimObject&) = delete;

    // Every call counts as one host call, may be failed by the arena's fault injection, and
    // raises err::ObjectNotFound once the object vanished.
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) final;
    EventConnection ConnectEvents(EventHandler handler) final;
    std::wstring TypeName() const final { return typeName_; }

    // A short identity for listings, e.g. "\\Mailbox\Inbox" or "Explorer #3".
    virtual std::wstring Identity() const;

    bool Vanished() const noexcept { return vanished_ || sim_ == nullptr; }
    // False once the arena is gone; the object then answers every call with err::ObjectNotFound.
    bool Attached() const noexcept { return sim_ != nullptr; }
    SimOutlook& Sim() const;
    std::uint64_t Serial() const noexcept { return serial_; }

    // Raises one of the object's events. An error that a sink lets escape is recorded by the
    // arena and the remaining sinks still run.
    void RaiseEvent(std::wstring_view event, Args& args);
    void RaiseEvent(std::wstring_view event);
    std::size_t SinkCount() const { return events_.SinkCount(); }

    // Links to other arena objects by name, for state that extensions attach to an object
    // (e.g. an explorer's command bars). An owned link vanishes with this object.
    void SetLink(std::wstring_view key, SimObject* target, bool owned = false);
    SimObject* Link(std::wstring_view key) const;

    // This object as the add-in holds it.
    ObjectPtr Ref() { return shared_from_this(); }

protected:
    // Called once when the object vanishes, while the arena is there; removes it from the
    // host's collections.
    virtual void OnVanish() {}

private:
    friend class SimOutlook;
    struct LinkEntry {
        std::wstring key;
        std::weak_ptr<Object> target;
        bool owned = false;
    };

    SimOutlook* sim_;
    const SimType* type_;
    std::wstring typeName_;
    std::uint64_t serial_;
    bool vanished_ = false;
    EventSource events_;
    std::vector<LinkEntry> links_;
};

// The object for an argument, or nullptr for Nothing or a missing argument; raises 13 for
// anything else that is not a simulated object (of the type asked for), as the host does.
SimObject* SimArg(const Value& v);
template <class T>
T* SimArgAs(const Value& v) {
    auto* o = SimArg(v);
    if (!o) return nullptr;
    auto* t = dynamic_cast<T*>(o);
    if (!t) Raise(brisko::err::TypeMismatch);
    return t;
}

// A Value holding the object (Nothing for nullptr).
Value ValueOf(SimObject* o);

}  // namespace brisko::sim
