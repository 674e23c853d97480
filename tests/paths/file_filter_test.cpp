#include "paths/file_filter.h"

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "paths/file_find.h"
#include "paths/file_path.h"
#include "paths/file_rec_find.h"
#include "support/fake_controls.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

// A stored path judged as a listing entry.
class StoredEntry : public CFileRecFind {
public:
    explicit StoredEntry(std::string_view text, uint32_t attributes) : m_path(text) {
        m_path.SetAttr(attributes);
        SetCurrentPath(&m_path);
    }
    bool IsDots() const override { return GetFileName() == "." || GetFileName() == ".."; }

private:
    CFilePath m_path;
};

bool SkipsFile(const CFileFilter& filter, std::string_view text) {
    return filter.IsSkip(StoredEntry(text, platform::FileAttrArchive));
}

bool SkipsFolder(const CFileFilter& filter, std::string_view text) {
    return filter.IsSkip(StoredEntry(text, platform::FileAttrDirectory));
}

class Recorder : public CTansFilterListener {
public:
    void OnSkip(const CFileRecFind& entry) override { names.insert(entry.GetFileName()); }
    std::set<std::string> names;
};

TEST(FileFilter, ExcludedExtensions) {
    CFileFilter filter;
    filter.SetExcludes("  tmp; BAK,log\r\n.old ");
    EXPECT_EQ(filter.SrcExcludeExt(), "tmp; BAK,log\r\n.old");
    EXPECT_EQ(filter.GetExcludeExtensions(), (std::vector<std::string>{"tmp", "BAK", "log", ".old"}));
    EXPECT_TRUE(SkipsFile(filter, "/d/x.bak"));
    EXPECT_TRUE(SkipsFile(filter, "/d/x.TMP"));
    EXPECT_FALSE(SkipsFile(filter, "/d/x.old"));  // a dotted entry never matches
    EXPECT_FALSE(SkipsFile(filter, "/d/tmp"));
    EXPECT_FALSE(SkipsFile(filter, "/d/x.txt"));
    filter.SetIncludeSubFolders(true);
    EXPECT_TRUE(SkipsFolder(filter, "/d/cache.tmp"));
}

TEST(FileFilter, FilesFoldersAndDots) {
    CFileFilter filter;  // cleared: files only
    EXPECT_FALSE(SkipsFile(filter, "/d/a.txt"));
    EXPECT_TRUE(SkipsFolder(filter, "/d/sub"));
    filter.Default();  // files and folders
    EXPECT_FALSE(SkipsFolder(filter, "/d/sub"));
    filter.ShowFile(false);
    EXPECT_TRUE(SkipsFile(filter, "/d/a.txt"));
    EXPECT_FALSE(SkipsFolder(filter, "/d/sub"));
    EXPECT_TRUE(SkipsFolder(filter, "/d/.."));
    EXPECT_TRUE(SkipsFile(filter, "/d/."));
}

TEST(FileFilter, ExcludedFoldersMatchExactlyIgnoringCaseAndSeparators) {
    CFileFilter filter;
    filter.Default();
    EXPECT_FALSE(SkipsFolder(filter, "C:/temp/"));
    filter.AddExcludeFolder("C:\\Temp");
    EXPECT_TRUE(SkipsFolder(filter, "C:/temp/"));
    EXPECT_TRUE(SkipsFolder(filter, "c:/TEMP"));
    EXPECT_FALSE(SkipsFolder(filter, "C:/temp/sub/"));
    EXPECT_FALSE(SkipsFile(filter, "C:/temp"));  // files are not judged by folder
}

TEST(FileFilter, AttributeTextRoundTripAndDefaults) {
    CFileFilter filter;
    filter.SetIncludeSubFolders(false);
    filter.ShowFile(true);
    filter.SetExcludes("tmp bak");
    filter.AddExcludeFolder("/data/it's");
    filter.AddExcludeFolder("/data/b");
    filter.SetChecked(true);
    std::string text;
    filter.WriteXML(text);
    EXPECT_TRUE(text.starts_with("\r\n<CObj  CObj::uModified='0'  CObj::Status='2'  CObj::strGUID=''  "
                                 "ffilter-incsubfolders='0'  tf-exclude='tmp bak'  ffilter-showfile='1' "));

    CFileFilter read;
    read.AddExcludeFolder("/stale");
    std::string input = text;
    ASSERT_TRUE(read.ReadXML(input));
    EXPECT_FALSE(read.IncludeSubFolders());
    EXPECT_TRUE(read.IsShowFile());
    EXPECT_TRUE(read.IsChecked());
    EXPECT_EQ(read.GetExcludeFolders(), filter.GetExcludeFolders());
    EXPECT_TRUE(read.GetExcludeExtensions().empty());  // split only when copied
    CTansFilter working(read);
    EXPECT_EQ(working.GetExcludeExtensions().size(), 2u);
    EXPECT_FALSE(working.IsChecked());  // CObj fields are not copied

    CFileFilter bare;
    std::string minimal = "<CObj ></CObj>";
    ASSERT_TRUE(bare.ReadXML(minimal));
    EXPECT_TRUE(bare.IncludeSubFolders());
}

TEST(TansFilter, ReportsEachSkippedEntryToItsListener) {
    test::TempDir dir;
    test::WriteFile(dir / "keep.txt", "");
    test::WriteFile(dir / "drop.tmp", "");
    std::filesystem::create_directory(dir / "skipdir");
    std::filesystem::create_directory(dir / "sub");

    Recorder recorder;
    CTansFilter filter(&recorder);
    filter.Default();
    filter.SetExcludes("tmp");
    filter.AddExcludeFolder(dir / "SkipDir");

    std::set<std::string> kept;
    CFileFind find;
    for (bool more = find.FindFile(dir.path() + "/*.*"); more;) {
        more = find.FindNextFile();
        if (!filter.IsSkip(find)) kept.insert(find.GetFileName());
    }
    EXPECT_EQ(kept, (std::set<std::string>{"keep.txt", "sub"}));
    EXPECT_EQ(recorder.names, (std::set<std::string>{"drop.tmp", "skipdir"}));

    EXPECT_TRUE(filter.IsSkip(StoredEntry("/r/x.tmp", platform::FileAttrArchive)));
    EXPECT_EQ(recorder.names.count("x.tmp"), 1u);

    CTansFilter copy(filter);
    EXPECT_EQ(copy.GetListener(), nullptr);
    std::unique_ptr<CObj> clone(filter.Clone());
    auto* cloned = dynamic_cast<CTansFilter*>(clone.get());
    ASSERT_NE(cloned, nullptr);
    EXPECT_EQ(cloned->GetListener(), nullptr);
    EXPECT_TRUE(cloned->IsSkip(StoredEntry("/r/y.tmp", platform::FileAttrArchive)));
}

TEST(FileFilter, ExcludedFoldersExchangeWithAListBox) {
    test::FakeListBox box;
    box.AddString("/a");
    box.AddString("/b");
    CFileFilter filter;
    filter.AddExcludeFolder("/old");
    filter.SetExcludeFolders(box);
    EXPECT_EQ(filter.GetExcludeFolders(), (std::vector<std::string>{"/a", "/b"}));

    filter.AddExcludeFolder("/c");
    filter.GetExcludeFolders(box);
    ASSERT_EQ(box.GetCount(), 3);
    EXPECT_EQ(box.GetText(2), "/c");
}

}  // namespace
}  // namespace velmora
