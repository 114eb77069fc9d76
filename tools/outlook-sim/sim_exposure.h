// The simulated Outlook through COM: which of its objects source which of the host's event
// interfaces, as the real host's objects do.
#pragma once

#include "automation/win/object_dispatch.h"

namespace brisko::tools {

// By type name: Explorers: ExplorersEvents; Inspectors: InspectorsEvents; Explorer:
// ExplorerEvents_10; Inspector: InspectorEvents_10; Application: ApplicationEvents_11;
// CommandBars: _CommandBarsEvents; CommandBarButton: _CommandBarButtonEvents; every other object:
// none. IRibbonUI and IRibbonControl answer the host's interface ids and DISPIDs (Invalidate 1,
// InvalidateControl 2; Id 1, Context 2, Tag 3).
win::DispatchOptions SimDispatchOptions(Object& object);

// Installs SimDispatchOptions as the process's describer while it lives.
class SimExposure {
public:
    SimExposure();
    ~SimExposure();
    SimExposure(const SimExposure&) = delete;
    SimExposure& operator=(const SimExposure&) = delete;

private:
    win::DispatchDescriber previous_;
};

}  // namespace brisko::tools
