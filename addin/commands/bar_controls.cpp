#include "addin/commands/bar_controls.h"

#include "addin/dialogs/msgbox.h"
#include "addin/lang/CLang.h"

namespace brisko {

ObjectPtr AddTemporaryControl(const ObjectPtr& oControls, std::int32_t nType, std::int32_t nBefore) {
    if (nBefore > 0) return CallOf(oControls, L"Add", {Value(nType), Missing, Missing, Value(nBefore), Value(true)}).AsObject();
    return CallOf(oControls, L"Add", {Value(nType), Missing, Missing, Missing, Value(true)}).AsObject();
}

namespace {

// FindControl's answer: a control, or nothing (Nothing or Empty).
ObjectPtr Found(const Value& v) { return v.IsObject() ? v.AsObject() : nullptr; }

}  // namespace

ObjectPtr FindBuiltIn(const ObjectPtr& oBar, std::int32_t nId) {
    return Found(CallOf(oBar, L"FindControl", {Missing, Value(nId)}));
}

std::int32_t ToolbarPosition(const ObjectPtr& oBar) {
    if (const auto anchor = FindBuiltIn(oBar, 354)) return GetOf(anchor, L"Index").AsInt();
    if (const auto anchor = FindBuiltIn(oBar, 478)) return GetOf(anchor, L"Index").AsInt() + 1;
    return 0;
}

ObjectPtr FindTagged(const ObjectPtr& oBar, const std::wstring& sTag) {
    return Found(CallOf(oBar, L"FindControl", {Missing, Missing, Value(sTag)}));
}

void DressQuickButton(const ObjectPtr& oButton, bool bTask, const QuickButtonLook& look) {
    PutOf(oButton, L"Style", Value(look.style));
    if (look.caption) {
        PutOf(oButton, L"Caption", Value(LangItem(bTask ? L"LID_BTN_QUICK_TASK" : L"LID_BTN_QUICK_APPOINTMENT")));
    }
    PutOf(oButton, L"FaceId", Value(bTask ? kFaceQuickTask : kFaceQuickAppointment));
    PutOf(oButton, L"TooltipText",
          Value(LangItem(bTask ? L"LID_BTN_QUICK_TASK_TT" : L"LID_BTN_QUICK_APPOINTMENT_TT")));
    if (*look.tag) PutOf(oButton, L"Tag", Value(std::wstring(look.tag)));
    if (look.beginGroup) PutOf(oButton, L"BeginGroup", Value(true));
    PutOf(oButton, L"Visible", Value(look.visible));
    PutOf(oButton, L"Enabled", Value(look.enabled));
}

void PutIfChanged(const ObjectPtr& oControl, std::wstring_view sName, bool bValue) {
    if (GetOf(oControl, sName).AsBool() != bValue) PutOf(oControl, sName, Value(bValue));
}

std::wstring LangItem(const std::wstring& sKey, const Array& args) {
    if (args.empty()) return LangText(sKey);
    const auto lang = Lang();
    return lang ? lang->Item(sKey, args) : LangText(sKey);
}

}  // namespace brisko
