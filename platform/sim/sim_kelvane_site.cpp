#include "platform/sim/sim_kelvane_site.h"

#include "controls/sim/kelvane_twins.h"
#include "platform/platform.h"

namespace brisko::sim {

void SimKelvaneSite::Activate(const ObjectPtr& control, int widthPx, int heightPx) {
    kelvane::ControlTwin* twin = kelvane::TwinOf(control);
    if (!twin) return;
    if (twin->HasWindow()) {
        twin->Resize(widthPx, heightPx);
    } else {
        twin->AttachWindow(widthPx, heightPx);
    }
}

void SimKelvaneSite::Deactivate(const ObjectPtr& control) noexcept {
    if (kelvane::ControlTwin* twin = kelvane::TwinOf(control)) twin->DetachWindow();
}

bool SimKelvaneSite::PickDate(const ObjectPtr& control, Date date) {
    if (auto* calendar = kelvane::TwinAs<kelvane::MonthCalTwin>(control)) return calendar->PickDate(date);
    if (auto* picker = kelvane::TwinAs<kelvane::DateTimePickTwin>(control)) return picker->EnterDateTime(date);
    return false;
}

bool SimKelvaneSite::ChoosePriority(const ObjectPtr& control, int priority) {
    auto* bar = kelvane::TwinAs<kelvane::PriorityBarTwin>(control);
    return bar && bar->ClickButton(priority);
}

void UsePlatformClockForTwins() {
    kelvane::SetClock([] {
        Clock* clock = CurrentPlatform().clock;
        return clock ? MakeDate(clock->Now()) : Date{};
    });
}

}  // namespace brisko::sim
