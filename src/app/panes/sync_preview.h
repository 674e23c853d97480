#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>

#include "app/panes/browser_worker.h"
#include "ftp/login_info.h"
#include "paths/file_path.h"
#include "tasks/tansform.h"

class QProgressDialog;
class QWidget;

namespace velmora {
class CMoverAPI;
}

namespace parcelo {

// A mirror of one folder onto another; `dryRun` only reports; `anyNumber`
// deletes whatever the number.
velmora::CTansform MirrorTransform(bool deleteExtra, bool dryRun, bool anyNumber = false);

// The folders a synchronisation pairs, a local one and a server one, and
// which way it goes: the destination becomes a copy of the source's
// contents.
struct CSyncPair {
    enum EDirection { eToServer, eFromServer };

    EDirection direction = eToServer;
    velmora::CFtpPath local;
    velmora::CFtpPath remote;

    const velmora::CFtpPath& Source() const { return direction == eToServer ? local : remote; }
    const velmora::CFtpPath& Destination() const { return direction == eToServer ? remote : local; }
    // Records the copy from source to destination on the server of `info`.
    void Record(velmora::CMoverAPI& api, const velmora::CFtpLoginInfo& info) const;
};

// The comparison a synchronisation starts with: a dry run of the mirror,
// deleting included, on a thread of its own. Meanwhile a progress window,
// modal to the window it belongs to, keeps that window drawing and offers
// Cancel, which stops the dry run (that run only, through its api) and
// drops its result at once. The run's thread ends soon after by itself (a
// server that keeps a reply waiting holds it up to the session's
// time-out); a comparison started meanwhile begins when it has ended.
class CSyncPreview : public QObject {
    Q_OBJECT

public:
    // What the comparison found: one line per action ("+ a.txt", "~ b.txt",
    // "- old/"), and how many of them are deletions; when they are more
    // than a mirror deletes unasked (most of the destination, or all from
    // an empty source), why a run would not delete them.
    struct CActions {
        std::vector<std::string> lines;
        int deletions = 0;
        std::string deleteRefusal;
    };
    // On the window thread, once the comparison has ended (never after a
    // cancel): `error` is empty when the folders could be compared.
    using Done = std::function<void(const std::string& error, const CActions& found)>;

    static constexpr const char* kNotCompared = "The folders could not be compared";

    // The progress window belongs to `window`.
    explicit CSyncPreview(QWidget* window);
    // Stops the comparison under way and waits for its thread.
    ~CSyncPreview() override;
    CSyncPreview(const CSyncPreview&) = delete;
    CSyncPreview& operator=(const CSyncPreview&) = delete;

    // Compares the pair's folders on the server of `info`; a comparison
    // under way is cancelled first.
    void Start(const velmora::CFtpLoginInfo& info, const CSyncPair& pair, Done done);
    void Cancel();
    // A comparison runs, or waits to run, whose result is wanted.
    bool IsComparing() const { return m_pRun != nullptr; }
    // The progress window while a comparison runs; null otherwise.
    QProgressDialog* GetProgress() const;

private:
    struct CRun;

    // Starts the wanted comparison's thread, once no other runs.
    void Launch();
    void Finish(const std::shared_ptr<CRun>& run);
    void ShowProgress(const std::string& text);
    void HideProgress();

    QWidget* m_pWindow;
    QPointer<QProgressDialog> m_pProgress;
    CBrowserWorker m_worker;
    std::shared_ptr<CRun> m_pRun;
};

}  // namespace parcelo
