// SysMonthCal32 and SysDateTimePick32 in place in a real window: values
// before and after activation, user changes and their OnChange events,
// failure results, GetMinSize, UpDown, SetCustomFormat and SetAltFont.
#include <windows.h>
#include <commctrl.h>
#include <olectl.h>

#include "container.h"
#include "ole_test.h"

namespace kelvane_test {
namespace {

constexpr HRESULT kConversionFailed = static_cast<HRESULT>(0xFFFFFFFF);
constexpr HRESULT kWindowRejected = static_cast<HRESULT>(0xFFFFFFFE);
constexpr DATE kUnconvertible = 1e10;  // far beyond the year 9999

DATE MakeDate(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0) {
  SYSTEMTIME st{};
  st.wYear = year;
  st.wMonth = month;
  st.wDay = day;
  st.wHour = hour;
  st.wMinute = minute;
  DATE d = 0;
  SystemTimeToVariantTime(&st, &d);
  return d;
}

bool SameDay(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

SYSTEMTIME Today() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return st;
}

template <class Dual>
class DateControlTest : public OleTest {
 protected:
  void Start(REFCLSID clsid) {
    container_ = std::make_unique<Container>(500, 400);
    ASSERT_EQ(S_OK, Site::Create(*container_, clsid, site_));
    control_ = site_->Control<Dual>();
    ASSERT_TRUE(control_);
  }
  void Recreate(REFCLSID clsid) {
    control_.Reset();
    site_->Close();
    ASSERT_EQ(S_OK, Site::Create(*container_, clsid, site_));
    control_ = site_->Control<Dual>();
  }
  void TearDown() override {
    control_.Reset();
    if (site_) site_->Close();
    site_.Reset();
    container_.reset();
    EXPECT_EQ(S_OK, Library::Get().CanUnloadNow());
    OleTest::TearDown();
  }
  void Activate(RECT rect) { ASSERT_EQ(S_OK, site_->Activate(rect)); }
  HWND Child() const { return site_->ChildWindow(); }
  DATE Value() {
    DATE d = -1;
    EXPECT_EQ(S_OK, control_->get_Value(&d));
    return d;
  }

  std::unique_ptr<Container> container_;
  ComPtr<Site> site_;
  ComPtr<Dual> control_;
};

// --- The calendar ---------------------------------------------------------------

class CalendarTest : public DateControlTest<ISysMonthCal32> {
 protected:
  void SetUp() override {
    OleTest::SetUp();
    Start(CLSID_SysMonthCal32);
  }
  void Activate() { DateControlTest::Activate({10, 10, 260, 210}); }
  SYSTEMTIME Selected() {
    SYSTEMTIME st{};
    EXPECT_TRUE(SendMessageW(Child(), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st)));
    return st;
  }
  // A real click on the given day of the shown month.
  bool ClickDay(WORD day) {
    RECT rc{};
    GetClientRect(Child(), &rc);
    for (int y = rc.top; y < rc.bottom; y += 2) {
      for (int x = rc.left; x < rc.right; x += 2) {
        MCHITTESTINFO hit{};
        hit.cbSize = MCHITTESTINFO_V1_SIZE;
        hit.pt = POINT{x, y};
        SendMessageW(Child(), MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.uHit == MCHT_CALENDARDATE && hit.st.wDay == day) {
          SYSTEMTIME shown = Selected();
          if (hit.st.wMonth != shown.wMonth) continue;
          LPARAM at = MAKELPARAM(x, y);
          SendMessageW(Child(), WM_LBUTTONDOWN, MK_LBUTTON, at);
          SendMessageW(Child(), WM_LBUTTONUP, 0, at);
          PumpMessages();
          return true;
        }
      }
    }
    return false;
  }
};

TEST_F(CalendarTest, ValueSetBeforeActivationIsSelectedAtCreation) {
  ASSERT_EQ(S_OK, control_->put_Value(MakeDate(2024, 3, 15)));
  EXPECT_EQ(MakeDate(2024, 3, 15), Value());
  Activate();
  wchar_t cls[64] = {};
  GetClassNameW(Child(), cls, 64);
  EXPECT_STREQ(L"SysMonthCal32", cls);
  SYSTEMTIME st = Selected();
  EXPECT_EQ(2024, st.wYear);
  EXPECT_EQ(3, st.wMonth);
  EXPECT_EQ(15, st.wDay);
  EXPECT_EQ(MakeDate(2024, 3, 15), Value());
}

TEST_F(CalendarTest, ValueZeroLeavesTodaySelected) {
  ASSERT_EQ(S_OK, control_->put_Value(0));
  Activate();
  EXPECT_TRUE(SameDay(Today(), Selected()));
  DATE d = Value();
  SYSTEMTIME st{};
  ASSERT_TRUE(VariantTimeToSystemTime(d, &st));
  EXPECT_TRUE(SameDay(Today(), st));
}

TEST_F(CalendarTest, AUserPickReadsBackAndRaisesOneOnChangePerNotification) {
  ASSERT_EQ(S_OK, control_->put_Value(MakeDate(2024, 3, 15)));
  Activate();
  SentMessages sent;
  ASSERT_TRUE(ClickDay(20));
  const int notifications = sent.CountNotify(site_->ControlWindow(), static_cast<UINT>(MCN_SELCHANGE));
  EXPECT_GE(notifications, 1);
  EXPECT_EQ(notifications, site_->on_change);
  EXPECT_EQ(MakeDate(2024, 3, 20), Value());
  EXPECT_EQ(MakeDate(2024, 3, 20), Value());
  const int before = site_->on_change;
  ASSERT_TRUE(ClickDay(7));
  EXPECT_EQ(sent.CountNotify(site_->ControlWindow(), static_cast<UINT>(MCN_SELCHANGE)), site_->on_change);
  EXPECT_GT(site_->on_change, before);
  EXPECT_EQ(MakeDate(2024, 3, 7), Value());
  // The picked date is what the control saves, and stays after the window.
  EXPECT_EQ(S_OK, site_->Control<IPersistStreamInit>()->IsDirty());
  site_->Deactivate();
  EXPECT_EQ(MakeDate(2024, 3, 7), Value());
}

TEST_F(CalendarTest, FailureResultsAfterActivationStoreTheValueAnyway) {
  Activate();
  EXPECT_EQ(kConversionFailed, control_->put_Value(kUnconvertible));
  // The window refuses a date outside its range.
  SYSTEMTIME range[2] = {};
  VariantTimeToSystemTime(MakeDate(2024, 1, 1), &range[0]);
  VariantTimeToSystemTime(MakeDate(2024, 12, 31), &range[1]);
  ASSERT_TRUE(SendMessageW(Child(), MCM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range)));
  EXPECT_EQ(kWindowRejected, control_->put_Value(MakeDate(2030, 6, 1)));
  EXPECT_EQ(S_OK, control_->put_Value(MakeDate(2024, 6, 1)));
  EXPECT_EQ(kWindowRejected, control_->put_Value(MakeDate(2030, 6, 1)));
  site_->Deactivate();
  EXPECT_EQ(MakeDate(2030, 6, 1), Value());
  EXPECT_EQ(S_OK, control_->put_Value(kUnconvertible));  // only stored without a window
  EXPECT_EQ(kUnconvertible, Value());
}

TEST_F(CalendarTest, GetMinSizeNeedsTheWindowAndCoversTheTodayLine) {
  int width = -5, height = -5;
  EXPECT_EQ(kConversionFailed, control_->GetMinSize(&width, &height));
  EXPECT_EQ(-5, width);
  EXPECT_EQ(-5, height);
  Activate();
  ASSERT_EQ(S_OK, control_->GetMinSize(&width, &height));
  RECT min{};
  ASSERT_TRUE(SendMessageW(Child(), MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&min)));
  const int today = static_cast<int>(SendMessageW(Child(), MCM_GETMAXTODAYWIDTH, 0, 0));
  EXPECT_GE(width, today);
  EXPECT_GE(width, min.right - min.left);
  EXPECT_EQ(std::max<int>(min.right - min.left, today), width);  // the child has no frame
  EXPECT_EQ(min.bottom - min.top, height);
  EXPECT_EQ(E_POINTER, control_->GetMinSize(nullptr, &height));
}

TEST_F(CalendarTest, ShortDayNamesOnNewerSystemsAndFocusGoesToTheCalendar) {
  Activate();
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  ASSERT_TRUE(GetVersionExW(&info));
  const bool short_days = (GetWindowLongPtrW(Child(), GWL_STYLE) & MCS_SHORTDAYSOFWEEK) != 0;
  EXPECT_EQ(info.dwMajorVersion > 5, short_days);
  SetFocus(site_->ControlWindow());
  PumpMessages();
  EXPECT_EQ(Child(), GetFocus());
}

TEST_F(CalendarTest, StockFlagsAreStoredAndReported) {
  Activate();
  VARIANT_BOOL flag = VARIANT_FALSE;
  ASSERT_EQ(S_OK, control_->get_TabStop(&flag));
  EXPECT_EQ(VARIANT_TRUE, flag);
  ASSERT_EQ(S_OK, control_->put_TabStop(VARIANT_FALSE));
  ASSERT_EQ(S_OK, control_->put_Enabled(VARIANT_FALSE));
  ASSERT_EQ(S_OK, control_->get_TabStop(&flag));
  EXPECT_EQ(VARIANT_FALSE, flag);
  EXPECT_EQ((std::vector<DISPID>{DISPID_TABSTOP, DISPID_ENABLED}), site_->changed);
  EXPECT_TRUE(IsWindowEnabled(Child()));
  EXPECT_EQ(WS_TABSTOP & GetWindowLongPtrW(site_->ControlWindow(), GWL_STYLE), 0);
}

TEST_F(CalendarTest, ValueThroughIDispatchIsADate) {
  ComPtr<IDispatch> dispatch = site_->Control<IDispatch>();
  Variant arg;
  arg->vt = VT_DATE;
  arg->date = MakeDate(2023, 12, 24);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS put{arg.Get(), &named, 1, 1};
  ASSERT_EQ(S_OK, dispatch->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
  Activate();
  Variant result;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  ASSERT_EQ(S_OK, dispatch->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result.Get(), nullptr, nullptr));
  EXPECT_EQ(VT_DATE, result->vt);
  EXPECT_EQ(MakeDate(2023, 12, 24), result->date);
  // A failure comes back through IDispatch as the control's result.
  arg->date = kUnconvertible;
  EXCEPINFO excep{};
  EXPECT_EQ(DISP_E_EXCEPTION, dispatch->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, &excep, nullptr));
  EXPECT_EQ(kConversionFailed, excep.scode);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
}

// An event sink that counts OnChange and may disconnect itself from inside it.
class Sink final : public IDispatch {
 public:
  explicit Sink(const IID& events) : events_(events) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == events_) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    if (id == 1 && flags == DISPATCH_METHOD && params && params->cArgs == 0) ++calls;
    if (point && cookie) {
      point->Unadvise(cookie);
      cookie = 0;
    }
    return S_OK;
  }
  const IID& events_;
  ULONG refs = 1;
  int calls = 0;
  ComPtr<IConnectionPoint> point;  // set: disconnect during the first event
  DWORD cookie = 0;
};

TEST_F(CalendarTest, TheConnectionPointServesEverySinkAndCopesWithOneThatLeavesDuringAnEvent) {
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(S_OK, site_->Control<IConnectionPointContainer>()->FindConnectionPoint(DIID__ISysMonthCal32Events,
                                                                                     point.Put()));
  ComPtr<IConnectionPoint> none;
  EXPECT_EQ(CONNECT_E_NOCONNECTION, site_->Control<IConnectionPointContainer>()->FindConnectionPoint(
                                        IID_IPropertyNotifySink, none.Put()));
  IID iid{};
  ASSERT_EQ(S_OK, point->GetConnectionInterface(&iid));
  EXPECT_EQ(DIID__ISysMonthCal32Events, iid);
  Sink wrong(IID_IOleObject);  // answers IDispatch but not the events interface
  DWORD cookie = 0;
  EXPECT_EQ(CONNECT_E_CANNOTCONNECT, point->Advise(static_cast<IDispatch*>(&wrong), &cookie));
  EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(12345));

  Sink leaving(DIID__ISysMonthCal32Events), staying(DIID__ISysMonthCal32Events);
  ASSERT_EQ(S_OK, point->Advise(static_cast<IDispatch*>(&leaving), &leaving.cookie));
  DWORD staying_cookie = 0;
  ASSERT_EQ(S_OK, point->Advise(static_cast<IDispatch*>(&staying), &staying_cookie));
  EXPECT_NE(leaving.cookie, staying_cookie);
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(S_OK, point->EnumConnections(connections.Put()));
  CONNECTDATA data[4] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, connections->Next(4, data, &fetched));
  EXPECT_EQ(3u, fetched);  // the site's sink and these two
  for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
  connections.Reset();
  leaving.point = point;

  ASSERT_EQ(S_OK, control_->put_Value(MakeDate(2024, 3, 15)));
  Activate();
  ASSERT_TRUE(ClickDay(20));
  const int first = staying.calls;
  EXPECT_GE(first, 1);
  EXPECT_EQ(1, leaving.calls);  // it left during its first event
  EXPECT_EQ(first, site_->on_change);
  ASSERT_TRUE(ClickDay(22));
  EXPECT_GT(staying.calls, first);
  EXPECT_EQ(1, leaving.calls);
  ASSERT_EQ(S_OK, point->Unadvise(staying_cookie));
  leaving.point.Reset();
  point.Reset();
  site_->Close();
  site_.Reset();
  control_.Reset();
  EXPECT_EQ(1u, leaving.refs);
  EXPECT_EQ(1u, staying.refs);
}

// --- The date and time picker ------------------------------------------------------------

class PickerTest : public DateControlTest<ISysDateTimePick32> {
 protected:
  void SetUp() override {
    OleTest::SetUp();
    Start(CLSID_SysDateTimePick32);
  }
  void Activate() { DateControlTest::Activate({10, 10, 210, 34}); }
  SYSTEMTIME Held() {
    SYSTEMTIME st{};
    EXPECT_EQ(GDT_VALID, SendMessageW(Child(), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)));
    return st;
  }
  std::wstring Shown() {
    wchar_t text[128] = {};
    GetWindowTextW(Child(), text, 128);
    return text;
  }
};

TEST_F(PickerTest, ValueSetBeforeActivationIsHeldWithItsTime) {
  ASSERT_EQ(S_OK, control_->put_Value(MakeDate(2024, 3, 15, 14, 30)));
  Activate();
  wchar_t cls[64] = {};
  GetClassNameW(Child(), cls, 64);
  EXPECT_STREQ(L"SysDateTimePick32", cls);
  SYSTEMTIME st = Held();
  EXPECT_EQ(2024, st.wYear);
  EXPECT_EQ(3, st.wMonth);
  EXPECT_EQ(15, st.wDay);
  EXPECT_EQ(14, st.wHour);
  EXPECT_EQ(30, st.wMinute);
  EXPECT_EQ(MakeDate(2024, 3, 15, 14, 30), Value());
  // The default style is the drop-down short date.
  EXPECT_EQ(0, GetWindowLongPtrW(Child(), GWL_STYLE) & DTS_UPDOWN);
}

TEST_F(PickerTest, ValueZeroLeavesToday) {
  Activate();
  EXPECT_TRUE(SameDay(Today(), Held()));
}

TEST_F(PickerTest, AUserChangeRaisesOneOnChangePerNotification) {
  ASSERT_EQ(S_OK, control_->put_Value(MakeDate(2024, 3, 15, 9, 0)));
  Activate();
  SetFocus(site_->ControlWindow());
  PumpMessages();
  ASSERT_EQ(Child(), GetFocus());
  SentMessages sent;
  // A click selects the first field of the date, the up key steps it.
  RECT rc{};
  GetClientRect(Child(), &rc);
  const LPARAM at = MAKELPARAM(6, (rc.top + rc.bottom) / 2);
  SendMessageW(Child(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(Child(), WM_LBUTTONUP, 0, at);
  SendMessageW(Child(), WM_KEYDOWN, VK_UP, 0);
  SendMessageW(Child(), WM_KEYUP, VK_UP, 0);
  PumpMessages();
  const int notifications = sent.CountNotify(site_->ControlWindow(), static_cast<UINT>(DTN_DATETIMECHANGE));
  EXPECT_GE(notifications, 1);
  EXPECT_EQ(notifications, site_->on_change);
  const DATE changed = Value();
  EXPECT_NE(MakeDate(2024, 3, 15, 9, 0), changed);
  SYSTEMTIME held = Held();
  DATE want = 0;
  SystemTimeToVariantTime(&held, &want);
  EXPECT_EQ(want, changed);
}

TEST_F(PickerTest, UnconvertibleValueFailsAfterActivationAndIsStored) {
  Activate();
  EXPECT_EQ(kConversionFailed, control_->put_Value(kUnconvertible));
  site_->Deactivate();
  EXPECT_EQ(kUnconvertible, Value());
}

TEST_F(PickerTest, CustomFormatNeedsTheWindowAndLastsUntilItIsRecreated) {
  Bstr format(L"'Due' yyyy");
  EXPECT_EQ(kConversionFailed, control_->SetCustomFormat(format.Get()));
  ASSERT_EQ(S_OK, control_->put_Value(MakeDate(2024, 3, 15)));
  Activate();
  const std::wstring standard = Shown();
  SentMessages sent;
  ASSERT_EQ(S_OK, control_->SetCustomFormat(format.Get()));
  auto formats = sent.Of(DTM_SETFORMATW);
  ASSERT_EQ(1u, formats.size());
  EXPECT_EQ(Child(), formats[0].hwnd);
  ASSERT_FALSE(standard.empty());
  {
    EXPECT_EQ(L"Due 2024", Shown());
    site_->Deactivate();
    Activate();
    EXPECT_EQ(standard, Shown());
  }
}

TEST_F(PickerTest, UpDownTakesEffectWhenTheWindowIsCreated) {
  VARIANT_BOOL up_down = VARIANT_TRUE;
  ASSERT_EQ(S_OK, control_->get_UpDown(&up_down));
  EXPECT_EQ(VARIANT_FALSE, up_down);
  ASSERT_EQ(S_OK, control_->put_UpDown(VARIANT_TRUE));
  Activate();
  EXPECT_EQ(DTS_UPDOWN, GetWindowLongPtrW(Child(), GWL_STYLE) & DTS_UPDOWN);
  wchar_t cls[64] = {};
  HWND spin = GetWindow(Child(), GW_CHILD);
  if (spin) GetClassNameW(spin, cls, 64);
  EXPECT_STREQ(UPDOWN_CLASSW, cls);
  // Switching it off later does not restyle the window.
  ASSERT_EQ(S_OK, control_->put_UpDown(VARIANT_FALSE));
  EXPECT_EQ(DTS_UPDOWN, GetWindowLongPtrW(Child(), GWL_STYLE) & DTS_UPDOWN);
  site_->Deactivate();
  Activate();
  EXPECT_EQ(0, GetWindowLongPtrW(Child(), GWL_STYLE) & DTS_UPDOWN);
}

TEST_F(PickerTest, AltFontSendsTheStockFontOrNoneAndIsNotAppliedAtCreation) {
  ASSERT_EQ(S_OK, control_->SetAltFont(VARIANT_TRUE));  // stored only
  {
    SentMessages sent;
    Activate();
    for (const auto& s : sent.Of(WM_SETFONT))
      EXPECT_NE(reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), s.wparam);
  }
  SentMessages sent;
  ASSERT_EQ(S_OK, control_->SetAltFont(VARIANT_TRUE));
  ASSERT_EQ(S_OK, control_->SetAltFont(VARIANT_FALSE));
  auto fonts = sent.Of(WM_SETFONT);
  ASSERT_EQ(2u, fonts.size());
  EXPECT_EQ(Child(), fonts[0].hwnd);
  EXPECT_EQ(reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), fonts[0].wparam);
  EXPECT_EQ(0, fonts[0].lparam);  // no redraw
  EXPECT_EQ(0u, fonts[1].wparam);
  EXPECT_EQ(0, fonts[1].lparam);
}

TEST_F(PickerTest, FocusGoesToThePickerAndResizingFollowsTheContainer) {
  Activate();
  SetFocus(site_->ControlWindow());
  PumpMessages();
  EXPECT_EQ(Child(), GetFocus());
  ASSERT_EQ(S_OK, site_->Move({20, 50, 320, 80}));
  RECT child{};
  GetWindowRect(Child(), &child);
  EXPECT_EQ(300, child.right - child.left);
  EXPECT_EQ(30, child.bottom - child.top);
}

}  // namespace
}  // namespace kelvane_test
