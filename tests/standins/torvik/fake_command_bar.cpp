#include "fake_command_bar.h"

#include <gtest/gtest.h>

#include <olectl.h>

namespace torvik::test {

HRESULT FakeDispatch::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
        *out = static_cast<IDispatch*>(this);
    else
        *out = Other(iid);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG FakeDispatch::Release() {
    const LONG n = --refs_;
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

HRESULT FakeDispatch::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}

HRESULT FakeDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    *info = nullptr;
    return E_NOTIMPL;
}

HRESULT FakeDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (count != 1) return DISP_E_UNKNOWNNAME;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (_wcsicmp(names_[i].c_str(), names[0]) == 0) {
            ids[0] = static_cast<DISPID>(i + 1);
            return S_OK;
        }
    }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT FakeDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                             UINT*) {
    if (id < 1 || static_cast<std::size_t>(id) > names_.size() || !params) return DISP_E_MEMBERNOTFOUND;
    return Call(names_[static_cast<std::size_t>(id - 1)], flags, *params, result);
}

FakeConnectionPoint::~FakeConnectionPoint() {
    if (sink) sink->Release();
}

HRESULT FakeConnectionPoint::Click() {
    if (!sink) return E_UNEXPECTED;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT args[2];
    VariantInit(&args[0]);
    args[0].vt = VT_BOOL | VT_BYREF;
    args[0].pboolVal = &cancel;
    VariantInit(&args[1]);
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = static_cast<IDispatch*>(&owner_);
    DISPPARAMS params{args, nullptr, 2, 0};
    return sink->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

HRESULT FakeConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG FakeConnectionPoint::AddRef() { return owner_.AddRef(); }
ULONG FakeConnectionPoint::Release() { return owner_.Release(); }

HRESULT FakeConnectionPoint::GetConnectionInterface(IID* iid) {
    *iid = kButtonEvents;
    return S_OK;
}

HRESULT FakeConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    *out = &owner_;
    owner_.AddRef();
    return S_OK;
}

HRESULT FakeConnectionPoint::Advise(IUnknown* unknown, DWORD* cookie) {
    ++advises;
    if (failAdvise) return CONNECT_E_CANNOTCONNECT;
    if (sink) return CONNECT_E_ADVISELIMIT;
    void* events = nullptr;
    sinkAnswersEvents = SUCCEEDED(unknown->QueryInterface(kButtonEvents, &events)) && events;
    if (events) static_cast<IUnknown*>(events)->Release();
    void* d = nullptr;
    if (FAILED(unknown->QueryInterface(IID_IDispatch, &d))) return CONNECT_E_CANNOTCONNECT;
    sink = static_cast<IDispatch*>(d);
    *cookie = 42;
    return S_OK;
}

HRESULT FakeConnectionPoint::Unadvise(DWORD cookie) {
    if (cookie != 42 || !sink) return CONNECT_E_NOCONNECTION;
    ++unadvises;
    std::exchange(sink, nullptr)->Release();
    return S_OK;
}

HRESULT FakeConnectionPoint::EnumConnections(IEnumConnections** out) {
    *out = nullptr;
    return E_NOTIMPL;
}

HRESULT FakeButton::EnumConnectionPoints(IEnumConnectionPoints** out) {
    *out = nullptr;
    return E_NOTIMPL;
}

HRESULT FakeButton::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    *out = nullptr;
    if (noEvents || !IsEqualIID(iid, kButtonEvents)) return CONNECT_E_NOCONNECTION;
    *out = &point;
    point.AddRef();
    return S_OK;
}

void* FakeButton::Other(REFIID iid) {
    if (IsEqualIID(iid, IID_IConnectionPointContainer)) return static_cast<IConnectionPointContainer*>(this);
    return nullptr;
}

HRESULT FakeButton::Call(const std::wstring& name, WORD flags, DISPPARAMS& params, VARIANT* result) {
    if (name == L"Delete") {
        if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        ++deletes;
        return S_OK;
    }
    std::wstring& field = name == L"Caption" ? caption : tag;
    if (flags & DISPATCH_PROPERTYPUT) {
        if (params.cArgs != 1 || params.cNamedArgs != 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_BADPARAMCOUNT;
        if (params.rgvarg[0].vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
        if (name == L"Caption" && failCaption) return E_FAIL;
        field.assign(params.rgvarg[0].bstrVal, SysStringLen(params.rgvarg[0].bstrVal));
        return S_OK;
    }
    if ((flags & DISPATCH_PROPERTYGET) && result) {
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(field.c_str());
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

FakeControls::~FakeControls() {
    for (auto* b : buttons) b->Release();
}

HRESULT FakeControls::Call(const std::wstring& name, WORD flags, DISPPARAMS& params, VARIANT* result) {
    if (name != L"Add" || !(flags & DISPATCH_METHOD) || !result) return DISP_E_MEMBERNOTFOUND;
    // Add(Type, Id, Parameter, Before, Temporary): rgvarg holds them last first.
    if (params.cNamedArgs != 0 || params.cArgs == 0 || params.cArgs > 5) return DISP_E_BADPARAMCOUNT;
    addTypes.clear();
    for (UINT i = params.cArgs; i-- > 0;) addTypes.push_back(params.rgvarg[i].vt);
    const VARIANT& type = params.rgvarg[params.cArgs - 1];
    addType = type.vt == VT_I4 ? type.lVal : type.vt == VT_I2 ? type.iVal : -1;
    addTemporary = params.cArgs == 5 && params.rgvarg[0].vt == VT_BOOL && params.rgvarg[0].boolVal == VARIANT_TRUE;
    auto* button = new FakeButton();
    button->failCaption = failCaptionOfNew;
    button->noEvents = noEventsOfNew;
    button->point.failAdvise = failAdviseOfNew;
    buttons.push_back(button);
    button->AddRef();
    result->vt = VT_DISPATCH;
    result->pdispVal = button;
    return S_OK;
}

FakeMenuBar::FakeMenuBar(bool withControls)
    : FakeDispatch(withControls ? std::vector<std::wstring>{L"Controls", L"FindControl"} : std::vector<std::wstring>{}) {
    if (withControls) controls = new FakeControls();
}

FakeMenuBar::~FakeMenuBar() {
    if (controls) controls->Release();
}

HRESULT FakeMenuBar::Call(const std::wstring& name, WORD flags, DISPPARAMS& params, VARIANT* result) {
    if (name == L"FindControl" && controls && (flags & DISPATCH_METHOD) && result) {
        if (params.cNamedArgs != 0 || params.cArgs == 0 || params.cArgs > 5) return DISP_E_BADPARAMCOUNT;
        findTypes.clear();
        for (UINT i = params.cArgs; i-- > 0;) findTypes.push_back(params.rgvarg[i].vt);
        if (failFind) return E_FAIL;
        const VARIANT* tag = params.cArgs >= 3 ? &params.rgvarg[params.cArgs - 3] : nullptr;
        const std::wstring wanted = tag && tag->vt == VT_BSTR && tag->bstrVal ? tag->bstrVal : L"";
        findTags.push_back(wanted);
        result->vt = VT_DISPATCH;
        result->pdispVal = nullptr;
        for (auto* b : controls->buttons) {
            if (b->deletes == 0 && !wanted.empty() && b->tag == wanted) {
                b->AddRef();
                result->pdispVal = static_cast<IDispatch*>(static_cast<FakeDispatch*>(b));
                break;
            }
        }
        return S_OK;
    }
    if (name != L"Controls" || !controls || !(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    controls->AddRef();
    result->vt = VT_DISPATCH;
    result->pdispVal = controls;
    return S_OK;
}

HRESULT FakeCommandBars::Call(const std::wstring& name, WORD flags, DISPPARAMS& params, VARIANT* result) {
    if (name != L"Item" || !result || params.cArgs != 1) return DISP_E_MEMBERNOTFOUND;
    (void)flags;
    const VARIANT& arg = params.rgvarg[0];
    const std::wstring which = arg.vt == VT_BSTR && arg.bstrVal ? arg.bstrVal : L"";
    asked.push_back(which);
    if (which != L"Menu Bar") return DISP_E_EXCEPTION;
    menuBar_->AddRef();
    result->vt = VT_DISPATCH;
    result->pdispVal = menuBar_;
    return S_OK;
}

HRESULT FakeExplorer::Call(const std::wstring& name, WORD flags, DISPPARAMS&, VARIANT* result) {
    if (name != L"CommandBars" || !(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    bars->AddRef();
    result->vt = VT_DISPATCH;
    result->pdispVal = bars;
    return S_OK;
}

}  // namespace torvik::test
