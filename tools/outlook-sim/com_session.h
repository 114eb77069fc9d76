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
    bool InProcessCommand(const std::vector<std::wstring>&, std::ostream&) override { return false; }

    // The observed add-in's log file; empty until it is known.
    const std::wstring& LogFile() const { return logFile_; }
    const std::wstring& ObservedProgId() const { return observed_; }

private:
    struct Addin {
        std::wstring progId;
        win::ComPtr<IDTExtensibility2> extensibility;
        win::ComPtr<IDispatch> addInInst;
    };

    // Calls one entry point of every loaded add-in and records failures.
    template <class F>
    void ForEach(const wchar_t* entry, F&& call);
    void FindLogFile(const std::wstring& progId);

    std::wstring observed_;
    std::vector<Addin> addins_;
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
