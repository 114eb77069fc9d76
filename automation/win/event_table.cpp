#include "automation/win/event_table.h"

#include "automation/text.h"

namespace brisko::win {

namespace {

constexpr VARTYPE kBoolRef = VT_BOOL | VT_BYREF;

// Add rows here; keep the rows of one interface together.
constexpr EventRow kRows[] = {
    {kExplorersEvents, L"ExplorersEvents", L"NewExplorer", 0xF001, {VT_DISPATCH}},

    {kInspectorsEvents, L"InspectorsEvents", L"NewInspector", 0xF001, {VT_DISPATCH}},

    {kExplorerEvents10, L"ExplorerEvents_10", L"Activate", 0xF001, {}},
    {kExplorerEvents10, L"ExplorerEvents_10", L"FolderSwitch", 0xF002, {}},
    {kExplorerEvents10, L"ExplorerEvents_10", L"BeforeFolderSwitch", 0xF003, {VT_DISPATCH, kBoolRef}},
    {kExplorerEvents10, L"ExplorerEvents_10", L"ViewSwitch", 0xF004, {}},
    {kExplorerEvents10, L"ExplorerEvents_10", L"BeforeViewSwitch", 0xF005, {VT_VARIANT, kBoolRef}},
    {kExplorerEvents10, L"ExplorerEvents_10", L"Deactivate", 0xF006, {}},
    {kExplorerEvents10, L"ExplorerEvents_10", L"SelectionChange", 0xF007, {}},
    {kExplorerEvents10, L"ExplorerEvents_10", L"Close", 0xF008, {}},

    {kInspectorEvents10, L"InspectorEvents_10", L"Activate", 0xF001, {}},
    {kInspectorEvents10, L"InspectorEvents_10", L"Deactivate", 0xF006, {}},
    {kInspectorEvents10, L"InspectorEvents_10", L"Close", 0xF008, {}},

    {kApplicationEvents11, L"ApplicationEvents_11", L"ItemContextMenuDisplay", 0xFB41, {VT_DISPATCH, VT_DISPATCH}},
    {kApplicationEvents11, L"ApplicationEvents_11", L"FolderContextMenuDisplay", 0xFB42, {VT_DISPATCH, VT_DISPATCH}},
    {kApplicationEvents11, L"ApplicationEvents_11", L"ContextMenuClose", 0xFBA6, {VT_I4}},
    {kApplicationEvents11, L"ApplicationEvents_11", L"ItemLoad", 0xFBA7, {VT_DISPATCH}},

    {kCommandBarsEvents, L"_CommandBarsEvents", L"OnUpdate", 1, {}},

    {kCommandBarButtonEvents, L"_CommandBarButtonEvents", L"Click", 1, {VT_DISPATCH, kBoolRef}},

    {kMonthCalEvents, L"_ISysMonthCal32Events", L"OnChange", 1, {}},

    {kDateTimePickEvents, L"_ISysDateTimePick32Events", L"OnChange", 1, {}},

    {kContextMenuEventsEvents, L"_ContextMenuEventsEvents", L"OnItemContextMenuDisplay", 1, {VT_DISPATCH, VT_DISPATCH}},
    {kContextMenuEventsEvents, L"_ContextMenuEventsEvents", L"OnContextMenuClose", 2, {VT_I4}},
};

}  // namespace

std::span<const EventRow> EventTable() noexcept { return kRows; }

const EventRow* FindEvent(const GUID& iid, DISPID dispid) noexcept {
    for (const auto& row : kRows) {
        if (row.dispid == dispid && IsEqualGUID(row.iid, iid)) return &row;
    }
    return nullptr;
}

const EventRow* FindEvent(const GUID& iid, std::wstring_view name) noexcept {
    for (const auto& row : kRows) {
        if (IsEqualGUID(row.iid, iid) && EqualsNoCase(row.name, name)) return &row;
    }
    return nullptr;
}

bool IsEventInterface(const GUID& iid) noexcept { return !EventInterfaceName(iid).empty(); }

std::wstring_view EventInterfaceName(const GUID& iid) noexcept {
    for (const auto& row : kRows) {
        if (IsEqualGUID(row.iid, iid)) return row.interfaceName;
    }
    return {};
}

}  // namespace brisko::win
