// The window of one loaded form: a top-level dialog window with one child per control. The
// portable form (addin/forms: CForm, CControl) creates it when the form loads, tells it every
// property change, and hears the user's input from it. Positions and sizes are in twips; the
// window converts them with its screen's twips per pixel.
//
// Controls are numbered by the form (ControlSetup::id: the control's position in the form's
// Controls, from 0); the window refers to them by that number.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/object.h"
#include "platform/link_label.h"

namespace brisko {

// The kinds of control a form window makes.
enum class FormControlKind {
    Label,          // static text; its caption's mnemonic moves the focus to the next control in tab order
    CommandButton,  // push button; Default (Enter) and Cancel (Esc)
    CheckBox,       // two-state check box (Value 0 or 1; 2 shows grayed)
    OptionButton,
    Frame,
    TextBox,        // single-line edit field
    ComboBox,       // editable drop-down list (the form keeps the list's texts and item data)
    PictureBox,
    Image,
    Line,           // a separator line from (X1, Y1) to (X2, Y2)
    LinkLabel,      // the add-in's link label: the form makes it through Platform::linkLabels with
                    // this window as parent and attaches its view (AttachLinkLabel)
    ActiveX,        // a control of the controls library, made by the window from its class id
};

// What a control is when the window creates it. Every later change comes through the setters.
struct ControlSetup {
    int id = 0;
    FormControlKind kind = FormControlKind::Label;
    std::wstring kindName;  // the form's kind name: "CommandButton", "SysMonthCal32", ...
    std::wstring name;      // "btnCancel"; with index for an element of a control array
    std::optional<int> index;
    std::wstring classId;   // ActiveX: "Kelvane.SysMonthCal32", ...
    TwipsRect rect;         // Line: the bounding box of its two ends
    TwipsPoint lineFrom, lineTo;  // Line only
    std::wstring caption;   // Label, CommandButton, CheckBox, OptionButton, Frame
    std::wstring text;      // TextBox, ComboBox
    int value = 0;          // CheckBox, OptionButton: 0, 1 (2 grayed)
    bool visible = true;
    bool enabled = true;
    bool fontBold = false;
    bool isDefault = false;  // CommandButton
    bool isCancel = false;   // CommandButton
    bool tabStop = true;     // Label, Line, Frame, Image never take the focus
    int tabIndex = 0;        // unique among the form's controls; the tab order ascends
    std::wstring toolTipText;
};

// Properties told after creation (Line ends and rectangles have setters of their own).
enum class ControlProperty {
    Caption,      // string
    Text,         // string (TextBox, ComboBox's edit field)
    Value,        // integer (CheckBox, OptionButton)
    Visible,      // boolean
    Enabled,      // boolean
    FontBold,     // boolean
    Default,      // boolean (CommandButton)
    Cancel,       // boolean (CommandButton)
    TabStop,      // boolean
    TabIndex,     // integer
    ToolTipText,  // string
    SelStart,     // integer (TextBox, ComboBox): the caret, in characters
    SelLength,    // integer (TextBox, ComboBox): the selection's length from SelStart
};

// How a close or unload started (a form's QueryUnload argument).
enum UnloadMode { vbFormControlMenu = 0, vbFormCode = 1, vbAppWindows = 2, vbAppTaskManager = 3, vbFormMDIForm = 4 };

// Key codes of the keys a form hears (Windows virtual-key codes); shift state bits.
inline constexpr int kKeyTab = 0x09;
inline constexpr int kKeyReturn = 0x0D;
inline constexpr int kKeyEscape = 0x1B;
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;

// The window's messages for keyboard cues (SetUIState): WM_CHANGEUISTATE and WM_UPDATEUISTATE,
// wParam = action | flags << 16 with UIS_SET 1, UIS_CLEAR 2, UISF_HIDEFOCUS 1, UISF_HIDEACCEL 2.
inline constexpr std::uint32_t kWmChangeUIState = 0x127;
inline constexpr std::uint32_t kWmUpdateUIState = 0x128;
inline constexpr std::uint32_t kUisSet = 1;
inline constexpr std::uint32_t kUisClear = 2;
inline constexpr std::uint32_t kUisfHideFocus = 0x10000;
inline constexpr std::uint32_t kUisfHideAccel = 0x20000;

// What the window tells its form: the user's input and what follows from it. The window calls
// these from its message handling; they must not raise. The form may unload inside any of them:
// the window is then destroyed (Destroy) before the call returns, and must touch nothing of its
// own afterwards except through a reference it holds to itself.
class FormWindowEvents {
public:
    virtual ~FormWindowEvents() = default;
    // The user changed a TextBox's or ComboBox's edit text (each keystroke, a paste, a cut).
    virtual void UserTextChanged(int id, const std::wstring& text) noexcept = 0;
    // A CommandButton was pressed (mouse, space, Enter as the default button, Esc as the cancel
    // button, its mnemonic), a Label clicked. button: kLinkButtonLeft or kLinkButtonRight.
    virtual void UserClicked(int id, int button) noexcept = 0;
    // The user toggled a CheckBox or chose an OptionButton: its new value (0 or 1).
    virtual void UserValueChanged(int id, int value) noexcept = 0;
    // A ComboBox's list is about to drop down (before it shows).
    virtual void UserDroppedDown(int id) noexcept = 0;
    // The user picked the list entry at index (from 0) of a ComboBox; its edit field shows it.
    virtual void UserPicked(int id, int index) noexcept = 0;
    // The user moves the focus from one control to another (Tab, a click, a mnemonic); -1 for no
    // control. False: the form refused (its control's Validate cancelled) and the focus stays.
    virtual bool UserFocusChanging(int from, int to) noexcept = 0;
    // The focus moved, for whatever reason (after UserFocusChanging, SetFocus, activation).
    virtual void FocusMoved(int from, int to) noexcept = 0;
    // A key went down in a control (before the window's own handling of Tab, Enter, Esc and
    // mnemonics); shift: kShiftMask | kCtrlMask | kAltMask.
    virtual void UserKeyDown(int id, int keyCode, int shift) noexcept = 0;
    // The close box (or Alt+F4): the form decides whether it unloads.
    virtual void UserClosing() noexcept = 0;
    // The window became the active window.
    virtual void Activated() noexcept = 0;
};

// The window of one form. Made hidden, with no control; the form adds every control before its
// Load runs, then sets what changes. Setters raise a run-time error only where noted.
class FormWindow {
public:
    virtual ~FormWindow() = default;

    // The window handle (a number of its own in memory; never 0 while the window exists).
    virtual std::uintptr_t Handle() const = 0;
    virtual int TwipsPerPixelX() const = 0;
    virtual int TwipsPerPixelY() const = 0;

    // Creates a control. For FormControlKind::ActiveX the control's object is made from its class
    // id, given its window (in-place active, hidden while the form is hidden) and returned, late
    // bound; for every other kind the result is nothing. Raises 429 when the class can't be made,
    // or another run-time error when the window can't be.
    virtual ObjectPtr AddControl(const ControlSetup& setup) = 0;
    // The link label's view that the form made for control id, with this window as its parent.
    virtual void AttachLinkLabel(int id, LinkLabelView& view) = 0;

    // The form itself. The rectangle is the window's outer one, relative to the screen.
    virtual void SetCaption(const std::wstring& caption) = 0;
    virtual void SetRect(const TwipsRect& rect) = 0;
    virtual void SetEnabled(bool enabled) = 0;

    // A control's property, position and size (relative to the form's client area), line ends.
    virtual void SetControlProperty(int id, ControlProperty property, const Value& value) = 0;
    virtual void SetControlRect(int id, const TwipsRect& rect) = 0;
    virtual void SetLineEnds(int id, TwipsPoint from, TwipsPoint to) = 0;
    // A control's picture (CommandButton, CheckBox, PictureBox, Image): the bytes of its picture
    // file (a bitmap, as a language file names it), empty for none. A window that shows no
    // pictures may ignore it.
    virtual void SetControlPicture(int /*id*/, const std::vector<std::uint8_t>& /*file*/) {}
    // The size a Label's caption takes in the label's font (what AutoSize gives it).
    virtual TwipsSize MeasureCaption(int id, const std::wstring& caption) = 0;

    // A ComboBox's list, as the form keeps it: an entry inserted at index (from 0), removed,
    // all removed (the edit field too); the entry selected, its text in the edit field (-1: none;
    // the window may clear the edit field then: the form sends the text after the selection).
    virtual void ListInsert(int id, int index, const std::wstring& text) = 0;
    virtual void ListRemove(int id, int index) = 0;
    virtual void ListClear(int id) = 0;
    virtual void ListSelect(int id, int index) = 0;

    // The focus: to control id (raises 5 when it can't take it: hidden, disabled, or the form is
    // hidden), and the control that has it (-1: none of this form's).
    virtual void SetFocus(int id) = 0;
    virtual int FocusedControl() const = 0;

    // Shows the window modeless and activates it (the first control in tab order that can take
    // the focus gets it when none has it); hides it.
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool Visible() const = 0;
    // Makes it the active window.
    virtual void Activate() = 0;
    // Above all non-topmost windows, without moving or sizing it.
    virtual void MakeTopmost() = 0;
    // Detaches the window from its owner window (it then has none).
    virtual void ClearOwner() = 0;
    // Sends the window kWmChangeUIState or kWmUpdateUIState with wParam (keyboard cues).
    virtual void SendUIState(std::uint32_t message, std::uint32_t wParam) = 0;

    // Destroys the window and its controls' windows; the ActiveX controls are deactivated and
    // released by the window. After it the window calls no event and the form drops it.
    virtual void Destroy() noexcept = 0;
};

// Makes form windows.
class FormWindows {
public:
    virtual ~FormWindows() = default;
    // A new hidden top-level window for the form of that name with its caption and outer
    // rectangle; events must outlive the window's Destroy. Raises a run-time error when the
    // window can't be made.
    virtual std::shared_ptr<FormWindow> Create(const std::wstring& formName, const std::wstring& caption,
                                               const TwipsRect& rect, FormWindowEvents& events) = 0;
    // The screen's twips per pixel.
    virtual int TwipsPerPixelX() const = 0;
    virtual int TwipsPerPixelY() const = 0;
};

}  // namespace brisko
