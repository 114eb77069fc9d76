// The services the connection brings up and tears down, as it meets them. Each stands in at its
// place in the start-up and shutdown order until its own subsystem provides it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/object.h"

namespace brisko {

// The language engine: every visible text is looked up through Item.
class ILanguage {
public:
    virtual ~ILanguage() = default;
    virtual void InitEx(const std::wstring& productName) = 0;
    // The text of a "LID_" key; the key itself when it is missing.
    virtual std::wstring Item(const std::wstring& key) = 0;
};

class CRecentFolder;

// A list of recently used folders, persisted in the registry (CRecentFolders, addin/folders).
class IRecentFolders {
public:
    virtual ~IRecentFolders() = default;
    virtual void Init(const std::wstring& listName) = 0;
    virtual void Save() = 0;
    // Last modification time of the list (an automation date).
    virtual double LMT() const = 0;
    virtual int MaxCount() const = 0;

    // A host folder, or its entry id, store id and display path.
    virtual void SetDefault(const ObjectPtr& oFolder) = 0;
    virtual void SetDefault2(const std::wstring& sEntryID, const std::wstring& sStoreID, const std::wstring& sPath) = 0;
    virtual void SetRecent(const ObjectPtr& oFolder) = 0;
    virtual void SetRecent2(const std::wstring& sEntryID, const std::wstring& sStoreID, const std::wstring& sPath) = 0;
    virtual void Remove(const std::wstring& sEntryID, const std::wstring& sStoreID) = 0;
    virtual int Count() const = 0;
    // Positions from 1; outside 1..Count raises the collection's error.
    virtual std::shared_ptr<CRecentFolder> Item(int nIndex) const = 0;
    // Nothing when the list is empty.
    virtual std::shared_ptr<CRecentFolder> RecentItem() const = 0;
    virtual bool FirstIsDefault() const = 0;
    // 0 when no entry has exactly these identifiers.
    virtual int FindItemIndex(const std::wstring& sEntryID, const std::wstring& sStoreID) const = 0;
};

class IInspectorWrapper {
public:
    virtual ~IInspectorWrapper() = default;
    virtual ObjectPtr GetInspector() const = 0;
    virtual void UpdateButtons() = 0;
};

class InspectorsEvents {
public:
    virtual ~InspectorsEvents() = default;
    virtual void OnNewInspector(const ObjectPtr& inspector) = 0;
};

// The inspector tracker. Its teardown (Done) also runs when it is released.
class IInspectorsTracker {
public:
    virtual ~IInspectorsTracker() = default;
    virtual void SetEventSink(std::weak_ptr<InspectorsEvents> sink) = 0;
    virtual void Init(const ObjectPtr& inspectors) = 0;
    virtual void Done() = 0;
    virtual std::vector<std::shared_ptr<IInspectorWrapper>> GetWrappers() = 0;
};

// The command bars of one explorer; attached to its wrapper under the key "Menu".
class IExplorerMenu : public Object {
public:
    virtual void Create(const ObjectPtr& explorer, const std::wstring& key) = 0;
    virtual void UpdateButtons(int reason) = 0;
    std::wstring TypeName() const override { return L"CExplorerMenu"; }
};

// Receives the item-context-menu events.
class ContextMenuEventsSink {
public:
    virtual ~ContextMenuEventsSink() = default;
    virtual void OnItemContextMenuDisplay(const ObjectPtr& commandBar, const ObjectPtr& selection) = 0;
    // nContextMenu: OlContextMenu (0 the item context menu).
    virtual void OnContextMenuClose(std::int32_t nContextMenu) = 0;
};

// The item-context-menu event source of Outlook 2007 and later.
class IContextMenuEvents {
public:
    virtual ~IContextMenuEvents() = default;
    virtual void SetEventSink(std::weak_ptr<ContextMenuEventsSink>) {}
    // The first member of the source's interface: start raising events for this application.
    virtual void Init(const ObjectPtr& application) = 0;
};

// A loaded form of the add-in.
class IForm {
public:
    virtual ~IForm() = default;
    virtual void Unload() = 0;
    // The form's name ("frmQuickTask") and the form as its code reaches it, late bound.
    virtual std::wstring FormName() const { return {}; }
    virtual ObjectPtr FormObject() { return nullptr; }
};

// Command-bar update reasons.
enum UpdateReason { ueBars = 0, ueManual = 1, ueFolderSwitch = 2, ueSelectionChange = 3 };

struct AddinServices {
    std::function<std::shared_ptr<ILanguage>()> newLanguage;
    std::function<std::shared_ptr<IRecentFolders>()> newRecentFolders;
    std::function<std::shared_ptr<IInspectorsTracker>()> newInspectorsTracker;
    std::function<std::shared_ptr<IExplorerMenu>()> newExplorerMenu;
    std::function<std::shared_ptr<IContextMenuEvents>()> newContextMenuEvents;
    // The current user's address, for the support library's callback.
    std::function<std::wstring()> currentUserEmail;
};

// The services in use; the defaults are the stand-ins below.
AddinServices& Services();
AddinServices DefaultServices();

// The loaded forms, in order of loading.
class LoadedForms {
public:
    void Add(std::shared_ptr<IForm> form);
    void Remove(const IForm* form);
    std::size_t Count() const { return forms_.size(); }
    // The form at a position from 0 (in order of loading); nothing outside 0..Count-1.
    std::shared_ptr<IForm> Item(std::size_t index) const { return index < forms_.size() ? forms_[index] : nullptr; }
    // Unloads every form from the last loaded to the first; errors are resumed.
    void UnloadAll() noexcept;

private:
    std::vector<std::shared_ptr<IForm>> forms_;
};

LoadedForms& Forms();

}  // namespace brisko
