#include "addin/commands/mExplorerMenu.h"

#include "addin/commands/bar_controls.h"
#include "addin/dialogs/mForms.h"
#include "addin/dialogs/msgbox.h"
#include "addin/folders/CRecentFolders.h"
#include "addin/folders/mMain.h"
#include "addin/host/Connect.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "automation/error.h"
#include "platform/ui.h"

namespace brisko {

namespace {

constexpr std::int32_t kClassMail = 43;
constexpr std::int32_t olSave = 0;
// Yes and No buttons with the warning icon.
constexpr std::uint32_t kMsgBoxStyleLostFolder = kMbYesNo | kMbIconExclamation;

std::shared_ptr<IRecentFolders> RecentList() {
    if (!g_oRecentMove2Folders) Raise(err::ObjectNotSet);
    return g_oRecentMove2Folders;
}

[[noreturn]] void InvalidWindowClass() { Raise(err::TypeMismatch, L"Invalid nWindowClass"); }

// The one selected mail of the explorer, or nothing.
ObjectPtr SingleSelectedMail(const ObjectPtr& oExplorer) {
    const auto selection = ObjectOf(oExplorer, L"Selection");
    if (GetOf(selection, L"Count").AsInt() != 1) return nullptr;
    auto item = ObjectOf(selection, L"Item", {Value(1)});
    return GetOf(item, L"Class").AsInt() == kClassMail ? item : nullptr;
}

void UpdateControlsIfChanged(double lmtBefore) {
    if (!g_oRecentMove2Folders || g_oRecentMove2Folders->LMT() == lmtBefore) return;
    // The connection may go away while its controls are refreshed.
    if (auto connect = g_oConnect) connect->UpdateRecentFoldersControls();
}

}  // namespace

std::wstring GuiUpdateEvent2Str(std::int32_t nEvent) {
    switch (nEvent) {
        case 0: return L"ueBars";
        case 1: return L"ueManual";
        case 2: return L"ueFolderSwitch";
        case 3: return L"ueSelectionChange";
        default: break;
    }
    Assert(false, L"mExplorerMenu.GuiUpdateEvent2Str", std::to_wstring(nEvent));
    return std::to_wstring(nEvent);
}

void ExplorerMenu_GetButtonsState(const ObjectPtr& oExplorer, bool& bVisible, bool& bEnabled, bool& bFolderEnabled) {
    bVisible = true;
    bEnabled = false;
    bFolderEnabled = false;
    TrappedWith(
        [&] {
            {
                // A folder that can't be read leaves the commands shown.
                ResumeNext next;
                next([&] { bVisible = GetOf(ObjectOf(oExplorer, L"CurrentFolder"), L"DefaultItemType").AsInt() == 0; });
            }
            Err().Clear();
            if (!bVisible) return;
            std::int32_t n = 0;
            ObjectPtr selection;
            {
                ResumeNext next;
                next([&] {
                    selection = ObjectOf(oExplorer, L"Selection");
                    n = GetOf(selection, L"Count").AsInt();
                });
            }
            Err().Clear();
            if (n == 1) {
                const auto item = ObjectOf(selection, L"Item", {Value(1)});
                if (GetOf(item, L"Class").AsInt() == kClassMail) {
                    bEnabled = GetOf(item, L"Sent").AsBool();
                    bFolderEnabled = true;
                }
            } else if (n > 1) {
                for (std::int32_t i = 1; i <= n; ++i) {
                    if (GetOf(ObjectOf(selection, L"Item", {Value(i)}), L"Class").AsInt() != kClassMail) {
                        bFolderEnabled = false;
                        return;
                    }
                    bFolderEnabled = true;
                }
            }
        },
        [&] {
            // A selection that could not be read enables nothing.
            bEnabled = false;
            bFolderEnabled = false;
            LogError(L"mExplorerMenu.ExplorerMenu_GetButtonsState");
        });
}

void ExplorerMenu_ShowQuickTask(const ObjectPtr& oExplorer) {
    Trapped(L"mExplorerMenu.ExplorerMenu_ShowQuickTask", [&] {
        if (const auto mail = SingleSelectedMail(oExplorer)) ShowQuickTask(mail, false);
    });
}

void ExplorerMenu_ShowQuickAppointment(const ObjectPtr& oExplorer) {
    Trapped(L"mExplorerMenu.ExplorerMenu_ShowQuickAppointment", [&] {
        if (const auto mail = SingleSelectedMail(oExplorer)) ShowQuickAppointment(mail, false);
    });
}

void Menu_MoveMail(const ObjectPtr& oWindow, std::int32_t nWindowClass, const std::wstring& sFolderEntryID,
                   const std::wstring& sFolderStoreID) {
    // Copies: closing the mail window below may drop the caller's references.
    const ObjectPtr window = oWindow;
    const std::wstring entryID = sFolderEntryID;
    const std::wstring storeID = sFolderStoreID;
    double lmtBefore = 0.0;
    TrappedWith(
        [&] {
            lmtBefore = RecentList()->LMT();
            ObjectPtr mail;
            if (nWindowClass == kWindowExplorer) {
                mail = ObjectOf(ObjectOf(window, L"Selection"), L"Item", {Value(1)});
            } else if (nWindowClass == kWindowInspector) {
                mail = ObjectOf(window, L"CurrentItem");
            } else {
                InvalidWindowClass();
            }

            ObjectPtr target;
            {
                ResumeNext next;
                next([&] {
                    target = ObjectOf(ObjectOf(g_oApplication, L"Session"), L"GetFolderFromID",
                                      {Value(entryID), Value(storeID)});
                });
            }
            Err().Clear();

            if (!target) {
                const auto list = RecentList();
                const int idx = list->FindItemIndex(entryID, storeID);
                if (idx == 0) {
                    LogWarning(L"mExplorerMenu.Menu_MoveMail", L"aborting - menu out of date", 1);
                    return;
                }
                const int answer = AddinMsgBox(
                    LangItem(L"LID_MSGBOX_RFOLDER_NOT_FOUND", {Value(list->Item(idx)->Path)}), kMsgBoxStyleLostFolder);
                if (answer == kIdNo) {
                    list->Remove(entryID, storeID);
                    return;
                }
                // No box could be shown: nothing is decided for the user.
                if (answer != kIdYes) return;
                target = ShowPickFolder(0, ObjectOf(mail, L"Parent"));
                if (!target) return;
                list->Remove(entryID, storeID);
            }

            if (!IsSupportedFolder(target, 0, ObjectOf(mail, L"Parent"), true)) return;

            if (nWindowClass == kWindowInspector) {
                try {
                    CallOf(ObjectOf(mail, L"GetInspector"), L"Close", {Value(olSave)});
                } catch (...) {
                    const RuntimeError e = CurrentError();
                    LogWarning(L"mExplorerMenu.Menu_MoveMail",
                               L"oMail.GetInspector.Close(olSave) failed, Err=(" + std::to_wstring(e.number()) +
                                   L", " + e.description() + L")",
                               1);
                }
            }

            const ObjectPtr rdoSession = NewRDOSession();
            const ObjectPtr rdoFolder = ObjectOf(rdoSession, L"GetFolderFromID",
                                                 {GetOf(target, L"EntryID"), GetOf(target, L"StoreID")});
            if (nWindowClass == kWindowExplorer) {
                const auto selection = ObjectOf(window, L"Selection");
                // Downwards: moved items leave the selection.
                for (std::int32_t i = GetOf(selection, L"Count").AsInt(); i >= 1; --i) {
                    ResumeNext next;
                    next([&] {
                        const auto item = ObjectOf(selection, L"Item", {Value(i)});
                        if (GetOf(item, L"Class").AsInt() == kClassMail) RDOMoveMail(item, target, rdoSession, rdoFolder);
                    });
                }
                Err().Clear();
            } else {
                RDOMoveMail(mail, target, rdoSession, rdoFolder);
            }
            RecentList()->SetRecent(target);
        },
        [&] { LogError(L"mExplorerMenu.Menu_MoveMail"); });
    // Also after a stop or an error: the list may have lost a stale entry.
    Trapped(L"mExplorerMenu.Menu_MoveMail", [&] { UpdateControlsIfChanged(lmtBefore); });
}

void Menu_MoveMailPF(const ObjectPtr& oWindow, std::int32_t nWindowClass) {
    const ObjectPtr window = oWindow;
    Trapped(L"mExplorerMenu.Menu_MoveMailPF", [&] {
        ObjectPtr current;
        if (nWindowClass == kWindowExplorer) {
            current = ObjectOf(window, L"CurrentFolder");
        } else if (nWindowClass == kWindowInspector) {
            current = ObjectOf(ObjectOf(window, L"CurrentItem"), L"Parent");
        } else {
            InvalidWindowClass();
        }
        const auto target = ShowPickFolder(0, current);
        if (!target) return;
        Menu_MoveMail(window, nWindowClass, GetOf(target, L"EntryID").AsString(), GetOf(target, L"StoreID").AsString());
    });
}

void Menu_SetDefFolder(const std::wstring& sFolderEntryID, const std::wstring& sFolderStoreID) {
    const std::wstring entryID = sFolderEntryID;
    const std::wstring storeID = sFolderStoreID;
    Trapped(L"mExplorerMenu.Menu_SetDefFolder", [&] {
        const auto list = RecentList();
        const int idx = list->FindItemIndex(entryID, storeID);
        if (idx == 0) {
            LogWarning(L"mExplorerMenu.Menu_SetDefFolder", L"aborting - menu out of date", 1);
            return;
        }
        list->SetDefault2(entryID, storeID, list->Item(idx)->Path);
        if (auto connect = g_oConnect) connect->UpdateRecentFoldersControls();
    });
}

}  // namespace brisko
