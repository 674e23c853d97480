#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/made_folders.h"
#include "engine/tsk_data_file.h"
#include "ftp/remote_session.h"
#include "platform/api.h"

namespace velmora {

class CSource;

// A file on a server, read or written over the remote session of its
// source's client (not owned).
//
// A session that the server dropped (closed, 421, silent) is made again
// through the source's reconnect call: between files the next step is simply
// tried again; in the middle of a file the copy loop takes the transfer up
// where it broke (from an offset, or appended after the size the server
// holds of the part).
// Uploads may go to a temporary name (".NAME.part") renamed when complete,
// so that a half-sent file never stands under its real name.
class VELMORA_API CTskFtpFile : public CTskDataFile {
public:
    // Logs in again and answers the session; null with the reason when the
    // server cannot be reached.
    using TReconnect = std::function<CRemoteSession*(std::string& error)>;
    // Logs in a further session like the source's (any thread).
    using TSessions = std::function<std::unique_ptr<CSource>(std::string& error)>;

    CTskFtpFile() = default;
    CTskFtpFile(const CFtpPath& path, CRemoteSession* session, const CMFCObjNode* node = nullptr,
                bool folderTree = false);
    ~CTskFtpFile() override;

    CObj* CreateObject() const override { return new CTskFtpFile(); }
    void Copy(const CObj& src) override;

    void SetSession(CRemoteSession* session) { m_pSession = session; }
    CRemoteSession* GetSession() const { return m_pSession; }
    void SetReconnect(TReconnect reconnect) { m_reconnect = std::move(reconnect); }
    // Where the makers of further sessions for a download in parts come
    // from (asked on the file's thread).
    void SetPartSessions(std::function<TSessions()> sessions) { m_partSessions = std::move(sessions); }
    // Readers of this file over sessions of their own, where the source can
    // log in more.
    CPartReaders PartReaders() override;
    // Where the folders this file makes on its way are noted (not owned).
    void SetMadeFolders(CMadeFolders* folders) { m_pMadeFolders = folders; }

    bool IsOpen() const override { return m_stream != nullptr; }
    bool IsClosed() const override { return m_stream == nullptr; }
    // Enters the file's folder ("Unable connect to source: ").
    bool OpenRead() override;
    // Enters the file's folder, creating the levels that cannot be entered
    // ("Unable connect to destination: ").
    bool OpenWrite() override;
    // Opens the file for reading or writing. A file to read whose size is
    // not known yet is asked for it first.
    bool Open(uint32_t flags) override;
    bool Read(char* buffer, size_t size, size_t& received) override;
    bool Write(const char* data, size_t size) override;
    // A complete transfer must be confirmed by the server, and a download
    // must bring exactly the known size (or, unknown, the size the server
    // announced); an incomplete one is aborted.
    bool CloseFile(bool complete = true) override;
    // An upload: confirmed and checked for its length, still under the name
    // it was sent to; CloseFile(true) then gives it its own.
    bool EndWrite() override;
    // An upload sent whole goes from the server, or where it cannot, stays
    // under its partial name (".NAME.part").
    void Discard() override;
    CRemoteSession* Server() const override { return m_pSession; }
    // HASH or the like, of the file read or of the upload where it was sent.
    bool ServerDigest(const std::string& algorithm, std::string& digest) override;
    bool MakeFolder() override { return OpenWrite(); }
    // The exact time of an exact listing, else the server's when it tells
    // it, else the listed time (to the minute, read as local time).
    uint64_t GetModifiedTime() override;
    // Where the server can set it; true (nothing done) elsewhere.
    bool SetModifiedTime(uint64_t fileTime) override;

    bool IsInterrupted() const override { return m_bInterrupted; }
    bool Reconnect() override;
    // What the server holds of an upload, when it can be continued.
    uint64_t HeldAfterCut(uint64_t copied) override;
    // From the plan's offset; an upload whose restart the server refuses is
    // appended to the part it holds.
    bool OpenAs(uint32_t flags, const CTransferPlan& plan) override;
    // The size (asked when no listing told it) and the exact time as
    // GetModifiedTime finds them, or asked afresh.
    CSourceFacts DescribeSource(bool fresh) override;
    // What the server holds of the file when it is shorter than the source.
    // An upload's partial on the server has its stamp with the user's data
    // folder (UploadStampName), from its first byte until it is complete.
    CTargetFacts DescribeTarget(const CSourceFacts& source, bool continuing) override;
    void KeepStamp(const CSourceStamp& stamp) override;
    std::optional<CSourceStamp> PartialStamp() override;

private:
    // The full path a transfer uses: an upload under a temporary name goes
    // to ".NAME.part" until it is complete.
    std::string StreamPath(bool writing = true) const;
    std::string PartialPath() const;
    // A transfer confirmed by the server, with all its bytes.
    bool EndStream(CRemoteStream& stream);
    // An upload that ended whole takes its own name.
    bool Settle();
    bool PutInPlace();
    bool HasConnection();
    // Creates the folder, or else creates it level by level from the top.
    bool MakeFolders(const std::string& folder);
    bool MakeOneFolder(const std::string& folder);
    // Runs `step`, once more after a reconnect when the session was lost,
    // and again after a pause while the server refuses it for now, up to
    // the job's attempts; a reconnect that failed leaves the server lost
    // (a fatal error).
    bool WithConnection(const std::function<bool()>& step);
    bool OpenStream(bool reading, ERemoteWrite mode, uint64_t offset);
    // A transfer may start at an offset.
    bool OffersRestart() const;
    // The server refused the last operation on a session that still stands.
    bool Refused() const;
    // Keeps the error; a lost or silent connection makes the transfer interrupted.
    bool Fail(ERemoteError kind, const std::string& text);
    bool CheckLength(const CRemoteStream& stream);
    // The size the server holds of `path`, when it tells it.
    bool AskSize(const std::string& path, uint64_t& size);
    // A size not known from a listing is asked for.
    uint64_t KnownLength();
    // The size and exact time as GetModifiedTime finds them, or asked
    // afresh; false on a server that tells no time.
    bool GetStamp(CSourceStamp& stamp, bool fresh);
    // The exact time of an exact listing, else the server's (asked once).
    bool GetExactTime(uint64_t& fileTime);
    // Whether the walk that found this file asked the server for its exact time.
    bool ListedExactly() const;
    std::string StampName() const;

    CRemoteSession* m_pSession = nullptr;
    TReconnect m_reconnect;
    std::function<TSessions()> m_partSessions;
    // A reader of one part owns its session; its stream ends first.
    std::unique_ptr<CSource> m_pOwnSession;
    CMadeFolders* m_pMadeFolders = nullptr;
    std::unique_ptr<CRemoteStream> m_stream;
    uint64_t m_nStart = 0;  // the offset the open transfer started at
    bool m_bInterrupted = false;
    bool m_bWritten = false;  // an upload ended whole, not yet in place
    bool m_bServerLost = false;
    bool m_bTempName = false;  // the job's setting when the file was made
    uint64_t m_nAskedTime = 0;  // the server's time of the file, once asked
};

}  // namespace velmora
