// Message boxes and COM object creation, as the add-in reaches them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "automation/object.h"

namespace brisko {

// MessageBox answers.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// MessageBoxW: the style number says the buttons (low four bits: 0 OK, 1 OK/Cancel, 3
// Yes/No/Cancel, 4 Yes/No), the icon and the default button; the answer is the button chosen.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual int Show(const std::wstring& text, std::uint32_t style, const std::wstring& caption) = 0;
};

// CreateObject: a late-bound object of a class named by ProgID ("Redemption.SafeMailItem") or by
// class id ("{29AB7A12-B531-450E-8F7A-EA94C2F3C05F}", braces required). A class that is not
// registered or fails to start raises 429 ("ActiveX component can't create object").
class ObjectFactory {
public:
    virtual ~ObjectFactory() = default;
    virtual ObjectPtr CreateObject(std::wstring_view progIdOrClassId) = 0;
};

}  // namespace brisko
