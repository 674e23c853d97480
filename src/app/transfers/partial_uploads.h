#pragma once

#include <mutex>
#include <string>
#include <thread>

#include <QObject>

#include "ftp/login_info.h"
#include "messaging/listener.h"

class QWidget;

namespace parcelo {

class CTransferQueue;
class IPrompter;

// After a cancelled upload, offers to delete the incomplete file it left on
// the server (or to keep it, so that a later upload can resume it). The
// file is the one the upload had opened and not finished; it hears that
// from the engine's log records and transfer statuses. The deletion runs on
// a thread of its own, so a slow server never stops the windows.
class CPartialUploads : public QObject, public velmora::CListener {
    Q_OBJECT

public:
    static constexpr const char* kListenerName = "CPartialUploads";
    static constexpr const char* kTitle = "Upload cancelled";

    CPartialUploads(CTransferQueue& queue, IPrompter& prompter, QWidget* window, QObject* parent = nullptr);
    ~CPartialUploads() override;

    void OnMsg(velmora::CMsg& msg) override;

    // The question about the file.
    static std::string QuestionText(const std::string& remotePath);
    // The remote file the running upload has opened and not finished.
    std::string GetOpenTarget() const;

signals:
    // The deletion has ended: `error` is empty when the file is gone.
    void DeleteFinished(const std::string& remotePath, const std::string& error);

private:
    // On the window thread, when a queue entry has ended: a cancelled
    // upload's open file is taken, and the question follows.
    void OnEntryEnded(int id);
    void StartDelete(const velmora::CFtpLoginInfo& login, const std::string& remotePath);

    CTransferQueue& m_queue;
    IPrompter& m_prompter;
    QWidget* m_pWindow;
    mutable std::mutex m_mutex;
    std::string m_strOpenTarget;
    std::thread m_deleting;
};

}  // namespace parcelo
