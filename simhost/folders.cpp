#include "simhost/folders.h"

#include "automation/error.h"
#include "automation/text.h"
#include "simhost/object_tables.h"
#include "simhost/objects.h"

namespace brisko::sim {

using namespace tables;

SimFolder::SimFolder(SimOutlook& sim, SimStore* store, SimFolder* parent, std::wstring name, int itemType)
    : SimObject(sim, L"MAPIFolder"),
      store_(store),
      parent_(parent),
      name_(std::move(name)),
      itemType_(itemType),
      entryID_(sim.NewEntryID(store)) {
    folders_ = sim.Make<SimFolders>(this);
    items_ = sim.Make<SimItems>(this);
}

const std::wstring& SimFolder::StoreID() const noexcept { return store_->storeID; }

std::wstring SimFolder::Path() const {
    std::wstring path = name_;
    for (const SimFolder* f = parent_; f; f = f->parent_) path = f->name_ + L"\\" + path;
    return L"\\\\" + path;
}

SimFolder* SimFolder::Subfolder(std::wstring_view name) const {
    for (auto* f : subfolders_) {
        if (!f->Vanished() && EqualsNoCase(f->Name(), name)) return f;
    }
    return nullptr;
}

void SimFolder::RemoveSubfolder(SimFolder* folder) { EraseValue(subfolders_, folder); }
void SimFolder::RemoveContent(SimItem* item) { EraseValue(contents_, item); }

void SimFolder::OnVanish() {
    if (parent_) parent_->RemoveSubfolder(this);
    auto& sim = Sim();
    const auto subfolders = subfolders_;
    for (auto* f : subfolders) sim.Vanish(f);
    const auto contents = contents_;
    for (auto* item : contents) sim.Vanish(item);
    sim.Vanish(folders_);
    sim.Vanish(items_);
}

SimStoreObject* SimStoreObject::Of(SimOutlook& sim, SimStore* store) {
    if (!store->object) store->object = sim.Make<SimStoreObject>(store);
    return static_cast<SimStoreObject*>(store->object);
}

std::vector<SimFolder*> SimFolders::List() const {
    if (!owner_) return Sim().StoreTops();
    return owner_->Subfolders();
}

// --- Member tables -----------------------------------------------------------------------

namespace {

// Folders.Add's type: an OlDefaultFolders number, the kind of folder to create.
int ItemTypeOfFolderKind(std::int32_t kind) {
    switch (kind) {
        case ol::FolderDeletedItems:
        case ol::FolderOutbox:
        case ol::FolderSentMail:
        case ol::FolderInbox:
        case ol::FolderDrafts: return ol::MailItem;
        case ol::FolderCalendar: return ol::AppointmentItem;
        case ol::FolderContacts: return ol::ContactItem;
        case ol::FolderTasks: return ol::TaskItem;
        case 11: return 4;  // journal
        case 12: return 5;  // notes
        default: Raise(brisko::err::InvalidCall);
    }
}

void InstallFolder(SimOutlook& sim) {
    auto& t = sim.Type(L"MAPIFolder");
    Common(t, ol::ClassFolder, As<SimFolder>([](SimFolder& f, Args&) {
               if (f.ParentFolder()) return ValueOf(f.ParentFolder());
               return ValueOf(f.Sim().Session());
           }));
    t.Property(L"EntryID", As<SimFolder>([](SimFolder& f, Args&) { return Value(f.EntryID()); }));
    t.Property(L"StoreID", As<SimFolder>([](SimFolder& f, Args&) { return Value(f.StoreID()); }));
    t.Property(
        L"Name", As<SimFolder>([](SimFolder& f, Args&) { return Value(f.Name()); }),
        PutAs<SimFolder>([](SimFolder& f, const Value& v) {
            std::wstring name = v.AsString();
            if (name.empty()) Raise(brisko::err::InvalidCall);
            if (auto* other = f.ParentFolder() ? f.ParentFolder()->Subfolder(name) : nullptr; other && other != &f) {
                Raise(err::Collision, L"Cannot rename the folder.");
            }
            f.SetName(std::move(name));
        }));
    t.Property(L"DefaultItemType", As<SimFolder>([](SimFolder& f, Args&) { return Value(f.ItemType()); }));
    t.Property(L"DefaultMessageClass",
               As<SimFolder>([](SimFolder& f, Args&) { return Value(MessageClassOf(f.ItemType())); }));
    t.Property(L"FolderPath", As<SimFolder>([](SimFolder& f, Args&) { return Value(f.Path()); }));
    t.Property(L"Folders", As<SimFolder>([](SimFolder& f, Args&) { return ValueOf(f.FoldersObject()); }));
    t.Property(L"Items", As<SimFolder>([](SimFolder& f, Args&) { return ValueOf(f.ItemsObject()); }));
    t.Property(L"Store",
               As<SimFolder>([](SimFolder& f, Args&) { return ValueOf(SimStoreObject::Of(f.Sim(), f.Store())); }));
    t.Property(L"UnReadItemCount", As<SimFolder>([](SimFolder& f, Args&) {
                   return Value(static_cast<std::int32_t>(std::count_if(
                       f.Contents().begin(), f.Contents().end(),
                       [](const SimItem* i) { return i->Prop(L"UnRead") == Value(true); })));
               }));
}

void InstallStore(SimOutlook& sim) {
    auto& t = sim.Type(L"Store");
    Common(t, ol::ClassStore, [](SimObject& s, Args&) { return ValueOf(s.Sim().Session()); });
    t.Property(L"StoreID", As<SimStoreObject>([](SimStoreObject& st, Args&) { return Value(st.Store()->storeID); }));
    t.Property(L"DisplayName",
               As<SimStoreObject>([](SimStoreObject& st, Args&) { return Value(st.Store()->top->Name()); }));
    t.Method(L"GetRootFolder", As<SimStoreObject>([](SimStoreObject& st, Args&) {
                 if (st.Store()->top->Vanished()) RaiseNotFound();
                 return ValueOf(st.Store()->top);
             }));
    t.Method(L"GetDefaultFolder", As<SimStoreObject>([](SimStoreObject& st, Args& a) {
                 const std::int32_t kind = a[0].AsInt();
                 auto* f = st.Sim().DefaultFolderOf(st.Store()->top, kind);
                 if (!f) RaiseNotFound();
                 return ValueOf(f);
             }),
             1, 1);
}

void InstallFolders(SimOutlook& sim) {
    auto& t = sim.Type(L"Folders");
    t.SetHasEvents(true);
    Common(t, ol::ClassFolders, As<SimFolders>([](SimFolders& fs, Args&) {
               if (fs.Owner()) return ValueOf(fs.Owner());
               return ValueOf(fs.Sim().Session());
           }));
    t.Property(L"Count", As<SimFolders>([](SimFolders& fs, Args&) {
                   return Value(static_cast<std::int32_t>(fs.List().size()));
               }));
    t.Method(L"Item", As<SimFolders>([](SimFolders& fs, Args& a) {
                 const auto list = fs.List();
                 if (a[0].type() == VarType::String) {
                     for (auto* f : list) {
                         if (EqualsNoCase(f->Name(), a[0].AsString())) return ValueOf(f);
                     }
                     RaiseNotFound();
                 }
                 return ValueAt(list, a[0]);
             }),
             1, 1);
    t.Method(L"Add", As<SimFolders>([](SimFolders& fs, Args& a) {
                 if (!fs.Owner()) Raise(err::OperationFailed, L"The operation failed.");
                 const int type = Omitted(a, 1) ? fs.Owner()->ItemType() : ItemTypeOfFolderKind(a[1].AsInt());
                 auto* f = fs.Sim().AddFolder(fs.Owner(), a[0].AsString(), type);
                 Args added{ValueOf(f)};
                 fs.RaiseEvent(L"FolderAdd", added);
                 return ValueOf(f);
             }),
             1, 2);
    auto step = [](SimFolders& fs, std::size_t pos) {
        const auto list = fs.List();
        fs.cursor = pos;
        return pos >= 1 && pos <= list.size() ? ValueOf(list[pos - 1]) : Value(ObjectPtr{});
    };
    t.Method(L"GetFirst", As<SimFolders>([step](SimFolders& fs, Args&) { return step(fs, 1); }));
    t.Method(L"GetNext", As<SimFolders>([step](SimFolders& fs, Args&) { return step(fs, fs.cursor + 1); }));
    t.Method(L"GetLast", As<SimFolders>([step](SimFolders& fs, Args&) { return step(fs, fs.List().size()); }));
    t.Method(L"GetPrevious", As<SimFolders>([step](SimFolders& fs, Args&) {
                 return step(fs, fs.cursor > 0 ? fs.cursor - 1 : 0);
             }));
}

}  // namespace

void tables::InstallFolderTables(SimOutlook& sim) {
    InstallFolder(sim);
    InstallFolders(sim);
    InstallStore(sim);
}

}  // namespace brisko::sim
