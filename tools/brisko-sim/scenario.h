// Runs scenarios: the add-in in the simulated Outlook, driven one command a line.
#pragma once

#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "simhost/sim_outlook.h"
#include "tools/brisko-sim/session.h"

namespace brisko::tools {

// The scenario the program runs when it is given none.
extern const char* const kDemoScenario;

class ScenarioRunner {
public:
    ScenarioRunner(std::ostream& out, std::unique_ptr<AddinSession> session);
    ~ScenarioRunner();
    ScenarioRunner(const ScenarioRunner&) = delete;
    ScenarioRunner& operator=(const ScenarioRunner&) = delete;

    // 0: every line ran and every expectation held; 1: an expectation failed; 2: a bad line
    // (the run stops there).
    int Run(std::istream& in, const std::string& name);
    int RunText(const std::string& text, const std::string& name);

    sim::SimOutlook& Host() { return *host_; }
    AddinSession& Session() { return *session_; }
    int FailedExpectations() const { return failed_; }

private:
    struct Window {
        sim::SimObject* object = nullptr;
        bool explorer = true;
    };

    void Execute(const std::vector<std::wstring>& words);
    void NewHost(bool sample);
    void Load(std::int32_t mode);
    void StartupComplete();
    void BeginShutdown();
    void Disconnect(std::int32_t mode);
    sim::SimFolder* Folder(const std::wstring& path) const;
    Window& WindowNamed(const std::wstring& name);
    sim::SimExplorer* ExplorerNamed(const std::wstring& name);
    std::wstring NameWindow(sim::SimObject* window, bool explorer);
    void PrintNewLog();
    // Each line of the text indented by two blanks.
    void PrintIndented(const std::wstring& text);
    void PrintLog(bool errorsOnly);
    void PrintState();
    void Expect(const std::vector<std::wstring>& words);
    // Command surfaces: command bars, the item context menu and the ribbon.
    void Press(const std::vector<std::wstring>& words);
    void RibbonCommand(const std::vector<std::wstring>& words);
    void ContextMenu(const std::vector<std::wstring>& words);
    std::wstring BarsListing(const std::wstring& window);
    // The add-in's tab in the window; only: one element and what it holds.
    std::wstring RibbonListing(const std::wstring& window, const std::wstring& only);
    sim::SimObject* OpenWindow(const std::wstring& name);
    int HostMajorVersion() const;
    void PrintRibbonProblems();
    void InProcessWithFolders(const std::vector<std::wstring>& words, const std::vector<ObjectPtr>& folders);
    std::wstring StateText();
    int TrackedExplorers();
    std::vector<std::wstring> LogLines();

    std::ostream& out_;
    std::unique_ptr<AddinSession> session_;
    std::unique_ptr<sim::SimOutlook> host_;
    bool connectedOnce_ = false;
    std::wstring lastState_;
    std::map<std::wstring, Window> windows_;
    int explorerCount_ = 0;
    int inspectorCount_ = 0;
    std::size_t printedLog_ = 0;
    bool liveLog_ = true;
    long escaped_ = 0;  // errors that escaped into the host in this run
    long ribbonProblems_ = 0;  // problems the ribbon host found with the add-in in this run
    int failed_ = 0;
    int expectations_ = 0;
};

}  // namespace brisko::tools
