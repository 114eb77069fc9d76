// EditBox in place in a real window: its stored Text, independent of what
// the edit field shows.
#include <windows.h>
#include <olectl.h>

#include "container.h"
#include "ole_test.h"

namespace kelvane_test {
namespace {

class EditBoxTest : public OleTest {
 protected:
  void SetUp() override {
    OleTest::SetUp();
    container_ = std::make_unique<Container>(300, 100);
    ASSERT_EQ(S_OK, Site::Create(*container_, CLSID_EditBox, site_));
    edit_ = site_->Control<IEditBox>();
    ASSERT_TRUE(edit_);
  }
  void TearDown() override {
    edit_.Reset();
    site_->Close();
    site_.Reset();
    container_.reset();
    EXPECT_EQ(S_OK, Library::Get().CanUnloadNow());
    OleTest::TearDown();
  }
  Bstr Text() {
    Bstr text;
    EXPECT_EQ(S_OK, edit_->get_Text(text.Put()));
    return text;
  }
  std::wstring Shown() {
    wchar_t buffer[64] = {};
    GetWindowTextW(site_->ChildWindow(), buffer, 64);
    return buffer;
  }

  std::unique_ptr<Container> container_;
  ComPtr<Site> site_;
  ComPtr<IEditBox> edit_;
};

TEST_F(EditBoxTest, TextOfANewControlIsANullString) {
  EXPECT_EQ(nullptr, Text().Get());
  EXPECT_EQ(E_POINTER, edit_->get_Text(nullptr));
}

TEST_F(EditBoxTest, TextIsStoredAndTheVisibleFieldStaysEmpty) {
  ASSERT_EQ(S_OK, site_->Activate({10, 10, 210, 34}));
  Bstr abc(L"abc");
  ASSERT_EQ(S_OK, edit_->put_Text(abc.Get()));
  Bstr text = Text();
  EXPECT_STREQ(L"abc", text.c_str());
  EXPECT_NE(abc.Get(), text.Get());  // a copy each way
  EXPECT_EQ(L"", Shown());
  EXPECT_EQ(std::vector<DISPID>{DISPID_TEXT}, site_->changed);
  EXPECT_GE(site_->view_changes, 1);
  EXPECT_EQ(S_OK, site_->Control<IPersistStreamInit>()->IsDirty());

  // What the user types is the field's alone.
  SendMessageW(site_->ChildWindow(), WM_CHAR, L'x', 0);
  EXPECT_EQ(L"x", Shown());
  EXPECT_STREQ(L"abc", Text().c_str());

  // A text with an embedded zero keeps its length; null stays null.
  Bstr embedded(L"a\0b", 3);
  ASSERT_EQ(S_OK, edit_->put_Text(embedded.Get()));
  EXPECT_EQ(3u, Text().Length());
  ASSERT_EQ(S_OK, edit_->put_Text(nullptr));
  EXPECT_EQ(nullptr, Text().Get());
}

TEST_F(EditBoxTest, TheChildIsAPlainEditFieldThatTakesTheFocus) {
  Bstr abc(L"abc");
  ASSERT_EQ(S_OK, edit_->put_Text(abc.Get()));
  ASSERT_EQ(S_OK, site_->Activate({10, 10, 210, 34}));
  HWND child = site_->ChildWindow();
  wchar_t cls[16] = {};
  GetClassNameW(child, cls, 16);
  EXPECT_STREQ(L"Edit", cls);
  const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
  EXPECT_EQ(0, style & 0xFFFF);  // no edit styles: single line
  EXPECT_EQ(0, style & WS_BORDER);
  EXPECT_EQ(L"", Shown());
  SetFocus(site_->ControlWindow());
  PumpMessages();
  EXPECT_EQ(child, GetFocus());
  ASSERT_EQ(S_OK, site_->Move({0, 0, 150, 40}));
  RECT rc{};
  GetWindowRect(child, &rc);
  EXPECT_EQ(150, rc.right - rc.left);
  EXPECT_EQ(40, rc.bottom - rc.top);
  // The stored text survives the window.
  site_->Deactivate();
  EXPECT_STREQ(L"abc", Text().c_str());
}

TEST_F(EditBoxTest, EnabledIsStoredMarksTheControlDirtyAndNotifies) {
  VARIANT_BOOL enabled = VARIANT_FALSE;
  ASSERT_EQ(S_OK, edit_->get_Enabled(&enabled));
  EXPECT_EQ(VARIANT_TRUE, enabled);
  ASSERT_EQ(S_OK, edit_->put_Enabled(VARIANT_FALSE));
  ASSERT_EQ(S_OK, edit_->get_Enabled(&enabled));
  EXPECT_EQ(VARIANT_FALSE, enabled);
  EXPECT_EQ(std::vector<DISPID>{DISPID_ENABLED}, site_->changed);
  EXPECT_EQ(S_OK, site_->Control<IPersistStreamInit>()->IsDirty());
}

}  // namespace
}  // namespace kelvane_test
