// The translator's checker: what it prints and when it fails.
#include <sstream>
#include <string>

#include "automation/text.h"
#include "tests/lang/lang_fixture.h"
#include "tools/lang-check/check.h"

namespace brisko::testing {
namespace {

class LangCheckTest : public LangTest {
protected:
    int Check(const std::wstring& file, bool list = false) {
        tools::CheckOptions o;
        o.file = file;
        o.listKeys = list;
        std::ostringstream out;
        const int rc = tools::CheckLanguageFile(o, platform.torvik, out);
        output = out.str();
        return rc;
    }
    bool Has(const std::string& line) const { return output.find(line + "\n") != std::string::npos; }
    std::string Path(const std::string& name) const { return ToUtf8(PathOf(name)); }
    std::string output;
};

TEST_F(LangCheckTest, TheShippedFilesAreComplete) {
    for (const wchar_t* name : {L"English.lng", L"Deutsch.lng"}) {
        EXPECT_EQ(Check(sim::SimPlatform::DefaultModuleFolder() + L"\\" + name, true), 0);
        EXPECT_TRUE(Has("missing keys: 0")) << output;
        EXPECT_TRUE(Has("unused keys: 0")) << output;
        EXPECT_TRUE(Has("loads: yes; 0 errors logged")) << output;
        EXPECT_TRUE(Has("[Brisko.frmQuickTask] form section, 17 keys")) << output;
    }
    EXPECT_TRUE(Has("language: Deutsch (DE)"));
    EXPECT_NE(output.find(": LID_VI_FILE_DESCRIPTION = \"Brisko f\xC3\xBCr Outlook\"\n"), std::string::npos);
}

TEST_F(LangCheckTest, ReportsWhatTheEngineLogs) {
    Write("t.lng", Lines({"[version]", "signature=\"Corvant.LangLngFile\"", "lang=\"Test\"", "langid=\"TT\"",
                          "[Brisko]", "globals=\"a, b\"", "forms=\"frmQuickTask,frmOther\"", "[Brisko.a]",
                          "LID_BTN_ABOUT=\"About\"", "LID_EXTRA=\"x\"", "[Brisko.b]", "lid_btn_about=\"again\"",
                          "LID_BTN_FOLDER_TT=\"Move\\q\"", "LID_MSGBOX_RFOLDER_NOT_FOUND=\"%s and %s\"",
                          "[Brisko.frmQuickTask]", "lblNothing=\"x\"", "btnHelp.Colour=\"red\"", "[Brisko.frmOther]"}));
    EXPECT_EQ(Check(PathOf("t.lng"), true), 0);
    const std::string f = Path("t.lng");
    EXPECT_TRUE(Has("[error #0] CLang.ReadSection: declaration of constant 'lid_btn_about' repeats in a line 12 of '" +
                    f + "' file"))
        << output;
    EXPECT_TRUE(Has("language: Test (TT)"));
    EXPECT_TRUE(Has("[Brisko.a] texts, 2 keys"));
    EXPECT_TRUE(Has("  9: LID_BTN_ABOUT = \"About\""));
    EXPECT_TRUE(Has("  10: lid_extra = \"x\""));
    EXPECT_TRUE(Has("[error #0] CLang::sprintf2: Invalid format specificator '\\q'; Move\\q"));
    EXPECT_TRUE(Has("  LID_BTN_FOLDER_TT: the add-in fills 1 placeholder(s), the text has 0"));
    EXPECT_TRUE(Has("[error #9] CLang::sprintf1: Subscript out of range"));
    EXPECT_TRUE(Has("[error #0] CLang.LocalizeControls: 'lblnothing' control does not exist on 'frmQuickTask' form"));
    EXPECT_TRUE(Has("[error #0] CLang.LocalizeControls: 'colour' property does not supported"));
    EXPECT_TRUE(Has("no form section for frmQuickAppointment"));
    EXPECT_TRUE(Has("form section frmOther is not a form of the add-in"));
    EXPECT_TRUE(Has("missing keys: 41"));
    EXPECT_TRUE(Has("  LID_VI_COMMENTS"));
    EXPECT_TRUE(Has("unused keys: 1"));
    EXPECT_TRUE(Has("  10: lid_extra"));
}

TEST_F(LangCheckTest, FailsWhenTheFileWouldNotLoad) {
    Write("t.lng", Lines({"[version]", "signature=\"Corvant.LangLngFile\"", "lang=\"Test\"", "langid=\"TT\"", "",
                          "[Brisko]", "globals=\"texts\"", "[Brisko.texts]", "LID_X = unquoted"}));
    EXPECT_EQ(Check(PathOf("t.lng")), 1);
    const std::string f = Path("t.lng");
    EXPECT_TRUE(Has("[error #0] CLang.ReadSection: Syntactic error - 'The string should be in quotes', line - 9, "
                    "file = '" + f + "'"))
        << output;
    EXPECT_TRUE(Has("[error #0] CLang.Init: Error readig section [Brisko.texts] in file '" + f + "'"));
    EXPECT_TRUE(Has("FAILED: " + f + " would not load"));
    EXPECT_EQ(Check(PathOf("missing.lng")), 1);
    EXPECT_TRUE(Has("[error #2] CLang.ReadSection: oFile.OpenFile failed"));
}

}  // namespace
}  // namespace brisko::testing
