#include "simhost/command_bars.h"

namespace brisko::sim {

void InstallCommandBars(SimOutlook&) {}

SimCommandBars::SimCommandBars(SimOutlook& sim, SimObject* window) : SimObject(sim, L"CommandBars"), window_(window) {}
SimCommandBar* SimCommandBars::Find(std::wstring_view) const { return nullptr; }
SimCommandBar* SimCommandBars::AddBar(std::wstring, int, int) { return nullptr; }
std::wstring SimCommandBars::Identity() const { return SimObject::Identity(); }
void SimCommandBars::OnVanish() {}

SimCommandBar::SimCommandBar(SimOutlook& sim, std::wstring name, int barType, SimCommandBars* owner,
                             SimCommandBarControl* popup)
    : SimObject(sim, L"CommandBar"), name_(std::move(name)), barType_(barType), owner_(owner), popup_(popup),
      controls_(nullptr) {}
SimCommandBar* SimCommandBar::TopBar() { return this; }
bool SimCommandBar::NoCustomize() { return false; }
int SimCommandBar::Index() const { return 0; }
std::wstring SimCommandBar::Identity() const { return name_; }
void SimCommandBar::OnVanish() {}

SimCommandBarControl* SimCommandBarControls::Insert(int, int, std::size_t, bool, std::wstring) { return nullptr; }
SimCommandBarControl* SimCommandBarControls::Append(int, int, bool, std::wstring) { return nullptr; }
void SimCommandBarControls::Remove(SimCommandBarControl*) {}
int SimCommandBarControls::IndexOf(const SimCommandBarControl*) const { return 0; }

SimCommandBarControl::SimCommandBarControl(SimOutlook& sim, SimCommandBarControls* owner, int type, int id,
                                           bool builtIn)
    : SimObject(sim, type == mso::ControlPopup ? L"CommandBarPopup" : L"CommandBarButton"),
      owner_(owner), type_(type), id_(id), builtIn_(builtIn) {}
std::vector<SimCommandBarControl*> SimCommandBarControl::Ancestors() const { return {}; }
std::wstring SimCommandBarControl::Identity() const { return caption; }
void SimCommandBarControl::OnVanish() {}

SimCommandBars* CommandBarsOf(SimObject*) { return nullptr; }
SimCommandBars* ExistingCommandBarsOf(SimObject*) { return nullptr; }
void UpdateBars(SimObject*) {}
SimCommandBarControl* FindControlByPath(SimObject*, std::wstring_view, std::wstring_view) { return nullptr; }
SimCommandBarControl* FindControlInBar(SimCommandBar*, std::wstring_view) { return nullptr; }
bool Press(SimCommandBarControl*) { return false; }
std::wstring ListAddinControls(SimObject*) { return {}; }
std::wstring ListAddinControls(SimCommandBar*) { return {}; }
std::wstring DescribeControl(const SimCommandBarControl*) { return {}; }
std::uint64_t ControlWrites(const SimOutlook& sim) { return sim.ControlWrites(); }
SimCommandBarControl* AddBuiltInControl(SimCommandBar*, int, int, std::wstring) { return nullptr; }
SimCommandBar* ShowItemContextMenu(SimExplorer*) { return nullptr; }
void CloseItemContextMenu(SimOutlook&) {}
SimCommandBar* ShownItemContextMenu(const SimOutlook& sim) { return sim.BarsState().shownContextMenu; }

}  // namespace brisko::sim
