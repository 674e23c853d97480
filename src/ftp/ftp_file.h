#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/block_copy.h"
#include "ftp/login_info.h"
#include "ftp/stream_check.h"
#include "messaging/listener.h"
#include "paths/file_path.h"
#include "platform/api.h"

namespace velmora {

class CMsg;
class CRemoteSession;
class CRemoteStream;

// One remote file copied to a local file in the foreground, over a session
// of its own:
//
//     CFtpFile file;
//     CMsgBox::Box().Subscribe("CFtpFile", &file);   // to hear cancel requests
//     file.Login(host, user, password) && file.Download(remote, local);
//
// The session is opened as the transfers' are (a login info brings its TLS
// settings), and a download is complete only when the server confirmed it
// and it brought the size the folder listing gave.
//
// A file read whole, by Download or by reading it to its end before Close,
// is checked against the server's hash of it where the server offers one
// (SetVerify; the default is EVerify::Auto): Download goes once more from
// the first byte after a mismatch, and removes the local file when the
// second try differs too; Close answers false after reading other bytes
// than the server holds.
//
// Progress goes out as command-16 messages of unit 16 (range and position
// carry 64-bit values); a command-15 broadcast with Argc 1 cancels, leaving
// the part already written in the local file. Failures leave their reason in
// GetStrError(), always starting with "Ftp: ".
class VELMORA_API CFtpFile : public CListener {
public:
    static constexpr size_t kBlockSize = kCopyBlockSize;
    // Class-wide connection settings: the time-out of each wait, in
    // milliseconds, and passive mode.
    static int32_t m_msecTimeOut;
    static int32_t m_bPassive;

    CFtpFile();
    // Leaves the message box and closes everything.
    ~CFtpFile() override;
    CFtpFile(const CFtpFile&) = delete;
    CFtpFile& operator=(const CFtpFile&) = delete;

    // Connects to the host (port 0 means 21) and logs in, in plain FTP.
    bool Login(const std::string& host, const std::string& user, const std::string& password, uint16_t port = 0);
    // Logs in as the login info says (its TLS settings included); the
    // class-wide time-out and passive mode hold as for the other Login.
    bool Login(const CFtpLoginInfo& info);
    // How the files read whole are checked against the server's hash.
    void SetVerify(EVerify verify) { m_eVerify = verify; }
    // Finds the file in its folder's listing (folders do not count) and
    // opens it for reading. Where a check is required and the server
    // offers no hash, the file is not opened.
    bool Open(const std::string& remotePath);
    // Copies the open remote file to the local path (created or truncated),
    // then closes the remote file. A file that fails its check twice is
    // removed.
    bool Download(const CFtpPath& local);
    bool Download(const CFtpPath& remote, const CFtpPath& local);

    // Closes the remote file and the connection; false when the file was
    // read to its end and the server did not confirm it or its check failed
    // (the reason is GetStrError()).
    virtual bool Close();
    // Only the remote file, as Close.
    bool CloseInternetFile();
    void CloseConnection();

    // The open remote file, in blocks: bytes read (0 at the end, on an error
    // or without an open file), written.
    virtual size_t Read(void* buffer, size_t count);
    virtual bool Write(const void* data, size_t count);
    // The next line of the open remote file, without its line end ("\n" or
    // "\r\n"); false at the end of the file (or on an error, or without an
    // open file). A last line without a line end is still a line.
    virtual bool ReadString(std::string& line);
    // Writes go out as they are made: nothing waits to be flushed.
    virtual void Flush() {}
    // Abandons the open remote file.
    virtual void Abort() { DropInternetFile(); }
    // The size of the open file as its folder listing gave it.
    virtual uint64_t GetLength() const { return m_nLength; }

    bool IsConnected() const;
    bool IsOpen() const { return m_pFile != nullptr; }
    // The open file's path with its size, times and attributes.
    const CFtpPath& GetRemotePath() const { return m_remote; }
    const std::string& GetStrError() const { return m_strError; }

    // Command 15 sets the cancel flag when its Argc is 1 and clears it otherwise.
    void OnMsg(CMsg& msg) override;

protected:
    bool Login();
    bool CheckConnection();
    bool CheckOpen();
    bool SetCurrentDirectoryW(const std::string& folder);
    // The server's last reply, at most 255 characters.
    std::string GetInternetResponseInfo() const;
    // Sets the last error to "Ftp: " + text; answers false.
    bool ShowError(const std::string& text);
    // A local text file, whole (UTF-8 as it is); false when it is missing
    // or cannot be read (the reason is the last error then).
    bool LoadFile(const std::string& localPath, std::string& text);
    CRemoteSession* FtpGetConnection() const { return m_pSession.get(); }

private:
    bool FindRemote(const CFtpPath& wanted);
    bool OpenStream();
    // A block of the open remote file, fed to its check; notes the end.
    bool ReadStream(char* buffer, size_t size, size_t& received);
    // One pass of Download into the opened local file; the stream is closed
    // after it. `checked` is the verdict of a complete pass.
    bool CopyToLocal(const std::string& localPath, ECheckVerdict& checked);
    // The server confirmed the file read to its end, with the listed size,
    // and its check allows it.
    bool ConfirmWhole(ECheckVerdict& checked);
    // The open remote file goes without a word to the server about it.
    void DropInternetFile();
    class CDownloadProgress;

    CFtpLoginInfo m_login;
    std::unique_ptr<CRemoteSession> m_pSession;
    std::unique_ptr<CRemoteStream> m_pFile;
    // Bytes ReadString took from the file beyond the line it answered;
    // the next Read or ReadString starts with them.
    std::string m_strReadAhead;
    size_t m_nReadAheadAt = 0;
    CFtpPath m_remote;
    uint64_t m_nLength = 0;
    EVerify m_eVerify = EVerify::Auto;
    // The check of the open file, fed from its first byte; and whether the
    // stream reached its end (the file was read whole).
    std::unique_ptr<CStreamCheck> m_pCheck;
    bool m_bReadToEnd = false;
    std::string m_strError;
    // Set by a broadcast that may come from another thread.
    std::atomic<bool> m_bCancel{false};
};

}  // namespace velmora
