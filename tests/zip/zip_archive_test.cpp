#include <filesystem>

#include <gtest/gtest.h>
#include <zlib.h>

#include "support/temp_dir.h"
#include "zip/zip_archive.h"
#include "zip_tools.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

uint32_t Crc(const std::string& data) {
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size()));
}

std::vector<std::string> FolderContents(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(folder)) names.push_back(item.path().filename().string());
    return names;
}

TEST(ZipArchive, PlainArchiveReadsBackWithEveryTool) {
    TempDir dir;
    const std::string archive = dir / "plain.zip";
    const std::string text = "Hello, archive!\n";
    const std::string random = RandomBytes(300000);
    const std::string zeros(1000000, '\0');
    WriteArchive(archive, {{"hello.txt", text},
                           {"sub\\dir\\random.bin", random, 1, CZipFileHeader::AttrArchive | CZipFileHeader::AttrReadOnly},
                           {"sub/zeros.bin", zeros, 1, CZipFileHeader::AttrArchive, LocalTime(2019, 12, 31, 23, 59, 58)},
                           {"1975.txt", "older than DOS dates", 1, CZipFileHeader::AttrArchive, LocalTime(1975, 5, 1, 10, 0, 0)}});
    ExpectToolsAccept(archive);

    const std::vector<ZipInfo> entries = ReadWithPython(archive, {}, true);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, "hello.txt");
    EXPECT_EQ(entries[1].name, "sub/dir/random.bin");
    EXPECT_EQ(entries[2].name, "sub/zeros.bin");
    EXPECT_EQ(entries[0].data, text);
    EXPECT_EQ(entries[1].data, random);
    EXPECT_EQ(entries[2].data, zeros);
    EXPECT_EQ(entries[1].crc, Crc(random));
    EXPECT_EQ(entries[2].size, zeros.size());
    EXPECT_LT(entries[2].compressedSize, 10000u);
    // Times are local, to 2 seconds (31 s is stored as 30 s).
    EXPECT_EQ(entries[0].dateTime, "2021-06-15 13:45:30");
    EXPECT_EQ(entries[2].dateTime, "2019-12-31 23:59:58");
    EXPECT_EQ(entries[3].dateTime, "1980-01-01 00:00:00");
    for (const ZipInfo& entry : entries) {
        EXPECT_EQ(entry.method, 8) << entry.name;
        EXPECT_EQ(entry.flags, 0x06u) << entry.name;  // deflate level 1
        EXPECT_EQ(entry.extractVersion, 20) << entry.name;
        EXPECT_EQ(entry.createVersion, 20) << entry.name;
        EXPECT_EQ(entry.createSystem, 3) << entry.name;
    }
    EXPECT_EQ(entries[0].externalAttr, (0100644u << 16) | 0x20);
    EXPECT_EQ(entries[1].externalAttr, (0100444u << 16) | 0x21);

    const CommandResult list = RunCommand("unzip -l " + ShellQuote(archive));
    EXPECT_NE(list.output.find("2021-06-15 13:45   hello.txt"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("1000000  2019-12-31 23:59   sub/zeros.bin"), std::string::npos) << list.output;
}

TEST(ZipArchive, LevelChoosesMethodAndFlags) {
    TempDir dir;
    const std::string archive = dir / "levels.zip";
    const std::string data = RandomBytes(5000) + std::string(5000, 'a');
    WriteArchive(archive, {{"l0", data, 0}, {"l2", data, 2}, {"l5", data, 5}, {"l9", data, 9}, {"l42", data, 42}});
    ExpectToolsAccept(archive);
    const std::vector<ZipInfo> entries = ReadWithPython(archive, {}, true);
    ASSERT_EQ(entries.size(), 5u);
    const int methods[] = {0, 8, 8, 8, 8};
    const uint32_t flags[] = {0, 0x04, 0, 0x02, 0};
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].method, methods[i]) << entries[i].name;
        EXPECT_EQ(entries[i].flags, flags[i]) << entries[i].name;
        EXPECT_EQ(entries[i].data, data) << entries[i].name;
    }
    EXPECT_EQ(entries[0].compressedSize, data.size());
}

TEST(ZipArchive, EmptyFileIsAnEmptyDeflateStream) {
    TempDir dir;
    WriteArchive(dir / "plain.zip", {{"empty.txt", ""}});
    WriteArchive(dir / "secret.zip", {{"empty.txt", ""}}, "pw");
    for (const auto& [archive, password, compressed] :
         {std::tuple{dir / "plain.zip", "", 2u}, std::tuple{dir / "secret.zip", "pw", 14u}}) {
        ExpectToolsAccept(archive, password);
        const std::vector<ZipInfo> entries = ReadWithPython(archive, password, true);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].size, 0u);
        EXPECT_EQ(entries[0].crc, 0u);
        EXPECT_EQ(entries[0].compressedSize, compressed) << archive;
    }
}

TEST(ZipArchive, DirectoryEntriesCarryNoData) {
    TempDir dir;
    const std::string archive = dir / "dirs.zip";
    {
        CZipArchive zip;
        zip.CreateArchive(archive);
        zip.SetArchivePassword("pw");
        CZipFileHeader folder;
        folder.SetFileName("empty");
        CZipArchive::SetEntryAttributes(folder, CZipFileHeader::AttrDirectory);
        zip.BeginEntry(folder, 1);
        EXPECT_THROW(zip.WriteEntryData("x", 1), CZipException);
        zip.EndEntry();
        // A header first made for a file: its Unix file bits must not stay.
        CZipFileHeader named;
        CZipArchive::SetEntryAttributes(named, CZipFileHeader::AttrArchive);
        named.SetFileName("a\\b\\");
        zip.BeginEntry(named, 1);
        zip.EndEntry();
        AddEntry(zip, {"a/b/file.txt", "content"});
        zip.CloseArchive();
    }
    ExpectToolsAccept(archive, "pw");
    const std::vector<ZipInfo> entries = ReadWithPython(archive, "pw");
    ASSERT_EQ(entries.size(), 3u);
    for (size_t i : {0u, 1u}) {
        EXPECT_EQ(entries[i].extractVersion, 10);
        EXPECT_EQ(entries[i].method, 0);
        EXPECT_EQ(entries[i].flags, 0u) << "directories are not encrypted";
        EXPECT_EQ(entries[i].size, 0u);
        EXPECT_EQ(entries[i].compressedSize, 0u);
    }
    EXPECT_EQ(entries[0].externalAttr, (040755u << 16) | 0x10);
    EXPECT_EQ(entries[1].externalAttr, (040755u << 16) | 0x30);
    EXPECT_EQ(entries[0].name, "empty/");
    EXPECT_EQ(entries[1].name, "a/b/");

    const std::string out = dir / "out";
    ASSERT_EQ(RunCommand("unzip -q -P pw " + ShellQuote(archive) + " -d " + ShellQuote(out)).status, 0);
    EXPECT_TRUE(fs::is_directory(out + "/empty"));
    EXPECT_EQ(ReadFile(out + "/a/b/file.txt"), "content");
}

TEST(ZipArchive, NamesAreRelativeAndNonAsciiNamesAreFlaggedUtf8) {
    TempDir dir;
    const std::string archive = dir / "names.zip";
    const std::string unicode = "Gr\xC3\xBC\xC3\x9F" "e/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt";  // Grüße/файл.txt
    WriteArchive(archive, {{unicode, "u"}, {"plain.txt", "p"}, {"C:\\abs\\x.txt", "c"}, {"//root.txt", "r"}});
    ExpectToolsAccept(archive);
    const std::vector<ZipInfo> entries = ReadWithPython(archive);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, unicode);
    EXPECT_EQ(entries[0].flags & 0x800u, 0x800u);
    EXPECT_EQ(entries[1].flags & 0x800u, 0u);
    EXPECT_EQ(entries[2].name, "abs/x.txt");
    EXPECT_EQ(entries[3].name, "root.txt");
    const CommandResult list = RunCommand("7zz l -sccUTF-8 " + ShellQuote(archive));
    EXPECT_NE(list.output.find(unicode), std::string::npos) << list.output;
}

TEST(ZipArchive, RefusesNamesTheFormatCannotHoldAndGoesOn) {
    TempDir dir;
    const std::string archive = dir / "long.zip";
    CZipArchive zip;
    zip.CreateArchive(archive);
    CZipFileHeader header;
    header.SetFileName(std::string(70000, 'n'));
    try {
        zip.BeginEntry(header, 1);
        FAIL() << "a name over 65535 bytes was accepted";
    } catch (const CZipException& error) {
        EXPECT_EQ(error.GetCode(), CZipException::NameTooLong);
    }
    header.SetFileName("/");
    EXPECT_THROW(zip.BeginEntry(header, 1), CZipException);
    AddEntry(zip, {"next.txt", "the archive is still usable"});
    zip.CloseArchive();
    ExpectToolsAccept(archive);
    ASSERT_EQ(ReadWithPython(archive).size(), 1u);
}

TEST(ZipArchive, PasswordEncryptsEveryFile) {
    TempDir dir;
    const std::string archive = dir / "secret.zip";
    const std::string random = RandomBytes(200000, 7);
    WriteArchive(archive, {{"a.txt", "secret text"}, {"b.bin", random}, {"stored.bin", random, 0}}, "s3cret");
    ExpectToolsAccept(archive, "s3cret");

    const std::vector<ZipInfo> entries = ReadWithPython(archive, "s3cret", true);
    ASSERT_EQ(entries.size(), 3u);
    for (const ZipInfo& entry : entries) {
        EXPECT_EQ(entry.flags & 0x09u, 0x09u) << entry.name;
        EXPECT_EQ(entry.compressedSize > 12, true) << entry.name;
    }
    EXPECT_EQ(entries[0].data, "secret text");
    EXPECT_EQ(entries[1].data, random);
    EXPECT_EQ(entries[2].compressedSize, random.size() + 12);

    const CommandResult wrong7z = RunCommand("7zz t -pnope " + ShellQuote(archive));
    EXPECT_NE(wrong7z.status, 0) << wrong7z.output;
    const CommandResult wrongUnzip = RunCommand("unzip -t -P nope " + ShellQuote(archive));
    EXPECT_NE(wrongUnzip.status, 0) << wrongUnzip.output;
    const CommandResult details = RunCommand("7zz l -slt -ps3cret " + ShellQuote(archive));
    EXPECT_NE(details.output.find("Method = ZipCrypto Deflate"), std::string::npos) << details.output;
    EXPECT_NE(details.output.find("Method = ZipCrypto Store"), std::string::npos) << details.output;
}

TEST(ZipArchive, ReplacesAnExistingArchive) {
    TempDir dir;
    const std::string archive = dir / "target.zip";
    WriteArchive(archive, {{"old-1.txt", "old"}, {"old-2.txt", RandomBytes(100000)}});
    WriteArchive(archive, {{"new.txt", "new"}});
    ExpectToolsAccept(archive);
    const std::vector<ZipInfo> entries = ReadWithPython(archive);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "new.txt");
    EXPECT_EQ(FolderContents(dir.path()), std::vector<std::string>{"target.zip"});
}

TEST(ZipArchive, CloseIsSafeToRepeatAndTheDestructorCompletesTheArchive) {
    TempDir dir;
    const std::string archive = dir / "closing.zip";
    CZipArchive zip;
    EXPECT_TRUE(zip.IsArchiveClosed());
    EXPECT_NO_THROW(zip.CloseArchive());
    zip.CreateArchive(archive);
    EXPECT_FALSE(zip.IsArchiveClosed());
    EXPECT_FALSE(fs::exists(archive)) << "the archive appears only when it is complete";
    CZipFileHeader header;
    header.SetFileName("open.txt");
    zip.BeginEntry(header, 1);
    zip.WriteEntryData("left open", 9);
    zip.CloseArchive();  // ends the open entry
    zip.CloseArchive();
    EXPECT_TRUE(zip.IsArchiveClosed());
    EXPECT_THROW(zip.BeginEntry(header, 1), CZipException);
    ASSERT_EQ(ReadWithPython(archive, {}, true).at(0).data, "left open");

    const std::string unclosed = dir / "unclosed.zip";
    {
        CZipArchive forgotten;
        forgotten.CreateArchive(unclosed);
        AddEntry(forgotten, {"kept.txt", "kept"});
    }
    ExpectToolsAccept(unclosed);
}

}  // namespace
}  // namespace velmora::test
