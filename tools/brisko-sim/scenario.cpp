#include "tools/brisko-sim/scenario.h"

#include <cwchar>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>

#include "automation/text.h"
#include "platform/platform.h"
#include "platform/registry.h"
#include "platform/registry_text.h"
#include "simhost/command_bars.h"
#include "simhost/objects.h"
#include "simhost/ribbon.h"
#include "simhost/sample_mailbox.h"

namespace brisko::tools {

const char* const kDemoScenario = R"(# Brisko's story on the sample mailbox: Outlook 2003 with its toolbar, then Outlook 2010 with the
# ribbon. The debug log stays quiet; errors that reach the host would still show.
mailbox sample
version 11
explorer Inbox
log quiet
start
expect state Running
say Outlook 2003 starts with Anna's mailbox, and Brisko with it. Anna selects the mail "Project Alpha: kick-off meeting" and clicks Quick Task on the toolbar.
select E1 5
press E1 Standard "Create a task from the selected e-mail"
say The quick task dialog opens, filled in from the mail. Anna shortens the subject, picks Wednesday as the due date and, through the link, the folder the mail is to go to.
type D1 txtSubject "Kick-off: prepare the agenda"
date D1 mvDueDate 2010-05-19
answer picker "Inbox\Projects"
click D1 lnkMoveFolder
print dialog D1
say She clicks Create Task: the task is in Tasks, and the mail has moved to Inbox\Projects.
click D1 btnCreateTask
expect items Tasks <<
1 task "Submit travel expenses"
  due: 2010-05-21
  importance: normal
  body: "Receipts are in the blue folder."
2 task "Kick-off: prepare the agenda"
  due: 2010-05-19
  importance: high
  categories: "Project Alpha"
  body: "Kick-off on Tuesday at 10:00 in room 4.12. Agenda to follow."
.
print items Tasks
print items "Inbox\Projects"
say Inbox\Projects is her first recent folder now, and her default one: the folder button on the toolbar moves the next mail there in one click.
select E1 1
print control E1 Standard "Move the selected e-mail to Inbox\Projects"
say Anna closes Outlook; Brisko remembers her recent folders.
shutdown
expect state Shut down
expect escaped 0
expect references 0

say Some time later Anna works with Outlook 2010, on the same mailbox. Brisko has a tab of its own on the ribbon.
mailbox sample
version 14
explorer Inbox
start
expect state Running
say She selects the mail "Re: Holiday request" and clicks Quick Appointment on the Brisko tab.
select E1 3
ribbon show E1 grpBriskoE
ribbon click E1 btnQuickAppointmentE
say The appointment dialog opens with the mail's subject. Her holiday starts on 5 July: she picks the day, makes it an all-day event and clicks Create Appointment.
date D2 dtpStartDate 2010-07-05
check D2 chkAllDayEvent on
click D2 btnCreateAppointment
print items Calendar
say Then she selects the newsletter. The Move button's menu lists her recent folders, Inbox\Projects from her days with Outlook 2003 first; she chooses it there.
select E1 1
ribbon show E1 btnFolderE
ribbon show E1 btnFolder_1E
ribbon click E1 btnFolder_1E
expect items "Inbox\Projects" <<
1 mail "Newsletter May 2010"
  importance: low
  body: "This month: ten tips for a tidy inbox."
.
print items "Inbox\Projects"
say Anna closes Outlook 2010.
shutdown
expect state Shut down
expect escaped 0
expect ribbon-problems 0
expect references 0
)";

namespace {

// ext_ConnectMode and ext_DisconnectMode.
constexpr std::int32_t kAfterStartup = 0, kStartup = 1, kExternal = 2, kCommandLine = 3;
constexpr std::int32_t kHostShutdown = 0, kUserClosed = 1;

std::vector<std::wstring> Tokenize(const std::wstring& line) {
    std::vector<std::wstring> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::iswspace(static_cast<wint_t>(line[i]))) ++i;
        if (i >= line.size()) break;
        std::wstring word;
        if (line[i] == L'"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == L'"') {
                    if (i + 1 < line.size() && line[i + 1] == L'"') {
                        word += L'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                word += line[i++];
            }
            if (!closed) Fail(L"unterminated quoted text");
        } else {
            while (i < line.size() && !std::iswspace(static_cast<wint_t>(line[i]))) word += line[i++];
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::string Narrow(const std::wstring& s) { return ToUtf8(s); }

std::int32_t ConnectModeOf(const std::vector<std::wstring>& w, std::size_t at) {
    if (w.size() <= at) return kStartup;
    const auto& m = w[at];
    if (EqualsNoCase(m, L"startup")) return kStartup;
    if (EqualsNoCase(m, L"after-startup")) return kAfterStartup;
    if (EqualsNoCase(m, L"external")) return kExternal;
    if (EqualsNoCase(m, L"command-line")) return kCommandLine;
    Fail(L"unknown connect mode \"" + m + L"\" (startup, after-startup, external, command-line)");
}

const wchar_t* LevelName(std::int32_t level) {
    switch (level) {
        case 1: return L"debug";
        case 2: return L"warning";
        case 3: return L"error";
        default: return L"level?";
    }
}

// Control characters as the support library writes them, so a record is one line.
std::wstring OneLine(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\t') out += L"\\t";
        else if (c == L'\r') out += L"\\r";
        else if (c == L'\n') out += L"\\n";
        else if (c < 0x20 || c == 0x7F) {
            const wchar_t* hex = L"0123456789ABCDEF";
            out += L"\\x";
            out += hex[(c >> 4) & 0xF];
            out += hex[c & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

// A window wrapper's key (eight random digits, "-", the time as yyyymmddhhmmss) after "Tag=" prints
// as "<key>": it differs from run to run and between the two programs.
std::wstring MaskKeys(std::wstring text) {
    auto digits = [&](std::size_t at, std::size_t n) {
        if (at + n > text.size()) return false;
        for (std::size_t i = at; i < at + n; ++i) {
            if (!std::iswdigit(static_cast<wint_t>(text[i]))) return false;
        }
        return true;
    };
    for (auto at = text.find(L"Tag="); at != std::wstring::npos; at = text.find(L"Tag=", at + 4)) {
        const auto key = at + 4;
        if (digits(key, 8) && key + 8 < text.size() && text[key + 8] == L'-' && digits(key + 9, 14)) {
            text.replace(key, 23, L"<key>");
        }
    }
    return text;
}

std::wstring FormatRecord(const LogEntry& r) {
    std::wstring s = L"[" + std::wstring(LevelName(r.level));
    if (r.level == 3) {
        s += L" #" + std::to_wstring(r.errorNumber);
    } else {
        s += L":" + std::to_wstring(r.detail);
    }
    return s + L"] " + OneLine(r.procedure) + L": " + OneLine(MaskKeys(r.message));
}

// D1, D2, ...: a quick dialog's name in a scenario.
bool IsDialogName(const std::vector<std::wstring>& w) {
    return w.size() >= 2 && w[1].size() >= 2 && (w[1][0] == L'D' || w[1][0] == L'd') &&
           std::iswdigit(static_cast<wint_t>(w[1][1]));
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + OneLine(text) + L"\""; }

// The saved items of a folder as the host holds them: kind and subject, then one line a field.
std::wstring ItemsListing(const sim::SimFolder* folder) {
    std::wstring out;
    int n = 0;
    for (const auto* item : folder->Contents()) {
        const int type = item->ItemType();
        const wchar_t* kind = type == sim::ol::TaskItem          ? L"task"
                              : type == sim::ol::AppointmentItem ? L"appointment"
                              : type == sim::ol::PostItem        ? L"post"
                              : type == sim::ol::MailItem        ? L"mail"
                                                                 : L"item";
        out += std::to_wstring(++n) + L" " + kind + L" " + Quoted(item->Prop(L"Subject").AsString()) + L"\n";
        auto field = [&](const wchar_t* name, const std::wstring& text) { out += L"  " + std::wstring(name) + L": " + text + L"\n"; };
        if (type == sim::ol::TaskItem) field(L"due", FormatDate(item->Prop(L"DueDate").AsDate()));
        if (type == sim::ol::AppointmentItem) {
            field(L"start", FormatDate(item->Prop(L"Start").AsDate()));
            field(L"end", FormatDate(item->Prop(L"End").AsDate()));
            if (item->Prop(L"AllDayEvent").AsBool()) field(L"all day", L"yes");
            const std::wstring location = item->Prop(L"Location").AsString();
            if (!location.empty()) field(L"location", Quoted(location));
        }
        if (type != sim::ol::AppointmentItem && item->Prop(L"ReminderSet").AsBool()) {
            field(L"reminder", FormatDate(item->Prop(L"ReminderTime").AsDate()));
        }
        const std::int32_t importance = item->Prop(L"Importance").AsInt();
        field(L"importance", importance == 0 ? L"low" : importance == 2 ? L"high" : L"normal");
        const std::wstring categories = item->Prop(L"Categories").AsString();
        if (!categories.empty()) field(L"categories", Quoted(categories));
        const std::wstring body = item->Prop(L"Body").AsString();
        if (!body.empty()) field(L"body", Quoted(body));
        for (const auto* attachment : item->AttachmentList()) {
            std::wstring text = Quoted(attachment->DisplayName());
            if (const auto* source = attachment->Source()) text += L" (the item " + Quoted(source->Prop(L"Subject").AsString()) + L")";
            field(L"attachment", text);
        }
    }
    if (n == 0) out = L"(no items)\n";
    return out;
}

// The support library tags its About entry with its client's module handle ("Torvik.About." and
// eight hex digits): printed as "Torvik.About.<client>", alike in every run.
std::wstring MaskClientTags(std::wstring text) {
    static constexpr std::wstring_view prefix = L"Torvik.About.";
    for (auto at = text.find(prefix); at != std::wstring::npos; at = text.find(prefix, at + 1)) {
        const auto digits = at + prefix.size();
        std::size_t n = 0;
        while (digits + n < text.size() && n < 8 && std::iswxdigit(static_cast<wint_t>(text[digits + n]))) ++n;
        if (n == 8) text.replace(digits, 8, L"<client>");
    }
    return text;
}

}  // namespace

[[noreturn]] void Fail(std::wstring message) { throw SessionError{std::move(message)}; }

long long ParseNumber(const std::wstring& text, const wchar_t* what) {
    try {
        std::size_t used = 0;
        const long long n = std::stoll(text, &used, 0);
        if (used == text.size()) return n;
    } catch (...) {
    }
    Fail(std::wstring(what) + L": \"" + text + L"\" is not a number");
}

void ExpectCount(const std::vector<std::wstring>& w, std::size_t n, const wchar_t* usage) {
    if (w.size() != n) Fail(std::wstring(L"usage: ") + usage);
}

ScenarioRunner::ScenarioRunner(std::ostream& out, std::unique_ptr<AddinSession> session)
    : out_(out), session_(std::move(session)) {
    NewHost(true);
}

// The add-in goes before the host it holds references into.
ScenarioRunner::~ScenarioRunner() { session_.reset(); }

void ScenarioRunner::NewHost(bool sample) {
    windows_.clear();
    explorerCount_ = 0;
    inspectorCount_ = 0;
    host_ = std::make_unique<sim::SimOutlook>();
    host_->SetMajorVersion(11);
    if (sample) {
        sim::BuildSampleMailbox(*host_);
    } else {
        auto* top = host_->AddStore(L"Personal Folders");
        host_->AddDefaultFolder(top, sim::ol::FolderInbox, L"Inbox");
        host_->AddDefaultFolder(top, sim::ol::FolderDeletedItems, L"Deleted Items");
        host_->AddDefaultFolder(top, sim::ol::FolderSentMail, L"Sent Items");
        host_->AddDefaultFolder(top, sim::ol::FolderCalendar, L"Calendar");
        host_->AddDefaultFolder(top, sim::ol::FolderTasks, L"Tasks");
        host_->AddDefaultFolder(top, sim::ol::FolderContacts, L"Contacts");
    }
}

int ScenarioRunner::RunText(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    return Run(in, name);
}

int ScenarioRunner::Run(std::istream& in, const std::string& name) {
    std::string raw;
    int lineNo = 0;
    while (std::getline(in, raw)) {
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        const std::wstring line = FromUtf8(raw);
        const auto first = line.find_first_not_of(L" \t");
        if (first == std::wstring::npos || line[first] == L'#') continue;
        // say <text>: a line of narration, printed as it stands after a blank line.
        if (line.size() >= first + 3 && EqualsNoCase(line.substr(first, 3), L"say") &&
            (line.size() == first + 3 || line[first + 3] == L' ' || line[first + 3] == L'\t')) {
            const auto text = line.find_first_not_of(L" \t", first + 3);
            out_ << "\n" << (text == std::wstring::npos ? std::string() : Narrow(line.substr(text))) << "\n";
            continue;
        }
        out_ << "> " << Narrow(line.substr(first)) << "\n";
        try {
            auto words = Tokenize(line);
            // A command ending in "<<" takes the lines up to a line "." as its last argument.
            if (!words.empty() && words.back() == L"<<") {
                std::wstring block;
                bool ended = false;
                while (std::getline(in, raw)) {
                    ++lineNo;
                    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
                    if (raw == ".") {
                        ended = true;
                        break;
                    }
                    block += FromUtf8(raw) + L"\n";
                }
                if (!ended) Fail(L"the listing after \"<<\" has no closing line \".\"");
                words.back() = block;
            }
            Execute(words);
        } catch (const SessionError& e) {
            out_ << name << ":" << lineNo << ": " << Narrow(e.message) << "\n";
            return 2;
        }
        if (liveLog_) PrintNewLog();
        for (const auto& e : host_->EscapedErrors()) {
            out_ << "!! error escaped into the host from " << Narrow(e.source) << "." << Narrow(e.event) << ": "
                 << e.number << " " << Narrow(e.description) << "\n";
            ++escaped_;
        }
        host_->ClearEscapedErrors();
        PrintRibbonProblems();
        for (const auto& e : session_->TakeEscapedErrors()) {
            out_ << "!! error escaped into the host from " << Narrow(e) << "\n";
            ++escaped_;
        }
    }
    out_ << "-- " << name << ": " << expectations_ - failed_ << " of " << expectations_
         << " expectations held\n";
    return failed_ == 0 ? 0 : 1;
}

sim::SimFolder* ScenarioRunner::Folder(const std::wstring& path) const {
    sim::SimFolder* f = nullptr;
    if (path.rfind(L"\\\\", 0) == 0) {
        f = host_->FindFolder(path);
    } else if (auto* store = host_->DefaultStore()) {
        f = host_->FindFolder(store->top->Path() + L"\\" + path);
    }
    if (!f) Fail(L"no folder \"" + path + L"\"");
    return f;
}

std::wstring ScenarioRunner::NameWindow(sim::SimObject* window, bool explorer) {
    const std::wstring name = explorer ? L"E" + std::to_wstring(++explorerCount_)
                                       : L"I" + std::to_wstring(++inspectorCount_);
    windows_[name] = Window{window, explorer};
    return name;
}

ScenarioRunner::Window& ScenarioRunner::WindowNamed(const std::wstring& name) {
    for (auto& [n, w] : windows_) {
        if (EqualsNoCase(n, name)) return w;
    }
    Fail(L"no window \"" + name + L"\" (explorers are E1, E2, ... and inspectors I1, I2, ... in order of opening)");
}

sim::SimExplorer* ScenarioRunner::ExplorerNamed(const std::wstring& name) {
    auto& w = WindowNamed(name);
    if (!w.explorer) Fail(L"\"" + name + L"\" is not an explorer");
    return static_cast<sim::SimExplorer*>(w.object);
}

void ScenarioRunner::Load(std::int32_t mode) {
    if (session_->Loaded()) Fail(L"the add-in is already loaded");
    connectedOnce_ = true;
    session_->Connect(host_->ApplicationObject(), mode);
    // Office 2007 and later reach a connected add-in's ribbon entry points.
    if (session_->Loaded() && HostMajorVersion() >= 12) {
        if (auto addin = session_->RibbonAddin()) host_->Ribbon().Attach(std::move(addin));
    }
}

void ScenarioRunner::StartupComplete() {
    if (!session_->Loaded()) Fail(L"the add-in is not loaded");
    session_->StartupComplete();
    if (host_->Ribbon().IsAttached()) host_->Ribbon().StartupComplete();
}

int ScenarioRunner::HostMajorVersion() const {
    return static_cast<int>(std::wcstol(host_->Version().c_str(), nullptr, 10));
}

void ScenarioRunner::PrintRibbonProblems() {
    for (const auto& p : host_->Ribbon().Problems()) {
        out_ << "!! ribbon: " << Narrow(OneLine(p)) << "\n";
        ++ribbonProblems_;
    }
    host_->Ribbon().ClearProblems();
}

void ScenarioRunner::BeginShutdown() {
    if (!session_->Loaded()) Fail(L"the add-in is not loaded");
    session_->BeginShutdown();
}

void ScenarioRunner::Disconnect(std::int32_t mode) {
    if (!session_->Loaded()) Fail(L"the add-in is not loaded");
    lastState_ = session_->Disconnect(mode);
    // The host lets go of the add-in's ribbon with the add-in.
    PrintRibbonProblems();
    host_->Ribbon().Detach();
}

void ScenarioRunner::Execute(const std::vector<std::wstring>& w) {
    const std::wstring& cmd = w[0];
    auto is = [&](const wchar_t* name) { return EqualsNoCase(cmd, name); };
    auto arg = [&](std::size_t i) -> const std::wstring& {
        if (w.size() <= i) Fail(L"\"" + cmd + L"\" needs more arguments");
        return w[i];
    };

    if (session_->InProcessCommand(w, out_)) {
        return;
    } else if (is(L"mailbox")) {
        ExpectCount(w, 2, L"mailbox sample|empty");
        if (session_->Loaded()) Fail(L"mailbox: the add-in is loaded; set up the mailbox before start");
        if (EqualsNoCase(w[1], L"sample")) NewHost(true);
        else if (EqualsNoCase(w[1], L"empty")) NewHost(false);
        else Fail(L"usage: mailbox sample|empty");
    } else if (is(L"version")) {
        ExpectCount(w, 2, L"version <9..14 | version string such as 12.0.0.4518>");
        if (w[1].find(L'.') != std::wstring::npos) {
            host_->SetVersion(w[1]);
        } else {
            const auto major = ParseNumber(w[1], L"version");
            if (major < 9 || major > 14) Fail(L"version: the host is Outlook 9 (2000) to 14 (2010)");
            host_->SetMajorVersion(static_cast<int>(major));
        }
    } else if (is(L"screen") || is(L"torvik") || is(L"option")) {
        Fail(L"\"" + cmd + L"\" reaches into the add-in's process: brisko-sim only");
    } else if (is(L"explorer")) {
        ExpectCount(w, 2, L"explorer <folder>   (a window open before start-up)");
        const auto name = NameWindow(host_->AddExplorerAtStartup(Folder(w[1])), true);
        out_ << "  " << Narrow(name) << " is open\n";
    } else if (is(L"inspector")) {
        ExpectCount(w, 3, L"inspector <folder> <item number>   (a window open before start-up)");
        auto* f = Folder(w[1]);
        const auto n = ParseNumber(w[2], L"inspector");
        if (n < 1 || static_cast<std::size_t>(n) > f->Contents().size()) Fail(L"inspector: no item " + w[2]);
        const auto name =
            NameWindow(host_->AddInspectorAtStartup(f->Contents()[static_cast<std::size_t>(n - 1)]), false);
        out_ << "  " << Narrow(name) << " is open\n";
    } else if (is(L"start")) {
        Load(ConnectModeOf(w, 1));
        StartupComplete();
    } else if (is(L"connect")) {
        Load(ConnectModeOf(w, 1));
    } else if (is(L"startup-complete")) {
        StartupComplete();
    } else if (is(L"begin-shutdown")) {
        BeginShutdown();
    } else if (is(L"disconnect")) {
        std::int32_t mode = kHostShutdown;
        if (w.size() > 1) {
            if (EqualsNoCase(w[1], L"user")) mode = kUserClosed;
            else if (!EqualsNoCase(w[1], L"host")) Fail(L"usage: disconnect [host|user]");
        }
        Disconnect(mode);
    } else if (is(L"shutdown")) {
        BeginShutdown();
        Disconnect(kHostShutdown);
    } else if (is(L"open")) {
        const auto& kind = arg(1);
        if (EqualsNoCase(kind, L"explorer")) {
            ExpectCount(w, 3, L"open explorer <folder>");
            auto* f = Folder(w[2]);
            // Name the window before the host reports it, so the log follows the name.
            const auto name = L"E" + std::to_wstring(explorerCount_ + 1);
            out_ << "  " << Narrow(name) << " opens\n";
            NameWindow(host_->OpenExplorer(f), true);
        } else if (EqualsNoCase(kind, L"inspector")) {
            ExpectCount(w, 4, L"open inspector <folder> <item number>");
            auto* f = Folder(w[2]);
            const auto n = ParseNumber(w[3], L"open inspector");
            if (n < 1 || static_cast<std::size_t>(n) > f->Contents().size()) Fail(L"open inspector: no item " + w[3]);
            const auto name = L"I" + std::to_wstring(inspectorCount_ + 1);
            out_ << "  " << Narrow(name) << " opens\n";
            NameWindow(host_->OpenInspector(f->Contents()[static_cast<std::size_t>(n - 1)]), false);
        } else {
            Fail(L"usage: open explorer <folder> | open inspector <folder> <item number>");
        }
    } else if (is(L"show")) {
        if ((w.size() != 4 && w.size() != 5) || (!EqualsNoCase(w[1], L"task") && !EqualsNoCase(w[1], L"appointment")) ||
            (w.size() == 5 && !EqualsNoCase(w[4], L"topmost"))) {
            Fail(L"usage: show task|appointment <folder> <item number> [topmost]");
        }
        auto* f = Folder(w[2]);
        const auto n = ParseNumber(w[3], L"show");
        if (n < 1 || static_cast<std::size_t>(n) > f->Contents().size()) Fail(L"show: the folder has no item " + w[3]);
        if (!session_->DialogCommand(w, f->Contents()[static_cast<std::size_t>(n - 1)]->Ref(), out_)) {
            Fail(L"the dialog commands need brisko-sim for now");
        }
    } else if (is(L"type") || is(L"check") || is(L"click") || is(L"date") || is(L"priority") || is(L"dropdown") ||
               is(L"key") || (is(L"close") && IsDialogName(w))) {
        if (w.size() < 2) Fail(L"\"" + cmd + L"\" needs a dialog (D1, D2, ...)");
        if (!session_->DialogCommand(w, nullptr, out_)) Fail(L"the dialog commands need brisko-sim for now");
    } else if (is(L"clock")) {
        std::wstring text;
        for (std::size_t i = 1; i < w.size(); ++i) text += (i > 1 ? L" " : L"") + w[i];
        int y = 0, mo = 0, d = 0, h = 0, mi = 0;
        if (std::swscanf(text.c_str(), L"%d-%d-%d %d:%d", &y, &mo, &d, &h, &mi) != 5) {
            Fail(L"usage: clock <yyyy-mm-dd hh:mm>");
        }
        try {
            host_->SetNow(MakeDate({y, mo, d, h, mi, 0}));
        } catch (const RuntimeError&) {
            Fail(L"clock: no such time \"" + text + L"\"");
        }
        // Through COM the add-in reads the system's clock.
        session_->SetLocalNow(y, mo, d, h, mi);
    } else if (is(L"locale")) {
        ExpectCount(w, 2, L"locale en-US|de-DE");
        if (!EqualsNoCase(w[1], L"en-US") && !EqualsNoCase(w[1], L"de-DE")) Fail(L"usage: locale en-US|de-DE");
        // Through COM the add-in reads the system's locale.
        session_->SetUserLocale(w[1]);
    } else if (is(L"print") && w.size() == 3 && EqualsNoCase(w[1], L"dialog")) {
        std::wstring listing;
        if (!session_->DialogListing(w[2], listing)) Fail(L"the dialog commands need brisko-sim for now");
        PrintIndented(listing);
    } else if (is(L"print") && w.size() == 3 && EqualsNoCase(w[1], L"items")) {
        PrintIndented(ItemsListing(Folder(w[2])));
    } else if (is(L"print") && w.size() == 3 && EqualsNoCase(w[1], L"bars")) {
        PrintIndented(BarsListing(w[2]));
    } else if (is(L"print") && w.size() >= 2 && EqualsNoCase(w[1], L"control")) {
        ExpectCount(w, 5, L"print control <window> <bar> <path>");
        auto* control = sim::FindControlByPath(WindowNamed(w[2]).object, w[3], w[4]);
        if (!control) Fail(L"print control: no control \"" + w[4] + L"\" on \"" + w[3] + L"\"");
        PrintIndented(MaskClientTags(sim::DescribeControl(control)) + L"\n");
    } else if (is(L"activate") || is(L"deactivate") || is(L"close")) {
        ExpectCount(w, 2, L"activate|deactivate|close <window>");
        auto& win = WindowNamed(w[1]);
        if (win.object->Vanished()) Fail(L"\"" + w[1] + L"\" is closed");
        if (win.explorer) {
            auto* e = static_cast<sim::SimExplorer*>(win.object);
            if (is(L"activate")) host_->ActivateExplorer(e);
            else if (is(L"deactivate")) host_->DeactivateExplorer(e);
            else host_->CloseExplorer(e);
        } else {
            auto* i = static_cast<sim::SimInspector*>(win.object);
            if (is(L"activate")) host_->ActivateInspector(i);
            else if (is(L"deactivate")) host_->DeactivateInspector(i);
            else host_->CloseInspector(i);
        }
    } else if (is(L"switch")) {
        ExpectCount(w, 3, L"switch <explorer> <folder>");
        auto* e = ExplorerNamed(w[1]);
        host_->SwitchFolder(e, Folder(w[2]));
    } else if (is(L"select")) {
        auto* e = ExplorerNamed(arg(1));
        if (!e->CurrentFolder()) Fail(L"select: the explorer shows no folder");
        const auto& contents = e->CurrentFolder()->Contents();
        std::vector<sim::SimItem*> items;
        for (std::size_t i = 2; i < w.size(); ++i) {
            const auto n = ParseNumber(w[i], L"select");
            if (n < 1 || static_cast<std::size_t>(n) > contents.size()) {
                Fail(L"select: the folder has no item " + w[i]);
            }
            items.push_back(contents[static_cast<std::size_t>(n - 1)]);
        }
        host_->Select(e, items);
    } else if (is(L"editor")) {
        ExpectCount(w, 3, L"editor <inspector> text|html|rtf|word");
        auto& win = WindowNamed(w[1]);
        if (win.explorer) Fail(L"\"" + w[1] + L"\" is not an inspector");
        int type = 0;
        if (EqualsNoCase(w[2], L"text")) type = sim::ol::EditorText;
        else if (EqualsNoCase(w[2], L"html")) type = sim::ol::EditorHTML;
        else if (EqualsNoCase(w[2], L"rtf")) type = sim::ol::EditorRTF;
        else if (EqualsNoCase(w[2], L"word")) type = sim::ol::EditorWord;
        else Fail(L"usage: editor <inspector> text|html|rtf|word");
        host_->SetEditorType(static_cast<sim::SimInspector*>(win.object), type);
    } else if (is(L"fail")) {
        const auto& what = arg(1);
        const auto number = w.size() > 3 ? static_cast<std::int32_t>(ParseNumber(w[3], L"fail"))
                                         : sim::err::OperationFailed;
        const std::wstring description = w.size() > 4 ? w[4] : std::wstring();
        if (w.size() > 5) Fail(L"fail: too many arguments (quote a description with blanks)");
        if (EqualsNoCase(what, L"call")) {
            const auto k = ParseNumber(arg(2), L"fail call");
            if (k < 1) Fail(L"fail call: k counts host calls from 1");
            host_->FailCall(static_cast<std::uint64_t>(k), number, description);
        } else if (EqualsNoCase(what, L"member")) {
            if (arg(2).find(L'.') == std::wstring::npos) Fail(L"fail member: name it as Type.Member");
            host_->FailMember(w[2], number, description);
        } else if (EqualsNoCase(what, L"clear")) {
            ExpectCount(w, 2, L"fail clear");
            host_->ClearFaults();
        } else {
            Fail(L"usage: fail call <k> [<number> [<description>]] | fail member <Type.Member> [<number> "
                 L"[<description>]] | fail clear");
        }
    } else if (is(L"vanish")) {
        ExpectCount(w, 2, L"vanish <window | folder>");
        for (const auto& [n, win] : windows_) {
            if (EqualsNoCase(n, w[1])) {
                host_->Vanish(win.object);
                return;
            }
        }
        host_->Vanish(Folder(w[1]));
    } else if (is(L"trace")) {
        ExpectCount(w, 2, L"trace on|off");
        if (EqualsNoCase(w[1], L"on")) host_->SetTracing(true);
        else if (EqualsNoCase(w[1], L"off")) host_->SetTracing(false);
        else Fail(L"usage: trace on|off");
    } else if (is(L"log")) {
        ExpectCount(w, 2, L"log live|quiet");
        if (EqualsNoCase(w[1], L"live")) liveLog_ = true;
        else if (EqualsNoCase(w[1], L"quiet")) liveLog_ = false;
        else Fail(L"usage: log live|quiet");
    } else if (is(L"print") && w.size() == 3 && EqualsNoCase(w[1], L"recent")) {
        std::wstring listing;
        if (!session_->InProcessListing({w[1], w[2]}, listing)) {
            Fail(L"\"print recent\" reaches into the add-in's process: brisko-sim only");
        }
        std::size_t at = 0;
        for (auto nl = listing.find(L'\n'); nl != std::wstring::npos; nl = listing.find(L'\n', at)) {
            out_ << "  " << Narrow(listing.substr(at, nl - at)) << "\n";
            at = nl + 1;
        }
    } else if (is(L"print")) {
        ExpectCount(w, 2, L"print log|errors|state|options|windows|references|trace|messages | print recent move|calendars");
        const auto& what = w[1];
        if (EqualsNoCase(what, L"log")) PrintLog(false);
        else if (EqualsNoCase(what, L"errors")) PrintLog(true);
        else if (EqualsNoCase(what, L"state")) PrintState();
        else if (EqualsNoCase(what, L"options")) Fail(L"\"print options\" reaches into the add-in's process: brisko-sim only");
        else if (EqualsNoCase(what, L"messages")) Fail(L"\"print messages\" reaches into the add-in's process: brisko-sim only");
        else if (EqualsNoCase(what, L"windows")) {
            for (const auto& [n, win] : windows_) {
                out_ << "  " << Narrow(n) << "  " << (win.object->Vanished() ? "closed" : "open") << "  "
                     << Narrow(win.object->Identity()) << "\n";
            }
        } else if (EqualsNoCase(what, L"trace")) {
            // The host calls since the last print, numbered as "fail call" counts them.
            const auto& trace = host_->Trace();
            for (std::size_t i = 0; i < trace.size(); ++i) out_ << "  " << i + 1 << " " << Narrow(trace[i]) << "\n";
            host_->ClearTrace();
        } else if (EqualsNoCase(what, L"references")) {
            out_ << "  " << host_->ExternalReferences() << " references held outside the host\n";
            const auto text = host_->DescribeExternalReferences();
            if (!text.empty()) out_ << Narrow(text) << "\n";
        } else {
            Fail(L"usage: print log|errors|state|options|windows|references|trace");
        }
    } else if (is(L"registry")) {
        const auto& what = arg(1);
        if (EqualsNoCase(what, L"set")) {
            ExpectCount(w, 6, L"registry set <key path> <value name> sz|expand|dword <data>");
            bool ok = false;
            const std::string path = Narrow(w[2]);
            const std::string name = Narrow(w[3]);
            auto& registry = session_->AddinRegistry();
            if (EqualsNoCase(w[4], L"sz")) {
                ok = reg::PresetString(registry, path, name, session_->AddinCodePage().ToAnsi(w[5]));
            } else if (EqualsNoCase(w[4], L"expand")) {
                std::string data = session_->AddinCodePage().ToAnsi(w[5]);
                data.push_back('\0');
                ok = reg::Preset(registry, path, name, reg::ExpandSz, data);
            } else if (EqualsNoCase(w[4], L"dword")) {
                ok = reg::PresetDword(registry, path, name,
                                      static_cast<std::uint32_t>(ParseNumber(w[5], L"registry set")));
            } else {
                Fail(L"registry set: the type is sz, expand or dword");
            }
            if (!ok) Fail(L"registry set: the registry refused \"" + w[2] + L"\" (a path begins with HKCU, HKLM or HKCR)");
        } else if (EqualsNoCase(what, L"dump")) {
            ExpectCount(w, 3, L"registry dump <key path>");
            const auto text = reg::Dump(session_->AddinRegistry(), Narrow(w[2]));
            out_ << (text.empty() ? std::string("  (no such key)\n") : text);
        } else {
            Fail(L"usage: registry set <key path> <name> sz|expand|dword <data> | registry dump <key path>");
        }
    } else if (is(L"recent")) {
        ExpectCount(w, 4, L"recent move|calendars record|default|remove <folder>");
        InProcessWithFolders(w, {Folder(w[3])->Ref()});
    } else if (is(L"pick")) {
        // pick <kind> [current <folder>]
        if (w.size() != 2 && !(w.size() == 4 && EqualsNoCase(w[2], L"current"))) {
            Fail(L"usage: pick mail|appointment|task|post [current <folder>]");
        }
        InProcessWithFolders(w, {w.size() == 4 ? Folder(w[3])->Ref() : nullptr});
    } else if (is(L"menu")) {
        // menu recent <list> [current <folder>]
        if (!(w.size() == 3 || (w.size() == 5 && EqualsNoCase(w[3], L"current"))) || !EqualsNoCase(w[1], L"recent")) {
            Fail(L"usage: menu recent move|calendars [current <folder>]");
        }
        InProcessWithFolders(w, {w.size() == 5 ? Folder(w[4])->Ref() : nullptr});
    } else if (is(L"answer")) {
        const auto& what = arg(1);
        if (EqualsNoCase(what, L"picker")) {
            ExpectCount(w, 3, L"answer picker <folder>|cancel");
            host_->QueuePickFolderAnswer(EqualsNoCase(w[2], L"cancel") ? nullptr : Folder(w[2]));
        } else if (EqualsNoCase(what, L"msgbox") || EqualsNoCase(what, L"menu")) {
            Fail(L"\"answer " + what + L"\" reaches into the add-in's process: brisko-sim only");
        } else {
            Fail(L"usage: answer picker <folder>|cancel | answer msgbox ok|yes|no | answer menu <command id>|dismiss");
        }
    } else if (is(L"update")) {
        ExpectCount(w, 2, L"update <window>");
        sim::UpdateBars(OpenWindow(w[1]));
    } else if (is(L"press")) {
        Press(w);
    } else if (is(L"ribbon")) {
        RibbonCommand(w);
    } else if (is(L"context-menu")) {
        ContextMenu(w);
    } else if (is(L"expect")) {
        Expect(w);
    } else {
        Fail(L"unknown command \"" + cmd + L"\"");
    }
}

sim::SimObject* ScenarioRunner::OpenWindow(const std::wstring& name) {
    auto& win = WindowNamed(name);
    if (win.object->Vanished()) Fail(L"\"" + name + L"\" is closed");
    return win.object;
}

namespace {

// Why a user's click on the control did nothing.
std::wstring WhyNothing(const sim::SimCommandBarControl* control) {
    if (control->Vanished()) return L"the control is gone";
    for (const auto* popup : control->Ancestors()) {
        const std::wstring menu = L"the menu \"" + popup->caption + L"\"";
        if (popup->Vanished()) return menu + L" is gone";
        if (!popup->visible) return menu + L" is hidden";
        if (!popup->enabled) return menu + L" is disabled";
    }
    if (!control->visible) return L"the control is hidden";
    if (!control->enabled) return L"the control is disabled";
    return L"the control did not respond";
}

}  // namespace

// press <window> <bar> <path>: the user clicks the control; what the user saw is printed.
void ScenarioRunner::Press(const std::vector<std::wstring>& w) {
    ExpectCount(w, 4, L"press <window> <bar> <path>   (the path: popups, then the control, separated by \"/\")");
    auto* window = OpenWindow(w[1]);
    const std::wstring where = w[2] + L"/" + w[3];
    auto* control = sim::FindControlByPath(window, w[2], w[3]);
    if (!control) {
        out_ << "  nothing: no control " << Narrow(Quoted(w[3])) << " on " << Narrow(Quoted(w[2])) << "\n";
        return;
    }
    bool pressed = false;
    std::ostringstream opened;
    session_->SurfaceAction([&] { pressed = sim::Press(control); }, opened);
    if (pressed) out_ << "  pressed " << Narrow(where) << "\n";
    else out_ << "  nothing: " << Narrow(WhyNothing(control)) << "\n";
    out_ << opened.str();
}

std::wstring ScenarioRunner::BarsListing(const std::wstring& name) {
    // A closed mail window's bars outlive it: what the add-in left on them shows.
    auto* window = WindowNamed(name).object;
    if (!sim::ExistingCommandBarsOf(window)) return L"(no command bars)\n";
    std::wstring text = MaskClientTags(sim::ListAddinControls(window));
    if (text.empty()) text = L"(no bars)\n";
    return text;
}

std::wstring ScenarioRunner::RibbonListing(const std::wstring& name, const std::wstring& only) {
    auto* window = OpenWindow(name);
    auto shown = host_->Ribbon().Show(window);
    if (shown.empty()) return L"(no tab of the add-in)\n";
    if (!only.empty()) {
        // The element and what it holds.
        std::size_t first = 0;
        while (first < shown.size() && shown[first].id != only) ++first;
        if (first == shown.size()) Fail(L"ribbon show: no element \"" + only + L"\" in the add-in's tab");
        std::size_t end = first + 1;
        while (end < shown.size() && shown[end].depth > shown[first].depth) ++end;
        shown = std::vector<sim::RibbonControlState>(shown.begin() + static_cast<std::ptrdiff_t>(first),
                                                     shown.begin() + static_cast<std::ptrdiff_t>(end));
        const int base = shown.front().depth;
        for (auto& c : shown) c.depth -= base;
    }
    std::wstring text = sim::SimRibbon::DescribeShow(shown);
    if (!text.empty() && text.back() != L'\n') text += L'\n';
    return text;
}

// ribbon markup <RibbonID> <file> | ribbon show <window> | ribbon click <window> <control id> |
// ribbon asked
void ScenarioRunner::RibbonCommand(const std::vector<std::wstring>& w) {
    const wchar_t* usage =
        L"usage: ribbon markup <RibbonID> <file> | ribbon show <window> [<element id>] | ribbon click <window> <control id> | "
        L"ribbon asked";
    if (w.size() < 2) Fail(usage);
    auto& ribbon = host_->Ribbon();
    const auto& what = w[1];
    if (EqualsNoCase(what, L"markup")) {
        ExpectCount(w, 4, L"ribbon markup <RibbonID> <file>");
        if (!ribbon.IsAttached()) Fail(L"ribbon markup: no add-in is attached to the ribbon (Outlook 2007 and later, after connect)");
        const std::string markup = ToUtf8(ribbon.AskCustomUI(w[2]));
        std::ofstream file(std::filesystem::path(w[3]), std::ios::binary | std::ios::trunc);
        if (!file.write(markup.data(), static_cast<std::streamsize>(markup.size())) || !file.flush()) {
            Fail(L"ribbon markup: cannot write \"" + w[3] + L"\"");
        }
        out_ << "  " << markup.size() << " bytes of markup for " << Narrow(w[2]) << " written to " << Narrow(w[3])
             << "\n";
    } else if (EqualsNoCase(what, L"show")) {
        if (w.size() != 3 && w.size() != 4) Fail(L"usage: ribbon show <window> [<element id>]");
        PrintIndented(RibbonListing(w[2], w.size() == 4 ? w[3] : std::wstring()));
    } else if (EqualsNoCase(what, L"click")) {
        ExpectCount(w, 4, L"ribbon click <window> <control id>");
        auto* window = OpenWindow(w[2]);
        bool clicked = false;
        std::ostringstream opened;
        session_->SurfaceAction([&] { clicked = ribbon.Click(window, w[3]); }, opened);
        if (clicked) out_ << "  clicked " << Narrow(w[3]) << "\n";
        else out_ << "  nothing: " << Narrow(w[3]) << " is not on the ribbon, or hidden or disabled\n";
        out_ << opened.str();
    } else if (EqualsNoCase(what, L"asked")) {
        ExpectCount(w, 2, L"ribbon asked");
        if (ribbon.AskedTypes().empty()) out_ << "  (no ribbon type asked)\n";
        for (const auto& type : ribbon.AskedTypes()) out_ << "  " << Narrow(type) << "\n";
    } else {
        Fail(usage);
    }
}

// context-menu <explorer> | context-menu close
void ScenarioRunner::ContextMenu(const std::vector<std::wstring>& w) {
    ExpectCount(w, 2, L"context-menu <explorer> | context-menu close");
    if (EqualsNoCase(w[1], L"close")) {
        host_->CloseItemContextMenu();
        return;
    }
    auto* explorer = ExplorerNamed(w[1]);
    if (explorer->Vanished()) Fail(L"\"" + w[1] + L"\" is closed");
    auto* bar = host_->ShowItemContextMenu(explorer);
    if (!bar) {
        out_ << "  (this Outlook has no item context menu for add-ins)\n";
        return;
    }
    std::wstring text = MaskClientTags(sim::ListAddinControls(bar));
    if (text.empty()) text = L"(no entries of the add-in)\n";
    PrintIndented(text);
}

void ScenarioRunner::InProcessWithFolders(const std::vector<std::wstring>& w, const std::vector<ObjectPtr>& folders) {
    if (!session_->InProcessFolderCommand(w, folders, out_)) {
        Fail(L"\"" + w[0] + L"\" reaches into the add-in's process: brisko-sim only");
    }
}

std::wstring ScenarioRunner::StateText() {
    if (session_->Loaded()) return session_->State();
    if (!connectedOnce_) return L"Not loaded";
    return lastState_;
}

int ScenarioRunner::TrackedExplorers() { return session_->Loaded() ? session_->TrackedExplorers() : 0; }

std::vector<std::wstring> ScenarioRunner::LogLines() {
    std::vector<std::wstring> lines;
    for (const auto& r : session_->Log()) lines.push_back(FormatRecord(r));
    return lines;
}

void ScenarioRunner::PrintIndented(const std::wstring& text) {
    std::size_t at = 0;
    for (auto nl = text.find(L'\n'); nl != std::wstring::npos; nl = text.find(L'\n', at)) {
        out_ << "  " << Narrow(text.substr(at, nl - at)) << "\n";
        at = nl + 1;
    }
}

void ScenarioRunner::PrintNewLog() {
    const auto& log = session_->Log();
    for (; printedLog_ < log.size(); ++printedLog_) out_ << "  " << Narrow(FormatRecord(log[printedLog_])) << "\n";
}

void ScenarioRunner::PrintLog(bool errorsOnly) {
    const auto& log = session_->Log();
    for (const auto& r : log) {
        if (!errorsOnly || r.level == 3) out_ << "  " << Narrow(FormatRecord(r)) << "\n";
    }
    printedLog_ = log.size();
}

void ScenarioRunner::PrintState() {
    out_ << "  state: " << Narrow(StateText()) << "\n";
    out_ << "  host: Outlook " << Narrow(host_->Version()) << ", " << host_->OpenExplorers().size()
         << " explorer(s), " << host_->OpenInspectors().size() << " inspector(s) open\n";
    out_ << "  tracked explorers: " << TrackedExplorers() << "\n";
    out_ << "  references held outside the host: " << host_->ExternalReferences() << "\n";
}

void ScenarioRunner::Expect(const std::vector<std::wstring>& w) {
    if (w.size() < 3) Fail(L"usage: expect state|log|no-log|errors|escaped|references|tracked ...");
    const auto& what = w[1];
    std::wstring rest;
    for (std::size_t i = 2; i < w.size(); ++i) rest += (i > 2 ? L" " : L"") + w[i];
    bool held = false;
    std::wstring actual;
    auto count = [&](long n) {
        const auto expected = ParseNumber(rest, L"expect");
        actual = std::to_wstring(n);
        held = n == expected;
    };
    if (EqualsNoCase(what, L"state")) {
        actual = StateText();
        held = EqualsNoCase(actual, rest);
    } else if (EqualsNoCase(what, L"log") || EqualsNoCase(what, L"no-log")) {
        bool found = false;
        for (const auto& l : LogLines()) found = found || l.find(rest) != std::wstring::npos;
        held = EqualsNoCase(what, L"log") ? found : !found;
        actual = found ? L"a line contains it" : L"no line contains it";
    } else if (EqualsNoCase(what, L"errors")) {
        long n = 0;
        for (const auto& r : session_->Log()) n += r.level == 3 ? 1 : 0;
        count(n);
    } else if (EqualsNoCase(what, L"escaped")) {
        count(escaped_ + static_cast<long>(host_->EscapedErrors().size()));
    } else if (EqualsNoCase(what, L"references")) {
        count(host_->ExternalReferences());
    } else if (EqualsNoCase(what, L"tracked")) {
        count(TrackedExplorers());
    } else if (EqualsNoCase(what, L"registry")) {
        if (w.size() != 4) Fail(L"usage: expect registry <key path> <<   (the listing, then a line \".\")");
        actual = FromUtf8(reg::Dump(session_->AddinRegistry(), Narrow(w[2])));
        held = actual == w[3];
        rest = w[2];
        if (!held) actual = L"\n" + actual;
    } else if (EqualsNoCase(what, L"recent")) {
        if (w.size() != 4) Fail(L"usage: expect recent move|calendars <<   (the listing, then a line \".\")");
        if (!session_->InProcessListing({w[1], w[2]}, actual)) {
            Fail(L"\"expect recent\" reaches into the add-in's process: brisko-sim only");
        }
        held = actual == w[3];
        rest = w[2];
        if (!held) actual = L"\n" + actual;
    } else if (EqualsNoCase(what, L"ribbon-problems")) {
        count(ribbonProblems_);
    } else if (EqualsNoCase(what, L"bars") || EqualsNoCase(what, L"ribbon")) {
        if (w.size() != 4) Fail(L"usage: expect bars <window> <<  |  expect ribbon <window> <<   (the listing, then a line \".\")");
        actual = EqualsNoCase(what, L"bars") ? BarsListing(w[2]) : RibbonListing(w[2], {});
        held = actual == w[3];
        rest = w[2];
        if (!held) actual = L"\n" + actual;
    } else if (EqualsNoCase(what, L"dialog") || EqualsNoCase(what, L"items")) {
        if (w.size() != 4) Fail(L"usage: expect dialog <dialog> <<  |  expect items <folder> <<   (the listing, then a line \".\")");
        if (EqualsNoCase(what, L"items")) {
            actual = ItemsListing(Folder(w[2]));
        } else if (!session_->DialogListing(w[2], actual)) {
            Fail(L"the dialog commands need brisko-sim for now");
        }
        held = actual == w[3];
        rest = w[2];
        if (!held) actual = L"\n" + actual;
    } else {
        Fail(L"unknown expectation \"" + what +
             L"\" (state, log, no-log, errors, escaped, ribbon-problems, references, tracked, registry, recent, dialog, items, "
             L"bars, ribbon)");
    }
    ++expectations_;
    if (!held) {
        ++failed_;
        out_ << "  FAILED: expected " << Narrow(what) << " " << Narrow(rest) << "; actual: " << Narrow(actual)
             << "\n";
    }
}

}  // namespace brisko::tools
