#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "paths/file_find.h"
#include "paths/file_path.h"
#include "platform/clock.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr uint64_t kSparseFileSize = 5ULL << 30;

// Every entry of a listing by name, walked the way callers walk it.
std::map<std::string, CFilePath> ListAll(CFileFind& find, std::string_view pattern) {
    std::map<std::string, CFilePath> entries;
    for (bool more = find.FindFile(pattern); more;) {
        more = find.FindNextFile();
        entries.emplace(find.GetFileName(), CFilePath(find));
    }
    return entries;
}

// A plain name finds one entry: the first step makes it current and reports
// that nothing follows.
bool FindOnly(CFileFind& find, const std::string& path) { return find.FindFile(path) && !find.FindNextFile(); }

TEST(FileStatus, MapsTypesPermissionsNamesAndTimes) {
    TempDir dir;
    WriteFile(dir / "a.txt", "hello");
    WriteFile(dir / ".hidden", "");
    fs::create_directory(dir / "sub");
    constexpr int64_t kWritten = 1600000000;
    fs::last_write_time(dir / "a.txt",
                        std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(kWritten))));

    platform::FileStatus file;
    ASSERT_TRUE(platform::GetFileStatus(dir / "a.txt", file));
    EXPECT_EQ(file.attributes, platform::FileAttrArchive);
    EXPECT_EQ(file.size, 5u);
    EXPECT_EQ(platform::FileTimeToUnix(file.lastWriteTime), kWritten);
    EXPECT_NE(file.creationTime, 0u);
    EXPECT_NE(file.lastAccessTime, 0u);

    platform::FileStatus folder;
    ASSERT_TRUE(platform::GetFileStatus(dir / "sub", folder));
    EXPECT_EQ(folder.attributes, platform::FileAttrDirectory);
    EXPECT_EQ(folder.size, 0u);

    platform::FileStatus hidden;
    ASSERT_TRUE(platform::GetFileStatus(dir / ".hidden", hidden));
    EXPECT_EQ(hidden.attributes, platform::FileAttrArchive | platform::FileAttrHidden);

    fs::permissions(dir / "a.txt", fs::perms::owner_write, fs::perm_options::remove);
    ASSERT_TRUE(platform::GetFileStatus(dir / "a.txt", file));
    EXPECT_EQ(file.attributes, platform::FileAttrArchive | platform::FileAttrReadOnly);

    std::string error;
    EXPECT_FALSE(platform::GetFileStatus(dir / "missing", file, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(platform::GetFileStatus("", file));
    EXPECT_FALSE(platform::GetFileStatus("\\\\srv\\share\\a.txt", file, &error));
    EXPECT_EQ(error, "Network path is not mapped to a local folder");
}

TEST(FileStatus, FiveGiBSparseFileKeepsItsSizeThroughPaths) {
    TempDir dir;
    WriteFile(dir / "big.iso", "");
    fs::resize_file(dir / "big.iso", kSparseFileSize);
    CFilePath path(dir / "big.iso");
    ASSERT_TRUE(path.ReadStatus());
    EXPECT_EQ(path.Length(), kSparseFileSize);

    CFileFind find;
    const auto entries = ListAll(find, dir.path() + "/*.iso");
    ASSERT_EQ(entries.count("big.iso"), 1u);
    EXPECT_EQ(entries.at("big.iso").Length(), kSparseFileSize);
    CFtpPath copy(entries.at("big.iso"));
    EXPECT_EQ(copy.Length(), kSparseFileSize);
}

TEST(FileStatus, SymbolicLinksAreFlaggedAndFollowed) {
    TempDir dir;
    fs::create_directory(dir / "real");
    WriteFile(dir / "real/f.txt", "x");
    fs::create_directory_symlink(dir / "real", dir / "link");
    fs::create_symlink(dir / "nowhere", dir / "dangling");

    std::vector<platform::DirEntry> entries;
    ASSERT_TRUE(platform::ListDirectory(dir.path(), entries));
    std::map<std::string, platform::DirEntry> byName;
    for (const auto& entry : entries) byName[entry.name] = entry;
    ASSERT_EQ(byName.size(), 3u);
    EXPECT_FALSE(byName["real"].isSymlink);
    EXPECT_TRUE(byName["link"].isSymlink);
    EXPECT_EQ(byName["link"].status.attributes, platform::FileAttrDirectory);
    EXPECT_TRUE(byName["dangling"].isSymlink);
    EXPECT_EQ(byName["dangling"].status.attributes & platform::FileAttrDirectory, 0u);

    CFileFind find;
    ASSERT_TRUE(FindOnly(find, dir / "link"));
    EXPECT_TRUE(find.IsSymlink());
    EXPECT_TRUE(find.IsDirectory());

    std::string error;
    EXPECT_FALSE(platform::ListDirectory(dir / "missing", entries, &error));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(error.empty());
}

TEST(FileStatus, AFolderIsReadOneEntryAtATimeAndWhatVanishesMeanwhileIsLeftOut) {
    TempDir dir;
    for (const char* name : {"a", "b", "c", "d"}) WriteFile(dir / name, name);
    platform::DirectoryReader reader;
    ASSERT_TRUE(reader.Open(dir.path()));
    platform::DirEntry first;
    ASSERT_TRUE(reader.Next(first));
    // The others go before their turn: a listing read ahead would still give them.
    for (const char* name : {"a", "b", "c", "d"})
        if (first.name != name) fs::remove(dir / name);
    fs::create_directory(dir / "e");

    std::vector<std::string> rest;
    for (platform::DirEntry entry; reader.Next(entry);) {
        rest.push_back(entry.name + ((entry.status.attributes & platform::FileAttrDirectory) ? "/" : ""));
    }
    EXPECT_TRUE(reader.Error().empty()) << reader.Error();
    EXPECT_LE(rest.size(), 1u) << "only the new folder may still be met";
    if (!rest.empty()) {
        EXPECT_EQ(rest.front(), "e/");
    }
    EXPECT_FALSE(reader.Next(first)) << "the end stays the end";

    EXPECT_FALSE(reader.Open(dir / "missing"));
    EXPECT_FALSE(reader.Error().empty());
}

TEST(FileOperations, CopyDeleteRenameCreateReportFailuresWithoutHarm) {
    TempDir dir;
    WriteFile(dir / "a", "new");
    WriteFile(dir / "b", "old contents");
    std::string error;
    EXPECT_TRUE(platform::CopyFileReplacing(dir / "a", dir / "b"));
    EXPECT_EQ(ReadFile(dir / "b"), "new");
    EXPECT_FALSE(platform::CopyFileReplacing(dir / "missing", dir / "c", &error));
    EXPECT_FALSE(fs::exists(dir / "c"));

    WriteFile(dir / "b", "keep me");
    EXPECT_FALSE(platform::RenameFile(dir / "a", dir / "b", &error));
    EXPECT_EQ(ReadFile(dir / "b"), "keep me");
    EXPECT_TRUE(platform::RenameFile(dir / "a", dir / "c"));
    EXPECT_EQ(ReadFile(dir / "c"), "new");

    EXPECT_TRUE(platform::CreateDirectory(dir / "d"));
    EXPECT_FALSE(platform::CreateDirectory(dir / "d", &error));
    EXPECT_FALSE(platform::CreateDirectory(dir / "x/y", &error));
    EXPECT_FALSE(platform::DeleteFile(dir / "d", &error));
    EXPECT_TRUE(fs::is_directory(dir / "d"));
    EXPECT_TRUE(platform::DeleteFile(dir / "c"));
    EXPECT_FALSE(platform::DeleteFile(dir / "c", &error));
}

TEST(FilePathFileSystem, StatusQueriesAndProbing) {
    TempDir dir;
    WriteFile(dir / "f.txt", "1234");
    fs::create_directory(dir / "folder.d");

    CFilePath probe(dir / "folder.d", PATH_PROBE);
    EXPECT_TRUE(probe.IsDirectory());
    EXPECT_EQ(probe.GetPathType(), PATH_FOLDER);
    EXPECT_EQ(probe.GetDir(), dir.path() + "/folder.d/");
    EXPECT_TRUE(probe.GetFileName().empty());

    CFilePath file(dir / "f.txt", PATH_PROBE);
    EXPECT_EQ(file.GetPathType(), PATH_PROBE);
    EXPECT_EQ(file.Length(), 4u);
    EXPECT_TRUE(file.IsValid());
    EXPECT_TRUE(file.IsExistsFile());
    EXPECT_TRUE(file.IsExistsDirectory());  // the folder that holds it
    EXPECT_TRUE(file.IsFile());
    EXPECT_FALSE(file.IsFolder());
    EXPECT_TRUE(CFilePath::IsExistsDirectory(dir.path() + "/"));
    EXPECT_FALSE(CFilePath::IsExistsFile(dir.path()));
    EXPECT_TRUE(CFilePath("/", PATH_FOLDER).ReadStatus());

    CFilePath missing(dir / "none.txt");
    EXPECT_FALSE(missing.IsExists());
    EXPECT_FALSE(missing.IsExistsFile());
    EXPECT_FALSE(CFilePath().ReadStatus());
    EXPECT_FALSE(CFilePath::DeleteFileW(""));
}

TEST(FilePathFileSystem, CreateFolderRenameAndDelete) {
    TempDir dir;
    CFilePath deep(dir.path() + "/a/b/c/f.txt");
    EXPECT_TRUE(deep.CreateFolder());
    EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
    EXPECT_TRUE(deep.CreateFolder());

    WriteFile(dir / "a/old.txt", "data");
    WriteFile(dir / "a/taken.txt", "other");
    CFilePath file(dir / "a/old.txt");
    EXPECT_FALSE(file.RenameFile("taken.txt"));
    EXPECT_EQ(file.GetFileName(), "old.txt");
    EXPECT_EQ(ReadFile(dir / "a/taken.txt"), "other");
    EXPECT_TRUE(file.RenameFile("b"));  // a name without extension keeps the old one
    EXPECT_EQ(file.GetPath(), dir.path() + "/a/b.txt");
    EXPECT_TRUE(file.RenameFile("notes.md"));
    EXPECT_EQ(file.GetPath(), dir.path() + "/a/notes.md");
    EXPECT_EQ(ReadFile(dir / "a/notes.md"), "data");
    EXPECT_TRUE(file.DeleteFileW());
    EXPECT_FALSE(fs::exists(dir / "a/notes.md"));

    EXPECT_FALSE(CFilePath("\\\\srv\\share\\x\\f.txt").CreateFolder());
}

// Sessions of one job make the same target folder at the same moment: a
// folder another made meanwhile is there, not missing.
TEST(FilePathFileSystem, AFolderMadeByManyAtOnceIsMadeForEach) {
    TempDir dir;
    for (int round = 0; round < 40; ++round) {
        const CFilePath file(dir.path() + "/r" + std::to_string(round) + "/a/b/f.txt");
        std::atomic<int> waiting{8};
        std::atomic<int> made{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; ++i) {
            threads.emplace_back([&] {
                for (--waiting; waiting > 0;) std::this_thread::yield();
                if (file.CreateFolder()) ++made;
            });
        }
        for (std::thread& thread : threads) thread.join();
        ASSERT_EQ(made, 8) << "round " << round;
    }
}

TEST(FileFind, PatternsEntriesAndCopies) {
    TempDir dir;
    WriteFile(dir / "a.txt", "1");
    WriteFile(dir / "b.log", "22");
    WriteFile(dir / "noext", "");
    fs::create_directory(dir / "x.y");

    CFileFind find;
    const auto all = ListAll(find, dir.path() + "\\*.*");
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(find.GetRoot(), dir.path());
    const CFilePath& folder = all.at("x.y");
    EXPECT_TRUE(folder.IsDirectory());
    EXPECT_EQ(folder.GetDir(), dir.path() + "/x.y/");
    EXPECT_TRUE(folder.GetFileName().empty());
    EXPECT_EQ(all.at("b.log").Length(), 2u);
    EXPECT_TRUE(all.at("b.log").IsArchived());
    EXPECT_TRUE(all.at("b.log").IsValid());

    EXPECT_EQ(ListAll(find, dir / "*.txt").size(), 1u);
    EXPECT_EQ(ListAll(find, dir / "?.*").size(), 3u);
    EXPECT_EQ(ListAll(find, dir / "noext").size(), 1u);
    EXPECT_TRUE(ListAll(find, dir / "*.zip").empty());
    EXPECT_TRUE(ListAll(find, dir / "missing/*.*").empty());

    ASSERT_TRUE(FindOnly(find, dir / "x.y"));
    EXPECT_EQ(find.GetFileTitle(), "x");
    EXPECT_EQ(find.GetFilePath(), dir / "x.y");
    EXPECT_FALSE(find.IsDots());
    ASSERT_TRUE(FindOnly(find, dir / "."));
    EXPECT_TRUE(find.IsDots());
}

}  // namespace
}  // namespace velmora
