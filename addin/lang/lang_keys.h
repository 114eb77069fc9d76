// The text keys the add-in looks up, with the number of "%s" arguments each is given.
#pragma once

#include <string>
#include <vector>

namespace brisko {

struct LangKey {
    const wchar_t* key;
    int arguments;  // "%s" placeholders the caller fills
};

const std::vector<LangKey>& SystemLangKeys();

}  // namespace brisko
