// The in-memory platform installed for one test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/error.h"
#include "platform/sim/sim_platform.h"

namespace brisko::testing {

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Err().Clear();
        platform.Install();
    }
    void TearDown() override {
        Err().Clear();
        SetPlatform(Platform{});
    }

    // The error a call raises: "number|description"; "" when it raises none.
    template <class F>
    static std::wstring ErrorOf(F&& call) {
        try {
            call();
        } catch (const RuntimeError& e) {
            return std::to_wstring(e.number()) + L"|" + e.description();
        }
        return {};
    }

    sim::SimPlatform platform;
};

}  // namespace brisko::testing
