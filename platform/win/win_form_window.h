// The windows of loaded forms on Win32: a modeless top-level dialog window of the add-in's class
// "BriskoFormWindow" (a private dialog class over DefDlgProc) without an owner, with one child
// window per control laid out from the form's twips at the screen's dots per inch, in the dialog
// font (MS Shell Dlg, 8 points at the screen's resolution):
//   Label         STATIC (SS_NOTIFY; its mnemonic moves the focus to the next control)
//   CommandButton BUTTON (BS_DEFPUSHBUTTON for the default through DM_SETDEFID)
//   CheckBox      BUTTON (BS_AUTOCHECKBOX), OptionButton BUTTON (BS_AUTORADIOBUTTON), Frame BS_GROUPBOX
//   TextBox       EDIT, ComboBox COMBOBOX (CBS_DROPDOWN), Line STATIC (SS_ETCHEDHORZ / SS_ETCHEDVERT)
//   LinkLabel     the link label's own window (platform/win/win_link_label), attached by the form
//   ActiveX       atl.dll's AtlAxWin hosting the control made from its class id, in-place active
// Child ids are kFirstControlId + the control's id; the children's z-order is the tab order.
// Keyboard messages reach the dialog through a WH_GETMESSAGE hook while it is open
// (win_dialog_keys.h): the control's KeyDown first, then IsDialogMessage.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/form_window.h"

namespace brisko::win {

class AxHosting;

class WinFormWindows final : public FormWindows {
public:
    static constexpr const wchar_t* kClassName = L"BriskoFormWindow";
    static constexpr int kFirstControlId = 1000;
    // The form model's frame: its Width and Height are this much larger than the client area.
    static constexpr int kModelFrameWidth = 6 * 15;
    static constexpr int kModelFrameHeight = 25 * 15;

    // The module that owns the window class (its instance handle).
    explicit WinFormWindows(std::uintptr_t moduleInstance);
    // Unregisters the window class when this registered it; windows must be gone by then.
    ~WinFormWindows() override;
    WinFormWindows(const WinFormWindows&) = delete;
    WinFormWindows& operator=(const WinFormWindows&) = delete;

    // The window's outer rectangle: at (Left, Top), with a client area of the form model's
    // (Width - kModelFrameWidth) x (Height - kModelFrameHeight), whatever the system's frame.
    std::shared_ptr<FormWindow> Create(const std::wstring& formName, const std::wstring& caption,
                                       const TwipsRect& rect, FormWindowEvents& events) override;
    // 1440 / the screen's dots per inch (GetDeviceCaps LOGPIXELSX / LOGPIXELSY).
    int TwipsPerPixelX() const override;
    int TwipsPerPixelY() const override;

private:
    std::uintptr_t instance_;
    bool registered_ = false;
    std::unique_ptr<AxHosting> ax_;
};

}  // namespace brisko::win
