// The add-in object the host creates and drives.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "addin/host/services.h"
#include "addin/tracking/CExplorersWrapper.h"
#include "automation/object.h"

namespace brisko {

class CFolderMenu;
class FolderMenuEvents;

// ext_ConnectMode and ext_DisconnectMode.
enum ConnectMode { ext_cm_AfterStartup = 0, ext_cm_Startup = 1, ext_cm_External = 2, ext_cm_CommandLine = 3 };
enum DisconnectMode { ext_dm_HostShutdown = 0, ext_dm_UserClosed = 1 };

enum class ConnectState { Loaded, Connected, Inert, TrackingExplorers, Running, WaitingNewExplorer, ShutDown };
const wchar_t* StateName(ConnectState state);

class Connect : public Object, public ExplorersEvents, public InspectorsEvents, public ContextMenuEventsSink {
public:
    Connect() = default;
    ~Connect() override;

    // IDTExtensibility2. None of them lets an error escape.
    void OnConnection(const ObjectPtr& application, std::int32_t connectMode, const ObjectPtr& addInInst,
                      Array& custom) noexcept;
    void OnDisconnection(std::int32_t removeMode, Array& custom) noexcept;
    void OnAddInsUpdate(Array& custom) noexcept;
    void OnStartupComplete(Array& custom) noexcept;
    void OnBeginShutdown(Array& custom) noexcept;

    bool Init(const std::shared_ptr<CExplorerWrapper>& oExplorer);
    void Done(bool bFull) noexcept;
    void AddExplorerMenu(const std::shared_ptr<CExplorerWrapper>& oExplorer);
    void UpdateRecentFoldersControls();
    std::shared_ptr<CExplorersWrapper> Explorers() const { return m_oExplorers; }

    // IRibbonExtensibility: the markup for a ribbon type ("" for no customisation).
    std::wstring GetCustomUI(const std::wstring& ribbonId) noexcept;
    // The ribbon callbacks named in the markup; none lets an error escape. `control` is the
    // host's IRibbonControl (Id, Context, Tag), `ribbon` its IRibbonUI.
    void Ribbon_OnLoad(const ObjectPtr& ribbon) noexcept;
    void RibbonButton_Action(const ObjectPtr& control) noexcept;
    bool RibbonControl_GetEnabled(const ObjectPtr& control) noexcept;
    bool RibbonControl_GetVisible(const ObjectPtr& control) noexcept;
    std::wstring RibbonControl_GetLabel(const ObjectPtr& control) noexcept;
    std::wstring RibbonButton_GetScreentip(const ObjectPtr& control) noexcept;
    // A picture object (IPictureDisp on Windows), or nothing.
    ObjectPtr RibbonButton_GetImage(const ObjectPtr& control) noexcept;
    void Ribbon_sbtnFolder_Invalidate(const std::wstring& kind);

    // Late bound as Office reaches the add-in: "GetCustomUI" and the ribbon callbacks by name
    // (DISPATCH_METHOD); anything else raises 438.
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;

    ConnectState State() const noexcept { return state_; }
    bool InDone() const noexcept { return m_bInDone; }
    double FoldersLMT() const noexcept { return m_dtFoldersLMT; }

    std::wstring TypeName() const override { return L"Connect"; }

private:
    // Events of the trackers.
    void OnCloseAllExplorers() override { m_oExplorers_OnCloseAllExplorers(); }
    void OnExplorer(const std::shared_ptr<CExplorerWrapper>& oExplorer, bool bFirstExplorer,
                    bool bNewExplorer) override {
        m_oExplorers_OnExplorer(oExplorer, bFirstExplorer, bNewExplorer);
    }
    void OnExplorerSelectionChange(const std::shared_ptr<CExplorerWrapper>& oExplorer) override {
        m_oExplorers_OnExplorerSelectionChange(oExplorer);
    }
    void OnExplorerFolderSwitch(const std::shared_ptr<CExplorerWrapper>& oExplorer) override {
        m_oExplorers_OnExplorerFolderSwitch(oExplorer);
    }
    void OnNewInspector(const ObjectPtr& oInspector) override { m_oInspectors_OnNewInspector(oInspector); }
    void OnItemContextMenuDisplay(const ObjectPtr& oCommandBar, const ObjectPtr& oSelection) override {
        m_o2007events_OnItemContextMenuDisplay(oCommandBar, oSelection);
    }
    void OnContextMenuClose(std::int32_t nContextMenu) override { m_o2007events_OnContextMenuClose(nContextMenu); }

    // The item context menu of Outlook 2007 and later.
    void m_o2007events_OnItemContextMenuDisplay(const ObjectPtr& oCommandBar, const ObjectPtr& oSelection) noexcept;
    void m_o2007events_OnContextMenuClose(std::int32_t nContextMenu) noexcept;
    void m_btnQuickTaskCM2007_Click() noexcept;
    void m_btnQuickAppointmentCM2007_Click() noexcept;
    void m_mnuFoldersCM2007_MoveMail(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID) noexcept;
    void m_mnuFoldersCM2007_MoveMailPF() noexcept;
    void m_mnuFoldersCM2007_SetDefFolder(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID) noexcept;
    void SubscribeCM2007(WithEvents& field, const ObjectPtr& button, bool bQuickTask);
    // Releases the item context menu's folder popup (its controls stay with the menu).
    void DropContextMenu2007() noexcept;

    void m_oExplorers_OnExplorer(const std::shared_ptr<CExplorerWrapper>& oExplorer, bool bFirstExplorer,
                                 bool bNewExplorer);
    void m_oExplorers_OnCloseAllExplorers() noexcept;
    void m_oExplorers_OnExplorerSelectionChange(const std::shared_ptr<CExplorerWrapper>& oExplorer);
    void m_oExplorers_OnExplorerFolderSwitch(const std::shared_ptr<CExplorerWrapper>& oExplorer);
    void m_oInspectors_OnNewInspector(const ObjectPtr& oInspector) noexcept;
    void RefreshExplorerCommands(const std::shared_ptr<CExplorerWrapper>& oExplorer, int reason);
    bool BindSupportLibrary();

    std::shared_ptr<CExplorersWrapper> m_oExplorers;
    std::shared_ptr<IInspectorsTracker> m_oInspectors;
    std::shared_ptr<IContextMenuEvents> m_o2007events;
    WithEvents m_btnQuickTaskCM2007;
    WithEvents m_btnQuickAppointmentCM2007;
    std::shared_ptr<CFolderMenu> m_mnuFoldersCM2007;
    // Receives the events of m_mnuFoldersCM2007 for this object.
    std::shared_ptr<FolderMenuEvents> m_mnuFoldersCM2007Events;
    ObjectPtr m_oRibbon;
    bool m_bInDone = false;
    double m_dtFoldersLMT = 0.0;
    ConnectState state_ = ConnectState::Loaded;
};

}  // namespace brisko
