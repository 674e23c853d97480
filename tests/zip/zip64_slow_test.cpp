#include <cstdlib>

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "zip/zip_archive.h"
#include "zip_tools.h"

namespace velmora::test {
namespace {

constexpr uint64_t kLarge = (4ull << 30) + 12345;

void WriteZeros(CZipArchive& zip, uint64_t size) {
    static const std::string zeros(1 << 20, '\0');
    for (uint64_t done = 0; done < size; done += zeros.size()) {
        zip.WriteEntryData(zeros.data(), static_cast<size_t>(std::min<uint64_t>(zeros.size(), size - done)));
    }
}

// Crossing 4 GiB for real takes minutes of compression and checking, so it
// runs only on request: VELMORA_SLOW_TESTS=1 ctest -L slow.
TEST(Zip64Slow, EntriesAndOffsetsBeyond4GiB) {
    if (!std::getenv("VELMORA_SLOW_TESTS")) GTEST_SKIP() << "set VELMORA_SLOW_TESTS=1 to run";
    TempDir dir;
    const std::string archive = dir / "huge.zip";
    {
        CZipArchive zip;
        zip.CreateArchive(archive);
        CZipFileHeader header;
        // Announced: the local header holds the ZIP64 sizes.
        header.SetFileName("announced.bin");
        header.SetExpectedSize(kLarge);
        zip.BeginEntry(header, 1);
        WriteZeros(zip, kLarge);
        zip.EndEntry();
        // Not announced: the sizes go to a ZIP64 data descriptor.
        header.SetFileName("unannounced.bin");
        header.SetExpectedSize(0);
        zip.BeginEntry(header, 1);
        WriteZeros(zip, kLarge);
        zip.EndEntry();
        // Stored, so that the entries after it start beyond 4 GiB.
        header.SetFileName("stored.bin");
        header.SetExpectedSize(kLarge);
        zip.BeginEntry(header, 0);
        WriteZeros(zip, kLarge);
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

// An AES entry whose size was not announced: its sizes go to a ZIP64 data
// descriptor, the cipher's bytes counted in the compressed size.
TEST(Zip64Slow, AesEntryBeyond4GiB) {
    if (!std::getenv("VELMORA_SLOW_TESTS")) GTEST_SKIP() << "set VELMORA_SLOW_TESTS=1 to run";
    TempDir dir;
    const std::string archive = dir / "huge-aes.zip";
    {
        CZipArchive zip;
        zip.CreateArchive(archive);
        zip.SetArchivePassword("pw", CZipArchive::Encryption::Aes256);
        CZipFileHeader header;
        header.SetFileName("stored.bin");
        zip.BeginEntry(header, 0);
        WriteZeros(zip, kLarge);
        zip.EndEntry();
        AddEntry(zip, {"tail.txt", "tail"});
        zip.CloseArchive();
    }
    ExpectSevenZipAccepts(archive, "pw");
    const std::vector<ZipInfo> entries = ReadWithPython(archive);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].size, kLarge);
    EXPECT_EQ(entries[0].compressedSize, kLarge + 28);
    EXPECT_EQ(entries[1].method, 99);
}

}  // namespace
}  // namespace velmora::test
