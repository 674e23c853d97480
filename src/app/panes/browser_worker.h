#pragma once

#include <functional>
#include <thread>

#include <QObject>

namespace parcelo {

// Runs the browser's server work off the window thread, one job at a time:
// the work runs on a thread of its own, and its result is taken afterwards
// on the window thread, so the window goes on drawing while a server keeps
// it waiting. The work and the result share what they capture; the result
// runs only after the work's thread has ended.
//
// A cancelled job's result is dropped. Its thread still ends by the
// session's time-out at the latest, and no other job starts before that,
// because they all share one session.
class CBrowserWorker : public QObject {
    Q_OBJECT

public:
    using Work = std::function<void()>;
    using Result = std::function<void()>;

    explicit CBrowserWorker(QObject* parent = nullptr);
    // Waits for the job under way (its time-out bounds the wait).
    ~CBrowserWorker() override;

    // False (and nothing started) while a job's thread still runs.
    bool Start(Work work, Result result);
    // Waits for the job under way and drops its result (for the owner's end).
    void Abandon();
    // The result of the job under way is dropped.
    void Cancel() { m_bCancelled = true; }
    // A job's thread runs (also a cancelled one's).
    bool IsRunning() const { return m_thread.joinable(); }
    // A job runs whose result is still wanted.
    bool IsWaiting() const { return IsRunning() && !m_bCancelled; }

signals:
    // A job's thread has ended and its result (unless cancelled) was taken.
    void Finished();

private:
    void OnEnded();

    std::thread m_thread;
    Result m_result;
    bool m_bCancelled = false;
};

}  // namespace parcelo
