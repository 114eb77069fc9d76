#include "standins/redemption/safe_objects.h"

#include <memory>
#include <string>

#include "automation/error.h"
#include "automation/text.h"

namespace brisko::redemption {

namespace {

// OlAttachmentType
constexpr std::int32_t kByValue = 1;
constexpr std::int32_t kEmbeddedItem = 5;

bool Is(std::wstring_view a, std::wstring_view b) { return EqualsNoCase(a, b); }
bool IsPut(CallKind kind) { return kind == CallKind::Put || kind == CallKind::PutRef; }
bool Omitted(const Args& a, std::size_t i) { return i >= a.size() || a[i].IsEmptyOrMissing(); }

// A property read: no arguments, not assigned.
void NeedGet(CallKind kind, const Args& args) {
    if (IsPut(kind) || !args.empty()) Raise(brisko::err::WrongArguments);
}
// A method with min..max arguments.
void NeedCall(CallKind kind, const Args& args, std::size_t min, std::size_t max) {
    if (IsPut(kind) || args.size() < min || args.size() > max) Raise(brisko::err::WrongArguments);
}
// An assigned object: Put and PutRef both take one; Nothing clears.
ObjectPtr AssignedObject(const Args& args) {
    if (args.size() != 1) Raise(brisko::err::WrongArguments);
    if (args[0].IsEmpty()) return nullptr;
    return args[0].AsObject();
}

// --- Safe items ------------------------------------------------------------------------------

class SafeItem;

// The attachments of a Safe item's host item.
class SafeAttachments final : public Object {
public:
    explicit SafeAttachments(std::shared_ptr<SafeItem> owner) : owner_(std::move(owner)) {}
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    std::wstring TypeName() const override { return L"Attachments"; }

private:
    std::shared_ptr<SafeItem> owner_;
};

class SafeItem final : public Object {
public:
    explicit SafeItem(SafeKind kind) : kind_(kind) {}

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (Is(name, L"Item")) {
            if (IsPut(kind)) {
                item_ = AssignedObject(args);
                return {};
            }
            NeedGet(kind, args);
            return Value(item_);
        }
        if (Is(name, L"Body")) {
            NeedGet(kind, args);
            return Value(GetOf(Bound(), L"Body").AsString());
        }
        if (Is(name, L"Attachments")) {
            NeedGet(kind, args);
            Bound();
            return Value(std::make_shared<SafeAttachments>(std::static_pointer_cast<SafeItem>(shared_from_this())));
        }
        Raise(brisko::err::NotSupported);
    }

    std::wstring TypeName() const override {
        switch (kind_) {
            case SafeKind::Task: return L"SafeTaskItem";
            case SafeKind::Appointment: return L"SafeAppointmentItem";
            case SafeKind::Mail: break;
        }
        return L"SafeMailItem";
    }

    // The host item; raises when Item was not set.
    const ObjectPtr& Bound() const {
        if (!item_) Raise(err::NotBound, TypeName() + L": Item is not set");
        return item_;
    }

private:
    SafeKind kind_;
    ObjectPtr item_;
};

Value SafeAttachments::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    if (Is(name, L"Add")) {
        NeedCall(kind, args, 1, 4);
        const ObjectPtr attachments = ObjectOf(owner_->Bound(), L"Attachments");
        // An item source becomes an item attachment; a file keeps the type asked for.
        const bool item = args[0].IsObject();
        const Value type = item ? Value(kEmbeddedItem) : Omitted(args, 1) ? Value(kByValue) : args[1];
        const Value position = Omitted(args, 2) ? Value(Missing) : args[2];
        const Value displayName = Omitted(args, 3) ? Value(Missing) : args[3];
        return CallOf(attachments, L"Add", {args[0], type, position, displayName});
    }
    Raise(brisko::err::NotSupported);
}

// --- RDO -------------------------------------------------------------------------------------

class RdoFolder final : public Object {
public:
    explicit RdoFolder(ObjectPtr folder) : folder_(std::move(folder)) {}
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (Is(name, L"EntryID")) {
            NeedGet(kind, args);
            return GetOf(folder_, L"EntryID");
        }
        Raise(brisko::err::NotSupported);
    }
    std::wstring TypeName() const override { return L"RDOFolder"; }
    const ObjectPtr& Host() const noexcept { return folder_; }

private:
    ObjectPtr folder_;
};

class RdoMail final : public Object {
public:
    explicit RdoMail(ObjectPtr item) : item_(std::move(item)) {}
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (Is(name, L"Move")) {
            NeedCall(kind, args, 1, 1);
            const ObjectPtr target = args[0].AsObject();
            const auto* folder = dynamic_cast<const RdoFolder*>(target.get());
            if (!target) Raise(brisko::err::ObjectNotSet);
            if (!folder) Raise(brisko::err::TypeMismatch, L"Move: the destination is not an RDO folder");
            return Value(std::make_shared<RdoMail>(CallOf(item_, L"Move", {folder->Host()}).AsObject()));
        }
        if (Is(name, L"EntryID")) {
            NeedGet(kind, args);
            return GetOf(item_, L"EntryID");
        }
        Raise(brisko::err::NotSupported);
    }
    std::wstring TypeName() const override { return L"RDOMail"; }

private:
    ObjectPtr item_;
};

class RdoStore final : public Object {
public:
    explicit RdoStore(ObjectPtr store) : store_(std::move(store)) {}
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (Is(name, L"GetDefaultFolder")) {
            NeedCall(kind, args, 1, 1);
            return Value(std::make_shared<RdoFolder>(CallOf(store_, L"GetDefaultFolder", {args[0].AsInt()}).AsObject()));
        }
        Raise(brisko::err::NotSupported);
    }
    std::wstring TypeName() const override { return L"RDOStore"; }

private:
    ObjectPtr store_;
};

class RdoSession final : public Object {
public:
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (Is(name, L"MAPIOBJECT")) {
            if (IsPut(kind)) {
                Bind(AssignedObject(args));
                return {};
            }
            NeedGet(kind, args);
            return Value(mapi_);
        }
        if (Is(name, L"GetStoreFromID")) {
            NeedCall(kind, args, 1, 1);
            return Value(std::make_shared<RdoStore>(StoreOf(args[0].AsString())));
        }
        if (Is(name, L"GetFolderFromID")) {
            NeedCall(kind, args, 1, 2);
            return Value(std::make_shared<RdoFolder>(Lookup(L"GetFolderFromID", args)));
        }
        if (Is(name, L"GetMessageFromID")) {
            NeedCall(kind, args, 1, 2);
            return Value(std::make_shared<RdoMail>(Lookup(L"GetItemFromID", args)));
        }
        Raise(brisko::err::NotSupported);
    }
    std::wstring TypeName() const override { return L"RDOSession"; }

private:
    // The host namespace behind the MAPI object: the simulated host's MAPI session answers
    // Session with it. A MAPI object that leads nowhere leaves the session as it was.
    void Bind(ObjectPtr mapi) {
        if (!mapi) {
            mapi_.reset();
            nameSpace_.reset();
            return;
        }
        ObjectPtr nameSpace;
        try {
            nameSpace = ObjectOf(mapi, L"Session");
        } catch (const RuntimeError&) {
            nameSpace = nullptr;
        }
        if (!nameSpace) Raise(brisko::err::InvalidCall, L"RDOSession: MAPIOBJECT gives no Outlook session");
        mapi_ = std::move(mapi);
        nameSpace_ = std::move(nameSpace);
    }

    const ObjectPtr& NameSpace() const {
        if (!nameSpace_) Raise(err::NotBound, L"RDOSession: MAPIOBJECT is not set");
        return nameSpace_;
    }

    // The host's lookup by entry id and, when given, store id; the host raises for unknown ids.
    ObjectPtr Lookup(std::wstring_view member, const Args& args) const {
        Args lookup(args.begin(), args.begin() + (Omitted(args, 1) ? 1 : 2));
        const ObjectPtr found = CallOf(NameSpace(), member, std::move(lookup)).AsObject();
        if (!found) Raise(brisko::err::ObjectNotSet);
        return found;
    }

    // The host's Store object of the store whose top folder has the store id.
    ObjectPtr StoreOf(const std::wstring& storeID) const {
        if (storeID.empty()) Raise(brisko::err::InvalidCall, L"GetStoreFromID: no store id");
        const ObjectPtr tops = ObjectOf(NameSpace(), L"Folders");
        const std::int32_t count = GetOf(tops, L"Count").AsInt();
        for (std::int32_t i = 1; i <= count; ++i) {
            const ObjectPtr top = CallOf(tops, L"Item", {i}).AsObject();
            if (top && EqualsNoCase(GetOf(top, L"StoreID").AsString(), storeID)) return ObjectOf(top, L"Store");
        }
        Raise(kNotFound, L"GetStoreFromID: no store has this id");
    }

    // MAPI_E_NOT_FOUND, as the host reports an unknown id.
    static constexpr std::int32_t kNotFound = -2147221233;

    ObjectPtr mapi_;
    ObjectPtr nameSpace_;
};

}  // namespace

ObjectPtr MakeSafeItem(SafeKind kind) { return std::make_shared<SafeItem>(kind); }

ObjectPtr MakeRdoSession() { return std::make_shared<RdoSession>(); }

ObjectPtr MakeByName(std::wstring_view name) {
    if (EqualsNoCase(name, kSafeMailItem)) return MakeSafeItem(SafeKind::Mail);
    if (EqualsNoCase(name, kSafeTaskItem)) return MakeSafeItem(SafeKind::Task);
    if (EqualsNoCase(name, kSafeAppointmentItem)) return MakeSafeItem(SafeKind::Appointment);
    if (EqualsNoCase(name, kRdoSessionClassId)) return MakeRdoSession();
    return nullptr;
}

}  // namespace brisko::redemption
