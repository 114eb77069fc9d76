#include <gtest/gtest.h>

#include "addin/host/COptions.h"
#include "addin/host/globals.h"
#include "addin_fixture.h"
#include "automation/text.h"
#include "simhost/objects.h"
#include "simhost/sample_mailbox.h"

namespace brisko {
namespace {

constexpr const char* kOptions = "HKCU\\Software\\Corvant\\Brisko";
constexpr const char* kMachine = "HKLM\\Software\\Corvant\\Brisko";

class Options : public testing::AddinTest {
protected:
    void SetUp() override {
        AddinTest::SetUp();
        mailbox = sim::BuildSampleMailbox(host);
        g_oApplication = host.ApplicationObject();
    }
    void TearDown() override {
        g_oApplication.reset();
        AddinTest::TearDown();
    }
    std::string MailboxKey() const {
        std::string key(kOptions);
        key += '\\';
        key += ToUtf8(mailbox.mailbox->EntryID());
        return key;
    }
    // A dump of one key: its header line, then the value lines.
    static std::string Dumped(const std::string& key, const char* values) {
        std::string text = "[";
        text += key;
        text += "]\n";
        text += values;
        return text;
    }

    sim::SimOutlook host;
    sim::SampleMailbox mailbox;
};

TEST_F(Options, DefaultsWithNoRegistryData) {
    COptions o;
    EXPECT_EQ(o.LangID(), L"EN");
    EXPECT_EQ(o.LangFile(), L"");
    EXPECT_FALSE(o.DebugButton());
    for (int n : {1, 3}) {
        EXPECT_EQ(o.LastUsed_Button(n), 0);
        EXPECT_EQ(o.LastUsed_MailAction(n), 0);
        EXPECT_FALSE(o.LastUsed_AttachMail(n));
    }
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(platform.registry.OpenHandleCount(), 0u);  // every helper closes its key
}

TEST_F(Options, MailboxKeyIsBelowTheOptionsKey) {
    COptions o;
    EXPECT_EQ(o.MailboxID(), mailbox.mailbox->EntryID());
    EXPECT_FALSE(o.MailboxID().empty());
    EXPECT_EQ(o.GetRegPath(true), L"Software\\Corvant\\Brisko");
    EXPECT_EQ(o.GetRegPath(false), L"Software\\Corvant\\Brisko\\" + mailbox.mailbox->EntryID());
}

TEST_F(Options, MachineLanguageAppliesWhileTheUserHasNoneOfTheirOwn) {
    platform.registry.PresetString(kMachine, "LANG", "DE");
    platform.registry.PresetString(kMachine, "LANG_", "Deutsch.lng");
    COptions o;
    EXPECT_EQ(o.LangID(), L"DE");
    EXPECT_EQ(o.LangFile(), L"");  // the user's empty LANG differs from the machine's
    o.SetLangID(L"DE");
    EXPECT_EQ(o.LangFile(), L"Deutsch.lng");
    o.SetLangID(L"de");  // compared case-sensitively
    EXPECT_EQ(o.LangFile(), L"");
    o.SetLangFile(L"Mine.lng");
    EXPECT_EQ(o.LangFile(), L"Mine.lng");
    EXPECT_EQ(o.LangID(), L"de");
}

TEST_F(Options, LastUsedValuesLiveInTheMailboxKey) {
    COptions o;
    o.SetLastUsed_AttachMail(1, true);
    o.SetLastUsed_Button(3, 2);
    o.SetLastUsed_MailAction(3, 1);
    EXPECT_EQ(platform.registry.Dump(MailboxKey()),
              Dumped(MailboxKey(), "\"LastUsed_AttachMail1\"=dword:00000001\n\"LastUsed_Button3\"=dword:00000002\n"
                                   "\"LastUsed_MailAction3\"=dword:00000001\n"));
    EXPECT_TRUE(o.LastUsed_AttachMail(1));
    EXPECT_EQ(o.LastUsed_Button(3), 2);
    EXPECT_EQ(o.LastUsed_MailAction(3), 1);
    EXPECT_FALSE(o.LastUsed_AttachMail(3));
}

TEST_F(Options, AnOutOfRangeChoiceReadsAsZeroAndAsserts) {
    platform.registry.PresetDword(MailboxKey(), "LastUsed_Button3", 7);
    platform.registry.PresetDword(MailboxKey(), "LastUsed_MailAction1", 0xFFFFFFFF);
    platform.registry.PresetString(MailboxKey(), "LastUsed_Button1", "2");  // wrong type: the default
    COptions o;
    EXPECT_EQ(o.LastUsed_Button(3), 0);
    EXPECT_EQ(o.LastUsed_MailAction(1), 0);
    EXPECT_EQ(o.LastUsed_Button(1), 0);
    EXPECT_EQ(Errors(), (std::vector<std::wstring>{
                            L"COptions.LastUsed_Button(Get)|0|ASSERT FAILED - Valid(ReadDWORDOption)",
                            L"COptions.LastUsed_MailAction(Get)|0|ASSERT FAILED - Valid(ReadDWORDOption)"}));
}

TEST_F(Options, WithoutAMailboxIdentifierTheOptionsKeyServes) {
    host.FailMember(L"MAPIFolder.EntryID", -2147467259, L"Failed");
    COptions o;
    host.ClearFaults();
    EXPECT_EQ(o.MailboxID(), L"");
    EXPECT_EQ(o.GetRegPath(false), L"Software\\Corvant\\Brisko");
    o.SetLastUsed_Button(3, 1);
    EXPECT_EQ(platform.registry.Dump(kOptions), Dumped(kOptions, "\"LastUsed_Button3\"=dword:00000001\n"));
    EXPECT_TRUE(Log().empty());
    g_oApplication.reset();
    EXPECT_EQ(COptions().MailboxID(), L"");  // no host at all
}

}  // namespace
}  // namespace brisko
