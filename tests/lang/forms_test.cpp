// The form model, form sections applied to in-memory forms, reloading, and dumps.
#include <string>
#include <vector>

#include "addin/forms/forms.h"
#include "addin/lang/CLang.h"
#include "automation/error.h"
#include "automation/text.h"
#include "tests/lang/lang_fixture.h"

namespace brisko::testing {
namespace {

using Strings = std::vector<std::wstring>;
using forms::CForm;

std::int32_t ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

TEST(FormModel, PropertiesByNameAsALateBoundCallReachesThem) {
    auto owner = std::make_shared<CForm>(L"frmTest");
    CForm& form = *owner;
    auto label = form.Add(L"Label", L"lblA", L"&Name:");
    auto line = form.Add(L"Line", L"Line1", L"", 0);
    EXPECT_EQ(form.Get(L"Name").AsString(), L"frmTest");
    EXPECT_EQ(Value(ObjectPtr(owner)).TypeName(), L"frmTest");
    EXPECT_EQ(label->Get(L"caption").AsString(), L"&Name:");
    label->Put(L"Left", Value(L"120"));
    EXPECT_EQ(label->Get(L"Left"), Value(120));
    EXPECT_EQ(ErrorOf([&] { label->Put(L"Left", Value(L"wide")); }), err::TypeMismatch);
    // A property the control lacks fails as on a late-bound object.
    EXPECT_EQ(ErrorOf([&] { line->Put(L"Caption", Value(L"x")); }), err::NotSupported);
    EXPECT_EQ(ErrorOf([&] { label->Put(L"X1", Value(1)); }), err::NotSupported);
    EXPECT_EQ(ErrorOf([&] { label->Get(L"Index"); }), 343);
    EXPECT_EQ(line->Get(L"Index"), Value(0));
    EXPECT_EQ(Value(ObjectPtr(line)).TypeName(), L"Line");

    auto controls = form.Get(L"Controls").AsObject();
    EXPECT_EQ(controls->Get(L"Count"), Value(2));
    EXPECT_EQ(controls->Get(L"Item", {Value(0)}).AsObject(), label);
    EXPECT_EQ(controls->Get(L"Item", {Value(L"LBLA")}).AsObject(), label);
    auto array = controls->Get(L"Item", {Value(L"Line1")}).AsObject();
    EXPECT_EQ(array->Get(L"Item", {Value(0)}).AsObject(), line);
    EXPECT_EQ(ErrorOf([&] { array->Get(L"Item", {Value(1)}); }), 340);
    EXPECT_EQ(ErrorOf([&] { controls->Get(L"Item", {Value(L"nothing")}); }), 730);
    EXPECT_EQ(ErrorOf([&] { controls->Get(L"Item", {Value(2)}); }), err::SubscriptOutOfRange);
}

class LocalizeTest : public LangTest {
protected:
    void SetUp() override {
        LangTest::SetUp();
        form = std::make_shared<CForm>(L"frmT");
        form->SetProperty(L"Caption", Value(L"Design title"));
        form->SetProperty(L"Width", Value(3000));
        lbl = form->Add(L"Label", L"lblName", L"&Name:");
        lbl->SetProperty(L"Left", Value(100));
        lbl->SetProperty(L"Top", Value(200));
        btn = form->Add(L"CommandButton", L"btnOK", L"OK");
        btn->SetProperty(L"ToolTipText", Value(L"Close the \"dialog\""));
        for (int i = 0; i < 2; ++i) prio.push_back(form->Add(L"Label", L"lblPrio", i ? L"High" : L"Low", i));
        line = form->Add(L"Line", L"Line1");
        line->SetProperty(L"X2", Value(900));
    }
    // A file with the form section "[Brisko.frmT]" holding these entries.
    void WriteFile(std::initializer_list<std::string> entries, const std::string& dumpforms = "0") {
        std::string text = Lines({"[version]", "signature=\"Corvant.LangLngFile\"", "lang=\"English\"", "langid=\"EN\"",
                                  "[Brisko]", "globals=\"texts\"", "forms=\"frmT\"", "dumpforms=\"" + dumpforms + "\"",
                                  "[Brisko.texts]", "LID_A=\"a\"", "[Brisko.frmT]"});
        for (const auto& e : entries) text += e + "\r\n";
        Write("t.lng", text);
    }
    void Load() {
        ASSERT_TRUE(lang.Init(PathOf("t.lng"), L"Brisko"));
        ClearLog();
    }

    CLang lang{LangSettings{}};
    std::shared_ptr<CForm> form;
    std::shared_ptr<forms::CControl> lbl, btn, line;
    std::vector<std::shared_ptr<forms::CControl>> prio;
};

TEST_F(LocalizeTest, AppliesTheFormSection) {
    Write("ok.bmp", "BMbitmap");
    WriteFile({".Caption=\"Title\"", "lblName=\"Na&me:\\tx\"", "LBLNAME.Left=\"150\"", "lblName.dleft=\"10\"",
               "lblName.dtop=\"-2\"", "lblName.Width=\"wide\"", "btnOK.ToolTipText=\"Done\"", "btnOK.picture=\"ok.bmp\"",
               "lblPrio(1)=\"Urgent\"", "lblPrio(0).Caption=\"Later\"", "Line1.X1=\"30\"", "line1.y2=\"45\"",
               "Line1=\"no caption on a line\""});
    Load();
    forms::SetTwipsPerPixel(15, 12);
    lang.LocalizeForm(form);
    forms::SetTwipsPerPixel(15, 15);
    EXPECT_EQ(form->Property(L"Caption").AsString(), L"Title");
    EXPECT_EQ(lbl->Property(L"Caption").AsString(), L"Na&me:\tx");
    EXPECT_EQ(lbl->Property(L"Left"), Value(300));  // 150, then 10 pixels of 15 twips
    EXPECT_EQ(lbl->Property(L"Top"), Value(176));
    EXPECT_EQ(lbl->Property(L"Width"), Value(0));
    EXPECT_EQ(btn->Property(L"ToolTipText").AsString(), L"Done");
    auto* picture = dynamic_cast<forms::CPicture*>(btn->Property(L"Picture").AsObject().get());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(std::string(picture->bytes().begin(), picture->bytes().end()), "BMbitmap");
    EXPECT_EQ(prio[1]->Property(L"Caption").AsString(), L"Urgent");
    EXPECT_EQ(prio[0]->Property(L"Caption").AsString(), L"Later");
    EXPECT_EQ(line->Property(L"X1"), Value(30));
    EXPECT_EQ(line->Property(L"Y2"), Value(45));
    // A text that isn't a number, a property the control lacks: skipped without a message.
    EXPECT_TRUE(Errors().empty());
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(LocalizeTest, BadKeysAreLoggedAndSkipped) {
    WriteFile({"lblGone=\"x\"", "lblPrio(5)=\"x\"", "lblPrio(x)=\"Indexless\"", "lblPrio(=\"x\"", "btnOK.Picture=\"C:\\\\ok.bmp\"",
               "btnOK.Picture=\"missing.bmp\"", "btnOK.Colour=\"red\"", "btnOK=\"Still applied\""});
    Load();
    lang.LocalizeForm(form);
    const std::wstring p = L"CLang.LocalizeControls|";
    EXPECT_EQ(Errors(), (Strings{p + L"0|'lblgone' control does not exist on 'frmT' form",
                                 p + L"340|Control array element '5' doesn't exist",
                                 p + L"0|'lblprio(5)' control does not exist on 'frmT' form",
                                 p + L"0|invalid key 'lblprio(x)' for form 'frmT'",
                                 p + L"0|invalid key 'lblprio(' for form 'frmT'",
                                 p + L"0|You should specify a relative file path for frmT.btnok.picture",
                                 p + L"0|'colour' property does not supported"}));
    EXPECT_EQ(btn->Property(L"Caption").AsString(), L"Still applied");
    EXPECT_TRUE(btn->Property(L"Picture").IsNothing());

    auto other = std::make_shared<CForm>(L"frmOther");
    ClearLog();
    lang.LocalizeForm(other);
    EXPECT_EQ(Warnings(), Strings{L"CLang.LocalizeControls|0|Locale for 'frmOther' form not exists"});
}

TEST_F(LocalizeTest, UserControlsByName) {
    WriteFile({".Caption=\"Owner\"", "lblName=\"Inner\""});
    Load();
    auto owner = std::make_shared<CForm>(L"ctlSomething");
    lang.LocalizeUserControl(L"frmT", owner, form->Controls());
    EXPECT_EQ(owner->Property(L"Caption").AsString(), L"Owner");
    EXPECT_EQ(lbl->Property(L"Caption").AsString(), L"Inner");
    // Nothing that isn't a form reaches the caller.
    lang.LocalizeForm(nullptr);
    lang.LocalizeUserControl(L"frmT", nullptr, nullptr);
}

TEST_F(LocalizeTest, ReloadsWhenTheFileIsNewer) {
    WriteFile({"lblName=\"First\""});
    Load();
    lang.LocalizeForm(form);
    EXPECT_EQ(lbl->Property(L"Caption").AsString(), L"First");
    EXPECT_TRUE(Warnings().empty());

    WriteFile({"lblName=\"Second\""});
    Touch("t.lng", std::chrono::seconds(5));
    lang.LocalizeForm(form);
    EXPECT_EQ(lbl->Property(L"Caption").AsString(), L"Second");
    EXPECT_EQ(Warnings(), Strings{L"CLang.LocalizeControls|0|last modification time of file '" + PathOf("t.lng") +
                                  L"' was changed, reloading file..."});
    ClearLog();
    lang.LocalizeForm(form);
    EXPECT_TRUE(Warnings().empty());

    // A broken edit keeps the texts loaded before; the next form tries again.
    Write("t.lng", "[version]\r\n");
    Touch("t.lng", std::chrono::seconds(10));
    lang.LocalizeForm(form);
    EXPECT_EQ(lang.Item(L"LID_A"), L"a");
    EXPECT_EQ(lbl->Property(L"Caption").AsString(), L"Second");
    EXPECT_EQ(Errors().front(), L"CLang.Init|0|file '" + PathOf("t.lng") +
                                    L"' has no(or wrong) signature or lang or langid in [version] section");
    ClearLog();
    lang.LocalizeForm(form);
    EXPECT_EQ(Warnings().size(), 1u);

    // A file that vanished: nothing to reload.
    fs::remove(NativeOf("t.lng"));
    ClearLog();
    lang.LocalizeForm(form);
    EXPECT_TRUE(Warnings().empty());
    EXPECT_EQ(lbl->Property(L"Caption").AsString(), L"Second");
}

class DumpTest : public LocalizeTest {
protected:
    std::string Dump(const std::string& mode) {
        WriteFile({"lblName=\"Localised\""}, mode);
        EXPECT_TRUE(lang.Init(PathOf("t.lng"), L"Brisko"));
        lang.LocalizeForm(form);
        return ReadBytes(NativeOf("Dump") / "frmT.txt");
    }
    static std::string Utf8(std::initializer_list<std::string> lines) { return "\xEF\xBB\xBF" + CrLfLines(lines); }
};

TEST_F(DumpTest, ModeOneHasPositionsAndPictures) {
    btn->SetProperty(L"Picture", Value(ObjectPtr(std::make_shared<forms::CPicture>(std::vector<std::uint8_t>{'B', 'M'}, L""))));
    EXPECT_EQ(Dump("1"), Utf8({"[Brisko.frmT]",
                               "",
                               ".Caption\t\t\t=\"Design title\"",
                               ".Left\t\t\t\t=\"0\"",
                               ".Top\t\t\t\t=\"0\"",
                               ".Width\t\t\t\t=\"3000\"",
                               ".Height\t\t\t\t=\"0\"",
                               "",
                               "lblName\t\t\t\t=\"&Name:\"",
                               "lblName.Left\t\t\t=\"100\"",
                               "lblName.Top\t\t\t=\"200\"",
                               "lblName.Width\t\t\t=\"0\"",
                               "lblName.Height\t\t\t=\"0\"",
                               "",
                               "btnOK\t\t\t\t=\"OK\"",
                               "btnOK.Left\t\t\t=\"0\"",
                               "btnOK.Top\t\t\t=\"0\"",
                               "btnOK.Width\t\t\t=\"0\"",
                               "btnOK.Height\t\t\t=\"0\"",
                               "btnOK.Picture\t\t\t= \"Dump\\\\frmT\\\\btnOK.bmp\"",
                               "btnOK.ToolTipText\t\t=\"Close the \"\"dialog\"\"\"",
                               "",
                               "lblPrio(0)\t\t\t=\"Low\"",
                               "lblPrio(0).Left\t\t\t=\"0\"",
                               "lblPrio(0).Top\t\t\t=\"0\"",
                               "lblPrio(0).Width\t\t=\"0\"",
                               "lblPrio(0).Height\t\t=\"0\"",
                               "",
                               "lblPrio(1)\t\t\t=\"High\"",
                               "lblPrio(1).Left\t\t\t=\"0\"",
                               "lblPrio(1).Top\t\t\t=\"0\"",
                               "lblPrio(1).Width\t\t=\"0\"",
                               "lblPrio(1).Height\t\t=\"0\"",
                               "",
                               "Line1.X1\t\t\t=\"0\"",
                               "Line1.Y1\t\t\t=\"0\"",
                               "Line1.X2\t\t\t=\"900\"",
                               "Line1.Y2\t\t\t=\"0\""}));
    EXPECT_EQ(ReadBytes(NativeOf("Dump") / "frmT" / "btnOK.bmp"), "BM");
    // The dump shows the form as designed; localising follows it.
    EXPECT_EQ(lbl->Property(L"Caption").AsString(), L"Localised");
    // The dump reads back as a form section.
    LangValues values;
    EXPECT_TRUE(lang.ReadSection(Folder() + L"\\Dump\\frmT.txt", L"Brisko.frmT", values, L"", nullptr));
    EXPECT_EQ(values[L"btnok.tooltiptext"], L"Close the \"dialog\"");
    EXPECT_EQ(CLang::sprintf2(values[L"btnok.picture"]), L"Dump\\frmT\\btnOK.bmp");
}

TEST_F(DumpTest, ModesTwoAndThree) {
    lbl->SetProperty(L"Caption", Value(L"Two\r\nlines\tand \\"));
    prio[0]->SetProperty(L"Caption", Value(L""));
    EXPECT_EQ(Dump("2"), Utf8({"[Brisko.frmT]",
                               "; (frmT)",
                               ".Caption\t\t\t=\"Design title\"",
                               "; lblName(Label)",
                               "lblName\t\t\t\t=\"Two\\nlines\\tand \\\\\"",
                               "; btnOK(CommandButton)",
                               "btnOK\t\t\t\t=\"OK\"",
                               "btnOK.ToolTipText\t\t=\"Close the \"\"dialog\"\"\"",
                               "; lblPrio(0)(Label)",
                               "lblPrio(0)\t\t\t=\"\"",
                               "; lblPrio(1)(Label)",
                               "lblPrio(1)\t\t\t=\"High\"",
                               "; Line1(Line)"}));
    EXPECT_EQ(Dump("3"), Utf8({"[Brisko.frmT]",
                               "; (frmT)",
                               ".Caption\t\t\t=\"Design title\"",
                               "; lblName(Label)",
                               "lblName\t\t\t\t=\"Localised\"",
                               "; btnOK(CommandButton)",
                               "btnOK\t\t\t\t=\"OK\"",
                               "btnOK.ToolTipText\t\t=\"Close the \"\"dialog\"\"\"",
                               "; lblPrio(0)(Label)",
                               "; lblPrio(1)(Label)",
                               "lblPrio(1)\t\t\t=\"High\"",
                               "; Line1(Line)"}));
}

TEST_F(DumpTest, AlignmentByColumnOfTheEqualsSign) {
    // Names of 23, 24, 30, 31 and 40 characters: "=" at columns 24, 25, 31, 32 and 41.
    for (std::size_t n : {23u, 24u, 30u, 31u, 40u}) form->Add(L"Label", std::wstring(n, L'n'), L"z");
    const std::string t = Dump("3");
    for (auto [n, tabs] : {std::pair{23, 2}, {24, 1}, {30, 1}, {31, 0}, {40, 0}}) {
        const std::string expected = "\r\n" + std::string(static_cast<std::size_t>(n), 'n') +
                                 std::string(static_cast<std::size_t>(tabs), '\t') + "=\"z\"\r\n";
        EXPECT_NE(t.find(expected), std::string::npos) << n;
    }
}

TEST_F(DumpTest, FailuresAreLogged) {
    // The dump folder can't be made: a file is in the way.
    Write("Dump", "not a folder");
    Dump("2");
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0].rfind(L"CLang.DumpControls|53|", 0), 0u);
    EXPECT_EQ(lbl->Property(L"Caption").AsString(), L"Localised");
}

TEST_F(DumpTest, PictureThatCantBeSaved) {
    btn->SetProperty(L"Picture", Value(ObjectPtr(std::make_shared<forms::CPicture>(std::vector<std::uint8_t>{}, L""))));
    fs::create_directories(NativeOf("Dump") / "frmT");
    fs::create_directories(NativeOf("Dump") / "frmT" / "btnOK.bmp");  // a folder in the way
    const std::string text = Dump("1");
    EXPECT_EQ(text.find("Picture"), std::string::npos);
    EXPECT_EQ(Errors(), Strings{L"CLang.DumpControl|75|Path/File access error"});
}

}  // namespace
}  // namespace brisko::testing
