// scheduler: the scheduling host of the job database. It owns the database
// connection and lets the library's database engine plan the due launches and
// run them, every interval or once.

#include <signal.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/format.h"
#include "cli/commands.h"
#include "cli/job_database_file.h"
#include "cli/job_report.h"
#include "db_engine/db_engine.h"
#include "messaging/listener.h"
#include "messaging/log_status.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "platform/file_lock.h"

namespace parcelo::cli {
namespace {

struct SchedulerArgs {
    std::string database;
    bool once = false;
    int interval = 60;
};

// SIGINT and SIGTERM stay blocked in every thread while the host runs and
// are taken by a thread of their own: the first asks the host to stop after
// the running job (said on standard error), a second cancels that job
// through the job's abort flag, so that it ends cleanly and is recorded.
class StopSignals {
public:
    explicit StopSignals(const CliContext& context) : m_context(context) {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGINT);
        sigaddset(&m_set, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &m_set, &m_previous);
        m_watcher = std::thread([this] { Watch(); });
    }
    ~StopSignals() {
        {
            std::lock_guard lock(m_mutex);
            m_closing = true;
        }
        pthread_kill(m_watcher.native_handle(), SIGTERM);
        m_watcher.join();
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Set by the second request during a pass: the running job stops.
    const std::atomic<bool>& CancelRequest() const { return m_cancel; }
    // Marks the time a pass runs, for what a stop request says.
    void SetRunning(bool running) {
        std::lock_guard lock(m_mutex);
        m_running = running;
    }
    // Waits up to `seconds` for a stop request; true when one came (also
    // one that came while a job ran).
    bool Wait(int seconds) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_requests > 0; });
    }

private:
    void Watch() {
        for (;;) {
            int signal = 0;
            if (sigwait(&m_set, &signal) != 0) continue;
            std::lock_guard lock(m_mutex);
            if (m_closing) return;
            ++m_requests;
            if (m_running && m_requests == 1) {
                m_context.Warn("stopping after the running job (interrupt again to cancel it)");
            } else if (m_running && m_requests == 2) {
                m_context.Warn("cancelling the running job");
                m_cancel = true;
            }
            m_changed.notify_all();
        }
    }

    const CliContext& m_context;
    std::atomic<bool> m_cancel{false};
    sigset_t m_set;
    sigset_t m_previous;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_requests = 0;
    bool m_running = false;
    bool m_closing = false;
    std::thread m_watcher;
};

// While it exists, says on standard error when a launch left running by a
// scheduler that stopped during it is taken up again.
class ResumedLaunchNotice : public velmora::CListener {
public:
    explicit ResumedLaunchNotice(const CliContext& context) : m_context(context) {
        velmora::CMsgBox::Box().Subscribe("parcelo-cli resumed launch notice", this);
    }
    ~ResumedLaunchNotice() override { velmora::CMsgBox::Box().Unsubscribe(this); }
    ResumedLaunchNotice(const ResumedLaunchNotice&) = delete;
    ResumedLaunchNotice& operator=(const ResumedLaunchNotice&) = delete;

    void OnMsg(velmora::CMsg& msg) override {
        if (msg.Cmd() != velmora::MSG_LOG_RECORD) return;
        const auto* record = dynamic_cast<const velmora::CLogStatus*>(msg.Object());
        if (record && record->GetAction() == velmora::CDBEngine::kResumedAction) m_context.Warn(record->GetText());
    }

private:
    const CliContext& m_context;
};

// One pass: plan, then run what is due. False when either step failed.
bool RunPass(CliContext& context, velmora::CDBEngine& engine) {
    // Say why a launch waits; the launches' outcome is told below.
    JobReport notices(context, std::string());
    bool ok = true;
    if (!engine.MakeOrder()) {
        context.Fail("planning the launches failed: " + engine.GetLastError());
        ok = false;
    }
    if (!engine.ExecuteOrder()) {
        std::string reason = engine.GetLastError();
        if (reason.empty()) reason = notices.FirstError();
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
    if (!database.Open(args.database, error) || !database.UseForJobs(error)) return context.Fail(error);
    context.Warn(JobDatabaseFile::AccessWarning(args.database));
    velmora::CDBEngine engine(database.get());
    engine.SetConnectionsFile(context.ConnectionsFile());
    // Passwords older versions kept in the database move into the keyring
    // when this scheduler runs where one does.
    if (!engine.MovePasswordsToKeyring()) return context.Fail("cannot read the transfer orders: " + engine.GetLastError());
    context.Warn(engine.GetNotice());
    velmora::CJobSettings settings = context.options.JobSettings();
    // Scheduled mirrors keep their record of the destination there too.
    settings.m_pRecordDatabase = database.get();
    engine.SetJobSettings(settings);
    // The lock is held: a launch still Processing belongs to a scheduler that died.
    engine.SetSoleHost(true);
    const ResumedLaunchNotice resumed(context);
    if (args.once) return RunPass(context, engine) ? kExitOk : kExitFailed;
    StopSignals stop(context);
    settings.m_pStopRequest = &stop.CancelRequest();
    engine.SetJobSettings(settings);
    for (;;) {
        stop.SetRunning(true);
        RunPass(context, engine);
        stop.SetRunning(false);
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
