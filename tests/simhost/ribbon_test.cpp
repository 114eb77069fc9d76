#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "simhost/ribbon.h"
#include "simhost/xml_check.h"
#include "support.h"

namespace brisko::sim::test {
namespace {

// An add-in as Office reaches it: GetCustomUI and callbacks by name; every call is logged as
// "GetCustomUI <id>" or "<callback> <control id>".
class FakeAddin : public Object {
public:
    std::map<std::wstring, std::wstring> markup;  // by ribbon id
    std::map<std::wstring, std::function<Value(const ObjectPtr& argument)>> callbacks;
    std::vector<std::wstring> calls;
    ObjectPtr ribbon;  // what onLoad received

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        EXPECT_EQ(kind, CallKind::Method);
        if (name == L"GetCustomUI") {
            calls.push_back(L"GetCustomUI " + args.at(0).AsString());
            return markup[args.at(0).AsString()];
        }
        const auto it = callbacks.find(std::wstring(name));
        if (it == callbacks.end()) Raise(brisko::err::NotSupported);
        const ObjectPtr argument = args.at(0).AsObject();
        calls.push_back(std::wstring(name) + L" " +
                        (argument->TypeName() == L"IRibbonControl" ? GetOf(argument, L"Id").AsString() : L"ribbon"));
        return it->second(argument);
    }
};

// The same with a probe that answers names without calling them, as IDispatch does.
class ProbedAddin : public FakeAddin, public RibbonNameProbe {
public:
    bool AnswersName(std::wstring_view name) override { return callbacks.count(std::wstring(name)) > 0; }
};

constexpr const wchar_t* kMarkup =
    L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\" onLoad=\"OnLoad\">\r\n"
    L"<ribbon><tabs>\r\n"
    L"<tab id='tabT' getLabel='GetLabel' getVisible='GetVisible'>\r\n"
    L"<group id=\"grpG\" label=\"Group &amp; more\">\r\n"
    L"<button id=\"btnA\" tag=\"a-tag\" getLabel=\"GetLabel\" getEnabled=\"GetEnabled\" "
    L"getScreentip=\"GetScreentip\" getImage=\"GetImage\" onAction=\"Action\"/>\r\n"
    L"<button id=\"btnHelp\" label=\"Help\" imageMso=\"Help\" onAction=\"Action\"/>\r\n"
    L"<menu id=\"mnuM\" getEnabled=\"GetEnabled\"><button id=\"btnInMenu\" label=\"x\" onAction=\"Action\"/>"
    L"<menuSeparator id=\"sep\"/></menu>\r\n"
    L"</group></tab></tabs></ribbon></customUI>";

class Ribbon : public SampleTest {
protected:
    void SetUp() override {
        addin = std::make_shared<ProbedAddin>();
        addin->markup[kRibbonExplorer] = kMarkup;
        addin->markup[kRibbonMailRead] = kMarkup;
        addin->callbacks[L"OnLoad"] = [this](const ObjectPtr& r) {
            addin->ribbon = r;
            return Value();
        };
        addin->callbacks[L"GetLabel"] = [](const ObjectPtr& c) { return Value(L"Label " + GetOf(c, L"Id").AsString()); };
        addin->callbacks[L"GetVisible"] = [](const ObjectPtr&) { return Value(true); };
        addin->callbacks[L"GetEnabled"] = [this](const ObjectPtr& c) {
            return Value(!disabled.count(GetOf(c, L"Id").AsString()));
        };
        addin->callbacks[L"GetScreentip"] = [](const ObjectPtr& c) { return Value(GetOf(c, L"Tag").AsString()); };
        addin->callbacks[L"GetImage"] = [](const ObjectPtr&) { return Value(std::make_shared<Object>()); };
        addin->callbacks[L"Action"] = [this](const ObjectPtr& c) {
            actionContext = ObjectOf(c, L"Context");
            return Value();
        };
    }
    void TearDown() override {
        actionContext.reset();
        sim.Ribbon().Detach();
        addin.reset();
        SampleTest::TearDown();
    }
    // Outlook 2010 with an explorer open, the add-in attached and start-up complete.
    SimExplorer* Start2010() {
        sim.SetMajorVersion(14);
        auto* e = sim.AddExplorerAtStartup(box.inbox);
        sim.Ribbon().Attach(addin);
        sim.Ribbon().StartupComplete();
        return e;
    }
    std::size_t Count(const std::wstring& call) const {
        return static_cast<std::size_t>(std::count(addin->calls.begin(), addin->calls.end(), call));
    }

    std::shared_ptr<ProbedAddin> addin;
    std::set<std::wstring> disabled;
    ObjectPtr actionContext;
};

TEST_F(Ribbon, OfficeAsksEachRibbonTypeOnceWhenItsFirstWindowOpens) {
    sim.SetMajorVersion(14);
    sim.AddExplorerAtStartup(box.inbox);
    sim.Ribbon().Attach(addin);
    EXPECT_TRUE(addin->calls.empty());
    sim.Ribbon().StartupComplete();
    EXPECT_EQ(addin->calls, (std::vector<std::wstring>{L"GetCustomUI Microsoft.Outlook.Explorer", L"OnLoad ribbon"}));
    EXPECT_EQ(addin->ribbon->TypeName(), L"IRibbonUI");
    sim.OpenExplorer(box.tasks);
    EXPECT_EQ(Count(L"GetCustomUI Microsoft.Outlook.Explorer"), 1u);

    // A mail window is asked for before NewInspector, sent and unsent mails separately.
    auto inspectors = ObjectOf(app, L"Inspectors");
    auto events = inspectors->ConnectEvents([&](std::wstring_view name, Args&) { addin->calls.emplace_back(name); });
    sim.OpenInspector(box.inboxMails[0]);
    sim.OpenInspector(box.inboxMails[1]);
    sim.OpenInspector(box.draft);
    sim.OpenInspector(box.task);
    EXPECT_EQ(std::vector<std::wstring>(addin->calls.begin() + 2, addin->calls.end()),
              (std::vector<std::wstring>{L"GetCustomUI Microsoft.Outlook.Mail.Read", L"OnLoad ribbon", L"NewInspector",
                                         L"NewInspector", L"GetCustomUI Microsoft.Outlook.Mail.Compose",
                                         L"NewInspector", L"NewInspector"}));
    EXPECT_EQ(sim.Ribbon().AskedTypes().size(), 3u);
    EXPECT_TRUE(sim.Ribbon().Problems().empty());
}

TEST_F(Ribbon, Outlook2007AsksOnlyForMailWindowsAndOlderVersionsNothing) {
    sim.SetMajorVersion(12);
    auto* e = sim.AddExplorerAtStartup(box.inbox);
    sim.Ribbon().Attach(addin);
    sim.Ribbon().StartupComplete();
    EXPECT_TRUE(addin->calls.empty());
    EXPECT_TRUE(sim.Ribbon().Show(e).empty());
    auto* i = sim.OpenInspector(box.inboxMails[0]);
    EXPECT_EQ(addin->calls.front(), L"GetCustomUI Microsoft.Outlook.Mail.Read");
    EXPECT_EQ(sim.Ribbon().Show(i).size(), 7u);

    sim.CloseInspector(i, false);
    sim.Ribbon().Attach(addin);  // a new attach asks again
    addin->calls.clear();
    sim.SetMajorVersion(11);
    sim.OpenInspector(box.inboxMails[1]);
    sim.OpenExplorer(box.inbox);
    EXPECT_TRUE(addin->calls.empty());
}

TEST_F(Ribbon, MarkupThatOfficeRejectsIsReportedAndNotLoaded) {
    const std::vector<std::pair<std::wstring, std::wstring>> bad = {
        {L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><ribbon></customUI>",
         L"not well-formed"},
        {L"<customUI xmlns=\"http://schemas.microsoft.com/office/2009/07/customui\"/>", L"namespace"},
        {L"<customUI/>", L"namespace"},
        {L"<ribbon xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"/>", L"root element"},
        {L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><ribbon><tabs><tab id=\"a\"/>"
         L"<tab id=\"a\"/></tabs></ribbon></customUI>",
         L"used twice"},
        {L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><ribbon><tabs><tabb id=\"a\"/>"
         L"</tabs></ribbon></customUI>",
         L"unknown element"},
    };
    sim.SetMajorVersion(14);
    auto* e = sim.AddExplorerAtStartup(box.inbox);
    for (const auto& [markup, problem] : bad) {
        SCOPED_TRACE(markup);
        addin->markup[kRibbonExplorer] = markup + L"";
        addin->calls.clear();
        sim.Ribbon().ClearProblems();
        sim.Ribbon().Attach(addin);
        sim.Ribbon().StartupComplete();
        ASSERT_EQ(sim.Ribbon().Problems().size(), 1u);
        EXPECT_NE(sim.Ribbon().Problems()[0].find(problem), std::wstring::npos) << sim.Ribbon().Problems()[0];
        EXPECT_EQ(addin->calls, std::vector<std::wstring>{L"GetCustomUI Microsoft.Outlook.Explorer"});
        EXPECT_TRUE(sim.Ribbon().Show(e).empty());
    }
    // A prefixed root in the right namespace is fine; so is an empty answer (no customisation).
    addin->markup[kRibbonExplorer] = L"<x:customUI xmlns:x='http://schemas.microsoft.com/office/2006/01/customui'/>";
    sim.Ribbon().ClearProblems();
    sim.Ribbon().Attach(addin);
    sim.Ribbon().StartupComplete();
    EXPECT_TRUE(sim.Ribbon().Problems().empty());
    addin->markup[kRibbonExplorer] = L"";
    sim.Ribbon().Attach(addin);
    sim.Ribbon().StartupComplete();
    EXPECT_TRUE(sim.Ribbon().Problems().empty());
}

TEST_F(Ribbon, CallbackNamesAreCheckedByNameWithOrWithoutAProbe) {
    addin->callbacks.erase(L"GetScreentip");
    auto* e = Start2010();
    ASSERT_EQ(sim.Ribbon().Problems().size(), 1u);
    EXPECT_NE(sim.Ribbon().Problems()[0].find(L"\"GetScreentip\" (getScreentip of <button>)"), std::wstring::npos);
    // The markup still loads; Office never calls the missing name.
    const auto shown = sim.Ribbon().Show(e);
    EXPECT_EQ(shown.size(), 7u);
    EXPECT_EQ(shown[2].screentip, L"");
    EXPECT_EQ(std::count_if(addin->calls.begin(), addin->calls.end(),
                            [](const std::wstring& c) { return c.rfind(L"GetScreentip", 0) == 0; }),
              0);

    // Without a probe the name shows as missing when it is called, once.
    auto plain = std::make_shared<FakeAddin>();
    plain->markup = addin->markup;
    plain->callbacks = addin->callbacks;
    sim.Ribbon().ClearProblems();
    sim.Ribbon().Attach(plain);
    sim.Ribbon().Show(e);
    sim.Ribbon().Invalidate();
    sim.Ribbon().Show(e);
    ASSERT_EQ(sim.Ribbon().Problems().size(), 1u);
    EXPECT_NE(sim.Ribbon().Problems()[0].find(L"438"), std::wstring::npos);
    EXPECT_TRUE(sim.EscapedErrors().empty());

    // With an explicit probe, that one decides.
    plain->callbacks[L"GetScreentip"] = [](const ObjectPtr&) { return Value(L""); };
    sim.Ribbon().ClearProblems();
    sim.Ribbon().Attach(plain, [](std::wstring_view name) { return name != L"Action"; });
    EXPECT_EQ(sim.Ribbon().Problems().size(), 1u);
    EXPECT_FALSE(sim.Ribbon().Click(e, L"btnHelp"));
}

TEST_F(Ribbon, ShowCallsEachControlsCallbacksOnceUntilInvalidated) {
    auto* e = Start2010();
    const auto before = sim.Ribbon().CallbackCount();
    const auto shown = sim.Ribbon().Show(e);
    EXPECT_EQ(SimRibbon::DescribeShow(shown),
              L"tab tabT label \"Label tabT\" screentip \"\" enabled yes visible yes image none\n"
              L"  group grpG label \"Group & more\" screentip \"\" enabled yes visible yes image none\n"
              L"    button btnA label \"Label btnA\" screentip \"a-tag\" enabled yes visible yes image picture\n"
              L"    button btnHelp label \"Help\" screentip \"\" enabled yes visible yes image Help\n"
              L"    menu mnuM label \"\" screentip \"\" enabled yes visible yes image none\n"
              L"      button btnInMenu label \"x\" screentip \"\" enabled yes visible yes image none\n"
              L"      menuSeparator sep label \"\" screentip \"\" enabled yes visible yes image none\n");
    const auto made = sim.Ribbon().CallbackCount() - before;
    EXPECT_EQ(made, 7u);  // tab: label, visible; btnA: enabled, label, screentip, image; menu: enabled
    EXPECT_EQ(sim.Ribbon().Show(e), shown);
    EXPECT_EQ(sim.Ribbon().CallbackCount() - before, made);

    disabled.insert(L"btnA");
    addin->calls.clear();
    CallOf(addin->ribbon, L"InvalidateControl", {L"btnA"});
    const auto again = sim.Ribbon().Show(e);
    EXPECT_EQ(addin->calls, (std::vector<std::wstring>{L"GetEnabled btnA", L"GetLabel btnA", L"GetScreentip btnA",
                                                       L"GetImage btnA"}));
    EXPECT_FALSE(again[2].enabled);

    addin->calls.clear();
    CallOf(addin->ribbon, L"Invalidate");
    sim.Ribbon().Show(e);
    EXPECT_EQ(addin->calls.size(), made);
    // Another window has its own controls: its first show calls them all.
    auto* other = sim.OpenExplorer(box.tasks);
    sim.Ribbon().Show(other);
    EXPECT_EQ(addin->calls.size(), 2 * made);
}

TEST_F(Ribbon, ControlsCarryIdTagAndTheirWindow) {
    sim.SetMajorVersion(12);
    sim.Ribbon().Attach(addin);
    auto* inspector = sim.OpenInspector(box.inboxMails[0]);
    ObjectPtr control;
    addin->callbacks[L"GetImage"] = [&](const ObjectPtr& c) {
        control = c;
        return Value(ObjectPtr{});
    };
    const auto shown = sim.Ribbon().Show(inspector);
    ASSERT_TRUE(control);
    EXPECT_EQ(control->TypeName(), L"IRibbonControl");
    EXPECT_EQ(GetOf(control, L"Id"), Value(L"btnA"));
    EXPECT_EQ(GetOf(control, L"Tag"), Value(L"a-tag"));
    EXPECT_EQ(Sim(ObjectOf(control, L"Context")), inspector);
    EXPECT_EQ(shown[2].image, L"");
    // They are host objects: calls count and can fail.
    sim.FailMember(L"IRibbonControl.Id", err::OperationFailed, L"", 1);
    EXPECT_EQ(ErrorOf([&] { GetOf(control, L"Id"); }).number(), err::OperationFailed);
}

TEST_F(Ribbon, ClickRunsOnActionOnlyForVisibleEnabledControls) {
    auto* e = Start2010();
    EXPECT_TRUE(sim.Ribbon().Click(e, L"btnA"));
    EXPECT_EQ(Sim(actionContext), e);
    EXPECT_EQ(addin->calls.back(), L"Action btnA");

    disabled.insert(L"btnA");
    CallOf(addin->ribbon, L"InvalidateControl", {L"btnA"});
    addin->calls.clear();
    EXPECT_FALSE(sim.Ribbon().Click(e, L"btnA"));
    EXPECT_EQ(Count(L"Action btnA"), 0u);
    // A disabled menu keeps its items from being clicked.
    EXPECT_TRUE(sim.Ribbon().Click(e, L"btnInMenu"));
    disabled.insert(L"mnuM");
    CallOf(addin->ribbon, L"Invalidate");
    EXPECT_FALSE(sim.Ribbon().Click(e, L"btnInMenu"));
    EXPECT_FALSE(sim.Ribbon().Click(e, L"sep"));
    EXPECT_FALSE(sim.Ribbon().Click(e, L"noSuchControl"));
    EXPECT_EQ(Count(L"Action btnInMenu"), 1u);
}

TEST_F(Ribbon, ACallbackThatRaisesIsAnEscapedErrorAndLeavesTheDefault) {
    addin->callbacks[L"GetLabel"] = [](const ObjectPtr&) -> Value { Raise(13, L"Invalid control id(btnX)"); };
    auto* e = Start2010();
    const auto shown = sim.Ribbon().Show(e);
    EXPECT_EQ(shown[0].label, L"");
    ASSERT_EQ(sim.EscapedErrors().size(), 2u);
    EXPECT_EQ(sim.EscapedErrors()[0].number, 13);
    EXPECT_EQ(sim.EscapedErrors()[0].event, L"GetLabel");
    sim.ClearEscapedErrors();
}

TEST_F(Ribbon, MarkupIsGivenBackExactlyAndDetachEndsTheRibbon) {
    auto* e = Start2010();
    addin->markup[L"Custom.Id"] = L"a\r\nb \u00e9";
    EXPECT_EQ(sim.Ribbon().AskCustomUI(L"Custom.Id"), L"a\r\nb \u00e9");
    EXPECT_FALSE(sim.Ribbon().Asked(L"Custom.Id"));
    EXPECT_EQ(sim.Ribbon().LoadedMarkup(kRibbonExplorer), kMarkup);

    ObjectPtr ribbon = addin->ribbon;
    sim.Ribbon().Detach();
    EXPECT_EQ(ErrorOf([&] { CallOf(ribbon, L"Invalidate"); }).number(), err::ObjectNotFound);
    EXPECT_TRUE(sim.Ribbon().Show(e).empty());
    EXPECT_FALSE(sim.Ribbon().Click(e, L"btnA"));
    EXPECT_EQ(addin.use_count(), 1);
}

// --- The markup reader --------------------------------------------------------------------------

TEST(XmlCheck, ReadsWellFormedMarkupWithNamespacesAndReferences) {
    XmlDocument doc;
    std::wstring error;
    ASSERT_TRUE(ParseXml(L"\ufeff<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<!-- c -->"
                         L"<a:root xmlns:a='urn:a' xmlns=\"urn:d\" v='&lt;&#65;&#x42;&apos;\"&amp;'>"
                         L"text &gt; <![CDATA[<raw>]]><?pi x?><child k=\"1\"\tj = 'x\ny'/></a:root>\n",
                         doc, error))
        << error;
    ASSERT_EQ(doc.elements.size(), 2u);
    EXPECT_EQ(doc.elements[0].localName, L"root");
    EXPECT_EQ(doc.elements[0].ns, L"urn:a");
    EXPECT_EQ(*doc.elements[0].Attribute(L"v"), L"<AB'\"&");
    EXPECT_EQ(doc.elements[1].ns, L"urn:d");
    EXPECT_EQ(doc.elements[1].parent, 0u);
    EXPECT_EQ(doc.elements[1].depth, 1);
    EXPECT_EQ(*doc.elements[1].Attribute(L"j"), L"x y");
    EXPECT_EQ(doc.elements[1].line, 2u);
    EXPECT_EQ(doc.elements[1].Attribute(L"none"), nullptr);

    // Spaces around "=" and between attributes, as hand-aligned markup has them.
    ASSERT_TRUE(ParseXml(L"<group       id  = \"g\"   getLabel      = \"L\">\r\n<button id       =\"b\"/>\r\n</group >",
                         doc, error))
        << error;
    EXPECT_EQ(*doc.elements[0].Attribute(L"getLabel"), L"L");
    EXPECT_EQ(*doc.elements[1].Attribute(L"id"), L"b");
}

TEST(XmlCheck, RejectsWhatIsNotWellFormed) {
    const std::vector<std::wstring> bad = {
        L"",
        L"<a>",
        L"<a></b>",
        L"<a><b></a></b>",
        L"<a x=1/>",
        L"<a x=\"1\" x=\"2\"/>",
        L"<a x=\"<\"/>",
        L"<a x=\"&nbsp;\"/>",
        L"<a x=\"&amp\"/>",
        L"<a>&#0;</a>",
        L"<a/><b/>",
        L"<a/>text",
        L"text<a/>",
        L"<!DOCTYPE a><a/>",
        L"<p:a/>",
        L"<a><!-- x -- y --></a>",
        L"<a x=\"1\"y=\"2\"/>",
        L"<a>]]></a>",
        L"<a/><?xml version=\"1.0\"?>",
        L"<a>\x01</a>",
    };
    for (const auto& text : bad) {
        XmlDocument doc;
        std::wstring error;
        EXPECT_FALSE(ParseXml(text, doc, error)) << "accepted: " << std::string(text.begin(), text.end());
        EXPECT_EQ(error.rfind(L"line ", 0), 0u);
        EXPECT_TRUE(doc.elements.empty());
    }
    XmlDocument doc;
    std::wstring error;
    EXPECT_FALSE(ParseXml(L"<a>\n\n<b></c></a>", doc, error));
    EXPECT_EQ(error, L"line 3: </c> closes <b>");
}

}  // namespace
}  // namespace brisko::sim::test
