#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "ftp/ftp_cache.h"
#include "ftp/ftp_dir.h"
#include "platform/clock.h"
#include "support/local_time.h"

namespace velmora {
namespace {

using test::LocalTime;

uint64_t LocalFileTime(int year, int month, int day, int hour = 0, int minute = 0) {
    return platform::UnixToFileTime(LocalTime(year, month, day, hour, minute));
}

// Listings below are read as on 15 June 2024, noon.
const int64_t kNow = LocalTime(2024, 6, 15, 12, 0);
const CFtpPath kFolder("/pub/", PATH_FOLDER);

struct Line {
    const char* text;
    const char* name;
    CFtpDir::EKind kind;
    uint64_t size;
    uint64_t time;
    const char* path;
};

TEST(FtpDir, ReadsTheLinesRealServersSend) {
    const uint64_t kGiB = uint64_t{1} << 30;
    const Line lines[] = {
        // pyftpdlib and vsftpd: zero-padded day, named or numeric owner; no
        // year means within the last twelve months.
        {"drwxr-xr-x   3 root     root         4096 Dec 07 07:11 a", "a", CFtpDir::KIND_FOLDER, 4096,
         LocalFileTime(2023, 12, 7, 7, 11), "/pub/a/"},
        {"-rw-r--r--    1 1001     1001            6 Jun 14 23:08 hello.txt", "hello.txt", CFtpDir::KIND_FILE, 6,
         LocalFileTime(2024, 6, 14, 23, 8), "/pub/hello.txt"},
        // ProFTPD and Pure-FTPd: space-padded day, year instead of time,
        // names with inner blanks.
        {"-rw-r--r--   1 alice    alicegrp        6 Jan  2  2020 hello  world.txt", "hello  world.txt",
         CFtpDir::KIND_FILE, 6, LocalFileTime(2020, 1, 2), "/pub/hello  world.txt"},
        {"drwxr-xr-x    3 2000       2000             4096 Dec  7 07:11 My Docs", "My Docs", CFtpDir::KIND_FOLDER,
         4096, LocalFileTime(2023, 12, 7, 7, 11), "/pub/My Docs/"},
        // Above 4 GiB; no group column; extra padding around the date.
        {"-rw-r--r--   1 ftp      ftp      5368709120 Mar 15  2023 disk.img", "disk.img", CFtpDir::KIND_FILE,
         5 * kGiB, LocalFileTime(2023, 3, 15), "/pub/disk.img"},
        {"-rw-r--r-- 1 owner 1234 Feb 29 2020 leap.bin", "leap.bin", CFtpDir::KIND_FILE, 1234,
         LocalFileTime(2020, 2, 29), "/pub/leap.bin"},
        {"-rw-r--r--   1 u   g    10 Jan  2    2020 padded.txt", "padded.txt", CFtpDir::KIND_FILE, 10,
         LocalFileTime(2020, 1, 2), "/pub/padded.txt"},
        // Only the one blank after the date separates: the rest is the name.
        {"-rw-r--r--   1 u   g    10 Jan  2  2020  leading space.txt", " leading space.txt", CFtpDir::KIND_FILE,
         10, LocalFileTime(2020, 1, 2), "/pub/ leading space.txt"},
        {"-rw-r--r--   1 u   g    10 Jan 02 07:11 .htaccess", ".htaccess", CFtpDir::KIND_FILE, 10,
         LocalFileTime(2024, 1, 2, 7, 11), "/pub/.htaccess"},
        // An owner or group that looks like a date: the usual columns win.
        {"-rw-r--r-- 1 mar 20 1234 Jan 02 2020 report.txt", "report.txt", CFtpDir::KIND_FILE, 1234,
         LocalFileTime(2020, 1, 2), "/pub/report.txt"},
        {"-rw-r--r-- 1 dec 31 99 Mar 15 10:00 jun 1 2020 x", "jun 1 2020 x", CFtpDir::KIND_FILE, 99,
         LocalFileTime(2024, 3, 15, 10, 0), "/pub/jun 1 2020 x"},
        // A link keeps its own name and is neither file nor folder.
        {"lrwxrwxrwx   1 root     root            7 Mar  1 12:00 latest -> v2.0", "latest", CFtpDir::KIND_LINK, 7,
         LocalFileTime(2024, 3, 1, 12, 0), "/pub/"},
        // IIS-style DOS lines: 2- and 4-digit years, 12- and 24-hour times.
        {"12-31-21  11:59PM       <DIR>          My Folder", "My Folder", CFtpDir::KIND_FOLDER, 0,
         LocalFileTime(2021, 12, 31, 23, 59), "/pub/My Folder/"},
        {"01-16-2018  10:01AM              1234 report final.txt", "report final.txt", CFtpDir::KIND_FILE, 1234,
         LocalFileTime(2018, 1, 16, 10, 1), "/pub/report final.txt"},
        {"07-04-99  12:05AM        6442450944 backup.tar.gz", "backup.tar.gz", CFtpDir::KIND_FILE, 6 * kGiB,
         LocalFileTime(1999, 7, 4, 0, 5), "/pub/backup.tar.gz"},
        {"03-01-2024  17:30                 0 empty.txt", "empty.txt", CFtpDir::KIND_FILE, 0,
         LocalFileTime(2024, 3, 1, 17, 30), "/pub/empty.txt"},
    };
    for (const Line& line : lines) {
        SCOPED_TRACE(line.text);
        const CFtpDir dir(kFolder, line.text, kNow);
        ASSERT_TRUE(dir.IsEntry());
        EXPECT_EQ(dir.GetName(), line.name);
        EXPECT_EQ(dir.GetKind(), line.kind);
        EXPECT_EQ(dir.GetPath().Length(), line.size);
        EXPECT_EQ(dir.GetPath().LastWriteTime(), line.time);
        EXPECT_EQ(dir.GetPath().CreationTime(), line.time);
        EXPECT_EQ(dir.GetPath().GetPath(), line.path);
        uint32_t attributes = 0;
        if (line.kind == CFtpDir::KIND_FILE) attributes = platform::FileAttrNormal;
        if (line.kind == CFtpDir::KIND_FOLDER) attributes = platform::FileAttrDirectory;
        EXPECT_EQ(dir.GetPath().GetAttr(), attributes);
    }

    // What a link points to, when the line says; a name with " -> " in a
    // file's line stays whole.
    EXPECT_EQ(CFtpDir(kFolder, "lrwxrwxrwx 1 r r 7 Mar  1 12:00 up -> ../a b", kNow).GetLinkTarget(), "../a b");
    EXPECT_EQ(CFtpDir(kFolder, "-rw-r--r-- 1 r r 7 Mar  1 12:00 x -> y", kNow).GetName(), "x -> y");
    EXPECT_EQ(CFtpDir(kFolder, "lrwxrwxrwx 1 r r 7 Mar  1 12:00 bare", kNow).GetLinkTarget(), "");

    const CFtpDir unix(kFolder, "drwxr-x---   3 alice    staff        4096 Dec 07 07:11 a", kNow);
    EXPECT_EQ(unix.GetPermissions(), "drwxr-x---");
    EXPECT_EQ(unix.GetLinkCount(), "3");
    EXPECT_EQ(unix.GetOwner(), "alice");
    EXPECT_EQ(unix.GetGroup(), "staff");
    EXPECT_EQ(unix.GetDateTime(), "Dec 07 07:11");
    const CFtpDir monthOwner(kFolder, "-rw-r--r-- 1 mar 20 1234 Jan 02 2020 report.txt", kNow);
    EXPECT_EQ(monthOwner.GetOwner(), "mar");
    EXPECT_EQ(monthOwner.GetGroup(), "20");
    EXPECT_EQ(monthOwner.GetSizeText(), "1234");
    const CFtpDir dos(kFolder, "01-16-2018  10:01AM              1234 b.c.txt", kNow);
    EXPECT_EQ(dos.GetDate(), "01-16-2018");
    EXPECT_EQ(dos.GetTime(), "10:01AM");
    EXPECT_EQ(dos.GetPath().GetFileName(false), "b");
    EXPECT_EQ(dos.GetPath().GetExt(), ".c.txt");
}

TEST(FtpDir, LinesThatAreNoEntryGiveNone) {
    for (const char* text :
         {"total 12", "", "   ", "drwxr-xr-x   2 u g 4096 Dec 07 07:11 .", "drwxr-xr-x   2 u g 4096 Dec 07 07:11 ..",
          "crw-rw-rw-   1 root root 1, 3 Jan  1 12:00 null", "12-31-21  11:59PM  <DIR>", "13-01-21  10:00AM  5 x",
          "12-31-21  11:59PM  big x.txt", "Dec 07 07:11", "-rw-r--r-- 1 u g 5"}) {
        SCOPED_TRACE(text);
        const CFtpDir dir(kFolder, text, kNow);
        EXPECT_FALSE(dir.IsEntry());
        EXPECT_FALSE(dir.HasUnsafeName());
        EXPECT_EQ(dir.GetPath().GetPath(), "/pub/");
    }
}

// Only blanks and tabs separate fields, wherever they fall in the line:
// bytes of UTF-8 names (a no-break space, bytes that differ from a blank or
// a tab in their high bit) are part of the field, and a name of many words
// stays whole.
TEST(FtpDir, FieldsSplitAtBlanksAndTabsOnly) {
    const CFtpDir tabs(kFolder, "-rw-r--r--\t1\tu\tg\t5\tJan\t2\t2020\tname x", kNow);
    ASSERT_TRUE(tabs.IsEntry());
    EXPECT_EQ(tabs.GetOwner(), "u");
    EXPECT_EQ(tabs.GetGroup(), "g");
    EXPECT_EQ(tabs.GetName(), "name x");

    const CFtpDir utf8(kFolder, "-rw-r--r-- 1 \xc3\xa9l\xc3\xa8ve \x89\xa0 5 Jan  2  2020 caf\xc3\xa9\xc2\xa0x", kNow);
    ASSERT_TRUE(utf8.IsEntry());
    EXPECT_EQ(utf8.GetOwner(), "\xc3\xa9l\xc3\xa8ve");
    EXPECT_EQ(utf8.GetGroup(), "\x89\xa0");
    EXPECT_EQ(utf8.GetName(), "caf\xc3\xa9\xc2\xa0x");
    EXPECT_EQ(utf8.GetPath().LastWriteTime(), LocalFileTime(2020, 1, 2));

    // More fields than a line usually has, with the date found beyond the
    // usual columns (no group).
    const CFtpDir words(kFolder, "-rw-r--r-- 1 owner 1234 Feb 29 2020 a b c d e f g h i j k l m n o p q", kNow);
    ASSERT_TRUE(words.IsEntry());
    EXPECT_EQ(words.GetName(), "a b c d e f g h i j k l m n o p q");
    EXPECT_EQ(words.GetSizeText(), "1234");
    EXPECT_EQ(words.GetPath().LastWriteTime(), LocalFileTime(2020, 2, 29));
}

TEST(FtpDir, NamesThatWouldLeaveTheFolderAreRefused) {
    for (const char* text : {"-rw-r--r-- 1 u g 5 Jan 01 2020 ../../etc/passwd",
                             "drwxr-xr-x 1 u g 5 Jan 01 2020 a\\b", "drwxr-xr-x 1 u g 5 Jan 01 2020 /abs",
                             "12-31-21  11:59PM  <DIR>  ..\\..\\Windows", "-rw-r--r-- 1 u g 5 Jan 01 2020 bell\x07.txt",
                             // A folder path drops the blank: it would be the other folder "My".
                             "drwxr-xr-x 1 u g 5 Jan 01 2020 My "}) {
        SCOPED_TRACE(text);
        const CFtpDir dir(kFolder, text, kNow);
        EXPECT_FALSE(dir.IsEntry());
        EXPECT_TRUE(dir.HasUnsafeName());
        EXPECT_EQ(dir.GetPath().GetPath(), "/pub/");
    }
    EXPECT_TRUE(CFtpDir::IsSafeName("..."));
    EXPECT_TRUE(CFtpDir::IsSafeName("é è.txt"));
}

TEST(FtpDir, ReadsMachineListingLines) {
    // 2024-12-07 07:11:05 UTC.
    const uint64_t stamp = platform::UnixToFileTime(1733555465);
    const CFtpDir file = CFtpDir::FromMachineListing(
        kFolder, "type=file;size=5368709120;modify=20241207071105.250;perm=adfrw;unix.mode=0644; a;b c.txt");
    ASSERT_TRUE(file.IsFile());
    EXPECT_EQ(file.GetName(), "a;b c.txt");
    EXPECT_EQ(file.GetPath().GetPath(), "/pub/a;b c.txt");
    EXPECT_EQ(file.GetPath().Length(), uint64_t{5} << 30);
    EXPECT_EQ(file.GetPath().LastWriteTime(), stamp);
    EXPECT_EQ(file.GetPermissions(), "-rw-r--r--");
    EXPECT_EQ(file.GetPath().GetAttr(), platform::FileAttrNormal);

    // One blank ends the facts; the next one starts the name.
    const CFtpDir folder = CFtpDir::FromMachineListing(kFolder, "Type=dir;Modify=20241207071105;UNIX.mode=755;  two");
    ASSERT_TRUE(folder.IsFolder());
    EXPECT_EQ(folder.GetName(), " two");
    EXPECT_EQ(folder.GetPath().GetFtpDir(true), "/pub/ two/");
    EXPECT_EQ(folder.GetPermissions(), "drwxr-xr-x");
    // pyftpdlib writes the mode as Python does, and names the owner by number.
    const CFtpDir owned = CFtpDir::FromMachineListing(
        kFolder, "modify=20261208003736;perm=radfwMT;size=6;type=file;unix.gid=0;unix.mode=0o640;unix.uid=1000; b");
    EXPECT_EQ(owned.GetPermissions(), "-rw-r-----");
    EXPECT_EQ(owned.GetOwner(), "1000");
    EXPECT_EQ(owned.GetGroup(), "0");

    const CFtpDir link = CFtpDir::FromMachineListing(kFolder, "type=OS.unix=slink:/etc;size=4; etc-link");
    EXPECT_TRUE(link.IsLink());
    EXPECT_EQ(link.GetName(), "etc-link");
    EXPECT_EQ(link.GetLinkTarget(), "/etc");
    // Facts in any order and unknown facts; no time given leaves the times alone.
    const CFtpDir bare = CFtpDir::FromMachineListing(kFolder, "unique=801U1;type=file; .hidden");
    EXPECT_TRUE(bare.IsFile());
    EXPECT_EQ(bare.GetPath().LastWriteTime(), 0u);

    for (const char* line : {"type=cdir;modify=20241207071105; .", "type=pdir; ..", "type=cdir; /pub",
                             "type=OS.unix=chr-1/3; null", "no facts here", "type=file;size=1;"}) {
        SCOPED_TRACE(line);
        const CFtpDir none = CFtpDir::FromMachineListing(kFolder, line);
        EXPECT_FALSE(none.IsEntry());
    }
    for (const char* line : {"type=file; ../../etc/passwd", "type=dir; a/b", "type=file; tab\there"}) {
        SCOPED_TRACE(line);
        const CFtpDir unsafe = CFtpDir::FromMachineListing(kFolder, line);
        EXPECT_FALSE(unsafe.IsEntry());
        EXPECT_TRUE(unsafe.HasUnsafeName());
        EXPECT_EQ(unsafe.GetPath().GetPath(), "/pub/");
    }
}

TEST(FtpDir, DatesWithoutAYearFallInTheLastTwelveMonths) {
    int64_t seconds = 0;
    const struct {
        const char* text;
        int64_t expected;
    } dated[] = {
        {"Jun 14 10:00", LocalTime(2024, 6, 14, 10, 0)},
        {"Jun 16 06:00", LocalTime(2024, 6, 16, 6, 0)},  // a server a few hours ahead of us
        {"Jun 17 12:00", LocalTime(2023, 6, 17, 12, 0)},
        {"Jan 01 00:00", LocalTime(2024, 1, 1, 0, 0)},
        {"dec 31 23:59", LocalTime(2023, 12, 31, 23, 59)},
    };
    for (const auto& date : dated) {
        SCOPED_TRACE(date.text);
        ASSERT_TRUE(CFtpDir::ParseListingTime(date.text, kNow, seconds));
        EXPECT_EQ(seconds, date.expected);
    }
    // The last 29 February before 1 March 2023 was in 2020.
    ASSERT_TRUE(CFtpDir::ParseListingTime("Feb 29 10:00", LocalTime(2023, 3, 1, 12, 0), seconds));
    EXPECT_EQ(seconds, LocalTime(2020, 2, 29, 10, 0));

    for (const char* bad : {"Feb 30 10:00", "Apr 31 2020", "Jun 15 24:00", "Jun 15 10:60", "Foo 15 10:00",
                            "12-31-21 13:00PM", "02-29-21 10:00AM", "1-2 10:00", "", "Jun 15"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(CFtpDir::ParseListingTime(bad, kNow, seconds));
    }
}

// Listings place each day once: the day's minutes then follow from its
// midnight, except on a day the clocks change, and a new time zone places
// every day again.
TEST(FtpDir, DatesFollowTheTimeZoneAndItsClockChanges) {
    const auto parsed = [](const char* text, int64_t now) {
        int64_t seconds = 0;
        EXPECT_TRUE(CFtpDir::ParseListingTime(text, now, seconds)) << text;
        return seconds;
    };
    {
        test::ScopedTimeZone utc("UTC");
        const int64_t now = LocalTime(2024, 6, 15, 12, 0);
        EXPECT_EQ(parsed("Mar 31 12:00", now), LocalTime(2024, 3, 31, 12, 0));
        EXPECT_EQ(parsed("Mar 31 2024", now), LocalTime(2024, 3, 31));
    }
    test::ScopedTimeZone central("CET-1CEST,M3.5.0,M10.5.0/3");
    const int64_t now = LocalTime(2024, 6, 15, 12, 0);
    // Summer time began at 2:00 on 31 March 2024: noon is eleven hours after midnight.
    EXPECT_EQ(parsed("Mar 31 12:00", now), LocalTime(2024, 3, 31, 12, 0));
    EXPECT_EQ(parsed("Mar 31 12:00", now) - parsed("Mar 31 2024", now), 11 * 3600);
    EXPECT_EQ(parsed("Mar 30 12:00", now) - parsed("Mar 30 2024", now), 12 * 3600);
    EXPECT_EQ(parsed("Oct 27 23:59", LocalTime(2024, 11, 1, 0, 0)), LocalTime(2024, 10, 27, 23, 59));
    EXPECT_EQ(parsed("Mar 31 2024", now), LocalTime(2024, 3, 31));
}

// Random and cut-off lines never crash the parser, and whatever it accepts
// stays inside the listed folder.
TEST(FtpDir, SurvivesRandomAndTruncatedLines) {
    const std::vector<std::string> samples = {
        "drwxr-xr-x   3 root     root         4096 Dec 07 07:11 a",
        "-rw-r--r--   1 alice    alicegrp        6 Jan  2  2020 hello world.txt",
        "lrwxrwxrwx   1 root     root            7 Mar  1 12:00 latest -> v2.0",
        "12-31-21  11:59PM       <DIR>          My Folder",
        "01-16-2018  10:01AM              1234 report.txt",
    };
    const std::string pieces[] = {" ",  "  ", "\t", "-", "d", "l",   "rwx", "0",   "12",   "4096", ":",
                                  "07:11", "Dec", "Feb", "29", "2020", "<DIR>", "PM", "AM", "12-31-21", "/",
                                  "\\",    "..",  ".",   "->", "\x01", "\xff", "a",  "x.txt"};
    std::mt19937 random(20240615);
    std::vector<std::string> lines;
    for (const std::string& sample : samples) {
        for (size_t length = 0; length <= sample.size(); ++length) lines.push_back(sample.substr(0, length));
    }
    for (int i = 0; i < 20000; ++i) {
        std::string line = (i % 3 == 0) ? samples[random() % samples.size()] : std::string();
        const int count = static_cast<int>(random() % 16);
        for (int k = 0; k < count; ++k) {
            const std::string& piece = pieces[random() % std::size(pieces)];
            line.insert(line.empty() ? 0 : random() % line.size(), piece);
        }
        lines.push_back(line);
    }
    int accepted = 0;
    for (const std::string& line : lines) {
        const CFtpDir dir(kFolder, line, kNow);
        if (!dir.IsEntry()) continue;
        ++accepted;
        ASSERT_TRUE(CFtpDir::IsSafeName(dir.GetName())) << line;
        const std::string expected = dir.IsFolder() ? "/pub/" + dir.GetName() + "/" : "/pub/";
        ASSERT_EQ(dir.GetPath().GetFtpDir(true), expected) << line;
    }
    // The mix must reach the accepting paths too, not only the refusals.
    EXPECT_GT(accepted, 1000);
}

TEST(FtpCache, KeepsOneListPerFolderCaseSensitively) {
    CFtpCache cache;
    CFtpPathList* list = cache.Add(CFtpPath("/pub/a.txt"));
    EXPECT_EQ(cache.Add(CFtpPath("/pub/b.txt")), list);
    ASSERT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetTag(), "/pub/");
    EXPECT_EQ(cache.CurList("/pub/"), list);
    EXPECT_EQ(cache.CurList("/PUB/"), nullptr);
    EXPECT_EQ(cache.CurList(""), nullptr);

    // Names made unique against what the folder already holds, in order.
    CFtpPathList incoming;
    incoming.AddTail(new CFtpPath("/pub/a.txt"));
    incoming.AddTail(new CFtpPath("/pub/c.txt"));
    cache.UniqueName("/pub/", incoming);
    EXPECT_EQ(incoming.GetHead()->GetFileName(true), "a(1).txt");
    EXPECT_EQ(incoming.GetTail()->GetFileName(true), "c.txt");

    // Removal goes by identity, not by equality.
    const CFtpPath equal("/pub/a.txt");
    EXPECT_EQ(cache.Remove(&equal), nullptr);
    CFtpPath* first = list->GetHead();
    EXPECT_EQ(cache.Remove(first), first);
    EXPECT_EQ(list->GetCount(), 1);
    delete first;
    cache.RemoveAndDestroy("/pub/");
    EXPECT_EQ(cache.CurList("/pub/"), nullptr);
}

}  // namespace
}  // namespace velmora
