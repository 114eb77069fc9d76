// The add-in as Outlook has it: a COM server loaded from the registered add-ins, driven through
// IDTExtensibility2, its log read back from the support library's log file.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>
#include <string>
#include <vector>

#include "automation/win/com_ptr.h"
#include "brisko_idl.h"
#include "platform/win/win_platform.h"
#include "platform/win/win_registry.h"
#include "tools/brisko-sim/session.h"

namespace brisko::tools {

class ComSession final : public AddinSession {
public:
    // Loads every add-in whose LoadBehavior asks for loading at start-up; state and log are
    // those of the observed one.
    explicit ComSession(std::wstring observedProgId = L"Brisko.Connect");
    ~ComSession() override;
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;

    void Connect(const ObjectPtr& application, std::int32_t mode) override;
    void StartupComplete() override;
    void BeginShutdown() override;
    std::wstring Disconnect(std::int32_t mode) override;
    bool Loaded() const override { return !addins_.empty(); }
    std::wstring State() override;
    int TrackedExplorers() override;
    const std::vector<LogEntry>& Log() override;
    std::vector<std::wstring> TakeEscapedErrors() override;
    Registry& AddinRegistry() override { return registry_; }
    CodePage& AddinCodePage() override { return codePage_; }
    // "answer msgbox ok|yes|no" and "answer menu <command id>|dismiss": the real message boxes and
    // popup menus of the add-in are answered from a timer inside their modal loops.
    bool InProcessCommand(const std::vector<std::wstring>& words, std::ostream& out) override;
    // The quick dialogs' real windows (com_dialogs.cpp): opened through _Connect, driven with
    // window messages as a user's input produces them, read back from the windows.
    bool DialogCommand(const std::vector<std::wstring>& words, const ObjectPtr& item, std::ostream& out) override;
    bool DialogListing(const std::wstring& dialog, std::wstring& text) override;
    // The add-in's ribbon endpoint through IRibbonExtensibility and IDispatch (com_ribbon.h).
    ObjectPtr RibbonAddin() override;
    // The action runs with message boxes answered and the messages it posted pumped; the quick
    // dialogs' windows it opened are named after those of "show".
    void SurfaceAction(const std::function<void()>& action, std::ostream& out) override;

    // The observed add-in's log file; empty until it is known.
    const std::wstring& LogFile() const { return logFile_; }
    const std::wstring& ObservedProgId() const { return observed_; }

private:
    struct Addin {
        std::wstring progId;
        win::ComPtr<IDTExtensibility2> extensibility;
        win::ComPtr<IDispatch> addInInst;
        win::ComPtr<IUnknown> unknown;
    };

    // Calls one entry point of every loaded add-in and records failures.
    template <class F>
    void ForEach(const wchar_t* entry, F&& call);
    void FindLogFile(const std::wstring& progId);

    // One quick dialog opened by "show": its window and which of the two dialogs it is.
    struct DialogWindow {
        HWND hwnd = nullptr;
        bool task = true;
        HWND focus = nullptr;  // its control that had the focus last (the dialog manager restores it)
    };
    void NoteFocus();
    HWND DialogNamed(const std::wstring& name);

    std::wstring observed_;
    std::vector<Addin> addins_;
    std::vector<DialogWindow> dialogs_;  // D1, D2, ...
    win::ComPtr<IDispatch> application_;
    win::ComPtr<_Connect> state_;
    win::SafeArray custom_;
    SAFEARRAY* customRef_ = nullptr;
    std::vector<std::wstring> escaped_;
    struct FreeModule {
        void operator()(HMODULE m) const noexcept { FreeLibrary(m); }
    };
    // The support library from the observed add-in's folder, for its log file's path.
    std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeModule> torvik_;
    std::wstring logFile_;
    std::uint64_t logOffset_ = 0;
    std::string partial_;
    std::vector<LogEntry> log_;
    win::WinRegistry registry_;
    win::WinCodePage codePage_;
};

}  // namespace brisko::tools
