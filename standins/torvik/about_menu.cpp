#include "about_menu.h"

#include <ocidl.h>

#include "torvik_results.h"

namespace torvik {

// The Click handler: answers IDispatch and the button's event interface.
class ClickSink final : public IDispatch {
public:
    explicit ClickSink(std::function<void()> onClick) : onClick_(std::move(onClick)) {}

    // After this the sink ignores events (the host may hold it a little longer).
    void Detach() noexcept { onClick_ = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, kCommandBarButtonEvents)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
        for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        if (id != kDispIdClick) return S_OK;
        const ComPtr<ClickSink> self = ComPtr<ClickSink>::Retain(this);  // the handler may release the last reference
        try {
            if (onClick_) {
                auto handler = onClick_;  // the handler may detach this sink
                handler();
            }
        } catch (...) {
        }
        return S_OK;
    }

private:
    ~ClickSink() = default;

    LONG refs_ = 1;
    std::function<void()> onClick_;
};

namespace {

HRESULT DispId(IDispatch* object, const wchar_t* name, DISPID& id) {
    auto* n = const_cast<LPOLESTR>(name);
    return object->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
}

HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags, DISPPARAMS& params, VARIANT* result) {
    if (!object) return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = DispId(object, name, id);
    if (FAILED(hr)) return hr;
    EXCEPINFO info{};
    UINT badArg = 0;
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, &badArg);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    if (hr == DISP_E_EXCEPTION && SUCCEEDED(info.scode)) hr = E_FAIL;
    if (hr == DISP_E_EXCEPTION && FAILED(info.scode)) hr = info.scode;
    return hr;
}

// The object a call returned, or null.
ComPtr<IDispatch> ObjectOf(const Variant& v) {
    const VARIANT* p = v.get();
    if (p->vt == VT_DISPATCH) return ComPtr<IDispatch>::Retain(p->pdispVal);
    if (p->vt == (VT_DISPATCH | VT_BYREF) && p->ppdispVal) return ComPtr<IDispatch>::Retain(*p->ppdispVal);
    return nullptr;
}

void DeleteControl(IDispatch* button) {
    Variant ignored;
    CallMethod(button, L"Delete", nullptr, 0, ignored.get());
}

}  // namespace

HRESULT GetProperty(IDispatch* object, const wchar_t* name, VARIANT* result) {
    DISPPARAMS params{nullptr, nullptr, 0, 0};
    return InvokeByName(object, name, DISPATCH_PROPERTYGET, params, result);
}

HRESULT PutProperty(IDispatch* object, const wchar_t* name, const VARIANT& value) {
    VARIANT arg = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    return InvokeByName(object, name, DISPATCH_PROPERTYPUT, params, nullptr);
}

HRESULT CallMethod(IDispatch* object, const wchar_t* name, VARIANT* args, UINT count, VARIANT* result) {
    DISPPARAMS params{args, nullptr, count, 0};
    return InvokeByName(object, name, DISPATCH_METHOD, params, result);
}

ComPtr<IDispatch> MenuBarOf(IDispatch* target) {
    Variant barsValue;
    if (FAILED(GetProperty(target, L"CommandBars", barsValue.get()))) return ComPtr<IDispatch>::Retain(target);
    const ComPtr<IDispatch> bars = ObjectOf(barsValue);
    if (!bars) return nullptr;
    const Bstr name(L"Menu Bar");
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = name.get();
    DISPPARAMS params{&arg, nullptr, 1, 0};
    Variant barValue;
    if (FAILED(InvokeByName(bars.get(), L"Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, params, barValue.get())))
        return nullptr;
    return ObjectOf(barValue);
}

std::unique_ptr<AboutMenuEntry> AboutMenuEntry::Add(IDispatch* menuBar, const std::wstring& caption,
                                                    const std::wstring& tag, std::function<void()> onClick,
                                                    std::int32_t& result) {
    result = kHostCallFailed;
    if (!menuBar) {
        result = kBadArgument;
        return nullptr;
    }
    // A window (an explorer) stands for its menu bar.
    const ComPtr<IDispatch> bar = MenuBarOf(menuBar);
    if (!bar) return nullptr;
    Variant controlsValue;
    if (FAILED(GetProperty(bar.get(), L"Controls", controlsValue.get()))) return nullptr;
    const ComPtr<IDispatch> controls = ObjectOf(controlsValue);
    if (!controls) return nullptr;

    // Add(Type, Id, Parameter, Before, Temporary), last argument first.
    VARIANT args[5];
    Variant::SetBool(args[0], true);
    Variant::SetMissing(args[1]);
    Variant::SetMissing(args[2]);
    Variant::SetMissing(args[3]);
    Variant::SetI4(args[4], 1);
    Variant buttonValue;
    if (FAILED(CallMethod(controls.get(), L"Add", args, 5, buttonValue.get()))) return nullptr;

    std::unique_ptr<AboutMenuEntry> entry(new AboutMenuEntry());
    entry->button_ = ObjectOf(buttonValue);
    buttonValue.put();
    if (!entry->button_) return nullptr;

    // From here on a failure deletes the new button again (the destructor).
    const Bstr captionText(caption);
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = captionText.get();
    if (FAILED(PutProperty(entry->button_.get(), L"Caption", value))) return nullptr;
    // Office raises Click for every button with the same tag: one tag per client.
    const Bstr tagText(tag);
    value.bstrVal = tagText.get();
    PutProperty(entry->button_.get(), L"Tag", value);

    const auto container = entry->button_.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!container) return nullptr;
    if (FAILED(container->FindConnectionPoint(kCommandBarButtonEvents, entry->point_.put())) || !entry->point_)
        return nullptr;
    entry->sink_ = ComPtr<ClickSink>::Attach(new ClickSink(std::move(onClick)));
    if (FAILED(entry->point_->Advise(entry->sink_.get(), &entry->cookie_))) {
        entry->cookie_ = 0;
        return nullptr;
    }
    result = kOk;
    return entry;
}

AboutMenuEntry::~AboutMenuEntry() {
    if (sink_) sink_->Detach();
    if (point_ && cookie_ != 0) point_->Unadvise(cookie_);
    point_.reset();
    if (button_) DeleteControl(button_.get());
    button_.reset();
    sink_.reset();
}

}  // namespace torvik
