// The four Kelvane control classes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <type_traits>

#include "kelvane.h"
#include "olectl/control.h"

namespace kelvane {

// A three-level priority selector: a toolbar of three check-group buttons.
class CPriorityBar final : public olectl::Control<IPriorityBar> {
 public:
  explicit CPriorityBar(IUnknown* outer) noexcept;

  STDMETHODIMP put_Enabled(VARIANT_BOOL value) override;
  STDMETHODIMP get_Enabled(VARIANT_BOOL* value) override;
  STDMETHODIMP get_HWND(LONG_PTR* hwnd) override;
  STDMETHODIMP get_Value(int* value) override;
  STDMETHODIMP put_Value(int value) override;
  STDMETHODIMP SetCaptions(BSTR high, BSTR normal, BSTR low) override;

 private:
  LRESULT OnCreate() override;
  void OnCommand(WORD id, WORD code) override;
  void OnWindowDestroyed() override;
  HRESULT CheckButton(int value);

  int value_ = 1;
  std::wstring captions_[3] = {L"High Priority", L"Normal Priority", L"Low Priority"};
  struct ImageListDeleter {
    void operator()(HIMAGELIST list) const noexcept { ImageList_Destroy(list); }
  };
  std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDeleter> images_;
};

// A month calendar.
class CSysMonthCal32 final : public olectl::Control<ISysMonthCal32> {
 public:
  explicit CSysMonthCal32(IUnknown* outer) noexcept;

  STDMETHODIMP put_Enabled(VARIANT_BOOL value) override;
  STDMETHODIMP get_Enabled(VARIANT_BOOL* value) override;
  STDMETHODIMP get_HWND(LONG_PTR* hwnd) override;
  STDMETHODIMP put_TabStop(VARIANT_BOOL value) override;
  STDMETHODIMP get_TabStop(VARIANT_BOOL* value) override;
  STDMETHODIMP get_Value(DATE* value) override;
  STDMETHODIMP put_Value(DATE value) override;
  STDMETHODIMP GetMinSize(int* width, int* height) override;

 private:
  LRESULT OnCreate() override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;

  DATE value_ = 0;
};

// A date and time picker.
class CSysDateTimePick32 final : public olectl::Control<ISysDateTimePick32> {
 public:
  explicit CSysDateTimePick32(IUnknown* outer) noexcept;

  STDMETHODIMP put_Enabled(VARIANT_BOOL value) override;
  STDMETHODIMP get_Enabled(VARIANT_BOOL* value) override;
  STDMETHODIMP get_HWND(LONG_PTR* hwnd) override;
  STDMETHODIMP put_TabStop(VARIANT_BOOL value) override;
  STDMETHODIMP get_TabStop(VARIANT_BOOL* value) override;
  STDMETHODIMP get_Value(DATE* value) override;
  STDMETHODIMP put_Value(DATE value) override;
  STDMETHODIMP get_UpDown(VARIANT_BOOL* value) override;
  STDMETHODIMP put_UpDown(VARIANT_BOOL value) override;
  STDMETHODIMP SetCustomFormat(BSTR format) override;
  STDMETHODIMP SetAltFont(VARIANT_BOOL value) override;

 private:
  LRESULT OnCreate() override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;

  DATE value_ = 0;
  bool up_down_ = false;
  bool alt_font_ = false;
};

// A single-line edit field with a stored Text property.
class CEditBox final : public olectl::Control<IEditBox> {
 public:
  explicit CEditBox(IUnknown* outer) noexcept;

  STDMETHODIMP put_Enabled(VARIANT_BOOL value) override;
  STDMETHODIMP get_Enabled(VARIANT_BOOL* value) override;
  STDMETHODIMP put_Text(BSTR text) override;
  STDMETHODIMP get_Text(BSTR* text) override;

 private:
  LRESULT OnCreate() override;

  olectl::Bstr text_;
};

}  // namespace kelvane
