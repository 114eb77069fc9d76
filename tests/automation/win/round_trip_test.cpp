// A brisko object exposed through ObjectDispatch and reached back through DispatchObject:
// every call crosses real IDispatch calls, and behaves as a call on the original.
#include <objbase.h>
#include <ocidl.h>

#include <string>

#include "automation/win/dispatch_object.h"
#include "automation/win/error_mapping.h"
#include "automation/win/object_dispatch.h"
#include "automation/win/variant.h"
#include "test_support.h"

namespace brisko::win::test {
namespace {

class RoundTrip : public ComTest {
protected:
    void SetUp() override {
        widget = std::make_shared<Widget>();
        exposed = ExposeObject(widget, options);
        // Wrap the IDispatch itself: a conversion would hand back the original object.
        remote = DispatchObject::Wrap(exposed.Get());
    }
    void TearDown() override {
        remote.reset();
        exposed.Reset();
        EXPECT_EQ(widget.use_count(), 1) << "a reference to the object leaked";
        widget.reset();
        ComTest::TearDown();
    }

    DispatchOptions options;
    std::shared_ptr<Widget> widget;
    ComPtr<IDispatch> exposed;
    std::shared_ptr<DispatchObject> remote;
};

TEST_F(RoundTrip, PropertiesAndMethods) {
    EXPECT_EQ(remote->Get(L"Name"), Value(L"widget"));
    remote->Put(L"name", L"renamed");
    EXPECT_EQ(widget->name, L"renamed");
    remote->Put(L"Count", L"5");  // converted by the object, as the original would
    EXPECT_EQ(remote->Get(L"COUNT"), Value(5));
    EXPECT_EQ(remote->Call(L"Add", {2, 3}), Value(5));
    EXPECT_EQ(remote->Get(L"Item", {3}), Value(L"item 3"));
    EXPECT_EQ(remote->Call(L"Echo", {Array{1, Array{L"x"}, Null, Date{1.5}}}),
              Value(Array{1, Array{L"x"}, Null, Date{1.5}}));
    Args indexed{1, L"x"};
    remote->Invoke(L"Item", CallKind::Put, indexed);
    EXPECT_EQ(widget->stored, Value(Array{1, L"x"}));
    // A DISPID has no case: the object sees a name as it was first spelled.
    EXPECT_EQ(widget->calls, (std::vector<std::wstring>{L"Get Name", L"Put Name", L"Put Count", L"Get Count",
                                                          L"Method Add", L"Get Item", L"Method Echo", L"Put Item"}));
}

TEST_F(RoundTrip, ObjectsKeepTheirIdentity) {
    auto other = std::make_shared<Widget>();
    remote->PutRef(L"Parent", other);
    EXPECT_EQ(widget->parent, other);  // the original object, not a wrapper of a wrapper
    EXPECT_EQ(widget->calls.back(), L"PutRef Parent");
    EXPECT_EQ(remote->Get(L"Parent").AsObject(), other);
    EXPECT_EQ(remote->Get(L"Self").AsObject(), widget);
    EXPECT_TRUE(SameObject(remote, widget));
    EXPECT_FALSE(SameObject(remote, other));
    EXPECT_EQ(remote->TypeName(), L"Widget");
    widget->parent.reset();
    EXPECT_EQ(other.use_count(), 1);
}

TEST_F(RoundTrip, ByReferenceArguments) {
    Args one{21};
    remote->Invoke(L"Twice", CallKind::Method, one);
    EXPECT_EQ(one[0], Value(42));
    Args two{L"a", 2};
    remote->Invoke(L"Swap", CallKind::Method, two);
    EXPECT_EQ(two, (Args{2, L"a"}));
}

TEST_F(RoundTrip, ErrorsKeepNumberDescriptionAndSource) {
    auto e = ErrorOf([&] { remote->Call(L"Fail", {1004, L"Custom failure", L"Widget"}); });
    EXPECT_EQ(e.number(), 1004);
    EXPECT_EQ(e.description(), L"Custom failure");
    EXPECT_EQ(e.source(), L"Widget");

    e = ErrorOf([&] { remote->Call(L"Fail", {-2147221233, L"The operation failed.", L"Outlook"}); });
    EXPECT_EQ(e.number(), -2147221233);
    EXPECT_EQ(e.description(), L"The operation failed.");
    EXPECT_EQ(e.source(), L"Outlook");

    e = ErrorOf([&] { remote->Call(L"NoSuchMethod"); });
    EXPECT_EQ(e.number(), err::NotSupported);
    EXPECT_EQ(e.description(), StandardDescription(err::NotSupported));
    EXPECT_EQ(ErrorOf([&] { remote->Put(L"Count", L"abc"); }).number(), err::TypeMismatch);
    EXPECT_EQ(ErrorOf([&] { remote->Call(L"Add", {1}); }).number(), err::WrongArguments);
}

TEST_F(RoundTrip, ThroughAStreamMarshalledPointer) {
    IStream* stream = nullptr;
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IDispatch, exposed.Get(), &stream), S_OK);
    ComPtr<IDispatch> unmarshalled;
    ASSERT_EQ(CoGetInterfaceAndReleaseStream(stream, IID_IDispatch, unmarshalled.PutVoid()), S_OK);
    auto again = DispatchObject::Wrap(unmarshalled.Get());
    EXPECT_EQ(again->Call(L"Add", {20, 22}), Value(42));
    EXPECT_EQ(ErrorOf([&] { again->Call(L"Fail", {1004, L"d", L"s"}); }).source(), L"s");
    EXPECT_TRUE(SameObject(again, remote));
}

class Exposed : public ComTest {};

DISPID IdOf(IDispatch* d, const wchar_t* name) {
    std::wstring copy(name);
    LPOLESTR names[] = {copy.data()};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    return id;
}

// IDispatch::Invoke with one argument or none; a put passes it as the named DISPID_PROPERTYPUT.
HRESULT RawInvoke(IDispatch* d, DISPID id, WORD flags, VARIANT* arg = nullptr, EXCEPINFO* excep = nullptr) {
    DISPID put = DISPID_PROPERTYPUT;
    const bool named = arg && (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPPARAMS params{arg, named ? &put : nullptr, arg ? 1u : 0u, named ? 1u : 0u};
    return d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, nullptr, excep, nullptr);
}

TEST_F(Exposed, DispatchIdsAreStableCaseInsensitiveAndSeedable) {
    auto widget = std::make_shared<Widget>();
    DispatchOptions options;
    options.members = {{L"Name", 1}, {L"Count", 2}};
    auto d = ExposeObject(widget, options);
    auto idOf = [&](const wchar_t* name) { return IdOf(d.Get(), name); };
    EXPECT_EQ(idOf(L"name"), 1);
    EXPECT_EQ(idOf(L"COUNT"), 2);
    const DISPID add = idOf(L"Add");
    EXPECT_EQ(idOf(L"aDD"), add);
    EXPECT_NE(idOf(L"Echo"), add);
    EXPECT_NE(add, 1);
    EXPECT_NE(add, 2);

    // The seeded DISPID reaches the member by its name.
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(d->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(BstrView(result.bstrVal), L"widget");
    VariantClear(&result);
    EXPECT_EQ(RawInvoke(d.Get(), 12345, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);

    // Named parameters do not exist.
    std::wstring a = L"Add", b = L"x";
    LPOLESTR two[] = {a.data(), b.data()};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(d->GetIDsOfNames(IID_NULL, two, 2, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], add);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
}

TEST_F(Exposed, RawInvokeChecksItsInput) {
    auto widget = std::make_shared<Widget>();
    auto d = ExposeObject(widget, {{}, {{L"Parent", 5}, {L"Add", 6}, {L"Name", 7}}});
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXCEPINFO excep{};
    UINT argErr = 99;
    EXPECT_EQ(d->Invoke(6, IID_IDispatch, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    DISPPARAMS broken{nullptr, nullptr, 2, 0};
    EXPECT_EQ(d->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, &broken, nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(d->Invoke(6, IID_NULL, 0, 0, &none, nullptr, nullptr, nullptr), E_INVALIDARG);

    VARIANT args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[0].vt = VT_I4;
    args[0].lVal = 1;
    args[1].vt = VT_RECORD;  // the first argument cannot be converted
    DISPPARAMS bad{args, nullptr, 2, 0};
    EXPECT_EQ(d->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, &bad, nullptr, &excep, &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u);

    DISPID named = 3;
    DISPPARAMS withName{args, &named, 1, 1};
    EXPECT_EQ(d->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, &withName, nullptr, nullptr, nullptr), DISP_E_NONAMEDARGS);

    // Without an EXCEPINFO the error's own HRESULT comes back.
    args[1].vt = VT_I4;
    args[1].lVal = 2;
    DISPPARAMS three{args, nullptr, 1, 0};  // Add with one argument
    EXPECT_EQ(d->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, &three, nullptr, nullptr, nullptr),
              HResultFromErrorNumber(err::WrongArguments));
    EXPECT_EQ(widget.use_count(), 2);
}

TEST_F(Exposed, PutAndPutRefFlags) {
    auto widget = std::make_shared<Widget>();
    auto other = std::make_shared<Widget>();
    auto d = ExposeObject(widget, {{}, {{L"Parent", 5}, {L"Name", 7}}});
    constexpr WORD kBoth = DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
    // Both flags, as a Variant assignment sends them: an object is set by reference.
    Variant value = ToVariant(other);
    ASSERT_EQ(RawInvoke(d.Get(), 5, kBoth, value.Ptr()), S_OK);
    EXPECT_EQ(widget->parent, other);
    Variant text = ToVariant(L"t");
    ASSERT_EQ(RawInvoke(d.Get(), 7, kBoth, text.Ptr()), S_OK);
    EXPECT_EQ(widget->calls, (std::vector<std::wstring>{L"PutRef Parent", L"Put Name"}));
    DISPID wrongName = 1;
    DISPPARAMS wrong{text.Ptr(), &wrongName, 1, 1};
    EXPECT_EQ(d->Invoke(7, IID_NULL, 0, DISPATCH_PROPERTYPUT, &wrong, nullptr, nullptr, nullptr), DISP_E_NONAMEDARGS);
    EXPECT_EQ(RawInvoke(d.Get(), 7, DISPATCH_PROPERTYPUT), DISP_E_BADPARAMCOUNT);
    widget->parent.reset();
}

TEST_F(Exposed, ByReferenceArgumentsOfTypedCallersAreWrittenInTheirType) {
    auto widget = std::make_shared<Widget>();
    auto d = ExposeObject(widget, {{}, {{L"Twice", 9}}});
    SHORT n = 4;
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I2 | VT_BYREF;
    arg.piVal = &n;
    ASSERT_EQ(RawInvoke(d.Get(), 9, DISPATCH_METHOD, &arg), S_OK);
    EXPECT_EQ(n, 8);
    n = 20000;  // 40000 does not fit the caller's Integer
    EXCEPINFO excep{};
    ASSERT_EQ(RawInvoke(d.Get(), 9, DISPATCH_METHOD, &arg, &excep), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, HResultFromErrorNumber(err::Overflow));
    EXPECT_EQ(n, 20000);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
}

TEST_F(Exposed, OneIDispatchPerObjectWhileItLives) {
    auto widget = std::make_shared<Widget>();
    auto first = ExposeObject(widget);
    auto second = ExposeObject(widget);
    EXPECT_EQ(first.Get(), second.Get());
    ComPtr<IUnknown> unknown = first.As<IUnknown>(IID_IUnknown);
    EXPECT_EQ(static_cast<IUnknown*>(first.Get()), unknown.Get());
    first.Reset();
    second.Reset();
    unknown.Reset();
    EXPECT_EQ(LiveComObjects(), 0);
    EXPECT_EQ(widget.use_count(), 1);
    EXPECT_EQ(ExposedObject(nullptr), nullptr);
    auto third = ExposeObject(widget);
    ASSERT_TRUE(third);
    EXPECT_EQ(ExposedObject(third.Get()), widget);
}

TEST_F(Exposed, ObjectsWithoutEventsHaveNoConnectionPoints) {
    auto widget = std::make_shared<Widget>();
    auto d = ExposeObject(widget);
    EXPECT_FALSE(d.As<IConnectionPointContainer>(IID_IConnectionPointContainer));
    EXPECT_FALSE(d.As<IProvideClassInfo2>(IID_IProvideClassInfo2));
    EXPECT_EQ(ErrorOf([&] { ExposeObject(std::make_shared<Widget>(), {{IID_IDispatch}, {}}); }).number(),
              err::InvalidCall);
}

TEST_F(Exposed, DescriberGivesOptionsToConvertedObjects) {
    auto previous = SetDispatchDescriber([](Object& o) {
        DispatchOptions opts;
        if (o.TypeName() == L"Widget") opts.members = {{L"Name", 77}};
        return opts;
    });
    auto widget = std::make_shared<Widget>();
    EXPECT_EQ(IdOf(ToVariant(widget).Get().pdispVal, L"Name"), 77);
    SetDispatchDescriber(std::move(previous));
}

}  // namespace
}  // namespace brisko::win::test
