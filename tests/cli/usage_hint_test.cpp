// Which name a mistyped word most likely meant.

#include "cli/usage_hint.h"

#include <gtest/gtest.h>

namespace parcelo::cli {
namespace {

const std::vector<std::string> kCommands = {"ls", "mkdir", "rmdir", "rm", "rename", "upload", "download", "copy"};

TEST(NearestNameTest, SlipsOfTheFingerFindTheirWord) {
    EXPECT_EQ(NearestName("lst", kCommands), "ls");
    EXPECT_EQ(NearestName("mkdri", kCommands), "mkdir");    // two letters swapped
    EXPECT_EQ(NearestName("uplaod", kCommands), "upload");
    EXPECT_EQ(NearestName("donwload", kCommands), "download");
    EXPECT_EQ(NearestName("down", kCommands), "download");  // the start of a name
    EXPECT_EQ(NearestName("--retires", {"--retries", "--log", "--tls"}), "--retries");
}

TEST(NearestNameTest, AWordFarFromEveryNameFindsNone) {
    EXPECT_EQ(NearestName("teleport", kCommands), "");
    EXPECT_EQ(NearestName("x", kCommands), "");
    EXPECT_EQ(NearestName("--", {"--log"}), "");
    EXPECT_EQ(NearestName("ls", {}), "");
}

}  // namespace
}  // namespace parcelo::cli
