// CLinkLabel: a label that behaves like a hyperlink. It shows the hover colour and an underline
// while the mouse is over it, remembers a left click (visited colour), and raises "OnClick" for
// a left click and "OnRightClick" for a right click. Dialogs reach it late bound: every property
// by name through Invoke, the events by name through ConnectEvents.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "automation/object.h"
#include "platform/link_label.h"

namespace brisko {

// The container's property bag: what a control saves and loads by name.
class PropertyBag {
public:
    virtual ~PropertyBag() = default;
    // The value stored under the name; nothing when it is not stored.
    virtual std::optional<Value> Read(std::wstring_view name) = 0;
    virtual void Write(std::wstring_view name, const Value& value) = 0;
};

class CLinkLabel final : public Object, private LinkLabelEvents {
public:
    // Defaults of a new control.
    static constexpr std::uint32_t kDefaultBackColor = 0x8000000Fu;  // button face
    static constexpr std::uint32_t kDefaultForeColorNormal = 0xFF0000u;  // blue
    static constexpr std::uint32_t kDefaultForeColorOver = 0x0000FFu;  // red
    static constexpr std::uint32_t kDefaultForeColorClicked = 9116245u;  // purple
    // The run-time errors of its properties.
    static constexpr std::int32_t kInvalidPropertyValue = 380;
    static constexpr std::int32_t kReadOnlyProperty = 383;

    // A new control in a window of the views' making, child of parent (0: in memory or a window
    // of its own). Raises what the views raise when the window can't be made.
    static std::shared_ptr<CLinkLabel> Create(LinkLabelViews& views, std::uintptr_t parent);
    // The same on the current platform's views; 429 when the platform has none.
    static std::shared_ptr<CLinkLabel> Create(std::uintptr_t parent);
    ~CLinkLabel() override;

    CLinkLabel(const CLinkLabel&) = delete;
    CLinkLabel& operator=(const CLinkLabel&) = delete;

    // Properties. Each let notifies the property-changed handler with the property's name.
    const std::wstring& Caption() const noexcept { return caption_; }
    void SetCaption(const std::wstring& caption);
    bool AutoSize() const noexcept { return autoSize_; }
    void SetAutoSize(bool autoSize);
    std::uint32_t BackColor() const noexcept { return backColor_; }
    void SetBackColor(std::uint32_t color);
    std::uint32_t ForeColorNormal() const noexcept { return foreColorNormal_; }
    void SetForeColorNormal(std::uint32_t color);
    std::uint32_t ForeColorOver() const noexcept { return foreColorOver_; }
    void SetForeColorOver(std::uint32_t color);
    std::uint32_t ForeColorClicked() const noexcept { return foreColorClicked_; }
    void SetForeColorClicked(std::uint32_t color);
    bool UnderlineNormal() const noexcept { return underlineNormal_; }
    void SetUnderlineNormal(bool underline);
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool enabled);
    bool FontBold() const noexcept { return fontBold_; }
    void SetFontBold(bool bold);
    const std::wstring& ToolTipText() const noexcept { return toolTipText_; }
    void SetToolTipText(const std::wstring& text);
    // The control's size and place in its parent, in twips.
    int Width() const;
    int Height() const;
    int Left() const;
    int Top() const;
    void SetLeft(int left);
    void SetTop(int top);
    // Places and sizes the control (a size below 0 keeps that dimension).
    void Move(int left, int top, int width = -1, int height = -1);
    bool Visible() const;
    void SetVisible(bool visible);

    bool Hovering() const noexcept { return hovering_; }
    bool Clicked() const noexcept { return clicked_; }
    LinkLabelView& View() const noexcept { return *view_; }

    // Called with the property's name after each let.
    void SetPropertyChangedHandler(std::function<void(std::wstring_view)> handler) {
        propertyChanged_ = std::move(handler);
    }

    // Persistence: ReadProperties applies every property through its let, in a fixed order, the
    // default where the bag has none; a value the bag holds but the let refuses is logged and
    // the default applied instead. WriteProperties writes each value that differs from its
    // default.
    void ReadProperties(PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // Late binding: the properties above by name (Width and Height read only; hWnd, Hovering,
    // Clicked read only), Move(Left, Top[, Width[, Height]]).
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    // "OnClick", "OnRightClick", without arguments.
    EventConnection ConnectEvents(EventHandler handler) override;
    std::wstring TypeName() const override { return L"CLinkLabel"; }

private:
    struct Token {};

public:
    CLinkLabel(Token, LinkLabelViews& views, std::uintptr_t parent);

private:
    // LinkLabelEvents: entries from the window.
    void LabelMouseMove(int button, TwipsPoint at) noexcept override;
    void LabelMouseDown(int button, TwipsPoint at) noexcept override;
    void LabelClick() noexcept override;
    void TimerTick() noexcept override;
    void Resized() noexcept override;

    void HoverUpdate(TwipsPoint at);
    void RaiseAroundTimer(std::wstring_view event);
    void AutoSizeLabel();
    void Changed(std::wstring_view property);

    std::unique_ptr<LinkLabelView> view_;
    EventSource events_;
    std::function<void(std::wstring_view)> propertyChanged_;

    std::wstring caption_;
    bool autoSize_ = true;
    std::uint32_t backColor_ = kDefaultBackColor;
    std::uint32_t foreColorNormal_ = kDefaultForeColorNormal;
    std::uint32_t foreColorOver_ = kDefaultForeColorOver;
    std::uint32_t foreColorClicked_ = kDefaultForeColorClicked;
    bool underlineNormal_ = false;
    bool enabled_ = true;
    bool fontBold_ = false;
    std::wstring toolTipText_;

    bool hovering_ = false;
    bool clicked_ = false;
    int lastButton_ = 0;
    bool autoSizing_ = false;
};

// An OLE colour from a late-bound value: a Long (system colours are negative) or a number up to
// &HFFFFFFFF. Raises 13 for what is no number, 380 for a colour that is neither an RGB value nor
// a system colour.
std::uint32_t OleColorFromValue(const Value& value);
// The Long a late-bound caller reads (&H8000000F reads as -2147483633).
Value OleColorToValue(std::uint32_t color);

}  // namespace brisko
