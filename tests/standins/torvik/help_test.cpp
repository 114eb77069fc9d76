// TorvikShowContextHelp: the topic's path below the client's Help folder, handed to a launcher
// that stands in for the shell.
#include "torvik_fixture.h"
#include "torvik_results.h"

namespace torvik::test {
namespace {

class TorvikHelp : public TorvikTest {
protected:
    void SetUp() override {
        TorvikTest::SetUp();
        help_ = ProgramFolder() + L"\\Help";
        RemoveTree(help_);
        CreateDirectoryW(help_.c_str(), nullptr);
        CreateDirectoryW((help_ + L"\\Topics").c_str(), nullptr);
        WriteFileText(help_ + L"\\index.htm", "<html>start</html>");
        WriteFileText(help_ + L"\\Create_Task_Item_from_E-mail_Message.htm", "<html>task</html>");
        WriteFileText(help_ + L"\\Topics\\With Blanks.htm", "<html>blanks</html>");
        probeOut_ = logs_->path() + L"\\probe.txt";
        launcher_.emplace(L"TORVIK_HELP_LAUNCHER", (ProgramFolder() + L"\\torvik_help_probe.exe").c_str());
        probeEnv_.emplace(L"TORVIK_HELP_PROBE_OUT", probeOut_.c_str());
    }
    void TearDown() override {
        probeExit_.reset();
        probeEnv_.reset();
        TorvikTest::TearDown();
        RemoveTree(help_);
    }
    // What the launcher received; empty when it did not run.
    std::string Launched() {
        std::string text = ReadFileText(probeOut_);
        DeleteFileW(probeOut_.c_str());
        return text;
    }

    std::wstring help_;
    std::wstring probeOut_;
    std::optional<ScopedEnv> probeEnv_;
    std::optional<ScopedEnv> probeExit_;
};

TEST_F(TorvikHelp, OpensTheNamedTopicFromTheHelpFolder) {
    EXPECT_EQ(dll_->ShowContextHelp(Self(), "Create_Task_Item_from_E-mail_Message.htm"), kOk);
    EXPECT_EQ(Launched(), Utf8(help_ + L"\\Create_Task_Item_from_E-mail_Message.htm"));
    EXPECT_EQ(dll_->ShowContextHelp(Self(), "Topics/With Blanks.htm"), kOk);
    EXPECT_EQ(Launched(), Utf8(help_ + L"\\Topics\\With Blanks.htm"));
    EXPECT_TRUE(ReadLog(SelfLog()).empty());
}

TEST_F(TorvikHelp, AnEmptyTopicOpensTheStartPage) {
    ASSERT_EQ(InitSelf(), kOk);
    EXPECT_EQ(dll_->ShowContextHelp(Self(), ""), kOk);
    EXPECT_EQ(Launched(), Utf8(help_ + L"\\index.htm"));
    EXPECT_EQ(dll_->ShowContextHelp(Self(), nullptr), kOk);
    EXPECT_EQ(Launched(), Utf8(help_ + L"\\index.htm"));
}

TEST_F(TorvikHelp, AMissingOrEscapingTopicIsRefusedAndLogged) {
    EXPECT_EQ(dll_->ShowContextHelp(Self(), "Create_Appointment_Item_from_E-mail_Message.htm"), kHelpNotFound);
    EXPECT_EQ(dll_->ShowContextHelp(Self(), "..\\torvik_tests.exe"), kHelpTopicInvalid);
    EXPECT_EQ(dll_->ShowContextHelp(Self(), "C:\\windows\\win.ini"), kHelpTopicInvalid);
    EXPECT_EQ(Launched(), "");
    const auto lines = ReadLog(SelfLog());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].level, "WARNING");
    EXPECT_EQ(lines[0].procedure, "Torvik.ShowContextHelp");
    EXPECT_EQ(lines[0].number, std::to_string(kHelpNotFound));
    EXPECT_EQ(lines[0].message,
              "Help topic not found: " + Utf8(help_ + L"\\Create_Appointment_Item_from_E-mail_Message.htm"));
    EXPECT_EQ(lines[1].message, "Help topic refused: ..\\torvik_tests.exe");
}

TEST_F(TorvikHelp, AFailingLauncherGivesAResultCode) {
    probeExit_.emplace(L"TORVIK_HELP_PROBE_EXIT", L"3");
    EXPECT_EQ(dll_->ShowContextHelp(Self(), ""), kHelpLaunchFailed);
    EXPECT_EQ(Launched(), Utf8(help_ + L"\\index.htm"));
    launcher_.emplace(L"TORVIK_HELP_LAUNCHER", (ProgramFolder() + L"\\no_such_launcher.exe").c_str());
    EXPECT_EQ(dll_->ShowContextHelp(Self(), ""), kHelpLaunchFailed);
    const auto lines = ReadLog(SelfLog());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].message, "Help could not be opened: " + Utf8(help_ + L"\\index.htm"));
}

}  // namespace
}  // namespace torvik::test
