#include "addin/dialogs/mForms.h"

#include "addin/commands/CPopupMenu.h"
#include "addin/dialogs/frmQuickAppointment.h"
#include "addin/dialogs/frmQuickTask.h"
#include "addin/dialogs/msgbox.h"
#include "addin/folders/CRecentFolders.h"
#include "addin/folders/mMain.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "automation/error.h"
#include "automation/text.h"

namespace brisko {

namespace {

// Command ids of the recent-folders menu: the picker, then the entries from 100.
constexpr std::uint32_t kCmdPickFolder = 1;
constexpr std::uint32_t kFirstEntryCmd = 100;

bool MailOrPost(std::int32_t type) { return type == kKindMail || type == kKindPost; }

const wchar_t* MismatchMessage(std::int32_t nType) {
    switch (nType) {
        case kKindMail: return L"LID_MSGBOX_SEL_MAIL_FOLDER";
        case kKindAppointment: return L"LID_MSGBOX_SEL_CALENDAR_FOLDER";
        case kKindTask: return L"LID_MSGBOX_SEL_TASK_FOLDER";
        default: return L"LID_MSGBOX_SEL_OTHER_FOLDER";
    }
}

}  // namespace

ObjectPtr ShowPickFolder(std::int32_t nType, const ObjectPtr& oCurrentFolder) {
    return Trapped(L"mForms.ShowPickFolder", [&]() -> ObjectPtr {
        const auto session = ObjectOf(g_oApplication, L"Session");
        for (;;) {
            ObjectPtr folder = ObjectOf(session, L"PickFolder");
            if (!folder) return nullptr;
            if (IsSupportedFolder(folder, nType, oCurrentFolder, true)) return folder;
        }
    });
}

bool IsSupportedFolder(const ObjectPtr& oFolder, std::int32_t nType, const ObjectPtr& oCurrentFolder,
                       bool bShowErrMsgBox) {
    return Trapped(L"mForms.IsSupportedFolder", [&] {
        auto refuse = [&](const wchar_t* key) {
            if (bShowErrMsgBox) AddinMsgBox(LangText(key), kMbOk);
            return false;
        };
        if (!oFolder) return refuse(L"LID_MSGBOX_SEL_FOLDER");
        if (oCurrentFolder) {
            if (GetOf(oCurrentFolder, L"EntryID").AsString() == GetOf(oFolder, L"EntryID").AsString() &&
                GetOf(oCurrentFolder, L"StoreID").AsString() == GetOf(oFolder, L"StoreID").AsString()) {
                return refuse(L"LID_MSGBOX_SEL_OTHER_FOLDER");
            }
        }
        const std::int32_t type = GetOf(oFolder, L"DefaultItemType").AsInt();
        if (type != nType && !(MailOrPost(type) && MailOrPost(nType))) return refuse(MismatchMessage(nType));
        return true;
    });
}

std::shared_ptr<CRecentFolder> ShowRecentFoldersMenu(std::uintptr_t hWndOwner,
                                                     const std::shared_ptr<IRecentFolders>& oList,
                                                     std::int32_t nType, const ObjectPtr& oCurrentFolder) {
    return Trapped(L"mForms.ShowRecentFoldersMenu", [&]() -> std::shared_ptr<CRecentFolder> {
        if (!oList) Raise(err::ObjectNotSet);
        const std::uint32_t base = static_cast<std::uint32_t>(oList->MaxCount()) + kFirstEntryCmd;
        std::wstring currentEntryID, currentStoreID;
        if (oCurrentFolder) {
            currentEntryID = GetOf(oCurrentFolder, L"EntryID").AsString();
            currentStoreID = GetOf(oCurrentFolder, L"StoreID").AsString();
        }
        // The submenu is declared first: it must outlive the main menu's Track.
        CPopupMenu sub;
        CPopupMenu menu;
        const int count = oList->Count();
        int enabledEntries = 0;
        for (int i = 1; i <= count; ++i) {
            const auto entry = oList->Item(i);
            entry->RefreshPath();
            const bool enabled =
                !(oCurrentFolder && entry->EntryID == currentEntryID && entry->StoreID == currentStoreID);
            const bool isDefault = i == 1 && oList->FirstIsDefault();
            std::wstring caption = L"&" + std::to_wstring(i) + L" " +
                                   (IsDefaultStore(entry->StoreID) ? RemoveRootFromPath(entry->Path) : entry->Path);
            if (isDefault) caption += L" " + LangText(L"LID_MENU_FOLDER_DEFAULT_POSTFIX");
            const auto cmd = static_cast<std::uint32_t>(i) + kFirstEntryCmd - 1;
            menu.Append(caption, cmd, Value(), enabled);
            if (isDefault) menu.SetDefaultItem(cmd, false);
            if (enabled) ++enabledEntries;
            const auto subCmd = base + static_cast<std::uint32_t>(i) - 1;
            sub.Append(caption, subCmd, Value(), !isDefault);
            if (isDefault) sub.SetDefaultItem(subCmd, false);
        }
        menu.Append(LangText(L"LID_MENU_PICK_FOLDER"), kCmdPickFolder, Value(), true);
        if (count > 0) menu.AppendSeparator();
        menu.AppendPopup(sub, LangText(L"LID_MENU_SET_DEFAULT_FOLDER"), count >= 1);

        // Nothing to choose from the list: the picker at once.
        const std::uint32_t cmd = enabledEntries > 0 ? menu.Track(hWndOwner) : kCmdPickFolder;
        if (cmd == 0) return nullptr;
        if (cmd == kCmdPickFolder) {
            const auto folder = ShowPickFolder(nType, oCurrentFolder);
            if (!folder) return nullptr;
            return std::make_shared<CRecentFolder>(GetOf(folder, L"EntryID").AsString(),
                                                   GetOf(folder, L"StoreID").AsString(), GetFolderPath(folder));
        }
        const auto last = static_cast<std::uint32_t>(count);
        if (cmd >= kFirstEntryCmd && cmd < kFirstEntryCmd + last) {
            return oList->Item(static_cast<int>(cmd - kFirstEntryCmd + 1));
        }
        if (cmd >= base && cmd < base + last) {
            const auto entry = oList->Item(static_cast<int>(cmd - base + 1));
            oList->SetDefault2(entry->EntryID, entry->StoreID, entry->Path);
            return nullptr;
        }
        LogError(L"mForms.ShowRecentFoldersMenu", 0, L"Unknown cmd", std::to_wstring(cmd));
        return nullptr;
    });
}

}  // namespace brisko

namespace brisko {

namespace {

ObjectPtr FindQuickForm(const wchar_t* formName, const wchar_t* procedure, const std::wstring& sEntryID,
                        const std::wstring& sStoreID) {
    return Trapped(procedure, [&]() -> ObjectPtr {
        auto& forms = Forms();
        for (std::size_t i = 0; i < forms.Count(); ++i) {
            const auto form = forms.Item(i);
            if (!form || !EqualsNoCase(form->FormName(), formName)) continue;
            const ObjectPtr object = form->FormObject();
            if (GetOf(object, L"MailEntryID").AsString() == sEntryID &&
                GetOf(object, L"MailStoreID").AsString() == sStoreID) {
                return object;
            }
        }
        return nullptr;
    });
}

template <class Dialog>
void ShowQuickForm(const wchar_t* procedure, const ObjectPtr& oMail, bool bTopmost,
                   ObjectPtr (*find)(const std::wstring&, const std::wstring&)) {
    Resuming([&](ResumeNext& next) {
        std::wstring entryID, storeID;
        next([&] { entryID = GetOf(oMail, L"EntryID").AsString(); });
        next([&] { storeID = GetOf(ObjectOf(oMail, L"Parent"), L"StoreID").AsString(); });
        const ObjectPtr open = find(entryID, storeID);
        if (const auto form = std::dynamic_pointer_cast<forms::CForm>(open)) {
            next([&] { form->Activate(); });
            return;
        }
        std::shared_ptr<Dialog> dialog;
        next([&] { dialog = Dialog::Create(); });
        if (!dialog) return;
        if (!next([&] { dialog->Load(); }) || !dialog->Loaded()) {
            // A dialog without its window can't be shown; the user's command ends here.
            LogError(procedure);
            return;
        }
        next([&] { dialog->Init(oMail, bTopmost); });
        next([&] { dialog->ClearOwner(); });
        next([&] { dialog->Show(); });
    });
}

}  // namespace

ObjectPtr FindQuickTaskForm(const std::wstring& sEntryID, const std::wstring& sStoreID) {
    return FindQuickForm(L"frmQuickTask", L"mForms.FindQuickTaskForm", sEntryID, sStoreID);
}

ObjectPtr FindQuickAppointmentForm(const std::wstring& sEntryID, const std::wstring& sStoreID) {
    return FindQuickForm(L"frmQuickAppointment", L"mForms.FindQuickAppointmentForm", sEntryID, sStoreID);
}

void ShowQuickTask(const ObjectPtr& oMail, bool bTopmost) {
    ShowQuickForm<frmQuickTask>(L"mForms.ShowQuickTask", oMail, bTopmost, &FindQuickTaskForm);
}

void ShowQuickAppointment(const ObjectPtr& oMail, bool bTopmost) {
    ShowQuickForm<frmQuickAppointment>(L"mForms.ShowQuickAppointment", oMail, bTopmost, &FindQuickAppointmentForm);
}

}  // namespace brisko
