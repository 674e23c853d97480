#pragma once

#include <QDialog>

class QPushButton;

namespace velmora {
class CFtpLoginInfoList;
}

namespace parcelo {

class CAppSettings;
class CFtpConnectionsDlg;
class IPrompter;

// The Site Manager (File > Site Manager..., Ctrl+S): the user's sites in
// folders with their properties. Connect (or Enter in a field, or a double
// click on a site) connects to the selected site and closes the window.
class CSiteManagerDlg : public QDialog {
    Q_OBJECT

public:
    CSiteManagerDlg(velmora::CFtpLoginInfoList& connections, CAppSettings& settings, IPrompter& prompter,
                    QWidget* parent = nullptr);

    CFtpConnectionsDlg& GetSites() const { return *m_pSites; }
    QPushButton* GetConnectButton() const { return m_pConnect; }

private:
    CFtpConnectionsDlg* m_pSites;
    QPushButton* m_pConnect;
};

}  // namespace parcelo
