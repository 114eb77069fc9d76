#include "tools/outlook-sim/sim_exposure.h"

#include <string>

#include "automation/win/event_table.h"

namespace brisko::tools {

namespace {

// The host's ribbon interfaces (Office), answered by the ribbon host's objects.
constexpr GUID kIRibbonUI = {0x000C03A7, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIRibbonControl = {0x000C0395, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

}  // namespace

win::DispatchOptions SimDispatchOptions(Object& object) {
    win::DispatchOptions options;
    const std::wstring type = object.TypeName();
    if (type == L"Explorers") {
        options.sources = {win::kExplorersEvents};
    } else if (type == L"Inspectors") {
        options.sources = {win::kInspectorsEvents};
    } else if (type == L"Explorer") {
        options.sources = {win::kExplorerEvents10};
    } else if (type == L"Inspector") {
        options.sources = {win::kInspectorEvents10};
    } else if (type == L"Application") {
        options.sources = {win::kApplicationEvents11};
    } else if (type == L"CommandBars") {
        options.sources = {win::kCommandBarsEvents};
    } else if (type == L"CommandBarButton") {
        options.sources = {win::kCommandBarButtonEvents};
    } else if (type == L"IRibbonUI") {
        options.interfaces = {kIRibbonUI};
        options.members = {{L"Invalidate", 1}, {L"InvalidateControl", 2}};
    } else if (type == L"IRibbonControl") {
        options.interfaces = {kIRibbonControl};
        options.members = {{L"Id", 1}, {L"Context", 2}, {L"Tag", 3}};
    }
    return options;
}

SimExposure::SimExposure() : previous_(win::SetDispatchDescriber(&SimDispatchOptions)) {}

SimExposure::~SimExposure() { win::SetDispatchDescriber(std::move(previous_)); }

}  // namespace brisko::tools
