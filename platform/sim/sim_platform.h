// The in-memory platform: a recording support library, handles, desktop, clock and code page.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/platform.h"
#include "platform/sim/sim_menus.h"
#include "platform/sim/sim_pictures.h"
#include "platform/sim/sim_link_label.h"
#include "platform/sim/sim_locale.h"
#include "platform/sim/sim_form_window.h"
#include "platform/sim/sim_kelvane_site.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_ui.h"

namespace brisko::sim {

// One record the add-in sent to the support library's log.
struct LogRecord {
    std::wstring message;
    std::int32_t errorNumber = 0;
    std::wstring procedure;
    std::int32_t level = 0;   // 1 debug, 2 warning, 3 error
    std::int32_t detail = 0;  // 1 to 3
};

// The support library, in memory: records every call; each export can be told to fail.
class SimTorvik : public TorvikLibrary, public TorvikLoader {
public:
    struct Call {
        std::string name;  // the export's name without the "Torvik" prefix
        std::uint32_t client = 0;
    };
    // How one export behaves.
    struct Behaviour {
        std::int32_t result = 0;
        std::optional<std::int32_t> raise;  // a run-time error number instead of a result
    };

    explicit SimTorvik(CodePage& codePage, Handles& handles);

    // Load() raises 53, as a library that can't be found.
    void SetMissing(bool missing) { missing_ = missing; }
    void SetBehaviour(const std::string& exportName, Behaviour behaviour);
    // Only records at or above this detail level reach the log, as the library's own setting.
    void Reset();

    const std::vector<Call>& calls() const { return calls_; }
    const std::vector<LogRecord>& log() const { return log_; }
    std::size_t CountCalls(const std::string& exportName) const;
    // The record as the library received it at InitEx, and the application it referred to.
    const std::optional<TorvikInitParams>& initParams() const { return initParams_; }
    // Held weakly: the library's record of it is no reference of the add-in's.
    ObjectPtr initApplication() const { return initApplication_.lock(); }
    // The window rectangle the record pointed at, read during InitEx.
    const std::optional<std::array<std::int32_t, 4>>& initWindow() const { return initWindow_; }

    // What the library's callbacks give, called as the library would call them.
    std::wstring CallLangId() const;
    std::wstring CallCurrentUserEmail() const;
    std::array<std::wstring, 3> CallVersionTexts() const;

    std::shared_ptr<TorvikLibrary> Load() override;
    std::int32_t InitEx(std::uint32_t client, TorvikInitParams& params) override;
    std::int32_t InitComplete(std::uint32_t client) override;
    std::int32_t LogMsg(std::uint32_t client, const std::string& message, std::int32_t errorNumber,
                        const std::string& procedure, std::int32_t level, std::int32_t detail) override;
    std::int32_t AddAboutMenu(std::uint32_t client, std::uint32_t commandBar) override;
    std::int32_t ShowAbout(std::uint32_t client) override;
    std::int32_t ShowContextHelp(std::uint32_t client, const std::string& topic) override;

    // Last arguments seen.
    const std::string& lastHelpTopic() const { return lastHelpTopic_; }
    ObjectPtr lastAboutMenuBar() const { return lastAboutMenuBar_.lock(); }

    // AddAboutMenu makes the host calls Torvik.dll makes, late bound on the object: an explorer
    // stands for its CommandBars.Item("Menu Bar"); FindControl(, , tag) first (one entry per bar
    // and client), else Controls.Add(1, , , , True), Caption, Tag and its Click (a click records
    // "ShowAbout"); a failure after Add deletes the button. No host reference is kept. A failing
    // host call answers kHostCallFailed, as the library does; a scripted result other than 0 (or
    // a raise) adds nothing.
    static constexpr std::int32_t kHostCallFailed = 8;
    // The client module's product name, as its version resource gives it to the library.
    void SetProductName(std::wstring product) { product_ = std::move(product); }
    // The texts the library puts on the entry: "&About <product>..." and "Torvik.About.<client>".
    std::wstring AboutCaption() const;
    static std::wstring AboutTag(std::uint32_t client);
    // About entries the library subscribed to (until it goes).
    std::size_t AboutEntryCount() const;

private:
    std::int32_t Enter(const std::string& name, std::uint32_t client);
    std::int32_t AddAboutEntry(std::uint32_t client, const ObjectPtr& target);

    CodePage& codePage_;
    Handles& handles_;
    bool missing_ = false;
    std::map<std::string, Behaviour> behaviours_;
    std::vector<Call> calls_;
    std::vector<LogRecord> log_;
    std::optional<TorvikInitParams> initParams_;
    std::weak_ptr<Object> initApplication_;
    std::optional<std::array<std::int32_t, 4>> initWindow_;
    std::string lastHelpTopic_;
    std::weak_ptr<Object> lastAboutMenuBar_;
    std::wstring product_ = L"Brisko";
    // Subscriptions to the entries' Click; they hold no reference to the buttons.
    std::vector<EventConnection> aboutEntries_;
};

class SimHandles : public Handles {
public:
    std::uint32_t RetainObject(const ObjectPtr& object) override;
    void ReleaseObject(std::uint32_t handle) noexcept override;
    ObjectPtr ResolveObject(std::uint32_t handle) const override;
    std::uint32_t CallbackAddress(TorvikCallback callback) override;
    std::uint32_t DataAddress(const void* data) override;
    // The data behind an address from DataAddress.
    const void* ResolveData(std::uint32_t address) const;
    // Which callback an address names, if any.
    std::optional<TorvikCallback> ResolveCallback(std::uint32_t address) const;
    std::size_t RetainedCount() const { return objects_.size(); }

    static constexpr std::uint32_t kCallbackBase = 0x00C0DE00;

private:
    std::map<std::uint32_t, ObjectPtr> objects_;
    std::map<std::uint32_t, const void*> data_;
    std::uint32_t nextObject_ = 0x00010000;
    std::uint32_t nextData_ = 0x00D00000;
};

class SimDesktop : public Desktop {
public:
    int width = 1024;
    int height = 768;
    std::vector<std::uintptr_t> topmost;
    int commonControlsInits = 0;

    int ScreenWidth() override { return width; }
    int ScreenHeight() override { return height; }
    void MakeTopmost(std::uintptr_t window) override { topmost.push_back(window); }
    void InitCommonControls() override { ++commonControlsInits; }
};

class SimClock : public Clock {
public:
    DateParts now{2026, 12, 8, 9, 30, 0};
    std::uint32_t seed = 12345;

    DateParts Now() override { return now; }
    double Random() override;
};

// Windows-1252, the system code page of the simulation.
class Cp1252 : public CodePage {
public:
    std::string ToAnsi(std::wstring_view text) override;
    std::wstring FromAnsi(std::string_view text) override;
};

// One simulated platform, wired together.
struct SimPlatform {
    SimHandles handles;
    SimDesktop desktop;
    SimClock clock;
    Cp1252 codePage;
    SimTorvik torvik{codePage, handles};
    SimRegistry registry;
    SimMessageBoxes messageBoxes;
    SimObjectFactory objects;
    SimPopupMenus menus;
    SimPictures pictures;
    SimLinkLabelViews linkLabels;
    SimLocale locale{clock};
    // Form windows; the controls library's controls on them are its in-memory twins.
    SimKelvaneSite kelvaneSite;
    SimFormWindows formWindows{&kelvaneSite};
    std::uint32_t moduleHandle = 0x10000000;
    // The target's real files (POSIX natively, kernel32 on Windows) and the build folder that
    // holds the shipped language files, as the add-in library's folder.
    std::unique_ptr<Files> files = MakeFiles();
    std::wstring moduleFolder = DefaultModuleFolder();

    static std::unique_ptr<Files> MakeFiles();
    static std::wstring DefaultModuleFolder();

    // Installs this platform as the current one, keeping the add-in's callback routines; the
    // controls' twins then start their windows on this platform's clock.
    void Install();
};

}  // namespace brisko::sim
