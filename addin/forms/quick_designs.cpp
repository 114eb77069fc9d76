#include "addin/forms/quick_designs.h"

namespace brisko::forms {

namespace {

// The tables are drawn in pixels at 96 dots per inch (15 twips a pixel), on the grid of a
// Windows dialog: 11-pixel margins, a label column of 66 pixels and the fields at x = 84, rows
// 28 pixels apart, text fields 21 pixels high with their labels 3 pixels lower, check boxes 17
// high, buttons 23 high and 6 apart, the Help button alone at the left. Widths leave room for
// the longer of the English and German captions.
constexpr int Px(int pixels) { return pixels * 15; }

constexpr int kMargin = 11;
constexpr int kFieldLeft = 84;
constexpr int kLabelWidth = 66;
// The calendar's size as the controls library's calendar asks for it at 96 dots per inch
// (GetMinSize): the task dialog then needs no growth when it loads.
constexpr int kCalendarWidth = 280;
constexpr int kCalendarHeight = 171;

ControlDesign Ctl(const wchar_t* kind, const wchar_t* name, const wchar_t* caption, int left, int top, int width,
                  int height, int tabIndex) {
    ControlDesign c;
    c.kind = kind;
    c.name = name;
    c.caption = caption;
    c.left = Px(left);
    c.top = Px(top);
    c.width = Px(width);
    c.height = Px(height);
    c.tabIndex = tabIndex;
    return c;
}

ControlDesign Hidden(ControlDesign c) {
    c.visible = false;
    return c;
}

ControlDesign Tip(ControlDesign c, const wchar_t* tip) {
    c.toolTipText = tip;
    return c;
}

ControlDesign Indexed(ControlDesign c, int index) {
    c.index = index;
    return c;
}

ControlDesign Line(int index, int x1, int y, int x2) {
    ControlDesign c;
    c.kind = L"Line";
    c.name = L"Line1";
    c.index = index;
    c.left = Px(x1);
    c.top = Px(y);
    c.width = Px(x2);
    c.height = Px(y);
    return c;
}

// The mail actions and the buttons, shared by both dialogs from a row on.
void AddMailActions(FormDesign& d, int right, const wchar_t* attachCaption, int top, int& tab) {
    const int text = kMargin + 18;  // a check box's caption starts after its box
    d.controls.push_back(Ctl(L"CheckBox", L"chkAttachMail", attachCaption, kMargin, top, right - kMargin, 17, tab++));
    d.controls.push_back(Ctl(L"CheckBox", L"chkMoveMail", L"&Move original E-mail to the following folder:", kMargin,
                             top + 23, right - kMargin, 17, tab++));
    d.controls.push_back(Tip(Ctl(L"LinkLabel", L"lnkMoveFolder", L"", text, top + 43, right - text, 15, tab++),
                             L"Click to change"));
    d.controls.push_back(
        Hidden(Ctl(L"Label", L"lblMoveFolderPlaceholder", L"<Not Selected>", text, top + 43, right - text, 15, 0)));
    d.controls.push_back(Ctl(L"CheckBox", L"chkDeleteMail", L"Dele&te original E-mail", kMargin, top + 63,
                             right - kMargin, 17, tab++));
}

void AddButtons(FormDesign& d, int right, int clientHeight, const wchar_t* create, const wchar_t* edit, const wchar_t* editTip,
                const wchar_t* createName, const wchar_t* editName, const wchar_t* help, int& tab) {
    const int top = clientHeight - kMargin - 23;
    const int cancelLeft = right - 75;
    const int editLeft = cancelLeft - 6 - 120;
    const int createLeft = editLeft - 6 - 120;
    ControlDesign c = Ctl(L"CommandButton", createName, create, createLeft, top, 120, 23, tab++);
    c.isDefault = true;
    d.controls.push_back(c);
    d.controls.push_back(Tip(Ctl(L"CommandButton", editName, edit, editLeft, top, 120, 23, tab++), editTip));
    ControlDesign cancel = Ctl(L"CommandButton", L"btnCancel", L"Cancel", cancelLeft, top, 75, 23, tab++);
    cancel.isCancel = true;
    d.controls.push_back(cancel);
    d.controls.push_back(Ctl(L"CommandButton", L"btnHelp", help, kMargin, top, 75, 23, tab++));
}

// Hidden controls take the tab order's last places, after every control a user reaches.
void NumberHidden(FormDesign& d, int& tab) {
    for (auto& c : d.controls) {
        if (!c.visible && c.kind != L"Line") c.tabIndex = tab++;
    }
}

FormDesign TaskDesign() {
    FormDesign d;
    d.name = L"frmQuickTask";
    d.caption = L"Brisko - Task";
    // Subject over the whole width; due date with the calendar below it, the priority to its
    // right; the mail actions and the buttons between separators.
    constexpr int clientWidth = 510;
    constexpr int clientHeight = 396;
    constexpr int kRight = clientWidth - kMargin;
    d.width = Px(clientWidth) + CForm::kFrameWidth;
    d.height = Px(clientHeight) + CForm::kFrameHeight;
    constexpr int priorityLeft = kFieldLeft + kCalendarWidth + 12;
    constexpr int calendarTop = 67;
    int tab = 0;
    d.controls.push_back(Ctl(L"Label", L"lblSubject", L"Sub&ject:", kMargin, 14, kLabelWidth, 13, tab++));
    d.controls.push_back(Ctl(L"TextBox", L"txtSubject", L"", kFieldLeft, 11, kRight - kFieldLeft, 21, tab++));
    d.controls.push_back(Ctl(L"Label", L"lblDueDate", L"&Due date:", kMargin, 42, kLabelWidth, 13, tab++));
    d.controls.push_back(Ctl(L"SysDateTimePick32", L"dtpDueDate", L"", kFieldLeft, 39, 150, 21, tab++));
    d.controls.push_back(
        Ctl(L"SysMonthCal32", L"mvDueDate", L"", kFieldLeft, calendarTop, kCalendarWidth, kCalendarHeight, tab++));
    // "Priority:" stays in the row of the due date, clear of a calendar that grows to the right.
    d.controls.push_back(Ctl(L"Label", L"Label3", L"Priority:", priorityLeft, 42, kRight - priorityLeft, 13, tab++));
    d.controls.push_back(
        Ctl(L"PriorityBar", L"barPriority", L"", priorityLeft, calendarTop, kRight - priorityLeft, 90, tab++));
    const wchar_t* priorities[] = {L"Low", L"Normal", L"High"};
    for (int i = 0; i < 3; ++i) {
        // Over the bar's buttons (high at the top), whose captions they give.
        d.controls.push_back(Indexed(Hidden(Ctl(L"Label", L"lblPriority", priorities[i], priorityLeft,
                                                calendarTop + (2 - i) * 30 + 8, kRight - priorityLeft, 13, 0)),
                                     i));
    }
    constexpr int actionsTop = calendarTop + kCalendarHeight + 22;
    d.controls.push_back(Line(0, kMargin, actionsTop - 11, kRight));
    AddMailActions(d, kRight, L"&Attach original E-mail to Task", actionsTop, tab);
    d.controls.push_back(Line(1, kMargin, actionsTop + 91, kRight));
    AddButtons(d, kRight, clientHeight, L"&Create Task", L"Ed&it Details", L"Open Task for editing", L"btnCreateTask",
               L"btnEditTask", L"Help", tab);
    NumberHidden(d, tab);
    return d;
}

FormDesign AppointmentDesign() {
    FormDesign d;
    d.name = L"frmQuickAppointment";
    d.caption = L"Brisko - Appointment";
    // Subject, location, start and end (date and time), all day, the calendar; the mail actions
    // and the buttons.
    constexpr int clientWidth = 440;
    constexpr int clientHeight = 307;
    constexpr int kRight = clientWidth - kMargin;
    d.width = Px(clientWidth) + CForm::kFrameWidth;
    d.height = Px(clientHeight) + CForm::kFrameHeight;
    constexpr int dateWidth = 130;
    constexpr int timeLeft = kFieldLeft + dateWidth + 6;
    int tab = 0;
    d.controls.push_back(Ctl(L"Label", L"lblSubject", L"Sub&ject:", kMargin, 14, kLabelWidth, 13, tab++));
    d.controls.push_back(Ctl(L"TextBox", L"txtSubject", L"", kFieldLeft, 11, kRight - kFieldLeft, 21, tab++));
    d.controls.push_back(Ctl(L"Label", L"lblLocation", L"&Location:", kMargin, 42, kLabelWidth, 13, tab++));
    d.controls.push_back(Ctl(L"TextBox", L"txtLocation", L"", kFieldLeft, 39, kRight - kFieldLeft, 21, tab++));
    d.controls.push_back(Ctl(L"Label", L"lblStart", L"Start tim&e:", kMargin, 70, kLabelWidth, 13, tab++));
    d.controls.push_back(Ctl(L"SysDateTimePick32", L"dtpStartDate", L"", kFieldLeft, 67, dateWidth, 21, tab++));
    d.controls.push_back(Ctl(L"ComboBox", L"cboStartTime", L"", timeLeft, 67, 80, 21, tab++));
    d.controls.push_back(Ctl(L"Label", L"lblEnd", L"En&d time:", kMargin, 98, kLabelWidth, 13, tab++));
    d.controls.push_back(Ctl(L"SysDateTimePick32", L"dtpEndDate", L"", kFieldLeft, 95, dateWidth, 21, tab++));
    d.controls.push_back(Ctl(L"ComboBox", L"cboEndTime", L"", timeLeft, 95, 80, 21, tab++));
    d.controls.push_back(Ctl(L"CheckBox", L"chkAllDayEvent", L"All da&y event", kFieldLeft, 123, kRight - kFieldLeft, 17, tab++));
    d.controls.push_back(Ctl(L"Label", L"lblCalendar", L"Folder:", kMargin, 152, kLabelWidth, 13, tab++));
    d.controls.push_back(
        Tip(Ctl(L"LinkLabel", L"lnkCalendar", L"", kFieldLeft, 151, kRight - kFieldLeft, 15, tab++), L"Click to change"));
    d.controls.push_back(
        Hidden(Ctl(L"Label", L"lblCalendarPlaceholder", L"<Not Selected>", kFieldLeft, 151, kRight - kFieldLeft, 15, 0)));
    AddMailActions(d, kRight, L"&Attach original E-mail to Appointment", 177, tab);
    AddButtons(d, kRight, clientHeight, L"&Create Appointment", L"Ed&it Details", L"Open Appointment for editing",
               L"btnCreateAppointment", L"btnEditAppointment", L"&Help", tab);
    NumberHidden(d, tab);
    return d;
}

std::shared_ptr<CForm> Make(const FormDesign& design) {
    auto f = std::make_shared<CForm>(design.name);
    ApplyDesign(*f, design);
    return f;
}

}  // namespace

const FormDesign& QuickTaskDesign() {
    static const FormDesign design = TaskDesign();
    return design;
}

const FormDesign& QuickAppointmentDesign() {
    static const FormDesign design = AppointmentDesign();
    return design;
}

void ApplyDesign(CForm& form, const FormDesign& design) {
    form.SetProperty(L"Caption", Value(design.caption));
    form.SetProperty(L"Width", Value(design.width));
    form.SetProperty(L"Height", Value(design.height));
    for (const auto& d : design.controls) {
        auto c = form.Add(d.kind, d.name, d.caption, d.index);
        // Before the form loads: nothing reaches a window yet.
        auto set = [&](const wchar_t* property, const Value& v) {
            if (c->Has(property)) c->SetProperty(property, v);
        };
        if (d.kind == L"Line") {
            set(L"X1", Value(d.left));
            set(L"Y1", Value(d.top));
            set(L"X2", Value(d.width));
            set(L"Y2", Value(d.height));
            continue;
        }
        set(L"Left", Value(d.left));
        set(L"Top", Value(d.top));
        set(L"Width", Value(d.width));
        set(L"Height", Value(d.height));
        if (!d.toolTipText.empty()) set(L"ToolTipText", Value(d.toolTipText));
        if (!d.visible) set(L"Visible", Value(false));
        if (d.isDefault) set(L"Default", Value(true));
        if (d.isCancel) set(L"Cancel", Value(true));
    }
    // The tab order last: setting a TabIndex renumbers the others, so each gets its place in turn.
    std::vector<std::pair<int, std::shared_ptr<CControl>>> order;
    for (std::size_t i = 0; i < design.controls.size(); ++i) {
        const auto c = form.Controls()->At(static_cast<int>(i));
        if (c->Has(L"TabIndex")) order.emplace_back(design.controls[i].tabIndex, c);
    }
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < order.size(); ++i) order[i].second->SetProperty(L"TabIndex", Value(static_cast<int>(i)));
}

std::shared_ptr<CForm> MakeQuickTaskDesign() { return Make(QuickTaskDesign()); }
std::shared_ptr<CForm> MakeQuickAppointmentDesign() { return Make(QuickAppointmentDesign()); }

}  // namespace brisko::forms
