// The folder picker with its acceptance rules, and the recent-folders popup menu of the dialogs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "addin/host/services.h"
#include "automation/object.h"

namespace brisko {

class CRecentFolder;

// Item kinds: the host's item types.
inline constexpr std::int32_t kKindMail = 0;
inline constexpr std::int32_t kKindAppointment = 1;
inline constexpr std::int32_t kKindTask = 3;
inline constexpr std::int32_t kKindPost = 6;

// The host's folder picker until the user cancels (nothing) or picks a folder IsSupportedFolder
// accepts; a refused folder is explained and the picker opens again.
ObjectPtr ShowPickFolder(std::int32_t nType, const ObjectPtr& oCurrentFolder);

// Whether a folder may take items of the kind: not missing, not the current folder, of the kind's
// type (mail and post folders count as one). bShowErrMsgBox tells the user why not.
bool IsSupportedFolder(const ObjectPtr& oFolder, std::int32_t nType, const ObjectPtr& oCurrentFolder,
                       bool bShowErrMsgBox);

// The recent list's entries, the picker and a set-default submenu, shown at the owner window
// (at once the picker when no entry may be chosen). The chosen entry, a new record for a picked
// folder, or nothing (dismissed, or a new default set).
std::shared_ptr<CRecentFolder> ShowRecentFoldersMenu(std::uintptr_t hWndOwner,
                                                     const std::shared_ptr<IRecentFolders>& oList,
                                                     std::int32_t nType, const ObjectPtr& oCurrentFolder);

// Opens the quick task (appointment) dialog for the mail, or activates the one already open for
// it. bTopmost makes a new dialog topmost. Errors are ignored step by step.
void ShowQuickTask(const ObjectPtr& oMail, bool bTopmost);
void ShowQuickAppointment(const ObjectPtr& oMail, bool bTopmost);

// The open dialog of that kind whose MailEntryID and MailStoreID equal the ids, or nothing.
ObjectPtr FindQuickTaskForm(const std::wstring& sEntryID, const std::wstring& sStoreID);
ObjectPtr FindQuickAppointmentForm(const std::wstring& sEntryID, const std::wstring& sStoreID);

}  // namespace brisko
