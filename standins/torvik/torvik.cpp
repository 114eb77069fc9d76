// Torvik.dll: the support library's exports. Every export takes the client handle (the client
// module's instance handle) first, keeps state per client, answers a result code from
// torvik_results.h and lets no exception out.
//
//   TorvikInitEx(client, record)           checks the 180-byte record, keeps the callbacks and the
//                                          window rectangle; ends the client's earlier session
//   TorvikInitComplete(client)             marks the session complete, writes an INFO record
//   TorvikLogMsg(client, message, errNo, procedure, level, detail)
//                                          one log record (see log.h), no InitEx needed
//   TorvikAddAboutMenu(client, menuBar)    the About entry on a command bar or an explorer's menu
//                                          bar, one per bar and client (see about_menu.h)
//   TorvikShowAbout(client)                the About box (see about_box.h)
//   TorvikShowContextHelp(client, topic)   a help topic (see help.h), no InitEx needed
//   TorvikGetLogFileW(client, buffer, capacity)
//                                          the client's log file path: returns its length in
//                                          characters and copies it with a NUL when it fits;
//                                          0 for an invalid client
//
// The Application pointer in the record is not used: it is valid only during TorvikInitEx.
// Callbacks are called only while the client module is still loaded. The library keeps no
// reference to the host's objects: an About entry is a temporary button that the host owns, with
// the entry's click sink advised on it. The host may call such a sink at any time, so once one is
// out the library pins itself in memory (it stays loaded until the process ends). A click
// resolves the client anew and shows its About box while the client module is loaded and
// initialised; an entry whose client went (module unloaded or replaced) ignores clicks, and a new
// InitEx of the same module keeps its entries. When the library is unloaded (FreeLibrary, only
// possible while no sink is out) it closes the About boxes; at process exit it touches nothing. A
// log file is open only while a record is written.
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "about_box.h"
#include "about_menu.h"
#include "help.h"
#include "log.h"
#include "module_info.h"
#include "texts.h"
#include "torvik_results.h"
#include "win_util.h"

namespace torvik {

namespace {

using TextFn = BSTR(__stdcall*)();
using VersionTextsFn = void*(__stdcall*)(BSTR*);

constexpr std::size_t kMaxText = 32768;

HINSTANCE g_instance = nullptr;

std::uint32_t U32(const std::uint8_t* record, std::uint32_t offset) {
    std::uint32_t v = 0;
    std::memcpy(&v, record + offset, sizeof v);
    return v;
}

template <class T>
T* AddressOf(std::uint32_t value) {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(value));
}

class Client {
public:
    explicit Client(std::uint32_t handle) : handle_(handle) {}
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    std::uint32_t handle() const { return handle_; }
    const ModuleInfo& info() const { return info_; }
    bool initialised() const { return initialised_; }
    const std::shared_ptr<LogFile>& log() const { return log_; }

    // Reads the module's identity and the log settings anew.
    bool Refresh(LogFiles& files) {
        ModuleInfo info;
        if (!ReadModuleInfo(Module(), info)) return false;
        info_ = std::move(info);
        company_ = FolderName(info_.company, info_.baseName);
        product_ = FolderName(info_.product, info_.baseName);
        debugLevel_ = ReadDebugLevel(company_, product_);
        const std::wstring path = LogFilePath(LogBaseFolder(), company_, product_);
        log_ = path.empty() ? nullptr : files.Get(path);
        return true;
    }

    // A new InitEx of the same module: its About entries stay and serve the new session (a
    // click resolves the client anew).
    void EndSession() noexcept {
        about_.reset();
        initialised_ = complete_ = false;
        email_ = lang_ = nullptr;
        versionTexts_ = nullptr;
        rect_.reset();
    }

    // The client is gone (its module unloaded or replaced) or the library is: its About entries
    // ignore clicks from now on. The host keeps their sinks as long as the buttons live.
    void Forget() noexcept {
        EndSession();
        std::vector<ComPtr<ClickSink>> sinks;
        {
            std::lock_guard lock(sinksMutex_);
            sinks.swap(sinks_);
        }
        for (auto& s : sinks) s->Detach();
    }

    std::int32_t Begin(const std::uint8_t* record) {
        EndSession();
        if (!record || !IsReadable(record, sizeof(std::uint32_t))) return Refuse(L"Torvik.InitEx", kBadRecord, L"No init record");
        const std::uint32_t size = U32(record, record::kSizeField);
        if (size != record::kSize)
            return Refuse(L"Torvik.InitEx", kBadRecordSize,
                          L"Init record size " + std::to_wstring(size) + L", expected " +
                              std::to_wstring(record::kSize));
        if (!IsReadable(record, record::kSize)) return Refuse(L"Torvik.InitEx", kBadRecord, L"Init record unreadable");

        const std::uint32_t email = U32(record, record::kEmailCallback);
        const std::uint32_t lang = U32(record, record::kLangCallback);
        const std::uint32_t texts = U32(record, record::kVersionTextsCallback);
        for (const auto& [offset, value] : {std::pair{record::kEmailCallback, email},
                                            std::pair{record::kLangCallback, lang},
                                            std::pair{record::kVersionTextsCallback, texts}}) {
            if (value != 0 && !IsExecutable(AddressOf<const void>(value)))
                return Refuse(L"Torvik.InitEx", kBadRecordAddress,
                              L"Callback at offset " + std::to_wstring(offset) + L" is not code");
        }
        std::optional<WindowRect> rect;
        if (const std::uint32_t at = U32(record, record::kWindowRect); at != 0) {
            const auto* p = AddressOf<const std::uint8_t>(at);
            if (!IsReadable(p, sizeof(WindowRect)))
                return Refuse(L"Torvik.InitEx", kBadRecordAddress, L"Window rectangle unreadable");
            WindowRect r{};
            std::memcpy(&r, p, sizeof r);
            rect = r;
        }
        email_ = reinterpret_cast<TextFn>(static_cast<std::uintptr_t>(email));
        lang_ = reinterpret_cast<TextFn>(static_cast<std::uintptr_t>(lang));
        versionTexts_ = reinterpret_cast<VersionTextsFn>(static_cast<std::uintptr_t>(texts));
        rect_ = rect;
        initialised_ = true;
        return kOk;
    }

    std::int32_t Complete() {
        if (!initialised_) return kNotInitialised;
        complete_ = true;
        std::wstring text = L"Initialisation complete: " + info_.product;
        if (!info_.version.empty()) text += L" " + info_.version;
        text += L", debug level " + std::to_wstring(debugLevel_);
        Write(kLevelInfo, 1, L"Torvik.InitComplete", 0, text);
        return kOk;
    }

    std::int32_t Log(std::int32_t level, std::int32_t detail, const std::wstring& procedure, std::int32_t number,
                     const std::wstring& message) {
        if (!IsWanted(level, detail, debugLevel_)) return kOk;
        return Write(level, detail, procedure, number, message);
    }

    // A refused call, recorded as a WARNING of the library's own; answers the code.
    std::int32_t Refuse(const wchar_t* procedure, std::int32_t code, const std::wstring& text) {
        Write(kLevelWarning, 1, procedure, code, text);
        return code;
    }

    std::int32_t AddAboutMenu(IDispatch* menuBar) {
        if (!initialised_) return kNotInitialised;
        const std::wstring caption = TextsFor(LangId()).menuCaption + info_.product + L"...";
        wchar_t tag[40];
        wsprintfW(tag, L"Torvik.About.%08X", handle_);
        const std::uint32_t handle = handle_;
        ComPtr<ClickSink> sink;
        const std::int32_t result = AddAboutEntry(menuBar, caption, tag, [handle] { ShowAboutOf(handle); }, sink);
        if (sink) {
            std::lock_guard lock(sinksMutex_);
            // Sinks the host let go (their buttons are gone) are not kept.
            std::erase_if(sinks_, [](const ComPtr<ClickSink>& s) { return s->HeldOnlyByCaller(); });
            sinks_.push_back(std::move(sink));
        }
        return result;
    }

    std::int32_t ShowAbout() {
        if (!initialised_) return kNotInitialised;
        if (about_ && about_->IsOpen()) {
            about_->BringToFront();
            return kOk;
        }
        const AboutContent content = Content();
        if (!initialised_) return kNotInitialised;  // a callback ended the session
        auto box = AboutBox::Open(g_instance, content);
        if (!box) return kWindowFailed;
        about_ = std::move(box);
        return kOk;
    }

    static void ShowAboutOf(std::uint32_t handle) noexcept;

    // The client's language (its LangID callback); empty before InitEx or without the callback.
    std::wstring LangId() const { return CallText(lang_); }

private:
    HMODULE Module() const { return reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(handle_)); }
    bool ModuleLoaded() const { return !info_.path.empty() && ModulePath(Module()) == info_.path; }

    std::int32_t Write(std::int32_t level, std::int32_t detail, const std::wstring& procedure, std::int32_t number,
                       const std::wstring& message) {
        if (!log_) return kLogUnavailable;
        SYSTEMTIME now;
        GetLocalTime(&now);
        const bool flush = level == kLevelWarning || level == kLevelError;
        return log_->Append(FormatLine(now, level, detail, procedure, number, message), flush) ? kOk
                                                                                               : kLogUnavailable;
    }

    std::wstring CallText(TextFn fn) const {
        if (!fn || !ModuleLoaded() || !IsExecutable(reinterpret_cast<const void*>(fn))) return {};
        return TakeBstr(fn());
    }

    void VersionTexts(std::wstring (&texts)[3]) const {
        const VersionTextsFn fn = versionTexts_;
        if (!fn || !ModuleLoaded() || !IsExecutable(reinterpret_cast<const void*>(fn))) return;
        BSTR record[3] = {nullptr, nullptr, nullptr};
        fn(record);
        for (int i = 0; i < 3; ++i) texts[i] = TakeBstr(record[i]);
    }

    AboutContent Content() const {
        const UiTexts& ui = TextsFor(LangId());
        std::wstring texts[3];  // comments, file description, legal copyright
        VersionTexts(texts);
        if (texts[0].empty()) texts[0] = info_.comments;
        if (texts[1].empty()) texts[1] = info_.description;
        if (texts[2].empty()) texts[2] = info_.copyright;
        AboutContent c;
        c.caption = ui.aboutCaption + info_.product;
        c.product = info_.product;
        if (!info_.version.empty()) c.product += L"\r\n" + std::wstring(ui.version) + info_.version;
        c.comments = texts[0];
        c.description = texts[1];
        c.copyright = texts[2];
        if (const std::wstring email = CallText(email_); !email.empty()) c.email = ui.registeredTo + email;
        c.ok = ui.ok;
        c.rect = rect_;
        return c;
    }

    std::uint32_t handle_;
    ModuleInfo info_;
    std::wstring company_;
    std::wstring product_;
    std::uint32_t debugLevel_ = 0;
    std::shared_ptr<LogFile> log_;
    bool initialised_ = false;
    bool complete_ = false;
    TextFn email_ = nullptr;
    TextFn lang_ = nullptr;
    VersionTextsFn versionTexts_ = nullptr;
    std::optional<WindowRect> rect_;
    std::unique_ptr<AboutBox> about_;
    std::mutex sinksMutex_;
    std::vector<ComPtr<ClickSink>> sinks_;  // of the About entries; no host reference
};

class Library {
public:
    ~Library() {
        std::map<std::uint32_t, std::shared_ptr<Client>> clients;
        {
            std::lock_guard lock(mutex_);
            clients.swap(clients_);
        }
        for (auto& [handle, client] : clients) client->Forget();
    }

    // The client of a handle, made at its first call; a handle that is not a loaded module's
    // answers kInvalidClient and forgets any state kept for it.
    std::shared_ptr<Client> Resolve(std::uint32_t handle, std::int32_t& result) {
        result = kInvalidClient;
        if (handle == 0) return nullptr;
        const std::wstring path = ModulePath(reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(handle)));
        std::shared_ptr<Client> gone;
        std::shared_ptr<Client> client;
        {
            std::lock_guard lock(mutex_);
            auto it = clients_.find(handle);
            if (it != clients_.end() && it->second->info().path == path) {
                result = kOk;
                return it->second;
            }
            if (it != clients_.end()) {
                gone = it->second;
                clients_.erase(it);
            }
        }
        if (gone) gone->Forget();
        if (path.empty()) return nullptr;
        client = std::make_shared<Client>(handle);
        if (!client->Refresh(logs_)) return nullptr;
        std::lock_guard lock(mutex_);
        auto& slot = clients_[handle];
        if (!slot) slot = client;  // a callback may have made it meanwhile
        result = kOk;
        return slot;
    }

    LogFiles& logs() { return logs_; }

private:
    std::mutex mutex_;
    std::map<std::uint32_t, std::shared_ptr<Client>> clients_;
    LogFiles logs_;
};

// Made at the first call, destroyed when the library is unloaded; left alone at process exit.
Library* g_library = nullptr;

Library& TheLibrary() {
    if (!g_library) g_library = new Library();
    return *g_library;
}

void Client::ShowAboutOf(std::uint32_t handle) noexcept {
    try {
        if (!g_library) return;
        std::int32_t result = kOk;
        if (auto client = g_library->Resolve(handle, result)) client->ShowAbout();
    } catch (...) {
    }
}

template <class F>
std::int32_t Guarded(F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return kInternal;
    }
}

}  // namespace

}  // namespace torvik

using namespace torvik;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        try {
            delete std::exchange(g_library, nullptr);
        } catch (...) {
        }
    }
    return TRUE;
}

std::int32_t __stdcall TorvikInitEx(std::uint32_t client, const std::uint8_t* record) {
    return Guarded([&]() -> std::int32_t {
        std::int32_t result = kOk;
        auto c = TheLibrary().Resolve(client, result);
        if (!c) return result;
        c->Refresh(TheLibrary().logs());
        return c->Begin(record);
    });
}

std::int32_t __stdcall TorvikInitComplete(std::uint32_t client) {
    return Guarded([&]() -> std::int32_t {
        std::int32_t result = kOk;
        auto c = TheLibrary().Resolve(client, result);
        return c ? c->Complete() : result;
    });
}

std::int32_t __stdcall TorvikLogMsg(std::uint32_t client, const char* message, std::int32_t errNo,
                                    const char* procedure, std::int32_t level, std::int32_t detail) {
    return Guarded([&]() -> std::int32_t {
        std::int32_t result = kOk;
        auto c = TheLibrary().Resolve(client, result);
        if (!c) return result;
        std::string m;
        std::string p;
        if (!ReadAnsi(message, kMaxText, m) || !ReadAnsi(procedure, kMaxText, p)) return kBadArgument;
        return c->Log(level, detail, AnsiToWide(p), errNo, AnsiToWide(m));
    });
}

std::int32_t __stdcall TorvikAddAboutMenu(std::uint32_t client, std::uint32_t menuBar) {
    return Guarded([&]() -> std::int32_t {
        std::int32_t result = kOk;
        auto c = TheLibrary().Resolve(client, result);
        if (!c) return result;
        auto* bar = reinterpret_cast<IDispatch*>(static_cast<std::uintptr_t>(menuBar));
        if (!LooksLikeInterface(bar, 7)) return c->initialised() ? kBadArgument : kNotInitialised;
        return c->AddAboutMenu(bar);
    });
}

std::int32_t __stdcall TorvikShowAbout(std::uint32_t client) {
    return Guarded([&]() -> std::int32_t {
        std::int32_t result = kOk;
        auto c = TheLibrary().Resolve(client, result);
        return c ? c->ShowAbout() : result;
    });
}

std::int32_t __stdcall TorvikShowContextHelp(std::uint32_t client, const char* topic) {
    return Guarded([&]() -> std::int32_t {
        std::int32_t result = kOk;
        auto c = TheLibrary().Resolve(client, result);
        if (!c) return result;
        std::string t;
        if (!ReadAnsi(topic, MAX_PATH, t)) return kBadArgument;
        std::wstring path;
        result = HelpTopicPath(c->info().folder, AnsiToWide(t), c->LangId(), path);
        if (result == kHelpNotFound) return c->Refuse(L"Torvik.ShowContextHelp", result, L"Help topic not found: " + path);
        if (result != kOk) return c->Refuse(L"Torvik.ShowContextHelp", result, L"Help topic refused: " + AnsiToWide(t));
        result = OpenHelpFile(path);
        if (result != kOk) return c->Refuse(L"Torvik.ShowContextHelp", result, L"Help could not be opened: " + path);
        return kOk;
    });
}

std::int32_t __stdcall TorvikGetLogFileW(std::uint32_t client, wchar_t* buffer, std::int32_t capacity) {
    return Guarded([&]() -> std::int32_t {
        std::int32_t result = kOk;
        auto c = TheLibrary().Resolve(client, result);
        if (!c || !c->log()) return 0;
        const std::wstring& path = c->log()->path();
        const auto length = static_cast<std::int32_t>(path.size());
        if (buffer && capacity > length && IsWritable(buffer, static_cast<std::size_t>(capacity) * sizeof(wchar_t))) {
            std::memcpy(buffer, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        }
        return length;
    });
}

}  // extern "C"
