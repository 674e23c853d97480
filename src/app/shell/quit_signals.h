#pragma once

#include <QObject>

class QSocketNotifier;

namespace parcelo {

// Turns SIGTERM (a desktop session ending), SIGINT and SIGHUP into a signal
// on the window thread, so that the program can end in order: the handler
// only writes the signal's number into a pipe, which the window thread
// reads. One instance at a time; it restores the default handlers when it
// goes.
class CQuitSignals : public QObject {
    Q_OBJECT

public:
    explicit CQuitSignals(QObject* parent = nullptr);
    ~CQuitSignals() override;
    CQuitSignals(const CQuitSignals&) = delete;
    CQuitSignals& operator=(const CQuitSignals&) = delete;

    bool IsInstalled() const { return m_pNotifier != nullptr; }

signals:
    void QuitRequested(int signal);

private:
    void ReadSignals();

    QSocketNotifier* m_pNotifier = nullptr;
};

}  // namespace parcelo
