#include "simhost/objects.h"

#include "automation/error.h"
#include "automation/text.h"
#include "simhost/object_tables.h"
#include "simhost/objects.h"

namespace brisko::sim {

using namespace tables;

SimNameSpace::SimNameSpace(SimOutlook& sim) : SimObject(sim, L"NameSpace"), folders_(sim.Make<SimFolders>(nullptr)) {}

// --- Member tables -----------------------------------------------------------------------

namespace {

void InstallApplication(SimOutlook& sim) {
    auto& t = sim.Type(L"Application");
    t.SetHasEvents(true);
    Common(t, ol::ClassApplication, [](SimObject&, Args&) { return Value(ObjectPtr{}); });
    t.Constant(L"Name", L"Outlook");
    t.Property(L"Version", [](SimObject& s, Args&) { return Value(s.Sim().Version()); });
    t.Method(
        L"GetNamespace",
        [](SimObject& s, Args& a) {
            if (!EqualsNoCase(a[0].AsString(), L"MAPI")) Raise(brisko::err::InvalidCall);
            return ValueOf(s.Sim().Session());
        },
        1, 1);
    t.Property(L"Explorers", [](SimObject& s, Args&) { return ValueOf(s.Sim().Explorers()); });
    t.Property(L"Inspectors", [](SimObject& s, Args&) { return ValueOf(s.Sim().Inspectors()); });
    t.Method(L"ActiveExplorer", [](SimObject& s, Args&) { return ValueOf(s.Sim().ActiveExplorer()); });
    t.Method(L"ActiveInspector", [](SimObject& s, Args&) { return ValueOf(s.Sim().ActiveInspector()); });
    t.Method(
        L"CreateItem",
        [](SimObject& s, Args& a) {
            auto& outlook = s.Sim();
            const std::int32_t type = a[0].AsInt();
            int home = 0;
            switch (type) {
                case ol::MailItem: home = ol::FolderDrafts; break;
                case ol::AppointmentItem: home = ol::FolderCalendar; break;
                case ol::ContactItem: home = ol::FolderContacts; break;
                case ol::TaskItem: home = ol::FolderTasks; break;
                case ol::PostItem: home = ol::FolderInbox; break;
                default: Raise(brisko::err::InvalidCall);
            }
            return ValueOf(outlook.CreateItem(type, outlook.DefaultFolder(home)));
        },
        1, 1);
}

Value FolderByID(SimObject& s, Args& a) {
    const std::wstring entry = a[0].AsString();
    const std::wstring store = Omitted(a, 1) ? std::wstring() : a[1].AsString();
    auto* f = s.Sim().FindFolderByID(entry, store);
    if (!f) RaiseNotFound();
    return ValueOf(f);
}

Value ItemByID(SimObject& s, Args& a) {
    const std::wstring entry = a[0].AsString();
    const std::wstring store = Omitted(a, 1) ? std::wstring() : a[1].AsString();
    auto* item = s.Sim().FindItemByID(entry, store);
    if (!item) RaiseNotFound();
    return ValueOf(item);
}

void InstallNameSpace(SimOutlook& sim) {
    auto& t = sim.Type(L"NameSpace");
    t.SetHasEvents(true);
    Common(t, ol::ClassNameSpace, ApplicationParent);
    t.Constant(L"Type", L"MAPI");
    t.Property(L"Folders", As<SimNameSpace>([](SimNameSpace& ns, Args&) { return ValueOf(ns.FoldersObject()); }));
    t.Method(L"GetItemFromID", ItemByID, 1, 2);
    t.Method(L"GetFolderFromID", FolderByID, 1, 2);
    t.Method(
        L"GetDefaultFolder",
        [](SimObject& s, Args& a) {
            const std::int32_t kind = a[0].AsInt();
            switch (kind) {
                case ol::FolderDeletedItems:
                case ol::FolderOutbox:
                case ol::FolderSentMail:
                case ol::FolderInbox:
                case ol::FolderCalendar:
                case ol::FolderContacts:
                case 11:
                case 12:
                case ol::FolderTasks:
                case ol::FolderDrafts: break;
                default: Raise(brisko::err::InvalidCall);
            }
            auto* f = s.Sim().DefaultFolder(kind);
            if (!f) RaiseNotFound();
            return ValueOf(f);
        },
        1, 1);
    t.Method(L"PickFolder", [](SimObject& s, Args&) { return ValueOf(s.Sim().NextPickFolderAnswer()); });
    t.Property(L"MAPIOBJECT", [](SimObject& s, Args&) { return ValueOf(s.Sim().MapiSession()); });
    t.Property(L"CurrentUser", [](SimObject& s, Args&) { return ValueOf(s.Sim().CurrentUser()); });
    t.Method(L"Logon", [](SimObject&, Args&) { return Value(); }, 0, 4);
    t.Method(L"Logoff", [](SimObject&, Args&) { return Value(); });
}

void InstallRecipient(SimOutlook& sim) {
    auto& t = sim.Type(L"Recipient");
    Common(t, ol::ClassRecipient, [](SimObject& s, Args&) { return ValueOf(s.Sim().Session()); });
    t.Property(L"Name", As<SimRecipient>([](SimRecipient& r, Args&) { return Value(r.Name()); }));
    t.Property(L"Address", As<SimRecipient>([](SimRecipient& r, Args&) { return Value(r.Address()); }));
    t.Constant(L"Resolved", true);
    // The simulated MAPI session leads back to its host's namespace, as a safe item library
    // reaches the stores and items behind the MAPI object it is given.
    sim.Type(L"MAPISession").Property(L"Session", [](SimObject& s, Args&) { return ValueOf(s.Sim().Session()); });
}

}  // namespace

void InstallObjectModel(SimOutlook& sim) {
    InstallApplication(sim);
    InstallNameSpace(sim);
    InstallRecipient(sim);
    InstallFolderTables(sim);
    InstallItemTables(sim);
    InstallWindowTables(sim);
}

}  // namespace brisko::sim
