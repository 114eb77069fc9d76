// The simulated object model: application, session, folders, items and windows. Their members
// are installed into the arena's type tables (InstallObjectModel); the C++ accessors here are
// for the driver and for tests.
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

// Fills the arena's type tables with the members of the object model.
void InstallObjectModel(SimOutlook& sim);

class SimApplication : public SimObject {
public:
    explicit SimApplication(SimOutlook& sim) : SimObject(sim, L"Application") {}
    std::wstring Identity() const override { return L"Outlook"; }
};

class SimNameSpace : public SimObject {
public:
    explicit SimNameSpace(SimOutlook& sim);
    SimFolders* FoldersObject() const noexcept { return folders_; }
    std::wstring Identity() const override { return L"MAPI"; }

private:
    SimFolders* folders_;
};

// Stands for the MAPI session behind NameSpace.MAPIOBJECT. Its one member, Session, gives the
// namespace it belongs to (the simulated MAPI has nothing more).
class SimMapiSession : public SimObject {
public:
    explicit SimMapiSession(SimOutlook& sim) : SimObject(sim, L"MAPISession") {}
};

class SimRecipient : public SimObject {
public:
    SimRecipient(SimOutlook& sim, std::wstring name, std::wstring address)
        : SimObject(sim, L"Recipient"), name_(std::move(name)), address_(std::move(address)) {}
    const std::wstring& Name() const noexcept { return name_; }
    const std::wstring& Address() const noexcept { return address_; }
    void Set(std::wstring name, std::wstring address) {
        name_ = std::move(name);
        address_ = std::move(address);
    }
    std::wstring Identity() const override { return name_; }

private:
    std::wstring name_;
    std::wstring address_;
};

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

class SimItems : public SimObject {
public:
    SimItems(SimOutlook& sim, SimFolder* owner) : SimObject(sim, L"Items"), owner_(owner) {}
    SimFolder* Owner() const noexcept { return owner_; }
    std::size_t cursor = 0;  // GetFirst / GetNext

private:
    SimFolder* owner_;
};

// A mail, task, appointment, contact or post item. Its plain properties live in a bag keyed by
// the property's name.
class SimItem : public SimObject {
public:
    SimItem(SimOutlook& sim, int itemType, SimFolder* home);

    int ItemType() const noexcept { return itemType_; }
    int ItemClass() const noexcept;
    // The folder it lives in, or for an unsaved item the folder it goes to when saved.
    SimFolder* Folder() const noexcept { return folder_; }
    // Saved at least once: has an entry id and is in its folder's items.
    bool Stored() const noexcept { return stored_; }
    // No changes since the last save.
    bool Saved() const noexcept { return saved_; }
    const std::wstring& EntryID() const noexcept { return entryID_; }
    SimInspector* Inspector() const noexcept { return inspector_; }
    SimAttachments* AttachmentsObject() const noexcept { return attachments_; }
    const std::vector<SimAttachment*>& AttachmentList() const noexcept { return attachmentList_; }
    // Records an attachment: an embedded item for an item source, a file otherwise.
    SimAttachment* AddAttachment(SimItem* sourceItem, std::wstring fileName, std::wstring displayName);

    // The property bag ("Subject", "Importance", ...).
    Value Prop(std::wstring_view name) const;
    void SetProp(std::wstring_view name, Value value);
    std::wstring Text(std::wstring_view name) const;
    std::wstring Subject() const { return Text(L"Subject"); }
    std::wstring Identity() const override;

    // Used by the arena.
    void SetFolder(SimFolder* folder) noexcept { folder_ = folder; }
    void SetStored(std::wstring entryID) {
        entryID_ = std::move(entryID);
        stored_ = true;
    }
    void SetSaved(bool saved) noexcept { saved_ = saved; }
    void SetInspector(SimInspector* inspector) noexcept { inspector_ = inspector; }
    void RemoveAttachment(SimAttachment* attachment);

protected:
    void OnVanish() override;

private:
    int itemType_;
    SimFolder* folder_;
    bool stored_ = false;
    bool saved_ = false;
    std::wstring entryID_;
    SimInspector* inspector_ = nullptr;
    SimAttachments* attachments_ = nullptr;
    std::vector<SimAttachment*> attachmentList_;
    std::map<std::wstring, Value> props_;  // folded name -> value; never objects
};

class SimAttachments : public SimObject {
public:
    SimAttachments(SimOutlook& sim, SimItem* owner) : SimObject(sim, L"Attachments"), owner_(owner) {}
    SimItem* Owner() const noexcept { return owner_; }

private:
    SimItem* owner_;
};

class SimAttachment : public SimObject {
public:
    SimAttachment(SimOutlook& sim, SimItem* owner, SimItem* source, std::wstring fileName, std::wstring displayName,
                  int type)
        : SimObject(sim, L"Attachment"),
          owner_(owner),
          source_(source),
          fileName_(std::move(fileName)),
          displayName_(std::move(displayName)),
          type_(type) {}
    SimItem* Owner() const noexcept { return owner_; }
    // The item that was attached (ol::EmbeddedItem), else nullptr.
    SimItem* Source() const noexcept { return source_; }
    const std::wstring& FileName() const noexcept { return fileName_; }
    const std::wstring& DisplayName() const noexcept { return displayName_; }
    void SetDisplayName(std::wstring name) { displayName_ = std::move(name); }
    int AttachmentType() const noexcept { return type_; }
    std::wstring Identity() const override { return displayName_; }

protected:
    void OnVanish() override { owner_->RemoveAttachment(this); }

private:
    SimItem* owner_;
    SimItem* source_;
    std::wstring fileName_;
    std::wstring displayName_;
    int type_;
};

class SimExplorers : public SimObject {
public:
    explicit SimExplorers(SimOutlook& sim) : SimObject(sim, L"Explorers") {}
    const std::vector<SimExplorer*>& List() const noexcept { return list_; }
    void Add(SimExplorer* explorer) { list_.push_back(explorer); }
    void Remove(SimExplorer* explorer);

private:
    std::vector<SimExplorer*> list_;
};

class SimExplorer : public SimObject {
public:
    SimExplorer(SimOutlook& sim, SimFolder* folder) : SimObject(sim, L"Explorer"), folder_(folder) {}

    SimFolder* CurrentFolder() const noexcept { return folder_; }
    void SetCurrentFolder(SimFolder* folder) noexcept { folder_ = folder; }
    const std::vector<SimItem*>& Selected() const noexcept { return selection_; }
    void SetSelected(std::vector<SimItem*> items) { selection_ = std::move(items); }
    void Unselect(const SimItem* item);
    bool Closed() const noexcept { return closed_; }
    void MarkClosed() noexcept { closed_ = true; }
    std::uint64_t ActivationStamp() const noexcept { return stamp_; }
    void SetActivationStamp(std::uint64_t stamp) noexcept { stamp_ = stamp; }
    std::wstring Caption() const;
    std::wstring Identity() const override;

protected:
    void OnVanish() override;

private:
    SimFolder* folder_;
    std::vector<SimItem*> selection_;
    bool closed_ = false;
    std::uint64_t stamp_ = 0;
};

// A snapshot of an explorer's selection, as Explorer.Selection returns it.
class SimSelection : public SimObject {
public:
    SimSelection(SimOutlook& sim, SimExplorer* explorer, std::vector<SimItem*> items)
        : SimObject(sim, L"Selection"), explorer_(explorer), items_(std::move(items)) {}
    SimExplorer* Explorer() const noexcept { return explorer_; }
    const std::vector<SimItem*>& Items() const noexcept { return items_; }

private:
    SimExplorer* explorer_;
    std::vector<SimItem*> items_;
};

class SimInspectors : public SimObject {
public:
    explicit SimInspectors(SimOutlook& sim) : SimObject(sim, L"Inspectors") {}
    const std::vector<SimInspector*>& List() const noexcept { return list_; }
    void Add(SimInspector* inspector) { list_.push_back(inspector); }
    void Remove(SimInspector* inspector);

private:
    std::vector<SimInspector*> list_;
};

class SimInspector : public SimObject {
public:
    SimInspector(SimOutlook& sim, SimItem* item, int editorType)
        : SimObject(sim, L"Inspector"), item_(item), editorType_(editorType) {}

    SimItem* CurrentItem() const noexcept { return item_; }
    int EditorType() const noexcept { return editorType_; }
    void SetEditorType(int editorType) noexcept { editorType_ = editorType; }
    bool Closed() const noexcept { return closed_; }
    void MarkClosed() noexcept { closed_ = true; }
    std::uint64_t ActivationStamp() const noexcept { return stamp_; }
    void SetActivationStamp(std::uint64_t stamp) noexcept { stamp_ = stamp; }
    std::wstring Caption() const;
    std::wstring Identity() const override;

protected:
    void OnVanish() override;

private:
    SimItem* item_;
    int editorType_;
    bool closed_ = false;
    std::uint64_t stamp_ = 0;
};

}  // namespace brisko::sim
