// The ribbon's markup, byte for byte, for both ribbon kinds, host versions 12 and 14 and several
// list capacities; the control ids.
#include <gtest/gtest.h>

#include "addin/commands/ribbon.h"
#include "addin/host/Connect.h"
#include "surfaces_fixture.h"

namespace brisko::testing {
namespace {

// The expected text, written out line by line; k is the kind letter.
std::wstring Head(const std::wstring& k) {
    return L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\" onLoad=\"Ribbon_OnLoad\">\r\n"
           L"<ribbon>\r\n"
           L"<tabs>\r\n"
           L"<tab    id=\"tabBrisko" + k + L"\" getLabel=\"RibbonControl_GetLabel\" getVisible=\"RibbonControl_GetVisible\">\r\n"
           L"<group  id=\"grpBrisko" + k + L"\" getLabel=\"RibbonControl_GetLabel\" getVisible=\"RibbonControl_GetVisible\">\r\n"
           L"<button id=\"btnQuickTask" + k + L"\" getLabel=\"RibbonControl_GetLabel\" onAction=\"RibbonButton_Action\" getEnabled=\"RibbonControl_GetEnabled\" getVisible=\"RibbonControl_GetVisible\" getScreentip=\"RibbonButton_GetScreentip\" size=\"large\" getImage=\"RibbonButton_GetImage\"/>\r\n"
           L"<button id=\"btnQuickAppointment" + k + L"\" getLabel=\"RibbonControl_GetLabel\" onAction=\"RibbonButton_Action\" getEnabled=\"RibbonControl_GetEnabled\" getVisible=\"RibbonControl_GetVisible\" getScreentip=\"RibbonButton_GetScreentip\" size=\"large\" getImage=\"RibbonButton_GetImage\"/>\r\n"
           L"</group>\r\n";
}

std::wstring MenuItem(const std::wstring& id) {
    return L"<button id       =\"" + id + L"\"   onAction      =\"RibbonButton_Action\"   getScreentip  =\"RibbonButton_GetScreentip\"   getLabel      =\"RibbonControl_GetLabel\"   getVisible    =\"RibbonControl_GetVisible\"   getEnabled    =\"RibbonControl_GetEnabled\"/>\r\n";
}

std::wstring FolderGroup(const std::wstring& k, int maxCount) {
    std::wstring s =
        L"<group       id  = \"grpFolder" + k + L"\"   getLabel      = \"RibbonControl_GetLabel\"   getVisible    = \"RibbonControl_GetVisible\">\r\n"
        L"<splitButton id  = \"sbtnFolder" + k + L"\"   size          = \"large\"   getEnabled    = \"RibbonControl_GetEnabled\"   getVisible    = \"RibbonControl_GetVisible\">\r\n"
        L"<button id       = \"btnFolder" + k + L"\"   onAction      =\"RibbonButton_Action\"   getEnabled    =\"RibbonControl_GetEnabled\"   getScreentip  =\"RibbonButton_GetScreentip\"   getLabel      =\"RibbonControl_GetLabel\"   getImage      =\"RibbonButton_GetImage\"/>\r\n"
        L"<menu id         =\"mnuFolder" + k + L"\"   getScreentip  =\"RibbonButton_GetScreentip\">\r\n";
    for (int n = 1; n <= maxCount; ++n) s += MenuItem(L"btnFolder_" + std::to_wstring(n) + k);
    s += MenuItem(L"btnFolderPick" + k);
    s += L"<menuSeparator id=\"sepFolder1" + k + L"\"/>\r\n";
    s += L"<menu id         =\"mnuDefFolder" + k + L"\"   getLabel      =\"RibbonControl_GetLabel\"   getEnabled    =\"RibbonControl_GetEnabled\">\r\n";
    for (int n = 1; n <= maxCount; ++n) s += MenuItem(L"btnDefFolder_" + std::to_wstring(n) + k);
    s += L"</menu>\r\n</menu>\r\n</splitButton>\r\n</group>\r\n";
    return s;
}

std::wstring Tail(const std::wstring& k, int major) {
    std::wstring s = L"<group  id=\"grpMore" + k + L"\" getLabel=\"RibbonControl_GetLabel\" getVisible=\"RibbonControl_GetVisible\">";
    if (major == 12) {
        s += L"<button id=\"btnHelp" + k + L"\" getLabel=\"RibbonControl_GetLabel\" onAction=\"RibbonButton_Action\" getEnabled=\"RibbonControl_GetEnabled\" getVisible=\"RibbonControl_GetVisible\" getScreentip=\"RibbonButton_GetScreentip\" size=\"large\" getImage=\"RibbonButton_GetImage\"/>"
             L"<button id=\"btnAbout" + k + L"\" getLabel=\"RibbonControl_GetLabel\" onAction=\"RibbonButton_Action\" getEnabled=\"RibbonControl_GetEnabled\" getVisible=\"RibbonControl_GetVisible\" getScreentip=\"RibbonButton_GetScreentip\" size=\"large\" getImage=\"RibbonButton_GetImage\"/>";
    } else {
        s += L"<button id=\"btnHelp" + k + L"\" getLabel=\"RibbonControl_GetLabel\" onAction=\"RibbonButton_Action\" getEnabled=\"RibbonControl_GetEnabled\" getVisible=\"RibbonControl_GetVisible\" getScreentip=\"RibbonButton_GetScreentip\" size=\"large\" imageMso=\"Help\"/>"
             L"<button id=\"btnAbout" + k + L"\" getLabel=\"RibbonControl_GetLabel\" onAction=\"RibbonButton_Action\" getEnabled=\"RibbonControl_GetEnabled\" getVisible=\"RibbonControl_GetVisible\" getScreentip=\"RibbonButton_GetScreentip\" size=\"large\" imageMso=\"Info\"/>";
    }
    s += L"</group></tab>\r\n</tabs>\r\n</ribbon>\r\n</customUI>";
    return s;
}

std::wstring Expected(const std::wstring& k, int major, int maxCount) {
    return Head(k) + FolderGroup(k, maxCount) + L"\r\n" + Tail(k, major);
}

// Where two texts first differ, for a readable failure.
std::wstring FirstDifference(const std::wstring& a, const std::wstring& b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    const auto from = i > 40 ? i - 40 : 0;
    return L"at " + std::to_wstring(i) + L": got [" + a.substr(from, 80) + L"] want [" + b.substr(from, 80) + L"]";
}

struct MarkupCase {
    const wchar_t* ribbonId;
    const wchar_t* kind;
    int major;
    int maxCount;
};

class RibbonMarkup : public SurfacesTest, public ::testing::WithParamInterface<MarkupCase> {};

TEST_P(RibbonMarkup, IsTheTemplatesFilledInByteForByte) {
    const auto& p = GetParam();
    Use(p.major, p.maxCount);
    auto connect = std::make_shared<Connect>();
    const std::wstring got = connect->GetCustomUI(p.ribbonId);
    const std::wstring want = Expected(p.kind, p.major, p.maxCount);
    EXPECT_TRUE(got == want) << std::string(FirstDifference(got, want).begin(), FirstDifference(got, want).end());
    // Every line ends in CR LF; no bare line feed anywhere.
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i] == L'\n') {
            ASSERT_TRUE(i > 0 && got[i - 1] == L'\r') << i;
        }
    }
    EXPECT_TRUE(Errors().empty()) << ErrorText();
}

INSTANTIATE_TEST_SUITE_P(
    KindsVersionsCapacities, RibbonMarkup,
    ::testing::Values(MarkupCase{L"Microsoft.Outlook.Explorer", L"E", 14, 1},
                      MarkupCase{L"Microsoft.Outlook.Explorer", L"E", 14, 10},
                      MarkupCase{L"Microsoft.Outlook.Explorer", L"E", 14, 100},
                      MarkupCase{L"Microsoft.Outlook.Explorer", L"E", 12, 1},
                      MarkupCase{L"Microsoft.Outlook.Explorer", L"E", 12, 10},
                      MarkupCase{L"Microsoft.Outlook.Explorer", L"E", 12, 100},
                      MarkupCase{L"Microsoft.Outlook.Mail.Read", L"I", 14, 1},
                      MarkupCase{L"Microsoft.Outlook.Mail.Read", L"I", 14, 10},
                      MarkupCase{L"Microsoft.Outlook.Mail.Read", L"I", 14, 100},
                      MarkupCase{L"Microsoft.Outlook.Mail.Read", L"I", 12, 1},
                      MarkupCase{L"Microsoft.Outlook.Mail.Read", L"I", 12, 10},
                      MarkupCase{L"Microsoft.Outlook.Mail.Read", L"I", 12, 100}));

// The whole text for one case, written out without helpers: the ten-button list of the
// explorer on Outlook 2010 starts and ends as expected, and MaxCount 1 has exactly one of each.
TEST_F(SurfacesTest, MarkupWithOneFolderButtonHasOneOfEachEntry) {
    Use(14, 1);
    auto connect = std::make_shared<Connect>();
    const std::wstring got = connect->GetCustomUI(L"Microsoft.Outlook.Mail.Read");
    const std::wstring middle =
        L"<menu id         =\"mnuFolderI\"   getScreentip  =\"RibbonButton_GetScreentip\">\r\n"
        L"<button id       =\"btnFolder_1I\"   onAction      =\"RibbonButton_Action\"   getScreentip  =\"RibbonButton_GetScreentip\"   getLabel      =\"RibbonControl_GetLabel\"   getVisible    =\"RibbonControl_GetVisible\"   getEnabled    =\"RibbonControl_GetEnabled\"/>\r\n"
        L"<button id       =\"btnFolderPickI\"   onAction      =\"RibbonButton_Action\"   getScreentip  =\"RibbonButton_GetScreentip\"   getLabel      =\"RibbonControl_GetLabel\"   getVisible    =\"RibbonControl_GetVisible\"   getEnabled    =\"RibbonControl_GetEnabled\"/>\r\n"
        L"<menuSeparator id=\"sepFolder1I\"/>\r\n"
        L"<menu id         =\"mnuDefFolderI\"   getLabel      =\"RibbonControl_GetLabel\"   getEnabled    =\"RibbonControl_GetEnabled\">\r\n"
        L"<button id       =\"btnDefFolder_1I\"   onAction      =\"RibbonButton_Action\"   getScreentip  =\"RibbonButton_GetScreentip\"   getLabel      =\"RibbonControl_GetLabel\"   getVisible    =\"RibbonControl_GetVisible\"   getEnabled    =\"RibbonControl_GetEnabled\"/>\r\n"
        L"</menu>\r\n"
        L"</menu>\r\n"
        L"</splitButton>\r\n"
        L"</group>\r\n"
        L"\r\n"
        L"<group  id=\"grpMoreI\"";
    EXPECT_NE(got.find(middle), std::wstring::npos);
    EXPECT_EQ(got.find(L"btnFolder_2I"), std::wstring::npos);
    EXPECT_TRUE(got.ends_with(L"imageMso=\"Info\"/></group></tab>\r\n</tabs>\r\n</ribbon>\r\n</customUI>"));
}

TEST_F(SurfacesTest, OtherRibbonTypesGetNoMarkup) {
    Use(14);
    auto connect = std::make_shared<Connect>();
    EXPECT_EQ(connect->GetCustomUI(L"Microsoft.Outlook.Mail.Compose"), L"");
    EXPECT_EQ(connect->GetCustomUI(L"Microsoft.Outlook.Appointment"), L"");
    EXPECT_EQ(connect->GetCustomUI(L""), L"");
    // Late bound, as Office asks.
    Args args{Value(L"Microsoft.Outlook.Explorer")};
    EXPECT_EQ(connect->Invoke(L"GetCustomUI", CallKind::Method, args).AsString(), connect->GetCustomUI(L"Microsoft.Outlook.Explorer"));
    EXPECT_TRUE(Errors().empty()) << ErrorText();
}

TEST_F(SurfacesTest, WithoutTheRecentListTheFolderGroupIsLeftOutAndLogged) {
    Use(14);
    g_oRecentMove2Folders.reset();
    auto connect = std::make_shared<Connect>();
    const std::wstring got = connect->GetCustomUI(L"Microsoft.Outlook.Explorer");
    EXPECT_EQ(got, Head(L"E") + L"\r\n" + Tail(L"E", 14));
    EXPECT_EQ(Errors(), (std::vector<std::wstring>{L"Connect.Ribbon_grpFolder_GetCustomUI|91|Object variable or With block variable not set"}));
}

template <class F>
std::wstring ErrorOf(F&& call) {
    try {
        call();
    } catch (const RuntimeError& e) {
        return std::to_wstring(e.number()) + L"|" + e.description();
    }
    return {};
}

TEST(ControlIds, ParseMakeAndIndexes) {
    EXPECT_EQ(MakeControlId(L"btnFolder_3", L"E"), L"btnFolder_3E");
    std::wstring base, kind;
    ParseControlId(L"btnQuickTaskI", base, kind);
    EXPECT_EQ(base, L"btnQuickTask");
    EXPECT_EQ(kind, L"I");
    ParseControlId(L"xE", base, kind);
    EXPECT_EQ(base, L"x");
    for (const wchar_t* bad : {L"btnQuickTaskX", L"E", L"", L"btnQuickTaske"}) {
        EXPECT_EQ(ErrorOf([&] { ParseControlId(bad, base, kind); }),
                  std::wstring(L"13|Invalid control id(") + bad + L")");
    }
    EXPECT_EQ(Ribbon_btnFolders_Index(L"btnFolder_7"), 7);
    EXPECT_EQ(Ribbon_btnFolders_Index(L"btnFolder_100"), 100);
    EXPECT_EQ(Ribbon_btnFolders_Index(L"btnFolder"), -1);
    EXPECT_EQ(Ribbon_btnFolders_Index(L"btnFolderPick"), -1);
    EXPECT_EQ(Ribbon_btnFolders_Index(L"btnDefFolder_2"), -1);
    EXPECT_EQ(Ribbon_btnDefFolders_Index(L"btnDefFolder_2"), 2);
    EXPECT_EQ(Ribbon_btnDefFolders_Index(L"btnFolder_2"), -1);
    EXPECT_EQ(ErrorOf([] { Ribbon_btnFolders_Index(L"btnFolder_x"); }).substr(0, 3), L"13|");
}

}  // namespace
}  // namespace brisko::testing
