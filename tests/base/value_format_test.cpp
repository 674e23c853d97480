#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "base/hex.h"
#include "base/password.h"
#include "base/value_format.h"

namespace velmora {
namespace {

TEST(FormatValue, SizesPickTheUnitByStrictComparison) {
    EXPECT_EQ(FormatValue(int64_t{1536}, true), "1.5 KB");
    EXPECT_EQ(FormatValue(int64_t{1024}, true), "1024.0   B");
    EXPECT_EQ(FormatValue(int64_t{0}, true), "0.0   B");
    EXPECT_EQ(FormatValue(uint64_t{1048576}, true), "1024.0 KB");
    EXPECT_EQ(FormatValue(uint64_t{1048577}, true), "1.0 MB");
    EXPECT_EQ(FormatValue(1073741824LL, true), "1024.0 MB");
    EXPECT_EQ(FormatValue(5368709120ULL, true), "5.0 GB");
    EXPECT_EQ(FormatValue(std::numeric_limits<uint64_t>::max(), true), "17179869184.0 GB");
}

TEST(FormatValue, NegativeSizesKeepTheirSign) {
    EXPECT_EQ(FormatValue(int64_t{-1536}, true), "-1.5 KB");
    EXPECT_EQ(FormatValue(int64_t{-5}, true), "-5.0   B");
    EXPECT_EQ(FormatValue(std::numeric_limits<int64_t>::min(), true), "-8589934592.0 GB");
}

TEST(FormatValue, DigitsGetAtMostFourSeparators) {
    EXPECT_EQ(FormatValue(int64_t{999}, false), "999");
    EXPECT_EQ(FormatValue(int64_t{1000}, false), "1,000");
    EXPECT_EQ(FormatValue(int64_t{1234567}, false), "1,234,567");
    EXPECT_EQ(FormatValue(uint64_t{12345678}, false), "12,345,678");
    EXPECT_EQ(FormatValue(1234567890123456LL, false), "1234,567,890,123,456");
    EXPECT_EQ(FormatValue(std::string_view("123456789012"), false), "123,456,789,012");
    EXPECT_EQ(FormatValue(std::string_view(""), true), "");
}

TEST(FormatValue, ThirtyTwoBitFormsIgnoreTheFlag) {
    EXPECT_EQ(FormatValue(int32_t{1536}, true), "1,536");
    EXPECT_EQ(FormatValue(std::numeric_limits<uint32_t>::max(), true), "4,294,967,295");
    EXPECT_EQ(FormatValue(std::string_view("1536"), true), "1,536");
}

TEST(FormatValue, NoSeparatorDirectlyAfterTheSign) {
    EXPECT_EQ(FormatValue(int32_t{-123}, false), "-123");
    EXPECT_EQ(FormatValue(int32_t{-1234}, false), "-1,234");
    EXPECT_EQ(FormatValue(int64_t{-123456}, false), "-123,456");
    EXPECT_EQ(FormatValue(std::string_view("-999"), false), "-999");
}

TEST(Hex, StringToHexSkipsSeparatorsAndRespectsCapacity) {
    uint8_t buffer[8] = {};
    ASSERT_EQ(StringToHex("0A-1f:20", buffer, sizeof buffer), 3u);
    EXPECT_EQ(buffer[0], 0x0A);
    EXPECT_EQ(buffer[1], 0x1F);
    EXPECT_EQ(buffer[2], 0x20);

    EXPECT_EQ(StringToHex("01 02,03.04/05\r\n06", buffer, 4), 4u);
    EXPECT_EQ(HexToString(buffer, 4), "01 02 03 04 ");
    EXPECT_EQ(StringToHex("", buffer, sizeof buffer), 0u);
    EXPECT_EQ(HexToString(buffer, 0), "");
}

TEST(Hex, UnreadablePairsStoreZeroUnlessStrict) {
    uint8_t buffer[8] = {};
    ASSERT_EQ(StringToHex("zz41A", buffer, sizeof buffer), 3u);
    EXPECT_EQ(buffer[0], 0x00);
    EXPECT_EQ(buffer[1], 0x41);
    EXPECT_EQ(buffer[2], 0x0A);

    EXPECT_EQ(StringToHexStrict("4142zz43", buffer, sizeof buffer), 2u);
    EXPECT_EQ(StringToHexStrict("41424", buffer, sizeof buffer), 2u);
}

TEST(Hex, GetHexValueReadsLeadingDigits) {
    EXPECT_EQ(GetHexValue("1f"), 0x1Fu);
    EXPECT_EQ(GetHexValue("  0x10g"), 0x10u);
    EXPECT_EQ(GetHexValue("g1"), 0u);
    EXPECT_EQ(GetHexValue(""), 0u);
    EXPECT_EQ(GetHexValue("FFFFFFFFFFFFFFFFFF"), std::numeric_limits<uint64_t>::max());
    // Only the first 128 bytes are read.
    EXPECT_EQ(GetHexValue(std::string(127, '0') + "11"), 1u);
}

TEST(Hex, FreeTokenFunctionsConsumeTheCallersText) {
    std::string text = ",,a,,b";
    EXPECT_EQ(GetToken(text, ","), "a");
    EXPECT_EQ(text, ",b");
    EXPECT_EQ(GetToken(text, ","), "b");
    EXPECT_EQ(GetToken(text, ","), "");
    EXPECT_TRUE(text.empty());

    text = "abc";
    EXPECT_EQ(GetLeftToken(text, 2), "ab");
    EXPECT_EQ(GetLeftToken(text, 5), "c");
    EXPECT_EQ(GetLeftToken(text, 1), "");
}

TEST(Password, EncodesAsRunningXorInHex) {
    EXPECT_EQ(StrEnc("abc"), "610301");
    EXPECT_EQ(StrEnc(""), "");
    EXPECT_EQ(StrDec("610301"), "abc");
    EXPECT_EQ(StrDec(""), "");
    // A repeated character encodes as 00 and must not end the text.
    EXPECT_EQ(StrEnc("aa"), "6100");
    EXPECT_EQ(StrDec("6100"), "aa");
}

TEST(Password, RoundTripsEveryByteAndLongTexts) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(StrDec(StrEnc(all)), all);

    const std::string utf8 = "p\xC3\xA4ss w\xC3\xB6rd'\"<>";
    EXPECT_EQ(StrDec(StrEnc(utf8)), utf8);

    const std::string longest(511, 'x');
    EXPECT_EQ(StrDec(StrEnc(longest)), longest);
    EXPECT_EQ(StrDec(StrEnc(longest + "yz")), longest);
}

TEST(Password, DamagedTextsGiveWhatDecodedCleanly) {
    EXPECT_EQ(StrDec("61030"), "ab");
    EXPECT_EQ(StrDec("6103zz01"), "ab");
    EXPECT_EQ(StrDec("zz"), "");
    EXPECT_EQ(StrDec("6"), "");
    // Separators are ignored, as in every hex text.
    EXPECT_EQ(StrDec("61-03-01"), "abc");
    // A decoded zero byte ends the text.
    EXPECT_EQ(StrDec("616101"), "a");
}

}  // namespace
}  // namespace velmora
