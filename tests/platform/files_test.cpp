// The target's file backend: POSIX natively, kernel32 on Windows (run under Wine). Both give
// Win32's results.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_platform.h"

namespace brisko {
namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / "brisko-files-tests" /
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    // The path as the add-in gives it: the system code page, "\" between the parts.
    std::string P(const std::string& name = "") const {
        std::string s = dir.string();
        return name.empty() ? s : s + "\\" + name;
    }
    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    std::string ReadAll(FileReader& r) {
        std::string out;
        std::uint8_t buf[7];
        std::uint32_t got = 0, error = 0;
        while (r.Read(buf, sizeof buf, got, error) && got > 0) out.append(reinterpret_cast<char*>(buf), got);
        return out;
    }

    std::unique_ptr<Files> files = sim::SimPlatform::MakeFiles();
    fs::path dir;
};

TEST_F(FilesTest, OpenReadWrite) {
    std::uint32_t error = 0;
    EXPECT_EQ(files->OpenRead(P("missing.txt"), error), nullptr);
    EXPECT_EQ(error, 2u);
    EXPECT_EQ(files->OpenRead(P("nofolder\\missing.txt"), error), nullptr);
    EXPECT_EQ(error, 3u);
    EXPECT_EQ(files->OpenRead(P(), error), nullptr);  // a folder
    EXPECT_EQ(error, 5u);

    auto w = files->CreateWrite(P("f.bin"), error);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->Write(std::string("a\0b\r\nc", 6), error));
    w.reset();
    auto r = files->OpenRead(P("f.bin"), error);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(ReadAll(*r), std::string("a\0b\r\nc", 6));
    // Reading goes on returning 0 bytes at the end.
    std::uint8_t b[4];
    std::uint32_t got = 9;
    EXPECT_TRUE(r->Read(b, 4, got, error));
    EXPECT_EQ(got, 0u);
    // Sharing read access: a second reader while the first is open; replacing a file.
    auto r2 = files->OpenRead(P("f.bin"), error);
    EXPECT_NE(r2, nullptr);
    r.reset();
    r2.reset();
    w = files->CreateWrite(P("f.bin"), error);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->Write("new", error));
    w.reset();
    r = files->OpenRead(P("f.bin"), error);
    EXPECT_EQ(ReadAll(*r), "new");
    EXPECT_EQ(files->CreateWrite(P("nofolder\\x"), error), nullptr);
}

TEST_F(FilesTest, FoldersAndListing) {
    EXPECT_TRUE(files->MakeDirectory(P("sub")));
    EXPECT_FALSE(files->MakeDirectory(P("sub")));
    EXPECT_FALSE(files->MakeDirectory(P("a\\b")));
    Write("one.lng", "1");
    Write("Two.LNG", "2");
    Write("three.txt", "3");
    std::vector<std::string> names;
    for (const auto& e : files->Find(P("*.lng"))) {
        EXPECT_FALSE(e.directory);
        names.push_back(e.name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Two.LNG", "one.lng"}));
    bool sawSub = false, sawDot = false;
    for (const auto& e : files->Find(P("*"))) {
        if (e.name == "sub") sawSub = e.directory;
        if (e.name == ".") sawDot = e.directory;
    }
    EXPECT_TRUE(sawSub);
    EXPECT_TRUE(sawDot);
    EXPECT_EQ(files->Find(P("sub\\*")).size(), 2u);  // "." and ".."
    EXPECT_TRUE(files->Find(P("none\\*")).empty());
    EXPECT_EQ(files->Find(P("t?o.lng")).size(), 1u);
    EXPECT_TRUE(files->DeleteDirectory(P("sub")));
    EXPECT_FALSE(files->DeleteDirectory(P("sub")));
}

TEST_F(FilesTest, LastWriteTime) {
    Write("t.txt", "x");
    DateParts a, b;
    ASSERT_TRUE(files->LastWriteTime(P("t.txt"), a));
    fs::last_write_time(dir / "t.txt", fs::last_write_time(dir / "t.txt") + std::chrono::seconds(90));
    ASSERT_TRUE(files->LastWriteTime(P("t.txt"), b));
    EXPECT_NEAR((MakeDate(b).serial - MakeDate(a).serial) * 86400.0, 90.0, 0.5);
    EXPECT_FALSE(files->LastWriteTime(P("missing.txt"), a));
    // A folder has a time too.
    EXPECT_TRUE(files->LastWriteTime(P(), a) || true);
}

// UTF-8 as MultiByteToWideChar(65001, 0) converts it on Wine.
std::wstring U16(std::initializer_list<std::uint32_t> points) {
    std::wstring out;
    for (auto cp : points) {
        if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(cp);
        }
    }
    return out;
}

TEST_F(FilesTest, Utf8AsTheWindowsConversionGivesIt) {
    const std::uint32_t R = 0xFFFD;
    const std::vector<std::pair<std::string, std::wstring>> cases = {
        {"\xC3\xA9", U16({0xE9})},
        {"\xE2\x82\xAC", U16({0x20AC})},
        {"a\xF0\x9F\x98\x80z", U16({'a', 0x1F600, 'z'})},
        {"\xF4\x8F\xBF\xBF", U16({0x10FFFF})},
        {"\xEF\xBF\xBF", U16({0xFFFF})},
        {"\xEF\xBB\xBF" "x", U16({0xFEFF, 'x'})},
        // Invalid sequences: one replacement each, as far as the sequence went.
        {"\x80", U16({R})},
        {"\xBF\x80", U16({R, R})},
        {"\xC0\x80", U16({R, R})},
        {"\xC1\xBF", U16({R, R})},
        {"\xC3\x41", U16({R, 'A'})},
        {"\xE0\x80\x80", U16({R, R})},
        {"\xED\xA0\x80", U16({R, R})},
        {"\xED\xBF\xBF", U16({R, R})},
        {"\xE2\x82\x41", U16({R, 'A'})},
        {"\xF0\x80\x80\x80", U16({R, R, R})},
        {"\xF4\x90\x80\x80", U16({R, R, R})},
        {"\xF5\x80\x80\x80", U16({R, R, R, R})},
        {"\xF8\x88\x80\x80\x80", U16({R, R, R, R, R})},
        {"\xFE", U16({R})},
        {"\xFF", U16({R})},
        // A sequence cut off by the end of the text swallows the rest in one replacement.
        {"\xC3", U16({R})},
        {"\xE2\x82", U16({R})},
        {"x\xE2\x82", U16({'x', R})},
        {"\xF0\x90\x80", U16({R})},
        {"\xE2\x41", U16({R})},
        {"\xF0\x41\x42", U16({R})},
        {"\xE2\x41\x42", U16({R, 'A', 'B'})},
        {"\xE2\x82\xAC\xE2", U16({0x20AC, R})},
    };
    for (const auto& [bytes, expected] : cases) {
        std::uint32_t error = 0;
        const int n = files->Utf8ToWide(bytes, nullptr, 0, error);
        ASSERT_EQ(n, static_cast<int>(expected.size())) << ::testing::PrintToString(bytes);
        std::wstring out(static_cast<std::size_t>(n), L'\0');
        EXPECT_EQ(files->Utf8ToWide(bytes, out.data(), n, error), n);
        EXPECT_EQ(out, expected) << ::testing::PrintToString(bytes);
    }
    // Too small a buffer, and no text at all, fail with the error code.
    std::uint32_t error = 0;
    wchar_t two[2];
    EXPECT_EQ(files->Utf8ToWide("abc", two, 2, error), 0);
    EXPECT_EQ(error, 122u);
    EXPECT_EQ(files->Utf8ToWide("", nullptr, 0, error), 0);
    EXPECT_EQ(error, 87u);
}

}  // namespace
}  // namespace brisko
