// The line reader on the target's own file backend: buffer boundaries, encodings, failures.
#include <cmath>
#include <string>
#include <vector>

#include "addin/lang/CLangFile.h"
#include "addin/lang/mFileUtils.h"
#include "tests/lang/lang_fixture.h"

namespace brisko::testing {
namespace {

constexpr std::size_t kBuf = CLangFile::kBufferSize;

class LangFileTest : public LangTest {
protected:
    // Every line the reader delivers; FEOF must hold at the end unless a read failed.
    std::vector<std::wstring> ReadAll(const std::string& name, bool* eof = nullptr) {
        CLangFile file;
        EXPECT_TRUE(file.OpenFile(PathOf(name)));
        std::vector<std::wstring> lines;
        std::wstring line;
        while (file.ReadLine(line)) lines.push_back(line);
        if (eof) *eof = file.FEOF();
        return lines;
    }
    std::vector<std::wstring> ReadBytesAsLines(const std::string& bytes) {
        Write("t.txt", bytes);
        bool eof = false;
        auto lines = ReadAll("t.txt", &eof);
        EXPECT_TRUE(eof);
        return lines;
    }
    static std::wstring W(const std::string& s) { return std::wstring(s.begin(), s.end()); }
};

using LineList = std::vector<std::wstring>;

TEST_F(LangFileTest, LineEnds) {
    // Only CR LF ends a line; a last line without it is delivered, a final CR LF adds nothing.
    EXPECT_EQ(ReadBytesAsLines("a\r\nb\r\n"), (LineList{L"a", L"b"}));
    EXPECT_EQ(ReadBytesAsLines("a\r\nb"), (LineList{L"a", L"b"}));
    EXPECT_EQ(ReadBytesAsLines("a\r\n\r\nb\r\n"), (LineList{L"a", L"", L"b"}));
    EXPECT_EQ(ReadBytesAsLines("a\rb\nc\r\n"), (LineList{L"a\rb\nc"}));
    EXPECT_EQ(ReadBytesAsLines("x\r"), (LineList{L"x\r"}));
}

TEST_F(LangFileTest, EmptyAndByteOrderMarkOnlyFiles) {
    Write("empty.txt", "");
    CLangFile file;
    ASSERT_TRUE(file.OpenFile(PathOf("empty.txt")));
    std::wstring line = L"untouched";
    EXPECT_FALSE(file.ReadLine(line));
    EXPECT_TRUE(file.FEOF());
    EXPECT_EQ(file.LastError(), 0u);

    // Only a byte-order mark: no line, and the end of the file rather than a failed read.
    Write("bom.txt", "\xEF\xBB\xBF");
    CLangFile bom;
    ASSERT_TRUE(bom.OpenFile(PathOf("bom.txt")));
    EXPECT_FALSE(bom.ReadLine(line));
    EXPECT_TRUE(bom.FEOF());
    EXPECT_EQ(bom.encoding(), CLangFile::Encoding::Utf8);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(LangFileTest, LinesLongerThanTheBuffer) {
    // A line of 5000 bytes without a line end in a longer file: a 4096-byte piece, then the rest.
    const std::string longLine(5000, 'x');
    auto lines = ReadBytesAsLines(longLine + "\r\nnext\r\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::wstring(kBuf, L'x'));
    EXPECT_EQ(lines[1], std::wstring(5000 - kBuf, L'x'));
    EXPECT_EQ(lines[2], L"next");

    // LF-only line ends: pieces of at most 4096 bytes with the LF inside the text.
    std::string lf;
    for (int i = 0; i < 1000; ++i) lf += "line\n";  // 5000 bytes
    lines = ReadBytesAsLines(lf);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), kBuf);
    EXPECT_EQ(lines[0] + lines[1], W(lf));
    EXPECT_EQ(ReadBytesAsLines("one\ntwo\n"), (LineList{L"one\ntwo\n"}));
}

TEST_F(LangFileTest, CrLfSplitAcrossTwoFills) {
    // The first fill ends with the CR, the second begins with the LF.
    const std::string first = "start\r\n" + std::string(kBuf - 7 - 1, 'a');  // CR at offset 4095
    auto lines = ReadBytesAsLines(first + "\r\nafter\r\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], L"start");
    EXPECT_EQ(lines[1], std::wstring(kBuf - 8, L'a'));
    EXPECT_EQ(lines[2], L"after");

    // Unless the line began at the start of a full buffer: then it is a piece, and the LF
    // starts the next line.
    lines = ReadBytesAsLines(std::string(kBuf - 1, 'b') + "\r\nz\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::wstring(kBuf - 1, L'b') + L"\r");
    EXPECT_EQ(lines[1], L"\nz");
}

TEST_F(LangFileTest, LastLineWithoutLineEndWhereAFillEndsTheFile) {
    // The file's end falls exactly on a full buffer while the last line is still open.
    const std::string head = "first\r\n";
    const std::string tail(kBuf - head.size(), 't');
    auto lines = ReadBytesAsLines(head + tail);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], W(tail));
    // The same with a lone CR as the file's last byte.
    lines = ReadBytesAsLines(head + std::string(kBuf - head.size() - 1, 't') + "\r");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].back(), L'\r');
    EXPECT_TRUE(Errors().empty());
}

TEST_F(LangFileTest, ByteOrderMarkSelectsUtf8) {
    const std::string text = "Caf\xC3\xA9 \xE2\x82\xAC\r\nna\xC3\xAFve";
    auto lines = ReadBytesAsLines("\xEF\xBB\xBF" + text);
    EXPECT_EQ(lines, (LineList{L"Caf\u00E9 \u20AC", L"na\u00EFve"}));
    // The same bytes without the mark are the system code page (Windows-1252).
    lines = ReadBytesAsLines(text);
    EXPECT_EQ(lines, (LineList{L"Caf\u00C3\u00A9 \u00E2\u201A\u00AC", L"na\u00C3\u00AFve"}));
    // A mark in a later fill is text.
    lines = ReadBytesAsLines("a\r\n\xEF\xBB\xBF");
    EXPECT_EQ(lines, (LineList{L"a", L"\u00EF\u00BB\u00BF"}));
}

TEST_F(LangFileTest, FirstLineLongerThanTheBufferAfterTheMark) {
    const std::string line(kBuf, 'u');
    auto lines = ReadBytesAsLines("\xEF\xBB\xBF" + line + "\r\nend");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::wstring(kBuf, L'u'));
    EXPECT_EQ(lines[1], L"");
    EXPECT_EQ(lines[2], L"end");
}

TEST_F(LangFileTest, OpeningFailures) {
    CLangFile file;
    EXPECT_FALSE(file.OpenFile(PathOf("missing.lng")));
    EXPECT_EQ(file.LastError(), 2u);
    EXPECT_FALSE(file.OpenFile(Folder() + L"\\no-such-folder\\x.lng"));
    EXPECT_EQ(file.LastError(), 3u);
    std::wstring line;
    EXPECT_FALSE(file.ReadLine(line));
    EXPECT_FALSE(file.FEOF());

    // A reader serves the next file from its start.
    Write("a.txt", "A1\r\nA2\r\n");
    Write("b.txt", "B1\r\n");
    ASSERT_TRUE(file.OpenFile(PathOf("a.txt")));
    EXPECT_EQ(file.LastError(), 0u);
    ASSERT_TRUE(file.ReadLine(line));
    ASSERT_TRUE(file.OpenFile(PathOf("b.txt")));
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, L"B1");
    EXPECT_FALSE(file.ReadLine(line));
    EXPECT_TRUE(file.FEOF());
    file.CloseFile();
    EXPECT_FALSE(file.ReadLine(line));
}

class FaultyLangFileTest : public LangFileTest {
protected:
    void SetUp() override {
        LangFileTest::SetUp();
        faulty = std::make_unique<sim::FaultyFiles>(*platform.files);
        auto p = CurrentPlatform();
        p.files = faulty.get();
        SetPlatform(p);
    }
    std::unique_ptr<sim::FaultyFiles> faulty;
};

TEST_F(FaultyLangFileTest, ReadErrors) {
    Write("t.txt", "one\r\ntwo\r\n" + std::string(kBuf, 'x'));
    faulty->readFailure = sim::FaultyFiles::ReadFailure{kBuf + 5, 23};
    CLangFile file;
    ASSERT_TRUE(file.OpenFile(PathOf("t.txt")));
    std::vector<std::wstring> lines;
    std::wstring line;
    while (file.ReadLine(line)) lines.push_back(line);
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_FALSE(file.FEOF());
    EXPECT_EQ(file.LastError(), 23u);

    // The end-of-file error code is the end of the file, not a failure.
    faulty->readFailure.reset();
    faulty->eofAsError = true;
    lines.clear();
    ASSERT_TRUE(file.OpenFile(PathOf("t.txt")));
    while (file.ReadLine(line)) lines.push_back(line);
    EXPECT_EQ(lines.size(), 3u);
    EXPECT_TRUE(file.FEOF());
    EXPECT_EQ(file.LastError(), 0u);
}

TEST_F(FaultyLangFileTest, ShortReadsGiveTheSameLines) {
    const std::string text = "\xEF\xBB\xBF" "alpha\r\nbeta\r\n" + std::string(5000, 'g') + "\r\nlast";
    Write("t.txt", text);
    const auto whole = ReadAll("t.txt");
    faulty->shortReads = 700;
    EXPECT_EQ(ReadAll("t.txt"), whole);
}

TEST_F(FaultyLangFileTest, FailedUtf8ConversionFallsBackToTheCodePage) {
    Write("t.txt", "\xEF\xBB\xBF" "Caf\xC3\xA9\r\nok\r\n");
    faulty->utf8FailCall = 1;
    auto lines = ReadAll("t.txt");
    EXPECT_EQ(lines, (LineList{L"Caf\u00C3\u00A9", L"ok"}));
    EXPECT_EQ(Errors(), (std::vector<std::wstring>{L"CTextFile.Mem2Str|1113|MultiByteToWideChar failed",
                                                    L"CTextFile.Mem2Str|0|ASSERT FAILED - 269"}));
    ClearLog();
    faulty->utf8FailCall = 2;
    lines = ReadAll("t.txt");
    EXPECT_EQ(lines[0], L"Caf\u00C3\u00A9");
    EXPECT_EQ(Errors(), (std::vector<std::wstring>{L"CTextFile.Mem2Str|1113|MultiByteToWideChar(2) failed",
                                                    L"CTextFile.Mem2Str|0|ASSERT FAILED - 269"}));
}

TEST_F(LangFileTest, FileUtilities) {
    Write("f.txt", "x");
    Date when{};
    ASSERT_TRUE(mFileUtils::GetFileLastModificationTime(PathOf("f.txt"), when));
    // To the second.
    EXPECT_DOUBLE_EQ(std::round(when.serial * 86400.0), when.serial * 86400.0);
    Touch("f.txt", std::chrono::seconds(3660));
    Date later{};
    ASSERT_TRUE(mFileUtils::GetFileLastModificationTime(PathOf("f.txt"), later));
    EXPECT_NEAR((later.serial - when.serial) * 86400.0, 3660.0, 0.5);
    Date untouched{42.0};
    EXPECT_FALSE(mFileUtils::GetFileLastModificationTime(PathOf("gone.txt"), untouched));
    EXPECT_EQ(untouched.serial, 42.0);

    EXPECT_TRUE(mFileUtils::FolderExists(Folder()));
    EXPECT_FALSE(mFileUtils::FolderExists(PathOf("f.txt")));
    EXPECT_FALSE(mFileUtils::FolderExists(PathOf("none")));
    // An empty folder can be listed too.
    fs::create_directories(NativeOf("empty"));
    EXPECT_TRUE(mFileUtils::FolderExists(PathOf("empty")));
}

TEST_F(LangFileTest, CreateFolderPath) {
    EXPECT_TRUE(mFileUtils::CreateFolderPath(PathOf("one")));
    EXPECT_TRUE(fs::is_directory(NativeOf("one")));
    // A relative path whose parents are missing can't be walked.
    EXPECT_FALSE(mFileUtils::CreateFolderPath(L"brisko-missing-parent\\child"));

    // Missing parents below a drive are created one by one; "/" counts as "\".
    std::wstring root = Folder();
#ifndef _WIN32
    static_cast<sim::SimFiles*>(platform.files.get())->drives['T'] = NativeOf("").string();
    root = L"T:";
#endif
    EXPECT_TRUE(mFileUtils::CreateFolderPath(root + L"\\a\\b/c\\"));
    EXPECT_TRUE(fs::is_directory(NativeOf("a") / "b" / "c"));
    EXPECT_TRUE(mFileUtils::CreateFolderPath(root + L"\\a\\b\\c"));
    // A file in the way.
    Write("blocker", "x");
    EXPECT_FALSE(mFileUtils::CreateFolderPath(root + L"\\blocker\\sub"));
}

}  // namespace
}  // namespace brisko::testing
