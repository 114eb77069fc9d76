// Link label windows in memory: what the label shows, the timer, a simulated mouse.
//
// Text metric (deterministic, at kTwipsPerPixel = 15 twips per pixel): every character is
// kCharWidthPx = 6 pixels wide (kBoldCharWidthPx = 7 in bold), a line is kLineHeightPx = 13 pixels
// high. A caption measures as its longest line ("\n" or "\r\n" separate lines) by the number of
// lines; an empty caption is one line high and 0 wide. "abc" measures 270 x 195 twips.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/link_label.h"

namespace brisko::sim {

class SimLinkLabelViews;

class SimLinkLabelView final : public LinkLabelView {
public:
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int kCharWidthPx = 6;
    static constexpr int kBoldCharWidthPx = 7;
    static constexpr int kLineHeightPx = 13;

    SimLinkLabelView(SimLinkLabelViews& owner, std::uintptr_t parent, LinkLabelEvents& events);
    ~SimLinkLabelView() override;
    SimLinkLabelView(const SimLinkLabelView&) = delete;
    SimLinkLabelView& operator=(const SimLinkLabelView&) = delete;

    // What the window shows.
    std::uintptr_t parent = 0;
    std::wstring caption;
    std::uint32_t foreColor = 0;
    std::uint32_t backColor = 0;
    bool underline = false;
    bool bold = false;
    bool enabled = true;
    bool visible = true;
    std::wstring toolTip;
    TwipsRect label;
    // A new control is 1200 x 255 twips at (0, 0), as a container places it at first.
    TwipsRect control{0, 0, 1200, 255};
    bool timerRunning = false;
    int timerStarts = 0;
    // The next timer starts fail (run-time error 6, as an exhausted timer pool).
    bool failTimerStart = false;
    // The cursor, relative to the control.
    TwipsPoint cursor{-10000, -10000};
    // The button held down over the label, 0 when none.
    int pressed = 0;

    // The simulated user. Moving the mouse sends the label a mouse move when the cursor lands on
    // it (a hidden or disabled label gets nothing).
    void MoveMouse(TwipsPoint to);
    // Button down and up where the cursor is: the label's mouse down, and its click when the
    // button went down over it and comes up over it.
    void Press(int button);
    void Release(int button);
    void Click(int button) {
        Press(button);
        Release(button);
    }
    // One timer interval: a tick when the timer runs. True when it ticked.
    bool Tick();
    // The container resizes the control.
    void Resize(int width, int height) { SetControlRect({control.left, control.top, width, height}); }
    bool OverLabel() const;

    void SetCaption(const std::wstring& text) override { caption = text; }
    void SetForeColor(std::uint32_t color) override { foreColor = color; }
    void SetBackColor(std::uint32_t color) override { backColor = color; }
    void SetUnderline(bool on) override { underline = on; }
    void SetBold(bool on) override { bold = on; }
    void SetEnabled(bool on) override { enabled = on; }
    void SetToolTip(const std::wstring& text) override { toolTip = text; }
    void SetVisible(bool on) override { visible = on; }
    bool Visible() const override { return visible; }
    TwipsSize MeasureCaption() override;
    TwipsRect LabelRect() const override { return label; }
    void SetLabelRect(const TwipsRect& rect) override { label = rect; }
    TwipsRect ControlRect() const override { return control; }
    void SetControlRect(const TwipsRect& rect) override;
    void StartTimer() override;
    void StopTimer() override { timerRunning = false; }
    TwipsPoint CursorPosition() const override { return cursor; }
    int TwipsPerPixelX() const override { return kTwipsPerPixel; }
    int TwipsPerPixelY() const override { return kTwipsPerPixel; }
    std::uintptr_t Window() const override { return 0; }

private:
    SimLinkLabelViews& owner_;
    LinkLabelEvents& events_;
};

class SimLinkLabelViews final : public LinkLabelViews {
public:
    SimLinkLabelViews() = default;
    SimLinkLabelViews(const SimLinkLabelViews&) = delete;
    SimLinkLabelViews& operator=(const SimLinkLabelViews&) = delete;

    std::unique_ptr<LinkLabelView> Create(std::uintptr_t parent, LinkLabelEvents& events) override;

    // The windows alive, in order of creation; the last one made, or null.
    const std::vector<SimLinkLabelView*>& live() const { return live_; }
    SimLinkLabelView* last() const { return live_.empty() ? nullptr : live_.back(); }
    int created = 0;
    // The next Create raises 429, as a window that can't be made.
    bool failCreate = false;

private:
    friend class SimLinkLabelView;
    std::vector<SimLinkLabelView*> live_;
};

}  // namespace brisko::sim
