#include <cstdlib>

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "zip/zip_archive.h"
#include "zip_tools.h"

namespace velmora::test {
namespace {

// Crossing 4 GiB for real takes minutes of compression and checking, so it
// runs only on request: VELMORA_SLOW_TESTS=1 ctest -L slow.
TEST(Zip64Slow, EntriesAndOffsetsBeyond4GiB) {
    if (!std::getenv("VELMORA_SLOW_TESTS")) GTEST_SKIP() << "set VELMORA_SLOW_TESTS=1 to run";
    TempDir dir;
    const std::string archive = dir / "huge.zip";
    const uint64_t kLarge = (4ull << 30) + 12345;
    const std::string zeros(1 << 20, '\0');
    const auto writeZeros = [&](CZipArchive& zip, uint64_t size) {
        for (uint64_t done = 0; done < size; done += zeros.size()) {
            zip.WriteEntryData(zeros.data(), static_cast<size_t>(std::min<uint64_t>(zeros.size(), size - done)));
        }
    };
    {
        CZipArchive zip;
        zip.CreateArchive(archive);
        CZipFileHeader header;
        // Announced: the local header holds the ZIP64 sizes.
        header.SetFileName("announced.bin");
        header.SetExpectedSize(kLarge);
        zip.BeginEntry(header, 1);
        writeZeros(zip, kLarge);
        zip.EndEntry();
        // Not announced: the sizes go to a ZIP64 data descriptor.
        header.SetFileName("unannounced.bin");
        header.SetExpectedSize(0);
        zip.BeginEntry(header, 1);
        writeZeros(zip, kLarge);
        zip.EndEntry();
        // Stored, so that the entries after it start beyond 4 GiB.
        header.SetFileName("stored.bin");
        header.SetExpectedSize(kLarge);
        zip.BeginEntry(header, 0);
        writeZeros(zip, kLarge);
        zip.EndEntry();
        AddEntry(zip, {"tail.txt", "tail"});
        zip.CloseArchive();
    }
    ExpectToolsAccept(archive);
    const std::vector<ZipInfo> entries = ReadWithPython(archive);
    ASSERT_EQ(entries.size(), 4u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(entries[i].size, kLarge) << entries[i].name;
    EXPECT_EQ(entries[3].name, "tail.txt");
}

}  // namespace
}  // namespace velmora::test
