#include "automation/win/object_dispatch.h"

#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "automation/error.h"
#include "automation/text.h"
#include "automation/win/com_object.h"
#include "automation/win/dispatch_object.h"
#include "automation/win/error_mapping.h"
#include "automation/win/event_table.h"
#include "automation/win/variant.h"

namespace brisko::win {

namespace {

// DISPIDs given to names on first sight start here, clear of the small ones hosts use.
constexpr DISPID kFirstDynamicId = 0x10000;

class ObjectDispatch;

struct Registry {
    std::mutex mutex;
    std::unordered_map<const Object*, ObjectDispatch*> byObject;
    std::unordered_map<IUnknown*, ObjectDispatch*> byIdentity;
    DispatchDescriber describer;
};

Registry& Reg() {
    // Never destroyed: exposed objects may be released after statics are gone.
    static auto* registry = new Registry;
    return *registry;
}

// --- Enumerators -------------------------------------------------------------------------------

struct HeldConnection {
    ComPtr<IUnknown> sink;
    DWORD cookie;
};

IConnectionPoint* Hand(const ComPtr<IConnectionPoint>& point) noexcept {
    point->AddRef();
    return point.Get();
}

CONNECTDATA Hand(const HeldConnection& c) noexcept {
    c.sink->AddRef();
    return CONNECTDATA{c.sink.Get(), c.cookie};
}

// An enumerator over a snapshot; clones share the snapshot.
template <class IEnum, class Item, class Held>
class Enumerator final : public IEnum {
public:
    Enumerator(const IID& iid, std::shared_ptr<const std::vector<Held>> items, std::size_t pos = 0)
        : iid_(iid), items_(std::move(items)), pos_(pos) {}
    Enumerator(const Enumerator&) = delete;
    Enumerator& operator=(const Enumerator&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid_)) {
            *out = static_cast<IEnum*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count != 1 && !fetched)) return E_POINTER;
        ULONG got = 0;
        while (got < count && pos_ < items_->size()) out[got++] = Hand((*items_)[pos_++]);
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = items_->size() - pos_;
        if (count > left) {
            pos_ = items_->size();
            return S_FALSE;
        }
        pos_ += count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        pos_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnum** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        try {
            *out = new Enumerator(iid_, items_, pos_);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

private:
    LiveComObject live_;
    std::atomic<ULONG> refs_{1};
    IID iid_;
    std::shared_ptr<const std::vector<Held>> items_;
    std::size_t pos_;
};

using PointEnumerator = Enumerator<IEnumConnectionPoints, IConnectionPoint*, ComPtr<IConnectionPoint>>;
using ConnectionEnumerator = Enumerator<IEnumConnections, CONNECTDATA, HeldConnection>;

// --- Connection points -------------------------------------------------------------------------

// One event interface of an exposed object, a member of it: references count on the owner.
class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(ObjectDispatch& owner, const GUID& iid) : owner_(owner), iid_(iid) {}
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    const GUID& Iid() const noexcept { return iid_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = iid_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

    // Calls the sink with the cookie if it is still advised. By-reference arguments come back
    // into args; a failing sink's error is thrown.
    void Fire(const EventRow& row, Args& args, DWORD cookie);

private:
    struct Sink {
        DWORD cookie;
        ComPtr<IUnknown> unknown;
        ComPtr<IDispatch> dispatch;  // the sink as the event interface
        // The sink's own subscription to the object's events, as a host keeps one per sink.
        std::shared_ptr<EventConnection> events;
    };
    void Deliver(DWORD cookie, std::wstring_view event, Args& args);

    ObjectDispatch& owner_;
    GUID iid_;
    std::vector<Sink> sinks_;
    DWORD next_ = 1;
};

// --- The exposed object ------------------------------------------------------------------------

class ObjectDispatch final : public IDispatch, public IConnectionPointContainer, public IProvideClassInfo2 {
public:
    ObjectDispatch(ObjectPtr object, DispatchOptions options) : object_(std::move(object)), options_(std::move(options)) {
        for (const auto& [name, id] : options_.members) {
            std::wstring key = LowerCase(name);
            if (ids_.count(key) || names_.count(id)) continue;
            ids_.emplace(std::move(key), id);
            names_.emplace(id, name);
        }
        for (const auto& iid : options_.sources) {
            const bool dup = std::any_of(points_.begin(), points_.end(),
                                         [&](const auto& p) { return IsEqualGUID(p->Iid(), iid); });
            if (!dup) points_.push_back(std::make_unique<ConnectionPoint>(*this, iid));
        }
    }
    ObjectDispatch(const ObjectDispatch&) = delete;
    ObjectDispatch& operator=(const ObjectDispatch&) = delete;
    ~ObjectDispatch() = default;

    IUnknown* Identity() noexcept { return static_cast<IDispatch*>(this); }
    const ObjectPtr& Target() const noexcept { return object_; }

    // A reference for a lookup that may meet an object whose last reference is going.
    bool AddRefIfAlive() noexcept {
        ULONG n = refs_.load();
        while (n != 0) {
            if (refs_.compare_exchange_weak(n, n + 1)) return true;
        }
        return false;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || AnswersInterface(riid)) {
            *out = static_cast<IDispatch*>(this);
        } else if (!points_.empty() && IsEqualIID(riid, IID_IConnectionPointContainer)) {
            *out = static_cast<IConnectionPointContainer*>(this);
        } else if (!points_.empty() && options_.classInfo &&
                   (IsEqualIID(riid, IID_IProvideClassInfo) || IsEqualIID(riid, IID_IProvideClassInfo2))) {
            *out = static_cast<IProvideClassInfo2*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --refs_;
        if (n == 0) {
            Unregister();
            delete this;
        }
        return n;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids || count == 0) return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        if (!names[0]) return DISP_E_UNKNOWNNAME;
        try {
            ids[0] = IdFor(names[0]);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        // The objects have no named parameters.
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) override;

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        try {
            auto items = std::make_shared<std::vector<ComPtr<IConnectionPoint>>>();
            for (const auto& p : points_) items->emplace_back(p.get());
            *out = new PointEnumerator(IID_IEnumConnectionPoints, std::move(items));
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        for (const auto& p : points_) {
            if (IsEqualGUID(p->Iid(), riid)) {
                *out = p.get();
                p->AddRef();
                return S_OK;
            }
        }
        return CONNECT_E_NOCONNECTION;
    }

    // IProvideClassInfo2
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override {
        if (!guid) return E_POINTER;
        *guid = GUID_NULL;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID || points_.empty()) return E_INVALIDARG;
        *guid = points_.front()->Iid();
        return S_OK;
    }

private:
    bool AnswersInterface(REFIID riid) const noexcept {
        return std::any_of(options_.interfaces.begin(), options_.interfaces.end(),
                           [&](const GUID& iid) { return IsEqualIID(iid, riid) != 0; });
    }

    DISPID IdFor(std::wstring_view name) {
        std::wstring key = LowerCase(name);
        if (const auto it = ids_.find(key); it != ids_.end()) return it->second;
        while (names_.count(next_)) ++next_;
        const DISPID id = next_++;
        names_.emplace(id, std::wstring(name));
        ids_.emplace(std::move(key), id);
        return id;
    }

    void Unregister() noexcept {
        auto& reg = Reg();
        const std::lock_guard lock(reg.mutex);
        if (auto it = reg.byObject.find(object_.get()); it != reg.byObject.end() && it->second == this) {
            reg.byObject.erase(it);
        }
        if (auto it = reg.byIdentity.find(Identity()); it != reg.byIdentity.end() && it->second == this) {
            reg.byIdentity.erase(it);
        }
    }

    LiveComObject live_;
    std::atomic<ULONG> refs_{1};
    ObjectPtr object_;
    DispatchOptions options_;
    std::map<std::wstring, DISPID> ids_;  // folded name -> DISPID
    std::map<DISPID, std::wstring> names_;
    DISPID next_ = kFirstDynamicId;
    std::vector<std::unique_ptr<ConnectionPoint>> points_;
};

HRESULT ArgumentError(UINT at, UINT* argErr) noexcept {
    if (argErr) *argErr = at;
    return CurrentError().number() == brisko::err::Overflow ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
}

HRESULT STDMETHODCALLTYPE ObjectDispatch::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                                 VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
    try {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        if (!params) params = &none;
        const UINT n = params->cArgs;
        const UINT named = params->cNamedArgs;
        if ((n > 0 && !params->rgvarg) || named > n || (named > 0 && !params->rgdispidNamedArgs)) return E_INVALIDARG;
        const auto found = names_.find(id);
        if (found == names_.end()) return DISP_E_MEMBERNOTFOUND;
        const std::wstring name = found->second;

        const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
        if (put) {
            if (named > 1 || (named == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
                return DISP_E_NONAMEDARGS;
            }
            if (n == 0) return DISP_E_BADPARAMCOUNT;
        } else {
            if (named > 0) return DISP_E_NONAMEDARGS;
            if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return E_INVALIDARG;
        }

        // Call order: rgvarg is reversed, so an assigned value (rgvarg[0]) comes last.
        Args args;
        args.reserve(n);
        for (UINT i = 0; i < n; ++i) {
            try {
                args.push_back(FromVariant(params->rgvarg[n - 1 - i]));
            } catch (...) {
                return ArgumentError(n - 1 - i, argErr);
            }
        }
        CallKind kind = CallKind::Method;
        if (put) {
            const bool byRef = (flags & DISPATCH_PROPERTYPUTREF) != 0;
            const bool byValue = (flags & DISPATCH_PROPERTYPUT) != 0;
            kind = byRef && (!byValue || args.back().IsObject()) ? CallKind::PutRef : CallKind::Put;
        } else if (flags & DISPATCH_PROPERTYGET) {
            kind = CallKind::Get;
        }

        const Args before = args;
        // The call may release every other reference to this object.
        const ComPtr<ObjectDispatch> keep(this);
        const ObjectPtr object = object_;
        Value value;
        HRESULT hr = S_OK;
        try {
            value = object->Invoke(name, kind, args);
        } catch (...) {
            hr = ReportCurrentError(excep);
        }
        for (UINT i = 0; i < n && i < args.size(); ++i) {
            const VARIANT& arg = params->rgvarg[n - 1 - i];
            if (!(arg.vt & VT_BYREF) || args[i] == before[i]) continue;
            try {
                WriteByRef(arg, args[i]);
            } catch (...) {
                if (SUCCEEDED(hr)) hr = ReportCurrentError(excep);
            }
        }
        if (FAILED(hr)) return hr;
        if (result) ToVariant(value).DetachTo(result);
        return S_OK;
    } catch (...) {
        return ReportCurrentError(excep);
    }
}

// --- ConnectionPoint, out of line: it needs its owner ------------------------------------------

HRESULT STDMETHODCALLTYPE ConnectionPoint::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ConnectionPoint::AddRef() { return owner_.AddRef(); }

ULONG STDMETHODCALLTYPE ConnectionPoint::Release() { return owner_.Release(); }

HRESULT STDMETHODCALLTYPE ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    *out = static_cast<IConnectionPointContainer*>(&owner_);
    owner_.AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    try {
        ComPtr<IDispatch> dispatch;
        if (FAILED(sink->QueryInterface(iid_, dispatch.PutVoid())) || !dispatch) return CONNECT_E_CANNOTCONNECT;
        if (next_ == 0) next_ = 1;
        const DWORD id = next_;
        std::shared_ptr<EventConnection> events;
        try {
            events = std::make_shared<EventConnection>(owner_.Target()->ConnectEvents(
                [this, id](std::wstring_view event, Args& args) { Deliver(id, event, args); }));
        } catch (...) {
            return ReportErrorInfo(CurrentError());
        }
        ++next_;
        sinks_.push_back({id, ComPtr<IUnknown>(sink), std::move(dispatch), std::move(events)});
        *cookie = id;
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::Unadvise(DWORD cookie) {
    const auto it = std::find_if(sinks_.begin(), sinks_.end(), [cookie](const Sink& s) { return s.cookie == cookie; });
    if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
    // Released after the list is consistent: the sink's release may call back.
    Sink removed = std::move(*it);
    sinks_.erase(it);
    if (removed.events) removed.events->Disconnect();
    return S_OK;
}

void ConnectionPoint::Deliver(DWORD cookie, std::wstring_view event, Args& args) {
    // A sink may release the last reference to the object.
    const ComPtr<ObjectDispatch> keep(&owner_);
    if (const EventRow* row = FindEvent(iid_, event)) Fire(*row, args, cookie);
}

HRESULT STDMETHODCALLTYPE ConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        auto items = std::make_shared<std::vector<HeldConnection>>();
        for (const auto& s : sinks_) items->push_back({s.unknown, s.cookie});
        *out = new ConnectionEnumerator(IID_IEnumConnections, std::move(items));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void ConnectionPoint::Fire(const EventRow& row, Args& args, DWORD cookie) {
    const auto it = std::find_if(sinks_.begin(), sinks_.end(), [cookie](const Sink& s) { return s.cookie == cookie; });
    if (it == sinks_.end()) return;
    if (args.size() > 0xFFFFu) Raise(brisko::err::InvalidCall);
    const ComPtr<IDispatch> target = it->dispatch;
    const std::size_t n = args.size();
    std::vector<Variant> storage(n);
    std::vector<VARIANT> passed(n);
    std::vector<bool> byRef(n, false);
    for (std::size_t i = 0; i < n; ++i) {
        VARTYPE type = i < kMaxEventParams ? row.params[i] : static_cast<VARTYPE>(VT_EMPTY);
        if (type == VT_EMPTY) type = VT_VARIANT;
        const auto base = static_cast<VARTYPE>(type & ~VT_BYREF);
        storage[i] = ToVariantOf(args[i], base);
        VARIANT& arg = passed[n - 1 - i];
        VariantInit(&arg);
        if (type & VT_BYREF) {
            byRef[i] = true;
            arg.vt = type;
            VARIANT& held = storage[i].Get();
            arg.byref = base == VT_VARIANT   ? static_cast<void*>(&held)
                        : base == VT_DECIMAL ? static_cast<void*>(&held.decVal)
                                             : static_cast<void*>(&held.lVal);
        } else {
            arg = storage[i].Get();  // still owned by storage[i]
        }
    }
    DISPPARAMS params{passed.data(), nullptr, static_cast<UINT>(n), 0};
    std::optional<RuntimeError> failure;
    {
        Variant result;
        ExcepInfo excep;
        UINT argErr = 0;
        const HRESULT hr = target->Invoke(row.dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                          result.Ptr(), &excep, &argErr);
        if (FAILED(hr)) failure = ErrorFromHResult(hr, &excep);
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (!byRef[i]) continue;
        try {
            Value back = FromVariant(passed[n - 1 - i]);
            if (!(back == args[i])) args[i] = std::move(back);
        } catch (...) {
            if (!failure) throw;
        }
    }
    if (failure) throw *failure;
}

}  // namespace

DispatchDescriber SetDispatchDescriber(DispatchDescriber describer) {
    auto& reg = Reg();
    const std::lock_guard lock(reg.mutex);
    std::swap(reg.describer, describer);
    return describer;
}

ComPtr<IDispatch> ExposeObject(const ObjectPtr& object, const DispatchOptions& options) {
    if (!object) return {};
    if (const auto* wrapped = dynamic_cast<const DispatchObject*>(object.get())) {
        return ComPtr<IDispatch>(wrapped->Dispatch());
    }
    for (const auto& iid : options.sources) {
        if (!IsEventInterface(iid)) Raise(brisko::err::InvalidCall, L"Not an event interface of the event table");
    }
    auto& reg = Reg();
    const std::lock_guard lock(reg.mutex);
    if (const auto it = reg.byObject.find(object.get()); it != reg.byObject.end() && it->second->AddRefIfAlive()) {
        return ComPtr<IDispatch>::Attach(static_cast<IDispatch*>(it->second));
    }
    auto made = std::make_unique<ObjectDispatch>(object, options);
    reg.byObject[object.get()] = made.get();
    try {
        reg.byIdentity[made->Identity()] = made.get();
    } catch (...) {
        reg.byObject.erase(object.get());
        throw;
    }
    return ComPtr<IDispatch>::Attach(static_cast<IDispatch*>(made.release()));
}

ComPtr<IDispatch> ExposeObject(const ObjectPtr& object) {
    if (!object) return {};
    DispatchDescriber describer;
    {
        auto& reg = Reg();
        const std::lock_guard lock(reg.mutex);
        if (const auto it = reg.byObject.find(object.get()); it != reg.byObject.end() && it->second->AddRefIfAlive()) {
            return ComPtr<IDispatch>::Attach(static_cast<IDispatch*>(it->second));
        }
        describer = reg.describer;
    }
    return ExposeObject(object, describer ? describer(*object) : DispatchOptions{});
}

ObjectPtr ExposedObject(IUnknown* unknown) {
    if (!unknown) return nullptr;
    ComPtr<IUnknown> identity;
    if (FAILED(unknown->QueryInterface(IID_IUnknown, identity.PutVoid())) || !identity) return nullptr;
    auto& reg = Reg();
    const std::lock_guard lock(reg.mutex);
    const auto it = reg.byIdentity.find(identity.Get());
    return it == reg.byIdentity.end() ? nullptr : it->second->Target();
}

ComPtr<IDispatch> DispatchFromObject(const ObjectPtr& object) { return ExposeObject(object); }

ComPtr<IUnknown> UnknownFromObject(const ObjectPtr& object) {
    if (!object) return {};
    if (const auto* wrapped = dynamic_cast<const DispatchObject*>(object.get())) {
        return ComPtr<IUnknown>(wrapped->Identity());
    }
    ComPtr<IDispatch> dispatch = ExposeObject(object);
    return ComPtr<IUnknown>::Attach(dispatch.Detach());
}

}  // namespace brisko::win
