#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <utility>

#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_registry.h"
#include "automation/error.h"
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
    // The story in a user's words, the dialogs opened from the toolbar and the ribbon.
    EXPECT_NE(r.out.find("\nOutlook 2003 starts with Anna's mailbox"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("> say"), std::string::npos);
    EXPECT_NE(r.out.find("  pressed Standard/Create a task from the selected e-mail\n  D1 opens\n"), std::string::npos);
    EXPECT_NE(r.out.find("  clicked btnQuickAppointmentE\n  D2 opens\n"), std::string::npos);
    EXPECT_NE(r.out.find("  clicked btnFolder_1E\n"), std::string::npos);
}

TEST(Scenario, PressSaysWhatTheUserSaw) {
    const auto r = RunScenario(
        "version 11\n"
        "explorer Inbox\n"
        "start\n"
        "select E1 1 2\n"
        "press E1 Standard \"Create a task from the selected e-mail\"\n"
        "press E1 Standard \"No such button\"\n"
        "switch E1 Calendar\n"
        "press E1 \"Menu Bar\" \"Actions/Move to Folder/Other Folder...\"\n"
        "switch E1 Inbox\n"
        "select E1 1\n"
        "show task Inbox 2\n"
        "press E1 \"Menu Bar\" \"Actions/Quick Appointment\"\n"
        "close D2\n"
        "print control E1 Standard \"Create a task from the selected e-mail\"\n"
        "shutdown\n");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("  nothing: the control is disabled\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  nothing: no control \"No such button\" on \"Standard\"\n"), std::string::npos);
    EXPECT_NE(r.out.find("  nothing: the menu \"Move to &Folder\" is hidden\n"), std::string::npos);
    // Named after the one "show" opened.
    EXPECT_NE(r.out.find("  pressed Menu Bar/Actions/Quick Appointment\n  D2 opens\n"), std::string::npos);
    EXPECT_NE(r.out.find("  button \"\" tooltip \"Create a task from the selected e-mail\" face 1100 style 1 visible yes "
                         "enabled yes"),
              std::string::npos);
}

TEST(Scenario, WrapperKeysPrintAsKey) {
    const auto r = RunScenario(
        "version 11\nexplorer Inbox\nstart\nopen inspector Inbox 1\nclose I1\n"
        "expect log \"CInspectorWrapper.Init: Initialized,Tag=<key>\"\n"
        "expect log \"CInspectorWrapper::m_oInspector_Close: Tag=<key>\"\nshutdown\n");
    EXPECT_EQ(r.code, 0) << r.out;
}

TEST(Scenario, SayIsNarrationNotACommand) {
    const auto r = RunScenario("say   Anna opens \"her\" mail.\nsay\nsaying 1\n");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "\nAnna opens \"her\" mail.\n\n\n> saying 1\nt:3: unknown command \"saying\"\n");
}

TEST(Scenario, RibbonCommandsAndListings) {
    const auto r = RunScenario(
        "version 14\n"
        "explorer Inbox\n"
        "start\n"
        "ribbon asked\n"
        "select E1 1 2\n"
        "ribbon click E1 btnQuickTaskE\n"
        "ribbon show E1 grpBriskoE\n"
        "expect bars E1 <<\n"
        "(no command bars)\n"
        ".\n"
        "context-menu E1\n"
        "context-menu close\n"
        "shutdown\n"
        "ribbon asked\n"
        "expect ribbon-problems 0\n");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("> ribbon asked\n  Microsoft.Outlook.Explorer\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  nothing: btnQuickTaskE is not on the ribbon, or hidden or disabled\n"), std::string::npos);
    EXPECT_NE(r.out.find("  group grpBriskoE label \"Quick Items\" screentip \"\" enabled yes visible yes image none\n"
                         "    button btnQuickTaskE label \"Quick Task\""),
              std::string::npos);
    EXPECT_NE(r.out.find("  bar \"Context Menu\"\n"), std::string::npos);
    // The host let go of the add-in's ribbon at shutdown and asks for nothing afresh.
    EXPECT_NE(r.out.find("> ribbon asked\n  (no ribbon type asked)\n"), std::string::npos);

    const auto old = RunScenario("version 9\nexplorer Inbox\nstart\ncontext-menu E1\nribbon asked\nshutdown\n");
    EXPECT_EQ(old.code, 0) << old.out;
    EXPECT_NE(old.out.find("  (this Outlook has no item context menu for add-ins)\n"), std::string::npos);
    EXPECT_NE(old.out.find("  (no ribbon type asked)\n"), std::string::npos);
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

// A session whose add-in lets an error out of every OnConnection, as a COM server might.
class LeakySession : public AddinSession {
public:
    void Connect(const ObjectPtr&, std::int32_t) override {
        loaded_ = true;
        escaped_.push_back(L"Leaky.Connect.OnConnection: 0x80004005");
    }
    void StartupComplete() override {}
    void BeginShutdown() override {}
    std::wstring Disconnect(std::int32_t) override {
        loaded_ = false;
        return L"Shut down";
    }
    bool Loaded() const override { return loaded_; }
    std::wstring State() override { return L"Running"; }
    int TrackedExplorers() override { return 0; }
    const std::vector<LogEntry>& Log() override { return log_; }
    std::vector<std::wstring> TakeEscapedErrors() override { return std::exchange(escaped_, {}); }
    Registry& AddinRegistry() override { return registry_; }
    CodePage& AddinCodePage() override { return codePage_; }
    bool InProcessCommand(const std::vector<std::wstring>&, std::ostream&) override { return false; }

private:
    bool loaded_ = false;
    std::vector<std::wstring> escaped_;
    std::vector<LogEntry> log_;
    sim::SimRegistry registry_;
    sim::Cp1252 codePage_;
};

// An add-in whose ribbon markup Office refuses.
class BadRibbonAddin : public Object {
public:
    Value Invoke(std::wstring_view name, CallKind, Args&) override {
        if (name == L"GetCustomUI") return Value(std::wstring(L"<customUI><ribbon>"));
        Raise(438);
    }
    std::wstring TypeName() const override { return L"Connect"; }
};

class BadRibbonSession : public LeakySession {
public:
    ObjectPtr RibbonAddin() override { return std::make_shared<BadRibbonAddin>(); }
};

TEST(Scenario, RibbonProblemsArePrintedAndCounted) {
    std::ostringstream out;
    ScenarioRunner runner(out, std::make_unique<BadRibbonSession>());
    const int code = runner.RunText(
        "version 14\nexplorer Inbox\nstart\nexpect ribbon-problems 0\nshutdown\nexpect ribbon-problems 1\n", "t");
    EXPECT_EQ(code, 1) << out.str();
    EXPECT_NE(out.str().find("> start\n!! ribbon: "), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("FAILED: expected ribbon-problems 0; actual: 1"), std::string::npos);
    EXPECT_NE(out.str().find("1 of 2 expectations held"), std::string::npos);
}

TEST(Scenario, ErrorsThatEscapeArePrintedAndCountedOverTheWholeRun) {
    std::ostringstream out;
    ScenarioRunner runner(out, std::make_unique<LeakySession>());
    const int code = runner.RunText("start\nshutdown\nexpect escaped 1\n", "t");
    EXPECT_EQ(code, 0) << out.str();
    EXPECT_NE(out.str().find("!! error escaped into the host from Leaky.Connect.OnConnection: 0x80004005"),
              std::string::npos);
}

TEST(Scenario, CommandsIntoTheAddinsProcessNeedTheInProcessSession) {
    for (const char* line : {"screen 800 600\n", "torvik missing\n", "option LangID DE\n", "print options\n"}) {
        std::ostringstream out;
        ScenarioRunner runner(out, std::make_unique<LeakySession>());
        EXPECT_EQ(runner.RunText(line, "t"), 2) << line;
        EXPECT_NE(out.str().find("reaches into the add-in's process: brisko-sim only"), std::string::npos) << out.str();
    }
}

TEST(Scenario, FolderCommandsIntoTheAddinsProcessNeedTheInProcessSession) {
    for (const char* line : {"recent move record Inbox\n", "print recent move\n", "expect recent calendars <<\n.\n",
                             "pick mail\n", "menu recent move current Inbox\n", "answer msgbox ok\n",
                             "answer menu 100\n", "print messages\n"}) {
        std::ostringstream out;
        ScenarioRunner runner(out, std::make_unique<LeakySession>());
        EXPECT_EQ(runner.RunText(line, "t"), 2) << line;
        EXPECT_NE(out.str().find("reaches into the add-in's process: brisko-sim only"), std::string::npos) << out.str();
    }
    // The folder picker's answers are the host's.
    std::ostringstream out;
    ScenarioRunner runner(out, std::make_unique<LeakySession>());
    EXPECT_EQ(runner.RunText("answer picker Inbox\nanswer picker cancel\n", "t"), 0) << out.str();
    EXPECT_NE(runner.Host().NextPickFolderAnswer(), nullptr);
    EXPECT_EQ(runner.Host().NextPickFolderAnswer(), nullptr);
    EXPECT_EQ(runner.RunText("answer picker Nowhere\n", "t"), 2);
}

TEST(Scenario, LogRecordsPrintOnOneLine) {
    const auto r = RunScenario(
        "explorer Inbox\n"
        "fail member Application.Inspectors 70 \"two\tparts\"\n"
        "start\n"
        "expect log \"[error #70] Connect.Init: two\\tparts\"\n"
        "shutdown\n");
    EXPECT_EQ(r.code, 0) << r.out;
}

}  // namespace
}  // namespace brisko::tools
