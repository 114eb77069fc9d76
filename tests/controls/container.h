// A minimal ActiveX container for the tests, the screenshot and the
// benchmark: a top-level window with one site per control. A site creates
// its control through Kelvane.dll's class factory, initialises it
// (IQuickActivate or SetClientSite plus a connection point), activates it in
// place in the container's window and records what the control tells it.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <vector>

#include "olectl/com.h"

namespace kelvane_test {

using olectl::ComPtr;

class Container {
 public:
  Container(int width, int height, const wchar_t* title = L"Kelvane test container");
  Container(const Container&) = delete;
  Container& operator=(const Container&) = delete;
  ~Container();
  HWND Window() const { return window_.Get(); }

 private:
  olectl::UniqueWindow window_;
};

class Site final : public IOleClientSite,
                   public IOleInPlaceSiteEx,
                   public IOleInPlaceFrame,
                   public IPropertyNotifySink,
                   public IAdviseSink,
                   public IDispatch {
 public:
  enum class Init { QuickActivate, ClientSite };

  // A new control of the class, initialised (InitNew unless load is given).
  static HRESULT Create(Container& container, REFCLSID clsid, ComPtr<Site>& out, Init init = Init::QuickActivate,
                        IStream* load = nullptr);

  // IOleObject::DoVerb with the site's rectangle in the container.
  HRESULT Activate(const RECT& rect, LONG verb = OLEIVERB_INPLACEACTIVATE);
  // IOleInPlaceObject::SetObjectRects with a new rectangle.
  HRESULT Move(const RECT& rect);
  HRESULT Deactivate();
  // Close, then detach the site and the event sink; drops the control.
  void Close();

  template <class T>
  ComPtr<T> Control() const {
    return control_.As<T>();
  }
  IUnknown* Unknown() const { return control_.Get(); }
  // The control's own window and its child (null when not active).
  HWND ControlWindow() const;
  HWND ChildWindow() const;

  // What the control told the site.
  int on_change = 0;                 // events with DISPID 1
  std::vector<DISPID> changed;       // IPropertyNotifySink::OnChanged
  int view_changes = 0;              // IAdviseSink::OnViewChange
  int in_place_activations = 0;
  int in_place_deactivations = 0;
  int ui_activations = 0;
  int ui_deactivations = 0;
  int show_object = 0;
  ComPtr<IOleInPlaceActiveObject> active_object;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
  STDMETHODIMP GetContainer(IOleContainer** container) override;
  STDMETHODIMP ShowObject() override;
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* hwnd) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite, IOleInPlaceSiteEx
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override;
  STDMETHODIMP OnUIActivate() override;
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO info) override;
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override;
  STDMETHODIMP OnInPlaceDeactivate() override;
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT rect) override;
  STDMETHODIMP OnInPlaceActivateEx(BOOL* no_redraw, DWORD) override;
  STDMETHODIMP OnInPlaceDeactivateEx(BOOL) override;
  STDMETHODIMP RequestUIActivate() override { return S_OK; }

  // IOleInPlaceUIWindow, IOleInPlaceFrame
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override;
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IPropertyNotifySink
  STDMETHODIMP OnChanged(DISPID dispid) override;
  STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }

  // IAdviseSink
  STDMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override {}
  STDMETHODIMP_(void) OnViewChange(DWORD, LONG) override { ++view_changes; }
  STDMETHODIMP_(void) OnRename(IMoniker*) override {}
  STDMETHODIMP_(void) OnSave() override {}
  STDMETHODIMP_(void) OnClose() override {}

  // IDispatch: the control's events
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

 private:
  explicit Site(Container& container) : container_(container) {}
  ~Site() = default;

  Container& container_;
  LONG refs_ = 1;
  ComPtr<IUnknown> control_;
  IID events_{};
  DWORD event_cookie_ = 0;
  RECT rect_{};
};

}  // namespace kelvane_test
