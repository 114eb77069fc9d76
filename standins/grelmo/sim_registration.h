// The context-menu events library stand-in in the in-memory class table.
#pragma once

#include "platform/sim/sim_ui.h"

namespace brisko::grelmo {

// Registers "Grelmo.ContextMenuEvents" and its class id {ABB46BC5-EF88-4498-8CEB-E5894FF2C795}.
void RegisterClasses(sim::SimObjectFactory& factory);

}  // namespace brisko::grelmo
