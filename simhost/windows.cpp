#include "simhost/windows.h"

#include "automation/error.h"
#include "automation/text.h"
#include "simhost/object_tables.h"
#include "simhost/objects.h"

namespace brisko::sim {

using namespace tables;

void SimExplorers::Remove(SimExplorer* explorer) { EraseValue(list_, explorer); }

void SimExplorer::Unselect(const SimItem* item) { EraseValue(selection_, item); }

std::wstring SimExplorer::Caption() const {
    const std::wstring name = folder_ && !folder_->Vanished() ? folder_->Name() : L"";
    return name + L" - Microsoft Outlook";
}

std::wstring SimExplorer::Identity() const {
    return L"Explorer #" + std::to_wstring(Serial()) + (closed_ ? L" (closed)" : L"");
}

void SimExplorer::OnVanish() {
    closed_ = true;
    selection_.clear();
    Sim().Explorers()->Remove(this);
}

void SimInspectors::Remove(SimInspector* inspector) { EraseValue(list_, inspector); }

std::wstring SimInspector::Caption() const {
    std::wstring subject = item_ ? item_->Subject() : L"";
    if (subject.empty()) subject = L"Untitled";
    switch (item_ ? item_->ItemType() : ol::MailItem) {
        case ol::TaskItem: return subject + L" - Task";
        case ol::AppointmentItem: return subject + L" - Appointment";
        case ol::ContactItem: return subject + L" - Contact";
        default: return subject + L" - Message";
    }
}

std::wstring SimInspector::Identity() const {
    return L"Inspector #" + std::to_wstring(Serial()) + (closed_ ? L" (closed)" : L"");
}

void SimInspector::OnVanish() {
    closed_ = true;
    if (item_ && item_->Inspector() == this) item_->SetInspector(nullptr);
    Sim().Inspectors()->Remove(this);
}

// --- Member tables -----------------------------------------------------------------------

namespace {

void InstallExplorers(SimOutlook& sim) {
    auto& list = sim.Type(L"Explorers");
    list.SetHasEvents(true);
    Common(list, ol::ClassExplorers, ApplicationParent);
    list.Property(L"Count", As<SimExplorers>([](SimExplorers& es, Args&) {
                      return Value(static_cast<std::int32_t>(es.List().size()));
                  }));
    list.Method(L"Item", As<SimExplorers>([](SimExplorers& es, Args& a) { return ValueAt(es.List(), a[0]); }), 1, 1);
    list.Method(L"Add", As<SimExplorers>([](SimExplorers& es, Args& a) {
                    return ValueOf(es.Sim().OpenExplorer(LiveFolderArg(a[0])));
                }),
                1, 2);

    auto& t = sim.Type(L"Explorer");
    t.SetHasEvents(true);
    Common(t, ol::ClassExplorer, ApplicationParent);
    t.Property(
        L"CurrentFolder", As<SimExplorer>([](SimExplorer& e, Args&) { return ValueOf(e.CurrentFolder()); }),
        PutAs<SimExplorer>([](SimExplorer& e, const Value& v) { e.Sim().SwitchFolder(&e, LiveFolderArg(v)); }));
    t.Property(L"Selection", As<SimExplorer>([](SimExplorer& e, Args&) {
                   return ValueOf(e.Sim().Make<SimSelection>(&e, e.Selected()));
               }));
    t.Property(L"Caption", As<SimExplorer>([](SimExplorer& e, Args&) { return Value(e.Caption()); }));
    t.Method(L"Activate", As<SimExplorer>([](SimExplorer& e, Args&) {
                 e.Sim().ActivateExplorer(&e);
                 return Value();
             }));
    t.Method(L"Display", As<SimExplorer>([](SimExplorer& e, Args&) {
                 e.Sim().ActivateExplorer(&e);
                 return Value();
             }));
    t.Method(L"Close", As<SimExplorer>([](SimExplorer& e, Args&) {
                 e.Sim().CloseExplorer(&e);
                 return Value();
             }));

    auto& sel = sim.Type(L"Selection");
    Common(sel, ol::ClassSelection, As<SimSelection>([](SimSelection& s, Args&) { return ValueOf(s.Explorer()); }));
    sel.Property(L"Count", As<SimSelection>([](SimSelection& s, Args&) {
                     return Value(static_cast<std::int32_t>(s.Items().size()));
                 }));
    sel.Method(L"Item", As<SimSelection>([](SimSelection& s, Args& a) { return ValueAt(s.Items(), a[0]); }), 1, 1);
}

void InstallInspectors(SimOutlook& sim) {
    auto& list = sim.Type(L"Inspectors");
    list.SetHasEvents(true);
    Common(list, ol::ClassInspectors, ApplicationParent);
    list.Property(L"Count", As<SimInspectors>([](SimInspectors& is, Args&) {
                      return Value(static_cast<std::int32_t>(is.List().size()));
                  }));
    list.Method(L"Item", As<SimInspectors>([](SimInspectors& is, Args& a) { return ValueAt(is.List(), a[0]); }), 1,
                1);
    list.Method(L"Add", As<SimInspectors>([](SimInspectors& is, Args& a) {
                    auto* item = SimArgAs<SimItem>(a[0]);
                    if (!item) Raise(brisko::err::InvalidCall);
                    if (item->Vanished()) RaiseNotFound();
                    return ValueOf(is.Sim().OpenInspector(item));
                }),
                1, 1);

    auto& t = sim.Type(L"Inspector");
    t.SetHasEvents(true);
    Common(t, ol::ClassInspector, ApplicationParent);
    t.Property(L"CurrentItem", As<SimInspector>([](SimInspector& i, Args&) { return ValueOf(i.CurrentItem()); }));
    t.Property(L"EditorType", As<SimInspector>([](SimInspector& i, Args&) { return Value(i.EditorType()); }));
    t.Method(L"IsWordMail",
             As<SimInspector>([](SimInspector& i, Args&) { return Value(i.EditorType() == ol::EditorWord); }));
    t.Property(L"Caption", As<SimInspector>([](SimInspector& i, Args&) { return Value(i.Caption()); }));
    t.Method(L"Activate", As<SimInspector>([](SimInspector& i, Args&) {
                 i.Sim().ActivateInspector(&i);
                 return Value();
             }));
    t.Method(L"Display", As<SimInspector>([](SimInspector& i, Args&) {
                 i.Sim().ActivateInspector(&i);
                 return Value();
             }),
             0, 1);
    t.Method(L"Close", As<SimInspector>([](SimInspector& i, Args& a) {
                 const std::int32_t mode = a[0].AsInt();
                 if (mode < 0 || mode > 2) Raise(brisko::err::InvalidCall);
                 i.Sim().CloseInspector(&i, mode != 1);
                 return Value();
             }),
             1, 1);
}

}  // namespace

void tables::InstallWindowTables(SimOutlook& sim) {
    InstallExplorers(sim);
    InstallInspectors(sim);
}

}  // namespace brisko::sim
