#include "paths/file_path_list.h"

#include <memory>

#include <gtest/gtest.h>

namespace velmora {
namespace {

constexpr uint64_t kLargeLength = 5ULL << 30;

CFtpPathList ListOf(std::initializer_list<const char*> texts) {
    CFtpPathList list("/pub/");
    for (const char* text : texts) list.Add(new CFtpPath(text));
    return list;
}

std::string UniqueOf(const CFtpPathList& list, const char* text) {
    CFtpPath path(text);
    list.UniqueName(&path);
    return path.GetPath();
}

TEST(FtpPathList, UniqueNameCountsUpInParentheses) {
    const CFtpPathList list = ListOf({"/pub/a.txt", "/pub/a(1).txt", "/pub/b(7).txt", "/pub/c (2).txt"});
    EXPECT_EQ(UniqueOf(list, "/up/a.txt"), "/up/a(2).txt");
    EXPECT_EQ(UniqueOf(list, "/up/b(7).txt"), "/up/b(8).txt");
    EXPECT_EQ(UniqueOf(list, "/up/c (2).txt"), "/up/c(3).txt");

    CFtpPath free("/up/free.txt");
    EXPECT_FALSE(list.UniqueName(&free));
    EXPECT_EQ(free.GetPath(), "/up/free.txt");
    EXPECT_FALSE(list.UniqueName(nullptr));
    EXPECT_EQ(UniqueOf(ListOf({"/p/A.txt"}), "/x/a.txt"), "/x/a.txt");  // names compare exactly
    // A server may list any number; the next one is still one more.
    EXPECT_EQ(UniqueOf(ListOf({"/p/n(9223372036854775807).txt"}), "/x/n(9223372036854775807).txt"),
              "/x/n(9223372036854775808).txt");
}

TEST(FtpPathList, UniqueNameGivesUpWhenEveryCandidateIsTaken) {
    CFtpPathList list;
    list.Add(new CFtpPath("/p/x.bin"));
    for (int i = 1; i <= 2000; ++i) list.Add(new CFtpPath("/p/x(" + std::to_string(i) + ").bin"));
    CFtpPath path("/q/x.bin");
    EXPECT_FALSE(list.UniqueName(&path));
    EXPECT_EQ(path.GetPath(), "/q/x.bin");
}

TEST(FtpPathList, LookupsAndTotalLength) {
    CFtpPathList list = ListOf({"/pub/A.txt", "/pub/b.txt"});
    EXPECT_EQ(list.ComputeTotalLength(), 0);
    EXPECT_EQ(list.Find(CFtpPath("/PUB/a.TXT")), list.GetHead());
    EXPECT_EQ(list.FindByPath("/pub/b.txt"), list.GetTail());
    EXPECT_EQ(list.FindByPath("/PUB/b.txt"), nullptr);
    EXPECT_EQ(list.FindByFileName(CFtpPath("/other/b.doc"), false), list.GetTail());
    EXPECT_EQ(list.FindByFileName(CFtpPath("/other/b.doc"), true), nullptr);

    list.GetHead()->Length(kLargeLength);
    list.GetTail()->Length(3);
    EXPECT_EQ(list.ComputeTotalLength(), static_cast<int64_t>(kLargeLength + 3));
}

TEST(FtpPathList, ListTextRoundTrip) {
    CFtpPathList list = ListOf({"/pub/a.txt", "/pub/it's\there/b.bin"});
    list.SetTag("/pub/ <tag>");
    list.GetTail()->Length(kLargeLength);
    std::string text;
    list.WriteXML(text);
    EXPECT_TRUE(text.starts_with("\r\n<CFtpPathList  tag='/pub/ &lt;tag&gt;' >\r\n<CFilePath "));
    EXPECT_TRUE(text.ends_with("</CFilePath></CFtpPathList>"));

    CFtpPathList read;
    std::string input = text;
    ASSERT_TRUE(read.ReadXML(input));
    EXPECT_EQ(read.GetTag(), list.GetTag());
    ASSERT_EQ(read.GetCount(), 2);
    EXPECT_TRUE(read.GetHead()->IsEqual(*list.GetHead()));
    EXPECT_EQ(read.GetTail()->GetPath(), "/pub/it's\there/b.bin");
    EXPECT_EQ(read.GetTail()->Length(), kLargeLength);

    ASSERT_TRUE(read.ReadXML(input));  // appends
    EXPECT_EQ(read.GetCount(), 4);
}

TEST(FtpPathList, ReadingRefusesForeignOrEmptyText) {
    CFtpPathList list;
    std::string foreign = "<CFtpPathListX tag='a'><CFilePath path='/a'></CFilePath></CFtpPathListX>";
    EXPECT_FALSE(list.ReadXML(foreign));
    std::string empty = "<CFtpPathList tag='a'></CFtpPathList>";
    EXPECT_FALSE(list.ReadXML(empty));
    std::string unclosed = "<CFtpPathList tag='a'><CFilePath path='/a'></CFilePath>";
    EXPECT_FALSE(list.ReadXML(unclosed));
    std::string broken = "<CFtpPathList><CFilePath path='/a'></CFilePath><Other/></CFtpPathList>";
    EXPECT_TRUE(list.ReadXML(broken));
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(FtpPathList, CopiesAreDeepAndKeepTheirClass) {
    CFtpPathList list = ListOf({"/pub/a.txt"});
    list.ShowError("last");
    CFtpPathList copy(list);
    EXPECT_EQ(copy.GetTag(), "/pub/");
    EXPECT_EQ(copy.GetLastError(), "last");
    ASSERT_EQ(copy.GetCount(), 1);
    EXPECT_NE(copy.GetHead(), list.GetHead());

    std::unique_ptr<CObj> clone(static_cast<const CObj&>(list).Clone());
    auto* cloned = dynamic_cast<CFtpPathList*>(clone.get());
    ASSERT_NE(cloned, nullptr);
    EXPECT_EQ(cloned->GetTag(), "/pub/");
    ASSERT_EQ(cloned->GetCount(), 1);
    EXPECT_NE(dynamic_cast<CFtpPath*>(cloned->GetHead()), nullptr);

    CFtpPathList assigned("other");
    assigned.Add(new CFtpPath("/x"));
    assigned = list;
    EXPECT_EQ(assigned.GetTag(), "/pub/");
    EXPECT_EQ(assigned.GetCount(), 1);
}

}  // namespace
}  // namespace velmora
