// The language engine: chooses and loads a language file, answers text lookups with escapes and
// placeholders, applies form sections to forms and writes form dumps for translators.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "addin/host/services.h"
#include "automation/object.h"
#include "automation/value.h"

namespace brisko {

// Lower-cased key -> text as the file stores it (escapes unprocessed).
using LangValues = std::unordered_map<std::wstring, std::wstring>;
// Lower-cased keys of one section, in file order.
using LangKeyList = std::vector<std::wstring>;
// Lower-cased key -> the line it was read from.
using LangKeyLines = std::map<std::wstring, std::int32_t>;

// The options the engine reads and writes: by default those of COptions.
struct LangSettings {
    std::function<std::wstring()> langId;
    std::function<void(const std::wstring&)> setLangId;
    std::function<std::wstring()> langFile;
    std::function<void(const std::wstring&)> setLangFile;

    static LangSettings FromOptions();
};

class CLang {
public:
    static constexpr const wchar_t* kSignature = L"Corvant.LangLngFile";

    explicit CLang(LangSettings settings = LangSettings::FromOptions());

    // Loads the language file that the options choose; true when one was loaded.
    bool InitEx(const std::wstring& productName);
    // Loads this file; a failure leaves the engine empty.
    bool Init(const std::wstring& file, const std::wstring& productName);
    // Language files of the folder, each "langid" CR LF "lang" CR LF file name.
    std::vector<std::wstring> GetAvailableLangs(const std::wstring& folder, const std::wstring& skipFile);
    // Collects the entries of one section of the file; true when the section was found and
    // read to its end without a fatal error. keys and lines may be null.
    bool ReadSection(const std::wstring& path, const std::wstring& section, LangValues& values,
                     const std::wstring& keyPrefix, LangKeyList* keys, LangKeyLines* lines = nullptr);

    // The text of the key with escapes processed and, when arguments are given, placeholders
    // filled; the key itself when it is missing.
    std::wstring Item(const std::wstring& key, const Array& args = {});
    bool ItemFind(const std::wstring& key) const;
    void ItemSet(const std::wstring& key, const std::wstring& text);

    const std::wstring& Filename() const noexcept { return filename_; }
    const std::wstring& LangID() const noexcept { return langId_; }
    const std::wstring& LangName() const noexcept { return langName_; }
    const std::wstring& ProductName() const noexcept { return product_; }
    int DumpMode() const noexcept { return dumpMode_; }
    Date FileTime() const noexcept { return fileTime_; }
    const LangValues& Values() const noexcept { return values_; }
    // Lower-cased section item (of "globals" or "forms") -> its keys.
    const std::map<std::wstring, LangKeyList>& Sections() const noexcept { return sections_; }

    // "%s", "%d" and "%%" after escape processing; one array argument stands for its elements.
    static std::wstring sprintf1(const std::wstring& format, const Array& args);
    // Escapes: \\ \n \t \" (letters without regard to case).
    static std::wstring sprintf2(const std::wstring& text);

    // form: an object with Name and Controls.
    void LocalizeForm(const ObjectPtr& form);
    void LocalizeUserControl(const std::wstring& name, const ObjectPtr& owner, const ObjectPtr& controls);
    void DumpForm(const ObjectPtr& form);
    void DumpUserControl(const std::wstring& name, const ObjectPtr& owner, const ObjectPtr& controls);

    // The add-in library's folder, where language files and their pictures lie.
    static std::wstring InstallFolder();

private:
    void Clear();
    bool LoadFile(const std::wstring& file, const std::wstring& productName);
    void LocalizeControls(const std::wstring& name, const ObjectPtr& owner, const ObjectPtr& controls);
    void DumpControls(const std::wstring& name, const ObjectPtr& owner, const ObjectPtr& controls);
    std::wstring DumpControl(const std::wstring& name, const std::wstring& controlName, const ObjectPtr& control,
                             bool isOwner);

    LangSettings settings_;
    LangValues values_;
    std::map<std::wstring, LangKeyList> sections_;
    std::wstring filename_;
    std::wstring langId_;
    std::wstring langName_;
    std::wstring product_;
    Date fileTime_{};
    int dumpMode_ = 0;
};

// The engine as the connection holds it (g_oLang).
class CLangService : public ILanguage {
public:
    explicit CLangService(std::shared_ptr<CLang> engine = std::make_shared<CLang>()) : engine_(std::move(engine)) {}
    void InitEx(const std::wstring& productName) override { loaded_ = engine_->InitEx(productName); }
    std::wstring Item(const std::wstring& key) override { return engine_->Item(key); }

    const std::shared_ptr<CLang>& Engine() const noexcept { return engine_; }
    bool Loaded() const noexcept { return loaded_; }

private:
    std::shared_ptr<CLang> engine_;
    bool loaded_ = false;
};

// The engine behind g_oLang; nothing before the connection created it.
std::shared_ptr<CLang> Lang();

}  // namespace brisko
