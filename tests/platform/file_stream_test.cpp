#include "platform/file_stream.h"

#include <filesystem>

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

// The note of what a partial holds stays with it until it is started
// afresh, completed or discarded. A note too long for an extended
// attribute is kept beside the partial, with the same life.
TEST(PartialFile, KeepsItsNoteUntilItStartsAfreshOrEnds) {
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string target = dir / "noted.bin";
    const auto files = [&] { return std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()); };
    for (const std::string& note : {std::string("1000 42\nftp://h/noted.bin\n"), std::string(70000, 'n')}) {
        SCOPED_TRACE(note.size());
        for (const char* end : {"commit", "discard", "afresh"}) {
            SCOPED_TRACE(end);
            fs::remove(target);
            CReplacingFileWriter writer;
            ASSERT_TRUE(writer.OpenPartial(target, false));
            ASSERT_TRUE(writer.SetPartialNote(note));
            ASSERT_TRUE(writer.Write("part", 4));
            writer.Abandon();
            ASSERT_TRUE(writer.OpenPartial(target, true));
            std::string read;
            ASSERT_TRUE(ReadPartialNote(target, read)) << "a partial taken up keeps its note";
            EXPECT_TRUE(read == note);
            if (end == std::string("commit")) {
                ASSERT_TRUE(writer.Commit());
            } else if (end == std::string("discard")) {
                writer.Discard();
            } else {
                writer.Abandon();
                ASSERT_TRUE(writer.OpenPartial(target, false));
            }
            EXPECT_FALSE(ReadPartialNote(target, read));
            EXPECT_EQ(files(), 1 - (end == std::string("discard")));
        }
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
