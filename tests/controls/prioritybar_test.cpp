// PriorityBar in place in a real window: its toolbar, values before and
// after activation, clicks, captions, geometry, focus and resizing.
#include <windows.h>
#include <commctrl.h>
#include <olectl.h>

#include <climits>

#include "container.h"
#include "ole_test.h"

namespace kelvane_test {
namespace {

constexpr int kHigh = 100, kNormal = 101, kLow = 102;

class PriorityBarTest : public OleTest {
 protected:
  void SetUp() override {
    OleTest::SetUp();
    container_ = std::make_unique<Container>(400, 300);
    ASSERT_EQ(S_OK, Site::Create(*container_, CLSID_PriorityBar, site_));
    bar_ = site_->Control<IPriorityBar>();
    ASSERT_TRUE(bar_);
  }
  void TearDown() override {
    bar_.Reset();
    site_->Close();
    site_.Reset();
    container_.reset();
    EXPECT_EQ(S_OK, Library::Get().CanUnloadNow());
    OleTest::TearDown();
  }
  void Activate(RECT rect = {10, 10, 210, 100}) { ASSERT_EQ(S_OK, site_->Activate(rect)); }
  HWND Toolbar() const { return site_->ChildWindow(); }
  int Value() {
    int v = -99;
    EXPECT_EQ(S_OK, bar_->get_Value(&v));
    return v;
  }
  bool Checked(int id) { return SendMessageW(Toolbar(), TB_ISBUTTONCHECKED, static_cast<WPARAM>(id), 0) != 0; }
  std::wstring Text(int id) {
    wchar_t buffer[128] = {};
    SendMessageW(Toolbar(), TB_GETBUTTONTEXTW, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(buffer));
    return buffer;
  }
  // A real click in the middle of the button at index i.
  void Click(int index) {
    RECT r{};
    ASSERT_TRUE(SendMessageW(Toolbar(), TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(Toolbar(), WM_MOUSEMOVE, 0, at);
    SendMessageW(Toolbar(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(Toolbar(), WM_LBUTTONUP, 0, at);
    PumpMessages();
  }

  std::unique_ptr<Container> container_;
  ComPtr<Site> site_;
  ComPtr<IPriorityBar> bar_;
};

TEST_F(PriorityBarTest, ANewControlShowsTheDefaultCaptionsWithNormalPressed) {
  Activate();
  HWND toolbar = Toolbar();
  ASSERT_TRUE(toolbar);
  wchar_t cls[64] = {};
  GetClassNameW(toolbar, cls, 64);
  EXPECT_STREQ(L"ToolbarWindow32", cls);
  ASSERT_EQ(3, SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
  EXPECT_EQ(L"High Priority", Text(kHigh));
  EXPECT_EQ(L"Normal Priority", Text(kNormal));
  EXPECT_EQ(L"Low Priority", Text(kLow));
  EXPECT_FALSE(Checked(kHigh));
  EXPECT_TRUE(Checked(kNormal));
  EXPECT_FALSE(Checked(kLow));
  EXPECT_EQ(1, Value());

  // Buttons 100, 101, 102 are images 0, 1, 2, stacked top to bottom, one check group.
  int previous_top = -1;
  for (int i = 0; i < 3; ++i) {
    TBBUTTON button{};
    ASSERT_TRUE(SendMessageW(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button)));
    EXPECT_EQ(kHigh + i, button.idCommand);
    EXPECT_EQ(i, button.iBitmap);
    EXPECT_EQ(BTNS_CHECKGROUP, button.fsStyle & BTNS_CHECKGROUP);
    RECT r{};
    SendMessageW(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    EXPECT_GT(r.top, previous_top);
    previous_top = r.top;
  }
  auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar, TB_GETIMAGELIST, 0, 0));
  ASSERT_TRUE(images);
  EXPECT_EQ(3, ImageList_GetImageCount(images));
  int cx = 0, cy = 0;
  ImageList_GetIconSize(images, &cx, &cy);
  EXPECT_EQ(16, cx);
  EXPECT_EQ(16, cy);
}

TEST_F(PriorityBarTest, WindowsFollowTheCommonStructure) {
  LONG_PTR hwnd = -1;  // 0 before activation
  ASSERT_EQ(S_OK, bar_->get_HWND(&hwnd));
  EXPECT_EQ(0, hwnd);
  Activate({10, 10, 210, 100});
  ASSERT_EQ(S_OK, bar_->get_HWND(&hwnd));
  HWND control = site_->ControlWindow();
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(control), hwnd);
  EXPECT_EQ(container_->Window(), GetParent(control));
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
  const DWORD want = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  EXPECT_EQ(want, style & want);
  EXPECT_EQ(0, GetWindowLongPtrW(control, GWL_EXSTYLE));
  RECT rc{};
  GetWindowRect(control, &rc);
  MapWindowPoints(nullptr, container_->Window(), reinterpret_cast<POINT*>(&rc), 2);
  EXPECT_EQ(10, rc.left);
  EXPECT_EQ(10, rc.top);
  EXPECT_EQ(200, rc.right - rc.left);
  EXPECT_EQ(90, rc.bottom - rc.top);

  // Exactly one child, filling the control.
  HWND toolbar = Toolbar();
  EXPECT_EQ(nullptr, GetWindow(toolbar, GW_HWNDNEXT));
  RECT child{};
  GetWindowRect(toolbar, &child);
  MapWindowPoints(nullptr, control, reinterpret_cast<POINT*>(&child), 2);
  EXPECT_EQ(0, child.left);
  EXPECT_EQ(0, child.top);
  EXPECT_EQ(200, child.right);
  EXPECT_EQ(90, child.bottom);
  const LONG_PTR tb_style = GetWindowLongPtrW(toolbar, GWL_STYLE);
  EXPECT_EQ(0x1A4C, tb_style & 0x1A4C);
  EXPECT_EQ(static_cast<LONG_PTR>(WS_CHILD | WS_VISIBLE), tb_style & (WS_CHILD | WS_VISIBLE));
  EXPECT_EQ(1, site_->in_place_activations);
  EXPECT_GE(site_->show_object, 1);
}

// The size the control asks of its toolbar (the toolbar may grow a button to
// fit its image and text).
LPARAM RequestedButtonSize(const SentMessages& sent) {
  auto sizes = sent.Of(TB_SETBUTTONSIZE);
  return sizes.size() == 1 ? sizes[0].lparam : -1;
}

TEST_F(PriorityBarTest, ButtonHeightIsAThirdOfTheControlAndAtLeastFour) {
  struct Case {
    RECT rect;
    int width, height;
  };
  const Case cases[] = {{{0, 0, 120, 90}, 120, 30}, {{0, 0, 120, 10}, 120, 4}, {{0, 0, 3, 11}, 4, 4},
                        {{0, 0, 4, 14}, 4, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rect.bottom);
    site_->Close();
    ASSERT_EQ(S_OK, Site::Create(*container_, CLSID_PriorityBar, site_));
    bar_ = site_->Control<IPriorityBar>();
    SentMessages sent;
    Activate(c.rect);
    EXPECT_EQ(MAKELPARAM(c.width, c.height), RequestedButtonSize(sent));
    auto rows = sent.Of(TB_SETROWS);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(MAKEWPARAM(3, FALSE), rows[0].wparam);
    ASSERT_EQ(1u, sent.Of(TB_BUTTONSTRUCTSIZE).size());
    EXPECT_EQ(20u, sent.Of(TB_BUTTONSTRUCTSIZE)[0].wparam);
  }
  // A control 90 pixels high has buttons 30 pixels high.
  site_->Close();
  ASSERT_EQ(S_OK, Site::Create(*container_, CLSID_PriorityBar, site_));
  bar_ = site_->Control<IPriorityBar>();
  Activate({0, 0, 120, 90});
  EXPECT_EQ(30, HIWORD(SendMessageW(Toolbar(), TB_GETBUTTONSIZE, 0, 0)));
}

TEST_F(PriorityBarTest, ValueSetBeforeActivationPressesItsButtonAtCreation) {
  ASSERT_EQ(S_OK, bar_->put_Value(2));
  EXPECT_EQ(2, Value());
  Activate();
  EXPECT_TRUE(Checked(kHigh));
  EXPECT_FALSE(Checked(kNormal));
  EXPECT_FALSE(Checked(kLow));
  EXPECT_EQ(2, Value());
}

TEST_F(PriorityBarTest, AClickOnTheLowButtonGivesValueZero) {
  Activate();
  Click(2);
  EXPECT_TRUE(Checked(kLow));
  EXPECT_FALSE(Checked(kNormal));
  EXPECT_EQ(0, Value());
  EXPECT_EQ(0, Value());
  // Clicking the pressed button leaves it pressed.
  Click(2);
  EXPECT_TRUE(Checked(kLow));
  EXPECT_EQ(0, Value());
  Click(0);
  EXPECT_EQ(2, Value());
  // The click changed what the control saves.
  EXPECT_EQ(S_OK, site_->Control<IPersistStreamInit>()->IsDirty());
}

// The dialogs set the value the bar already shows (Normal after creation): that is no failure,
// whatever the toolbar answers for a checked group button checked again.
TEST_F(PriorityBarTest, PuttingThePressedValueAgainSucceeds) {
  Activate();
  for (int v : {1, 1, 2, 2, 0, 0}) {
    SCOPED_TRACE(v);
    EXPECT_EQ(S_OK, bar_->put_Value(v));
    EXPECT_EQ(v, Value());
  }
  EXPECT_TRUE(Checked(kLow));
  EXPECT_FALSE(Checked(kNormal));
  EXPECT_FALSE(Checked(kHigh));
}

TEST_F(PriorityBarTest, ValueOutsideTheButtonsFailsAfterActivationAndLeavesThePressedButton) {
  Activate();
  ASSERT_EQ(S_OK, bar_->put_Value(0));
  EXPECT_TRUE(Checked(kLow));
  for (int bad : {3, -1, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(bad);
    EXPECT_TRUE(FAILED(bar_->put_Value(bad)));
    EXPECT_TRUE(Checked(kLow));
    EXPECT_FALSE(Checked(kNormal));
    EXPECT_FALSE(Checked(kHigh));
    EXPECT_EQ(0, Value());  // read from the toolbar again
  }
  // Before activation any value is only stored.
  site_->Deactivate();
  EXPECT_EQ(S_OK, bar_->put_Value(3));
  EXPECT_EQ(3, Value());
}

TEST_F(PriorityBarTest, SetCaptionsBeforeActivationIsAppliedAtCreationAndAfterAtOnce) {
  Bstr high(L"Hoch"), normal(L"Normal"), low(L"Niedrig");
  ASSERT_EQ(S_OK, bar_->SetCaptions(high.Get(), normal.Get(), low.Get()));
  Activate();
  EXPECT_EQ(L"Hoch", Text(kHigh));
  EXPECT_EQ(L"Normal", Text(kNormal));
  EXPECT_EQ(L"Niedrig", Text(kLow));
  Bstr one(L"One"), three(L"Three");
  ASSERT_EQ(S_OK, bar_->SetCaptions(one.Get(), nullptr, three.Get()));  // null counts as empty
  EXPECT_EQ(L"One", Text(kHigh));
  EXPECT_EQ(L"", Text(kNormal));
  EXPECT_EQ(L"Three", Text(kLow));
  // The captions survive the window.
  site_->Deactivate();
  Activate();
  EXPECT_EQ(L"One", Text(kHigh));
  EXPECT_EQ(L"Three", Text(kLow));
}

TEST_F(PriorityBarTest, SetCaptionsTriesEveryButtonAndFailsWhenOneIsMissing) {
  Activate();
  ASSERT_TRUE(SendMessageW(Toolbar(), TB_DELETEBUTTON, 1, 0));  // the normal button goes
  Bstr high(L"H"), normal(L"N"), low(L"L");
  EXPECT_TRUE(FAILED(bar_->SetCaptions(high.Get(), normal.Get(), low.Get())));
  EXPECT_EQ(L"H", Text(kHigh));
  EXPECT_EQ(L"L", Text(kLow));
  // The captions are stored all the same: a new window shows them.
  site_->Deactivate();
  Activate();
  EXPECT_EQ(L"N", Text(kNormal));
}

TEST_F(PriorityBarTest, VerbsActivateShowHideAndUIActivate) {
  Activate();
  ComPtr<IOleObject> object = site_->Control<IOleObject>();
  HWND hwnd = site_->ControlWindow();
  RECT rect{10, 10, 210, 100};
  EXPECT_EQ(S_OK, object->DoVerb(OLEIVERB_HIDE, nullptr, site_.Get(), 0, container_->Window(), &rect));
  EXPECT_FALSE(IsWindowVisible(hwnd));
  EXPECT_EQ(S_OK, object->DoVerb(OLEIVERB_SHOW, nullptr, site_.Get(), 0, container_->Window(), &rect));
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_EQ(hwnd, site_->ControlWindow());  // the same window, not a second one
  EXPECT_EQ(0, site_->ui_activations);
  EXPECT_EQ(S_OK, object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_.Get(), 0, container_->Window(), &rect));
  PumpMessages();
  EXPECT_EQ(1, site_->ui_activations);
  EXPECT_EQ(Toolbar(), GetFocus());
  EXPECT_EQ(S_OK, object->DoVerb(OLEIVERB_DISCARDUNDOSTATE, nullptr, site_.Get(), 0, container_->Window(), &rect));
  EXPECT_EQ(E_NOTIMPL, object->DoVerb(-42, nullptr, site_.Get(), 0, container_->Window(), &rect));
  // Close deactivates: the window goes and the site hears of it.
  EXPECT_EQ(S_OK, object->Close(OLECLOSE_NOSAVE));
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(1, site_->ui_deactivations);
  EXPECT_EQ(1, site_->in_place_deactivations);
}

TEST_F(PriorityBarTest, AContainerWindowDestroyedUnderAnActiveControlLeavesItUsable) {
  Container other(300, 200);
  ComPtr<Site> site;
  ASSERT_EQ(S_OK, Site::Create(other, CLSID_PriorityBar, site));
  ASSERT_EQ(S_OK, site->Activate({0, 0, 200, 90}));
  HWND hwnd = site->ControlWindow();
  ASSERT_TRUE(hwnd);
  auto bar = site->Control<IPriorityBar>();
  ASSERT_EQ(S_OK, bar->put_Value(0));
  DestroyWindow(other.Window());  // the dialog goes first
  PumpMessages();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(nullptr, site->ControlWindow());
  int value = -1;
  EXPECT_EQ(S_OK, bar->get_Value(&value));
  EXPECT_EQ(0, value);
  EXPECT_EQ(S_OK, bar->put_Value(2));  // only stored now
  LONG_PTR handle = -1;
  EXPECT_EQ(S_OK, bar->get_HWND(&handle));
  EXPECT_EQ(0, handle);
  bar.Reset();
  site->Close();
  EXPECT_EQ(1, site->in_place_deactivations);
}

TEST_F(PriorityBarTest, AfterTheWindowIsGoneValueIsTheLastReadOrSet) {
  Activate();
  Click(0);
  EXPECT_EQ(2, Value());
  ASSERT_EQ(S_OK, site_->Deactivate());
  EXPECT_EQ(nullptr, site_->ControlWindow());
  LONG_PTR hwnd = -1;
  ASSERT_EQ(S_OK, bar_->get_HWND(&hwnd));
  EXPECT_EQ(0, hwnd);
  EXPECT_EQ(2, Value());
  EXPECT_EQ(1, site_->in_place_deactivations);
  // Activated again it shows the value.
  Activate();
  EXPECT_TRUE(Checked(kHigh));
}

TEST_F(PriorityBarTest, FocusGivenToTheControlMovesToTheToolbar) {
  Activate();
  SetActiveWindow(container_->Window());
  SetFocus(site_->ControlWindow());
  PumpMessages();
  EXPECT_EQ(Toolbar(), GetFocus());
  // Focus on the control UI-activates it in its container.
  EXPECT_EQ(1, site_->ui_activations);
  EXPECT_TRUE(site_->active_object);
  ASSERT_EQ(S_OK, site_->Control<IOleInPlaceObject>()->UIDeactivate());
  EXPECT_EQ(1, site_->ui_deactivations);
  EXPECT_FALSE(site_->active_object);
}

TEST_F(PriorityBarTest, NewObjectRectanglesResizeTheToolbarButKeepTheButtonSize) {
  Activate({10, 10, 210, 100});
  const LRESULT size = SendMessageW(Toolbar(), TB_GETBUTTONSIZE, 0, 0);
  ASSERT_EQ(S_OK, site_->Move({30, 40, 330, 160}));
  RECT rc{};
  GetWindowRect(site_->ControlWindow(), &rc);
  MapWindowPoints(nullptr, container_->Window(), reinterpret_cast<POINT*>(&rc), 2);
  EXPECT_EQ(30, rc.left);
  EXPECT_EQ(40, rc.top);
  EXPECT_EQ(300, rc.right - rc.left);
  EXPECT_EQ(120, rc.bottom - rc.top);
  RECT child{};
  GetWindowRect(Toolbar(), &child);
  MapWindowPoints(nullptr, site_->ControlWindow(), reinterpret_cast<POINT*>(&child), 2);
  EXPECT_EQ(0, child.left);
  EXPECT_EQ(0, child.top);
  EXPECT_EQ(300, child.right);
  EXPECT_EQ(120, child.bottom);
  EXPECT_EQ(size, SendMessageW(Toolbar(), TB_GETBUTTONSIZE, 0, 0));
}

TEST_F(PriorityBarTest, EnabledIsAStoredFlagReportedToTheContainer) {
  Activate();
  VARIANT_BOOL enabled = VARIANT_FALSE;
  ASSERT_EQ(S_OK, bar_->get_Enabled(&enabled));
  EXPECT_EQ(VARIANT_TRUE, enabled);
  EXPECT_EQ(S_FALSE, site_->Control<IPersistStreamInit>()->IsDirty());
  ASSERT_EQ(S_OK, bar_->put_Enabled(VARIANT_FALSE));
  ASSERT_EQ(S_OK, bar_->get_Enabled(&enabled));
  EXPECT_EQ(VARIANT_FALSE, enabled);
  ASSERT_EQ(1u, site_->changed.size());
  EXPECT_EQ(DISPID_ENABLED, site_->changed[0]);
  EXPECT_GE(site_->view_changes, 1);
  EXPECT_EQ(S_OK, site_->Control<IPersistStreamInit>()->IsDirty());
  // The toolbar is not disabled by it.
  EXPECT_TRUE(IsWindowEnabled(Toolbar()));
}

TEST_F(PriorityBarTest, ViewAndDataRenderTheControl) {
  Activate();
  ComPtr<IViewObjectEx> view = site_->Control<IViewObjectEx>();
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  olectl::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen, 200, 90));
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap.Get());
  RECTL bounds{0, 0, 200, 90};
  EXPECT_EQ(S_OK, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0));
  EXPECT_EQ(E_INVALIDARG, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, &bounds, nullptr,
                                     nullptr, 0));
  SelectObject(dc, old);
  DeleteDC(dc);
  DWORD status = 0;
  EXPECT_EQ(S_OK, view->GetViewStatus(&status));
  EXPECT_EQ(static_cast<DWORD>(VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND), status);
  RECT r{0, 0, 10, 10};
  DWORD hit = 0;
  EXPECT_EQ(S_OK, view->QueryHitPoint(DVASPECT_CONTENT, &r, POINT{5, 5}, 0, &hit));
  EXPECT_EQ(static_cast<DWORD>(HITRESULT_HIT), hit);
  EXPECT_EQ(S_OK, view->QueryHitPoint(DVASPECT_CONTENT, &r, POINT{15, 5}, 0, &hit));
  EXPECT_EQ(static_cast<DWORD>(HITRESULT_OUTSIDE), hit);

  ComPtr<IDataObject> data = site_->Control<IDataObject>();
  FORMATETC format{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
  STGMEDIUM medium{};
  ASSERT_EQ(S_OK, data->GetData(&format, &medium));
  EXPECT_EQ(static_cast<DWORD>(TYMED_MFPICT), medium.tymed);
  EXPECT_TRUE(medium.hMetaFilePict);
  ReleaseStgMedium(&medium);
  FORMATETC text{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  EXPECT_EQ(DV_E_FORMATETC, data->QueryGetData(&text));
}

}  // namespace
}  // namespace kelvane_test
