#include "base/digest.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

// Each algorithm gives the known digest whether the bytes come at once or
// in pieces, and can be read midway and go on.
TEST(DigestTest, KnownDigestsWholeOrInPieces) {
    struct Case {
        const char* algorithm;
        const char* text;
        const char* digest;
    };
    const Case cases[] = {
        {"SHA-512", "abc",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2"
         "a9ac94fa54ca49f"},
        {"SHA-256", "abcdef", "bef57ec7f53a6d40beb640a780a639c83bc29ac8a9816f1fc6c5c6dcd93c4721"},
        {"SHA-1", "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"MD5", "abcdef", "e80b5017098950fc58aad83c8c14978e"},
        {"CRC32", "abc", "352441c2"},
        // Leading zeros stay.
        {"CRC32", "x31", "001685f0"},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.algorithm);
        const std::string text = each.text;
        CDigest whole(each.algorithm);
        ASSERT_TRUE(whole.IsValid());
        whole.Update(text.data(), text.size());
        EXPECT_EQ(whole.Hex(), each.digest);

        CDigest pieces(each.algorithm);
        pieces.Update("junk", 4);
        pieces.Reset();
        pieces.Update(text.data(), 1);
        (void)pieces.Hex();
        pieces.Update(text.data() + 1, text.size() - 1);
        EXPECT_EQ(pieces.Hex(), each.digest);
        EXPECT_EQ(pieces.Bytes(), text.size());
    }
}

TEST(DigestTest, AnUnknownAlgorithmIsNotValid) {
    EXPECT_FALSE(CDigest::IsKnown("SHA-3"));
    EXPECT_FALSE(CDigest("sha-256").IsValid());
    EXPECT_EQ(CDigest("SHA-3").Hex(), "");
}

}  // namespace
}  // namespace velmora
