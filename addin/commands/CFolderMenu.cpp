#include "addin/commands/CFolderMenu.h"

#include "addin/commands/bar_controls.h"
#include "addin/commands/mIcons.h"
#include "addin/folders/CRecentFolders.h"
#include "addin/folders/mMain.h"
#include "addin/host/CTorvik.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "automation/error.h"
#include "automation/text.h"

namespace brisko {

namespace {

constexpr const wchar_t* kNoFolder = L"......";
constexpr std::int32_t kFolderInbox = 6;

std::wstring FolderKey(const ObjectPtr& oFolder) {
    return EntryStore2Key(GetOf(oFolder, L"EntryID").AsString(), GetOf(oFolder, L"StoreID").AsString());
}

std::shared_ptr<IRecentFolders> RecentList() {
    if (!g_oRecentMove2Folders) Raise(err::ObjectNotSet);
    return g_oRecentMove2Folders;
}

}  // namespace

CFolderMenu::~CFolderMenu() { Done(); }

void CFolderMenu::Subscribe(WithEvents& field, const ObjectPtr& button, void (CFolderMenu::*handler)(int),
                            int index) {
    std::weak_ptr<CFolderMenu> weak = std::static_pointer_cast<CFolderMenu>(shared_from_this());
    field.Set(button, [weak, handler, index](std::wstring_view event, Args&) {
        if (!EqualsNoCase(event, L"Click")) return;
        // The menu lives through its own handler even when the owner drops it there.
        if (auto self = weak.lock()) ((*self).*handler)(index);
    });
}

void CFolderMenu::Create(std::int32_t nMode, const ObjectPtr& oControls, std::int32_t nBefore,
                         const std::wstring& sMnuTag) {
    Trapped(L"CFolderMenu.Create", [&] {
        const auto major = GetOutlookMajorVersion();
        if (nMode == Toolbar) {
            auto button = AddTemporaryControl(oControls, msoControlButton, nBefore);
            m_btnFolderAdded = button;
            PutOf(button, L"Style", Value(msoButtonIcon));
            PutOf(button, L"FaceId", Value(1679));
            PutOf(button, L"TooltipText", Value(LangItem(L"LID_BTN_FOLDER_TT", {Value(kNoFolder)})));
            PutOf(button, L"Parameter", Value(L""));
            PutOf(button, L"Visible", Value(false));
            PutOf(button, L"Enabled", Value(false));
            if (major >= 10) SetButtonPicture(button, Value(L"ICO_FOLDER"));
            Subscribe(m_btnFolder, button, &CFolderMenu::m_btnFolder_Click, 0);
            ++nBefore;
        }

        m_mnuFolder = AddTemporaryControl(oControls, msoControlPopup, nBefore);
        if (nMode == Menu) {
            PutOf(m_mnuFolder, L"Caption", Value(LangItem(L"LID_MNU_FOLDER")));
        } else if (nMode == Toolbar) {
            PutOf(m_mnuFolder, L"Caption", Value(L" "));
        } else {
            Assert(false, L"CFolderMenu.Create", L"124");
        }
        PutOf(m_mnuFolder, L"TooltipText", Value(LangItem(L"LID_MNU_FOLDER_TT")));
        PutOf(m_mnuFolder, L"Visible", Value(false));
        PutOf(m_mnuFolder, L"Visible", Value(true));
        if (!sMnuTag.empty()) PutOf(m_mnuFolder, L"Tag", Value(sMnuTag));

        const auto items = ObjectOf(m_mnuFolder, L"Controls");
        for (int i = 1; i <= kFolderButtons; ++i) {
            auto button = AddTemporaryControl(items, msoControlButton);
            PutOf(button, L"Style", Value(msoButtonCaption));
            PutOf(button, L"Visible", Value(false));
            Subscribe(m_btnFolders[static_cast<std::size_t>(i - 1)], button, &CFolderMenu::m_btnFolders_Click, i);
        }

        auto pick = AddTemporaryControl(items, msoControlButton);
        PutOf(pick, L"Style", Value(msoButtonCaption));
        PutOf(pick, L"Caption", Value(LangItem(L"LID_BTN_FOLDER_PICK")));
        Subscribe(m_btnFolderPick, pick, &CFolderMenu::m_btnFolderPick_Click, 0);

        m_mnuDefFolder = AddTemporaryControl(items, msoControlPopup);
        PutOf(m_mnuDefFolder, L"Caption", Value(LangItem(L"LID_MNU_SET_DEFAULT_FOLDER")));
        PutOf(m_mnuDefFolder, L"Enabled", Value(false));
        const auto defItems = ObjectOf(m_mnuDefFolder, L"Controls");
        for (int i = 1; i <= kFolderButtons; ++i) {
            auto button = AddTemporaryControl(defItems, msoControlButton);
            PutOf(button, L"Style", Value(msoButtonCaption));
            PutOf(button, L"Visible", Value(false));
            Subscribe(m_btnDefFolders[static_cast<std::size_t>(i - 1)], button, &CFolderMenu::m_btnDefFolders_Click,
                      i);
        }

        if (major < 14) {
            auto about = AddTemporaryControl(items, msoControlButton);
            PutOf(about, L"Style", Value(msoButtonCaption));
            PutOf(about, L"Caption", Value(LangItem(L"LID_BTN_ABOUT")));
            PutOf(about, L"BeginGroup", Value(true));
            Subscribe(m_btnAbout, about, &CFolderMenu::m_btnAbout_Click, 0);
        }
    });
}

void CFolderMenu::UpdateButtons(std::int32_t nEvent, bool bVisible, bool bEnabled, const ObjectPtr& oCurrentFolder) {
    Trapped(L"CFolderMenu.UpdateButtons", [&] {
        for (const ObjectPtr& control : {m_btnFolder.Get(), m_mnuFolder}) {
            if (!control) continue;
            PutIfChanged(control, L"Enabled", bEnabled);
            PutIfChanged(control, L"Visible", bVisible);
        }
        if (!bVisible) return;

        const auto list = RecentList();
        if (nEvent == ueFolderSwitch) {
            const std::wstring key = FolderKey(oCurrentFolder);
            for (int i = 1; i <= kFolderButtons; ++i) {
                const auto button = m_btnFolders_Item(i);
                PutOf(button, L"Enabled", Value(GetOf(button, L"Parameter").AsString() != key));
            }
            UpdateButtons_btnFolder(oCurrentFolder);
        }

        const double lmt = list->LMT();
        if (lmt == m_dtLMT) return;

        std::wstring defaultStoreID;
        {
            ResumeNext next;
            next([&] {
                const auto inbox = ObjectOf(ObjectOf(g_oApplication, L"Session"), L"GetDefaultFolder",
                                            {Value(kFolderInbox)});
                defaultStoreID = GetOf(inbox, L"StoreID").AsString();
            });
            Err().Clear();
        }

        const std::wstring currentKey = FolderKey(oCurrentFolder);
        UpdateButtons_btnFolder(oCurrentFolder);

        const int count = list->Count();
        const bool firstIsDefault = list->FirstIsDefault();
        for (int i = 1; i <= kFolderButtons; ++i) {
            bool visible = false;
            bool isDefault = false;
            std::wstring key;
            std::wstring caption;
            if (i <= count) {
                const auto entry = list->Item(i);
                visible = true;
                key = EntryStore2Key(entry->EntryID, entry->StoreID);
                const std::wstring text =
                    entry->StoreID == defaultStoreID ? RemoveRootFromPath(entry->Path) : entry->Path;
                caption = L"&" + std::to_wstring(i) + L" " + text;
                if (firstIsDefault && i == 1) {
                    caption += L" " + LangItem(L"LID_MENU_FOLDER_DEFAULT_POSTFIX");
                    isDefault = true;
                }
            }
            const auto button = m_btnFolders_Item(i);
            PutOf(button, L"Visible", Value(visible));
            PutOf(button, L"Enabled", Value(key != currentKey));
            PutOf(button, L"Parameter", Value(key));
            PutOf(button, L"Caption", Value(caption));

            const auto defButton = m_btnDefFolders_Item(i);
            PutOf(defButton, L"Visible", Value(visible));
            PutOf(defButton, L"Enabled", Value(!isDefault));
            PutOf(defButton, L"Parameter", Value(key));
            PutOf(defButton, L"Caption", Value(caption));
        }
        PutOf(m_mnuDefFolder, L"BeginGroup", Value(count >= 1));
        PutOf(m_mnuDefFolder, L"Enabled", Value(count >= 1));
        // Remembered once the controls show it: a rebuild that failed is tried again.
        m_dtLMT = lmt;
    });
}

void CFolderMenu::UpdateButtons_btnFolder(const ObjectPtr& oCurrentFolder) {
    Trapped(L"CFolderMenu.UpdateButtons_btnFolder", [&] {
        const ObjectPtr button = m_btnFolder.Get();
        if (!button) return;
        std::wstring key;
        std::wstring text;
        const auto list = RecentList();
        if (list->Count() >= 1 && list->FirstIsDefault()) {
            const auto entry = list->Item(1);
            if (entry->EntryID != GetOf(oCurrentFolder, L"EntryID").AsString() ||
                entry->StoreID != GetOf(oCurrentFolder, L"StoreID").AsString()) {
                key = EntryStore2Key(entry->EntryID, entry->StoreID);
                text = IsDefaultStore(entry->StoreID) ? RemoveRootFromPath(entry->Path) : entry->Path;
            }
        }
        PutOf(button, L"Parameter", Value(key));
        PutOf(button, L"TooltipText", Value(LangItem(L"LID_BTN_FOLDER_TT", {Value(key.empty() ? kNoFolder : text)})));
    });
}

ObjectPtr CFolderMenu::m_btnFolders_Item(int i) const {
    if (i < 1 || i > kFolderButtons) {
        LogError(L"CFolderMenu.m_btnFolders_Item", 0, L"invalid index", std::to_wstring(i));
        return nullptr;
    }
    return m_btnFolders[static_cast<std::size_t>(i - 1)].Get();
}

ObjectPtr CFolderMenu::m_btnDefFolders_Item(int i) const {
    if (i < 1 || i > kFolderButtons) {
        LogError(L"CFolderMenu.m_btnDefFolders_Item", 0, L"invalid index", std::to_wstring(i));
        return nullptr;
    }
    return m_btnDefFolders[static_cast<std::size_t>(i - 1)].Get();
}

void CFolderMenu::m_btnFolder_Click(int) {
    Resuming([&](ResumeNext& next) {
        std::wstring key;
        next([&] { key = GetOf(m_btnFolder.Get(), L"Parameter").AsString(); });
        const auto sink = Sink();
        if (!sink) return;
        if (!key.empty()) {
            std::wstring entryID, storeID;
            next([&] { Key2EntryStore(key, entryID, storeID); });
            next([&] { sink->MoveMail(entryID, storeID); });
        } else {
            next([&] { sink->MoveMailPF(); });
        }
    });
}

void CFolderMenu::m_btnFolders_Click(int i) {
    Resuming([&](ResumeNext& next) {
        std::wstring key, entryID, storeID;
        next([&] { key = GetOf(m_btnFolders_Item(i), L"Parameter").AsString(); });
        next([&] { Key2EntryStore(key, entryID, storeID); });
        if (const auto sink = Sink()) next([&] { sink->MoveMail(entryID, storeID); });
    });
}

void CFolderMenu::m_btnDefFolders_Click(int i) {
    Resuming([&](ResumeNext& next) {
        std::wstring key, entryID, storeID;
        next([&] { key = GetOf(m_btnDefFolders_Item(i), L"Parameter").AsString(); });
        next([&] { Key2EntryStore(key, entryID, storeID); });
        if (const auto sink = Sink()) next([&] { sink->SetDefFolder(entryID, storeID); });
    });
}

void CFolderMenu::m_btnFolderPick_Click(int) {
    Resuming([&](ResumeNext& next) {
        if (const auto sink = Sink()) next([&] { sink->MoveMailPF(); });
    });
}

void CFolderMenu::m_btnAbout_Click(int) {
    Resuming([&](ResumeNext& next) { next([&] { Torvik().ShowAbout(); }); });
}

void CFolderMenu::Done() noexcept {
    m_btnFolder.Reset();
    m_mnuFolder.reset();
    for (auto& b : m_btnFolders) b.Reset();
    m_btnFolderPick.Reset();
    m_mnuDefFolder.reset();
    for (auto& b : m_btnDefFolders) b.Reset();
    m_btnAbout.Reset();
    m_btnFolderAdded.reset();
}

void CFolderMenu::Delete() noexcept {
    ResumeNext next;
    if (m_mnuFolder) next([&] { CallOf(m_mnuFolder, L"Delete"); });
    if (m_btnFolderAdded) next([&] { CallOf(m_btnFolderAdded, L"Delete"); });
    Done();
    Err().Clear();
}

}  // namespace brisko
