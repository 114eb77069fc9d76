// The ribbon through COM under Wine: Brisko.dll as IRibbonExtensibility (vtable and IDispatch) with
// its callbacks by name, the simulated Outlook's ribbon objects exposed with the host's
// identifiers, and outlook-sim's ribbon endpoint (com_ribbon) that reaches an add-in as Office does.
#include <windows.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/text.h"
#include "automation/win/com_ptr.h"
#include "automation/win/dispatch_object.h"
#include "automation/win/event_table.h"
#include "automation/win/object_dispatch.h"
#include "brisko_idl.h"
#include "tools/outlook-sim/com_ribbon.h"
#include "tools/outlook-sim/sim_exposure.h"

namespace {

using brisko::Args;
using brisko::CallKind;
using brisko::Object;
using brisko::ObjectPtr;
using brisko::Value;
using brisko::win::ComPtr;

constexpr GUID kIRibbonUI = {0x000C03A7, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIRibbonControl = {0x000C0395, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The seven callbacks and their DISPIDs in the type library.
const std::pair<const wchar_t*, DISPID> kCallbacks[] = {
    {L"Ribbon_OnLoad", 0x60030004},           {L"RibbonButton_Action", 0x60030005},
    {L"RibbonControl_GetEnabled", 0x60030006}, {L"RibbonControl_GetVisible", 0x60030007},
    {L"RibbonControl_GetLabel", 0x60030008},   {L"RibbonButton_GetScreentip", 0x60030009},
    {L"RibbonButton_GetImage", 0x6003000A}};

std::wstring DllPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path);
    return s.substr(0, s.find_last_of(L"\\/")) + L"\\none\\Brisko.dll";
}

// Brisko.dll by path, its Connect made by its class factory.
struct Addin {
    Addin() : module(LoadLibraryW(DllPath().c_str())) {
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        auto get = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
        ComPtr<IClassFactory> factory;
        if (get && SUCCEEDED(get(CLSID_Connect, IID_IClassFactory, factory.PutVoid()))) {
            factory->CreateInstance(nullptr, IID_IUnknown, unknown.PutVoid());
        }
    }
    ~Addin() {
        unknown = nullptr;
        if (module) FreeLibrary(module);
    }
    Addin(const Addin&) = delete;
    Addin& operator=(const Addin&) = delete;
    HMODULE module;
    ComPtr<IUnknown> unknown;
};

// The simulated host's IRibbonUI or IRibbonControl, recording the calls it gets.
class RibbonObject final : public Object {
public:
    RibbonObject(std::wstring type, std::wstring id) : type_(std::move(type)), id_(std::move(id)) {}
    Value Invoke(std::wstring_view name, CallKind, Args& args) override {
        calls.push_back(std::wstring(name) + (args.empty() ? L"" : L" " + args[0].AsString()));
        if (brisko::EqualsNoCase(name, L"Id")) return Value(id_);
        if (brisko::EqualsNoCase(name, L"Context")) return Value(ObjectPtr{});
        if (brisko::EqualsNoCase(name, L"Tag")) return Value(L"tag of " + id_);
        return Value();
    }
    std::wstring TypeName() const override { return type_; }
    std::vector<std::wstring> calls;

private:
    std::wstring type_;
    std::wstring id_;
};

class ComRibbon : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }
    brisko::tools::SimExposure exposure;
};

DISPID IdOf(IDispatch* dispatch, const wchar_t* name, HRESULT* hr = nullptr) {
    LPOLESTR n = const_cast<LPOLESTR>(name);
    DISPID id = 0;
    const HRESULT r = dispatch->GetIDsOfNames(IID_NULL, &n, 1, 0, &id);
    if (hr) *hr = r;
    return id;
}

TEST_F(ComRibbon, ConnectAnswersIRibbonExtensibilityThroughItsVtableAndItsOwnDispatch) {
    Addin addin;
    ASSERT_TRUE(addin.unknown);
    auto ribbon = addin.unknown.As<IRibbonExtensibility>(IID_IRibbonExtensibility);
    ASSERT_TRUE(ribbon);
    // One object: the interface's IUnknown is the add-in's.
    EXPECT_EQ(ribbon.As<IUnknown>(IID_IUnknown).Get(), addin.unknown.Get());
    EXPECT_TRUE(ribbon.As<IDTExtensibility2>(IID_IDTExtensibility2));

    BSTR xml = reinterpret_cast<BSTR>(1);
    brisko::win::Bstr compose(L"Microsoft.Outlook.Mail.Compose");
    ASSERT_EQ(ribbon->GetCustomUI(compose.Get(), &xml), S_OK);
    EXPECT_NE(xml, nullptr);
    EXPECT_EQ(SysStringLen(xml), 0u) << "no customisation of the compose window";
    SysFreeString(xml);
    EXPECT_EQ(ribbon->GetCustomUI(nullptr, &xml), S_OK);
    SysFreeString(xml);
    EXPECT_EQ(ribbon->GetCustomUI(compose.Get(), nullptr), E_POINTER);

    // Its IDispatch is the interface's own: GetCustomUI is DISPID 1 there, a BSTR comes back.
    EXPECT_EQ(IdOf(ribbon.Get(), L"getcustomui"), 1);
    HRESULT hr = S_OK;
    IdOf(ribbon.Get(), L"OnConnection", &hr);
    EXPECT_EQ(hr, DISP_E_UNKNOWNNAME);
    VARIANT arg;
    arg.vt = VT_BSTR;
    arg.bstrVal = compose.Get();
    DISPPARAMS params{&arg, nullptr, 1, 0};
    brisko::win::Variant result;
    ASSERT_EQ(ribbon->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, result.Ptr(), nullptr, nullptr), S_OK);
    EXPECT_EQ(result.Get().vt, VT_BSTR);
    DISPPARAMS none{};
    EXPECT_EQ(ribbon->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(ribbon->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);

    // The type library describes it as Office does: dual, GetCustomUI at DISPID 1, the first
    // slot after IDispatch's.
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(ribbon->GetTypeInfo(0, 0, info.Put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, IID_IRibbonExtensibility));
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attr);
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> vtbl;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref))) info->GetRefTypeInfo(ref, vtbl.Put());
    ITypeInfo* funcs = vtbl ? vtbl.Get() : info.Get();
    FUNCDESC* f = nullptr;
    ASSERT_EQ(funcs->GetFuncDesc(0, &f), S_OK);
    EXPECT_EQ(f->memid, 1);
    EXPECT_EQ(f->oVft / static_cast<int>(sizeof(void*)), 7);
    funcs->ReleaseFuncDesc(f);
}

TEST_F(ComRibbon, TheAddinsDispatchAnswersTheCallbacksByTheTypeLibrarysDispids) {
    Addin addin;
    auto dispatch = addin.unknown.As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(dispatch);
    auto connect = addin.unknown.As<_Connect>(IID__Connect);
    ASSERT_TRUE(connect);
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, lib.Put()), S_OK);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(IID__Connect, info.Put()), S_OK);
    for (const auto& [name, expected] : kCallbacks) {
        EXPECT_EQ(IdOf(dispatch.Get(), name), expected) << brisko::ToUtf8(name);
        LPOLESTR n = const_cast<LPOLESTR>(name);
        MEMBERID described = 0;
        EXPECT_EQ(info->GetIDsOfNames(&n, 1, &described), S_OK) << brisko::ToUtf8(name);
        EXPECT_EQ(described, expected) << brisko::ToUtf8(name);
    }
    // Names are case-blind; unknown ones and GetCustomUI (IRibbonExtensibility's) are not there.
    EXPECT_EQ(IdOf(dispatch.Get(), L"ribbonbutton_getimage"), 0x6003000A);
    for (const wchar_t* unknown : {L"RibbonButton_GetLabel", L"GetCustomUI", L""}) {
        HRESULT hr = S_OK;
        IdOf(dispatch.Get(), unknown, &hr);
        EXPECT_EQ(hr, DISP_E_UNKNOWNNAME) << brisko::ToUtf8(unknown);
    }

    // Office's call: DISPATCH_METHOD, one VT_DISPATCH argument; answers typed as declared.
    auto control = std::make_shared<RibbonObject>(L"IRibbonControl", L"grpMoreE");
    const ComPtr<IDispatch> exposed = brisko::win::ExposeObject(control);
    auto call = [&](DISPID id, VARIANT& arg, brisko::win::Variant& result) {
        DISPPARAMS params{&arg, nullptr, 1, 0};
        result.Clear();
        return dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result.Ptr(), nullptr, nullptr);
    };
    VARIANT arg;
    arg.vt = VT_DISPATCH;
    arg.pdispVal = exposed.Get();
    brisko::win::Variant result;
    const std::pair<DISPID, VARTYPE> typed[] = {{0x60030005, VT_EMPTY}, {0x60030006, VT_BOOL}, {0x60030007, VT_BOOL},
                                                {0x60030008, VT_BSTR},  {0x60030009, VT_BSTR}, {0x6003000A, VT_DISPATCH}};
    for (const auto& [id, type] : typed) {
        ASSERT_EQ(call(id, arg, result), S_OK) << std::hex << id;
        EXPECT_EQ(result.Get().vt, type) << std::hex << id;
    }
    // No picture: Nothing, as a function typed IPictureDisp answers.
    ASSERT_EQ(call(0x6003000A, arg, result), S_OK);
    EXPECT_EQ(result.Get().pdispVal, nullptr);
    // Through the vtable the same answers.
    VARIANT_BOOL enabled = VARIANT_FALSE;
    EXPECT_EQ(connect->RibbonControl_GetEnabled(exposed.Get(), &enabled), S_OK);
    ASSERT_EQ(call(0x60030006, arg, result), S_OK);
    EXPECT_EQ(enabled, result.Get().boolVal);
    EXPECT_EQ(connect->RibbonControl_GetEnabled(exposed.Get(), nullptr), E_POINTER);

    // Bad calls fail without reaching the add-in's code.
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = const_cast<BSTR>(L"");  // not read: a BSTR cannot become an object
    UINT argErr = 99;
    DISPPARAMS one{&text, nullptr, 1, 0};
    EXPECT_EQ(dispatch->Invoke(0x60030006, IID_NULL, 0, DISPATCH_METHOD, &one, nullptr, nullptr, &argErr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    DISPPARAMS none{};
    EXPECT_EQ(dispatch->Invoke(0x60030006, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
    DISPPARAMS put{&arg, nullptr, 1, 0};
    EXPECT_EQ(dispatch->Invoke(0x60030006, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    // An empty control is no object; the add-in copes (S_OK).
    VARIANT empty;
    VariantInit(&empty);
    EXPECT_EQ(call(0x60030008, empty, result), S_OK);
    EXPECT_EQ(result.Get().vt, VT_BSTR);
}

TEST_F(ComRibbon, TheHostsRibbonObjectsAndEventSourcesAreExposedWithTheHostsIdentifiers) {
    auto control = std::make_shared<RibbonObject>(L"IRibbonControl", L"btnQuickTaskE");
    const ComPtr<IDispatch> exposed = brisko::win::ExposeObject(control);
    auto asControl = exposed.As<IDispatch>(kIRibbonControl);
    ASSERT_TRUE(asControl);
    EXPECT_EQ(asControl.Get(), exposed.Get());
    EXPECT_FALSE(exposed.As<IDispatch>(kIRibbonUI));
    EXPECT_EQ(IdOf(exposed.Get(), L"Id"), 1);
    EXPECT_EQ(IdOf(exposed.Get(), L"context"), 2);
    EXPECT_EQ(IdOf(exposed.Get(), L"Tag"), 3);
    DISPPARAMS none{};
    brisko::win::Variant result;
    ASSERT_EQ(exposed->Invoke(3, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result.Ptr(), nullptr, nullptr), S_OK);
    ASSERT_EQ(result.Get().vt, VT_BSTR);
    EXPECT_STREQ(result.Get().bstrVal, L"tag of btnQuickTaskE");

    auto ribbon = std::make_shared<RibbonObject>(L"IRibbonUI", L"");
    const ComPtr<IDispatch> ui = brisko::win::ExposeObject(ribbon);
    EXPECT_TRUE(ui.As<IDispatch>(kIRibbonUI));
    EXPECT_FALSE(ui.As<IDispatch>(kIRibbonControl));
    VARIANT id;
    id.vt = VT_BSTR;
    brisko::win::Bstr text(L"btnFolderE");
    id.bstrVal = text.Get();
    DISPPARAMS one{&id, nullptr, 1, 0};
    EXPECT_EQ(ui->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &one, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(ui->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(ribbon->calls, (std::vector<std::wstring>{L"InvalidateControl btnFolderE", L"Invalidate"}));

    // The event sources by type name, each with its default source interface.
    const std::pair<const wchar_t*, GUID> sources[] = {{L"Application", brisko::win::kApplicationEvents11},
                                                       {L"CommandBars", brisko::win::kCommandBarsEvents},
                                                       {L"CommandBarButton", brisko::win::kCommandBarButtonEvents}};
    for (const auto& [type, iid] : sources) {
        auto object = std::make_shared<RibbonObject>(type, L"");
        const ComPtr<IDispatch> d = brisko::win::ExposeObject(object);
        auto info = d.As<IProvideClassInfo2>(IID_IProvideClassInfo2);
        ASSERT_TRUE(info) << brisko::ToUtf8(type);
        GUID source{};
        EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
        EXPECT_TRUE(IsEqualGUID(source, iid)) << brisko::ToUtf8(type);
    }
}

brisko::RuntimeError ErrorOf(auto&& f) {
    try {
        f();
    } catch (const brisko::RuntimeError& e) {
        return e;
    }
    return brisko::RuntimeError(0, L"none");
}

TEST_F(ComRibbon, TheEndpointReachesBriskoAsOfficeDoes) {
    auto ribbon = std::make_shared<RibbonObject>(L"IRibbonUI", L"");
    std::weak_ptr<Object> held = ribbon;
    {
        Addin addin;
        ASSERT_TRUE(addin.unknown);
        ObjectPtr endpoint = brisko::tools::MakeComRibbonEndpoint(addin.unknown.Get());
        ASSERT_TRUE(endpoint);
        const Value markup = endpoint->Call(L"GetCustomUI", {L"Microsoft.Outlook.Mail.Compose"});
        EXPECT_EQ(markup, Value(L""));

        // onLoad: Connect keeps the ribbon it was given.
        EXPECT_TRUE(endpoint->Call(L"Ribbon_OnLoad", {ribbon}).IsEmpty());
        ribbon.reset();
        EXPECT_FALSE(held.expired()) << "the add-in holds the IRibbonUI";

        auto control = std::make_shared<RibbonObject>(L"IRibbonControl", L"grpMoreE");
        EXPECT_TRUE(endpoint->Call(L"RibbonButton_Action", {control}).IsEmpty());
        EXPECT_EQ(endpoint->Call(L"RibbonControl_GetEnabled", {control}).type(), brisko::VarType::Boolean);
        EXPECT_EQ(endpoint->Call(L"ribboncontrol_getvisible", {control}).type(), brisko::VarType::Boolean);
        EXPECT_EQ(endpoint->Call(L"RibbonControl_GetLabel", {control}).type(), brisko::VarType::String);
        EXPECT_EQ(endpoint->Call(L"RibbonButton_GetScreentip", {control}).type(), brisko::VarType::String);
        EXPECT_TRUE(endpoint->Call(L"RibbonButton_GetImage", {control}).IsNothing());

        const auto unknown = ErrorOf([&] { endpoint->Call(L"RibbonButton_GetLabel", {control}); });
        EXPECT_EQ(unknown.number(), brisko::err::NotSupported);
        EXPECT_EQ(ErrorOf([&] { endpoint->Call(L"GetCustomUI"); }).number(), brisko::err::WrongArguments);
        EXPECT_EQ(ErrorOf([&] { endpoint->Call(L"RibbonControl_GetLabel"); }).number(), brisko::err::WrongArguments);
    }
    // The add-in released, the ribbon it held goes too.
    EXPECT_TRUE(held.expired());
}

// A stand-in add-in without IRibbonExtensibility whose getImage answers a picture.
class PictureAddin final : public Object {
public:
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (!brisko::EqualsNoCase(name, L"RibbonButton_GetImage")) return Object::Invoke(name, kind, args);
        controls.push_back(args.at(0).AsObject());
        PICTDESC desc{};
        desc.cbSizeofstruct = sizeof desc;
        desc.picType = PICTYPE_ICON;
        desc.icon.hicon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
        ComPtr<IDispatch> picture;
        if (FAILED(OleCreatePictureIndirect(&desc, IID_IPictureDisp, FALSE, picture.PutVoid()))) {
            brisko::Raise(brisko::err::CantCreateObject);
        }
        return Value(brisko::win::DispatchObject::Wrap(picture.Get()));
    }
    std::vector<ObjectPtr> controls;
};

TEST_F(ComRibbon, TheEndpointGivesAPictureBackAsAnIPictureDispObject) {
    auto addin = std::make_shared<PictureAddin>();
    const ComPtr<IDispatch> exposed = brisko::win::ExposeObject(addin, {});
    ObjectPtr endpoint = brisko::tools::MakeComRibbonEndpoint(exposed.Get());
    auto control = std::make_shared<RibbonObject>(L"IRibbonControl", L"btnQuickTaskE");
    const ObjectPtr picture = endpoint->Call(L"RibbonButton_GetImage", {control}).AsObject();
    ASSERT_TRUE(picture);
    auto* wrapped = dynamic_cast<brisko::win::DispatchObject*>(picture.get());
    ASSERT_NE(wrapped, nullptr);
    ComPtr<IPictureDisp> disp;
    EXPECT_EQ(wrapped->Dispatch()->QueryInterface(IID_IPictureDisp, disp.PutVoid()), S_OK);
    EXPECT_EQ(picture->Get(L"Type"), Value(PICTYPE_ICON));
    // The control reached the add-in as the object it is.
    ASSERT_EQ(addin->controls.size(), 1u);
    EXPECT_EQ(addin->controls[0], control);
    // No IRibbonExtensibility: GetCustomUI cannot be asked.
    EXPECT_EQ(ErrorOf([&] { endpoint->Call(L"GetCustomUI", {L"Microsoft.Outlook.Explorer"}); }).number(),
              brisko::err::NotSupported);
    EXPECT_EQ(brisko::tools::MakeComRibbonEndpoint(nullptr), nullptr);
}

}  // namespace
