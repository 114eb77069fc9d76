#include "standins/grelmo/context_menu_events.h"

#include <memory>

#include "automation/error.h"
#include "automation/text.h"

namespace brisko::grelmo {

namespace {

class ContextMenuEvents final : public Object {
public:
    ContextMenuEvents() = default;
    ~ContextMenuEvents() override { subscription_.Disconnect(); }
    ContextMenuEvents(const ContextMenuEvents&) = delete;
    ContextMenuEvents& operator=(const ContextMenuEvents&) = delete;

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (!EqualsNoCase(name, kInit) || (kind != CallKind::Method && kind != CallKind::Get)) {
            return Object::Invoke(name, kind, args);
        }
        if (args.size() != 1) Raise(err::WrongArguments);
        if (!args[0].IsObject()) Raise(err::ObjectRequired);
        Init(args[0].AsObject());
        return Value();
    }

    EventConnection ConnectEvents(EventHandler handler) override {
        // Each sink on its own: a failing one neither reaches the host nor stops the others.
        return events_.Connect([handler = std::move(handler)](std::wstring_view event, Args& args) {
            try {
                handler(event, args);
            } catch (...) {
            }
        });
    }

    std::wstring TypeName() const override { return std::wstring(kTypeName); }

private:
    void Init(const ObjectPtr& application) {
        if (!application) Raise(err::ObjectNotSet);
        // The subscription does not keep this object alive: its release unsubscribes.
        std::weak_ptr<Object> weak = weak_from_this();
        EventConnection subscription =
            application->ConnectEvents([weak](std::wstring_view event, Args& args) {
                if (const auto self = std::static_pointer_cast<ContextMenuEvents>(weak.lock())) {
                    self->OnApplicationEvent(event, args);
                }
            });
        subscription_ = std::move(subscription);
        application_ = application;
    }

    void OnApplicationEvent(std::wstring_view event, const Args& args) noexcept {
        try {
            auto arg = [&](std::size_t i) { return i < args.size() ? args[i] : Value(ObjectPtr{}); };
            if (EqualsNoCase(event, L"ItemContextMenuDisplay")) {
                Args forwarded{arg(0), arg(1)};
                events_.Raise(kOnItemContextMenuDisplay, forwarded);
            } else if (EqualsNoCase(event, L"ContextMenuClose")) {
                Args forwarded{args.empty() ? Value(std::int32_t{0}) : args[0]};
                events_.Raise(kOnContextMenuClose, forwarded);
            }
        } catch (...) {
        }
    }

    ObjectPtr application_;
    EventConnection subscription_;
    EventSource events_;
};

}  // namespace

ObjectPtr MakeContextMenuEvents() { return std::make_shared<ContextMenuEvents>(); }

}  // namespace brisko::grelmo
