#include "app/transfers/progress_bar_dlg.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "app/common/app_settings.h"
#include "app/common/image_button.h"
#include "base/format.h"
#include "base/size_format.h"
#include "messaging/log_status.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "messaging/progress_status.h"

namespace parcelo {
namespace {

using namespace velmora;

QLabel* AddLine(QVBoxLayout* layout, const char* name) {
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    layout->addWidget(label);
    return label;
}

QProgressBar* AddBar(QVBoxLayout* layout, int id) {
    auto* bar = new QProgressBar;
    bar->setObjectName(QString::number(id));
    bar->setTextVisible(false);
    bar->hide();
    layout->addWidget(bar);
    return bar;
}

// The counters of a progress message, whatever class it was sent as.
CProgressStatus StatusOf(const CMsg& msg) {
    CProgressStatus status;
    status.Copy(msg);
    return status;
}

std::string CaptionOf(const CProgressStatus& status) {
    const int items = static_cast<int>(status.TotalItems());
    const std::string size = FormatSize(static_cast<uint64_t>(std::max<int64_t>(status.TotalBytes(), 0)));
    return Format(items == 1 ? "Copying %d item (%s)" : "Copying %d items (%s)", items, size.c_str());
}

// The file's line says what its bar shows: a continued file counts the
// part it had from before, as its bar does.
std::string DetailOf(const CProgressStatus& status, const CBarState& file) {
    const int64_t span = std::max<int64_t>(file.upper - file.lower, 1);
    const int64_t done = std::clamp<int64_t>(file.pos - file.lower, 0, span);
    const int percent = static_cast<int>(static_cast<__int128>(done) * 100 / span);
    return Format(" %2d%% (%s) - %s", percent, FormatSize(static_cast<uint64_t>(done)).c_str(),
                  status.GetStrTimeRemaining().c_str());
}

}  // namespace

CProgressBarDlg::CProgressBarDlg(CAppSettings& settings, QWidget* parent)
    : QDialog(parent), m_pRefresh(new CQueuedRefresh(this, [this] { Refresh(); })) {
    auto* layout = new QVBoxLayout(this);
    m_pCaption = AddLine(layout, "caption");
    m_pOverallBar = AddBar(layout, kOverallBarId);
    m_pCurFile = AddLine(layout, "curFile");
    m_pFileBar = AddBar(layout, kFileBarId);
    m_pStatus = AddLine(layout, "status");

    auto* bottom = new QHBoxLayout;
    m_pWaiting = new QLabel;
    m_pWaiting->setObjectName("waiting");
    bottom->addWidget(m_pWaiting, 1);
    m_pStop = new CImageButton;
    m_pStop->setObjectName(QString::number(kStopId));
    m_pStop->SetImages(settings.GetStopImage(), settings.GetStopHImage(), tr("Stop"));
    bottom->addWidget(m_pStop);
    layout->addLayout(bottom);

    connect(m_pStop, &QToolButton::clicked, this, &CProgressBarDlg::OnStop);
    CMsgBox::Box().Subscribe(kListenerName, this);
}

CProgressBarDlg::~CProgressBarDlg() { CMsgBox::Box().Unsubscribe(this); }

void CProgressBarDlg::OnMsg(CMsg& msg) {
    switch (msg.Cmd()) {
        case MSG_RUN_START: {
            // A new job: nothing of the last one stays on the panel.
            std::lock_guard<std::mutex> lock(m_mutex);
            const int waiting = m_state.waiting;
            m_state = State();
            m_state.waiting = waiting;
            m_state.running = true;
            break;
        }
        case MSG_RUN_END: {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_state.running = false;
            break;
        }
        case MSG_CANCEL: {
            // A Stop pressed here or on the tray; remembered for the run's
            // next cancel query.
            std::lock_guard<std::mutex> lock(m_mutex);
            if (msg.Argc() == 1 && m_state.running) m_state.cancelRequested = true;
            return;
        }
        case MSG_PROGRESS_CHECK_CANCEL:
            AnswerCancelQuery(msg);
            return;
        case MSG_PROGRESS:
            OnProgress(msg);
            break;
        case MSG_LOG_RECORD:
            OnLogRecord(msg);
            return;
        default:
            return;
    }
    m_pRefresh->Request();
}

void CProgressBarDlg::OnLogRecord(const CMsg& msg) {
    const auto* record = dynamic_cast<const CLogStatus*>(msg.Object());
    if (record == nullptr || record->GetKind() != LOG_ERROR) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state.running && m_state.firstError.empty()) m_state.firstError = record->GetText();
}

void CProgressBarDlg::ShowOutcome(long errors, const std::string& lastError, const CRunCounts& counts) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        State& state = m_state;
        state.running = false;
        state.barsShown = false;
        state.curFile.clear();
        state.status.clear();
        if (state.cancelRequested) {
            state.caption = kCancelledText;
        } else if (errors > 0) {
            state.caption = FailedText(errors);
            state.status = state.firstError.empty() ? lastError : state.firstError;
        } else {
            state.caption = DoneText(counts.processed, counts.processedBytes, counts.skipped);
        }
    }
    m_pRefresh->Request();
}

std::string CProgressBarDlg::DoneText(int64_t items, int64_t bytes, int64_t skipped) {
    const std::string size = FormatSize(static_cast<uint64_t>(std::max<int64_t>(bytes, 0)));
    std::string text = Format(items == 1 ? "Done: %d item copied (%s)" : "Done: %d items copied (%s)",
                              static_cast<int>(items), size.c_str());
    if (skipped > 0) text += Format(", %d skipped", static_cast<int>(skipped));
    return text;
}

std::string CProgressBarDlg::FailedText(long errors) {
    return Format(errors == 1 ? "Failed: %ld error" : "Failed: %ld errors", errors);
}

void CProgressBarDlg::TakeCounters(const CMsg& msg, int64_t itemPos) {
    const CProgressStatus status = StatusOf(msg);
    m_state.totalItems = status.TotalItems();
    m_state.totalBytes = status.TotalBytes();
    m_state.processedBytes = status.ProcessedBytes();
    if (!m_state.overall.FollowBytes(status) && itemPos >= 0) m_state.overall.pos = itemPos;
}

// Asked as a progress message or, by the FTP session, on its own. Only ever
// answers yes: a no must not undo another listener's yes.
void CProgressBarDlg::AnswerCancelQuery(CMsg& msg) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state.cancelRequested) msg.Result(1);
}

void CProgressBarDlg::OnProgress(CMsg& msg) {
    if (msg.SubCmd() == MSG_PROGRESS_CHECK_CANCEL) {
        AnswerCancelQuery(msg);
        return;
    }
    if (msg.Unit() == PROGRESS_UNIT_FILES) OnOverallProgress(msg);
    if (msg.Unit() == PROGRESS_UNIT_FILE_BYTES) OnFileProgress(msg);
}

void CProgressBarDlg::OnOverallProgress(const CMsg& msg) {
    const CProgressStatus status = StatusOf(msg);
    std::lock_guard<std::mutex> lock(m_mutex);
    switch (msg.SubCmd()) {
        case MSG_PROGRESS_START:
            m_state.barsShown = true;
            break;
        case MSG_PROGRESS_FINISH:
            m_state.barsShown = false;
            m_state.overall.pos = m_state.overall.lower;
            m_state.file.pos = m_state.file.lower;
            break;
        case MSG_PROGRESS_CAPTION:
            m_state.caption = status.GetCaptionText();
            break;
        case MSG_PROGRESS_POS:
            TakeCounters(msg, msg.LLArgc());
            m_state.caption = CaptionOf(status);
            m_state.curFile = status.CurFile();
            break;
        case MSG_PROGRESS_RANGE:
            // Counted in items only while the run has no bytes to count.
            if (m_state.totalBytes > 0) break;
            m_state.overall.lower = msg.LLArgc();
            m_state.overall.upper = msg.LLArgv();
            break;
        default:
            break;
    }
}

void CProgressBarDlg::OnFileProgress(const CMsg& msg) {
    const CProgressStatus status = StatusOf(msg);
    std::lock_guard<std::mutex> lock(m_mutex);
    switch (msg.SubCmd()) {
        case MSG_PROGRESS_START:
            m_state.file.pos = m_state.file.lower;
            break;
        case MSG_PROGRESS_FINISH:
            m_state.file.pos = m_state.file.upper;
            break;
        case MSG_PROGRESS_POS:
            m_state.file.pos = msg.LLArgc();
            m_state.status = DetailOf(status, m_state.file);
            TakeCounters(msg, -1);
            break;
        case MSG_PROGRESS_RANGE:
            m_state.file.lower = msg.LLArgc();
            m_state.file.upper = msg.LLArgv();
            break;
        default:
            break;
    }
}

void CProgressBarDlg::SetWaitingCount(int count) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state.waiting = count;
    }
    m_pRefresh->Request();
}

void CProgressBarDlg::OnStop() {
    if (IsRunning()) {
        CMsgSend cancel(MSG_CANCEL, 1, 0, 0);
        return;
    }
    done(1);
}

bool CProgressBarDlg::IsRunning() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state.running;
}

std::string CProgressBarDlg::GetCaptionText() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state.caption;
}

std::string CProgressBarDlg::GetCurFileText() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state.curFile;
}

std::string CProgressBarDlg::GetStatusText() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state.status;
}

int CProgressBarDlg::GetWaitingCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state.waiting;
}

std::string CProgressBarDlg::WaitingText(int count) {
    if (count <= 0) return {};
    return Format(count == 1 ? "%d transfer waiting" : "%d transfers waiting", count);
}

void CProgressBarDlg::Refresh() {
    State state;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        state = m_state;
    }
    ApplyText(m_pCaption, state.caption);
    ApplyText(m_pCurFile, state.curFile);
    ApplyText(m_pStatus, state.status);
    ApplyText(m_pWaiting, WaitingText(state.waiting));
    ApplyBar(m_pOverallBar, state.overall, state.barsShown);
    ApplyBar(m_pFileBar, state.file, state.barsShown);
}

void CProgressBarDlg::ApplyText(QLabel* label, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (label->text() != value) label->setText(value);
}

void CProgressBarDlg::ApplyBar(QProgressBar* bar, const CBarState& state, bool shown) {
    state.Apply(bar);
    if (bar->isVisibleTo(bar->parentWidget()) != shown) bar->setVisible(shown);
}

}  // namespace parcelo
