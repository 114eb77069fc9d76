// Keyboard routing for modeless dialogs in a message loop that is not ours (Outlook's): while a
// dialog is open, a WH_GETMESSAGE hook on its thread gives every keyboard message (and every
// mouse button press) bound for a registered dialog to that dialog first (its KeyDown, then
// IsDialogMessage for Tab, Enter, Esc and mnemonics); a message the dialog handled is turned
// into WM_NULL.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <memory>

namespace brisko::win {

// A dialog that takes keyboard messages from the hook.
class DialogKeyTarget {
public:
    virtual ~DialogKeyTarget() = default;
    // The dialog's top-level window.
    virtual HWND DialogWindow() const noexcept = 0;
    // A keyboard message or mouse button press for the dialog or one of its controls, before it
    // is dispatched; true when it was handled (the loop then drops it). Must not raise.
    virtual bool Route(MSG& msg) noexcept = 0;
};

// Registers a dialog with the hook for as long as it lives. The hook is installed on the
// calling thread with the first registration and removed with the last.
class DialogKeyRoute {
public:
    explicit DialogKeyRoute(DialogKeyTarget& target);
    ~DialogKeyRoute();
    DialogKeyRoute(const DialogKeyRoute&) = delete;
    DialogKeyRoute& operator=(const DialogKeyRoute&) = delete;

    // Whether the hook is installed on this thread now (for tests).
    static bool HookInstalled() noexcept;

private:
    DialogKeyTarget& target_;
};

}  // namespace brisko::win
