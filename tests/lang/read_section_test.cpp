// The language file syntax as ReadSection accepts it, and every message it logs.
#include <string>
#include <vector>

#include "addin/lang/CLang.h"
#include "tests/lang/lang_fixture.h"

namespace brisko::testing {
namespace {

using Strings = std::vector<std::wstring>;

class ReadSectionTest : public LangTest {
protected:
    // Reads [wanted] of a file with these lines; the log's errors land in errors.
    bool Read(std::initializer_list<std::string> lines, const std::wstring& wanted = L"s",
              const std::wstring& prefix = L"") {
        Write("t.lng", Lines(lines));
        values.clear();
        keys.clear();
        ClearLog();
        return lang.ReadSection(PathOf("t.lng"), wanted, values, prefix, &keys);
    }
    std::wstring File() const { return PathOf("t.lng"); }
    std::wstring Error(const std::wstring& message) const { return L"CLang.ReadSection|0|" + message; }

    CLang lang{LangSettings{}};
    LangValues values;
    LangKeyList keys;
};

TEST_F(ReadSectionTest, CollectsTheWantedSection) {
    ASSERT_TRUE(Read({"; comment", "[other]", "a = \"other\"", "[S]", "  Key1 =  \"one\"  ", "KEY2=\"two\"", "",
                      "' also a comment", "[next]", "b=\"x\""}));
    EXPECT_EQ(values, (LangValues{{L"key1", L"one"}, {L"key2", L"two"}}));
    EXPECT_EQ(keys, (LangKeyList{L"key1", L"key2"}));
    EXPECT_TRUE(Errors().empty());

    // Keys may hold points and parentheses; the prefix goes in front, lower-cased.
    ASSERT_TRUE(Read({"[frm]", ".Caption=\"Title\"", "lblX(2).ToolTipText=\"tip\""}, L"FRM", L"frmQuick"));
    EXPECT_EQ(values, (LangValues{{L"frmquick.caption", L"Title"}, {L"frmquicklblx(2).tooltiptext", L"tip"}}));
    EXPECT_EQ(keys, (LangKeyList{L".caption", L"lblx(2).tooltiptext"}));

    // Missing section, empty section, section at the end.
    EXPECT_FALSE(Read({"[a]", "x=\"1\""}));
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(Read({"[s]", "[t]"}));
    EXPECT_TRUE(values.empty());
    EXPECT_TRUE(Read({"[t]", "[s]"}));
}

TEST_F(ReadSectionTest, Values) {
    ASSERT_TRUE(Read({"[s]", "a = \"x; y\" ; comment", "b=\"say \"\"hi\"\"\"", "c=\"\"", "d=\"it's\" ' note",
                      "e = \"tab\\there\"", "f=\"100\""}));
    EXPECT_EQ(values[L"a"], L"x; y");
    EXPECT_EQ(values[L"b"], L"say \"hi\"");
    EXPECT_EQ(values[L"c"], L"");
    EXPECT_EQ(values[L"d"], L"it's");
    EXPECT_EQ(values[L"e"], L"tab\\there");  // escapes stay as written
    EXPECT_EQ(values[L"f"], L"100");
    // Only the first "=" splits.
    ASSERT_TRUE(Read({"[s]", "k=\"a=b\""}));
    EXPECT_EQ(values[L"k"], L"a=b");
}

TEST_F(ReadSectionTest, HeaderErrors) {
    EXPECT_FALSE(Read({"[s", "a=\"1\""}));
    EXPECT_EQ(Errors(), Strings{Error(L"symbol ']' is absent, line = 1, file = '" + File() + L"'")});
    EXPECT_FALSE(Read({"", "; c", "[]"}));
    EXPECT_EQ(Errors(), Strings{Error(L"empty section name, line - 3, file = '" + File() + L"'")});
    EXPECT_FALSE(Read({"[x] junk"}));
    EXPECT_EQ(Errors(), Strings{Error(L"'junk' is not the comment, line - 1, file = '" + File() + L"'")});
    // A header with a comment is fine; the name is taken verbatim.
    EXPECT_TRUE(Read({"[s] ; the section", "a=\"1\""}));
    EXPECT_FALSE(Read({"[ s ]", "a=\"1\""}));
    EXPECT_TRUE(Errors().empty());
    // Headers are checked up to the end of the wanted section, even of other sections...
    EXPECT_FALSE(Read({"[a] text", "[s]"}));
    EXPECT_EQ(Errors().size(), 1u);
    // ...the one that ends it included, but not beyond it.
    EXPECT_FALSE(Read({"[s]", "[t", "[u]"}));
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_TRUE(Read({"[s]", "a=\"1\"", "[t]", "[bad"}));
}

TEST_F(ReadSectionTest, EntryErrors) {
    const std::wstring at = L", line - 2, file = '" + File() + L"'";
    EXPECT_FALSE(Read({"[s]", "no equals sign"}));
    EXPECT_EQ(Errors(), Strings{Error(L"symbol '=' is absent, line = 2, file = '" + File() + L"'")});
    EXPECT_FALSE(Read({"[s]", " = \"v\""}));
    EXPECT_EQ(Errors(), Strings{Error(L"Const's name does not exist" + at)});
    EXPECT_FALSE(Read({"[s]", "k ="}));
    EXPECT_EQ(Errors(), Strings{Error(L"Const's value does not exist" + at)});
    EXPECT_FALSE(Read({"[s]", "k = ; only a comment"}));
    EXPECT_EQ(Errors(), Strings{Error(L"Const's value does not exist" + at)});
    EXPECT_FALSE(Read({"[s]", "k = unquoted"}));
    EXPECT_EQ(Errors(), Strings{Error(L"Syntactic error - 'The string should be in quotes'" + at)});
    EXPECT_FALSE(Read({"[s]", "k = \""}));
    EXPECT_EQ(Errors(), Strings{Error(L"Syntactic error - 'The string should be in quotes'" + at)});
    EXPECT_FALSE(Read({"[s]", "k = \"a\"b\""}));
    EXPECT_EQ(Errors(), Strings{Error(L"Syntactic error - 'quoted string has unary quotes'" + at)});
    EXPECT_FALSE(Read({"[s]", "k = \"\"\""}));
    EXPECT_EQ(Errors(), Strings{Error(L"Syntactic error - 'quoted string has unary quotes'" + at)});
    // Lines of sections that aren't wanted are never checked.
    EXPECT_TRUE(Read({"[t]", "no equals sign", "k = unquoted", "[s]", "a=\"1\""}));
    EXPECT_TRUE(Errors().empty());
    // Line numbers count every line from 1.
    EXPECT_FALSE(Read({"", "; c", "[s]", "", "ok=\"1\"", "bad"}));
    EXPECT_EQ(Errors(), Strings{Error(L"symbol '=' is absent, line = 6, file = '" + File() + L"'")});
}

TEST_F(ReadSectionTest, RepeatedKeysKeepTheFirst) {
    ASSERT_TRUE(Read({"[s]", "Key=\"first\"", "x=\"1\"", "KEY=\"second\""}));
    EXPECT_EQ(values[L"key"], L"first");
    EXPECT_EQ(keys, (LangKeyList{L"key", L"x"}));
    EXPECT_EQ(Errors(), Strings{Error(L"declaration of constant 'KEY' repeats in a line 4 of '" + File() + L"' file")});
    // Across calls into one map.
    Write("t.lng", Lines({"[a]", "k=\"a\"", "[b]", "k=\"b\""}));
    LangValues shared;
    LangKeyList ka, kb;
    ClearLog();
    ASSERT_TRUE(lang.ReadSection(PathOf("t.lng"), L"a", shared, L"", &ka));
    ASSERT_TRUE(lang.ReadSection(PathOf("t.lng"), L"b", shared, L"", &kb));
    EXPECT_EQ(shared[L"k"], L"a");
    EXPECT_TRUE(kb.empty());
    EXPECT_EQ(Errors(), Strings{Error(L"declaration of constant 'k' repeats in a line 4 of '" + File() + L"' file")});
}

TEST_F(ReadSectionTest, UnreadableFiles) {
    LangValues v;
    EXPECT_FALSE(lang.ReadSection(PathOf("missing.lng"), L"s", v, L"", nullptr));
    EXPECT_EQ(Errors(), Strings{L"CLang.ReadSection|2|oFile.OpenFile failed"});

    Write("t.lng", Lines({"[s]", "a=\"1\""}) + std::string(5000, 'z'));
    sim::FaultyFiles faulty(*platform.files);
    faulty.readFailure = sim::FaultyFiles::ReadFailure{20, 30};
    auto p = CurrentPlatform();
    p.files = &faulty;
    SetPlatform(p);
    ClearLog();
    EXPECT_FALSE(lang.ReadSection(PathOf("t.lng"), L"s", v, L"", nullptr));
    EXPECT_EQ(Errors(), Strings{L"CLang.ReadSection|30|oFile.ReadLine failed"});
}

TEST_F(ReadSectionTest, Utf8AndCodePageFilesGiveTheSameTexts) {
    const std::string utf8 = Lines({"[s]", "k=\"Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x9C\xE2\x82\xAC\xE2\x80\x9D\""});
    const std::string ansi = Lines({"[s]", "k=\"Gr\xFC\xDF" "e \x93\x80\x94\""});
    Write("u.lng", "\xEF\xBB\xBF" + utf8);
    Write("a.lng", ansi);
    LangValues u, a;
    ASSERT_TRUE(lang.ReadSection(PathOf("u.lng"), L"s", u, L"", nullptr));
    ASSERT_TRUE(lang.ReadSection(PathOf("a.lng"), L"s", a, L"", nullptr));
    EXPECT_EQ(u[L"k"], L"Gr\u00FC\u00DFe \u201C\u20AC\u201D");
    EXPECT_EQ(u, a);
}

}  // namespace
}  // namespace brisko::testing
