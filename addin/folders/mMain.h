// Folder identity, folder paths and the mail actions shared by the dialogs, command bars and
// folder buttons.
#pragma once

#include <cstdint>
#include <string>

#include "automation/object.h"

namespace brisko {

// The class id of the safe item library's RDO session.
inline constexpr const wchar_t* kRDOSessionClassId = L"{29AB7A12-B531-450E-8F7A-EA94C2F3C05F}";

// The store's number of this run: 1 for the first store seen, 0 for an empty id. Store ids are
// compared without regard to case, as collection keys are.
std::int32_t GetStoreNumber(const std::wstring& sStoreID);
// Entry id, ".", store number.
std::wstring EntryStore2Key(const std::wstring& sEntryID, const std::wstring& sStoreID);
// The reverse of EntryStore2Key; both outputs are empty when the key names no known store
// (logged under "Key2EntryStore").
void Key2EntryStore(const std::wstring& sKey, std::wstring& sEntryID, std::wstring& sStoreID);
// Forgets every store number, as unloading the library does.
void ResetStoreNumbers() noexcept;

// "\\" and the folder names from the store's top folder down, joined by "\".
std::wstring GetFolderPath(const ObjectPtr& oFolder);
// The path without its store part ("\\Mailbox\Inbox\Sub" -> "Inbox\Sub").
std::wstring RemoveRootFromPath(const std::wstring& sPath);
// True when the store id is the default Inbox's.
bool IsDefaultStore(const std::wstring& sStoreID);

// Fits a path into a label at most nMaxWidth twips wide: the full path, then shortened forms,
// then sSmallest. The label answers Caption, AutoSize and Width late bound.
void CLinkLabel_SetPath(const ObjectPtr& oLabel, const std::wstring& sPath, double nMaxWidth,
                        const std::wstring& sSmallest);

// True when the folder is the Deleted Items folder of its own store.
bool IsFolderDeletedItems(const ObjectPtr& oFolder);

// An RDO session bound to the host's MAPI session.
ObjectPtr NewRDOSession();
// Moves the mail to the destination through the safe item library; the session and the RDO
// destination are made when not given. True on success.
bool RDOMoveMail(const ObjectPtr& oMail, const ObjectPtr& oDestFolder, ObjectPtr oRDOSession = nullptr,
                 ObjectPtr oRDOFolder = nullptr);

}  // namespace brisko
