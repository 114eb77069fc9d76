#include "automation/win/com_ptr.h"

#include <new>

#include "automation/error.h"

namespace brisko::win {

Bstr::Bstr(std::wstring_view text) {
    if (text.size() > 0x7FFFFFF0u) throw std::bad_alloc();
    s_ = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!s_) throw std::bad_alloc();
}

std::wstring_view Bstr::View() const noexcept { return BstrView(s_); }

std::wstring_view BstrView(BSTR s) noexcept {
    if (!s) return {};
    return {s, SysStringLen(s)};
}

SafeArrayData::SafeArrayData(SAFEARRAY* a) : a_(a) {
    if (!a || FAILED(SafeArrayAccessData(a, &data_))) Raise(brisko::err::TypeMismatch);
}

}  // namespace brisko::win
