// The controls library's in-memory twins in the in-memory form windows: each control made on a
// form gets its window when the form loads and loses it when the form unloads; the simulated
// user's dates and priorities reach them as clicks in their windows do.
#pragma once

#include "platform/sim/sim_form_window.h"

namespace brisko::sim {

class SimKelvaneSite final : public SimControlSite {
public:
    void Activate(const ObjectPtr& control, int widthPx, int heightPx) override;
    void Deactivate(const ObjectPtr& control) noexcept override;
    bool PickDate(const ObjectPtr& control, Date date) override;
    bool ChoosePriority(const ObjectPtr& control, int priority) override;
};

// The twins' windows start on the current platform's clock (today of the simulated clock).
void UsePlatformClockForTwins();

}  // namespace brisko::sim
