#pragma once

#include <cstdint>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace parcelo {

class CAppSettings;
struct CTransferSettings;

// Edit > Settings...: what the transfers do and what the panes show. Each
// change is stored and takes effect at once (the next transfer uses it);
// Close only closes.
class CSettingsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSettingsDlg(CAppSettings& settings, QWidget* parent = nullptr);

    // The fields show the stored settings again.
    void ShowSettings();

    // The speed limit's field, in KiB/s as it shows there (0: no limit).
    static int ToKiBPerSecond(uint64_t bytesPerSecond);
    static constexpr int kMostKiBPerSecond = 10 * 1024 * 1024;

signals:
    void ShowHiddenChanged(bool show);
    // The transfer settings were stored and applied.
    void TransferSettingsChanged();

private:
    // Stores and applies what the fields say.
    void Apply();

    CAppSettings& m_settings;
    QComboBox* m_pExisting;
    QComboBox* m_pVerify;
    QSpinBox* m_pSessions;
    QCheckBox* m_pPreserveTimes;
    QSpinBox* m_pLowSpeedBytes;
    QSpinBox* m_pLowSpeedSeconds;
    QSpinBox* m_pRateLimit;
    QSpinBox* m_pDownloadParts;
    QCheckBox* m_pTrace;
    QCheckBox* m_pShowHidden;
};

}  // namespace parcelo
