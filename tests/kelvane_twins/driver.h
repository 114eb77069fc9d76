// What the shared table of behaviours needs from a control library: controls created by class,
// given a window and used as a user uses them. One driver runs the twins (both targets), the
// other the real Kelvane.dll controls in a container window under Wine.
#pragma once

#include <memory>

#include "automation/object.h"
#include "controls/sim/kelvane_twins.h"

namespace brisko::kelvane::test {

class Driver {
public:
    virtual ~Driver() = default;
    // A new control of the class, without a window, reached late bound.
    virtual ObjectPtr Create(ControlKind kind) = 0;
    // In-place activation with a window of this size in pixels; deactivation.
    virtual void Attach(const ObjectPtr& control, int width, int height) = 0;
    virtual void Detach(const ObjectPtr& control) = 0;
    // The user clicks a day of the month the calendar shows; false when it shows no such day.
    virtual bool ClickDay(const ObjectPtr& calendar, int day) = 0;
    // The user steps the picker's first field (the month) up with the keyboard.
    virtual bool StepPicker(const ObjectPtr& picker) = 0;
    // The user clicks the priority bar's button of priority 0, 1 or 2.
    virtual bool ClickPriority(const ObjectPtr& bar, int priority) = 0;
    // The local time as the controls see it now.
    virtual Date Now() = 0;
};

// The driver of this test program; one per test.
std::unique_ptr<Driver> MakeDriver();

}  // namespace brisko::kelvane::test
