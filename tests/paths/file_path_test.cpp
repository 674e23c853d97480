#include "paths/file_path.h"

#include <gtest/gtest.h>

#include "base/tokenizer.h"
#include "paths/file_path_list.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

constexpr uint64_t kFiveGiB = 5ULL << 30;

struct Parts {
    std::string drive, dir, name, ext, path;
    char slash;
};

void ExpectParts(const CFilePath& p, const Parts& want) {
    EXPECT_EQ(p.GetDrive(), want.drive);
    EXPECT_EQ(p.GetDir(), want.dir);
    EXPECT_EQ(p.GetFileName(false), want.name);
    EXPECT_EQ(p.GetExt(), want.ext);
    EXPECT_EQ(p.GetPath(), want.path);
    EXPECT_EQ(p.GetSlash(), want.slash);
}

TEST(FilePathSplit, WindowsPosixNetworkAndSchemeTexts) {
    ExpectParts(CFilePath("C:\\Data\\a.txt"), {"C:", "/Data/", "a", ".txt", "C:/Data/a.txt", '/'});
    ExpectParts(CFilePath("\\\\srv\\share\\f.doc"),
                {"", "\\\\srv\\share\\", "f", ".doc", "\\\\srv\\share\\f.doc", '\\'});
    ExpectParts(CFilePath("/pub/incoming", PATH_FOLDER), {"", "/pub/incoming/", "", "", "/pub/incoming", '/'});
    ExpectParts(CFilePath("file://C:/x/y.z"), {"C:", "/x/", "y", ".z", "C:/x/y.z", '/'});
    ExpectParts(CFilePath("mailto:a"), {"", "/", "mailto:a", "", "mailto:a", '/'});
    ExpectParts(CFilePath("report"), {"", "/", "report", "", "report", '/'});
    ExpectParts(CFilePath("  /a//b\\c.tar.gz "), {"", "/a/b/", "c.tar", ".gz", "/a/b/c.tar.gz", '/'});
}

TEST(FilePathSplit, StaticSplitAndJoinKeepLongPartsWhole) {
    const std::string longName(300, 'n');
    std::string drive, dir, name, ext;
    CFilePath::SplitPath("C:\\d\\" + longName + ".e", drive, dir, name, ext);
    EXPECT_EQ(drive, "C:");
    EXPECT_EQ(dir, "\\d\\");
    EXPECT_EQ(name, longName);
    EXPECT_EQ(ext, ".e");
    std::string joined;
    CFilePath::MakePath(joined, "C", "\\d", longName, "e");
    EXPECT_EQ(joined, "C:\\d\\" + longName + ".e");
    CFilePath::SplitPath("/home/.bashrc", drive, dir, name, ext);
    EXPECT_EQ(name, "");
    EXPECT_EQ(ext, ".bashrc");
}

TEST(FilePathSetters, RebuildThePathText) {
    CFilePath p("/x/old.txt");
    p.SetFileNameAndExt("a.tar.gz");
    EXPECT_EQ(p.GetFileName(false), "a");
    EXPECT_EQ(p.GetExt(), ".tar.gz");
    EXPECT_EQ(p.GetPath(), "/x/a.tar.gz");
    p.SetFileNameAndExt("README");  // no "." keeps the old extension
    EXPECT_EQ(p.GetPath(), "/x/README.tar.gz");
    p.SetExt("txt");
    EXPECT_EQ(p.GetExt(), ".txt");
    p.SetExt("");
    EXPECT_EQ(p.GetPath(), "/x/README");
    p.SetDir("C:\\y");
    EXPECT_EQ(p.GetDir(), "/C:/y/");
    p.SetDir("/y/z");
    p.SetDrive('D');
    EXPECT_EQ(p.GetPath(), "D:/y/z/README");
    p.SetPath("/pub", "f.bin");
    EXPECT_EQ(p.GetPath(), "/pub/f.bin");
    EXPECT_TRUE(p.IsBIN());
    EXPECT_EQ(p.GetExt(true, true), "bin");
    EXPECT_TRUE(p.IsEqualExt(".BIN"));
    EXPECT_FALSE(p.IsEqualExt("BIN", false));
}

// A listing names each file in its folder's path: whether the folder's text
// can simply take the name or has to be made again, the result is the made one.
TEST(FilePathSetters, NameGivenToAFolderGivesTheMadeText) {
    const auto named = [](CFilePath&& folder, const char* name) -> const CFilePath& {
        folder.SetFileNameAndExt(name);
        return folder;
    };
    ExpectParts(named(CFilePath("/pub/", PATH_FOLDER), "a.tar.gz"),
                {"", "/pub/", "a", ".tar.gz", "/pub/a.tar.gz", '/'});
    ExpectParts(named(CFilePath("C:/data/", PATH_FOLDER), "x.txt"),
                {"C:", "/data/", "x", ".txt", "C:/data/x.txt", '/'});
    ExpectParts(named(CFilePath("\\\\srv\\share\\", PATH_FOLDER), "f.doc"),
                {"", "\\\\srv\\share\\", "f", ".doc", "\\\\srv\\share\\f.doc", '\\'});
    ExpectParts(named(CFilePath("/pub/", PATH_FOLDER), "sub\\x.txt"),
                {"", "/pub/", "sub\\x", ".txt", "/pub/sub/x.txt", '/'});
    ExpectParts(named(CFilePath("/pub/incoming", PATH_FOLDER), "x"),
                {"", "/pub/incoming/", "x", "", "/pub/incoming/x", '/'});
    // Parts read as they were stored: separators doubled or of the other kind.
    CFilePath doubled;
    std::string text = "<CFilePath path='/a//b/' dir='/a//b/'></CFilePath>";
    ASSERT_TRUE(doubled.ReadXML(text));
    ExpectParts(named(std::move(doubled), "c.d"), {"", "/a/b/", "c", ".d", "/a/b/c.d", '/'});
    CFilePath backslashed;
    text = "<CFilePath path='/a/b/' dir='/a/b/' slash='92'></CFilePath>";
    ASSERT_TRUE(backslashed.ReadXML(text));
    ExpectParts(named(std::move(backslashed), ".hidden"), {"", "/a/b/", ".hidden", "", "/a/b/.hidden", '/'});
}

TEST(FilePathSetters, CopyKeepsPartsButNotIdentity) {
    CFilePath a("C:/Data/a.txt");
    a.Length(kFiveGiB);
    a.Icon(4);
    a.CreateGUID();
    CFilePath b(a);
    EXPECT_TRUE(b.IsEqual(a));
    EXPECT_EQ(b.Length(), kFiveGiB);
    EXPECT_EQ(b.Icon(), 4);
    EXPECT_TRUE(b.GetStrGUID().empty());
    EXPECT_TRUE(CFilePath("c:/DATA/A.TXT") == a);
    EXPECT_FALSE(CFilePath("c:/DATA/A.TXT2") == a);

    CFtpPath ftp("/pub/f.txt");
    std::unique_ptr<CObj> clone(ftp.Clone());
    ASSERT_NE(dynamic_cast<CFtpPath*>(clone.get()), nullptr);
    EXPECT_TRUE(clone->IsEqual(ftp));
}

TEST(FilePathDirs, Arithmetic) {
    CFilePath p("/a/b/c/f.txt");
    EXPECT_EQ(p.GetTailDir(), "c");
    p.SubstructDir(CFilePath("/a/", PATH_FOLDER));
    EXPECT_EQ(p.GetPath(), "/b/c/f.txt");
    p.AppendDir("d\\e");
    EXPECT_EQ(p.GetDir(), "/b/c/d/e/");
    EXPECT_TRUE(p.UpDir());
    EXPECT_EQ(p.GetDir(), "/b/c/d/");
    EXPECT_TRUE(p.AddFolder(CFilePath("/x/src/", PATH_FOLDER)));
    EXPECT_EQ(p.GetPath(), "/b/c/d/src/f.txt");
    EXPECT_FALSE(p.AddFolder(CFilePath("/", PATH_FOLDER)));
    EXPECT_TRUE(CFilePath("/a/b/", PATH_FOLDER).IsParent(CFilePath("/A/B/c/", PATH_FOLDER)));
    EXPECT_FALSE(CFilePath("/a/b/", PATH_FOLDER).IsParent(CFilePath("/a/b/c/d/", PATH_FOLDER)));
    EXPECT_TRUE(CFilePath("/a/b/").IsEqualDir(CFilePath("\\A\\b\\x")));

    CFilePathList levels;
    CFilePath("/one/two/f").SplitSubfolders(levels);
    ASSERT_EQ(levels.GetCount(), 2);
    EXPECT_EQ(levels.GetHead()->GetDir(), "/one/");
    CFilePath joined("/z/f");
    joined.MakeSubfolders(levels);
    EXPECT_EQ(joined.GetPath(), "/one/two/f");

    CFilePath root("/", PATH_FOLDER);
    EXPECT_FALSE(root.UpDir());
    EXPECT_EQ(root.GetDir(), "/");
}

TEST(FtpPath, DirectoryForms) {
    CFtpPath root;
    root.MakeFtpRoot();
    EXPECT_TRUE(root.IsFtpRoot());
    EXPECT_EQ(root.GetFtpDir(false), "");
    EXPECT_EQ(root.GetFtpDir(true), "/");
    CFtpPath p("\\pub\\\\in\\a.txt");
    EXPECT_EQ(p.GetFtpDir(false), "/pub/in");
    EXPECT_EQ(p.GetFtpDir(true), "/pub/in/");
    EXPECT_EQ(p.GetFtpPath(), "/pub/in/a.txt");
    EXPECT_FALSE(p.IsFtpRoot());
}

TEST(FilePathStatus, SizeTimesAndValidity) {
    CFilePath p("/data/big.iso");
    p.Length(kFiveGiB);
    EXPECT_EQ(p.Length(), kFiveGiB);
    EXPECT_EQ(p.FileSizeHigh(), 1u);
    EXPECT_EQ(p.FileSizeLow(), 0x40000000u);
    p.Length(std::string_view("5368709121"));
    EXPECT_EQ(p.Length(), kFiveGiB + 1);
    p.Length(std::string_view("-7"));
    EXPECT_EQ(p.Length(), 0u);

    EXPECT_FALSE(p.IsValid());  // no time known
    p.LastWriteTime(1);
    EXPECT_TRUE(p.IsValid());
    EXPECT_FALSE(CFilePath().IsValid());

    EXPECT_FALSE(p.IsValidAttr());
    p.SetAttr(platform::kInvalidFileAttributes);
    EXPECT_FALSE(p.IsValidAttr());
    p.SetAttr(platform::FileAttrArchive);
    p.AddAttr(platform::FileAttrReadOnly);
    EXPECT_TRUE(p.IsValidAttr() && p.IsReadOnly() && p.IsArchived() && !p.IsDirectory());
}

TEST(FilePathText, WriteReadRoundTripWithEscapesAndLargeValues) {
    CFtpPath p("/pub/it's <new>/a&b.txt");
    p.Length(kFiveGiB + 12345);
    p.SetAttr(platform::FileAttrArchive);
    p.CreationTime(0xF1234567ABCDEF01ULL);
    p.LastAccessTime(0x01D9000000000002ULL);
    p.LastWriteTime(0x01D9000000000003ULL);
    p.Icon(7);
    p.SetPathType(static_cast<_PathType>(4));
    std::string text;
    p.WriteXML(text);
    EXPECT_TRUE(text.starts_with("\r\n<CFilePath  path='"));
    EXPECT_NE(text.find(" FileSizeHigh='1' "), std::string::npos);
    EXPECT_NE(text.find(" slash='47' "), std::string::npos);
    EXPECT_NE(text.find(" CreationTimeHi='-249346713' "), std::string::npos);

    CFtpPath back;
    std::string input = text;
    ASSERT_TRUE(back.ReadXML(input));
    EXPECT_EQ(back.GetPath(), p.GetPath());
    EXPECT_EQ(back.GetDir(), "/pub/it's <new>/");
    EXPECT_EQ(back.GetFileName(), "a&b.txt");
    EXPECT_EQ(back.Length(), p.Length());
    EXPECT_EQ(back.GetAttr(), p.GetAttr());
    EXPECT_EQ(back.CreationTime(), p.CreationTime());
    EXPECT_EQ(back.LastAccessTime(), p.LastAccessTime());
    EXPECT_EQ(back.LastWriteTime(), p.LastWriteTime());
    EXPECT_EQ(back.Icon(), 7);
    EXPECT_EQ(back.GetPathType(), 4);

    CStringTokenizer tokens(text + text);
    CFilePath first, second, third;
    EXPECT_TRUE(first.ReadXML(tokens));
    EXPECT_TRUE(second.ReadXML(tokens));
    EXPECT_FALSE(third.ReadXML(tokens));
    EXPECT_EQ(second.Length(), p.Length());

    std::string foreign = "<CObj path='/x'></CObj>";
    EXPECT_FALSE(back.ReadXML(foreign));
}

TEST(FilePathText, ReadingTakesStoredPartsAsTheyStand) {
    CFilePath p;
    std::string text = "<CFilePath PATH='x' Dir='noslash' FILESIZELOW='4294967295' slash='92' bogus='1'></CFilePath>";
    ASSERT_TRUE(p.ReadXML(text));
    EXPECT_EQ(p.GetPath(), "x");
    EXPECT_EQ(p.GetDir(), "noslash");
    EXPECT_EQ(p.Length(), 0xFFFFFFFFu);
    EXPECT_EQ(p.GetSlash(), '\\');
}

TEST(FilePathMisc, FileTypesAndDisplayName) {
    EXPECT_TRUE(CFilePath("/a.JpG").IsJPEG());
    EXPECT_TRUE(CFilePath("/a.pcx").IsIMAGE());
    EXPECT_TRUE(CFilePath("/a.NEF").IsIMAGE());
    EXPECT_FALSE(CFilePath("/a.jpgx").IsIMAGE());
    EXPECT_TRUE(CFilePath("/a.Wave").IsAudio());
    EXPECT_TRUE(CFilePath("/a.htm").IsHTML());
    EXPECT_EQ(CFilePath("C:/Users/me/My Documents/x.doc").GetDisplayPathName(), "../My Documents/x.doc");
    EXPECT_EQ(CFilePath("/srv/x.doc").GetDisplayPathName(), "/srv/x.doc");
    EXPECT_EQ(CFilePath("/srv/x.doc").GetURL(), "file:///srv/x.doc");
}

// The texts whose parts are not simply spans of the path text (a drive, a
// relative text, a folder named without its last separator, an empty text)
// beside the ones whose parts are.
TEST(FilePathParts, EdgeTexts) {
    const struct {
        const char* text;
        _PathType type;
        Parts want;
    } cases[] = {
        {"/", PATH_LITERAL, {"", "/", "", "", "/", '/'}},
        {"/", PATH_FOLDER, {"", "/", "", "", "/", '/'}},
        {"", PATH_LITERAL, {"", "/", "", "", "", '/'}},
        {"archive.tar.gz", PATH_LITERAL, {"", "/", "archive.tar", ".gz", "archive.tar.gz", '/'}},
        {"docs/a.b.c", PATH_LITERAL, {"", "/docs/", "a.b", ".c", "docs/a.b.c", '/'}},
        {"/x/.bashrc", PATH_LITERAL, {"", "/x/", "", ".bashrc", "/x/.bashrc", '/'}},
        {"/x/name.", PATH_LITERAL, {"", "/x/", "name", ".", "/x/name.", '/'}},
        {"/x.d/name", PATH_LITERAL, {"", "/x.d/", "name", "", "/x.d/name", '/'}},
        {"/pub/in/", PATH_LITERAL, {"", "/pub/in/", "", "", "/pub/in/", '/'}},
        {"/pub/in//", PATH_FOLDER, {"", "/pub/in/", "", "", "/pub/in/", '/'}},
        {"pub", PATH_FOLDER, {"", "/pub/", "", "", "pub", '/'}},
        {"C:", PATH_LITERAL, {"C:", "/", "", "", "C:", '/'}},
        {"C:x.txt", PATH_LITERAL, {"C:", "/", "x", ".txt", "C:x.txt", '/'}},
        {"\\\\srv\\share\\", PATH_LITERAL, {"", "\\\\srv\\share\\", "", "", "\\\\srv\\share\\", '\\'}},
        {"\\\\srv", PATH_LITERAL, {"", "\\\\", "srv", "", "\\\\srv", '\\'}},
        {"//srv/share/x.y", PATH_LITERAL, {"", "/srv/share/", "x", ".y", "/srv/share/x.y", '/'}},
        {"\\\\srv\\share/a//b\\f.doc",
         PATH_LITERAL,
         {"", "\\\\srv\\share\\a\\b\\", "f", ".doc", "\\\\srv\\share\\a\\b\\f.doc", '\\'}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ExpectParts(CFilePath(c.text, c.type), c.want);
    }
}

// A job holds one record per file and per tree node: the text is kept once.
TEST(FilePathParts, RecordHoldsItsTextOnce) { EXPECT_LE(sizeof(CFilePath), 160u); }

// Each step changes which texts the parts are spans of.
TEST(FilePathParts, SettersOnEveryKindOfText) {
    CFilePath p("docs/a.txt");
    p.SetDir("/abs");
    ExpectParts(p, {"", "/abs/", "a", ".txt", "/abs/a.txt", '/'});
    p.SetDrive("C");
    ExpectParts(p, {"C", "/abs/", "a", ".txt", "C:/abs/a.txt", '/'});
    p.SetDrive("");
    ExpectParts(p, {"", "/abs/", "a", ".txt", "/abs/a.txt", '/'});
    p.SetFileName("b.c");
    ExpectParts(p, {"", "/abs/", "b.c", ".txt", "/abs/b.c.txt", '/'});
    p.SetExt("");
    ExpectParts(p, {"", "/abs/", "b.c", "", "/abs/b.c", '/'});
    EXPECT_EQ(p.GetFileName(), "b.c");
    p.SetDir("\\\\srv\\share");
    ExpectParts(p, {"", "\\\\srv\\share\\", "b.c", "", "\\\\srv\\share\\b.c", '\\'});
    EXPECT_TRUE(p.IsNetwork());
    p.UpDir();
    ExpectParts(p, {"", "\\\\srv\\", "b.c", "", "\\\\srv\\b.c", '\\'});
    p.SetDir("/");
    ExpectParts(p, {"", "/", "b.c", "", "/b.c", '/'});

    CFilePath folder("pub", PATH_FOLDER);
    folder.SetFileNameAndExt("x.tar.gz");
    ExpectParts(folder, {"", "/pub/", "x", ".tar.gz", "/pub/x.tar.gz", '/'});
    folder.AppendDir("in");
    ExpectParts(folder, {"", "/pub/in/", "x", ".tar.gz", "/pub/in/x.tar.gz", '/'});
    folder.SubstructDir(CFilePath("/pub/", PATH_FOLDER));
    ExpectParts(folder, {"", "/in/", "x", ".tar.gz", "/in/x.tar.gz", '/'});

    // A name that is a view of the path's own text.
    CFilePath own("/pub/", PATH_FOLDER);
    own.SetFileNameAndExt(std::string_view(own.GetPath()).substr(1, 3));
    ExpectParts(own, {"", "/pub/", "pub", "", "/pub/pub", '/'});
    own.SetFileName(std::string_view(own.GetPath()).substr(0, 4));
    ExpectParts(own, {"", "/pub/", "/pub", "", "/pub/pub", '/'});
}

TEST(FilePathParts, CopiesAndMovesKeepTextPartsAndSeparator) {
    CFilePath network("\\\\srv\\share\\f.doc");
    network.Icon(3);
    const Parts networkParts{"", "\\\\srv\\share\\", "f", ".doc", "\\\\srv\\share\\f.doc", '\\'};
    CFilePath copied(network);
    ExpectParts(copied, networkParts);
    EXPECT_EQ(copied.Icon(), 3);
    CFilePath assigned("/x/y");
    assigned = network;
    ExpectParts(assigned, networkParts);
    assigned = CFilePath("/x/y");
    ExpectParts(assigned, {"", "/x/", "y", "", "/x/y", '/'});

    // A copy of a text with parts of their own is a copy, not a share.
    CFilePath drive("C:/d/a.txt");
    CFilePath other(drive);
    other.SetDrive('D');
    other.SetFileName("b");
    ExpectParts(drive, {"C:", "/d/", "a", ".txt", "C:/d/a.txt", '/'});
    ExpectParts(other, {"D:", "/d/", "b", ".txt", "D:/d/b.txt", '/'});

    CFtpPath source("pub", PATH_FOLDER);
    source.CreateGUID();
    CFtpPath moved(std::move(source));
    ExpectParts(moved, {"", "/pub/", "", "", "pub", '/'});
    EXPECT_TRUE(moved.GetStrGUID().empty());
    EXPECT_TRUE(source.IsEmpty());  // NOLINT(bugprone-use-after-move): a moved-from path is cleared
    EXPECT_EQ(source.GetDir(), "");

    CFtpPath target("/old/f");
    target.CreateGUID();
    const std::string identity = target.GetStrGUID();
    target = std::move(moved);
    ExpectParts(target, {"", "/pub/", "", "", "pub", '/'});
    EXPECT_EQ(target.GetStrGUID(), identity);
    CFtpPath& self = target;
    target = self;
    ExpectParts(target, {"", "/pub/", "", "", "pub", '/'});

    std::unique_ptr<CObj> clone(drive.Clone());
    drive.SetDir("/elsewhere");
    ExpectParts(*dynamic_cast<CFilePath*>(clone.get()), {"C:", "/d/", "a", ".txt", "C:/d/a.txt", '/'});
}

// What a job file holds must read back to the same record, whatever kind of
// text it is, and be written as before.
TEST(FilePathParts, WrittenTextReadsBackTheSame) {
    for (const CFilePath& path : {CFilePath("/"), CFilePath(""), CFilePath("report"), CFilePath("docs/a.b.c"),
                                  CFilePath("pub", PATH_FOLDER), CFilePath("C:/Data/x.tar.gz"),
                                  CFilePath("\\\\srv\\share\\f.doc"), CFilePath("/x/.bashrc"), CFilePath("/pub/in/")}) {
        SCOPED_TRACE(path.GetPath());
        std::string text;
        path.WriteXML(text);
        CFtpPath back;
        std::string input = text;
        ASSERT_TRUE(back.ReadXML(input));
        ExpectParts(back, {path.GetDrive(), path.GetDir(), path.GetFileName(false), path.GetExt(), path.GetPath(),
                           path.GetSlash()});
        std::string again;
        back.WriteXML(again);
        EXPECT_EQ(again, text);
    }
    std::string text;
    CFilePath("C:docs/a.b", PATH_FOLDER).WriteXML(text);
    EXPECT_EQ(text,
              "\r\n<CFilePath  path='C:docs/a.b'  drive='C:'  dir='/docs/a.b/'  filename=''  ext=''  slash='47'  "
              "FileAttributes='0'  CreationTimeLo='0'  CreationTimeHi='0'  LastAccessTimeLo='0'  "
              "LastAccessTimeHi='0'  LastWriteTimeLo='0'  LastWriteTimeHi='0'  FileSizeHigh='0'  FileSizeLow='0'  "
              "Icon='-1'  PathType='1' ></CFilePath>");

    // Parts stored apart from the text, in any order, stay as stored until
    // the path is made again from them.
    CFilePath stored;
    std::string odd = "<CFilePath ext='e' filename='n.m' dir='/other' drive='D' path='/x/y.z'></CFilePath>";
    ASSERT_TRUE(stored.ReadXML(odd));
    ExpectParts(stored, {"D", "/other", "n.m", "e", "/x/y.z", '/'});
    EXPECT_TRUE(stored.IsEqual(CFtpPath(stored)));
    stored.MakePath();
    ExpectParts(stored, {"D", "/other", "n.m", "e", "D:/other/n.m.e", '/'});
}

}  // namespace
}  // namespace velmora
