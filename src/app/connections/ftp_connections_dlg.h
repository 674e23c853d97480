#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QTreeWidget>

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
class IPrompter;

// The user's sites: a tree of folders and sites with the commands on them
// (new site, new folder, duplicate, rename, delete, import, export), and
// the property page of the selected site. A site's folder is its
// connection's folder ("Work/Clients"); folders without sites are kept in
// the settings. Selecting a site remembers its name as "SelConnection";
// deselecting forgets it, clears the page and broadcasts message 22 with the
// connection the page showed. Double-click, or "Apply" on the page,
// connects (message 23).
class CFtpConnectionsDlg : public CSplitterDlg {
    Q_OBJECT

public:
    // `connections` is the program's list (not owned).
    CFtpConnectionsDlg(velmora::CFtpLoginInfoList& connections, CAppSettings& settings, IPrompter& prompter,
                       QWidget* parent = nullptr);

    // Refills the tree from the connections and the stored folders.
    void Populate();
    // Selects the site with that display name; false when none has it.
    bool SelectConnection(const std::string& name);
    velmora::CFtpLoginInfo* GetSelected() const;
    // The folder selected, or the selected site's folder; empty for the top.
    std::string GetSelectedFolder() const;
    // The tree's entry of the connection shows its new name (message 21).
    void UpdateName(const velmora::CFtpLoginInfo& renamed);
    // The properties show the selected site's fields again (changed from
    // elsewhere, such as its bookmarks).
    void ShowSelected();
    // The connection (known by its GUID) keeps the trusted certificate's fingerprint.
    void TrustCertificate(const velmora::CFtpLoginInfo& trusted);
    // The connection (known by its GUID) keeps the password its login was
    // given (KeepLoginPassword); one to be saved again is saved now.
    void KeepPassword(const velmora::CFtpLoginInfo& ready, ELoginPassword how);

    // "New site": a new connection in the selected folder, selected, with its
    // properties open. New connections require TLS.
    velmora::CFtpLoginInfo* OnNew();
    // "New folder" below the selected one, named by the user.
    bool OnNewFolder();
    // "Duplicate": a copy of the selected site, named "Copy of ...".
    velmora::CFtpLoginInfo* OnDuplicate();
    // "Rename" the selected site or folder (a folder's sites follow it).
    bool OnRename();
    // "Delete": the selected site leaves the list and is deleted, nothing
    // asked; a folder goes only when the user agrees, with its sites.
    void OnDelete();
    // The sites of another list file join the list (a site whose identity is
    // here already gets a new one); answers how many came. Export writes the
    // whole list to a file of its own. Both in the program's own format.
    int Import(const std::string& path);
    bool Export(const std::string& path);
    void OnImport();
    void OnExport();

    QTreeWidget* GetList() const { return m_pList; }
    // Where passwords saved from now on go: the items in the order of
    // velmora::EPasswordStore, kept in the settings.
    QComboBox* GetPasswordStoreChoice() const { return m_pPasswordStore; }
    CFtpConnectionPropDlg* GetProperties() const { return m_pProps; }
    // The tree's item of the site; null when it is not shown.
    QTreeWidgetItem* ItemOf(const velmora::CFtpLoginInfo* info) const;
    QTreeWidgetItem* FolderItem(const std::string& folder) const;

signals:
    // Sites were added, removed, renamed or moved.
    void ConnectionsChanged();
    // A field of a connection was edited.
    void ConnectionEdited();

private:
    void OnSelectionChanged();
    void ExecMenu(const QPoint& pos);
    QPushButton* AddButton(const QString& text, const char* name, std::function<void()> command);
    void AddPasswordStoreChoice(QVBoxLayout* layout);
    // The folder's item, made (with its parents) when missing.
    QTreeWidgetItem* MakeFolderItem(const std::string& folder);
    QTreeWidgetItem* AddSiteItem(velmora::CFtpLoginInfo* info);
    void SelectItem(QTreeWidgetItem* item);
    static std::string FolderOf(const QTreeWidgetItem* item);
    velmora::CFtpLoginInfo* SiteOf(const QTreeWidgetItem* item) const;
    void StoreFolders();
    void MoveSelectedTo(const std::string& folder);

    velmora::CFtpLoginInfoList& m_connections;
    CAppSettings& m_settings;
    IPrompter& m_prompter;
    std::vector<std::string> m_folders;
    QTreeWidget* m_pList;
    QPushButton* m_pNew;
    QComboBox* m_pPasswordStore;
    CFtpConnectionPropDlg* m_pProps;
};

}  // namespace parcelo
