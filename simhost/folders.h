// Stores and folders of the simulated object model: Store, MAPIFolder, Folders.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "automation/value.h"
#include "simhost/sim_object.h"
#include "simhost/sim_outlook.h"

namespace brisko::sim {

class SimFolders;
class SimItems;
class SimAttachments;
class SimAttachment;
class SimSelection;

// A message store as Folder.Store gives it (Outlook 2007 and later): StoreID, DisplayName,
// GetRootFolder and GetDefaultFolder (2010).
class SimStoreObject : public SimObject {
public:
    SimStoreObject(SimOutlook& sim, SimStore* store) : SimObject(sim, L"Store"), store_(store) {}
    SimStore* Store() const noexcept { return store_; }
    // The one Store object of a store.
    static SimStoreObject* Of(SimOutlook& sim, SimStore* store);

private:
    SimStore* store_;
};

class SimFolder : public SimObject {
public:
    SimFolder(SimOutlook& sim, SimStore* store, SimFolder* parent, std::wstring name, int itemType);

    const std::wstring& Name() const noexcept { return name_; }
    void SetName(std::wstring name) { name_ = std::move(name); }
    const std::wstring& EntryID() const noexcept { return entryID_; }
    const std::wstring& StoreID() const noexcept;
    SimStore* Store() const noexcept { return store_; }
    // nullptr for a store's top folder.
    SimFolder* ParentFolder() const noexcept { return parent_; }
    int ItemType() const noexcept { return itemType_; }
    // "\\Store\Inbox\Sub".
    std::wstring Path() const;
    const std::vector<SimFolder*>& Subfolders() const noexcept { return subfolders_; }
    // Saved items, in the order they arrived.
    const std::vector<SimItem*>& Contents() const noexcept { return contents_; }
    SimFolder* Subfolder(std::wstring_view name) const;
    SimFolders* FoldersObject() const noexcept { return folders_; }
    SimItems* ItemsObject() const noexcept { return items_; }
    std::wstring Identity() const override { return Path(); }

    void AddSubfolder(SimFolder* folder) { subfolders_.push_back(folder); }
    void RemoveSubfolder(SimFolder* folder);
    void AddContent(SimItem* item) { contents_.push_back(item); }
    void RemoveContent(SimItem* item);

protected:
    void OnVanish() override;

private:
    SimStore* store_;
    SimFolder* parent_;
    std::wstring name_;
    int itemType_;
    std::wstring entryID_;
    std::vector<SimFolder*> subfolders_;
    std::vector<SimItem*> contents_;
    SimFolders* folders_ = nullptr;
    SimItems* items_ = nullptr;
};

// The subfolders of a folder, or (owner nullptr) the stores' top folders.
class SimFolders : public SimObject {
public:
    SimFolders(SimOutlook& sim, SimFolder* owner) : SimObject(sim, L"Folders"), owner_(owner) {}
    SimFolder* Owner() const noexcept { return owner_; }
    std::vector<SimFolder*> List() const;
    std::size_t cursor = 0;  // GetFirst / GetNext

private:
    SimFolder* owner_;
};

}  // namespace brisko::sim
