// The portable model of the add-in's forms: a form with its controls, reached by name as a
// late-bound caller reaches them, and live once loaded: a window of the platform's
// (platform/form_window.h) shows it and reports the user's input. Positions and sizes are in twips.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addin/host/services.h"
#include "automation/object.h"
#include "platform/form_window.h"

namespace brisko::forms {

// The screen's twips per pixel (15 at 96 dots per inch).
int TwipsPerPixelX() noexcept;
int TwipsPerPixelY() noexcept;
void SetTwipsPerPixel(int x, int y) noexcept;

// A picture: the bytes of its file, kept as they were loaded.
class CPicture : public Object {
public:
    CPicture(std::vector<std::uint8_t> bytes, std::wstring source) : bytes_(std::move(bytes)), source_(std::move(source)) {}
    const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }
    const std::wstring& source() const noexcept { return source_; }
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return L"Picture"; }

private:
    std::vector<std::uint8_t> bytes_;
    std::wstring source_;
};

// LoadPicture: raises 53 when the file can't be opened, 481 when it is empty or unreadable.
ObjectPtr LoadPicture(const std::wstring& path);
// SavePicture: raises 75 when the file can't be written.
void SavePicture(const ObjectPtr& picture, const std::wstring& path);

// An object with a fixed set of properties. Getting or setting one it lacks raises 438.
class PropertyHolder : public Object {
public:
    // Property names as they are spelled; compared without regard to case.
    explicit PropertyHolder(const std::vector<std::wstring>& properties);

    bool Has(std::wstring_view property) const;
    Value Property(std::wstring_view property) const;
    // Stores the value (coerced to the property's type) and calls Changed with what is stored.
    void SetProperty(std::wstring_view property, const Value& value);

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;

protected:
    // After a property was set: its name as declared, its stored value, the value before.
    virtual void Changed(const std::wstring& /*property*/, const Value& /*value*/, const Value& /*before*/) {}
    // Stores without calling Changed.
    void Store(std::wstring_view property, const Value& value);

private:
    struct Slot {
        std::wstring name;
        Value value;
    };
    const Slot* Find(std::wstring_view property) const;
    std::vector<Slot> slots_;
};

class CForm;

// A control of a form. Its properties are reached by name; once its form is loaded every change
// reaches the form's window, and the user's input comes back as the control's events, by name,
// to the sinks of ConnectEvents (the form's code):
//   CommandButton  Caption, Default, Cancel, Enabled, Visible, ToolTipText, TabIndex, TabStop,
//                  FontBold, SetFocus; Click
//   CheckBox       Caption, Value (0 unchecked, 1 checked, 2 grayed; a change raises Click), ...; Click
//   TextBox        Text (a change raises Change), SelStart, SelLength, ...; Change, GotFocus,
//                  LostFocus, Validate(Cancel), KeyDown(KeyCode, Shift)
//   Label          Caption, AutoSize (sizes the label to its caption), ...; Click
//   ComboBox       an editable drop-down list: Text, AddItem(item, [index]), RemoveItem(index),
//                  Clear, ListCount, List(index), ItemData(index) get and let, ListIndex (a
//                  change raises Click), ...; Click (an entry picked), Change (text typed),
//                  DropDown, Validate(Cancel), GotFocus, LostFocus
//   Line           X1, Y1, X2, Y2, Visible
//   LinkLabel      the add-in's CLinkLabel (made on the form's window): every member that is not
//                  an extender property goes to it; its events OnClick and OnRightClick
//   SysMonthCal32, SysDateTimePick32, PriorityBar, EditBox
//                  the controls library's controls, made from their class id ("Kelvane.*"):
//                  every member that is not an extender property goes to the control's object,
//                  and its events (OnChange) to the sinks of ConnectEvents
// Extender properties, kept by the form for every kind: Name, Index (read only), Left, Top,
// Width, Height, Visible, Enabled, TabIndex, TabStop, ToolTipText. Validate's Cancel and
// KeyDown's KeyCode are by reference: a sink that sets them changes what follows. Setting a
// property in code raises the event the same change by the user raises (Text: Change; Value of
// a check box and ListIndex: Click), as on a VB form; the form's code guards where that matters.
class CControl : public PropertyHolder {
public:
    // A control of a known kind (see KindProperties), or with the properties given.
    CControl(std::wstring kind, std::wstring name, std::optional<int> index = std::nullopt);
    CControl(std::wstring kind, std::wstring name, std::optional<int> index, const std::vector<std::wstring>& properties);
    ~CControl() override;

    const std::wstring& Name() const noexcept { return name_; }
    // The index of an element of a control array; reading it of another control raises 343.
    const std::optional<int>& Index() const noexcept { return index_; }
    const std::wstring& KindName() const noexcept { return kind_; }
    // The control's class id when it is one of the controls library's ("Kelvane.PriorityBar"),
    // else "".
    std::wstring ClassId() const;
    // The form it is on (nothing once the form is gone) and its position in the form's Controls.
    CForm* Form() const noexcept { return form_; }
    int Id() const noexcept { return id_; }
    // The object behind a LinkLabel or a controls library's control while its form is loaded.
    const ObjectPtr& Inner() const noexcept { return inner_; }

    // A ComboBox's list (a control of another kind raises 438).
    int ListCount() const;
    std::wstring List(int index) const;  // 381 outside 0..ListCount-1
    std::int32_t ItemData(int index) const;
    void SetItemData(int index, std::int32_t data);
    int ListIndex() const;
    void SetListIndex(int index);  // -1..ListCount-1, else 380
    void AddItem(const std::wstring& item, std::optional<int> index = std::nullopt);  // 5 beyond ListCount
    void RemoveItem(int index);
    void ClearList();

    // Moves the focus to the control (5 when it can't take it: not loaded, hidden, disabled).
    void SetFocus();

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    // The control's events; for LinkLabel and the controls library's kinds also the inner
    // object's events.
    EventConnection ConnectEvents(EventHandler handler) override;
    std::wstring TypeName() const override { return kind_; }

    // Raises one of the control's events to its sinks. An error of a sink propagates.
    void RaiseEvent(std::wstring_view event, Args& args);
    void RaiseEvent(std::wstring_view event) {
        Args none;
        RaiseEvent(event, none);
    }

    // The properties of the kinds the add-in's forms use: Label, CommandButton, CheckBox,
    // OptionButton, Frame, TextBox, ComboBox, PictureBox, Image, Line, LinkLabel and the
    // controls library's SysMonthCal32, SysDateTimePick32, PriorityBar, EditBox.
    static std::vector<std::wstring> KindProperties(std::wstring_view kind);
    // Whether a kind is one of the controls library's.
    static bool IsLibraryKind(std::wstring_view kind);

protected:
    void Changed(const std::wstring& property, const Value& value, const Value& before) override;

private:
    friend class CForm;
    struct ListEntry {
        std::wstring text;
        std::int32_t data = 0;
    };
    bool IsCombo() const;
    void NeedCombo() const;
    bool Forwards(std::wstring_view member) const;
    void Bind(CForm* form, int id) noexcept {
        form_ = form;
        id_ = id;
    }
    // From the form's window.
    void UserTextChanged(const std::wstring& text);
    void UserValueChanged(int value);
    void UserPicked(int index);
    void AutoSizeLabel();

    std::wstring kind_;
    std::wstring name_;
    std::optional<int> index_;
    CForm* form_ = nullptr;
    int id_ = -1;
    ObjectPtr inner_;
    EventConnection innerEvents_;  // the inner object's events, raised again as the control's
    EventSource events_;
    std::vector<ListEntry> list_;
    int listIndex_ = -1;
    int selStart_ = 0;
    int selLength_ = 0;
    bool fromUser_ = false;  // the change being stored came from the window
};

// The elements of one control array, by index.
class CControlArray : public Object {
public:
    explicit CControlArray(std::wstring name) : name_(std::move(name)) {}
    void Add(const std::shared_ptr<CControl>& control) { elements_.push_back(control); }
    // Raises 340 when there is no element of that index.
    std::shared_ptr<CControl> Element(int index) const;
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return L"Object"; }

private:
    std::wstring name_;
    std::vector<std::shared_ptr<CControl>> elements_;
};

// A form's Controls: Count, and Item by position (from 0) or by name (an array's name gives the
// array). An unknown name raises 730.
class CControls : public Object {
public:
    void Add(const std::shared_ptr<CControl>& control);
    int Count() const noexcept { return static_cast<int>(controls_.size()); }
    std::shared_ptr<CControl> At(int position) const;
    ObjectPtr ByName(std::wstring_view name) const;
    // The control of that name, or that element of a control array; nothing when missing.
    std::shared_ptr<CControl> Find(std::wstring_view name, std::optional<int> index = std::nullopt) const;

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return L"Object"; }

private:
    std::vector<std::shared_ptr<CControl>> controls_;
    std::map<std::wstring, std::shared_ptr<CControlArray>> arrays_;  // lower-cased name
};

// A form: Name, Controls, Caption, Left, Top, Width, Height (the outer size: the client area is
// kFrameWidth and kFrameHeight twips smaller), Picture, Visible, Enabled, hWnd; Show, Hide,
// SetFocus. Its type name is its name, as a form's class is.
//
// Life: Load creates the window (hidden) with every control, the controls library's ones with
// their window, registers the form in the process's loaded forms (Forms()), then runs Form_Load
// and raises "Load". Show shows it modeless and activates it (loading it first). Unload runs
// Form_QueryUnload and Form_Unload (each may cancel) and raises "QueryUnload"(Cancel,
// UnloadMode) and "Unload"(Cancel), then destroys the window, releases the controls' objects and
// leaves the loaded forms. Errors of the form's code in the user's input are logged under
// "<form>.<control>_<event>" and go no further. The window may call back into the form while
// the form's code runs (SetFocus moves focus and raises GotFocus at once).
class CForm : public PropertyHolder, public IForm, private FormWindowEvents {
public:
    // The client area is this much smaller than the form's Width and Height: a fixed dialog
    // frame of 3 pixels and a caption bar of 19 pixels at 15 twips per pixel.
    static constexpr int kFrameWidth = 6 * 15;
    static constexpr int kFrameHeight = 25 * 15;

    explicit CForm(std::wstring name);
    ~CForm() override;
    CForm(const CForm&) = delete;
    CForm& operator=(const CForm&) = delete;

    const std::wstring& Name() const noexcept { return name_; }
    const std::shared_ptr<CControls>& Controls() const noexcept { return controls_; }
    // Adds a control of a known kind with a caption (when it has one) and returns it. Only
    // before the form loads.
    std::shared_ptr<CControl> Add(std::wstring kind, std::wstring name, std::wstring caption = {},
                                  std::optional<int> index = std::nullopt);
    // The control of that name (and index); 730 when it is missing.
    std::shared_ptr<CControl> Control(std::wstring_view name, std::optional<int> index = std::nullopt) const;

    // Life. The form must be owned by a shared_ptr. Load raises 429 when the platform has no form
    // windows, or what the window raises; an error of Form_Load propagates with the form loaded.
    void Load();
    void Show();
    void Hide();
    // False when Form_QueryUnload or Form_Unload cancelled (the form stays loaded).
    bool Unload(int unloadMode);
    bool Loaded() const noexcept { return window_ != nullptr; }
    // The window while loaded, else nothing.
    FormWindow* Window() const noexcept { return window_.get(); }
    std::uintptr_t hWnd() const noexcept;

    // What the dialogs do with their window (nothing when not loaded).
    void MakeTopmost();
    void ClearOwner();
    void Activate();
    // Keyboard cues: for each flag, kWmUpdateUIState (update) or kWmChangeUIState with
    // UIS_SET when its hide argument is true, UIS_CLEAR when false: accelerators, then focus.
    void SetUIState(bool hideAccelerators, bool hideFocus, bool update);
    // The control that has the focus, or nothing.
    std::shared_ptr<CControl> ActiveControl() const;

    // IForm: unloads as code does (QueryUnload mode vbFormCode).
    void Unload() override { Unload(vbFormCode); }
    std::wstring FormName() const override { return name_; }
    ObjectPtr FormObject() override { return shared_from_this(); }

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    // The form's own events: "Load", "Activate", "QueryUnload"(Cancel, UnloadMode), "Unload"(Cancel).
    EventConnection ConnectEvents(EventHandler handler) override;
    std::wstring TypeName() const override { return name_; }

protected:
    // The form's code; each runs before the sinks of the same event.
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_QueryUnload(int& /*cancel*/, int /*unloadMode*/) {}
    virtual void Form_Unload(int& /*cancel*/) {}

    void Changed(const std::wstring& property, const Value& value, const Value& before) override;

private:
    friend class CControl;
    // FormWindowEvents
    void UserTextChanged(int id, const std::wstring& text) noexcept override;
    void UserClicked(int id, int button) noexcept override;
    void UserValueChanged(int id, int value) noexcept override;
    void UserDroppedDown(int id) noexcept override;
    void UserPicked(int id, int index) noexcept override;
    bool UserFocusChanging(int from, int to) noexcept override;
    void FocusMoved(int from, int to) noexcept override;
    void UserKeyDown(int id, int keyCode, int shift) noexcept override;
    void UserClosing() noexcept override;
    void Activated() noexcept override;

    std::shared_ptr<CControl> ById(int id) const;
    // Runs the form's code for a control's event; an error is logged under the handler's name.
    void Dispatch(const std::shared_ptr<CControl>& control, std::wstring_view event,
                  const std::function<void()>& body) noexcept;
    TwipsRect Rect() const;
    void TabIndexChanged(CControl& control, int before);
    void DefaultOrCancelChanged(CControl& control, const std::wstring& property);

    std::wstring name_;
    std::shared_ptr<CControls> controls_;
    std::shared_ptr<FormWindow> window_;
    EventSource events_;
    bool loading_ = false;
    bool unloading_ = false;
};

}  // namespace brisko::forms
