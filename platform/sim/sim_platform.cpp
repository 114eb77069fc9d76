#include "platform/sim/sim_platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "automation/error.h"
#include "automation/text.h"
#ifdef _WIN32
#include "platform/win/win_files.h"
#else
#include "platform/sim/sim_files.h"
#endif

namespace brisko::sim {

SimTorvik::SimTorvik(CodePage& codePage, Handles& handles) : codePage_(codePage), handles_(handles) {}

void SimTorvik::SetBehaviour(const std::string& exportName, Behaviour behaviour) {
    behaviours_[exportName] = behaviour;
}

void SimTorvik::Reset() {
    missing_ = false;
    behaviours_.clear();
    calls_.clear();
    log_.clear();
    initParams_.reset();
    initApplication_.reset();
    initWindow_.reset();
    lastHelpTopic_.clear();
    lastAboutMenuBar_.reset();
}

std::size_t SimTorvik::CountCalls(const std::string& exportName) const {
    return static_cast<std::size_t>(
        std::count_if(calls_.begin(), calls_.end(), [&](const Call& c) { return c.name == exportName; }));
}

std::shared_ptr<TorvikLibrary> SimTorvik::Load() {
    if (missing_) Raise(err::FileNotFound, L"File not found: Torvik.dll");
    // The library object is this one; the loader hands out a non-owning reference.
    return std::shared_ptr<TorvikLibrary>(std::shared_ptr<TorvikLibrary>{}, this);
}

std::int32_t SimTorvik::Enter(const std::string& name, std::uint32_t client) {
    calls_.push_back({name, client});
    const auto it = behaviours_.find(name);
    if (it == behaviours_.end()) return 0;
    if (it->second.raise) Raise(*it->second.raise);
    return it->second.result;
}

std::int32_t SimTorvik::InitEx(std::uint32_t client, TorvikInitParams& params) {
    initParams_ = params;
    initApplication_ = handles_.ResolveObject(params.U32(TorvikInitParams::kApplication));
    initWindow_.reset();
    if (const auto* sim = dynamic_cast<SimHandles*>(&handles_)) {
        if (const void* rect = sim->ResolveData(params.U32(TorvikInitParams::kWindowRect))) {
            std::array<std::int32_t, 4> r{};
            std::memcpy(r.data(), rect, sizeof r);
            initWindow_ = r;
        }
    }
    return Enter("InitEx", client);
}

std::int32_t SimTorvik::InitComplete(std::uint32_t client) { return Enter("InitComplete", client); }

std::int32_t SimTorvik::LogMsg(std::uint32_t client, const std::string& message, std::int32_t errorNumber,
                               const std::string& procedure, std::int32_t level, std::int32_t detail) {
    const auto result = Enter("LogMsg", client);
    log_.push_back({codePage_.FromAnsi(message), errorNumber, codePage_.FromAnsi(procedure), level, detail});
    return result;
}

std::int32_t SimTorvik::AddAboutMenu(std::uint32_t client, std::uint32_t commandBar) {
    const ObjectPtr target = handles_.ResolveObject(commandBar);
    lastAboutMenuBar_ = target;
    const std::int32_t result = Enter("AddAboutMenu", client);
    if (result != 0 || !target) return result;
    return AddAboutEntry(client, target);
}

std::wstring SimTorvik::AboutCaption() const {
    const std::wstring lang = CallLangId();
    const bool german = lang.size() >= 2 && (lang[0] == L'D' || lang[0] == L'd') && (lang[1] == L'E' || lang[1] == L'e');
    return (german ? std::wstring(L"&Info \u00FCber ") : std::wstring(L"&About ")) + product_ + L"...";
}

std::wstring SimTorvik::AboutTag(std::uint32_t client) {
    static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring tag = L"Torvik.About.";
    for (int shift = 28; shift >= 0; shift -= 4) tag += kHex[(client >> shift) & 0xF];
    return tag;
}

std::size_t SimTorvik::AboutEntryCount() const {
    return static_cast<std::size_t>(std::count_if(aboutEntries_.begin(), aboutEntries_.end(),
                                                  [](const EventConnection& c) { return c.Connected(); }));
}

std::int32_t SimTorvik::AddAboutEntry(std::uint32_t client, const ObjectPtr& target) {
    const std::wstring caption = AboutCaption();
    const std::wstring tag = AboutTag(client);
    ObjectPtr button;
    try {
        // A window (an explorer) stands for its menu bar; anything else is the bar itself.
        ObjectPtr bar;
        bool window = false;
        try {
            const Value bars = target->Get(L"CommandBars");
            window = true;
            if (bars.IsObject() && bars.AsObject()) bar = bars.AsObject()->Get(L"Item", {Value(L"Menu Bar")}).AsObject();
        } catch (...) {
            if (window) throw;
            bar = target;
        }
        if (!bar) return kHostCallFailed;
        const Value found = bar->Call(L"FindControl", {Missing, Missing, Value(tag)});
        if (found.IsObject() && found.AsObject()) return 0;
        const Value controls = bar->Get(L"Controls");
        if (!controls.IsObject() || !controls.AsObject()) return kHostCallFailed;
        bar.reset();
        const Value added = controls.AsObject()->Call(L"Add", {Value(1), Missing, Missing, Missing, Value(true)});
        if (!added.IsObject() || !added.AsObject()) return kHostCallFailed;
        button = added.AsObject();
    } catch (...) {
        return kHostCallFailed;
    }
    // From here on a failure deletes the new button again.
    try {
        button->Put(L"Caption", Value(caption));
        try {
            button->Put(L"Tag", Value(tag));
        } catch (...) {
        }
        aboutEntries_.push_back(button->ConnectEvents([this, client](std::wstring_view event, Args&) {
            if (EqualsNoCase(event, L"Click")) calls_.push_back({"ShowAbout", client});
        }));
        return 0;
    } catch (...) {
        try {
            button->Call(L"Delete");
        } catch (...) {
        }
        return kHostCallFailed;
    }
}

std::int32_t SimTorvik::ShowAbout(std::uint32_t client) { return Enter("ShowAbout", client); }

std::int32_t SimTorvik::ShowContextHelp(std::uint32_t client, const std::string& topic) {
    lastHelpTopic_ = topic;
    return Enter("ShowContextHelp", client);
}

std::wstring SimTorvik::CallLangId() const {
    const auto& r = CurrentPlatform().callbacks;
    return r.langId ? r.langId() : std::wstring();
}

std::wstring SimTorvik::CallCurrentUserEmail() const {
    const auto& r = CurrentPlatform().callbacks;
    return r.currentUserEmail ? r.currentUserEmail() : std::wstring();
}

std::array<std::wstring, 3> SimTorvik::CallVersionTexts() const {
    std::wstring texts[3];
    const auto& r = CurrentPlatform().callbacks;
    if (r.versionTexts) r.versionTexts(texts);
    return {texts[0], texts[1], texts[2]};
}

std::uint32_t SimHandles::RetainObject(const ObjectPtr& object) {
    if (!object) return 0;
    const auto h = nextObject_++;
    objects_[h] = object;
    return h;
}

void SimHandles::ReleaseObject(std::uint32_t handle) noexcept { objects_.erase(handle); }

ObjectPtr SimHandles::ResolveObject(std::uint32_t handle) const {
    const auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : it->second;
}

std::uint32_t SimHandles::CallbackAddress(TorvikCallback callback) {
    return kCallbackBase + 1 + static_cast<std::uint32_t>(callback);
}

std::optional<TorvikCallback> SimHandles::ResolveCallback(std::uint32_t address) const {
    for (auto c : {TorvikCallback::CurrentUserEmail, TorvikCallback::LangID, TorvikCallback::VersionTexts}) {
        if (address == kCallbackBase + 1 + static_cast<std::uint32_t>(c)) return c;
    }
    return std::nullopt;
}

std::uint32_t SimHandles::DataAddress(const void* data) {
    if (!data) return 0;
    for (const auto& [h, p] : data_) {
        if (p == data) return h;
    }
    const auto h = nextData_++;
    data_[h] = data;
    return h;
}

const void* SimHandles::ResolveData(std::uint32_t address) const {
    const auto it = data_.find(address);
    return it == data_.end() ? nullptr : it->second;
}

double SimClock::Random() {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<double>(seed >> 8) / 16777216.0;
}

namespace {
// 0x80..0x9F of Windows-1252; 0 where the code page has no character.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

std::string Cp1252::ToAnsi(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        const auto c = static_cast<std::uint32_t>(wc);
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += static_cast<char>(c);
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i) {
            if (kCp1252High[i] != 0 && kCp1252High[i] == c) mapped = static_cast<char>(0x80 + i);
        }
        out += mapped;
    }
    return out;
}

std::wstring Cp1252::FromAnsi(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b <= 0x9F) {
            // Undefined positions map to the control character of the same number, as Windows does.
            out += kCp1252High[b - 0x80] ? static_cast<wchar_t>(kCp1252High[b - 0x80]) : static_cast<wchar_t>(b);
        } else {
            out += static_cast<wchar_t>(b);
        }
    }
    return out;
}

void SimPlatform::Install() {
    Platform p;
    p.torvik = &torvik;
    p.registry = &registry;
    p.handles = &handles;
    p.desktop = &desktop;
    p.clock = &clock;
    p.codePage = &codePage;
    p.moduleHandle = moduleHandle;
    p.files = files.get();
    p.messageBoxes = &messageBoxes;
    p.objects = &objects;
    p.menus = &menus;
    p.pictures = &pictures;
    p.linkLabels = &linkLabels;
    p.locale = &locale;
    p.formWindows = &formWindows;
    UsePlatformClockForTwins();
    p.moduleFolder = moduleFolder;
    p.callbacks = CurrentPlatform().callbacks;
    SetPlatform(p);
}

std::unique_ptr<Files> SimPlatform::MakeFiles() {
#ifdef _WIN32
    return std::make_unique<win::WinFiles>();
#else
    return std::make_unique<SimFiles>();
#endif
}

std::wstring SimPlatform::DefaultModuleFolder() {
    // BRISKO_MODULE_FOLDER names another folder, for instance one with a translator's files.
    if (const char* env = std::getenv("BRISKO_MODULE_FOLDER"); env && *env) return FromUtf8(env);
#ifdef BRISKO_SIM_MODULE_FOLDER
    std::wstring folder = FromUtf8(BRISKO_SIM_MODULE_FOLDER);
#ifdef _WIN32
    for (auto& c : folder) {
        if (c == L'/') c = L'\\';
    }
#endif
    return folder;
#else
    return {};
#endif
}

}  // namespace brisko::sim
