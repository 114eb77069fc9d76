#include <cmath>
#include <string>

#include "automation/win/dispatch_object.h"
#include "automation/win/object_dispatch.h"
#include "automation/win/variant.h"
#include "test_support.h"

namespace brisko::win::test {
namespace {

using namespace std::string_literals;

// A COM object with IUnknown only.
class PlainUnknown final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the test's stack
    ULONG refs = 1;
};

template <class Set>
Value Read(VARTYPE vt, Set set) {
    Variant v;
    v.Get().vt = vt;
    set(v.Get());
    return FromVariant(v.Get());
}

std::int32_t NumberOf(const std::function<void()>& f) { return ErrorOf(f).number(); }

SafeArray Vector(VARTYPE type, LONG lower, ULONG count) {
    SAFEARRAYBOUND bound{count, lower};
    return SafeArray::Attach(SafeArrayCreate(type, 1, &bound));
}

// A VARIANT that owns the array.
Variant ArrayOf(VARTYPE elements, SAFEARRAY* array) {
    Variant v;
    v.Get().vt = static_cast<VARTYPE>(VT_ARRAY | elements);
    v.Get().parray = array;
    return v;
}

// A VARIANT by reference to `where`, owning nothing.
VARIANT Ref(VARTYPE type, void* where) {
    VARIANT v;
    VariantInit(&v);
    v.vt = static_cast<VARTYPE>(type | VT_BYREF);
    v.byref = where;
    return v;
}

class VariantToValue : public ComTest {};

TEST_F(VariantToValue, EmptyNullAndBoolean) {
    Variant v;
    EXPECT_TRUE(FromVariant(v.Get()).IsEmpty());
    EXPECT_TRUE(Read(VT_NULL, [](VARIANT&) {}).IsNull());
    EXPECT_EQ(Read(VT_BOOL, [](VARIANT& x) { x.boolVal = VARIANT_TRUE; }), Value(true));
    EXPECT_EQ(Read(VT_BOOL, [](VARIANT& x) { x.boolVal = VARIANT_FALSE; }), Value(false));
    EXPECT_EQ(Read(VT_BOOL, [](VARIANT& x) { x.boolVal = 1; }), Value(true));  // any non-zero is True
}

TEST_F(VariantToValue, IntegersOfEveryWidthBecome32Bit) {
    EXPECT_EQ(Read(VT_I1, [](VARIANT& x) { x.cVal = -5; }), Value(-5));
    EXPECT_EQ(Read(VT_UI1, [](VARIANT& x) { x.bVal = 200; }), Value(200));
    EXPECT_EQ(Read(VT_I2, [](VARIANT& x) { x.iVal = -300; }), Value(-300));
    EXPECT_EQ(Read(VT_UI2, [](VARIANT& x) { x.uiVal = 60000; }), Value(60000));
    EXPECT_EQ(Read(VT_I4, [](VARIANT& x) { x.lVal = -2147483647 - 1; }), Value(-2147483647 - 1));
    EXPECT_EQ(Read(VT_UI4, [](VARIANT& x) { x.ulVal = 7; }), Value(7));
    EXPECT_EQ(Read(VT_INT, [](VARIANT& x) { x.intVal = 42; }), Value(42));
    EXPECT_EQ(Read(VT_UINT, [](VARIANT& x) { x.uintVal = 43; }), Value(43));
    EXPECT_EQ(Read(VT_I8, [](VARIANT& x) { x.llVal = -44; }), Value(-44));
    EXPECT_EQ(Read(VT_I4, [](VARIANT& x) { x.lVal = 1; }).type(), VarType::Integer);
}

TEST_F(VariantToValue, IntegersThatDoNotFitOverflow) {
    EXPECT_EQ(NumberOf([] { Read(VT_UI4, [](VARIANT& x) { x.ulVal = 4000000000u; }); }), err::Overflow);
    EXPECT_EQ(NumberOf([] { Read(VT_UINT, [](VARIANT& x) { x.uintVal = 0x80000000u; }); }), err::Overflow);
    EXPECT_EQ(NumberOf([] { Read(VT_I8, [](VARIANT& x) { x.llVal = 1LL << 40; }); }), err::Overflow);
    EXPECT_EQ(NumberOf([] { Read(VT_UI8, [](VARIANT& x) { x.ullVal = ~0ULL; }); }), err::Overflow);
}

TEST_F(VariantToValue, RealCurrencyAndDecimalBecomeDouble) {
    EXPECT_EQ(Read(VT_R4, [](VARIANT& x) { x.fltVal = 1.5f; }), Value(1.5));
    EXPECT_EQ(Read(VT_R8, [](VARIANT& x) { x.dblVal = -2.25; }), Value(-2.25));
    EXPECT_EQ(Read(VT_CY, [](VARIANT& x) { x.cyVal.int64 = 123450; }), Value(12.345));
    Variant dec;
    ASSERT_TRUE(SUCCEEDED(VarDecFromR8(2.5, &dec.Get().decVal)));
    dec.Get().vt = VT_DECIMAL;
    EXPECT_EQ(FromVariant(dec.Get()), Value(2.5));
}

TEST_F(VariantToValue, DateKeepsItsSerial) {
    const Value v = Read(VT_DATE, [](VARIANT& x) { x.date = 45000.75; });
    ASSERT_EQ(v.type(), VarType::Date);
    EXPECT_EQ(v.AsDate().serial, 45000.75);
}

TEST_F(VariantToValue, StringsKeepEmbeddedNullsAndNullIsEmpty) {
    const std::wstring text = L"a\0b\0"s;
    const Value v = Read(VT_BSTR, [&](VARIANT& x) { x.bstrVal = Bstr(text).Detach(); });
    EXPECT_EQ(v.AsString(), text);
    EXPECT_EQ(v.AsString().size(), 4u);
    const Value none = Read(VT_BSTR, [](VARIANT& x) { x.bstrVal = nullptr; });
    EXPECT_EQ(none.type(), VarType::String);
    EXPECT_EQ(none.AsString(), L"");
}

TEST_F(VariantToValue, NullInterfacesAreNothing) {
    EXPECT_TRUE(Read(VT_DISPATCH, [](VARIANT& x) { x.pdispVal = nullptr; }).IsNothing());
    EXPECT_TRUE(Read(VT_UNKNOWN, [](VARIANT& x) { x.punkVal = nullptr; }).IsNothing());
}

TEST_F(VariantToValue, DispatchBecomesOneWrapperPerPointer) {
    auto* raw = new ScriptedDispatch;
    {
        const Value a = Read(VT_DISPATCH, [&](VARIANT& x) {
            x.pdispVal = raw;
            raw->AddRef();
        });
        const Value b = Read(VT_DISPATCH, [&](VARIANT& x) {
            x.pdispVal = raw;
            raw->AddRef();
        });
        auto* wrapped = dynamic_cast<DispatchObject*>(a.AsObject().get());
        ASSERT_NE(wrapped, nullptr);
        EXPECT_EQ(wrapped->Dispatch(), raw);
        EXPECT_EQ(a, b);  // the same wrapper while it lives
        EXPECT_EQ(raw->Refs(), 3u);  // the wrapper holds the IDispatch and the identity
        const Variant back = ToVariant(a);
        EXPECT_EQ(back.Get().vt, VT_DISPATCH);
        EXPECT_EQ(back.Get().pdispVal, raw);
    }
    EXPECT_EQ(raw->Refs(), 1u);
    raw->Release();
}

TEST_F(VariantToValue, UnknownWithoutDispatchKeepsItsIdentity) {
    PlainUnknown plain;
    {
        const Value v = Read(VT_UNKNOWN, [&](VARIANT& x) {
            x.punkVal = &plain;
            plain.AddRef();
        });
        auto* wrapped = dynamic_cast<DispatchObject*>(v.AsObject().get());
        ASSERT_NE(wrapped, nullptr);
        EXPECT_EQ(wrapped->Dispatch(), nullptr);
        EXPECT_EQ(wrapped->Identity(), &plain);
        EXPECT_EQ(NumberOf([&] { v.AsObject()->Get(L"Anything"); }), err::NotSupported);
        const Variant back = ToVariant(v);
        EXPECT_EQ(back.Get().vt, VT_UNKNOWN);
        EXPECT_EQ(back.Get().punkVal, &plain);
        EXPECT_EQ(NumberOf([&] { ToVariantOf(v, VT_DISPATCH); }), err::TypeMismatch);
    }
    EXPECT_EQ(plain.refs, 1u);
}

TEST_F(VariantToValue, OneDimensionalArraysOfAnyElementType) {
    SafeArray variants = Vector(VT_VARIANT, 0, 3);
    {
        SafeArrayData data(variants.Get());
        auto* items = static_cast<VARIANT*>(data.Data());
        items[0].vt = VT_I4;
        items[0].lVal = 1;
        items[1].vt = VT_BSTR;
        items[1].bstrVal = Bstr(L"two").Detach();
        items[2].vt = VT_NULL;
    }
    EXPECT_EQ(FromVariant(ArrayOf(VT_VARIANT, variants.Detach()).Get()), Value(Array{1, L"two", Null}));

    SafeArray longs = Vector(VT_I4, 1, 2);  // lower bound 1: positions are kept, bounds are not
    for (LONG i = 1; i <= 2; ++i) {
        LONG n = i * 10;
        ASSERT_TRUE(SUCCEEDED(SafeArrayPutElement(longs.Get(), &i, &n)));
    }
    EXPECT_EQ(FromVariant(ArrayOf(VT_I4, longs.Detach()).Get()), Value(Array{10, 20}));

    SafeArray strings = Vector(VT_BSTR, 0, 1);
    LONG zero = 0;
    Bstr s(L"x");
    ASSERT_TRUE(SUCCEEDED(SafeArrayPutElement(strings.Get(), &zero, s.Get())));
    EXPECT_EQ(FromVariant(ArrayOf(VT_BSTR, strings.Detach()).Get()), Value(Array{L"x"}));
    EXPECT_EQ(FromVariant(ArrayOf(VT_VARIANT, nullptr).Get()), Value(Array{}));  // never dimensioned
}

TEST_F(VariantToValue, ArraysOfMoreDimensionsOrAMismatchedTypeAreRefused) {
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    const Variant square = ArrayOf(VT_I4, SafeArrayCreate(VT_I4, 2, bounds));
    EXPECT_EQ(NumberOf([&] { FromVariant(square.Get()); }), err::TypeMismatch);
    // The descriptor says I2 but the array holds VARIANTs: never read as I2.
    const Variant lying = ArrayOf(VT_I2, Vector(VT_VARIANT, 0, 2).Detach());
    EXPECT_EQ(NumberOf([&] { FromVariant(lying.Get()); }), err::TypeMismatch);
}

TEST_F(VariantToValue, ByReferenceIsReadThrough) {
    LONG n = 17;
    BSTR s = SysAllocString(L"ref");
    VARIANT_BOOL b = VARIANT_TRUE;
    DATE d = 2.5;
    Variant inner;
    inner.Get().vt = VT_R8;
    inner.Get().dblVal = 0.5;
    EXPECT_EQ(FromVariant(Ref(VT_I4, &n)), Value(17));
    EXPECT_EQ(FromVariant(Ref(VT_BSTR, &s)), Value(L"ref"));
    EXPECT_EQ(FromVariant(Ref(VT_BOOL, &b)), Value(true));
    EXPECT_EQ(FromVariant(Ref(VT_DATE, &d)), Value(Date{2.5}));
    EXPECT_EQ(FromVariant(Ref(VT_VARIANT, inner.Ptr())), Value(0.5));
    SafeArray a = Vector(VT_I4, 0, 1);
    SAFEARRAY* pa = a.Get();
    EXPECT_EQ(FromVariant(Ref(VT_ARRAY | VT_I4, &pa)), Value(Array{0}));
    SysFreeString(s);
}

TEST_F(VariantToValue, MalformedByReferenceIsRefusedNotFollowed) {
    EXPECT_EQ(NumberOf([&] { FromVariant(Ref(VT_I4, nullptr)); }), err::TypeMismatch);
    VARIANT self = Ref(VT_VARIANT, nullptr);  // a VARIANT by reference to itself
    self.pvarVal = &self;
    EXPECT_EQ(NumberOf([&] { FromVariant(self); }), err::TypeMismatch);
    VARIANT byValue = Ref(VT_VARIANT, nullptr);  // VT_VARIANT exists only by reference or in arrays
    byValue.vt = VT_VARIANT;
    EXPECT_EQ(NumberOf([&] { FromVariant(byValue); }), err::TypeMismatch);
}

TEST_F(VariantToValue, MissingOptionalArgumentIsMissingOtherErrorsAreRefused) {
    EXPECT_TRUE(Read(VT_ERROR, [](VARIANT& x) { x.scode = DISP_E_PARAMNOTFOUND; }).IsMissing());
    EXPECT_EQ(NumberOf([] { Read(VT_ERROR, [](VARIANT& x) { x.scode = E_FAIL; }); }), err::TypeMismatch);
    VARIANT odd = Ref(VT_EMPTY, nullptr);  // owns nothing: never cleared
    odd.vt = VT_RECORD;
    EXPECT_EQ(NumberOf([&] { FromVariant(odd); }), err::TypeMismatch);
    odd.vt = VT_I4 | VT_VECTOR;
    EXPECT_EQ(NumberOf([&] { FromVariant(odd); }), err::TypeMismatch);
}

class ValueToVariant : public ComTest {};

TEST_F(ValueToVariant, EveryValueTypeHasItsVariantType) {
    EXPECT_EQ(ToVariant(Value()).Get().vt, VT_EMPTY);
    EXPECT_EQ(ToVariant(Value(Null)).Get().vt, VT_NULL);
    const Variant t = ToVariant(true);
    EXPECT_EQ(t.Get().vt, VT_BOOL);
    EXPECT_EQ(t.Get().boolVal, VARIANT_TRUE);
    EXPECT_EQ(ToVariant(false).Get().boolVal, VARIANT_FALSE);
    const Variant i = ToVariant(-7);
    EXPECT_EQ(i.Get().vt, VT_I4);
    EXPECT_EQ(i.Get().lVal, -7);
    const Variant d = ToVariant(0.125);
    EXPECT_EQ(d.Get().vt, VT_R8);
    EXPECT_EQ(d.Get().dblVal, 0.125);
    const Variant date = ToVariant(Date{36526.5});
    EXPECT_EQ(date.Get().vt, VT_DATE);
    EXPECT_EQ(date.Get().date, 36526.5);
    const Variant nothing = ToVariant(ObjectPtr{});
    EXPECT_EQ(nothing.Get().vt, VT_DISPATCH);
    EXPECT_EQ(nothing.Get().pdispVal, nullptr);
}

TEST_F(ValueToVariant, StringsKeepTheirLength) {
    const std::wstring text = L"x\0y"s;
    const Variant s = ToVariant(text);
    ASSERT_EQ(s.Get().vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(s.Get().bstrVal), 3u);
    EXPECT_EQ(BstrView(s.Get().bstrVal), text);
    const Variant empty = ToVariant(L"");
    ASSERT_EQ(empty.Get().vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(empty.Get().bstrVal), 0u);
}

TEST_F(ValueToVariant, ArraysAreVariantVectorsFromZero) {
    const Variant a = ToVariant(Array{1, Array{L"in"}, Null});
    ASSERT_EQ(a.Get().vt, VT_ARRAY | VT_VARIANT);
    LONG lower = -1;
    LONG upper = -1;
    SafeArrayGetLBound(a.Get().parray, 1, &lower);
    SafeArrayGetUBound(a.Get().parray, 1, &upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 2);
    SafeArrayData data(a.Get().parray);
    const auto* items = static_cast<const VARIANT*>(data.Data());
    EXPECT_EQ(items[0].vt, VT_I4);
    EXPECT_EQ(items[1].vt, VT_ARRAY | VT_VARIANT);
    EXPECT_EQ(items[2].vt, VT_NULL);
}

TEST_F(ValueToVariant, ValuesSurviveTheRoundTrip) {
    const std::wstring nulls = L"\0\0"s;
    const Value values[] = {Value(),   Value(Null),       true,  false, 0,
                            -1,        2147483647,        1e300, -0.5,  Date{-657434.0},
                            Date{2958465.999}, L"",       nulls, L"text \u00e9\u4e2d",
                            Array{},   Array{1, L"a", Array{true, Null}}};
    for (const auto& v : values) EXPECT_EQ(FromVariant(ToVariant(v).Get()), v) << ToUtf8(v.TypeName());
}

TEST_F(ValueToVariant, BriskoObjectsAreExposedAndComeBackAsThemselves) {
    auto widget = std::make_shared<Widget>();
    {
        const Variant v = ToVariant(widget);
        ASSERT_EQ(v.Get().vt, VT_DISPATCH);
        ASSERT_NE(v.Get().pdispVal, nullptr);
        EXPECT_EQ(FromVariant(v.Get()).AsObject(), widget);
        EXPECT_EQ(ExposedObject(v.Get().pdispVal), widget);
        // Exposing again while the first lives gives the same IDispatch: COM identity holds.
        const Variant again = ToVariant(widget);
        EXPECT_EQ(again.Get().pdispVal, v.Get().pdispVal);
        EXPECT_EQ(LiveComObjects(), 1);
    }
    EXPECT_EQ(LiveComObjects(), 0);
    EXPECT_EQ(widget.use_count(), 1);
}

TEST_F(ValueToVariant, TypedConversionsCheckRange) {
    EXPECT_EQ(ToVariantOf(L"12", VT_I4).Get().lVal, 12);
    EXPECT_EQ(ToVariantOf(2.5, VT_I4).Get().lVal, 2);  // halves round to even, as CLng
    EXPECT_EQ(ToVariantOf(1, VT_BOOL).Get().boolVal, VARIANT_TRUE);
    EXPECT_EQ(BstrView(ToVariantOf(5, VT_BSTR).Get().bstrVal), L"5");
    EXPECT_EQ(ToVariantOf(255, VT_UI1).Get().bVal, 255);
    EXPECT_EQ(ToVariantOf(1.2345, VT_CY).Get().cyVal.int64, 12345);
    EXPECT_EQ(ToVariantOf(4000000000.0, VT_UI4).Get().ulVal, 4000000000u);
    const Variant dec = ToVariantOf(0.75, VT_DECIMAL);
    EXPECT_EQ(dec.Get().vt, VT_DECIMAL);  // the type survives writing the DECIMAL over it
    EXPECT_EQ(FromVariant(dec.Get()), Value(0.75));
    const Variant longs = ToVariantOf(Array{1, 2}, VT_ARRAY | VT_I4);
    EXPECT_EQ(longs.Get().vt, VT_ARRAY | VT_I4);
    EXPECT_EQ(FromVariant(longs.Get()), Value(Array{1, 2}));

    EXPECT_EQ(NumberOf([] { ToVariantOf(40000, VT_I2); }), err::Overflow);
    EXPECT_EQ(NumberOf([] { ToVariantOf(-1, VT_UI1); }), err::Overflow);
    EXPECT_EQ(NumberOf([] { ToVariantOf(-1, VT_UI4); }), err::Overflow);
    EXPECT_EQ(NumberOf([] { ToVariantOf(1e39, VT_R4); }), err::Overflow);
    EXPECT_EQ(NumberOf([] { ToVariantOf(L"abc", VT_I4); }), err::TypeMismatch);
    EXPECT_EQ(NumberOf([] { ToVariantOf(3, VT_DISPATCH); }), err::ObjectRequired);
    EXPECT_EQ(NumberOf([] { ToVariantOf(3, VT_RECORD); }), err::TypeMismatch);
}

class WriteBack : public ComTest {};

TEST_F(WriteBack, IntoEachReferentType) {
    LONG n = 1;
    VARIANT_BOOL b = VARIANT_FALSE;
    BSTR s = SysAllocString(L"old");
    Variant inner;
    inner.Get().vt = VT_BSTR;
    inner.Get().bstrVal = SysAllocString(L"held");
    WriteByRef(Ref(VT_I4, &n), 99);
    EXPECT_EQ(n, 99);
    WriteByRef(Ref(VT_BOOL, &b), true);
    EXPECT_EQ(b, VARIANT_TRUE);
    WriteByRef(Ref(VT_BSTR, &s), L"new");
    EXPECT_EQ(BstrView(s), L"new");
    // A Variant referent takes the value's own type, the string it held is released.
    WriteByRef(Ref(VT_VARIANT, inner.Ptr()), 5);
    EXPECT_EQ(inner.Get().vt, VT_I4);
    EXPECT_EQ(inner.Get().lVal, 5);
    SysFreeString(s);
}

TEST_F(WriteBack, ReleasesTheObjectItReplaces) {
    auto* raw = new ScriptedDispatch;
    IDispatch* slot = raw;
    raw->AddRef();
    WriteByRef(Ref(VT_DISPATCH, &slot), ObjectPtr{});
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(raw->Refs(), 1u);
    raw->Release();
}

TEST_F(WriteBack, AFailedConversionLeavesTheReferentAsItWas) {
    SHORT small = 3;
    EXPECT_EQ(NumberOf([&] { WriteByRef(Ref(VT_I2, &small), 100000); }), err::Overflow);
    EXPECT_EQ(small, 3);
    Variant notByRef = ToVariant(1);
    EXPECT_EQ(NumberOf([&] { WriteByRef(notByRef.Get(), 2); }), err::InvalidCall);
}

}  // namespace
}  // namespace brisko::win::test
