#include "standins/redemption/sim_registration.h"

#include <string>

#include "standins/redemption/safe_objects.h"

namespace brisko::redemption {

void RegisterClasses(sim::SimObjectFactory& factory) {
    factory.Register(std::wstring(kSafeMailItem), [] { return MakeSafeItem(SafeKind::Mail); });
    factory.Register(std::wstring(kSafeTaskItem), [] { return MakeSafeItem(SafeKind::Task); });
    factory.Register(std::wstring(kSafeAppointmentItem), [] { return MakeSafeItem(SafeKind::Appointment); });
    factory.Register(std::wstring(kRdoSessionClassId), [] { return MakeRdoSession(); });
}

}  // namespace brisko::redemption
