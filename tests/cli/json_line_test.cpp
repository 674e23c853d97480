// --json lines stay valid JSON whatever a server names its files.

#include "cli/json_line.h"

#include <gtest/gtest.h>

namespace parcelo::cli {
namespace {

TEST(JsonLineTest, FieldsInTheOrderAdded) {
    EXPECT_EQ(JsonLine().Text("name", "a.txt").Number("size", 6).Decimal("seconds", 1.5).Flag("dry_run", false).Line(),
              R"({"name":"a.txt","size":6,"seconds":1.500,"dry_run":false})");
    EXPECT_EQ(JsonLine().Line(), "{}");
}

TEST(JsonLineTest, TextsAreEscapedAndBrokenUtf8IsReplaced) {
    EXPECT_EQ(JsonLine::Quoted("say \"hi\"\\ now"), R"("say \"hi\"\\ now")");
    EXPECT_EQ(JsonLine::Quoted("tab\tline\nbell\x07"), R"("tab\tline\nbell\u0007")");
    EXPECT_EQ(JsonLine::Quoted("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x99\x82"), "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x99\x82\"");
    // Latin-1, a cut sequence, an overlong form and a surrogate.
    EXPECT_EQ(JsonLine::Quoted("caf\xE9"), R"("caf\ufffd")");
    EXPECT_EQ(JsonLine::Quoted("x\xE2\x82"), R"("x\ufffd\ufffd")");
    EXPECT_EQ(JsonLine::Quoted("\xC0\xAF"), R"("\ufffd\ufffd")");
    EXPECT_EQ(JsonLine::Quoted("\xED\xA0\x80"), R"("\ufffd\ufffd\ufffd")");
}

}  // namespace
}  // namespace parcelo::cli
