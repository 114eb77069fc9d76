// Message boxes through user32.
#pragma once

#include "platform/ui.h"

namespace brisko::win {

// MessageBoxW owned by the thread's active window, or by none.
class WinMessageBoxes : public MessageBoxes {
public:
    int Show(const std::wstring& text, std::uint32_t style, const std::wstring& caption) override;
};

}  // namespace brisko::win
