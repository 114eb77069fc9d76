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


// The topic in the client's language (its LangID callback), else in English, else in Help itself.
class TorvikHelpLanguage : public TorvikHelp {
protected:
    void SetUp() override {
        TorvikHelp::SetUp();
        for (const wchar_t* lang : {L"EN", L"DE"}) CreateDirectoryW((help_ + L"\\" + lang).c_str(), nullptr);
        WriteFileText(help_ + L"\\EN\\index.htm", "<html>start</html>");
        WriteFileText(help_ + L"\\DE\\index.htm", "<html>Start</html>");
        WriteFileText(help_ + L"\\EN\\Create_Appointment_Item_from_E-mail_Message.htm", "<html>appointment</html>");
        CreateDirectoryW((help_ + L"\\DE\\Create_Appointment_Item_from_E-mail_Message.htm").c_str(), nullptr);
    }
    std::string Opened(std::wstring_view langId, const char* topic) {
        Callbacks().langId = langId;
        EXPECT_EQ(InitSelf(), kOk);
        EXPECT_EQ(dll_->ShowContextHelp(Self(), topic), kOk) << Utf8(std::wstring(langId)) << " " << topic;
        return Launched();
    }
};

TEST_F(TorvikHelpLanguage, TheClientsLanguageComesFirstThenEnglishThenTheHelpFolder) {
    EXPECT_EQ(Opened(L"DE", ""), Utf8(help_ + L"\\DE\\index.htm"));
    EXPECT_EQ(Opened(L"de", "index.htm"), Utf8(help_ + L"\\de\\index.htm"));
    // A directory of the topic's name in the language folder is no topic.
    EXPECT_EQ(Opened(L"DE", "Create_Appointment_Item_from_E-mail_Message.htm"),
              Utf8(help_ + L"\\EN\\Create_Appointment_Item_from_E-mail_Message.htm"));
    EXPECT_EQ(Opened(L"DE", "Create_Task_Item_from_E-mail_Message.htm"),
              Utf8(help_ + L"\\Create_Task_Item_from_E-mail_Message.htm"));
    EXPECT_EQ(Opened(L"EN", ""), Utf8(help_ + L"\\EN\\index.htm"));
    EXPECT_EQ(Opened(L"FR", ""), Utf8(help_ + L"\\EN\\index.htm"));
    EXPECT_EQ(Callbacks().langCalls, 6);
    EXPECT_TRUE(ReadLog(SelfLog()).empty());
}

TEST_F(TorvikHelpLanguage, WithoutALanguageEnglishIsTaken) {
    // No InitEx: no callback to ask.
    EXPECT_EQ(dll_->ShowContextHelp(Self(), ""), kOk);
    EXPECT_EQ(Launched(), Utf8(help_ + L"\\EN\\index.htm"));
    EXPECT_EQ(Opened(L"", ""), Utf8(help_ + L"\\EN\\index.htm"));
    // A session ended by a failed InitEx keeps no callback either.
    Callbacks().langId = L"DE";
    InitRecord bad;
    bad.Set(0, 12);
    EXPECT_NE(dll_->InitEx(Self(), bad.data()), kOk);
    EXPECT_EQ(dll_->ShowContextHelp(Self(), ""), kOk);
    EXPECT_EQ(Launched(), Utf8(help_ + L"\\EN\\index.htm"));
}

TEST_F(TorvikHelpLanguage, ALanguageThatIsNoFolderNameIsSkipped) {
    WriteFileText(help_ + L"\\secret.htm", "<html>secret</html>");
    for (const wchar_t* lang : {L"..", L"DE\\..", L"C:", L"\\DE", L"D E", L"ABCDEFGHIJKLMNOPQ"}) {
        EXPECT_EQ(Opened(lang, ""), Utf8(help_ + L"\\EN\\index.htm")) << Utf8(lang);
    }
    // The topic rules stay whatever the language.
    Callbacks().langId = L"DE";
    EXPECT_EQ(dll_->ShowContextHelp(Self(), "..\\DE\\index.htm"), kHelpTopicInvalid);
    EXPECT_EQ(dll_->ShowContextHelp(Self(), "x\\..\\..\\secret.htm"), kHelpTopicInvalid);
    EXPECT_EQ(Launched(), "");
}

TEST_F(TorvikHelpLanguage, ATopicInNoFolderIsReportedWithItsPathInTheHelpFolder) {
    Callbacks().langId = L"DE";
    ASSERT_EQ(InitSelf(), kOk);
    EXPECT_EQ(dll_->ShowContextHelp(Self(), "Missing.htm"), kHelpNotFound);
    EXPECT_EQ(Launched(), "");
    const auto lines = ReadLog(SelfLog());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].message, "Help topic not found: " + Utf8(help_ + L"\\Missing.htm"));
}

}  // namespace
}  // namespace torvik::test
