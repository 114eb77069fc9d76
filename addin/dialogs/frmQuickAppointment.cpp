#include "addin/dialogs/frmQuickAppointment.h"

#include "addin/dialogs/CStartEndControls.h"
#include "addin/dialogs/mForms.h"
#include "addin/dialogs/msgbox.h"
#include "addin/folders/CRecentFolders.h"
#include "addin/folders/mMain.h"
#include "addin/forms/quick_designs.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "addin/lang/CLang.h"
#include "automation/error.h"
#include "automation/text.h"

namespace brisko {

namespace {

const CQuickDialog::Names kNames{/*form*/ L"frmQuickAppointment",
                                 /*kind*/ 1,
                                 /*createButton*/ L"btnCreateAppointment",
                                 /*editButton*/ L"btnEditAppointment",
                                 /*clickName*/ L"btnAppointment_Click",
                                 /*helpTopic*/ L"Create_Appointment_Item_from_E-mail_Message.htm"};

constexpr std::int32_t kDefaultCalendar = 9;
constexpr std::int32_t kDuration = 30;

ObjectPtr Session() { return ObjectOf(g_oApplication, L"Session"); }

}  // namespace

frmQuickAppointment::frmQuickAppointment(Token) : CQuickDialog(kNames) {}

frmQuickAppointment::~frmQuickAppointment() {
    if (m_ctlStartEnd) m_ctlStartEnd->Done();
}

std::shared_ptr<frmQuickAppointment> frmQuickAppointment::Create() {
    auto form = std::make_shared<frmQuickAppointment>(Token{});
    forms::ApplyDesign(*form, forms::QuickAppointmentDesign());
    form->ConnectHandlers();
    return form;
}

Date frmQuickAppointment::ProposedStart(Date dtNow) {
    DateParts p = SplitDate(dtNow);
    p.second = 0;
    const int add = p.minute < 30 ? 30 - p.minute : 60 - p.minute;
    return Date{MakeDate(p).serial + add / 1440.0};
}

void frmQuickAppointment::Form_Load() {
    const std::wstring proc = Proc(L"Form_Load");
    Trapped(proc, [&] {
        LogDebug(proc, L"->", 3);
        Let(L"lnkCalendar", L"Caption", L"");
        Let(L"lnkMoveFolder", L"Caption", L"");
        m_oMoveFolder = std::make_shared<CRecentFolder>();
        m_oCalendar = std::make_shared<CRecentFolder>();
        if (const auto lang = Lang()) lang->LocalizeForm(shared_from_this());
        Let(L"txtSubject", L"Text", L"");
        Let(L"txtLocation", L"Text", L"");
        SetDatePickerFormat(L"dtpStartDate");
        SetDatePickerFormat(L"dtpEndDate");
        m_ctlStartEnd = CStartEndControls::Create();
        m_ctlStartEnd->Init(Ctl(L"dtpStartDate"), Ctl(L"cboStartTime"), Ctl(L"dtpEndDate"), Ctl(L"cboEndTime"),
                            ProposedStart(Now()), kDuration);
        Let(L"chkAllDayEvent", L"Value", 0);

        std::shared_ptr<CRecentFolder> calendar;
        if (const auto& list = g_oRecentCalendars) {
            if (list->Count() == 0) {
                ObjectPtr folder;
                try {
                    folder = ObjectOf(Session(), L"GetDefaultFolder", {kDefaultCalendar});
                } catch (...) {
                    Err().Clear();
                }
                if (folder) list->SetDefault(folder);
                if (list->Count() > 0) calendar = list->Item(1);
            } else {
                calendar = list->FirstIsDefault() ? list->Item(1) : list->RecentItem();
            }
        }
        if (calendar) {
            calendar->RefreshPath();
            lnkCalendar_Value_(calendar->EntryID, calendar->StoreID, calendar->Path);
        } else {
            lnkCalendar_Value(nullptr);
        }
        LoadMailActions();
    });
}

// --- The calendar ---------------------------------------------------------------------------

bool frmQuickAppointment::CalendarIsEmpty() const { return !m_oCalendar || m_oCalendar->EntryID.empty(); }

ObjectPtr frmQuickAppointment::Calendar() {
    if (CalendarIsEmpty()) return nullptr;
    try {
        return ObjectOf(Session(), L"GetFolderFromID", {m_oCalendar->EntryID, m_oCalendar->StoreID});
    } catch (...) {
        return nullptr;
    }
}

void frmQuickAppointment::lnkCalendar_Value(const ObjectPtr& oFolder) {
    Trapped(Proc(L"lnkCalendar_Value"), [&] {
        ObjectPtr folder = oFolder;
        if (folder && GetOf(folder, L"DefaultItemType").AsInt() != kKindAppointment) {
            LogError(Proc(L"lnkCalendar_Value"), 0, L"Folder is not for appointments!");
            folder = nullptr;
        }
        if (!folder) {
            lnkCalendar_Value_(L"", L"", L"");
        } else {
            lnkCalendar_Value_(GetOf(folder, L"EntryID").AsString(), GetOf(folder, L"StoreID").AsString(),
                               GetFolderPath(folder));
        }
    });
}

void frmQuickAppointment::lnkCalendar_Value_(const std::wstring& sEntryID, const std::wstring& sStoreID,
                                             const std::wstring& sPath) {
    Trapped(Proc(L"lnkCalendar_Value_"), [&] {
        SetFolderLink(m_oCalendar, L"lnkCalendar", L"lblCalendarPlaceholder", sEntryID, sStoreID, sPath);
    });
}

void frmQuickAppointment::lnkCalendar_OnClick() {
    Trapped(Proc(L"lnkCalendar_OnClick"), [&] {
        const auto record = ShowRecentFoldersMenu(hWnd(), g_oRecentCalendars, kKindAppointment, nullptr);
        if (record) lnkCalendar_Value_(record->EntryID, record->StoreID, record->Path);
    });
}

// --- Creating the appointment ---------------------------------------------------------------

bool frmQuickAppointment::IsValidData(const ObjectPtr& oMail) {
    return Trapped(Proc(L"IsValidData"), [&] {
        if (!m_ctlStartEnd || !m_ctlStartEnd->IsValid(true)) return false;
        if (!ValidMoveFolder(oMail)) return false;
        if (CalendarIsEmpty()) {
            lnkCalendar_Value(ShowPickFolder(kKindAppointment, nullptr));
            if (CalendarIsEmpty()) return false;
        } else if (!Calendar()) {
            bool cleared = false;
            const ObjectPtr picked =
                ReplaceLostFolder(m_oCalendar, g_oRecentCalendars, kKindAppointment, nullptr, cleared);
            if (cleared) lnkCalendar_Value(nullptr);
            if (!picked) return false;
            lnkCalendar_Value(picked);
        }
        return IsSupportedFolder(Calendar(), kKindAppointment, nullptr, true);
    });
}

ObjectPtr frmQuickAppointment::DoCreate(const ObjectPtr& oMail) {
    return Trapped(Proc(L"DoCreate"), [&]() -> ObjectPtr {
        m_ctlStartEnd->Apply();
        const ObjectPtr calendar = Calendar();
        if (!calendar) Raise(err::ObjectNotSet, L"The calendar can't be opened: " + m_oCalendar->Path);
        const ObjectPtr item = CallOf(ObjectOf(calendar, L"Items"), L"Add", {kKindAppointment}).AsObject();
        PutOf(item, L"Subject", Get(L"txtSubject", L"Text"));
        PutOf(item, L"Location", Get(L"txtLocation", L"Text"));
        PutOf(item, L"Start", m_ctlStartEnd->StartDateTime());
        PutOf(item, L"End", m_ctlStartEnd->EndDateTime());
        if (m_ctlStartEnd->DateOnly()) {
            // An all-day appointment from day A to day B covers B entirely.
            PutOf(item, L"End", Date{m_ctlStartEnd->EndDateTime().serial + 1.0});
            PutOf(item, L"AllDayEvent", true);
        }
        if (oMail) {
            CopyFromMail(item, oMail, L"Redemption.SafeAppointmentItem");
            PutOf(item, L"Importance", GetOf(oMail, L"Importance"));
        }
        return item;
    });
}

void frmQuickAppointment::AfterCreate() {
    if (g_oRecentCalendars) g_oRecentCalendars->SetRecent(Calendar());
}

void frmQuickAppointment::ReleaseParts() {
    if (m_ctlStartEnd) m_ctlStartEnd->Done();
    m_ctlStartEnd.reset();
}

bool frmQuickAppointment::OnEvent(const forms::CControl& control, std::wstring_view event, Args& args) {
    const std::wstring& name = control.Name();
    if (EqualsNoCase(event, L"Click") && EqualsNoCase(name, L"chkAllDayEvent")) {
        Trapped(Proc(L"chkAllDayEvent_Click"), [&] {
            const Value v = Get(L"chkAllDayEvent", L"Value");
            if (m_ctlStartEnd) m_ctlStartEnd->SetDateOnly(v.type() == VarType::Boolean ? v.AsBool() : v.AsInt() == 1);
        });
        return true;
    }
    if (EqualsNoCase(event, L"GotFocus") && EqualsNoCase(name, L"txtSubject")) {
        Trapped(Proc(L"txtSubject_GotFocus"), [&] {
            Let(L"txtSubject", L"SelStart", 0);
            Let(L"txtSubject", L"SelLength", 0);
        });
        return true;
    }
    if (EqualsNoCase(event, L"OnClick") && EqualsNoCase(name, L"lnkCalendar")) {
        lnkCalendar_OnClick();
        return true;
    }
    return CQuickDialog::OnEvent(control, event, args);
}

}  // namespace brisko
