#include "standins/grelmo/sim_registration.h"

#include <string>

#include "standins/grelmo/context_menu_events.h"

namespace brisko::grelmo {

void RegisterClasses(sim::SimObjectFactory& factory) {
    factory.Register(std::wstring(kContextMenuEvents), [] { return MakeContextMenuEvents(); });
    factory.Register(std::wstring(kContextMenuEventsClassId), [] { return MakeContextMenuEvents(); });
}

}  // namespace brisko::grelmo
