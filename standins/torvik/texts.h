// The library's own visible texts, in the client's language (its LangID callback).
#pragma once

#include <string>
#include <string_view>

namespace torvik {

struct UiTexts {
    const wchar_t* aboutCaption;  // followed by the product name
    const wchar_t* menuCaption;   // followed by the product name and "..."
    const wchar_t* version;       // followed by the version
    const wchar_t* registeredTo;  // followed by the e-mail address
    const wchar_t* ok;
};

// "DE..." is German; anything else English.
const UiTexts& TextsFor(std::wstring_view langId);

}  // namespace torvik
