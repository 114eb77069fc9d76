// The language files we ship, as they lie beside the add-in library.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "addin/forms/quick_designs.h"
#include "addin/lang/CLang.h"
#include "addin/lang/lang_keys.h"
#include "automation/text.h"
#include "tests/lang/lang_fixture.h"

namespace brisko::testing {
namespace {

using Strings = std::vector<std::wstring>;

class ShippedFilesTest : public LangTest {
protected:
    void SetUp() override {
        LangTest::SetUp();
        install = sim::SimPlatform::DefaultModuleFolder();
    }
    std::wstring Shipped(const wchar_t* name) const { return install + L"\\" + name; }
    // Loads a shipped file; no message may be logged.
    void Load(CLang& lang, const wchar_t* name) {
        ASSERT_TRUE(lang.Init(Shipped(name), L"Brisko")) << ToUtf8(Shipped(name));
        EXPECT_TRUE(platform.torvik.log().empty());
    }
    std::set<std::wstring> TextKeys(const CLang& lang) {
        std::set<std::wstring> keys;
        for (const auto& [section, list] : lang.Sections()) {
            if (section.rfind(L"frm", 0) != 0) keys.insert(list.begin(), list.end());
        }
        return keys;
    }

    std::wstring install;
};

TEST_F(ShippedFilesTest, BothLanguagesHaveEveryKeyAndNoOther) {
    std::set<std::wstring> system;
    for (const auto& k : SystemLangKeys()) system.insert(LowerCase(k.key));
    ASSERT_EQ(system.size(), 44u);
    for (const wchar_t* name : {L"English.lng", L"Deutsch.lng"}) {
        SCOPED_TRACE(ToUtf8(name));
        CLang lang{LangSettings{}};
        Load(lang, name);
        EXPECT_EQ(TextKeys(lang), system);
        // Every text is well-formed and has as many placeholders as its callers fill.
        for (const auto& k : SystemLangKeys()) {
            const std::wstring text = lang.Item(k.key);
            std::size_t placeholders = 0;
            for (std::size_t at = text.find(L"%s"); at != std::wstring::npos; at = text.find(L"%s", at + 2)) ++placeholders;
            EXPECT_EQ(placeholders, static_cast<std::size_t>(k.arguments)) << ToUtf8(k.key);
            EXPECT_FALSE(text.empty()) << ToUtf8(k.key);
            if (k.arguments == 1) {
                EXPECT_EQ(lang.Item(k.key, {Value(L"Inbox")}).find(L"%"), std::wstring::npos);
            }
        }
        const std::wstring duration = lang.Item(L"LID_DURATION_FORMAT");
        ASSERT_EQ(std::count(duration.begin(), duration.end(), L'|'), 3);
        for (const wchar_t* p : {L"%w", L"%d", L"%h", L"%m"}) EXPECT_NE(duration.find(p), std::wstring::npos);
        EXPECT_LT(duration.find(L"%w"), duration.find(L"%d"));
        EXPECT_LT(duration.find(L"%h"), duration.find(L"%m"));
        EXPECT_NE(lang.Item(L"LID_DURATION_FORMAT2").find(L"%h"), std::wstring::npos);
        EXPECT_TRUE(platform.torvik.log().empty());
    }
}

TEST_F(ShippedFilesTest, OneIsUtf8TheOtherTheSystemCodePage) {
    const std::string en = ReadBytes(fs::path(install) / "English.lng");
    const std::string de = ReadBytes(fs::path(install) / "Deutsch.lng");
    EXPECT_EQ(en.rfind("\xEF\xBB\xBF", 0), 0u);
    EXPECT_NE(de.rfind("\xEF\xBB\xBF", 0), 0u);
    EXPECT_NE(de.find("\xFC"), std::string::npos);  // "ü" as one Windows-1252 byte
    CLang lang{LangSettings{}};
    Load(lang, L"Deutsch.lng");
    EXPECT_EQ(lang.Item(L"LID_VI_FILE_DESCRIPTION"), L"Brisko f\u00FCr Outlook");
    EXPECT_EQ(lang.Item(L"LID_MSGBOX_RFOLDER_NOT_FOUND", {Value(L"Inbox")}).substr(0, 24),
              L"Der Ordner \u201EInbox\u201C wurde");
    Load(lang, L"English.lng");
    EXPECT_EQ(lang.Item(L"LID_VI_LEGAL_COPYRIGHT").substr(0, 11), L"Copyright \u00A9");
    EXPECT_EQ(lang.LangName(), L"English");
}

TEST_F(ShippedFilesTest, FormSectionsFitTheDialogs) {
    for (const wchar_t* name : {L"English.lng", L"Deutsch.lng"}) {
        SCOPED_TRACE(ToUtf8(name));
        CLang lang{LangSettings{}};
        Load(lang, name);
        for (const auto& form : {forms::MakeQuickTaskDesign(), forms::MakeQuickAppointmentDesign()}) {
            lang.LocalizeForm(form);
            EXPECT_TRUE(platform.torvik.log().empty()) << ToUtf8(form->Name());
        }
    }
    // The English sections carry exactly the design captions and tooltips.
    CLang lang{LangSettings{}};
    Load(lang, L"English.lng");
    for (const auto& form : {forms::MakeQuickTaskDesign(), forms::MakeQuickAppointmentDesign()}) {
        SCOPED_TRACE(ToUtf8(form->Name()));
        CLang dumper{LangSettings{}};
        Write("d.lng", CrLfLines({"[version]", "signature=\"Corvant.LangLngFile\"", "lang=\"d\"", "langid=\"D\"", "[Brisko]",
                                  "globals=\"t\"", "forms=\"x\"", "dumpforms=\"3\"", "[Brisko.t]", "[Brisko.x]"}));
        ClearLog();
        ASSERT_TRUE(dumper.Init(PathOf("d.lng"), L"Brisko"));
        dumper.DumpForm(form);
        LangValues dumped, shipped;
        const std::wstring section = L"Brisko." + form->Name();
        ASSERT_TRUE(lang.ReadSection(Folder() + L"\\Dump\\" + form->Name() + L".txt", section, dumped, L"", nullptr));
        ASSERT_TRUE(lang.ReadSection(Shipped(L"English.lng"), section, shipped, L"", nullptr));
        // Empty design captions (text boxes, links filled at run time) stay out of the file.
        EXPECT_EQ(dumped, shipped);
    }
}

TEST_F(ShippedFilesTest, OptionsInTheRegistryChooseTheLanguage) {
    auto p = CurrentPlatform();
    p.moduleFolder = install;
    SetPlatform(p);
    // The machine's language applies while the user has none; the file found is remembered.
    platform.registry.PresetString("HKLM\\Software\\Corvant\\Brisko", "LANG", "DE");
    auto service = DefaultServices().newLanguage();
    service->InitEx(L"Brisko");
    EXPECT_EQ(service->Item(L"LID_RIBBON_BTN_HELP"), L"Hilfe");
    EXPECT_EQ(Lang(), nullptr);
    g_oLang = service;  // as the connection holds it; the other subsystems reach CLang through Lang()
    ASSERT_NE(Lang(), nullptr);
    EXPECT_EQ(Lang()->LangID(), L"DE");
    auto task = forms::MakeQuickTaskDesign();
    Lang()->LocalizeForm(task);
    EXPECT_EQ(task->Property(L"Caption").AsString(), L"Brisko - Aufgabe");
    EXPECT_EQ(platform.registry.Dump("HKCU\\Software\\Corvant\\Brisko"),
              "[HKCU\\Software\\Corvant\\Brisko]\n\"LANG_\"=REG_SZ:\"Deutsch.lng\"\n");
    // The user's own choice, and a remembered file of another language: the search decides.
    platform.registry.PresetString("HKCU\\Software\\Corvant\\Brisko", "LANG", "EN");
    service = DefaultServices().newLanguage();
    service->InitEx(L"Brisko");
    EXPECT_EQ(service->Item(L"LID_RIBBON_BTN_HELP"), L"Help");
    EXPECT_NE(platform.registry.Dump("HKCU\\Software\\Corvant\\Brisko").find("\"LANG_\"=REG_SZ:\"English.lng\""),
              std::string::npos);
    EXPECT_TRUE(platform.torvik.log().empty());
}

}  // namespace
}  // namespace brisko::testing
