#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "base/size_format.h"

namespace velmora {
namespace {

TEST(FormatSize, UnitsArePowersOf1024AndNeverShow1024OfOne) {
    EXPECT_EQ(FormatSize(uint64_t{0}), "0 B");
    EXPECT_EQ(FormatSize(uint64_t{1023}), "1023 B");
    EXPECT_EQ(FormatSize(uint64_t{1024}), "1.0 KiB");
    EXPECT_EQ(FormatSize(uint64_t{1536}), "1.5 KiB");
    EXPECT_EQ(FormatSize(uint64_t{500} << 20), "500.0 MiB");
    // Just below a unit: rounded up into the next, not "1024.0 KiB".
    EXPECT_EQ(FormatSize(uint64_t{1048575}), "1.0 MiB");
    EXPECT_EQ(FormatSize(uint64_t{1048524}), "1023.9 KiB");
    EXPECT_EQ(FormatSize(uint64_t{5} << 30), "5.0 GiB");
    EXPECT_EQ(FormatSize(std::numeric_limits<uint64_t>::max()), "16.0 EiB");
}

TEST(FormatSize, RatesAreMeasuredAmounts) {
    EXPECT_EQ(FormatSize(0.4), "0 B");
    EXPECT_EQ(FormatSize(-5.0), "0 B");
    EXPECT_EQ(FormatSize(1023.9), "1023 B");
    EXPECT_EQ(FormatSize(2.5 * 1024 * 1024), "2.5 MiB");
}

TEST(ParseSize, SuffixesCountIn1024s) {
    uint64_t bytes = 0;
    ASSERT_TRUE(ParseSize("500", bytes));
    EXPECT_EQ(bytes, 500u);
    ASSERT_TRUE(ParseSize("100k", bytes));
    EXPECT_EQ(bytes, 102400u);
    ASSERT_TRUE(ParseSize("1.5M", bytes));
    EXPECT_EQ(bytes, 1572864u);
    ASSERT_TRUE(ParseSize("2GiB", bytes));
    EXPECT_EQ(bytes, uint64_t{2} << 30);
    ASSERT_TRUE(ParseSize("1t", bytes));
    EXPECT_EQ(bytes, uint64_t{1} << 40);
    ASSERT_TRUE(ParseSize("64KB", bytes));
    EXPECT_EQ(bytes, 65536u);
}

TEST(ParseSize, AnythingElseIsRefusedAndLeavesTheValue) {
    uint64_t bytes = 7;
    for (const char* text : {"", "k", "-5", "1.2.3", "10x", "5 M", "1MM", "1Mbit", "99999999999T", ".", "0x10"}) {
        EXPECT_FALSE(ParseSize(text, bytes)) << text;
        EXPECT_EQ(bytes, 7u) << text;
    }
}

}  // namespace
}  // namespace velmora
