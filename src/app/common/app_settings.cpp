#include "app/common/app_settings.h"

#include <algorithm>

#include <QSettings>
#include <QString>

#include "base/format.h"
#include "base/path_text.h"
#include "base/system_info.h"
#include "base/text.h"
#include "engine/file_check.h"
#include "engine/file_parts.h"

namespace parcelo {
namespace {

constexpr const char* kHome = "Home";
constexpr const char* kCurProject = "CurProject";
constexpr const char* kSelConnection = "SelConnection";
constexpr const char* kLeftTab = "LeftTab";
constexpr const char* kSelNode = "SelNode";

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

std::string ServerKey(const std::string& host, uint16_t port) {
    return velmora::ToLowerAscii(host) + ":" + std::to_string(port);
}

}  // namespace

std::string CAppSettings::GetAboutText() {
    return velmora::Format("%s\nVersion %d.%d.%d    (b%d)", kProduct, PARCELO_VERSION_MAJOR, PARCELO_VERSION_MINOR,
                           PARCELO_VERSION_PATCH, PARCELO_BUILD_NUMBER);
}

CAppSettings::CAppSettings(std::string defaultHome) : m_strDefaultHome(std::move(defaultHome)) {}

std::string CAppSettings::ReadValue(const char* name) {
    QSettings store(kCompany, kProduct);
    store.beginGroup(kGroup);
    return store.value(name).toString().toStdString();
}

const std::string& CAppSettings::ReadThrough(std::string& cache, const char* name) {
    if (cache.empty()) cache = ReadValue(name);
    return cache;
}

std::string CAppSettings::GetHome() {
    // An empty "Home" stays empty: a bare "/" would make the root the home.
    if (m_strHome.empty()) {
        const std::string home = ReadValue(kHome);
        if (!home.empty()) m_strHome = velmora::AppendSlash(home, '/');
    }
    return m_strHome;
}

std::string CAppSettings::GetCurProject() {
    if (ReadThrough(m_strCurProject, kCurProject).empty()) {
        m_strCurProject = GetProjectsFolder() + "FtpPropList.xml";
    }
    return m_strCurProject;
}

std::string CAppSettings::GetSelConnection() { return ReadThrough(m_strSelConnection, kSelConnection); }

std::string CAppSettings::GetSelNode() { return ReadThrough(m_strSelNode, kSelNode); }

int CAppSettings::GetLeftTab() { return velmora::ParseInt32(ReadThrough(m_strLeftTab, kLeftTab)); }

int CAppSettings::GetSimultaneousTransfers() const {
    const int32_t number = velmora::ParseInt32(ReadValue(kSimultaneousTransfers));
    if (number < 1) return kDefaultSimultaneousTransfers;
    return std::min(number, kMostSimultaneousTransfers);
}

bool CAppSettings::AllowsPlainFtp(const std::string& host, uint16_t port) {
    const std::string servers = " " + ReadValue(kPlainFtpServers) + " ";
    return servers.find(" " + ServerKey(host, port) + " ") != std::string::npos;
}

bool CAppSettings::AllowPlainFtp(const std::string& host, uint16_t port) {
    if (AllowsPlainFtp(host, port)) return true;
    const std::string servers = ReadValue(kPlainFtpServers);
    return WriteValue(kPlainFtpServers, (servers.empty() ? "" : servers + " ") + ServerKey(host, port));
}

CTransferSettings CAppSettings::GetTransferSettings() const {
    CTransferSettings settings;
    const std::string existing = GetExistingTarget();
    if (!existing.empty()) settings.existingTarget = existing;
    settings.sessions = GetSimultaneousTransfers();
    settings.preserveTimes = GetPreserveTimes();
    settings.protocolTrace = GetProtocolTrace();
    const auto number = [](const char* name, int64_t fallback) {
        const std::string text = ReadValue(name);
        return text.empty() ? fallback : std::max<int64_t>(velmora::ParseInt64(text), 0);
    };
    settings.lowSpeedBytes = static_cast<uint32_t>(
        std::min<int64_t>(number(kLowSpeedBytes, settings.lowSpeedBytes), UINT32_MAX));
    settings.lowSpeedSeconds = static_cast<int>(std::clamp<int64_t>(number(kLowSpeedSeconds, settings.lowSpeedSeconds), 1, 3600));
    settings.rateLimit = static_cast<uint64_t>(number(kRateLimit, 0));
    settings.downloadParts = static_cast<int>(
        std::clamp<int64_t>(number(kDownloadParts, settings.downloadParts), 1, velmora::kMaxFileParts));
    velmora::EVerify verify = velmora::EVerify::Auto;
    if (velmora::ParseVerifyName(ReadValue(kVerifyTransfers), verify)) settings.verify = velmora::VerifyName(verify);
    return settings;
}

void CAppSettings::SetTransferSettings(const CTransferSettings& settings) {
    WriteValue(std::string(kExistingTarget), settings.existingTarget);
    WriteValue(std::string(kSimultaneousTransfers), std::to_string(settings.sessions));
    WriteValue(std::string(kPreserveTimes), std::string(settings.preserveTimes ? "1" : "0"));
    WriteValue(std::string(kProtocolTrace), std::string(settings.protocolTrace ? "1" : "0"));
    WriteValue(std::string(kLowSpeedBytes), std::to_string(settings.lowSpeedBytes));
    WriteValue(std::string(kLowSpeedSeconds), std::to_string(settings.lowSpeedSeconds));
    WriteValue(std::string(kVerifyTransfers), settings.verify);
    WriteValue(std::string(kRateLimit), std::to_string(settings.rateLimit));
    WriteValue(std::string(kDownloadParts), std::to_string(settings.downloadParts));
}

std::vector<std::string> CAppSettings::ReadLines(const char* name) {
    std::vector<std::string> lines;
    for (const QString& line : QString::fromStdString(ReadValue(name)).split('\n', Qt::SkipEmptyParts)) {
        lines.push_back(line.toStdString());
    }
    return lines;
}

void CAppSettings::WriteLines(const char* name, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    WriteValue(std::string(name), text);
}

velmora::EPasswordStore CAppSettings::GetPasswordStore() const {
    velmora::EPasswordStore store = velmora::EPasswordStore::Auto;
    if (!velmora::ParsePasswordStore(ReadValue(kPasswordStore), store)) return velmora::EPasswordStore::Auto;
    return store;
}

bool CAppSettings::SetPasswordStore(velmora::EPasswordStore store) {
    return WriteValue(kPasswordStore, std::string(velmora::PasswordStoreName(store)));
}

void CAppSettings::Load() {
    GetHome();
    GetCurProject();
    GetSelConnection();
    GetLeftTab();
    GetSelNode();
}

void CAppSettings::Save() {
    WriteValue(kCurProject, m_strCurProject);
    WriteValue(kSelConnection, m_strSelConnection);
    WriteValue(kLeftTab, m_strLeftTab);
    WriteValue(kSelNode, m_strSelNode);
}

std::string CAppSettings::GetAppDataFolder() const {
    return velmora::AppendSlash(velmora::GetAppDataPath(), '/') + "Parcelo/";
}

std::string CAppSettings::GetProjectsFolder() const { return GetAppDataFolder() + "Projects/"; }

std::string CAppSettings::GetLogFile() const { return GetAppDataFolder() + "Parcelo.log"; }

std::string CAppSettings::GetSkinFolder() {
    std::string home = GetHome();
    if (home.empty()) home = m_strDefaultHome;
    // Without any home the skin is looked for below the current folder.
    if (home.empty()) return "Skin/";
    return velmora::RemoveSlash(home) + "/Skin/";
}

std::string CAppSettings::GetAnimationFile() { return GetSkinFolder() + "FINDCOMP.png"; }

bool CAppSettings::WriteValue(const std::optional<std::string>& name, const std::optional<std::string>& text) {
    QSettings store(kCompany, kProduct);
    if (!store.isWritable()) return false;
    if (!name) {
        store.remove(kGroup);
    } else {
        store.beginGroup(kGroup);
        if (text) {
            store.setValue(ToQt(*name), ToQt(*text));
        } else {
            store.remove(ToQt(*name));
        }
        store.endGroup();
    }
    store.sync();
    return store.status() == QSettings::NoError;
}

}  // namespace parcelo
