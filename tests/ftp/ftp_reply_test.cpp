#include <gtest/gtest.h>

#include <string>

#include "ftp/protocol/ftp_reply.h"

namespace velmora::protocol {
namespace {

using EResult = CFtpReplyAssembler::EResult;

EResult Feed(CFtpReplyAssembler& assembler, std::initializer_list<std::string> lines) {
    EResult result = EResult::NeedMore;
    for (const std::string& line : lines) result = assembler.AddLine(line);
    return result;
}

TEST(FtpReply, MultiLineReplyRunsToTheLineWithItsOwnCodeAndASpace) {
    CFtpReplyAssembler assembler;
    EXPECT_EQ(Feed(assembler, {"230-Welcome", "230-still more", "530 inner line of another code", " 230 indented",
                               "230 done"}),
              EResult::Complete);
    EXPECT_EQ(assembler.GetReply().code, 230);
    EXPECT_EQ(assembler.GetReply().text, "230-Welcome\n230-still more\n530 inner line of another code\n 230 indented\n230 done");

    CFtpReplyAssembler bare;
    EXPECT_EQ(Feed(bare, {"211-Features:", " SIZE", "211"}), EResult::Complete);

    CFtpReplyAssembler single;
    EXPECT_EQ(single.AddLine("200"), EResult::Complete);
    EXPECT_EQ(single.GetReply().code, 200);
}

TEST(FtpReply, MalformedOrOversizedRepliesAreRejected) {
    for (const char* line : {"HTTP/1.1 400 Bad Request", "99 short", "600 no such class", "2000 too long", "22"}) {
        CFtpReplyAssembler assembler;
        EXPECT_EQ(assembler.AddLine(line), EResult::Invalid) << line;
        EXPECT_NE(assembler.GetProblem().find("Invalid reply"), std::string::npos);
    }
    CFtpReplyAssembler longLine;
    EXPECT_EQ(longLine.AddLine("220 " + std::string(kMaxReplyLineLength, 'a')), EResult::Invalid);

    CFtpReplyAssembler endless;
    EResult result = endless.AddLine("220-start");
    for (size_t i = 0; i <= kMaxReplyLines && result == EResult::NeedMore; ++i) result = endless.AddLine("more");
    EXPECT_EQ(result, EResult::Invalid);
    EXPECT_EQ(endless.GetProblem(), "Reply from server too long");
}

TEST(FtpReply, ControlCharactersInRepliesAreMadeVisible) {
    CFtpReplyAssembler assembler;
    ASSERT_EQ(assembler.AddLine(std::string("550 a\0b\x1b[2J", 11)), EResult::Complete);
    EXPECT_EQ(assembler.GetReply().text, "550 a?b?[2J");
}

TEST(FtpReply, PassivePortsAreParsedAndValidated) {
    uint16_t port = 0;
    EXPECT_TRUE(ParseEpsvPort("229 Entering Extended Passive Mode (|||50123|)", port));
    EXPECT_EQ(port, 50123);
    EXPECT_TRUE(ParseEpsvPort("229 ok (!!!2121!)", port));
    EXPECT_EQ(port, 2121);
    for (const char* bad : {"229 (|||0|)", "229 (|||70000|)", "229 (||1|)", "229 (|||12|", "229 |||12|", "229 (|||x|)"})
        EXPECT_FALSE(ParseEpsvPort(bad, port)) << bad;

    EXPECT_TRUE(ParsePasvPort("227 Entering Passive Mode (10,1,2,3,195,80).", port));
    EXPECT_EQ(port, 195 * 256 + 80);
    EXPECT_TRUE(ParsePasvPort("227 =127,0,0,1,4,1", port));  // no parentheses
    EXPECT_EQ(port, 1025);
    for (const char* bad : {"227 (10,1,2,3,256,1)", "227 (10,1,2,3,0,0)", "227 (10,1,2,3,4)", "227 nothing"})
        EXPECT_FALSE(ParsePasvPort(bad, port)) << bad;
}

TEST(FtpReply, ValuesOfFolderSizeAndTimeReplies) {
    std::string folder;
    EXPECT_TRUE(ParseQuotedFolder("257 \"/a \"\"b\"\" c\" is the current directory", folder));
    EXPECT_EQ(folder, "/a \"b\" c");
    EXPECT_FALSE(ParseQuotedFolder("257 \"/unterminated", folder));
    EXPECT_FALSE(ParseQuotedFolder("257 no quotes", folder));

    uint64_t size = 0;
    EXPECT_TRUE(ParseFileSize("213 5368709120", size));
    EXPECT_EQ(size, 5368709120ULL);
    EXPECT_FALSE(ParseFileSize("213 12ab", size));
    EXPECT_FALSE(ParseFileSize("213 99999999999999999999999", size));

    int64_t seconds = 0;
    EXPECT_TRUE(ParseModificationTime("213 20200102030405", seconds));
    EXPECT_EQ(seconds, 1577934245);
    EXPECT_TRUE(ParseModificationTime("213 19700101000001.123", seconds));
    EXPECT_EQ(seconds, 1);
    EXPECT_FALSE(ParseModificationTime("213 20201302030405", seconds));
    EXPECT_FALSE(ParseModificationTime("213 2020010203", seconds));
}

TEST(FtpReply, TheEntryOfAnMlstReplyKeepsItsFactsAndItsWholeName) {
    CMlstEntry entry;
    // ProFTPD's layout: fact names in capitals, a full path with a blank.
    ASSERT_TRUE(ParseMlstReply("250-Start of list for /in/a b.txt\n"
                               " modify=20241207071100;perm=adfrw;size=1048576;type=file;UNIX.mode=0644; /in/a b.txt\n"
                               "250 End of list",
                               entry));
    EXPECT_EQ(entry.type, "file");
    EXPECT_EQ(entry.size, "1048576");
    EXPECT_EQ(entry.modify, "20241207071100");
    EXPECT_EQ(entry.unixMode, "0644");
    EXPECT_EQ(entry.name, "/in/a b.txt");
    // A fact without its value and one not asked for are left out.
    ASSERT_TRUE(ParseMlstReply("250-x\n Size=12;unique=1;Modify; x;y\n250 End", entry));
    EXPECT_EQ(entry.size, "12");
    EXPECT_EQ(entry.modify, "");
    EXPECT_EQ(entry.name, "x;y");
    // No entry line, or an entry without a name.
    EXPECT_FALSE(ParseMlstReply("250 Listing follows", entry));
    EXPECT_FALSE(ParseMlstReply("250-x\n type=file;size=3;\n250 End", entry));
    EXPECT_FALSE(ParseMlstReply("250-x\n type=file;size=3; \n250 End", entry));
    EXPECT_EQ(entry.size, "");
}

// Owner and group by name where the server gives one (ProFTPD), else by
// number (pyftpdlib).
TEST(FtpReply, OwnerAndGroupPreferNamesToNumbers) {
    CMlstEntry entry;
    ASSERT_TRUE(ParseMlstEntry("type=file;UNIX.group=2000;UNIX.groupname=alicegrp;UNIX.mode=0644;UNIX.owner=2000;"
                               "UNIX.ownername=alice; a.txt",
                               entry));
    EXPECT_EQ(entry.owner, "alice");
    EXPECT_EQ(entry.group, "alicegrp");
    ASSERT_TRUE(ParseMlstEntry("type=file;size=6;unix.mode=0644;unix.uid=1000;unix.gid=100;unique=8; a.txt", entry));
    EXPECT_EQ(entry.owner, "1000");
    EXPECT_EQ(entry.group, "100");
    ASSERT_TRUE(ParseMlstEntry("type=file;size=6; a.txt", entry));
    EXPECT_EQ(entry.owner + entry.group, "");
}

TEST(FtpReply, TruncationKeepsWholeUtf8Characters) {
    EXPECT_EQ(TruncateUtf8("abc", 5), "abc");
    EXPECT_EQ(TruncateUtf8("ab\xC3\xA9z", 3), "ab");
    EXPECT_EQ(TruncateUtf8("ab\xC3\xA9z", 4), "ab\xC3\xA9");
}

}  // namespace
}  // namespace velmora::protocol
