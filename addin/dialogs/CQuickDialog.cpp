#include "addin/dialogs/CQuickDialog.h"

#include <cmath>
#include <cstdio>

#include "addin/dialogs/mForms.h"
#include "addin/dialogs/mLocale.h"
#include "addin/dialogs/msgbox.h"
#include "addin/folders/CRecentFolders.h"
#include "addin/folders/mMain.h"
#include "addin/host/COptions.h"
#include "addin/host/CTorvik.h"
#include "addin/host/Connect.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "addin/lang/CLang.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/platform.h"
#include "platform/ui.h"

namespace brisko {

namespace {

constexpr std::int32_t kClassMail = 43;
constexpr std::int32_t kMsgBoxStyleLostFolder = kMbYesNo | kMbIconExclamation;  // 52

int g_nInstanceCounter = 0;

ObjectPtr Session() { return ObjectOf(g_oApplication, L"Session"); }

bool Checked(const Value& v) { return v.type() == VarType::Boolean ? v.AsBool() : v.AsInt() == 1; }

// Hex$ of a Long: upper case, negative numbers as their 32-bit pattern.
std::wstring Hex(std::int32_t n) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"%X", static_cast<unsigned>(n));
    return buffer;
}

ObjectPtr NewObject(const wchar_t* progId) {
    auto* objects = CurrentPlatform().objects;
    if (!objects) Raise(err::CantCreateObject, std::wstring(L"ActiveX component can't create object: ") + progId);
    ObjectPtr object = objects->CreateObject(progId);
    if (!object) Raise(err::CantCreateObject, std::wstring(L"ActiveX component can't create object: ") + progId);
    return object;
}

bool SameFolder(const ObjectPtr& a, const ObjectPtr& b) {
    return GetOf(a, L"StoreID").AsString() == GetOf(b, L"StoreID").AsString() &&
           GetOf(a, L"EntryID").AsString() == GetOf(b, L"EntryID").AsString();
}

}  // namespace

std::wstring LangTextWith(const std::wstring& sKey, const Array& args) {
    const auto lang = Lang();
    return lang ? lang->Item(sKey, args) : sKey;
}

CQuickDialog::CQuickDialog(const Names& names) : forms::CForm(names.form), names_(names) {}

CQuickDialog::~CQuickDialog() { handlers_.clear(); }

const std::wstring& CQuickDialog::InstanceTag() {
    if (tag_.empty()) tag_ = L"(" + std::to_wstring(++g_nInstanceCounter) + L")";
    return tag_;
}

void CQuickDialog::ResetInstanceCounter() noexcept { g_nInstanceCounter = 0; }

std::wstring CQuickDialog::Proc(std::wstring_view procedure) { return Plain(procedure) + InstanceTag(); }

std::wstring CQuickDialog::Plain(std::wstring_view procedure) const {
    return std::wstring(names_.form) + L"." + std::wstring(procedure);
}

Value CQuickDialog::Get(std::wstring_view control, std::wstring_view property) const {
    return Ctl(control)->Get(property);
}

void CQuickDialog::Let(std::wstring_view control, std::wstring_view property, Value value) {
    Ctl(control)->Put(property, std::move(value));
}

Value CQuickDialog::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    if (kind == CallKind::Get && args.empty()) {
        if (EqualsNoCase(name, L"MailEntryID")) return Value(m_sMailEntryID);
        if (EqualsNoCase(name, L"MailStoreID")) return Value(m_sMailStoreID);
    }
    if (kind == CallKind::Method && EqualsNoCase(name, L"Init")) {
        if (args.size() != 2) Raise(err::WrongArguments);
        Init(args[0].AsObject(), args[1].AsBool());
        return {};
    }
    return forms::CForm::Invoke(name, kind, args);
}

void CQuickDialog::ConnectHandlers() {
    const auto& controls = Controls();
    for (int i = 0; i < controls->Count(); ++i) {
        const auto control = controls->At(i);
        const forms::CControl* raw = control.get();
        handlers_.push_back(control->ConnectEvents([this, raw](std::wstring_view event, Args& args) {
            OnEvent(*raw, event, args);
        }));
    }
}

// --- The mail -------------------------------------------------------------------------------

ObjectPtr CQuickDialog::ReopenMail() {
    try {
        ObjectPtr mail = ObjectOf(Session(), L"GetItemFromID", {m_sMailEntryID, m_sMailStoreID});
        if (GetOf(mail, L"Class").AsInt() != kClassMail) Raise(err::TypeMismatch);
        return mail;
    } catch (...) {
        Err().Set(CurrentError());
        return nullptr;
    }
}

ObjectPtr CQuickDialog::ParentOf(const ObjectPtr& oMail) {
    if (!oMail) return nullptr;
    try {
        return ObjectOf(oMail, L"Parent");
    } catch (...) {
        return nullptr;
    }
}

void CQuickDialog::Init(const ObjectPtr& oMail, bool bTopmost) {
    Trapped(Proc(L"Init"), [&] {
        if (bTopmost) MakeTopmost();
        m_sMailEntryID = GetOf(oMail, L"EntryID").AsString();
        const ObjectPtr parent = ObjectOf(oMail, L"Parent");
        m_sMailStoreID = GetOf(parent, L"StoreID").AsString();
        m_bMailInDeletedItems = IsFolderDeletedItems(parent);
        Let(L"txtSubject", L"Text", GetOf(oMail, L"Subject"));
        InitFromMail(oMail);
    });
}

Date CQuickDialog::Now() {
    Clock* clock = CurrentPlatform().clock;
    if (!clock) Raise(err::InternalError, L"The platform has no clock");
    return MakeDate(clock->Now());
}

Date CQuickDialog::DatePart(Date d) {
    DateParts p = SplitDate(d);
    p.hour = p.minute = p.second = 0;
    return MakeDate(p);
}

Date CQuickDialog::Today() { return DatePart(Now()); }

// --- Form_Load's common steps ---------------------------------------------------------------

void CQuickDialog::SetDatePickerFormat(std::wstring_view control) {
    const auto picker = Ctl(control);
    picker->Call(L"SetCustomFormat", {mLocale_ShortDateFormatWithDay()});
    if (IsVistaOrLater()) picker->Call(L"SetAltFont", {true});
}

void CQuickDialog::LoadMailActions() {
    SetChkMoveMail_Value(false);
    SetChkDeleteMail_Value(false);
    const COptions& options = Options();
    switch (options.LastUsed_MailAction(names_.kind)) {
        case 0: break;
        case 1: SetChkMoveMail_Value(true); break;
        case 2: SetChkDeleteMail_Value(true); break;
        default: Assert(false, Proc(L"Form_Load"), L"117"); break;
    }
    const std::shared_ptr<CRecentFolder> recent = g_oRecentMove2Folders ? g_oRecentMove2Folders->RecentItem() : nullptr;
    if (!recent) {
        lnkMoveFolder_Value(nullptr);
    } else {
        recent->RefreshPath();
        lnkMoveFolder_Value_(recent->EntryID, recent->StoreID, recent->Path);
    }
    ++codeChanges_;
    struct Done {
        int& n;
        ~Done() { --n; }
    } done{codeChanges_};
    Let(L"chkAttachMail", L"Value", options.LastUsed_AttachMail(names_.kind) ? 1 : 0);
    Let(options.LastUsed_Button(names_.kind) == 2 ? names_.editButton : names_.createButton, L"Default", true);
    SetUIState(false, false, true);
}

// --- Check boxes ----------------------------------------------------------------------------

bool CQuickDialog::chkMoveMail_Value() {
    return Trapped(Proc(L"chkMoveMail_Value"), [&] { return Checked(Get(L"chkMoveMail", L"Value")); });
}

void CQuickDialog::SetChkMoveMail_Value(bool bValue) {
    Trapped(Proc(L"chkMoveMail_Value"), [&] {
        ++codeChanges_;
        struct Done {
            int& n;
            ~Done() { --n; }
        } done{codeChanges_};
        Let(L"chkMoveMail", L"Value", bValue ? 1 : 0);
        if (bValue) Let(L"chkDeleteMail", L"Value", 0);
    });
}

bool CQuickDialog::chkDeleteMail_Value() {
    return Trapped(Proc(L"chkDeleteMail_Value"),
                   [&] { return Checked(Get(L"chkDeleteMail", L"Value")) && !chkMoveMail_Value(); });
}

void CQuickDialog::SetChkDeleteMail_Value(bool bValue) {
    Trapped(Proc(L"chkDeleteMail_Value"), [&] {
        ++codeChanges_;
        struct Done {
            int& n;
            ~Done() { --n; }
        } done{codeChanges_};
        Let(L"chkDeleteMail", L"Value", bValue ? 1 : 0);
        if (bValue) Let(L"chkMoveMail", L"Value", 0);
    });
}

// --- The move folder ------------------------------------------------------------------------

bool CQuickDialog::MoveFolderIsEmpty() const { return !m_oMoveFolder || m_oMoveFolder->EntryID.empty(); }

ObjectPtr CQuickDialog::MoveFolder() {
    if (MoveFolderIsEmpty()) return nullptr;
    try {
        return ObjectOf(Session(), L"GetFolderFromID", {m_oMoveFolder->EntryID, m_oMoveFolder->StoreID});
    } catch (...) {
        return nullptr;
    }
}

void CQuickDialog::lnkMoveFolder_Value(const ObjectPtr& oFolder) {
    Trapped(Proc(L"lnkMoveFolder_Value"), [&] {
        ObjectPtr folder = oFolder;
        if (folder) {
            const std::int32_t type = GetOf(folder, L"DefaultItemType").AsInt();
            if (type != kKindMail && type != kKindPost) {
                LogError(Proc(L"lnkMoveFolder_Value"), 0, L"Folder is not for mail/post!");
                folder = nullptr;
            }
        }
        if (!folder) {
            lnkMoveFolder_Value_(L"", L"", L"");
        } else {
            lnkMoveFolder_Value_(GetOf(folder, L"EntryID").AsString(), GetOf(folder, L"StoreID").AsString(),
                                 GetFolderPath(folder));
        }
    });
}

void CQuickDialog::SetFolderLink(std::shared_ptr<CRecentFolder>& record, std::wstring_view link,
                                 std::wstring_view placeholder, const std::wstring& sEntryID,
                                 const std::wstring& sStoreID, const std::wstring& sPath) {
    if (!record) record = std::make_shared<CRecentFolder>();
    if (sEntryID.empty()) {
        record->EntryID.clear();
        record->StoreID.clear();
        record->Path.clear();
        Let(link, L"Caption", Get(placeholder, L"Caption"));
        Let(link, L"AutoSize", true);
        return;
    }
    record->EntryID = sEntryID;
    record->StoreID = sStoreID;
    record->Path = sPath;
    const std::wstring shown = IsDefaultStore(sStoreID) ? RemoveRootFromPath(sPath) : sPath;
    CLinkLabel_SetPath(Ctl(link), shown, Get(placeholder, L"Width").AsDouble(), LangText(L"LID_FOLDER_SMALLEST_PATH"));
}

void CQuickDialog::lnkMoveFolder_Value_(const std::wstring& sEntryID, const std::wstring& sStoreID,
                                        const std::wstring& sPath) {
    Trapped(Proc(L"lnkMoveFolder_Value_"), [&] {
        SetFolderLink(m_oMoveFolder, L"lnkMoveFolder", L"lblMoveFolderPlaceholder", sEntryID, sStoreID, sPath);
    });
}

void CQuickDialog::lnkMoveFolder_OnClick() {
    Trapped(Proc(L"lnkMoveFolder_OnClick"), [&] {
        const ObjectPtr mail = ReopenMail();
        Err().Clear();
        const ObjectPtr current = ParentOf(mail);
        const auto record = ShowRecentFoldersMenu(hWnd(), g_oRecentMove2Folders, kKindMail, current);
        if (!record) return;
        lnkMoveFolder_Value_(record->EntryID, record->StoreID, record->Path);
        SetChkMoveMail_Value(true);
    });
}

ObjectPtr CQuickDialog::ReplaceLostFolder(const std::shared_ptr<CRecentFolder>& oRecord,
                                          const std::shared_ptr<IRecentFolders>& oList, std::int32_t nType,
                                          const ObjectPtr& oCurrentFolder, bool& bCleared) {
    bCleared = false;
    const std::wstring sEntryID = oRecord->EntryID;
    const std::wstring sStoreID = oRecord->StoreID;
    const int answer = AddinMsgBox(LangTextWith(L"LID_MSGBOX_RFOLDER_NOT_FOUND", {oRecord->Path}), kMsgBoxStyleLostFolder);
    if (answer == kIdNo) {
        if (oList) oList->Remove(sEntryID, sStoreID);
        bCleared = true;
        return nullptr;
    }
    // No box could be shown: nothing is decided for the user.
    if (answer != kIdYes) return nullptr;
    ObjectPtr folder = ShowPickFolder(nType, oCurrentFolder);
    if (!folder) return nullptr;
    if (oList) oList->Remove(sEntryID, sStoreID);
    return folder;
}

bool CQuickDialog::ValidMoveFolder(const ObjectPtr& oMail) {
    if (!oMail || !chkMoveMail_Value()) return true;
    const ObjectPtr current = ObjectOf(oMail, L"Parent");
    if (MoveFolderIsEmpty()) {
        lnkMoveFolder_Value(ShowPickFolder(kKindMail, current));
        if (MoveFolderIsEmpty()) return false;
    } else if (!MoveFolder()) {
        bool cleared = false;
        const ObjectPtr picked = ReplaceLostFolder(m_oMoveFolder, g_oRecentMove2Folders, kKindMail, current, cleared);
        if (cleared) lnkMoveFolder_Value(nullptr);
        if (!picked) return false;
        lnkMoveFolder_Value(picked);
    }
    return IsSupportedFolder(MoveFolder(), kKindMail, current, true);
}

// --- Creating the item ----------------------------------------------------------------------

void CQuickDialog::CopyFromMail(const ObjectPtr& oItem, const ObjectPtr& oMail, const wchar_t* safeItemProgId) {
    const ObjectPtr safeMail = NewObject(L"Redemption.SafeMailItem");
    safeMail->Put(L"Item", oMail);
    if (Checked(Get(L"chkAttachMail", L"Value"))) {
        if (GetOutlookMajorVersion() >= 14) {
            ObjectPtr safeItem = NewObject(safeItemProgId);
            safeItem->Put(L"Item", oItem);
            CallOf(ObjectOf(safeItem, L"Attachments"), L"Add", {oMail, Missing, Missing, Missing});
        } else {
            CallOf(ObjectOf(oItem, L"Attachments"), L"Add", {oMail, Missing, Missing, Missing});
        }
    }
    PutOf(oItem, L"Body", GetOf(safeMail, L"Body"));
    PutOf(oItem, L"Categories", GetOf(oMail, L"Categories"));
}

void CQuickDialog::btnItem_Click(std::int32_t nButton) {
    Trapped(Proc(names_.clickName), [&] {
        if (nButton != 1 && nButton != 2) Raise(err::TypeMismatch, L"Invalid nButton");
        const ObjectPtr mail = ReopenMail();
        if (!mail) {
            LogWarning(Plain(names_.clickName),
                       L"cant open original E-Mail, actions(move/delete/attach) will not work\r\nErr(0x" +
                           Hex(Err().Number) + L", " + Err().Description + L")",
                       1);
            Err().Clear();
        }
        if (!IsValid(mail)) return;
        ObjectPtr item = DoCreate(mail);
        if (!item) return;
        if (nButton == 1) {
            CallOf(item, L"Save");
            item.reset();
        }
        if (mail) DoMoveOrDelete(mail);
        const COptions& options = Options();
        options.SetLastUsed_Button(names_.kind, nButton);
        if (mail) {
            options.SetLastUsed_AttachMail(names_.kind, Checked(Get(L"chkAttachMail", L"Value")));
            if (chkMoveMail_Value()) {
                options.SetLastUsed_MailAction(names_.kind, 1);
                if (g_oRecentMove2Folders) g_oRecentMove2Folders->SetRecent(MoveFolder());
            } else if (chkDeleteMail_Value()) {
                options.SetLastUsed_MailAction(names_.kind, 2);
            } else {
                options.SetLastUsed_MailAction(names_.kind, 0);
            }
        }
        AfterCreate();
        forms::CForm::Unload(vbFormCode);
        if (nButton != 2) return;
        try {
            CallOf(item, L"Display", {Missing});
        } catch (...) {
            // The mail may be moved or deleted already: the item is saved rather than lost.
            Err().Set(CurrentError());
            LogError(Proc(names_.clickName));
            CallOf(item, L"Save");
        }
    });
}

void CQuickDialog::DoMoveOrDelete(const ObjectPtr& oMail) {
    const std::wstring proc = Proc(L"DoMoveOrDelete");
    Trapped(proc, [&] {
        auto closeInspector = [&] {
            try {
                CallOf(ObjectOf(oMail, L"GetInspector"), L"Close", {0});
            } catch (...) {
                const RuntimeError e = CurrentError();
                LogWarning(proc, L"oMail.GetInspector.Close(olSave) failed, Err=(" + std::to_wstring(e.number()) + L", " +
                                     e.description() + L")",
                           1);
            }
        };
        if (chkDeleteMail_Value()) {
            if (!m_bMailInDeletedItems && IsFolderDeletedItems(ObjectOf(oMail, L"Parent"))) {
                LogDebug(Plain(L"DoMoveOrDelete"),
                         L"Skip deleting mail ( coz it moved to deleteditems after this dialog is created )", 1);
                return;
            }
            closeInspector();
            CallOf(oMail, L"Delete");
        } else if (chkMoveMail_Value()) {
            const ObjectPtr folder = MoveFolder();
            if (!folder) Raise(err::ObjectNotSet, L"Object variable or With block variable not set");
            if (!SameFolder(ObjectOf(oMail, L"Parent"), folder)) {
                closeInspector();
                RDOMoveMail(oMail, folder);
            }
        }
    });
}

// --- Events ---------------------------------------------------------------------------------

bool CQuickDialog::OnEvent(const forms::CControl& control, std::wstring_view event, Args& /*args*/) {
    const std::wstring& name = control.Name();
    if (EqualsNoCase(event, L"Click")) {
        if (EqualsNoCase(name, names_.createButton)) {
            btnItem_Click(1);
            return true;
        }
        if (EqualsNoCase(name, names_.editButton)) {
            btnItem_Click(2);
            return true;
        }
        if (EqualsNoCase(name, L"btnCancel")) {
            forms::CForm::Unload(vbFormCode);
            return true;
        }
        if (EqualsNoCase(name, L"btnHelp")) {
            Trapped(Proc(L"btnHelp_Click"), [&] { Torvik().ShowContextHelp(names_.helpTopic); });
            return true;
        }
        if (EqualsNoCase(name, L"chkDeleteMail")) {
            if (codeChanges_ == 0) SetChkDeleteMail_Value(Checked(Get(L"chkDeleteMail", L"Value")));
            return true;
        }
        if (EqualsNoCase(name, L"chkMoveMail")) {
            // The picker opens on the user's clicks only, not when the code sets the box.
            if (codeChanges_ != 0) return true;
            Trapped(Proc(L"chkMoveMail_Click"), [&] {
                const bool checked = Checked(Get(L"chkMoveMail", L"Value"));
                SetChkMoveMail_Value(checked);
                if (checked && MoveFolderIsEmpty()) {
                    const ObjectPtr mail = ReopenMail();
                    Err().Clear();
                    lnkMoveFolder_Value(ShowPickFolder(kKindMail, ParentOf(mail)));
                }
            });
            return true;
        }
        return false;
    }
    if (EqualsNoCase(event, L"OnClick") && EqualsNoCase(name, L"lnkMoveFolder")) {
        lnkMoveFolder_OnClick();
        return true;
    }
    return false;
}

void CQuickDialog::Form_Unload(int& /*cancel*/) {
    Resuming([&](ResumeNext& next) {
        LogDebug(Proc(L"Form_Unload"), L"->", 3);
        next([&] {
            if (g_oConnect) g_oConnect->UpdateRecentFoldersControls();
        });
        next([&] { ReleaseParts(); });
    });
}

}  // namespace brisko
