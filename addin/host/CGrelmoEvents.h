// The item-context-menu events of Outlook 2007 and later, from the context-menu events library
// ("Grelmo.ContextMenuEvents"), created through the platform's object factory.
#pragma once

#include <memory>

#include "addin/host/services.h"
#include "automation/object.h"

namespace brisko {

inline constexpr const wchar_t* kGrelmoProgId = L"Grelmo.ContextMenuEvents";

class CGrelmoEvents : public IContextMenuEvents {
public:
    CGrelmoEvents() = default;
    ~CGrelmoEvents() override;

    void SetEventSink(std::weak_ptr<ContextMenuEventsSink> sink) override;
    // Creates the library's object, subscribes to it and calls its Init with the application.
    // A library that can't be created or initialised is logged; the item context menu then
    // simply stays without the add-in's entries.
    void Init(const ObjectPtr& application) override;

    // The library's object; nothing before Init or when it failed.
    ObjectPtr Source() const { return m_oSource.Get(); }

private:
    // Shared with the subscription, so that an event arriving during release finds no sink.
    std::shared_ptr<std::weak_ptr<ContextMenuEventsSink>> sink_ =
        std::make_shared<std::weak_ptr<ContextMenuEventsSink>>();
    WithEvents m_oSource;
};

}  // namespace brisko
