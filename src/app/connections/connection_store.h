#pragma once

#include <string>

#include <QObject>
#include <QTimer>

#include "ftp/login_info.h"

namespace parcelo {

// The program's connection list and the file that keeps it. The file is
// rewritten whole (a new file renamed over the old one) each time the list
// changes, so a crash loses at most the last few keystrokes of an edit.
//
// A file that exists but cannot be read whole (unreadable, truncated, an
// entry damaged) is never written over: the connections that could be read
// are shown, the file stays as it is for the user to repair, and the reason
// is logged and kept for the windows to tell.
class CConnectionStore : public QObject {
    Q_OBJECT

public:
    // How long edits typed into a field collect before they are written.
    static constexpr int kEditDelayMs = 300;

    explicit CConnectionStore(std::string path, QObject* parent = nullptr);
    // Writes what is still pending.
    ~CConnectionStore() override;

    // Reads the file into the (empty) list. A missing file is an empty list.
    // False when the file exists but could not be read whole.
    bool Load();
    bool IsLoadFailed() const { return !m_strLoadError.empty(); }
    // Why the load failed, in words for the user; empty after a sound load.
    const std::string& GetLoadError() const { return m_strLoadError; }

    // Writes the list now. Refused (false) before a sound load: a list never
    // loaded, or loaded only in part, would lose the connections of the file.
    bool Save();
    // Writes the list once edits have paused for kEditDelayMs.
    void SaveSoon();
    // Writes a pending change now.
    void Flush();

    velmora::CFtpLoginInfoList& GetList() { return m_list; }
    const std::string& GetPath() const { return m_strPath; }

private:
    // Every entry of a well-formed file was read, and the file is complete.
    bool IsWhole(const std::string& text) const;

    std::string m_strPath;
    velmora::CFtpLoginInfoList m_list;
    std::string m_strLoadError;
    bool m_bLoaded = false;
    QTimer m_saveTimer;
};

}  // namespace parcelo
