#include "platform/win/win_message_boxes.h"

#include <windows.h>

namespace brisko::win {

int WinMessageBoxes::Show(const std::wstring& text, std::uint32_t style, const std::wstring& caption) {
    return MessageBoxW(GetActiveWindow(), text.c_str(), caption.c_str(), static_cast<UINT>(style));
}

}  // namespace brisko::win
