#include "tools/outlook-sim/com_ribbon.h"

#include <oleauto.h>

#include <map>
#include <string>
#include <vector>

#include "automation/error.h"
#include "automation/text.h"
#include "automation/win/com_ptr.h"
#include "automation/win/error_mapping.h"
#include "automation/win/variant.h"

namespace brisko::tools {

// Office's IRibbonExtensibility, as the host declares it (dual; GetCustomUI is DISPID 1 and the
// first member after IDispatch's). Outside the unnamed namespace: with no implementation in
// sight, the compiler would otherwise take the call for one that can never happen.
struct HostRibbonExtensibility : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbonId, BSTR* ribbonXml) = 0;
};

namespace {

constexpr GUID kIRibbonExtensibility = {0x000C0396, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class ComRibbonEndpoint final : public Object {
public:
    ComRibbonEndpoint(win::ComPtr<IUnknown> addin, win::ComPtr<IDispatch> dispatch)
        : addin_(std::move(addin)), dispatch_(std::move(dispatch)) {}

    Value Invoke(std::wstring_view name, CallKind kind, Args& args) override {
        if (EqualsNoCase(name, L"GetCustomUI")) return GetCustomUI(args);
        if (kind != CallKind::Method && kind != CallKind::Get) Raise(err::NotSupported);
        return Callback(name, args);
    }

    std::wstring TypeName() const override { return L"Connect"; }

private:
    Value GetCustomUI(Args& args) {
        if (args.size() != 1) Raise(err::WrongArguments);
        const auto extensibility = addin_.As<HostRibbonExtensibility>(kIRibbonExtensibility);
        if (!extensibility) Raise(err::NotSupported, L"The add-in does not implement IRibbonExtensibility");
        const std::wstring id = args[0].AsString();
        win::Bstr ribbonId(id);
        BSTR xml = nullptr;
        const HRESULT hr = extensibility->GetCustomUI(ribbonId.Get(), &xml);
        win::Bstr answer = win::Bstr::Attach(xml);
        if (FAILED(hr)) throw win::ErrorFromHResult(hr);
        return Value(std::wstring(win::BstrView(answer.Get())));
    }

    DISPID IdOf(std::wstring_view name) {
        std::wstring key = LowerCase(name);
        if (const auto it = ids_.find(key); it != ids_.end()) return it->second;
        if (!dispatch_) Raise(err::NotSupported);
        std::wstring text(name);
        LPOLESTR names[] = {text.data()};
        DISPID id = DISPID_UNKNOWN;
        const HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr)) throw win::ErrorFromHResult(hr);
        ids_.emplace(std::move(key), id);
        return id;
    }

    Value Callback(std::wstring_view name, const Args& args) {
        const DISPID id = IdOf(name);
        if (args.size() > 0xFFFFu) Raise(err::InvalidCall);
        const std::size_t n = args.size();
        std::vector<win::Variant> passed(n);
        std::vector<VARIANT> rgvarg(n);
        for (std::size_t i = 0; i < n; ++i) {
            passed[i] = win::ToVariant(args[i]);
            rgvarg[n - 1 - i] = passed[i].Get();  // still owned by passed[i]
        }
        DISPPARAMS params{rgvarg.data(), nullptr, static_cast<UINT>(n), 0};
        win::Variant result;
        win::ExcepInfo excep;
        UINT argErr = 0;
        const HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                             result.Ptr(), &excep, &argErr);
        if (FAILED(hr)) throw win::ErrorFromHResult(hr, &excep);
        if (result.Get().vt == VT_EMPTY) return Value();
        return win::FromVariant(result.Get());
    }

    win::ComPtr<IUnknown> addin_;
    win::ComPtr<IDispatch> dispatch_;
    std::map<std::wstring, DISPID> ids_;  // folded name -> DISPID
};

}  // namespace

ObjectPtr MakeComRibbonEndpoint(IUnknown* addin) {
    if (!addin) return nullptr;
    win::ComPtr<IUnknown> unknown(addin);
    win::ComPtr<IDispatch> dispatch = unknown.As<IDispatch>(IID_IDispatch);
    return std::make_shared<ComRibbonEndpoint>(std::move(unknown), std::move(dispatch));
}

}  // namespace brisko::tools
