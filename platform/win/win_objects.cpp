#include "platform/win/win_objects.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cwchar>
#include <string>

#include "automation/error.h"
#include "automation/win/com_ptr.h"
#include "automation/win/variant.h"
#include "platform/win/user_classes.h"

namespace brisko::win {

namespace {

[[noreturn]] void CantCreate(std::wstring_view name, const wchar_t* step, HRESULT hr) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    Raise(brisko::err::CantCreateObject, L"ActiveX component can't create object: " + std::wstring(name) + L" (" +
                                             step + L" " + code + L")");
}

}  // namespace

ObjectPtr WinObjectFactory::CreateObject(std::wstring_view progIdOrClassId) {
    const std::wstring name(progIdOrClassId);
    CLSID clsid{};
    if (name.empty()) CantCreate(name, L"no class name", E_INVALIDARG);
    const HRESULT found = ClassIdFromName(name, clsid);
    if (FAILED(found)) CantCreate(name, L"class not found,", found);
    ComPtr<IDispatch> dispatch;
    HRESULT made = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                    dispatch.PutVoid());
    // A class of the user's that COM does not see (Wine).
    if (made == REGDB_E_CLASSNOTREG) made = CreateInstance(clsid, IID_IDispatch, dispatch.PutVoid());
    if (FAILED(made)) CantCreate(name, L"CoCreateInstance", made);
    if (!dispatch) CantCreate(name, L"CoCreateInstance", E_NOINTERFACE);
    return ObjectFromDispatch(dispatch.Get());
}

}  // namespace brisko::win
