#include "ftp/ftp_hash.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

// ProFTPD's FEAT with mod_digest, as sent.
const char* const kProftpdFeatures =
    "211-Features:\n CLNT\n EPSV\n HASH CRC32;MD5;SHA-1*;SHA-256;SHA-512;\n MD5\n MDTM\n RANG STREAM\n"
    " REST STREAM\n SIZE\n XCRC\n XMD5\n XSHA\n XSHA1\n XSHA256\n XSHA512\n211 End";

TEST(FtpHashTest, TheHashCommandGoesFirstAndEachAlgorithmHasItsOlderCommand) {
    const protocol::CFtpCapabilities all = protocol::ParseFeatures(211, kProftpdFeatures);
    EXPECT_EQ(all.hashSelected, "SHA-1");
    EXPECT_EQ(OfferedHashes(all), (std::vector<std::string>{"SHA-512", "SHA-256", "SHA-1", "MD5", "CRC32"}));
    EXPECT_EQ(HashCommandFor(all, "SHA-256").verb, "HASH");

    // Without HASH: the older commands, XMD5 before MD5; none for an
    // algorithm the server does not compute.
    const protocol::CFtpCapabilities older =
        protocol::ParseFeatures(211, "211-Features:\n XSHA256\n MD5\n XMD5\n xcrc\n211 End");
    EXPECT_EQ(OfferedHashes(older), (std::vector<std::string>{"SHA-256", "MD5", "CRC32"}));
    EXPECT_EQ(HashCommandFor(older, "SHA-256").verb, "XSHA256");
    EXPECT_EQ(HashCommandFor(older, "MD5").verb, "XMD5");
    EXPECT_EQ(HashCommandFor(older, "CRC32").verb, "XCRC");
    EXPECT_EQ(HashCommandFor(older, "SHA-512").verb, "");
    EXPECT_TRUE(OfferedHashes(protocol::ParseFeatures(211, "211-Features:\n SIZE\n211 End")).empty());
}

TEST(FtpHashTest, NamesWithBlanksAreQuotedWhereARangeMayFollow) {
    std::string line;
    ASSERT_TRUE(HashCommandLine({"HASH"}, "my file.bin", line));
    EXPECT_EQ(line, "HASH my file.bin");
    ASSERT_TRUE(HashCommandLine({"MD5"}, "my file.bin", line));
    EXPECT_EQ(line, "MD5 my file.bin");
    ASSERT_TRUE(HashCommandLine({"XSHA256"}, "my file.bin", line));
    EXPECT_EQ(line, "XSHA256 \"my file.bin\"");
    ASSERT_TRUE(HashCommandLine({"XCRC"}, "plain.bin", line));
    EXPECT_EQ(line, "XCRC plain.bin");
    EXPECT_FALSE(HashCommandLine({"XCRC"}, "say \"hi\".txt", line));
}

TEST(FtpHashTest, RepliesGiveTheirDigestOnlyWhenItHasTheAlgorithmsLength) {
    const std::string sha256 = "23e47d08cb040313e49e32328b26c068122c097937ace07a7c54e26f7745e06b";
    std::string digest;
    std::string named;
    ASSERT_TRUE(ParseHashReply({"HASH"}, "SHA-256",
                               "213-Computing SHA-256 digest\n Computing...\n213 SHA-256 0-1000000 " + sha256 +
                                   " my file.bin",
                               digest, named));
    EXPECT_EQ(digest, sha256);
    EXPECT_EQ(named, "SHA-256");
    // HASH answers with the algorithm selected, which the caller checks.
    ASSERT_TRUE(ParseHashReply({"HASH"}, "SHA-1", "213 SHA-1 0-10 262ada1569d2f34d7284d468254c496e57c802c2 a.bin",
                               digest, named));
    EXPECT_EQ(named, "SHA-1");
    ASSERT_TRUE(ParseHashReply({"XSHA256"}, "SHA-256", "250-Computing\n250 23E47D08CB040313E49E32328B26C068122C0979"
                                                       "37ACE07A7C54E26F7745E06B",
                               digest, named));
    EXPECT_EQ(digest, sha256);
    ASSERT_TRUE(ParseHashReply({"MD5"}, "MD5", "251 my file.bin 3F3B33F19CEDFAE530BBFCA3B6281D75", digest, named));
    EXPECT_EQ(digest, "3f3b33f19cedfae530bbfca3b6281d75");
    ASSERT_TRUE(ParseHashReply({"XCRC"}, "CRC32", "250 1685F0", digest, named));
    EXPECT_EQ(digest, "001685f0");

    EXPECT_FALSE(ParseHashReply({"XSHA256"}, "SHA-256", "250 3F3B33F19CEDFAE530BBFCA3B6281D75", digest, named));
    EXPECT_FALSE(ParseHashReply({"XSHA1"}, "SHA-1", "250 Computing digest", digest, named));
    EXPECT_FALSE(ParseHashReply({"HASH"}, "SHA-256", "213 SHA-256 0-10", digest, named));
}

}  // namespace
}  // namespace velmora
