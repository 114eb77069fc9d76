#include "addin/dialogs/msgbox.h"

#include "addin/host/COptions.h"
#include "addin/host/globals.h"
#include "platform/platform.h"
#include "platform/ui.h"

namespace brisko {

int AddinMsgBox(const std::wstring& sText, std::uint32_t nStyle) {
    auto* boxes = CurrentPlatform().messageBoxes;
    if (!boxes) return 0;
    return boxes->Show(sText, nStyle, Options().ProductShortName());
}

std::wstring LangText(const std::wstring& sKey) { return g_oLang ? g_oLang->Item(sKey) : sKey; }

}  // namespace brisko
