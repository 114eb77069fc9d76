#include "simhost/items.h"

#include <cmath>

#include "automation/error.h"
#include "automation/text.h"
#include "simhost/object_tables.h"
#include "simhost/objects.h"

namespace brisko::sim {

using namespace tables;

namespace {

// Outlook's "no date": 1 January 4501.
Date NoDate() { return MakeDate({4501, 1, 1}); }

// The next full or half hour at or after t.
Date NextHalfHour(Date t) { return Date{std::ceil(t.serial * 48.0 - 1e-7) / 48.0}; }

}  // namespace

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

// --- Member tables -----------------------------------------------------------------------

namespace {

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

}  // namespace

void tables::InstallItemTables(SimOutlook& sim) {
    InstallItems(sim);
    InstallItemTypes(sim);
    InstallAttachments(sim);
}

}  // namespace brisko::sim
