#include <gtest/gtest.h>

#include "automation/text.h"

namespace brisko {
namespace {

TEST(Text, Utf8RoundTripsIncludingAstralCharacters) {
    const std::wstring s = L"Gr\u00FC\u00DFe \u20AC " + FromUtf8("\xF0\x9F\x98\x80");
    EXPECT_EQ(FromUtf8(ToUtf8(s)), s);
    EXPECT_EQ(ToUtf8(L"\u00E9"), "\xC3\xA9");
}

TEST(Text, InvalidUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(FromUtf8("a\xC3"), L"a\uFFFD");
    EXPECT_EQ(FromUtf8("\xC0\xAF"), L"\uFFFD\uFFFD");          // overlong
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");  // surrogate
}

TEST(Text, CaseFoldingCoversLatin1) {
    EXPECT_TRUE(EqualsNoCase(L"NewExplorer", L"newexplorer"));
    EXPECT_TRUE(EqualsNoCase(L"\u00C4RGER", L"\u00E4rger"));
    EXPECT_FALSE(EqualsNoCase(L"\u00D7", L"\u00F7"));  // multiplication and division signs
    EXPECT_FALSE(EqualsNoCase(L"Close", L"Closed"));
}

}  // namespace
}  // namespace brisko
