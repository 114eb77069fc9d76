// One mail window on Outlook 2000 to 2003: the quick commands and the folder group on its
// toolbar and menu bar, created at its first activation and removed when it closes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "addin/commands/CFolderMenu.h"
#include "addin/host/services.h"
#include "automation/object.h"

namespace brisko {

class CInspectorWrapper : public Object, public IInspectorWrapper, public FolderMenuEvents {
public:
    CInspectorWrapper();
    ~CInspectorWrapper() override;

    // False when the window gets no commands (not a sent, saved mail, or edited with Word).
    bool Init(const ObjectPtr& oInspector);
    void UpdateButtons() override;
    void Done() noexcept;
    // The window; nothing after Done.
    ObjectPtr GetInspector() const override { return m_oInspector.Get(); }

    const std::wstring& Tag() const noexcept { return m_sTag; }
    std::wstring TypeName() const override { return L"CInspectorWrapper"; }

private:
    void m_oInspector_Activate();
    void m_oInspector_Close();
    void CreateToolbarButtons();
    void CreateButtons();
    void SubscribeButton(WithEvents& field, const ObjectPtr& button, bool bQuickTask);
    void m_btnQuickTask_Click();
    void m_btnQuickAppointment_Click();
    std::shared_ptr<CFolderMenu> NewFolderMenu();
    // Keeps a control this window got, so that Done deletes it whatever happened after Add.
    ObjectPtr Added(ObjectPtr control);

    void MoveMail(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID) override;
    void MoveMailPF() override;
    void SetDefFolder(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID) override;

    WithEvents m_oInspector;
    ObjectPtr m_bars;
    std::wstring m_sTag;
    bool m_bNeedCreate = false;
    WithEvents m_btnQuickTask;
    WithEvents m_btnQuickAppointment;
    std::shared_ptr<CFolderMenu> m_mnuFolders;
    WithEvents m_btnQuickTaskAM;
    WithEvents m_btnQuickAppointmentAM;
    std::shared_ptr<CFolderMenu> m_mnuFoldersAM;
    std::vector<ObjectPtr> added_;
};

}  // namespace brisko
