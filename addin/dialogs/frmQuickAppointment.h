// The quick appointment dialog: one e-mail becomes an appointment (subject, location, start and
// end, all day) in a calendar the user chooses; the mail attached, moved or deleted. Opened by
// ShowQuickAppointment (mForms).
#pragma once

#include <memory>

#include "addin/dialogs/CQuickDialog.h"

namespace brisko {

class CStartEndControls;

class frmQuickAppointment final : public CQuickDialog {
    struct Token {};

public:
    // A new dialog with its design and its code subscribed to its controls; not loaded.
    static std::shared_ptr<frmQuickAppointment> Create();
    explicit frmQuickAppointment(Token);
    ~frmQuickAppointment() override;

    // The start a dialog opened at dtNow proposes: the next half or full hour after it.
    static Date ProposedStart(Date dtNow);

protected:
    void Form_Load() override;
    bool OnEvent(const forms::CControl& control, std::wstring_view event, Args& args) override;
    bool IsValid(const ObjectPtr& oMail) override { return IsValidData(oMail); }
    ObjectPtr DoCreate(const ObjectPtr& oMail) override;
    void AfterCreate() override;
    void ReleaseParts() override;

private:
    bool IsValidData(const ObjectPtr& oMail);
    bool CalendarIsEmpty() const;
    ObjectPtr Calendar();
    void lnkCalendar_Value(const ObjectPtr& oFolder);
    void lnkCalendar_Value_(const std::wstring& sEntryID, const std::wstring& sStoreID, const std::wstring& sPath);
    void lnkCalendar_OnClick();

    std::shared_ptr<CStartEndControls> m_ctlStartEnd;
    std::shared_ptr<CRecentFolder> m_oCalendar;
};

}  // namespace brisko
