// Helpers of the simulated Outlook's tests: a sample mailbox reached through late binding.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/object.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"
#include "simhost/sim_outlook.h"

namespace brisko::sim::test {

// The error a call raises; number 0 when it raises none.
template <class F>
RuntimeError ErrorOf(F&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e;
    }
    return RuntimeError(0, L"none");
}

// The events one subscription received, by name; arguments are not kept (they hold references).
struct EventLog {
    std::vector<std::wstring> names;
    EventHandler Handler() {
        return [this](std::wstring_view name, Args&) { names.emplace_back(name); };
    }
};

class SampleTest : public ::testing::Test {
protected:
    void TearDown() override {
        app.reset();
        ns.reset();
        EXPECT_TRUE(sim.EscapedErrors().empty());
    }

    SimOutlook sim;
    SampleMailbox box = BuildSampleMailbox(sim);
    ObjectPtr app = sim.ApplicationObject();
    ObjectPtr ns = ObjectOf(app, L"Session");
};

inline SimObject* Sim(const ObjectPtr& o) { return dynamic_cast<SimObject*>(o.get()); }

}  // namespace brisko::sim::test
