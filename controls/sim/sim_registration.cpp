#include "controls/sim/sim_registration.h"

#include <string>

#include "controls/sim/kelvane_twins.h"

namespace brisko::kelvane {

void RegisterClasses(sim::SimObjectFactory& factory) {
    const auto add = [&factory](std::wstring_view classId, std::wstring_view progId, ObjectPtr (*make)()) {
        factory.Register(std::wstring(classId), make);
        factory.Register(std::wstring(progId), make);
        factory.Register(std::wstring(progId) + L".1", make);
    };
    add(kMonthCalClassId, kMonthCalProgId, &MakeMonthCal);
    add(kDateTimePickClassId, kDateTimePickProgId, &MakeDateTimePick);
    add(kPriorityBarClassId, kPriorityBarProgId, &MakePriorityBar);
    add(kEditBoxClassId, kEditBoxProgId, &MakeEditBox);
}

}  // namespace brisko::kelvane
