// Where parcelo-cli keeps passwords: the desktop's keyring (a Secret Service
// of each test's own), the files as the fallback, or nowhere; and what it
// says when a password is missing, before any server hears of it.

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/password.h"
#include "cli/cli_runner.h"
#include "platform/clock.h"
#include "support/ftp_server.h"
#include "support/secret_service.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

// Passwords no text of the program holds by chance.
constexpr const char* kPassword = "Tr0ub4dor3x";
constexpr const char* kZipPassword = "Zq8zipPw";
constexpr const char* kNewPassword = "N3wPw77";

const std::vector<std::string> kConnectionEntries = {"application", "Parcelo", "kind", "connection"};
const std::vector<std::string> kOrderEntries = {"application", "Parcelo", "kind", "order"};

class CliKeyringTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start()) << server.GetError();
        ASSERT_EQ(RunCli({"db", "init", "--db", db}).status, 0);
    }

    // The keyring's session, for the tests that use one.
    bool StartKeyring() {
        if (keyring.Start()) return true;
        reason = keyring.GetError();
        return false;
    }

    std::string Url(const std::string& path, const std::string& password = {}) const {
        return "ftp://alice" + (password.empty() ? "" : ":" + password) + "@127.0.0.1:" +
               std::to_string(server.GetPort()) + path;
    }

    // parcelo-cli on this test's files, in the keyring's session (when it
    // runs) or in none, with `env` added.
    CliResult Run(std::vector<std::string> args, std::map<std::string, std::string> env = {}) const {
        args.insert(args.begin(), {"--connections", connections, "--log", log});
        if (!keyring.Address().empty()) env.merge(keyring.Environment());
        return RunCli(args, env);
    }
    CliResult RunOutsideSession(std::vector<std::string> args, std::map<std::string, std::string> env = {}) const {
        args.insert(args.begin(), {"--connections", connections, "--log", log});
        return RunCli(args, env);
    }

    CliResult AddDaily(const std::string& name, const std::string& from, const std::string& to,
                       std::vector<std::string> options = {}) const {
        const std::string start = platform::FormatLocalTime(platform::Now(), "%Y-%m-%d 00:00");
        std::vector<std::string> args = {"schedule", "add", "--db", db,   "--name", name, "--repeat",
                                         "daily",    "--start", start, "--from", from, "--to",     to};
        args.insert(args.end(), options.begin(), options.end());
        return Run(args);
    }

    // Whether the password shows, in clear or scrambled, in what this
    // session wrote: the connection list, the job database, the log.
    std::string WhereItShows(const std::string& password) const {
        std::string found;
        const std::string dump = RunProgram({"sqlite3", db, ".dump"}).out;
        const std::pair<std::string, std::string> files[] = {
            {"connections", ReadFile(connections)}, {"database", dump}, {"log", ReadFile(log)}};
        for (const auto& [name, text] : files) {
            if (text.find(password) != std::string::npos || text.find(StrEnc(password)) != std::string::npos)
                found += name + " ";
        }
        return found;
    }

    TempDir local;
    FtpServer server{{.password = kPassword, .commandLog = local / "commands.log"}};
    SecretServiceSession keyring;
    std::string reason;
    std::string db = local / "jobs.db";
    std::string connections = local / "FtpPropList.xml";
    std::string log = local / "parcelo.log";
};

#define START_KEYRING_OR_SKIP() \
    if (!StartKeyring()) GTEST_SKIP() << reason

TEST_F(CliKeyringTest, ASavedConnectionsPasswordIsStoredUsedChangedAndDeletedInTheKeyring) {
    START_KEYRING_OR_SKIP();
    const CliResult added = Run({"connections", "add", "work", Url("/")}, {{"PARCELO_PASSWORD", kPassword}});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.err, "");
    EXPECT_EQ(keyring.Lookup(kConnectionEntries), kPassword);
    EXPECT_NE(Run({"connections", "show", "work"}).out.find("in the desktop keyring"), std::string::npos);

    WriteFile(server.Path("pub/a.txt"), "a");
    const CliResult ls = Run({"ls", "work:/pub/"});
    EXPECT_EQ(ls.status, 0) << ls.err;
    EXPECT_NE(ls.out.find("a.txt"), std::string::npos);

    const CliResult changed = Run({"connections", "password", "work"}, {{"PARCELO_PASSWORD", kNewPassword}});
    ASSERT_EQ(changed.status, 0) << changed.err;
    EXPECT_EQ(keyring.Lookup(kConnectionEntries), kNewPassword);
    EXPECT_EQ(WhereItShows(kPassword) + WhereItShows(kNewPassword), "");

    ASSERT_EQ(Run({"connections", "remove", "work"}).status, 0);
    EXPECT_EQ(keyring.Search(kConnectionEntries), "");
}

// The acceptance check: after saving connections and schedules with a
// keyring running, no file of the session holds a password in any form.
TEST_F(CliKeyringTest, AScheduledOrderKeepsItsPasswordsInTheKeyringAndItsLaunchReadsThemBack) {
    START_KEYRING_OR_SKIP();
    WriteFile(local / "out/a.txt", "scheduled");
    ASSERT_EQ(Run({"connections", "add", "work", Url("/", kPassword)}).status, 0);
    const CliResult added = AddDaily("Nightly", local / "out", Url("/backup/", kPassword));
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.err, "");
    ASSERT_EQ(AddDaily("Zipped", local / "out", local / "zips/", {"--zip", "--zip-password", kZipPassword}).status, 0);
    EXPECT_EQ(WhereItShows(kPassword) + WhereItShows(kZipPassword), "");
    EXPECT_EQ(keyring.Lookup({"application", "Parcelo", "kind", "order", "field", "to"}), kPassword);
    EXPECT_NE(keyring.Search(kOrderEntries).find("label = Parcelo: destination password of a scheduled order (ftp://"),
              std::string::npos);

    const CliResult run = Run({"scheduler", "--db", db, "--once"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(server.Path("backup/out/a.txt")), "scheduled");
    for (const fs::directory_entry& archive : fs::directory_iterator(local / "zips"))
        EXPECT_EQ(RunProgram({"7zz", "t", "-p" + std::string(kZipPassword), archive.path().string()}).status, 0) << archive.path();
    EXPECT_EQ(WhereItShows(kPassword) + WhereItShows(kZipPassword), "");

    ASSERT_EQ(Run({"schedule", "delete", "--db", db, "--schedule", "1"}).status, 0);
    EXPECT_EQ(keyring.Lookup({"application", "Parcelo", "kind", "order", "field", "to"}), "");
    EXPECT_EQ(keyring.Lookup({"application", "Parcelo", "kind", "order", "field", "zip"}), kZipPassword);
}

TEST_F(CliKeyringTest, ScrambledPasswordsOfAnOlderFileAndDatabaseMoveIntoTheKeyring) {
    START_KEYRING_OR_SKIP();
    WriteFile(local / "out/a.txt", "moved");
    ASSERT_EQ(Run({"--password-store", "file", "connections", "add", "old", Url("/", kPassword)}).status, 0);
    ASSERT_EQ(AddDaily("Old", local / "out", Url("/backup/", kPassword), {"--password-store", "file"}).status, 0);
    EXPECT_EQ(WhereItShows(kPassword), "connections database ");

    // The next write of each file moves them.
    ASSERT_EQ(Run({"connections", "add", "other", Url("/")}, {{"PARCELO_PASSWORD", "other"}}).status, 0);
    const CliResult run = Run({"scheduler", "--db", db, "--once"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(server.Path("backup/out/a.txt")), "moved");
    EXPECT_EQ(WhereItShows(kPassword), "");
    EXPECT_EQ(keyring.Lookup({"application", "Parcelo", "kind", "order", "field", "to"}), kPassword);
    const CliResult ls = Run({"ls", "old:/"});
    EXPECT_EQ(ls.status, 0) << ls.err;
}

TEST_F(CliKeyringTest, AMissingOrLockedEntryIsSaidBeforeAnyServerIsAsked) {
    START_KEYRING_OR_SKIP();
    ASSERT_EQ(Run({"connections", "add", "work", Url("/", kPassword)}).status, 0);
    ASSERT_TRUE(keyring.Clear(kConnectionEntries));
    const CliResult missing = Run({"ls", "work:/"});
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.err.find("'work'"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("no longer has it"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("connections password work"), std::string::npos) << missing.err;
    // Another source still serves.
    EXPECT_EQ(Run({"ls", "work:/"}, {{"PARCELO_PASSWORD", server.GetPassword()}}).status, 0);

    ASSERT_EQ(Run({"connections", "password", "work"}, {{"PARCELO_PASSWORD", kPassword}}).status, 0);
    ASSERT_TRUE(keyring.Lock());
    const int before = server.Received("PASS");
    const CliResult locked = Run({"ls", "work:/"});
    EXPECT_NE(locked.status, 0);
    EXPECT_NE(locked.err.find("keyring is locked"), std::string::npos) << locked.err;
    EXPECT_EQ(locked.err.find("530"), std::string::npos) << locked.err;
    EXPECT_EQ(server.Received("PASS"), before);
    const std::string list = ReadFile(connections);
    const CliResult refused = Run({"connections", "add", "more", Url("/", kPassword)});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("keyring is locked"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFile(connections), list);
}

// A scheduler started by cron has no desktop session.
TEST_F(CliKeyringTest, ASchedulerWithoutTheSessionFailsThatLaunchByNameAndRunsTheOthers) {
    START_KEYRING_OR_SKIP();
    WriteFile(local / "out/a.txt", "local");
    ASSERT_EQ(AddDaily("Upload", local / "out", Url("/backup/", kPassword)).status, 0);
    ASSERT_EQ(AddDaily("Copy", local / "out", local / "copy/").status, 0);

    const CliResult run = RunOutsideSession({"scheduler", "--db", db, "--once"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("order 1"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("desktop session"), std::string::npos) << run.err;
    EXPECT_EQ(server.Received("PASS"), 0);
    EXPECT_EQ(ReadFile(local / "copy/out/a.txt"), "local");
    EXPECT_EQ(RunProgram({"sqlite3", db, "SELECT ID_Schedule || ' ' || StatusDescription FROM LaunchOrder ORDER BY 1"})
                  .out,
              "1 FAIL\n2 Processed\n");
    EXPECT_NE(RunProgram({"sqlite3", db, "SELECT StatusDescription FROM TransOrder WHERE ID = 1"}).out.find("keyring"),
              std::string::npos);
}

TEST_F(CliKeyringTest, WithoutAKeyringPasswordsGoToTheFilesAndTheCommandSaysWhere) {
    const CliResult added = Run({"connections", "add", "work", Url("/", kPassword)});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_NE(added.err.find("scrambled in " + connections), std::string::npos) << added.err;
    const CliResult scheduled = AddDaily("Up", local / "out", Url("/up/", kPassword));
    ASSERT_EQ(scheduled.status, 0) << scheduled.err;
    EXPECT_NE(scheduled.err.find("scrambled in the job database " + db), std::string::npos) << scheduled.err;
    EXPECT_EQ(Run({"ls", "work:/"}).status, 0);

    // Asked for by name, the keyring is not replaced by the file.
    const std::string list = ReadFile(connections);
    const CliResult required = Run({"--password-store", "keyring", "connections", "add", "more", Url("/", "pw")});
    EXPECT_EQ(required.status, 1);
    EXPECT_NE(required.err.find("Secret Service"), std::string::npos) << required.err;
    EXPECT_EQ(ReadFile(connections), list);
}

TEST_F(CliKeyringTest, WithPasswordStoreNoneEachUseAsksAndAScheduleRefusesToStart) {
    const CliResult added = Run({"--password-store", "none", "connections", "add", "work", Url("/", kPassword)});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_NE(added.err.find("not saved"), std::string::npos) << added.err;
    EXPECT_EQ(WhereItShows(kPassword), "");
    EXPECT_NE(Run({"ls", "work:/"}).status, 0);
    EXPECT_EQ(Run({"ls", "work:/"}, {{"PARCELO_PASSWORD", server.GetPassword()}}).status, 0);
    const CliResult asked = RunCliOnTerminal({"--connections", connections, "ls", "work:/"}, {}, "Password for",
                                             server.GetPassword());
    EXPECT_EQ(asked.status, 0) << asked.out;

    const CliResult scheduled = AddDaily("Up", local / "out", Url("/up/", kPassword), {"--password-store", "none"});
    EXPECT_EQ(scheduled.status, 1);
    EXPECT_NE(scheduled.err.find("nobody to ask"), std::string::npos) << scheduled.err;
    EXPECT_EQ(RunProgram({"sqlite3", db, "SELECT count(*) FROM Schedule"}).out, "0\n");
}

// A script with no password to give, where a person would have been asked.
TEST_F(CliKeyringTest, NoPasswordAndNoTerminalFailsBeforeLoggingInNamingTheSources) {
    const CliResult ls = Run({"ls", Url("/")}, {{"HOME", local.path()}});
    EXPECT_EQ(ls.status, 2) << ls.err;
    for (const char* source : {"--password-file", "$PARCELO_PASSWORD", "~/.netrc", "terminal"})
        EXPECT_NE(ls.err.find(source), std::string::npos) << source << ": " << ls.err;
    EXPECT_EQ(server.Received("USER"), 0);

    const CliResult added = Run({"connections", "add", "work", Url("/")}, {{"HOME", local.path()}});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_NE(added.err.find("saved no password for 'work'"), std::string::npos) << added.err;
    const CliResult scheduled = AddDaily("Up", local / "out", "work:/up/");
    ASSERT_EQ(scheduled.status, 0) << scheduled.err;
    EXPECT_NE(scheduled.err.find("keeps no password"), std::string::npos) << scheduled.err;
}

}  // namespace
}  // namespace velmora::test
