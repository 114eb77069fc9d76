// A stand-in for "Grelmo.ContextMenuEvents" in the in-memory class table: Init(Application)
// subscribes to the application's item-context-menu events and raises them again as
// OnItemContextMenuDisplay / OnContextMenuClose.
#pragma once

#include <memory>

#include "automation/error.h"
#include "automation/object.h"
#include "automation/text.h"
#include "platform/sim/sim_platform.h"

namespace brisko::testing {

class FakeGrelmo : public Object {
public:
    Value Invoke(std::wstring_view name, CallKind, Args& args) override {
        if (!EqualsNoCase(name, L"Init")) Raise(err::NotSupported);
        std::weak_ptr<Object> weak = weak_from_this();
        app_ = EventConnection();
        app_ = args.at(0).AsObject()->ConnectEvents([weak](std::wstring_view event, Args& a) {
            auto self = std::static_pointer_cast<FakeGrelmo>(weak.lock());
            if (!self) return;
            if (EqualsNoCase(event, L"ItemContextMenuDisplay")) {
                self->events_.Raise(L"OnItemContextMenuDisplay", a);
            } else if (EqualsNoCase(event, L"ContextMenuClose")) {
                self->events_.Raise(L"OnContextMenuClose", a);
            }
        });
        return {};
    }
    EventConnection ConnectEvents(EventHandler handler) override { return events_.Connect(std::move(handler)); }
    std::wstring TypeName() const override { return L"ContextMenuEvents"; }

    static void Register(sim::SimObjectFactory& objects) {
        objects.Register(L"Grelmo.ContextMenuEvents", [] { return std::make_shared<FakeGrelmo>(); });
    }

private:
    EventSource events_;
    EventConnection app_;
};

}  // namespace brisko::testing
