// VARIANT <-> Value, and objects <-> COM pointers.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "automation/object.h"
#include "automation/value.h"
#include "automation/win/com_ptr.h"

namespace brisko::win {

// Reads a VARIANT, through VT_BYREF. Integers become 32-bit (6 when they do not fit);
// R4, R8, CY and DECIMAL a Double; a one-dimensional SAFEARRAY an Array; IDispatch and
// IUnknown an object (NULL: Nothing; an object this bridge exposes: the original object);
// VT_ERROR DISP_E_PARAMNOTFOUND (an omitted optional argument) Missing, never Empty.
// Raises 13 for anything else (other VT_ERROR values, records, arrays of more dimensions).
Value FromVariant(const VARIANT& v);

// The VARIANT of a value as it is: VT_EMPTY, VT_NULL, VT_BOOL, VT_I4, VT_R8, VT_DATE, VT_BSTR,
// VT_DISPATCH (VT_UNKNOWN for a wrapped object without IDispatch), VT_ARRAY | VT_VARIANT;
// Missing gives VT_ERROR DISP_E_PARAMNOTFOUND.
Variant ToVariant(const Value& v);

// A VARIANT of the given type: VT_VARIANT gives ToVariant(v); other types convert as the
// conversion functions do (CBool, CLng, ...), raising 13 or 6.
Variant ToVariantOf(const Value& v, VARTYPE type);

// Writes v into the referent of a VT_BYREF VARIANT, converted to the referent's type; what the
// referent held is released. Raises 13 or 6 and leaves the referent as it was on failure,
// 5 for a VARIANT that is not VT_BYREF.
void WriteByRef(const VARIANT& byref, const Value& v);

// The object behind a COM pointer: the original object when it is one this bridge exposes,
// else a DispatchObject. NULL gives Nothing.
ObjectPtr ObjectFromDispatch(IDispatch* dispatch);
ObjectPtr ObjectFromUnknown(IUnknown* unknown);

// The IDispatch of an object: the wrapped pointer of a DispatchObject, else the object exposed
// through ObjectDispatch (see SetDispatchDescriber). Nothing gives an empty pointer; so does a
// DispatchObject over an object without IDispatch.
ComPtr<IDispatch> DispatchFromObject(const ObjectPtr& object);
// The IUnknown identity of an object as COM sees it; empty for Nothing.
ComPtr<IUnknown> UnknownFromObject(const ObjectPtr& object);

}  // namespace brisko::win
