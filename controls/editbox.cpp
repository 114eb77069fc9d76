#include "classes.h"

namespace kelvane {
namespace {

constexpr olectl::PersistedProperty kProperties[] = {
    {L"Enabled", DISPID_ENABLED, VT_BOOL},
    {L"Text", DISPID_TEXT, VT_BSTR},
};
constexpr olectl::ControlClass kClass{&CLSID_EditBox, &IID_IEditBox, &DIID__IEditBoxEvents, kProperties};

}  // namespace

CEditBox::CEditBox(IUnknown* outer) noexcept : Control(kClass, outer) {}

STDMETHODIMP CEditBox::put_Enabled(VARIANT_BOOL value) { return PutStockFlag(enabled_, value, DISPID_ENABLED); }
STDMETHODIMP CEditBox::get_Enabled(VARIANT_BOOL* value) { return GetStockFlag(enabled_, value); }

STDMETHODIMP CEditBox::put_Text(BSTR text) {
  olectl::Bstr copy;
  if (text) {
    copy = olectl::Bstr::Adopt(SysAllocStringLen(text, SysStringLen(text)));
    if (!copy.Get()) return Fail(E_OUTOFMEMORY);
  }
  text_ = std::move(copy);
  PropertyChanged(DISPID_TEXT);
  return S_OK;
}

STDMETHODIMP CEditBox::get_Text(BSTR* text) {
  if (!text) return Fail(E_POINTER);
  *text = nullptr;
  if (!text_.Get()) return S_OK;
  *text = SysAllocStringLen(text_.Get(), text_.Length());
  return *text ? S_OK : Fail(E_OUTOFMEMORY);
}

LRESULT CEditBox::OnCreate() {
  // No edit styles: single line, no border, no initial text.
  return CreateChild(L"Edit", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN) ? 0 : -1;
}

}  // namespace kelvane
