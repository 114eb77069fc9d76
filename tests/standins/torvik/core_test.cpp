// The library's rules on their own: folder names, line layout, the filter, help topic paths and
// the checks of caller memory.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "help.h"
#include "log.h"
#include "module_info.h"
#include "texts.h"
#include "torvik_fixture.h"
#include "torvik_results.h"
#include "win_util.h"

namespace torvik {
namespace {

TEST(TorvikCore, FolderNamesDropWhatAFileNameCannotHold) {
    EXPECT_EQ(FolderName(L"Brisko Software", L"x"), L"Brisko Software");
    EXPECT_EQ(FolderName(L"A/B\\C:D*E?F\"G<H>I|J", L"x"), L"ABCDEFGHIJ");
    EXPECT_EQ(FolderName(L"  Acme Inc.  ", L"x"), L"Acme Inc");
    EXPECT_EQ(FolderName(L"Tab\there", L"x"), L"Tabhere");
    EXPECT_EQ(FolderName(L"...", L"Brisko"), L"Brisko");
    EXPECT_EQ(FolderName(L"", L"Brisko"), L"Brisko");
    EXPECT_EQ(FolderName(L"", L""), L"Torvik");
    EXPECT_EQ(FolderName(L"con", L"x"), L"con_");
    EXPECT_EQ(FolderName(L"LPT1", L"x"), L"LPT1_");
    EXPECT_EQ(FolderName(L"Console", L"x"), L"Console");
}

TEST(TorvikCore, LineHasSixTabSeparatedFields) {
    SYSTEMTIME t{};
    t.wYear = 2010;
    t.wMonth = 6;
    t.wDay = 1;
    t.wHour = 9;
    t.wMinute = 5;
    t.wSecond = 2;
    t.wMilliseconds = 7;
    EXPECT_EQ(FormatLine(t, kLevelError, 1, L"Connect.IDTExtensibility2_OnConnection", 0, L"Torvik.InitEx returned 5"),
              "2010-06-01 09:05:02.007\tERROR\t1\tConnect.IDTExtensibility2_OnConnection\t0\tTorvik.InitEx returned 5\r\n");
    EXPECT_EQ(FormatLine(t, kLevelDebug, 3, L"Connect.Init", 0, L"->"),
              "2010-06-01 09:05:02.007\tDEBUG\t3\tConnect.Init\t0\t->\r\n");
    EXPECT_EQ(FormatLine(t, kLevelWarning, 2, L"CLang::sprintf1", -2147024809, L""),
              "2010-06-01 09:05:02.007\tWARNING\t2\tCLang::sprintf1\t-2147024809\t\r\n");
    EXPECT_EQ(FormatLine(t, 7, -1, L"P", 1, L"m"), "2010-06-01 09:05:02.007\tLEVEL7\t-1\tP\t1\tm\r\n");
    EXPECT_EQ(FormatLine(t, kLevelInfo, 1, L"Torvik.InitComplete", 0, L"m"),
              "2010-06-01 09:05:02.007\tINFO\t1\tTorvik.InitComplete\t0\tm\r\n");
}

TEST(TorvikCore, LineEscapesControlCharactersAndIsUtf8) {
    SYSTEMTIME t{};
    t.wYear = 2010;
    t.wMonth = 1;
    t.wDay = 1;
    const std::string line = FormatLine(t, kLevelError, 1, L"A\tB", 0, L"one\r\ntwo\x01 C:\\path Caf\u00E9");
    EXPECT_EQ(line, "2010-01-01 00:00:00.000\tERROR\t1\tA\\tB\t0\tone\\r\\ntwo\\x01 C:\\path Caf\xC3\xA9\r\n");
}

TEST(TorvikCore, DebugRecordsUpToTheDebugLevel) {
    for (std::int32_t level : {kLevelWarning, kLevelError, kLevelInfo, 0, 9}) {
        EXPECT_TRUE(IsWanted(level, 3, 0)) << level;
        EXPECT_TRUE(IsWanted(level, 99, 0)) << level;
    }
    EXPECT_FALSE(IsWanted(kLevelDebug, 1, 0));
    EXPECT_FALSE(IsWanted(kLevelDebug, 0, 0));
    EXPECT_TRUE(IsWanted(kLevelDebug, 1, 1));
    EXPECT_TRUE(IsWanted(kLevelDebug, 0, 1));
    EXPECT_TRUE(IsWanted(kLevelDebug, -5, 1));
    EXPECT_FALSE(IsWanted(kLevelDebug, 2, 1));
    EXPECT_TRUE(IsWanted(kLevelDebug, 2, 2));
    EXPECT_FALSE(IsWanted(kLevelDebug, 3, 2));
    EXPECT_TRUE(IsWanted(kLevelDebug, 3, 3));
    EXPECT_FALSE(IsWanted(kLevelDebug, 4, 3));
}

TEST(TorvikCore, LogPathIsCompanyProductProduct) {
    EXPECT_EQ(LogFilePath(L"C:\\Users\\u\\AppData\\Local", L"Acme", L"Brisko"),
              L"C:\\Users\\u\\AppData\\Local\\Acme\\Brisko\\Brisko.log");
    EXPECT_EQ(LogFilePath(L"C:\\", L"Acme", L"Brisko"), L"C:\\Acme\\Brisko\\Brisko.log");
    EXPECT_EQ(LogFilePath(L"", L"Acme", L"Brisko"), L"");
}

TEST(TorvikCore, HelpTopicsStayInsideTheHelpFolder) {
    test::TempFolder folder;
    CreateDirectoryW((folder.path() + L"\\Help").c_str(), nullptr);
    CreateDirectoryW((folder.path() + L"\\Help\\sub").c_str(), nullptr);
    test::WriteFileText(folder.path() + L"\\Help\\index.htm", "<html/>");
    test::WriteFileText(folder.path() + L"\\Help\\sub\\page.htm", "<html/>");
    test::WriteFileText(folder.path() + L"\\secret.htm", "<html/>");
    std::wstring path;
    EXPECT_EQ(HelpTopicPath(folder.path(), L"", L"DE", path), kOk);
    EXPECT_EQ(path, folder.path() + L"\\Help\\index.htm");
    EXPECT_EQ(HelpTopicPath(folder.path(), L"sub/page.htm", L"DE", path), kOk);
    EXPECT_EQ(path, folder.path() + L"\\Help\\sub\\page.htm");
    EXPECT_EQ(HelpTopicPath(folder.path(), L"sub\\page.htm", L"DE", path), kOk);
    EXPECT_EQ(HelpTopicPath(folder.path(), L"missing.htm", L"DE", path), kHelpNotFound);
    EXPECT_EQ(path, folder.path() + L"\\Help\\missing.htm");
    EXPECT_EQ(HelpTopicPath(folder.path(), L"sub", L"DE", path), kHelpNotFound);  // a folder is no topic
    for (const wchar_t* bad : {L"..\\secret.htm", L"sub/../../secret.htm", L"..", L"C:\\secret.htm",
                               L"\\secret.htm", L"/secret.htm", L"\\\\server\\share\\x.htm", L"a?.htm", L"a\nb.htm"}) {
        EXPECT_EQ(HelpTopicPath(folder.path(), bad, L"DE", path), kHelpTopicInvalid) << test::Utf8(bad);
        EXPECT_EQ(path, L"");
    }
    EXPECT_EQ(HelpTopicPath(folder.path(), L"..x.htm", L"DE", path), kHelpNotFound);  // only ".." itself is refused
}

TEST(TorvikCore, CallerMemoryIsCheckedBeforeItIsRead) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const std::size_t page = info.dwPageSize;
    auto* block = static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(block, nullptr);
    ASSERT_NE(VirtualAlloc(block, page, MEM_COMMIT, PAGE_READWRITE), nullptr);
    char* end = block + page;  // the second page is reserved only

    EXPECT_TRUE(IsReadable(block, page));
    EXPECT_FALSE(IsReadable(block, page + 1));
    EXPECT_FALSE(IsReadable(end, 1));
    EXPECT_FALSE(IsReadable(nullptr, 1));
    EXPECT_FALSE(IsReadable(reinterpret_cast<void*>(0x10), 4));
    EXPECT_TRUE(IsWritable(block, page));
    EXPECT_FALSE(IsWritable(reinterpret_cast<const void*>(&test::TestLangId), 1));
    EXPECT_TRUE(IsExecutable(reinterpret_cast<const void*>(&test::TestLangId)));
    EXPECT_FALSE(IsExecutable(block));

    // A string running into the uncommitted page is unreadable; one ending before it is read.
    std::memset(block, 'x', page);
    std::string s;
    EXPECT_FALSE(ReadAnsi(end - 5, 100, s));
    end[-1] = '\0';
    EXPECT_TRUE(ReadAnsi(end - 5, 100, s));
    EXPECT_EQ(s, "xxxx");
    EXPECT_TRUE(ReadAnsi(block, 10, s));  // cut at the limit
    EXPECT_EQ(s, std::string(10, 'x'));
    EXPECT_TRUE(ReadAnsi(nullptr, 10, s));
    EXPECT_EQ(s, "");
    EXPECT_FALSE(ReadAnsi(reinterpret_cast<const char*>(0x10), 10, s));

    EXPECT_FALSE(LooksLikeInterface(block, 3));  // its "vtable" 'xxxx' points nowhere
    EXPECT_FALSE(LooksLikeInterface(nullptr, 3));

    EXPECT_EQ(TakeBstr(SysAllocString(L"text")), L"text");
    EXPECT_EQ(TakeBstr(nullptr), L"");
    EXPECT_EQ(TakeBstr(reinterpret_cast<BSTR>(0x10)), L"");
    VirtualFree(block, 0, MEM_RELEASE);
}

TEST(TorvikCore, GermanOrEnglishTexts) {
    EXPECT_STREQ(TextsFor(L"DE").aboutCaption, L"Info \u00FCber ");
    EXPECT_STREQ(TextsFor(L"de-AT").menuCaption, L"&Info \u00FCber ");
    EXPECT_STREQ(TextsFor(L"EN").aboutCaption, L"About ");
    EXPECT_STREQ(TextsFor(L"").aboutCaption, L"About ");
    EXPECT_STREQ(TextsFor(L"D").aboutCaption, L"About ");
}

}  // namespace
}  // namespace torvik
