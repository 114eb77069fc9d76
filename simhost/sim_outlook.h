// The simulated Outlook: the arena that owns every simulated object, the driver operations that
// play the user and the host, fault injection, and the accounting of references and errors.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/value.h"
#include "simhost/sim_object.h"

namespace brisko::sim {

// Numbers of the host's enumerations used here.
namespace ol {
// OlItemType
inline constexpr int MailItem = 0;
inline constexpr int AppointmentItem = 1;
inline constexpr int ContactItem = 2;
inline constexpr int TaskItem = 3;
inline constexpr int PostItem = 6;
// OlDefaultFolders
inline constexpr int FolderDeletedItems = 3;
inline constexpr int FolderOutbox = 4;
inline constexpr int FolderSentMail = 5;
inline constexpr int FolderInbox = 6;
inline constexpr int FolderCalendar = 9;
inline constexpr int FolderContacts = 10;
inline constexpr int FolderTasks = 13;
inline constexpr int FolderDrafts = 16;
// OlObjectClass
inline constexpr int ClassApplication = 0;
inline constexpr int ClassNameSpace = 1;
inline constexpr int ClassFolder = 2;
inline constexpr int ClassRecipient = 4;
inline constexpr int ClassAttachment = 5;
inline constexpr int ClassFolders = 15;
inline constexpr int ClassItems = 16;
inline constexpr int ClassAttachments = 18;
inline constexpr int ClassAppointment = 26;
inline constexpr int ClassExplorer = 34;
inline constexpr int ClassInspector = 35;
inline constexpr int ClassContact = 40;
inline constexpr int ClassMail = 43;
inline constexpr int ClassPost = 45;
inline constexpr int ClassTask = 48;
inline constexpr int ClassExplorers = 60;
inline constexpr int ClassInspectors = 61;
inline constexpr int ClassSelection = 74;
inline constexpr int ClassStore = 79;
// OlEditorType
inline constexpr int EditorText = 1;
inline constexpr int EditorHTML = 2;
inline constexpr int EditorRTF = 3;
inline constexpr int EditorWord = 4;
// OlAttachmentType
inline constexpr int ByValue = 1;
inline constexpr int EmbeddedItem = 5;
}  // namespace ol

class SimApplication;
class SimNameSpace;
class SimFolder;
class SimItem;
class SimExplorers;
class SimExplorer;
class SimInspectors;
class SimInspector;
class SimMapiSession;
class SimRecipient;
class SimCommandBar;
class SimRibbon;
struct CommandBarsState;

// A received (or drafted) mail as the driver adds it.
struct MailFields {
    std::wstring subject{};
    std::wstring body{};
    std::wstring senderName{};
    std::wstring senderAddress{};
    std::wstring to{};
    std::wstring categories{};
    int importance = 1;              // 0 low, 1 normal, 2 high
    bool unread = false;
    bool sent = true;                // false: an unsent draft
    std::optional<Date> received{};  // default: the simulated clock
    std::optional<Date> reminder{};  // sets ReminderSet and ReminderTime
};

struct TaskFields {
    std::wstring subject{};
    std::wstring body{};
    std::wstring categories{};
    int importance = 1;
    std::optional<Date> due{};
};

struct AppointmentFields {
    std::wstring subject{};
    std::wstring location{};
    std::wstring body{};
    std::wstring categories{};
    Date start{};
    Date end{};
    bool allDay = false;
};

// An error that a sink let escape from an event.
struct EscapedError {
    std::int32_t number = 0;
    std::wstring description;
    std::wstring event;
    std::wstring source;  // type name of the object that raised the event
};

// An arena object that is referenced from outside the arena.
struct ExternalReference {
    std::wstring typeName;
    std::wstring identity;
    long count = 0;
};

// One message store: its top folder and its default folders by OlDefaultFolders number.
struct SimStore {
    std::wstring storeID;
    SimFolder* top = nullptr;
    std::map<int, SimFolder*> defaults;
    int number = 0;
    SimObject* object = nullptr;  // its Store object, made on first use
};

class SimOutlook {
public:
    SimOutlook();
    ~SimOutlook();
    SimOutlook(const SimOutlook&) = delete;
    SimOutlook& operator=(const SimOutlook&) = delete;

    // --- Objects ---------------------------------------------------------------------------

    // Creates an arena-owned object; the arena holds its one strong reference. The pointer stays
    // valid for the arena's lifetime (objects are never dropped before the arena).
    template <class T, class... A>
    T* Make(A&&... args) {
        auto object = std::make_shared<T>(*this, std::forward<A>(args)...);
        T* raw = object.get();
        objects_.push_back(std::move(object));
        return raw;
    }
    // The member table of a type, created empty when missing; extensions add members here.
    SimType& Type(std::wstring_view name);
    const SimType* FindType(std::wstring_view name) const;

    SimApplication* Application() const noexcept { return application_; }
    // The Application object as the add-in receives it at connection.
    ObjectPtr ApplicationObject();
    SimNameSpace* Session() const noexcept { return session_; }
    SimExplorers* Explorers() const noexcept { return explorers_; }
    SimInspectors* Inspectors() const noexcept { return inspectors_; }
    SimMapiSession* MapiSession() const noexcept { return mapiSession_; }
    SimRecipient* CurrentUser() const noexcept { return currentUser_; }
    void SetCurrentUser(std::wstring name, std::wstring address);

    // --- Version and clock -----------------------------------------------------------------

    void SetVersion(std::wstring version) { version_ = std::move(version); }
    const std::wstring& Version() const noexcept { return version_; }
    // A version string of the given major version, 9 (Outlook 2000) to 14 (Outlook 2010).
    void SetMajorVersion(int major);
    // The time new items take for their creation time and defaults.
    void SetNow(Date now) { now_ = now; }
    Date Now() const noexcept { return now_; }

    // --- Stores and folders ----------------------------------------------------------------

    // A store with its top folder; the first store is the default one.
    SimFolder* AddStore(std::wstring name);
    void SetDefaultStore(SimFolder* top);
    SimStore* DefaultStore() const noexcept { return defaultStore_; }
    std::vector<SimFolder*> StoreTops() const;
    // A folder below parent holding items of itemType (ol::MailItem ...).
    SimFolder* AddFolder(SimFolder* parent, std::wstring name, int itemType = ol::MailItem);
    // A default folder (ol::FolderInbox ...) of the store of top, directly below top.
    SimFolder* AddDefaultFolder(SimFolder* top, int kind, std::wstring name);
    // The default folder of a kind in the default store, or of the store of a given folder.
    SimFolder* DefaultFolder(int kind) const;
    SimFolder* DefaultFolderOf(const SimFolder* anyFolderOfStore, int kind) const;
    // By path "\\Store\Inbox\Sub" (names without regard to case); nullptr when there is none.
    SimFolder* FindFolder(std::wstring_view path) const;
    // Entry id and store id of live (not vanished) objects; an empty store id matches any store.
    SimFolder* FindFolderByID(std::wstring_view entryID, std::wstring_view storeID = {}) const;
    SimItem* FindItemByID(std::wstring_view entryID, std::wstring_view storeID = {}) const;

    // --- Items -----------------------------------------------------------------------------

    // Saved items in a folder.
    SimItem* AddMail(SimFolder* folder, const MailFields& fields);
    SimItem* AddTask(SimFolder* folder, const TaskFields& fields);
    SimItem* AddAppointment(SimFolder* folder, const AppointmentFields& fields);
    // A new unsaved item of an OlItemType that goes into home when saved.
    SimItem* CreateItem(int itemType, SimFolder* home);
    // What the item's Save, Move and Delete do.
    void SaveItem(SimItem* item);
    void MoveItem(SimItem* item, SimFolder* folder);
    void DeleteItem(SimItem* item);

    // --- Windows ---------------------------------------------------------------------------

    // An explorer that was open before the add-in started: no events; it counts as activated.
    SimExplorer* AddExplorerAtStartup(SimFolder* folder);
    // A new explorer: added to Explorers, then Explorers raises NewExplorer(explorer).
    SimExplorer* OpenExplorer(SimFolder* folder);
    // Raises Deactivate on the window active before (when another one), then Activate.
    void ActivateExplorer(SimExplorer* explorer);
    void DeactivateExplorer(SimExplorer* explorer);
    // Raises Close, then removes the explorer from Explorers; it answers no call afterwards.
    void CloseExplorer(SimExplorer* explorer);
    // BeforeFolderSwitch(folder, Cancel), then (unless cancelled) the switch and FolderSwitch.
    // The selection is emptied, without SelectionChange. False when a sink cancelled.
    bool SwitchFolder(SimExplorer* explorer, SimFolder* folder);
    // Sets the selection and raises SelectionChange.
    void Select(SimExplorer* explorer, const std::vector<SimItem*>& items);

    // The item's open inspector, or a new one: added to Inspectors, NewInspector(inspector).
    SimInspector* OpenInspector(SimItem* item);
    // An inspector that was open before the add-in started: no events.
    SimInspector* AddInspectorAtStartup(SimItem* item);
    void ActivateInspector(SimInspector* inspector);
    void DeactivateInspector(SimInspector* inspector);
    // Raises Close, saves the item when asked to, removes the inspector from Inspectors.
    void CloseInspector(SimInspector* inspector, bool save = false);
    void SetEditorType(SimInspector* inspector, int editorType);
    // The editor type of inspectors opened from now on (default ol::EditorHTML).
    void SetDefaultEditorType(int editorType) { defaultEditorType_ = editorType; }
    int DefaultEditorType() const noexcept { return defaultEditorType_; }

    // The last activated explorer (inspector) that is still open, else nullptr.
    SimExplorer* ActiveExplorer() const;
    SimInspector* ActiveInspector() const;
    std::vector<SimExplorer*> OpenExplorers() const;
    std::vector<SimInspector*> OpenInspectors() const;

    // Raises any event of an object, e.g. Application's ItemContextMenuDisplay.
    void RaiseEvent(SimObject* source, std::wstring_view event, Args args = {});

    // --- Command bars and ribbon (simhost/command_bars.h, simhost/ribbon.h) ----------------

    // The item context menu for the explorer's selection (ShowItemContextMenu of command_bars.h).
    SimCommandBar* ShowItemContextMenu(SimExplorer* explorer);
    void CloseItemContextMenu();
    // Property writes on command-bar controls so far.
    std::uint64_t ControlWrites() const noexcept;
    // The ribbon host of this Outlook.
    SimRibbon& Ribbon() noexcept { return *ribbon_; }
    CommandBarsState& BarsState() noexcept { return *bars_; }
    const CommandBarsState& BarsState() const noexcept { return *bars_; }

    // --- Folder picker ---------------------------------------------------------------------

    // The answer of every PickFolder call once the queued answers are used up; nullptr (the
    // default) is a cancelled picker.
    void SetPickFolderAnswer(SimFolder* folder) { pickAnswer_ = folder; }
    // An answer for one PickFolder call; queued answers are given first, in order.
    void QueuePickFolderAnswer(SimFolder* folder) { pickQueue_.push_back(folder); }
    int PickFolderCalls() const noexcept { return pickCalls_; }
    SimFolder* NextPickFolderAnswer();

    // --- Host calls and fault injection ----------------------------------------------------

    // Host calls so far: every Invoke and ConnectEvents on any simulated object.
    std::uint64_t CallCount() const noexcept { return callCount_; }
    // The k-th host call from now (1 = the next) fails with the run-time error.
    void FailCall(std::uint64_t k, std::int32_t number, std::wstring description = {});
    // Calls of "Type.Member" fail (names without regard to case; "Type.*" for every member,
    // "Type.ConnectEvents" for subscribing), the given number of times or, -1, always.
    void FailMember(std::wstring_view typeDotMember, std::int32_t number, std::wstring description = {},
                    int times = -1);
    void ClearFaults();
    // The object is gone from the host: every call on it raises err::ObjectNotFound and lookups
    // no longer find it. A folder takes its subfolders and items with it.
    void Vanish(SimObject* object);

    // Records "Type.Member kind" for each host call while on; a call with an omitted (Missing)
    // or Empty argument adds the kinds of its arguments: "Attachments.Add Method (Object, Missing)".
    void SetTracing(bool on) { tracing_ = on; }
    const std::vector<std::wstring>& Trace() const noexcept { return trace_; }
    void ClearTrace() { trace_.clear(); }

    // --- Accounting ------------------------------------------------------------------------

    const std::vector<EscapedError>& EscapedErrors() const noexcept { return *escaped_; }
    void ClearEscapedErrors() { escaped_->clear(); }
    // References to arena objects held outside the arena.
    long ExternalReferences() const;
    std::vector<ExternalReference> ExternallyReferenced() const;
    // "Explorer Explorer #2 (1)\n..." for failure messages.
    std::wstring DescribeExternalReferences() const;
    std::size_t ObjectCount() const noexcept { return objects_.size(); }

    // --- Internals shared with the object classes -------------------------------------------

    // Counts a call and throws the failure injected for it, if any.
    void BeginCall(const SimObject& object, std::wstring_view member, CallKind kind, const Args* args = nullptr);
    std::uint64_t NextSerial() noexcept { return ++serial_; }
    std::wstring NewEntryID(const SimStore* store);
    const std::shared_ptr<std::vector<EscapedError>>& EscapeLog() const noexcept { return escaped_; }
    SimStore* StoreOf(const SimFolder* folder) const;
    std::vector<SimFolder*> AllFolders() const;
    void ForgetWindow(SimObject* window);

private:
    struct CallFault {
        std::uint64_t atCall;
        std::int32_t number;
        std::wstring description;
    };
    struct MemberFault {
        std::wstring typeName;
        std::wstring member;
        std::int32_t number;
        std::wstring description;
        int remaining;
    };

    void ActivateWindow(SimObject* window);
    void CheckLive(const SimObject* object) const;
    SimItem* AddSavedItem(int itemType, SimFolder* folder);

    std::vector<std::shared_ptr<SimObject>> objects_;
    std::map<std::wstring, std::unique_ptr<SimType>> types_;
    std::deque<SimStore> stores_;
    SimStore* defaultStore_ = nullptr;

    SimApplication* application_ = nullptr;
    SimNameSpace* session_ = nullptr;
    SimExplorers* explorers_ = nullptr;
    SimInspectors* inspectors_ = nullptr;
    SimMapiSession* mapiSession_ = nullptr;
    SimRecipient* currentUser_ = nullptr;

    std::wstring version_;
    Date now_{};
    int defaultEditorType_ = ol::EditorHTML;
    SimObject* activeWindow_ = nullptr;
    std::uint64_t activationStamp_ = 0;

    SimFolder* pickAnswer_ = nullptr;
    std::deque<SimFolder*> pickQueue_;
    int pickCalls_ = 0;

    std::uint64_t callCount_ = 0;
    std::uint64_t serial_ = 0;
    std::uint64_t entrySerial_ = 0;
    std::vector<CallFault> callFaults_;
    std::vector<MemberFault> memberFaults_;
    bool tracing_ = false;
    std::vector<std::wstring> trace_;
    std::shared_ptr<std::vector<EscapedError>> escaped_;
    std::unique_ptr<CommandBarsState> bars_;
    std::unique_ptr<SimRibbon> ribbon_;
};

}  // namespace brisko::sim
