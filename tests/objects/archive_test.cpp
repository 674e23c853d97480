#include <gtest/gtest.h>

#include <string>

#include "objects/archive.h"

namespace velmora {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int v : values) bytes += static_cast<char>(v);
    return bytes;
}

TEST(CArchive, IntegersAreLittleEndian) {
    CArchive out;
    out.WriteInt32(-2);
    out.WriteUInt32(0x01020304);
    EXPECT_EQ(out.GetData(), Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01}));

    CArchive in(out.GetData());
    int32_t a = 0;
    uint32_t b = 0;
    ASSERT_TRUE(in.ReadInt32(a));
    ASSERT_TRUE(in.ReadUInt32(b));
    EXPECT_EQ(a, -2);
    EXPECT_EQ(b, 0x01020304u);
    EXPECT_FALSE(in.ReadInt32(a));
    EXPECT_EQ(a, -2) << "a failed read leaves the target alone";
}

TEST(CArchive, StringsUseTheWideFormWithEachLengthPrefix) {
    CArchive shortOut;
    shortOut.WriteString("a\xC3\xA9");  // "aé"
    EXPECT_EQ(shortOut.GetData(), Bytes({0xFF, 0xFE, 0xFF, 0x02, 'a', 0x00, 0xE9, 0x00}));

    const std::string medium(300, 'm');
    const std::string large(70000, 'L');
    CArchive out;
    out.WriteString(medium);
    out.WriteString(large);
    out.WriteString("");
    const std::string& data = out.GetData();
    EXPECT_EQ(data.substr(0, 6), Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}));
    const size_t second = 6 + 600;
    EXPECT_EQ(data.substr(second, 10), Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}));

    CArchive in(data);
    std::string a, b, c = "x";
    ASSERT_TRUE(in.ReadString(a));
    ASSERT_TRUE(in.ReadString(b));
    ASSERT_TRUE(in.ReadString(c));
    EXPECT_EQ(a, medium);
    EXPECT_EQ(b, large);
    EXPECT_EQ(c, "");
    EXPECT_EQ(in.GetRemaining(), 0u);
}

// Each length where the prefix changes form, on both sides: 65,534 is the
// value of the wide marker itself and must still read back as a length.
TEST(CArchive, StringsAtEveryLengthPrefixBoundaryReadBack) {
    for (const size_t length : {254u, 255u, 65533u, 65534u, 65535u}) {
        const std::string text(length, 'n');
        CArchive out;
        out.WriteString(text);
        out.WriteInt32(7);
        CArchive in(out.GetData());
        std::string back;
        int32_t after = 0;
        ASSERT_TRUE(in.ReadString(back)) << length << ": " << in.GetLastError();
        EXPECT_EQ(back, text) << length;
        ASSERT_TRUE(in.ReadInt32(after)) << length;
        EXPECT_EQ(after, 7) << length;
    }
}

TEST(CArchive, EightBitStringsAreRead) {
    CArchive in(Bytes({3, 'a', 'b', 'c', 2, 'x', 0xE9}));
    std::string a, b;
    ASSERT_TRUE(in.ReadString(a));
    ASSERT_TRUE(in.ReadString(b));
    EXPECT_EQ(a, "abc");
    EXPECT_EQ(b, "x\xC3\xA9") << "a byte that is not UTF-8 is taken as Latin-1";
}

TEST(CArchive, LengthsBeyondTheDataFailWithoutAllocating) {
    // Wide string claiming 4 billion characters, followed by almost nothing.
    CArchive huge(Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0}));
    std::string s = "kept";
    EXPECT_FALSE(huge.ReadString(s));
    EXPECT_EQ(s, "kept");
    EXPECT_FALSE(huge.GetLastError().empty());

    CArchive cut(Bytes({0xFF, 0xFE, 0xFF, 0x05, 'a', 0}));
    EXPECT_FALSE(cut.ReadString(s));
    // After a failure nothing more is read, even what would fit.
    int32_t value = 0;
    EXPECT_FALSE(cut.ReadInt32(value));

    CArchive markerTwice(Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF}));
    EXPECT_FALSE(markerTwice.ReadString(s));
}

TEST(CArchive, DepthIsBounded) {
    CArchive in(std::string{});
    int entered = 0;
    while (in.EnterLevel()) ++entered;
    EXPECT_EQ(entered, CArchive::kMaxDepth);
    EXPECT_FALSE(in.IsOk());
}

}  // namespace
}  // namespace velmora
