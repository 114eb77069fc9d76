#include "simhost/xml_check.h"

namespace brisko::sim {

const std::wstring* XmlElement::Attribute(std::wstring_view attributeName) const {
    for (const auto& a : attributes) {
        if (a.name == attributeName) return &a.value;
    }
    return nullptr;
}

bool ParseXml(std::wstring_view, XmlDocument& doc, std::wstring& error) {
    doc.elements.clear();
    error = L"not implemented";
    return false;
}

}  // namespace brisko::sim
