// A simulated platform installed for one test, and the process objects dropped after it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "controls/sim/sim_registration.h"
#include "platform/sim/sim_platform.h"
#include "standins/redemption/sim_registration.h"
#include "standins/grelmo/sim_registration.h"

namespace brisko::testing {

class AddinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ReleaseProcessObjects();
        Services() = DefaultServices();
        redemption::RegisterClasses(platform.objects);
        grelmo::RegisterClasses(platform.objects);
        kelvane::RegisterClasses(platform.objects);
        platform.Install();
    }
    void TearDown() override {
        ReleaseProcessObjects();
        Services() = DefaultServices();
        SetPlatform(Platform{});
    }

    const std::vector<sim::LogRecord>& Log() const { return platform.torvik.log(); }
    // The records of one level, as "procedure|number|message".
    std::vector<std::wstring> Records(std::int32_t level) const {
        std::vector<std::wstring> out;
        for (const auto& r : Log()) {
            if (r.level == level) {
                out.push_back(r.procedure + L"|" + std::to_wstring(r.errorNumber) + L"|" + r.message);
            }
        }
        return out;
    }
    std::vector<std::wstring> Errors() const { return Records(3); }

    sim::SimPlatform platform;
};

}  // namespace brisko::testing
