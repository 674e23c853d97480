#include "app/shell/settings_dlg.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/common/app_settings.h"
#include "app/transfers/transfer_settings.h"
#include "engine/file_parts.h"

namespace parcelo {
namespace {

// The existing-target answers as stored, with their labels.
const std::pair<const char*, const char*> kExistingTargets[] = {
    {"Ask", "Ask each time"},       {"Overwrite", "Overwrite"}, {"OverwriteIfNewer", "Overwrite if newer"},
    {"Resume", "Resume (continue)"}, {"Rename", "Rename"},       {"Skip", "Skip"}};

// The verification choices as stored, with their labels.
const std::pair<const char*, const char*> kVerifyChoices[] = {
    {"auto", "Where the server offers a hash"}, {"require", "Always (fail where it cannot)"}, {"off", "Never"}};

QSpinBox* Number(const char* name, int lowest, int highest, const QString& suffix = {}) {
    auto* spin = new QSpinBox;
    spin->setObjectName(name);
    spin->setRange(lowest, highest);
    spin->setSuffix(suffix);
    return spin;
}

QCheckBox* Switch(const QString& text, const char* name) {
    auto* box = new QCheckBox(text);
    box->setObjectName(name);
    return box;
}

}  // namespace

CSettingsDlg::CSettingsDlg(CAppSettings& settings, QWidget* parent) : QDialog(parent), m_settings(settings) {
    setObjectName("settings");
    setWindowTitle(tr("Settings"));

    auto* transfers = new QGroupBox(tr("Transfers"));
    auto* form = new QFormLayout(transfers);
    m_pExisting = new QComboBox;
    m_pExisting->setObjectName("existingTarget");
    for (const auto& [value, label] : kExistingTargets) m_pExisting->addItem(tr(label), QString(value));
    form->addRow(tr("When a &file exists:"), m_pExisting);
    m_pSessions = Number("sessions", 1, CAppSettings::kMostSimultaneousTransfers);
    m_pSessions->setToolTip(tr("How many connections a transfer opens to its server side by side"));
    form->addRow(tr("&Simultaneous transfers:"), m_pSessions);
    m_pPreserveTimes = Switch(tr("&Keep the files' modification times"), "preserveTimes");
    form->addRow(m_pPreserveTimes);
    m_pLowSpeedBytes = Number("lowSpeedBytes", 0, 10 * 1024 * 1024, tr(" B/s"));
    m_pLowSpeedBytes->setSpecialValueText(tr("Never"));
    m_pLowSpeedSeconds = Number("lowSpeedSeconds", 1, 3600, tr(" s"));
    auto* lowSpeed = new QHBoxLayout;
    lowSpeed->addWidget(m_pLowSpeedBytes);
    lowSpeed->addWidget(new QLabel(tr("on average over")));
    lowSpeed->addWidget(m_pLowSpeedSeconds);
    auto* lowSpeedLabel = new QLabel(tr("Cut a transfer &below:"));
    lowSpeedLabel->setBuddy(m_pLowSpeedBytes);
    form->addRow(lowSpeedLabel, lowSpeed);
    m_pRateLimit = Number("rateLimit", 0, kMostKiBPerSecond, tr(" KiB/s"));
    m_pRateLimit->setSpecialValueText(tr("No limit"));
    m_pRateLimit->setToolTip(tr("The most a transfer sends or receives per second, all its connections together"));
    form->addRow(tr("Speed &limit:"), m_pRateLimit);
    m_pDownloadParts = Number("downloadParts", 1, velmora::kMaxFileParts);
    m_pDownloadParts->setSpecialValueText(tr("One stream"));
    m_pDownloadParts->setToolTip(
        tr("Download each file of 2 MiB or more in this many parts at once, each over a "
           "connection of its own, from servers that can start a file at an offset"));
    form->addRow(tr("&Parts per download:"), m_pDownloadParts);
    m_pVerify = new QComboBox;
    m_pVerify->setObjectName("verify");
    for (const auto& [value, label] : kVerifyChoices) m_pVerify->addItem(tr(label), QString(value));
    m_pVerify->setToolTip(tr("Compare each file sent or received with the server's own hash of it; a file whose "
                             "bytes changed on the way goes again once, then fails"));
    form->addRow(tr("&Verify files:"), m_pVerify);

    auto* log = new QGroupBox(tr("Log"));
    auto* logLayout = new QVBoxLayout(log);
    m_pTrace = Switch(tr("Write every FTP &command and reply, and every SFTP request, to the log file"), "protocolTrace");
    logLayout->addWidget(m_pTrace);

    auto* view = new QGroupBox(tr("View"));
    auto* viewLayout = new QVBoxLayout(view);
    m_pShowHidden = Switch(tr("Show &hidden files"), "showHidden");
    viewLayout->addWidget(m_pShowHidden);
    // Where passwords are kept (the desktop's keyring or the sites file)
    // gets a group of its own once the keyring is used.

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(transfers);
    layout->addWidget(log);
    layout->addWidget(view);
    layout->addStretch(1);
    layout->addWidget(buttons);

    ShowSettings();
    for (QComboBox* box : {m_pExisting, m_pVerify}) connect(box, &QComboBox::currentIndexChanged, this, &CSettingsDlg::Apply);
    for (QSpinBox* spin : {m_pSessions, m_pLowSpeedBytes, m_pLowSpeedSeconds, m_pRateLimit, m_pDownloadParts}) {
        connect(spin, &QSpinBox::valueChanged, this, &CSettingsDlg::Apply);
    }
    for (QCheckBox* box : {m_pPreserveTimes, m_pTrace}) connect(box, &QCheckBox::toggled, this, &CSettingsDlg::Apply);
    connect(m_pShowHidden, &QCheckBox::toggled, this, [this](bool show) {
        m_settings.SetShowHidden(show);
        emit ShowHiddenChanged(show);
    });
}

void CSettingsDlg::ShowSettings() {
    const CTransferSettings stored = m_settings.GetTransferSettings();
    const QSignalBlocker a(m_pExisting), b(m_pSessions), c(m_pPreserveTimes), d(m_pLowSpeedBytes),
        e(m_pLowSpeedSeconds), f(m_pTrace), g(m_pShowHidden), h(m_pVerify), i(m_pRateLimit), j(m_pDownloadParts);
    const int existing = m_pExisting->findData(QString::fromStdString(stored.existingTarget));
    m_pExisting->setCurrentIndex(existing >= 0 ? existing : 0);
    m_pSessions->setValue(stored.sessions);
    m_pPreserveTimes->setChecked(stored.preserveTimes);
    m_pLowSpeedBytes->setValue(static_cast<int>(std::min<uint32_t>(stored.lowSpeedBytes, 10 * 1024 * 1024)));
    m_pLowSpeedSeconds->setValue(stored.lowSpeedSeconds);
    m_pRateLimit->setValue(ToKiBPerSecond(stored.rateLimit));
    m_pDownloadParts->setValue(stored.downloadParts);
    m_pTrace->setChecked(stored.protocolTrace);
    m_pVerify->setCurrentIndex(std::max(m_pVerify->findData(QString::fromStdString(stored.verify)), 0));
    m_pShowHidden->setChecked(m_settings.GetShowHidden());
}

int CSettingsDlg::ToKiBPerSecond(uint64_t bytesPerSecond) {
    // A limit below 1 KiB/s still shows as one, not as "No limit".
    if (bytesPerSecond == 0) return 0;
    return static_cast<int>(std::clamp<uint64_t>((bytesPerSecond + 1023) / 1024, 1, kMostKiBPerSecond));
}

void CSettingsDlg::Apply() {
    // A limit set elsewhere in bytes that the field cannot show exactly
    // stays as it is unless the field is changed.
    const CTransferSettings stored = m_settings.GetTransferSettings();
    CTransferSettings chosen;
    chosen.existingTarget = m_pExisting->currentData().toString().toStdString();
    chosen.sessions = m_pSessions->value();
    chosen.preserveTimes = m_pPreserveTimes->isChecked();
    chosen.protocolTrace = m_pTrace->isChecked();
    chosen.lowSpeedBytes = static_cast<uint32_t>(m_pLowSpeedBytes->value());
    chosen.lowSpeedSeconds = m_pLowSpeedSeconds->value();
    chosen.verify = m_pVerify->currentData().toString().toStdString();
    chosen.downloadParts = m_pDownloadParts->value();
    chosen.rateLimit = m_pRateLimit->value() == ToKiBPerSecond(stored.rateLimit)
                           ? stored.rateLimit
                           : static_cast<uint64_t>(m_pRateLimit->value()) * 1024;
    m_settings.SetTransferSettings(chosen);
    ApplyTransferSettings(chosen);
    emit TransferSettingsChanged();
}

}  // namespace parcelo
