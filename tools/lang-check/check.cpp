#include "tools/lang-check/check.h"

#include <algorithm>
#include <map>

#include "addin/forms/quick_designs.h"
#include "addin/lang/CLang.h"
#include "addin/lang/lang_keys.h"
#include "automation/text.h"
#include "platform/sim/sim_platform.h"

namespace brisko::tools {

namespace {

// Prints the log records written since the last call, as brisko-sim prints them.
class LogPrinter {
public:
    LogPrinter(sim::SimTorvik& log, std::ostream& out) : log_(log), out_(out), seen_(log.log().size()) {}
    int Flush() {
        int errors = 0;
        const auto& records = log_.log();
        for (; seen_ < records.size(); ++seen_) {
            const auto& r = records[seen_];
            const char* level = r.level == 3 ? "error" : r.level == 2 ? "warning" : "debug";
            errors += r.level == 3 ? 1 : 0;
            out_ << "[" << level << " #" << r.errorNumber << "] " << ToUtf8(r.procedure) << ": " << ToUtf8(r.message)
                 << "\n";
        }
        return errors;
    }

private:
    sim::SimTorvik& log_;
    std::ostream& out_;
    std::size_t seen_;
};

std::vector<std::wstring> Items(const std::wstring& list) {
    std::vector<std::wstring> out;
    std::size_t start = 0;
    while (!list.empty()) {
        const auto comma = list.find(L',', start);
        std::wstring item = list.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
        const auto b = item.find_first_not_of(L" \t");
        const auto e = item.find_last_not_of(L" \t");
        out.push_back(b == std::wstring::npos ? std::wstring() : item.substr(b, e - b + 1));
        if (comma == std::wstring::npos) break;
        start = comma + 1;
    }
    return out;
}

std::size_t CountPlaceholders(const std::wstring& text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'%') continue;
        if (text[i + 1] == L's' || text[i + 1] == L'd') ++n;
        ++i;
    }
    return n;
}

}  // namespace

int CheckLanguageFile(const CheckOptions& options, sim::SimTorvik& log, std::ostream& out) {
    LogPrinter printer(log, out);
    CLang lang{LangSettings{}};
    const std::string file = ToUtf8(options.file);
    out << "checking " << file << " for " << ToUtf8(options.product) << "\n";
    const bool loaded = lang.Init(options.file, options.product);
    int errors = printer.Flush();
    if (!loaded) {
        out << "FAILED: " << file << " would not load\n";
        return 1;
    }
    out << "language: " << ToUtf8(lang.LangName()) << " (" << ToUtf8(lang.LangID()) << ")";
    if (lang.DumpMode() != 0) out << ", forms dumped in mode " << lang.DumpMode();
    out << "\n";

    // The product section again, for the lists in their order.
    LangValues product;
    lang.ReadSection(options.file, options.product, product, L"", nullptr);
    std::map<std::wstring, std::wstring> canonical;
    for (const auto& k : SystemLangKeys()) canonical[LowerCase(k.key)] = k.key;
    const auto spelled = [&](const std::wstring& key) {
        const auto it = canonical.find(key);
        return it == canonical.end() ? key : it->second;
    };

    std::map<std::wstring, std::int32_t> textLines;
    for (bool forms : {false, true}) {
        for (const auto& item : Items(product[forms ? L"forms" : L"globals"])) {
            LangValues scratch;
            LangKeyLines lines;
            const std::wstring section = options.product + L"." + item;
            lang.ReadSection(options.file, section, scratch, forms ? item : std::wstring(), nullptr, &lines);
            printer.Flush();  // repeated keys were reported while loading already
            const auto keys = lang.Sections().find(LowerCase(item));
            const std::size_t count = keys == lang.Sections().end() ? 0 : keys->second.size();
            out << "[" << ToUtf8(section) << "] " << (forms ? "form section, " : "texts, ") << count
                << (count == 1 ? " key\n" : " keys\n");
            if (keys == lang.Sections().end()) continue;
            const std::wstring prefix = forms ? LowerCase(item) : std::wstring();
            for (const auto& key : keys->second) {
                const auto line = lines.find(prefix + key);
                const std::int32_t at = line == lines.end() ? 0 : line->second;
                if (!forms) textLines.emplace(key, at);
                if (options.listKeys) {
                    out << "  " << at << ": " << ToUtf8(forms ? key : spelled(key)) << " = \""
                        << ToUtf8(lang.Values().at(prefix + key)) << "\"\n";
                }
            }
        }
    }

    // Every text as the add-in uses it: escapes, and placeholders filled by its callers.
    out << "texts in use:\n";
    std::vector<std::wstring> missing;
    for (const auto& k : SystemLangKeys()) {
        if (!lang.ItemFind(k.key)) {
            missing.push_back(k.key);
            continue;
        }
        if (k.arguments == 0) {
            lang.Item(k.key);
        } else {
            lang.Item(k.key, Array(static_cast<std::size_t>(k.arguments), Value(L"...")));
        }
        errors += printer.Flush();
        const std::size_t n = CountPlaceholders(CLang::sprintf2(lang.Values().at(LowerCase(k.key))));
        errors += printer.Flush();
        if (k.arguments != 0 && n != static_cast<std::size_t>(k.arguments)) {
            out << "  " << ToUtf8(k.key) << ": the add-in fills " << k.arguments << " placeholder(s), the text has "
                << n << "\n";
        }
    }
    // The forms of the add-in, with their design controls.
    for (const auto& form : {forms::MakeQuickTaskDesign(), forms::MakeQuickAppointmentDesign()}) {
        if (lang.Sections().count(LowerCase(form->Name())) == 0) {
            out << "no form section for " << ToUtf8(form->Name()) << "\n";
            continue;
        }
        lang.LocalizeForm(form);
        errors += printer.Flush();
    }
    for (const auto& item : Items(product[L"forms"])) {
        const std::wstring name = LowerCase(item);
        if (name != L"frmquicktask" && name != L"frmquickappointment") {
            out << "form section " << ToUtf8(item) << " is not a form of the add-in\n";
        }
    }

    out << "missing keys: " << missing.size() << "\n";
    for (const auto& k : missing) out << "  " << ToUtf8(k) << "\n";
    std::vector<std::pair<std::int32_t, std::wstring>> unused;
    for (const auto& [key, at] : textLines) {
        if (canonical.count(key) == 0) unused.emplace_back(at, key);
    }
    std::sort(unused.begin(), unused.end());
    out << "unused keys: " << unused.size() << "\n";
    for (const auto& [at, key] : unused) out << "  " << at << ": " << ToUtf8(key) << "\n";
    out << "loads: yes; " << errors << (errors == 1 ? " error" : " errors") << " logged\n";
    return 0;
}

}  // namespace brisko::tools
