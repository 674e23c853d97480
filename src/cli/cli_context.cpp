#include "cli/cli_context.h"

#include "base/secret_text.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <string_view>

#include "base/format.h"
#include "base/path_text.h"
#include "cli/terminal_prompt.h"
#include "paths/file_path.h"
#include "platform/system.h"

namespace parcelo::cli {
namespace {

constexpr std::string_view kMask = "***";
constexpr std::string_view kSchemeEnd = "://";

// A list without connections reads as "not a list"; it is an empty one.
bool IsEmptyList(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.find("<CFtpLoginInfoList") != std::string::npos && text.find("<CFtpLoginInfo ") == std::string::npos &&
           text.find("</CFtpLoginInfoList>") != std::string::npos;
}

}  // namespace

std::string CliContext::DefaultConnectionsFile() {
    return velmora::AppendSlash(velmora::platform::AppDataFolder(), '/') + "Parcelo/Projects/FtpPropList.xml";
}

std::string CliContext::ConnectionsFile() const {
    return options.connectionsFile.empty() ? DefaultConnectionsFile() : options.connectionsFile;
}

bool CliContext::Connections(velmora::CFtpLoginInfoList*& list, std::string& error) {
    if (!m_connections) {
        auto loaded = std::make_unique<velmora::CFtpLoginInfoList>();
        const std::string file = ConnectionsFile();
        // A missing file is an empty list; a file that is there must be one.
        if (velmora::CFilePath::IsExistsFile(file) && !loaded->LoadXML(file) && !IsEmptyList(file)) {
            error = "cannot read the connection list '" + file + "'";
            return false;
        }
        m_connections = std::move(loaded);
    }
    list = m_connections.get();
    return true;
}

bool CliContext::PasswordFromFile(std::string& password, bool& found, std::string& error) const {
    found = false;
    if (options.passwordFile.empty()) return true;
    std::ifstream in(options.passwordFile, std::ios::binary);
    if (!in) {
        error = "cannot read the password file '" + options.passwordFile + "'";
        return false;
    }
    std::string line;
    const velmora::CWipedText wiped(line);
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    password = line;
    found = true;
    return true;
}

bool CliContext::PasswordFromEnvironment(std::string& password) {
    const std::string value = velmora::platform::GetEnvironment("PARCELO_PASSWORD");
    if (value.empty()) return false;
    password = value;
    return true;
}

std::string CliContext::Mask(std::string text) {
    for (size_t at = text.find(kSchemeEnd); at != std::string::npos; at = text.find(kSchemeEnd, at)) {
        const size_t start = at + kSchemeEnd.size();
        // The authority runs to the path, or to the end of the word.
        const size_t end = std::min(text.find_first_of("/ \t\r\n'\"", start), text.size());
        const size_t userEnd = text.rfind('@', end - 1);
        const size_t colon = userEnd == std::string::npos || userEnd < start ? std::string::npos
                                                                             : text.find(':', start);
        if (colon != std::string::npos && colon < userEnd) {
            text.replace(colon + 1, userEnd - colon - 1, kMask);
        }
        at = start;
    }
    return text;
}

std::string CliContext::Readable(const std::string& text) {
    // The engine puts its category before a session's error, and the session
    // puts "Ftp: " before the server's words: one prefix is enough.
    static const std::regex kSessionPrefix("(^|: ) *Ftp: ");
    static const std::regex kWideColon(":  +");
    return std::regex_replace(std::regex_replace(text, kSessionPrefix, "$1"), kWideColon, ": ");
}

int CliContext::Report(const std::string& text, int status) const {
    std::fprintf(stderr, "parcelo-cli: %s\n", Mask(Readable(WithTrustHint(text))).c_str());
    return status;
}

bool CliContext::AskPassword(const velmora::CFtpLoginInfo& login, std::string& password) {
    const std::string account = velmora::Format("%s@%s:%d", login.GetLoginName().c_str(), login.GetHost().c_str(),
                                                login.GetPort());
    const auto known = m_answers.find(account);
    if (known != m_answers.end()) {
        password = known->second;
        return true;
    }
    if (!PromptPassword("Password for " + account + ": ", password)) return false;
    m_answers[account] = password;
    return true;
}

void CliContext::Warn(const std::string& text) const {
    if (!text.empty()) Report(text, kExitOk);
}

void CliContext::Print(const std::string& text) const { std::printf("%s\n", Mask(text).c_str()); }

}  // namespace parcelo::cli
