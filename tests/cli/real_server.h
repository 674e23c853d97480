#pragma once

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "cli/cli_runner.h"
#include "support/temp_dir.h"

namespace velmora::test {

// One server for one test; stopped with the object.
class RealServer {
public:
    // `tls`: "", or "tls12", "tls13", "implicit" (see real_ftp_servers.sh);
    // `conf`: more lines of the server's configuration.
    explicit RealServer(const std::string& name, const std::string& tls = {}, const std::string& conf = {})
        : m_name(name), m_tls(tls), m_conf(conf) {}
    // ProFTPD offers hash commands for these algorithms ("all", "sha256"):
    // set before Start.
    void OfferDigests(const std::string& algorithms) { m_digests = algorithms; }
    ~RealServer() { RunProgram({REAL_SERVERS_SCRIPT, "stop", m_dir.path()}); }
    RealServer(const RealServer&) = delete;
    RealServer& operator=(const RealServer&) = delete;

    // False with the reason when the server cannot run here.
    bool Start(std::string& reason) {
        const CliResult started = RunProgram({REAL_SERVERS_SCRIPT, "start", m_name, m_dir.path(), m_tls},
                                             {{"PARCELO_FTP_SERVERS_CACHE", REAL_SERVERS_CACHE},
                                              {"REAL_FTP_SERVER_CONF", m_conf},
                                              {"REAL_FTP_SERVER_DIGESTS", m_digests}});
        if (started.status != 0 || !started.out.starts_with("READY ")) {
            reason = m_name + " is not available: " + started.err;
            return false;
        }
        std::istringstream ready(started.out.substr(6));
        ready >> m_port >> m_user;
        return true;
    }
    std::string Url(const std::string& path, const std::string& scheme = "ftp") const {
        return UrlAt(m_port, path, scheme);
    }
    // The same server reached through another port (a relay in front of it).
    std::string UrlAt(int port, const std::string& path, const std::string& scheme = "ftp") const {
        return scheme + "://" + m_user + ":secret@127.0.0.1:" + std::to_string(port) + path;
    }
    int Port() const { return m_port; }
    std::string CaFile() const { return m_dir / "tls/ca.pem"; }
    std::string Home(const std::string& path) const { return m_dir / ("home/" + path); }
    // What the test wrote into the served folder becomes the server user's.
    void Own() const { RunProgram({"chown", "-R", "2000:2000", m_dir / "home"}); }
    const std::string& User() const { return m_user; }
    // Files the server received ("i") or sent ("o"), from its transfer log.
    int Transfers(char direction) const {
        const std::string vsftpd = direction == 'i' ? "OK UPLOAD:" : "OK DOWNLOAD:";
        const std::regex proftpd(std::string(" [ab] _ ") + direction + " ");
        int count = 0;
        for (const char* log : {"vsftpd.log", "xferlog"}) {
            std::ifstream in(m_dir / log);
            for (std::string line; std::getline(in, line);) {
                count += line.find(vsftpd) != std::string::npos || std::regex_search(line, proftpd);
            }
        }
        return count;
    }

private:
    std::string m_name;
    std::string m_tls;
    std::string m_conf;
    std::string m_digests;
    TempDir m_dir;
    int m_port = 0;
    std::string m_user;
};

}  // namespace velmora::test
