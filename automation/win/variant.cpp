#include "automation/win/variant.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "automation/error.h"
#include "automation/win/dispatch_object.h"

namespace brisko::win {

namespace {

// Arrays of arrays and variants by reference nest; anything deeper is malformed or cyclic.
constexpr int kMaxDepth = 32;

template <class T>
T Load(const void* where) noexcept {
    T t;
    std::memcpy(&t, where, sizeof t);
    return t;
}

template <class T>
void StoreRaw(void* where, T t) noexcept {
    std::memcpy(where, &t, sizeof t);
}

[[noreturn]] void Mismatch() { Raise(brisko::err::TypeMismatch); }

// The size of one element of type t, 0 for a type without a Value.
std::size_t ElementSize(VARTYPE t) noexcept {
    switch (t) {
        case VT_I1:
        case VT_UI1: return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL: return sizeof(SHORT);
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_ERROR: return sizeof(LONG);
        case VT_R4: return sizeof(FLOAT);
        case VT_I8:
        case VT_UI8: return sizeof(LONGLONG);
        case VT_R8:
        case VT_DATE: return sizeof(DOUBLE);
        case VT_CY: return sizeof(CY);
        case VT_DECIMAL: return sizeof(DECIMAL);
        case VT_BSTR: return sizeof(BSTR);
        case VT_DISPATCH:
        case VT_UNKNOWN: return sizeof(void*);
        case VT_VARIANT: return sizeof(VARIANT);
        default: return 0;
    }
}

Value FromVariantAt(const VARIANT& v, int depth);

Value ReadArray(SAFEARRAY* psa, VARTYPE elem, int depth) {
    // An array variable that was never dimensioned.
    if (!psa) return Value(Array{});
    if (SafeArrayGetDim(psa) != 1) Mismatch();
    const std::size_t size = ElementSize(elem);
    if (size == 0 || SafeArrayGetElemsize(psa) != size) Mismatch();
    if (psa->fFeatures & FADF_HAVEVARTYPE) {
        VARTYPE actual = VT_EMPTY;
        if (FAILED(SafeArrayGetVartype(psa, &actual)) || actual != elem) Mismatch();
    }
    LONG lower = 0;
    LONG upper = -1;
    if (FAILED(SafeArrayGetLBound(psa, 1, &lower)) || FAILED(SafeArrayGetUBound(psa, 1, &upper))) Mismatch();
    const long long count = static_cast<long long>(upper) - lower + 1;
    Array out;
    if (count <= 0) return Value(std::move(out));
    out.reserve(static_cast<std::size_t>(count));
    SafeArrayData data(psa);
    const auto* base = static_cast<const unsigned char*>(data.Data());
    for (long long i = 0; i < count; ++i) {
        VARIANT ref;
        VariantInit(&ref);
        ref.vt = static_cast<VARTYPE>(elem | VT_BYREF);
        ref.byref = const_cast<unsigned char*>(base + static_cast<std::size_t>(i) * size);
        out.push_back(FromVariantAt(ref, depth + 1));
    }
    return Value(std::move(out));
}

// A value of type t (no VT_BYREF, no VT_ARRAY) stored at `where`.
Value ReadScalar(VARTYPE t, const void* where, int depth) {
    switch (t) {
        case VT_I1: return Value(Load<signed char>(where));
        case VT_UI1: return Value(Load<unsigned char>(where));
        case VT_I2: return Value(Load<SHORT>(where));
        case VT_UI2: return Value(Load<USHORT>(where));
        case VT_I4: return Value(Load<LONG>(where));
        case VT_UI4: return Value(Load<ULONG>(where));
        case VT_INT: return Value(Load<INT>(where));
        case VT_UINT: return Value(Load<UINT>(where));
        case VT_I8: return Value(Load<LONGLONG>(where));
        case VT_UI8: {
            const auto n = Load<ULONGLONG>(where);
            if (n > static_cast<ULONGLONG>(std::numeric_limits<std::int32_t>::max())) {
                Raise(brisko::err::Overflow);
            }
            return Value(static_cast<std::int32_t>(n));
        }
        case VT_BOOL: return Value(Load<VARIANT_BOOL>(where) != VARIANT_FALSE);
        case VT_R4: return Value(static_cast<double>(Load<FLOAT>(where)));
        case VT_R8: return Value(Load<DOUBLE>(where));
        case VT_CY: return Value(static_cast<double>(Load<CY>(where).int64) / 10000.0);
        case VT_DECIMAL: {
            DECIMAL d = Load<DECIMAL>(where);
            double r = 0;
            if (FAILED(VarR8FromDec(&d, &r))) Raise(brisko::err::Overflow);
            return Value(r);
        }
        case VT_DATE: return Value(Date{Load<DATE>(where)});
        case VT_BSTR: return Value(std::wstring(BstrView(Load<BSTR>(where))));
        case VT_DISPATCH: return Value(ObjectFromDispatch(Load<IDispatch*>(where)));
        case VT_UNKNOWN: return Value(ObjectFromUnknown(Load<IUnknown*>(where)));
        case VT_ERROR:
            if (Load<SCODE>(where) == DISP_E_PARAMNOTFOUND) return Value(Missing);
            Mismatch();
        case VT_VARIANT: {
            // Only by reference: a VARIANT that may not itself be a VARIANT by reference.
            const auto* inner = static_cast<const VARIANT*>(where);
            if (inner->vt == (VT_VARIANT | VT_BYREF)) Mismatch();
            return FromVariantAt(*inner, depth + 1);
        }
        default: Mismatch();
    }
}

Value FromVariantAt(const VARIANT& v, int depth) {
    if (depth > kMaxDepth) Mismatch();
    const VARTYPE vt = v.vt;
    const bool byref = (vt & VT_BYREF) != 0;
    const auto type = static_cast<VARTYPE>(vt & VT_TYPEMASK);
    if (vt & VT_ARRAY) {
        if (vt & ~(VT_ARRAY | VT_BYREF | VT_TYPEMASK)) Mismatch();
        SAFEARRAY* psa = nullptr;
        if (byref) {
            if (!v.pparray) Mismatch();
            psa = *v.pparray;
        } else {
            psa = v.parray;
        }
        return ReadArray(psa, type, depth);
    }
    if (vt & ~(VT_BYREF | VT_TYPEMASK)) Mismatch();
    if (!byref) {
        switch (type) {
            case VT_EMPTY: return {};
            case VT_NULL: return Value(Null);
            case VT_VARIANT: Mismatch();  // only by reference or in an array
            case VT_DECIMAL: return ReadScalar(type, &v.decVal, depth);
            default: return ReadScalar(type, &v.lVal, depth);
        }
    }
    if (!v.byref || type == VT_EMPTY || type == VT_NULL) Mismatch();
    return ReadScalar(type, v.byref, depth);
}

long long AsInt64(const Value& v) {
    if (v.type() == VarType::Integer) return v.AsInt();
    const double r = std::nearbyint(v.AsDouble());
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) Raise(brisko::err::Overflow);
    return static_cast<long long>(r);
}

template <class T>
void StoreInt(void* where, const Value& v) {
    const long long n = AsInt64(v);
    if (n < static_cast<long long>(std::numeric_limits<T>::min()) ||
        (n > 0 && static_cast<unsigned long long>(n) > static_cast<unsigned long long>(std::numeric_limits<T>::max()))) {
        Raise(brisko::err::Overflow);
    }
    StoreRaw(where, static_cast<T>(n));
}

VARTYPE NaturalType(const Value& v) {
    switch (v.type()) {
        case VarType::Empty: return VT_EMPTY;
        case VarType::Null: return VT_NULL;
        case VarType::Boolean: return VT_BOOL;
        case VarType::Integer: return VT_I4;
        case VarType::Double: return VT_R8;
        case VarType::Date: return VT_DATE;
        case VarType::String: return VT_BSTR;
        case VarType::Object: {
            const auto* wrapped = dynamic_cast<const DispatchObject*>(v.AsObject().get());
            return wrapped && !wrapped->Dispatch() ? VT_UNKNOWN : VT_DISPATCH;
        }
        case VarType::Array: return VT_ARRAY | VT_VARIANT;
        case VarType::Missing: return VT_ERROR;
    }
    return VT_EMPTY;
}

void StoreTyped(VARTYPE t, void* where, const Value& v, int depth);

Variant MakeVariant(const Value& v, VARTYPE t, int depth) {
    if (t == VT_VARIANT) t = NaturalType(v);
    Variant out;
    if (t != VT_EMPTY && t != VT_NULL) {
        StoreTyped(t, t == VT_DECIMAL ? static_cast<void*>(&out.Get().decVal) : static_cast<void*>(&out.Get().lVal),
                   v, depth);
    }
    // After the data: a DECIMAL overlays the type field.
    out.Get().vt = t;
    return out;
}

SAFEARRAY* MakeArray(const Value& v, VARTYPE elem, int depth) {
    const Array& items = v.AsArray();
    const std::size_t size = ElementSize(elem);
    if (size == 0 || items.size() > 0x7FFFFFFFu) Mismatch();
    auto array = SafeArray::Attach(SafeArrayCreateVector(elem, 0, static_cast<ULONG>(items.size())));
    if (!array.Get()) Raise(brisko::err::OutOfMemory);
    if (!items.empty()) {
        // Fresh elements are zero: each store has nothing to release.
        SafeArrayData data(array.Get());
        auto* base = static_cast<unsigned char*>(data.Data());
        for (std::size_t i = 0; i < items.size(); ++i) StoreTyped(elem, base + i * size, items[i], depth + 1);
    }
    return array.Detach();
}

// Stores v as type t at `where`; what was there is released after the new value is in place.
void StoreTyped(VARTYPE t, void* where, const Value& v, int depth) {
    if (depth > kMaxDepth) Mismatch();
    if (t & VT_ARRAY) {
        if (t & ~(VT_ARRAY | VT_TYPEMASK)) Mismatch();
        SAFEARRAY* fresh = MakeArray(v, static_cast<VARTYPE>(t & VT_TYPEMASK), depth);
        const auto old = SafeArray::Attach(Load<SAFEARRAY*>(where));
        StoreRaw(where, fresh);
        return;
    }
    switch (t) {
        case VT_I1: return StoreInt<signed char>(where, v);
        case VT_UI1: return StoreInt<unsigned char>(where, v);
        case VT_I2: return StoreInt<SHORT>(where, v);
        case VT_UI2: return StoreInt<USHORT>(where, v);
        case VT_I4: return StoreInt<LONG>(where, v);
        case VT_UI4: return StoreInt<ULONG>(where, v);
        case VT_INT: return StoreInt<INT>(where, v);
        case VT_UINT: return StoreInt<UINT>(where, v);
        case VT_I8: return StoreInt<LONGLONG>(where, v);
        case VT_UI8: return StoreInt<ULONGLONG>(where, v);
        case VT_BOOL: return StoreRaw<VARIANT_BOOL>(where, v.AsBool() ? VARIANT_TRUE : VARIANT_FALSE);
        case VT_R4: {
            const double d = v.AsDouble();
            if (std::isfinite(d) && std::fabs(d) > FLT_MAX) Raise(brisko::err::Overflow);
            return StoreRaw(where, static_cast<FLOAT>(d));
        }
        case VT_R8: return StoreRaw<DOUBLE>(where, v.AsDouble());
        case VT_DATE: return StoreRaw<DATE>(where, v.AsDate().serial);
        case VT_CY: {
            const double r = std::nearbyint(v.AsDouble() * 10000.0);
            if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) Raise(brisko::err::Overflow);
            CY cy;
            cy.int64 = static_cast<LONGLONG>(r);
            return StoreRaw(where, cy);
        }
        case VT_DECIMAL: {
            DECIMAL d{};
            if (FAILED(VarDecFromR8(v.AsDouble(), &d))) Raise(brisko::err::Overflow);
            return StoreRaw(where, d);
        }
        case VT_BSTR: {
            Bstr fresh(v.AsString());
            const auto old = Bstr::Attach(Load<BSTR>(where));
            return StoreRaw(where, fresh.Detach());
        }
        case VT_DISPATCH: {
            const ObjectPtr object = v.IsEmpty() ? nullptr : v.AsObject();
            ComPtr<IDispatch> fresh = DispatchFromObject(object);
            if (object && !fresh) Mismatch();
            const auto old = ComPtr<IDispatch>::Attach(Load<IDispatch*>(where));
            return StoreRaw(where, fresh.Detach());
        }
        case VT_UNKNOWN: {
            const ObjectPtr object = v.IsEmpty() ? nullptr : v.AsObject();
            ComPtr<IUnknown> fresh = UnknownFromObject(object);
            const auto old = ComPtr<IUnknown>::Attach(Load<IUnknown*>(where));
            return StoreRaw(where, fresh.Detach());
        }
        case VT_ERROR:
            return StoreRaw<SCODE>(where, v.IsEmptyOrMissing() ? DISP_E_PARAMNOTFOUND : static_cast<SCODE>(v.AsInt()));
        case VT_VARIANT: {
            Variant fresh = MakeVariant(v, VT_VARIANT, depth + 1);
            Variant old;
            auto* target = static_cast<VARIANT*>(where);
            *old.Ptr() = *target;  // adopted: released once the target holds the new value
            fresh.DetachTo(target);
            return;
        }
        default: Mismatch();
    }
}

}  // namespace

Value FromVariant(const VARIANT& v) { return FromVariantAt(v, 0); }

Variant ToVariant(const Value& v) { return MakeVariant(v, VT_VARIANT, 0); }

Variant ToVariantOf(const Value& v, VARTYPE type) {
    if (type & VT_BYREF) Mismatch();
    return MakeVariant(v, type, 0);
}

void WriteByRef(const VARIANT& byref, const Value& v) {
    if (!(byref.vt & VT_BYREF)) Raise(brisko::err::InvalidCall);
    if (!byref.byref) Mismatch();
    const auto type = static_cast<VARTYPE>(byref.vt & ~VT_BYREF);
    if (type == VT_EMPTY || type == VT_NULL) Mismatch();
    StoreTyped(type, byref.byref, v, 0);
}

}  // namespace brisko::win
