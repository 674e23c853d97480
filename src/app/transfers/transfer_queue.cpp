#include "app/transfers/transfer_queue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/common/window_thread.h"
#include "base/format.h"
#include "messaging/msg.h"
#include "messaging/msg_box.h"
#include "messaging/msg_commands.h"
#include "messaging/msg_send.h"
#include "messaging/progress_status.h"
#include "platform/atomic_file.h"

namespace parcelo {
namespace {

// Ends the thread before any part of the object goes: a waiting thread is
// released without running.
void Dispose(std::unique_ptr<CTransferThread>& thread) {
    thread->Abandon();
    thread->Wait();
    thread.reset();
}

void BroadcastCancel() { velmora::CMsgSend cancel(velmora::MSG_CANCEL, 1, 0, 0); }

std::string DoneText(const CRunCounts& counts) {
    std::string text = velmora::Format(counts.processed == 1 ? "%d item copied" : "%d items copied", counts.processed);
    if (counts.skipped > 0) text += velmora::Format(", %d skipped", counts.skipped);
    return text;
}

// Progress reaches a row at most this often (and at every whole percent).
constexpr qint64 kShowEveryMs = 250;
constexpr size_t kMaxStoreSize = size_t{16} << 20;

// The requests the store keeps: those between this machine and a server.
bool IsKept(const velmora::CMoverAPI& request) {
    switch (request.GetRequest()) {
        case velmora::CMoverAPI::eUploadFiles:
        case velmora::CMoverAPI::eUploadFolder:
        case velmora::CMoverAPI::eDownloadFiles:
        case velmora::CMoverAPI::eDownloadFolder: return true;
        default: return false;
    }
}

QJsonObject ToJson(const velmora::CMoverAPI& request) {
    QJsonObject entry;
    entry["request"] = static_cast<int>(request.GetRequest());
    std::string login;
    request.GetLoginInfo().WriteXMLAttr(login);
    entry["login"] = QString::fromStdString(login);
    std::string transform;
    request.GetTransform().WriteXMLAttr(transform);
    entry["transform"] = QString::fromStdString(transform);
    QJsonArray paths;
    for (const velmora::CFtpPath* path : request.GetPathList()) {
        paths.append(QJsonObject{{"path", QString::fromStdString(path->GetPath())},
                                 {"folder", path->IsDirectory()},
                                 {"size", static_cast<qint64>(path->Length())}});
    }
    entry["paths"] = paths;
    entry["folder"] = QString::fromStdString(request.GetSrcFolder().GetPath());
    entry["destination"] = QString::fromStdString(request.GetDestination().GetPath());
    return entry;
}

velmora::CFtpPath FolderPath(const QJsonValue& text) {
    velmora::CFtpPath folder(text.toString().toStdString(), velmora::PATH_FOLDER);
    folder.AddAttr(velmora::platform::FileAttrDirectory);
    return folder;
}

// The request again (with `login` instead of the stored one when given);
// false for what the store does not keep.
bool FromJson(const QJsonObject& entry, velmora::CMoverAPI& request, const velmora::CFtpLoginInfo* given = nullptr) {
    velmora::CFtpLoginInfo login;
    if (given != nullptr) {
        login = *given;
    } else {
        login.ReadXMLAttr(entry["login"].toString().toStdString());
    }
    velmora::CTansform transform;
    transform.ReadXMLAttr(entry["transform"].toString().toStdString());
    velmora::CFtpPathList paths;
    for (const QJsonValue& value : entry["paths"].toArray()) {
        const QJsonObject item = value.toObject();
        auto* path = new velmora::CFtpPath(item["path"].toString().toStdString());
        if (item["folder"].toBool()) path->AddAttr(velmora::platform::FileAttrDirectory);
        path->Length(static_cast<uint64_t>(std::max<qint64>(item["size"].toInteger(), 0)));
        paths.Add(path);
    }
    const velmora::CFtpPath destination(entry["destination"].toString().toStdString(), velmora::PATH_FOLDER);
    switch (entry["request"].toInt()) {
        case velmora::CMoverAPI::eUploadFiles: request.UploadFilesA(login, paths, destination); break;
        case velmora::CMoverAPI::eUploadFolder: request.UploadFolderA(login, FolderPath(entry["folder"]), destination); break;
        case velmora::CMoverAPI::eDownloadFiles: request.DownloadFilesA(login, paths, destination); break;
        case velmora::CMoverAPI::eDownloadFolder:
            request.DownloadFolderA(login, FolderPath(entry["folder"]), destination);
            break;
        default: return false;
    }
    request.SetTransform(transform);
    return !login.GetHost().empty();
}

}  // namespace

CTransferQueue::CTransferQueue(QObject* parent) : QObject(parent) {
    velmora::CMsgBox::Box().Subscribe(kListenerName, this);
}

CTransferQueue::~CTransferQueue() {
    Shutdown();
    velmora::CMsgBox::Box().Unsubscribe(this);
}

void CTransferQueue::OnMsg(velmora::CMsg& msg) {
    if (msg.Cmd() == velmora::MSG_CANCEL && msg.Argc() == 1) m_bCancelHeard = true;
    // Both units carry the run's counters: within one long file only the
    // file's progress moves them on.
    const bool progress = msg.Cmd() == velmora::MSG_PROGRESS && (msg.Unit() == velmora::PROGRESS_UNIT_FILES ||
                                                                 msg.Unit() == velmora::PROGRESS_UNIT_FILE_BYTES);
    if (progress && IsWindowThread(this)) OnProgress(msg);
}

// The job's bytes so far against its total, over the time it has run.
void CTransferQueue::OnProgress(const velmora::CMsg& msg) {
    if (m_running.id == 0 || msg.SubCmd() != velmora::MSG_PROGRESS_POS) return;
    velmora::CProgressStatus status;
    status.Copy(msg);
    const int64_t total = status.TotalBytes();
    const int64_t done = status.ProcessedBytes();
    const int percent = total > 0 ? static_cast<int>(std::min<int64_t>(done * 100 / total, 100)) : -1;
    const qint64 elapsed = m_runClock.elapsed();
    const CTransferEntry* entry = m_model.Find(m_running.id);
    if (entry == nullptr || (percent == entry->percent && elapsed - m_nLastShown < kShowEveryMs)) return;
    m_nLastShown = elapsed;
    m_model.Update(m_running.id, [&](CTransferEntry& running) {
        running.processed = done;
        running.percent = percent;
        running.bytesPerSecond = elapsed > 0 ? static_cast<double>(done) * 1000.0 / static_cast<double>(elapsed) : 0;
        running.secondsLeft = running.bytesPerSecond > 0 && total > done
                                  ? static_cast<int64_t>(static_cast<double>(total - done) / running.bytesPerSecond)
                                  : -1;
        if (total > 0) running.size = total;
    });
}

void CTransferQueue::Shutdown() {
    // What was unfinished is kept as it was, for the next start.
    if (!m_bShutDown) Save();
    m_bShutDown = true;
    for (CPending& pending : m_waiting) Dispose(pending.thread);
    m_waiting.clear();
    if (m_running.thread) {
        BroadcastCancel();
        Dispose(m_running.thread);
        m_running.id = 0;
    }
}

int CTransferQueue::Submit(std::unique_ptr<CTransferThread> thread) {
    if (!thread || m_bShutDown) return 0;
    CTransferEntry entry;
    entry.id = ++m_nLastId;
    entry.request = thread->GetApi();
    CTransferListModel::Describe(entry);
    m_model.Add(std::move(entry));
    Enqueue(m_nLastId, std::move(thread));
    Changed();
    return m_nLastId;
}

int CTransferQueue::Restore() {
    std::string text;
    if (m_strStore.empty() || !velmora::platform::ReadWholeFile(m_strStore, text, nullptr, kMaxStoreSize)) return 0;
    int restored = 0;
    for (const QJsonValue& value : QJsonDocument::fromJson(QByteArray::fromStdString(text))["entries"].toArray()) {
        CTransferEntry entry;
        if (!FromJson(value.toObject(), entry.request)) continue;
        entry.id = ++m_nLastId;
        CTransferListModel::Describe(entry);
        entry.result = "Not finished when the program ended: Start continues it";
        entry.loginToReady = true;
        m_model.Add(std::move(entry));
        ++restored;
    }
    return restored;
}

bool CTransferQueue::Save() const {
    if (m_strStore.empty()) return false;
    QJsonArray entries;
    for (int row = 0; row < m_model.rowCount(); ++row) {
        const CTransferEntry& entry = m_model.At(row);
        if (entry.IsUnfinished() && IsKept(entry.request)) entries.append(ToJson(entry.request));
    }
    const QByteArray text = QJsonDocument(QJsonObject{{"entries", entries}}).toJson();
    return velmora::platform::WriteFileReplacing(m_strStore, text.toStdString(), nullptr, true);
}

void CTransferQueue::Changed() {
    if (!m_bShutDown) Save();
}

bool CTransferQueue::IsQueued(int id) const {
    if (id != 0 && id == m_running.id) return true;
    return std::any_of(m_waiting.begin(), m_waiting.end(), [id](const CPending& pending) { return pending.id == id; });
}

bool CTransferQueue::Pause(int id) {
    const CTransferEntry* entry = m_model.Find(id);
    if (entry == nullptr || entry->IsOver() || entry->state == CTransferEntry::Paused) return false;
    if (id == m_running.id) {
        // Stops only this run; its end is a pause, not a cancel.
        m_bPausing = true;
        m_running.thread->GetApi().Cancel();
        return true;
    }
    for (auto at = m_waiting.begin(); at != m_waiting.end(); ++at) {
        if (at->id != id) continue;
        Dispose(at->thread);
        m_waiting.erase(at);
        emit WaitingCountChanged(GetWaitingCount());
        break;
    }
    SetState(id, CTransferEntry::Paused, "Paused");
    Changed();
    return true;
}

bool CTransferQueue::Start(int id) {
    const CTransferEntry* entry = m_model.Find(id);
    if (m_bShutDown || entry == nullptr || IsQueued(id)) return false;
    if (entry->state != CTransferEntry::Waiting && entry->state != CTransferEntry::Paused) return false;
    if (entry->loginToReady && !ReadyLogin(id)) return false;
    Requeue(id, true);
    return true;
}

int CTransferQueue::StartAll() {
    std::vector<int> ids;
    for (int row = 0; row < m_model.rowCount(); ++row) {
        const CTransferEntry& entry = m_model.At(row);
        if (entry.state == CTransferEntry::Waiting && !IsQueued(entry.id)) ids.push_back(entry.id);
    }
    for (int id : ids) Start(id);
    return static_cast<int>(ids.size());
}

// The store keeps no password that rests in the keyring or is not saved:
// the login of an entry brought back gets it now, once.
bool CTransferQueue::ReadyLogin(int id) {
    velmora::CFtpLoginInfo login = m_model.Find(id)->request.GetLoginInfo();
    if (m_loginReady && !m_loginReady(login)) return false;
    return m_model.Update(id, [&login](CTransferEntry& entry) {
        velmora::CMoverAPI request;
        if (!FromJson(ToJson(entry.request), request, &login)) return;
        entry.request = request;
        entry.loginToReady = false;
    });
}

void CTransferQueue::Requeue(int id, bool continuing) {
    auto thread = std::make_unique<CTransferThread>();
    thread->GetApi() = m_model.Find(id)->request;
    thread->GetApi().Clear();
    thread->GetApi().SetContinue(continuing);
    SetState(id, CTransferEntry::Waiting);
    Enqueue(id, std::move(thread));
    Changed();
}

// The list's order is the order of running: the waiting line follows it.
bool CTransferQueue::Move(int id, int step) {
    if (!m_model.Move(id, step)) return false;
    std::stable_sort(m_waiting.begin(), m_waiting.end(), [this](const CPending& a, const CPending& b) {
        return m_model.RowOf(a.id) < m_model.RowOf(b.id);
    });
    Changed();
    return true;
}

void CTransferQueue::Enqueue(int id, std::unique_ptr<CTransferThread> thread) {
    // The end is told on the transfer thread; the queue acts on its own.
    thread->Start([this] { PostToWindowThread(this, [this] { ReapFinished(); }); });
    m_waiting.push_back({id, std::move(thread)});
    if (IsBusy()) {
        emit WaitingCountChanged(GetWaitingCount());
        return;
    }
    StartNext();
}

bool CTransferQueue::Cancel(int id) {
    if (id != 0 && id == m_running.id) {
        BroadcastCancel();
        return true;
    }
    for (auto at = m_waiting.begin(); at != m_waiting.end(); ++at) {
        if (at->id != id) continue;
        Dispose(at->thread);
        m_waiting.erase(at);
        SetState(id, CTransferEntry::Cancelled, "Cancelled before it started");
        emit WaitingCountChanged(GetWaitingCount());
        emit EntryEnded(id);
        Changed();
        return true;
    }
    // Paused, or brought back and not started: it ends here.
    const CTransferEntry* entry = m_model.Find(id);
    if (entry == nullptr || entry->IsOver()) return false;
    SetState(id, CTransferEntry::Cancelled, "Cancelled");
    emit EntryEnded(id);
    Changed();
    return true;
}

bool CTransferQueue::Remove(int id) {
    const CTransferEntry* entry = m_model.Find(id);
    if (entry == nullptr || id == m_running.id) return false;
    if (!entry->IsOver()) Cancel(id);
    m_model.Remove(id);
    Changed();
    return true;
}

bool CTransferQueue::Retry(int id) {
    const CTransferEntry* entry = m_model.Find(id);
    if (m_bShutDown || entry == nullptr || !entry->IsOver() || entry->request.GetRequest() == velmora::CMoverAPI::eNone) {
        return false;
    }
    Requeue(id, false);
    return true;
}

void CTransferQueue::CancelRunning() {
    if (IsBusy()) BroadcastCancel();
}

void CTransferQueue::CancelWaiting() {
    while (!m_waiting.empty()) Cancel(m_waiting.front().id);
}

void CTransferQueue::CancelAll() {
    CancelWaiting();
    CancelRunning();
}

void CTransferQueue::ReapFinished() {
    if (!m_running.thread || !m_running.thread->IsFinished()) return;
    const velmora::CMoverAPI& api = m_running.thread->GetApi();
    const long errors = api.GetErrorNumber();
    const std::string lastError = api.GetStrError();
    emit JobEnded(errors, lastError, m_running.thread->GetCounts());
    const int id = m_running.id;
    Conclude(id, errors, lastError);
    Dispose(m_running.thread);
    m_running.id = 0;
    emit EntryEnded(id);
    StartNext();
    Changed();
    emit TransferEnded(!IsBusy());
}

void CTransferQueue::Conclude(int id, long errors, const std::string& lastError) {
    const CRunCounts& counts = m_running.thread->GetCounts();
    const bool pausing = std::exchange(m_bPausing, false);
    m_model.Update(id, [&](CTransferEntry& entry) {
        if (counts.totalBytes > 0) entry.size = counts.totalBytes;
        if (pausing && (counts.aborted || errors > 0)) {
            entry.state = CTransferEntry::Paused;
            entry.result = "Paused";
        } else if (m_bCancelHeard || counts.aborted) {
            entry.state = CTransferEntry::Cancelled;
            entry.result = "Cancelled";
        } else if (errors > 0) {
            entry.state = CTransferEntry::Failed;
            entry.result = velmora::Format(errors == 1 ? "%ld error: %s" : "%ld errors: %s", errors, lastError.c_str());
        } else {
            entry.state = CTransferEntry::Done;
            entry.result = DoneText(counts);
        }
    });
}

void CTransferQueue::SetState(int id, CTransferEntry::EState state, const std::string& result) {
    m_model.Update(id, [&](CTransferEntry& entry) {
        entry.state = state;
        entry.result = result;
    });
}

void CTransferQueue::StartNext() {
    if (IsBusy() || m_waiting.empty()) return;
    m_running = std::move(m_waiting.front());
    m_waiting.pop_front();
    m_bCancelHeard = false;
    m_bPausing = false;
    m_runClock.start();
    m_nLastShown = -1;
    SetState(m_running.id, CTransferEntry::Running);
    emit JobStarted(m_running.id);
    m_running.thread->SetEvent();
    emit WaitingCountChanged(GetWaitingCount());
}

}  // namespace parcelo
