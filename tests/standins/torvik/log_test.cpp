// TorvikLogMsg: where the log lands, its lines, the filter and its settings, several clients.
#include <shlobj.h>

#include <regex>

#include "torvik_fixture.h"
#include "torvik_results.h"

namespace torvik::test {
namespace {

class TorvikLog : public TorvikTest {
protected:
    void WriteEveryKind(std::uint32_t client) {
        for (std::int32_t detail : {1, 2, 3}) {
            const std::string d = std::to_string(detail);
            EXPECT_EQ(dll_->LogMsg(client, ("debug " + d).c_str(), 0, "P.Debug", 1, detail), kOk);
        }
        EXPECT_EQ(dll_->LogMsg(client, "warning", 0, "P.Warning", 2, 3), kOk);
        EXPECT_EQ(dll_->LogMsg(client, "error", 91, "P.Error", 3, 1), kOk);
    }

    std::vector<std::string> Messages(const std::wstring& path) {
        std::vector<std::string> out;
        for (const auto& l : ReadLog(path)) out.push_back(l.message);
        return out;
    }
};

using Strings = std::vector<std::string>;

TEST_F(TorvikLog, OneLinePerRecordInTheClientsCompanyAndProductFolder) {
    EXPECT_EQ(dll_->LogFile(Self()), SelfLog());
    ASSERT_EQ(InitSelf(), kOk);
    EXPECT_EQ(dll_->LogMsg(Self(), "Torvik.InitEx returned 5", 0, "Connect.IDTExtensibility2_OnConnection", 3, 1),
              kOk);
    EXPECT_EQ(dll_->LogMsg(Self(), "Object variable not set", 91, "CExplorerWrapper.Init(12)", 3, 1), kOk);
    EXPECT_EQ(dll_->LogMsg(Self(), "No folder", 0, "CLang::sprintf1", 2, 2), kOk);

    // Read while the library holds the file open.
    const auto lines = ReadLog(SelfLog());
    ASSERT_EQ(lines.size(), 3u);
    const std::regex time(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})");
    for (const auto& l : lines) EXPECT_TRUE(std::regex_match(l.time, time)) << l.time;
    EXPECT_EQ(lines[0].level, "ERROR");
    EXPECT_EQ(lines[0].detail, "1");
    EXPECT_EQ(lines[0].procedure, "Connect.IDTExtensibility2_OnConnection");
    EXPECT_EQ(lines[0].number, "0");
    EXPECT_EQ(lines[0].message, "Torvik.InitEx returned 5");
    EXPECT_EQ(lines[1].number, "91");
    EXPECT_EQ(lines[1].procedure, "CExplorerWrapper.Init(12)");
    EXPECT_EQ(lines[2].level, "WARNING");
    EXPECT_EQ(lines[2].detail, "2");
    EXPECT_EQ(lines[2].procedure, "CLang::sprintf1");
}

TEST_F(TorvikLog, ByDefaultErrorsAndWarningsButNoDebugRecords) {
    WriteEveryKind(Self());
    EXPECT_EQ(dll_->LogMsg(Self(), "odd level", 0, "P.Odd", 7, 3), kOk);
    EXPECT_EQ(Messages(SelfLog()), (Strings{"warning", "error", "odd level"}));
    EXPECT_EQ(ReadLog(SelfLog())[2].level, "LEVEL7");
}

TEST_F(TorvikLog, TheEnvironmentSetsTheDebugLevel) {
    debugLevel_.emplace(L"TORVIK_DEBUG_LEVEL", L"2");
    ASSERT_EQ(InitSelf(), kOk);  // settings are read again at InitEx
    WriteEveryKind(Self());
    EXPECT_EQ(Messages(SelfLog()), (Strings{"debug 1", "debug 2", "warning", "error"}));

    debugLevel_.emplace(L"TORVIK_DEBUG_LEVEL", L"3");
    ASSERT_EQ(InitSelf(), kOk);
    EXPECT_EQ(dll_->LogMsg(Self(), "->", 0, "Connect.Init", 1, 3), kOk);
    EXPECT_EQ(ReadLog(SelfLog()).back().level, "DEBUG");
    EXPECT_EQ(ReadLog(SelfLog()).back().detail, "3");

    debugLevel_.emplace(L"TORVIK_DEBUG_LEVEL", L"not a number");  // ignored: the default
    ASSERT_EQ(InitSelf(), kOk);
    EXPECT_EQ(dll_->LogMsg(Self(), "dropped", 0, "P", 1, 1), kOk);
    EXPECT_NE(Messages(SelfLog()).back(), "dropped");
}

class RegistryKey {
public:
    explicit RegistryKey(const std::wstring& path) : path_(path) {
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key_, nullptr);
    }
    ~RegistryKey() {
        if (key_) RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Brisko Test Works");
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    void SetDword(const wchar_t* name, DWORD value) {
        RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }

private:
    std::wstring path_;
    HKEY key_ = nullptr;
};

TEST_F(TorvikLog, TheRegistrySetsTheDebugLevelAndTheEnvironmentWins) {
    RegistryKey key(L"Software\\Brisko Test Works\\Torvik Test Client\\Torvik");
    key.SetDword(L"DebugLevel", 1);
    ASSERT_EQ(InitSelf(), kOk);
    WriteEveryKind(Self());
    EXPECT_EQ(Messages(SelfLog()), (Strings{"debug 1", "warning", "error"}));

    debugLevel_.emplace(L"TORVIK_DEBUG_LEVEL", L"0");
    ASSERT_EQ(InitSelf(), kOk);
    EXPECT_EQ(dll_->LogMsg(Self(), "dropped", 0, "P", 1, 1), kOk);
    EXPECT_EQ(Messages(SelfLog()).back(), "error");
}

TEST_F(TorvikLog, TextsAreConvertedFromTheCodePageAndKeptOnOneLine) {
    const std::wstring wide = L"Caf\u00E9 \u00FCber";
    char ansi[64] = {};
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi, sizeof ansi, nullptr, &lossy);
    wchar_t back[64] = {};
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, back, 64);
    EXPECT_EQ(dll_->LogMsg(Self(), ansi, 0, "P", 3, 1), kOk);
    EXPECT_EQ(dll_->LogMsg(Self(), "line one\r\nline\ttwo", 0, "P", 3, 1), kOk);
    const auto lines = ReadLog(SelfLog());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].message, Utf8(back));
    if (!lossy) {
        EXPECT_EQ(lines[0].message, "Caf\xC3\xA9 \xC3\xBC" "ber");
    }
    EXPECT_EQ(lines[1].message, "line one\\r\\nline\\ttwo");
}

TEST_F(TorvikLog, AppendsAcrossLoads) {
    EXPECT_EQ(dll_->LogMsg(Self(), "first", 0, "P", 3, 1), kOk);
    dll_.reset();
    dll_.emplace();
    ASSERT_TRUE(dll_->Loaded());
    EXPECT_EQ(dll_->LogMsg(Self(), "second", 0, "P", 3, 1), kOk);
    EXPECT_EQ(Messages(SelfLog()), (Strings{"first", "second"}));
}

TEST_F(TorvikLog, AModuleWithoutVersionResourceUsesItsBaseNameAndClientsKeepTheirOwnLogs) {
    HMODULE plain = LoadLibraryW((ProgramFolder() + L"\\torvik_plain_client.dll").c_str());
    ASSERT_NE(plain, nullptr);
    const auto other = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(plain));
    InitRecord record;
    EXPECT_EQ(dll_->InitEx(other, record.data()), kOk);
    ASSERT_EQ(InitSelf(), kOk);
    EXPECT_EQ(dll_->LogMsg(other, "from plain", 0, "P", 3, 1), kOk);
    EXPECT_EQ(dll_->LogMsg(Self(), "from self", 0, "P", 3, 1), kOk);
    const std::wstring plainLog =
        logs_->path() + L"\\torvik_plain_client\\torvik_plain_client\\torvik_plain_client.log";
    EXPECT_EQ(dll_->LogFile(other), plainLog);
    EXPECT_EQ(Messages(plainLog), (Strings{"from plain"}));
    EXPECT_EQ(Messages(SelfLog()), (Strings{"from self"}));

    // The other client's session ends with its module; this one's goes on.
    dll_->InitComplete(other);
    FreeLibrary(plain);
    EXPECT_EQ(dll_->InitComplete(other), kInvalidClient);
    EXPECT_EQ(dll_->InitComplete(Self()), kOk);
}

TEST_F(TorvikLog, AnUnwritableFolderGivesAResultCode) {
    // A file where the company folder should be.
    WriteFileText(logs_->path() + L"\\" + kCompany, "in the way");
    EXPECT_EQ(dll_->LogMsg(Self(), "m", 0, "P", 3, 1), kLogUnavailable);
    DeleteFileW((logs_->path() + L"\\" + kCompany).c_str());
    EXPECT_EQ(dll_->LogMsg(Self(), "m", 0, "P", 3, 1), kOk);  // tried again
}

TEST_F(TorvikLog, TheLogIsNotHeldOpenBetweenRecords) {
    ASSERT_EQ(dll_->LogMsg(Self(), "first", 0, "P", 3, 1), kOk);
    // The folders go while the library is loaded; the next record makes them again.
    const std::wstring company = logs_->path() + L"\\" + kCompany;
    RemoveTree(company);
    EXPECT_FALSE(FileExists(SelfLog()));
    EXPECT_EQ(GetFileAttributesW(company.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(dll_->LogMsg(Self(), "second", 0, "P", 3, 1), kOk);
    EXPECT_EQ(Messages(SelfLog()), (Strings{"second"}));
}

TEST_F(TorvikLog, WithoutOverrideTheLogIsInTheUsersLocalApplicationData) {
    logDir_.emplace(L"TORVIK_LOG_DIR", nullptr);
    dll_.reset();
    dll_.emplace();
    wchar_t local[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)));
    const std::wstring company = std::wstring(local) + L"\\" + kCompany;
    RemoveTree(company);
    const std::wstring expected = company + L"\\" + kProduct + L"\\" + kProduct + L".log";
    EXPECT_EQ(dll_->LogFile(Self()), expected);
    EXPECT_EQ(dll_->LogMsg(Self(), "in local app data", 0, "P", 3, 1), kOk);
    EXPECT_EQ(Messages(expected), (Strings{"in local app data"}));
    dll_.reset();
    RemoveTree(company);
}

}  // namespace
}  // namespace torvik::test
