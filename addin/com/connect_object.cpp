#include "addin/com/connect_object.h"

#include <string_view>

#include "addin/com/module.h"
#include "addin/dialogs/mForms.h"
#include "addin/host/Connect.h"
#include "addin/tracking/CExplorersWrapper.h"
#include "automation/text.h"
#include "automation/win/com_ptr.h"
#include "automation/win/variant.h"

namespace brisko::com {

namespace {

constexpr DISPID kStateId = 0x60030000;
constexpr DISPID kTrackedExplorersId = 0x60030001;
constexpr DISPID kShowQuickTaskId = 0x60030002;
constexpr DISPID kShowQuickAppointmentId = 0x60030003;
// The ribbon's callbacks, in the type library's order.
constexpr DISPID kRibbonOnLoadId = 0x60030004;
constexpr DISPID kRibbonButtonActionId = 0x60030005;
constexpr DISPID kRibbonControlGetEnabledId = 0x60030006;
constexpr DISPID kRibbonControlGetVisibleId = 0x60030007;
constexpr DISPID kRibbonControlGetLabelId = 0x60030008;
constexpr DISPID kRibbonButtonGetScreentipId = 0x60030009;
constexpr DISPID kRibbonButtonGetImageId = 0x6003000A;
// IRibbonExtensibility's own IDispatch.
constexpr DISPID kGetCustomUIId = 1;

constexpr std::pair<const wchar_t*, DISPID> kMembers[] = {
    {L"OnConnection", 1},      {L"OnDisconnection", 2},   {L"OnAddInsUpdate", 3},
    {L"OnStartupComplete", 4}, {L"OnBeginShutdown", 5},   {L"State", kStateId},
    {L"TrackedExplorers", kTrackedExplorersId}, {L"ShowQuickTask", kShowQuickTaskId},
    {L"ShowQuickAppointment", kShowQuickAppointmentId},
    {L"Ribbon_OnLoad", kRibbonOnLoadId}, {L"RibbonButton_Action", kRibbonButtonActionId},
    {L"RibbonControl_GetEnabled", kRibbonControlGetEnabledId},
    {L"RibbonControl_GetVisible", kRibbonControlGetVisibleId},
    {L"RibbonControl_GetLabel", kRibbonControlGetLabelId},
    {L"RibbonButton_GetScreentip", kRibbonButtonGetScreentipId},
    {L"RibbonButton_GetImage", kRibbonButtonGetImageId}};

// The type information of one of the library's interfaces, from the DLL's embedded type library.
HRESULT TypeInfoOf(REFIID iid, ITypeInfo** info) noexcept {
    try {
        win::ComPtr<ITypeLib> lib;
        const HRESULT hr = LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, lib.Put());
        if (FAILED(hr)) return hr;
        return lib->GetTypeInfoOfGuid(iid, info);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

// A string for COM; nullptr when out of memory.
BSTR ToBstr(const std::wstring& s) noexcept {
    return SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

// The IDispatch of a picture object with a reference for the caller; nullptr for none.
IDispatch* PictureDispatch(const ObjectPtr& picture) noexcept {
    try {
        return picture ? win::DispatchFromObject(picture).Detach() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

// The custom argument as the portable object takes it; anything unreadable is an empty array.
Array CustomArray(SAFEARRAY** custom) noexcept {
    try {
        if (!custom || !*custom) return {};
        VARIANT v;
        v.vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
        v.pparray = custom;
        Value value = win::FromVariant(v);
        if (value.IsArray()) return value.AsArray();
    } catch (...) {
    }
    return {};
}

ObjectPtr ObjectOf(IDispatch* dispatch) noexcept {
    try {
        return win::ObjectFromDispatch(dispatch);
    } catch (...) {
        return nullptr;
    }
}

// An argument of Invoke converted to a type; false when it cannot be.
bool ArgAs(const VARIANT& arg, VARTYPE type, win::Variant& out) noexcept {
    return SUCCEEDED(VariantChangeType(out.Ptr(), const_cast<VARIANT*>(&arg), 0, type));
}

// An object argument: Empty, Null and a missing argument are no object.
bool DispatchArg(const VARIANT& arg, win::Variant& out, IDispatch*& dispatch) noexcept {
    dispatch = nullptr;
    if (arg.vt == VT_EMPTY || arg.vt == VT_NULL || arg.vt == VT_ERROR) return true;
    if (!ArgAs(arg, VT_DISPATCH, out)) return false;
    dispatch = out.Get().pdispVal;
    return true;
}

// The SAFEARRAY** of a custom argument; nullptr when missing or of another type.
SAFEARRAY** CustomArg(DISPPARAMS* params, UINT index, SAFEARRAY*& local) noexcept {
    if (index >= params->cArgs) return nullptr;
    VARIANT& v = params->rgvarg[params->cArgs - 1 - index];
    if (v.vt == (VT_ARRAY | VT_VARIANT | VT_BYREF)) return v.pparray;
    if (v.vt == (VT_ARRAY | VT_VARIANT)) {
        local = v.parray;
        return &local;
    }
    return nullptr;
}

}  // namespace

ConnectObject::ConnectObject() : connect_(std::make_shared<brisko::Connect>()) { AddModuleRef(); }

ConnectObject::~ConnectObject() {
    connect_.reset();
    ReleaseModuleRef();
}

HRESULT ConnectObject::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID_IDTExtensibility2)) {
        *ppv = static_cast<IDTExtensibility2*>(this);
        AddRef();
        return S_OK;
    }
    if (IsEqualIID(riid, IID__Connect)) {
        *ppv = static_cast<_Connect*>(this);
        AddRef();
        return S_OK;
    }
    if (IsEqualIID(riid, IID_IRibbonExtensibility)) {
        *ppv = static_cast<IRibbonExtensibility*>(&ribbon_);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG ConnectObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG ConnectObject::Release() {
    const long n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

HRESULT ConnectObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT ConnectObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return TypeInfoOf(IID_IDTExtensibility2, info);
}

HRESULT ConnectObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return S_OK;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    for (const auto& [name, id] : kMembers) {
        if (names[0] && EqualsNoCase(name, names[0])) ids[0] = id;
    }
    if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    // Arguments are positional only.
    if (count > 1) hr = DISP_E_UNKNOWNNAME;
    return hr;
}

HRESULT ConnectObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO*, UINT* argErr) {
    if (!params) return E_POINTER;
    if (id == kStateId || id == kTrackedExplorersId) {
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        if (!result) return S_OK;
        VariantInit(result);
        if (id == kStateId) {
            result->vt = VT_BSTR;
            return get_State(&result->bstrVal);
        }
        result->vt = VT_I4;
        return get_TrackedExplorers(&result->lVal);
    }
    if (id == kShowQuickTaskId || id == kShowQuickAppointmentId) {
        if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
        if (params->cArgs != 2) return DISP_E_BADPARAMCOUNT;
        if (result) VariantInit(result);
        win::Variant mail, topmost;
        IDispatch* mailDispatch = nullptr;
        if (!DispatchArg(params->rgvarg[1], mail, mailDispatch)) {
            if (argErr) *argErr = 1;
            return DISP_E_TYPEMISMATCH;
        }
        if (!ArgAs(params->rgvarg[0], VT_BOOL, topmost)) {
            if (argErr) *argErr = 0;
            return DISP_E_TYPEMISMATCH;
        }
        return id == kShowQuickTaskId ? ShowQuickTask(mailDispatch, topmost.Get().boolVal)
                                      : ShowQuickAppointment(mailDispatch, topmost.Get().boolVal);
    }
    if (id >= kRibbonOnLoadId && id <= kRibbonButtonGetImageId) {
        return InvokeRibbonCallback(id, flags, params, result, argErr);
    }
    if (id < 1 || id > 5) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    const UINT expected = id == 1 ? 4 : id == 2 ? 2 : 1;
    if (params->cArgs != expected) return DISP_E_BADPARAMCOUNT;
    if (result) VariantInit(result);
    auto arg = [&](UINT i) -> VARIANT& { return params->rgvarg[params->cArgs - 1 - i]; };
    SAFEARRAY* local = nullptr;
    SAFEARRAY** custom = CustomArg(params, expected - 1, local);
    switch (id) {
        case 1: {
            win::Variant app, mode, inst;
            IDispatch* appDispatch = nullptr;
            IDispatch* instDispatch = nullptr;
            if (!DispatchArg(arg(0), app, appDispatch)) {
                if (argErr) *argErr = params->cArgs - 1;
                return DISP_E_TYPEMISMATCH;
            }
            if (!ArgAs(arg(1), VT_I4, mode)) {
                if (argErr) *argErr = params->cArgs - 2;
                return DISP_E_TYPEMISMATCH;
            }
            if (!DispatchArg(arg(2), inst, instDispatch)) {
                if (argErr) *argErr = params->cArgs - 3;
                return DISP_E_TYPEMISMATCH;
            }
            return OnConnection(appDispatch, static_cast<ext_ConnectMode>(mode.Get().lVal), instDispatch, custom);
        }
        case 2: {
            win::Variant mode;
            if (!ArgAs(arg(0), VT_I4, mode)) {
                if (argErr) *argErr = params->cArgs - 1;
                return DISP_E_TYPEMISMATCH;
            }
            return OnDisconnection(static_cast<ext_DisconnectMode>(mode.Get().lVal), custom);
        }
        case 3: return OnAddInsUpdate(custom);
        case 4: return OnStartupComplete(custom);
        default: return OnBeginShutdown(custom);
    }
}

HRESULT ConnectObject::OnConnection(IDispatch* application, ext_ConnectMode mode, IDispatch* addInInst,
                                    SAFEARRAY** custom) {
    try {
        InstallWindowsPlatform();
        Array args = CustomArray(custom);
        connect_->OnConnection(ObjectOf(application), static_cast<std::int32_t>(mode), ObjectOf(addInInst), args);
    } catch (...) {
    }
    return S_OK;
}

HRESULT ConnectObject::OnDisconnection(ext_DisconnectMode mode, SAFEARRAY** custom) {
    try {
        Array args = CustomArray(custom);
        connect_->OnDisconnection(static_cast<std::int32_t>(mode), args);
    } catch (...) {
    }
    return S_OK;
}

HRESULT ConnectObject::OnAddInsUpdate(SAFEARRAY** custom) {
    try {
        Array args = CustomArray(custom);
        connect_->OnAddInsUpdate(args);
    } catch (...) {
    }
    return S_OK;
}

HRESULT ConnectObject::OnStartupComplete(SAFEARRAY** custom) {
    try {
        Array args = CustomArray(custom);
        connect_->OnStartupComplete(args);
    } catch (...) {
    }
    return S_OK;
}

HRESULT ConnectObject::OnBeginShutdown(SAFEARRAY** custom) {
    try {
        Array args = CustomArray(custom);
        connect_->OnBeginShutdown(args);
    } catch (...) {
    }
    return S_OK;
}

HRESULT ConnectObject::get_State(BSTR* state) {
    if (!state) return E_POINTER;
    *state = SysAllocString(StateName(connect_->State()));
    return *state ? S_OK : E_OUTOFMEMORY;
}

HRESULT ConnectObject::get_TrackedExplorers(LONG* count) {
    if (!count) return E_POINTER;
    *count = 0;
    try {
        if (auto explorers = connect_->Explorers()) *count = explorers->Count();
    } catch (...) {
    }
    return S_OK;
}

HRESULT ConnectObject::ShowQuickTask(IDispatch* mail, VARIANT_BOOL topmost) {
    try {
        brisko::ShowQuickTask(ObjectOf(mail), topmost != VARIANT_FALSE);
    } catch (...) {
    }
    return S_OK;
}

HRESULT ConnectObject::ShowQuickAppointment(IDispatch* mail, VARIANT_BOOL topmost) {
    try {
        brisko::ShowQuickAppointment(ObjectOf(mail), topmost != VARIANT_FALSE);
    } catch (...) {
    }
    return S_OK;
}

// Office calls a callback with DISPATCH_METHOD and one argument, the IRibbonUI or the
// IRibbonControl; a caller that passes DISPATCH_PROPERTYGET is served as well.
HRESULT ConnectObject::InvokeRibbonCallback(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                            UINT* argErr) {
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (result) VariantInit(result);
    win::Variant arg;
    IDispatch* object = nullptr;
    if (!DispatchArg(params->rgvarg[0], arg, object)) {
        if (argErr) *argErr = 0;
        return DISP_E_TYPEMISMATCH;
    }
    win::Variant answer;
    VARIANT& v = *answer.Ptr();
    HRESULT hr = S_OK;
    switch (id) {
        case kRibbonOnLoadId: return Ribbon_OnLoad(object);
        case kRibbonButtonActionId: return RibbonButton_Action(object);
        case kRibbonControlGetEnabledId:
            v.vt = VT_BOOL;
            hr = RibbonControl_GetEnabled(object, &v.boolVal);
            break;
        case kRibbonControlGetVisibleId:
            v.vt = VT_BOOL;
            hr = RibbonControl_GetVisible(object, &v.boolVal);
            break;
        case kRibbonControlGetLabelId:
            v.vt = VT_BSTR;
            v.bstrVal = nullptr;
            hr = RibbonControl_GetLabel(object, &v.bstrVal);
            break;
        case kRibbonButtonGetScreentipId:
            v.vt = VT_BSTR;
            v.bstrVal = nullptr;
            hr = RibbonButton_GetScreentip(object, &v.bstrVal);
            break;
        default:
            v.vt = VT_DISPATCH;
            v.pdispVal = nullptr;
            hr = RibbonButton_GetImage(object, &v.pdispVal);
            break;
    }
    if (SUCCEEDED(hr) && result) answer.DetachTo(result);
    return hr;
}

HRESULT ConnectObject::Ribbon_OnLoad(IDispatch* ribbon) {
    connect_->Ribbon_OnLoad(ObjectOf(ribbon));
    return S_OK;
}

HRESULT ConnectObject::RibbonButton_Action(IDispatch* control) {
    connect_->RibbonButton_Action(ObjectOf(control));
    return S_OK;
}

HRESULT ConnectObject::RibbonControl_GetEnabled(IDispatch* control, VARIANT_BOOL* enabled) {
    if (!enabled) return E_POINTER;
    *enabled = connect_->RibbonControl_GetEnabled(ObjectOf(control)) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT ConnectObject::RibbonControl_GetVisible(IDispatch* control, VARIANT_BOOL* visible) {
    if (!visible) return E_POINTER;
    *visible = connect_->RibbonControl_GetVisible(ObjectOf(control)) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT ConnectObject::RibbonControl_GetLabel(IDispatch* control, BSTR* label) {
    if (!label) return E_POINTER;
    *label = ToBstr(connect_->RibbonControl_GetLabel(ObjectOf(control)));
    return *label ? S_OK : E_OUTOFMEMORY;
}

HRESULT ConnectObject::RibbonButton_GetScreentip(IDispatch* control, BSTR* screentip) {
    if (!screentip) return E_POINTER;
    *screentip = ToBstr(connect_->RibbonButton_GetScreentip(ObjectOf(control)));
    return *screentip ? S_OK : E_OUTOFMEMORY;
}

HRESULT ConnectObject::RibbonButton_GetImage(IDispatch* control, IDispatch** image) {
    if (!image) return E_POINTER;
    *image = PictureDispatch(connect_->RibbonButton_GetImage(ObjectOf(control)));
    return S_OK;
}

// --- IRibbonExtensibility ----------------------------------------------------------------------

HRESULT ConnectObject::RibbonExtensibility::QueryInterface(REFIID riid, void** ppv) {
    return owner_.QueryInterface(riid, ppv);
}

ULONG ConnectObject::RibbonExtensibility::AddRef() { return owner_.AddRef(); }

ULONG ConnectObject::RibbonExtensibility::Release() { return owner_.Release(); }

HRESULT ConnectObject::RibbonExtensibility::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT ConnectObject::RibbonExtensibility::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return TypeInfoOf(IID_IRibbonExtensibility, info);
}

HRESULT ConnectObject::RibbonExtensibility::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (names[0] && EqualsNoCase(L"GetCustomUI", names[0])) ids[0] = kGetCustomUIId;
    return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT ConnectObject::RibbonExtensibility::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                                   VARIANT* result, EXCEPINFO*, UINT* argErr) {
    if (!params) return E_POINTER;
    if (id != kGetCustomUIId || !(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (result) VariantInit(result);
    win::Variant ribbonId;
    if (!ArgAs(params->rgvarg[0], VT_BSTR, ribbonId)) {
        if (argErr) *argErr = 0;
        return DISP_E_TYPEMISMATCH;
    }
    BSTR xml = nullptr;
    const HRESULT hr = GetCustomUI(ribbonId.Get().bstrVal, &xml);
    if (FAILED(hr)) return hr;
    if (result) {
        result->vt = VT_BSTR;
        result->bstrVal = xml;
    } else {
        SysFreeString(xml);
    }
    return S_OK;
}

HRESULT ConnectObject::RibbonExtensibility::GetCustomUI(BSTR ribbonId, BSTR* xml) {
    if (!xml) return E_POINTER;
    *xml = nullptr;
    std::wstring id;
    try {
        if (ribbonId) id.assign(ribbonId, SysStringLen(ribbonId));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    *xml = ToBstr(owner_.connect_->GetCustomUI(id));
    return *xml ? S_OK : E_OUTOFMEMORY;
}

}  // namespace brisko::com
