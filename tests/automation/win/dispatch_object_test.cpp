// DispatchObject against a hand-written IDispatch: what it passes, and how failures map.
#include <cstring>
#include <string>

#include "automation/win/dispatch_object.h"
#include "automation/win/error_mapping.h"
#include "automation/win/variant.h"
#include "test_support.h"

namespace brisko::win::test {
namespace {

constexpr DISPID kValue = 10;
constexpr DISPID kFails = 11;

// A second IDispatch of the same COM object: its IUnknown is the owner's.
class Facet final : public IDispatch {
public:
    explicit Facet(IDispatch* owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return owner_->QueryInterface(riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return owner_->GetTypeInfoCount(n); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
        return owner_->GetTypeInfo(i, l, t);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
        return owner_->GetIDsOfNames(r, n, c, l, d);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID i, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                                     UINT* a) override {
        return owner_->Invoke(i, r, l, f, p, v, e, a);
    }

private:
    IDispatch* owner_;
};

HRESULT WINAPI FillLater(EXCEPINFO* x) {
    x->bstrDescription = SysAllocString(L"filled late");
    x->bstrSource = SysAllocString(L"Later");
    return S_OK;
}

class DispatchObjectTest : public ComTest {
protected:
    void SetUp() override {
        raw = new ScriptedDispatch;
        object = DispatchObject::Wrap(raw);
    }
    void TearDown() override {
        object.reset();
        EXPECT_EQ(raw->Refs(), 1u) << "the wrapper keeps no reference once gone";
        raw->Release();
        ComTest::TearDown();
    }
    // A member that fails with `hr`, filling the EXCEPINFO with `fill`.
    void Failing(HRESULT hr, std::function<void(EXCEPINFO&)> fill = {}) {
        raw->Add(L"Fails", kFails, [hr, fill](WORD, DISPPARAMS*, VARIANT*, EXCEPINFO* e) {
            if (fill && e) fill(*e);
            return hr;
        });
    }
    RuntimeError CallFailing() {
        return ErrorOf([&] { object->Call(L"Fails"); });
    }

    ScriptedDispatch* raw = nullptr;
    std::shared_ptr<DispatchObject> object;
};

TEST_F(DispatchObjectTest, EachCallKindUsesItsDispatchFlags) {
    Value stored = 1;
    raw->Add(L"Value", kValue, [&](WORD flags, DISPPARAMS* p, VARIANT* result, EXCEPINFO*) {
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            stored = FromVariant(p->rgvarg[0]);
        } else if (result) {
            ToVariant(stored).DetachTo(result);
        }
        return S_OK;
    });
    EXPECT_EQ(object->Get(L"Value"), Value(1));
    EXPECT_EQ(raw->lastFlags, DISPATCH_PROPERTYGET | DISPATCH_METHOD);

    object->Put(L"Value", L"two");
    EXPECT_EQ(raw->lastFlags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(raw->lastNamed, std::vector<DISPID>{DISPID_PROPERTYPUT});
    EXPECT_EQ(raw->lastTypes, std::vector<VARTYPE>{VT_BSTR});  // the assigned value goes by value
    EXPECT_EQ(stored, Value(L"two"));

    object->PutRef(L"Value", nullptr);
    EXPECT_EQ(raw->lastFlags, DISPATCH_PROPERTYPUTREF);
    EXPECT_TRUE(stored.IsNothing());

    object->Call(L"Value");
    EXPECT_EQ(raw->lastFlags, DISPATCH_METHOD);
    EXPECT_TRUE(raw->lastNamed.empty());
}

TEST_F(DispatchObjectTest, ArgumentsArriveReversedAndByReference) {
    std::vector<Value> seen;
    raw->Add(L"Three", 3, [&](WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*) {
        for (UINT i = 0; i < p->cArgs; ++i) seen.push_back(FromVariant(p->rgvarg[i]));
        return S_OK;
    });
    object->Call(L"Three", {1, L"b", true});
    EXPECT_EQ(seen, (std::vector<Value>{true, L"b", 1}));
    EXPECT_EQ(raw->lastTypes, std::vector<VARTYPE>(3, VT_VARIANT | VT_BYREF));

    // An indexed put: the index by reference, the value named and by value, in rgvarg[0].
    raw->Add(L"Item", 4, [](WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*) { return S_OK; });
    Args indexed{7, L"x"};
    object->Invoke(L"Item", CallKind::Put, indexed);
    EXPECT_EQ(raw->lastTypes, (std::vector<VARTYPE>{VT_BSTR, VT_VARIANT | VT_BYREF}));
}

TEST_F(DispatchObjectTest, WhatTheCalleeWritesComesBackIntoArgs) {
    raw->Add(L"Fill", 5, [](WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*) {
        // rgvarg[1] is the first argument.
        WriteByRef(p->rgvarg[1], L"written");
        return S_OK;
    });
    auto other = std::make_shared<Widget>();
    Args args{0, other};
    object->Invoke(L"Fill", CallKind::Method, args);
    EXPECT_EQ(args[0], Value(L"written"));
    EXPECT_EQ(args[1].AsObject(), other);  // untouched: the same object, not a new wrapper
}

TEST_F(DispatchObjectTest, WritesBeforeAFailureStillComeBack) {
    raw->Add(L"Half", 6, [](WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO* e) {
        WriteByRef(p->rgvarg[0], 42);
        return ReportError(RuntimeError(5, L"after writing"), e);
    });
    Args args{0};
    const auto e = ErrorOf([&] { object->Invoke(L"Half", CallKind::Method, args); });
    EXPECT_EQ(e.number(), 5);
    EXPECT_EQ(args[0], Value(42));
}

TEST_F(DispatchObjectTest, NamesAreLookedUpOncePerObjectWithoutRegardToCase) {
    raw->Add(L"Value", kValue, [](WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*) { return S_OK; });
    object->Get(L"Value");
    object->Get(L"VALUE");
    object->Call(L"value");
    EXPECT_EQ(raw->getIdsCalls, 1);
    EXPECT_EQ(object->IdOf(L"vAlUe"), kValue);
    EXPECT_EQ(raw->lastId, kValue);
}

TEST_F(DispatchObjectTest, ObjectResultsAndNothing) {
    auto* child = new ScriptedDispatch;
    raw->Add(L"Child", 7, [&](WORD, DISPPARAMS*, VARIANT* r, EXCEPINFO*) {
        r->vt = VT_DISPATCH;
        r->pdispVal = child;
        child->AddRef();
        return S_OK;
    });
    raw->Add(L"None", 8, [](WORD, DISPPARAMS*, VARIANT* r, EXCEPINFO*) {
        r->vt = VT_DISPATCH;
        r->pdispVal = nullptr;
        return S_OK;
    });
    {
        const ObjectPtr c = object->Get(L"Child").AsObject();
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(dynamic_cast<DispatchObject&>(*c).Dispatch(), child);
        EXPECT_EQ(object->Get(L"Child").AsObject(), c);
        EXPECT_TRUE(object->Get(L"None").IsNothing());
    }
    EXPECT_EQ(child->Refs(), 1u);
    child->Release();
}

TEST_F(DispatchObjectTest, PutWithoutAValueIsWrongArguments) {
    Args none;
    EXPECT_EQ(ErrorOf([&] { object->Invoke(L"X", CallKind::Put, none); }).number(), err::WrongArguments);
}

TEST_F(DispatchObjectTest, TypeNameWithoutTypeInformation) { EXPECT_EQ(object->TypeName(), L"Object"); }

TEST_F(DispatchObjectTest, IdentityAcrossInterfacesOfOneObject) {
    Facet facet(raw);
    auto viaFacet = DispatchObject::Wrap(&facet);
    auto* otherRaw = new ScriptedDispatch;
    auto other = DispatchObject::Wrap(otherRaw);
    otherRaw->Release();
    EXPECT_NE(ObjectPtr(viaFacet), ObjectPtr(object));  // two wrappers...
    EXPECT_TRUE(SameObject(viaFacet, object));          // ...of one object
    EXPECT_FALSE(SameObject(other, object));
    EXPECT_TRUE(SameObject(object, object));
    EXPECT_TRUE(SameObject(nullptr, nullptr));
    EXPECT_FALSE(SameObject(object, nullptr));
    auto widget = std::make_shared<Widget>();
    EXPECT_FALSE(SameObject(widget, object));
}

class ErrorMapping : public DispatchObjectTest {};

TEST_F(ErrorMapping, DispatchFailuresBecomeRunTimeErrors) {
    EXPECT_EQ(ErrorOf([&] { object->Get(L"NoSuchMember"); }).number(), err::NotSupported);
    EXPECT_EQ(StandardDescription(438), ErrorOf([&] { object->Get(L"NoSuchMember"); }).description());
    const std::pair<HRESULT, std::int32_t> cases[] = {
        {DISP_E_MEMBERNOTFOUND, 438}, {DISP_E_TYPEMISMATCH, 13},  {DISP_E_BADPARAMCOUNT, 450},
        {DISP_E_PARAMNOTOPTIONAL, 449}, {DISP_E_OVERFLOW, 6},     {E_OUTOFMEMORY, 7},
        {static_cast<HRESULT>(0x800A01A8), 424},
    };
    for (const auto& [hr, number] : cases) {
        Failing(hr);
        const auto e = CallFailing();
        EXPECT_EQ(e.number(), number) << std::hex << hr;
        EXPECT_FALSE(e.description().empty());
    }
}

TEST_F(ErrorMapping, OtherHResultsAreNegativeNumbersWithTheSystemText) {
    Failing(E_FAIL);
    const auto e = CallFailing();
    EXPECT_EQ(e.number(), -2147467259);
    EXPECT_EQ(e.description(), SystemMessage(E_FAIL).empty() ? L"Automation error" : SystemMessage(E_FAIL));
    EXPECT_FALSE(e.description().empty());

    Failing(static_cast<HRESULT>(0x8004010F));  // MAPI_E_NOT_FOUND: no system text
    const auto notFound = CallFailing();
    EXPECT_EQ(notFound.number(), -2147221233);
    EXPECT_FALSE(notFound.description().empty());
}

TEST_F(ErrorMapping, ExcepInfoGivesNumberDescriptionAndSource) {
    Failing(DISP_E_EXCEPTION, [](EXCEPINFO& e) {
        e.wCode = 1004;
        e.bstrDescription = SysAllocString(L"Application-defined");
        e.bstrSource = SysAllocString(L"Host");
    });
    auto e = CallFailing();
    EXPECT_EQ(e.number(), 1004);
    EXPECT_EQ(e.description(), L"Application-defined");
    EXPECT_EQ(e.source(), L"Host");

    Failing(DISP_E_EXCEPTION, [](EXCEPINFO& x) { x.scode = static_cast<SCODE>(0x800A0009); });
    e = CallFailing();
    EXPECT_EQ(e.number(), 9);
    EXPECT_EQ(e.description(), StandardDescription(9));  // none given: the number's own

    Failing(DISP_E_EXCEPTION, [](EXCEPINFO& x) {
        x.scode = static_cast<SCODE>(0x8004010F);
        x.bstrDescription = SysAllocString(L"The operation failed.");
    });
    e = CallFailing();
    EXPECT_EQ(e.number(), -2147221233);
    EXPECT_EQ(e.description(), L"The operation failed.");

    Failing(DISP_E_EXCEPTION, [](EXCEPINFO&) {});  // neither wCode nor scode
    EXPECT_EQ(CallFailing().number(), static_cast<std::int32_t>(DISP_E_EXCEPTION));
}

TEST_F(ErrorMapping, DeferredFillInIsCalled) {
    Failing(DISP_E_EXCEPTION, [](EXCEPINFO& e) {
        e.wCode = 77;
        e.pfnDeferredFillIn = &FillLater;
    });
    const auto e = CallFailing();
    EXPECT_EQ(e.number(), 77);
    EXPECT_EQ(e.description(), L"filled late");
    EXPECT_EQ(e.source(), L"Later");
}

TEST(ErrorNumbers, CarriedAsHResults) {
    EXPECT_EQ(HResultFromErrorNumber(438), static_cast<HRESULT>(0x800A01B6));
    EXPECT_EQ(HResultFromErrorNumber(-2147221233), static_cast<HRESULT>(0x8004010F));
    EXPECT_EQ(HResultFromErrorNumber(0), static_cast<HRESULT>(0x800A0005));      // never a success
    EXPECT_EQ(HResultFromErrorNumber(70000), static_cast<HRESULT>(0x800A0005));  // no HRESULT for it
    EXCEPINFO info;
    std::memset(&info, 0xCD, sizeof info);  // whatever the caller left there is overwritten
    EXPECT_EQ(ReportError(RuntimeError(1004, L"d", L"s"), &info), DISP_E_EXCEPTION);
    EXPECT_EQ(info.wCode, 0);
    EXPECT_EQ(info.scode, static_cast<SCODE>(0x800A03EC));
    EXPECT_EQ(BstrView(info.bstrDescription), L"d");
    EXPECT_EQ(BstrView(info.bstrSource), L"s");
    EXPECT_EQ(info.pfnDeferredFillIn, nullptr);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    EXPECT_EQ(ReportError(RuntimeError(13), nullptr), static_cast<HRESULT>(0x800A000D));
}

}  // namespace
}  // namespace brisko::win::test
