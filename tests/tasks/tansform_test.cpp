#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tasks/tansform.h"

namespace velmora {
namespace {

TEST(TansformTest, EmptyTransformCopiesAndClearedOneDescribesOnlyTheHeading) {
    CTansform copy;
    EXPECT_EQ(copy.GetTransformType(), CTansform::eSimpleCopy);
    EXPECT_EQ(copy.GetStrOp(), "Copy");

    CTansform cleared;
    cleared.Clear();
    EXPECT_EQ(cleared.GetTransformType(), 0u);
    EXPECT_EQ(cleared.GetDescription(), "      - How?:  ");
}

TEST(TansformTest, OperationSettersExcludeEachOtherAndKeepTheZipOptions) {
    CTansform transform;
    transform.SetZipFileAuto(true);
    transform.SetZipPasswordProtected(true);
    transform.SetDeleteSourceFile();
    transform.SetCompressed();
    EXPECT_EQ(transform.GetTransformType(), 0x02u | 0x08u | 0x10u);
    transform.SetSync();
    EXPECT_EQ(transform.GetTransformType(), 0x04u | 0x08u | 0x10u);
    transform.SetSimpleCopy();
    transform.SetZipFileAuto(false);
    EXPECT_EQ(transform.GetTransformType(), 0x01u | 0x10u);

    // A stored value is kept as it is, and names every bit it holds.
    transform.SetTransformType(0x27);
    EXPECT_EQ(transform.GetStrOp(), "CopySyncCompressDelete Source File");
}

TEST(TansformTest, DescriptionListsOperationZipOptionsAndExclusions) {
    CTansform transform;
    transform.SetCompressed();
    transform.SetZipPasswordProtected(true);
    transform.ZipFileName() = "Backup.zip";
    transform.GetFilter().SetExcludes(" tmp; bak ");
    transform.GetFilter().AddExcludeFolder("/data/cache");
    EXPECT_EQ(transform.GetDescription(),
              "      - How?:\r\n"
              "      - Compress\r\n"
              "      - Zip file name: 'Backup.zip'\r\n"
              "      - Password Protected\r\n"
              "      - Exclude:......tmp; bak\r\n"
              "      - Exclude:....../data/cache  ");
    transform.SetZipFileAuto(true);
    EXPECT_NE(transform.GetDescription().find("Zip file name: 'Auto'"), std::string::npos);
}

TEST(TansformTest, ZipPathNameInTheDestinationFolder) {
    CTansform transform;
    transform.SetCompressed();
    transform.ZipFileName() = "Archive.ZIP";
    EXPECT_EQ(transform.MakeZipPathName("/data/reports", "/work/out/").GetPath(), "/work/out/Archive.zip");
    EXPECT_EQ(transform.ZipFileName(), "Archive.zip");

    transform.ZipFileName() = "Notes.TXT";
    EXPECT_EQ(transform.MakeZipPathName("/data/reports", "/work/out/").GetPath(), "/work/out/Notes.txt.zip");
    EXPECT_EQ(transform.ZipFileName(), "Notes.txt.zip");
    // Made again from its own result, the name stays.
    EXPECT_EQ(transform.MakeZipPathName("/data/reports", "/work/out/").GetPath(), "/work/out/Notes.txt.zip");

    // A folder given without its final separator still holds the archive.
    EXPECT_EQ(transform.MakeZipPathName("/data/reports", "/work/out").GetPath(), "/work/out/Notes.txt.zip");
}

TEST(TansformTest, AutomaticZipNameIsTheSourceNameWithDateAndTime) {
    CTansform transform;
    transform.SetCompressed();
    transform.SetZipFileAuto(true);
    transform.ZipFileName() = "Ignored.zip";
    const CFilePath path = transform.MakeZipPathName("C:\\data\\reports", "/work/");
    const std::regex stamped("reports_\\d{4}(_\\d{2}){5}\\.zip");
    EXPECT_TRUE(std::regex_match(path.GetFileName(true), stamped)) << path.GetPath();
    EXPECT_EQ(path.GetDir(), "/work/");
    EXPECT_EQ(transform.ZipFileName(), path.GetFileName(true));

    // No name given counts as automatic.
    CTansform unnamed;
    unnamed.SetCompressed();
    EXPECT_TRUE(std::regex_match(unnamed.MakeZipPathName("/data/reports/", "/work/").GetFileName(true), stamped));
}

TEST(TansformTest, AttributeTextRoundTripsEveryField) {
    CTansform transform;
    transform.SetCompressed();
    transform.SetZipPasswordProtected(true);
    transform.ZipFileName() = "it's <mine>.zip";
    transform.SetPassword("p'w\"d&");
    transform.GetFilter().SetExcludes("tmp bak");
    transform.GetFilter().AddExcludeFolder("/a");
    transform.GetFilter().AddExcludeFolder("/b");
    transform.CreateGUID();

    std::string text;
    transform.WriteXML(text);
    CTansform read;
    read.Clear();
    ASSERT_TRUE(read.ReadXML(text));
    EXPECT_EQ(read.GetTransformType(), transform.GetTransformType());
    EXPECT_EQ(read.ZipFileName(), transform.ZipFileName());
    EXPECT_EQ(read.GetPassword(), transform.GetPassword());
    EXPECT_EQ(read.SrcExcludeExt(), "tmp bak");
    EXPECT_EQ(read.GetFilter().GetExcludeFolders(), transform.GetFilter().GetExcludeFolders());
    // The filter's own identity triple does not overwrite the transform's.
    EXPECT_EQ(read.GetStrGUID(), transform.GetStrGUID());
}

// The cipher is written only when it is AES, so a traditional transform keeps
// the text it always had, and a text without it means the traditional one.
TEST(TansformTest, ZipEncryptionTravelsInTheTextAndCopies) {
    CTansform transform;
    transform.SetCompressed();
    transform.SetZipPasswordProtected(true);
    std::string traditional;
    transform.WriteXMLAttr(traditional);
    EXPECT_EQ(traditional.find("tf-zip-encryption"), std::string::npos) << traditional;

    transform.SetZipEncryption(CTansform::eZipAes256);
    std::string text;
    transform.WriteXML(text);
    CTansform read;
    ASSERT_TRUE(read.ReadXML(text));
    EXPECT_TRUE(read.IsZipAes256());
    EXPECT_TRUE(CTansform(read).IsZipAes256());
    EXPECT_NE(read.GetDescription().find("Password Protected (AES-256)"), std::string::npos);

    CTansform older;
    older.SetZipEncryption(CTansform::eZipAes256);
    std::string olderText = "<" + older.XMLObject() + " tf-type='18' tf-zip-name='a.zip' tf-zip-pwd='pw' >";
    ASSERT_TRUE(older.ReadXML(olderText));
    EXPECT_FALSE(older.IsZipAes256());
}

TEST(TansformTest, FilterTextAsTheDatabaseKeepsIt) {
    CTansform transform;
    transform.GetFilter().SetExcludes("log");
    transform.GetFilter().AddExcludeFolder("/skip");
    const std::string text = transform.GetXMLFilter();
    EXPECT_NE(text.find("tf-exclude='log'"), std::string::npos);

    CTansform other;
    other.SetXMLFilter(text);
    EXPECT_EQ(other.SrcExcludeExt(), "log");
    ASSERT_EQ(other.GetFilter().GetExcludeFolders().size(), 1u);
    EXPECT_EQ(other.GetFilter().GetExcludeFolders()[0], "/skip");
}

TEST(TansformTest, AMirrorsDeleteOptionTravelsOnlyWhenSetAndTheDryRunNever) {
    CTansform plain;
    plain.SetSync();
    CTansform mirror(plain);
    mirror.SetSyncDelete(true);
    mirror.SetDryRun(true);
    // Texts of a mirror without deletion are what they always were.
    std::string plainText;
    plain.WriteXMLAttr(plainText);
    EXPECT_EQ(plainText.find("tf-sync-delete"), std::string::npos);
    EXPECT_EQ(plain.GetXMLFilter().find("tf-sync-delete"), std::string::npos);

    std::string text;
    mirror.WriteXML(text);
    CTansform read;
    ASSERT_TRUE(read.ReadXML(text));
    EXPECT_TRUE(read.IsSync());
    EXPECT_TRUE(read.IsSyncDelete());
    EXPECT_FALSE(read.IsDryRun());

    // The job database keeps it with the filter's pairs.
    CTansform stored;
    stored.SetXMLFilter(mirror.GetXMLFilter());
    EXPECT_TRUE(stored.IsSyncDelete());
    CTansform old;
    old.SetXMLFilter(plain.GetXMLFilter());
    EXPECT_FALSE(old.IsSyncDelete());
    EXPECT_NE(mirror.GetDescription().find("Delete what the source lacks"), std::string::npos);
}

}  // namespace
}  // namespace velmora
