#include "simhost/ribbon.h"

#include "simhost/sim_outlook.h"

namespace brisko::sim {

void InstallRibbonTypes(SimOutlook&) {}

SimRibbon::SimRibbon(SimOutlook& sim) : sim_(sim) {}
SimRibbon::~SimRibbon() = default;
void SimRibbon::Attach(ObjectPtr addin, std::function<bool(std::wstring_view)> probe) {
    addin_ = std::move(addin);
    probe_ = std::move(probe);
}
void SimRibbon::Detach() { addin_.reset(); }
void SimRibbon::StartupComplete() { startedUp_ = true; }
void SimRibbon::WindowOpening(SimObject*) {}
std::wstring SimRibbon::AskCustomUI(std::wstring_view) { return {}; }
std::wstring SimRibbon::RibbonTypeOf(SimObject*) const { return {}; }
bool SimRibbon::Asked(std::wstring_view) const { return false; }
std::wstring SimRibbon::LoadedMarkup(std::wstring_view) const { return {}; }
std::vector<RibbonControlState> SimRibbon::Show(SimObject*) { return {}; }
std::wstring SimRibbon::DescribeShow(const std::vector<RibbonControlState>&) { return {}; }
bool SimRibbon::Click(SimObject*, std::wstring_view) { return false; }
void SimRibbon::Invalidate() {}
void SimRibbon::InvalidateControl(std::wstring_view) {}

}  // namespace brisko::sim
