// The ribbon of Outlook 2007 and later: markup and callbacks of Connect.
#include "addin/host/Connect.h"
#include "addin/host/error_discipline.h"

namespace brisko {

std::wstring Connect::GetCustomUI(const std::wstring&) noexcept { return {}; }

void Connect::Ribbon_OnLoad(const ObjectPtr& ribbon) noexcept {
    Trapped(L"Connect.Ribbon_OnLoad", [&] { m_oRibbon = ribbon; });
}

void Connect::RibbonButton_Action(const ObjectPtr&) noexcept {}
bool Connect::RibbonControl_GetEnabled(const ObjectPtr&) noexcept { return true; }
bool Connect::RibbonControl_GetVisible(const ObjectPtr&) noexcept { return true; }
std::wstring Connect::RibbonControl_GetLabel(const ObjectPtr&) noexcept { return {}; }
std::wstring Connect::RibbonButton_GetScreentip(const ObjectPtr&) noexcept { return {}; }
ObjectPtr Connect::RibbonButton_GetImage(const ObjectPtr&) noexcept { return nullptr; }

}  // namespace brisko
