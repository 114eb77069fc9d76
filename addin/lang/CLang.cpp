#include "addin/lang/CLang.h"


#include "addin/forms/forms.h"
#include "addin/host/COptions.h"
#include "addin/host/error_discipline.h"
#include "addin/host/globals.h"
#include "addin/lang/CLangFile.h"
#include "addin/lang/mFileUtils.h"
#include "automation/error.h"
#include "automation/text.h"
#include "platform/files.h"
#include "platform/platform.h"

namespace brisko {

namespace {

constexpr const wchar_t* kReadSection = L"CLang.ReadSection";
constexpr const wchar_t* kInit = L"CLang.Init";
constexpr const wchar_t* kLocalize = L"CLang.LocalizeControls";
constexpr const wchar_t* kDumpControls = L"CLang.DumpControls";
constexpr const wchar_t* kDumpControl = L"CLang.DumpControl";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Trim(std::wstring_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return std::wstring(s.substr(b, e - b));
}

bool IsComment(wchar_t c) { return c == L';' || c == L'\''; }

std::vector<std::wstring> SplitList(const std::wstring& list) {
    std::vector<std::wstring> items;
    if (list.empty()) return items;
    std::size_t start = 0;
    for (;;) {
        const auto comma = list.find(L',', start);
        items.push_back(Trim(std::wstring_view(list).substr(start, comma - start)));
        if (comma == std::wstring::npos) break;
        start = comma + 1;
    }
    return items;
}

std::wstring ValueOf(const LangValues& values, const std::wstring& key) {
    const auto it = values.find(key);
    return it == values.end() ? std::wstring() : it->second;
}

bool ValidVersion(const LangValues& version) {
    return ValueOf(version, L"signature") == CLang::kSignature && !ValueOf(version, L"lang").empty() &&
           !ValueOf(version, L"langid").empty();
}

// Val: the number at the start of the text, 0 when there is none.
double LeadingNumber(const std::wstring& text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    std::wstring digits;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) digits += text[i++];
    bool point = false;
    while (i < text.size() && ((text[i] >= L'0' && text[i] <= L'9') || (text[i] == L'.' && !point))) {
        point = point || text[i] == L'.';
        digits += text[i++];
    }
    try {
        return std::stod(std::string(digits.begin(), digits.end()));
    } catch (...) {
        return 0.0;
    }
}

// An integer written in decimal with an optional sign.
bool ParseIndex(const std::wstring& text, int& out) {
    if (text.empty()) return false;
    std::size_t i = (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
    if (i == text.size() || text.size() - i > 9) return false;
    long n = 0;
    for (std::size_t k = i; k < text.size(); ++k) {
        if (text[k] < L'0' || text[k] > L'9') return false;
        n = n * 10 + (text[k] - L'0');
    }
    out = static_cast<int>(text[0] == L'-' ? -n : n);
    return true;
}

// Texts in a dump as a language file writes them.
std::wstring EscapeForDump(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\\') {
            out += L"\\\\";
        } else if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            out += L"\\n";
            ++i;
        } else if (c == L'\t') {
            out += L"\\t";
        } else if (c == L'"') {
            out += L"\"\"";
        } else {
            out += c;
        }
    }
    return out;
}

// Tabs before the first "=" so that it starts at column 33 (tab stops every 8 columns).
std::wstring AlignLine(const std::wstring& line) {
    const auto eq = line.find(L'=');
    if (eq == std::wstring::npos) return line;
    const auto p = static_cast<long>(eq) + 1;
    if (p >= 32) return line;
    const long tabs = 5 - (p + 7) / 8;
    return line.substr(0, eq) + std::wstring(static_cast<std::size_t>(std::max(0L, tabs)), L'\t') + line.substr(eq);
}

std::wstring ToText(std::int32_t n) { return std::to_wstring(n); }

}  // namespace

LangSettings LangSettings::FromOptions() {
    LangSettings s;
    s.langId = [] { return Options().LangID(); };
    s.setLangId = [](const std::wstring& v) { Options().SetLangID(v); };
    s.langFile = [] { return Options().LangFile(); };
    s.setLangFile = [](const std::wstring& v) { Options().SetLangFile(v); };
    return s;
}

CLang::CLang(LangSettings settings) : settings_(std::move(settings)) {}

std::wstring CLang::InstallFolder() { return CurrentPlatform().moduleFolder; }

void CLang::Clear() {
    values_.clear();
    sections_.clear();
    filename_.clear();
    langId_.clear();
    langName_.clear();
    product_.clear();
    fileTime_ = Date{};
    dumpMode_ = 0;
}

// --- Reading a section --------------------------------------------------------------------

bool CLang::ReadSection(const std::wstring& path, const std::wstring& section, LangValues& values,
                        const std::wstring& keyPrefix, LangKeyList* keys, LangKeyLines* lines) {
    return Trapped(kReadSection, [&] {
        auto fail = [&](const wchar_t* format, Array args) {
            LogError(kReadSection, 0, sprintf1(format, args));
            return false;
        };
        CLangFile file;
        if (!file.OpenFile(path)) {
            LogError(kReadSection, static_cast<std::int32_t>(file.LastError()), std::wstring(L"oFile.OpenFile failed"));
            return false;
        }
        const std::wstring prefix = LowerCase(keyPrefix);
        bool inSection = false, found = false;
        std::int32_t lineNo = 0;
        std::wstring raw;
        while (file.ReadLine(raw)) {
            ++lineNo;
            const std::wstring line = Trim(raw);
            if (line.empty() || IsComment(line[0])) continue;
            if (line[0] == L'[') {
                const auto close = line.find(L']', 1);
                if (close == std::wstring::npos) {
                    return fail(L"symbol ']' is absent, line = %d, file = '%s'", {lineNo, path});
                }
                const std::wstring name = line.substr(1, close - 1);
                if (name.empty()) return fail(L"empty section name, line - %d, file = '%s'", {lineNo, path});
                const std::wstring rest = Trim(std::wstring_view(line).substr(close + 1));
                if (!rest.empty() && !IsComment(rest[0])) {
                    return fail(L"'%s' is not the comment, line - %d, file = '%s'", {rest, lineNo, path});
                }
                if (inSection) return true;
                if (EqualsNoCase(name, section)) inSection = found = true;
                continue;
            }
            if (!inSection) continue;

            const auto eq = line.find(L'=');
            if (eq == std::wstring::npos) return fail(L"symbol '=' is absent, line = %d, file = '%s'", {lineNo, path});
            const std::wstring key = Trim(std::wstring_view(line).substr(0, eq));
            if (key.empty()) return fail(L"Const's name does not exist, line - %d, file = '%s'", {lineNo, path});
            std::wstring_view rawValue = std::wstring_view(line).substr(eq + 1);
            bool quoted = false;
            for (std::size_t i = 0; i < rawValue.size(); ++i) {
                if (rawValue[i] == L'"') {
                    quoted = !quoted;
                } else if (!quoted && IsComment(rawValue[i])) {
                    rawValue = rawValue.substr(0, i);
                    break;
                }
            }
            const std::wstring value = Trim(rawValue);
            if (value.empty()) return fail(L"Const's value does not exist, line - %d, file = '%s'", {lineNo, path});
            if (value.size() < 2 || value.front() != L'"' || value.back() != L'"') {
                return fail(L"Syntactic error - '%s', line - %d, file = '%s'",
                            {std::wstring(L"The string should be in quotes"), lineNo, path});
            }
            std::wstring text;
            text.reserve(value.size() - 2);
            for (std::size_t i = 1; i + 1 < value.size(); ++i) {
                if (value[i] == L'"') {
                    if (i + 2 < value.size() && value[i + 1] == L'"') {
                        text += L'"';
                        ++i;
                        continue;
                    }
                    return fail(L"Syntactic error - '%s', line - %d, file = '%s'",
                                {std::wstring(L"quoted string has unary quotes"), lineNo, path});
                }
                text += value[i];
            }
            const std::wstring lowerKey = LowerCase(key);
            auto [it, added] = values.try_emplace(prefix + lowerKey, std::move(text));
            if (!added) {
                LogError(kReadSection, 0,
                         sprintf1(L"declaration of constant '%s' repeats in a line %d of '%s' file", {key, lineNo, path}));
                continue;
            }
            if (keys) keys->push_back(lowerKey);
            if (lines) lines->emplace(prefix + lowerKey, lineNo);
        }
        if (!file.FEOF()) {
            LogError(kReadSection, static_cast<std::int32_t>(file.LastError()), std::wstring(L"oFile.ReadLine failed"));
            return false;
        }
        return found;
    });
}

// --- Loading --------------------------------------------------------------------------------

bool CLang::Init(const std::wstring& file, const std::wstring& productName) {
    return Trapped(kInit, [&] {
        Clear();
        if (LoadFile(file, productName)) return true;
        Clear();
        return false;
    });
}

bool CLang::LoadFile(const std::wstring& file, const std::wstring& productName) {
    auto fail = [&](const wchar_t* format) {
        LogError(kInit, 0, sprintf1(format, {file, productName}));
        return false;
    };
    LangValues version;
    if (!ReadSection(file, L"version", version, L"", nullptr)) return fail(L"file '%s' has no version section");
    if (!ValidVersion(version)) {
        return fail(L"file '%s' has no(or wrong) signature or lang or langid in [version] section");
    }
    LangValues product;
    if (!ReadSection(file, productName, product, L"", nullptr)) return fail(L"file '%s' has no [%s] section");

    const std::wstring globals = ValueOf(product, L"globals");
    const std::wstring forms = ValueOf(product, L"forms");
    if (globals.empty()) LogError(kInit, 0, sprintf1(L"file '%s' has no (or empty) [%s].texts", {file, productName}));
    if (forms.empty()) LogWarning(kInit, sprintf1(L"file '%s' has no (or empty) [%s].forms", {file, productName}), 1);
    int dumpMode = 0;
    const double mode = LeadingNumber(ValueOf(product, L"dumpforms"));
    if (mode == 1.0 || mode == 2.0 || mode == 3.0) {
        dumpMode = static_cast<int>(mode);
        LogWarning(kInit, L"The forms will be dumped when they will appear", 1);
    }

    LangValues values;
    std::map<std::wstring, LangKeyList> sections;
    auto readAll = [&](const std::wstring& list, bool isForms) {
        for (const auto& item : SplitList(list)) {
            if (item.empty()) {
                return fail(isForms ? L"file '%s' has error in [%s].forms" : L"file '%s' has error in [%s].texts");
            }
            const std::wstring name = productName + L"." + item;
            LangKeyList keys;
            if (!ReadSection(file, name, values, isForms ? item : std::wstring(), &keys)) {
                LogError(kInit, 0, sprintf1(L"Error readig section [%s] in file '%s'", {name, file}));
                return false;
            }
            // An item listed twice adds to its keys instead of replacing them.
            auto& list2 = sections[LowerCase(item)];
            list2.insert(list2.end(), keys.begin(), keys.end());
        }
        return true;
    };
    if (!readAll(globals, false) || !readAll(forms, true)) return false;

    values_ = std::move(values);
    sections_ = std::move(sections);
    filename_ = file;
    langId_ = ValueOf(version, L"langid");
    langName_ = ValueOf(version, L"lang");
    product_ = productName;
    dumpMode_ = dumpMode;
    Date when{};
    fileTime_ = mFileUtils::GetFileLastModificationTime(file, when) ? when : Date{};
    return true;
}

std::vector<std::wstring> CLang::GetAvailableLangs(const std::wstring& folder, const std::wstring& skipFile) {
    return Trapped(L"CLang.GetAvailableLangs", [&] {
        std::vector<std::wstring> out;
        auto* cp = CurrentPlatform().codePage;
        if (!cp) Raise(err::InternalError, L"No code page");
        for (const auto& entry : mFileUtils::PlatformFiles().Find(mFileUtils::AnsiPath(folder + L"\\*.lng"))) {
            if (entry.directory) continue;
            const std::wstring name = cp->FromAnsi(entry.name);
            if (EqualsNoCase(name, skipFile)) continue;
            const std::wstring path = folder + L"\\" + name;
            LangValues version;
            if (!ReadSection(path, L"version", version, L"", nullptr)) {
                LogWarning(L"CLang.GetAvailableLangs", sprintf1(L"ignoring file '%s', coz no [version] section", {path}), 1);
                continue;
            }
            if (!ValidVersion(version)) {
                LogWarning(L"CLang.GetAvailableLangs",
                           sprintf1(L"ignoring file '%s', coz in section [version] no(or wrong) signature or lang or langid",
                                    {path}),
                           1);
                continue;
            }
            out.push_back(ValueOf(version, L"langid") + L"\r\n" + ValueOf(version, L"lang") + L"\r\n" + name);
        }
        return out;
    });
}

bool CLang::InitEx(const std::wstring& productName) {
    return Trapped(L"CLang.InitEx", [&] {
        std::wstring id = settings_.langId ? settings_.langId() : std::wstring();
        if (id.empty()) {
            id = L"EN";
            if (settings_.setLangId) settings_.setLangId(id);
        }
        const std::wstring folder = InstallFolder();
        std::wstring skip;
        const std::wstring chosen = settings_.langFile ? settings_.langFile() : std::wstring();
        if (!chosen.empty()) {
            if (Init(folder + L"\\" + chosen, productName) && EqualsNoCase(langId_, id)) return true;
            skip = chosen;
            Clear();
        }
        for (const auto& entry : GetAvailableLangs(folder, skip)) {
            const auto a = entry.find(L"\r\n");
            const auto b = entry.find(L"\r\n", a + 2);
            if (entry.substr(0, a) != id) continue;
            const std::wstring name = entry.substr(b + 2);
            if (!Init(folder + L"\\" + name, productName)) return false;
            if (settings_.setLangFile) settings_.setLangFile(name);
            return true;
        }
        LogError(L"CLang.InitEx", 0, L"Cant find lang file by langID=" + id);
        return false;
    });
}

// --- Texts ----------------------------------------------------------------------------------

std::wstring CLang::Item(const std::wstring& key, const Array& args) {
    return Trapped(L"CLang.Item", [&] {
        const auto it = values_.find(LowerCase(key));
        std::wstring text;
        if (it == values_.end()) {
            LogError(L"CLang.Item", 0, L"Key '" + key + L"' not exists in " + filename_);
            text = key;
        } else {
            text = it->second;
        }
        return args.empty() ? sprintf2(text) : sprintf1(text, args);
    }, key);
}

bool CLang::ItemFind(const std::wstring& key) const { return values_.count(LowerCase(key)) != 0; }

void CLang::ItemSet(const std::wstring& key, const std::wstring& text) {
    Trapped(L"CLang.ItemSet", [&] { values_[LowerCase(key)] = text; });
}

std::wstring CLang::sprintf2(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\\') {
            out += text[i];
            continue;
        }
        if (i + 1 == text.size()) {
            LogError(L"CLang::sprintf2", 0, std::wstring(L"Invalid format specificator '\\'"), text);
            out += L'\\';
            break;
        }
        const wchar_t c = text[i + 1];
        switch (FoldCase(c)) {
            case L'\\': out += L'\\'; break;
            case L'n': out += L"\r\n"; break;
            case L't': out += L'\t'; break;
            case L'"': out += L'"'; break;
            default:
                LogError(L"CLang::sprintf2", 0, L"Invalid format specificator '\\" + std::wstring(1, c) + L"'", text);
                out += L'\\';
                out += c;
                break;
        }
        ++i;
    }
    return out;
}

std::wstring CLang::sprintf1(const std::wstring& format, const Array& arguments) {
    const Array& args = arguments.size() == 1 && arguments[0].IsArray() ? arguments[0].AsArray() : arguments;
    const std::wstring text = sprintf2(format);
    std::wstring out;
    out.reserve(text.size() + 16);
    std::size_t next = 0;  // the next argument
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') {
            out += text[i];
            continue;
        }
        const wchar_t c = i + 1 < text.size() ? text[i + 1] : L'\0';
        const std::wstring placeholder = text.substr(i, 2);
        ++i;
        if (c == L'%') {
            out += L'%';
            continue;
        }
        if (c != L's' && c != L'd') {
            LogError(L"CLang::sprintf1", 0, L"Invalid format specificator(" + (c ? std::wstring(1, c) : L"") + L")");
            continue;
        }
        const std::size_t index = next++;
        try {
            if (index >= args.size()) Raise(err::SubscriptOutOfRange);
            const Value& arg = args[index];
            if (c == L's') {
                if (arg.type() != VarType::String) {
                    LogWarning(L"CLang::sprintf1",
                               L"VarType(" + std::to_wstring(index) + L") <> vbString, Typename = " + arg.TypeName(), 1);
                }
                out += arg.AsString();
            } else {
                if (!arg.IsNumeric()) {
                    LogWarning(L"CLang::sprintf1",
                               L"Not IsNumeric(" + std::to_wstring(index) + L"), Typename = " + arg.TypeName(), 1);
                }
                out += ToText(arg.AsInt());
            }
        } catch (...) {
            // The placeholder stays as written.
            Err().Set(CurrentError());
            LogError(L"CLang::sprintf1");
            out += placeholder;
        }
    }
    return out;
}

// --- Forms ----------------------------------------------------------------------------------

void CLang::LocalizeForm(const ObjectPtr& form) {
    try {
        if (dumpMode_ != 0) DumpForm(form);
        LocalizeControls(GetOf(form, L"Name").AsString(), form, ObjectOf(form, L"Controls"));
    } catch (...) {
    }
    Err().Clear();
}

void CLang::LocalizeUserControl(const std::wstring& name, const ObjectPtr& owner, const ObjectPtr& controls) {
    try {
        if (dumpMode_ != 0) DumpUserControl(name, owner, controls);
        LocalizeControls(name, owner, controls);
    } catch (...) {
    }
    Err().Clear();
}

void CLang::LocalizeControls(const std::wstring& name, const ObjectPtr& owner, const ObjectPtr& controls) {
    Date now{};
    if (!filename_.empty() && mFileUtils::GetFileLastModificationTime(filename_, now) &&
        now.serial > fileTime_.serial) {
        LogWarning(kLocalize, sprintf1(L"last modification time of file '%s' was changed, reloading file...", {filename_}), 1);
        // A reload that fails keeps the texts loaded before.
        const std::wstring file = filename_, product = product_;
        Trapped(kInit, [&] { return LoadFile(file, product); });
    }
    const auto section = sections_.find(LowerCase(name));
    if (section == sections_.end()) {
        LogWarning(kLocalize, sprintf1(L"Locale for '%s' form not exists", {name}), 1);
        return;
    }
    const std::wstring prefix = LowerCase(name);
    const LangKeyList keys = section->second;  // a reload inside a setter can't pull it away
    for (const auto& key : keys) {
        const auto point = key.find(L'.');
        std::wstring part = point == std::wstring::npos ? key : key.substr(0, point);
        const std::wstring property = point == std::wstring::npos ? std::wstring(L"caption") : key.substr(point + 1);
        std::wstring controlName = part;
        std::optional<int> index;
        if (const auto paren = part.find(L'('); paren != std::wstring::npos) {
            controlName = part.substr(0, paren);
            std::wstring indexText = part.substr(paren + 1);
            int n = 0;
            if (!indexText.empty() && indexText.back() == L')') {
                indexText.pop_back();
                if (ParseIndex(indexText, n)) index = n;
            }
            if (!index) LogError(kLocalize, 0, sprintf1(L"invalid key '%s' for form '%s'", {key, name}));
        }

        ObjectPtr target;
        if (controlName.empty()) {
            target = owner;
        } else {
            try {
                target = GetOf(controls, L"Item", {Value(controlName)}).AsObject();
            } catch (...) {
                target = nullptr;
            }
            if (target && index) {
                try {
                    target = GetOf(target, L"Item", {Value(*index)}).AsObject();
                } catch (...) {
                    Err().Set(CurrentError());
                    LogError(kLocalize);
                    target = nullptr;
                }
            }
        }
        Err().Clear();
        if (!target) {
            LogError(kLocalize, 0,
                     sprintf1(L"'%s%s' control does not exist on '%s' form",
                              {controlName, index ? L"(" + std::to_wstring(*index) + L")" : std::wstring(), name}));
            continue;
        }

        const std::wstring text = sprintf2(ValueOf(values_, prefix + key));
        try {
            auto number = [&] { return Value(text).AsInt(); };
            if (property == L"caption") {
                target->Put(L"Caption", Value(text));
            } else if (property == L"left" || property == L"top" || property == L"width" || property == L"height") {
                static const std::map<std::wstring, const wchar_t*> kNames = {
                    {L"left", L"Left"}, {L"top", L"Top"}, {L"width", L"Width"}, {L"height", L"Height"}};
                target->Put(kNames.at(property), Value(number()));
            } else if (property == L"dleft" || property == L"dwidth" || property == L"dtop" || property == L"dheight") {
                const bool horizontal = property == L"dleft" || property == L"dwidth";
                const wchar_t* prop = property == L"dleft"    ? L"Left"
                                      : property == L"dwidth" ? L"Width"
                                      : property == L"dtop"   ? L"Top"
                                                              : L"Height";
                const long long delta = static_cast<long long>(number()) *
                                        (horizontal ? forms::TwipsPerPixelX() : forms::TwipsPerPixelY());
                target->Put(prop, Value(static_cast<long long>(target->Get(prop).AsInt()) + delta));
            } else if (property == L"picture") {
                if (text.find(L':') != std::wstring::npos) {
                    LogError(kLocalize, 0,
                             sprintf1(L"You should specify a relative file path for %s.%s.%s", {name, part, property}));
                } else {
                    target->PutRef(L"Picture", forms::LoadPicture(InstallFolder() + L"\\" + text));
                }
            } else if (property == L"tooltiptext") {
                target->Put(L"ToolTipText", Value(text));
            } else if (property == L"x1" || property == L"y1" || property == L"x2" || property == L"y2") {
                const std::wstring prop = {FoldCase(property[0]) == L'x' ? L'X' : L'Y', property[1]};
                target->Put(prop, Value(number()));
            } else {
                LogError(kLocalize, 0, sprintf1(L"'%s' property does not supported", {property}));
            }
        } catch (...) {
            // The target lacks the property, or the text isn't a number.
        }
        Err().Clear();
    }
}

void CLang::DumpForm(const ObjectPtr& form) {
    Trapped(kDumpControls, [&] {
        DumpControls(GetOf(form, L"Name").AsString(), form, ObjectOf(form, L"Controls"));
    });
}

void CLang::DumpUserControl(const std::wstring& name, const ObjectPtr& owner, const ObjectPtr& controls) {
    Trapped(kDumpControls, [&] { DumpControls(name, owner, controls); });
}

void CLang::DumpControls(const std::wstring& name, const ObjectPtr& owner, const ObjectPtr& controls) {
    const std::wstring folder = InstallFolder() + L"\\Dump";
    mFileUtils::CreateFolderPath(folder);
    std::wstring text = sprintf1(L"[%s.%s]", {product_, name}) + L"\r\n";
    text += DumpControl(name, L"", owner, true);
    const int count = GetOf(controls, L"Count").AsInt();
    for (int i = 0; i < count; ++i) {
        const ObjectPtr control = GetOf(controls, L"Item", {Value(i)}).AsObject();
        std::wstring controlName = GetOf(control, L"Name").AsString();
        try {
            const Value index = control->Get(L"Index");
            controlName += L"(" + index.AsString() + L")";
        } catch (...) {
            // Not an element of a control array.
        }
        Err().Clear();
        text += DumpControl(name, controlName, control, false);
    }
    // UTF-8 with a byte-order mark, so that every text survives and reads back as written.
    const std::string bytes = "\xEF\xBB\xBF" + ToUtf8(text);
    std::uint32_t error = 0;
    auto file = mFileUtils::PlatformFiles().CreateWrite(mFileUtils::AnsiPath(folder + L"\\" + name + L".txt"), error);
    if (!file) Raise(err::FileNotFound, L"Can't create the dump file (error " + std::to_wstring(error) + L")");
    if (!file->Write(bytes, error)) Raise(75, L"Path/File access error");
}

std::wstring CLang::DumpControl(const std::wstring& name, const std::wstring& controlName, const ObjectPtr& control,
                                bool isOwner) {
    const std::wstring typeName = Value(control).TypeName();
    const bool isLine = typeName == L"Line";
    auto property = [&](const wchar_t* prop, Value& out) {
        try {
            out = control->Get(prop);
            return true;
        } catch (...) {
            Err().Clear();
            return false;
        }
    };
    std::vector<std::wstring> lines;
    auto add = [&](const wchar_t* format, const std::wstring& value) {
        lines.push_back(AlignLine(sprintf1(format, {controlName, EscapeForDump(value)})));
    };
    Value v;
    if (!isLine && property(L"Caption", v)) {
        const std::wstring caption = v.AsString();
        if (dumpMode_ != 3 || !caption.empty()) {
            if (isOwner) {
                lines.push_back(AlignLine(sprintf1(L".Caption=\"%s\"", {EscapeForDump(caption)})));
            } else {
                add(L"%s=\"%s\"", caption);
            }
        }
    }
    if (dumpMode_ == 1) {
        for (const wchar_t* prop : {L"Left", L"Top", L"Width", L"Height"}) {
            if (property(prop, v)) add((std::wstring(L"%s.") + prop + L"=\"%s\"").c_str(), v.AsString());
        }
        if (property(L"Picture", v) && v.IsObject() && !v.IsNothing()) {
            const std::wstring base = InstallFolder() + L"\\";
            const std::wstring pictureFolder = L"Dump\\" + name;
            const std::wstring file = sprintf1(L"%s\\\\%s.bmp", {pictureFolder, isOwner ? name : controlName});
            try {
                mFileUtils::CreateFolderPath(base + pictureFolder);
                forms::SavePicture(v.AsObject(), base + file);
                // Relative to the installation folder, as a form section's picture key wants it.
                add(L"%s.Picture= \"%s\"", file);
            } catch (...) {
                Err().Set(CurrentError());
                LogError(kDumpControl);
                try {
                    mFileUtils::PlatformFiles().DeleteDirectory(mFileUtils::AnsiPath(base + pictureFolder));
                } catch (...) {
                }
            }
        }
        if (isLine) {
            for (const wchar_t* prop : {L"X1", L"Y1", L"X2", L"Y2"}) {
                if (property(prop, v)) add((std::wstring(L"%s.") + prop + L"=\"%s\"").c_str(), v.AsString());
            }
        }
    }
    if (property(L"ToolTipText", v)) {
        const std::wstring tip = v.AsString();
        if (!tip.empty()) add(L"%s.ToolTipText=\"%s\"", tip);
    }
    Err().Clear();

    std::wstring out = dumpMode_ == 1 ? std::wstring() : sprintf1(L"; %s(%s)", {controlName, typeName});
    out += L"\r\n";
    for (std::size_t i = 0; i < lines.size(); ++i) out += lines[i] + L"\r\n";
    return out;
}

std::shared_ptr<CLang> Lang() {
    const auto service = std::dynamic_pointer_cast<CLangService>(g_oLang);
    return service ? service->Engine() : nullptr;
}

}  // namespace brisko
