// The quick dialogs' design tables: every control in the client area, none over another, one
// tab order, captions of both shipped languages fitting, mnemonics that reach their controls.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "addin/forms/quick_designs.h"
#include "addin/lang/CLang.h"
#include "automation/text.h"
#include "controls/sim/sim_registration.h"
#include "tests/addin/addin_fixture.h"

namespace brisko::testing {
namespace {

using forms::CControl;
using forms::CForm;
using Strings = std::vector<std::wstring>;

// The width a caption takes in the in-memory metric (6 pixels a character, "&" none).
int CaptionPixels(const std::wstring& caption) {
    int n = 0;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size() && caption[i + 1] != L'&') continue;
        if (caption[i] == L'&') ++i;
        ++n;
    }
    return n * 6;
}

wchar_t Mnemonic(const std::wstring& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == L'&' && caption[i + 1] != L'&') return FoldCase(caption[i + 1]);
        if (caption[i] == L'&') ++i;
    }
    return 0;
}

TwipsRect RectOf(const CControl& c) {
    return {c.Property(L"Left").AsInt(), c.Property(L"Top").AsInt(), c.Property(L"Width").AsInt(),
            c.Property(L"Height").AsInt()};
}

bool Overlap(const TwipsRect& a, const TwipsRect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height && b.top < a.top + a.height;
}

class DesignTest : public AddinTest {
protected:
    void SetUp() override {
        AddinTest::SetUp();
        kelvane::RegisterClasses(platform.objects);
    }
    void TearDown() override {
        Forms().UnloadAll();
        AddinTest::TearDown();
    }
    static std::vector<std::shared_ptr<CForm>> Designs() {
        return {forms::MakeQuickTaskDesign(), forms::MakeQuickAppointmentDesign()};
    }
    static std::vector<std::shared_ptr<CControl>> ControlsOf(const CForm& f) {
        std::vector<std::shared_ptr<CControl>> out;
        for (int i = 0; i < f.Controls()->Count(); ++i) out.push_back(f.Controls()->At(i));
        return out;
    }
};

TEST_F(DesignTest, EveryControlInsideTheClientAreaAndNoneOverAnother) {
    for (const auto& f : Designs()) {
        SCOPED_TRACE(ToUtf8(f->Name()));
        const int clientWidth = f->Property(L"Width").AsInt() - CForm::kFrameWidth;
        const int clientHeight = f->Property(L"Height").AsInt() - CForm::kFrameHeight;
        std::vector<std::shared_ptr<CControl>> shown;
        for (const auto& c : ControlsOf(*f)) {
            SCOPED_TRACE(ToUtf8(c->Name()));
            if (c->KindName() == L"Line") {
                EXPECT_GE(c->Property(L"X1").AsInt(), 165);
                EXPECT_LE(c->Property(L"X2").AsInt(), clientWidth - 165);
                continue;
            }
            const TwipsRect r = RectOf(*c);
            // Inside, with the dialog's margin of 11 pixels.
            EXPECT_GE(r.left, 165);
            EXPECT_GE(r.top, 165);
            EXPECT_LE(r.left + r.width, clientWidth - 165);
            EXPECT_LE(r.top + r.height, clientHeight - 165);
            EXPECT_GT(r.width, 0);
            EXPECT_GT(r.height, 0);
            if (c->Property(L"Visible").AsBool()) shown.push_back(c);
        }
        for (std::size_t i = 0; i < shown.size(); ++i) {
            for (std::size_t j = i + 1; j < shown.size(); ++j) {
                EXPECT_FALSE(Overlap(RectOf(*shown[i]), RectOf(*shown[j])))
                    << ToUtf8(shown[i]->Name()) << " and " << ToUtf8(shown[j]->Name());
            }
        }
        // The hidden placeholders mark the room of the links they stand for.
        const auto link = f->Control(L"lnkMoveFolder");
        const auto room = f->Control(L"lblMoveFolderPlaceholder");
        EXPECT_EQ(RectOf(*link), RectOf(*room));
    }
}

TEST_F(DesignTest, OneTabOrderWithTheVisibleControlsFirst) {
    for (const auto& f : Designs()) {
        SCOPED_TRACE(ToUtf8(f->Name()));
        std::set<int> seen;
        int lastVisible = -1, firstHidden = 1000;
        for (const auto& c : ControlsOf(*f)) {
            if (!c->Has(L"TabIndex")) continue;
            const int t = c->Property(L"TabIndex").AsInt();
            EXPECT_TRUE(seen.insert(t).second) << ToUtf8(c->Name());
            if (c->Property(L"Visible").AsBool()) {
                lastVisible = std::max(lastVisible, t);
            } else {
                firstHidden = std::min(firstHidden, t);
            }
        }
        EXPECT_EQ(*seen.begin(), 0);
        EXPECT_EQ(*seen.rbegin(), static_cast<int>(seen.size()) - 1);
        EXPECT_LT(lastVisible, firstHidden);
        // Each field follows its label.
        for (const auto& [label, field] : std::vector<std::pair<const wchar_t*, const wchar_t*>>{
                 {L"lblSubject", L"txtSubject"}, {L"chkMoveMail", L"lnkMoveFolder"}}) {
            EXPECT_EQ(f->Control(field)->Property(L"TabIndex").AsInt(), f->Control(label)->Property(L"TabIndex").AsInt() + 1);
        }
    }
}

TEST_F(DesignTest, CaptionsOfBothLanguagesFitAndTheirMnemonicsAreUnique) {
    const std::wstring install = sim::SimPlatform::DefaultModuleFolder();
    for (const wchar_t* file : {L"English.lng", L"Deutsch.lng"}) {
        SCOPED_TRACE(ToUtf8(file));
        CLang lang{LangSettings{}};
        ASSERT_TRUE(lang.Init(install + L"\\" + file, L"Brisko"));
        for (const auto& f : Designs()) {
            SCOPED_TRACE(ToUtf8(f->Name()));
            lang.LocalizeForm(f);
            std::set<wchar_t> mnemonics;
            for (const auto& c : ControlsOf(*f)) {
                if (!c->Property(L"Visible").AsBool() || !c->Has(L"Caption") || c->KindName() == L"LinkLabel") continue;
                const std::wstring caption = c->Property(L"Caption").AsString();
                // A check box's caption starts 18 pixels in; a button keeps 6 pixels on each side.
                const int extra = c->KindName() == L"CheckBox" ? 18 : c->KindName() == L"CommandButton" ? 12 : 0;
                EXPECT_LE((CaptionPixels(caption) + extra) * 15, c->Property(L"Width").AsInt()) << ToUtf8(caption);
                if (const wchar_t m = Mnemonic(caption)) {
                    EXPECT_TRUE(mnemonics.insert(m).second) << ToUtf8(caption);
                }
            }
        }
    }
}

TEST_F(DesignTest, TheTaskDialogLoadedTakesItsKeys) {
    auto f = forms::MakeQuickTaskDesign();
    Strings clicks;
    std::vector<EventConnection> connections;
    for (const wchar_t* name : {L"btnCreateTask", L"btnEditTask", L"btnCancel"}) {
        connections.push_back(f->Control(name)->ConnectEvents([&clicks, name](std::wstring_view event, Args&) {
            if (event == L"Click") clicks.push_back(name);
        }));
    }
    f->Show();
    auto* w = platform.formWindows.Find(L"frmQuickTask");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Listing().rfind(L"frmQuickTask \"Brisko - Task\"\nlblSubject Label \"Sub&ject:\"\n"
                                 L"txtSubject TextBox \"\" [focus]\n",
                                 0),
              0u);
    w->Keys(L"Alt+D");
    EXPECT_EQ(w->controls()[static_cast<std::size_t>(w->FocusedControl())].Label(), L"dtpDueDate");
    w->Keys(L"Alt+J Enter Esc Alt+I");
    EXPECT_EQ(clicks, (Strings{L"btnCreateTask", L"btnCancel", L"btnEditTask"}));
    // The calendar and the priority bar have their windows.
    EXPECT_NE(w->Listing().find(L"barPriority PriorityBar \"normal\""), std::wstring::npos);
    connections.clear();
}

}  // namespace
}  // namespace brisko::testing
