#include "tools/outlook-sim/sim_exposure.h"

#include <string>

#include "automation/win/event_table.h"

namespace brisko::tools {

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
    }
    return options;
}

SimExposure::SimExposure() : previous_(win::SetDispatchDescriber(&SimDispatchOptions)) {}

SimExposure::~SimExposure() { win::SetDispatchDescriber(std::move(previous_)); }

}  // namespace brisko::tools
