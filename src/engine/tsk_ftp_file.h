#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/tsk_data_file.h"
#include "ftp/protocol/ftp_connection.h"
#include "ftp/protocol/ftp_data_stream.h"
#include "platform/api.h"

namespace velmora {

// A file on an FTP server, read or written over the connection of its
// source's client (not owned). The connection remembers its current folder,
// so files of one folder change to it only once.
class VELMORA_API CTskFtpFile : public CTskDataFile {
public:
    CTskFtpFile() = default;
    CTskFtpFile(const CFtpPath& path, protocol::CFtpConnection* connection, const CMFCObjNode* node = nullptr,
                bool folderTree = false);
    ~CTskFtpFile() override;

    CObj* CreateObject() const override { return new CTskFtpFile(); }
    void Copy(const CObj& src) override;

    void SetConnection(protocol::CFtpConnection* connection) { m_pConnection = connection; }
    protocol::CFtpConnection* GetConnection() const { return m_pConnection; }

    bool IsOpen() const override { return m_stream != nullptr; }
    bool IsClosed() const override { return m_stream == nullptr; }
    // Enters the file's folder ("Unable connect to source: ").
    bool OpenRead() override;
    // Enters the file's folder, creating the levels that cannot be entered
    // ("Unable connect to destination: ").
    bool OpenWrite() override;
    // Opens the file by its name in the current folder (binary).
    bool Open(uint32_t flags) override;
    bool Read(char* buffer, size_t size, size_t& received) override;
    bool Write(const char* data, size_t size) override;
    // A complete transfer must be confirmed by the server; an incomplete one
    // is aborted.
    bool CloseFile(bool complete = true) override;
    bool MakeFolder() override { return OpenWrite(); }
    // The exact time of a machine listing, else the server's MDTM when it
    // offers it, else the listed time (to the minute, read as local time).
    uint64_t GetModifiedTime() override;
    // MFMT where the server offers it; true (nothing done) elsewhere.
    bool SetModifiedTime(uint64_t fileTime) override;

private:
    bool HasConnection();
    // Enters the folder, or creates it level by level from the top.
    bool EnterOrCreate(const std::string& folder);

    protocol::CFtpConnection* m_pConnection = nullptr;
    std::unique_ptr<protocol::CFtpDataStream> m_stream;
};

}  // namespace velmora
