#include "automation/win/error_mapping.h"

#include <memory>

#include "automation/win/com_ptr.h"

namespace brisko::win {

namespace {

constexpr std::int32_t kAutomationError = 440;

struct Mapped {
    HRESULT hr;
    std::int32_t number;
    const wchar_t* description;  // nullptr: the number's standard text
};

constexpr Mapped kMapped[] = {
    {DISP_E_UNKNOWNNAME, brisko::err::NotSupported, nullptr},
    {DISP_E_MEMBERNOTFOUND, brisko::err::NotSupported, nullptr},
    {DISP_E_TYPEMISMATCH, brisko::err::TypeMismatch, nullptr},
    {DISP_E_BADPARAMCOUNT, brisko::err::WrongArguments, nullptr},
    {DISP_E_PARAMNOTOPTIONAL, 449, L"Argument not optional"},
    {DISP_E_PARAMNOTFOUND, brisko::err::ParamNotFound, nullptr},
    {DISP_E_NONAMEDARGS, 446, L"Object doesn't support named arguments"},
    {DISP_E_OVERFLOW, brisko::err::Overflow, nullptr},
    {DISP_E_BADINDEX, brisko::err::SubscriptOutOfRange, nullptr},
    {DISP_E_DIVBYZERO, 11, nullptr},
    {E_OUTOFMEMORY, brisko::err::OutOfMemory, nullptr},
};

bool IsControlError(HRESULT hr) noexcept {
    const auto u = static_cast<std::uint32_t>(hr);
    return (u & 0xFFFF0000u) == 0x800A0000u && (u & 0xFFFFu) != 0;
}

std::int32_t NumberOfHResult(HRESULT hr) noexcept {
    if (IsControlError(hr)) return static_cast<std::int32_t>(static_cast<std::uint32_t>(hr) & 0xFFFFu);
    return static_cast<std::int32_t>(hr);
}

std::wstring DefaultDescription(std::int32_t number, HRESULT hr) {
    std::wstring text = number > 0 ? StandardDescription(number) : std::wstring();
    if (text.empty() && FAILED(hr)) text = SystemMessage(hr);
    if (text.empty()) text = L"Automation error";
    return text;
}

BSTR AllocOrNull(const std::wstring& s) noexcept {
    if (s.empty()) return nullptr;
    return SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

}  // namespace

std::wstring SystemMessage(HRESULT hr) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
        static_cast<DWORD>(hr), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    const std::unique_ptr<wchar_t, decltype(&LocalFree)> owner(buffer, &LocalFree);
    if (n == 0 || !buffer) return {};
    std::wstring text(buffer, n);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    return text;
}

RuntimeError ErrorFromHResult(HRESULT hr, EXCEPINFO* info) {
    if (hr == DISP_E_EXCEPTION && info) {
        if (info->pfnDeferredFillIn) {
            // The callee fills the strings in only now; its result does not change the error.
            info->pfnDeferredFillIn(info);
            info->pfnDeferredFillIn = nullptr;
        }
        std::int32_t number = 0;
        HRESULT carrier = info->scode;
        if (info->wCode != 0) {
            number = info->wCode;
            carrier = S_OK;
        } else if (FAILED(info->scode)) {
            number = NumberOfHResult(info->scode);
        } else {
            number = static_cast<std::int32_t>(DISP_E_EXCEPTION);
            carrier = DISP_E_EXCEPTION;
        }
        std::wstring description(BstrView(info->bstrDescription));
        if (description.empty()) description = DefaultDescription(number, carrier);
        return RuntimeError(number, std::move(description), std::wstring(BstrView(info->bstrSource)));
    }
    for (const auto& m : kMapped) {
        if (m.hr == hr) return RuntimeError(m.number, m.description ? m.description : L"");
    }
    const std::int32_t number = FAILED(hr) ? NumberOfHResult(hr) : kAutomationError;
    return RuntimeError(number, DefaultDescription(number, hr));
}

HRESULT HResultFromErrorNumber(std::int32_t number) noexcept {
    if (number < 0) return static_cast<HRESULT>(number);
    if (number == 0 || number > 0xFFFF) number = brisko::err::InvalidCall;
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<std::uint32_t>(number));
}

HRESULT ReportError(const RuntimeError& error, EXCEPINFO* info) noexcept {
    const HRESULT scode = HResultFromErrorNumber(error.number());
    if (!info) return scode;
    *info = EXCEPINFO{};
    info->scode = scode;
    info->bstrDescription = AllocOrNull(error.description());
    info->bstrSource = AllocOrNull(error.source());
    return DISP_E_EXCEPTION;
}

HRESULT ReportCurrentError(EXCEPINFO* info) noexcept { return ReportError(CurrentError(), info); }

HRESULT ReportErrorInfo(const RuntimeError& error) noexcept {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Put())) && create) {
        create->SetDescription(const_cast<LPOLESTR>(error.description().c_str()));
        create->SetSource(const_cast<LPOLESTR>(error.source().c_str()));
        if (auto info = create.As<IErrorInfo>(IID_IErrorInfo)) SetErrorInfo(0, info.Get());
    }
    return HResultFromErrorNumber(error.number());
}

RuntimeError ErrorFromErrorInfo(HRESULT hr) {
    RuntimeError mapped = ErrorFromHResult(hr);
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info) return mapped;
    BSTR description = nullptr, source = nullptr;
    info->GetDescription(&description);
    info->GetSource(&source);
    const std::wstring text(BstrView(description)), from(BstrView(source));
    SysFreeString(description);
    SysFreeString(source);
    if (text.empty()) return mapped;
    return RuntimeError(mapped.number(), text, from);
}

}  // namespace brisko::win
