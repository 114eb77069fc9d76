// Items of the simulated object model: Items, the item types, Attachments, Attachment.
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

}  // namespace brisko::sim
