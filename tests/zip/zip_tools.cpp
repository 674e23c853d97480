#include "zip_tools.h"

#include <cstdio>
#include <ctime>
#include <sstream>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "platform/clock.h"

namespace velmora::test {

namespace {

constexpr size_t kEngineBlock = 51200;

// Prints one line per entry, fields separated by tabs; with data, the
// entry's bytes follow as hex.
constexpr const char* kPythonReader = R"PY(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    if len(sys.argv) > 3 and sys.argv[3]:
        z.setpassword(sys.argv[3].encode())
    for i in z.infolist():
        data = z.read(i).hex() if sys.argv[2] == '1' else ''
        fields = [i.filename, i.file_size, i.compress_size, i.CRC, i.flag_bits, i.compress_type,
                  '%04d-%02d-%02d %02d:%02d:%02d' % i.date_time, i.external_attr,
                  i.create_system, i.create_version, i.extract_version, data]
        sys.stdout.buffer.write(('\t'.join(str(f) for f in fields) + '\n').encode('utf-8'))
)PY";

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

ZipInfo ParseInfo(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    fields.resize(12);
    ZipInfo info;
    info.name = fields[0];
    info.size = std::stoull(fields[1]);
    info.compressedSize = std::stoull(fields[2]);
    info.crc = static_cast<uint32_t>(std::stoul(fields[3]));
    info.flags = static_cast<uint32_t>(std::stoul(fields[4]));
    info.method = std::stoi(fields[5]);
    info.dateTime = fields[6];
    info.externalAttr = static_cast<uint32_t>(std::stoul(fields[7]));
    info.createSystem = std::stoi(fields[8]);
    info.createVersion = std::stoi(fields[9]);
    info.extractVersion = std::stoi(fields[10]);
    info.data = FromHex(fields[11]);
    return info;
}

}  // namespace

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    std::FILE* pipe = popen((command + " 2>&1 </dev/null").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

void ExpectToolsAccept(const std::string& archive, const std::string& password) {
    const std::string unzipPassword = password.empty() ? "" : " -P " + ShellQuote(password);
    const CommandResult unzip = RunCommand("unzip -tq" + unzipPassword + " " + ShellQuote(archive));
    EXPECT_EQ(unzip.status, 0) << unzip.output.substr(0, 2000);
    ExpectSevenZipAccepts(archive, password);
}

void ExpectSevenZipAccepts(const std::string& archive, const std::string& password) {
    const CommandResult sevenZip = RunCommand("7zz t -p" + ShellQuote(password) + " " + ShellQuote(archive));
    EXPECT_EQ(sevenZip.status, 0) << sevenZip.output.substr(0, 2000);
    EXPECT_NE(sevenZip.output.find("Everything is Ok"), std::string::npos) << sevenZip.output.substr(0, 2000);
    EXPECT_EQ(sevenZip.output.find("WARNING"), std::string::npos) << sevenZip.output.substr(0, 2000);
}

std::vector<ZipInfo> ReadWithPython(const std::string& archive, const std::string& password, bool withData) {
    const CommandResult result = RunCommand("/usr/bin/python3 -c " + ShellQuote(kPythonReader) + " " +
                                            ShellQuote(archive) + (withData ? " 1 " : " 0 ") +
                                            ShellQuote(password));
    if (result.status != 0) {
        ADD_FAILURE() << "python's zipfile cannot read " << archive << ":\n" << result.output;
        return {};
    }
    std::vector<ZipInfo> entries;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);) entries.push_back(ParseInfo(line));
    return entries;
}

void AddEntry(CZipArchive& archive, const TestEntry& entry) {
    CZipFileHeader header;
    header.SetFileName(entry.name);
    header.SetTime(entry.time ? entry.time : LocalTime(2021, 6, 15, 13, 45, 31));
    header.SetExpectedSize(entry.expectedSize ? entry.expectedSize : entry.data.size());
    CZipArchive::SetEntryAttributes(header, entry.attributes);
    archive.BeginEntry(header, entry.level);
    for (size_t done = 0; done < entry.data.size(); done += kEngineBlock) {
        const size_t length = std::min(kEngineBlock, entry.data.size() - done);
        archive.WriteEntryData(entry.data.data() + done, length);
    }
    archive.EndEntry();
}

void WriteArchive(const std::string& path, const std::vector<TestEntry>& entries, const std::string& password,
                  CZipArchive::Encryption encryption) {
    CZipArchive archive;
    archive.CreateArchive(path);
    if (!password.empty()) archive.SetArchivePassword(password, encryption);
    for (const TestEntry& entry : entries) AddEntry(archive, entry);
    archive.CloseArchive();
}

}  // namespace velmora::test
