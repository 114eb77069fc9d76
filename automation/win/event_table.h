// The host's event interfaces: which DISPID of which dispinterface is which event, and how
// its parameters are passed. One table for both directions of the bridge.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <array>
#include <span>
#include <string_view>

namespace brisko::win {

// The dispinterfaces of the host's events.
inline constexpr GUID kExplorersEvents = {0x00063078, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID kInspectorsEvents = {0x00063079, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID kExplorerEvents10 = {0x0006300F, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID kInspectorEvents10 = {0x0006302A, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID kApplicationEvents11 = {0x0006302C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID kCommandBarsEvents = {0x000C0352, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID kCommandBarButtonEvents = {0x000C0351, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// The controls library's events (Kelvane: the calendar and the date picker).
inline constexpr GUID kMonthCalEvents = {0xE6840C60, 0xB593, 0x489E, {0x8C, 0x97, 0xE9, 0x25, 0x18, 0x60, 0x17, 0x2E}};
inline constexpr GUID kDateTimePickEvents = {0xC325579F, 0x357E, 0x42BB, {0x93, 0x9D, 0xE2, 0xAE, 0x0D, 0x55, 0xCE, 0x46}};
// The context-menu events library's events (Grelmo: _ContextMenuEventsEvents).
inline constexpr GUID kContextMenuEventsEvents = {0x2BADC68A, 0xA304, 0x4D03, {0xB1, 0x62, 0xAA, 0xF6, 0x7C, 0x87, 0xF6, 0x0B}};

inline constexpr std::size_t kMaxEventParams = 8;

// One event of one dispinterface. `params` are the parameters' types in declaration order,
// ended by VT_EMPTY: VT_VARIANT passes a value as it is, VT_BYREF | t a by-reference
// parameter of type t (written back after the sinks ran). Arguments beyond the listed ones
// are passed as they are, by value.
struct EventRow {
    GUID iid;
    const wchar_t* interfaceName;
    const wchar_t* name;
    DISPID dispid;
    std::array<VARTYPE, kMaxEventParams> params;
};

std::span<const EventRow> EventTable() noexcept;

// nullptr when the table has no such row; names compare without regard to case.
const EventRow* FindEvent(const GUID& iid, DISPID dispid) noexcept;
const EventRow* FindEvent(const GUID& iid, std::wstring_view name) noexcept;
// True when the table has at least one row of the interface.
bool IsEventInterface(const GUID& iid) noexcept;
// The interface's name from the table, or "" for an interface it does not have.
std::wstring_view EventInterfaceName(const GUID& iid) noexcept;

}  // namespace brisko::win
