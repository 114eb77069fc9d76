// The creatable Connect class: IDTExtensibility2 (dual) over the portable Connect, and _Connect
// with the add-in's state for tools.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>

#include "brisko_idl.h"

namespace brisko {
class Connect;
}

namespace brisko::com {

class ConnectObject final : public IDTExtensibility2, public _Connect {
public:
    ConnectObject();
    ~ConnectObject();
    ConnectObject(const ConnectObject&) = delete;
    ConnectObject& operator=(const ConnectObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch, shared by both interfaces: the five methods by name and DISPID 1..5, the two
    // properties and two methods of _Connect.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) override;

    // IDTExtensibility2: each answers S_OK and lets nothing escape.
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, ext_ConnectMode mode, IDispatch* addInInst,
                                           SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode mode, SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

    // _Connect
    HRESULT STDMETHODCALLTYPE get_State(BSTR* state) override;
    HRESULT STDMETHODCALLTYPE get_TrackedExplorers(LONG* count) override;
    // The quick dialogs for a mail (mForms.ShowQuickTask / ShowQuickAppointment): S_OK always.
    HRESULT STDMETHODCALLTYPE ShowQuickTask(IDispatch* mail, VARIANT_BOOL topmost) override;
    HRESULT STDMETHODCALLTYPE ShowQuickAppointment(IDispatch* mail, VARIANT_BOOL topmost) override;

private:
    long refs_ = 1;
    std::shared_ptr<brisko::Connect> connect_;
};

}  // namespace brisko::com
