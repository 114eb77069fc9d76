// The quick task dialog: one e-mail becomes an Outlook task (subject, due date, priority), the
// mail attached, moved or deleted. Opened by ShowQuickTask (mForms).
#pragma once

#include <memory>

#include "addin/dialogs/CQuickDialog.h"

namespace brisko {

class frmQuickTask final : public CQuickDialog {
    struct Token {};

public:
    // A new dialog with its design and its code subscribed to its controls; not loaded.
    static std::shared_ptr<frmQuickTask> Create();
    explicit frmQuickTask(Token);

    // The due date: the date part of the date picker; setting it sets the picker and the calendar.
    Date DueDate() const;
    void SetDueDate(Date dtValue);

protected:
    void Form_Load() override;
    bool OnEvent(const forms::CControl& control, std::wstring_view event, Args& args) override;
    bool IsValid(const ObjectPtr& oMail) override { return IsValidDate(oMail); }
    ObjectPtr DoCreate(const ObjectPtr& oMail) override;

private:
    void InitFromMail(const ObjectPtr& oMail) override;
    void mvDueDate_AutoSize();
    bool IsValidDate(const ObjectPtr& oMail);
    void DateChanged(const wchar_t* from, const wchar_t* to);

    bool m_bSyncingDates = false;
};

}  // namespace brisko
