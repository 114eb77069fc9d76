#include "platform/win/win_ax_host.h"

#include "automation/error.h"
#include "platform/win/user_classes.h"

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
        attachControl_ = reinterpret_cast<AttachControl>(
            reinterpret_cast<void*>(GetProcAddress(g_atl, "AtlAxAttachControl")));
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
    attachControl_ =
        reinterpret_cast<AttachControl>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxAttachControl")));
}

HWND AxHosting::Create(HWND parent, const std::wstring& classId, const RECT& rect, int id, ComPtr<IUnknown>& control) {
    Load();
    control.Reset();
    CLSID clsid{};
    bool userClass = false;
    if (FAILED(ClassIdFromName(classId, clsid, &userClass))) {
        Raise(err::CantCreateObject, L"ActiveX component can't create object: " + classId);
    }
    // The host passes the tab on to the control's window; the control's own children are reached
    // through it.
    auto makeHost = [&](const wchar_t* text) {
        HWND host = CreateWindowExW(0, L"AtlAxWin", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS,
                                    rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                    nullptr);
        if (!host) Raise(err::CantCreateObject, L"ActiveX component can't create object: " + classId);
        return host;
    };
    // The host creates the control of a class COM knows.
    if (!userClass) {
        HWND host = makeHost(classId.c_str());
        if (SUCCEEDED(getControl_(host, control.Put())) && control) return host;
        control.Reset();
        DestroyWindow(host);
    }
    // A class of the user's that COM does not see (Wine): made here and attached to an empty host.
    ComPtr<IUnknown> made;
    if (!attachControl_ || FAILED(CreateInstance(clsid, IID_IUnknown, made.PutVoid())) || !made) {
        Raise(err::CantCreateObject, L"ActiveX component can't create object: " + classId);
    }
    HWND host = makeHost(L"");
    // The window keeps its own reference to the container; Wine's atl.dll attaches nothing when
    // no container is asked for.
    ComPtr<IUnknown> container;
    if (FAILED(attachControl_(made.Get(), host, container.Put())) || FAILED(getControl_(host, control.Put())) ||
        !control) {
        control.Reset();
        CloseControl(made.Get());
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
