// CLinkLabel on its Win32 control under Wine: real windows, GDI fonts and colours, the window
// timer and the cursor. The mouse and the timer are driven by their messages.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "addin/dialogs/CLinkLabel.h"
#include "automation/error.h"
#include "platform/sim/sim_platform.h"
#include "platform/win/win_link_label.h"
#include "win_png.h"
#include "win_test_frame.h"

namespace brisko {
namespace {

using win::WinLinkLabelViews;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kPurple = RGB(85, 26, 139);

using test_support::Frame;
using test_support::Instance;

class WinLinkLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform.Install();
        ASSERT_NE(frame.window, nullptr);
        link = CLinkLabel::Create(views, reinterpret_cast<std::uintptr_t>(frame.window));
        control = reinterpret_cast<HWND>(link->View().Window());
        label = GetWindow(control, GW_CHILD);
        ASSERT_NE(label, nullptr);
        connection = link->ConnectEvents([this](std::wstring_view event, Args&) {
            events.emplace_back(event);
            if (onEvent) onEvent();
        });
        link->Move(300, 450);  // (20, 30) pixels in the frame
        link->SetCaption(L"\\\\Mailbox\\Inbox\\Projects");
        link->SetAutoSize(true);
    }
    void TearDown() override {
        connection.Disconnect();
        link.reset();
        SetPlatform(Platform{});
    }

    void Mouse(UINT msg, int x, int y, WPARAM keys = 0) { SendMessageW(label, msg, keys, MAKELPARAM(x, y)); }
    void Click(UINT down, UINT up, int x = 3, int y = 3) {
        Mouse(down, x, y);
        Mouse(up, x, y);
    }
    // The cursor on the label's pixel (x, y), or far off it.
    void CursorOnLabel(int x, int y) {
        POINT pt{x, y};
        ClientToScreen(label, &pt);
        SetCursorPos(pt.x, pt.y);
    }
    void CursorAway() { SetCursorPos(5, 5); }
    void Tick() { SendMessageW(control, WM_TIMER, WinLinkLabelViews::kTimerId, 0); }
    // The colours the label paints with, as WM_CTLCOLORSTATIC gives them.
    std::pair<COLORREF, COLORREF> Colours() {
        HDC dc = CreateCompatibleDC(nullptr);
        SendMessageW(control, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
        const auto colours = std::make_pair(GetTextColor(dc), GetBkColor(dc));
        DeleteDC(dc);
        return colours;
    }
    COLORREF Fore() { return Colours().first; }
    LOGFONTW LabelFont() {
        LOGFONTW lf{};
        auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
        EXPECT_NE(font, nullptr);
        GetObjectW(font, sizeof lf, &lf);
        return lf;
    }
    bool Underlined() { return LabelFont().lfUnderline != 0; }
    // Whether the hover timer runs (it is stopped by the check).
    bool TimerWasRunning() { return KillTimer(control, WinLinkLabelViews::kTimerId) != 0; }
    // The text's extent in the label's font, in pixels.
    SIZE Extent(const std::wstring& text) {
        HDC dc = GetDC(label);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(label, dc);
        return size;
    }
    RECT WindowRectIn(HWND w, HWND in) {
        RECT r{};
        GetWindowRect(w, &r);
        MapWindowPoints(HWND_DESKTOP, in, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    sim::SimPlatform platform;
    WinLinkLabelViews views{reinterpret_cast<std::uintptr_t>(Instance())};
    Frame frame{L"Link labels"};
    std::shared_ptr<CLinkLabel> link;
    HWND control = nullptr;
    HWND label = nullptr;
    EventConnection connection;
    std::vector<std::wstring> events;
    std::function<void()> onEvent;
};

TEST_F(WinLinkLabelTest, AWindowOfTheAddinsClassWithAStaticLabelInTheDialogFont) {
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    EXPECT_STREQ(name, L"BriskoLinkLabel");
    GetClassNameW(label, name, 64);
    EXPECT_EQ(lstrcmpiW(name, L"Static"), 0);
    EXPECT_TRUE(GetWindowLongW(label, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(GetParent(control), frame.window);
    EXPECT_STREQ(LabelFont().lfFaceName, L"Tahoma");
    EXPECT_EQ(LabelFont().lfWeight, FW_NORMAL);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(link->View().TwipsPerPixelX(), 1440 / GetDeviceCaps(screen, LOGPIXELSX));
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(Colours(), std::make_pair(kBlue, GetSysColor(COLOR_BTNFACE)));
}

TEST_F(WinLinkLabelTest, HoverColoursAndUnderlineTheTimerEndsIt) {
    const int tpp = link->View().TwipsPerPixelX();
    CursorOnLabel(3, 3);
    Mouse(WM_MOUSEMOVE, 3, 3);
    EXPECT_TRUE(link->Hovering());
    EXPECT_EQ(Fore(), kRed);
    EXPECT_TRUE(Underlined());
    // A tick with the cursor still over the label keeps the hover.
    Tick();
    EXPECT_TRUE(link->Hovering());
    // The cursor leaves without the label noticing: the next tick ends the hover.
    CursorAway();
    Tick();
    EXPECT_FALSE(link->Hovering());
    EXPECT_EQ(Fore(), kBlue);
    EXPECT_FALSE(Underlined());
    EXPECT_FALSE(TimerWasRunning());
    // Mouse positions are the label's, mapped into the control: the last pixel column is inside.
    RECT rc{};
    GetClientRect(control, &rc);
    Mouse(WM_MOUSEMOVE, rc.right - 1, rc.bottom - 1);
    EXPECT_TRUE(link->Hovering());
    EXPECT_TRUE(TimerWasRunning());
    EXPECT_EQ(link->Width(), rc.right * tpp);
}

TEST_F(WinLinkLabelTest, LeftClickRightClickAndOtherButtons) {
    CursorOnLabel(3, 3);
    Mouse(WM_MOUSEMOVE, 3, 3);
    bool timerDuringEvent = true;
    onEvent = [&] { timerDuringEvent = KillTimer(control, WinLinkLabelViews::kTimerId) != 0; };
    Click(WM_RBUTTONDOWN, WM_RBUTTONUP);
    EXPECT_EQ(events, (std::vector<std::wstring>{L"OnRightClick"}));
    EXPECT_FALSE(timerDuringEvent);
    EXPECT_FALSE(link->Clicked());
    EXPECT_TRUE(TimerWasRunning());  // restarted after the event
    Click(WM_MBUTTONDOWN, WM_MBUTTONUP);
    EXPECT_EQ(events.size(), 1u);
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP);
    EXPECT_EQ(events, (std::vector<std::wstring>{L"OnRightClick", L"OnClick"}));
    EXPECT_FALSE(timerDuringEvent);
    EXPECT_TRUE(TimerWasRunning());
    // The second press of a double click is no click; a button released off the label neither.
    Click(WM_LBUTTONDBLCLK, WM_LBUTTONUP);
    Mouse(WM_LBUTTONDOWN, 3, 3);
    Mouse(WM_LBUTTONUP, -20, 3);
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(Fore(), kRed);
    CursorAway();
    Mouse(WM_MOUSEMOVE, -20, 3);  // outside: the hover ends at once
    EXPECT_EQ(Fore(), kPurple);
    EXPECT_FALSE(Underlined());
}

TEST_F(WinLinkLabelTest, AutoSizeMeasuresWithTheLabelsFont) {
    const int tppX = link->View().TwipsPerPixelX();
    const int tppY = link->View().TwipsPerPixelY();
    const std::wstring caption = L"\\\\Mailbox\\Inbox\\Projects";
    SIZE extent = Extent(caption);
    ASSERT_GT(extent.cx, 50);
    EXPECT_EQ(link->Width(), extent.cx * tppX);
    EXPECT_EQ(link->Height(), extent.cy * tppY);
    EXPECT_EQ(WindowRectIn(control, frame.window).left, 20);
    EXPECT_EQ(WindowRectIn(control, frame.window).right, 20 + extent.cx);
    // Late bound, as the folder path fitting does it.
    ObjectPtr o = link;
    o->Put(L"Caption", Value(L"...\\Projects"));
    o->Put(L"AutoSize", Value(true));
    EXPECT_EQ(o->Get(L"Width"), Value(static_cast<int>(Extent(L"...\\Projects").cx) * tppX));
    // Bold: the label grows with its font, the control only when AutoSize is set again.
    const int before = link->Width();
    link->SetFontBold(true);
    EXPECT_EQ(LabelFont().lfWeight, FW_BOLD);
    const SIZE bold = Extent(L"...\\Projects");
    EXPECT_GT(bold.cx * tppX, before);
    EXPECT_EQ(WindowRectIn(label, control).right, bold.cx);
    EXPECT_EQ(link->Width(), before);
    link->SetAutoSize(true);
    EXPECT_EQ(link->Width(), bold.cx * tppX);
    // The container's resize makes the label fill the control.
    SetWindowPos(control, nullptr, 0, 0, 150, 40, SWP_NOMOVE | SWP_NOZORDER);
    const RECT r = WindowRectIn(label, control);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 150);
    EXPECT_EQ(r.bottom, 40);
}

BOOL CALLBACK FindTooltip(HWND w, LPARAM found) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    if (lstrcmpiW(name, TOOLTIPS_CLASSW) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = w;
    return FALSE;
}

TEST_F(WinLinkLabelTest, ColoursUnderlineEnabledAndTooltip) {
    link->SetBackColor(0x00FFFF);
    EXPECT_EQ(Colours().second, RGB(255, 255, 0));
    link->SetBackColor(0x80000005u);  // the window colour
    EXPECT_EQ(Colours().second, GetSysColor(COLOR_WINDOW));
    link->SetUnderlineNormal(true);
    EXPECT_TRUE(Underlined());
    link->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(label));
    link->SetEnabled(true);
    link->SetToolTipText(L"Click to change");
    HWND tip = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindTooltip, reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t text[80] = {};
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = control;
    ti.uId = reinterpret_cast<UINT_PTR>(label);
    ti.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(text, L"Click to change");
}

TEST_F(WinLinkLabelTest, AHandlerMayCloseTheDialog) {
    onEvent = [&] {
        DestroyWindow(frame.window);
        link.reset();
    };
    CursorOnLabel(3, 3);
    Mouse(WM_MOUSEMOVE, 3, 3);
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP);
    EXPECT_EQ(events.size(), 1u);
    EXPECT_FALSE(IsWindow(control));
    EXPECT_EQ(link, nullptr);
}

TEST_F(WinLinkLabelTest, AControlWhoseWindowWentWithItsParentStillAnswers) {
    DestroyWindow(frame.window);
    EXPECT_FALSE(IsWindow(control));
    link->SetCaption(L"after");
    link->SetAutoSize(true);
    EXPECT_EQ(link->Width(), 0);
    EXPECT_FALSE(link->Visible());
}

TEST(WinLinkLabelViewsTest, WithoutAParentTheControlIsAWindowOfItsOwn) {
    sim::SimPlatform platform;
    platform.Install();
    {
        WinLinkLabelViews views(reinterpret_cast<std::uintptr_t>(Instance()));
        auto link = CLinkLabel::Create(views, 0);
        HWND w = reinterpret_cast<HWND>(link->View().Window());
        EXPECT_TRUE(IsWindow(w));
        EXPECT_EQ(GetParent(w), nullptr);
        link.reset();
        EXPECT_FALSE(IsWindow(w));
    }
    // The class went with the views that registered it.
    WNDCLASSW wc{};
    EXPECT_FALSE(GetClassInfoW(Instance(), WinLinkLabelViews::kClassName, &wc));
    SetPlatform(Platform{});
}

// --- A picture of a hovered and a normal link label -------------------------------------

// Pixels in the rectangle near the colour (each channel within 60).
int CountNear(const std::vector<unsigned char>& rgb, int width, const RECT& r, COLORREF c) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const unsigned char* p = &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                           static_cast<std::size_t>(x)) * 3];
            if (std::abs(p[0] - GetRValue(c)) < 60 && std::abs(p[1] - GetGValue(c)) < 60 &&
                std::abs(p[2] - GetBValue(c)) < 60) {
                ++n;
            }
        }
    }
    return n;
}

TEST_F(WinLinkLabelTest, PictureOfAHoveredAndANormalLabel) {
    auto normal = CLinkLabel::Create(views, reinterpret_cast<std::uintptr_t>(frame.window));
    normal->Move(300, 1200);  // (20, 80) pixels
    normal->SetCaption(L"Inbox\\Projects (normal)");
    normal->SetAutoSize(true);
    link->SetCaption(L"\\\\Mailbox\\Inbox (hovered)");
    link->SetAutoSize(true);
    CursorOnLabel(3, 3);
    Mouse(WM_MOUSEMOVE, 3, 3);
    ASSERT_TRUE(link->Hovering());
    RedrawWindow(frame.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    int width = 0, height = 0;
    const std::vector<unsigned char> rgb = test_support::CaptureClient(frame.window, width, height);
    ASSERT_EQ(rgb.size(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    const RECT hovered = WindowRectIn(control, frame.window);
    const RECT plain = WindowRectIn(reinterpret_cast<HWND>(normal->View().Window()), frame.window);
    EXPECT_GT(CountNear(rgb, width, hovered, kRed), 20);
    EXPECT_EQ(CountNear(rgb, width, hovered, kBlue), 0);
    EXPECT_GT(CountNear(rgb, width, plain, kBlue), 20);
    EXPECT_EQ(CountNear(rgb, width, plain, kRed), 0);
    // The underline: a row of the hovered label's lower part that is red nearly across the text.
    int longestRedRow = 0;
    for (int y = hovered.top; y < hovered.bottom; ++y) {
        longestRedRow = std::max(longestRedRow, CountNear(rgb, width, {hovered.left, y, hovered.right, y + 1}, kRed));
    }
    EXPECT_GT(longestRedRow, (hovered.right - hovered.left) * 3 / 4);

    EXPECT_TRUE(test_support::WritePng(L"link-label-screenshot.png", width, height, rgb));
}

}  // namespace
}  // namespace brisko
