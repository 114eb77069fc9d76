// The OLE control framework the Kelvane controls share: a windowed control
// that in-place activates in a window of its own with one contained child
// window, persists its property map through its dispatch interface, raises
// the events of one connection point and can be aggregated.
//
// A control class derives from Control<IDual> and implements its dual
// interface, OnCreate (which creates the child with CreateChild) and, when
// it listens to its child, OnNotify / OnCommand.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <span>
#include <vector>

#include "com.h"
#include "connection.h"
#include "module.h"

namespace olectl {

// One entry of a property map: a property persisted under its name, read and
// written through IDispatch with the given DISPID and type.
struct PersistedProperty {
  const wchar_t* name;
  DISPID dispid;
  VARTYPE type;  // VT_BOOL, VT_I4, VT_DATE or VT_BSTR
};

// What the framework needs to know of a control class.
struct ControlClass {
  const CLSID* clsid;
  const IID* dual;
  const IID* events;
  std::span<const PersistedProperty> properties;
};

// The window class of the controls' own windows; registered on first use,
// unregistered when the module unloads.
bool RegisterControlWindowClass() noexcept;
void UnregisterControlWindowClass() noexcept;

class ControlBase : public IPersistStreamInit,
                    public IPersistStorage,
                    public IOleControl,
                    public IOleObject,
                    public IOleInPlaceActiveObject,
                    public IViewObjectEx,
                    public IOleInPlaceObjectWindowless,
                    public ISupportErrorInfo,
                    public IConnectionPointContainer,
                    public ISpecifyPropertyPages,
                    public IQuickActivate,
                    public IDataObject,
                    public IProvideClassInfo2,
                    private ModuleObject {
 public:
  ControlBase(const ControlBase&) = delete;
  ControlBase& operator=(const ControlBase&) = delete;

  // The non-delegating IUnknown: what an aggregating outer object holds.
  IUnknown* Inner() noexcept { return &inner_; }
  // The controlling IUnknown (the outer object when aggregated).
  IUnknown* Outer() const noexcept { return outer_; }

  // IUnknown, delegating to the controlling unknown.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IPersist, IPersistStreamInit
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(IStream* stream) override;
  STDMETHODIMP Save(IStream* stream, BOOL clear_dirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
  STDMETHODIMP InitNew() override;

  // IPersistStorage
  STDMETHODIMP InitNew(IStorage* storage) override;
  STDMETHODIMP Load(IStorage* storage) override;
  STDMETHODIMP Save(IStorage* storage, BOOL same_as_load) override;
  STDMETHODIMP SaveCompleted(IStorage* storage) override;
  STDMETHODIMP HandsOffStorage() override;

  // IOleControl
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
  STDMETHODIMP OnMnemonic(MSG* msg) override;
  STDMETHODIMP OnAmbientPropertyChange(DISPID dispid) override;
  STDMETHODIMP FreezeEvents(BOOL freeze) override;

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) override;
  STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
  STDMETHODIMP Close(DWORD save_option) override;
  STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
  STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
  STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                      LPCRECT pos) override;
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
  STDMETHODIMP Update() override;
  STDMETHODIMP IsUpToDate() override;
  STDMETHODIMP GetUserClassID(CLSID* clsid) override;
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override;
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
  STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

  // IOleWindow (shared by IOleInPlaceActiveObject and IOleInPlaceObject)
  STDMETHODIMP GetWindow(HWND* hwnd) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;

  // IOleInPlaceActiveObject
  STDMETHODIMP TranslateAccelerator(LPMSG msg) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
  STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
  STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
  STDMETHODIMP EnableModeless(BOOL enable) override;

  // IOleInPlaceObject, IOleInPlaceObjectWindowless
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override;
  STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override;
  STDMETHODIMP ReactivateAndUndo() override;
  STDMETHODIMP OnWindowMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
  STDMETHODIMP GetDropTarget(IDropTarget** target) override;

  // IViewObject, IViewObject2, IViewObjectEx
  STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* device, HDC target_dc,
                    HDC dc, LPCRECTL bounds, LPCRECTL window_bounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                    ULONG_PTR cont_arg) override;
  STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* device, HDC target_dc,
                           LOGPALETTE** colors) override;
  STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspect_info, DWORD* freeze) override;
  STDMETHODIMP Unfreeze(DWORD freeze) override;
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;
  STDMETHODIMP GetRect(DWORD aspect, LPRECTL rect) override;
  STDMETHODIMP GetViewStatus(DWORD* status) override;
  STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT loc, LONG close_hint, DWORD* hit) override;
  STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT loc, LONG close_hint, DWORD* hit) override;
  STDMETHODIMP GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, HDC target_dc,
                                DVEXTENTINFO* info, LPSIZEL size) override;

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // ISpecifyPropertyPages
  STDMETHODIMP GetPages(CAUUID* pages) override;

  // IQuickActivate
  STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) override;
  STDMETHODIMP SetContentExtent(LPSIZEL size) override;
  STDMETHODIMP GetContentExtent(LPSIZEL size) override;

  // IDataObject
  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
  STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
  STDMETHODIMP QueryGetData(FORMATETC* format) override;
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
  STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
  STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
  STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* cookie) override;
  STDMETHODIMP DUnadvise(DWORD cookie) override;
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA** advise) override;

  // IProvideClassInfo, IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

 protected:
  ControlBase(const ControlClass& cls, IUnknown* outer) noexcept;
  virtual ~ControlBase();

  // The dual interface, as the object's IDispatch.
  virtual IDispatch* Dispatch() noexcept = 0;
  // WM_CREATE of the control's window: create the child; -1 fails creation.
  virtual LRESULT OnCreate() = 0;
  // WM_NOTIFY from the child; true when handled (result in result).
  virtual bool OnNotify(const NMHDR& header, LRESULT& result);
  // WM_COMMAND from the child.
  virtual void OnCommand(WORD id, WORD code);
  // A message to the child, before its own window procedure; true when
  // handled (result in result).
  virtual bool OnChildMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);
  // The control's window is being destroyed; the child is gone already.
  virtual void OnWindowDestroyed();

  HWND Window() const noexcept { return window_.Get(); }
  HWND Child() const noexcept { return child_.Get(); }
  bool InPlaceActive() const noexcept { return in_place_active_; }

  // Creates the contained child window at (0, 0) with the size of the
  // control's window rectangle; its messages pass through the control.
  HWND CreateChild(const wchar_t* window_class, DWORD style);

  // Raises an event (a method without arguments) to every connected sink.
  void FireEvent(DISPID dispid) noexcept;
  // The property changed: dirty, the container told, the view redrawn.
  void PropertyChanged(DISPID dispid) noexcept;
  void SetDirty(bool dirty) noexcept { dirty_ = dirty; }
  void FireViewChange() noexcept;

  // Stock Enabled and TabStop flags.
  HRESULT PutStockFlag(bool& flag, VARIANT_BOOL value, DISPID dispid) noexcept;
  static HRESULT GetStockFlag(bool flag, VARIANT_BOOL* value) noexcept;
  HRESULT GetHwnd(LONG_PTR* hwnd) noexcept;
  // A failure result of a dual-interface method: clears stale error info.
  static HRESULT Fail(HRESULT hr) noexcept;

  // The dual interface's type information: as an interface (for Invoke) and
  // as the dispinterface that IDispatch::GetTypeInfo hands out.
  ITypeInfo* DualTypeInfo() const noexcept { return dual_info_.Get(); }
  ITypeInfo* DispatchTypeInfo() const noexcept { return dispatch_info_.Get(); }

  bool enabled_ = true;
  bool tab_stop_ = true;

 private:
  friend class EventsConnectionPoint;
  friend bool RegisterControlWindowClass() noexcept;
  class InnerUnknown : public IUnknown {
   public:
    explicit InnerUnknown(ControlBase& owner) noexcept : owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

   private:
    ControlBase& owner_;
  };

  HRESULT InnerQueryInterface(REFIID iid, void** out) noexcept;
  // Tears down window, sinks and site while the object is still whole.
  void FinalRelease() noexcept;

  HRESULT InPlaceActivate(LONG verb, LPCRECT pos);
  HRESULT UIActivate();
  void DestroyControlWindow() noexcept;
  void ApplyRects() noexcept;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) noexcept;
  static LRESULT CALLBACK ChildProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) noexcept;
  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

  HRESULT ReadProperty(IStream* stream, const PersistedProperty& prop, VARIANT& value);
  HRESULT WriteProperty(IStream* stream, const PersistedProperty& prop);
  HRESULT GetProperty(const PersistedProperty& prop, VARIANT& value);

  const ControlClass& class_;
  InnerUnknown inner_;
  IUnknown* outer_;
  LONG refs_ = 0;

  ComPtr<ITypeInfo> dual_info_;
  ComPtr<ITypeInfo> dispatch_info_;
  ComPtr<IOleClientSite> site_;
  ComPtr<IOleInPlaceSite> in_place_site_;
  ComPtr<IOleInPlaceFrame> frame_;
  ComPtr<IOleInPlaceUIWindow> ui_window_;
  ComPtr<IOleAdviseHolder> ole_advise_;
  ComPtr<IDataAdviseHolder> data_advise_;
  ComPtr<IAdviseSink> view_sink_;
  DWORD view_sink_aspects_ = 0;
  DWORD view_sink_flags_ = 0;
  ComPtr<IPropertyNotifySink> property_sink_;

  EventsConnectionPoint events_;

  UniqueWindow window_;
  UniqueWindow child_;
  WNDPROC child_proc_ = nullptr;
  RECT pos_{};
  RECT clip_{};
  SIZEL extent_{2540, 2540};
  bool in_place_active_ = false;
  bool ui_active_ = false;
  bool dirty_ = false;
  bool final_release_ = false;
  LONG freeze_count_ = 0;
};

// The control classes' base: the IUnknown and IDispatch part of the dual
// interface, answered by the type library.
template <class Dual>
class Control : public ControlBase, public Dual {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return ControlBase::QueryInterface(iid, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return ControlBase::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return ControlBase::Release(); }

  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = DualTypeInfo() ? 1 : 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    if (!DispatchTypeInfo()) return E_UNEXPECTED;
    *info = DispatchTypeInfo();
    (*info)->AddRef();
    return S_OK;
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!DualTypeInfo()) return E_UNEXPECTED;
    return DispGetIDsOfNames(DualTypeInfo(), names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excep, UINT* arg_err) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!DualTypeInfo()) return E_UNEXPECTED;
    return Guard([&] {
      return DualTypeInfo()->Invoke(static_cast<Dual*>(this), id, flags, params, result, excep, arg_err);
    });
  }

 protected:
  Control(const ControlClass& cls, IUnknown* outer) noexcept : ControlBase(cls, outer) {}
  IDispatch* Dispatch() noexcept override { return static_cast<Dual*>(this); }
};

// Creates a control object of class T (constructor T(IUnknown* outer)) and
// answers iid through its non-delegating unknown.
template <class T>
HRESULT CreateControl(IUnknown* outer, REFIID iid, void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
  return Guard([&]() -> HRESULT {
    T* object = new T(outer);
    IUnknown* inner = object->Inner();
    inner->AddRef();
    HRESULT hr = inner->QueryInterface(iid, out);
    inner->Release();
    return hr;
  });
}

}  // namespace olectl
