// The ribbon of Outlook 2007 and later: markup and callbacks of Connect.
#include "addin/commands/ribbon.h"

#include "addin/commands/bar_controls.h"
#include "addin/commands/mExplorerMenu.h"
#include "addin/commands/mIcons.h"
#include "addin/dialogs/mForms.h"
#include "addin/folders/CRecentFolders.h"
#include "addin/folders/mMain.h"
#include "addin/host/CTorvik.h"
#include "addin/host/Connect.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "automation/error.h"
#include "automation/text.h"

namespace brisko {

namespace {

constexpr const wchar_t* CRLF = L"\r\n";
constexpr const wchar_t* kNoFolder = L"......";

// The markup's templates; %1 is the control id, %2 a built-in image.
constexpr const wchar_t* T_tab = L"<tab    id=\"%1\" getLabel=\"RibbonControl_GetLabel\" getVisible=\"RibbonControl_GetVisible\">";
constexpr const wchar_t* T_group = L"<group  id=\"%1\" getLabel=\"RibbonControl_GetLabel\" getVisible=\"RibbonControl_GetVisible\">";
constexpr const wchar_t* T_button = L"<button id=\"%1\" getLabel=\"RibbonControl_GetLabel\" onAction=\"RibbonButton_Action\" getEnabled=\"RibbonControl_GetEnabled\" getVisible=\"RibbonControl_GetVisible\" getScreentip=\"RibbonButton_GetScreentip\" size=\"large\" getImage=\"RibbonButton_GetImage\"/>";
constexpr const wchar_t* T_buttonMso = L"<button id=\"%1\" getLabel=\"RibbonControl_GetLabel\" onAction=\"RibbonButton_Action\" getEnabled=\"RibbonControl_GetEnabled\" getVisible=\"RibbonControl_GetVisible\" getScreentip=\"RibbonButton_GetScreentip\" size=\"large\" imageMso=\"%2\"/>";
constexpr const wchar_t* G_group = L"<group       id  = \"%1\"   getLabel      = \"RibbonControl_GetLabel\"   getVisible    = \"RibbonControl_GetVisible\">";
constexpr const wchar_t* G_split = L"<splitButton id  = \"%1\"   size          = \"large\"   getEnabled    = \"RibbonControl_GetEnabled\"   getVisible    = \"RibbonControl_GetVisible\">";
constexpr const wchar_t* G_main = L"<button id       = \"%1\"   onAction      =\"RibbonButton_Action\"   getEnabled    =\"RibbonControl_GetEnabled\"   getScreentip  =\"RibbonButton_GetScreentip\"   getLabel      =\"RibbonControl_GetLabel\"   getImage      =\"RibbonButton_GetImage\"/>";
constexpr const wchar_t* G_menu = L"<menu id         =\"%1\"   getScreentip  =\"RibbonButton_GetScreentip\">";
constexpr const wchar_t* G_item = L"<button id       =\"%1\"   onAction      =\"RibbonButton_Action\"   getScreentip  =\"RibbonButton_GetScreentip\"   getLabel      =\"RibbonControl_GetLabel\"   getVisible    =\"RibbonControl_GetVisible\"   getEnabled    =\"RibbonControl_GetEnabled\"/>";
constexpr const wchar_t* G_sep = L"<menuSeparator id=\"%1\"/>";
constexpr const wchar_t* G_defmenu = L"<menu id         =\"%1\"   getLabel      =\"RibbonControl_GetLabel\"   getEnabled    =\"RibbonControl_GetEnabled\">";

std::wstring Fill(const wchar_t* sTemplate, const std::wstring& s1, const std::wstring& s2 = {}) {
    std::wstring out;
    for (const wchar_t* p = sTemplate; *p; ++p) {
        if (p[0] == L'%' && (p[1] == L'1' || p[1] == L'2')) {
            out += p[1] == L'1' ? s1 : s2;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

std::shared_ptr<IRecentFolders> RecentList() {
    if (!g_oRecentMove2Folders) Raise(err::ObjectNotSet);
    return g_oRecentMove2Folders;
}

int IndexAfter(const std::wstring& sBaseId, std::wstring_view prefix) {
    if (sBaseId.size() < prefix.size() || sBaseId.compare(0, prefix.size(), prefix) != 0) return -1;
    return Value(sBaseId.substr(prefix.size())).AsInt();
}

// A control as the callbacks see it: base id, kind, window.
struct RibbonControl {
    std::wstring base;
    std::wstring kind;
    ObjectPtr window;

    explicit RibbonControl(const ObjectPtr& control) {
        ParseControlId(GetOf(control, L"Id").AsString(), base, kind);
        window = ObjectOf(control, L"Context");
    }
    bool Inspector() const { return kind == L"I"; }
    std::int32_t WindowClass() const { return Inspector() ? kWindowInspector : kWindowExplorer; }
    bool Is(const wchar_t* sBaseId) const { return base == sBaseId; }
    // The folder the window is in: the explorer's, or the folder of the inspector's item.
    ObjectPtr CurrentFolder() const {
        return Inspector() ? ObjectOf(ObjectOf(window, L"CurrentItem"), L"Parent") : ObjectOf(window, L"CurrentFolder");
    }
};

// A recent-folder entry's button: n of btnFolder_n or btnDefFolder_n.
struct FolderEntryId {
    int n = -1;
    bool setDefault = false;
};

// Raises 13 when the id names neither kind of entry.
FolderEntryId EntryOf(const RibbonControl& c) {
    FolderEntryId id;
    id.n = Ribbon_btnFolders_Index(c.base);
    if (id.n >= 1) return id;
    id.n = Ribbon_btnDefFolders_Index(c.base);
    id.setDefault = true;
    if (id.n < 1) Raise(err::TypeMismatch, L"Invalid control id(" + c.base + c.kind + L")");
    return id;
}

bool IsEntryId(const RibbonControl& c) {
    return c.base.starts_with(L"btnFolder_") || c.base.starts_with(L"btnDefFolder_");
}

std::wstring FolderName(const CRecentFolder& entry) {
    return IsDefaultStore(entry.StoreID) ? RemoveRootFromPath(entry.Path) : entry.Path;
}

bool SameFolder(const CRecentFolder& entry, const ObjectPtr& oFolder) {
    return entry.EntryID == GetOf(oFolder, L"EntryID").AsString() &&
           entry.StoreID == GetOf(oFolder, L"StoreID").AsString();
}

// The default folder when the mail may move there: nothing when the list has none or the window
// is in it already.
std::shared_ptr<CRecentFolder> DefaultFolderCandidate(const RibbonControl& c) {
    const auto list = RecentList();
    if (list->Count() < 1 || !list->FirstIsDefault()) return nullptr;
    auto entry = list->Item(1);
    if (SameFolder(*entry, c.CurrentFolder())) return nullptr;
    return entry;
}

}  // namespace

std::wstring MakeControlId(const std::wstring& sBaseId, const std::wstring& sKind) { return sBaseId + sKind; }

void ParseControlId(const std::wstring& sId, std::wstring& sBaseId, std::wstring& sKind) {
    if (sId.size() < 2 || (sId.back() != L'I' && sId.back() != L'E')) {
        Raise(err::TypeMismatch, L"Invalid control id(" + sId + L")");
    }
    sBaseId = sId.substr(0, sId.size() - 1);
    sKind = sId.substr(sId.size() - 1);
}

int Ribbon_btnFolders_Index(const std::wstring& sBaseId) { return IndexAfter(sBaseId, L"btnFolder_"); }
int Ribbon_btnDefFolders_Index(const std::wstring& sBaseId) { return IndexAfter(sBaseId, L"btnDefFolder_"); }

std::wstring RibbonExplorer_GetCustomUI(const std::wstring& k) {
    std::wstring s;
    s += std::wstring(L"<customUI xmlns=\"") + kCustomUINamespace + L"\" onLoad=\"Ribbon_OnLoad\">" + CRLF;
    s += std::wstring(L"<ribbon>") + CRLF + L"<tabs>" + CRLF;
    s += Fill(T_tab, MakeControlId(L"tabBrisko", k)) + CRLF;
    s += Fill(T_group, MakeControlId(L"grpBrisko", k)) + CRLF;
    s += Fill(T_button, MakeControlId(L"btnQuickTask", k)) + CRLF;
    s += Fill(T_button, MakeControlId(L"btnQuickAppointment", k)) + CRLF;
    s += std::wstring(L"</group>") + CRLF;
    s += Ribbon_grpFolder_GetCustomUI(k) + CRLF;
    s += Fill(T_group, MakeControlId(L"grpMore", k));
    if (GetOutlookMajorVersion() != 12) {
        s += Fill(T_buttonMso, MakeControlId(L"btnHelp", k), L"Help");
        s += Fill(T_buttonMso, MakeControlId(L"btnAbout", k), L"Info");
    } else {
        s += Fill(T_button, MakeControlId(L"btnHelp", k));
        s += Fill(T_button, MakeControlId(L"btnAbout", k));
    }
    s += std::wstring(L"</group>") + L"</tab>" + CRLF + L"</tabs>" + CRLF + L"</ribbon>" + CRLF + L"</customUI>";
    return s;
}

std::wstring Ribbon_grpFolder_GetCustomUI(const std::wstring& k) {
    return Trapped(L"Connect.Ribbon_grpFolder_GetCustomUI", [&] {
        const int maxCount = RecentList()->MaxCount();
        std::wstring s;
        s += Fill(G_group, MakeControlId(L"grpFolder", k)) + CRLF;
        s += Fill(G_split, MakeControlId(L"sbtnFolder", k)) + CRLF;
        s += Fill(G_main, MakeControlId(L"btnFolder", k)) + CRLF;
        s += Fill(G_menu, MakeControlId(L"mnuFolder", k)) + CRLF;
        for (int n = 1; n <= maxCount; ++n) {
            s += Fill(G_item, MakeControlId(L"btnFolder_" + std::to_wstring(n), k)) + CRLF;
        }
        s += Fill(G_item, MakeControlId(L"btnFolderPick", k)) + CRLF;
        s += Fill(G_sep, MakeControlId(L"sepFolder1", k)) + CRLF;
        s += Fill(G_defmenu, MakeControlId(L"mnuDefFolder", k)) + CRLF;
        for (int n = 1; n <= maxCount; ++n) {
            s += Fill(G_item, MakeControlId(L"btnDefFolder_" + std::to_wstring(n), k)) + CRLF;
        }
        s += std::wstring(L"</menu>") + CRLF + L"</menu>" + CRLF + L"</splitButton>" + CRLF + L"</group>" + CRLF;
        return s;
    });
}

std::wstring Connect::GetCustomUI(const std::wstring& ribbonId) noexcept {
    auto self = weak_from_this().lock();
    return Trapped(L"Connect.IRibbonExtensibility_GetCustomUI", [&]() -> std::wstring {
        if (ribbonId == L"Microsoft.Outlook.Mail.Read") return RibbonExplorer_GetCustomUI(L"I");
        if (ribbonId == L"Microsoft.Outlook.Explorer") return RibbonExplorer_GetCustomUI(L"E");
        return {};
    });
}

void Connect::Ribbon_OnLoad(const ObjectPtr& ribbon) noexcept {
    Trapped(L"Connect.Ribbon_OnLoad", [&] { m_oRibbon = ribbon; });
}

void Connect::RibbonButton_Action(const ObjectPtr& control) noexcept {
    auto self = weak_from_this().lock();
    const ObjectPtr held = control;
    Trapped(L"Connect.RibbonButton_Action", [&] {
        const RibbonControl c(held);
        if (c.Is(L"btnQuickTask")) {
            if (c.Inspector()) ShowQuickTask(ObjectOf(c.window, L"CurrentItem"), false);
            else ExplorerMenu_ShowQuickTask(c.window);
        } else if (c.Is(L"btnQuickAppointment")) {
            if (c.Inspector()) ShowQuickAppointment(ObjectOf(c.window, L"CurrentItem"), false);
            else ExplorerMenu_ShowQuickAppointment(c.window);
        } else if (c.Is(L"btnHelp")) {
            Torvik().ShowContextHelp(L"");
        } else if (c.Is(L"btnAbout")) {
            Torvik().ShowAbout();
        } else if (c.Is(L"btnFolder")) {
            if (const auto candidate = DefaultFolderCandidate(c)) {
                Menu_MoveMail(c.window, c.WindowClass(), candidate->EntryID, candidate->StoreID);
            } else {
                Menu_MoveMailPF(c.window, c.WindowClass());
            }
        } else if (c.Is(L"btnFolderPick")) {
            Menu_MoveMailPF(c.window, c.WindowClass());
        } else {
            const auto id = EntryOf(c);
            const auto entry = RecentList()->Item(id.n);
            if (id.setDefault) Menu_SetDefFolder(entry->EntryID, entry->StoreID);
            else Menu_MoveMail(c.window, c.WindowClass(), entry->EntryID, entry->StoreID);
        }
    });
}

bool Connect::RibbonControl_GetEnabled(const ObjectPtr& control) noexcept {
    auto self = weak_from_this().lock();
    return Trapped(
        L"Connect.RibbonControl_GetEnabled",
        [&] {
            const RibbonControl c(control);
            if (c.Is(L"btnQuickTask") || c.Is(L"btnQuickAppointment") || c.Is(L"sbtnFolder")) {
                if (c.Inspector()) return true;
                bool bVisible = false, bEnabled = false, bFolderEnabled = false;
                ExplorerMenu_GetButtonsState(c.window, bVisible, bEnabled, bFolderEnabled);
                return bVisible && (c.Is(L"sbtnFolder") ? bFolderEnabled : bEnabled);
            }
            if (c.Is(L"mnuDefFolder")) return RecentList()->Count() >= 1;
            if (!IsEntryId(c)) return true;
            const auto id = EntryOf(c);
            const auto list = RecentList();
            if (id.n > list->Count()) return false;
            if (id.setDefault) return id.n >= 2 || !list->FirstIsDefault();
            return !SameFolder(*list->Item(id.n), c.CurrentFolder());
        },
        true);
}

bool Connect::RibbonControl_GetVisible(const ObjectPtr& control) noexcept {
    auto self = weak_from_this().lock();
    return Trapped(
        L"Connect.RibbonControl_GetVisible",
        [&] {
            const RibbonControl c(control);
            if (c.Is(L"tabBrisko") && c.Inspector()) {
                return !GetOf(ObjectOf(c.window, L"CurrentItem"), L"EntryID").AsString().empty();
            }
            if (!IsEntryId(c)) return true;
            return EntryOf(c).n <= RecentList()->Count();
        },
        true);
}

std::wstring Connect::RibbonControl_GetLabel(const ObjectPtr& control) noexcept {
    auto self = weak_from_this().lock();
    return Trapped(L"Connect.RibbonControl_GetLabel", [&]() -> std::wstring {
        const RibbonControl c(control);
        static constexpr std::pair<const wchar_t*, const wchar_t*> kLabels[] = {
            {L"tabBrisko", L"LID_RIBBON_TAB_MAIN"},
            {L"grpBrisko", L"LID_RIBBON_GRP_MAIN"},
            {L"btnQuickTask", L"LID_RIBBON_BTN_QUICK_TASK"},
            {L"btnQuickAppointment", L"LID_RIBBON_BTN_QUICK_APPOINTMENT"},
            {L"grpFolder", L"LID_RIBBON_GRP_FOLDER"},
            {L"btnFolder", L"LID_RIBBON_BTN_FOLDER"},
            {L"btnFolderPick", L"LID_RIBBON_BTN_FOLDER_PICK"},
            {L"mnuDefFolder", L"LID_RIBBON_MNU_DEFFOLDER"},
            {L"grpMore", L"LID_RIBBON_GRP_MORE"},
            {L"btnHelp", L"LID_RIBBON_BTN_HELP"},
            {L"btnAbout", L"LID_RIBBON_BTN_ABOUT"},
        };
        for (const auto& [base, key] : kLabels) {
            if (c.Is(base)) return LangItem(key);
        }
        if (c.Is(L"mnuFolder") || c.Is(L"sbtnFolder") || c.Is(L"sepFolder1")) return {};
        const auto id = EntryOf(c);
        const auto list = RecentList();
        if (id.n > list->Count()) return {};
        std::wstring label = L"&" + std::to_wstring(id.n) + L" " + FolderName(*list->Item(id.n));
        if (id.n == 1 && list->FirstIsDefault()) label += L" " + LangItem(L"LID_MENU_FOLDER_DEFAULT_POSTFIX");
        return label;
    });
}

std::wstring Connect::RibbonButton_GetScreentip(const ObjectPtr& control) noexcept {
    auto self = weak_from_this().lock();
    return Trapped(L"Connect.RibbonButton_GetScreentip", [&]() -> std::wstring {
        const RibbonControl c(control);
        if (c.Is(L"btnQuickTask")) return LangItem(L"LID_RIBBON_BTN_QUICK_TASK_TT");
        if (c.Is(L"btnQuickAppointment")) return LangItem(L"LID_RIBBON_BTN_QUICK_APPOINTMENT_TT");
        if (c.Is(L"mnuFolder")) {
            LogDebug(L"Connect.RibbonButton_GetScreentip." + c.base, L"->", 1);
            return LangItem(L"LID_RIBBON_MNU_FOLDER");
        }
        if (c.Is(L"btnFolder")) {
            std::wstring name;
            if (const auto candidate = DefaultFolderCandidate(c)) name = FolderName(*candidate);
            return LangItem(L"LID_RIBBON_BTN_FOLDER_TT", {Value(name.empty() ? std::wstring(kNoFolder) : name)});
        }
        return {};
    });
}

ObjectPtr Connect::RibbonButton_GetImage(const ObjectPtr& control) noexcept {
    auto self = weak_from_this().lock();
    return Trapped(L"Connect.RibbonButton_GetImage", [&]() -> ObjectPtr {
        const RibbonControl c(control);
        if (c.Is(L"btnQuickTask")) return LoadIconPicture(Value(L"ICO_QTASK_32X32"), 0, 0, false);
        if (c.Is(L"btnQuickAppointment")) return LoadIconPicture(Value(L"ICO_QAPPOINTMENT_32X32"), 0, 0, false);
        if (c.Is(L"btnHelp")) return LoadIconPicture(Value(L"ICO_HELP_I2007"), 32, 32, true);
        if (c.Is(L"btnAbout")) return LoadIconPicture(Value(L"MAIN_ICON"), 32, 32, true);
        if (c.Is(L"btnFolder")) return LoadIconPicture(Value(L"ICO_FOLDER"), 32, 32, true);
        return nullptr;
    });
}

}  // namespace brisko
