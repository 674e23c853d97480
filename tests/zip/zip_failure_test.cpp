#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "support/temp_dir.h"
#include "zip/zip_archive.h"
#include "zip_tools.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

// Files of this process cannot grow past `bytes` while the object lives: a
// write beyond fails with EFBIG, the way a full disk fails with ENOSPC.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int);
};

int CodeOf(const auto& call) {
    try {
        call();
    } catch (const CZipException& error) {
        return error.GetCode();
    }
    return 0;
}

TEST(ZipArchiveFailure, WriteErrorIsRaisedAndTheOldArchiveSurvives) {
    TempDir dir;
    const std::string archive = dir / "target.zip";
    WriteArchive(archive, {{"old.txt", "the archive that was there before"}});
    const std::string before = ReadFile(archive);

    CZipArchive zip;
    std::string message;
    {
        FileSizeLimit limit(1 << 20);
        zip.CreateArchive(archive);
        try {
            AddEntry(zip, {"big.bin", RandomBytes(3 << 20), 0});
            zip.CloseArchive();
        } catch (const CZipException& error) {
            EXPECT_EQ(error.GetCode(), EFBIG);
            message = error.what();
        }
    }
    EXPECT_EQ(message, "File too large (" + archive + ")");
    // The archive is broken for good: every call repeats the failure, and
    // closing discards what was written.
    if (!zip.IsArchiveClosed()) {
        EXPECT_EQ(CodeOf([&] { AddEntry(zip, {"more.txt", "more"}); }), EFBIG);
        EXPECT_EQ(CodeOf([&] { zip.CloseArchive(); }), EFBIG);
    }
    EXPECT_TRUE(zip.IsArchiveClosed());
    EXPECT_NO_THROW(zip.CloseArchive());

    EXPECT_EQ(ReadFile(archive), before);
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(dir.path())) names.push_back(item.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"target.zip"}) << "no temporary file is left behind";
}

TEST(ZipArchiveFailure, ArchiveThatCannotBeCreatedNamesThePath) {
    TempDir dir;
    CZipArchive zip;
    const std::string missing = dir / "missing/x.zip";
    try {
        zip.CreateArchive(missing);
        FAIL() << "created an archive in a missing folder";
    } catch (const CZipException& error) {
        EXPECT_EQ(error.GetCode(), ENOENT);
        EXPECT_EQ(error.GetFileName(), missing);
        EXPECT_EQ(std::string(error.what()), "No such file or directory (" + missing + ")");
    }
    EXPECT_TRUE(zip.IsArchiveClosed());
    EXPECT_EQ(CodeOf([&] { zip.CreateArchive(dir.path()); }), EISDIR);
    EXPECT_EQ(CodeOf([&] { zip.WriteEntryData("x", 1); }), EBADF);
}

TEST(ZipException, DescribesCodesTheWayTheTableSays) {
    EXPECT_STREQ(CZipException(ENOSPC).what(), "No space left on device");
    EXPECT_EQ(CZipException(CZipException::RenameFailed, "a.zip").GetErrorDescription(),
              "Error while renaming a file (a.zip)");
    // zlib results map to 501 minus the result.
    EXPECT_EQ(CZipException::FromZlib(-2).GetCode(), CZipException::ZlibStreamError);
    EXPECT_STREQ(CZipException::FromZlib(-4).what(), "Not enough memory");
    EXPECT_STREQ(CZipException::FromZlib(1).what(), "Zlib Library error (end of stream)");
    // A zlib file error is told by the system error number of the moment.
    errno = ENOSPC;
    EXPECT_STREQ(CZipException(CZipException::ZlibErrno).what(), "No space left on device");
    errno = 0;
    EXPECT_STREQ(CZipException(CZipException::ZlibErrno).what(), "Unknown error");
    // Codes outside the table: the system's text, or "Unknown error" as plain text.
    EXPECT_EQ(CZipException::GetCodeDescription(ENAMETOOLONG), std::strerror(ENAMETOOLONG));
    EXPECT_EQ(CZipException::GetCodeDescription(ENAMETOOLONG, true), "Unknown error");
    EXPECT_EQ(CZipException::GetCodeDescription(CZipException::GenericError), "Unknown error");
}

}  // namespace
}  // namespace velmora::test
