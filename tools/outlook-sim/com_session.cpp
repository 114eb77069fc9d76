#include "tools/outlook-sim/com_session.h"

#include <objbase.h>
#include <oleauto.h>

#include <cstdio>

#include "automation/text.h"
#include "automation/win/object_dispatch.h"
#include "platform/win/user_classes.h"
#if __has_include("tools/outlook-sim/com_ribbon.h")
#include "tools/outlook-sim/com_ribbon.h"
#define BRISKO_COM_RIBBON 1
#endif

namespace brisko::tools {

namespace {

constexpr wchar_t kAddinsKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins";

// The add-in's COMAddIn object as the host hands it over.
class AddInObject : public Object {
public:
    explicit AddInObject(std::wstring progId) : progId_(std::move(progId)) {}
    Value Invoke(std::wstring_view name, CallKind, Args&) override {
        if (name == L"ProgId") return Value(progId_);
        if (name == L"Connect") return Value(true);
        return {};
    }
    std::wstring TypeName() const override { return L"COMAddIn"; }

private:
    std::wstring progId_;
};

// ProgIDs whose LoadBehavior asks for loading at start-up (3: connected, at start-up).
std::vector<std::wstring> StartupAddins() {
    std::vector<std::wstring> ids;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kAddinsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return ids;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD chars = 256;
        if (RegEnumKeyExW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DWORD behaviour = 0;
        DWORD size = sizeof behaviour;
        if (RegGetValueW(key, name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behaviour, &size) == ERROR_SUCCESS &&
            (behaviour & 3) == 3)
            ids.emplace_back(name);
    }
    RegCloseKey(key);
    return ids;
}

// The file of the in-process server that implements the ProgID; empty when unregistered.
std::wstring ServerPath(const std::wstring& progId) {
    CLSID clsid{};
    if (FAILED(win::ClassIdFromName(progId, clsid))) return {};
    return win::InprocServerPath(clsid);
}

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::int32_t LevelOf(const std::string& name) {
    if (name == "DEBUG") return 1;
    if (name == "WARNING") return 2;
    if (name == "ERROR") return 3;
    return 4;
}

// One line of the support library's log: time, level, detail, procedure, error number, message.
bool ParseLogLine(const std::string& line, LogEntry& entry) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (fields.size() < 5) {
        const auto tab = line.find('\t', start);
        if (tab == std::string::npos) return false;
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    entry.level = LevelOf(fields[1]);
    entry.detail = std::atoi(fields[2].c_str());
    entry.procedure = FromUtf8(fields[3]);
    entry.errorNumber = static_cast<std::int32_t>(std::strtol(fields[4].c_str(), nullptr, 10));
    entry.message = FromUtf8(fields[5]);
    return true;
}

// The ribbon host's endpoint for the add-in (nothing while the build has none).
ObjectPtr MakeRibbonEndpoint([[maybe_unused]] IUnknown* addin) {
#ifdef BRISKO_COM_RIBBON
    return MakeComRibbonEndpoint(addin);
#else
    return nullptr;
#endif
}

}  // namespace

ComSession::ComSession(std::wstring observedProgId)
    : observed_(std::move(observedProgId)),
      custom_(win::SafeArray::Attach(SafeArrayCreateVector(VT_VARIANT, 0, 0))) {
    customRef_ = custom_.Get();
}

ComSession::~ComSession() {
    // As the host ends: the add-ins are released, then the Application.
    state_ = nullptr;
    addins_.clear();
    application_ = nullptr;
}

template <class F>
void ComSession::ForEach(const wchar_t* entry, F&& call) {
    for (auto& a : addins_) {
        const HRESULT hr = call(a);
        if (FAILED(hr)) escaped_.push_back(a.progId + L"." + entry + L": " + Hex(hr));
    }
}

void ComSession::FindLogFile(const std::wstring& progId) {
    if (!logFile_.empty()) return;
    const std::wstring server = ServerPath(progId);
    HMODULE module = server.empty() ? nullptr : GetModuleHandleW(server.c_str());
    if (!module) return;
    if (!torvik_) {
        const auto slash = server.find_last_of(L"\\/");
        const std::wstring folder = slash == std::wstring::npos ? std::wstring() : server.substr(0, slash + 1);
        torvik_.reset(LoadLibraryW((folder + L"Torvik.dll").c_str()));
        if (!torvik_) return;
    }
    using GetLogFile = std::int32_t(__stdcall*)(std::uint32_t, wchar_t*, std::int32_t);
    auto get = reinterpret_cast<GetLogFile>(reinterpret_cast<void*>(GetProcAddress(torvik_.get(), "TorvikGetLogFileW")));
    if (!get) return;
    wchar_t buffer[1024] = {};
    const auto n = get(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(module)), buffer, 1024);
    if (n <= 0 || n >= 1024) return;
    logFile_.assign(buffer, static_cast<std::size_t>(n));
    // Only what this session adds is read.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(logFile_.c_str(), GetFileExInfoStandard, &data)) {
        logOffset_ = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
}

void ComSession::Connect(const ObjectPtr& application, std::int32_t mode) {
    std::vector<Addin> loaded;
    bool observedFound = false;
    for (const auto& progId : StartupAddins()) {
        CLSID clsid{};
        win::ComPtr<IUnknown> unknown;
        // As Outlook finds them, also when registered for the user only (user_classes.h).
        HRESULT hr = win::ClassIdFromName(progId, clsid);
        if (SUCCEEDED(hr)) hr = win::CreateInstance(clsid, IID_IUnknown, unknown.PutVoid());
        auto extensibility = unknown.As<IDTExtensibility2>(IID_IDTExtensibility2);
        if (!extensibility) {
            escaped_.push_back(progId + L": not loaded (" + Hex(hr) + L")");
            continue;
        }
        if (EqualsNoCase(progId, observed_)) {
            observedFound = true;
            state_ = unknown.As<_Connect>(IID__Connect);
            FindLogFile(progId);
        }
        loaded.push_back({progId, extensibility, win::ExposeObject(std::make_shared<AddInObject>(progId)), unknown});
    }
    if (!observedFound) {
        // What failed to load says why.
        std::wstring why;
        for (const auto& e : escaped_) why += L"; " + e;
        Fail(observed_ + L" is not registered to load at start-up (outlook-sim --register <its DLL>)" + why);
    }
    addins_ = std::move(loaded);
    application_ = win::ExposeObject(application);
    ForEach(L"OnConnection", [&](Addin& a) {
        return a.extensibility->OnConnection(application_.Get(), static_cast<ext_ConnectMode>(mode),
                                             a.addInInst.Get(), &customRef_);
    });
}

void ComSession::StartupComplete() {
    ForEach(L"OnStartupComplete", [&](Addin& a) { return a.extensibility->OnStartupComplete(&customRef_); });
}

void ComSession::BeginShutdown() {
    ForEach(L"OnBeginShutdown", [&](Addin& a) { return a.extensibility->OnBeginShutdown(&customRef_); });
}

std::wstring ComSession::Disconnect(std::int32_t mode) {
    ForEach(L"OnDisconnection", [&](Addin& a) {
        return a.extensibility->OnDisconnection(static_cast<ext_DisconnectMode>(mode), &customRef_);
    });
    const std::wstring state = State();
    state_ = nullptr;
    addins_.clear();
    application_ = nullptr;
    return state;
}

std::wstring ComSession::State() {
    if (!state_) return L"(no state: the add-in has no _Connect)";
    BSTR text = nullptr;
    const HRESULT hr = state_->get_State(&text);
    std::wstring s = SUCCEEDED(hr) && text ? std::wstring(text, SysStringLen(text)) : L"(State failed: " + Hex(hr) + L")";
    SysFreeString(text);
    return s;
}

int ComSession::TrackedExplorers() {
    LONG n = 0;
    if (!state_ || FAILED(state_->get_TrackedExplorers(&n))) return -1;
    return static_cast<int>(n);
}

const std::vector<LogEntry>& ComSession::Log() {
    if (logFile_.empty()) return log_;
    struct File {
        HANDLE h;
        ~File() {
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
    } file{CreateFileW(logFile_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) return log_;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(logOffset_);
    if (SetFilePointerEx(file.h, at, nullptr, FILE_BEGIN)) {
        char buffer[8192];
        DWORD got = 0;
        while (ReadFile(file.h, buffer, sizeof buffer, &got, nullptr) && got > 0) {
            partial_.append(buffer, got);
            logOffset_ += got;
        }
    }
    std::size_t start = 0;
    for (auto end = partial_.find("\r\n"); end != std::string::npos; end = partial_.find("\r\n", start)) {
        LogEntry entry;
        // The support library's own records are not the add-in's.
        if (ParseLogLine(partial_.substr(start, end - start), entry) && entry.procedure.rfind(L"Torvik.", 0) != 0) {
            log_.push_back(std::move(entry));
        }
        start = end + 2;
    }
    partial_.erase(0, start);
    return log_;
}

ObjectPtr ComSession::RibbonAddin() {
    for (auto& a : addins_) {
        if (EqualsNoCase(a.progId, observed_)) return MakeRibbonEndpoint(a.unknown.Get());
    }
    return nullptr;
}

std::vector<std::wstring> ComSession::TakeEscapedErrors() { return std::exchange(escaped_, {}); }

}  // namespace brisko::tools
