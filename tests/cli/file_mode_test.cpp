// chmod's modes, in digits and in symbols.

#include "cli/file_mode.h"

#include <gtest/gtest.h>

namespace parcelo::cli {
namespace {

uint32_t Applied(const std::string& text, uint32_t current, bool folder = false) {
    FileMode mode;
    EXPECT_TRUE(mode.Parse(text)) << text;
    return mode.Apply(current, folder);
}

TEST(FileModeTest, DigitsSetTheBitsWhateverThereWas) {
    EXPECT_EQ(Applied("644", 0777), 0644u);
    EXPECT_EQ(Applied("0755", 0), 0755u);
    EXPECT_EQ(Applied("1777", 0), 01777u);
    FileMode mode;
    ASSERT_TRUE(mode.Parse("600"));
    EXPECT_FALSE(mode.IsRelative());
}

TEST(FileModeTest, SymbolsChangeTheBitsThereAre) {
    EXPECT_EQ(Applied("u+x", 0644), 0744u);
    EXPECT_EQ(Applied("+x", 0644), 0755u);
    EXPECT_EQ(Applied("go-w", 0666), 0644u);
    EXPECT_EQ(Applied("a=r,u+w", 0777), 0644u);
    EXPECT_EQ(Applied("u=rwx,g=rx,o=", 0), 0750u);
    EXPECT_EQ(Applied("u+r-w", 0200), 0400u);
    EXPECT_EQ(Applied("g+s", 0755), 02755u);
    EXPECT_EQ(Applied("+t", 0777), 01777u);
    // X: execute for folders, and for files something may execute already.
    EXPECT_EQ(Applied("a+X", 0644), 0644u);
    EXPECT_EQ(Applied("a+X", 0744), 0755u);
    EXPECT_EQ(Applied("a+X", 0700, true), 0711u);
}

TEST(FileModeTest, AnythingElseIsRefused) {
    FileMode mode;
    for (const char* text : {"", "8", "75555", "rwx", "u+q", "u", "+x,", ",+x", "u+x,,g+w", "644x", "z+r"}) {
        EXPECT_FALSE(mode.Parse(text)) << text;
    }
}

TEST(FileModeTest, ListingPermissionsReadAsBits) {
    uint32_t mode = 0;
    ASSERT_TRUE(FileMode::FromPermissions("-rwxr-xr-x", mode));
    EXPECT_EQ(mode, 0755u);
    ASSERT_TRUE(FileMode::FromPermissions("drwxr-sr-t", mode));
    EXPECT_EQ(mode, 03755u);
    ASSERT_TRUE(FileMode::FromPermissions("-rwSr--r-T", mode));
    EXPECT_EQ(mode, 05644u);
    for (const char* text : {"", "-rwx", "-rwxr-xr-xx", "-rwxr-xr-q", "-wrxr-xr-x"}) {
        EXPECT_FALSE(FileMode::FromPermissions(text, mode)) << text;
    }
}

}  // namespace
}  // namespace parcelo::cli
