// The commands behind the explorer's command bars, the ribbon and the mail window's toolbar.
#pragma once

#include <cstdint>
#include <string>

#include "automation/object.h"

namespace brisko {

// Window classes passed to the commands.
inline constexpr std::int32_t kWindowExplorer = 34;
inline constexpr std::int32_t kWindowInspector = 35;

// "ueBars", "ueManual", "ueFolderSwitch", "ueSelectionChange"; any other value in decimal,
// with a failed assertion.
std::wstring GuiUpdateEvent2Str(std::int32_t nEvent);

// Shown at all (a mail folder), quick commands possible (one sent mail selected), folder commands
// possible (only mails selected).
void ExplorerMenu_GetButtonsState(const ObjectPtr& oExplorer, bool& bVisible, bool& bEnabled, bool& bFolderEnabled);

// The quick dialog for the explorer's one selected mail; nothing otherwise.
void ExplorerMenu_ShowQuickTask(const ObjectPtr& oExplorer);
void ExplorerMenu_ShowQuickAppointment(const ObjectPtr& oExplorer);

// Moves the explorer's selected mails (34) or the inspector's mail (35) to the folder.
void Menu_MoveMail(const ObjectPtr& oWindow, std::int32_t nWindowClass, const std::wstring& sFolderEntryID,
                   const std::wstring& sFolderStoreID);
// The same after the user picked the folder.
void Menu_MoveMailPF(const ObjectPtr& oWindow, std::int32_t nWindowClass);
// Makes the recent folder the default one.
void Menu_SetDefFolder(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID);

}  // namespace brisko
