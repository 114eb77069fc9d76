#include "addin/host/Connect.h"

#include "addin/commands/CFolderMenu.h"

#include "addin/host/COptions.h"
#include "addin/host/CTorvik.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "addin/host/mTorvik.h"
#include "automation/error.h"
#include "platform/platform.h"

namespace brisko {

namespace {
constexpr const wchar_t* kOnConnection = L"Connect.IDTExtensibility2_OnConnection";
}

const wchar_t* StateName(ConnectState state) {
    switch (state) {
        case ConnectState::Loaded: return L"Loaded";
        case ConnectState::Connected: return L"Connected";
        case ConnectState::Inert: return L"Inert";
        case ConnectState::TrackingExplorers: return L"Tracking explorers";
        case ConnectState::Running: return L"Running";
        case ConnectState::WaitingNewExplorer: return L"Waiting for a new explorer";
        case ConnectState::ShutDown: return L"Shut down";
    }
    return L"";
}

Connect::~Connect() { DropContextMenu2007(); }

bool Connect::BindSupportLibrary() {
    auto& platform = CurrentPlatform();
    platform.callbacks.langId = &TorvikLangIdCallback;
    platform.callbacks.currentUserEmail = &TorvikCurrentUserEmailCallback;
    platform.callbacks.versionTexts = &TorvikVersionTextsCallback;

    TorvikInitParams params;
    std::uint32_t appRef = 0;
    std::int32_t result = 0;
    bool raised = false;
    {
        ResumeNext next;
        Err().Clear();
        next([&] {
            auto& torvik = Torvik();
            torvik.PrepareInitParams(params, 512, 384);
            auto* handles = platform.handles;
            if (!handles) Raise(err::InternalError, L"No handles");
            appRef = handles->RetainObject(g_oApplication);
            params.SetU32(TorvikInitParams::kApplication, appRef);
            params.SetU32(TorvikInitParams::kVersion, 2);
            params.SetU32(TorvikInitParams::kProductCode, 14);
            params.SetU32(16, 0);
            params.SetU32(20, 0);
            params.SetU32(24, 0);
            params.SetU32(TorvikInitParams::kLangCallback, handles->CallbackAddress(TorvikCallback::LangID));
            params.SetU32(TorvikInitParams::kVersionTextsCallback,
                          handles->CallbackAddress(TorvikCallback::VersionTexts));
            params.SetU16(TorvikInitParams::kFlag28, 0xFFFF);
            params.SetU32(TorvikInitParams::kEmailCallback,
                          handles->CallbackAddress(TorvikCallback::CurrentUserEmail));
            params.SetU32(TorvikInitParams::kField172, 1);
            params.SetU32(TorvikInitParams::kField176, 1);
            result = torvik.InitEx(platform.moduleHandle, params);
        });
        raised = Err().Pending();
    }
    // The record's reference to the application lives only as long as the call.
    if (appRef != 0 && platform.handles) platform.handles->ReleaseObject(appRef);
    if (raised) {
        LogError(kOnConnection);
        return false;
    }
    if (result != 0) {
        LogError(kOnConnection, 0, L"Torvik.InitEx returned " + std::to_wstring(result));
        return false;
    }
    return true;
}

void Connect::OnConnection(const ObjectPtr& application, std::int32_t, const ObjectPtr&, Array&) noexcept {
    auto self = std::static_pointer_cast<Connect>(weak_from_this().lock());
    bool ok = false;
    TrappedWith(
        [&] {
            m_dtFoldersLMT = 0.0;
            if (auto* desktop = CurrentPlatform().desktop) desktop->InitCommonControls();
            g_oConnect = self;
            g_oApplication = application;
            if (!BindSupportLibrary()) {
                state_ = ConnectState::Inert;
                Done(true);
                return;
            }
            g_oLang = Services().newLanguage();
            g_oLang->InitEx(Options().ProductShortName());
            g_oRecentMove2Folders = Services().newRecentFolders();
            g_oRecentMove2Folders->Init(L"RecentMove2Folders");
            g_oRecentCalendars = Services().newRecentFolders();
            g_oRecentCalendars->Init(L"RecentCalendars");
            ok = true;
        },
        [&] {
            LogError(kOnConnection);
            Done(true);
        });
    state_ = ok ? ConnectState::Connected : ConnectState::Inert;
}

void Connect::OnStartupComplete(Array&) noexcept {
    auto self = std::static_pointer_cast<Connect>(weak_from_this().lock());
    Resuming([&](ResumeNext& next) {
        LogDebug(L"Connect.IDTExtensibility2_OnStartupComplete", L"->", 3);
        next([&] {
            m_oInspectors = Services().newInspectorsTracker();
            m_oInspectors->SetEventSink(std::static_pointer_cast<InspectorsEvents>(self));
        });
        next([&] {
            m_oExplorers = std::make_shared<CExplorersWrapper>();
            m_oExplorers->SetEventSink(std::static_pointer_cast<ExplorersEvents>(self));
        });
        if (state_ == ConnectState::Connected) state_ = ConnectState::TrackingExplorers;
        next([&] {
            if (!m_oExplorers) Raise(err::ObjectNotSet);
            auto tracker = m_oExplorers;
            tracker->Init(ObjectOf(g_oApplication, L"Explorers"));
        });
    });
}

void Connect::OnAddInsUpdate(Array&) noexcept {}

void Connect::OnBeginShutdown(Array&) noexcept {
    auto self = weak_from_this().lock();
    Done(true);
}

void Connect::OnDisconnection(std::int32_t, Array&) noexcept {
    auto self = weak_from_this().lock();
    Done(true);
}

void Connect::m_oExplorers_OnExplorer(const std::shared_ptr<CExplorerWrapper>& oExplorer, bool bFirstExplorer,
                                      bool) {
    Trapped(L"Connect.m_oExplorers_OnExplorer", [&] {
        LogDebug(L"Connect.m_oExplorers_OnExplorer", L"->", 3);
        if (bFirstExplorer) {
            if (!Init(oExplorer)) Done(true);
        } else {
            AddExplorerMenu(oExplorer);
        }
    });
}

bool Connect::Init(const std::shared_ptr<CExplorerWrapper>& oExplorer) {
    auto self = std::static_pointer_cast<Connect>(weak_from_this().lock());
    const bool ok = Trapped(
        L"Connect.Init",
        [&] {
            LogDebug(L"Connect.Init", L"->", 3);
            AddExplorerMenu(oExplorer);
            if (!m_oInspectors) Raise(err::ObjectNotSet);
            m_oInspectors->Init(ObjectOf(g_oApplication, L"Inspectors"));
            Torvik().InitComplete();
            if (GetOutlookMajorVersion() >= 12) {
                m_o2007events = Services().newContextMenuEvents();
                if (!m_o2007events) Raise(err::ObjectNotSet);
                m_o2007events->SetEventSink(std::static_pointer_cast<ContextMenuEventsSink>(self));
                m_o2007events->Init(g_oApplication);
            }
            return true;
        },
        false);
    if (ok) state_ = ConnectState::Running;
    return ok;
}

void Connect::AddExplorerMenu(const std::shared_ptr<CExplorerWrapper>& oExplorer) {
    Trapped(L"Connect::AddExplorerMenu", [&] {
        if (GetOutlookMajorVersion() >= 14) return;
        LogDebug(L"Connect::AddExplorerMenu", L"->", 3);
        if (!oExplorer) Raise(err::ObjectNotSet);
        auto menu = Services().newExplorerMenu();
        if (!menu) Raise(err::ObjectNotSet);
        menu->Create(oExplorer->GetObject(), oExplorer->Key());
        oExplorer->AddAssociatedObject(menu, L"Menu");
    });
}

void Connect::RefreshExplorerCommands(const std::shared_ptr<CExplorerWrapper>& oExplorer, int reason) {
    if (GetOutlookMajorVersion() < 14) {
        if (!oExplorer) Raise(err::ObjectNotSet);
        auto menu = std::dynamic_pointer_cast<IExplorerMenu>(oExplorer->GetAssociatedObject(L"Menu"));
        if (!menu) Raise(err::TypeMismatch);
        menu->UpdateButtons(reason);
    } else if (m_oRibbon) {
        CallOf(m_oRibbon, L"InvalidateControl", {L"btnQuickTaskE"});
        CallOf(m_oRibbon, L"InvalidateControl", {L"btnQuickAppointmentE"});
        Ribbon_sbtnFolder_Invalidate(L"E");
    }
}

void Connect::m_oExplorers_OnExplorerSelectionChange(const std::shared_ptr<CExplorerWrapper>& oExplorer) {
    Trapped(L"Connect.m_oExplorers_OnExplorerSelectionChange",
            [&] { RefreshExplorerCommands(oExplorer, ueSelectionChange); });
}

void Connect::m_oExplorers_OnExplorerFolderSwitch(const std::shared_ptr<CExplorerWrapper>& oExplorer) {
    Trapped(L"Connect.m_oExplorers_OnExplorerFolderSwitch",
            [&] { RefreshExplorerCommands(oExplorer, ueFolderSwitch); });
}

void Connect::m_oExplorers_OnCloseAllExplorers() noexcept {
    Resuming([&](ResumeNext&) {
        LogDebug(L"Connect.m_oExplorers_OnCloseAllExplorers", L"->", 3);
        Done(false);
    });
}

void Connect::m_oInspectors_OnNewInspector(const ObjectPtr& oInspector) noexcept {
    Resuming([&](ResumeNext& next) {
        next([&] {
            const auto itemClass = GetOf(ObjectOf(oInspector, L"CurrentItem"), L"Class").AsInt();
            if (itemClass == 43 && m_oRibbon) CallOf(m_oRibbon, L"Invalidate");
        });
    });
}

void Connect::UpdateRecentFoldersControls() {
    Trapped(L"Connect.UpdateRecentFoldersControls", [&] {
        if (m_bInDone) return;
        LogDebug(L"Connect.UpdateRecentFoldersControls", L"->", 2);
        const auto major = GetOutlookMajorVersion();
        auto lmt = [] {
            if (!g_oRecentMove2Folders) Raise(err::ObjectNotSet);
            return g_oRecentMove2Folders->LMT();
        };
        if (major < 14) {
            if (!m_oExplorers) Raise(err::ObjectNotSet);
            auto tracker = m_oExplorers;
            for (int i = 1; i <= tracker->Count(); ++i) {
                auto wrapper = tracker->Item(i);
                if (!wrapper->HasAssociatedObject(L"Menu")) continue;
                auto menu = std::dynamic_pointer_cast<IExplorerMenu>(wrapper->GetAssociatedObject(L"Menu"));
                if (menu) menu->UpdateButtons(ueManual);
            }
        } else if (lmt() != m_dtFoldersLMT) {
            Ribbon_sbtnFolder_Invalidate(L"E");
        }
        if (major >= 12) {
            if (lmt() != m_dtFoldersLMT) Ribbon_sbtnFolder_Invalidate(L"I");
        } else if (m_oInspectors) {
            for (const auto& w : m_oInspectors->GetWrappers()) {
                if (w && w->GetInspector()) w->UpdateButtons();
            }
        }
        if (major >= 12) m_dtFoldersLMT = lmt();
    });
}

void Connect::Ribbon_sbtnFolder_Invalidate(const std::wstring& kind) {
    Trapped(L"Connect.Ribbon_sbtnFolder_Invalidate", [&] {
        if (!m_oRibbon) return;
        const int maxCount = g_oRecentMove2Folders ? g_oRecentMove2Folders->MaxCount() : 0;
        for (int n = 1; n <= maxCount; ++n) {
            CallOf(m_oRibbon, L"InvalidateControl", {L"btnFolder_" + std::to_wstring(n) + kind});
            CallOf(m_oRibbon, L"InvalidateControl", {L"btnDefFolder_" + std::to_wstring(n) + kind});
        }
        CallOf(m_oRibbon, L"InvalidateControl", {L"mnuFolder" + kind});
        // The set-default submenu is enabled by the list's count: without this it would keep the
        // state it was first shown with.
        CallOf(m_oRibbon, L"InvalidateControl", {L"mnuDefFolder" + kind});
        CallOf(m_oRibbon, L"InvalidateControl", {L"btnFolder" + kind});
        CallOf(m_oRibbon, L"InvalidateControl", {L"sbtnFolder" + kind});
    });
}

void Connect::Done(bool bFull) noexcept {
    // This object may be the last reference the globals hold to it.
    auto self = weak_from_this().lock();
    ResumeNext next;
    next([&] { LogDebug(L"Connect.Done", bFull ? L"mode = full" : L"mode = wait new explorer", 3); });
    next([&] {
        if (g_oRecentMove2Folders) g_oRecentMove2Folders->Save();
    });
    next([&] {
        if (g_oRecentCalendars) g_oRecentCalendars->Save();
    });
    m_bInDone = true;
    next([&] { Forms().UnloadAll(); });
    m_bInDone = false;
    m_btnQuickTaskCM2007.Reset();
    m_btnQuickAppointmentCM2007.Reset();
    next([&] { DropContextMenu2007(); });
    m_oRibbon.reset();
    m_o2007events.reset();
    if (bFull) {
        g_oRecentMove2Folders.reset();
        g_oRecentCalendars.reset();
        next([&] {
            if (!m_oExplorers) Raise(err::ObjectNotSet);
            auto tracker = m_oExplorers;
            tracker->Done(true);
        });
        next([&] {
            // The tracker's own teardown runs as it is released.
            auto inspectors = std::move(m_oInspectors);
            m_oInspectors.reset();
            if (inspectors) inspectors->Done();
        });
        m_oExplorers.reset();
        g_oConnect.reset();
        g_oApplication.reset();
        if (state_ != ConnectState::Inert && state_ != ConnectState::Loaded) state_ = ConnectState::ShutDown;
    } else {
        next([&] {
            if (!m_oExplorers) Raise(err::ObjectNotSet);
            auto tracker = m_oExplorers;
            tracker->Done(false);
        });
        next([&] {
            if (!m_oInspectors) Raise(err::ObjectNotSet);
            m_oInspectors->Done();
        });
        if (state_ == ConnectState::Running || state_ == ConnectState::TrackingExplorers) {
            state_ = ConnectState::WaitingNewExplorer;
        }
    }
    Err().Clear();
}

}  // namespace brisko
