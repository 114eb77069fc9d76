#include "platform/win/win_platform.h"

#include <windows.h>
#include <commctrl.h>

#include "automation/error.h"

namespace brisko::win {

namespace {

// The library stays loaded while any bound copy of it is in use.
class Module {
public:
    explicit Module(HMODULE h) : h_(h) {}
    ~Module() {
        if (h_) FreeLibrary(h_);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    HMODULE get() const { return h_; }

private:
    HMODULE h_;
};

using InitExFn = std::int32_t(__stdcall*)(std::uint32_t, void*);
using ClientFn = std::int32_t(__stdcall*)(std::uint32_t);
using LogMsgFn = std::int32_t(__stdcall*)(std::uint32_t, const char*, std::int32_t, const char*, std::int32_t,
                                          std::int32_t);
using AboutMenuFn = std::int32_t(__stdcall*)(std::uint32_t, std::uint32_t);
using HelpFn = std::int32_t(__stdcall*)(std::uint32_t, const char*);

class WinTorvik : public TorvikLibrary {
public:
    WinTorvik(std::unique_ptr<Module> module, const std::wstring& name) : module_(std::move(module)), name_(name) {}

    std::int32_t InitEx(std::uint32_t client, TorvikInitParams& params) override {
        return Entry<InitExFn>("TorvikInitEx")(client, params.data());
    }
    std::int32_t InitComplete(std::uint32_t client) override { return Entry<ClientFn>("TorvikInitComplete")(client); }
    std::int32_t LogMsg(std::uint32_t client, const std::string& message, std::int32_t errorNumber,
                        const std::string& procedure, std::int32_t level, std::int32_t detail) override {
        return Entry<LogMsgFn>("TorvikLogMsg")(client, message.c_str(), errorNumber, procedure.c_str(), level,
                                               detail);
    }
    std::int32_t AddAboutMenu(std::uint32_t client, std::uint32_t commandBar) override {
        return Entry<AboutMenuFn>("TorvikAddAboutMenu")(client, commandBar);
    }
    std::int32_t ShowAbout(std::uint32_t client) override { return Entry<ClientFn>("TorvikShowAbout")(client); }
    std::int32_t ShowContextHelp(std::uint32_t client, const std::string& topic) override {
        return Entry<HelpFn>("TorvikShowContextHelp")(client, topic.c_str());
    }

private:
    template <class Fn>
    Fn Entry(const char* exportName) {
        FARPROC p = GetProcAddress(module_->get(), exportName);
        if (!p) {
            std::wstring n(exportName, exportName + std::char_traits<char>::length(exportName));
            Raise(err::EntryPointNotFound, L"Can't find DLL entry point " + n + L" in " + name_);
        }
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
    }

    std::unique_ptr<Module> module_;
    std::wstring name_;
};

}  // namespace

std::shared_ptr<TorvikLibrary> WinTorvikLoader::Load() {
    HMODULE h = LoadLibraryW(name_.c_str());
    if (!h) Raise(err::FileNotFound, L"File not found: " + name_);
    return std::make_shared<WinTorvik>(std::make_unique<Module>(h), name_);
}

int WinDesktop::ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int WinDesktop::ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

void WinDesktop::MakeTopmost(std::uintptr_t window) {
    SetWindowPos(reinterpret_cast<HWND>(window), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void WinDesktop::InitCommonControls() { ::InitCommonControls(); }

WinClock::WinClock() : seed_(GetTickCount() ^ GetCurrentProcessId()) {}

DateParts WinClock::Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

double WinClock::Random() {
    seed_ = seed_ * 1664525u + 1013904223u;
    return static_cast<double>(seed_ >> 8) / 16777216.0;
}

std::string WinCodePage::ToAnsi(std::wstring_view text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring WinCodePage::FromAnsi(std::string_view text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

}  // namespace brisko::win
