#include "engine/tsk_ftp_file.h"

#include "base/tokenizer.h"
#include "ftp/ftp_find.h"
#include "platform/clock.h"

namespace velmora {

CTskFtpFile::CTskFtpFile(const CFtpPath& path, protocol::CFtpConnection* connection, const CMFCObjNode* node,
                         bool folderTree)
    : CTskDataFile(path, node, folderTree), m_pConnection(connection) {}

CTskFtpFile::~CTskFtpFile() = default;

void CTskFtpFile::Copy(const CObj& src) {
    CTskDataFile::Copy(src);
    if (const auto* other = dynamic_cast<const CTskFtpFile*>(&src)) m_pConnection = other->m_pConnection;
}

bool CTskFtpFile::HasConnection() {
    return m_pConnection || ReportError(ERROR_CONNECT, this, "Ftp connection is missing");
}

bool CTskFtpFile::OpenRead() {
    CloseFile(false);
    if (!HasConnection()) return false;
    const std::string folder = m_Path.GetFtpDir(true);
    if (m_pConnection->SetCurrentDirectory(folder)) return true;
    return ReportError(ERROR_CONNECT, this, "Unable connect to source: " + folder);
}

bool CTskFtpFile::OpenWrite() {
    if (!HasConnection()) return false;
    const std::string folder = m_Path.GetFtpDir(true);
    if (m_pConnection->SetCurrentDirectory(folder) || EnterOrCreate(folder)) return true;
    return ReportError(ERROR_CONNECT, this, "Unable connect to destination: " + folder);
}

bool CTskFtpFile::EnterOrCreate(const std::string& folder) {
    CStringTokenizer levels(folder);
    std::string current = "/";
    for (std::string level = levels.GetToken("\\/"); !level.empty(); level = levels.GetToken("\\/")) {
        current += level + "/";
        if (m_pConnection->SetCurrentDirectory(current)) continue;
        if (!m_pConnection->CreateDirectory(current) || !m_pConnection->SetCurrentDirectory(current)) return false;
    }
    return m_pConnection->SetCurrentDirectory(current);
}

bool CTskFtpFile::Open(uint32_t flags) {
    const bool reading = flags == kOpenRead;
    const std::string action = reading ? "Fail to open Ftp file for read: " : "Fail to open Ftp file for write: ";
    const int32_t category = reading ? ERROR_READ : ERROR_WRITE;
    if (!HasConnection()) return false;
    CloseFile(false);
    // Free when the folder is already the current one.
    if (m_pConnection->SetCurrentDirectory(m_Path.GetFtpDir(true))) {
        m_stream = m_pConnection->OpenFile(m_Path.GetFileName(true),
                                           reading ? protocol::EFtpAccess::Read : protocol::EFtpAccess::Write);
    }
    if (m_stream) return true;
    return ReportError(category, this, action + m_Path.GetPath() + " (" + m_pConnection->GetLastError() + ")");
}

bool CTskFtpFile::Read(char* buffer, size_t size, size_t& received) {
    received = 0;
    if (!m_stream) return SetFileError("Ftp file is not open");
    return m_stream->Read(buffer, size, received) || SetFileError(m_stream->GetLastError());
}

bool CTskFtpFile::Write(const char* data, size_t size) {
    if (!m_stream) return SetFileError("Ftp file is not open");
    return m_stream->Write(data, size) || SetFileError(m_stream->GetLastError());
}

bool CTskFtpFile::CloseFile(bool complete) {
    if (!m_stream) return true;
    std::unique_ptr<protocol::CFtpDataStream> stream = std::move(m_stream);
    if (!complete) {
        stream->Abort();
        return true;
    }
    return stream->Close() || SetFileError(stream->GetLastError());
}

uint64_t CTskFtpFile::GetModifiedTime() {
    const uint64_t listed = m_Path.LastWriteTime();
    if (!m_pConnection) return listed;
    const protocol::CFtpCapabilities& caps = m_pConnection->GetCapabilities();
    if (listed != 0 && caps.mlsd && CFtpFind::IsDefaultMachineListing()) return listed;
    int64_t seconds = 0;
    if (caps.mdtm && m_pConnection->GetModificationTime(m_Path.GetPath(), seconds))
        return platform::UnixToFileTime(seconds);
    return listed;
}

bool CTskFtpFile::SetModifiedTime(uint64_t fileTime) {
    if (!m_pConnection || !m_pConnection->GetCapabilities().mfmt) return true;
    return m_pConnection->SetModificationTime(m_Path.GetPath(), platform::FileTimeToUnix(fileTime)) ||
           SetFileError(m_pConnection->GetLastError());
}

}  // namespace velmora
