#include "simhost/objects.h"

#include <algorithm>
#include <cmath>

#include "automation/error.h"
#include "automation/text.h"

namespace brisko::sim {

namespace {

// Outlook's "no date": 1 January 4501.
Date NoDate() { return MakeDate({4501, 1, 1}); }

// The next full or half hour at or after t.
Date NextHalfHour(Date t) { return Date{std::ceil(t.serial * 48.0 - 1e-7) / 48.0}; }

std::wstring MessageClassOf(int itemType) {
    switch (itemType) {
        case ol::AppointmentItem: return L"IPM.Appointment";
        case ol::ContactItem: return L"IPM.Contact";
        case ol::TaskItem: return L"IPM.Task";
        case ol::PostItem: return L"IPM.Post";
        default: return L"IPM.Note";
    }
}

template <class T>
void EraseValue(std::vector<T*>& list, const T* value) {
    std::erase(list, value);
}

}  // namespace

// --- Object classes ------------------------------------------------------------------------

SimNameSpace::SimNameSpace(SimOutlook& sim) : SimObject(sim, L"NameSpace"), folders_(sim.Make<SimFolders>(nullptr)) {}

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

SimItem::SimItem(SimOutlook& sim, int itemType, SimFolder* home)
    : SimObject(sim, itemType == ol::AppointmentItem ? L"AppointmentItem"
                     : itemType == ol::TaskItem      ? L"TaskItem"
                     : itemType == ol::ContactItem   ? L"ContactItem"
                     : itemType == ol::PostItem      ? L"PostItem"
                                                     : L"MailItem"),
      itemType_(itemType),
      folder_(home) {
    attachments_ = sim.Make<SimAttachments>(this);
    const Date now = sim.Now();
    SetProp(L"Subject", L"");
    SetProp(L"Body", L"");
    SetProp(L"Categories", L"");
    SetProp(L"Importance", 1);
    SetProp(L"UnRead", false);
    SetProp(L"CreationTime", now);
    SetProp(L"LastModificationTime", now);
    SetProp(L"MessageClass", MessageClassOf(itemType));
    SetProp(L"ReminderSet", false);
    SetProp(L"ReminderTime", NoDate());
    switch (itemType) {
        case ol::MailItem:
        case ol::PostItem:
            SetProp(L"Sent", itemType == ol::PostItem);
            SetProp(L"SenderName", L"");
            SetProp(L"SenderEmailAddress", L"");
            SetProp(L"To", L"");
            SetProp(L"ReceivedTime", NoDate());
            break;
        case ol::TaskItem:
            SetProp(L"DueDate", NoDate());
            SetProp(L"StartDate", NoDate());
            SetProp(L"Complete", false);
            break;
        case ol::AppointmentItem: {
            const Date start = NextHalfHour(now);
            SetProp(L"Start", start);
            SetProp(L"End", Date{start.serial + 30.0 / 1440.0});
            SetProp(L"AllDayEvent", false);
            SetProp(L"Location", L"");
            SetProp(L"ReminderSet", true);
            SetProp(L"ReminderMinutesBeforeStart", 15);
            SetProp(L"BusyStatus", 2);
            break;
        }
        case ol::ContactItem:
            SetProp(L"FullName", L"");
            SetProp(L"Email1Address", L"");
            break;
        default:
            break;
    }
}

int SimItem::ItemClass() const noexcept {
    switch (itemType_) {
        case ol::AppointmentItem: return ol::ClassAppointment;
        case ol::TaskItem: return ol::ClassTask;
        case ol::ContactItem: return ol::ClassContact;
        case ol::PostItem: return ol::ClassPost;
        default: return ol::ClassMail;
    }
}

Value SimItem::Prop(std::wstring_view name) const {
    const auto it = props_.find(LowerCase(name));
    return it == props_.end() ? Value() : it->second;
}

void SimItem::SetProp(std::wstring_view name, Value value) {
    if (value.IsObject()) Raise(brisko::err::TypeMismatch);  // the bag never holds references
    props_[LowerCase(name)] = std::move(value);
}

std::wstring SimItem::Text(std::wstring_view name) const {
    const Value v = Prop(name);
    try {
        return v.AsString();
    } catch (const RuntimeError&) {
        return {};
    }
}

std::wstring SimItem::Identity() const {
    std::wstring where = stored_ && folder_ ? folder_->Path() : L"(unsaved)";
    return L"\"" + Subject() + L"\" " + where;
}

SimAttachment* SimItem::AddAttachment(SimItem* sourceItem, std::wstring fileName, std::wstring displayName) {
    auto* a = Sim().Make<SimAttachment>(this, sourceItem, std::move(fileName), std::move(displayName),
                                        sourceItem ? ol::EmbeddedItem : ol::ByValue);
    attachmentList_.push_back(a);
    saved_ = false;
    return a;
}

void SimItem::RemoveAttachment(SimAttachment* attachment) { EraseValue(attachmentList_, attachment); }

void SimItem::OnVanish() {
    auto& sim = Sim();
    if (stored_ && folder_) folder_->RemoveContent(this);
    for (auto* e : sim.OpenExplorers()) e->Unselect(this);
    if (inspector_) sim.Vanish(inspector_);
    const auto attachments = attachmentList_;
    for (auto* a : attachments) sim.Vanish(a);
    sim.Vanish(attachments_);
}

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

// An optional argument that was not given: left off the end, Missing, or (as some callers pass it) Empty.
bool Omitted(const Args& a, std::size_t i) { return i >= a.size() || a[i].IsEmptyOrMissing(); }

// A 1-based position into a list of count elements: 13 for a non-number, 9 when out of range.
std::size_t Position(const Value& index, std::size_t count) {
    const std::int32_t i = index.AsInt();
    if (i < 1 || static_cast<std::size_t>(i) > count) Raise(brisko::err::SubscriptOutOfRange);
    return static_cast<std::size_t>(i - 1);
}

template <class T>
Value ValueAt(const std::vector<T*>& list, const Value& index) {
    return ValueOf(list[Position(index, list.size())]);
}

// Adds Application, Session, Class and Parent.
void Common(SimType& t, int objectClass, MemberFn parent) {
    t.Property(L"Application", [](SimObject& s, Args&) { return ValueOf(s.Sim().Application()); });
    t.Property(L"Session", [](SimObject& s, Args&) { return ValueOf(s.Sim().Session()); });
    t.Constant(L"Class", objectClass);
    t.Property(L"Parent", std::move(parent));
}

Value ApplicationParent(SimObject& s, Args&) { return ValueOf(s.Sim().Application()); }

SimFolder* LiveFolderArg(const Value& v) {
    auto* folder = SimArgAs<SimFolder>(v);
    if (!folder) Raise(brisko::err::InvalidCall);
    if (folder->Vanished()) RaiseNotFound();
    return folder;
}

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

// Items.Add's type: an OlItemType number or a message class.
int ItemTypeOfArg(const Value& v) {
    if (v.type() == VarType::String) {
        const std::wstring mc = LowerCase(v.AsString());
        auto is = [&](std::wstring_view prefix) {
            return mc.size() >= prefix.size() && mc.compare(0, prefix.size(), prefix) == 0 &&
                   (mc.size() == prefix.size() || mc[prefix.size()] == L'.');
        };
        if (is(L"ipm.note")) return ol::MailItem;
        if (is(L"ipm.appointment")) return ol::AppointmentItem;
        if (is(L"ipm.contact")) return ol::ContactItem;
        if (is(L"ipm.task")) return ol::TaskItem;
        if (is(L"ipm.post")) return ol::PostItem;
        Raise(brisko::err::InvalidCall);
    }
    const std::int32_t t = v.AsInt();
    switch (t) {
        case ol::MailItem:
        case ol::AppointmentItem:
        case ol::ContactItem:
        case ol::TaskItem:
        case ol::PostItem: return t;
        default: Raise(brisko::err::InvalidCall);
    }
}

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

void InstallItems(SimOutlook& sim) {
    auto& t = sim.Type(L"Items");
    t.SetHasEvents(true);
    Common(t, ol::ClassItems, As<SimItems>([](SimItems& is, Args&) { return ValueOf(is.Owner()); }));
    t.Property(L"Count", As<SimItems>([](SimItems& is, Args&) {
                   return Value(static_cast<std::int32_t>(is.Owner()->Contents().size()));
               }));
    t.Method(L"Item", As<SimItems>([](SimItems& is, Args& a) {
                 const auto& list = is.Owner()->Contents();
                 if (a[0].type() == VarType::String) {
                     for (auto* item : list) {
                         if (EqualsNoCase(item->Subject(), a[0].AsString())) return ValueOf(item);
                     }
                     RaiseNotFound();
                 }
                 return ValueAt(list, a[0]);
             }),
             1, 1);
    t.Method(L"Add", As<SimItems>([](SimItems& is, Args& a) {
                 const int type = Omitted(a, 0) ? is.Owner()->ItemType() : ItemTypeOfArg(a[0]);
                 if (type != ol::MailItem && type != ol::AppointmentItem && type != ol::ContactItem &&
                     type != ol::TaskItem && type != ol::PostItem) {
                     Raise(err::OperationFailed, L"Items of this kind cannot be created in this folder.");
                 }
                 return ValueOf(is.Sim().CreateItem(type, is.Owner()));
             }),
             0, 1);
    auto step = [](SimItems& is, std::size_t pos) {
        const auto& list = is.Owner()->Contents();
        is.cursor = pos;
        return pos >= 1 && pos <= list.size() ? ValueOf(list[pos - 1]) : Value(ObjectPtr{});
    };
    t.Method(L"GetFirst", As<SimItems>([step](SimItems& is, Args&) { return step(is, 1); }));
    t.Method(L"GetNext", As<SimItems>([step](SimItems& is, Args&) { return step(is, is.cursor + 1); }));
    t.Method(L"GetLast",
             As<SimItems>([step](SimItems& is, Args&) { return step(is, is.Owner()->Contents().size()); }));
    t.Method(L"GetPrevious", As<SimItems>([step](SimItems& is, Args&) {
                 return step(is, is.cursor > 0 ? is.cursor - 1 : 0);
             }));
}

// --- Item properties -----------------------------------------------------------------------

enum class PropKind { Text, Bool, Date, Int };

MemberFn BagGet(std::wstring name) {
    return As<SimItem>([name = std::move(name)](SimItem& item, Args&) { return item.Prop(name); });
}

// A property kept in the bag; assignments convert as the host does and leave the item modified.
void BagProperty(SimType& t, const std::wstring& name, PropKind kind, bool writable = true, int minInt = 0,
                 int maxInt = 0) {
    PutFn put;
    if (writable) {
        put = PutAs<SimItem>([name, kind, minInt, maxInt](SimItem& item, const Value& v) {
            Value converted;
            switch (kind) {
                case PropKind::Text: converted = v.AsString(); break;
                case PropKind::Bool: converted = v.AsBool(); break;
                case PropKind::Date: converted = v.AsDate(); break;
                case PropKind::Int: {
                    const std::int32_t n = v.AsInt();
                    if (minInt < maxInt && (n < minInt || n > maxInt)) Raise(brisko::err::InvalidCall);
                    converted = n;
                    break;
                }
            }
            item.SetProp(name, std::move(converted));
            item.SetSaved(false);
        });
    }
    t.Property(name, BagGet(name), std::move(put));
}

void InstallItemCommon(SimType& t) {
    t.SetHasEvents(true);
    Common(t, 0, As<SimItem>([](SimItem& item, Args&) { return ValueOf(item.Folder()); }));
    t.Property(L"Class", As<SimItem>([](SimItem& item, Args&) { return Value(item.ItemClass()); }));
    t.Property(L"EntryID", As<SimItem>([](SimItem& item, Args&) {
                   return Value(item.Stored() ? item.EntryID() : std::wstring());
               }));
    BagProperty(t, L"Subject", PropKind::Text);
    BagProperty(t, L"Body", PropKind::Text);
    BagProperty(t, L"Categories", PropKind::Text);
    BagProperty(t, L"Importance", PropKind::Int, true, 0, 2);
    BagProperty(t, L"UnRead", PropKind::Bool);
    BagProperty(t, L"MessageClass", PropKind::Text);
    BagProperty(t, L"CreationTime", PropKind::Date, false);
    BagProperty(t, L"LastModificationTime", PropKind::Date, false);
    t.Property(L"Saved", As<SimItem>([](SimItem& item, Args&) { return Value(item.Stored() && item.Saved()); }));
    t.Property(L"Attachments", As<SimItem>([](SimItem& item, Args&) { return ValueOf(item.AttachmentsObject()); }));
    t.Method(L"Save", As<SimItem>([](SimItem& item, Args&) {
                 item.Sim().SaveItem(&item);
                 return Value();
             }));
    t.Method(L"Delete", As<SimItem>([](SimItem& item, Args&) {
                 item.Sim().DeleteItem(&item);
                 return Value();
             }));
    t.Method(L"Move", As<SimItem>([](SimItem& item, Args& a) {
                 item.Sim().MoveItem(&item, LiveFolderArg(a[0]));
                 return ValueOf(&item);
             }),
             1, 1);
    t.Method(L"GetInspector", As<SimItem>([](SimItem& item, Args&) {
                 return ValueOf(item.Sim().OpenInspector(&item));
             }));
    t.Method(L"Display", As<SimItem>([](SimItem& item, Args&) {
                 auto& sim = item.Sim();
                 auto* inspector = sim.OpenInspector(&item);
                 if (!inspector->Vanished()) sim.ActivateInspector(inspector);
                 return Value();
             }),
             0, 1);
    t.Method(L"Close", As<SimItem>([](SimItem& item, Args& a) {
                 const std::int32_t mode = a[0].AsInt();
                 if (mode < 0 || mode > 2) Raise(brisko::err::InvalidCall);
                 auto& sim = item.Sim();
                 if (auto* inspector = item.Inspector(); inspector && !inspector->Vanished()) {
                     sim.CloseInspector(inspector, mode != 1);
                 } else if (mode != 1 && !item.Saved()) {
                     sim.SaveItem(&item);
                 }
                 return Value();
             }),
             1, 1);
    BagProperty(t, L"ReminderSet", PropKind::Bool);
    BagProperty(t, L"ReminderTime", PropKind::Date);
}

void InstallItemTypes(SimOutlook& sim) {
    auto& mail = sim.Type(L"MailItem");
    InstallItemCommon(mail);
    BagProperty(mail, L"Sent", PropKind::Bool, false);
    BagProperty(mail, L"SenderName", PropKind::Text, false);
    BagProperty(mail, L"SenderEmailAddress", PropKind::Text, false);
    BagProperty(mail, L"To", PropKind::Text);
    BagProperty(mail, L"ReceivedTime", PropKind::Date, false);

    auto& post = sim.Type(L"PostItem");
    InstallItemCommon(post);
    BagProperty(post, L"SenderName", PropKind::Text, false);
    BagProperty(post, L"ReceivedTime", PropKind::Date, false);

    auto& task = sim.Type(L"TaskItem");
    InstallItemCommon(task);
    BagProperty(task, L"DueDate", PropKind::Date);
    BagProperty(task, L"StartDate", PropKind::Date);
    BagProperty(task, L"Complete", PropKind::Bool);

    auto& appointment = sim.Type(L"AppointmentItem");
    InstallItemCommon(appointment);
    BagProperty(appointment, L"End", PropKind::Date);
    BagProperty(appointment, L"AllDayEvent", PropKind::Bool);
    BagProperty(appointment, L"Location", PropKind::Text);
    BagProperty(appointment, L"ReminderMinutesBeforeStart", PropKind::Int);
    BagProperty(appointment, L"BusyStatus", PropKind::Int, true, 0, 3);
    // A new start keeps the duration, as Outlook moves the end along.
    appointment.Property(L"Start", BagGet(L"Start"), PutAs<SimItem>([](SimItem& item, const Value& v) {
                             const Date start = v.AsDate();
                             const double duration =
                                 item.Prop(L"End").AsDate().serial - item.Prop(L"Start").AsDate().serial;
                             item.SetProp(L"Start", start);
                             item.SetProp(L"End", Date{start.serial + duration});
                             item.SetSaved(false);
                         }));
    appointment.Property(
        L"Duration",
        As<SimItem>([](SimItem& item, Args&) {
            const double days = item.Prop(L"End").AsDate().serial - item.Prop(L"Start").AsDate().serial;
            return Value(static_cast<std::int32_t>(std::lround(days * 1440.0)));
        }),
        PutAs<SimItem>([](SimItem& item, const Value& v) {
            const std::int32_t minutes = v.AsInt();
            if (minutes < 0) Raise(brisko::err::InvalidCall);
            item.SetProp(L"End", Date{item.Prop(L"Start").AsDate().serial + minutes / 1440.0});
            item.SetSaved(false);
        }));

    auto& contact = sim.Type(L"ContactItem");
    InstallItemCommon(contact);
    BagProperty(contact, L"FullName", PropKind::Text);
    BagProperty(contact, L"Email1Address", PropKind::Text);
}

void InstallAttachments(SimOutlook& sim) {
    auto& t = sim.Type(L"Attachments");
    Common(t, ol::ClassAttachments, As<SimAttachments>([](SimAttachments& as, Args&) { return ValueOf(as.Owner()); }));
    t.Property(L"Count", As<SimAttachments>([](SimAttachments& as, Args&) {
                   return Value(static_cast<std::int32_t>(as.Owner()->AttachmentList().size()));
               }));
    t.Method(L"Item", As<SimAttachments>([](SimAttachments& as, Args& a) {
                 return ValueAt(as.Owner()->AttachmentList(), a[0]);
             }),
             1, 1);
    t.Method(L"Add", As<SimAttachments>([](SimAttachments& as, Args& a) {
                 SimItem* owner = as.Owner();
                 // Type: by value, by reference, embedded item or OLE; an item source is always
                 // embedded, as the host attaches an item.
                 if (!Omitted(a, 1)) {
                     const std::int32_t type = a[1].AsInt();
                     if (type != ol::ByValue && type != 4 && type != ol::EmbeddedItem && type != 6) {
                         Raise(brisko::err::InvalidCall);
                     }
                 }
                 const std::wstring displayName = Omitted(a, 3) ? std::wstring() : a[3].AsString();
                 if (a[0].IsObject()) {
                     auto* source = SimArgAs<SimItem>(a[0]);
                     if (!source) Raise(brisko::err::InvalidCall);
                     if (source->Vanished()) RaiseNotFound();
                     return ValueOf(owner->AddAttachment(source, {}, displayName.empty() ? source->Subject()
                                                                                          : displayName));
                 }
                 const std::wstring path = a[0].AsString();
                 if (path.empty()) Raise(brisko::err::InvalidCall);
                 const auto slash = path.find_last_of(L"\\/");
                 std::wstring file = slash == std::wstring::npos ? path : path.substr(slash + 1);
                 return ValueOf(owner->AddAttachment(nullptr, file, displayName.empty() ? file : displayName));
             }),
             1, 4);
    t.Method(L"Remove", As<SimAttachments>([](SimAttachments& as, Args& a) {
                 const auto& list = as.Owner()->AttachmentList();
                 as.Sim().Vanish(list[Position(a[0], list.size())]);
                 return Value();
             }),
             1, 1);

    auto& one = sim.Type(L"Attachment");
    Common(one, ol::ClassAttachment, As<SimAttachment>([](SimAttachment& at, Args&) { return ValueOf(at.Owner()); }));
    one.Property(L"DisplayName", As<SimAttachment>([](SimAttachment& at, Args&) { return Value(at.DisplayName()); }),
                 PutAs<SimAttachment>([](SimAttachment& at, const Value& v) { at.SetDisplayName(v.AsString()); }));
    one.Property(L"FileName", As<SimAttachment>([](SimAttachment& at, Args&) { return Value(at.FileName()); }));
    one.Property(L"Type", As<SimAttachment>([](SimAttachment& at, Args&) { return Value(at.AttachmentType()); }));
    one.Property(L"Index", As<SimAttachment>([](SimAttachment& at, Args&) {
                     const auto& list = at.Owner()->AttachmentList();
                     const auto it = std::find(list.begin(), list.end(), &at);
                     return Value(static_cast<std::int32_t>(it - list.begin() + 1));
                 }));
    one.Method(L"Delete", As<SimAttachment>([](SimAttachment& at, Args&) {
                   at.Sim().Vanish(&at);
                   return Value();
               }));
}

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

void InstallObjectModel(SimOutlook& sim) {
    InstallApplication(sim);
    InstallNameSpace(sim);
    InstallRecipient(sim);
    InstallFolder(sim);
    InstallFolders(sim);
    InstallStore(sim);
    InstallItems(sim);
    InstallItemTypes(sim);
    InstallAttachments(sim);
    InstallExplorers(sim);
    InstallInspectors(sim);
}

}  // namespace brisko::sim
