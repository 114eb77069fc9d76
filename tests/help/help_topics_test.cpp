// The shipped help topics, read as old Internet Explorer reads them: plain ASCII HTML 4.01 with
// entities, every element closed and nested, links and anchors that exist, one stylesheet without
// CSS3, the same pages and links in every language, and the names the dialogs and menus show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSource = BRISKO_HELP_SOURCE_DIR;
const fs::path kBuilt = BRISKO_HELP_BUILD_DIR;
const fs::path kLang = BRISKO_LANG_DIR;
const std::vector<std::string> kLanguages{"EN", "DE"};
const std::vector<std::string> kTopics{"index.htm", "Create_Task_Item_from_E-mail_Message.htm",
                                       "Create_Appointment_Item_from_E-mail_Message.htm"};

const std::map<std::string, char32_t>& Entities() {
    static const std::map<std::string, char32_t> table{
#include "html4_entities.inc"
    };
    return table;
}

// HTML 4.01 Strict without scripts, objects and forms.
const std::set<std::string> kElements{
    "a",     "abbr",  "acronym", "address", "b",     "bdo",   "big",    "blockquote", "body",  "br",
    "caption", "cite", "code",   "col",     "colgroup", "dd", "del",    "dfn",        "div",   "dl",
    "dt",    "em",    "h1",      "h2",      "h3",    "h4",    "h5",     "h6",         "head",  "hr",
    "html",  "i",     "img",     "ins",     "kbd",   "li",    "link",   "map",        "area",  "meta",
    "ol",    "p",     "pre",     "q",       "samp",  "small", "span",   "strong",     "sub",   "sup",
    "table", "tbody", "td",      "tfoot",   "th",    "thead", "title",  "tr",         "tt",    "ul",
    "var"};
const std::set<std::string> kEmptyElements{"br", "hr", "img", "meta", "link", "col", "area"};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes character references; an unknown or malformed one is a fault.
std::string DecodeText(std::string_view raw, std::vector<std::string>& faults) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        const std::size_t semi = raw.find(';', i);
        const std::string name(raw.substr(i + 1, semi == std::string_view::npos ? 0 : semi - i - 1));
        char32_t c = 0;
        bool known = false;
        if (!name.empty() && name[0] == '#') {
            const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
            const std::string digits = name.substr(hex ? 2 : 1);
            known = !digits.empty() && digits.size() <= 6 &&
                    digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") == std::string::npos;
            if (known) c = static_cast<char32_t>(std::stoul(digits, nullptr, hex ? 16 : 10));
            known = known && c > 0 && c < 0x10000;
        } else if (auto it = Entities().find(name); it != Entities().end()) {
            c = it->second;
            known = true;
        }
        if (!known) {
            faults.push_back("unknown or unterminated entity near \"" + std::string(raw.substr(i, 12)) + "\"");
            out += '&';
            continue;
        }
        AppendUtf8(out, c);
        i = semi;
    }
    return out;
}

struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
};

// One page taken apart: its elements in order, its text, and what it got wrong.
struct Page {
    fs::path path;
    std::vector<Element> elements;
    std::string text;  // decoded, tags removed, blanks folded
    std::vector<std::string> faults;

    std::vector<std::string> Links() const {
        std::vector<std::string> links;
        for (const auto& e : elements) {
            for (const char* a : {"href", "src"}) {
                if (auto it = e.attributes.find(a); it != e.attributes.end()) links.push_back(it->second);
            }
        }
        return links;
    }
    std::set<std::string> Anchors() const {
        std::set<std::string> anchors;
        for (const auto& e : elements) {
            for (const char* a : {"id", "name"}) {
                if (auto it = e.attributes.find(a); it != e.attributes.end() && !(e.name == "meta" && a[0] == 'n'))
                    anchors.insert(it->second);
            }
        }
        return anchors;
    }
    std::string Attribute(std::size_t element, const std::string& name) const {
        const auto& a = elements.at(element).attributes;
        const auto it = a.find(name);
        return it == a.end() ? std::string() : it->second;
    }
    const Element* First(const std::string& name) const {
        for (const auto& e : elements) {
            if (e.name == name) return &e;
        }
        return nullptr;
    }
};

std::string FoldBlanks(const std::string& text) {
    std::string out;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        if (blank) {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

Page Parse(const fs::path& path) {
    Page page;
    page.path = path;
    const std::string raw = ReadFile(path);
    auto fault = [&](const std::string& what) { page.faults.push_back(what); };
    for (unsigned char c : raw) {
        if (c >= 0x80 || (c < 0x20 && c != '\n' && c != '\r' && c != '\t')) {
            fault("a byte outside printable ASCII: write characters as entities");
            break;
        }
    }
    if (raw.rfind("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">", 0) != 0)
        fault("does not begin with the HTML 4.01 Strict document type");

    std::vector<std::string> open;
    std::string text;
    std::size_t i = 0;
    while (i < raw.size()) {
        if (raw[i] != '<') {
            const std::size_t next = std::min(raw.find('<', i), raw.size());
            const std::string_view chunk(raw.data() + i, next - i);
            if (chunk.find('>') != std::string_view::npos) fault("a bare '>' in text");
            text += DecodeText(chunk, page.faults);
            i = next;
            continue;
        }
        if (raw.compare(i, 4, "<!--") == 0) {
            const std::size_t end = raw.find("-->", i + 4);
            if (end == std::string::npos) {
                fault("an unterminated comment");
                return page;
            }
            i = end + 3;
            continue;
        }
        const std::size_t end = raw.find('>', i);
        if (end == std::string::npos) {
            fault("an unterminated tag");
            return page;
        }
        const std::string tag = raw.substr(i + 1, end - i - 1);
        i = end + 1;
        if (!tag.empty() && tag[0] == '!') continue;  // the document type
        const bool closing = !tag.empty() && tag[0] == '/';
        std::size_t p = closing ? 1 : 0;
        const std::size_t nameEnd = std::min(tag.find_first_of(" \t\r\n/", p), tag.size());
        const std::string name = Lower(tag.substr(p, nameEnd - p));
        if (!kElements.count(name)) {
            fault("the element <" + name + "> is not HTML 4.01 Strict (or not allowed here)");
            continue;
        }
        if (closing) {
            if (kEmptyElements.count(name)) fault("</" + name + "> closes an empty element");
            else if (open.empty() || open.back() != name)
                fault("</" + name + "> does not close the open <" + (open.empty() ? std::string() : open.back()) + ">");
            else open.pop_back();
            text += ' ';
            continue;
        }
        if (!tag.empty() && tag.back() == '/') fault("<" + name + "/>: XHTML syntax in an HTML page");
        Element element{name, {}};
        p = nameEnd;
        while (p < tag.size()) {
            while (p < tag.size() && std::string_view(" \t\r\n/").find(tag[p]) != std::string_view::npos) ++p;
            if (p >= tag.size()) break;
            const std::size_t eq = std::min(tag.find_first_of("= \t\r\n", p), tag.size());
            const std::string attribute = Lower(tag.substr(p, eq - p));
            p = eq;
            std::string value;
            if (p < tag.size() && tag[p] == '=') {
                ++p;
                if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
                    const std::size_t close = tag.find(tag[p], p + 1);
                    if (close == std::string::npos) {
                        fault("an unterminated attribute value in <" + name + ">");
                        break;
                    }
                    value = tag.substr(p + 1, close - p - 1);
                    p = close + 1;
                } else {
                    const std::size_t stop = std::min(tag.find_first_of(" \t\r\n", p), tag.size());
                    value = tag.substr(p, stop - p);
                    p = stop;
                }
            }
            if (attribute.rfind("on", 0) == 0 || attribute == "style")
                fault("the attribute " + attribute + " in <" + name + ">: no scripts, styles in the stylesheet");
            element.attributes[attribute] = DecodeText(value, page.faults);
        }
        if (auto it = element.attributes.find("href");
            it != element.attributes.end() && Lower(it->second).rfind("javascript:", 0) == 0)
            fault("a script link");
        if (!kEmptyElements.count(name)) open.push_back(name);
        if (name == "br" || name == "p" || name == "li" || name == "td" || name == "th" || name == "div") text += ' ';
        page.elements.push_back(std::move(element));
    }
    if (!open.empty()) fault("<" + open.back() + "> is never closed");
    page.text = FoldBlanks(text);
    return page;
}

// What a language file says under a section, keys lower-cased, texts in UTF-8 without '&'.
std::map<std::string, std::string> LangSection(const fs::path& file, const std::string& section) {
    std::string raw = ReadFile(file);
    const bool utf8 = raw.rfind("\xEF\xBB\xBF", 0) == 0;
    std::string text;
    if (utf8) {
        text = raw.substr(3);
    } else {  // Windows-1252
        for (unsigned char c : raw) {
            static const std::map<unsigned char, char32_t> k1252{{0x80, 0x20AC}, {0x84, 0x201E}, {0x93, 0x201C},
                                                                 {0x94, 0x201D}, {0x96, 0x2013}};
            const auto it = k1252.find(c);
            AppendUtf8(text, it != k1252.end() ? it->second : static_cast<char32_t>(c));
        }
    }
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    std::string line;
    bool inside = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inside = Lower(line) == "[" + Lower(section) + "]";
            continue;
        }
        const std::size_t eq = line.find('=');
        const std::size_t q1 = line.find('"', eq);
        const std::size_t q2 = line.rfind('"');
        if (!inside || eq == std::string::npos || q1 == std::string::npos || q2 <= q1) continue;
        std::string key = line.substr(0, eq);
        key.erase(key.find_last_not_of(" \t") + 1);
        std::string value;
        for (std::size_t k = q1 + 1; k < q2; ++k) {
            if (line[k] == '&') continue;
            value += line[k];
            if (line[k] == '"') ++k;  // a doubled quote
        }
        values[Lower(key)] = value;
    }
    return values;
}

std::set<std::string> Files(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

// Links with the other language's folder written as ../XX/, so the sets of two languages compare.
std::set<std::string> NeutralLinks(const Page& page) {
    std::set<std::string> links;
    for (std::string link : page.Links()) {
        for (const auto& lang : kLanguages) {
            if (link.rfind("../" + lang + "/", 0) == 0) link = "../XX/" + link.substr(4 + lang.size());
        }
        links.insert(link);
    }
    return links;
}

TEST(HelpTopics, EveryLanguageHasTheSameFilesAndTheThreeTopics) {
    ASSERT_TRUE(fs::is_directory(kSource)) << kSource;
    std::set<std::string> first;
    for (const auto& lang : kLanguages) {
        const auto files = Files(kSource / lang);
        for (const auto& topic : kTopics) EXPECT_TRUE(files.count(topic)) << lang << "/" << topic << " is missing";
        if (first.empty()) first = files;
        EXPECT_EQ(files, first) << lang << " holds other files than " << kLanguages.front();
    }
    EXPECT_EQ(Files(kSource), (std::set<std::string>{"help.css", "EN", "DE"}));
}

TEST(HelpTopics, PagesAreWellFormedHtml401ForOldInternetExplorer) {
    for (const auto& lang : kLanguages) {
        for (const auto& entry : fs::directory_iterator(kSource / lang)) {
            const Page page = Parse(entry.path());
            for (const auto& f : page.faults) ADD_FAILURE() << page.path << ": " << f;
            const Element* html = page.First("html");
            ASSERT_NE(html, nullptr) << page.path;
            EXPECT_EQ(html->attributes.count("lang") ? html->attributes.at("lang") : "", Lower(lang)) << page.path;
            // IE honours the character set only from a meta element early in the head.
            ASSERT_GE(page.elements.size(), 3u) << page.path;
            EXPECT_EQ(page.elements[2].name, "meta") << page.path << ": the head must begin with the character set";
            EXPECT_EQ(Lower(page.Attribute(2, "http-equiv")), "content-type") << page.path;
            EXPECT_EQ(Lower(page.Attribute(2, "content")), "text/html; charset=iso-8859-1") << page.path;
            const Element* link = page.First("link");
            ASSERT_NE(link, nullptr) << page.path << ": no stylesheet";
            EXPECT_EQ(link->attributes.at("href"), "../help.css") << page.path;
            EXPECT_EQ(link->attributes.at("rel"), "stylesheet") << page.path;
            const Element* title = page.First("title");
            EXPECT_NE(title, nullptr) << page.path;
        }
    }
}

TEST(HelpTopics, LinksAnchorsAndClassesExist) {
    const std::string css = ReadFile(kSource / "help.css");
    for (const auto& lang : kLanguages) {
        for (const auto& entry : fs::directory_iterator(kSource / lang)) {
            const Page page = Parse(entry.path());
            for (const auto& link : page.Links()) {
                if (link.find(':') != std::string::npos) {
                    ADD_FAILURE() << page.path << ": " << link << " leaves the help (no scheme, no drive)";
                    continue;
                }
                const std::size_t hash = link.find('#');
                const std::string file = link.substr(0, hash);
                const fs::path target = file.empty() ? page.path : (page.path.parent_path() / file).lexically_normal();
                const auto rel = target.lexically_relative(kSource);
                if (rel.empty() || *rel.begin() == ".." || !fs::is_regular_file(target)) {
                    ADD_FAILURE() << page.path << ": " << link << " names no file of the help";
                    continue;
                }
                if (hash != std::string::npos) {
                    const std::string anchor = link.substr(hash + 1);
                    EXPECT_TRUE(Parse(target).Anchors().count(anchor)) << page.path << ": " << link << " names no anchor";
                }
            }
            for (const auto& e : page.elements) {
                if (auto it = e.attributes.find("class"); it != e.attributes.end()) {
                    EXPECT_NE(css.find("." + it->second + " "), std::string::npos)
                        << page.path << ": class " << it->second << " is not in help.css";
                }
            }
        }
    }
}

TEST(HelpTopics, LanguagesLinkAlike) {
    for (const auto& entry : fs::directory_iterator(kSource / kLanguages.front())) {
        const Page first = Parse(entry.path());
        for (std::size_t l = 1; l < kLanguages.size(); ++l) {
            const fs::path other = kSource / kLanguages[l] / entry.path().filename();
            if (!fs::exists(other)) continue;  // reported by EveryLanguageHasTheSameFiles...
            const Page page = Parse(other);
            EXPECT_EQ(NeutralLinks(page), NeutralLinks(first)) << other;
            EXPECT_EQ(page.Anchors(), first.Anchors()) << other;
            const auto links = page.Links();
            EXPECT_EQ(std::count(links.begin(), links.end(),
                                 "../" + kLanguages.front() + "/" + entry.path().filename().string()),
                      1)
                << other << " links its twin once";
        }
    }
}

TEST(HelpTopics, TheStylesheetKeepsToWhatInternetExplorer6Shows) {
    const std::string css = Lower(ReadFile(kSource / "help.css"));
    ASSERT_FALSE(css.empty());
    for (const char* feature : {"rgba(", "hsla(", "border-radius", "box-shadow", "text-shadow", "opacity",
                                "max-width", "min-width", "max-height", "min-height", "fixed", ":last-child",
                                ":nth-", "::", ":not(", "calc(", "var(", "@media", "@font-face", "@import", "flex",
                                "grid", "transition", "transform", "gradient", "box-sizing", "!important"}) {
        EXPECT_EQ(css.find(feature), std::string::npos) << "help.css uses " << feature;
    }
    EXPECT_EQ(std::count(css.begin(), css.end(), '{'), std::count(css.begin(), css.end(), '}'));
    for (unsigned char c : css) ASSERT_LT(c, 0x80) << "help.css is ASCII";
}

// The help names fields, buttons and menus as the dialogs and menus show them in that language.
TEST(HelpTopics, PagesUseTheNamesTheUserSees) {
    const std::map<std::string, std::string> lngFile{{"EN", "English.lng"}, {"DE", "Deutsch.lng"}};
    const std::vector<std::string> taskKeys{".caption", "lblsubject", "lblduedate", "label3", "lblpriority(0)",
                                            "lblpriority(1)", "lblpriority(2)", "chkattachmail", "chkmovemail",
                                            "lnkmovefolder.tooltiptext", "lblmovefolderplaceholder", "chkdeletemail",
                                            "btncreatetask", "btnedittask", "btnedittask.tooltiptext", "btncancel",
                                            "btnhelp"};
    const std::vector<std::string> appointmentKeys{
        ".caption",      "lblsubject",       "lbllocation", "lblstart",      "lblend",
        "chkalldayevent", "lblcalendar",     "lnkcalendar.tooltiptext", "lblcalendarplaceholder", "chkattachmail",
        "chkmovemail",   "chkdeletemail",    "btncreateappointment", "btneditappointment",
        "btneditappointment.tooltiptext", "btncancel", "btnhelp"};
    const std::vector<std::string> menuKeys{"lid_menu_pick_folder", "lid_menu_set_default_folder"};
    const std::vector<std::string> indexKeys{
        "lid_btn_quick_task",        "lid_btn_quick_appointment",   "lid_mnu_folder",
        "lid_btn_folder_pick",       "lid_mnu_set_default_folder",  "lid_btn_about",
        "lid_menu_folder_default_postfix", "lid_ribbon_tab_main",   "lid_ribbon_grp_main",
        "lid_ribbon_btn_quick_task", "lid_ribbon_btn_quick_appointment", "lid_ribbon_grp_folder",
        "lid_ribbon_btn_folder",     "lid_ribbon_mnu_folder",       "lid_ribbon_btn_folder_pick",
        "lid_ribbon_mnu_deffolder",  "lid_ribbon_btn_help",         "lid_ribbon_btn_about",
        "lid_menu_set_default_folder"};
    for (const auto& lang : kLanguages) {
        const fs::path lng = kLang / lngFile.at(lang);
        const auto texts = LangSection(lng, "Brisko.texts");
        ASSERT_FALSE(texts.empty()) << lng;
        auto expectNames = [&](const std::string& topic, const std::map<std::string, std::string>& section,
                               const std::vector<std::string>& keys) {
            const Page page = Parse(kSource / lang / topic);
            for (const auto& key : keys) {
                ASSERT_TRUE(section.count(key)) << lng << " has no " << key;
                EXPECT_NE(page.text.find(section.at(key)), std::string::npos)
                    << lang << "/" << topic << " never names \"" << section.at(key) << "\" (" << key << ")";
            }
        };
        expectNames(kTopics[0], texts, indexKeys);
        expectNames(kTopics[1], LangSection(lng, "Brisko.frmQuickTask"), taskKeys);
        expectNames(kTopics[1], texts, menuKeys);
        expectNames(kTopics[2], LangSection(lng, "Brisko.frmQuickAppointment"), appointmentKeys);
        expectNames(kTopics[2], texts, menuKeys);
    }
}

// The build puts the shipped files into Help beside the add-in library, unchanged, and ships every
// page there is.
TEST(HelpTopics, TheBuildShipsEveryFileBesideTheAddIn) {
    std::set<std::string> shipped;
    std::istringstream list(BRISKO_HELP_FILES);
    for (std::string f; std::getline(list, f, '|');) shipped.insert(f);
    std::set<std::string> sources;
    for (const auto& entry : fs::recursive_directory_iterator(kSource)) {
        if (entry.is_regular_file()) sources.insert(entry.path().lexically_relative(kSource).generic_string());
    }
    EXPECT_EQ(shipped, sources);
    for (const auto& f : shipped) {
        ASSERT_TRUE(fs::is_regular_file(kBuilt / f)) << kBuilt / f;
        EXPECT_EQ(ReadFile(kBuilt / f), ReadFile(kSource / f)) << f;
    }
}

}  // namespace
