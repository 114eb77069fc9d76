// Office's command bars on the simulated windows: CommandBars, CommandBar, CommandBarControls,
// CommandBarButton and CommandBarPopup, late bound as Office has them, with the built-in bars of
// each host version, OnUpdate, Click, and the item context menu of Outlook 2002 to 2010.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "automation/value.h"
#include "simhost/sim_object.h"
#include "simhost/sim_outlook.h"

namespace brisko::sim {

// Numbers of Office's enumerations.
namespace mso {
// MsoControlType
inline constexpr int ControlButton = 1;
inline constexpr int ControlPopup = 10;
// MsoButtonStyle
inline constexpr int ButtonAutomatic = 0;
inline constexpr int ButtonIcon = 1;
inline constexpr int ButtonCaption = 2;
inline constexpr int ButtonIconAndCaption = 3;
// MsoBarProtection (bit flags)
inline constexpr int BarNoProtection = 0;
inline constexpr int BarNoCustomize = 1;
// MsoBarType
inline constexpr int BarTypeNormal = 0;
inline constexpr int BarTypeMenuBar = 1;
inline constexpr int BarTypePopup = 2;
// OlContextMenu
inline constexpr int ItemContextMenu = 0;
}  // namespace mso

// Id of a control added without a built-in id.
inline constexpr int kCustomControlId = 1;

// The error of CommandBarControls.Add on a bar whose Protection has BarNoCustomize, as Office
// reports it ("Method 'Add' of object 'CommandBarControls' failed").
inline constexpr std::int32_t kProtectedBarError = err::OperationFailed;

class SimCommandBars;
class SimCommandBar;
class SimCommandBarControls;
class SimCommandBarControl;

// The arena's command-bar state.
struct CommandBarsState {
    std::uint64_t controlWrites = 0;
    SimCommandBar* shownContextMenu = nullptr;  // the 12+ item context menu being shown
};

// Fills the arena's type tables with the command-bar types and Explorer/Inspector.CommandBars.
void InstallCommandBars(SimOutlook& sim);

// The command bars of one window (type "CommandBars"); its Parent is the window.
class SimCommandBars : public SimObject {
public:
    SimCommandBars(SimOutlook& sim, SimObject* window);

    SimObject* Window() const noexcept { return window_; }
    const std::vector<SimCommandBar*>& Bars() const noexcept { return bars_; }
    // By name without regard to case; nullptr when there is none.
    SimCommandBar* Find(std::wstring_view name) const;
    SimCommandBar* AddBar(std::wstring name, int barType, int protection = mso::BarNoProtection);
    std::wstring Identity() const override;

protected:
    void OnVanish() override;

private:
    SimObject* window_;
    std::vector<SimCommandBar*> bars_;
};

// A bar: a toolbar, the menu bar, a context menu, or the drop-down of a popup control.
class SimCommandBar : public SimObject {
public:
    // owner: the CommandBars it is listed in; popup: the popup control whose drop-down it is.
    SimCommandBar(SimOutlook& sim, std::wstring name, int barType, SimCommandBars* owner, SimCommandBarControl* popup);

    const std::wstring& Name() const noexcept { return name_; }
    int BarType() const noexcept { return barType_; }
    int Protection() const noexcept { return protection_; }
    void SetProtection(int protection) noexcept { protection_ = protection; }
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool visible) noexcept { visible_ = visible; }
    SimCommandBars* Owner() const noexcept { return owner_; }
    // The popup control this bar drops down from; nullptr for a top-level bar.
    SimCommandBarControl* PopupControl() const noexcept { return popup_; }
    SimCommandBarControls* Controls() const noexcept { return controls_; }
    // The top-level bar this bar belongs to (itself for a top-level bar).
    SimCommandBar* TopBar();
    // Protection of this bar or of a bar above it forbids adding controls.
    bool NoCustomize();
    // 1-based position in its CommandBars; 0 when it is listed in none.
    int Index() const;
    std::wstring Identity() const override;

protected:
    void OnVanish() override;

private:
    std::wstring name_;
    int barType_;
    int protection_ = mso::BarNoProtection;
    bool visible_ = true;
    SimCommandBars* owner_;
    SimCommandBarControl* popup_;
    SimCommandBarControls* controls_;
};

// The controls of one bar (type "CommandBarControls"); its Parent is the bar.
class SimCommandBarControls : public SimObject {
public:
    SimCommandBarControls(SimOutlook& sim, SimCommandBar* bar) : SimObject(sim, L"CommandBarControls"), bar_(bar) {}

    SimCommandBar* Bar() const noexcept { return bar_; }
    const std::vector<SimCommandBarControl*>& List() const noexcept { return list_; }
    // Inserts a new control at a 1-based position (count + 1 appends). builtIn: a control of the
    // host (not listed by ListAddinControls).
    SimCommandBarControl* Insert(int type, int id, std::size_t position, bool builtIn, std::wstring caption = {});
    SimCommandBarControl* Append(int type, int id, bool builtIn, std::wstring caption = {});
    void Remove(SimCommandBarControl* control);
    // 1-based position, 0 when not in the list.
    int IndexOf(const SimCommandBarControl* control) const;

private:
    SimCommandBar* bar_;
    std::vector<SimCommandBarControl*> list_;
};

// A button (type "CommandBarButton", event Click) or a popup (type "CommandBarPopup", with the
// controls of its drop-down).
class SimCommandBarControl : public SimObject {
public:
    SimCommandBarControl(SimOutlook& sim, SimCommandBarControls* owner, int type, int id, bool builtIn);

    int ControlType() const noexcept { return type_; }
    bool IsPopup() const noexcept { return type_ == mso::ControlPopup; }
    int Id() const noexcept { return id_; }
    bool BuiltIn() const noexcept { return builtIn_; }
    SimCommandBarControls* Owner() const noexcept { return owner_; }
    // The bar it is on.
    SimCommandBar* Bar() const noexcept { return owner_ ? owner_->Bar() : nullptr; }
    // A popup's drop-down; nullptr for a button.
    SimCommandBar* DropDown() const noexcept { return dropDown_; }
    int Index() const { return owner_ ? owner_->IndexOf(this) : 0; }
    // The popup controls above it, outermost first.
    std::vector<SimCommandBarControl*> Ancestors() const;
    std::wstring Identity() const override;

    // The control's properties, as the object model reads and writes them.
    std::wstring caption;
    std::wstring tooltip;
    std::wstring tag;
    std::wstring parameter;
    std::wstring onAction;
    int faceId = 0;
    int style = mso::ButtonAutomatic;
    bool visible = true;
    bool enabled = true;
    bool beginGroup = false;
    bool temporary = false;
    ObjectPtr picture;
    ObjectPtr mask;

protected:
    void OnVanish() override;

private:
    SimCommandBarControls* owner_;
    int type_;
    int id_;
    bool builtIn_;
    SimCommandBar* dropDown_ = nullptr;
};

// --- Driver API ------------------------------------------------------------------------------

// The window's bars (an explorer or an inspector), made on first use with the host's built-ins for
// its version; nullptr when the window has no bars an add-in sees (explorers of 14 and later,
// inspectors of 12 and later) or is not a window. An inspector's bars outlive the window.
SimCommandBars* CommandBarsOf(SimObject* window);
// The window's bars when they were made already, else nullptr (makes nothing).
SimCommandBars* ExistingCommandBarsOf(SimObject* window);

// Raises OnUpdate on the window's bars when they exist. The arena raises it itself after
// ActivateExplorer/ActivateInspector, Select and SwitchFolder, after their own events.
void UpdateBars(SimObject* window);

// A control by path: segments separated by "/" (popups, then the control), each matching a
// control's caption with "&" removed, its tooltip or its tag, without regard to case; the first
// match in the bar's order wins. bar "Context Menu" of an explorer on 12 and later is the item
// context menu shown (ShowItemContextMenu). nullptr when none.
SimCommandBarControl* FindControlByPath(SimObject* window, std::wstring_view bar, std::wstring_view path);
SimCommandBarControl* FindControlInBar(SimCommandBar* bar, std::wstring_view path);

// The user's click: false (nothing raised) when the control or a popup above it is hidden or
// disabled, or the control or its window is gone; else raises Click(ctrl, CancelDefault=False) on a button (a popup just opens) and
// returns true.
bool Press(SimCommandBarControl* control);

// The controls added through Add (not built-in), bar by bar in bar order:
//   bar "Standard"
//     button "" tooltip "Quick Task" face 1100 style 1 visible no enabled no parameter "" tag "" group yes
//   bar "Menu Bar"
//     in "&Actions" (30131)
//       button "Quick &Task" tooltip "..." picture style 3 visible yes enabled yes parameter "" tag "" group yes
//       popup "Move to folder" tooltip "..." visible yes enabled yes parameter "" tag "" group no
//         button "&1 Inbox" ...
// Every bar has its line; a built-in popup appears (as "in ...") only when it holds added
// controls; an added popup's controls follow it one level deeper. Lines end with "\n".
std::wstring ListAddinControls(SimObject* window);
std::wstring ListAddinControls(SimCommandBar* bar);
// One control's line without indentation or line end, as ListAddinControls writes it.
std::wstring DescribeControl(const SimCommandBarControl* control);

// Property writes on command-bar controls so far (any Put on a button or popup).
std::uint64_t ControlWrites(const SimOutlook& sim);

// A built-in control as the host has it (tests: another context menu's commands, ...).
SimCommandBarControl* AddBuiltInControl(SimCommandBar* bar, int type, int id, std::wstring caption);

// The item context menu for the explorer's selection. 10 and 11: raises OnUpdate on the
// explorer's bars and returns its "Context Menu" bar. 12 and later: closes one still shown,
// makes a fresh "Context Menu" bar, raises Application.ItemContextMenuDisplay(bar, Selection)
// and returns the bar. 9: nullptr.
SimCommandBar* ShowItemContextMenu(SimExplorer* explorer);
// 12 and later: Application raises ContextMenuClose(0) and the shown bar vanishes.
void CloseItemContextMenu(SimOutlook& sim);
// The 12+ item context menu being shown, else nullptr.
SimCommandBar* ShownItemContextMenu(const SimOutlook& sim);

}  // namespace brisko::sim
