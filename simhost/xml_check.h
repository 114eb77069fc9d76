// A small XML reader for ribbon markup: well-formedness (elements, attributes in double or single
// quotes, character and the five predefined entity references, comments, processing
// instructions, CDATA), namespaces of elements resolved from xmlns declarations. No DTD.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brisko::sim {

struct XmlAttribute {
    std::wstring name;   // as written, e.g. "getLabel" or "xmlns:mso"
    std::wstring value;  // entity references resolved
};

struct XmlElement {
    std::wstring name;       // as written, e.g. "mso:button"
    std::wstring localName;  // without the prefix
    std::wstring ns;         // the namespace URI in scope for its prefix ("" for none)
    std::vector<XmlAttribute> attributes;
    std::size_t parent = static_cast<std::size_t>(-1);  // index into XmlDocument::elements; -1 for the root
    int depth = 0;                                      // 0 for the root
    std::size_t line = 1;

    // The attribute's value, or nullptr when it has none.
    const std::wstring* Attribute(std::wstring_view attributeName) const;
};

struct XmlDocument {
    std::vector<XmlElement> elements;  // in document order; elements[0] is the root
};

// Reads text into doc. False with a message "line N: ..." when it is not well-formed.
bool ParseXml(std::wstring_view text, XmlDocument& doc, std::wstring& error);

}  // namespace brisko::sim
