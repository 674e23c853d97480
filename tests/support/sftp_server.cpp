#include "support/sftp_server.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace velmora::test {

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

const char kScript[] = VELMORA_SOURCE_DIR "/tests/support/real_ftp_servers.sh";
const char kCache[] = VELMORA_BINARY_DIR "/real-ftp-servers";

}  // namespace

int RunShell(const std::string& command, std::string* out) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, got);
    const int status = ::pclose(pipe);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

SftpServer::SftpServer(std::string kind, std::string mode) : m_kind(std::move(kind)), m_mode(std::move(mode)) {}

SftpServer::~SftpServer() {
    if (m_started) RunShell(std::string("sh ") + kScript + " stop " + Quoted(m_dir.path()) + " 2>/dev/null");
}

bool SftpServer::Start(std::string& reason) {
    std::string out;
    const int status = RunShell("PARCELO_FTP_SERVERS_CACHE=" + Quoted(kCache) + " sh " + kScript + " start " + m_kind +
                                    " " + Quoted(m_dir.path()) + " " + m_mode + " 2>&1",
                                &out);
    m_started = true;
    const size_t ready = out.rfind("READY ");
    if (status != 0 || ready == std::string::npos) {
        reason = m_kind + " is not available: " + out;
        return false;
    }
    std::istringstream words(out.substr(ready + 6));
    words >> m_port >> m_user;
    return m_port != 0;
}

std::string SftpServer::Home(const std::string& relative) const { return m_dir / ("home/" + relative); }

std::string SftpServer::Remote(const std::string& relative) const {
    return m_kind == "sshd" ? Home(relative) : "/" + relative;
}

std::string SftpServer::HostKeyFile() const {
    return m_kind == "sshd" ? "ssh/host_ed25519.pub" : "ssh/hostkey_ecdsa.pub";
}

std::string SftpServer::Fingerprint() const {
    std::string shown;
    RunShell("ssh-keygen -l -f " + Quoted(m_dir / HostKeyFile()), &shown);
    const size_t start = shown.find("SHA256:");
    return start == std::string::npos ? std::string() : shown.substr(start, shown.find(' ', start) - start);
}

std::string SftpServer::KnownHostsLine(const std::string& publicKeyFile, uint16_t port) const {
    const std::string file = publicKeyFile.empty() ? HostKeyFile() : publicKeyFile;
    std::istringstream key(ReadFile(file.starts_with("/") ? file : m_dir / file));
    std::string type, blob;
    key >> type >> blob;
    return "[127.0.0.1]:" + std::to_string(port ? port : m_port) + " " + type + " " + blob;
}

int SftpServer::CountRequests(const std::string& text) const {
    std::ifstream in(m_dir / "requests.log");
    int count = 0;
    for (std::string line; std::getline(in, line);) count += line.find(text) != std::string::npos;
    return count;
}

namespace {

// ProFTPD's transfer log, one line a transfer: "date time secs host bytes
// file type action direction ...".
struct TransferLine {
    uint64_t bytes = 0;
    std::string file;
    std::string direction;  // "i": in, "o": out
};

std::vector<TransferLine> ReadTransferLog(const std::string& path) {
    std::vector<TransferLine> lines;
    std::ifstream in(path);
    for (std::string text; std::getline(in, text);) {
        std::istringstream words(text);
        std::string skipped, action;
        TransferLine line;
        for (int i = 0; i < 7; ++i) words >> skipped;
        words >> line.bytes >> line.file >> skipped >> action >> line.direction;
        if (words) lines.push_back(line);
    }
    return lines;
}

}  // namespace

int SftpServer::Uploads() const {
    if (m_kind == "sshd") return CountRequests("flags WRITE");
    int count = 0;
    for (const TransferLine& line : ReadTransferLog(m_dir / "xferlog")) count += line.direction == "i";
    return count;
}

int SftpServer::Sessions() const {
    if (m_kind == "sshd") return CountRequests("session opened");
    std::istringstream log(ReadFile(m_dir / "sftp.log"));
    int count = 0;
    for (std::string line; std::getline(log, line);) count += line.find("using SFTP protocol version") != std::string::npos;
    return count;
}

std::vector<uint64_t> SftpServer::Readings(const std::string& remotePath) const {
    std::vector<uint64_t> readings;
    if (m_kind != "sshd") {
        // The log names the file on disk, blanks written as "_".
        std::string file = Home(remotePath.substr(1));
        for (char& c : file) c = c == ' ' ? '_' : c;
        for (const TransferLine& line : ReadTransferLog(m_dir / "xferlog")) {
            if (line.direction == "o" && line.file == file) readings.push_back(line.bytes);
        }
        return readings;
    }
    std::ifstream in(m_dir / "requests.log");
    const std::string prefix = "close \"" + remotePath + "\" bytes read ";
    for (std::string line; std::getline(in, line);) {
        const size_t at = line.find(prefix);
        if (at != std::string::npos) readings.push_back(std::stoull(line.substr(at + prefix.size())));
    }
    return readings;
}

uint64_t SftpServer::BytesRead(const std::string& remotePath) const {
    uint64_t total = 0;
    for (uint64_t bytes : Readings(remotePath)) total += bytes;
    return total;
}

bool SftpServer::SawLoginAttempt() const {
    const std::string& log = GetLog();
    for (const char* mark : {"Accepted", "Failed", "authenticating user", "userauth"}) {
        if (log.find(mark) != std::string::npos) return true;
    }
    return false;
}

void SftpServer::Own() const { RunShell("chown -R 2000:2000 " + Quoted(m_dir / "home")); }

const std::string& SftpServer::GetLog() const {
    m_log = ReadFile(m_dir / "server.log") + ReadFile(m_dir / "sftp.log");
    return m_log;
}

}  // namespace velmora::test
