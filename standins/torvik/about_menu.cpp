#include "about_menu.h"

#include <ocidl.h>

#include "torvik_results.h"

namespace torvik {

HRESULT ClickSink::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kCommandBarButtonEvents)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG ClickSink::Release() {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

HRESULT ClickSink::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

HRESULT ClickSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT ClickSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT ClickSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
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

bool PinLibrary() noexcept {
    static LONG pinned = 0;
    if (InterlockedCompareExchange(&pinned, 0, 0) != 0) return true;
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&PinLibrary), &self))
        return false;
    InterlockedExchange(&pinned, 1);
    return true;
}

std::int32_t AddAboutEntry(IDispatch* target, const std::wstring& caption, const std::wstring& tag,
                           std::function<void()> onClick, ComPtr<ClickSink>& sink) {
    sink.reset();
    if (!target) return kBadArgument;
    // A window (an explorer) stands for its menu bar.
    ComPtr<IDispatch> bar = MenuBarOf(target);
    if (!bar) return kHostCallFailed;

    // FindControl(Type, Id, Tag), last argument first: one entry per bar and tag.
    const Bstr tagText(tag);
    {
        VARIANT args[3];
        VariantInit(&args[0]);
        args[0].vt = VT_BSTR;
        args[0].bstrVal = tagText.get();
        Variant::SetMissing(args[1]);
        Variant::SetMissing(args[2]);
        Variant found;
        if (FAILED(CallMethod(bar.get(), L"FindControl", args, 3, found.get()))) return kHostCallFailed;
        if (ObjectOf(found)) return kOk;
    }

    ComPtr<IDispatch> button;
    {
        Variant controlsValue;
        if (FAILED(GetProperty(bar.get(), L"Controls", controlsValue.get()))) return kHostCallFailed;
        const ComPtr<IDispatch> controls = ObjectOf(controlsValue);
        if (!controls) return kHostCallFailed;
        // Add(Type, Id, Parameter, Before, Temporary), last argument first.
        VARIANT args[5];
        Variant::SetBool(args[0], true);
        Variant::SetMissing(args[1]);
        Variant::SetMissing(args[2]);
        Variant::SetMissing(args[3]);
        Variant::SetI4(args[4], 1);
        Variant buttonValue;
        if (FAILED(CallMethod(controls.get(), L"Add", args, 5, buttonValue.get()))) return kHostCallFailed;
        button = ObjectOf(buttonValue);
    }
    bar.reset();
    if (!button) return kHostCallFailed;

    // From here on a failure deletes the new button again.
    std::int32_t result = kHostCallFailed;
    ComPtr<ClickSink> made;
    const auto finish = [&] {
        const Bstr captionText(caption);
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BSTR;
        value.bstrVal = captionText.get();
        if (FAILED(PutProperty(button.get(), L"Caption", value))) return;
        // Office raises Click for every button with the same tag: one tag per client.
        value.bstrVal = tagText.get();
        PutProperty(button.get(), L"Tag", value);

        ComPtr<IConnectionPoint> point;
        {
            const auto container = button.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
            if (!container) return;
            if (FAILED(container->FindConnectionPoint(kCommandBarButtonEvents, point.put())) || !point) return;
        }
        // The host may call the sink after the client let this library go.
        if (!PinLibrary()) {
            result = kInternal;
            return;
        }
        made = ComPtr<ClickSink>::Attach(new ClickSink(std::move(onClick)));
        DWORD cookie = 0;
        if (FAILED(point->Advise(made.get(), &cookie))) {
            made->Detach();
            made.reset();
            return;
        }
        result = kOk;
    };
    try {
        finish();
    } catch (...) {
        result = kInternal;
    }
    if (result != kOk) {
        if (made) made->Detach();
        made.reset();
        DeleteControl(button.get());
    }
    sink = std::move(made);
    return result;
}

}  // namespace torvik
