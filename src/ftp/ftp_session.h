#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ftp/ftp_dir.h"
#include "ftp/protocol/ftp_connection.h"
#include "ftp/remote_session.h"
#include "platform/api.h"

namespace velmora {

// The remote session over FTP and FTPS. What the interface leaves open is
// decided here, once for every caller:
//
// - Facts: a size or a time alone is asked with SIZE or MDTM, several facts
//   at once with MLST where the server sends them. SIZE and MDTM are older
//   than FEAT, and many servers answer them without listing them: a command
//   FEAT leaves out is tried once, and a 500/502 reply tells the session
//   not to try it again. A folder is told by entering it.
// - Paths: a file is opened, deleted or renamed after a change to its
//   folder, which the connection skips when it is there already, so the
//   files of one folder cost one CWD.
// - Errors: a 4xx reply is Busy, a 5xx reply Refused; a dropped, silent or
//   too slow connection (and 421, 425, 426) is Lost.
class VELMORA_API CFtpSession : public CRemoteSession {
public:
    // Bounds of one folder's listing text, and of one line of it.
    static constexpr size_t kMaxListing = size_t{256} << 20;
    static constexpr size_t kMaxLineLength = 64 * 1024;

    CFtpSession() = default;
    ~CFtpSession() override;
    CFtpSession(const CFtpSession&) = delete;
    CFtpSession& operator=(const CFtpSession&) = delete;

    bool Connect(const CFtpLoginInfo& login, const CSessionOptions& options) override;
    void Close() override;

    std::string GetScheme() const override;
    const std::string& GetHost() const override { return m_connection.GetServerName(); }
    uint16_t GetPort() const override { return m_connection.GetPort(); }
    bool IsConnected() const override { return m_connection.IsConnected(); }
    const CRemoteFeatures& GetFeatures() const override { return m_features; }
    const std::string& GetHomeFolder() const override { return m_home; }
    std::string GetEncryption() const override { return m_connection.GetTlsVersion(); }
    const CCertificateInfo& GetPeerCertificate() const override { return m_connection.GetPeerCertificate(); }
    std::string GetSystemType() override;

    bool List(const std::string& folder, const EntrySink& add, const RefusedSink& refused) override;
    bool GetFacts(const std::string& path, CRemoteFacts& facts) override;
    bool GetFactsOnly(const std::string& path, unsigned wanted, CRemoteFacts& facts) override;
    // MDTM in batches where the server is known to answer it.
    bool AskModifiedTimes(const std::vector<std::string>& paths, std::vector<uint64_t>& times) override;
    bool IsFolder(const std::string& path, std::string* target = nullptr) override;

    std::unique_ptr<CRemoteStream> OpenRead(const std::string& path, uint64_t offset) override;
    std::unique_ptr<CRemoteStream> OpenWrite(const std::string& path, uint64_t offset, ERemoteWrite mode) override;

    bool Rename(const std::string& from, const std::string& to) override;
    bool DeleteFile(const std::string& path) override;
    bool MakeFolder(const std::string& path) override;
    // Leaves the folder first: some servers will not remove the one a session is in.
    bool RemoveFolder(const std::string& path) override;
    // MFMT; Unsupported where the server does not offer it.
    bool SetModifiedTime(const std::string& path, uint64_t fileTime) override;
    // SITE CHMOD.
    bool SetPermissions(const std::string& path, uint32_t mode) override;
    // HASH (selecting the algorithm with OPTS HASH) where the server computes
    // `algorithm` with it, else that algorithm's older command (XSHA256,
    // XMD5, ...); whole files only.
    bool Hash(const std::string& path, const std::string& algorithm, uint64_t from, uint64_t to,
              std::string& digest) override;
    bool KeepAlive(int idleSeconds) override { return m_connection.KeepAlive(idleSeconds); }

    const std::string& GetLastError() const override { return m_strError; }
    ERemoteError GetLastErrorKind() const override { return m_eError; }

    // In TLS auto mode the server offered no TLS: the session is plain FTP.
    bool IsTlsDeclined() const { return m_connection.IsTlsDeclined(); }
    // Switches between machine and classic listings on an open session.
    void SetMachineListing(bool use);
    // The last listing came in the machine form (MLSD).
    bool WasMachineListing() const { return m_bMachineListed; }
    // The layout of the last classic listing (Unknown for a machine listing,
    // or one without entries).
    EListingFormat GetListingFormat() const { return m_eListingFormat; }
    // The lines of the last listing that could not be read, skipped (a
    // status record in the log says how many, and the first of them).
    int GetBrokenLines() const { return m_nBrokenLines; }

private:
    // What the session knows of a command the server may answer without
    // having listed it in FEAT.
    enum class EOffer { Offered, Untried, Absent };
    // What one question about a file told.
    enum class EAnswer { Told, Missing, Unknown, Failed };

    bool Fail(ERemoteError kind, const std::string& text);
    // The connection's last failure as this session's.
    bool ConnectionFailed();
    EAnswer Learn(EOffer& offer, bool answered);
    EAnswer AskSize(const std::string& path, CRemoteFacts& facts);
    EAnswer AskTime(const std::string& path, CRemoteFacts& facts);
    // MLST sends every fact in `wanted`.
    bool MachineFactsCover(unsigned wanted) const;
    bool AskMachineFacts(const std::string& path, CRemoteFacts& facts);
    std::unique_ptr<CRemoteStream> Open(const std::string& path, protocol::EFtpAccess access, uint64_t offset);
    bool ReadListing(protocol::CFtpDataStream& reply, const std::string& folder, const EntrySink& add,
                     const RefusedSink& refused);

    protocol::CFtpConnection m_connection;
    CRemoteFeatures m_features;
    std::string m_home;
    bool m_bMachineListing = true;
    bool m_bMachineListed = false;
    bool m_bListingByNameRefused = false;  // MLSD with a folder's name: refused once, not asked again
    EListingFormat m_eListingFormat = EListingFormat::Unknown;
    int m_nBrokenLines = 0;
    EOffer m_eSize = EOffer::Untried;
    EOffer m_eTime = EOffer::Untried;
    std::string m_strHashSelected;  // the algorithm HASH computes now
    std::string m_strError;
    ERemoteError m_eError = ERemoteError::None;
};

}  // namespace velmora
