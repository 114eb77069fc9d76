// ActiveX controls in a window through the system's host: atl.dll's window class AtlAxWin
// creates the control from its ProgID or class id, gives it a client site and activates it in
// place inside the host window. A class registered for the user only, which COM does not see
// under Wine, is created through user_classes.h and attached to an empty host window.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>

#include <string>

#include "automation/win/com_ptr.h"

namespace brisko::win {

// atl.dll, loaded with the first host and kept for the process.
class AxHosting {
public:
    AxHosting() = default;
    ~AxHosting();
    AxHosting(const AxHosting&) = delete;
    AxHosting& operator=(const AxHosting&) = delete;

    // A child window of parent holding a new, in-place active control of the class (hidden with
    // its parent), and the control. Raises 429 when atl.dll or the class is missing or the
    // control can't be made.
    HWND Create(HWND parent, const std::wstring& classId, const RECT& rect, int id, ComPtr<IUnknown>& control);

private:
    void Load();
    HMODULE atl_ = nullptr;
    HRESULT(WINAPI* getControl_)(HWND, IUnknown**) = nullptr;
    using AttachControl = HRESULT(WINAPI*)(IUnknown*, HWND, IUnknown**);
    AttachControl attachControl_ = nullptr;
};

// Gives an active control its new rectangle in the host (after the host moved).
void SetControlRects(IUnknown* control, const RECT& client) noexcept;
// Deactivates and closes a control (before its host window goes).
void CloseControl(IUnknown* control) noexcept;

}  // namespace brisko::win
