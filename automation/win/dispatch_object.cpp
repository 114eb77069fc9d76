#include "automation/win/dispatch_object.h"

#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "automation/error.h"
#include "automation/text.h"
#include "automation/win/com_object.h"
#include "automation/win/error_mapping.h"
#include "automation/win/event_table.h"
#include "automation/win/object_dispatch.h"
#include "automation/win/variant.h"

namespace brisko::win {

namespace {

// One wrapper per IDispatch pointer while it lives, so that equal pointers give equal objects.
struct WrapperCache {
    std::mutex mutex;
    std::unordered_map<IDispatch*, std::weak_ptr<DispatchObject>> wrappers;
};

WrapperCache& Cache() {
    // Never destroyed: wrappers held by static objects may outlive any static here.
    static auto* cache = new WrapperCache;
    return *cache;
}

class TypeAttrGuard {
public:
    explicit TypeAttrGuard(ITypeInfo* info) : info_(info) {
        if (FAILED(info_->GetTypeAttr(&attr_))) attr_ = nullptr;
    }
    TypeAttrGuard(const TypeAttrGuard&) = delete;
    TypeAttrGuard& operator=(const TypeAttrGuard&) = delete;
    ~TypeAttrGuard() {
        if (attr_) info_->ReleaseTypeAttr(attr_);
    }
    const TYPEATTR* operator->() const noexcept { return attr_; }
    explicit operator bool() const noexcept { return attr_ != nullptr; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

std::wstring TypeInfoName(ITypeInfo* info) {
    Bstr name;
    if (!info || FAILED(info->GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr, nullptr))) return {};
    return std::wstring(name.View());
}

// The [default, source] interface of a coclass.
GUID DefaultSourceOf(ITypeInfo* coclass) {
    TypeAttrGuard attr(coclass);
    if (!attr || attr->typekind != TKIND_COCLASS) return GUID_NULL;
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
        INT flags = 0;
        if (FAILED(coclass->GetImplTypeFlags(i, &flags))) continue;
        if ((flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) != (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) {
            continue;
        }
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> source;
        if (FAILED(coclass->GetRefTypeOfImplType(i, &ref)) || FAILED(coclass->GetRefTypeInfo(ref, source.Put())) ||
            !source) {
            continue;
        }
        TypeAttrGuard sourceAttr(source.Get());
        if (sourceAttr) return sourceAttr->guid;
    }
    return GUID_NULL;
}

// The sink of one event interface: answers that IID, IDispatch and IUnknown, and hands each
// event of the table to the handler by name.
class EventSink final : public IDispatch {
public:
    EventSink(const GUID& iid, EventHandler handler)
        : iid_(iid), handler_(std::make_shared<EventHandler>(std::move(handler))) {}
    EventSink(const EventSink&) = delete;
    EventSink& operator=(const EventSink&) = delete;

    // After this no event reaches the handler, and the handler is released.
    void Detach() noexcept { handler_.reset(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, iid_)) {
            *out = static_cast<IDispatch*>(this);
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
        const EventRow* row = names[0] ? FindEvent(iid_, std::wstring_view(names[0])) : nullptr;
        if (!row) return DISP_E_UNKNOWNNAME;
        ids[0] = row->dispid;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argErr) override {
        try {
            // Events the table does not know are not delivered; the source is told all is well.
            const EventRow* row = FindEvent(iid_, id);
            const std::shared_ptr<EventHandler> handler = handler_;
            if (!row || !handler) return S_OK;
            const UINT n = params ? params->cArgs : 0;
            if (n > 0 && !params->rgvarg) return E_INVALIDARG;
            if (params && params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
            // The handler may unsubscribe, releasing the last reference the source held.
            const ComPtr<EventSink> self(this);
            Args args;
            args.reserve(n);
            for (UINT i = 0; i < n; ++i) {
                const UINT at = n - 1 - i;
                try {
                    args.push_back(FromVariant(params->rgvarg[at]));
                } catch (...) {
                    if (argErr) *argErr = at;
                    return DISP_E_TYPEMISMATCH;
                }
            }
            const Args before = args;
            HRESULT hr = S_OK;
            try {
                (*handler)(row->name, args);
            } catch (...) {
                hr = ReportCurrentError(excep);
            }
            // What the handler wrote into by-reference arguments goes back to the source.
            for (UINT i = 0; i < n && i < args.size(); ++i) {
                const VARIANT& arg = params->rgvarg[n - 1 - i];
                if (!(arg.vt & VT_BYREF) || args[i] == before[i]) continue;
                try {
                    WriteByRef(arg, args[i]);
                } catch (...) {
                    if (SUCCEEDED(hr)) hr = ReportCurrentError(excep);
                }
            }
            if (SUCCEEDED(hr) && result) VariantInit(result);
            return hr;
        } catch (...) {
            return ReportCurrentError(excep);
        }
    }

private:
    LiveComObject live_;
    std::atomic<ULONG> refs_{1};
    GUID iid_;
    std::shared_ptr<EventHandler> handler_;
};

WORD FlagsOf(CallKind kind) noexcept {
    switch (kind) {
        case CallKind::Get: return DISPATCH_PROPERTYGET | DISPATCH_METHOD;
        case CallKind::Put: return DISPATCH_PROPERTYPUT;
        case CallKind::PutRef: return DISPATCH_PROPERTYPUTREF;
        case CallKind::Method: return DISPATCH_METHOD;
    }
    return DISPATCH_METHOD;
}

// Whether a VARIANT the callee may have rewritten in place still holds what was passed.
// Pointers to freed strings and arrays can be reused, so those are compared by value.
bool Untouched(const VARIANT& before, const VARIANT& after) noexcept {
    if (std::memcmp(&before, &after, sizeof(VARIANT)) != 0) return false;
    return after.vt != VT_BSTR && !(after.vt & VT_ARRAY);
}

}  // namespace

std::shared_ptr<DispatchObject> DispatchObject::Wrap(IDispatch* dispatch) {
    if (!dispatch) return nullptr;
    auto& cache = Cache();
    {
        const std::lock_guard lock(cache.mutex);
        const auto it = cache.wrappers.find(dispatch);
        if (it != cache.wrappers.end()) {
            if (auto alive = it->second.lock()) return alive;
        }
    }
    ComPtr<IUnknown> identity;
    if (FAILED(dispatch->QueryInterface(IID_IUnknown, identity.PutVoid())) || !identity) {
        identity = ComPtr<IUnknown>(dispatch);
    }
    auto made = std::make_shared<DispatchObject>(Token{}, std::move(identity), ComPtr<IDispatch>(dispatch));
    const std::lock_guard lock(cache.mutex);
    auto& slot = cache.wrappers[dispatch];
    if (auto alive = slot.lock()) return alive;
    slot = made;
    return made;
}

std::shared_ptr<DispatchObject> DispatchObject::WrapUnknown(IUnknown* unknown) {
    if (!unknown) return nullptr;
    ComPtr<IDispatch> dispatch;
    if (SUCCEEDED(unknown->QueryInterface(IID_IDispatch, dispatch.PutVoid())) && dispatch) {
        return Wrap(dispatch.Get());
    }
    ComPtr<IUnknown> identity;
    if (FAILED(unknown->QueryInterface(IID_IUnknown, identity.PutVoid())) || !identity) {
        identity = ComPtr<IUnknown>(unknown);
    }
    return std::make_shared<DispatchObject>(Token{}, std::move(identity), ComPtr<IDispatch>());
}

DispatchObject::DispatchObject(Token, ComPtr<IUnknown> identity, ComPtr<IDispatch> dispatch)
    : identity_(std::move(identity)), dispatch_(std::move(dispatch)) {}

DispatchObject::~DispatchObject() {
    if (!dispatch_) return;
    auto& cache = Cache();
    const std::lock_guard lock(cache.mutex);
    const auto it = cache.wrappers.find(dispatch_.Get());
    // A wrapper made for the same pointer while this one was dying stays.
    if (it != cache.wrappers.end() && it->second.expired()) cache.wrappers.erase(it);
}

DISPID DispatchObject::IdOf(std::wstring_view name) {
    if (!dispatch_) Raise(brisko::err::NotSupported);
    std::wstring key = LowerCase(name);
    if (const auto it = ids_.find(key); it != ids_.end()) return it->second;
    std::wstring copy(name);
    LPOLESTR names[] = {copy.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) throw ErrorFromHResult(hr);
    ids_.emplace(std::move(key), id);
    return id;
}

Value DispatchObject::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    if ((kind == CallKind::Put || kind == CallKind::PutRef) && args.empty()) Raise(brisko::err::WrongArguments);
    return InvokeId(IdOf(name), kind, args);
}

Value DispatchObject::InvokeId(DISPID id, CallKind kind, Args& args) {
    if (!dispatch_) Raise(brisko::err::NotSupported);
    const bool put = kind == CallKind::Put || kind == CallKind::PutRef;
    if (put && args.empty()) Raise(brisko::err::WrongArguments);
    if (args.size() > 0xFFFFu) Raise(brisko::err::WrongArguments);
    // The callee may release the last reference to this object.
    const auto self = shared_from_this();
    const ComPtr<IDispatch> dispatch = dispatch_;

    const std::size_t n = args.size();
    const std::size_t byRef = put ? n - 1 : n;  // the assigned value goes by value
    std::vector<Variant> values(n);
    for (std::size_t i = 0; i < n; ++i) values[i] = ToVariant(args[i]);
    std::vector<VARIANT> passed(n);
    std::vector<VARIANT> before(byRef);
    for (std::size_t i = 0; i < n; ++i) {
        VARIANT& arg = passed[n - 1 - i];
        // An omitted argument goes by value, as VT_ERROR DISP_E_PARAMNOTFOUND, as callers pass it.
        if (i < byRef && !args[i].IsMissing()) {
            VariantInit(&arg);
            arg.vt = VT_VARIANT | VT_BYREF;
            arg.pvarVal = values[i].Ptr();
            before[i] = values[i].Get();
        } else {
            arg = values[i].Get();  // still owned by values[i]
        }
    }
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{passed.data(), put ? &named : nullptr, static_cast<UINT>(n), put ? 1u : 0u};
    Variant result;
    ExcepInfo excep;
    UINT argErr = 0;
    HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, FlagsOf(kind), &params,
                                  put ? nullptr : result.Ptr(), &excep, &argErr);

    // Wine's type-library Invoke takes no Variant reference for a typed output (int*, long*):
    // the call goes once more with each Long by reference as a Long reference, as a Long
    // variable is passed. The refusal comes before the member runs, so it runs once.
    std::vector<LONG> longs;
    std::vector<bool> asLong(byRef, false);
    ExcepInfo again;
    EXCEPINFO* failure = &excep;
    if (hr == DISP_E_TYPEMISMATCH) {
        longs.resize(byRef);
        bool any = false;
        for (std::size_t i = 0; i < byRef; ++i) {
            if (args[i].type() != VarType::Integer) continue;
            longs[i] = args[i].AsInt();
            VARIANT& arg = passed[n - 1 - i];
            VariantInit(&arg);
            arg.vt = VT_I4 | VT_BYREF;
            arg.plVal = &longs[i];
            asLong[i] = any = true;
        }
        if (any) {
            argErr = 0;
            hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, FlagsOf(kind), &params,
                                  put ? nullptr : result.Ptr(), &again, &argErr);
            failure = &again;
        }
    }

    // By-reference arguments come back also when the call failed, as a variable passed by
    // reference keeps what the callee wrote before it raised.
    for (std::size_t i = 0; i < byRef; ++i) {
        if (asLong[i]) {
            if (longs[i] != args[i].AsInt()) args[i] = Value(static_cast<std::int32_t>(longs[i]));
            continue;
        }
        if (args[i].IsMissing() || Untouched(before[i], values[i].Get())) continue;
        try {
            Value back = FromVariant(values[i].Get());
            if (!(back == args[i])) args[i] = std::move(back);
        } catch (...) {
            if (SUCCEEDED(hr)) throw;
        }
    }
    if (FAILED(hr)) throw ErrorFromHResult(hr, failure);
    return put ? Value() : FromVariant(result.Get());
}

GUID DispatchObject::SourceInterface() const {
    if (auto info2 = identity_.As<IProvideClassInfo2>(IID_IProvideClassInfo2)) {
        GUID iid = GUID_NULL;
        if (SUCCEEDED(info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &iid)) && IsEventInterface(iid)) return iid;
    }
    if (auto info = identity_.As<IProvideClassInfo>(IID_IProvideClassInfo)) {
        ComPtr<ITypeInfo> coclass;
        if (SUCCEEDED(info->GetClassInfo(coclass.Put())) && coclass) {
            const GUID iid = DefaultSourceOf(coclass.Get());
            if (IsEventInterface(iid)) return iid;
        }
    }
    auto container = identity_.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ComPtr<IEnumConnectionPoints> points;
    if (!container || FAILED(container->EnumConnectionPoints(points.Put())) || !points) return GUID_NULL;
    for (;;) {
        ComPtr<IConnectionPoint> point;
        ULONG fetched = 0;
        if (points->Next(1, point.Put(), &fetched) != S_OK || fetched != 1 || !point) break;
        GUID iid = GUID_NULL;
        if (SUCCEEDED(point->GetConnectionInterface(&iid)) && IsEventInterface(iid)) return iid;
    }
    return GUID_NULL;
}

EventConnection DispatchObject::ConnectEvents(EventHandler handler) {
    const GUID iid = SourceInterface();
    if (IsEqualGUID(iid, GUID_NULL)) Raise(brisko::err::NoEvents);
    return ConnectEventsOf(iid, std::move(handler));
}

EventConnection DispatchObject::ConnectEventsOf(const GUID& iid, EventHandler handler) {
    if (!handler) Raise(brisko::err::InvalidCall);
    if (!IsEventInterface(iid)) Raise(brisko::err::NoEvents);
    auto container = identity_.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!container) Raise(brisko::err::NoEvents);
    ComPtr<IConnectionPoint> point;
    HRESULT hr = container->FindConnectionPoint(iid, point.Put());
    if (hr == CONNECT_E_NOCONNECTION || (SUCCEEDED(hr) && !point)) Raise(brisko::err::NoEvents);
    if (FAILED(hr)) throw ErrorFromHResult(hr);
    auto sink = ComPtr<EventSink>::Attach(new EventSink(iid, std::move(handler)));
    DWORD cookie = 0;
    SetErrorInfo(0, nullptr);  // no stale error object for a failure without one
    hr = point->Advise(static_cast<IDispatch*>(sink.Get()), &cookie);
    if (FAILED(hr)) {
        sink->Detach();
        if (hr == CONNECT_E_CANNOTCONNECT || hr == CONNECT_E_ADVISELIMIT) Raise(brisko::err::NoEvents);
        throw ErrorFromErrorInfo(hr);
    }
    return EventConnection([point, sink, cookie] {
        sink->Detach();
        point->Unadvise(cookie);
    });
}

std::wstring DispatchObject::TypeName() const {
    try {
        // An object this process exposes answers for itself.
        if (const ObjectPtr original = ExposedObject(identity_.Get())) return original->TypeName();
        if (auto info = identity_.As<IProvideClassInfo>(IID_IProvideClassInfo)) {
            ComPtr<ITypeInfo> coclass;
            if (SUCCEEDED(info->GetClassInfo(coclass.Put()))) {
                std::wstring name = TypeInfoName(coclass.Get());
                if (!name.empty()) return name;
            }
        }
        UINT count = 0;
        ComPtr<ITypeInfo> type;
        if (dispatch_ && SUCCEEDED(dispatch_->GetTypeInfoCount(&count)) && count > 0 &&
            SUCCEEDED(dispatch_->GetTypeInfo(0, LOCALE_USER_DEFAULT, type.Put()))) {
            std::wstring name = TypeInfoName(type.Get());
            if (name.size() > 1 && name[0] == L'_') name.erase(0, 1);
            if (!name.empty()) return name;
        }
    } catch (...) {
    }
    return L"Object";
}

namespace {

// The COM identity of a wrapped object, or the brisko object itself (also behind its own
// exposure); distinct live objects never share an address.
const void* IdentityOf(const ObjectPtr& object) {
    const auto* wrapped = dynamic_cast<const DispatchObject*>(object.get());
    if (!wrapped) return object.get();
    if (const ObjectPtr original = ExposedObject(wrapped->Identity())) return original.get();
    return wrapped->Identity();
}

}  // namespace

bool SameObject(const ObjectPtr& a, const ObjectPtr& b) {
    if (a == b) return true;
    if (!a || !b) return false;
    return IdentityOf(a) == IdentityOf(b);
}

ObjectPtr ObjectFromDispatch(IDispatch* dispatch) {
    if (!dispatch) return nullptr;
    if (ObjectPtr exposed = ExposedObject(dispatch)) return exposed;
    return DispatchObject::Wrap(dispatch);
}

ObjectPtr ObjectFromUnknown(IUnknown* unknown) {
    if (!unknown) return nullptr;
    if (ObjectPtr exposed = ExposedObject(unknown)) return exposed;
    return DispatchObject::WrapUnknown(unknown);
}

}  // namespace brisko::win
