// A brisko::Object exposed to COM: IDispatch by name, connection points for its events.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "automation/object.h"
#include "automation/win/com_ptr.h"

namespace brisko::win {

// How an object is exposed.
struct DispatchOptions {
    // The event interfaces the object sources, each an interface of the event table; the first
    // is its default source. None: the object has no connection points.
    std::vector<GUID> sources;
    // DISPIDs the object answers for known members (e.g. the real host's); other names get
    // DISPIDs of their own on first sight.
    std::vector<std::pair<std::wstring, DISPID>> members;
    // Whether it answers IProvideClassInfo / IProvideClassInfo2 (when it has sources).
    bool classInfo = true;
    // Further interfaces it answers with its IDispatch (e.g. the host's IRibbonUI): callers reach
    // their members through IDispatch only, by name or by the DISPIDs of `members`.
    std::vector<GUID> interfaces{};
};

// The options of objects exposed without explicit ones, i.e. by the conversions of values
// (e.g. a simulated host telling which of its objects source which events).
using DispatchDescriber = std::function<DispatchOptions(Object& object)>;
// Installs a describer for the calling process; returns the one it replaces.
DispatchDescriber SetDispatchDescriber(DispatchDescriber describer);

// The IDispatch of an object. While it lives, the same object gives the same IDispatch (the
// options of the first exposure stay). Raises 5 for a source the event table does not know.
//
// IDispatch::Invoke: DISPATCH_METHOD calls Method; DISPATCH_PROPERTYGET (with or without
// DISPATCH_METHOD) Get; DISPATCH_PROPERTYPUT Put and DISPATCH_PROPERTYPUTREF PutRef with the
// assigned value as the last argument (both flags: PutRef for an object). Arguments written by
// the object go back into VT_BYREF arguments. A run-time error answers DISP_E_EXCEPTION (see
// ReportError). Events raised on the object while a COM sink is advised go to every advised
// sink of each connection point whose interface has the event, by its DISPID in the table.
ComPtr<IDispatch> ExposeObject(const ObjectPtr& object, const DispatchOptions& options);
// With the describer's options, or none.
ComPtr<IDispatch> ExposeObject(const ObjectPtr& object);

// The object behind a COM pointer when it is one exposed by this process, else nullptr.
ObjectPtr ExposedObject(IUnknown* unknown);

}  // namespace brisko::win
