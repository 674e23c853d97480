// scheduler: the scheduling host of the job database. It owns the database
// connection and lets the library's database engine plan the due launches and
// run them, every interval or once.

#include <signal.h>

#include <cerrno>
#include <ctime>
#include <memory>
#include <string>

#include "base/format.h"
#include "cli/commands.h"
#include "cli/job_database_file.h"
#include "db_engine/db_engine.h"
#include "engine/statistic.h"
#include "platform/file_lock.h"

namespace parcelo::cli {
namespace {

struct SchedulerArgs {
    std::string database;
    bool once = false;
    int interval = 60;
};

// SIGINT and SIGTERM stay blocked while the host runs, so that a job is
// never cut short: they are taken as requests to stop, looked at between
// passes and while waiting for the next one.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGINT);
        sigaddset(&m_set, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &m_set, &m_previous);
    }
    ~StopSignals() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Waits up to `seconds` for a stop request; true when one came (also
    // one that arrived while a job ran).
    bool Wait(int seconds) {
        timespec timeout{seconds, 0};
        for (;;) {
            const int signal = sigtimedwait(&m_set, nullptr, &timeout);
            if (signal > 0) return true;
            if (errno != EINTR) return false;
        }
    }

private:
    sigset_t m_set;
    sigset_t m_previous;
};

// One pass: plan, then run what is due. False when either step failed.
bool RunPass(CliContext& context, velmora::CDBEngine& engine) {
    bool ok = true;
    if (!engine.MakeOrder()) {
        context.Fail("planning the launches failed: " + engine.GetLastError());
        ok = false;
    }
    if (!engine.ExecuteOrder()) {
        std::string reason = engine.GetLastError();
        const velmora::CJobState& job = velmora::CStatistic::Job();
        if (reason.empty() && job.m_nErrors > 0) reason = job.m_strLastError;
        context.Fail("a scheduled launch failed" + (reason.empty() ? std::string() : ": " + reason));
        ok = false;
    }
    return ok;
}

int RunScheduler(CliContext& context, const SchedulerArgs& args) {
    // One scheduler per database file; a second one waits for the first to
    // end. Taken before the database is opened and kept until it is closed.
    velmora::platform::FileLock host(args.database);
    if (!host.TryLock() && host.IsHeldElsewhere()) {
        context.Report("another scheduler is running on " + args.database + "; waiting for it to end", kExitOk);
        if (!host.Lock()) return context.Fail(host.GetLastError());
    }
    JobDatabaseFile database;
    std::string error;
    if (!database.Open(args.database, error) || !database.UseWriteAheadLog(error)) return context.Fail(error);
    velmora::CDBEngine engine(database.get());
    if (args.once) return RunPass(context, engine) ? kExitOk : kExitFailed;
    StopSignals stop;
    for (;;) {
        RunPass(context, engine);
        if (stop.Wait(args.interval)) return kExitOk;
    }
}

}  // namespace

void AddSchedulerCommand(CLI::App& app, CliContext& context, CommandStatus& status) {
    auto args = std::make_shared<SchedulerArgs>();
    CLI::App* scheduler = app.add_subcommand(
        "scheduler", "Run the job database's schedules: plan the due launches and run them, every interval");
    scheduler->add_option("--db", args->database, "The job database file")->type_name("FILE")->required();
    scheduler->add_flag("--once", args->once, "One pass, then exit (status 1 when a launch failed)");
    scheduler->add_option("--interval", args->interval, "Seconds between passes (default 60)")
        ->check(CLI::Range(1, 86400));
    scheduler->callback([&context, &status, args] { status.value = RunScheduler(context, *args); });
}

}  // namespace parcelo::cli
