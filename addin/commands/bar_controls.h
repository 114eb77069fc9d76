// Small pieces shared by the command-bar surfaces: adding controls late bound, writing a property
// only when it changed, and the language texts with parameters.
#pragma once

#include <cstdint>
#include <string>

#include "automation/object.h"

namespace brisko {

// MsoControlType and MsoButtonStyle values used by the add-in.
inline constexpr std::int32_t msoControlButton = 1;
inline constexpr std::int32_t msoControlPopup = 10;
inline constexpr std::int32_t msoButtonIcon = 1;
inline constexpr std::int32_t msoButtonCaption = 2;
inline constexpr std::int32_t msoButtonIconAndCaption = 3;
inline constexpr std::int32_t msoBarNoCustomize = 1;

// Tags of the item context menu's controls.
inline constexpr const wchar_t* kTagContextQTask = L"Corvant.Brisko.ContextMenu.QTask";
inline constexpr const wchar_t* kTagContextQAppointment = L"Corvant.Brisko.ContextMenu.QAppointment";
inline constexpr const wchar_t* kTagContextFolders = L"Corvant.Brisko.ContextMenu.Folders";

// The built-in Actions popup of the menu bar.
inline constexpr std::int32_t kIdActionsPopup = 30131;

// Face ids of the quick commands.
inline constexpr std::int32_t kFaceQuickTask = 1100;
inline constexpr std::int32_t kFaceQuickAppointment = 1106;

// Controls.Add(Type, , , Before, Temporary:=True); nBefore 0 appends.
ObjectPtr AddTemporaryControl(const ObjectPtr& oControls, std::int32_t nType, std::int32_t nBefore = 0);
// The control with that built-in Id on the bar (FindControl(, Id)); nothing when there is none.
ObjectPtr FindBuiltIn(const ObjectPtr& oBar, std::int32_t nId);
// Position of new toolbar buttons on "Standard": before Id 354, else after Id 478, else at the end (0).
std::int32_t ToolbarPosition(const ObjectPtr& oBar);
// The control with that tag on the bar (FindControl(, , Tag)); nothing when there is none.
ObjectPtr FindTagged(const ObjectPtr& oBar, const std::wstring& sTag);
// How a Quick Task or Quick Appointment button looks where it is made: its style, whether it shows
// its caption, its tag ("" for none), whether it begins a group, and its first state.
struct QuickButtonLook {
    std::int32_t style = msoButtonIcon;
    bool caption = false;
    const wchar_t* tag = L"";
    bool beginGroup = false;
    bool visible = false;
    bool enabled = false;
};
// Writes the button's properties, in this order: Style, Caption, FaceId, TooltipText, Tag,
// BeginGroup, Visible, Enabled (Caption, Tag and BeginGroup only when the look has them).
void DressQuickButton(const ObjectPtr& oButton, bool bTask, const QuickButtonLook& look);
// Writes a Boolean property only when its current value differs.
void PutIfChanged(const ObjectPtr& oControl, std::wstring_view sName, bool bValue);
// The text of a "LID_" key with its parameters filled in; the key itself without a language.
std::wstring LangItem(const std::wstring& sKey, const Array& args = {});

}  // namespace brisko
