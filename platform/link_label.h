// The window of a link label: a control window with one label child and a hover timer. The
// portable control (CLinkLabel) drives it and hears from it; positions and sizes are in twips.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace brisko {

// Mouse buttons as a mouse event reports them: one bit each.
inline constexpr int kLinkButtonLeft = 1;
inline constexpr int kLinkButtonRight = 2;
inline constexpr int kLinkButtonMiddle = 4;

// The hover timer's interval.
inline constexpr int kLinkLabelTimerMs = 100;

struct TwipsPoint {
    int x = 0;
    int y = 0;
    bool operator==(const TwipsPoint&) const = default;
};

struct TwipsSize {
    int width = 0;
    int height = 0;
    bool operator==(const TwipsSize&) const = default;
};

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const TwipsRect&) const = default;
};

// What the window tells its control. Coordinates are relative to the control's window. The
// callbacks must not raise: the window calls them from its window procedure.
class LinkLabelEvents {
public:
    virtual ~LinkLabelEvents() = default;
    // The label's mouse move; button: the buttons held down.
    virtual void LabelMouseMove(int button, TwipsPoint at) noexcept = 0;
    // A button went down over the label.
    virtual void LabelMouseDown(int button, TwipsPoint at) noexcept = 0;
    // The label was clicked: the button that went down over it came up over it.
    virtual void LabelClick() noexcept = 0;
    virtual void TimerTick() noexcept = 0;
    // The control's window changed its size.
    virtual void Resized() noexcept = 0;
};

// One link label's window. Colours are OLE colours (0x00BBGGRR; 0x800000nn is system colour nn).
class LinkLabelView {
public:
    virtual ~LinkLabelView() = default;

    virtual void SetCaption(const std::wstring& caption) = 0;
    virtual void SetForeColor(std::uint32_t oleColor) = 0;
    // The label's and the control's background.
    virtual void SetBackColor(std::uint32_t oleColor) = 0;
    virtual void SetUnderline(bool underline) = 0;
    virtual void SetBold(bool bold) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual void SetToolTip(const std::wstring& text) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool Visible() const = 0;

    // The size the label's caption takes in the label's font (what auto-size gives the label).
    virtual TwipsSize MeasureCaption() = 0;
    // The label, relative to the control.
    virtual TwipsRect LabelRect() const = 0;
    virtual void SetLabelRect(const TwipsRect& rect) = 0;
    // The control, relative to its parent. Setting a new size calls Resized() before returning.
    virtual TwipsRect ControlRect() const = 0;
    virtual void SetControlRect(const TwipsRect& rect) = 0;

    // The hover timer (kLinkLabelTimerMs); Start raises a run-time error when it can't start.
    virtual void StartTimer() = 0;
    virtual void StopTimer() = 0;
    // The mouse cursor, relative to the control.
    virtual TwipsPoint CursorPosition() const = 0;

    virtual int TwipsPerPixelX() const = 0;
    virtual int TwipsPerPixelY() const = 0;
    // The control's window handle (0 in memory).
    virtual std::uintptr_t Window() const = 0;
};

// Makes link label windows.
class LinkLabelViews {
public:
    virtual ~LinkLabelViews() = default;
    // A new, visible control window, child of parent (0: a window of its own), with an empty
    // caption in the normal link colour; events must outlive the view. Raises a run-time error
    // when the window can't be made.
    virtual std::unique_ptr<LinkLabelView> Create(std::uintptr_t parent, LinkLabelEvents& events) = 0;
};

}  // namespace brisko
