#include "addin/forms/quick_designs.h"

namespace brisko::forms {

namespace {

void Tip(const std::shared_ptr<CControl>& control, const wchar_t* tip) { control->SetProperty(L"ToolTipText", Value(tip)); }

// The mail actions both dialogs share.
void AddMailActions(CForm& f, const wchar_t* attachCaption) {
    f.Add(L"CheckBox", L"chkAttachMail", attachCaption);
    f.Add(L"CheckBox", L"chkMoveMail", L"&Move original E-mail to the following folder:");
    Tip(f.Add(L"LinkLabel", L"lnkMoveFolder"), L"Click to change");
    f.Add(L"Label", L"lblMoveFolderPlaceholder", L"<Not Selected>")->SetProperty(L"Visible", Value(false));
    f.Add(L"CheckBox", L"chkDeleteMail", L"Dele&te original E-mail");
}

}  // namespace

std::shared_ptr<CForm> MakeQuickTaskDesign() {
    auto f = std::make_shared<CForm>(L"frmQuickTask");
    f->SetProperty(L"Caption", Value(L"Brisko - Task"));
    f->Add(L"Label", L"lblSubject", L"Sub&ject:");
    f->Add(L"TextBox", L"txtSubject");
    f->Add(L"Label", L"lblDueDate", L"&Due date:");
    f->Add(L"SysDateTimePick32", L"dtpDueDate");
    f->Add(L"SysMonthCal32", L"mvDueDate");
    f->Add(L"Label", L"Label3", L"Priority:");
    f->Add(L"PriorityBar", L"barPriority");
    const wchar_t* priorities[] = {L"Low", L"Normal", L"High"};
    for (int i = 0; i < 3; ++i) f->Add(L"Label", L"lblPriority", priorities[i], i)->SetProperty(L"Visible", Value(false));
    AddMailActions(*f, L"&Attach original E-mail to Task");
    f->Add(L"CommandButton", L"btnCreateTask", L"&Create Task");
    Tip(f->Add(L"CommandButton", L"btnEditTask", L"Ed&it Details"), L"Open Task for editing");
    f->Add(L"CommandButton", L"btnCancel", L"Cancel");
    f->Add(L"CommandButton", L"btnHelp", L"Help");
    for (int i = 0; i < 2; ++i) f->Add(L"Line", L"Line1", L"", i);
    return f;
}

std::shared_ptr<CForm> MakeQuickAppointmentDesign() {
    auto f = std::make_shared<CForm>(L"frmQuickAppointment");
    f->SetProperty(L"Caption", Value(L"Brisko - Appointment"));
    f->Add(L"Label", L"lblSubject", L"Sub&ject:");
    f->Add(L"TextBox", L"txtSubject");
    f->Add(L"Label", L"lblLocation", L"&Location:");
    f->Add(L"TextBox", L"txtLocation");
    f->Add(L"Label", L"lblStart", L"Start tim&e:");
    f->Add(L"SysDateTimePick32", L"dtpStartDate");
    f->Add(L"ComboBox", L"cboStartTime");
    f->Add(L"Label", L"lblEnd", L"En&d time:");
    f->Add(L"SysDateTimePick32", L"dtpEndDate");
    f->Add(L"ComboBox", L"cboEndTime");
    f->Add(L"CheckBox", L"chkAllDayEvent", L"All da&y event");
    f->Add(L"Label", L"lblCalendar", L"Folder:");
    Tip(f->Add(L"LinkLabel", L"lnkCalendar"), L"Click to change");
    f->Add(L"Label", L"lblCalendarPlaceholder", L"<Not Selected>")->SetProperty(L"Visible", Value(false));
    AddMailActions(*f, L"&Attach original E-mail to Appointment");
    f->Add(L"CommandButton", L"btnCreateAppointment", L"&Create Appointment");
    Tip(f->Add(L"CommandButton", L"btnEditAppointment", L"Ed&it Details"), L"Open Appointment for editing");
    f->Add(L"CommandButton", L"btnCancel", L"Cancel");
    f->Add(L"CommandButton", L"btnHelp", L"&Help");
    return f;
}

}  // namespace brisko::forms
