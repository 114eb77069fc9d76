#include "addin/dialogs/frmQuickTask.h"

#include "addin/folders/CRecentFolders.h"
#include "addin/forms/quick_designs.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "addin/lang/CLang.h"
#include "automation/error.h"
#include "automation/text.h"

namespace brisko {

namespace {

const CQuickDialog::Names kNames{/*form*/ L"frmQuickTask",
                                 /*kind*/ 3,
                                 /*createButton*/ L"btnCreateTask",
                                 /*editButton*/ L"btnEditTask",
                                 /*clickName*/ L"btnTask_Click",
                                 /*helpTopic*/ L"Create_Task_Item_from_E-mail_Message.htm"};

}  // namespace

frmQuickTask::frmQuickTask(Token) : CQuickDialog(kNames) {}

std::shared_ptr<frmQuickTask> frmQuickTask::Create() {
    auto form = std::make_shared<frmQuickTask>(Token{});
    forms::ApplyDesign(*form, forms::QuickTaskDesign());
    form->ConnectHandlers();
    return form;
}

void frmQuickTask::Form_Load() {
    const std::wstring proc = Proc(L"Form_Load");
    Trapped(proc, [&] {
        LogDebug(proc, L"->", 3);
        m_oMoveFolder = std::make_shared<CRecentFolder>();
        Let(L"lnkMoveFolder", L"Caption", L"");
        if (const auto lang = Lang()) lang->LocalizeForm(shared_from_this());
        try {
            Ctl(L"barPriority")
                ->Call(L"SetCaptions", {Ctl(L"lblPriority", 2)->Get(L"Caption"), Ctl(L"lblPriority", 1)->Get(L"Caption"),
                                        Ctl(L"lblPriority", 0)->Get(L"Caption")});
        } catch (...) {
            Err().Set(CurrentError());
            LogError(proc, -1, std::nullopt, L"barPriority.SetCaptions failed");
        }
        Let(L"txtSubject", L"Text", L"");
        SetDatePickerFormat(L"dtpDueDate");
        mvDueDate_AutoSize();
        SetDueDate(Today());
        Let(L"barPriority", L"Value", 1);
        LoadMailActions();
    });
}

void frmQuickTask::mvDueDate_AutoSize() {
    Trapped(Proc(L"mvDueDate_AutoSize"), [&] {
        const int tx = forms::TwipsPerPixelX();
        const int ty = forms::TwipsPerPixelY();
        const auto calendar = Ctl(L"mvDueDate");
        const int oldWidth = calendar->Get(L"Width").AsInt() / tx;
        Args size{Value(0), Value(0)};
        calendar->Invoke(L"GetMinSize", CallKind::Method, size);
        const int width = size[0].AsInt();
        const int height = size[1].AsInt();
        // A control that reports no size keeps the designed one.
        if (width <= 0 || height <= 0) return;
        calendar->Call(L"Move", {calendar->Get(L"Left"), calendar->Get(L"Top"), width * tx, height * ty});
        const int delta = (width - oldWidth) * tx;
        if (delta <= 0) return;
        auto grow = [&](const std::shared_ptr<forms::CControl>& c, const wchar_t* property) {
            c->Put(property, c->Get(property).AsInt() + delta);
        };
        Put(L"Width", Object::Get(L"Width").AsInt() + delta);
        grow(Ctl(L"txtSubject"), L"Width");
        for (const wchar_t* name : {L"barPriority", L"btnCreateTask", L"btnEditTask", L"btnCancel"}) grow(Ctl(name), L"Left");
        grow(Ctl(L"lblPriority", 0), L"Left");
        grow(Ctl(L"lblPriority", 1), L"Left");
        grow(Ctl(L"Line1", 0), L"X2");
        grow(Ctl(L"Line1", 1), L"X2");
    });
}

Date frmQuickTask::DueDate() const { return DatePart(Ctl(L"dtpDueDate")->Get(L"Value").AsDate()); }

void frmQuickTask::SetDueDate(Date dtValue) {
    const Date day = DatePart(dtValue);
    m_bSyncingDates = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_bSyncingDates};
    Let(L"dtpDueDate", L"Value", day);
    Let(L"mvDueDate", L"Value", day);
}

void frmQuickTask::DateChanged(const wchar_t* from, const wchar_t* to) {
    if (m_bSyncingDates) return;
    m_bSyncingDates = true;
    try {
        Let(to, L"Value", Get(from, L"Value"));
    } catch (...) {
    }
    m_bSyncingDates = false;
    Err().Clear();
}

void frmQuickTask::InitFromMail(const ObjectPtr& oMail) {
    SetDueDate(Today());
    try {
        if (GetOf(oMail, L"ReminderSet").AsBool()) SetDueDate(GetOf(oMail, L"ReminderTime").AsDate());
    } catch (...) {
        Err().Clear();
    }
    Let(L"barPriority", L"Value", GetOf(oMail, L"Importance"));
}

bool frmQuickTask::IsValidDate(const ObjectPtr& oMail) {
    return Trapped(Proc(L"IsValidDate"), [&] { return ValidMoveFolder(oMail); });
}

ObjectPtr frmQuickTask::DoCreate(const ObjectPtr& oMail) {
    return Trapped(Proc(L"DoCreate"), [&]() -> ObjectPtr {
        const ObjectPtr task = CallOf(g_oApplication, L"CreateItem", {3}).AsObject();
        PutOf(task, L"Subject", Get(L"txtSubject", L"Text"));
        PutOf(task, L"DueDate", DueDate());
        PutOf(task, L"Importance", Get(L"barPriority", L"Value"));
        if (oMail) CopyFromMail(task, oMail, L"Redemption.SafeTaskItem");
        return task;
    });
}

bool frmQuickTask::OnEvent(const forms::CControl& control, std::wstring_view event, Args& args) {
    if (EqualsNoCase(event, L"OnChange")) {
        if (EqualsNoCase(control.Name(), L"dtpDueDate")) {
            DateChanged(L"dtpDueDate", L"mvDueDate");
            return true;
        }
        if (EqualsNoCase(control.Name(), L"mvDueDate")) {
            DateChanged(L"mvDueDate", L"dtpDueDate");
            return true;
        }
    }
    return CQuickDialog::OnEvent(control, event, args);
}

}  // namespace brisko
