#include "engine/tsk_ftp_file.h"

#include <optional>

#include "base/format.h"
#include "base/tokenizer.h"
#include "ftp/ftp_find.h"
#include "ftp/remote_facts.h"
#include "ftp/protocol/ftp_error.h"
#include "platform/clock.h"

namespace velmora {
namespace {

// A final reply that says the data connection failed, not the file.
bool IsBrokenTransferReply(int code) { return code == 425 || code == 426; }

}  // namespace

CTskFtpFile::CTskFtpFile(const CFtpPath& path, protocol::CFtpConnection* connection, const CMFCObjNode* node,
                         bool folderTree)
    : CTskDataFile(path, node, folderTree), m_pConnection(connection), m_bTempName(Job().Settings().m_bTempNames) {}

CTskFtpFile::~CTskFtpFile() = default;

void CTskFtpFile::Copy(const CObj& src) {
    CTskDataFile::Copy(src);
    if (const auto* other = dynamic_cast<const CTskFtpFile*>(&src)) {
        m_pConnection = other->m_pConnection;
        m_reconnect = other->m_reconnect;
        m_bTempName = other->m_bTempName;
    }
}

bool CTskFtpFile::HasConnection() {
    // A file made while its source was between connections gets the next one.
    if (!m_pConnection && m_reconnect) Reconnect();
    return m_pConnection || ReportError(ERROR_CONNECT, this, "Ftp connection is missing");
}

bool CTskFtpFile::WithConnection(const std::function<bool()>& step) {
    m_bServerLost = false;
    if (step()) return true;
    // Refused by the server on a connection that still stands: no reconnect helps.
    if (m_pConnection->IsConnected() && !protocol::IsTransient(m_pConnection->GetLastErrorCode())) return false;
    m_bServerLost = !Reconnect();
    return !m_bServerLost && step();
}

bool CTskFtpFile::OpenRead() {
    CloseFile(false);
    if (!HasConnection()) return false;
    const std::string folder = m_Path.GetFtpDir(true);
    if (WithConnection([&] { return m_pConnection->SetCurrentDirectory(folder); })) return true;
    if (m_bServerLost) return ReportError(ERROR_FTP, this, GetFileError());
    return ReportError(ERROR_CONNECT, this, "Unable connect to source: " + folder);
}

bool CTskFtpFile::OpenWrite() {
    if (!HasConnection()) return false;
    const std::string folder = m_Path.GetFtpDir(true);
    if (WithConnection([&] { return m_pConnection->SetCurrentDirectory(folder) || EnterOrCreate(folder); }))
        return true;
    if (m_bServerLost) return ReportError(ERROR_FTP, this, GetFileError());
    return ReportError(ERROR_CONNECT, this, "Unable connect to destination: " + folder);
}

bool CTskFtpFile::EnterOrCreate(const std::string& folder) {
    // Mostly only the last level is missing: one round trip instead of one per level.
    if (m_pConnection->CreateDirectory(folder) && m_pConnection->SetCurrentDirectory(folder)) return true;
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
    if (!HasConnection()) return false;
    CloseFile(false);
    const auto access = reading ? protocol::EFtpAccess::Read : protocol::EFtpAccess::Write;
    const auto open = [&] {
        // Named without a listing: the server's SIZE is the length to expect.
        if (reading) KnownLength();
        return OpenStream(access, 0);
    };
    if (WithConnection(open)) return true;
    if (m_bServerLost) return ReportError(ERROR_FTP, this, GetFileError());
    // A server that refuses one file (no space for it, no permission) has
    // not refused the job: that file is an error, the next one is tried. A
    // connection that cannot be had stops the job.
    const bool refused = m_pConnection->GetLastErrorCode() == protocol::EFtpError::Refused;
    const int32_t category = reading ? ERROR_READ : refused ? ERROR_COPY : ERROR_WRITE;
    return ReportError(category, this, action + m_Path.GetPath() + " (" + m_pConnection->GetLastError() + ")");
}

std::string CTskFtpFile::StreamName(bool writing) const {
    const std::string name = m_Path.GetFileName(true);
    return writing && m_bTempName ? "." + name + ".part" : name;
}

std::string CTskFtpFile::StreamPath() const { return m_Path.GetFtpDir(true) + StreamName(true); }

bool CTskFtpFile::OpenStream(protocol::EFtpAccess access, uint64_t offset) {
    m_stream.reset();
    m_bInterrupted = false;
    m_nStart = 0;
    // Free when the folder is already the current one.
    if (!m_pConnection->SetCurrentDirectory(m_Path.GetFtpDir(true))) return false;
    const std::string name = StreamName(access != protocol::EFtpAccess::Read);
    m_stream = m_pConnection->OpenFile(name, access, access == protocol::EFtpAccess::Append ? 0 : offset);
    if (m_stream) m_nStart = offset;
    return m_stream != nullptr;
}

bool CTskFtpFile::Fail(protocol::EFtpError code, const std::string& text) {
    m_bInterrupted = protocol::IsTransient(code);
    return SetFileError(text);
}

bool CTskFtpFile::Read(char* buffer, size_t size, size_t& received) {
    received = 0;
    if (!m_stream) return SetFileError("Ftp file is not open");
    return m_stream->Read(buffer, size, received) || Fail(m_stream->GetLastErrorCode(), m_stream->GetLastError());
}

bool CTskFtpFile::Write(const char* data, size_t size) {
    if (!m_stream) return SetFileError("Ftp file is not open");
    return m_stream->Write(data, size) || Fail(m_stream->GetLastErrorCode(), m_stream->GetLastError());
}

bool CTskFtpFile::CloseFile(bool complete) {
    if (!m_stream) return true;
    std::unique_ptr<protocol::CFtpDataStream> stream = std::move(m_stream);
    if (!complete) {
        stream->Abort();
        // A temporary file the user cancelled goes; one that broke stays
        // for a later upload to continue.
        if (stream->IsUpload() && m_bTempName && Job().IsAborted() && m_pConnection->DeleteFile(StreamPath()))
            RemoveUploadStamp(StampName());
        return true;
    }
    if (!stream->Close()) {
        Fail(stream->GetLastErrorCode(), stream->GetLastError());
        m_bInterrupted = m_bInterrupted || IsBrokenTransferReply(m_pConnection->GetLastReplyCode());
        return false;
    }
    if (!CheckLength(*stream) || (stream->IsUpload() && !PutInPlace())) return false;
    // A complete file is no partial any more.
    if (stream->IsUpload()) RemoveUploadStamp(StampName());
    return true;
}

// A file sent under its temporary name takes its real one, in place of what
// was there.
bool CTskFtpFile::PutInPlace() {
    if (!m_bTempName) return true;
    const std::string name = m_Path.GetFileName(true);
    if (m_pConnection->Rename(StreamName(true), name)) return true;
    m_pConnection->DeleteFile(name);
    return m_pConnection->Rename(StreamName(true), name) || SetFileError(m_pConnection->GetLastError());
}

// A transfer can be cut short and still be confirmed: a server may end a
// download's data early, and take the end of a broken upload's data for the
// end of the file. A download must bring the size the listing (or SIZE)
// gave; an upload must leave the server with all that was sent.
bool CTskFtpFile::CheckLength(const protocol::CFtpDataStream& stream) {
    const uint64_t sent = m_nStart + stream.GetByteCount();
    uint64_t expected = Length();
    uint64_t received = sent;
    if (stream.IsUpload()) {
        expected = sent;
        // A server that cannot tell the size: trust its reply.
        if (!AskRemoteSize(*m_pConnection, StreamPath(), received)) return true;
    }
    if (expected == 0 || received == expected) return true;
    // Less is a transfer cut short, which may be continued; more is a file
    // that changed on the server since it was listed.
    m_bInterrupted = received < expected;
    return SetFileError(Format("Transfer incomplete: %llu of %llu bytes received",
                               static_cast<unsigned long long>(received), static_cast<unsigned long long>(expected)));
}

bool CTskFtpFile::Reconnect() {
    if (m_stream) m_stream->Abort();
    m_stream.reset();
    std::string error = "Ftp connection is missing";
    protocol::CFtpConnection* connection = m_reconnect ? m_reconnect(error) : nullptr;
    if (!connection) return SetFileError(error);
    m_pConnection = connection;
    m_bInterrupted = false;
    return true;
}

bool CTskFtpFile::OffersRestart() const {
    // A server that named no features is tried (REST), and falls back.
    const protocol::CFtpCapabilities& caps = m_pConnection->GetCapabilities();
    return caps.restStream || !caps.listed;
}

uint64_t CTskFtpFile::HeldAfterCut(uint64_t copied) {
    // What was sent so far becomes the server's (a broken upload is
    // confirmed or refused; either way the stream ends).
    if (m_stream) m_stream->Close();
    m_stream.reset();
    uint64_t size = 0;
    if (!OffersRestart() || !AskRemoteSize(*m_pConnection, StreamPath(), size)) return 0;
    return size <= copied ? size : 0;
}

uint64_t CTskFtpFile::KnownLength() {
    uint64_t size = 0;
    if (Length() == 0 && !GetNode() && m_pConnection && AskRemoteSize(*m_pConnection, m_Path.GetFtpPath(), size))
        m_Path.Length(size);
    return Length();
}

bool CTskFtpFile::OpenAs(uint32_t flags, const CTransferPlan& plan) {
    const bool reading = flags == kOpenRead;
    if (!plan.Continues()) return Open(flags);
    const auto access = reading ? protocol::EFtpAccess::Read : protocol::EFtpAccess::Write;
    if (plan.start == CTransferPlan::EStart::Offset && OpenStream(access, plan.offset)) return true;
    // A refused restart: an upload is appended to the part the server holds
    // (its size is the offset).
    const bool append = plan.start == CTransferPlan::EStart::Append || Refused();
    if (!reading && append && OpenStream(protocol::EFtpAccess::Append, plan.offset)) return true;
    return Fail(m_pConnection->GetLastErrorCode(), m_pConnection->GetLastError());
}

CSourceFacts CTskFtpFile::DescribeSource(bool fresh) {
    CSourceFacts facts;
    const uint64_t length = KnownLength();
    // A file named without a listing whose size the server would not tell.
    if (length != 0 || GetNode()) facts.length = length;
    facts.readsFromOffset = m_pConnection && OffersRestart();
    CSourceStamp stamp;
    if (!GetStamp(stamp, fresh)) return facts;
    facts.stamp = stamp;
    // Asked afresh, the server's size is the file as it is now.
    if (fresh) facts.length = stamp.size;
    return facts;
}

CTargetFacts CTskFtpFile::DescribeTarget(const CSourceFacts& source, bool continuing) {
    CTargetFacts facts;
    if (!m_pConnection) return facts;
    facts.keepsStamps = true;
    facts.writesFromOffset = OffersRestart();
    facts.appends = true;
    uint64_t size = 0;
    if (!continuing || !OffersRestart() || !AskRemoteSize(*m_pConnection, StreamPath(), size)) return facts;
    if (source.length && size > *source.length) return facts;
    facts.held = size;
    CSourceStamp stamp;
    if (ReadUploadStamp(StampName(), stamp)) facts.heldStamp = stamp;
    return facts;
}

bool CTskFtpFile::Refused() const {
    return m_pConnection->IsConnected() && m_pConnection->GetLastErrorCode() == protocol::EFtpError::Refused;
}

uint64_t CTskFtpFile::GetModifiedTime() {
    uint64_t exact = 0;
    return GetExactTime(exact) ? exact : m_Path.LastWriteTime();
}

bool CTskFtpFile::GetExactTime(uint64_t& fileTime) {
    const uint64_t listed = m_Path.LastWriteTime();
    if (!m_pConnection) return false;
    const protocol::CFtpCapabilities& caps = m_pConnection->GetCapabilities();
    fileTime = listed != 0 && caps.mlsd && CFtpFind::IsDefaultMachineListing() ? listed : m_nAskedTime;
    int64_t seconds = 0;
    if (fileTime == 0 && AskRemoteTime(*m_pConnection, m_Path.GetPath(), seconds))
        fileTime = m_nAskedTime = platform::UnixToFileTime(seconds);
    return fileTime != 0;
}

bool CTskFtpFile::GetStamp(CSourceStamp& stamp, bool fresh) {
    if (!m_pConnection) return false;
    stamp.place = CSourceStamp::PlaceOf(Format("ftp://%s:%u%s", m_pConnection->GetServerName().c_str(),
                                               static_cast<unsigned>(m_pConnection->GetPort()),
                                               m_Path.GetFtpPath().c_str()));
    if (!fresh) {
        stamp.size = KnownLength();
        return GetExactTime(stamp.time);
    }
    int64_t seconds = 0;
    std::optional<uint64_t> size;
    if (!AskRemoteChange(*m_pConnection, m_Path.GetFtpPath(), seconds, size)) return false;
    stamp.size = size ? *size : KnownLength();
    stamp.time = platform::UnixToFileTime(seconds);
    return true;
}

std::string CTskFtpFile::StampName() const {
    return UploadStampName(m_pConnection->GetServerName(), m_pConnection->GetPort(), StreamPath());
}

void CTskFtpFile::KeepStamp(const CSourceStamp& stamp) {
    if (m_pConnection) WriteUploadStamp(StampName(), stamp);
}

bool CTskFtpFile::SetModifiedTime(uint64_t fileTime) {
    if (!m_pConnection || !m_pConnection->GetCapabilities().mfmt) return true;
    return m_pConnection->SetModificationTime(m_Path.GetPath(), platform::FileTimeToUnix(fileTime)) ||
           SetFileError(m_pConnection->GetLastError());
}

}  // namespace velmora
