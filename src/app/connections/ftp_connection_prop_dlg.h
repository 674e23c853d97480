#pragma once

#include <functional>
#include <string>

#include <QWidget>

namespace velmora {
class CFtpLoginInfo;
}

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace parcelo {

class IPrompter;

// The properties of one connection. Every edit is written into the
// connection at once; a new display name is broadcast as message 21, and
// "Apply" broadcasts message 23, which makes the browser connect with them.
class CFtpConnectionPropDlg : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kLocalFolderPickerTitle = "Local folder";

    explicit CFtpConnectionPropDlg(IPrompter& prompter, QWidget* parent = nullptr);

    // Where the local folder's picker starts while the field is empty: the
    // local pane's folder.
    void SetLocalFolder(std::function<std::string()> folder) { m_localFolder = std::move(folder); }

    // The connection shown and edited (not owned); null clears the fields.
    void SetConnection(velmora::CFtpLoginInfo* info);
    velmora::CFtpLoginInfo* GetConnection() const { return m_pInfo; }

    void OnApply();

    QLineEdit* GetHostNameEdit() const { return m_pHostName; }

signals:
    // A field was written into the connection.
    void Edited();
    // "Apply" was pressed (after message 23 went out).
    void Applied();

private:
    // Writes into the connection shown, if any, and tells of the edit.
    void Edit(const std::function<void(velmora::CFtpLoginInfo&)>& write);
    QLineEdit* AddText(QFormLayout* form, const QString& label, const char* name);
    // A row of `edit` and a "..." button that runs `browse`; answers the row.
    QLayout* AddBrowsedRow(QFormLayout* form, const QString& label, QLineEdit* edit, const char* browseName,
                           void (CFtpConnectionPropDlg::*browse)());
    QSpinBox* AddNumber(QFormLayout* form, const QString& label, const char* name, int lowest, int highest);
    void ConnectEdits();
    // The CA file and "accept any certificate" rows.
    void AddTrustFields(QFormLayout* form);
    // The key file and agent rows of an SFTP connection.
    void AddSshFields(QFormLayout* form);
    void BrowseCaFile();
    void BrowseKeyFiles();
    void OnProtocolChosen(int choice);
    // The rows of the connection's protocol: TLS for FTP, keys for SFTP.
    void ShowProtocolRows();
    void BrowseLocalPath();
    // An anonymous login has no name or password of its own to edit.
    void ShowAnonymous(bool anonymous);
    void ShowFields();
    void ShowPasswordHint();
    // The bookmarks' table and its buttons, and the synchronised browsing
    // switch.
    void AddBookmarkFields(QFormLayout* form);
    void ShowBookmarks(const velmora::CFtpLoginInfo& shown);
    // The connection's bookmarks become the table's rows.
    void StoreBookmarks();

    IPrompter& m_prompter;
    std::function<std::string()> m_localFolder;
    velmora::CFtpLoginInfo* m_pInfo = nullptr;
    QFormLayout* m_pForm;
    QLineEdit* m_pHostName;
    QLineEdit* m_pHostAddr;
    QSpinBox* m_pPort;
    QCheckBox* m_pPassive;
    QComboBox* m_pProtocol;    // items in the order of EProtocolChoice
    QComboBox* m_pEncryption;  // items in the order of the TLS modes
    QLineEdit* m_pCaFile;
    QLayout* m_pCaRow;
    QCheckBox* m_pInsecure;
    QLabel* m_pInsecureWarning;  // shown while any certificate is accepted
    QLineEdit* m_pKeyFiles;      // the identities, "; " between them
    QLayout* m_pKeyRow;
    QCheckBox* m_pAgent;
    QCheckBox* m_pAnonymous;
    QLineEdit* m_pLogin;
    QLineEdit* m_pPassword;
    QCheckBox* m_pRemember;
    QLineEdit* m_pRemotePath;
    QLineEdit* m_pLocalPath;
    QSpinBox* m_pRetries;
    QSpinBox* m_pTimeout;
    QTableWidget* m_pBookmarks;  // name, local folder, server folder
    QCheckBox* m_pSyncBrowsing;
    QPushButton* m_pApply;
};

}  // namespace parcelo
