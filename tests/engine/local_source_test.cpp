#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "engine/engine_test_support.h"
#include "engine/local_source.h"
#include "engine/local_zip_source.h"
#include "engine/tsk_local_file.h"
#include "paths/mfc_obj_node.h"
#include "platform/network_share.h"
#include "support/temp_dir.h"
#include "zip/zip_tools.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

// A folder with what users keep: nested folders, an empty folder, an empty
// file, two names that differ only in letter case, and a larger file.
void MakeSampleTree(const std::string& root) {
    WriteFile(root + "/a.txt", "alpha");
    WriteFile(root + "/Photo.JPG", "upper");
    WriteFile(root + "/Photo.jpg", "lower");
    WriteFile(root + "/empty.bin", "");
    WriteFile(root + "/sub/c.bin", RandomBytes(300000, 5));
    WriteFile(root + "/sub/deeper/d.txt", "delta");
    fs::create_directories(root + "/emptydir");
    fs::create_directories(root + "/sub/emptier");
}

using LocalSourceTest = EngineTest;

TEST_F(LocalSourceTest, FolderToFolderGivesAnIdenticalTree) {
    TempDir dir;
    MakeSampleTree(dir / "src/data");
    RecordingDatabase database;
    TestJob scoped(&database);
    const CTskItem item = MakeItem(LocalPoint(ePointFolder, dir / "src/data"), LocalPoint(ePointFolder, dir / "dst"));
    CLocalSource source(item);
    CLocalSource target(item);

    EXPECT_TRUE(RunPair(source, target));

    EXPECT_EQ(ReadTree(dir / "dst/data"), ReadTree(dir / "src/data"));
    EXPECT_EQ(ReadTree(dir / "dst").size(), ReadTree(dir / "src").size()) << "nothing beside the copied folder";
    const CJobState& job = CStatistic::Job();
    EXPECT_EQ(job.m_nProcessed, 6);
    EXPECT_EQ(job.m_nErrors, 0);
    EXPECT_EQ(job.m_nTotalBytes, 5 + 5 + 5 + 300000 + 5);
    EXPECT_EQ(job.m_nProcessedBytes, job.m_nTotalBytes);
    EXPECT_EQ(database.sourceFiles.size(), 6u);
    EXPECT_EQ(database.updates, 1);
}

TEST_F(LocalSourceTest, ExcludedExtensionsAndFoldersAreSkippedAndCounted) {
    TempDir dir;
    WriteFile(dir / "src/keep.txt", "k");
    WriteFile(dir / "src/a.tmp", "t");
    WriteFile(dir / "src/sub/b.BAK", "b");
    WriteFile(dir / "src/cache/c.txt", "c");
    CTansform transform;
    transform.GetFilter().SetExcludes("tmp; bak");
    transform.GetFilter().AddExcludeFolder(dir / "src/cache");
    const CTskItem item =
        MakeItem(LocalPoint(ePointFolder, dir / "src"), LocalPoint(ePointFolder, dir / "dst"), transform);
    CLocalSource source(item);
    CLocalSource target(item);

    EXPECT_TRUE(RunPair(source, target));

    EXPECT_EQ(ReadTree(dir / "dst/src"), (TreeMap{{"keep.txt", "k"}, {"sub", "<dir>"}}));
    EXPECT_EQ(CStatistic::Job().m_nSkipped, 3);
    EXPECT_EQ(CStatistic::Job().m_nProcessed, 1);
}

TEST_F(LocalSourceTest, SingleFileRootGivesOneDataFileUnderTheDestinationsName) {
    TempDir dir;
    WriteFile(dir / "src/a.TXT", "alpha");
    CLocalSource intoFolder(MakeItem(LocalPoint(ePointFile, dir / "src/a.TXT"), LocalPoint(ePointFolder, dir / "d1")));
    ASSERT_TRUE(intoFolder.Scan());
    EXPECT_EQ(intoFolder.GetCount(), 1);
    EXPECT_EQ(intoFolder.GetRootNode()->GetChildCount(), 0);
    CLocalSource folderTarget(intoFolder.GetItem());
    EXPECT_TRUE(RunPair(intoFolder, folderTarget));
    EXPECT_EQ(ReadTree(dir / "d1"), (TreeMap{{"a.TXT", "alpha"}}));

    const CTskItem renamed =
        MakeItem(LocalPoint(ePointFile, dir / "src/a.TXT"), LocalPoint(ePointFile, dir / "d2/b.txt"));
    CLocalSource source(renamed);
    CLocalSource fileTarget(renamed);
    EXPECT_TRUE(RunPair(source, fileTarget));
    EXPECT_EQ(ReadTree(dir / "d2"), (TreeMap{{"b.txt", "alpha"}}));
}

TEST_F(LocalSourceTest, ScanningTwiceDoesNotRescan) {
    TempDir dir;
    WriteFile(dir / "src/a.txt", "a");
    CLocalSource source(MakeItem(LocalPoint(ePointFolder, dir / "src"), LocalPoint(ePointFolder, dir / "dst")));
    ASSERT_TRUE(source.Scan());
    const int count = source.GetCount();
    const CTskDataFile* first = source.GetHead();
    WriteFile(dir / "src/b.txt", "b");

    ASSERT_TRUE(source.Scan());

    EXPECT_EQ(source.GetCount(), count);
    EXPECT_EQ(source.GetHead(), first);
}

TEST_F(LocalSourceTest, MissingEndsAreFatalErrors) {
    TempDir dir;
    CLocalSource source(MakeItem(LocalPoint(ePointFolder, dir / "nothing"), LocalPoint(ePointFolder, dir / "dst")));
    EXPECT_FALSE(source.Scan());
    EXPECT_EQ(CStatistic::Job().m_strLastError, "Connect error:  Source does not exists");
    EXPECT_FALSE(CStatistic::ContinueCheck());

    CStatistic::ResetJob();
    CLocalSource target(MakeItem(LocalPoint(ePointFolder, dir.path()), LocalPoint(ePointFolder, "")));
    EXPECT_FALSE(target.OpenTarget());
    EXPECT_EQ(CStatistic::Job().m_strLastError, "Cannot create dest folder:  Destination is missing");
}

TEST_F(LocalSourceTest, FolderGivenAmongFilesIsCopiedWithItsContents) {
    TempDir dir;
    WriteFile(dir / "src/loose.txt", "l");
    MakeSampleTree(dir / "src/data");
    CFtpPathList paths;
    paths.Add(new CFtpPath(dir / "src/loose.txt"));
    paths.Add(new CFtpPath(dir / "src/data"));
    const CTskItem item = MakeItem(LocalPoint(ePointFile, ""), LocalPoint(ePointFolder, dir / "dst"));
    CLocalSource source(item, paths);
    CLocalSource target(item);

    EXPECT_TRUE(RunPair(source, target));

    EXPECT_EQ(ReadTree(dir / "dst"), ReadTree(dir / "src"));
}

TEST_F(LocalSourceTest, ATargetOutsideTheDestinationIsRefused) {
    TempDir dir;
    CMFCObjNode root("ROOT", 0);
    root.GetPath() = CFtpPath(dir / "src/", PATH_FOLDER);
    root.SetCatalog(true);
    CTskLocalFile escaping(CFtpPath(dir / "src/../../evil.txt"));
    escaping.SetNode(&root, true);
    CLocalSource target(MakeItem(LocalPoint(ePointFolder, dir / "src"), LocalPoint(ePointFolder, dir / "dst")));

    EXPECT_EQ(target.MakeTargetFile(escaping), nullptr);

    EXPECT_EQ(CStatistic::Job().m_nLastCategory, ERROR_COPY);
    EXPECT_TRUE(CStatistic::ContinueCheck());
}

// Links met in a source folder are left out and counted unless followed;
// followed, a link back up is not walked round.
TEST_F(LocalSourceTest, LinksInTheSourceAreSentOnlyWhenFollowed) {
    TempDir dir;
    WriteFile(dir / "src/own.txt", "own");
    WriteFile(dir / "outside/secret.key", "key");
    WriteFile(dir / "outside/folder/inside.txt", "inside");
    fs::create_symlink(dir / "outside/secret.key", dir / "src/key.txt");
    fs::create_symlink(dir / "outside/folder", dir / "src/linked");
    fs::create_symlink(dir / "src", dir / "src/up");
    for (const bool follow : {false, true}) {
        SCOPED_TRACE(follow);
        CStatistic::ResetJob();
        CTansform transform;
        transform.SetFollowLinks(follow);
        const std::string destination = dir / (follow ? "followed" : "plain");
        const CTskItem item =
            MakeItem(LocalPoint(ePointFolder, dir / "src"), LocalPoint(ePointFolder, destination), transform);
        CLocalSource source(item);
        CLocalSource target(item);
        EXPECT_TRUE(RunPair(source, target));
        const TreeMap expected = follow ? TreeMap{{"own.txt", "own"},
                                                  {"key.txt", "key"},
                                                  {"linked", "<dir>"},
                                                  {"linked/inside.txt", "inside"}}
                                        : TreeMap{{"own.txt", "own"}};
        EXPECT_EQ(ReadTree(destination + "/src"), expected);
        EXPECT_EQ(CStatistic::Job().m_nSkipped, follow ? 1 : 3);  // followed, only the way back up
        EXPECT_EQ(CStatistic::Job().m_nErrors, 0);
    }
}

// A link inside the destination is not written through: the file that
// would go there fails, the others arrive, and where it points is untouched.
TEST_F(LocalSourceTest, LinksInTheDestinationAreNotWrittenThrough) {
    TempDir dir;
    WriteFile(dir / "src/data/sub/x.txt", "new x");
    WriteFile(dir / "src/data/y.txt", "y");
    WriteFile(dir / "outside/x.txt", "precious");
    fs::create_directories(dir / "dst/data");
    fs::create_symlink(dir / "outside", dir / "dst/data/sub");
    // A link where a file goes is replaced by the file, its target kept.
    WriteFile(dir / "outside/y-target.txt", "kept");
    fs::create_symlink(dir / "outside/y-target.txt", dir / "dst/data/y.txt");
    const CTskItem item = MakeItem(LocalPoint(ePointFolder, dir / "src/data"), LocalPoint(ePointFolder, dir / "dst"));
    CLocalSource source(item);
    CLocalSource target(item);
    RunPair(source, target);
    EXPECT_EQ(ReadFile(dir / "outside/x.txt"), "precious");
    EXPECT_EQ(ReadFile(dir / "outside/y-target.txt"), "kept");
    EXPECT_FALSE(fs::is_symlink(dir / "dst/data/y.txt"));
    EXPECT_EQ(ReadFile(dir / "dst/data/y.txt"), "y");
    EXPECT_EQ(CStatistic::Job().m_nErrors, 1);
    EXPECT_NE(CStatistic::Job().m_strLastError.find("link in the destination: " + dir / "dst/data/sub"),
              std::string::npos)
        << CStatistic::Job().m_strLastError;
}

using ArchiveTargetTest = EngineTest;

bool AddEachToZip(CSource& target, CTskDataFile* file) { return static_cast<CLocalZipSource&>(target).AddToZip(file); }

TEST_F(ArchiveTargetTest, FolderIntoArchiveKeepsEveryFileAndEmptyFolder) {
    TempDir dir;
    MakeSampleTree(dir / "src/data");
    CTansform transform;
    transform.SetCompressed();
    const CTskItem item = MakeItem(LocalPoint(ePointFolder, dir / "src/data"),
                                   LocalPoint(ePointFolder, dir / "work/data.zip"), transform);
    CLocalSource source(item);
    CLocalZipSource target(item);

    EXPECT_TRUE(RunPair(source, target, AddEachToZip));

    ExpectToolsAccept(dir / "work/data.zip");
    TreeMap entries;
    for (const ZipInfo& info : ReadWithPython(dir / "work/data.zip", {}, true)) {
        entries[info.name] = info.name.ends_with("/") ? "<dir>" : info.data;
    }
    EXPECT_EQ(entries, (TreeMap{{"a.txt", "alpha"},
                                {"Photo.JPG", "upper"},
                                {"Photo.jpg", "lower"},
                                {"empty.bin", ""},
                                {"sub/c.bin", RandomBytes(300000, 5)},
                                {"sub/deeper/d.txt", "delta"},
                                {"emptydir/", "<dir>"},
                                {"sub/emptier/", "<dir>"}}));
    EXPECT_EQ(CStatistic::Job().m_nProcessed, 6);
}

TEST_F(ArchiveTargetTest, PasswordProtectedArchiveNeedsThePasswordWithEitherCipher) {
    for (const int32_t encryption : {CTansform::eZipTraditional, CTansform::eZipAes256}) {
        SCOPED_TRACE(encryption);
        const bool aes = encryption == CTansform::eZipAes256;
        TempDir dir;
        WriteFile(dir / "src/a.txt", "secret contents");
        CTansform transform;
        transform.SetCompressed();
        transform.SetZipPasswordProtected(true);
        transform.SetPassword("s3cret");
        transform.SetZipEncryption(encryption);
        const CTskItem item =
            MakeItem(LocalPoint(ePointFolder, dir / "src"), LocalPoint(ePointFolder, dir / "a.zip"), transform);
        CLocalSource source(item);
        CLocalZipSource target(item);

        EXPECT_TRUE(RunPair(source, target, AddEachToZip));

        // Info-ZIP's unzip and Python read no AES entries: 7-Zip checks those.
        if (aes) {
            ExpectSevenZipAccepts(dir / "a.zip", "s3cret");
        } else {
            ExpectToolsAccept(dir / "a.zip", "s3cret");
        }
        const std::vector<ZipInfo> entries = ReadWithPython(dir / "a.zip", "s3cret", !aes);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].flags & 1u, 1u);
        EXPECT_EQ(entries[0].method, aes ? 99 : 8);
        EXPECT_EQ(entries[0].data, aes ? "" : "secret contents");
        EXPECT_NE(RunCommand("7zz t -pwrong " + ShellQuote(dir / "a.zip")).status, 0);
    }
}

class NetworkShareTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_oldConfig = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_CONFIG_HOME", (config / "").c_str(), 1);
        WriteFile(config / "Parcelo/shares.conf", "# shares\n  //FileServer/Team = " + mount.path() + "\n");
    }
    void TearDown() override {
        if (m_oldConfig) {
            setenv("XDG_CONFIG_HOME", m_oldConfig->c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
        EngineTest::TearDown();
    }

    TempDir config;
    TempDir mount;
    std::optional<std::string> m_oldConfig;
};

TEST_F(NetworkShareTest, SharesMapThroughTheConfigurationFile) {
    std::string local;
    EXPECT_TRUE(platform::MapNetworkPath("\\\\fileserver\\TEAM\\docs\\a.txt", local));
    EXPECT_EQ(local, mount.path() + "/docs/a.txt");
    EXPECT_FALSE(platform::MapNetworkPath("\\\\fileserver\\team\\..\\..\\etc", local));
    std::string error;
    EXPECT_FALSE(platform::MapNetworkPath("\\\\other\\team\\a.txt", local, &error));
    EXPECT_EQ(error, "Cannot connect to network resource");
}

TEST_F(NetworkShareTest, MountTableFieldsAreUnescaped) {
    std::string folder;
    const std::string table =
        "proc /proc proc rw 0 0\n//nas/My\\040Share /mnt/my\\040share cifs rw,vers=3.0 0 0\n";
    EXPECT_TRUE(platform::FindShareInMountTable(table, "NAS", "my share", folder));
    EXPECT_EQ(folder, "/mnt/my share");
    EXPECT_FALSE(platform::FindShareInMountTable(table, "nas", "other", folder));
}

TEST_F(NetworkShareTest, ShareFolderIsCopiedAndAnUnknownShareFails) {
    WriteFile(mount / "docs/a.txt", "on the share");
    TempDir dst;
    const CTskItem item = MakeItem(LocalPoint(ePointNetwork, "\\\\fileserver\\team\\docs"),
                                   LocalPoint(ePointFolder, dst.path()));
    CLocalSource source(item);
    CLocalSource target(item);
    EXPECT_TRUE(RunPair(source, target));
    EXPECT_EQ(ReadTree(dst.path()), (TreeMap{{"docs", "<dir>"}, {"docs/a.txt", "on the share"}}));

    CLocalSource unknown(MakeItem(LocalPoint(ePointNetwork, "\\\\nowhere\\x"), LocalPoint(ePointFolder, dst.path())));
    EXPECT_FALSE(unknown.Scan());
    EXPECT_EQ(CStatistic::Job().m_strLastError, "Connect error:  Cannot connect to network resource");
}

}  // namespace
}  // namespace velmora::test
