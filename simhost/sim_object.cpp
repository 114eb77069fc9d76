#include "simhost/sim_object.h"

#include <algorithm>

#include "automation/text.h"
#include "simhost/sim_outlook.h"

namespace brisko::sim {

void RaiseNotFound() { Raise(err::ObjectNotFound, kObjectNotFoundText); }

// --- SimType ---------------------------------------------------------------------------------

SimType& SimType::Property(std::wstring_view name, MemberFn get, PutFn put, std::size_t minArgs,
                           std::size_t maxArgs) {
    Member m;
    m.get = std::move(get);
    m.put = std::move(put);
    m.minArgs = minArgs;
    m.maxArgs = std::max(minArgs, maxArgs);
    members_[LowerCase(name)] = {std::wstring(name), std::move(m)};
    return *this;
}

SimType& SimType::Method(std::wstring_view name, MemberFn fn, std::size_t minArgs, std::size_t maxArgs) {
    Member m;
    m.method = std::move(fn);
    m.minArgs = minArgs;
    m.maxArgs = std::max(minArgs, maxArgs);
    members_[LowerCase(name)] = {std::wstring(name), std::move(m)};
    return *this;
}

SimType& SimType::Constant(std::wstring_view name, Value value) {
    return Property(name, [value = std::move(value)](SimObject&, Args&) { return value; });
}

void SimType::Remove(std::wstring_view name) { members_.erase(LowerCase(name)); }

const Member* SimType::Find(std::wstring_view name) const {
    const auto it = members_.find(LowerCase(name));
    return it == members_.end() ? nullptr : &it->second.second;
}

std::vector<std::wstring> SimType::MemberNames() const {
    std::vector<std::wstring> names;
    names.reserve(members_.size());
    for (const auto& [folded, entry] : members_) names.push_back(entry.first);
    return names;
}

// --- SimObject -------------------------------------------------------------------------------

SimObject::SimObject(SimOutlook& sim, std::wstring_view typeName)
    : sim_(&sim), type_(&sim.Type(typeName)), typeName_(type_->Name()), serial_(sim.NextSerial()) {}

SimObject::~SimObject() = default;

SimOutlook& SimObject::Sim() const {
    if (!sim_) RaiseNotFound();
    return *sim_;
}

std::wstring SimObject::Identity() const { return typeName_ + L" #" + std::to_wstring(serial_); }

Value SimObject::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    if (!sim_) RaiseNotFound();
    sim_->BeginCall(*this, name, kind, &args);
    if (vanished_) RaiseNotFound();
    const Member* m = type_->Find(name);
    if (!m) Raise(brisko::err::NotSupported);
    // Keeps this object alive for the call: a member may close or release it.
    const auto self = shared_from_this();
    if (kind == CallKind::Put || kind == CallKind::PutRef) {
        if (!m->put || args.size() != 1) Raise(brisko::err::WrongArguments);
        m->put(*this, args[0]);
        return {};
    }
    const MemberFn& fn = kind == CallKind::Get ? (m->get ? m->get : m->method) : (m->method ? m->method : m->get);
    if (!fn || args.size() < m->minArgs || args.size() > m->maxArgs) Raise(brisko::err::WrongArguments);
    return fn(*this, args);
}

EventConnection SimObject::ConnectEvents(EventHandler handler) {
    if (!sim_) RaiseNotFound();
    sim_->BeginCall(*this, L"ConnectEvents", CallKind::Method);
    if (vanished_) RaiseNotFound();
    if (!type_->HasEvents()) Raise(brisko::err::NoEvents);
    if (!handler) Raise(brisko::err::InvalidCall);
    // Whatever a sink throws stays in the host: it is recorded and the raise goes on.
    std::weak_ptr<std::vector<EscapedError>> log = sim_->EscapeLog();
    auto wrapped = [inner = std::move(handler), log, source = typeName_](std::wstring_view event, Args& args) {
        try {
            inner(event, args);
        } catch (...) {
            const RuntimeError e = CurrentError();
            if (auto l = log.lock()) {
                try {
                    l->push_back({e.number(), e.description(), std::wstring(event), source});
                } catch (...) {
                }
            }
        }
    };
    return events_.Connect(std::move(wrapped));
}

void SimObject::RaiseEvent(std::wstring_view event, Args& args) {
    if (!sim_) return;
    try {
        events_.Raise(event, args);
    } catch (...) {
        // Sinks are wrapped; only the raise's own bookkeeping can fail here.
        const RuntimeError e = CurrentError();
        try {
            sim_->EscapeLog()->push_back({e.number(), e.description(), std::wstring(event), typeName_});
        } catch (...) {
        }
    }
}

void SimObject::RaiseEvent(std::wstring_view event) {
    Args none;
    RaiseEvent(event, none);
}

void SimObject::SetLink(std::wstring_view key, SimObject* target, bool owned) {
    std::erase_if(links_, [&](const LinkEntry& l) { return EqualsNoCase(l.key, key); });
    if (!target) return;
    links_.push_back({std::wstring(key), target->weak_from_this(), owned});
}

SimObject* SimObject::Link(std::wstring_view key) const {
    for (const auto& l : links_) {
        if (EqualsNoCase(l.key, key)) {
            const auto target = l.target.lock();
            return static_cast<SimObject*>(target.get());
        }
    }
    return nullptr;
}

SimObject* SimArg(const Value& v) {
    if (v.IsEmptyOrMissing()) return nullptr;
    if (!v.IsObject()) Raise(brisko::err::TypeMismatch);
    const ObjectPtr o = v.AsObject();
    if (!o) return nullptr;
    auto* s = dynamic_cast<SimObject*>(o.get());
    if (!s) Raise(brisko::err::TypeMismatch);
    return s;
}

Value ValueOf(SimObject* o) {
    if (!o) return Value(ObjectPtr{});
    return Value(o->Ref());
}

}  // namespace brisko::sim
