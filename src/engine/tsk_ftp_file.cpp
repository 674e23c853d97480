#include "engine/tsk_ftp_file.h"

#include "base/format.h"
#include "base/tokenizer.h"
#include "engine/source.h"
#include "ftp/ftp_node.h"
#include "ftp/stream_check.h"
#include "platform/clock.h"

namespace velmora {
namespace {

// The session broke (or could not be made): a reconnect may help.
bool IsLost(ERemoteError kind) { return kind == ERemoteError::Lost || kind == ERemoteError::Unreachable; }

}  // namespace

CTskFtpFile::CTskFtpFile(const CFtpPath& path, CRemoteSession* session, const CMFCObjNode* node, bool folderTree)
    : CTskDataFile(path, node, folderTree), m_pSession(session), m_bTempName(Job().Settings().m_bTempNames) {}

CTskFtpFile::~CTskFtpFile() = default;

void CTskFtpFile::Copy(const CObj& src) {
    CTskDataFile::Copy(src);
    if (const auto* other = dynamic_cast<const CTskFtpFile*>(&src)) {
        m_pSession = other->m_pSession;
        m_reconnect = other->m_reconnect;
        m_partSessions = other->m_partSessions;
        m_bTempName = other->m_bTempName;
    }
}

CTskDataFile::CPartReaders CTskFtpFile::PartReaders() {
    if (!m_partSessions || !m_pSession || !OffersRestart()) return {};
    return [sessions = m_partSessions(), path = m_Path](std::string& error) -> std::unique_ptr<CTskDataFile> {
        std::unique_ptr<CSource> session = sessions(error);
        if (!session) return nullptr;
        auto reader = std::make_unique<CTskFtpFile>(path, nullptr);
        session->Adopt(reader.get());
        reader->m_pOwnSession = std::move(session);
        return reader;
    };
}

bool CTskFtpFile::HasConnection() {
    // A file made while its source was between connections gets the next one.
    if (!m_pSession && m_reconnect) Reconnect();
    return m_pSession || ReportError(ERROR_CONNECT, this, "Ftp connection is missing");
}

bool CTskFtpFile::WithConnection(const std::function<bool()>& step) {
    m_bServerLost = false;
    bool reconnected = false;
    for (int attempt = 1;; ++attempt) {
        if (step()) return true;
        const ERemoteError kind = m_pSession->GetLastErrorKind();
        if (!m_pSession->IsConnected() || IsLost(kind)) {
            // The reconnect makes its own attempts; a session lost again
            // right after it fails this step only.
            if (reconnected) return false;
            m_bServerLost = !Reconnect();
            if (m_bServerLost) return false;
            reconnected = true;
            continue;
        }
        // A 4xx says "not now": the same step is tried again after a pause.
        // Any other refusal stands, and no reconnect helps.
        if (kind != ERemoteError::Busy ||
            !Job().RetryLater(attempt, m_Path.GetPath() + " refused for now (" + m_pSession->GetLastError() + ")"))
            return false;
    }
}

// The server refused the folder for good, or for now over every attempt:
// the file fails, the job goes on. Only a server that cannot be reached
// stops it.
bool CTskFtpFile::OpenRead() {
    CloseFile(false);
    if (!HasConnection()) return false;
    const std::string folder = m_Path.GetFtpDir(true);
    if (WithConnection([&] { return m_pSession->IsFolder(folder); })) return true;
    if (m_bServerLost) return ReportError(ERROR_FTP, this, GetFileError());
    return ReportError(ERROR_READ, this,
                       "Unable connect to source: " + folder + " (" + m_pSession->GetLastError() + ")");
}

bool CTskFtpFile::OpenWrite() {
    if (!HasConnection()) return false;
    const std::string folder = m_Path.GetFtpDir(true);
    // Only a folder the server says is not there is made; one it cannot
    // enter now is entered again.
    const auto enter = [&] {
        return m_pSession->IsFolder(folder) ||
               (m_pSession->GetLastErrorKind() == ERemoteError::Refused && MakeFolders(folder));
    };
    if (WithConnection(enter)) return true;
    if (m_bServerLost) return ReportError(ERROR_FTP, this, GetFileError());
    return ReportError(ERROR_COPY, this,
                       "Unable connect to destination: " + folder + " (" + m_pSession->GetLastError() + ")");
}

bool CTskFtpFile::MakeFolders(const std::string& folder) {
    // Mostly only the last level is missing: one round trip instead of one per level.
    if (MakeOneFolder(folder)) return true;
    CStringTokenizer levels(folder);
    std::string current = "/";
    for (std::string level = levels.GetToken("\\/"); !level.empty(); level = levels.GetToken("\\/")) {
        current += level + "/";
        if (m_pSession->IsFolder(current)) continue;
        if (m_pSession->GetLastErrorKind() != ERemoteError::Refused || !MakeOneFolder(current)) return false;
    }
    return true;
}

bool CTskFtpFile::MakeOneFolder(const std::string& folder) {
    if (!m_pSession->MakeFolder(folder)) return false;
    if (m_pMadeFolders) m_pMadeFolders->Add(folder);
    return true;
}

bool CTskFtpFile::Open(uint32_t flags) {
    const bool reading = flags == kOpenRead;
    const std::string action = reading ? "Fail to open Ftp file for read: " : "Fail to open Ftp file for write: ";
    if (!HasConnection()) return false;
    CloseFile(false);
    const auto open = [&] {
        // Named without a listing: the server's size is the length to expect.
        if (reading) KnownLength();
        return OpenStream(reading, ERemoteWrite::Replace, 0);
    };
    if (WithConnection(open)) return true;
    if (m_bServerLost) return ReportError(ERROR_FTP, this, GetFileError());
    // A server that refuses one file (no space for it, no permission) has
    // not refused the job: that file is an error, the next one is tried. A
    // connection that cannot be had stops the job.
    const bool refused = Refused();
    const int32_t category = reading ? ERROR_READ : refused ? ERROR_COPY : ERROR_WRITE;
    return ReportError(category, this, action + m_Path.GetPath() + " (" + m_pSession->GetLastError() + ")");
}

std::string CTskFtpFile::StreamPath(bool writing) const {
    return writing && m_bTempName ? PartialPath() : m_Path.GetFtpDir(true) + m_Path.GetFileName(true);
}

std::string CTskFtpFile::PartialPath() const {
    return PartialUploadPath(m_Path);
}

bool CTskFtpFile::OpenStream(bool reading, ERemoteWrite mode, uint64_t offset) {
    m_stream.reset();
    m_bInterrupted = false;
    m_bWritten = false;
    m_nStart = 0;
    if (reading)
        m_stream = m_pSession->OpenRead(StreamPath(false), offset);
    else
        m_stream = m_pSession->OpenWrite(StreamPath(), mode == ERemoteWrite::Append ? 0 : offset, mode);
    if (m_stream) m_nStart = offset;
    return m_stream != nullptr;
}

bool CTskFtpFile::Fail(ERemoteError kind, const std::string& text) {
    m_bInterrupted = IsLost(kind);
    return SetFileError(text);
}

bool CTskFtpFile::Read(char* buffer, size_t size, size_t& received) {
    received = 0;
    if (!m_stream) return SetFileError("Ftp file is not open");
    return m_stream->Read(buffer, size, received) || Fail(m_stream->GetLastErrorKind(), m_stream->GetLastError());
}

bool CTskFtpFile::Write(const char* data, size_t size) {
    if (!m_stream) return SetFileError("Ftp file is not open");
    return m_stream->Write(data, size) || Fail(m_stream->GetLastErrorKind(), m_stream->GetLastError());
}

bool CTskFtpFile::CloseFile(bool complete) {
    if (!m_stream) {
        const bool settle = complete && m_bWritten;
        m_bWritten = false;
        return !settle || Settle();
    }
    std::unique_ptr<CRemoteStream> stream = std::move(m_stream);
    if (!complete) {
        stream->Abort();
        // A temporary file the user cancelled goes; one that broke stays
        // for a later upload to continue.
        if (stream->IsUpload() && m_bTempName && Job().IsAborted() && m_pSession->DeleteFile(StreamPath()))
            RemoveUploadStamp(StampName());
        return true;
    }
    return EndStream(*stream) && (!stream->IsUpload() || Settle());
}

bool CTskFtpFile::EndWrite() {
    if (!m_stream || !m_stream->IsUpload()) return true;
    const std::unique_ptr<CRemoteStream> stream = std::move(m_stream);
    m_bWritten = EndStream(*stream);
    return m_bWritten;
}

bool CTskFtpFile::EndStream(CRemoteStream& stream) {
    return (stream.Close() || Fail(stream.GetLastErrorKind(), stream.GetLastError())) && CheckLength(stream);
}

bool CTskFtpFile::Settle() {
    if (!PutInPlace()) return false;
    // A complete file is no partial any more.
    RemoveUploadStamp(StampName());
    return true;
}

void CTskFtpFile::Discard() {
    if (m_stream) CloseFile(false);
    if (!m_bWritten) return;
    m_bWritten = false;
    RemoveUploadStamp(StampName());
    if (m_pSession->DeleteFile(StreamPath()) || m_bTempName) return;
    m_pSession->Rename(StreamPath(), PartialPath());
}

bool CTskFtpFile::ServerDigest(const std::string& algorithm, std::string& digest) {
    if (!HasConnection()) return false;
    const std::string path = StreamPath(m_bWritten);
    if (WithConnection([&] { return m_pSession->Hash(path, algorithm, 0, 0, digest); })) return true;
    return SetFileError(m_pSession->GetLastError());
}

// A file sent under its temporary name takes its real one, in place of what
// was there.
bool CTskFtpFile::PutInPlace() {
    if (!m_bTempName) return true;
    const std::string path = m_Path.GetFtpPath();
    if (m_pSession->Rename(StreamPath(), path)) return true;
    m_pSession->DeleteFile(path);
    return m_pSession->Rename(StreamPath(), path) || SetFileError(m_pSession->GetLastError());
}

bool CTskFtpFile::AskSize(const std::string& path, uint64_t& size) {
    CRemoteFacts facts;
    if (!m_pSession || !m_pSession->GetFactsOnly(path, FactSize, facts) || !facts.size) return false;
    size = *facts.size;
    return true;
}

// A transfer can be cut short and still be confirmed: a server may end a
// download's data early, and take the end of a broken upload's data for the
// end of the file. A download must bring the size the listing (or the
// server, asked or announcing it) gave; an upload must leave the server with
// all that was sent.
bool CTskFtpFile::CheckLength(const CRemoteStream& stream) {
    std::string error;
    bool shorter = false;
    if (!stream.IsUpload()) {
        if (CheckReadLength(stream, m_nStart, Length(), error, shorter)) return true;
        m_bInterrupted = shorter;
        return SetFileError(error);
    }
    if (stream.AcknowledgesEveryBlock()) return true;
    const uint64_t sent = m_nStart + stream.GetByteCount();
    uint64_t held = 0;
    // A server that cannot tell the size: trust its reply.
    if (!AskSize(StreamPath(), held) || held == sent) return true;
    m_bInterrupted = held < sent;
    return SetFileError(Format("Transfer incomplete: %llu of %llu bytes received",
                               static_cast<unsigned long long>(held), static_cast<unsigned long long>(sent)));
}

bool CTskFtpFile::Reconnect() {
    if (m_stream) m_stream->Abort();
    m_stream.reset();
    std::string error = "Ftp connection is missing";
    CRemoteSession* session = m_reconnect ? m_reconnect(error) : nullptr;
    if (!session) return SetFileError(error);
    m_pSession = session;
    m_bInterrupted = false;
    return true;
}

bool CTskFtpFile::OffersRestart() const { return m_pSession->GetFeatures().restart; }

uint64_t CTskFtpFile::HeldAfterCut(uint64_t copied) {
    // What was sent so far becomes the server's (a broken upload is
    // confirmed or refused; either way the stream ends).
    if (m_stream) m_stream->Close();
    m_stream.reset();
    uint64_t size = 0;
    if (!OffersRestart() || !AskSize(StreamPath(), size)) return 0;
    return size <= copied ? size : 0;
}

uint64_t CTskFtpFile::KnownLength() {
    uint64_t size = 0;
    if (Length() == 0 && !GetNode() && AskSize(m_Path.GetFtpPath(), size)) {
        m_Path.Length(size);
        // The job's total took this file as empty when it was gathered.
        const auto lock = Job().ReportLock();
        Job().m_nTotalBytes += static_cast<int64_t>(size);
    }
    return Length();
}

bool CTskFtpFile::OpenAs(uint32_t flags, const CTransferPlan& plan) {
    const bool reading = flags == kOpenRead;
    if (!plan.Continues()) return Open(flags);
    if (plan.start == CTransferPlan::EStart::Offset && OpenStream(reading, ERemoteWrite::Replace, plan.offset))
        return true;
    // A refused restart: an upload is appended to the part the server holds
    // (its size is the offset).
    const bool append = plan.start == CTransferPlan::EStart::Append || Refused();
    if (!reading && append && OpenStream(false, ERemoteWrite::Append, plan.offset)) return true;
    return Fail(m_pSession->GetLastErrorKind(), m_pSession->GetLastError());
}

CSourceFacts CTskFtpFile::DescribeSource(bool fresh) {
    CSourceFacts facts;
    const uint64_t length = KnownLength();
    // A file named without a listing whose size the server would not tell.
    if (length != 0 || GetNode()) facts.length = length;
    facts.readsFromOffset = m_pSession && OffersRestart();
    CSourceStamp stamp;
    if (!GetStamp(stamp, fresh)) return facts;
    facts.stamp = stamp;
    // Asked afresh, the server's size is the file as it is now.
    if (fresh) facts.length = stamp.size;
    return facts;
}

CTargetFacts CTskFtpFile::DescribeTarget(const CSourceFacts& source, bool continuing) {
    CTargetFacts facts;
    if (!m_pSession) return facts;
    facts.keepsStamps = true;
    facts.writesFromOffset = OffersRestart();
    facts.appends = m_pSession->GetFeatures().append;
    uint64_t size = 0;
    if (!continuing || !OffersRestart() || !AskSize(StreamPath(), size)) return facts;
    if (source.length && size > *source.length) return facts;
    facts.held = size;
    CSourceStamp stamp;
    if (ReadUploadStamp(StampName(), stamp)) facts.heldStamp = stamp;
    return facts;
}

bool CTskFtpFile::Refused() const {
    const ERemoteError kind = m_pSession->GetLastErrorKind();
    return m_pSession->IsConnected() && (kind == ERemoteError::Refused || kind == ERemoteError::Busy);
}

uint64_t CTskFtpFile::GetModifiedTime() {
    uint64_t exact = 0;
    return GetExactTime(exact) ? exact : m_Path.LastWriteTime();
}

bool CTskFtpFile::GetExactTime(uint64_t& fileTime) {
    const uint64_t listed = m_Path.LastWriteTime();
    if (!m_pSession) return false;
    fileTime = listed != 0 && (m_pSession->GetFeatures().exactListing || ListedExactly()) ? listed : m_nAskedTime;
    CRemoteFacts facts;
    if (fileTime == 0 && m_pSession->GetFactsOnly(m_Path.GetPath(), FactTime, facts))
        fileTime = m_nAskedTime = facts.modified;
    return fileTime != 0;
}

bool CTskFtpFile::ListedExactly() const {
    const auto* node = dynamic_cast<const CFtpNode*>(GetNode());
    return node && node->HasExactTime();
}

bool CTskFtpFile::GetStamp(CSourceStamp& stamp, bool fresh) {
    if (!m_pSession) return false;
    stamp.place =
        CSourceStamp::PlaceOf(Format("%s://%s:%u%s", m_pSession->GetScheme().c_str(), m_pSession->GetHost().c_str(),
                                     static_cast<unsigned>(m_pSession->GetPort()), m_Path.GetFtpPath().c_str()));
    if (!fresh) {
        stamp.size = KnownLength();
        return GetExactTime(stamp.time);
    }
    CRemoteFacts facts;
    if (!m_pSession->GetFactsOnly(m_Path.GetFtpPath(), FactSize | FactTime, facts) || facts.modified == 0) return false;
    stamp.size = facts.size ? *facts.size : KnownLength();
    stamp.time = facts.modified;
    return true;
}

std::string CTskFtpFile::StampName() const {
    return UploadStampName(m_pSession->GetHost(), m_pSession->GetPort(), StreamPath());
}

void CTskFtpFile::KeepStamp(const CSourceStamp& stamp) {
    if (m_pSession) WriteUploadStamp(StampName(), stamp);
}

std::optional<CSourceStamp> CTskFtpFile::PartialStamp() {
    CSourceStamp stamp;
    if (!m_pSession || !ReadUploadStamp(StampName(), stamp)) return std::nullopt;
    return stamp;
}

bool CTskFtpFile::SetModifiedTime(uint64_t fileTime) {
    if (!m_pSession || !m_pSession->GetFeatures().setTime) return true;
    return m_pSession->SetModifiedTime(m_Path.GetPath(), fileTime) || SetFileError(m_pSession->GetLastError());
}

}  // namespace velmora
