#include "addin/host/CGrelmoEvents.h"

#include "addin/host/error_discipline.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/platform.h"
#include "platform/ui.h"

namespace brisko {

CGrelmoEvents::~CGrelmoEvents() { m_oSource.Reset(); }

void CGrelmoEvents::SetEventSink(std::weak_ptr<ContextMenuEventsSink> sink) { *sink_ = std::move(sink); }

void CGrelmoEvents::Init(const ObjectPtr& application) {
    Trapped(L"CGrelmoEvents.Init", [&] {
        auto* objects = CurrentPlatform().objects;
        ObjectPtr source = objects ? objects->CreateObject(kGrelmoProgId) : nullptr;
        if (!source) Raise(err::CantCreateObject, std::wstring(L"ActiveX component can't create object: ") + kGrelmoProgId);
        auto sink = sink_;
        m_oSource.Set(source, [sink](std::wstring_view event, Args& args) {
            // Nothing goes back into the library from here.
            EntryGuard(L"CGrelmoEvents.m_oSource_Event", [&] {
                const auto target = sink->lock();
                if (!target) return;
                if (EqualsNoCase(event, L"OnItemContextMenuDisplay")) {
                    const ObjectPtr bar = args.size() > 0 ? args[0].AsObject() : nullptr;
                    const ObjectPtr selection = args.size() > 1 && args[1].IsObject() ? args[1].AsObject() : nullptr;
                    target->OnItemContextMenuDisplay(bar, selection);
                } else if (EqualsNoCase(event, L"OnContextMenuClose")) {
                    target->OnContextMenuClose(args.empty() ? -1 : args[0].AsInt());
                }
            });
        });
        CallOf(source, L"Init", {Value(application)});
    });
}

}  // namespace brisko
