#include "simhost/xml_check.h"

#include <cstdint>
#include <utility>

namespace brisko::sim {

const std::wstring* XmlElement::Attribute(std::wstring_view attributeName) const {
    for (const auto& a : attributes) {
        if (a.name == attributeName) return &a.value;
    }
    return nullptr;
}

namespace {

constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);

struct ParseFailure {
    std::wstring message;
};

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r'; }

bool IsNameStart(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' || c == L':' ||
           static_cast<std::uint32_t>(c) >= 0xC0;
}

bool IsNameChar(wchar_t c) {
    return IsNameStart(c) || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.' || c == 0xB7;
}

// A character the document may hold literally.
bool IsXmlChar(std::uint32_t c) {
    if (c == 0x9 || c == 0xA || c == 0xD) return true;
    if (c < 0x20) return false;
    if (c >= 0xD800 && c <= 0xDFFF) return sizeof(wchar_t) == 2;  // halves of a UTF-16 pair
    return c != 0xFFFE && c != 0xFFFF && c <= 0x10FFFF;
}

void AppendCodePoint(std::wstring& out, std::uint32_t cp) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(cp);
}

class Parser {
public:
    Parser(std::wstring_view text, XmlDocument& doc) : text_(text), doc_(doc) {}

    void Run() {
        if (!text_.empty() && text_[0] == 0xFEFF) pos_ = 1;
        if (StartsWith(L"<?xml") && pos_ + 5 < text_.size() && (IsSpace(text_[pos_ + 5]) || text_[pos_ + 5] == L'?'))
            ProcessingInstruction();
        Misc();
        if (AtEnd()) Fail(L"no root element");
        if (Peek() != L'<') Fail(L"text before the root element");
        Element(kNoParent, 0);
        Misc();
        if (!AtEnd()) Fail(Peek() == L'<' ? L"a second root element" : L"text after the root element");
    }

private:
    using Scope = std::vector<std::pair<std::wstring, std::wstring>>;  // prefix -> namespace

    bool AtEnd() const { return pos_ >= text_.size(); }
    wchar_t Peek() const { return AtEnd() ? L'\0' : text_[pos_]; }
    bool StartsWith(std::wstring_view s) const { return text_.substr(pos_, s.size()) == s; }

    [[noreturn]] void Fail(std::wstring message) const {
        throw ParseFailure{L"line " + std::to_wstring(line_) + L": " + std::move(message)};
    }

    wchar_t Next() {
        if (AtEnd()) Fail(L"unexpected end of the markup");
        const wchar_t c = text_[pos_++];
        if (!IsXmlChar(static_cast<std::uint32_t>(c))) Fail(L"a character that XML does not allow");
        if (c == L'\n') ++line_;
        return c;
    }

    void Expect(std::wstring_view s) {
        if (!StartsWith(s)) Fail(L"expected \"" + std::wstring(s) + L"\"");
        for (std::size_t i = 0; i < s.size(); ++i) Next();
    }

    bool SkipSpace() {
        const std::size_t start = pos_;
        while (!AtEnd() && IsSpace(Peek())) Next();
        return pos_ != start;
    }

    std::wstring Name() {
        if (AtEnd() || !IsNameStart(Peek())) Fail(L"a name was expected");
        const std::size_t start = pos_;
        while (!AtEnd() && IsNameChar(Peek())) Next();
        return std::wstring(text_.substr(start, pos_ - start));
    }

    // Comments, processing instructions and white space outside the root element.
    void Misc() {
        while (!AtEnd()) {
            if (IsSpace(Peek())) {
                Next();
            } else if (StartsWith(L"<!--")) {
                Comment();
            } else if (StartsWith(L"<!DOCTYPE") || StartsWith(L"<!doctype")) {
                Fail(L"a DTD is not allowed");
            } else if (StartsWith(L"<?")) {
                ProcessingInstruction();
            } else {
                return;
            }
        }
    }

    void Comment() {
        Expect(L"<!--");
        while (true) {
            if (AtEnd()) Fail(L"a comment is not closed");
            if (StartsWith(L"--")) {
                if (!StartsWith(L"-->")) Fail(L"\"--\" inside a comment");
                Expect(L"-->");
                return;
            }
            Next();
        }
    }

    void ProcessingInstruction() {
        const bool atStart = pos_ == 0 || (pos_ == 1 && text_[0] == 0xFEFF);
        Expect(L"<?");
        const std::wstring target = Name();
        if ((target.size() == 3 && (target[0] | 0x20) == L'x' && (target[1] | 0x20) == L'm' &&
             (target[2] | 0x20) == L'l') &&
            !(atStart && target == L"xml"))
            Fail(L"an XML declaration that is not at the start");
        while (true) {
            if (AtEnd()) Fail(L"a processing instruction is not closed");
            if (StartsWith(L"?>")) {
                Expect(L"?>");
                return;
            }
            Next();
        }
    }

    // After "&": a character or one of the five predefined entity references.
    void Reference(std::wstring& out) {
        Next();  // '&'
        if (Peek() == L'#') {
            Next();
            std::uint32_t cp = 0;
            bool hex = false;
            if (Peek() == L'x') {
                hex = true;
                Next();
            }
            std::size_t digits = 0;
            while (!AtEnd() && Peek() != L';') {
                const wchar_t c = Next();
                int d = -1;
                if (c >= L'0' && c <= L'9') d = c - L'0';
                else if (hex && c >= L'a' && c <= L'f') d = c - L'a' + 10;
                else if (hex && c >= L'A' && c <= L'F') d = c - L'A' + 10;
                if (d < 0) Fail(L"a bad character reference");
                cp = cp * (hex ? 16u : 10u) + static_cast<std::uint32_t>(d);
                if (cp > 0x10FFFF) Fail(L"a bad character reference");
                ++digits;
            }
            if (digits == 0 || AtEnd()) Fail(L"a bad character reference");
            Next();  // ';'
            if (!IsXmlChar(cp) || (cp >= 0xD800 && cp <= 0xDFFF)) Fail(L"a character reference to a character XML does not allow");
            AppendCodePoint(out, cp);
            return;
        }
        const std::wstring name = Name();
        if (Peek() != L';') Fail(L"an entity reference without \";\"");
        Next();
        if (name == L"lt") out += L'<';
        else if (name == L"gt") out += L'>';
        else if (name == L"amp") out += L'&';
        else if (name == L"quot") out += L'"';
        else if (name == L"apos") out += L'\'';
        else Fail(L"an undefined entity \"&" + name + L";\"");
    }

    std::wstring AttributeValue() {
        const wchar_t quote = Peek();
        if (quote != L'"' && quote != L'\'') Fail(L"an attribute value must be in quotes");
        Next();
        std::wstring value;
        while (true) {
            if (AtEnd()) Fail(L"an attribute value is not closed");
            const wchar_t c = Peek();
            if (c == quote) {
                Next();
                return value;
            }
            if (c == L'<') Fail(L"\"<\" in an attribute value");
            if (c == L'&') {
                Reference(value);
                continue;
            }
            Next();
            value += IsSpace(c) ? L' ' : c;
        }
    }

    const std::wstring* Resolve(const std::wstring& prefix) const {
        for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
            for (auto it = scope->rbegin(); it != scope->rend(); ++it) {
                if (it->first == prefix) return &it->second;
            }
        }
        return nullptr;
    }

    static std::pair<std::wstring, std::wstring> Split(const std::wstring& qname) {
        const auto colon = qname.find(L':');
        if (colon == std::wstring::npos) return {L"", qname};
        return {qname.substr(0, colon), qname.substr(colon + 1)};
    }

    void Element(std::size_t parent, int depth) {
        Expect(L"<");
        XmlElement e;
        e.line = line_;
        e.parent = parent;
        e.depth = depth;
        e.name = Name();
        Scope scope;
        while (true) {
            const bool spaced = SkipSpace();
            if (StartsWith(L"/>") || StartsWith(L">")) break;
            if (!spaced) Fail(L"white space is needed between attributes");
            XmlAttribute a;
            a.name = Name();
            SkipSpace();
            Expect(L"=");
            SkipSpace();
            a.value = AttributeValue();
            for (const auto& other : e.attributes) {
                if (other.name == a.name) Fail(L"the attribute \"" + a.name + L"\" is given twice");
            }
            if (a.name == L"xmlns") {
                scope.emplace_back(L"", a.value);
            } else if (a.name.rfind(L"xmlns:", 0) == 0) {
                if (a.value.empty()) Fail(L"an empty namespace for a prefix");
                scope.emplace_back(a.name.substr(6), a.value);
            }
            e.attributes.push_back(std::move(a));
        }
        scopes_.push_back(std::move(scope));
        const auto [prefix, local] = Split(e.name);
        if (local.empty() || local.find(L':') != std::wstring::npos) Fail(L"a bad element name \"" + e.name + L"\"");
        e.localName = local;
        const std::wstring* ns = Resolve(prefix);
        if (!prefix.empty() && !ns) Fail(L"the prefix \"" + prefix + L"\" is not declared");
        e.ns = ns ? *ns : std::wstring();
        for (const auto& a : e.attributes) {
            const auto [aprefix, alocal] = Split(a.name);
            if (!aprefix.empty() && aprefix != L"xmlns" && aprefix != L"xml" && !Resolve(aprefix))
                Fail(L"the prefix \"" + aprefix + L"\" is not declared");
        }
        const std::size_t index = doc_.elements.size();
        const std::wstring name = e.name;
        doc_.elements.push_back(std::move(e));
        if (StartsWith(L"/>")) {
            Expect(L"/>");
            scopes_.pop_back();
            return;
        }
        Expect(L">");
        Content(index, depth + 1);
        Expect(L"</");
        const std::size_t endLine = line_;
        const std::wstring endName = Name();
        SkipSpace();
        Expect(L">");
        if (endName != name) {
            throw ParseFailure{L"line " + std::to_wstring(endLine) + L": </" + endName + L"> closes <" + name + L">"};
        }
        scopes_.pop_back();
    }

    void Content(std::size_t parent, int depth) {
        std::wstring ignored;
        while (true) {
            if (AtEnd()) Fail(L"<" + doc_.elements[parent].name + L"> is not closed");
            if (StartsWith(L"</")) return;
            if (StartsWith(L"<!--")) {
                Comment();
            } else if (StartsWith(L"<![CDATA[")) {
                Expect(L"<![CDATA[");
                while (!StartsWith(L"]]>")) {
                    if (AtEnd()) Fail(L"a CDATA section is not closed");
                    Next();
                }
                Expect(L"]]>");
            } else if (StartsWith(L"<?")) {
                ProcessingInstruction();
            } else if (StartsWith(L"<!")) {
                Fail(L"a declaration is not allowed here");
            } else if (Peek() == L'<') {
                Element(parent, depth);
            } else if (Peek() == L'&') {
                ignored.clear();
                Reference(ignored);
            } else {
                if (StartsWith(L"]]>")) Fail(L"\"]]>\" in text");
                Next();
            }
        }
    }

    std::wstring_view text_;
    XmlDocument& doc_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    std::vector<Scope> scopes_;
};

}  // namespace

bool ParseXml(std::wstring_view text, XmlDocument& doc, std::wstring& error) {
    doc.elements.clear();
    error.clear();
    try {
        Parser(text, doc).Run();
        return true;
    } catch (const ParseFailure& f) {
        doc.elements.clear();
        error = f.message;
        return false;
    }
}

}  // namespace brisko::sim
