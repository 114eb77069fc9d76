#include "simhost/sim_outlook.h"

#include <algorithm>

#include "automation/error.h"
#include "automation/text.h"
#include "simhost/command_bars.h"
#include "simhost/objects.h"
#include "simhost/ribbon.h"

namespace brisko::sim {

namespace {

std::wstring Hex8(std::uint64_t n) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring s(8, L'0');
    for (int i = 7; i >= 0; --i) {
        s[static_cast<std::size_t>(i)] = kDigits[n & 0xF];
        n >>= 4;
    }
    return s;
}

// An argument as the trace shows it: Missing, Empty, Null, Object, Nothing or the value's type.
std::wstring ArgumentKind(const Value& v) {
    switch (v.type()) {
        case VarType::Missing: return L"Missing";
        case VarType::Empty: return L"Empty";
        case VarType::Object: return v.IsNothing() ? L"Nothing" : L"Object";
        default: return v.TypeName();
    }
}

const wchar_t* KindName(CallKind kind) {
    switch (kind) {
        case CallKind::Get: return L"Get";
        case CallKind::Put: return L"Put";
        case CallKind::PutRef: return L"PutRef";
        case CallKind::Method: return L"Method";
    }
    return L"";
}

int ItemTypeOfDefaultFolder(int kind) {
    switch (kind) {
        case ol::FolderCalendar: return ol::AppointmentItem;
        case ol::FolderContacts: return ol::ContactItem;
        case ol::FolderTasks: return ol::TaskItem;
        default: return ol::MailItem;
    }
}

}  // namespace

SimOutlook::SimOutlook() : escaped_(std::make_shared<std::vector<EscapedError>>()) {
    SetMajorVersion(11);
    now_ = MakeDate({2010, 5, 17, 9, 0, 0});
    InstallObjectModel(*this);
    InstallCommandBars(*this);
    InstallRibbonTypes(*this);
    bars_ = std::make_unique<CommandBarsState>();
    ribbon_ = std::make_unique<SimRibbon>(*this);
    application_ = Make<SimApplication>();
    session_ = Make<SimNameSpace>();
    explorers_ = Make<SimExplorers>();
    inspectors_ = Make<SimInspectors>();
    mapiSession_ = Make<SimMapiSession>();
    currentUser_ = Make<SimRecipient>(L"Outlook User", L"user@example.com");
}

SimOutlook::~SimOutlook() {
    // The add-in goes first, while the objects it may still release are whole.
    if (ribbon_) ribbon_->Detach();
    // Objects still referenced from outside outlive the arena detached: they answer every call
    // with an error and never touch the arena or the objects they linked to.
    for (auto& o : objects_) {
        o->sim_ = nullptr;
        o->type_ = nullptr;
        o->links_.clear();
    }
    objects_.clear();
}

SimType& SimOutlook::Type(std::wstring_view name) {
    auto& slot = types_[LowerCase(name)];
    if (!slot) slot = std::make_unique<SimType>(std::wstring(name));
    return *slot;
}

const SimType* SimOutlook::FindType(std::wstring_view name) const {
    const auto it = types_.find(LowerCase(name));
    return it == types_.end() ? nullptr : it->second.get();
}

ObjectPtr SimOutlook::ApplicationObject() { return application_->Ref(); }

void SimOutlook::SetCurrentUser(std::wstring name, std::wstring address) {
    currentUser_->Set(std::move(name), std::move(address));
}

void SimOutlook::SetMajorVersion(int major) {
    switch (major) {
        case 9: version_ = L"9.0.0.6627"; break;
        case 10: version_ = L"10.0.0.6626"; break;
        case 11: version_ = L"11.0.0.8312"; break;
        case 12: version_ = L"12.0.0.6562"; break;
        case 13: version_ = L"13.0.0.1000"; break;
        case 14: version_ = L"14.0.0.7254"; break;
        default: Raise(brisko::err::InvalidCall);
    }
}

// --- Stores and folders ------------------------------------------------------------------

void SimOutlook::CheckLive(const SimObject* object) const {
    if (!object) Raise(brisko::err::InvalidCall);
    if (object->Vanished()) RaiseNotFound();
}

SimFolder* SimOutlook::AddStore(std::wstring name) {
    SimStore& store = stores_.emplace_back();
    store.number = static_cast<int>(stores_.size());
    store.storeID = L"0000000038A1BB1005E5101AA1BB08002B2A56C20000" + Hex8(static_cast<std::uint64_t>(store.number));
    store.top = Make<SimFolder>(&store, nullptr, std::move(name), ol::MailItem);
    if (!defaultStore_) defaultStore_ = &store;
    return store.top;
}

void SimOutlook::SetDefaultStore(SimFolder* top) {
    CheckLive(top);
    defaultStore_ = top->Store();
}

std::vector<SimFolder*> SimOutlook::StoreTops() const {
    std::vector<SimFolder*> tops;
    for (const auto& s : stores_) {
        if (s.top && !s.top->Vanished()) tops.push_back(s.top);
    }
    return tops;
}

SimFolder* SimOutlook::AddFolder(SimFolder* parent, std::wstring name, int itemType) {
    CheckLive(parent);
    if (name.empty()) Raise(brisko::err::InvalidCall);
    if (parent->Subfolder(name)) Raise(err::Collision, L"Cannot create the folder.");
    auto* folder = Make<SimFolder>(parent->Store(), parent, std::move(name), itemType);
    parent->AddSubfolder(folder);
    return folder;
}

SimFolder* SimOutlook::AddDefaultFolder(SimFolder* top, int kind, std::wstring name) {
    CheckLive(top);
    auto* folder = AddFolder(top, std::move(name), ItemTypeOfDefaultFolder(kind));
    top->Store()->defaults[kind] = folder;
    return folder;
}

SimFolder* SimOutlook::DefaultFolderOf(const SimFolder* anyFolderOfStore, int kind) const {
    if (!anyFolderOfStore || !anyFolderOfStore->Store()) return nullptr;
    const auto& defaults = anyFolderOfStore->Store()->defaults;
    const auto it = defaults.find(kind);
    if (it == defaults.end() || it->second->Vanished()) return nullptr;
    return it->second;
}

SimFolder* SimOutlook::DefaultFolder(int kind) const {
    if (!defaultStore_) return nullptr;
    return DefaultFolderOf(defaultStore_->top, kind);
}

SimFolder* SimOutlook::FindFolder(std::wstring_view path) const {
    std::vector<std::wstring_view> names;
    std::size_t pos = path.find_first_not_of(L'\\');
    while (pos != std::wstring_view::npos && pos < path.size()) {
        const auto end = path.find(L'\\', pos);
        names.push_back(path.substr(pos, end == std::wstring_view::npos ? std::wstring_view::npos : end - pos));
        if (end == std::wstring_view::npos) break;
        pos = end + 1;
    }
    if (names.empty()) return nullptr;
    SimFolder* folder = nullptr;
    for (auto* top : StoreTops()) {
        if (EqualsNoCase(top->Name(), names[0])) {
            folder = top;
            break;
        }
    }
    for (std::size_t i = 1; folder && i < names.size(); ++i) folder = folder->Subfolder(names[i]);
    return folder;
}

std::vector<SimFolder*> SimOutlook::AllFolders() const {
    std::vector<SimFolder*> folders;
    for (const auto& o : objects_) {
        if (auto* f = dynamic_cast<SimFolder*>(o.get())) folders.push_back(f);
    }
    return folders;
}

SimStore* SimOutlook::StoreOf(const SimFolder* folder) const { return folder ? folder->Store() : nullptr; }

SimFolder* SimOutlook::FindFolderByID(std::wstring_view entryID, std::wstring_view storeID) const {
    if (entryID.empty()) return nullptr;
    for (auto* f : AllFolders()) {
        if (f->Vanished() || !EqualsNoCase(f->EntryID(), entryID)) continue;
        if (storeID.empty() || EqualsNoCase(f->StoreID(), storeID)) return f;
    }
    return nullptr;
}

SimItem* SimOutlook::FindItemByID(std::wstring_view entryID, std::wstring_view storeID) const {
    if (entryID.empty()) return nullptr;
    for (const auto& o : objects_) {
        auto* item = dynamic_cast<SimItem*>(o.get());
        if (!item || item->Vanished() || !item->Stored() || !EqualsNoCase(item->EntryID(), entryID)) continue;
        if (storeID.empty() || (item->Folder() && EqualsNoCase(item->Folder()->StoreID(), storeID))) return item;
    }
    return nullptr;
}

std::wstring SimOutlook::NewEntryID(const SimStore* store) {
    return L"00000000F1E2D3C4B5A69788" + Hex8(store ? static_cast<std::uint64_t>(store->number) : 0) +
           Hex8(++entrySerial_);
}

// --- Items -------------------------------------------------------------------------------

SimItem* SimOutlook::CreateItem(int itemType, SimFolder* home) { return Make<SimItem>(itemType, home); }

SimItem* SimOutlook::AddSavedItem(int itemType, SimFolder* folder) {
    CheckLive(folder);
    return Make<SimItem>(itemType, folder);
}

SimItem* SimOutlook::AddMail(SimFolder* folder, const MailFields& fields) {
    auto* item = AddSavedItem(ol::MailItem, folder);
    item->SetProp(L"Subject", fields.subject);
    item->SetProp(L"Body", fields.body);
    item->SetProp(L"SenderName", fields.senderName);
    item->SetProp(L"SenderEmailAddress", fields.senderAddress);
    item->SetProp(L"To", fields.to);
    item->SetProp(L"Categories", fields.categories);
    item->SetProp(L"Importance", fields.importance);
    item->SetProp(L"UnRead", fields.unread);
    item->SetProp(L"Sent", fields.sent);
    if (fields.sent) item->SetProp(L"ReceivedTime", fields.received.value_or(now_));
    if (fields.reminder) {
        item->SetProp(L"ReminderSet", true);
        item->SetProp(L"ReminderTime", *fields.reminder);
    }
    SaveItem(item);
    return item;
}

SimItem* SimOutlook::AddTask(SimFolder* folder, const TaskFields& fields) {
    auto* item = AddSavedItem(ol::TaskItem, folder);
    item->SetProp(L"Subject", fields.subject);
    item->SetProp(L"Body", fields.body);
    item->SetProp(L"Categories", fields.categories);
    item->SetProp(L"Importance", fields.importance);
    if (fields.due) item->SetProp(L"DueDate", *fields.due);
    SaveItem(item);
    return item;
}

SimItem* SimOutlook::AddAppointment(SimFolder* folder, const AppointmentFields& fields) {
    auto* item = AddSavedItem(ol::AppointmentItem, folder);
    item->SetProp(L"Subject", fields.subject);
    item->SetProp(L"Location", fields.location);
    item->SetProp(L"Body", fields.body);
    item->SetProp(L"Categories", fields.categories);
    item->SetProp(L"Start", fields.start);
    item->SetProp(L"End", fields.end);
    item->SetProp(L"AllDayEvent", fields.allDay);
    SaveItem(item);
    return item;
}

void SimOutlook::SaveItem(SimItem* item) {
    CheckLive(item);
    SimFolder* folder = item->Folder();
    if (!folder || folder->Vanished()) Raise(err::OperationFailed, L"The item could not be saved.");
    item->SetProp(L"LastModificationTime", now_);
    if (!item->Stored()) {
        item->SetStored(NewEntryID(folder->Store()));
        folder->AddContent(item);
        item->SetSaved(true);
        Args added{ValueOf(item)};
        folder->ItemsObject()->RaiseEvent(L"ItemAdd", added);
        return;
    }
    item->SetSaved(true);
}

void SimOutlook::MoveItem(SimItem* item, SimFolder* folder) {
    CheckLive(item);
    CheckLive(folder);
    if (!item->Stored()) {
        item->SetFolder(folder);
        SaveItem(item);
        return;
    }
    SimFolder* from = item->Folder();
    from->RemoveContent(item);
    for (auto* e : explorers_->List()) e->Unselect(item);
    item->SetFolder(folder);
    item->SetStored(NewEntryID(folder->Store()));
    folder->AddContent(item);
    from->ItemsObject()->RaiseEvent(L"ItemRemove");
    Args added{ValueOf(item)};
    folder->ItemsObject()->RaiseEvent(L"ItemAdd", added);
}

void SimOutlook::DeleteItem(SimItem* item) {
    CheckLive(item);
    // Outlook closes the item's window first.
    if (auto* inspector = item->Inspector(); inspector && !inspector->Vanished()) CloseInspector(inspector);
    if (item->Vanished()) return;
    SimFolder* deleted = item->Stored() ? DefaultFolderOf(item->Folder(), ol::FolderDeletedItems) : nullptr;
    if (deleted && deleted != item->Folder()) {
        MoveItem(item, deleted);
    } else {
        Vanish(item);
    }
}

// --- Windows -----------------------------------------------------------------------------

SimExplorer* SimOutlook::AddExplorerAtStartup(SimFolder* folder) {
    CheckLive(folder);
    auto* explorer = Make<SimExplorer>(folder);
    explorers_->Add(explorer);
    explorer->SetActivationStamp(++activationStamp_);
    activeWindow_ = explorer;
    return explorer;
}

SimExplorer* SimOutlook::OpenExplorer(SimFolder* folder) {
    CheckLive(folder);
    auto* explorer = Make<SimExplorer>(folder);
    explorers_->Add(explorer);
    ribbon_->WindowOpening(explorer);
    Args args{ValueOf(explorer)};
    explorers_->RaiseEvent(L"NewExplorer", args);
    return explorer;
}

void SimOutlook::ActivateWindow(SimObject* window) {
    if (activeWindow_ && activeWindow_ != window && !activeWindow_->Vanished()) {
        SimObject* previous = activeWindow_;
        activeWindow_ = nullptr;
        previous->RaiseEvent(L"Deactivate");
        if (window->Vanished()) return;  // a sink closed it
    }
    activeWindow_ = window;
    if (auto* e = dynamic_cast<SimExplorer*>(window)) e->SetActivationStamp(++activationStamp_);
    if (auto* i = dynamic_cast<SimInspector*>(window)) i->SetActivationStamp(++activationStamp_);
    window->RaiseEvent(L"Activate");
    if (!window->Vanished()) UpdateBars(window);
}

void SimOutlook::ActivateExplorer(SimExplorer* explorer) {
    CheckLive(explorer);
    ActivateWindow(explorer);
}

void SimOutlook::DeactivateExplorer(SimExplorer* explorer) {
    CheckLive(explorer);
    if (activeWindow_ == explorer) activeWindow_ = nullptr;
    explorer->RaiseEvent(L"Deactivate");
}

void SimOutlook::CloseExplorer(SimExplorer* explorer) {
    CheckLive(explorer);
    explorer->RaiseEvent(L"Close");
    Vanish(explorer);
}

bool SimOutlook::SwitchFolder(SimExplorer* explorer, SimFolder* folder) {
    CheckLive(explorer);
    CheckLive(folder);
    Args before{ValueOf(folder), false};
    explorer->RaiseEvent(L"BeforeFolderSwitch", before);
    bool cancel = false;
    try {
        cancel = before.size() > 1 && before[1].AsBool();
    } catch (const RuntimeError&) {
        cancel = false;
    }
    if (cancel || explorer->Vanished() || folder->Vanished()) return false;
    explorer->SetCurrentFolder(folder);
    explorer->SetSelected({});
    explorer->RaiseEvent(L"FolderSwitch");
    if (!explorer->Vanished()) UpdateBars(explorer);
    return true;
}

void SimOutlook::Select(SimExplorer* explorer, const std::vector<SimItem*>& items) {
    CheckLive(explorer);
    std::vector<SimItem*> live;
    for (auto* item : items) {
        if (item && !item->Vanished()) live.push_back(item);
    }
    explorer->SetSelected(std::move(live));
    explorer->RaiseEvent(L"SelectionChange");
    if (!explorer->Vanished()) UpdateBars(explorer);
}

SimInspector* SimOutlook::AddInspectorAtStartup(SimItem* item) {
    CheckLive(item);
    if (auto* open = item->Inspector(); open && !open->Vanished()) return open;
    auto* inspector = Make<SimInspector>(item, defaultEditorType_);
    item->SetInspector(inspector);
    inspectors_->Add(inspector);
    return inspector;
}

SimInspector* SimOutlook::OpenInspector(SimItem* item) {
    CheckLive(item);
    if (auto* open = item->Inspector(); open && !open->Vanished()) return open;
    auto* inspector = AddInspectorAtStartup(item);
    ribbon_->WindowOpening(inspector);
    Args args{ValueOf(inspector)};
    inspectors_->RaiseEvent(L"NewInspector", args);
    return inspector;
}

void SimOutlook::ActivateInspector(SimInspector* inspector) {
    CheckLive(inspector);
    ActivateWindow(inspector);
}

void SimOutlook::DeactivateInspector(SimInspector* inspector) {
    CheckLive(inspector);
    if (activeWindow_ == inspector) activeWindow_ = nullptr;
    inspector->RaiseEvent(L"Deactivate");
}

void SimOutlook::CloseInspector(SimInspector* inspector, bool save) {
    CheckLive(inspector);
    SimItem* item = inspector->CurrentItem();
    if (save && item && !item->Vanished() && (!item->Stored() || !item->Saved())) SaveItem(item);
    inspector->RaiseEvent(L"Close");
    Vanish(inspector);
}

void SimOutlook::SetEditorType(SimInspector* inspector, int editorType) {
    CheckLive(inspector);
    inspector->SetEditorType(editorType);
}

SimExplorer* SimOutlook::ActiveExplorer() const {
    SimExplorer* best = nullptr;
    for (auto* e : explorers_->List()) {
        if (e->ActivationStamp() > 0 && (!best || e->ActivationStamp() > best->ActivationStamp())) best = e;
    }
    return best;
}

SimInspector* SimOutlook::ActiveInspector() const {
    SimInspector* best = nullptr;
    for (auto* i : inspectors_->List()) {
        if (i->ActivationStamp() > 0 && (!best || i->ActivationStamp() > best->ActivationStamp())) best = i;
    }
    return best;
}

std::vector<SimExplorer*> SimOutlook::OpenExplorers() const { return explorers_->List(); }
std::vector<SimInspector*> SimOutlook::OpenInspectors() const { return inspectors_->List(); }

void SimOutlook::ForgetWindow(SimObject* window) {
    if (activeWindow_ == window) activeWindow_ = nullptr;
}

void SimOutlook::RaiseEvent(SimObject* source, std::wstring_view event, Args args) {
    CheckLive(source);
    source->RaiseEvent(event, args);
}

SimCommandBar* SimOutlook::ShowItemContextMenu(SimExplorer* explorer) { return sim::ShowItemContextMenu(explorer); }

void SimOutlook::CloseItemContextMenu() { sim::CloseItemContextMenu(*this); }

std::uint64_t SimOutlook::ControlWrites() const noexcept { return bars_->controlWrites; }

SimFolder* SimOutlook::NextPickFolderAnswer() {
    ++pickCalls_;
    if (!pickQueue_.empty()) {
        SimFolder* answer = pickQueue_.front();
        pickQueue_.pop_front();
        return answer;
    }
    return pickAnswer_;
}

// --- Host calls and fault injection ------------------------------------------------------

void SimOutlook::BeginCall(const SimObject& object, std::wstring_view member, CallKind kind, const Args* args) {
    ++callCount_;
    if (tracing_) {
        std::wstring line = object.TypeName() + L"." + std::wstring(member) + L" " + KindName(kind);
        if (args && std::any_of(args->begin(), args->end(), [](const Value& v) { return v.IsEmptyOrMissing(); })) {
            line += L" (";
            for (std::size_t i = 0; i < args->size(); ++i) {
                if (i > 0) line += L", ";
                line += ArgumentKind((*args)[i]);
            }
            line += L")";
        }
        trace_.push_back(std::move(line));
    }
    for (auto it = callFaults_.begin(); it != callFaults_.end(); ++it) {
        if (it->atCall == callCount_) {
            const CallFault fault = *it;
            callFaults_.erase(it);
            Raise(fault.number, fault.description);
        }
    }
    for (auto& f : memberFaults_) {
        if (f.remaining == 0 || !EqualsNoCase(f.typeName, object.TypeName())) continue;
        if (f.member != L"*" && !EqualsNoCase(f.member, member)) continue;
        if (f.remaining > 0) --f.remaining;
        Raise(f.number, f.description);
    }
}

void SimOutlook::FailCall(std::uint64_t k, std::int32_t number, std::wstring description) {
    callFaults_.push_back({callCount_ + std::max<std::uint64_t>(k, 1), number, std::move(description)});
}

void SimOutlook::FailMember(std::wstring_view typeDotMember, std::int32_t number, std::wstring description,
                            int times) {
    if (times == 0) return;
    const auto dot = typeDotMember.find(L'.');
    MemberFault f;
    f.typeName = std::wstring(typeDotMember.substr(0, dot));
    f.member = dot == std::wstring_view::npos ? L"*" : std::wstring(typeDotMember.substr(dot + 1));
    f.number = number;
    f.description = std::move(description);
    f.remaining = times < 0 ? -1 : times;
    memberFaults_.push_back(std::move(f));
}

void SimOutlook::ClearFaults() {
    callFaults_.clear();
    memberFaults_.clear();
}

void SimOutlook::Vanish(SimObject* object) {
    if (!object || object->vanished_ || !object->Attached()) return;
    object->vanished_ = true;
    ForgetWindow(object);
    object->OnVanish();
    for (const auto& link : object->links_) {
        if (!link.owned) continue;
        if (const auto target = link.target.lock()) Vanish(static_cast<SimObject*>(target.get()));
    }
}

// --- Accounting --------------------------------------------------------------------------

long SimOutlook::ExternalReferences() const {
    long total = 0;
    for (const auto& o : objects_) total += o.use_count() - 1;
    return total;
}

std::vector<ExternalReference> SimOutlook::ExternallyReferenced() const {
    std::vector<ExternalReference> held;
    for (const auto& o : objects_) {
        const long count = o.use_count() - 1;
        if (count > 0) held.push_back({o->TypeName(), o->Identity(), count});
    }
    return held;
}

std::wstring SimOutlook::DescribeExternalReferences() const {
    std::wstring text;
    for (const auto& r : ExternallyReferenced()) {
        text += r.typeName + L" " + r.identity + L" (" + std::to_wstring(r.count) + L")\n";
    }
    return text;
}

}  // namespace brisko::sim
