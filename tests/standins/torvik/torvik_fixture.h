// Torvik.dll loaded by path as the add-in loads it, the test program as its client, and helpers
// for the log, the init record and the test's callbacks.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace torvik::test {

using InitExFn = std::int32_t(__stdcall*)(std::uint32_t, const void*);
using ClientFn = std::int32_t(__stdcall*)(std::uint32_t);
using LogMsgFn = std::int32_t(__stdcall*)(std::uint32_t, const char*, std::int32_t, const char*, std::int32_t,
                                          std::int32_t);
using AboutMenuFn = std::int32_t(__stdcall*)(std::uint32_t, std::uint32_t);
using HelpFn = std::int32_t(__stdcall*)(std::uint32_t, const char*);
using LogFileFn = std::int32_t(__stdcall*)(std::uint32_t, wchar_t*, std::int32_t);

// The folder of the test program, without a trailing backslash.
std::wstring ProgramFolder();
std::string Utf8(const std::wstring& text);

class TorvikDll {
public:
    // The library by its file name beside the test program.
    explicit TorvikDll(const std::wstring& fileName = L"Torvik.dll");
    ~TorvikDll() { Unload(); }
    TorvikDll(const TorvikDll&) = delete;
    TorvikDll& operator=(const TorvikDll&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    void Unload();

    std::int32_t InitEx(std::uint32_t client, const void* record) { return initEx_(client, record); }
    std::int32_t InitComplete(std::uint32_t client) { return initComplete_(client); }
    std::int32_t LogMsg(std::uint32_t client, const char* message, std::int32_t number, const char* procedure,
                        std::int32_t level, std::int32_t detail) {
        return logMsg_(client, message, number, procedure, level, detail);
    }
    std::int32_t AddAboutMenu(std::uint32_t client, std::uint32_t menuBar) { return addAboutMenu_(client, menuBar); }
    std::int32_t ShowAbout(std::uint32_t client) { return showAbout_(client); }
    std::int32_t ShowContextHelp(std::uint32_t client, const char* topic) { return showHelp_(client, topic); }
    std::wstring LogFile(std::uint32_t client);

private:
    template <class Fn>
    Fn Entry(const char* name);

    HMODULE module_ = nullptr;
    InitExFn initEx_ = nullptr;
    ClientFn initComplete_ = nullptr;
    LogMsgFn logMsg_ = nullptr;
    AboutMenuFn addAboutMenu_ = nullptr;
    ClientFn showAbout_ = nullptr;
    HelpFn showHelp_ = nullptr;
    LogFileFn logFile_ = nullptr;
};

// An environment variable set for the length of a scope (null value: removed).
class ScopedEnv {
public:
    ScopedEnv(const wchar_t* name, const wchar_t* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> old_;
};

// A fresh folder below the temporary folder, removed with all it holds.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

void RemoveTree(const std::wstring& path);
bool FileExists(const std::wstring& path);
void WriteFileText(const std::wstring& path, const std::string& text);

// One log line split at its tabs; the file is read while the library holds it open.
struct LogLine {
    std::string time, level, detail, procedure, number, message;
};
std::vector<LogLine> ReadLog(const std::wstring& path);
std::string ReadFileText(const std::wstring& path);

// What the test's callbacks answer and how often they were called.
struct CallbackState {
    std::wstring langId = L"EN";
    std::wstring email = L"user@example.com";
    std::array<std::wstring, 3> texts{L"Turns mail into tasks", L"Brisko for Outlook",
                                      L"Copyright (C) 2010 Brisko"};
    int langCalls = 0;
    int emailCalls = 0;
    int textsCalls = 0;
};
CallbackState& Callbacks();
BSTR __stdcall TestEmail();
BSTR __stdcall TestLangId();
void* __stdcall TestVersionTexts(BSTR* record);

// The record as the add-in fills it: the test's callbacks and a window rectangle.
struct InitRecord {
    std::array<std::uint8_t, 180> bytes{};
    std::array<std::int32_t, 4> rect{256, 192, 512, 384};

    InitRecord();
    void Set(std::size_t offset, std::uint32_t value);
    void SetAddress(std::size_t offset, const void* address);
    const void* data() const { return bytes.data(); }
};

// Runs the messages waiting for this thread.
void PumpMessages();

// The visible About boxes of this thread.
std::vector<HWND> AboutBoxes();

// The test program: its version resource names "Brisko Test Works" / "Torvik Test Client".
inline constexpr wchar_t kCompany[] = L"Brisko Test Works";
inline constexpr wchar_t kProduct[] = L"Torvik Test Client";
inline constexpr wchar_t kVersion[] = L"1.2.3.4";

class TorvikTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static std::uint32_t Self() {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)));
    }
    std::wstring SelfLog() const;
    std::int32_t InitSelf() { return dll_->InitEx(Self(), record_.data()); }

    std::optional<TempFolder> logs_;
    std::optional<ScopedEnv> logDir_;
    std::optional<ScopedEnv> debugLevel_;
    std::optional<ScopedEnv> launcher_;
    std::optional<TorvikDll> dll_;
    InitRecord record_;
};

}  // namespace torvik::test
