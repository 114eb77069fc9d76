#include "control.h"

#include <atomic>
#include <cstddef>

namespace olectl {
namespace {

constexpr wchar_t kWindowClass[] = L"KelvaneControl";
constexpr wchar_t kChildProp[] = L"KelvaneControl.Owner";
constexpr DWORD kStreamVersion = 0x0300;
// Longest string a stream may hold (bytes): guards against corrupt lengths.
constexpr ULONG kMaxStringBytes = 16u << 20;

std::atomic<bool> g_class_registered{false};

HRESULT ReadExact(IStream* stream, void* buffer, ULONG size) {
  ULONG got = 0;
  HRESULT hr = stream->Read(buffer, size, &got);
  if (FAILED(hr)) return hr;
  return got == size ? S_OK : STG_E_READFAULT;
}

HRESULT WriteExact(IStream* stream, const void* buffer, ULONG size) {
  ULONG put = 0;
  HRESULT hr = stream->Write(buffer, size, &put);
  if (FAILED(hr)) return hr;
  return put == size ? S_OK : STG_E_WRITEFAULT;
}

// Bytes a fixed-size value of type vt takes after its type word; 0 for
// types the layout has no fixed size for.
ULONG ValueSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR: return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8: return 8;
    default: return 0;
  }
}

// The scode of a failed Invoke.
HRESULT InvokeResult(HRESULT hr, EXCEPINFO& info) {
  if (hr == DISP_E_EXCEPTION) {
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    if (FAILED(info.scode)) hr = info.scode;
  }
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  return hr;
}

}  // namespace

bool RegisterControlWindowClass() noexcept {
  if (g_class_registered.load()) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &ControlBase::WindowProc;
  wc.hInstance = module::Instance();
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  wc.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  g_class_registered = true;
  return true;
}

void UnregisterControlWindowClass() noexcept {
  if (g_class_registered.exchange(false)) UnregisterClassW(kWindowClass, module::Instance());
}

// --- Object identity and lifetime -------------------------------------------

ControlBase::ControlBase(const ControlClass& cls, IUnknown* outer) noexcept
    : class_(cls), inner_(*this), outer_(outer ? outer : &inner_), events_(*this, *cls.events) {
  if (SUCCEEDED(module::TypeInfoOf(*cls.dual, dispatch_info_))) {
    // Invoke goes through the interface half of the dual interface.
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(dispatch_info_->GetTypeAttr(&attr))) {
      bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
      dispatch_info_->ReleaseTypeAttr(attr);
      HREFTYPE ref = 0;
      if (dual && SUCCEEDED(dispatch_info_->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)))
        dispatch_info_->GetRefTypeInfo(ref, dual_info_.Put());
    }
    if (!dual_info_) dual_info_ = dispatch_info_;
  }
}

ControlBase::~ControlBase() = default;

STDMETHODIMP ControlBase::InnerUnknown::QueryInterface(REFIID iid, void** out) {
  return owner_.InnerQueryInterface(iid, out);
}

STDMETHODIMP_(ULONG) ControlBase::InnerUnknown::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&owner_.refs_));
}

STDMETHODIMP_(ULONG) ControlBase::InnerUnknown::Release() {
  LONG n = InterlockedDecrement(&owner_.refs_);
  if (n == 0) {
    owner_.refs_ = 1;  // references taken during the teardown do not re-enter it
    owner_.FinalRelease();
    delete &owner_;
  }
  return static_cast<ULONG>(n);
}

HRESULT ControlBase::InnerQueryInterface(REFIID iid, void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  IUnknown* p = nullptr;
  if (iid == IID_IUnknown) p = &inner_;
  else if (iid == IID_IDispatch || iid == *class_.dual) p = Dispatch();
  else if (iid == IID_IPersist || iid == IID_IPersistStreamInit) p = static_cast<IPersistStreamInit*>(this);
  else if (iid == IID_IPersistStorage) p = static_cast<IPersistStorage*>(this);
  else if (iid == IID_IOleControl) p = static_cast<IOleControl*>(this);
  else if (iid == IID_IOleObject) p = static_cast<IOleObject*>(this);
  else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject || iid == IID_IOleInPlaceObjectWindowless)
    p = static_cast<IOleInPlaceObjectWindowless*>(this);
  else if (iid == IID_IOleInPlaceActiveObject) p = static_cast<IOleInPlaceActiveObject*>(this);
  else if (iid == IID_IViewObject || iid == IID_IViewObject2 || iid == IID_IViewObjectEx)
    p = static_cast<IViewObjectEx*>(this);
  else if (iid == IID_ISupportErrorInfo) p = static_cast<ISupportErrorInfo*>(this);
  else if (iid == IID_IConnectionPointContainer) p = static_cast<IConnectionPointContainer*>(this);
  else if (iid == IID_ISpecifyPropertyPages) p = static_cast<ISpecifyPropertyPages*>(this);
  else if (iid == IID_IQuickActivate) p = static_cast<IQuickActivate*>(this);
  else if (iid == IID_IDataObject) p = static_cast<IDataObject*>(this);
  else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) p = static_cast<IProvideClassInfo2*>(this);
  if (!p) return E_NOINTERFACE;
  p->AddRef();
  *out = p;
  return S_OK;
}

STDMETHODIMP ControlBase::QueryInterface(REFIID iid, void** out) { return outer_->QueryInterface(iid, out); }
STDMETHODIMP_(ULONG) ControlBase::AddRef() { return outer_->AddRef(); }
STDMETHODIMP_(ULONG) ControlBase::Release() { return outer_->Release(); }

void ControlBase::FinalRelease() noexcept {
  final_release_ = true;
  events_.DisconnectAll();
  if (window_) {
    ui_active_ = false;
    in_place_active_ = false;
    DestroyControlWindow();
  }
  property_sink_.Reset();
  view_sink_.Reset();
  data_advise_.Reset();
  ole_advise_.Reset();
  ui_window_.Reset();
  frame_.Reset();
  in_place_site_.Reset();
  site_.Reset();
}

HRESULT ControlBase::Fail(HRESULT hr) noexcept {
  SetErrorInfo(0, nullptr);
  return hr;
}

// --- Windows -----------------------------------------------------------------

LRESULT CALLBACK ControlBase::WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) noexcept {
  ControlBase* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<ControlBase*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (self) self->window_ = UniqueWindow(hwnd);
  } else {
    self = reinterpret_cast<ControlBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(hwnd, msg, wparam, lparam);
  // The container may drop its last reference inside a handler.
  const bool keep = !self->final_release_;
  if (keep) self->inner_.AddRef();
  LRESULT result;
  try {
    result = self->HandleMessage(hwnd, msg, wparam, lparam);
  } catch (...) {
    result = msg == WM_CREATE ? -1 : DefWindowProcW(hwnd, msg, wparam, lparam);
  }
  if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  if (keep) self->inner_.Release();
  return result;
}

LRESULT ControlBase::HandleMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_CREATE:
      return OnCreate();
    case WM_SETFOCUS: {
      LRESULT r = DefWindowProcW(hwnd, msg, wparam, lparam);
      if (in_place_active_ && !ui_active_) UIActivate();
      if (in_place_active_ && child_) {
        HWND focus = GetFocus();
        if (!focus || !IsChild(hwnd, focus)) SetFocus(child_.Get());
      }
      return r;
    }
    case WM_MOUSEACTIVATE: {
      LRESULT r = DefWindowProcW(hwnd, msg, wparam, lparam);
      if (in_place_active_ && !ui_active_) UIActivate();
      return r;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      LRESULT result = 0;
      if (header && child_ && header->hwndFrom == child_.Get() && OnNotify(*header, result)) return result;
      return DefWindowProcW(hwnd, msg, wparam, lparam);
    }
    case WM_COMMAND:
      if (child_ && reinterpret_cast<HWND>(lparam) == child_.Get()) OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_DESTROY:
      child_.Reset();
      OnWindowDestroyed();
      return DefWindowProcW(hwnd, msg, wparam, lparam);
    case WM_NCDESTROY:
      window_.Release();
      return DefWindowProcW(hwnd, msg, wparam, lparam);
    default:
      return DefWindowProcW(hwnd, msg, wparam, lparam);
  }
}

LRESULT CALLBACK ControlBase::ChildProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) noexcept {
  auto* self = static_cast<ControlBase*>(GetPropW(hwnd, kChildProp));
  if (!self || !self->child_proc_) return DefWindowProcW(hwnd, msg, wparam, lparam);
  WNDPROC original = self->child_proc_;
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    RemovePropW(hwnd, kChildProp);
    self->child_proc_ = nullptr;
    self->child_.Release();
    return CallWindowProcW(original, hwnd, msg, wparam, lparam);
  }
  try {
    LRESULT result = 0;
    if (!self->final_release_ && self->OnChildMessage(msg, wparam, lparam, result)) return result;
  } catch (...) {
    // The child's own procedure handles the message.
  }
  return CallWindowProcW(original, hwnd, msg, wparam, lparam);
}

bool ControlBase::OnNotify(const NMHDR&, LRESULT&) { return false; }
void ControlBase::OnCommand(WORD, WORD) {}
bool ControlBase::OnChildMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
void ControlBase::OnWindowDestroyed() {}

HWND ControlBase::CreateChild(const wchar_t* window_class, DWORD style) {
  RECT rc{};
  GetWindowRect(window_.Get(), &rc);
  HWND h = CreateWindowExW(0, window_class, nullptr, style, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                           window_.Get(), nullptr, module::Instance(), nullptr);
  if (!h) return nullptr;
  child_ = UniqueWindow(h);
  if (SetPropW(h, kChildProp, static_cast<HANDLE>(this))) {
    child_proc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlBase::ChildProc)));
  }
  return h;
}

void ControlBase::DestroyControlWindow() noexcept {
  UniqueWindow gone = std::move(window_);
  gone.Reset();
}

void ControlBase::ApplyRects() noexcept {
  HWND hwnd = window_.Get();
  if (!hwnd) return;
  const int w = pos_.right - pos_.left;
  const int h = pos_.bottom - pos_.top;
  SetWindowPos(hwnd, nullptr, pos_.left, pos_.top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT visible{};
  if (IsRectEmpty(&clip_) || (IntersectRect(&visible, &pos_, &clip_) && EqualRect(&visible, &pos_))) {
    SetWindowRgn(hwnd, nullptr, TRUE);
  } else {
    GdiObject<HRGN> region(CreateRectRgn(visible.left - pos_.left, visible.top - pos_.top,
                                         visible.right - pos_.left, visible.bottom - pos_.top));
    if (region && SetWindowRgn(hwnd, region.Get(), TRUE)) region.Release();  // the window owns it now
  }
  if (child_) SetWindowPos(child_.Get(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Activation --------------------------------------------------------------

HRESULT ControlBase::InPlaceActivate(LONG verb, LPCRECT) {
  if (!site_) return E_UNEXPECTED;
  if (!in_place_active_) {
    ComPtr<IOleInPlaceSite> site;
    if (FAILED(site_.As(IID_IOleInPlaceSite, site)) || !site) return E_NOINTERFACE;
    HRESULT hr = site->CanInPlaceActivate();
    if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;
    ComPtr<IOleInPlaceSiteEx> site_ex;
    site.As(IID_IOleInPlaceSiteEx, site_ex);
    BOOL no_redraw = FALSE;
    hr = site_ex ? site_ex->OnInPlaceActivateEx(&no_redraw, 0) : site->OnInPlaceActivate();
    if (FAILED(hr)) return hr;
    in_place_active_ = true;
    in_place_site_ = site;

    auto fail = [&](HRESULT error) {
      in_place_active_ = false;
      DestroyControlWindow();
      frame_.Reset();
      ui_window_.Reset();
      in_place_site_.Reset();
      site->OnInPlaceDeactivate();
      return error;
    };
    HWND parent = nullptr;
    hr = site->GetWindow(&parent);
    if (FAILED(hr) || !parent) return fail(FAILED(hr) ? hr : E_FAIL);
    OLEINPLACEFRAMEINFO frame_info{};
    frame_info.cb = sizeof(frame_info);
    RECT pos{}, clip{};
    hr = site->GetWindowContext(frame_.Put(), ui_window_.Put(), &pos, &clip, &frame_info);
    if (FAILED(hr)) return fail(hr);
    pos_ = pos;
    clip_ = clip;
    if (!RegisterControlWindowClass()) return fail(HRESULT_FROM_WIN32(GetLastError()));
    HWND hwnd = CreateWindowExW(0, kWindowClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                pos_.left, pos_.top, pos_.right - pos_.left, pos_.bottom - pos_.top, parent, nullptr,
                                module::Instance(), this);
    if (!hwnd || !window_) return fail(E_FAIL);
    ApplyRects();
  }
  if (verb == OLEIVERB_UIACTIVATE) {
    HRESULT hr = UIActivate();
    if (FAILED(hr)) return hr;
  }
  if (window_) ShowWindow(window_.Get(), SW_SHOW);
  if (site_) site_->ShowObject();
  return S_OK;
}

HRESULT ControlBase::UIActivate() {
  if (!in_place_active_) return E_UNEXPECTED;
  if (ui_active_) return S_OK;
  ui_active_ = true;
  ComPtr<IOleInPlaceSite> site = in_place_site_;
  if (site) site->OnUIActivate();
  HWND hwnd = window_.Get();
  if (hwnd) {
    HWND focus = GetFocus();
    if (focus != hwnd && !IsChild(hwnd, focus)) SetFocus(hwnd);
  }
  auto* active = static_cast<IOleInPlaceActiveObject*>(this);
  if (frame_) {
    frame_->SetActiveObject(active, nullptr);
    frame_->SetBorderSpace(nullptr);
  }
  if (ui_window_) {
    ui_window_->SetActiveObject(active, nullptr);
    ui_window_->SetBorderSpace(nullptr);
  }
  return S_OK;
}

STDMETHODIMP ControlBase::UIDeactivate() {
  return Guard([&]() -> HRESULT {
    if (!ui_active_) return S_OK;
    ui_active_ = false;
    if (ui_window_) ui_window_->SetActiveObject(nullptr, nullptr);
    if (frame_) frame_->SetActiveObject(nullptr, nullptr);
    ComPtr<IOleInPlaceSite> site = in_place_site_;
    if (site) site->OnUIDeactivate(FALSE);
    return S_OK;
  });
}

STDMETHODIMP ControlBase::InPlaceDeactivate() {
  return Guard([&]() -> HRESULT {
    if (!in_place_active_) return S_OK;
    UIDeactivate();
    in_place_active_ = false;
    DestroyControlWindow();
    ComPtr<IOleInPlaceSite> site = std::move(in_place_site_);
    frame_.Reset();
    ui_window_.Reset();
    if (site) site->OnInPlaceDeactivate();
    return S_OK;
  });
}

STDMETHODIMP ControlBase::SetObjectRects(LPCRECT pos, LPCRECT clip) {
  if (!pos) return E_POINTER;
  pos_ = *pos;
  clip_ = clip ? *clip : *pos;
  ApplyRects();
  return S_OK;
}

STDMETHODIMP ControlBase::ReactivateAndUndo() { return E_NOTIMPL; }
STDMETHODIMP ControlBase::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) { return S_FALSE; }
STDMETHODIMP ControlBase::GetDropTarget(IDropTarget** target) {
  if (target) *target = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ControlBase::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = window_.Get();
  return *hwnd ? S_OK : E_FAIL;
}
STDMETHODIMP ControlBase::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP ControlBase::TranslateAccelerator(LPMSG) { return S_FALSE; }
STDMETHODIMP ControlBase::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP ControlBase::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP ControlBase::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP ControlBase::EnableModeless(BOOL) { return S_OK; }

// --- IOleObject ----------------------------------------------------------------

STDMETHODIMP ControlBase::SetClientSite(IOleClientSite* site) {
  ComPtr<IOleClientSite> old = std::move(site_);
  site_ = ComPtr<IOleClientSite>(site);
  if (!site) property_sink_.Reset();  // the container detaches
  return S_OK;
}

STDMETHODIMP ControlBase::GetClientSite(IOleClientSite** site) { return site_.CopyTo(site); }
STDMETHODIMP ControlBase::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP ControlBase::Close(DWORD save_option) {
  return Guard([&]() -> HRESULT {
    if (dirty_ && site_ && (save_option == OLECLOSE_SAVEIFDIRTY || save_option == OLECLOSE_PROMPTSAVE))
      site_->SaveObject();
    InPlaceDeactivate();
    if (ole_advise_) ole_advise_->SendOnClose();
    return S_OK;
  });
}

STDMETHODIMP ControlBase::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }
STDMETHODIMP ControlBase::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP ControlBase::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }
STDMETHODIMP ControlBase::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ControlBase::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT pos) {
  return Guard([&]() -> HRESULT {
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
      case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(verb, pos);
      case OLEIVERB_HIDE:
        UIDeactivate();
        if (window_) ShowWindow(window_.Get(), SW_HIDE);
        return S_OK;
      case OLEIVERB_DISCARDUNDOSTATE:
        return S_OK;
      default:
        if (verb > 0) {  // an unknown verb of the object acts as the primary one
          HRESULT hr = InPlaceActivate(OLEIVERB_PRIMARY, pos);
          return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
        }
        return E_NOTIMPL;
    }
  });
}

STDMETHODIMP ControlBase::EnumVerbs(IEnumOLEVERB** verbs) {
  if (!verbs) return E_POINTER;
  return OleRegEnumVerbs(*class_.clsid, verbs);
}
STDMETHODIMP ControlBase::Update() { return S_OK; }
STDMETHODIMP ControlBase::IsUpToDate() { return S_OK; }
STDMETHODIMP ControlBase::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = *class_.clsid;
  return S_OK;
}
STDMETHODIMP ControlBase::GetUserType(DWORD form, LPOLESTR* type) {
  if (!type) return E_POINTER;
  return OleRegGetUserType(*class_.clsid, form, type);
}

STDMETHODIMP ControlBase::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  extent_ = *size;
  return S_OK;
}

STDMETHODIMP ControlBase::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  *size = extent_;
  return S_OK;
}

STDMETHODIMP ControlBase::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!ole_advise_) {
    HRESULT hr = CreateOleAdviseHolder(ole_advise_.Put());
    if (FAILED(hr)) return hr;
  }
  return ole_advise_->Advise(sink, cookie);
}

STDMETHODIMP ControlBase::Unadvise(DWORD cookie) {
  return ole_advise_ ? ole_advise_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP ControlBase::EnumAdvise(IEnumSTATDATA** advise) {
  if (!advise) return E_POINTER;
  *advise = nullptr;
  return ole_advise_ ? ole_advise_->EnumAdvise(advise) : S_OK;
}

STDMETHODIMP ControlBase::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (!status) return E_POINTER;
  return OleRegGetMiscStatus(*class_.clsid, aspect, status);
}

STDMETHODIMP ControlBase::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// --- IOleControl ---------------------------------------------------------------

STDMETHODIMP ControlBase::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->cb = sizeof(CONTROLINFO);
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}
STDMETHODIMP ControlBase::OnMnemonic(MSG*) { return S_OK; }
STDMETHODIMP ControlBase::OnAmbientPropertyChange(DISPID) { return S_OK; }
STDMETHODIMP ControlBase::FreezeEvents(BOOL freeze) {
  if (freeze) ++freeze_count_;
  else if (freeze_count_ > 0) --freeze_count_;
  return S_OK;
}

// --- Views -----------------------------------------------------------------------

STDMETHODIMP ControlBase::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                               BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_OPAQUE) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  RECT r{bounds->left, bounds->top, bounds->right, bounds->bottom};
  int saved = SaveDC(dc);
  if (!saved) return E_FAIL;
  if (child_) {
    // The child paints itself into the target.
    OffsetViewportOrgEx(dc, r.left, r.top, nullptr);
    IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
    SendMessageW(child_.Get(), WM_PRINT, reinterpret_cast<WPARAM>(dc),
                 PRF_CLIENT | PRF_NONCLIENT | PRF_CHILDREN | PRF_ERASEBKGND);
  } else {
    FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
  }
  RestoreDC(dc, saved);
  return S_OK;
}

STDMETHODIMP ControlBase::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
  if (colors) *colors = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP ControlBase::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
STDMETHODIMP ControlBase::Unfreeze(DWORD) { return E_NOTIMPL; }

STDMETHODIMP ControlBase::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  view_sink_ = ComPtr<IAdviseSink>(sink);
  view_sink_aspects_ = aspects;
  view_sink_flags_ = flags;
  return S_OK;
}

STDMETHODIMP ControlBase::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = view_sink_aspects_;
  if (flags) *flags = view_sink_flags_;
  if (sink) view_sink_.CopyTo(sink);
  return S_OK;
}

STDMETHODIMP ControlBase::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

STDMETHODIMP ControlBase::GetRect(DWORD, LPRECTL) { return E_NOTIMPL; }

STDMETHODIMP ControlBase::GetViewStatus(DWORD* status) {
  if (!status) return E_POINTER;
  *status = VIEWSTATUS_SOLIDBKGND | VIEWSTATUS_OPAQUE;
  return S_OK;
}

STDMETHODIMP ControlBase::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT loc, LONG, DWORD* hit) {
  if (!bounds || !hit) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *hit = PtInRect(bounds, loc) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

STDMETHODIMP ControlBase::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT loc, LONG, DWORD* hit) {
  if (!bounds || !loc || !hit) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  RECT both{};
  *hit = IntersectRect(&both, bounds, loc) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

STDMETHODIMP ControlBase::GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) {
  return E_NOTIMPL;
}

// --- Errors, events, property pages, class information -----------------------------

STDMETHODIMP ControlBase::InterfaceSupportsErrorInfo(REFIID iid) { return iid == *class_.dual ? S_OK : S_FALSE; }

STDMETHODIMP ControlBase::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (!points) return E_POINTER;
  *points = nullptr;
  return Guard([&]() -> HRESULT {
    std::vector<IConnectionPoint*> items{&events_};
    auto* e = new Enumerator<IEnumConnectionPoints, IConnectionPoint*>(
        static_cast<IConnectionPointContainer*>(this), std::move(items));
    e->AddRef();
    *points = e;
    return S_OK;
  });
}

STDMETHODIMP ControlBase::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != *class_.events) return CONNECT_E_NOCONNECTION;
  events_.AddRef();
  *point = &events_;
  return S_OK;
}

STDMETHODIMP ControlBase::GetPages(CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = 0;
  pages->pElems = nullptr;
  return S_OK;
}

STDMETHODIMP ControlBase::GetClassInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  ComPtr<ITypeInfo> ti;
  HRESULT hr = module::TypeInfoOf(*class_.clsid, ti);
  if (FAILED(hr)) return hr;
  *info = ti.Detach();
  return S_OK;
}

STDMETHODIMP ControlBase::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *guid = GUID_NULL;
    return E_INVALIDARG;
  }
  *guid = *class_.events;
  return S_OK;
}

void ControlBase::FireEvent(DISPID dispid) noexcept { events_.Fire(dispid); }

void ControlBase::FireViewChange() noexcept {
  if (window_) RedrawWindow(window_.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  if (ComPtr<IAdviseSink> sink = view_sink_) sink->OnViewChange(DVASPECT_CONTENT, -1);
}

void ControlBase::PropertyChanged(DISPID dispid) noexcept {
  dirty_ = true;
  if (ComPtr<IPropertyNotifySink> sink = property_sink_) sink->OnChanged(dispid);
  FireViewChange();
  if (ComPtr<IDataAdviseHolder> holder = data_advise_)
    holder->SendOnDataChange(static_cast<IDataObject*>(this), 0, 0);
}

HRESULT ControlBase::PutStockFlag(bool& flag, VARIANT_BOOL value, DISPID dispid) noexcept {
  flag = value != VARIANT_FALSE;
  PropertyChanged(dispid);
  return S_OK;
}

HRESULT ControlBase::GetStockFlag(bool flag, VARIANT_BOOL* value) noexcept {
  if (!value) return E_POINTER;
  *value = flag ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT ControlBase::GetHwnd(LONG_PTR* hwnd) noexcept {
  if (!hwnd) return E_POINTER;
  *hwnd = reinterpret_cast<LONG_PTR>(window_.Get());
  return S_OK;
}

// --- IQuickActivate -----------------------------------------------------------------

STDMETHODIMP ControlBase::QuickActivate(QACONTAINER* container, QACONTROL* control) {
  if (!container || !control) return E_POINTER;
  if (container->cbSize < offsetof(QACONTAINER, dwAmbientFlags) ||
      control->cbSize < offsetof(QACONTROL, dwPointerActivationPolicy))
    return E_INVALIDARG;
  return Guard([&]() -> HRESULT {
    const ULONG size = control->cbSize < sizeof(QACONTROL) ? control->cbSize : sizeof(QACONTROL);
    QACONTROL answer{};
    answer.cbSize = control->cbSize;
    SetClientSite(container->pClientSite);
    if (container->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    property_sink_ = ComPtr<IPropertyNotifySink>(container->pPropertyNotifySink);
    if (container->pUnkEventSink) events_.Advise(container->pUnkEventSink, &answer.dwEventCookie);
    GetMiscStatus(DVASPECT_CONTENT, &answer.dwMiscStatus);
    GetViewStatus(&answer.dwViewStatus);
    memcpy(control, &answer, size);
    return S_OK;
  });
}

STDMETHODIMP ControlBase::SetContentExtent(LPSIZEL size) { return SetExtent(DVASPECT_CONTENT, size); }
STDMETHODIMP ControlBase::GetContentExtent(LPSIZEL size) { return GetExtent(DVASPECT_CONTENT, size); }

// --- IDataObject ---------------------------------------------------------------------

STDMETHODIMP ControlBase::QueryGetData(FORMATETC* format) {
  if (!format) return E_POINTER;
  if (format->cfFormat != CF_METAFILEPICT || !(format->tymed & TYMED_MFPICT) || format->dwAspect != DVASPECT_CONTENT)
    return DV_E_FORMATETC;
  return S_OK;
}

STDMETHODIMP ControlBase::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (!medium) return E_POINTER;
  HRESULT hr = QueryGetData(format);
  if (hr != S_OK) return hr;
  return Guard([&]() -> HRESULT {
    HDC screen = GetDC(nullptr);
    const int dpi_x = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    const int dpi_y = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    const int width = MulDiv(extent_.cx, dpi_x, 2540);
    const int height = MulDiv(extent_.cy, dpi_y, 2540);

    HDC dc = CreateMetaFileW(nullptr);
    if (!dc) return E_OUTOFMEMORY;
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, width, height, nullptr);
    RECTL bounds{0, 0, width, height};
    Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
    HMETAFILE metafile = CloseMetaFile(dc);
    if (!metafile) return E_FAIL;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(METAFILEPICT));
    auto* pict = memory ? static_cast<METAFILEPICT*>(GlobalLock(memory)) : nullptr;
    if (!pict) {
      if (memory) GlobalFree(memory);
      DeleteMetaFile(metafile);
      return E_OUTOFMEMORY;
    }
    pict->mm = MM_ANISOTROPIC;
    pict->xExt = extent_.cx;
    pict->yExt = extent_.cy;
    pict->hMF = metafile;
    GlobalUnlock(memory);
    medium->tymed = TYMED_MFPICT;
    medium->hMetaFilePict = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  });
}

STDMETHODIMP ControlBase::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }
STDMETHODIMP ControlBase::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (out) out->ptd = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP ControlBase::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }
STDMETHODIMP ControlBase::EnumFormatEtc(DWORD, IEnumFORMATETC** formats) {
  if (formats) *formats = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ControlBase::DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!data_advise_) {
    HRESULT hr = CreateDataAdviseHolder(data_advise_.Put());
    if (FAILED(hr)) return hr;
  }
  return data_advise_->Advise(static_cast<IDataObject*>(this), format, flags, sink, cookie);
}

STDMETHODIMP ControlBase::DUnadvise(DWORD cookie) {
  return data_advise_ ? data_advise_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP ControlBase::EnumDAdvise(IEnumSTATDATA** advise) {
  if (!advise) return E_POINTER;
  *advise = nullptr;
  return data_advise_ ? data_advise_->EnumAdvise(advise) : S_OK;
}

// --- Persistence ---------------------------------------------------------------------
//
// Stream layout: a DWORD version (0x0300), then per property of the map its
// VARTYPE word and value: fixed-size values in their own size (VARIANT_BOOL
// 2 bytes, 32-bit integer 4, DATE 8), a BSTR as a ULONG byte count
// including the terminator (0 for a null string) followed by the characters
// and the terminator. Values of another type are converted on loading.

STDMETHODIMP ControlBase::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = *class_.clsid;
  return S_OK;
}

STDMETHODIMP ControlBase::IsDirty() { return dirty_ ? S_OK : S_FALSE; }

STDMETHODIMP ControlBase::InitNew() { return S_OK; }

HRESULT ControlBase::GetProperty(const PersistedProperty& prop, VARIANT& value) {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXCEPINFO info{};
  HRESULT hr = Dispatch()->Invoke(prop.dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value,
                                  &info, nullptr);
  hr = InvokeResult(hr, info);
  if (FAILED(hr)) return hr;
  if (value.vt != prop.type) return VariantChangeType(&value, &value, 0, prop.type);
  return S_OK;
}

HRESULT ControlBase::ReadProperty(IStream* stream, const PersistedProperty& prop, VARIANT& value) {
  VARTYPE vt = VT_EMPTY;
  HRESULT hr = ReadExact(stream, &vt, sizeof(vt));
  if (FAILED(hr)) return hr;
  if (vt == VT_BSTR) {
    ULONG bytes = 0;
    hr = ReadExact(stream, &bytes, sizeof(bytes));
    if (FAILED(hr)) return hr;
    value.bstrVal = nullptr;
    if (bytes != 0) {
      if (bytes % sizeof(wchar_t) != 0 || bytes > kMaxStringBytes) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
      std::vector<wchar_t> text(bytes / sizeof(wchar_t));
      hr = ReadExact(stream, text.data(), bytes);
      if (FAILED(hr)) return hr;
      // The last character is the terminator.
      value.bstrVal = Bstr(text.data(), static_cast<UINT>(text.size() - 1)).Detach();
    }
  } else {
    // Fixed-size values as other writers of this layout store them.
    const ULONG size = ValueSize(vt);
    if (size == 0) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    value.llVal = 0;
    hr = ReadExact(stream, &value.llVal, size);
  }
  if (FAILED(hr)) return hr;
  value.vt = vt;
  if (vt != prop.type) {
    hr = VariantChangeType(&value, &value, 0, prop.type);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

HRESULT ControlBase::WriteProperty(IStream* stream, const PersistedProperty& prop) {
  Variant value;
  HRESULT hr = GetProperty(prop, *value.Get());
  if (FAILED(hr)) return hr;
  const VARTYPE vt = value->vt;
  hr = WriteExact(stream, &vt, sizeof(vt));
  if (FAILED(hr)) return hr;
  if (vt == VT_BSTR) {
    const ULONG bytes = value->bstrVal ? SysStringByteLen(value->bstrVal) + sizeof(wchar_t) : 0;
    hr = WriteExact(stream, &bytes, sizeof(bytes));
    if (FAILED(hr) || bytes == 0) return hr;
    return WriteExact(stream, value->bstrVal, bytes);
  }
  const ULONG size = ValueSize(vt);
  if (size == 0) return DISP_E_TYPEMISMATCH;
  return WriteExact(stream, &value->llVal, size);
}

STDMETHODIMP ControlBase::Load(IStream* stream) {
  if (!stream) return E_POINTER;
  return Guard([&]() -> HRESULT {
    DWORD version = 0;
    HRESULT hr = ReadExact(stream, &version, sizeof(version));
    if (FAILED(hr)) return hr;
    std::vector<Variant> values(class_.properties.size());
    // Everything is read before anything is applied: a broken stream changes nothing.
    for (size_t i = 0; i < class_.properties.size(); ++i) {
      hr = ReadProperty(stream, class_.properties[i], *values[i].Get());
      if (FAILED(hr)) return hr;
    }
    HRESULT first = S_OK;
    for (size_t i = 0; i < class_.properties.size(); ++i) {
      DISPID named = DISPID_PROPERTYPUT;
      DISPPARAMS params{values[i].Get(), &named, 1, 1};
      EXCEPINFO info{};
      hr = Dispatch()->Invoke(class_.properties[i].dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                              &params, nullptr, &info, nullptr);
      hr = InvokeResult(hr, info);
      if (FAILED(hr) && SUCCEEDED(first)) first = hr;
    }
    dirty_ = false;
    return first;
  });
}

STDMETHODIMP ControlBase::Save(IStream* stream, BOOL clear_dirty) {
  if (!stream) return E_POINTER;
  return Guard([&]() -> HRESULT {
    HRESULT hr = WriteExact(stream, &kStreamVersion, sizeof(kStreamVersion));
    if (FAILED(hr)) return hr;
    for (const PersistedProperty& prop : class_.properties) {
      hr = WriteProperty(stream, prop);
      if (FAILED(hr)) return hr;
    }
    if (clear_dirty) dirty_ = false;
    return S_OK;
  });
}

STDMETHODIMP ControlBase::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  return Guard([&]() -> HRESULT {
    ULONGLONG total = sizeof(kStreamVersion);
    for (const PersistedProperty& prop : class_.properties) {
      Variant value;
      HRESULT hr = GetProperty(prop, *value.Get());
      if (FAILED(hr)) return hr;
      total += sizeof(VARTYPE);
      if (value->vt == VT_BSTR) {
        total += sizeof(ULONG);
        if (value->bstrVal) total += SysStringByteLen(value->bstrVal) + sizeof(wchar_t);
      } else {
        total += ValueSize(value->vt);
      }
    }
    size->QuadPart = total;
    return S_OK;
  });
}

constexpr wchar_t kContentsStream[] = L"Contents";

STDMETHODIMP ControlBase::InitNew(IStorage* storage) {
  if (!storage) return E_POINTER;
  return InitNew();
}

STDMETHODIMP ControlBase::Load(IStorage* storage) {
  if (!storage) return E_POINTER;
  ComPtr<IStream> stream;
  HRESULT hr = storage->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.Put());
  if (FAILED(hr)) return hr;
  return Load(stream.Get());
}

STDMETHODIMP ControlBase::Save(IStorage* storage, BOOL) {
  if (!storage) return E_POINTER;
  ComPtr<IStream> stream;
  HRESULT hr = storage->CreateStream(kContentsStream, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                     stream.Put());
  if (FAILED(hr)) return hr;
  return Save(stream.Get(), TRUE);
}

STDMETHODIMP ControlBase::SaveCompleted(IStorage*) { return S_OK; }
STDMETHODIMP ControlBase::HandsOffStorage() { return S_OK; }

}  // namespace olectl
