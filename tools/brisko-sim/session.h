// How a scenario reaches the add-in: in this process on the in-memory platform (brisko-sim), or
// as a COM server in the simulated Outlook over COM (outlook-sim).
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "automation/object.h"

namespace brisko {
class Registry;
class CodePage;
}  // namespace brisko

namespace brisko::tools {

// A scenario line that can't be run; the run stops with the message.
struct SessionError {
    std::wstring message;
};
[[noreturn]] void Fail(std::wstring message);

// Helpers for command words.
long long ParseNumber(const std::wstring& text, const wchar_t* what);
void ExpectCount(const std::vector<std::wstring>& words, std::size_t n, const wchar_t* usage);

// One record of the add-in's log.
struct LogEntry {
    std::int32_t level = 0;  // 1 debug, 2 warning, 3 error
    std::int32_t detail = 0;
    std::wstring procedure;
    std::int32_t errorNumber = 0;
    std::wstring message;
};

class AddinSession {
public:
    virtual ~AddinSession() = default;

    // Loads the add-in and calls OnConnection with the host's Application.
    virtual void Connect(const ObjectPtr& application, std::int32_t mode) = 0;
    virtual void StartupComplete() = 0;
    virtual void BeginShutdown() = 0;
    // OnDisconnection, then the add-in is released; answers its state after disconnection.
    virtual std::wstring Disconnect(std::int32_t mode) = 0;
    virtual bool Loaded() const = 0;
    // While loaded.
    virtual std::wstring State() = 0;
    virtual int TrackedExplorers() = 0;

    // Every record the add-in has logged in this session, oldest first.
    virtual const std::vector<LogEntry>& Log() = 0;
    // Errors the add-in let out of its entry points since the last call.
    virtual std::vector<std::wstring> TakeEscapedErrors() { return {}; }

    // The registry and code page the add-in sees.
    virtual Registry& AddinRegistry() = 0;
    virtual CodePage& AddinCodePage() = 0;

    // Commands that reach into the add-in's process (screen, torvik, option, print options);
    // false when the command is none of them.
    virtual bool InProcessCommand(const std::vector<std::wstring>& words, std::ostream& out) = 0;
    // In-process commands that name host folders (recent, pick, menu), the folders resolved by
    // the runner (nothing where the command names none); false when the session can't run them.
    virtual bool InProcessFolderCommand(const std::vector<std::wstring>& /*words*/,
                                        const std::vector<ObjectPtr>& /*folders*/, std::ostream& /*out*/) {
        return false;
    }
    // A listing of the add-in's own state for print and expect ("recent move", "recent calendars"),
    // one line each ending in a line feed; false when the session can't give it.
    virtual bool InProcessListing(const std::vector<std::wstring>& /*what*/, std::wstring& /*text*/) { return false; }

    // The quick dialogs: "show" (item: the mail), "type", "check", "click", "date", "priority",
    // "dropdown", "key", "close" on a dialog named D1, D2, ... in order of opening; false when
    // the session can't drive them.
    virtual bool DialogCommand(const std::vector<std::wstring>& /*words*/, const ObjectPtr& /*item*/,
                               std::ostream& /*out*/) {
        return false;
    }
    // A dialog as the user sees it, one line a control ending in a line feed; false as above.
    virtual bool DialogListing(const std::wstring& /*dialog*/, std::wstring& /*text*/) { return false; }
    // The local time and the user's locale the add-in sees; false when the session takes them
    // from the system (through COM the add-in reads Wine's clock and locale).
    virtual bool SetLocalNow(int /*year*/, int /*month*/, int /*day*/, int /*hour*/, int /*minute*/) { return false; }
    virtual bool SetUserLocale(const std::wstring& /*name*/) { return false; }

    // The add-in as Office's ribbon host reaches it (GetCustomUI and the callbacks by name):
    // natively the Connect object, through COM an endpoint over IRibbonExtensibility and IDispatch;
    // nothing while the add-in is not loaded or has no ribbon entry.
    virtual ObjectPtr RibbonAddin() { return nullptr; }
    // Runs a user's action on a command surface (a button pressed, a ribbon control clicked) as the
    // host's message loop runs it, then names the quick dialogs it opened (D1, D2, ... continuing
    // the numbering of "show", "  D<n> opens" for each), so they are driven like those of "show".
    virtual void SurfaceAction(const std::function<void()>& action, std::ostream& /*out*/) { action(); }
};

}  // namespace brisko::tools
