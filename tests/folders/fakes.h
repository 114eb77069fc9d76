// Small stand-ins for the tests: a link label of deterministic width and the safe item library's
// RDO objects over the simulated Outlook.
#pragma once

#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/object.h"
#include "automation/text.h"
#include "simhost/objects.h"
#include "simhost/sim_outlook.h"

namespace brisko::testing {

// Width in twips: 100 a character of the caption once auto-sized.
class FakeLabel : public Object {
public:
    std::vector<std::wstring> captions;  // every caption set, in order
    std::wstring caption;
    bool autoSize = false;
    double width = 0;

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (EqualsNoCase(name, L"Caption") && kind == CallKind::Put) {
            caption = args.at(0).AsString();
            captions.push_back(caption);
            if (autoSize) width = 100.0 * static_cast<double>(caption.size());
            return {};
        }
        if (EqualsNoCase(name, L"AutoSize") && kind == CallKind::Put) {
            autoSize = args.at(0).AsBool();
            if (autoSize) width = 100.0 * static_cast<double>(caption.size());
            return {};
        }
        if (EqualsNoCase(name, L"Width") && kind == CallKind::Get) return width;
        if (EqualsNoCase(name, L"Caption") && kind == CallKind::Get) return caption;
        Raise(err::NotSupported);
    }
};

// What the fake RDO objects were asked, shared by all of them.
struct RdoJournal {
    std::vector<std::wstring> calls;
    int live = 0;  // RDO objects alive
};

class FakeRdoObject : public Object {
public:
    FakeRdoObject(sim::SimOutlook& host, RdoJournal& journal) : host_(host), journal_(journal) { ++journal_.live; }
    ~FakeRdoObject() override { --journal_.live; }

protected:
    sim::SimOutlook& host_;
    RdoJournal& journal_;
};

class FakeRdoFolder : public FakeRdoObject {
public:
    FakeRdoFolder(sim::SimOutlook& host, RdoJournal& journal, sim::SimFolder* folder)
        : FakeRdoObject(host, journal), folder_(folder) {}
    sim::SimFolder* folder() const { return folder_; }
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (EqualsNoCase(name, L"EntryID")) return folder_->EntryID();
        return Object::Invoke(name, kind, args);
    }
    std::wstring TypeName() const override { return L"RDOFolder"; }

private:
    sim::SimFolder* folder_;
};

class FakeRdoMessage : public FakeRdoObject {
public:
    FakeRdoMessage(sim::SimOutlook& host, RdoJournal& journal, sim::SimItem* item)
        : FakeRdoObject(host, journal), item_(item) {}
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (EqualsNoCase(name, L"Move")) {
            auto target = std::dynamic_pointer_cast<FakeRdoFolder>(args.at(0).AsObject());
            if (!target) Raise(err::TypeMismatch);
            journal_.calls.push_back(L"Move " + target->folder()->Path());
            host_.MoveItem(item_, target->folder());
            return Value(std::make_shared<FakeRdoMessage>(host_, journal_, item_));
        }
        return Object::Invoke(name, kind, args);
    }

private:
    sim::SimItem* item_;
};

class FakeRdoStore : public FakeRdoObject {
public:
    FakeRdoStore(sim::SimOutlook& host, RdoJournal& journal, sim::SimFolder* top)
        : FakeRdoObject(host, journal), top_(top) {}
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (EqualsNoCase(name, L"GetDefaultFolder")) {
            auto* f = host_.DefaultFolderOf(top_, args.at(0).AsInt());
            if (!f) Raise(sim::err::ObjectNotFound);
            return Value(std::make_shared<FakeRdoFolder>(host_, journal_, f));
        }
        return Object::Invoke(name, kind, args);
    }

private:
    sim::SimFolder* top_;
};

class FakeRdoSession : public FakeRdoObject {
public:
    using FakeRdoObject::FakeRdoObject;
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (EqualsNoCase(name, L"MAPIOBJECT") && kind == CallKind::Put) {
            mapi_ = args.at(0).AsObject();
            journal_.calls.push_back(L"MAPIOBJECT " + (mapi_ ? mapi_->TypeName() : L"Nothing"));
            return {};
        }
        if (!mapi_) Raise(sim::err::OperationFailed, L"not logged on");
        if (EqualsNoCase(name, L"GetStoreFromID")) {
            const auto id = args.at(0).AsString();
            journal_.calls.push_back(L"GetStoreFromID");
            for (auto* top : host_.StoreTops()) {
                if (top->StoreID() == id) return Value(std::make_shared<FakeRdoStore>(host_, journal_, top));
            }
            Raise(sim::err::ObjectNotFound);
        }
        if (EqualsNoCase(name, L"GetFolderFromID")) {
            journal_.calls.push_back(L"GetFolderFromID");
            auto* f = host_.FindFolderByID(args.at(0).AsString(), args.at(1).AsString());
            if (!f) Raise(sim::err::ObjectNotFound);
            return Value(std::make_shared<FakeRdoFolder>(host_, journal_, f));
        }
        if (EqualsNoCase(name, L"GetMessageFromID")) {
            journal_.calls.push_back(L"GetMessageFromID");
            auto* item = host_.FindItemByID(args.at(0).AsString(), args.at(1).AsString());
            if (!item) Raise(sim::err::ObjectNotFound);
            return Value(std::make_shared<FakeRdoMessage>(host_, journal_, item));
        }
        return Object::Invoke(name, kind, args);
    }

private:
    ObjectPtr mapi_;
};

}  // namespace brisko::testing
