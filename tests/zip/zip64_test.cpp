#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "zip/zip_archive.h"
#include "zip_tools.h"

namespace velmora::test {
namespace {

const std::string kZip64EndSignature("PK\x06\x06", 4);

TEST(Zip64, MoreThan65535EntriesGetTheZip64EndRecords) {
    TempDir dir;
    const std::string archive = dir / "many.zip";
    constexpr int kCount = 70000;
    {
        CZipArchive zip;
        zip.CreateArchive(archive);
        for (int i = 0; i < kCount; ++i) AddEntry(zip, {"f" + std::to_string(i), std::to_string(i)});
        zip.CloseArchive();
    }
    ExpectToolsAccept(archive);
    const std::vector<ZipInfo> entries = ReadWithPython(archive);
    ASSERT_EQ(entries.size(), static_cast<size_t>(kCount));
    EXPECT_EQ(entries.back().name, "f69999");
    EXPECT_NE(ReadFile(archive).find(kZip64EndSignature), std::string::npos);

    // Below the limits the archive keeps the plain layout.
    const std::string small = dir / "small.zip";
    WriteArchive(small, {{"a", "a"}, {"b", "b"}});
    EXPECT_EQ(ReadFile(small).find(kZip64EndSignature), std::string::npos);
    EXPECT_EQ(ReadWithPython(small).at(0).extractVersion, 20);
}

// An entry announced as large gets the ZIP64 sizes in its local header even
// when it turns out small; its two headers must still agree.
TEST(Zip64, EntryExpectedLargeReservesTheZip64Sizes) {
    TempDir dir;
    for (const std::string password : {"", "pw"}) {
        const std::string archive = dir / ("reserved" + password + ".zip");
        const std::string data = RandomBytes(70000);
        {
            CZipArchive zip;
            zip.CreateArchive(archive);
            zip.SetArchivePassword(password);
            AddEntry(zip, {"maybe-large.bin", data, 1, CZipFileHeader::AttrArchive, 0, 5ull << 30});
            AddEntry(zip, {"after.txt", "after"});
            zip.CloseArchive();
        }
        ExpectToolsAccept(archive, password);
        const std::vector<ZipInfo> entries = ReadWithPython(archive, password, true);
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[0].extractVersion, 45);
        EXPECT_EQ(entries[0].data, data);
        EXPECT_EQ(entries[1].extractVersion, 20);
        EXPECT_EQ(entries[1].data, "after");
    }
}

}  // namespace
}  // namespace velmora::test
