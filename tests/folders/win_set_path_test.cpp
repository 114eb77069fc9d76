// CLinkLabel_SetPath on the dialogs' link label over its Win32 control under Wine: every width is
// the control's own DrawText measure, and the test's maxima come from GDI's measure of the same
// captions in the label's font, so the boundaries hold whatever fonts the system has.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "addin/dialogs/CLinkLabel.h"
#include "addin/folders/mMain.h"
#include "addin/host/globals.h"
#include "automation/text.h"
#include "platform/sim/sim_platform.h"
#include "platform/win/win_link_label.h"
#include "win_test_frame.h"

namespace brisko {
namespace {

using Strings = std::vector<std::wstring>;
using win::WinLinkLabelViews;

using test_support::Frame;
using test_support::Instance;

// The link label seen late bound, as the path fitting sees it, with every caption it is given.
class RecordingLabel final : public Object {
public:
    explicit RecordingLabel(std::shared_ptr<CLinkLabel> label) : label_(std::move(label)) {}
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (kind == CallKind::Put && EqualsNoCase(name, L"Caption") && !args.empty()) {
            captions.push_back(args.at(0).AsString());
        }
        return label_->Invoke(name, kind, args);
    }
    Strings captions;

private:
    std::shared_ptr<CLinkLabel> label_;
};

// "...\" and the first L characters of the name and "...", for L = length - 1 down to 1.
Strings Shortened(const std::wstring& name) {
    Strings out;
    for (std::size_t len = name.size(); len-- > 1;) out.push_back(L"...\\" + name.substr(0, len) + L"...");
    return out;
}

Strings Concat(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

constexpr wchar_t kSmallest[] = L"(click to choose a folder)";

class WinSetPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        ReleaseProcessObjects();
        platform.Install();
        ASSERT_NE(frame.window, nullptr);
        link = CLinkLabel::Create(views, reinterpret_cast<std::uintptr_t>(frame.window));
        control = reinterpret_cast<HWND>(link->View().Window());
        label = GetWindow(control, GW_CHILD);
        ASSERT_NE(label, nullptr);
        link->Move(300, 450);
        tpp = link->View().TwipsPerPixelX();
        ASSERT_GT(tpp, 0);
    }
    void TearDown() override {
        for (const auto& r : platform.torvik.log()) {
            EXPECT_NE(r.level, 3) << ToUtf8(r.procedure + L": " + r.message);
        }
        link.reset();
        ReleaseProcessObjects();
        SetPlatform(Platform{});
    }

    // The text's width in the label's font: GDI's pixels, in twips.
    int Px(const std::wstring& text) {
        HDC dc = GetDC(label);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(label, dc);
        return size.cx;
    }
    int Tw(const std::wstring& text) { return Px(text) * tpp; }

    // Fits the path and returns the captions tried, in order.
    Strings Fit(const std::wstring& path, double maxTwips) {
        auto recorder = std::make_shared<RecordingLabel>(link);
        CLinkLabel_SetPath(recorder, path, maxTwips, kSmallest);
        return recorder->captions;
    }

    // Fits the path into maxTwips and checks the result against the candidates' GDI widths: the
    // candidates are tried in order up to the first no wider than the maximum, which stays, sized
    // to its text; when none is, the smallest text stays whatever its width. Returns the caption.
    std::wstring ExpectFit(const std::wstring& path, double maxTwips, const Strings& candidates) {
        SCOPED_TRACE(::testing::Message() << "max " << maxTwips << " twips, path " << ToUtf8(path));
        Strings expected;
        for (const auto& c : candidates) {
            expected.push_back(c);
            if (Tw(c) <= maxTwips) break;
        }
        if (Tw(expected.back()) > maxTwips) expected.push_back(kSmallest);
        EXPECT_EQ(Fit(path, maxTwips), expected);
        const std::wstring& kept = expected.back();
        EXPECT_EQ(link->Caption(), kept);
        EXPECT_TRUE(link->AutoSize());
        EXPECT_EQ(link->Width(), Tw(kept));
        RECT r{};
        GetWindowRect(control, &r);
        EXPECT_EQ(r.right - r.left, Px(kept));
        wchar_t shown[256] = {};
        GetWindowTextW(label, shown, 256);
        EXPECT_EQ(std::wstring(shown), kept);
        return kept;
    }

    // Each candidate at its own width, one twip and one pixel below it.
    void ExpectEveryBoundary(const std::wstring& path, const Strings& candidates) {
        for (const auto& c : candidates) {
            const int w = Tw(c);
            ExpectFit(path, w, candidates);
            ExpectFit(path, w - 1, candidates);
            ExpectFit(path, w - tpp, candidates);
        }
    }

    sim::SimPlatform platform;
    WinLinkLabelViews views{reinterpret_cast<std::uintptr_t>(Instance())};
    Frame frame{L"Folder paths"};
    std::shared_ptr<CLinkLabel> link;
    HWND control = nullptr;
    HWND label = nullptr;
    int tpp = 0;
};

TEST_F(WinSetPathTest, EachShortenedFormStaysAtItsOwnWidthAndGivesWayBelowIt) {
    const std::wstring path = L"\\\\Mailbox - Anna Berg\\Inbox\\Projects\\Alpha 2026";
    const Strings names = {path, L"Mailbox - Anna Berg\\...\\Projects\\Alpha 2026", L"Mailbox - Anna Berg\\...\\Alpha 2026",
                           L"...\\Alpha 2026"};
    // Each form drops text of the one before, so it is narrower: at its own width it stays, one
    // twip less and the next one does.
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_GT(Px(names[i]), 0);
        if (i > 0) {
            ASSERT_LT(Px(names[i]), Px(names[i - 1]));
        }
        EXPECT_EQ(ExpectFit(path, Tw(names[i]), Concat(names, Shortened(L"Alpha 2026"))), names[i]);
        if (i + 1 < names.size()) {
            EXPECT_EQ(ExpectFit(path, Tw(names[i]) - 1, Concat(names, Shortened(L"Alpha 2026"))), names[i + 1]);
        }
    }
    ExpectEveryBoundary(path, Concat(names, Shortened(L"Alpha 2026")));

    // Five names, two of them outside ASCII: the middle ones give way one at a time.
    const std::wstring deep = L"\\\\Postfach\\Posteingang\\Entwürfe\\Übersicht\\Berichte";
    ExpectEveryBoundary(deep, Concat({deep, L"Postfach\\...\\Entwürfe\\Übersicht\\Berichte",
                                      L"Postfach\\...\\Übersicht\\Berichte", L"Postfach\\...\\Berichte",
                                      L"...\\Berichte"},
                                     Shortened(L"Berichte")));
}

TEST_F(WinSetPathTest, OneNameThatDoesNotFitGoesStraightToCharacterShortening) {
    const std::wstring path = L"\\\\Mailbox - Anna Berg";
    const Strings candidates = Concat({path}, Shortened(L"Mailbox - Anna Berg"));
    // One twip too narrow for the whole path: the next caption tried is the name cut by a character.
    const Strings tried = Fit(path, Tw(path) - 1);
    ASSERT_GE(tried.size(), 2u);
    EXPECT_EQ(tried[1], L"...\\Mailbox - Anna Ber...");
    EXPECT_EQ(ExpectFit(path, Tw(L"...\\Mail..."), candidates), L"...\\Mail...");
    ExpectEveryBoundary(path, candidates);
}

TEST_F(WinSetPathTest, WhenNothingFitsTheSmallestTextStaysWhateverItsWidth) {
    const std::wstring path = L"\\\\Mailbox\\Inbox\\Projects";
    const Strings candidates =
        Concat({path, L"Mailbox\\...\\Projects", L"...\\Projects"}, Shortened(L"Projects"));
    int narrowest = Tw(candidates.front());
    for (const auto& c : candidates) narrowest = std::min(narrowest, Tw(c));
    ASSERT_LT(narrowest, Tw(kSmallest));
    EXPECT_EQ(ExpectFit(path, narrowest - 1, candidates), kSmallest);
    EXPECT_EQ(ExpectFit(path, 0, candidates), kSmallest);
    EXPECT_GT(link->Width(), 0);

    // A last name of one character has no shorter form.
    const std::wstring oneChar = L"\\\\Mailbox\\Inbox\\X";
    EXPECT_EQ(Fit(oneChar, Tw(L"...\\X") - 1), (Strings{oneChar, L"Mailbox\\...\\X", L"...\\X", kSmallest}));
    EXPECT_EQ(link->Caption(), kSmallest);
    EXPECT_EQ(link->Width(), Tw(kSmallest));
}

TEST_F(WinSetPathTest, AWideLabelKeepsTheFullPathAsItIsWritten) {
    // Wider than the dialog itself: the control grows past its parent's edge.
    const std::wstring path =
        L"\\\\Mailbox - Anna Berg\\Inbox\\Projects\\Alpha 2026\\Customer correspondence\\Quarterly reports";
    RECT frameRect{};
    GetClientRect(frame.window, &frameRect);
    ASSERT_GT(Px(path), frameRect.right);
    EXPECT_EQ(ExpectFit(path, 1e6, {path}), path);
    EXPECT_EQ(ExpectFit(path, Tw(path), {path}), path);

    // An ampersand is shown and measured as itself, not as a mnemonic: one twip less than its
    // width with the ampersand and the full path gives way.
    const std::wstring amp = L"\\\\Mailbox\\Q&A\\Входящие";
    ASSERT_GT(Px(amp), Px(L"\\\\Mailbox\\QA\\Входящие"));
    EXPECT_EQ(ExpectFit(amp, Tw(amp), {amp}), amp);
    EXPECT_EQ(ExpectFit(amp, Tw(amp) - 1, {amp, L"Mailbox\\...\\Входящие"}), L"Mailbox\\...\\Входящие");
}

}  // namespace
}  // namespace brisko
