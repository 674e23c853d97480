#pragma once

#include <string>

#include <QTreeWidget>

#include "app/common/qt_controls.h"
#include "app/common/splitter_dlg.h"
#include "app/connections/login_password.h"

class QComboBox;
class QVBoxLayout;
class QPushButton;

namespace velmora {
class CFtpLoginInfo;
class CFtpLoginInfoList;
}  // namespace velmora

namespace parcelo {

class CAppSettings;
class CFtpConnectionPropDlg;

// The user's connections: a list with a "New" button, and the property page
// of the selected connection. Selecting a connection remembers its name as
// "SelConnection" (and tells it, for the browser to show that connection);
// deselecting forgets it, clears the page and broadcasts message 22 with
// the connection the page showed.
class CFtpConnectionsDlg : public CSplitterDlg {
    Q_OBJECT

public:
    // `connections` is the program's list (not owned).
    CFtpConnectionsDlg(velmora::CFtpLoginInfoList& connections, CAppSettings& settings, QWidget* parent = nullptr);

    // Refills the list from the connections.
    void Populate();
    // Selects the connection with that display name; false when none has it.
    bool SelectConnection(const std::string& name);
    velmora::CFtpLoginInfo* GetSelected() const;
    // The list's entry of the connection shows its new name (message 21).
    void UpdateName(const velmora::CFtpLoginInfo& renamed);
    // The connection (known by its GUID) keeps the trusted certificate's fingerprint.
    void TrustCertificate(const velmora::CFtpLoginInfo& trusted);
    // The connection (known by its GUID) keeps the password its login was
    // given (KeepLoginPassword); one to be saved again is saved now.
    void KeepPassword(const velmora::CFtpLoginInfo& ready, ELoginPassword how);

    // "New": a new connection, selected, with its properties open.
    velmora::CFtpLoginInfo* OnNew();
    // "Delete": the selected connection leaves the list and is deleted;
    // nothing is asked.
    void OnDelete();

    QTreeWidget* GetList() const { return m_pList; }
    // Where passwords saved from now on go: the items in the order of
    // velmora::EPasswordStore, kept in the settings.
    QComboBox* GetPasswordStoreChoice() const { return m_pPasswordStore; }
    CFtpConnectionPropDlg* GetProperties() const { return m_pProps; }

signals:
    // A connection was added or removed.
    void ConnectionsChanged();
    // A field of a connection was edited.
    void ConnectionEdited();
    // A connection was selected: the browser shows it.
    void ConnectionChosen(const velmora::CFtpLoginInfo& info);

private:
    void OnSelectionChanged();
    void AddPasswordStoreChoice(QVBoxLayout* layout);
    int RowOf(const velmora::CFtpLoginInfo* info) const;

    velmora::CFtpLoginInfoList& m_connections;
    CAppSettings& m_settings;
    QTreeWidget* m_pList;
    CQtListCtrl m_listCtrl;
    QPushButton* m_pNew;
    QComboBox* m_pPasswordStore;
    CFtpConnectionPropDlg* m_pProps;
};

}  // namespace parcelo
