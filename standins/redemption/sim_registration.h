// The safe item library stand-in in the in-memory class table.
#pragma once

#include "platform/sim/sim_ui.h"

namespace brisko::redemption {

// Registers "Redemption.SafeMailItem", "Redemption.SafeTaskItem", "Redemption.SafeAppointmentItem"
// and the RDO session's class id {29AB7A12-B531-450E-8F7A-EA94C2F3C05F}.
void RegisterClasses(sim::SimObjectFactory& factory);

}  // namespace brisko::redemption
