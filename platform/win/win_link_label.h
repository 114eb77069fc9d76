// The link label as a Win32 control: a window of the add-in's class "BriskoLinkLabel" with one
// STATIC label child (SS_NOTIFY, subclassed for the mouse), a 100 ms window timer while
// hovered, colours through WM_CTLCOLORSTATIC, the dialog's font (underlined or bold on demand),
// a tooltip, auto-size measured with GDI in the label's font.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/link_label.h"

namespace brisko::win {

class WinLinkLabelViews final : public LinkLabelViews {
public:
    static constexpr const wchar_t* kClassName = L"BriskoLinkLabel";
    // The timer's id on the control window.
    static constexpr std::uintptr_t kTimerId = 1;

    // The module that owns the window class (its instance handle).
    explicit WinLinkLabelViews(std::uintptr_t moduleInstance);
    // Unregisters the window class when this registered it.
    ~WinLinkLabelViews() override;
    WinLinkLabelViews(const WinLinkLabelViews&) = delete;
    WinLinkLabelViews& operator=(const WinLinkLabelViews&) = delete;

    // The class is registered at the first window. The control takes its parent's font
    // (WM_GETFONT; DEFAULT_GUI_FONT without one) and answers WM_SETFONT / WM_GETFONT itself.
    std::unique_ptr<LinkLabelView> Create(std::uintptr_t parent, LinkLabelEvents& events) override;

private:
    std::uintptr_t instance_;
    bool registered_ = false;
};

}  // namespace brisko::win
