#include "classes.h"

namespace kelvane {
namespace {

constexpr olectl::PersistedProperty kProperties[] = {
    {L"Enabled", DISPID_ENABLED, VT_BOOL},
    {L"Value", 1, VT_I4},
};
constexpr olectl::ControlClass kClass{&CLSID_PriorityBar, &IID_IPriorityBar, &DIID__IPriorityBarEvents, kProperties};

// Command identifiers of the buttons, top to bottom: high, normal, low.
constexpr int kFirstButton = 100;
constexpr int kButtons = 3;
constexpr int kImageStrip = 201;
constexpr DWORD kToolbarStyles = TBSTYLE_LIST | TBSTYLE_FLAT | TBSTYLE_WRAPABLE | CCS_NODIVIDER |
                                 CCS_NOPARENTALIGN | CCS_NORESIZE;

// Button of priority v: 102 - v (v in 0..2).
WPARAM ButtonOf(int value) { return static_cast<WPARAM>(kFirstButton + 2 - value); }

}  // namespace

CPriorityBar::CPriorityBar(IUnknown* outer) noexcept : Control(kClass, outer) {}

STDMETHODIMP CPriorityBar::put_Enabled(VARIANT_BOOL value) { return PutStockFlag(enabled_, value, DISPID_ENABLED); }
STDMETHODIMP CPriorityBar::get_Enabled(VARIANT_BOOL* value) { return GetStockFlag(enabled_, value); }
STDMETHODIMP CPriorityBar::get_HWND(LONG_PTR* hwnd) { return GetHwnd(hwnd); }

STDMETHODIMP CPriorityBar::get_Value(int* value) {
  if (!value) return E_POINTER;
  if (HWND toolbar = Child()) {
    int read = 1;
    for (int i = 0; i < kButtons; ++i) {
      if (SendMessageW(toolbar, TB_ISBUTTONCHECKED, static_cast<WPARAM>(kFirstButton + i), 0)) {
        read = 2 - i;
        break;
      }
    }
    value_ = read;
  }
  *value = value_;
  return S_OK;
}

HRESULT CPriorityBar::CheckButton(int value) {
  HWND toolbar = Child();
  if (!toolbar) return S_OK;
  // Values outside 0..2 name no button.
  if (value < 0 || value > 2) return Fail(E_INVALIDARG);
  // Checking the group's checked button again answers FALSE in some toolbars (Wine's): no fault.
  if (SendMessageW(toolbar, TB_ISBUTTONCHECKED, ButtonOf(value), 0)) return S_OK;
  if (!SendMessageW(toolbar, TB_CHECKBUTTON, ButtonOf(value), MAKELPARAM(TRUE, 0))) return Fail(E_FAIL);
  return S_OK;
}

STDMETHODIMP CPriorityBar::put_Value(int value) {
  value_ = value;
  SetDirty(true);
  return CheckButton(value);
}

STDMETHODIMP CPriorityBar::SetCaptions(BSTR high, BSTR normal, BSTR low) {
  return olectl::Guard([&]() -> HRESULT {
    const BSTR texts[kButtons] = {high, normal, low};
    for (int i = 0; i < kButtons; ++i) captions_[i].assign(texts[i] ? texts[i] : L"", texts[i] ? SysStringLen(texts[i]) : 0);
    HWND toolbar = Child();
    if (!toolbar) return S_OK;
    bool ok = true;
    for (int i = 0; i < kButtons; ++i) {
      TBBUTTONINFOW info{};
      info.cbSize = 32;  // TBBUTTONINFOW of the 32-bit common controls
      info.dwMask = TBIF_TEXT;
      info.pszText = captions_[i].data();
      if (!SendMessageW(toolbar, TB_SETBUTTONINFOW, static_cast<WPARAM>(kFirstButton + i),
                        reinterpret_cast<LPARAM>(&info)))
        ok = false;
    }
    return ok ? S_OK : Fail(E_FAIL);
  });
}

LRESULT CPriorityBar::OnCreate() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
  if (!InitCommonControlsEx(&icc)) return -1;
  RECT rc{};
  GetWindowRect(Window(), &rc);
  const int w = rc.right - rc.left;
  const int h = rc.bottom - rc.top;
  HWND toolbar = CreateChild(TOOLBARCLASSNAMEW, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  if (!toolbar) return -1;
  const LONG_PTR style = GetWindowLongPtrW(toolbar, GWL_STYLE);
  if ((style & kToolbarStyles) != kToolbarStyles) SetWindowLongPtrW(toolbar, GWL_STYLE, style | kToolbarStyles);
  SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, 20, 0);

  // Magenta is the transparent colour of the strip.
  images_.reset(ImageList_LoadImageW(olectl::module::Instance(), MAKEINTRESOURCEW(kImageStrip), 16, 1,
                                     RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION | LR_DEFAULTSIZE));
  SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.get()));

  TBBUTTON buttons[kButtons]{};
  for (int i = 0; i < kButtons; ++i) {
    buttons[i].iBitmap = i;
    buttons[i].idCommand = kFirstButton + i;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = TBSTYLE_CHECKGROUP;
    buttons[i].dwData = 0;
    buttons[i].iString = reinterpret_cast<INT_PTR>(captions_[i].c_str());
  }
  SendMessageW(toolbar, TB_ADDBUTTONSW, kButtons, reinterpret_cast<LPARAM>(buttons));

  const int bw = w > 3 ? w : 4;
  const int bh = h / 3 > 3 ? h / 3 : 4;
  SendMessageW(toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(bw, bh));
  RECT rows{};
  SendMessageW(toolbar, TB_SETROWS, MAKEWPARAM(kButtons, FALSE), reinterpret_cast<LPARAM>(&rows));
  CheckButton(value_);
  return 0;
}

void CPriorityBar::OnCommand(WORD id, WORD) {
  // A click on a button changes the value the control persists.
  if (id >= kFirstButton && id < kFirstButton + kButtons) SetDirty(true);
}

void CPriorityBar::OnWindowDestroyed() {
  images_.reset();  // the toolbar that used it is gone
}

}  // namespace kelvane
