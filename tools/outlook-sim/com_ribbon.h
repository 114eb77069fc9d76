// The add-in as Office's ribbon reaches it through COM, for the simulated ribbon host.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "automation/object.h"

namespace brisko::tools {

// The ribbon host's endpoint for an add-in loaded over COM:
// - Invoke("GetCustomUI", Method, {ribbonId}) calls IRibbonExtensibility::GetCustomUI
//   ({000C0396-0000-0000-C000-000000000046}) through its vtable and answers the markup;
// - any other name is a callback: GetIDsOfNames on the add-in's IDispatch, then Invoke with
//   DISPATCH_METHOD and the arguments by value (objects as the IDispatch of their exposure, so
//   the simulated IRibbonUI and IRibbonControl reach the add-in with the host's identifiers); the
//   result comes back as a Value (a returned IPictureDisp as a DispatchObject, none as Nothing).
// A failing call raises the run-time error of its HRESULT (a name the add-in does not know: 438);
// an add-in without IRibbonExtensibility raises 438 for GetCustomUI. nullptr for no add-in.
ObjectPtr MakeComRibbonEndpoint(IUnknown* addin);

}  // namespace brisko::tools
