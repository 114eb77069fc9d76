#include "container.h"

#include "kelvane_testing.h"

namespace kelvane_test {
namespace {

constexpr wchar_t kContainerClass[] = L"KelvaneTestContainer";

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

void RegisterContainerClass() {
  static bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ContainerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kContainerClass;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

}  // namespace

Container::Container(int width, int height, const wchar_t* title) {
  RegisterContainerClass();
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  window_.Reset(CreateWindowExW(0, kContainerClass, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20, 20,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr));
  ShowWindow(window_.Get(), SW_SHOW);
  UpdateWindow(window_.Get());
  PumpMessages();
}

Container::~Container() {
  window_.Reset();
  PumpMessages();
}

HRESULT Site::Create(Container& container, REFCLSID clsid, ComPtr<Site>& out, Init init, IStream* load) {
  ComPtr<Site> site = ComPtr<Site>::Adopt(new Site(container));
  HRESULT hr = Library::Get().Create(clsid, site->control_);
  if (FAILED(hr)) return hr;
  ComPtr<IProvideClassInfo2> info = site->control_.As<IProvideClassInfo2>();
  if (!info) return E_NOINTERFACE;
  info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &site->events_);

  if (init == Init::QuickActivate) {
    ComPtr<IQuickActivate> quick = site->control_.As<IQuickActivate>();
    QACONTAINER qa{};
    qa.cbSize = sizeof(qa);
    qa.pClientSite = static_cast<IOleClientSite*>(site.Get());
    qa.pAdviseSink = reinterpret_cast<IAdviseSinkEx*>(static_cast<IAdviseSink*>(site.Get()));
    qa.pPropertyNotifySink = static_cast<IPropertyNotifySink*>(site.Get());
    qa.pUnkEventSink = static_cast<IDispatch*>(site.Get());
    QACONTROL qc{};
    qc.cbSize = sizeof(qc);
    hr = quick->QuickActivate(&qa, &qc);
    if (FAILED(hr)) return hr;
    site->event_cookie_ = qc.dwEventCookie;
  } else {
    ComPtr<IOleObject> object = site->control_.As<IOleObject>();
    hr = object->SetClientSite(static_cast<IOleClientSite*>(site.Get()));
    if (FAILED(hr)) return hr;
    ComPtr<IConnectionPointContainer> points = site->control_.As<IConnectionPointContainer>();
    ComPtr<IConnectionPoint> point;
    hr = points->FindConnectionPoint(site->events_, point.Put());
    if (FAILED(hr)) return hr;
    hr = point->Advise(static_cast<IDispatch*>(site.Get()), &site->event_cookie_);
    if (FAILED(hr)) return hr;
    ComPtr<IViewObject> view = site->control_.As<IViewObject>();
    view->SetAdvise(DVASPECT_CONTENT, 0, static_cast<IAdviseSink*>(site.Get()));
  }
  ComPtr<IPersistStreamInit> persist = site->control_.As<IPersistStreamInit>();
  hr = load ? persist->Load(load) : persist->InitNew();
  if (FAILED(hr)) return hr;
  out = site;
  return S_OK;
}

HRESULT Site::Activate(const RECT& rect, LONG verb) {
  rect_ = rect;
  ComPtr<IOleObject> object = control_.As<IOleObject>();
  if (!object) return E_UNEXPECTED;
  HRESULT hr = object->DoVerb(verb, nullptr, static_cast<IOleClientSite*>(this), 0, container_.Window(), &rect_);
  PumpMessages();
  return hr;
}

HRESULT Site::Move(const RECT& rect) {
  rect_ = rect;
  RECT clip{};
  GetClientRect(container_.Window(), &clip);
  ComPtr<IOleInPlaceObject> object = control_.As<IOleInPlaceObject>();
  HRESULT hr = object->SetObjectRects(&rect_, &clip);
  PumpMessages();
  return hr;
}

HRESULT Site::Deactivate() {
  ComPtr<IOleInPlaceObject> object = control_.As<IOleInPlaceObject>();
  HRESULT hr = object->InPlaceDeactivate();
  PumpMessages();
  return hr;
}

void Site::Close() {
  if (!control_) return;
  if (ComPtr<IOleObject> object = control_.As<IOleObject>()) {
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
  }
  if (ComPtr<IViewObject> view = control_.As<IViewObject>()) view->SetAdvise(DVASPECT_CONTENT, 0, nullptr);
  if (event_cookie_) {
    ComPtr<IConnectionPointContainer> points = control_.As<IConnectionPointContainer>();
    ComPtr<IConnectionPoint> point;
    if (points && SUCCEEDED(points->FindConnectionPoint(events_, point.Put()))) point->Unadvise(event_cookie_);
    event_cookie_ = 0;
  }
  active_object.Reset();
  control_.Reset();
  PumpMessages();
}

HWND Site::ControlWindow() const {
  ComPtr<IOleWindow> window = control_.As<IOleWindow>();
  HWND hwnd = nullptr;
  if (window) window->GetWindow(&hwnd);
  return hwnd;
}

HWND Site::ChildWindow() const {
  HWND hwnd = ControlWindow();
  return hwnd ? ::GetWindow(hwnd, GW_CHILD) : nullptr;
}

STDMETHODIMP Site::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  IUnknown* p = nullptr;
  if (iid == IID_IUnknown || iid == IID_IOleClientSite) p = static_cast<IOleClientSite*>(this);
  else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite || iid == IID_IOleInPlaceSiteEx)
    p = static_cast<IOleInPlaceSiteEx*>(this);
  else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) p = static_cast<IOleInPlaceFrame*>(this);
  else if (iid == IID_IPropertyNotifySink) p = static_cast<IPropertyNotifySink*>(this);
  else if (iid == IID_IAdviseSink) p = static_cast<IAdviseSink*>(this);
  else if (iid == IID_IDispatch || (iid == events_ && iid != GUID_NULL)) p = static_cast<IDispatch*>(this);
  if (!p) return E_NOINTERFACE;
  p->AddRef();
  *out = p;
  return S_OK;
}

STDMETHODIMP_(ULONG) Site::AddRef() { return static_cast<ULONG>(++refs_); }
STDMETHODIMP_(ULONG) Site::Release() {
  LONG n = --refs_;
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

STDMETHODIMP Site::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP Site::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP Site::ShowObject() {
  ++show_object;
  return S_OK;
}

STDMETHODIMP Site::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = container_.Window();
  return S_OK;
}

STDMETHODIMP Site::OnInPlaceActivate() {
  ++in_place_activations;
  return S_OK;
}

STDMETHODIMP Site::OnInPlaceActivateEx(BOOL* no_redraw, DWORD) {
  if (no_redraw) *no_redraw = FALSE;
  ++in_place_activations;
  return S_OK;
}

STDMETHODIMP Site::OnUIActivate() {
  ++ui_activations;
  return S_OK;
}

STDMETHODIMP Site::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                    LPOLEINPLACEFRAMEINFO info) {
  if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
  *frame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  *doc = nullptr;
  *pos = rect_;
  GetClientRect(container_.Window(), clip);
  info->fMDIApp = FALSE;
  info->hwndFrame = container_.Window();
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP Site::OnUIDeactivate(BOOL) {
  ++ui_deactivations;
  return S_OK;
}

STDMETHODIMP Site::OnInPlaceDeactivate() {
  ++in_place_deactivations;
  return S_OK;
}

STDMETHODIMP Site::OnInPlaceDeactivateEx(BOOL) { return OnInPlaceDeactivate(); }

STDMETHODIMP Site::OnPosRectChange(LPCRECT rect) { return rect ? Move(*rect) : E_POINTER; }

STDMETHODIMP Site::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
  active_object = ComPtr<IOleInPlaceActiveObject>(object);
  return S_OK;
}

STDMETHODIMP Site::OnChanged(DISPID dispid) {
  changed.push_back(dispid);
  return S_OK;
}

STDMETHODIMP Site::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP Site::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  if (id == 1 && (flags & DISPATCH_METHOD)) ++on_change;
  return S_OK;
}

}  // namespace kelvane_test
