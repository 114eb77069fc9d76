#include "classes.h"

namespace kelvane {
namespace {

constexpr olectl::PersistedProperty kCalendarProperties[] = {
    {L"Enabled", DISPID_ENABLED, VT_BOOL},
    {L"TabStop", DISPID_TABSTOP, VT_BOOL},
    {L"Value", 1, VT_DATE},
};
constexpr olectl::ControlClass kCalendarClass{&CLSID_SysMonthCal32, &IID_ISysMonthCal32, &DIID__ISysMonthCal32Events,
                                              kCalendarProperties};

constexpr olectl::PersistedProperty kPickerProperties[] = {
    {L"Enabled", DISPID_ENABLED, VT_BOOL},
    {L"TabStop", DISPID_TABSTOP, VT_BOOL},
    {L"Value", 1, VT_DATE},
    {L"UpDown", 2, VT_BOOL},
};
constexpr olectl::ControlClass kPickerClass{&CLSID_SysDateTimePick32, &IID_ISysDateTimePick32,
                                            &DIID__ISysDateTimePick32Events, kPickerProperties};

constexpr DISPID kOnChange = 1;
constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
// The failure results of the date controls.
constexpr HRESULT kConversionFailed = static_cast<HRESULT>(0xFFFFFFFF);
constexpr HRESULT kWindowRejected = static_cast<HRESULT>(0xFFFFFFFE);

bool InitDateClasses() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_DATE_CLASSES};
  return InitCommonControlsEx(&icc) != FALSE;
}

DWORD OsMajorVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  return GetVersionExW(&info) ? info.dwMajorVersion : 0;
}

// Sends a DATE to the child (MCM_SETCURSEL / DTM_SETSYSTEMTIME: both 0x1002, wParam 0).
HRESULT SendDate(HWND child, DATE value) {
  SYSTEMTIME st{};
  if (!VariantTimeToSystemTime(value, &st)) return kConversionFailed;
  if (!SendMessageW(child, 0x1002, 0, reinterpret_cast<LPARAM>(&st))) return kWindowRejected;
  return S_OK;
}

DATE ToDate(const SYSTEMTIME& st) {
  DATE d = 0;
  SYSTEMTIME copy = st;
  if (!SystemTimeToVariantTime(&copy, &d)) d = 0;
  return d;
}

}  // namespace

// --- SysMonthCal32 ---------------------------------------------------------------

CSysMonthCal32::CSysMonthCal32(IUnknown* outer) noexcept : Control(kCalendarClass, outer) {}

STDMETHODIMP CSysMonthCal32::put_Enabled(VARIANT_BOOL value) { return PutStockFlag(enabled_, value, DISPID_ENABLED); }
STDMETHODIMP CSysMonthCal32::get_Enabled(VARIANT_BOOL* value) { return GetStockFlag(enabled_, value); }
STDMETHODIMP CSysMonthCal32::get_HWND(LONG_PTR* hwnd) { return GetHwnd(hwnd); }
STDMETHODIMP CSysMonthCal32::put_TabStop(VARIANT_BOOL value) { return PutStockFlag(tab_stop_, value, DISPID_TABSTOP); }
STDMETHODIMP CSysMonthCal32::get_TabStop(VARIANT_BOOL* value) { return GetStockFlag(tab_stop_, value); }

STDMETHODIMP CSysMonthCal32::get_Value(DATE* value) {
  if (!value) return E_POINTER;
  HWND child = Child();
  if (!child) {
    *value = value_;
    return S_OK;
  }
  SYSTEMTIME st{};
  if (!SendMessageW(child, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st))) {
    *value = value_;
    return Fail(kConversionFailed);
  }
  value_ = ToDate(st);
  *value = value_;
  return S_OK;
}

STDMETHODIMP CSysMonthCal32::put_Value(DATE value) {
  value_ = value;
  SetDirty(true);
  HWND child = Child();
  if (!child) return S_OK;
  HRESULT hr = SendDate(child, value);
  return FAILED(hr) ? Fail(hr) : hr;
}

STDMETHODIMP CSysMonthCal32::GetMinSize(int* width, int* height) {
  if (!width || !height) return E_POINTER;
  HWND child = Child();
  RECT min{};
  if (!child || !SendMessageW(child, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&min)))
    return Fail(kConversionFailed);
  const int today = static_cast<int>(SendMessageW(child, MCM_GETMAXTODAYWIDTH, 0, 0));
  const int w = std::max<int>(min.right - min.left, today);
  const int h = min.bottom - min.top;
  RECT frame{0, 0, w, h};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(child, GWL_EXSTYLE)));
  *width = frame.right - frame.left;
  *height = frame.bottom - frame.top;
  return S_OK;
}

LRESULT CSysMonthCal32::OnCreate() {
  if (!InitDateClasses()) return -1;
  HWND child = CreateChild(MONTHCAL_CLASSW, kChildStyle);
  if (!child) return -1;
  if (OsMajorVersion() > 5) {
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    SetWindowLongPtrW(child, GWL_STYLE, style | MCS_SHORTDAYSOFWEEK);
  }
  if (value_ != 0) SendDate(child, value_);
  return 0;
}

bool CSysMonthCal32::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.code != MCN_SELCHANGE) return false;
  SetDirty(true);
  FireEvent(kOnChange);
  result = 0;
  return true;
}

// --- SysDateTimePick32 ---------------------------------------------------------------

CSysDateTimePick32::CSysDateTimePick32(IUnknown* outer) noexcept : Control(kPickerClass, outer) {}

STDMETHODIMP CSysDateTimePick32::put_Enabled(VARIANT_BOOL value) {
  return PutStockFlag(enabled_, value, DISPID_ENABLED);
}
STDMETHODIMP CSysDateTimePick32::get_Enabled(VARIANT_BOOL* value) { return GetStockFlag(enabled_, value); }
STDMETHODIMP CSysDateTimePick32::get_HWND(LONG_PTR* hwnd) { return GetHwnd(hwnd); }
STDMETHODIMP CSysDateTimePick32::put_TabStop(VARIANT_BOOL value) {
  return PutStockFlag(tab_stop_, value, DISPID_TABSTOP);
}
STDMETHODIMP CSysDateTimePick32::get_TabStop(VARIANT_BOOL* value) { return GetStockFlag(tab_stop_, value); }

STDMETHODIMP CSysDateTimePick32::get_Value(DATE* value) {
  if (!value) return E_POINTER;
  HWND child = Child();
  if (!child) {
    *value = value_;
    return S_OK;
  }
  SYSTEMTIME st{};
  if (SendMessageW(child, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) == GDT_ERROR) {
    *value = value_;
    return Fail(kConversionFailed);
  }
  value_ = ToDate(st);  // GDT_NONE leaves st zero: 0
  *value = value_;
  return S_OK;
}

STDMETHODIMP CSysDateTimePick32::put_Value(DATE value) {
  value_ = value;
  SetDirty(true);
  HWND child = Child();
  if (!child) return S_OK;
  HRESULT hr = SendDate(child, value);
  return FAILED(hr) ? Fail(hr) : hr;
}

STDMETHODIMP CSysDateTimePick32::get_UpDown(VARIANT_BOOL* value) { return GetStockFlag(up_down_, value); }

STDMETHODIMP CSysDateTimePick32::put_UpDown(VARIANT_BOOL value) {
  up_down_ = value != VARIANT_FALSE;
  SetDirty(true);
  return S_OK;
}

STDMETHODIMP CSysDateTimePick32::SetCustomFormat(BSTR format) {
  HWND child = Child();
  if (!child || !SendMessageW(child, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(format)))
    return Fail(kConversionFailed);
  return S_OK;
}

STDMETHODIMP CSysDateTimePick32::SetAltFont(VARIANT_BOOL value) {
  alt_font_ = value != VARIANT_FALSE;
  if (HWND child = Child()) {
    // A stock object: not ours to delete.
    HGDIOBJ font = alt_font_ ? GetStockObject(DEFAULT_GUI_FONT) : nullptr;
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  return S_OK;
}

LRESULT CSysDateTimePick32::OnCreate() {
  if (!InitDateClasses()) return -1;
  const DWORD style = kChildStyle | (up_down_ ? DTS_UPDOWN : DTS_SHORTDATEFORMAT);
  HWND child = CreateChild(DATETIMEPICK_CLASSW, style);
  if (!child) return -1;
  if (value_ != 0) SendDate(child, value_);
  return 0;
}

bool CSysDateTimePick32::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.code != DTN_DATETIMECHANGE) return false;
  SetDirty(true);
  FireEvent(kOnChange);
  result = 0;
  return true;
}

}  // namespace kelvane
