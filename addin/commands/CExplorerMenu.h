// The command bars of one explorer: toolbar buttons, menu-bar items and (Outlook 2002 and 2003)
// the item context menu, created at the bars' OnUpdate and refreshed on window events.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "addin/commands/CFolderMenu.h"
#include "addin/host/services.h"
#include "automation/object.h"

namespace brisko {

class CExplorerMenu : public IExplorerMenu, public FolderMenuEvents {
public:
    CExplorerMenu() = default;
    ~CExplorerMenu() override;

    void Done() noexcept;
    void Create(const ObjectPtr& oExplorer, const std::wstring& sExplorerWrapperKey) override;
    void UpdateButtons(int nEvent) override;

    // For tests and tools.
    const std::wstring& ExplorerWrapperKey() const noexcept { return m_sExplorerWrapperKey; }
    bool AboutAdded() const noexcept { return m_bAboutAdded; }
    ObjectPtr Bars() const { return m_bars.Get(); }

private:
    enum class Button { QuickTask, QuickAppointment };

    void m_bars_OnUpdate();
    void CreateToolbarButtons();
    void CreateButtons();
    void CreateConextMenu();
    void SubscribeButton(WithEvents& field, const ObjectPtr& button, Button kind);
    void m_btnQuickTask_Click();
    void m_btnQuickAppointment_Click();
    ObjectPtr Explorer() const;
    std::shared_ptr<CFolderMenu> NewFolderMenu();

    // Events of the three folder menus.
    void MoveMail(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID) override;
    void MoveMailPF() override;
    void SetDefFolder(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID) override;

    WithEvents m_bars;
    std::wstring m_sExplorerWrapperKey;
    bool m_bAboutAdded = false;
    WithEvents m_btnQuickTask;
    WithEvents m_btnQuickAppointment;
    std::shared_ptr<CFolderMenu> m_mnuFolders;
    WithEvents m_btnQuickTaskAM;
    WithEvents m_btnQuickAppointmentAM;
    std::shared_ptr<CFolderMenu> m_mnuFoldersAM;
    WithEvents m_btnQuickTaskCM;
    WithEvents m_btnQuickAppointmentCM;
    std::shared_ptr<CFolderMenu> m_mnuFoldersCM;
};

}  // namespace brisko
