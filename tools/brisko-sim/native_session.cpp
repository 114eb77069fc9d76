#include "tools/brisko-sim/native_session.h"

#include <algorithm>
#include <cwchar>
#include <ostream>

#include "addin/dialogs/CQuickDialog.h"
#include "addin/dialogs/mForms.h"
#include "addin/folders/CRecentFolders.h"
#include "addin/host/COptions.h"
#include "addin/host/Connect.h"
#include "addin/host/globals.h"
#include "addin/host/services.h"
#include "automation/text.h"
#include "platform/sim/sim_platform.h"
#include "platform/link_label.h"
#include "platform/ui.h"
#include "simhost/sim_object.h"
#include "controls/sim/sim_registration.h"
#include "standins/redemption/sim_registration.h"
#include "standins/grelmo/sim_registration.h"

namespace brisko::tools {

namespace {

const std::pair<const wchar_t*, const char*> kExports[] = {
    {L"InitEx", "InitEx"},         {L"InitComplete", "InitComplete"}, {L"LogMsg", "LogMsg"},
    {L"AddAboutMenu", "AddAboutMenu"}, {L"ShowAbout", "ShowAbout"},   {L"ShowContextHelp", "ShowContextHelp"}};

std::string ExportName(const std::wstring& name) {
    for (const auto& [w, n] : kExports) {
        if (EqualsNoCase(name, w)) return n;
    }
    Fail(L"unknown support library export \"" + name +
         L"\" (InitEx, InitComplete, LogMsg, AddAboutMenu, ShowAbout, ShowContextHelp)");
}

class NativeSession final : public AddinSession {
public:
    NativeSession() {
        ReleaseProcessObjects();
        Services() = DefaultServices();
        redemption::RegisterClasses(platform_.objects);
        grelmo::RegisterClasses(platform_.objects);
        kelvane::RegisterClasses(platform_.objects);
        platform_.Install();
        CQuickDialog::ResetInstanceCounter();
    }
    ~NativeSession() override {
        connect_.reset();
        ReleaseProcessObjects();
        SetPlatform(brisko::Platform{});
    }
    NativeSession(const NativeSession&) = delete;
    NativeSession& operator=(const NativeSession&) = delete;

    void Connect(const ObjectPtr& application, std::int32_t mode) override {
        connect_ = std::make_shared<brisko::Connect>();
        Array custom;
        connect_->OnConnection(application, mode, nullptr, custom);
    }
    void StartupComplete() override {
        Array custom;
        connect_->OnStartupComplete(custom);
    }
    void BeginShutdown() override {
        Array custom;
        connect_->OnBeginShutdown(custom);
    }
    std::wstring Disconnect(std::int32_t mode) override {
        Array custom;
        connect_->OnDisconnection(mode, custom);
        // The host releases the add-in after disconnecting it.
        const std::wstring state = StateName(connect_->State());
        connect_.reset();
        return state;
    }
    bool Loaded() const override { return connect_ != nullptr; }
    std::wstring State() override { return StateName(connect_->State()); }
    int TrackedExplorers() override {
        if (!connect_ || !connect_->Explorers()) return 0;
        try {
            return connect_->Explorers()->Count();
        } catch (...) {
            return 0;
        }
    }

    const std::vector<LogEntry>& Log() override {
        const auto& records = platform_.torvik.log();
        for (std::size_t i = log_.size(); i < records.size(); ++i) {
            const auto& r = records[i];
            log_.push_back({r.level, r.detail, r.procedure, r.errorNumber, r.message});
        }
        return log_;
    }

    Registry& AddinRegistry() override { return platform_.registry; }
    CodePage& AddinCodePage() override { return platform_.codePage; }

    bool InProcessCommand(const std::vector<std::wstring>& w, std::ostream& out) override {
        const std::wstring& cmd = w[0];
        if (EqualsNoCase(cmd, L"screen")) {
            ExpectCount(w, 3, L"screen <width> <height>");
            platform_.desktop.width = static_cast<int>(ParseNumber(w[1], L"screen"));
            platform_.desktop.height = static_cast<int>(ParseNumber(w[2], L"screen"));
        } else if (EqualsNoCase(cmd, L"torvik")) {
            Torvik(w);
        } else if (EqualsNoCase(cmd, L"option")) {
            SetOption(w);
        } else if (EqualsNoCase(cmd, L"print") && w.size() == 2 && EqualsNoCase(w[1], L"options")) {
            PrintOptions(out);
        } else if (EqualsNoCase(cmd, L"print") && w.size() == 2 && EqualsNoCase(w[1], L"messages")) {
            PrintMessages(out);
        } else if (EqualsNoCase(cmd, L"answer") && w.size() >= 2 && EqualsNoCase(w[1], L"menu")) {
            ExpectCount(w, 3, L"answer menu <command id>|dismiss");
            platform_.menus.QueueChoice(
                EqualsNoCase(w[2], L"dismiss") ? 0u : static_cast<std::uint32_t>(ParseNumber(w[2], L"answer menu")));
        } else if (EqualsNoCase(cmd, L"answer") && w.size() >= 2 && EqualsNoCase(w[1], L"msgbox")) {
            ExpectCount(w, 3, L"answer msgbox ok|yes|no");
            if (EqualsNoCase(w[2], L"ok")) platform_.messageBoxes.QueueAnswer(kIdOk);
            else if (EqualsNoCase(w[2], L"yes")) platform_.messageBoxes.QueueAnswer(kIdYes);
            else if (EqualsNoCase(w[2], L"no")) platform_.messageBoxes.QueueAnswer(kIdNo);
            else Fail(L"usage: answer msgbox ok|yes|no");
        } else {
            return false;
        }
        return true;
    }

    bool InProcessFolderCommand(const std::vector<std::wstring>& w, const std::vector<ObjectPtr>& folders,
                                std::ostream& out) override {
        if (EqualsNoCase(w[0], L"recent")) {
            auto& list = RecentList(w[1]);
            const auto& folder = folders.at(0);
            if (EqualsNoCase(w[2], L"record")) {
                list.SetRecent(folder);
            } else if (EqualsNoCase(w[2], L"default")) {
                list.SetDefault(folder);
            } else if (EqualsNoCase(w[2], L"remove")) {
                list.Remove(GetOf(folder, L"EntryID").AsString(), GetOf(folder, L"StoreID").AsString());
            } else {
                Fail(L"usage: recent move|calendars record|default|remove <folder>");
            }
            return true;
        }
        if (EqualsNoCase(w[0], L"pick")) {
            std::int32_t kind = 0;
            if (EqualsNoCase(w[1], L"mail")) kind = kKindMail;
            else if (EqualsNoCase(w[1], L"appointment")) kind = kKindAppointment;
            else if (EqualsNoCase(w[1], L"task")) kind = kKindTask;
            else if (EqualsNoCase(w[1], L"post")) kind = kKindPost;
            else Fail(L"usage: pick mail|appointment|task|post [current <folder>]");
            const auto folder = ShowPickFolder(kind, folders.at(0));
            out << "  picked: " << ToUtf8(folder ? FolderName(folder) : L"none") << "\n";
            return true;
        }
        if (EqualsNoCase(w[0], L"menu")) {
            const auto& name = w[2];
            const std::int32_t kind = EqualsNoCase(name, L"calendars") ? kKindAppointment : kKindMail;
            RecentList(name);  // fails when the add-in holds none
            const auto shownBefore = platform_.menus.tracked().size();
            const auto record = ShowRecentFoldersMenu(0, EqualsNoCase(name, L"move") ? g_oRecentMove2Folders
                                                                                    : g_oRecentCalendars,
                                                      kind, folders.at(0));
            const auto& tracked = platform_.menus.tracked();
            if (tracked.size() == shownBefore) out << "  (no menu shown)\n";
            for (std::size_t t = shownBefore; t < tracked.size(); ++t) PrintMenu(out, tracked[t], tracked[t].menu, 2);
            for (std::size_t t = shownBefore; t < tracked.size(); ++t) out << "  chosen: " << tracked[t].answer << "\n";
            out << "  returned: " << ToUtf8(record ? record->Path : L"none") << "\n";
            return true;
        }
        return false;
    }

    // A host folder's path as the host knows it, without a call into the host.
    static std::wstring FolderName(const ObjectPtr& folder) {
        if (const auto* o = dynamic_cast<const sim::SimObject*>(folder.get())) return o->Identity();
        return folder->TypeName();
    }

    // The menu as it was shown: each item with its command id, state and default mark.
    void PrintMenu(std::ostream& out, const sim::SimPopupMenus::Tracked& shown, std::uintptr_t handle, int indent) {
        const auto it = shown.menus.find(handle);
        if (it == shown.menus.end()) return;
        const auto& menu = it->second;
        const std::string pad(static_cast<std::size_t>(indent), ' ');
        for (std::size_t i = 0; i < menu.items.size(); ++i) {
            const auto& item = menu.items[i];
            if (item.flags & kMfSeparator) {
                out << pad << "----\n";
                continue;
            }
            const bool isDefault = menu.defaultItem &&
                                   (menu.defaultByPosition ? *menu.defaultItem == i : *menu.defaultItem == item.id);
            const bool popup = (item.flags & kMfPopup) != 0;
            out << pad << (popup ? std::string("[popup]") : "[" + std::to_string(item.id) + "]") << " \""
                << ToUtf8(platform_.codePage.FromAnsi(item.caption)) << "\""
                << ((item.flags & (kMfGrayed | kMfDisabled)) ? " disabled" : "") << (isDefault ? " default" : "")
                << "\n";
            if (popup) PrintMenu(out, shown, item.id, indent + 4);
        }
    }

    bool InProcessListing(const std::vector<std::wstring>& what, std::wstring& text) override {
        if (what.size() == 2 && EqualsNoCase(what[0], L"recent")) {
            text = RecentListing(RecentList(what[1]));
            return true;
        }
        return false;
    }

    bool DialogCommand(const std::vector<std::wstring>& w, const ObjectPtr& item, std::ostream& out) override {
        const std::wstring& cmd = w[0];
        if (EqualsNoCase(cmd, L"show")) {
            const auto before = LiveDialogs();
            const bool topmost = w.size() == 5;
            if (EqualsNoCase(w[1], L"task")) ShowQuickTask(item, topmost);
            else ShowQuickAppointment(item, topmost);
            if (!NameNewDialogs(before, out)) {
                for (std::size_t i = 0; i < dialogs_.size(); ++i) {
                    const auto* window = platform_.formWindows.ByHandle(dialogs_[i]);
                    if (window && window->active()) out << "  D" << i + 1 << " is active\n";
                }
            }
            return true;
        }
        sim::SimFormWindow& d = Dialog(w.at(1));
        try {
            if (EqualsNoCase(cmd, L"type")) {
                ExpectCount(w, 4, L"type <dialog> <control> <text>");
                d.Type(w[2], w[3]);
            } else if (EqualsNoCase(cmd, L"check")) {
                ExpectCount(w, 4, L"check <dialog> <control> on|off");
                if (!EqualsNoCase(w[3], L"on") && !EqualsNoCase(w[3], L"off")) Fail(L"usage: check <dialog> <control> on|off");
                d.Check(w[2], EqualsNoCase(w[3], L"on"));
            } else if (EqualsNoCase(cmd, L"click")) {
                if (w.size() != 3 && !(w.size() == 4 && EqualsNoCase(w[3], L"right"))) {
                    Fail(L"usage: click <dialog> <control> [right]");
                }
                d.Click(w[2], w.size() == 4 ? kLinkButtonRight : kLinkButtonLeft);
            } else if (EqualsNoCase(cmd, L"date")) {
                ExpectCount(w, 4, L"date <dialog> <control> <yyyy-mm-dd>");
                d.PickDate(w[2], ParseDay(w[3]));
            } else if (EqualsNoCase(cmd, L"priority")) {
                ExpectCount(w, 3, L"priority <dialog> low|normal|high");
                int priority = 0;
                if (EqualsNoCase(w[2], L"low")) priority = 0;
                else if (EqualsNoCase(w[2], L"normal")) priority = 1;
                else if (EqualsNoCase(w[2], L"high")) priority = 2;
                else Fail(L"usage: priority <dialog> low|normal|high");
                d.ChoosePriority(L"barPriority", priority);
            } else if (EqualsNoCase(cmd, L"dropdown")) {
                ExpectCount(w, 3, L"dropdown <dialog> <control>");
                d.DropDown(w[2]);
            } else if (EqualsNoCase(cmd, L"key")) {
                if (w.size() < 3) Fail(L"usage: key <dialog> <keys>   (Enter, Esc, Tab, Shift+Tab, Alt+<letter>, Space)");
                std::wstring keys;
                for (std::size_t i = 2; i < w.size(); ++i) keys += (i > 2 ? L" " : L"") + w[i];
                d.Keys(keys);
            } else if (EqualsNoCase(cmd, L"close")) {
                ExpectCount(w, 2, L"close <dialog>");
                d.Close();
            } else {
                return false;
            }
        } catch (const RuntimeError& e) {
            Fail(cmd + L" " + w[1] + L": " + e.description());
        }
        return true;
    }

    bool DialogListing(const std::wstring& dialog, std::wstring& text) override {
        text = Dialog(dialog).Listing();
        if (!text.empty() && text.back() != L'\n') text += L'\n';
        return true;
    }

    bool SetLocalNow(int year, int month, int day, int hour, int minute) override {
        platform_.clock.now = {year, month, day, hour, minute, 0};
        return true;
    }
    bool SetUserLocale(const std::wstring& name) override {
        if (!platform_.locale.SetLocale(name)) Fail(L"the locales are en-US and de-DE");
        return true;
    }

    ObjectPtr RibbonAddin() override { return connect_; }

    void SurfaceAction(const std::function<void()>& action, std::ostream& out) override {
        const auto before = LiveDialogs();
        action();
        NameNewDialogs(before, out);
    }

private:
    std::vector<std::uintptr_t> LiveDialogs() const {
        std::vector<std::uintptr_t> handles;
        for (const auto* window : platform_.formWindows.live()) handles.push_back(window->Handle());
        return handles;
    }
    // Names the dialog windows opened since "before"; false when none opened.
    bool NameNewDialogs(const std::vector<std::uintptr_t>& before, std::ostream& out) {
        bool opened = false;
        for (const auto* window : platform_.formWindows.live()) {
            if (std::find(before.begin(), before.end(), window->Handle()) != before.end()) continue;
            dialogs_.push_back(window->Handle());
            out << "  D" << dialogs_.size() << " opens\n";
            opened = true;
        }
        return opened;
    }

    sim::SimFormWindow& Dialog(const std::wstring& name) {
        if (name.size() < 2 || (name[0] != L'D' && name[0] != L'd')) Fail(L"dialogs are D1, D2, ... in order of opening");
        const auto n = ParseNumber(name.substr(1), L"dialog");
        if (n < 1 || static_cast<std::size_t>(n) > dialogs_.size()) Fail(L"no dialog \"" + name + L"\"");
        auto* window = platform_.formWindows.ByHandle(dialogs_[static_cast<std::size_t>(n - 1)]);
        if (!window || window->destroyed()) Fail(L"\"" + name + L"\" is closed");
        return *window;
    }
    static Date ParseDay(const std::wstring& text) {
        int y = 0, m = 0, d = 0;
        if (std::swscanf(text.c_str(), L"%d-%d-%d", &y, &m, &d) != 3) Fail(L"a date is yyyy-mm-dd: \"" + text + L"\"");
        try {
            return MakeDate({y, m, d, 0, 0, 0});
        } catch (const RuntimeError&) {
            Fail(L"no such date: \"" + text + L"\"");
        }
    }

    void Torvik(const std::vector<std::wstring>& w) {
        if (w.size() < 2) Fail(L"usage: torvik missing | present | result <export> <n> | raise <export> <n>");
        const auto& what = w[1];
        if (EqualsNoCase(what, L"missing")) {
            ExpectCount(w, 2, L"torvik missing");
            platform_.torvik.SetMissing(true);
        } else if (EqualsNoCase(what, L"present")) {
            ExpectCount(w, 2, L"torvik present");
            platform_.torvik.SetMissing(false);
        } else if (EqualsNoCase(what, L"result")) {
            ExpectCount(w, 4, L"torvik result <export> <number>");
            platform_.torvik.SetBehaviour(ExportName(w[2]),
                                          {static_cast<std::int32_t>(ParseNumber(w[3], L"torvik result")), {}});
        } else if (EqualsNoCase(what, L"raise")) {
            ExpectCount(w, 4, L"torvik raise <export> <error number>");
            platform_.torvik.SetBehaviour(ExportName(w[2]),
                                          {0, static_cast<std::int32_t>(ParseNumber(w[3], L"torvik raise"))});
        } else {
            Fail(L"usage: torvik missing | present | result <export> <n> | raise <export> <n>");
        }
    }

    // Writes a setting through the options, as the dialogs do.
    static void SetOption(const std::vector<std::wstring>& w) {
        if (w.size() < 2) Fail(L"\"option\" needs more arguments");
        const auto& o = Options();
        const auto& name = w[1];
        if (EqualsNoCase(name, L"LangID") || EqualsNoCase(name, L"LangFile")) {
            ExpectCount(w, 3, L"option LangID|LangFile <text>");
            if (EqualsNoCase(name, L"LangID")) o.SetLangID(w[2]);
            else o.SetLangFile(w[2]);
        } else if (EqualsNoCase(name, L"LastUsed_Button") || EqualsNoCase(name, L"LastUsed_MailAction") ||
                   EqualsNoCase(name, L"LastUsed_AttachMail")) {
            ExpectCount(w, 4, L"option LastUsed_Button|LastUsed_MailAction|LastUsed_AttachMail <dialog> <value>");
            const auto n = static_cast<std::int32_t>(ParseNumber(w[2], L"option"));
            if (EqualsNoCase(name, L"LastUsed_AttachMail")) {
                if (!EqualsNoCase(w[3], L"true") && !EqualsNoCase(w[3], L"false")) {
                    Fail(L"option LastUsed_AttachMail: the value is true or false");
                }
                o.SetLastUsed_AttachMail(n, EqualsNoCase(w[3], L"true"));
            } else {
                const auto v = static_cast<std::int32_t>(ParseNumber(w[3], L"option"));
                if (EqualsNoCase(name, L"LastUsed_Button")) o.SetLastUsed_Button(n, v);
                else o.SetLastUsed_MailAction(n, v);
            }
        } else {
            Fail(L"unknown option \"" + name + L"\" (LangID, LangFile, LastUsed_Button, LastUsed_MailAction, "
                 L"LastUsed_AttachMail)");
        }
    }

    static void PrintOptions(std::ostream& out) {
        const auto& o = Options();
        out << "  mailbox key: " << ToUtf8(o.GetRegPath(false)) << "\n";
        out << "  LangID: " << ToUtf8(o.LangID()) << "\n";
        out << "  LangFile: " << ToUtf8(o.LangFile()) << "\n";
        for (int n : {3, 1}) {
            out << "  dialog " << n << ": LastUsed_Button " << o.LastUsed_Button(n) << ", LastUsed_MailAction "
                << o.LastUsed_MailAction(n) << ", LastUsed_AttachMail "
                << (o.LastUsed_AttachMail(n) ? "true" : "false") << "\n";
        }
    }

    static IRecentFolders& RecentList(const std::wstring& name) {
        std::shared_ptr<IRecentFolders> list;
        if (EqualsNoCase(name, L"move")) list = g_oRecentMove2Folders;
        else if (EqualsNoCase(name, L"calendars")) list = g_oRecentCalendars;
        else Fail(L"the recent lists are \"move\" and \"calendars\"");
        if (!list) Fail(L"the add-in holds no recent lists now (they live from connection to shutdown)");
        return *list;
    }

    // "<name> max=<n> default=<0|1> recent=<0|1> item=<position of RecentItem>", then "<position> <Path>".
    static std::wstring RecentListing(const IRecentFolders& list) {
        const auto* concrete = dynamic_cast<const CRecentFolders*>(&list);
        const bool isDefault = concrete ? concrete->FirstIsDefaultFlag() : list.FirstIsDefault();
        const bool isRecent = concrete && concrete->FirstIsRecent();
        const auto recent = list.RecentItem();
        int item = 0;
        std::wstring entries;
        for (int i = 1; i <= list.Count(); ++i) {
            const auto entry = list.Item(i);
            if (entry == recent) item = i;
            entries += std::to_wstring(i) + L" " + entry->Path + L"\n";
        }
        return (concrete ? concrete->RegName() : std::wstring(L"list")) + L" max=" + std::to_wstring(list.MaxCount()) +
               L" default=" + (isDefault ? L"1" : L"0") + L" recent=" + (isRecent ? L"1" : L"0") +
               L" item=" + std::to_wstring(item) + L"\n" + entries;
    }

    // The message boxes shown since the last print.
    void PrintMessages(std::ostream& out) {
        const auto& shown = platform_.messageBoxes.shown();
        if (shown.empty()) out << "  (no message box)\n";
        for (const auto& box : shown) {
            const wchar_t* answer = box.answer == kIdOk ? L"ok" : box.answer == kIdYes ? L"yes"
                                  : box.answer == kIdNo ? L"no" : box.answer == kIdCancel ? L"cancel" : L"?";
            out << "  msgbox style=" << box.style << " caption=\"" << ToUtf8(box.caption) << "\": "
                << ToUtf8(box.text) << " -> " << ToUtf8(answer)
                << (box.scripted ? "" : " (unscripted: its default button)") << "\n";
        }
        platform_.messageBoxes.ClearShown();
    }

    sim::SimPlatform platform_;
    std::shared_ptr<brisko::Connect> connect_;
    std::vector<LogEntry> log_;
    std::vector<std::uintptr_t> dialogs_;  // D1, D2, ...: the windows' handles
};

}  // namespace

std::unique_ptr<AddinSession> MakeNativeSession() { return std::make_unique<NativeSession>(); }

}  // namespace brisko::tools
