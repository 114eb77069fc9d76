#include "addin/tracking/CInspectorWrapper.h"

#include "addin/commands/bar_controls.h"
#include "addin/commands/mExplorerMenu.h"
#include "addin/dialogs/mForms.h"
#include "addin/host/error_discipline.h"
#include "addin/tracking/CExplorerWrapper.h"
#include "automation/error.h"
#include "automation/text.h"

namespace brisko {

namespace {

constexpr std::int32_t kClassMail = 43;
constexpr std::int32_t kEditorWord = 4;

}  // namespace

CInspectorWrapper::CInspectorWrapper() : m_sTag(CExplorerWrapper::MakeKey()) {}

CInspectorWrapper::~CInspectorWrapper() { Done(); }

bool CInspectorWrapper::Init(const ObjectPtr& oInspector) {
    bool ok = false;
    try {
        const auto item = ObjectOf(oInspector, L"CurrentItem");
        if (GetOf(item, L"Class").AsInt() != kClassMail) return false;
        if (GetOf(oInspector, L"EditorType").AsInt() == kEditorWord || !GetOf(item, L"Sent").AsBool()) return false;
        if (GetOf(item, L"EntryID").AsString().empty()) return false;
        m_bNeedCreate = true;
        std::weak_ptr<CInspectorWrapper> weak = std::static_pointer_cast<CInspectorWrapper>(shared_from_this());
        m_oInspector.Set(oInspector, [weak](std::wstring_view event, Args&) {
            auto self = weak.lock();
            if (!self) return;
            if (EqualsNoCase(event, L"Activate")) self->m_oInspector_Activate();
            else if (EqualsNoCase(event, L"Close")) self->m_oInspector_Close();
        });
        m_oInspector_Activate();
        LogDebug(L"CInspectorWrapper.Init", L"Initialized,Tag=" + m_sTag, 2);
        ok = true;
    } catch (...) {
        // A window whose mail can't be read gets no commands.
        ok = false;
    }
    if (!ok) Done();
    Err().Clear();
    return ok;
}

std::shared_ptr<CFolderMenu> CInspectorWrapper::NewFolderMenu() {
    auto menu = std::make_shared<CFolderMenu>();
    menu->SetEventSink(std::static_pointer_cast<CInspectorWrapper>(shared_from_this()));
    return menu;
}

ObjectPtr CInspectorWrapper::Added(ObjectPtr control) {
    if (control) added_.push_back(control);
    return control;
}

void CInspectorWrapper::SubscribeButton(WithEvents& field, const ObjectPtr& button, bool bQuickTask) {
    std::weak_ptr<CInspectorWrapper> weak = std::static_pointer_cast<CInspectorWrapper>(shared_from_this());
    field.Set(button, [weak, bQuickTask](std::wstring_view event, Args&) {
        if (!EqualsNoCase(event, L"Click")) return;
        auto self = weak.lock();
        if (!self) return;
        if (bQuickTask) self->m_btnQuickTask_Click();
        else self->m_btnQuickAppointment_Click();
    });
}

void CInspectorWrapper::m_oInspector_Activate() {
    Trapped(L"CInspectorWrapper.m_oInspector_Activate", [&] {
        if (!m_bNeedCreate) return;
        m_bNeedCreate = false;
        Assert(GetOutlookMajorVersion() < 12, L"CInspectorWrapper.m_oInspector_Activate", L"GetOutlookVersion < 12");
        m_bars = ObjectOf(m_oInspector.Get(), L"CommandBars");
        CreateToolbarButtons();
        CreateButtons();
    });
}

void CInspectorWrapper::CreateToolbarButtons() {
    Trapped(L"CInspectorWrapper.CreateToolbarButtons", [&] {
        const auto bar = CallOf(m_bars, L"Item", {Value(L"Standard")}).AsObject();
        const std::int32_t position = ToolbarPosition(bar);
        const auto controls = ObjectOf(bar, L"Controls");
        auto button = Added(AddTemporaryControl(controls, msoControlButton, position));
        DressQuickButton(button, true,
                         {.style = msoButtonIcon, .beginGroup = true, .visible = true, .enabled = true});
        SubscribeButton(m_btnQuickTask, button, true);

        button = Added(AddTemporaryControl(controls, msoControlButton, GetOf(button, L"Index").AsInt() + 1));
        DressQuickButton(button, false, {.style = msoButtonIcon, .visible = true, .enabled = true});
        SubscribeButton(m_btnQuickAppointment, button, false);

        m_mnuFolders = NewFolderMenu();
        m_mnuFolders->Create(CFolderMenu::Toolbar, controls, GetOf(button, L"Index").AsInt() + 1, L"");
        m_mnuFolders->UpdateButtons(ueManual, true, true,
                                    ObjectOf(ObjectOf(m_oInspector.Get(), L"CurrentItem"), L"Parent"));
    });
}

void CInspectorWrapper::CreateButtons() {
    Trapped(L"CInspectorWrapper.CreateButtons", [&] {
        const auto bar = CallOf(m_bars, L"Item", {Value(L"Menu Bar")}).AsObject();
        const auto popup = FindBuiltIn(bar, kIdActionsPopup);
        if (!popup) return;
        const auto controls = ObjectOf(popup, L"Controls");
        auto button = Added(AddTemporaryControl(controls, msoControlButton));
        DressQuickButton(button, true,
                         {.style = msoButtonIconAndCaption, .caption = true, .beginGroup = true,
                          .visible = true, .enabled = true});
        SubscribeButton(m_btnQuickTaskAM, button, true);

        button = Added(AddTemporaryControl(controls, msoControlButton, GetOf(button, L"Index").AsInt() + 1));
        DressQuickButton(button, false,
                         {.style = msoButtonIconAndCaption, .caption = true, .visible = true, .enabled = true});
        SubscribeButton(m_btnQuickAppointmentAM, button, false);

        m_mnuFoldersAM = NewFolderMenu();
        m_mnuFoldersAM->Create(CFolderMenu::Menu, controls, GetOf(button, L"Index").AsInt() + 1, L"");
        m_mnuFoldersAM->UpdateButtons(ueManual, true, true,
                                      ObjectOf(ObjectOf(m_oInspector.Get(), L"CurrentItem"), L"Parent"));
    });
}

void CInspectorWrapper::UpdateButtons() {
    Resuming([&](ResumeNext& next) {
        for (const auto& menu : {m_mnuFolders, m_mnuFoldersAM}) {
            if (!menu) continue;
            next([&] {
                menu->UpdateButtons(ueManual, true, true,
                                    ObjectOf(ObjectOf(m_oInspector.Get(), L"CurrentItem"), L"Parent"));
            });
        }
    });
}

void CInspectorWrapper::m_btnQuickTask_Click() {
    Trapped(L"CInspectorWrapper.m_btnQuickTask_Click",
            [&] { ShowQuickTask(ObjectOf(m_oInspector.Get(), L"CurrentItem"), false); });
}

void CInspectorWrapper::m_btnQuickAppointment_Click() {
    Trapped(L"CInspectorWrapper.m_btnQuickAppointment_Click",
            [&] { ShowQuickAppointment(ObjectOf(m_oInspector.Get(), L"CurrentItem"), false); });
}

void CInspectorWrapper::MoveMail(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID) {
    const ObjectPtr inspector = m_oInspector.Get();
    Resuming([&](ResumeNext& next) {
        next([&] { Menu_MoveMail(inspector, kWindowInspector, sFolderEntryID, sFolderStoreID); });
    });
}

void CInspectorWrapper::MoveMailPF() {
    const ObjectPtr inspector = m_oInspector.Get();
    Resuming([&](ResumeNext& next) { next([&] { Menu_MoveMailPF(inspector, kWindowInspector); }); });
}

void CInspectorWrapper::SetDefFolder(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID) {
    Resuming([&](ResumeNext& next) { next([&] { Menu_SetDefFolder(sFolderEntryID, sFolderStoreID); }); });
}

void CInspectorWrapper::m_oInspector_Close() {
    Resuming([&](ResumeNext& next) {
        next([&] { LogDebug(L"CInspectorWrapper::m_oInspector_Close", L"Tag=" + m_sTag, 2); });
        Done();
    });
}

void CInspectorWrapper::Done() noexcept {
    ResumeNext next;
    // The window's bars outlive it: every control this window got is deleted.
    for (auto it = added_.rbegin(); it != added_.rend(); ++it) {
        next([&] { CallOf(*it, L"Delete"); });
    }
    added_.clear();
    m_btnQuickTask.Reset();
    m_btnQuickAppointment.Reset();
    m_btnQuickTaskAM.Reset();
    m_btnQuickAppointmentAM.Reset();
    for (auto* menu : {&m_mnuFolders, &m_mnuFoldersAM}) {
        if (*menu) (*menu)->Delete();
        menu->reset();
    }
    m_bars.reset();
    m_oInspector.Reset();
    Err().Clear();
}

}  // namespace brisko
