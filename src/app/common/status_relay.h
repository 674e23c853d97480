#pragma once

#include <QObject>

#include "messaging/listener.h"
#include "messaging/status_queue.h"

namespace parcelo {

// Brings the transfer engine's statuses (command 14, sent on the transfer
// thread) to the window thread: each is queued, and the window thread takes
// them one by one. A progress status is broadcast again there as the
// progress message it carries (run start and end, bars, texts), so the
// progress windows hear it on their own thread and in order; a transferred
// file is announced by a signal. One relay serves the whole program.
class CStatusRelay : public QObject, public velmora::CListener {
    Q_OBJECT

public:
    static constexpr const char* kListenerName = "CStatusRelay";

    explicit CStatusRelay(QObject* parent = nullptr);
    ~CStatusRelay() override;

    void OnMsg(velmora::CMsg& msg) override;

signals:
    // On the window thread: a file reached its destination path.
    void FileTransferred(const velmora::CFtpPath& source, const velmora::CFtpPath& destination);

private:
    // Takes one status from the queue; posted once per status.
    void Drain();

    velmora::CTStatusQueue m_queue;
};

}  // namespace parcelo
