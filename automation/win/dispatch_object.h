// A COM object reached by name through IDispatch, as a brisko::Object.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "automation/object.h"
#include "automation/win/com_ptr.h"

namespace brisko::win {

class DispatchObject final : public Object {
    struct Token {};

public:
    // The wrapper of a COM object; the same IDispatch pointer gives the same wrapper while that
    // lives. nullptr for NULL.
    static std::shared_ptr<DispatchObject> Wrap(IDispatch* dispatch);
    // Through the object's IDispatch when it has one; otherwise a wrapper whose calls raise 438.
    static std::shared_ptr<DispatchObject> WrapUnknown(IUnknown* unknown);

    DispatchObject(Token, ComPtr<IUnknown> identity, ComPtr<IDispatch> dispatch);
    ~DispatchObject() override;
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    // Get: DISPATCH_PROPERTYGET | DISPATCH_METHOD; Put / PutRef: the last argument is the value,
    // passed as the named DISPID_PROPERTYPUT argument; Method: DISPATCH_METHOD. Every other
    // argument is passed by reference, and what the callee writes into it comes back in args;
    // a Missing argument goes by value as VT_ERROR DISP_E_PARAMNOTFOUND.
    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override;
    Value InvokeId(DISPID id, CallKind kind, Args& args);
    // GetIDsOfNames, remembered per name without regard to case; raises 438 for a name the
    // object does not know.
    DISPID IdOf(std::wstring_view name);

    // Subscribes to the object's default source interface (see SourceInterface); raises 459
    // when it has none the event table knows.
    EventConnection ConnectEvents(EventHandler handler) override;
    // Subscribes to one event interface of the table.
    EventConnection ConnectEventsOf(const GUID& iid, EventHandler handler);
    // IProvideClassInfo2's default source, else the default source of IProvideClassInfo's
    // coclass, else the first connection point of an interface in the event table; only
    // interfaces the table knows count. GUID_NULL when there is none.
    GUID SourceInterface() const;

    // For an object this process exposes, that object's; else the coclass name, else the
    // dispatch interface's without a leading '_', else "Object".
    std::wstring TypeName() const override;

    IDispatch* Dispatch() const noexcept { return dispatch_.Get(); }
    IUnknown* Identity() const noexcept { return identity_.Get(); }

private:
    ComPtr<IUnknown> identity_;
    ComPtr<IDispatch> dispatch_;
    std::map<std::wstring, DISPID> ids_;  // folded name -> DISPID
};

// Whether two objects are the same object: the same COM identity (QueryInterface for IUnknown)
// however they were reached, a brisko::Object and a wrapper of its exposure included.
bool SameObject(const ObjectPtr& a, const ObjectPtr& b);

}  // namespace brisko::win
