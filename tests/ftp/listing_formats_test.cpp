// The listing layouts of older and other servers, from lines written for
// these tests: each family read whole, broken lines skipped and counted,
// and the layout chosen by what the lines fit.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ftp/ftp_dir.h"
#include "ftp/ftp_find.h"
#include "ftp/ftp_listing_reader.h"
#include "ftp/ftp_session.h"
#include "ftp/session_login.h"
#include "platform/clock.h"
#include "support/fake_ftp_server.h"
#include "support/local_time.h"

namespace velmora {
namespace {

using test::LocalTime;

// Listings below are read as on 15 June 2024, noon.
const int64_t kListedAt = LocalTime(2024, 6, 15, 12, 0);
const CFtpPath kListedFolder("/pub/", PATH_FOLDER);

uint64_t At(int year, int month, int day, int hour = 0, int minute = 0) {
    return platform::UnixToFileTime(LocalTime(year, month, day, hour, minute));
}

// What a line gave: kind, name, size and time, in one text.
std::string Entry(const CFtpDir& dir) {
    const char* kinds[] = {"none", "file", "folder", "link"};
    return std::string(kinds[dir.GetKind()]) + " '" + dir.GetName() + "' " + std::to_string(dir.GetPath().Length()) +
           " " + std::to_string(dir.GetPath().LastWriteTime());
}

std::string Entry(const char* kind, const std::string& name, uint64_t size, uint64_t time) {
    return std::string(kind) + " '" + name + "' " + std::to_string(size) + " " + std::to_string(time);
}

struct Read {
    EListingFormat format;
    std::vector<std::string> entries;
    int broken = 0;
    int asked = 0;
};

// A whole listing through the reader, as a folder's listing comes.
Read ReadListing(const std::vector<std::string>& lines, const std::string& system = {}) {
    Read read;
    CFtpListingReader reader(kListedFolder, kListedAt, [&](std::unique_ptr<CFtpDir> dir) {
        read.entries.push_back(dir->IsEntry() ? Entry(*dir) : "refused '" + dir->GetName() + "'");
    });
    reader.SetSystemQuestion([&] {
        ++read.asked;
        return system;
    });
    for (const std::string& line : lines) reader.Add(line);
    reader.Finish();
    read.format = reader.GetFormat();
    read.broken = reader.GetBroken();
    return read;
}

TEST(ListingFormats, UnixWithNumericAndIsoDatesAndFewerColumns) {
    const Read read = ReadListing({
        "total 48",
        "-rw-r--r--  1 alice staff  1234 2024-03-01 17:30 report.txt",
        "drwxr-xr-x  2 alice staff  4096 2023-11-30 docs",
        "-rw-r--r--  1 alice staff    99 03-01 09:15 recent.log",
        "-rw-r--r--  1 alice staff    10 2024-05-02 10:20:30.123456789 +0200 exact.txt",
        "-rw-r--r--  1 1001  1001     77 15.04.2024 12:00 dotted.txt",
        "-rw-r--r--  1 ftp          2048 2024/01/09 08:00 no group.bin",
        "-rw-r--r--  1               512 Jan 02  2020 no owner.txt",
        "   -rw-r--r-- 1 u g 10 Jan  2  2020 indented.txt",
        "-rw-r--r--  1 alice staff    10 2024-03-01 17:30  leading blank.txt",
        "drwxr-xr-x+ 3 alice staff  4096 2024-03-01 17:30 with acl",
        "-rw-r--r--  1 alice staff   ten 2024-03-01 17:30 broken size",
        "-rw-r--r--  1 alice staff    10 2024-13-01 17:30 broken month",
        "drwxr-xr-x  2 alice",
        "srwxrwxrwx  1 alice staff     0 2024-03-01 17:30 socket",
    });
    EXPECT_EQ(read.format, EListingFormat::Unix);
    EXPECT_EQ(read.broken, 3);
    EXPECT_EQ(read.asked, 0);
    EXPECT_EQ(read.entries, (std::vector<std::string>{
                                Entry("file", "report.txt", 1234, At(2024, 3, 1, 17, 30)),
                                Entry("folder", "docs", 4096, At(2023, 11, 30)),
                                Entry("file", "recent.log", 99, At(2024, 3, 1, 9, 15)),
                                // 10:20 two hours east of UTC, wherever the test runs.
                                Entry("file", "exact.txt", 10, platform::UnixToFileTime(1714638000)),
                                Entry("file", "dotted.txt", 77, At(2024, 4, 15, 12, 0)),
                                Entry("file", "no group.bin", 2048, At(2024, 1, 9, 8, 0)),
                                Entry("file", "no owner.txt", 512, At(2020, 1, 2)),
                                Entry("file", "indented.txt", 10, At(2020, 1, 2)),
                                Entry("file", " leading blank.txt", 10, At(2024, 3, 1, 17, 30)),
                                Entry("folder", "with acl", 4096, At(2024, 3, 1, 17, 30)),
                            }));
}

TEST(ListingFormats, IisWith24HourTimesFourDigitYearsAndIsoDates) {
    const Read read = ReadListing({
        "03-01-2024  17:30       <DIR>          Shared Docs",
        "2024-03-01  17:30                 4096 iso.txt",
        "12-31-21  11:59PM       <DIR>           leading",
        "01-16-2018  10:01AM                 1234  two.txt",
        "13-40-2024  10:00AM       <DIR>          bad date",
        "01-16-2018  25:01                     5 bad time",
        "01-16-2018  10:01AM                  5k bad size",
    });
    EXPECT_EQ(read.format, EListingFormat::Dos);
    EXPECT_EQ(read.broken, 3);
    EXPECT_EQ(read.entries, (std::vector<std::string>{
                                Entry("folder", "Shared Docs", 0, At(2024, 3, 1, 17, 30)),
                                Entry("file", "iso.txt", 4096, At(2024, 3, 1, 17, 30)),
                                Entry("folder", " leading", 0, At(2021, 12, 31, 23, 59)),
                                Entry("file", " two.txt", 1234, At(2018, 1, 16, 10, 1)),
                            }));
}

TEST(ListingFormats, Eplf) {
    const Read read = ReadListing({
        "+i8388621.29609,m824255902,/,\tsrc",
        "+i8388621.44468,m839956783,r,s10376,\tRFC959.txt",
        "+m839956783,r,s10,\t leading blank.txt",
        "+i8388621.1,m839956783,\tnot for us",
        "+r,s10 no tab here",
        "+r,s10,\t../../etc/passwd",
    });
    EXPECT_EQ(read.format, EListingFormat::Eplf);
    EXPECT_EQ(read.broken, 1);
    EXPECT_EQ(read.entries, (std::vector<std::string>{
                                Entry("folder", "src", 0, platform::UnixToFileTime(824255902)),
                                Entry("file", "RFC959.txt", 10376, platform::UnixToFileTime(839956783)),
                                Entry("file", " leading blank.txt", 10, platform::UnixToFileTime(839956783)),
                                "refused '../../etc/passwd'",
                            }));
    EXPECT_EQ(CFtpDir(kListedFolder, "+i8388621.29609,m824255902,/,\tsrc", kListedAt).GetUnique(), "8388621.29609");
}

TEST(ListingFormats, NetWare) {
    const Read read = ReadListing({
        "total 3",
        "d [R----F--] supervisor            512       Jan 16 18:53    login",
        "- [RWCEAFMS] alice              214059       Oct 20  2023    cx.exe",
        "- [RWCEAFMS] alice                 100       Jun 01 10:00     spaced.txt",
        "d [R----F--] supervisor            512       Foo 16 18:53    bad month",
        "x [R----F--] supervisor            512       Jan 16 18:53    bad type",
    });
    EXPECT_EQ(read.format, EListingFormat::NetWare);
    EXPECT_EQ(read.broken, 2);
    EXPECT_EQ(read.entries, (std::vector<std::string>{
                                Entry("folder", "login", 0, At(2024, 1, 16, 18, 53)),
                                Entry("file", "cx.exe", 214059, At(2023, 10, 20)),
                                Entry("file", " spaced.txt", 100, At(2024, 6, 1, 10, 0)),
                            }));
}

TEST(ListingFormats, VmsWithVersionsWrappedNamesAndTotals) {
    const Read read = ReadListing({
        "Directory DISK$USER:[ALICE]",
        "",
        "AUTOEXEC.COM;3         2/8        14-MAR-2023 10:12:45  [ALICE]  (RWED,RWED,RE,)",
        "AUTOEXEC.COM;2         2/8        13-MAR-2023 09:00:00  [ALICE]  (RWED,RWED,RE,)",
        "DOCS.DIR;1             1/3         2-JAN-2024 08:00:01  [SYSTEM,ALICE]  (RWE,RWE,RE,RE)",
        "LONG_FILE_NAME_THAT_WRAPS_AROUND.TXT;12",
        "                      45/48       20-FEB-2024 17:30:00  [ALICE]  (RWED,RWED,R,)",
        "PLAIN.DAT;1            7          30-APR-2024 23:59",
        "SECRET.DAT;1           %RMS-E-PRV, insufficient privilege or file protection violation",
        "BADDATE.TXT;1          1/3        31-FOO-2024 10:00:00",
        "",
        "Total of 5 files, 57/70 blocks.",
    });
    EXPECT_EQ(read.format, EListingFormat::Vms);
    EXPECT_EQ(read.broken, 2);
    EXPECT_EQ(read.entries, (std::vector<std::string>{
                                Entry("file", "AUTOEXEC.COM", 1024, At(2023, 3, 14, 10, 12)),
                                Entry("folder", "DOCS", 0, At(2024, 1, 2, 8, 0)),
                                Entry("file", "LONG_FILE_NAME_THAT_WRAPS_AROUND.TXT", 45 * 512, At(2024, 2, 20, 17, 30)),
                                Entry("file", "PLAIN.DAT", 7 * 512, At(2024, 4, 30, 23, 59)),
                            }));
    // A wrapped name whose listing ends is a broken line, not a lost one.
    EXPECT_EQ(ReadListing({"A.TXT;1 1/3 2-JAN-2024 08:00:01", "DANGLING.TXT;1"}).broken, 1);
}

TEST(ListingFormats, Os400) {
    const Read read = ReadListing({
        "QSYS           77824 02/23/00 15:09:55 *DIR       QOpenSys/",
        "QDOC          159744 11/12/99 15:05:53 *FLR       QDLS/",
        "ALICE           8192 12/24/22 13:38:55 *STMF      report.txt",
        "ALICE             10 12/24/22 13:38:55 *STMF        two.txt",
        "ALICE                                  *MEM       MYLIB.FILE/MBR1.MBR",
        "ALICE           8192 99/99/99 13:38:55 *STMF      bad date.txt",
        "ALICE           8192 12/24/22 13:38:55 STMF       no star.txt",
    });
    EXPECT_EQ(read.format, EListingFormat::Os400);
    EXPECT_EQ(read.broken, 2);
    EXPECT_EQ(read.entries, (std::vector<std::string>{
                                Entry("folder", "QOpenSys", 0, At(2000, 2, 23, 15, 9)),
                                Entry("folder", "QDLS", 0, At(1999, 11, 12, 15, 5)),
                                Entry("file", "report.txt", 8192, At(2022, 12, 24, 13, 38)),
                                Entry("file", "  two.txt", 10, At(2022, 12, 24, 13, 38)),
                            }));
}

TEST(ListingFormats, MvsDatasetsAndPartitionedDatasetMembers) {
    const Read datasets = ReadListing({
        "Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname",
        "WRK101 3390   2023/11/02  1   15  FB      80 27920  PS  ALICE.DATA.CSV",
        "WRK102 3390   2024/01/15  3  120  FB      80 27920  PO  ALICE.SOURCE.COBOL",
        "Migrated                                                ALICE.OLD.BACKUP",
        "Pseudo Directory                                        ALICE.PROJECTS",
        "WRK103 3390   **NONE**    1    1  VB     255 27998  PS  ALICE.EMPTY.LOG",
        "WRK104 3390   2024/13/01  1    1  FB      80 27920  PS  ALICE.BAD.DATE",
        "WRK105 3390   2024/01/15  1    1  FB      80 27920  PS  ALICE.NAME.TOOLONGQUALIFIER",
    });
    EXPECT_EQ(datasets.format, EListingFormat::MvsDataset);
    EXPECT_EQ(datasets.broken, 2);
    EXPECT_EQ(datasets.entries, (std::vector<std::string>{
                                    Entry("file", "ALICE.DATA.CSV", 0, At(2023, 11, 2)),
                                    Entry("folder", "ALICE.SOURCE.COBOL", 0, At(2024, 1, 15)),
                                    Entry("file", "ALICE.OLD.BACKUP", 0, 0),
                                    Entry("folder", "ALICE.PROJECTS", 0, 0),
                                    Entry("file", "ALICE.EMPTY.LOG", 0, 0),
                                }));

    const Read members = ReadListing({
        " Name     VV.MM   Created       Changed      Size  Init   Mod   Id",
        "PAYROLL   01.03 2023/05/01 2024/02/10 14:22    45    40     0 ALICE",
        "REPORT2   01.00 2024/01/02 2024/01/02 09:00:30  10    10     0 BOB",
        "LOADMOD1  000348   000348   00   FO             31    ANY",
        "NOSTATS",
        "BROKEN    1.3   2023/05/01 2024/02/10 14:22    45    40     0 ALICE",
        "lower",
    });
    EXPECT_EQ(members.format, EListingFormat::MvsMember);
    EXPECT_EQ(members.broken, 2);
    EXPECT_EQ(members.entries, (std::vector<std::string>{
                                   Entry("file", "PAYROLL", 0, At(2024, 2, 10, 14, 22)),
                                   Entry("file", "REPORT2", 0, At(2024, 1, 2, 9, 0)),
                                   Entry("file", "LOADMOD1", 0, 0),
                                   Entry("file", "NOSTATS", 0, 0),
                               }));
}

// The lines choose; the server's system type only settles a tie, and is
// asked for nothing else.
TEST(ListingFormats, TheLinesChooseTheLayoutAndTheSystemTypeSettlesATie) {
    const std::vector<std::string> tie = {"-rw-r--r-- 1 u g 10 Jan 02 2020 a.txt", "PAYROLL"};
    const Read unix = ReadListing(tie, "UNIX Type: L8");
    EXPECT_EQ(unix.asked, 1);
    EXPECT_EQ(unix.format, EListingFormat::Unix);
    EXPECT_EQ(unix.broken, 1);
    const Read mvs = ReadListing(tie, "MVS is the operating system of this server. FTP Server is running on z/OS.");
    EXPECT_EQ(mvs.format, EListingFormat::MvsMember);
    EXPECT_EQ(mvs.entries, (std::vector<std::string>{Entry("file", "PAYROLL", 0, 0)}));

    // A VMS server's listing is read as VMS whatever it says about itself.
    const Read vms = ReadListing({"A.TXT;1  1/3  2-JAN-2024 08:00:01", "B.TXT;1  1/3  2-JAN-2024 08:00:01"}, "UNIX");
    EXPECT_EQ(vms.format, EListingFormat::Vms);
    EXPECT_EQ(vms.asked, 0);
    // Lines past the first ones that do not fit are counted, not fatal.
    std::vector<std::string> lines(CFtpListingReader::kSampleLines, "-rw-r--r-- 1 u g 10 Jan 02 2020 a.txt");
    lines.push_back("03-01-2024  17:30       <DIR>          a dos line");
    const Read mixed = ReadListing(lines);
    EXPECT_EQ(mixed.format, EListingFormat::Unix);
    EXPECT_EQ(mixed.broken, 1);
    EXPECT_EQ(mixed.entries.size(), CFtpListingReader::kSampleLines);

    EXPECT_EQ(ListingFormatOfSystem("215 Windows_NT"), EListingFormat::Dos);
    EXPECT_EQ(ListingFormatOfSystem("215 NETWARE Type: L8"), EListingFormat::NetWare);
    EXPECT_EQ(ListingFormatOfSystem("215 OS/400 is the remote operating system. The TCP/IP version is V7R4M0."),
              EListingFormat::Os400);
    EXPECT_EQ(ListingFormatOfSystem("215 VMS system type."), EListingFormat::Vms);
    EXPECT_EQ(ListingFormatOfSystem("215 Plan 9"), EListingFormat::Unknown);
}

// A server's listing in another layout, through a real session: the
// entries come through, broken lines are counted, and SYST is asked only
// once the listing's data has ended.
TEST(ListingFormats, AFolderListedInAnotherLayoutComesThroughItsSession) {
    test::FakeFtpServer fake([](test::FakeFtpSession& s) {
        s.Login();
        s.Expect("CWD", "250 ok");
        const uint16_t port = s.ListenForData();
        s.Expect("EPSV", "229 Entering Extended Passive Mode (|||" + std::to_string(port) + "|)");
        s.Expect("LIST", "150 Here comes the listing");
        s.AcceptData();
        s.SendData("-rw-r--r-- 1 u g 10 Jan 02 2020 a.txt\r\nPAYROLL\r\nGARBAGE LINE HERE\r\n");
        s.CloseData();
        s.Reply("226 done");
        s.Expect("SYST", "215 MVS is the operating system of this server.");
        s.WaitForClientToLeave();
    });
    CSessionOptions options;
    options.connectRetries = 1;
    CFtpSession session;
    ASSERT_TRUE(test::ConnectSession(session, "127.0.0.1", fake.GetPort(), "u", "p", options))
        << session.GetLastError();
    CFtpFind find(&session);
    ASSERT_TRUE(find.Open("/PDS/")) << find.GetLastError();
    EXPECT_EQ(session.GetListingFormat(), EListingFormat::MvsMember);
    EXPECT_EQ(session.GetBrokenLines(), 2);
    ASSERT_EQ(find.GetCount(), 1);
    find.FindNextFileW();
    EXPECT_EQ(find.GetFileName(), "PAYROLL");
    EXPECT_EQ(find.GetPath().GetPath(), "/PDS/PAYROLL");
}

}  // namespace
}  // namespace velmora
