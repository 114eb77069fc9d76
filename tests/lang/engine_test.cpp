// Loading, choosing, looking up and formatting texts.
#include <algorithm>
#include <string>
#include <vector>

#include "addin/lang/CLang.h"
#include "tests/lang/lang_fixture.h"

namespace brisko::testing {
namespace {

using Strings = std::vector<std::wstring>;

// A valid file with one text section and the given extra lines in it.
std::string ValidFile(const std::string& langid, std::initializer_list<std::string> texts = {},
                      const std::string& product = "[Brisko]") {
    std::string out = CrLfLines({"[version]", "signature=\"Corvant.LangLngFile\"", "lang=\"Lang " + langid + "\"",
                                       "langid=\"" + langid + "\"", product, "globals=\"texts\"", "forms=\"frm\"",
                                       "[Brisko.texts]", "LID_NAME=\"Name " + langid + "\""});
    for (const auto& t : texts) out += t + "\r\n";
    return out + "[Brisko.frm]\r\n.Caption=\"Title\"\r\n";
}

class EngineTest : public LangTest {
protected:
    CLang MakeLang() {
        LangSettings s;
        s.langId = [this] { return langId; };
        s.setLangId = [this](const std::wstring& v) { langId = v, writes.push_back(L"LangID=" + v); };
        s.langFile = [this] { return langFile; };
        s.setLangFile = [this](const std::wstring& v) { langFile = v, writes.push_back(L"LangFile=" + v); };
        return CLang(s);
    }
    std::wstring langId, langFile;
    Strings writes;
};

TEST_F(EngineTest, InitLoadsAValidFile) {
    Write("en.lng", ValidFile("EN", {"LID_X = \"x\""}));
    CLang lang = MakeLang();
    ASSERT_TRUE(lang.Init(PathOf("en.lng"), L"Brisko"));
    EXPECT_EQ(lang.Filename(), PathOf("en.lng"));
    EXPECT_EQ(lang.LangID(), L"EN");
    EXPECT_EQ(lang.LangName(), L"Lang EN");
    EXPECT_EQ(lang.Item(L"lid_name"), L"Name EN");
    EXPECT_EQ(lang.Sections().at(L"texts"), (LangKeyList{L"lid_name", L"lid_x"}));
    EXPECT_EQ(lang.Sections().at(L"frm"), (LangKeyList{L".caption"}));
    EXPECT_EQ(lang.Values().at(L"frm.caption"), L"Title");
    EXPECT_EQ(lang.DumpMode(), 0);
    EXPECT_GT(lang.FileTime().serial, 0.0);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(EngineTest, InitMessages) {
    CLang lang = MakeLang();
    const std::wstring f = PathOf("t.lng");
    auto init = [&](const std::string& text) {
        Write("t.lng", text);
        ClearLog();
        return lang.Init(f, L"Brisko");
    };
    EXPECT_FALSE(init(Lines({"[Brisko]"})));
    EXPECT_EQ(Errors(), Strings{L"CLang.Init|0|file '" + f + L"' has no version section"});

    EXPECT_FALSE(init(Lines({"[version]", "signature=\"corvant.langlngfile\"", "lang=\"x\"", "langid=\"X\""})));
    EXPECT_EQ(Errors(), Strings{L"CLang.Init|0|file '" + f +
                                L"' has no(or wrong) signature or lang or langid in [version] section"});
    EXPECT_FALSE(init(Lines({"[version]", "signature=\"Corvant.LangLngFile\"", "langid=\"X\""})));
    EXPECT_EQ(Errors().size(), 1u);

    const std::string version = Lines({"[version]", "signature=\"Corvant.LangLngFile\"", "lang=\"x\"", "langid=\"X\""});
    EXPECT_FALSE(init(version));
    EXPECT_EQ(Errors(), Strings{L"CLang.Init|0|file '" + f + L"' has no [Brisko] section"});

    // No lists: an error for the texts, a warning for the forms, and the file loads.
    EXPECT_TRUE(init(version + Lines({"[brisko]"})));
    EXPECT_EQ(Errors(), Strings{L"CLang.Init|0|file '" + f + L"' has no (or empty) [Brisko].texts"});
    EXPECT_EQ(Warnings(), Strings{L"CLang.Init|0|file '" + f + L"' has no (or empty) [Brisko].forms"});

    EXPECT_FALSE(init(version + Lines({"[Brisko]", "globals=\"t,\"", "[Brisko.t]"})));
    EXPECT_EQ(Errors().back(), L"CLang.Init|0|file '" + f + L"' has error in [Brisko].texts");
    EXPECT_FALSE(init(version + Lines({"[Brisko]", "globals=\"t\"", "forms=\" , f\"", "[Brisko.t]"})));
    EXPECT_EQ(Errors().back(), L"CLang.Init|0|file '" + f + L"' has error in [Brisko].forms");
    EXPECT_FALSE(init(version + Lines({"[Brisko]", "globals=\" t , missing \"", "[Brisko.t]"})));
    EXPECT_EQ(Errors().back(), L"CLang.Init|0|Error readig section [Brisko.missing] in file '" + f + L"'");
    // A failed Init leaves the engine empty.
    EXPECT_EQ(lang.Filename(), L"");
    EXPECT_FALSE(lang.ItemFind(L"anything"));

    EXPECT_TRUE(init(version + Lines({"[Brisko]", "globals=\"t\"", "forms=\"f\"", "dumpforms=\"3\"", "[Brisko.t]",
                                      "[Brisko.f]"})));
    EXPECT_EQ(lang.DumpMode(), 3);
    EXPECT_EQ(Warnings(), Strings{L"CLang.Init|0|The forms will be dumped when they will appear"});
    EXPECT_TRUE(init(version + Lines({"[Brisko]", "globals=\"t\"", "forms=\"f\"", "dumpforms=\"4\"", "[Brisko.t]",
                                      "[Brisko.f]"})));
    EXPECT_EQ(lang.DumpMode(), 0);
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(EngineTest, TextSectionsShareOneKeySpace) {
    Write("t.lng", Lines({"[version]", "signature=\"Corvant.LangLngFile\"", "lang=\"x\"", "langid=\"X\"", "[Brisko]",
                          "globals=\"a,b\"", "forms=\"f\"", "[Brisko.a]", "LID_K=\"from a\"", "[Brisko.b]",
                          "lid_k=\"from b\"", "LID_J=\"j\"", "[Brisko.f]"}));
    CLang lang = MakeLang();
    ASSERT_TRUE(lang.Init(PathOf("t.lng"), L"Brisko"));
    EXPECT_EQ(lang.Item(L"LID_K"), L"from a");
    EXPECT_EQ(lang.Item(L"LID_J"), L"j");
    EXPECT_EQ(Errors(), Strings{L"CLang.ReadSection|0|declaration of constant 'lid_k' repeats in a line 11 of '" +
                                PathOf("t.lng") + L"' file"});
}

TEST_F(EngineTest, ItemAndFormatting) {
    Write("t.lng", ValidFile("EN", {"LID_PCT=\"100%%\"", "LID_TWO=\"%s has %d items\"", "LID_NL=\"a\\nb\\tc\\\\d\\\"\"e\"",
                                    "LID_BAD=\"x\\qy\"", "LID_END=\"tail\\\"", "LID_ODD=\"50%x\""}));
    CLang lang = MakeLang();
    ASSERT_TRUE(lang.Init(PathOf("t.lng"), L"Brisko"));
    ClearLog();

    EXPECT_EQ(lang.Item(L"LID_PCT"), L"100%%");
    EXPECT_EQ(lang.Item(L"LID_PCT", {Value(1)}), L"100%");
    EXPECT_EQ(lang.Item(L"LID_TWO", {Value(L"Inbox"), Value(3)}), L"Inbox has 3 items");
    // One array argument stands for its elements; extra arguments are ignored.
    EXPECT_EQ(lang.Item(L"LID_TWO", {Value(Array{Value(L"Box"), Value(2.5), Value(9)})}), L"Box has 2 items");
    EXPECT_EQ(lang.Item(L"LID_NL"), L"a\r\nb\tc\\d\"e");
    EXPECT_TRUE(Errors().empty());

    // A number for %s is written as text after a warning.
    EXPECT_EQ(lang.Item(L"LID_TWO", {Value(7), Value(L"8")}), L"7 has 8 items");
    EXPECT_EQ(Warnings(), Strings{L"CLang::sprintf1|0|VarType(0) <> vbString, Typename = Long"});
    ClearLog();
    // Not a number for %d, and more placeholders than arguments: the placeholder stays.
    EXPECT_EQ(lang.Item(L"LID_TWO", {Value(L"a"), Value(L"many")}), L"a has %d items");
    EXPECT_EQ(Warnings(), Strings{L"CLang::sprintf1|0|Not IsNumeric(1), Typename = String"});
    EXPECT_EQ(Errors(), Strings{L"CLang::sprintf1|13|Type mismatch"});
    ClearLog();
    EXPECT_EQ(lang.Item(L"LID_TWO", {Value(L"only")}), L"only has %d items");
    EXPECT_EQ(Errors(), Strings{L"CLang::sprintf1|9|Subscript out of range"});
    ClearLog();
    EXPECT_EQ(lang.Item(L"LID_ODD", {Value(1)}), L"50");
    EXPECT_EQ(Errors(), Strings{L"CLang::sprintf1|0|Invalid format specificator(x)"});
    ClearLog();

    EXPECT_EQ(lang.Item(L"LID_BAD"), L"x\\qy");
    EXPECT_EQ(Errors(), Strings{L"CLang::sprintf2|0|Invalid format specificator '\\q'; x\\qy"});
    ClearLog();
    EXPECT_EQ(lang.Item(L"LID_END"), L"tail\\");
    EXPECT_EQ(Errors(), Strings{L"CLang::sprintf2|0|Invalid format specificator '\\'; tail\\"});
    ClearLog();

    EXPECT_EQ(lang.Item(L"LID_Missing"), L"LID_Missing");
    EXPECT_EQ(Errors(), Strings{L"CLang.Item|0|Key 'LID_Missing' not exists in " + PathOf("t.lng")});
    EXPECT_TRUE(lang.ItemFind(L"lid_two"));
    EXPECT_FALSE(lang.ItemFind(L"LID_Missing"));
    lang.ItemSet(L"LID_Missing", L"now %s");
    EXPECT_EQ(lang.Item(L"lid_missing", {Value(L"here")}), L"now here");
}

TEST_F(EngineTest, EmptyEngine) {
    CLang lang = MakeLang();
    EXPECT_EQ(lang.Item(L"LID_X"), L"LID_X");
    EXPECT_EQ(Errors(), Strings{L"CLang.Item|0|Key 'LID_X' not exists in "});
}

TEST_F(EngineTest, AvailableLanguages) {
    Write("b.lng", ValidFile("EN"));
    Write("a.lng", ValidFile("DE"));
    Write("noversion.lng", Lines({"[Brisko]"}));
    Write("badsig.lng", Lines({"[version]", "signature=\"Other\"", "lang=\"x\"", "langid=\"X\""}));
    Write("other.txt", ValidFile("FR"));
    fs::create_directories(NativeOf("dir.lng"));
    CLang lang = MakeLang();
    EXPECT_EQ(lang.GetAvailableLangs(Folder(), L"B.LNG"), Strings{L"DE\r\nLang DE\r\na.lng"});
    auto warnings = Warnings();
    std::sort(warnings.begin(), warnings.end());
    EXPECT_EQ(warnings, (Strings{L"CLang.GetAvailableLangs|0|ignoring file '" + PathOf("badsig.lng") +
                                     L"', coz in section [version] no(or wrong) signature or lang or langid",
                                 L"CLang.GetAvailableLangs|0|ignoring file '" + PathOf("noversion.lng") +
                                     L"', coz no [version] section"}));
    EXPECT_EQ(lang.GetAvailableLangs(Folder(), L"").size(), 2u);
    EXPECT_TRUE(lang.GetAvailableLangs(PathOf("nowhere"), L"").empty());
}

TEST_F(EngineTest, InitExChoosesByOptions) {
    Write("b-en.lng", ValidFile("EN"));
    Write("a-en.lng", ValidFile("EN"));
    Write("de.lng", ValidFile("DE"));
    // The first of the two "EN" files in the platform's order, and the other.
    std::string first, second;
    for (const auto& e : MakeLang().GetAvailableLangs(Folder(), L"")) {
        const std::string name(e.begin() + static_cast<long>(e.rfind(L'\n')) + 1, e.end());
        if (name != "de.lng") (first.empty() ? first : second) = name;
    }
    ASSERT_FALSE(second.empty());
    const std::wstring firstW(first.begin(), first.end()), secondW(second.begin(), second.end());
    {
        // No options: "EN" is written back, the first file listed with "EN" is taken and remembered.
        CLang lang = MakeLang();
        EXPECT_TRUE(lang.InitEx(L"Brisko"));
        EXPECT_EQ(lang.Filename(), PathOf(first));
        EXPECT_EQ(writes, (Strings{L"LangID=EN", L"LangFile=" + firstW}));
    }
    {
        // A chosen file whose langid matches ignoring case is loaded directly.
        langId = L"en", langFile = secondW, writes.clear();
        CLang lang = MakeLang();
        EXPECT_TRUE(lang.InitEx(L"Brisko"));
        EXPECT_EQ(lang.Filename(), PathOf(second));
        EXPECT_TRUE(writes.empty());
    }
    {
        // The search compares exactly: "en" finds nothing.
        langId = L"en", langFile.clear();
        ClearLog();
        CLang lang = MakeLang();
        EXPECT_FALSE(lang.InitEx(L"Brisko"));
        EXPECT_EQ(Errors(), Strings{L"CLang.InitEx|0|Cant find lang file by langID=en"});
        EXPECT_EQ(lang.Filename(), L"");
    }
    {
        // A chosen file of another language is skipped in the search.
        langId = L"DE", langFile = firstW, writes.clear();
        CLang lang = MakeLang();
        EXPECT_TRUE(lang.InitEx(L"Brisko"));
        EXPECT_EQ(lang.Filename(), PathOf("de.lng"));
        EXPECT_EQ(writes, Strings{L"LangFile=de.lng"});
    }
    {
        // A chosen file that vanished: the search finds the language.
        langId = L"EN", langFile = L"gone.lng";
        ClearLog();
        CLang lang = MakeLang();
        EXPECT_TRUE(lang.InitEx(L"Brisko"));
        EXPECT_EQ(lang.Filename(), PathOf(first));
        EXPECT_EQ(Errors(), (Strings{L"CLang.ReadSection|2|oFile.OpenFile failed",
                                     L"CLang.Init|0|file '" + PathOf("gone.lng") + L"' has no version section"}));
    }
    {
        // The file found fails to load: no other is tried.
        Write(first, ValidFile("EN", {"broken line"}));
        langId = L"EN", langFile.clear(), writes.clear();
        CLang lang = MakeLang();
        EXPECT_FALSE(lang.InitEx(L"Brisko"));
        EXPECT_TRUE(writes.empty());
        EXPECT_EQ(lang.Filename(), L"");
    }
}

}  // namespace
}  // namespace brisko::testing
