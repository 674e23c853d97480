#include "app/connections/connection_store.h"

#include <filesystem>

#include "app/transfers/log_pane.h"
#include "base/format.h"
#include "messaging/log_status.h"
#include "paths/file_path.h"
#include "platform/atomic_file.h"

namespace parcelo {
namespace {

constexpr size_t kMaxFileSize = size_t{64} << 20;

size_t CountOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++count;
    return count;
}

}  // namespace

CConnectionStore::CConnectionStore(std::string path, QObject* parent) : QObject(parent), m_strPath(std::move(path)) {
    // Saved in the background: a password the keyring refuses must not cost
    // the user every other change.
    m_list.KeepRefusedPasswordsForSession(true);
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kEditDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, [this] { Save(); });
}

CConnectionStore::~CConnectionStore() { Flush(); }

bool CConnectionStore::Load() {
    m_strLoadError.clear();
    m_bLoaded = true;
    if (m_strPath.empty() || !velmora::CFilePath::IsExistsFile(m_strPath)) return true;
    std::string text;
    std::string reason;
    if (!velmora::platform::ReadWholeFile(m_strPath, text, &reason, kMaxFileSize)) {
        m_strLoadError = reason;
    } else {
        m_list.ReadXML(text);
        if (!IsWhole(text)) m_strLoadError = "the file is incomplete or damaged";
    }
    if (m_strLoadError.empty()) return true;
    m_strLoadError = velmora::Format("The connections file '%s' could not be read (%s). It is kept as it is, and "
                                     "changes to the connections are not saved until it is repaired or removed.",
                                     m_strPath.c_str(), m_strLoadError.c_str());
    LogAppEvent(velmora::LOG_ERROR, "App", "Connections:", m_strLoadError);
    return false;
}

// A complete file ends its list; every entry in it became a connection.
bool CConnectionStore::IsWhole(const std::string& text) const {
    const std::string list = m_list.XMLObject();
    const std::string entry = velmora::CFtpLoginInfo().XMLObject();
    if (CountOf(text, "</" + list + ">") != 1) return false;
    return CountOf(text, "<" + entry + " ") + CountOf(text, "<" + entry + ">") == static_cast<size_t>(m_list.GetCount());
}

bool CConnectionStore::Save() {
    m_saveTimer.stop();
    if (!m_bLoaded || IsLoadFailed() || m_strPath.empty()) return false;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(m_strPath).parent_path(), ignored);
    if (m_list.SaveXML(m_strPath)) {
        // Where a password went for want of a keyring, or a keyring entry left behind.
        for (const std::string& notice : m_list.GetSaveNotices())
            LogAppEvent(velmora::LOG_STATUS, "App", "Connections:", notice);
        return true;
    }
    LogAppEvent(velmora::LOG_ERROR, "App", "Saving the connections failed:", m_list.GetLastError());
    return false;
}

void CConnectionStore::SaveSoon() { m_saveTimer.start(); }

void CConnectionStore::Flush() {
    if (m_saveTimer.isActive()) Save();
}

}  // namespace parcelo
