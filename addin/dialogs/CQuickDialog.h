// What the quick task and quick appointment dialogs share: the source mail (reopened by its ids at
// every step), the instance tag of the log names, the move folder with its link, the mail-action
// check boxes, the create and edit buttons, moving or deleting the mail, the last-used options,
// Cancel, Help and unloading. The dialogs reach their controls as a form's code does: by name,
// late bound, and hear their events by name.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addin/forms/forms.h"
#include "automation/object.h"

namespace brisko {

class CRecentFolder;
class IRecentFolders;

class CQuickDialog : public forms::CForm {
public:
    ~CQuickDialog() override;

    // Fills the dialog from the mail; called once, right after loading.
    void Init(const ObjectPtr& oMail, bool bTopmost);

    const std::wstring& MailEntryID() const noexcept { return m_sMailEntryID; }
    const std::wstring& MailStoreID() const noexcept { return m_sMailStoreID; }

    // "(" + number + ")": the next number of the process-wide counter of both dialog kinds, taken
    // the first time the dialog asks for it.
    const std::wstring& InstanceTag();
    // The counter starts again at 1, as in a freshly loaded library.
    static void ResetInstanceCounter() noexcept;

    // MailEntryID, MailStoreID (read only) and Init, besides the form's own members.
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;

    // What tells the two dialogs apart.
    struct Names {
        const wchar_t* form;          // "frmQuickTask"
        std::int32_t kind;            // item kind for the options: 3 task, 1 appointment
        const wchar_t* createButton;  // button 1
        const wchar_t* editButton;    // button 2
        const wchar_t* clickName;     // "btnTask_Click"
        const wchar_t* helpTopic;
    };

protected:
    explicit CQuickDialog(const Names& names);

    // Subscribes the form's code to its controls' events; once, before loading.
    void ConnectHandlers();

    // "<form>.<procedure>" + instance tag; Plain: without the tag.
    std::wstring Proc(std::wstring_view procedure);
    std::wstring Plain(std::wstring_view procedure) const;

    std::shared_ptr<forms::CControl> Ctl(std::wstring_view name, std::optional<int> index = std::nullopt) const {
        return Control(name, index);
    }
    // A control's property as an object's code reads and writes it.
    Value Get(std::wstring_view control, std::wstring_view property) const;
    void Let(std::wstring_view control, std::wstring_view property, Value value);

    // The mail from its ids, as a mail item; nothing when it can't be opened (the error pending).
    ObjectPtr ReopenMail();
    // The mail's current folder, errors ignored.
    static ObjectPtr ParentOf(const ObjectPtr& oMail);

    // Form_Load's common steps: the date pickers' format, and from the last mail action on.
    void SetDatePickerFormat(std::wstring_view control);
    void LoadMailActions();

    // The move folder.
    bool MoveFolderIsEmpty() const;
    ObjectPtr MoveFolder();
    void lnkMoveFolder_Value(const ObjectPtr& oFolder);
    void lnkMoveFolder_Value_(const std::wstring& sEntryID, const std::wstring& sStoreID, const std::wstring& sPath);
    void lnkMoveFolder_OnClick();

    bool chkMoveMail_Value();
    void SetChkMoveMail_Value(bool bValue);
    bool chkDeleteMail_Value();
    void SetChkDeleteMail_Value(bool bValue);

    // The move-folder checks of IsValidDate / IsValidData; true when there is nothing to check.
    bool ValidMoveFolder(const ObjectPtr& oMail);
    // A remembered folder that can't be opened: asks whether to pick another. Yes and a picked
    // folder: the lost entry leaves the list and the folder is returned; No: the entry leaves the
    // list and the record is cleared; a cancelled picker keeps everything. Nothing unless a folder
    // was picked.
    ObjectPtr ReplaceLostFolder(const std::shared_ptr<CRecentFolder>& oRecord, const std::shared_ptr<IRecentFolders>& oList,
                                std::int32_t nType, const ObjectPtr& oCurrentFolder, bool& bCleared);

    // Stores the folder in the record (empty ids: none) and shows it in the link label: its path
    // fitted into the placeholder's width, or the placeholder's caption for none.
    void SetFolderLink(std::shared_ptr<CRecentFolder>& record, std::wstring_view link, std::wstring_view placeholder,
                       const std::wstring& sEntryID, const std::wstring& sStoreID, const std::wstring& sPath);

    // The click of the create (1) or edit (2) button.
    void btnItem_Click(std::int32_t nButton);
    void DoMoveOrDelete(const ObjectPtr& oMail);

    // The dialog's own parts of the click.
    virtual bool IsValid(const ObjectPtr& oMail) = 0;
    virtual ObjectPtr DoCreate(const ObjectPtr& oMail) = 0;
    virtual void AfterCreate() {}
    // Body, attachment and categories from the mail (through the safe item library).
    void CopyFromMail(const ObjectPtr& oItem, const ObjectPtr& oMail, const wchar_t* safeItemProgId);

    // The form's code for one control's event; false when the dialog has no handler for it.
    virtual bool OnEvent(const forms::CControl& control, std::wstring_view event, Args& args);
    void Form_Unload(int& cancel) override;
    virtual void ReleaseParts() {}

    // The time the simulated or real user sees now, and today at midnight.
    static Date Now();
    static Date Today();
    static Date DatePart(Date d);

    Names names_;
    std::wstring m_sMailEntryID;
    std::wstring m_sMailStoreID;
    bool m_bMailInDeletedItems = false;
    std::shared_ptr<CRecentFolder> m_oMoveFolder;

private:
    virtual void InitFromMail(const ObjectPtr& /*oMail*/) {}

    std::wstring tag_;
    std::vector<EventConnection> handlers_;
    int codeChanges_ = 0;  // the code is setting a check box: its Click is not the user's
};

// The add-in's text of a key with arguments filled ("%s", "%d"); the key without a language.
std::wstring LangTextWith(const std::wstring& sKey, const Array& args);

}  // namespace brisko
