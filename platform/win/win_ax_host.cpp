#include "platform/win/win_ax_host.h"

#include "automation/error.h"

namespace brisko::win {

namespace {

// atl.dll stays loaded for the process once it registered its window class: the class lives
// until the process ends, and its window procedure with it.
HMODULE g_atl = nullptr;

}  // namespace

AxHosting::~AxHosting() = default;

void AxHosting::Load() {
    if (atl_) return;
    if (g_atl) {
        atl_ = g_atl;
        getControl_ = reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
            reinterpret_cast<void*>(GetProcAddress(g_atl, "AtlAxGetControl")));
        return;
    }
    HMODULE atl = LoadLibraryW(L"atl.dll");
    if (!atl) Raise(err::CantCreateObject, L"ActiveX component can't create object: atl.dll is missing");
    auto init = reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    auto get = reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    // AtlAxWinInit fails (under Wine) when another module of the process initialised atl.dll
    // first: its window class is there all the same, and serves this module too.
    auto hostClassExists = [atl] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        return GetClassInfoExW(atl, L"AtlAxWin", &wc) || GetClassInfoExW(nullptr, L"AtlAxWin", &wc);
    };
    if (!init || !get || (!init() && !hostClassExists())) {
        FreeLibrary(atl);
        Raise(err::CantCreateObject, L"ActiveX component can't create object: atl.dll can't host controls");
    }
    g_atl = atl_ = atl;
    getControl_ = get;
}

HWND AxHosting::Create(HWND parent, const std::wstring& classId, const RECT& rect, int id, ComPtr<IUnknown>& control) {
    Load();
    // The host passes the tab on to the control's window; the control's own children are reached
    // through it.
    HWND host = CreateWindowExW(0, L"AtlAxWin", classId.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS,
                                rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!host) Raise(err::CantCreateObject, L"ActiveX component can't create object: " + classId);
    control.Reset();
    if (FAILED(getControl_(host, control.Put())) || !control) {
        DestroyWindow(host);
        Raise(err::CantCreateObject, L"ActiveX component can't create object: " + classId);
    }
    return host;
}

void SetControlRects(IUnknown* control, const RECT& client) noexcept {
    if (!control) return;
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(control->QueryInterface(IID_IOleInPlaceObject, inPlace.PutVoid())) && inPlace) {
        inPlace->SetObjectRects(&client, &client);
    }
}

void CloseControl(IUnknown* control) noexcept {
    if (!control) return;
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(control->QueryInterface(IID_IOleInPlaceObject, inPlace.PutVoid())) && inPlace) {
        inPlace->InPlaceDeactivate();
    }
    ComPtr<IOleObject> object;
    if (SUCCEEDED(control->QueryInterface(IID_IOleObject, object.PutVoid())) && object) {
        object->Close(OLECLOSE_NOSAVE);
    }
}

}  // namespace brisko::win
