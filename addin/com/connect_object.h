// The creatable Connect class: IDTExtensibility2 (dual) over the portable Connect, _Connect with
// the add-in's state for tools and the ribbon's callbacks, and IRibbonExtensibility (dual).
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

    // IDispatch, shared by IDTExtensibility2 and _Connect (the object's IDispatch): the five
    // methods by name and DISPID 1..5, the two properties, two methods and seven ribbon
    // callbacks of _Connect. IRibbonExtensibility has an IDispatch of its own (GetCustomUI, 1).
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
    // The ribbon's callbacks: the argument goes to Connect's member of the same name as an
    // object, the answer comes back as VARIANT_BOOL, BSTR or the picture's IDispatch (NULL
    // for no picture). S_OK always, E_POINTER for a missing out pointer.
    HRESULT STDMETHODCALLTYPE Ribbon_OnLoad(IDispatch* ribbon) override;
    HRESULT STDMETHODCALLTYPE RibbonButton_Action(IDispatch* control) override;
    HRESULT STDMETHODCALLTYPE RibbonControl_GetEnabled(IDispatch* control, VARIANT_BOOL* enabled) override;
    HRESULT STDMETHODCALLTYPE RibbonControl_GetVisible(IDispatch* control, VARIANT_BOOL* visible) override;
    HRESULT STDMETHODCALLTYPE RibbonControl_GetLabel(IDispatch* control, BSTR* label) override;
    HRESULT STDMETHODCALLTYPE RibbonButton_GetScreentip(IDispatch* control, BSTR* screentip) override;
    HRESULT STDMETHODCALLTYPE RibbonButton_GetImage(IDispatch* control, IDispatch** image) override;

private:
    // IRibbonExtensibility, a part of this object: its IUnknown is the object's.
    class RibbonExtensibility final : public IRibbonExtensibility {
    public:
        explicit RibbonExtensibility(ConnectObject& owner) noexcept : owner_(owner) {}
        RibbonExtensibility(const RibbonExtensibility&) = delete;
        RibbonExtensibility& operator=(const RibbonExtensibility&) = delete;

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
        HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
        HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                                DISPID* ids) override;
        HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                         VARIANT* result, EXCEPINFO* excep, UINT* argErr) override;
        // Connect's markup for the ribbon type; an empty string for none. S_OK always.
        HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbonId, BSTR* xml) override;

    private:
        ConnectObject& owner_;
    };

    // A ribbon callback through IDispatch (DISPIDs 0x60030004..0x6003000A).
    HRESULT InvokeRibbonCallback(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, UINT* argErr);

    long refs_ = 1;
    std::shared_ptr<brisko::Connect> connect_;
    RibbonExtensibility ribbon_{*this};
};

}  // namespace brisko::com
