#include "app/panes/sync_preview.h"

#include <utility>

#include <QProgressDialog>
#include <QWidget>

#include "app/transfers/log_pane.h"
#include "app/transfers/transfer_thread.h"
#include "base/format.h"
#include "engine/mirror.h"
#include "engine/mover_api.h"
#include "messaging/log_status.h"

namespace parcelo {

velmora::CTansform MirrorTransform(bool deleteExtra, bool dryRun, bool anyNumber) {
    velmora::CTansform transform;
    transform.SetSync();
    transform.SetSyncDelete(deleteExtra);
    if (anyNumber) transform.SetMaxDelete(velmora::CTansform::kDeleteAny);
    transform.SetDryRun(dryRun);
    return transform;
}

void CSyncPair::Record(velmora::CMoverAPI& api, const velmora::CFtpLoginInfo& info) const {
    if (direction == eToServer) {
        api.UploadFolderA(info, local, remote);
    } else {
        api.DownloadFolderA(info, remote, local);
    }
}

// Shared by the run's thread and the window thread; the window thread reads
// what the thread wrote only after the thread has ended.
struct CSyncPreview::CRun {
    velmora::CMoverAPI api;
    // What the progress window says.
    std::string text;
    CActions found;
    std::string error;
    Done done;
    bool launched = false;
};

CSyncPreview::CSyncPreview(QWidget* window) : m_pWindow(window) {
    connect(&m_worker, &CBrowserWorker::Finished, this, &CSyncPreview::Launch);
}

CSyncPreview::~CSyncPreview() {
    if (m_pRun) m_pRun->api.Cancel();
    m_pRun.reset();
    m_worker.Abandon();
}

void CSyncPreview::Start(const velmora::CFtpLoginInfo& info, const CSyncPair& pair, Done done) {
    Cancel();
    m_pRun = std::make_shared<CRun>();
    m_pRun->done = std::move(done);
    m_pRun->api.SetTransform(MirrorTransform(true, true));
    m_pRun->api.SetJobSettings(CTransferThread::GetJobDefaults());
    pair.Record(m_pRun->api, info);
    m_pRun->text = velmora::Format("Comparing '%s' with '%s'...", pair.Source().GetPath().c_str(),
                                   pair.Destination().GetPath().c_str());
    ShowProgress(m_pRun->text);
    Launch();
}

void CSyncPreview::Launch() {
    const std::shared_ptr<CRun> run = m_pRun;
    if (!run || run->launched || m_worker.IsRunning()) return;
    run->launched = true;
    m_worker.Start(
        [run] {
            velmora::CMirrorActionListener listener([&run](const std::string& action, const std::string& path) {
                if (action == velmora::CMirror::kRefusedAction) {
                    run->found.deleteRefusal = path;
                    return;
                }
                run->found.lines.push_back(action + " " + path);
                run->found.deletions += action == "-";
            });
            const bool done = run->api.DoCopy();
            // Deletions held back are the user's to decide, not a failed comparison.
            const bool refused = !run->found.deleteRefusal.empty();
            if ((done || refused) && run->api.GetErrorNumber() == (refused ? 1 : 0)) return;
            run->error = run->api.GetStrError().empty() ? std::string(kNotCompared) : run->api.GetStrError();
        },
        [this, run] { Finish(run); });
}

// Only the wanted run's result comes here: a cancel drops the result.
void CSyncPreview::Finish(const std::shared_ptr<CRun>& run) {
    m_pRun.reset();
    HideProgress();
    run->done(run->error, run->found);
}

void CSyncPreview::Cancel() {
    if (!m_pRun) return;
    m_pRun->api.Cancel();
    // Not launched yet: the thread under way is an earlier, cancelled one.
    if (m_pRun->launched) m_worker.Cancel();
    LogAppEvent(velmora::LOG_STATUS, "Ftp", "Cancelled:", m_pRun->text);
    m_pRun.reset();
    HideProgress();
}

QProgressDialog* CSyncPreview::GetProgress() const { return m_pProgress; }

void CSyncPreview::ShowProgress(const std::string& text) {
    HideProgress();
    m_pProgress = new QProgressDialog(QString::fromStdString(text), "Cancel", 0, 0, m_pWindow);
    m_pProgress->setWindowTitle("Synchronise");
    m_pProgress->setWindowModality(Qt::WindowModal);
    m_pProgress->setAutoClose(false);
    m_pProgress->setAutoReset(false);
    // Also the window's close button and Escape.
    connect(m_pProgress, &QProgressDialog::canceled, this, &CSyncPreview::Cancel);
    m_pProgress->show();
}

void CSyncPreview::HideProgress() {
    if (!m_pProgress) return;
    QProgressDialog* progress = m_pProgress;
    m_pProgress = nullptr;
    progress->disconnect(this);
    progress->hide();
    // Not at once: this may run inside the window's own signal.
    progress->deleteLater();
}

}  // namespace parcelo
