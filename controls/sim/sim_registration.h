// Kelvane's controls as twins in the in-memory class table.
#pragma once

#include "platform/sim/sim_ui.h"

namespace brisko::kelvane {

// Registers the four twins by class id, by ProgID and by the ProgID with ".1".
void RegisterClasses(sim::SimObjectFactory& factory);

}  // namespace brisko::kelvane
