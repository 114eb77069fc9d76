// One group of command-bar controls that moves the selected mail to a folder: an optional icon
// button for the default folder and a popup with the recent folders, the folder picker, the
// set-default submenu and (before Outlook 2010) the About entry. Clicks become three events.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "automation/object.h"

namespace brisko {

// The owner's side of a CFolderMenu.
class FolderMenuEvents {
public:
    virtual ~FolderMenuEvents() = default;
    // Move the selection to this folder.
    virtual void MoveMail(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID) = 0;
    // Move the selection to a folder the user picks.
    virtual void MoveMailPF() = 0;
    // Make this folder the default.
    virtual void SetDefFolder(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID) = 0;
};

class CFolderMenu : public Object {
public:
    // The number of folder buttons, whatever the list's capacity.
    static constexpr int kFolderButtons = 10;
    enum Mode { Toolbar = 0, Menu = 1 };

    CFolderMenu() = default;
    ~CFolderMenu() override;

    void SetEventSink(std::weak_ptr<FolderMenuEvents> sink) { sink_ = std::move(sink); }

    // Adds the controls to oControls from position nBefore on, all temporary. sMnuTag, when not
    // empty, becomes the popup's Tag.
    void Create(std::int32_t nMode, const ObjectPtr& oControls, std::int32_t nBefore, const std::wstring& sMnuTag);
    // nEvent: an UpdateReason; oCurrentFolder: the folder the window shows.
    void UpdateButtons(std::int32_t nEvent, bool bVisible, bool bEnabled, const ObjectPtr& oCurrentFolder);
    // Releases the controls without deleting them.
    void Done() noexcept;
    // Deletes the popup and the icon button from their bars, then releases everything.
    void Delete() noexcept;

    // The controls, for the owner and for tests; nothing when not created.
    ObjectPtr IconButton() const { return m_btnFolder.Get(); }
    ObjectPtr MenuPopup() const { return m_mnuFolder; }

    std::wstring TypeName() const override { return L"CFolderMenu"; }

private:
    void Subscribe(WithEvents& field, const ObjectPtr& button, void (CFolderMenu::*handler)(int), int index);
    void UpdateButtons_btnFolder(const ObjectPtr& oCurrentFolder);
    // Folder button i (default-folder button i), 1..10; anything else logs and gives nothing.
    ObjectPtr m_btnFolders_Item(int i) const;
    ObjectPtr m_btnDefFolders_Item(int i) const;
    std::shared_ptr<FolderMenuEvents> Sink() const { return sink_.lock(); }

    void m_btnFolder_Click(int);
    void m_btnFolders_Click(int i);
    void m_btnDefFolders_Click(int i);
    void m_btnFolderPick_Click(int);
    void m_btnAbout_Click(int);

    WithEvents m_btnFolder;
    ObjectPtr m_mnuFolder;
    std::array<WithEvents, kFolderButtons> m_btnFolders;
    WithEvents m_btnFolderPick;
    ObjectPtr m_mnuDefFolder;
    std::array<WithEvents, kFolderButtons> m_btnDefFolders;
    WithEvents m_btnAbout;
    // The icon button as added, kept for Delete even when its events could not be subscribed.
    ObjectPtr m_btnFolderAdded;
    double m_dtLMT = 0.0;
    std::weak_ptr<FolderMenuEvents> sink_;
};

}  // namespace brisko
