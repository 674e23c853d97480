#include "platform/file_stream.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace velmora::platform {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// A partial download is either continued after what it holds or started
// again from its first byte; either way the target gets exactly the bytes
// written, and the partial is gone once the target is there.
TEST(PartialFile, ContinuesOrStartsAgainWithoutAGap) {
    TempDir dir;
    const std::string target = dir / "big.bin";

    for (const bool keep : {true, false}) {
        WriteFile(PartialPath(target), "held-");
        CReplacingFileWriter writer;
        std::string error;
        ASSERT_TRUE(writer.OpenPartial(target, keep, &error)) << error;
        EXPECT_EQ(writer.GetKeptSize(), keep ? 5u : 0u);
        ASSERT_TRUE(writer.Write("new", 3, &error)) << error;
        ASSERT_TRUE(writer.Commit(&error)) << error;
        EXPECT_EQ(ReadFile(target), keep ? "held-new" : "new");
        EXPECT_EQ(HeldOfPartial(target, 0), 0u);
    }
}

TEST(PartialFile, ANewPartialStartsEmptyAndOnlyOneWriterHoldsIt) {
    TempDir dir;
    const std::string target = dir / "new.bin";
    CReplacingFileWriter first;
    std::string error;
    ASSERT_TRUE(first.OpenPartial(target, false, &error)) << error;
    EXPECT_EQ(first.GetKeptSize(), 0u);

    CReplacingFileWriter second;
    EXPECT_FALSE(second.OpenPartial(target, true, &error));
    EXPECT_NE(error.find("Another transfer is writing"), std::string::npos) << error;

    ASSERT_TRUE(first.Write("abc", 3, &error)) << error;
    ASSERT_TRUE(first.Commit(&error)) << error;
    EXPECT_EQ(ReadFile(target), "abc");
}

}  // namespace
}  // namespace velmora::platform
