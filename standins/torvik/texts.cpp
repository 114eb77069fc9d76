#include "texts.h"

namespace torvik {

const UiTexts& TextsFor(std::wstring_view langId) {
    static const UiTexts kEnglish{L"About ", L"&About ", L"Version ", L"Registered to: ", L"OK"};
    static const UiTexts kGerman{L"Info \u00FCber ", L"&Info \u00FCber ", L"Version ", L"Registriert f\u00FCr: ",
                                 L"OK"};
    if (langId.size() >= 2 && (langId[0] == L'D' || langId[0] == L'd') && (langId[1] == L'E' || langId[1] == L'e'))
        return kGerman;
    return kEnglish;
}

}  // namespace torvik
