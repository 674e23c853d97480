#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/system_info.h"
#include "platform/clock.h"
#include "platform/message_pump.h"
#include "platform/process.h"
#include "platform/system.h"
#include "support/temp_dir.h"

namespace velmora {
namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        m_had = std::getenv(name) != nullptr;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_had) setenv(m_name, m_old.c_str(), 1);
        else unsetenv(m_name);
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

int WaitForExit(int pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

OSVersionRecord NT(uint32_t major, uint32_t minor, uint32_t build, std::string sp, std::string type) {
    OSVersionRecord r;
    r.platformId = OSVersionRecord::kPlatformNT;
    r.majorVersion = major;
    r.minorVersion = minor;
    r.buildNumber = build;
    r.servicePack = std::move(sp);
    r.productType = std::move(type);
    return r;
}

OSVersionRecord Consumer(uint32_t minor, std::string sp) {
    OSVersionRecord r;
    r.platformId = OSVersionRecord::kPlatformWindows;
    r.majorVersion = 4;
    r.minorVersion = minor;
    r.servicePack = std::move(sp);
    return r;
}

TEST(OSVersion, NTLineNamesProductTypeAndBuild) {
    EXPECT_EQ(GetOSVersionText(NT(5, 1, 2600, "Service Pack 2", "WinNT")),
              "Windows XP Professional Service Pack 2 (Build 2600)");
    EXPECT_EQ(GetOSVersionText(NT(4, 0, 1381, "Service Pack 6", "LANMANNT")),
              "Windows NT  Server version 4.0 Service Pack 6 (Build 1381)");
    EXPECT_EQ(GetOSVersionText(NT(5, 0, 0x08A30893, "", "SERVERNT")),
              "Windows 2000  Advanced Server  (Build 2195)");
    EXPECT_EQ(GetOSVersionText(NT(6, 0, 6000, "", "")), "Microsoft Windows Vista (Build 6000)");
    EXPECT_EQ(GetOSVersionText(NT(5, 2, 3790, "", "")), "Windows XP Professional x64 Edition (Build 3790)");
    // Releases the table does not know still get a name.
    EXPECT_EQ(GetOSVersionText(NT(10, 0, 19045, "", "WINNT")), "Windows 10.0 Professional  (Build 19045)");
}

TEST(OSVersion, ConsumerLineAndOthers) {
    EXPECT_EQ(GetOSVersionText(Consumer(0, " C")), "Microsoft Windows 95  OSR2");
    EXPECT_EQ(GetOSVersionText(Consumer(0, "C")), "Microsoft Windows 95");
    EXPECT_EQ(GetOSVersionText(Consumer(10, " A ")), "Microsoft Windows 98  SE");
    EXPECT_EQ(GetOSVersionText(Consumer(90, "")), "Microsoft Windows Me");
    OSVersionRecord win32s;
    win32s.platformId = OSVersionRecord::kPlatformWin32s;
    EXPECT_EQ(GetOSVersionText(win32s), "Microsoft Win32s");

    OSVersionRecord gnu;
    gnu.distribution = "Debian GNU/Linux 12 (bookworm)";
    gnu.kernel = "Linux 6.1.0 x86_64";
    EXPECT_EQ(GetOSVersionText(gnu), "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0 x86_64)");
    gnu.distribution.clear();
    EXPECT_EQ(GetOSVersionText(gnu), "Linux 6.1.0 x86_64");
}

TEST(OSVersion, RunningSystemIsDescribed) {
    COSVersion version;
    ASSERT_TRUE(version.IsRead());
    EXPECT_NE(GetOSVersionText().find("Linux"), std::string::npos);
    EXPECT_EQ(version.GetOSVersionText(), GetOSVersionText());
}

TEST(SystemInfo, FoldersFollowTheEnvironment) {
    test::TempDir home;
    ScopedEnv homeEnv("HOME", home.path());
    ScopedEnv configEnv("XDG_CONFIG_HOME", home / "config");
    ScopedEnv dataEnv("XDG_DATA_HOME", home / "data");
    ScopedEnv tmpEnv("TMPDIR", home / "tmp");
    unsetenv("XDG_PICTURES_DIR");
    unsetenv("XDG_DOCUMENTS_DIR");

    EXPECT_EQ(GetAppDataPath(), home / "data");
    EXPECT_EQ(GetTempPathW(), home / "tmp/");
    EXPECT_EQ(GetMyPicturePath(), home / "Pictures");
    EXPECT_EQ(GetMyDocumentsPath(), home / "Documents");

    test::WriteFile(home / "config/user-dirs.dirs",
                    "# comment\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\nXDG_DOCUMENTS_DIR=\"/srv/docs\"\n"
                    "XDG_MUSIC_DIR=\"$HOME/Musik\"\n");
    EXPECT_EQ(GetMyPicturePath(), home / "Bilder");
    EXPECT_EQ(GetMyDocumentsPath(), "/srv/docs");
    EXPECT_EQ(GetMyPersonalPath(), "/srv/docs");
    {
        ScopedEnv pictures("XDG_PICTURES_DIR", "/media/pictures");
        EXPECT_EQ(GetMyPicturePath(), "/media/pictures");
    }
    // Relative values are not trusted.
    ScopedEnv relative("XDG_DATA_HOME", "data");
    EXPECT_EQ(GetAppDataPath(), home / ".local/share");
}

TEST(SystemInfo, SystemStrings) {
    EXPECT_FALSE(GetUserNameW().empty());
    EXPECT_FALSE(GetComputerNameW().empty());
    EXPECT_FALSE(GetCurrentDirectoryW().empty());
    EXPECT_EQ(GetSystemDrive(), "/");

    std::vector<std::string> drives{"kept"};
    GetLogicalDriveStringsW(drives, false);
    ASSERT_GE(drives.size(), 2u);
    EXPECT_EQ(drives[0], "kept");
    EXPECT_EQ(drives[1], "/");
    for (size_t i = 1; i < drives.size(); ++i) EXPECT_EQ(drives[i].back(), '/') << drives[i];
    std::vector<std::string> names;
    GetLogicalDriveStringsW(names, true);
    ASSERT_EQ(names.size(), drives.size() - 1);
    for (const auto& name : names) EXPECT_TRUE(IsExistsDirectory(name)) << name;
}

TEST(SystemInfo, ErrorTextsAndTimeStamp) {
    EXPECT_EQ(GetSystemErrorMessage(ENOENT), "No such file or directory");
    EXPECT_EQ(GetSystemErrorMessage(987654), "FormatMessage Netive Error");
    EXPECT_EQ(GetSystemErrorMessage(-1), "FormatMessage Netive Error");

    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 7;
    local.tm_hour = 14;
    local.tm_min = 5;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    int64_t seconds = 0;
    ASSERT_TRUE(platform::FromLocal(local, seconds));
    EXPECT_EQ(GetTimeStampSuffix(seconds), "_2026_03_07_14_05_09");
    EXPECT_EQ(GetTimeStampSuffix().size(), std::string("_2026_03_07_14_05_09").size());
}

TEST(SystemInfo, ExistenceTests) {
    test::TempDir dir;
    test::WriteFile(dir / "file.txt", "x");
    EXPECT_TRUE(IsExistsFile(dir / "file.txt"));
    EXPECT_FALSE(IsExistsDirectory(dir / "file.txt"));
    EXPECT_TRUE(IsExistsDirectory(dir.path()));
    EXPECT_TRUE(IsExistsDirectory(dir.path() + "/"));
    EXPECT_FALSE(IsExistsFile(dir.path()));
    EXPECT_FALSE(IsExistsFile(dir / "missing"));
    EXPECT_FALSE(IsExistsFile(""));
}

TEST(Editor, StartsTheConfiguredCommandWithTheFile) {
    test::TempDir dir;
    test::WriteFile(dir / "editor.sh", "cp \"$1\" \"$(dirname \"$0\")/seen.txt\"\n");
    test::WriteFile(dir / "note.txt", "hello");
    ScopedEnv visual("VISUAL", "  /bin/sh   " + (dir / "editor.sh") + " ");

    int pid = 0;
    ASSERT_TRUE(platform::OpenInTextEditor(dir / "note.txt", &pid));
    EXPECT_EQ(WaitForExit(pid), 0);
    EXPECT_EQ(test::ReadFile(dir / "seen.txt"), "hello");
}

TEST(Editor, FallsBackWhenTheEditorIsMissing) {
    test::TempDir dir;
    test::WriteFile(dir / "editor.sh", "echo \"$1\" > \"$(dirname \"$0\")/seen.txt\"\n");
    ScopedEnv visual("VISUAL", dir / "no-such-editor");
    ScopedEnv editor("EDITOR", "/bin/sh " + (dir / "editor.sh"));

    int pid = 0;
    ASSERT_TRUE(platform::OpenInTextEditor("a file.txt", &pid));
    EXPECT_EQ(WaitForExit(pid), 0);
    EXPECT_EQ(test::ReadFile(dir / "seen.txt"), "a file.txt\n");

    std::string error;
    EXPECT_FALSE(platform::StartProcess({dir / "no-such-program"}, nullptr, &error));
    EXPECT_NE(error.find("no-such-program"), std::string::npos);
    EXPECT_FALSE(platform::StartProcess({}, nullptr, &error));
}

TEST(Editor, StartedProgramsInheritNoOpenFiles) {
    test::TempDir dir;
    const int open = ::open(dir.path().c_str(), O_RDONLY);  // deliberately without O_CLOEXEC
    ASSERT_GE(open, 3);
    test::WriteFile(dir / "probe.sh", "if [ -e /proc/$$/fd/" + std::to_string(open) +
                                          " ]; then echo leaked; else echo closed; fi > \"$1\"\n");
    int pid = 0;
    ASSERT_TRUE(platform::StartProcess({"/bin/sh", dir / "probe.sh", dir / "result"}, &pid));
    EXPECT_EQ(WaitForExit(pid), 0);
    ::close(open);
    EXPECT_EQ(test::ReadFile(dir / "result"), "closed\n");
}

TEST(Editor, ShowInNotepadWritesIntoTheTemporaryFolderOnly) {
    test::TempDir dir;
    ScopedEnv tmp("TMPDIR", dir.path());
    ScopedEnv visual("VISUAL", "true");

    EXPECT_TRUE(ShowInNotepad("report", ""));
    EXPECT_EQ(test::ReadFile(dir / "Info.txt"), "report");
    EXPECT_TRUE(ShowInNotepad("escaped", "../../outside.txt"));
    EXPECT_EQ(test::ReadFile(dir / "outside.txt"), "escaped");
    EXPECT_TRUE(ShowInNotepad("dots", ".."));
    EXPECT_EQ(test::ReadFile(dir / "Info.txt"), "dots");

    // A link planted under the name is replaced, not written through.
    test::WriteFile(dir / "victim", "keep");
    std::filesystem::create_symlink(dir / "victim", dir / "planted.txt");
    EXPECT_TRUE(ShowInNotepad("report", "planted.txt"));
    EXPECT_EQ(test::ReadFile(dir / "victim"), "keep");
    EXPECT_EQ(test::ReadFile(dir / "planted.txt"), "report");
}

TEST(MessagePump, HookRunsOnlyOnTheInstallingThread) {
    EXPECT_TRUE(PumpMessage());
    int calls = 0;
    platform::SetMessagePumpHook([&calls] {
        ++calls;
        return false;
    });
    EXPECT_FALSE(PumpMessage());
    bool otherThread = false;
    std::thread([&otherThread] { otherThread = PumpMessage(); }).join();
    EXPECT_TRUE(otherThread);
    EXPECT_EQ(calls, 1);

    platform::SetMessagePumpHook({});
    EXPECT_TRUE(PumpMessage());
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace velmora
