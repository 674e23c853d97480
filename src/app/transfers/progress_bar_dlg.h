#pragma once

#include <mutex>
#include <string>

#include <QDialog>

#include "app/common/bar_scale.h"
#include "app/common/queued_refresh.h"
#include "app/transfers/transfer_thread.h"
#include "messaging/listener.h"

class QLabel;
class QProgressBar;

namespace velmora {
class CMsg;
}

namespace parcelo {

class CAppSettings;
class CImageButton;

// The progress of the running transfer: an overall bar and a per-file bar,
// three text lines (caption or item count, current file, per-file detail),
// the number of transfers waiting, and Stop.
//
// It hears the message box on whatever thread sends: OnMsg only stores the
// new state under a lock and asks the window's thread to refresh, which
// updates just the lines and bars that changed.
//
// Each run starts from a clean panel; the overall bar follows the run's
// bytes (so a one-file job moves it too); once the job has ended, the panel
// says how it ended: done, cancelled, or failed with its error count and
// first error.
class CProgressBarDlg : public QDialog, public velmora::CListener {
    Q_OBJECT

public:
    static constexpr const char* kListenerName = "CProgressBarDlg";
    static constexpr int kOverallBarId = 1014;
    static constexpr int kFileBarId = 1011;
    static constexpr int kStopId = 1015;

    // Loads the Stop images and subscribes to the message box.
    explicit CProgressBarDlg(CAppSettings& settings, QWidget* parent = nullptr);
    ~CProgressBarDlg() override;

    void OnMsg(velmora::CMsg& msg) override;

    // The stored state (the widgets follow it after the next refresh).
    bool IsRunning() const;
    std::string GetCaptionText() const;
    std::string GetCurFileText() const;
    std::string GetStatusText() const;
    int GetWaitingCount() const;

    // The final lines of a job: what it copied (and skipped), not what it planned.
    static std::string DoneText(int64_t items, int64_t bytes, int64_t skipped = 0);
    static constexpr const char* kCancelledText = "Cancelled";
    static std::string FailedText(long errors);

public slots:
    // The job that ran has ended with that many errors (`lastError`: the
    // engine's latest, used when no error was heard during the run), having
    // copied and skipped what `counts` says.
    void ShowOutcome(long errors, const std::string& lastError, const CRunCounts& counts);
    // The number of transfers waiting behind the running one.
    void SetWaitingCount(int count);
    // During a run asks the transfer to stop; otherwise closes the window.
    void OnStop();

private:
    struct State {
        bool running = false;
        bool cancelRequested = false;
        bool barsShown = false;
        std::string caption;
        std::string curFile;
        std::string status;
        int waiting = 0;
        int64_t totalItems = 0;
        int64_t totalBytes = 0;
        int64_t processedBytes = 0;
        std::string firstError;
        CBarState overall;
        CBarState file;
    };

    void AnswerCancelQuery(velmora::CMsg& msg);
    void OnProgress(velmora::CMsg& msg);
    void OnOverallProgress(const velmora::CMsg& msg);
    void OnFileProgress(const velmora::CMsg& msg);
    // The run's counters; the overall bar follows its bytes when it has any.
    void TakeCounters(const velmora::CMsg& msg, int64_t itemPos);
    void OnLogRecord(const velmora::CMsg& msg);
    void Refresh();
    static void ApplyBar(QProgressBar* bar, const CBarState& state, bool shown);
    static void ApplyText(QLabel* label, const std::string& text);
    static std::string WaitingText(int count);

    mutable std::mutex m_mutex;
    State m_state;
    CQueuedRefresh* m_pRefresh;

    QLabel* m_pCaption;
    QLabel* m_pCurFile;
    QLabel* m_pStatus;
    QLabel* m_pWaiting;
    QProgressBar* m_pOverallBar;
    QProgressBar* m_pFileBar;
    CImageButton* m_pStop;
};

}  // namespace parcelo
