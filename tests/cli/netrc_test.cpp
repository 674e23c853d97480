// Accounts found in the text of a netrc file.

#include "cli/netrc.h"

#include <gtest/gtest.h>

namespace parcelo::cli {
namespace {

constexpr const char* kNetrc = R"(machine other.example login bob password b0b
machine ftp.example
    login alice
    password first
macdef init
machine ftp.example login mallory password macro-text

machine ftp.example login carol password second
default login anonymous password guest@
)";

TEST(NetrcTest, TheHostsEntryForTheLoginElseTheFirstElseTheDefault) {
    NetrcAccount account;
    ASSERT_TRUE(FindNetrcAccount(kNetrc, "ftp.example", "", account));
    EXPECT_EQ(account.login, "alice");
    EXPECT_EQ(account.password, "first");

    ASSERT_TRUE(FindNetrcAccount(kNetrc, "ftp.example", "carol", account));
    EXPECT_EQ(account.password, "second");
    // A macro's text holds no entries, and another login's default is not
    // this login's.
    EXPECT_FALSE(FindNetrcAccount(kNetrc, "ftp.example", "mallory", account));

    ASSERT_TRUE(FindNetrcAccount(kNetrc, "unknown.example", "", account));
    EXPECT_EQ(account.password, "guest@");
    EXPECT_FALSE(FindNetrcAccount("machine a login x password y", "b", "", account));
    // A file cut short gives what it has, never a word that is not there.
    NetrcAccount cut;
    EXPECT_TRUE(FindNetrcAccount("machine a login x password", "a", "", cut));
    EXPECT_EQ(cut.login, "x");
    EXPECT_EQ(cut.password, "");
}

}  // namespace
}  // namespace parcelo::cli
