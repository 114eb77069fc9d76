#include "tests/platform/registry_conformance.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/registry_text.h"

namespace brisko::testing {

namespace {

using namespace std::string_literals;

constexpr char kSuiteKey[] = "Software\\BriskoConformance";

const std::uint8_t* Bytes(std::string_view s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

bool DeleteTree(Registry& r, std::uint32_t parent, const std::string& name) {
    std::uint32_t key = 0;
    if (r.OpenKey(parent, name, reg::AllAccess, key) == reg::Success) {
        for (;;) {
            char child[1024];
            std::uint32_t chars = sizeof child;
            if (r.EnumKey(key, 0, child, chars) != reg::Success || !DeleteTree(r, key, std::string(child, chars))) {
                break;
            }
        }
        r.CloseKey(key);
    }
    return r.DeleteKey(parent, name) == reg::Success;
}

// A sub-key path of exactly n characters made of one-letter names.
std::string PathOfLength(std::size_t n) {
    std::string p;
    while (p.size() < n) p += p.empty() ? "a" : "\\a";
    p.resize(n);
    if (p.back() == '\\') p.back() = 'b';
    return p;
}

}  // namespace

void RegistryConformance::SetUp() {
    backend_ = MakeRegistryBackend();
    reg_ = &backend_->registry();
    basePath_ = std::string(kSuiteKey) + "\\" + backend_->RunTag() + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
    DeleteTree(*reg_, reg::CurrentUser, basePath_);
    ASSERT_EQ(reg_->CreateKey(reg::CurrentUser, basePath_, reg::AllAccess, base_, nullptr), reg::Success);
}

void RegistryConformance::TearDown() {
    for (auto h : opened_) reg_->CloseKey(h);
    if (base_) reg_->CloseKey(base_);
    EXPECT_TRUE(DeleteTree(*reg_, reg::CurrentUser, basePath_));
    reg_->DeleteKey(reg::CurrentUser, kSuiteKey);  // refused while other runs' keys remain
}

std::uint32_t RegistryConformance::Create(std::string_view path, std::uint32_t access) {
    std::uint32_t key = 0;
    EXPECT_EQ(reg_->CreateKey(base_, path, access, key, nullptr), reg::Success) << path;
    if (key) opened_.push_back(key);
    return key;
}

std::uint32_t RegistryConformance::Open(std::string_view path, std::uint32_t access) {
    std::uint32_t key = 0;
    EXPECT_EQ(reg_->OpenKey(base_, path, access, key), reg::Success) << path;
    if (key) opened_.push_back(key);
    return key;
}

std::int32_t RegistryConformance::Set(std::uint32_t key, std::string_view name, std::uint32_t type,
                                      std::string_view bytes) {
    return reg_->SetValue(key, name, type, Bytes(bytes), static_cast<std::uint32_t>(bytes.size()));
}

RegistryConformance::Data RegistryConformance::Query(std::uint32_t key, std::string_view name) {
    Data d;
    std::uint32_t size = 0;
    d.result = reg_->QueryValue(key, name, d.type, nullptr, size);
    if (d.result != reg::Success) return d;
    std::vector<std::uint8_t> buf(size + 1);
    d.result = reg_->QueryValue(key, name, d.type, buf.data(), size);
    d.bytes.assign(reinterpret_cast<const char*>(buf.data()), size);
    return d;
}

std::vector<std::string> RegistryConformance::SubKeys(std::uint32_t key) {
    std::vector<std::string> names;
    for (std::uint32_t i = 0;; ++i) {
        char name[1024];
        std::uint32_t chars = sizeof name;
        const auto r = reg_->EnumKey(key, i, name, chars);
        if (r != reg::Success) {
            EXPECT_EQ(r, reg::NoMoreItems);
            return names;
        }
        names.emplace_back(name, chars);
    }
}

std::vector<std::string> RegistryConformance::ValueNames(std::uint32_t key) {
    std::vector<std::string> names;
    for (std::uint32_t i = 0;; ++i) {
        std::string name(reg::MaxValueNameChars + 1, '\0');
        auto chars = static_cast<std::uint32_t>(name.size());
        const auto r = reg_->EnumValue(key, i, name.data(), chars, nullptr, nullptr, nullptr);
        if (r != reg::Success) {
            EXPECT_EQ(r, reg::NoMoreItems);
            return names;
        }
        names.push_back(name.substr(0, chars));
    }
}

// --- Keys, paths and handles -------------------------------------------------------

TEST_F(RegistryConformance, PathsNamesAndLimits) {
    std::uint32_t key = 0, disposition = 0;
    ASSERT_EQ(reg_->CreateKey(base_, "A\\B\\C", reg::AllAccess, key, &disposition), reg::Success);
    opened_.push_back(key);
    EXPECT_EQ(disposition, reg::CreatedNewKey);
    ASSERT_EQ(reg_->CreateKey(base_, "a\\b\\c", reg::Read, key, &disposition), reg::Success);
    opened_.push_back(key);
    EXPECT_EQ(disposition, reg::OpenedExistingKey);
    Create("R\\.");
    Create("R\\..");
    Create(std::string(256, 'k'));
    Create(PathOfLength(260));
    Create("k\0x"s);  // a name ends at its first null

    const struct {
        std::string path;
        std::int32_t result;
    } cases[] = {
        {"A\\B", reg::Success},         {"A\\", reg::Success},
        {"A\\\\B", reg::Success},       {"R\\..", reg::Success},
        {"K", reg::Success},            {"A\\X", reg::FileNotFound},
        {"A\\B\\C\\D", reg::FileNotFound}, {"\\A", reg::BadPathName},
        {"\\", reg::BadPathName},       {std::string(256, 'K'), reg::Success},
        {std::string(257, 'k'), reg::InvalidParameter},
        {PathOfLength(260), reg::Success}, {PathOfLength(261), reg::MoreData},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(reg_->OpenKey(base_, c.path, reg::Read, key), c.result) << c.path.substr(0, 20);
        if (key) reg_->CloseKey(key);
        EXPECT_EQ(key == 0, c.result != reg::Success);
    }
    EXPECT_EQ(reg_->CreateKey(base_, "\\C", reg::AllAccess, key, nullptr), reg::BadPathName);
    EXPECT_EQ(reg_->CreateKey(base_, std::string(257, 'k'), reg::AllAccess, key, nullptr), reg::InvalidParameter);
    EXPECT_EQ(reg_->CreateKey(base_, PathOfLength(261), reg::AllAccess, key, nullptr), reg::MoreData);
    EXPECT_EQ(reg_->DeleteKey(base_, PathOfLength(261)), reg::MoreData);
    EXPECT_EQ(SubKeys(Open("R")), (std::vector<std::string>{".", ".."}));
}

TEST_F(RegistryConformance, NamesIgnoreCaseButKeepTheirFirstSpelling) {
    Create("MixedCase");
    Create("MIXEDCASE");
    EXPECT_EQ(SubKeys(base_), std::vector<std::string>{"MixedCase"});
    EXPECT_EQ(Set(base_, "Mixed", reg::Sz, "one\0"s), reg::Success);
    EXPECT_EQ(Set(base_, "MIXED", reg::Dword, "\x02\0\0\0"s), reg::Success);
    const auto d = Query(base_, "mixed");
    EXPECT_EQ(d.type, reg::Dword);
    EXPECT_EQ(d.bytes, "\x02\0\0\0"s);
    EXPECT_EQ(ValueNames(base_), std::vector<std::string>{"Mixed"});
}

TEST_F(RegistryConformance, NonAsciiNamesFoldAndSortAsTheirCharacters) {
    if (!backend_->IsCp1252()) GTEST_SKIP() << "the system code page is not Windows-1252";
    EXPECT_EQ(Set(base_, "Caf\xE9", reg::Sz, "\x80\x81\x8D\x9F\xFF\0"s), reg::Success);
    EXPECT_EQ(Query(base_, "CAF\xC9").bytes, "\x80\x81\x8D\x9F\xFF\0"s);
    Set(base_, "\x9A\xFF", reg::Sz, "");  // s-caron, y-diaeresis
    EXPECT_EQ(Query(base_, "\x8A\x9F").result, reg::Success);
    Set(base_, "\xDF", reg::Sz, "");  // sharp s is not "SS"
    EXPECT_EQ(Query(base_, "SS").result, reg::FileNotFound);
    Create("\xE9");
    Create("z");
    EXPECT_EQ(SubKeys(base_), (std::vector<std::string>{"z", "\xE9"}));
}

TEST_F(RegistryConformance, RootsClosedAndUnknownHandles) {
    std::uint32_t key = 0;
    ASSERT_EQ(reg_->OpenKey(reg::CurrentUser, "", reg::Read, key), reg::Success);
    EXPECT_EQ(key, reg::CurrentUser);
    EXPECT_EQ(reg_->CloseKey(reg::CurrentUser), reg::Success);  // does nothing
    EXPECT_EQ(reg_->FlushKey(reg::CurrentUser), reg::Success);
    // An empty path under an ordinary key is a second handle of that key.
    ASSERT_EQ(reg_->OpenKey(base_, "", reg::AllAccess, key), reg::Success);
    EXPECT_NE(key, base_);
    EXPECT_EQ(Set(key, "v", reg::Sz, "1\0"s), reg::Success);
    EXPECT_EQ(reg_->CloseKey(key), reg::Success);
    EXPECT_EQ(Query(base_, "v").bytes, "1\0"s);
    EXPECT_EQ(reg_->FlushKey(base_), reg::Success);

    EXPECT_EQ(reg_->CloseKey(key), reg::InvalidHandle);
    EXPECT_EQ(Set(key, "v", reg::Sz, "1\0"s), reg::InvalidHandle);
    EXPECT_EQ(reg_->FlushKey(key), reg::InvalidHandle);
    EXPECT_EQ(reg_->CloseKey(0), reg::InvalidHandle);
    EXPECT_EQ(reg_->OpenKey(0, "Software", reg::Read, key), reg::InvalidHandle);
    EXPECT_EQ(reg_->OpenKey(0x00FFFFF0, "Software", reg::Read, key), reg::InvalidHandle);
}

// --- Values ---------------------------------------------------------------------------

TEST_F(RegistryConformance, ValuesKeepTheirTypeAndEveryByte) {
    const struct {
        std::string name;
        std::uint32_t type;
        std::string bytes;
    } cases[] = {
        {"text", reg::Sz, "text\0"s},       {"unterminated", reg::Sz, "no null"s},
        {"embedded", reg::Sz, "a\0b\0"s},   {"two nulls", reg::Sz, "ab\0\0"s},
        {"empty", reg::Sz, ""},             {"expand", reg::ExpandSz, "%PATH%\0"s},  // never expanded
        {"multi", reg::MultiSz, "a\0b\0\0"s}, {"dword", reg::Dword, "\x78\x56\x34\x12"s},
        {"short dword", reg::Dword, "\x01\x02"s}, {"binary", reg::Binary, "\x01\0\xFF"s},
        {"qword", reg::Qword, "12345678"s}, {"own type", 99, "zz"s},
        {"", reg::Sz, "default\0"s},        {std::string(16383, 'v'), reg::Dword, "\0\0\0\0"s},
    };
    for (const auto& c : cases) EXPECT_EQ(Set(base_, c.name, c.type, c.bytes), reg::Success) << c.name;
    for (const auto& c : cases) {
        const auto d = Query(base_, c.name);
        EXPECT_EQ(d.result, reg::Success) << c.name;
        EXPECT_EQ(d.type, c.type) << c.name;
        EXPECT_EQ(d.bytes, c.bytes) << c.name;
    }
    EXPECT_EQ(Query(base_, "missing").result, reg::FileNotFound);
    EXPECT_EQ(reg_->SetValue(base_, "null data", reg::Sz, nullptr, 0), reg::Success);
    EXPECT_EQ(Query(base_, "null data").bytes, "");
    EXPECT_EQ(Set(base_, "n\0b"s, reg::Sz, "x\0"s), reg::Success);  // a name ends at its first null
    EXPECT_EQ(Query(base_, "n").bytes, "x\0"s);
    const std::string tooLong(16384, 'v');
    EXPECT_EQ(Set(base_, tooLong, reg::Dword, "\0\0\0\0"s), reg::InvalidParameter);
    EXPECT_EQ(Query(base_, tooLong).result, reg::FileNotFound);
    EXPECT_EQ(reg_->DeleteValue(base_, tooLong), reg::FileNotFound);
}

TEST_F(RegistryConformance, ATooSmallBufferAnswersMoreDataAndTheSizeNeeded) {
    Set(base_, "s", reg::Sz, "abc");
    Set(base_, "b", reg::Binary, "ab");
    Set(base_, "e", reg::Sz, "");
    std::uint8_t buf[16];
    std::uint32_t type = 0, size = 0;
    auto query = [&](const char* name, std::uint32_t room) {
        std::memset(buf, '#', sizeof buf);
        size = room;
        return reg_->QueryValue(base_, name, type, buf, size);
    };
    EXPECT_EQ(query("s", 2), reg::MoreData);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(query("s", 0), reg::MoreData);
    EXPECT_EQ(size, 3u);
    // An exact fit leaves the byte after alone; with room a string gets an uncounted null.
    EXPECT_EQ(query("s", 3), reg::Success);
    EXPECT_EQ(buf[3], '#');
    EXPECT_EQ(query("s", sizeof buf), reg::Success);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(buf[3], 0);
    // Not so for other types, nor for an empty string.
    EXPECT_EQ(query("b", sizeof buf), reg::Success);
    EXPECT_EQ(buf[2], '#');
    EXPECT_EQ(query("e", sizeof buf), reg::Success);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(buf[0], '#');

    const auto big = std::string(70000, 'q') + '\0';
    Set(base_, "big", reg::Sz, big);
    EXPECT_EQ(query("big", sizeof buf), reg::MoreData);
    EXPECT_EQ(size, 70001u);
    EXPECT_EQ(Query(base_, "big").bytes, big);
}

// --- Enumeration ------------------------------------------------------------------------

TEST_F(RegistryConformance, SubKeysComeInNameOrderValuesInAStableOne) {
    for (const char* n : {"b10", "B2", "a", "A1", "b1"}) {
        Create(n);
        Set(base_, n, reg::Sz, "");
    }
    EXPECT_EQ(SubKeys(base_), (std::vector<std::string>{"a", "A1", "b1", "b10", "B2"}));
    auto values = ValueNames(base_);
    EXPECT_EQ(ValueNames(base_), values);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (std::vector<std::string>{"A1", "B2", "a", "b1", "b10"}));
    reg_->DeleteValue(base_, "a");
    EXPECT_EQ(ValueNames(base_).size(), 4u);
}

TEST_F(RegistryConformance, EnumerationNameBuffersCountTheNull) {
    Create("Bin");
    Create(std::string(255, 'k'));
    char name[300];
    std::uint32_t chars = 0;
    auto enumKey = [&](std::uint32_t index, std::uint32_t room) {
        chars = room;
        return reg_->EnumKey(base_, index, name, chars);
    };
    EXPECT_EQ(enumKey(0, 3), reg::MoreData);
    EXPECT_EQ(enumKey(0, 4), reg::Success);
    EXPECT_EQ(chars, 3u);
    EXPECT_STREQ(name, "Bin");
    EXPECT_EQ(enumKey(1, 255), reg::MoreData);
    EXPECT_EQ(enumKey(1, 256), reg::Success);
    EXPECT_EQ(chars, 255u);
    EXPECT_EQ(enumKey(2, sizeof name), reg::NoMoreItems);

    Set(base_, "Bin", reg::Binary, "\x01\x02\x03");
    Set(base_, "Str", reg::Sz, "xy");
    std::uint32_t type = 0, size = 0;
    std::uint8_t data[8];
    auto enumValue = [&](std::uint32_t index, std::uint32_t nameRoom, std::uint32_t dataRoom) {
        std::memset(name, '#', sizeof name);
        std::memset(data, '#', sizeof data);
        chars = nameRoom;
        size = dataRoom;
        return reg_->EnumValue(base_, index, name, chars, &type, data, &size);
    };
    EXPECT_EQ(enumValue(0, 3, sizeof data), reg::MoreData);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(enumValue(0, sizeof name, 1), reg::MoreData);  // nor is the name written
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(name[0], '#');
    ASSERT_EQ(enumValue(0, sizeof name, sizeof data), reg::Success);
    EXPECT_EQ(std::string(name, chars), "Bin");
    EXPECT_EQ(type, reg::Binary);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "\x01\x02\x03");
    ASSERT_EQ(enumValue(1, sizeof name, sizeof data), reg::Success);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(data[2], 0);
    EXPECT_EQ(enumValue(2, 0, 0), reg::NoMoreItems);
}

// --- Rights ---------------------------------------------------------------------------

TEST_F(RegistryConformance, AHandleAllowsWhatItWasOpenedFor) {
    Set(base_, "v", reg::Sz, "x\0"s);
    Create("Child");
    const struct {
        std::uint32_t access;
        std::int32_t query, set, enumValue, enumKey;
    } cases[] = {
        {reg::Read, reg::Success, reg::AccessDenied, reg::Success, reg::Success},
        {reg::SetValueRight, reg::AccessDenied, reg::Success, reg::AccessDenied, reg::AccessDenied},
        {0, reg::AccessDenied, reg::AccessDenied, reg::AccessDenied, reg::AccessDenied},
        {reg::GenericRead, reg::Success, reg::AccessDenied, reg::Success, reg::Success},
        {reg::MaximumAllowed, reg::Success, reg::Success, reg::Success, reg::Success},
    };
    for (const auto& c : cases) {
        const auto key = Open("", c.access);
        std::uint32_t type = 0, size = 0;
        char name[16];
        std::uint32_t chars = sizeof name;
        EXPECT_EQ(reg_->QueryValue(key, "v", type, nullptr, size), c.query) << c.access;
        EXPECT_EQ(Set(key, "v", reg::Sz, "y\0"s), c.set) << c.access;
        EXPECT_EQ(reg_->DeleteValue(key, "w"), c.set == reg::Success ? reg::FileNotFound : c.set) << c.access;
        EXPECT_EQ(reg_->EnumValue(key, 0, name, chars, nullptr, nullptr, nullptr), c.enumValue) << c.access;
        chars = sizeof name;
        EXPECT_EQ(reg_->EnumKey(key, 0, name, chars), c.enumKey) << c.access;
        // Creating, opening and deleting sub-keys ask nothing of the parent's handle.
        std::uint32_t child = 0;
        EXPECT_EQ(reg_->CreateKey(key, "New", reg::AllAccess, child, nullptr), reg::Success) << c.access;
        reg_->CloseKey(child);
        EXPECT_EQ(reg_->DeleteKey(key, "New"), reg::Success) << c.access;
    }
    // An existing key created again gets the rights asked for now.
    EXPECT_EQ(Set(Create("Child", reg::Read), "w", reg::Sz, ""), reg::AccessDenied);
}

// --- Deletion -------------------------------------------------------------------------

TEST_F(RegistryConformance, DeleteKeyRefusesAKeyWithSubKeys) {
    const auto b = Create("A\\B");
    EXPECT_EQ(reg_->DeleteKey(base_, "A"), reg::AccessDenied);
    EXPECT_EQ(reg_->DeleteKey(Open("A"), ""), reg::AccessDenied);
    EXPECT_EQ(reg_->DeleteKey(base_, "a\\b"), reg::Success);
    EXPECT_EQ(reg_->DeleteKey(base_, "A\\B"), reg::FileNotFound);
    EXPECT_EQ(reg_->FlushKey(b), reg::KeyDeleted);
    // An empty path deletes the key of the handle itself.
    EXPECT_EQ(reg_->DeleteKey(Open("A"), ""), reg::Success);
    EXPECT_TRUE(SubKeys(base_).empty());

    Set(base_, "v", reg::Sz, "");
    EXPECT_EQ(reg_->DeleteValue(base_, "V"), reg::Success);
    EXPECT_EQ(reg_->DeleteValue(base_, "v"), reg::FileNotFound);
}

TEST_F(RegistryConformance, HandlesOfADeletedKeyAnswerKeyDeleted) {
    const auto key = Create("A");
    Set(key, "v", reg::Sz, "x\0"s);
    const auto second = Open("A");
    ASSERT_EQ(reg_->DeleteKey(base_, "A"), reg::Success);

    std::uint32_t type = 0, size = 0, other = 0;
    char name[16];
    std::uint32_t chars = sizeof name;
    EXPECT_EQ(reg_->QueryValue(key, "v", type, nullptr, size), reg::KeyDeleted);
    EXPECT_EQ(Set(key, "v", reg::Sz, "y\0"s), reg::KeyDeleted);
    EXPECT_EQ(reg_->EnumKey(key, 0, name, chars), reg::KeyDeleted);
    EXPECT_EQ(reg_->EnumValue(key, 0, name, chars, nullptr, nullptr, nullptr), reg::KeyDeleted);
    EXPECT_EQ(reg_->DeleteValue(key, "v"), reg::KeyDeleted);
    EXPECT_EQ(reg_->FlushKey(key), reg::KeyDeleted);
    EXPECT_EQ(reg_->CreateKey(key, "Z", reg::AllAccess, other, nullptr), reg::KeyDeleted);
    EXPECT_EQ(reg_->OpenKey(key, "", reg::AllAccess, other), reg::KeyDeleted);
    EXPECT_EQ(reg_->DeleteKey(key, ""), reg::KeyDeleted);
    // A key made again under the same name is another key.
    EXPECT_EQ(Query(Create("A"), "v").result, reg::FileNotFound);
    EXPECT_EQ(Set(second, "v", reg::Sz, "y\0"s), reg::KeyDeleted);
    EXPECT_EQ(reg_->CloseKey(key), reg::Success);
    opened_.erase(std::find(opened_.begin(), opened_.end(), key));
}

// --- Keys as text ------------------------------------------------------------------

TEST_F(RegistryConformance, PresetAndDumpGiveTheSameTextOnEveryBackend) {
    const std::string path = "HKCU\\" + basePath_;
    ASSERT_TRUE(reg::PresetDword(*reg_, path, "zeta", 7));
    ASSERT_TRUE(reg::PresetString(*reg_, "HKEY_CURRENT_USER\\" + basePath_, "Alpha", "Caf\xE9 \"x\"\\y"));
    ASSERT_TRUE(reg::PresetString(*reg_, path, "", "default"));
    ASSERT_TRUE(reg::Preset(*reg_, path + "\\Box", "raw", reg::Sz, "no null"));
    ASSERT_TRUE(reg::Preset(*reg_, path + "\\Box", "bin", reg::Binary, std::string("\x01\0\xFF", 3)));
    ASSERT_TRUE(reg::Preset(*reg_, path + "\\Box", "short", reg::Dword, "\x01\x02"));
    ASSERT_TRUE(reg::Preset(*reg_, path + "\\Box\\Inner", "p", reg::ExpandSz, std::string("%TEMP%\0", 7)));
    ASSERT_TRUE(reg::PresetDword(*reg_, path + "\\abc", "n", 1));

    std::string upper = path;
    for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string header = "[HKCU\\" + basePath_;
    EXPECT_EQ(reg::Dump(*reg_, upper),
              header + "]\n"
                       "@=REG_SZ:\"default\"\n"
                       "\"Alpha\"=REG_SZ:\"Caf\\xE9 \\\"x\\\"\\\\y\"\n"
                       "\"zeta\"=dword:00000007\n" +
                  header + "\\abc]\n\"n\"=dword:00000001\n" + header +
                  "\\Box]\n"
                  "\"bin\"=hex:01,00,ff\n"
                  "\"raw\"=REG_SZ(no null):\"no null\"\n"
                  "\"short\"=hex(4):01,02\n" +
                  header + "\\Box\\Inner]\n\"p\"=REG_EXPAND_SZ:\"%TEMP%\"\n");
    EXPECT_EQ(reg::Dump(*reg_, path + "\\Missing"), "");
    EXPECT_EQ(reg::Dump(*reg_, "HKXX\\Software"), "");
    EXPECT_FALSE(reg::PresetString(*reg_, "Software\\Corvant", "x", "y"));
    EXPECT_EQ(reg::ParseKeyPath("hkey_local_machine\\Software")->root, reg::LocalMachine);
    EXPECT_EQ(reg::ParseKeyPath("HKU")->subKey, "");
}

}  // namespace brisko::testing
