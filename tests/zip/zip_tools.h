#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/local_time.h"
#include "zip/zip_archive.h"

// Helpers of the archive tests: writing entries the way the transfer engine
// does, and reading archives back with independent tools (Info-ZIP's unzip,
// 7-Zip and Python's zipfile module).
namespace velmora::test {

struct CommandResult {
    int status = -1;
    std::string output;  // standard output and error together
};

// Runs a shell command line.
CommandResult RunCommand(const std::string& command);
// The text quoted for the shell.
std::string ShellQuote(const std::string& text);

// Info-ZIP's unzip and 7-Zip both test the archive without a complaint.
void ExpectToolsAccept(const std::string& archive, const std::string& password = {});
// 7-Zip alone (Info-ZIP's unzip cannot read AES entries).
void ExpectSevenZipAccepts(const std::string& archive, const std::string& password);

// What Python's zipfile module reads from the central directory, and the
// data it extracts (checked against the CRC) when `withData` is set.
struct ZipInfo {
    std::string name;
    uint64_t size = 0;
    uint64_t compressedSize = 0;
    uint32_t crc = 0;
    uint32_t flags = 0;
    int method = -1;
    std::string dateTime;  // "YYYY-MM-DD hh:mm:ss"
    uint32_t externalAttr = 0;
    int createSystem = -1;
    int createVersion = -1;
    int extractVersion = -1;
    std::string data;
};

// Fails the current test (and returns no entries) when Python cannot read
// the archive.
std::vector<ZipInfo> ReadWithPython(const std::string& archive, const std::string& password = {},
                                    bool withData = false);

// One entry written as the engine writes a file: header with name, time and
// attributes, then the data in blocks of the engine's buffer size.
struct TestEntry {
    std::string name;
    std::string data;
    int level = 1;
    uint32_t attributes = CZipFileHeader::AttrArchive;
    int64_t time = 0;  // 0: a fixed time in 2021
    uint64_t expectedSize = 0;  // 0: the data's size
};

void AddEntry(CZipArchive& archive, const TestEntry& entry);
// Creates an archive holding the entries.
void WriteArchive(const std::string& path, const std::vector<TestEntry>& entries,
                  const std::string& password = {},
                  CZipArchive::Encryption encryption = CZipArchive::Encryption::Traditional);

}  // namespace velmora::test
