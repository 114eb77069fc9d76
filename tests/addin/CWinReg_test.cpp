// CWinReg against the platform's registry: the in-memory one natively, the real one on Windows.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "addin/host/CWinReg.h"
#include "automation/error.h"
#include "platform/platform.h"
#include "platform/registry.h"

#ifdef _WIN32
#include "platform/win/win_platform.h"
#include "platform/win/win_registry.h"
#else
#include "platform/sim/sim_platform.h"
#endif

namespace brisko {
namespace {

using namespace std::string_literals;

constexpr wchar_t kSuiteKey[] = L"Software\\BriskoConformance";

// Each test works below its own fresh key of HKCU\Software\BriskoConformance, removed afterwards.
class CWinRegTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tag;
#ifdef _WIN32
        Platform p;
        p.registry = &registry_;
        p.codePage = &codePage_;
        SetPlatform(p);
        tag = "win" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
#else
        platform_.Install();
        tag = "sim";
#endif
        tag += std::string("-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        leaf_ = L"CWinReg-" + std::wstring(tag.begin(), tag.end());
        ASSERT_TRUE(base_.InitForAllAccess(CWinReg::HKEY_CURRENT_USER(), Path(), true));
    }

    void TearDown() override {
        base_.CloseKey();
        CWinReg suite;
        EXPECT_TRUE(suite.InitForAllAccess(CWinReg::HKEY_CURRENT_USER(), kSuiteKey, false));
        EXPECT_TRUE(suite.DeleteKeyRec(leaf_));
        suite.CloseKey();
        CWinReg software;
        if (software.InitForAllAccess(CWinReg::HKEY_CURRENT_USER(), L"Software", false)) {
            software.DeleteKey(L"BriskoConformance");  // refused while other runs' keys remain
        }
        SetPlatform(Platform{});
    }

    std::wstring Path(std::wstring_view sub = {}) const {
        auto p = std::wstring(kSuiteKey) + L"\\" + leaf_;
        if (!sub.empty()) p += L"\\" + std::wstring(sub);
        return p;
    }

    // Data written or read as stored, past CWinReg.
    void SetRaw(std::string_view name, std::uint32_t type, std::string_view bytes) {
        ASSERT_EQ(CurrentPlatform().registry->SetValue(base_.Key(), name, type,
                                                       reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                       static_cast<std::uint32_t>(bytes.size())),
                  reg::Success);
    }
    std::string GetRaw(std::string_view name, std::uint32_t expectedType = reg::Sz) {
        std::uint8_t buf[64];
        std::uint32_t type = 0, size = sizeof buf;
        if (CurrentPlatform().registry->QueryValue(base_.Key(), name, type, buf, size) != reg::Success) {
            return "<missing>";
        }
        EXPECT_EQ(type, expectedType);
        return std::string(reinterpret_cast<const char*>(buf), size);
    }

    CWinReg base_;
    std::wstring leaf_;
#ifdef _WIN32
    win::WinRegistry registry_;
    win::WinCodePage codePage_;
#else
    sim::SimPlatform platform_;
#endif
};

// --- Opening and closing ----------------------------------------------------------

TEST_F(CWinRegTest, AFailedOpeningLeavesNoKeyOpen) {
    CWinReg r;
    EXPECT_FALSE(r.InitForRead(CWinReg::HKEY_CURRENT_USER(), Path(L"Missing")));
    EXPECT_EQ(r.Key(), 0u);
    EXPECT_EQ(r.ReadDWORD(L"x", 5), 0);
    EXPECT_EQ(r.ReadString(L"x"), L"");
    EXPECT_FALSE(r.WriteString(L"x", L"y"));
    EXPECT_FALSE(r.InitForWrite(CWinReg::HKEY_CURRENT_USER(), Path(L"Missing"), false));
    EXPECT_FALSE(r.InitForRead(CWinReg::HKEY_CURRENT_USER(), L"\\Software"));
    EXPECT_TRUE(r.CloseKey());

    EXPECT_TRUE(r.InitForWrite(CWinReg::HKEY_CURRENT_USER(), Path(L"Made\\Deep"), true));
    EXPECT_TRUE(r.WriteDWORD(L"n", 1));
    EXPECT_TRUE(r.InitForRead(CWinReg::HKEY_CURRENT_USER(), Path(L"Made\\Deep")));
    EXPECT_EQ(r.ReadDWORD(L"n", 5), 1);
    EXPECT_TRUE(r.CloseKey());
    EXPECT_EQ(r.ReadDWORD(L"n", 5), 0);
}

TEST_F(CWinRegTest, TheAccessMaskDecidesWhatTheKeyAllows) {
    base_.WriteString(L"s", L"text");
    CWinReg r;
    ASSERT_TRUE(r.InitForWrite(base_.Key(), L"Sub", true));
    ASSERT_TRUE(r.InitForRead(CWinReg::HKEY_CURRENT_USER(), Path()));
    EXPECT_EQ(r.ReadString(L"s"), L"text");
    EXPECT_EQ(r.Keys(0), L"Sub");
    EXPECT_FALSE(r.WriteString(L"s", L"other"));
    EXPECT_FALSE(r.DeleteValue(L"s"));
    ASSERT_TRUE(r.InitForAccess(CWinReg::HKEY_CURRENT_USER(), Path(), reg::QueryValueRight, false));
    EXPECT_EQ(r.ReadString(L"s"), L"text");
    EXPECT_EQ(r.Keys(0), L"");
    ASSERT_TRUE(r.InitForWrite(CWinReg::HKEY_CURRENT_USER(), Path(), false));
    EXPECT_TRUE(r.WriteString(L"s", L"other"));
    // The open key as the root of the next opening.
    ASSERT_TRUE(r.InitForAllAccess(r.Key(), L"Sub", false));
    EXPECT_TRUE(r.WriteString(L"at", L"sub"));
    ASSERT_TRUE(r.InitForRead(CWinReg::HKEY_CURRENT_USER(), Path(L"Sub")));
    EXPECT_EQ(r.ReadString(L"at"), L"sub");
}

// --- Strings, numbers, flags --------------------------------------------------------

TEST_F(CWinRegTest, StringsRoundTripWithTheirNull) {
    for (const auto& s : {std::wstring(L"Caf\u00E9 \u20AC"), std::wstring(), std::wstring(300, L'x'),
                          std::wstring(70000, L'y')}) {
        EXPECT_TRUE(base_.WriteString(L"Name \u00E9", s));
        EXPECT_EQ(base_.ReadString(L"NAME \u00C9"), s);
    }
    base_.WriteString(L"empty", L"");
    EXPECT_EQ(GetRaw("empty"), "\0"s);
    base_.WriteString(L"word", L"ab");
    EXPECT_EQ(GetRaw("word"), "ab\0"s);
}

TEST_F(CWinRegTest, ReadStringOfStoredData) {
    const struct {
        std::uint32_t type;
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {reg::ExpandSz, "%PATH%\0"s, L"%PATH%"},
        {reg::Dword, "\x01\0\0\0"s, L""},
        {reg::Binary, "abc\0"s, L""},
        {reg::MultiSz, "a\0b\0\0"s, L""},
        // Every character is kept; only a final null is dropped.
        {reg::Sz, "abc", L"abc"},
        {reg::Sz, "", L""},
        {reg::Sz, "ab\0\0"s, L"ab\0"s},
        {reg::Sz, "a\0b\0"s, L"a\0b"s},
        {reg::Sz, std::string(255, 'c'), std::wstring(255, L'c')},
        {reg::Sz, std::string(256, 'd'), std::wstring(256, L'd')},
        {reg::Sz, std::string(300, 'e'), std::wstring(300, L'e')},
    };
    for (const auto& c : cases) {
        SetRaw("v", c.type, c.bytes);
        EXPECT_EQ(base_.ReadString(L"v"), c.text) << c.bytes.size();
    }
    EXPECT_EQ(base_.ReadString(L"missing"), L"");
}

TEST_F(CWinRegTest, NumbersRoundTripAndOddDataGivesTheDefault) {
    for (std::int32_t n : {0, -1, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}) {
        EXPECT_TRUE(base_.WriteDWORD(L"n", n));
        EXPECT_EQ(base_.ReadDWORD(L"N", 7), n);
    }
    base_.WriteDWORD(L"n", 0x12345678);
    EXPECT_EQ(GetRaw("n", reg::Dword), "\x78\x56\x34\x12"s);
    const struct {
        std::uint32_t type;
        std::string bytes;
    } odd[] = {{reg::Sz, "7\0"s},
               {reg::Dword, "\x01\x02"s},
               {reg::Dword, "\x01\0\0\0\0\0\0\0"s},
               {reg::Qword, "\x01\0\0\0\0\0\0\0"s},
               {reg::DwordBigEndian, "\0\0\0\x01"s}};
    for (const auto& c : odd) {
        SetRaw("v", c.type, c.bytes);
        EXPECT_EQ(base_.ReadDWORD(L"v", -5), -5) << c.type << " " << c.bytes.size();
    }
    EXPECT_EQ(base_.ReadDWORD(L"missing", -5), -5);
}

TEST_F(CWinRegTest, BoolsAreYesAndNo) {
    base_.WriteBool(L"on", true);
    base_.WriteBool(L"off", false);
    EXPECT_EQ(GetRaw("on"), "yes\0"s);
    EXPECT_EQ(GetRaw("off"), "no\0"s);
    EXPECT_TRUE(base_.ReadBool(L"on"));
    for (const auto* s : {L"YES", L"yEs"}) {
        base_.WriteString(L"b", s);
        EXPECT_TRUE(base_.ReadBool(L"b")) << s;
    }
    for (const auto* s : {L"no", L"", L"yess", L" yes", L"true"}) {
        base_.WriteString(L"b", s);
        EXPECT_FALSE(base_.ReadBool(L"b")) << s;
    }
    base_.WriteDWORD(L"b", 1);
    EXPECT_FALSE(base_.ReadBool(L"b"));
}

// --- Dates -------------------------------------------------------------------------------

TEST_F(CWinRegTest, DatesRoundTripToTheSecond) {
    EXPECT_TRUE(base_.WriteDate(L"d", Date{MakeDate({2026, 2, 3, 4, 5, 6}).serial + 0.4 / 86400.0}));
    EXPECT_EQ(GetRaw("d"), "2026.02.03 04:05:06\0"s);
    EXPECT_EQ(base_.ReadDate(L"d", Date{}), MakeDate({2026, 2, 3, 4, 5, 6}));
    for (const DateParts& p : {DateParts{2024, 2, 29, 23, 59, 59}, DateParts{1850, 6, 15, 12, 30, 0},
                               DateParts{100, 1, 1, 0, 0, 0}, DateParts{9999, 12, 31, 23, 59, 59}}) {
        ASSERT_TRUE(base_.WriteDate(L"d", MakeDate(p)));
        EXPECT_EQ(SplitDate(base_.ReadDate(L"d", Date{})), p);
    }
    base_.WriteString(L"d", L"2026.2.3 4:5:6");
    EXPECT_EQ(base_.ReadDate(L"d", Date{}), MakeDate({2026, 2, 3, 4, 5, 6}));
}

TEST_F(CWinRegTest, DatesThatNameNoRealTimeGiveTheDefault) {
    const Date fallback = MakeDate({2001, 1, 1, 0, 0, 0});
    for (const auto* s : {L"2026.02.30 10:00:00", L"2026.13.01 25:61:00", L"2026.12.01 24:00:00", L"yesterday",
                          L"2026.02.03", L"2026.02.03 ", L"2026.02 10:00:00", L"2026.02.03 10:00",
                          L"2026.02.03.04 10:00:00", L"2026.02.03 10:00:00:00", L"0099.12.31 00:00:00",
                          L"10000.01.01 00:00:00", L"99999999999.01.01 00:00:00", L"2026.-1.01 10:00:00",
                          L"2026.02.03 1O:00:00", L"2026..03 10:00:00", L""}) {
        base_.WriteString(L"d", s);
        EXPECT_EQ(base_.ReadDate(L"d", fallback), fallback) << s;
        EXPECT_FALSE(Err().Pending()) << s;
    }
    base_.WriteDWORD(L"d", 20260203);
    EXPECT_EQ(base_.ReadDate(L"d", fallback), fallback);
    EXPECT_EQ(base_.ReadDate(L"missing", fallback), fallback);
}

TEST_F(CWinRegTest, WriteDateRefusesDatesOutsideTheCalendar) {
    const double last = MakeDate({9999, 12, 31, 23, 59, 59}).serial;
    for (double serial : {std::nan(""), 1e300, -1e300, last + 1.0, MakeDate({100, 1, 1, 0, 0, 0}).serial - 1.0}) {
        EXPECT_FALSE(base_.WriteDate(L"d", Date{serial})) << serial;
    }
    EXPECT_EQ(GetRaw("d"), "<missing>");
}

// --- Enumeration and deletion ----------------------------------------------------------------

TEST_F(CWinRegTest, ValuesAndKeysListEveryNameUntilTheEnd) {
    const std::wstring longValue(300, L'v'), longKey(255, L'k');
    for (const auto& name : {std::wstring(), std::wstring(L"a"), longValue}) base_.WriteString(name, L"x");
    for (const auto& name : {std::wstring(L"K1"), longKey}) CWinReg().InitForWrite(base_.Key(), name, true);

    std::set<std::wstring> values;
    bool end = false;
    std::int32_t i = 0;
    for (auto name = base_.Values(i, end); !end; name = base_.Values(++i, end)) values.insert(name);
    EXPECT_EQ(values, (std::set<std::wstring>{L"", L"a", longValue}));
    EXPECT_EQ(base_.Keys(0), L"K1");
    EXPECT_EQ(base_.Keys(1), longKey);
    EXPECT_EQ(base_.Keys(2), L"");
    EXPECT_EQ(base_.Keys(-1), L"");
    base_.Values(-1, end);
    EXPECT_TRUE(end);
    end = false;
    EXPECT_EQ(CWinReg().Values(0, end), L"");
    EXPECT_TRUE(end);
}

TEST_F(CWinRegTest, RecursiveDeletion) {
    for (const auto* path : {L"T\\A\\A1", L"T\\A\\A2\\X", L"T\\B", L"Keep\\K", L"All\\B\\C", L"All\\D"}) {
        CWinReg sub;
        ASSERT_TRUE(sub.InitForWrite(base_.Key(), path, true));
        sub.WriteString(L"v", L"x");
    }
    EXPECT_FALSE(base_.DeleteKey(L"T"));
    EXPECT_TRUE(base_.DeleteKeyRec(L"t"));
    EXPECT_FALSE(CWinReg().InitForRead(base_.Key(), L"T"));
    EXPECT_FALSE(base_.DeleteKeyRec(L"T"));
    // An empty name would be the open key itself.
    CWinReg keep;
    ASSERT_TRUE(keep.InitForAllAccess(base_.Key(), L"Keep", false));
    EXPECT_FALSE(keep.DeleteKeyRec(L""));
    EXPECT_FALSE(keep.DeleteKey(L"\0x"s));
    EXPECT_EQ(keep.Keys(0), L"K");
    // DeleteAllKeys keeps the key and its values.
    CWinReg all;
    ASSERT_TRUE(all.InitForAllAccess(base_.Key(), L"All", false));
    all.WriteString(L"v", L"kept");
    all.DeleteAllKeys();
    EXPECT_EQ(all.Keys(0), L"");
    EXPECT_EQ(all.ReadString(L"v"), L"kept");
    EXPECT_EQ(base_.Keys(0), L"All");
}

TEST_F(CWinRegTest, DeleteValueAndFlushKey) {
    base_.WriteString(L"v", L"x");
    EXPECT_TRUE(base_.DeleteValue(L"V"));
    EXPECT_FALSE(base_.DeleteValue(L"v"));
    EXPECT_TRUE(base_.FlushKey());
    CWinReg closed;
    EXPECT_FALSE(closed.FlushKey());
    EXPECT_FALSE(closed.DeleteValue(L"v"));
    EXPECT_FALSE(closed.DeleteKey(L"v"));
}

#ifndef _WIN32
TEST_F(CWinRegTest, EveryOpenedKeyIsClosedAgain) {
    const auto before = platform_.registry.OpenHandleCount();
    {
        CWinReg r;
        ASSERT_TRUE(r.InitForRead(CWinReg::HKEY_CURRENT_USER(), Path()));
        ASSERT_TRUE(r.InitForWrite(r.Key(), L"Sub", true));
        ASSERT_TRUE(r.InitForAllAccess(CWinReg::HKEY_CURRENT_USER(), Path(), false));
        r.DeleteKeyRec(L"Sub");
        EXPECT_EQ(platform_.registry.OpenHandleCount(), before + 1);
    }
    EXPECT_EQ(platform_.registry.OpenHandleCount(), before);
}
#endif

TEST(CWinReg, WithoutAPlatformRegistryEveryOpeningFails) {
    SetPlatform(Platform{});
    CWinReg r;
    EXPECT_FALSE(r.InitForWrite(CWinReg::HKEY_CURRENT_USER(), L"Software", true));
    EXPECT_EQ(r.ReadDWORD(L"n", 5), 0);
    bool end = false;
    EXPECT_EQ(r.Values(0, end), L"");
    EXPECT_TRUE(end);
    EXPECT_FALSE(r.DeleteKeyRec(L"Software"));
    EXPECT_TRUE(r.CloseKey());
}

}  // namespace
}  // namespace brisko
