// The context-menu events library stand-in: an event source that takes the host's Application and
// raises the item context menu's events of Outlook 2007 and later (portable; the COM server and
// the in-memory class table make it).
#pragma once

#include <string_view>

#include "automation/object.h"

namespace brisko::grelmo {

// The class as the add-in names it.
inline constexpr std::wstring_view kContextMenuEvents = L"Grelmo.ContextMenuEvents";
inline constexpr std::wstring_view kContextMenuEventsClassId = L"{ABB46BC5-EF88-4498-8CEB-E5894FF2C795}";

// Its type name, members and events.
inline constexpr std::wstring_view kTypeName = L"ContextMenuEvents";
inline constexpr std::wstring_view kInit = L"Init";
inline constexpr std::wstring_view kOnItemContextMenuDisplay = L"OnItemContextMenuDisplay";
inline constexpr std::wstring_view kOnContextMenuClose = L"OnContextMenuClose";

// A new event source. `Init(Application)` subscribes to the Application's own events
// ItemContextMenuDisplay(CommandBar, Selection) and ContextMenuClose(ContextMenu) and from then on
// raises OnItemContextMenuDisplay(CommandBar, Selection) and OnContextMenuClose(ContextMenu) with
// the same arguments. A second Init replaces the subscription; one that fails (Nothing raises 91,
// an Application without events its own error) keeps the one before. Releasing the object
// unsubscribes. An error of one of its sinks never reaches the Application, and the other sinks
// still get the event.
ObjectPtr MakeContextMenuEvents();

}  // namespace brisko::grelmo
