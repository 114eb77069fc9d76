#include "torvik_fixture.h"

#include <cstring>

#include "resource.h"

namespace torvik::test {

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L'\\'));
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

TorvikDll::TorvikDll(const std::wstring& fileName) {
    module_ = LoadLibraryW((ProgramFolder() + L"\\" + fileName).c_str());
    if (!module_) return;
    initEx_ = Entry<InitExFn>("TorvikInitEx");
    initComplete_ = Entry<ClientFn>("TorvikInitComplete");
    logMsg_ = Entry<LogMsgFn>("TorvikLogMsg");
    addAboutMenu_ = Entry<AboutMenuFn>("TorvikAddAboutMenu");
    showAbout_ = Entry<ClientFn>("TorvikShowAbout");
    showHelp_ = Entry<HelpFn>("TorvikShowContextHelp");
    logFile_ = Entry<LogFileFn>("TorvikGetLogFileW");
}

template <class Fn>
Fn TorvikDll::Entry(const char* name) {
    FARPROC p = GetProcAddress(module_, name);
    if (!p) ADD_FAILURE() << "Torvik.dll lacks " << name;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
}

void TorvikDll::Unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
}

std::wstring TorvikDll::LogFile(std::uint32_t client) {
    const std::int32_t n = logFile_(client, nullptr, 0);
    if (n <= 0) return {};
    std::wstring path(static_cast<std::size_t>(n) + 1, L'\0');
    EXPECT_EQ(logFile_(client, path.data(), n + 1), n);
    path.resize(static_cast<std::size_t>(n));
    return path;
}

ScopedEnv::ScopedEnv(const wchar_t* name, const wchar_t* value) : name_(name) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n > 0) {
        std::wstring v(n, L'\0');
        v.resize(GetEnvironmentVariableW(name, v.data(), n));
        old_ = v;
    }
    SetEnvironmentVariableW(name, value);
}

ScopedEnv::~ScopedEnv() { SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr); }

TempFolder::TempFolder() {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"torvik-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    RemoveTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

bool FileExists(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteFileText(const std::wstring& path, const std::string& text) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
}

std::string ReadFileText(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(f);
    return text;
}

std::vector<LogLine> ReadLog(const std::wstring& path) {
    const std::string text = ReadFileText(path);
    std::vector<LogLine> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "unterminated log line: " << text.substr(start);
            break;
        }
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        std::vector<std::string> fields;
        std::size_t f = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', f);
            fields.push_back(line.substr(f, tab == std::string::npos ? std::string::npos : tab - f));
            if (tab == std::string::npos) break;
            f = tab + 1;
        }
        if (fields.size() != 6) {
            ADD_FAILURE() << "log line with " << fields.size() << " fields: " << line;
            continue;
        }
        lines.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]});
    }
    return lines;
}

CallbackState& Callbacks() {
    static CallbackState state;
    return state;
}

BSTR __stdcall TestEmail() {
    ++Callbacks().emailCalls;
    return SysAllocString(Callbacks().email.c_str());
}

BSTR __stdcall TestLangId() {
    ++Callbacks().langCalls;
    return SysAllocString(Callbacks().langId.c_str());
}

void* __stdcall TestVersionTexts(BSTR* record) {
    ++Callbacks().textsCalls;
    for (int i = 0; i < 3; ++i) record[i] = SysAllocString(Callbacks().texts[static_cast<std::size_t>(i)].c_str());
    return record;
}

InitRecord::InitRecord() {
    Set(0, 180);
    Set(4, 2);
    Set(12, 14);
    bytes[28] = 0xFF;
    bytes[29] = 0xFF;
    Set(36, 1);
    SetAddress(40, reinterpret_cast<const void*>(&TestEmail));
    SetAddress(56, rect.data());
    SetAddress(60, reinterpret_cast<const void*>(&TestLangId));
    SetAddress(64, reinterpret_cast<const void*>(&TestVersionTexts));
    Set(172, 1);
    Set(176, 1);
}

void InitRecord::Set(std::size_t offset, std::uint32_t value) { std::memcpy(bytes.data() + offset, &value, 4); }

void InitRecord::SetAddress(std::size_t offset, const void* address) {
    Set(offset, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address)));
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

namespace {

BOOL CALLBACK CollectAboutBox(HWND w, LPARAM p) {
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, 32);
    if (std::wstring(cls) == L"#32770" && GetDlgItem(w, IDC_ABOUT_PRODUCT) && IsWindowVisible(w))
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
    return TRUE;
}

}  // namespace

std::vector<HWND> AboutBoxes() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), CollectAboutBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

void TorvikTest::SetUp() {
    Callbacks() = CallbackState{};
    logs_.emplace();
    logDir_.emplace(L"TORVIK_LOG_DIR", logs_->path().c_str());
    debugLevel_.emplace(L"TORVIK_DEBUG_LEVEL", nullptr);
    launcher_.emplace(L"TORVIK_HELP_LAUNCHER", nullptr);
    dll_.emplace();
    ASSERT_TRUE(dll_->Loaded()) << "Torvik.dll not found beside the test program";
}

void TorvikTest::TearDown() {
    dll_.reset();
    PumpMessages();
    launcher_.reset();
    debugLevel_.reset();
    logDir_.reset();
    logs_.reset();
}

std::wstring TorvikTest::SelfLog() const {
    return logs_->path() + L"\\" + kCompany + L"\\" + kProduct + L"\\" + kProduct + L".log";
}

}  // namespace torvik::test
