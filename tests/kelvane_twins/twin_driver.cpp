// The driver over the twins.
#include "tests/kelvane_twins/driver.h"

#include "automation/error.h"

namespace brisko::kelvane::test {

namespace {

// A fixed clock, so that "today" does not change during a test.
constexpr DateParts kNow{2026, 12, 8, 9, 41, 7};

class TwinDriver final : public Driver {
public:
    TwinDriver() {
        SetClock([] { return MakeDate(kNow); });
    }
    ~TwinDriver() override { SetClock(nullptr); }
    TwinDriver(const TwinDriver&) = delete;
    TwinDriver& operator=(const TwinDriver&) = delete;

    ObjectPtr Create(ControlKind kind) override {
        switch (kind) {
            case ControlKind::MonthCal: return MakeByName(kMonthCalClassId);
            case ControlKind::DateTimePick: return MakeByName(kDateTimePickClassId);
            case ControlKind::PriorityBar: return MakeByName(kPriorityBarClassId);
            case ControlKind::EditBox: return MakeByName(kEditBoxClassId);
        }
        return nullptr;
    }
    void Attach(const ObjectPtr& control, int width, int height) override {
        TwinOf(control)->AttachWindow(width, height);
    }
    void Detach(const ObjectPtr& control) override { TwinOf(control)->DetachWindow(); }
    bool ClickDay(const ObjectPtr& calendar, int day) override {
        auto* twin = TwinAs<MonthCalTwin>(calendar);
        DateParts shown = SplitDate(twin->Selected());
        shown.day = day;
        try {
            return twin->PickDate(MakeDate(shown));
        } catch (const RuntimeError&) {
            return false;  // no such day in the shown month
        }
    }
    bool StepPicker(const ObjectPtr& picker) override {
        auto* twin = TwinAs<DateTimePickTwin>(picker);
        DateParts held = SplitDate(twin->Held());
        held.month = held.month % 12 + 1;  // the field wraps within its year
        return twin->EnterDateTime(MakeDate(held));
    }
    bool ClickPriority(const ObjectPtr& bar, int priority) override {
        return TwinAs<PriorityBarTwin>(bar)->ClickButton(priority);
    }
    Date Now() override { return MakeDate(kNow); }
};

}  // namespace

std::unique_ptr<Driver> MakeDriver() { return std::make_unique<TwinDriver>(); }

}  // namespace brisko::kelvane::test
