#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "zip/zip_archive.h"
#include "zip_tools.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

constexpr auto kAes = CZipArchive::Encryption::Aes256;
// Salt, password verifier and authentication code around the data.
constexpr uint64_t kAesOverhead = 16 + 2 + 10;

// The "Path = " and "Method = " lines of `7zz l -slt`, one pair per entry
// (the entries follow a line of dashes; the archive's own lines come first).
std::vector<std::pair<std::string, std::string>> SevenZipMethods(const std::string& archive) {
    const CommandResult list = RunCommand("7zz l -slt " + ShellQuote(archive));
    EXPECT_EQ(list.status, 0) << list.output;
    std::vector<std::pair<std::string, std::string>> methods;
    std::istringstream lines(list.output);
    bool entries = false;
    for (std::string line; std::getline(lines, line);) {
        entries = entries || line == "----------";
        if (!entries) continue;
        if (line.rfind("Path = ", 0) == 0) methods.emplace_back(line.substr(7), "");
        if (line.rfind("Method = ", 0) == 0 && !methods.empty()) methods.back().second = line.substr(9);
    }
    return methods;
}

TEST(ZipAes, SevenZipVerifiesAndExtractsEveryEntry) {
    TempDir dir;
    const std::string archive = dir / "aes.zip";
    const std::string text = "Lorem ipsum dolor sit amet. " + std::string(20000, 'x');
    const std::string noise = RandomBytes(5 << 20);
    const std::string odd = RandomBytes(51200 * 3 + 7, 2);  // blocks that do not end on the cipher's 16 bytes
    const std::string password = "p\xC3\xA4ss w\xC3\xB6rd";
    WriteArchive(archive,
                 {{"text.txt", text},
                  {"noise.bin", noise},
                  {"stored.bin", odd, 0},
                  {"empty-deflated", ""},
                  {"empty-stored", "", 0},
                  {"\xC3\x9C" "berweisung \xE2\x82\xAC/\xE6\x97\xA5\xE6\x9C\xAC.txt", "utf-8"}},
                 password, kAes);
    ExpectSevenZipAccepts(archive, password);

    const auto methods = SevenZipMethods(archive);
    ASSERT_EQ(methods.size(), 6u);
    for (const auto& [name, method] : methods) {
        const bool stored = name.rfind("stored") != std::string::npos || name == "empty-stored";
        EXPECT_EQ(method, stored ? "AES-256 Store" : "AES-256 Deflate:Fastest") << name;
    }

    const std::string out = dir / "out";
    const CommandResult extract =
        RunCommand("7zz x -p" + ShellQuote(password) + " -o" + ShellQuote(out) + " " + ShellQuote(archive));
    ASSERT_EQ(extract.status, 0) << extract.output;
    EXPECT_EQ(ReadFile(out + "/text.txt"), text);
    EXPECT_TRUE(ReadFile(out + "/noise.bin") == noise);
    EXPECT_TRUE(ReadFile(out + "/stored.bin") == odd);
    EXPECT_EQ(fs::file_size(out + "/empty-stored"), 0u);
    EXPECT_EQ(ReadFile(out + "/\xC3\x9C" "berweisung \xE2\x82\xAC/\xE6\x97\xA5\xE6\x9C\xAC.txt"), "utf-8");

    // The headers as another reader sees them: method 99, no CRC (AE-2),
    // the cipher's bytes counted in the compressed size.
    const std::vector<ZipInfo> entries = ReadWithPython(archive);
    ASSERT_EQ(entries.size(), 6u);
    for (const ZipInfo& entry : entries) {
        EXPECT_EQ(entry.method, 99) << entry.name;
        EXPECT_EQ(entry.crc, 0u) << entry.name;
        EXPECT_EQ(entry.flags & 0x1u, 0x1u) << entry.name;
        EXPECT_EQ(entry.extractVersion, 51) << entry.name;
    }
    EXPECT_EQ(entries[2].compressedSize, odd.size() + kAesOverhead);
    EXPECT_EQ(entries[3].compressedSize, 2 + kAesOverhead);
    EXPECT_EQ(entries[4].compressedSize, kAesOverhead);
    EXPECT_EQ(entries[5].flags & 0x800u, 0x800u);
}

TEST(ZipAes, WrongPasswordIsRefused) {
    TempDir dir;
    const std::string archive = dir / "aes.zip";
    WriteArchive(archive, {{"a.txt", "secret content"}, {"b.txt", ""}}, "right", kAes);
    for (const std::string wrong : {"wrong", "Right", ""}) {
        const CommandResult test = RunCommand("7zz t -p" + ShellQuote(wrong) + " " + ShellQuote(archive));
        EXPECT_NE(test.status, 0) << wrong << ": " << test.output;
        EXPECT_NE(test.output.find("Wrong password"), std::string::npos) << wrong << ": " << test.output;
    }
}

// Every entry has its own salt, hence its own key: with one key for two
// entries the counter mode would repeat its key stream.
TEST(ZipAes, EachEntryHasItsOwnSaltAndKeyStream) {
    TempDir dir;
    const std::string archive = dir / "twins.zip";
    const std::string zeros(1000, '\0');
    WriteArchive(archive, {{"a", zeros, 0}, {"b", zeros, 0}}, "pw", kAes);
    const std::string bytes = ReadFile(archive);
    // Local header of "a": 30 bytes, the name, the 11-byte AES extra field.
    const size_t data = 30 + 1 + 11;
    const std::string salt = bytes.substr(data, 16);
    const std::string cipher = bytes.substr(data + 18, zeros.size());
    EXPECT_NE(cipher, zeros);
    EXPECT_EQ(bytes.find(salt, data + 1), std::string::npos);
    EXPECT_EQ(bytes.find(cipher.substr(0, 64), data + 18 + 1), std::string::npos);
    ExpectSevenZipAccepts(archive, "pw");
}

// The layouts the writer already has for large entries and directories,
// with AES entries in them, and traditional entries beside them.
TEST(ZipAes, WorksWithZip64SizesDirectoriesAndBothCiphers) {
    TempDir dir;
    const std::string archive = dir / "mixed.zip";
    const std::string data = RandomBytes(70000);
    {
        CZipArchive zip;
        zip.CreateArchive(archive);
        zip.SetArchivePassword("pw", kAes);
        AddEntry(zip, {"maybe-large.bin", data, 1, CZipFileHeader::AttrArchive, 0, 5ull << 30});
        CZipFileHeader folder;
        folder.SetFileName("folder/");
        zip.BeginEntry(folder, 1);
        zip.EndEntry();
        zip.SetArchivePassword("pw", CZipArchive::Encryption::Traditional);
        AddEntry(zip, {"folder/traditional.txt", "traditional"});
        zip.CloseArchive();
    }
    ExpectSevenZipAccepts(archive, "pw");
    const auto methods = SevenZipMethods(archive);
    ASSERT_EQ(methods.size(), 3u);
    EXPECT_EQ(methods[0].second, "AES-256 Deflate:Fastest");
    EXPECT_EQ(methods[2].second, "ZipCrypto Deflate:Fastest");
    const std::vector<ZipInfo> entries = ReadWithPython(archive);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].extractVersion, 51);
    EXPECT_EQ(entries[1].method, 0);
    EXPECT_EQ(entries[1].flags, 0u) << "directories are not encrypted";
    EXPECT_EQ(entries[2].method, 8);
}

}  // namespace
}  // namespace velmora::test
