// Form windows in memory: what each window shows, and drivers that act as a user's input does
// (typing, clicks, check boxes, dates, priorities, drop-down lists, keys, the close box), the
// way a dialog window and IsDialogMessage turn input into its form's events.
//
// Drivers name a control as "name" or "name(index)" (without regard to case) and raise run-time
// error 5 with a description when a user could not do it (no such control, hidden, disabled,
// the window hidden, a list entry that isn't there).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/value.h"
#include "platform/form_window.h"

namespace brisko::sim {

class SimLinkLabelView;

// How the in-memory window activates the controls library's objects it makes, and how the
// user's input reaches them. The controls' in-memory twins plug in here.
class SimControlSite {
public:
    virtual ~SimControlSite() = default;
    // In-place activation: the object gets its window of this size in pixels (again: resized).
    virtual void Activate(const ObjectPtr& control, int widthPx, int heightPx) = 0;
    virtual void Deactivate(const ObjectPtr& control) noexcept = 0;
    // The user picks a date (calendar or date picker) or a priority (0 low, 1 normal, 2 high).
    // False when the control can't take it.
    virtual bool PickDate(const ObjectPtr& control, Date date) = 0;
    virtual bool ChoosePriority(const ObjectPtr& control, int priority) = 0;
};

class SimFormWindows;

class SimFormWindow final : public FormWindow, public std::enable_shared_from_this<SimFormWindow> {
public:
    // One control as the window shows it.
    struct Control {
        ControlSetup setup;  // kept up to date by the setters
        ObjectPtr object;  // ActiveX
        SimLinkLabelView* link = nullptr;  // LinkLabel
        std::vector<std::wstring> list;  // ComboBox
        int selected = -1;
        bool droppedDown = false;
        int selStart = 0;
        int selLength = 0;
        std::vector<std::uint8_t> picture;  // the picture file's bytes, empty for none
        std::wstring Label() const;  // "name" or "name(index)"
    };

    SimFormWindow(SimFormWindows& owner, std::uintptr_t handle, std::wstring formName, std::wstring caption,
                  const TwipsRect& rect, FormWindowEvents& events);
    ~SimFormWindow() override;
    SimFormWindow(const SimFormWindow&) = delete;
    SimFormWindow& operator=(const SimFormWindow&) = delete;

    // What the window shows.
    const std::wstring& formName() const noexcept { return formName_; }
    const std::wstring& caption() const noexcept { return caption_; }
    const TwipsRect& rect() const noexcept { return rect_; }
    bool enabled() const noexcept { return enabled_; }
    bool topmost() const noexcept { return topmost_; }
    bool ownerCleared() const noexcept { return ownerCleared_; }
    bool active() const noexcept { return active_; }
    bool destroyed() const noexcept { return destroyed_; }
    int showCount() const noexcept { return showCount_; }
    // The keyboard-cue messages received: message, wParam.
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& uiState() const noexcept { return uiState_; }
    const std::vector<Control>& controls() const noexcept { return controls_; }
    // The control of that name ("name" or "name(index)"), or nothing.
    const Control* Find(std::wstring_view label) const;
    // The controls in tab order (ascending TabIndex).
    std::vector<const Control*> TabOrder() const;
    // The text of a control as the user sees it: caption, text, value ("checked", a date, a
    // priority), or the link label's caption.
    std::wstring Shown(const Control& control) const;
    // The dialog: the caption, then each control except lines in tab order, one a line:
    //   <name> <kind> "<shown text>" [disabled] [hidden] [default] [cancel] [focus]
    // with a ComboBox's list after it ("  list: a | b | c", the selected entry in brackets).
    std::wstring Listing() const;

    // The simulated user.
    void Type(std::wstring_view control, const std::wstring& text);  // focus there, replace the text
    void Click(std::wstring_view control, int button = kLinkButtonLeft);
    void Check(std::wstring_view control, bool on);  // a click when the box isn't that already
    void PickDate(std::wstring_view control, Date date);
    void ChoosePriority(std::wstring_view control, int priority);
    void DropDown(std::wstring_view control);  // the list opens (DropDown first)
    void Pick(std::wstring_view control, int index);  // an entry of the open (or closed) list
    void Pick(std::wstring_view control, const std::wstring& entry);
    // Keys separated by blanks: "Enter", "Esc", "Tab", "Shift+Tab", "Alt+J", "Space".
    void Keys(std::wstring_view keys);
    void Focus(std::wstring_view control);  // a click into the control
    void Close();                            // the close box

    // FormWindow
    std::uintptr_t Handle() const override { return handle_; }
    int TwipsPerPixelX() const override;
    int TwipsPerPixelY() const override;
    ObjectPtr AddControl(const ControlSetup& setup) override;
    void AttachLinkLabel(int id, LinkLabelView& view) override;
    void SetCaption(const std::wstring& caption) override { caption_ = caption; }
    void SetRect(const TwipsRect& rect) override { rect_ = rect; }
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    void SetControlProperty(int id, ControlProperty property, const Value& value) override;
    void SetControlRect(int id, const TwipsRect& rect) override;
    void SetLineEnds(int id, TwipsPoint from, TwipsPoint to) override;
    void SetControlPicture(int id, const std::vector<std::uint8_t>& file) override { At(id).picture = file; }
    TwipsSize MeasureCaption(int id, const std::wstring& caption) override;
    void ListInsert(int id, int index, const std::wstring& text) override;
    void ListRemove(int id, int index) override;
    void ListClear(int id) override;
    void ListSelect(int id, int index) override;
    void SetFocus(int id) override;
    int FocusedControl() const override { return focused_; }
    void Show() override;
    void Hide() override;
    bool Visible() const override { return visible_; }
    void Activate() override;
    void MakeTopmost() override { topmost_ = true; }
    void ClearOwner() override { ownerCleared_ = true; }
    void SendUIState(std::uint32_t message, std::uint32_t wParam) override { uiState_.emplace_back(message, wParam); }
    void Destroy() noexcept override;

private:
    Control& At(int id);
    Control& Usable(std::wstring_view label);  // exists, visible and enabled in a shown window
    bool CanFocus(const Control& c) const;
    // Moves the focus as the user does; false when the form refused.
    bool UserFocus(int to);
    void PressButton(Control& c);
    void Mnemonic(wchar_t letter);
    void Key(std::wstring_view key);

    SimFormWindows& owner_;
    std::uintptr_t handle_;
    std::wstring formName_;
    std::wstring caption_;
    TwipsRect rect_;
    FormWindowEvents* events_;
    std::vector<Control> controls_;
    int focused_ = -1;
    bool visible_ = false;
    bool enabled_ = true;
    bool topmost_ = false;
    bool ownerCleared_ = false;
    bool active_ = false;
    bool destroyed_ = false;
    int showCount_ = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> uiState_;
};

class SimFormWindows final : public FormWindows {
public:
    explicit SimFormWindows(SimControlSite* controlSite = nullptr) : site(controlSite) {}
    SimFormWindows(const SimFormWindows&) = delete;
    SimFormWindows& operator=(const SimFormWindows&) = delete;

    std::shared_ptr<FormWindow> Create(const std::wstring& formName, const std::wstring& caption,
                                       const TwipsRect& rect, FormWindowEvents& events) override;
    int TwipsPerPixelX() const override { return twipsPerPixelX; }
    int TwipsPerPixelY() const override { return twipsPerPixelY; }

    // The windows alive, in order of creation; the last one made, or null; the newest of a form.
    const std::vector<SimFormWindow*>& live() const noexcept { return live_; }
    SimFormWindow* last() const noexcept { return live_.empty() ? nullptr : live_.back(); }
    SimFormWindow* Find(std::wstring_view formName) const;
    // The window holding a handle, or null.
    SimFormWindow* ByHandle(std::uintptr_t handle) const;

    int twipsPerPixelX = 15;
    int twipsPerPixelY = 15;
    // Activates the controls library's objects; without one they stay without a window.
    SimControlSite* site = nullptr;
    int created = 0;
    // The next Create raises 429, as a window that can't be made.
    bool failCreate = false;

private:
    friend class SimFormWindow;
    std::vector<SimFormWindow*> live_;
    std::uintptr_t nextHandle_ = 0x00F00010;
};

}  // namespace brisko::sim
