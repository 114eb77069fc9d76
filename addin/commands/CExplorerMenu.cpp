#include "addin/commands/CExplorerMenu.h"

#include "addin/commands/bar_controls.h"
#include "addin/commands/mExplorerMenu.h"
#include "addin/host/CTorvik.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "automation/error.h"
#include "automation/text.h"

namespace brisko {

namespace {

// Built-in controls of context menus that are not the item context menu.
constexpr std::int32_t kForeignContextIds[] = {7887, 1747, 1880, 1878, 1746, 1917, 1916, 2990};

bool MailOrPostFolder(const ObjectPtr& oFolder) {
    const auto type = GetOf(oFolder, L"DefaultItemType").AsInt();
    return type == 6 || type == 0;
}


}  // namespace

CExplorerMenu::~CExplorerMenu() { Done(); }

ObjectPtr CExplorerMenu::Explorer() const { return ObjectOf(m_bars.Get(), L"Parent"); }

std::shared_ptr<CFolderMenu> CExplorerMenu::NewFolderMenu() {
    auto menu = std::make_shared<CFolderMenu>();
    menu->SetEventSink(std::static_pointer_cast<CExplorerMenu>(shared_from_this()));
    return menu;
}

void CExplorerMenu::SubscribeButton(WithEvents& field, const ObjectPtr& button, Button kind) {
    std::weak_ptr<CExplorerMenu> weak = std::static_pointer_cast<CExplorerMenu>(shared_from_this());
    field.Set(button, [weak, kind](std::wstring_view event, Args&) {
        if (!EqualsNoCase(event, L"Click")) return;
        auto self = weak.lock();
        if (!self) return;
        if (kind == Button::QuickTask) self->m_btnQuickTask_Click();
        else self->m_btnQuickAppointment_Click();
    });
}

void CExplorerMenu::Create(const ObjectPtr& oExplorer, const std::wstring& sExplorerWrapperKey) {
    Trapped(L"CExplorerMenu.Create", [&] {
        m_sExplorerWrapperKey = sExplorerWrapperKey;
        std::weak_ptr<CExplorerMenu> weak = std::static_pointer_cast<CExplorerMenu>(shared_from_this());
        m_bars.Set(ObjectOf(oExplorer, L"CommandBars"), [weak](std::wstring_view event, Args&) {
            if (!EqualsNoCase(event, L"OnUpdate")) return;
            if (auto self = weak.lock()) self->m_bars_OnUpdate();
        });
    });
}

void CExplorerMenu::m_bars_OnUpdate() {
    Trapped(L"CExplorerMenu.m_bars_OnUpdate", [&] {
        LogDebug(L"CExplorerMenu.m_bars_OnUpdate", L"->", 3);
        if (!m_bAboutAdded) {
            // Retried at the next update; the commands don't wait for it.
            ResumeNext next;
            next([&] { m_bAboutAdded = Torvik().AddAboutMenu(Explorer()) == 0; });
            Err().Clear();
        }
        if (!m_btnQuickTask || !m_btnQuickAppointment || !m_mnuFolders) {
            CreateToolbarButtons();
            UpdateButtons(ueManual);
        }
        if (!m_btnQuickTaskAM || !m_btnQuickAppointmentAM) {
            CreateButtons();
            UpdateButtons(ueManual);
        }
        CreateConextMenu();
    });
}

void CExplorerMenu::CreateToolbarButtons() {
    Trapped(L"CExplorerMenu.CreateToolbarButtons", [&] {
        if (!MailOrPostFolder(ObjectOf(Explorer(), L"CurrentFolder"))) return;
        const auto bar = CallOf(m_bars.Get(), L"Item", {Value(L"Standard")}).AsObject();
        const std::int32_t position = ToolbarPosition(bar);
        if (!m_btnQuickTask) {
            const auto button = AddTemporaryControl(ObjectOf(bar, L"Controls"), msoControlButton, position);
            DressQuickButton(button, true,
                             {.style = msoButtonIcon, .beginGroup = true, .visible = false, .enabled = false});
            SubscribeButton(m_btnQuickTask, button, Button::QuickTask);
        }
        if (!m_btnQuickAppointment) {
            const auto button = AddTemporaryControl(ObjectOf(bar, L"Controls"), msoControlButton,
                                                    GetOf(m_btnQuickTask.Get(), L"Index").AsInt() + 1);
            DressQuickButton(button, false, {.style = msoButtonIcon, .visible = false, .enabled = false});
            SubscribeButton(m_btnQuickAppointment, button, Button::QuickAppointment);
        }
        if (!m_mnuFolders) {
            m_mnuFolders = NewFolderMenu();
            const auto appointment = m_btnQuickAppointment.Get();
            m_mnuFolders->Create(CFolderMenu::Toolbar, ObjectOf(ObjectOf(appointment, L"Parent"), L"Controls"),
                                 GetOf(appointment, L"Index").AsInt() + 1, L"");
        }
    });
}

void CExplorerMenu::CreateButtons() {
    Trapped(L"CExplorerMenu.CreateButtons", [&] {
        const auto bar = CallOf(m_bars.Get(), L"Item", {Value(L"Menu Bar")}).AsObject();
        const auto popup = FindBuiltIn(bar, kIdActionsPopup);
        if (!popup) return;
        const auto controls = ObjectOf(popup, L"Controls");
        if (!m_btnQuickTaskAM) {
            const auto button = AddTemporaryControl(controls, msoControlButton);
            DressQuickButton(button, true,
                             {.style = msoButtonIconAndCaption, .caption = true, .beginGroup = true,
                              .visible = false, .enabled = false});
            SubscribeButton(m_btnQuickTaskAM, button, Button::QuickTask);
        }
        if (!m_btnQuickAppointmentAM) {
            const auto button =
                AddTemporaryControl(controls, msoControlButton, GetOf(m_btnQuickTaskAM.Get(), L"Index").AsInt() + 1);
            DressQuickButton(button, false,
                             {.style = msoButtonIconAndCaption, .caption = true, .visible = false,
                              .enabled = false});
            SubscribeButton(m_btnQuickAppointmentAM, button, Button::QuickAppointment);
        }
        if (!m_mnuFoldersAM) {
            m_mnuFoldersAM = NewFolderMenu();
            m_mnuFoldersAM->Create(CFolderMenu::Menu, controls,
                                   GetOf(m_btnQuickAppointmentAM.Get(), L"Index").AsInt() + 1, L"");
        }
    });
}

void CExplorerMenu::CreateConextMenu() {
    Resuming([&](ResumeNext& next) {
        const auto major = GetOutlookMajorVersion();
        if (major != 10 && major != 11) return;
        const ObjectPtr explorer = Explorer();
        bool bVisible = false, bEnabled = false, bFolderEnabled = false;
        ExplorerMenu_GetButtonsState(explorer, bVisible, bEnabled, bFolderEnabled);
        if (!bVisible) return;

        const auto bar = CallOf(m_bars.Get(), L"Item", {Value(L"Context Menu")}).AsObject();
        ObjectPtr task, appointment, folders;
        next([&] { task = FindTagged(bar, kTagContextQTask); });
        next([&] { appointment = FindTagged(bar, kTagContextQAppointment); });
        next([&] { folders = FindTagged(bar, kTagContextFolders); });
        // Buttons another menu object of this window made still need their clicks.
        if (task && !m_btnQuickTaskCM) next([&] { SubscribeButton(m_btnQuickTaskCM, task, Button::QuickTask); });
        if (appointment && !m_btnQuickAppointmentCM) {
            next([&] { SubscribeButton(m_btnQuickAppointmentCM, appointment, Button::QuickAppointment); });
        }
        if (task && appointment && folders) return;

        for (const auto id : kForeignContextIds) {
            if (FindBuiltIn(bar, id)) return;
        }

        std::int32_t protection = 0;
        next([&] { protection = GetOf(bar, L"Protection").AsInt(); });
        next([&] { PutOf(bar, L"Protection", Value(protection & ~msoBarNoCustomize)); });
        const auto controls = ObjectOf(bar, L"Controls");
        if (!task) {
            next([&] {
                const auto button = AddTemporaryControl(controls, msoControlButton);
                DressQuickButton(button, true,
                                 {.style = msoButtonIconAndCaption, .caption = true, .tag = kTagContextQTask,
                                  .beginGroup = true, .visible = bVisible, .enabled = bEnabled});
                SubscribeButton(m_btnQuickTaskCM, button, Button::QuickTask);
            });
        }
        if (!appointment) {
            next([&] {
                const auto button = AddTemporaryControl(controls, msoControlButton);
                DressQuickButton(button, false,
                                 {.style = msoButtonIconAndCaption, .caption = true,
                                  .tag = kTagContextQAppointment, .visible = bVisible, .enabled = bEnabled});
                SubscribeButton(m_btnQuickAppointmentCM, button, Button::QuickAppointment);
            });
        }
        if (!folders) {
            next([&] {
                m_mnuFoldersCM = NewFolderMenu();
                m_mnuFoldersCM->Create(CFolderMenu::Menu, controls, GetOf(controls, L"Count").AsInt() + 1,
                                       kTagContextFolders);
                m_mnuFoldersCM->UpdateButtons(ueManual, bVisible, bFolderEnabled,
                                              ObjectOf(explorer, L"CurrentFolder"));
            });
        }
        next([&] { PutOf(bar, L"Protection", Value(protection)); });
    });
}

void CExplorerMenu::UpdateButtons(int nEvent) {
    Trapped(L"CExplorerMenu.UpdateButtons", [&] {
        LogDebug(L"CExplorerMenu.UpdateButtons", GuiUpdateEvent2Str(nEvent), 3);
        const ObjectPtr explorer = Explorer();
        bool bVisible = false, bEnabled = false, bFolderEnabled = false;
        ExplorerMenu_GetButtonsState(explorer, bVisible, bEnabled, bFolderEnabled);
        for (const ObjectPtr& button : {m_btnQuickTask.Get(), m_btnQuickAppointment.Get()}) {
            if (!button) continue;
            PutIfChanged(button, L"Enabled", bEnabled);
            PutIfChanged(button, L"Visible", bVisible);
        }
        if (m_mnuFolders) {
            m_mnuFolders->UpdateButtons(nEvent, bVisible, bFolderEnabled, ObjectOf(explorer, L"CurrentFolder"));
        }
        for (const ObjectPtr& button : {m_btnQuickTaskAM.Get(), m_btnQuickAppointmentAM.Get()}) {
            if (!button) continue;
            PutOf(button, L"Enabled", Value(bEnabled));
            PutOf(button, L"Visible", Value(bVisible));
        }
        if (m_mnuFoldersAM) {
            m_mnuFoldersAM->UpdateButtons(nEvent, bVisible, bFolderEnabled, ObjectOf(explorer, L"CurrentFolder"));
        }
        // The item context menu's entries stay on their bar between showings: they follow the
        // selection and the list like the toolbar's.
        for (const ObjectPtr& button : {m_btnQuickTaskCM.Get(), m_btnQuickAppointmentCM.Get()}) {
            if (!button) continue;
            PutIfChanged(button, L"Enabled", bEnabled);
            PutIfChanged(button, L"Visible", bVisible);
        }
        if (m_mnuFoldersCM) {
            m_mnuFoldersCM->UpdateButtons(nEvent, bVisible, bFolderEnabled, ObjectOf(explorer, L"CurrentFolder"));
        }
    });
}

void CExplorerMenu::m_btnQuickTask_Click() {
    Trapped(L"CExplorerMenu.m_btnQuickTask_Click", [&] { ExplorerMenu_ShowQuickTask(Explorer()); });
}

void CExplorerMenu::m_btnQuickAppointment_Click() {
    Trapped(L"CExplorerMenu.m_btnQuickAppointment_Click", [&] { ExplorerMenu_ShowQuickAppointment(Explorer()); });
}

void CExplorerMenu::MoveMail(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID) {
    Resuming([&](ResumeNext& next) { next([&] { Menu_MoveMail(Explorer(), kWindowExplorer, sFolderEntryID, sFolderStoreID); }); });
}

void CExplorerMenu::MoveMailPF() {
    Resuming([&](ResumeNext& next) { next([&] { Menu_MoveMailPF(Explorer(), kWindowExplorer); }); });
}

void CExplorerMenu::SetDefFolder(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID) {
    Resuming([&](ResumeNext& next) { next([&] { Menu_SetDefFolder(sFolderEntryID, sFolderStoreID); }); });
}

void CExplorerMenu::Done() noexcept {
    m_btnQuickTask.Reset();
    m_btnQuickAppointment.Reset();
    m_btnQuickTaskAM.Reset();
    m_btnQuickAppointmentAM.Reset();
    m_btnQuickTaskCM.Reset();
    m_btnQuickAppointmentCM.Reset();
    for (auto* menu : {&m_mnuFolders, &m_mnuFoldersAM, &m_mnuFoldersCM}) {
        if (*menu) (*menu)->Done();
        menu->reset();
    }
    m_bars.Reset();
}

}  // namespace brisko
