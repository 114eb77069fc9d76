#include <gtest/gtest.h>

#include <sstream>

#include "tools/brisko-sim/native_session.h"
#include "tools/brisko-sim/scenario.h"

namespace brisko::tools {
namespace {

struct Ran {
    int code;
    std::string out;
};

Ran RunScenario(const std::string& text) {
    std::ostringstream out;
    int code = 0;
    {
        ScenarioRunner runner(out, MakeNativeSession());
        code = runner.RunText(text, "t");
    }
    return {code, out.str()};
}

TEST(Scenario, TheDemoHoldsEveryExpectation) {
    const auto r = RunScenario(kDemoScenario);
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out.find("FAILED"), std::string::npos);
    EXPECT_NE(r.out.find("[debug:3] Connect.Init: ->"), std::string::npos);
}

TEST(Scenario, BadLinesAreRefusedWithTheirNumber) {
    const std::pair<const char*, const char*> cases[] = {
        {"version 11\n\n# c\nfrobnicate\n", "t:4: unknown command \"frobnicate\""},
        {"version 15\n", "t:1: version: the host is Outlook 9 (2000) to 14 (2010)"},
        {"explorer Nowhere\n", "t:1: no folder \"Nowhere\""},
        {"start\nclose E7\n", "t:2: no window \"E7\""},
        {"start\nstart\n", "t:2: the add-in is already loaded"},
        {"explorer \"Inbox\n", "t:1: unterminated quoted text"},
        {"fail call x\n", "t:1: fail call: \"x\" is not a number"},
        {"torvik result Frob 1\n", "t:1: unknown support library export \"Frob\""},
    };
    for (const auto& [text, message] : cases) {
        const auto r = RunScenario(text);
        EXPECT_EQ(r.code, 2) << text;
        EXPECT_NE(r.out.find(message), std::string::npos) << r.out;
    }
}

TEST(Scenario, FailedExpectationsSetTheExitCode) {
    const auto r = RunScenario("explorer Inbox\nstart\nexpect state Inert\nexpect tracked 1\nshutdown\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("FAILED: expected state Inert; actual: Running"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 of 2 expectations held"), std::string::npos);
}

TEST(Scenario, SupportLibraryFaultsAndHostFaults) {
    const auto r = RunScenario(
        "version 12\n"
        "torvik result InitEx 5\n"
        "explorer Inbox\n"
        "start\n"
        "expect log \"[error #0] Connect.IDTExtensibility2_OnConnection: Torvik.InitEx returned 5\"\n"
        "expect state Inert\n"
        "expect tracked 0\n"
        "shutdown\n"
        "expect references 0\n");
    EXPECT_EQ(r.code, 0) << r.out;

    const auto f = RunScenario(
        "explorer Inbox\n"
        "fail member Application.Inspectors -2147467259 \"No inspectors\"\n"
        "start\n"
        "expect log \"[error #-2147467259] Connect.Init: No inspectors\"\n"
        "expect state Shut down\n"
        "expect escaped 0\n");
    EXPECT_EQ(f.code, 0) << f.out;
}

}  // namespace
}  // namespace brisko::tools
