// Settings and the product's fixed facts.
#pragma once

#include <string>

namespace brisko {

class COptions {
public:
    std::wstring CompanyShortName() const { return L"Corvant"; }
    std::wstring ProductShortName() const { return L"Brisko"; }
};

}  // namespace brisko
