// The simulated Outlook through COM: which of its objects source which of the host's event
// interfaces, as the real host's objects do.
#pragma once

#include "automation/win/object_dispatch.h"

namespace brisko::tools {

// Explorers: ExplorersEvents; Inspectors: InspectorsEvents; Explorer: ExplorerEvents_10;
// Inspector: InspectorEvents_10; every other object: none.
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
