// The item context menu of Outlook 2007 and later, raised by the context-menu events library.
#include "addin/commands/CFolderMenu.h"
#include "addin/commands/bar_controls.h"
#include "addin/commands/mExplorerMenu.h"
#include "addin/host/Connect.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "automation/text.h"

namespace brisko {

namespace {

// Sends the folder popup's events to the connection's handlers.
class FoldersCM2007Events : public FolderMenuEvents {
public:
    using Handler2 = void (Connect::*)(const std::wstring&, const std::wstring&) noexcept;
    FoldersCM2007Events(std::weak_ptr<Connect> owner, Handler2 move, void (Connect::*pick)() noexcept,
                        Handler2 setDefault)
        : owner_(std::move(owner)), move_(move), pick_(pick), setDefault_(setDefault) {}
    void MoveMail(const std::wstring& e, const std::wstring& s) override {
        if (auto o = owner_.lock()) ((*o).*move_)(e, s);
    }
    void MoveMailPF() override {
        if (auto o = owner_.lock()) ((*o).*pick_)();
    }
    void SetDefFolder(const std::wstring& e, const std::wstring& s) override {
        if (auto o = owner_.lock()) ((*o).*setDefault_)(e, s);
    }

private:
    std::weak_ptr<Connect> owner_;
    Handler2 move_;
    void (Connect::*pick_)() noexcept;
    Handler2 setDefault_;
};

ObjectPtr ActiveExplorer() { return CallOf(g_oApplication, L"ActiveExplorer").AsObject(); }

}  // namespace

void Connect::SubscribeCM2007(WithEvents& field, const ObjectPtr& button, bool bQuickTask) {
    std::weak_ptr<Connect> weak = std::static_pointer_cast<Connect>(shared_from_this());
    field.Set(button, [weak, bQuickTask](std::wstring_view event, Args&) {
        if (!EqualsNoCase(event, L"Click")) return;
        auto self = weak.lock();
        if (!self) return;
        if (bQuickTask) self->m_btnQuickTaskCM2007_Click();
        else self->m_btnQuickAppointmentCM2007_Click();
    });
}

void Connect::m_o2007events_OnItemContextMenuDisplay(const ObjectPtr& oCommandBar, const ObjectPtr&) noexcept {
    auto self = std::static_pointer_cast<Connect>(weak_from_this().lock());
    Trapped(L"Connect.m_o2007events_OnItemContextMenuDisplay", [&] {
        const ObjectPtr bar = oCommandBar;
        const ObjectPtr explorer = ActiveExplorer();
        bool bVisible = false, bEnabled = false, bFolderEnabled = false;
        ExplorerMenu_GetButtonsState(explorer, bVisible, bEnabled, bFolderEnabled);
        if (!bVisible) return;
        const ObjectPtr folder = ObjectOf(explorer, L"CurrentFolder");
        if (!folder) return;

        auto button = FindTagged(bar, kTagContextQTask);
        if (!button) {
            button = AddTemporaryControl(ObjectOf(bar, L"Controls"), msoControlButton);
            DressQuickButton(button, true,
                             {.style = msoButtonIconAndCaption, .caption = true, .tag = kTagContextQTask,
                              .beginGroup = true, .visible = bVisible, .enabled = bEnabled});
        }
        SubscribeCM2007(m_btnQuickTaskCM2007, button, true);

        button = FindTagged(bar, kTagContextQAppointment);
        if (!button) {
            button = AddTemporaryControl(ObjectOf(bar, L"Controls"), msoControlButton);
            DressQuickButton(button, false,
                             {.style = msoButtonIconAndCaption, .caption = true, .tag = kTagContextQAppointment,
                              .beginGroup = true, .visible = bVisible, .enabled = bEnabled});
        }
        SubscribeCM2007(m_btnQuickAppointmentCM2007, button, false);

        if (!FindTagged(bar, kTagContextFolders)) {
            if (!m_mnuFoldersCM2007Events) {
                m_mnuFoldersCM2007Events = std::make_shared<FoldersCM2007Events>(
                    self, &Connect::m_mnuFoldersCM2007_MoveMail, &Connect::m_mnuFoldersCM2007_MoveMailPF,
                    &Connect::m_mnuFoldersCM2007_SetDefFolder);
            }
            DropContextMenu2007();
            m_mnuFoldersCM2007 = std::make_shared<CFolderMenu>();
            m_mnuFoldersCM2007->SetEventSink(m_mnuFoldersCM2007Events);
            const auto controls = ObjectOf(bar, L"Controls");
            m_mnuFoldersCM2007->Create(CFolderMenu::Menu, controls, GetOf(controls, L"Count").AsInt() + 1,
                                       kTagContextFolders);
            m_mnuFoldersCM2007->UpdateButtons(ueManual, bVisible, bFolderEnabled, folder);
        }
    });
}

void Connect::m_o2007events_OnContextMenuClose(std::int32_t nContextMenu) noexcept {
    auto self = weak_from_this().lock();
    Resuming([&](ResumeNext&) {
        if (nContextMenu != 0) return;
        m_btnQuickTaskCM2007.Reset();
        m_btnQuickAppointmentCM2007.Reset();
        DropContextMenu2007();
    });
}

void Connect::DropContextMenu2007() noexcept {
    auto menu = std::move(m_mnuFoldersCM2007);
    m_mnuFoldersCM2007.reset();
    if (menu) menu->Done();
}

void Connect::m_btnQuickTaskCM2007_Click() noexcept {
    auto self = weak_from_this().lock();
    Resuming([&](ResumeNext& next) { next([&] { ExplorerMenu_ShowQuickTask(ActiveExplorer()); }); });
}

void Connect::m_btnQuickAppointmentCM2007_Click() noexcept {
    auto self = weak_from_this().lock();
    Resuming([&](ResumeNext& next) { next([&] { ExplorerMenu_ShowQuickAppointment(ActiveExplorer()); }); });
}

void Connect::m_mnuFoldersCM2007_MoveMail(const std::wstring& sFolderEntryID,
                                          const std::wstring& sFolderStoreID) noexcept {
    auto self = weak_from_this().lock();
    Resuming([&](ResumeNext& next) {
        next([&] { Menu_MoveMail(ActiveExplorer(), kWindowExplorer, sFolderEntryID, sFolderStoreID); });
    });
}

void Connect::m_mnuFoldersCM2007_MoveMailPF() noexcept {
    auto self = weak_from_this().lock();
    Resuming([&](ResumeNext& next) { next([&] { Menu_MoveMailPF(ActiveExplorer(), kWindowExplorer); }); });
}

void Connect::m_mnuFoldersCM2007_SetDefFolder(const std::wstring& sFolderEntryID,
                                              const std::wstring& sFolderStoreID) noexcept {
    auto self = weak_from_this().lock();
    Resuming([&](ResumeNext& next) { next([&] { Menu_SetDefFolder(sFolderEntryID, sFolderStoreID); }); });
}

}  // namespace brisko
