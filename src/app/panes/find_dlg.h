#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QDialog>

#include "app/panes/remote_find.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace parcelo {

class CFtpTreeDlg;

// The entries a search found, in the order found: name, folder, size,
// modified.
class CFoundListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum EColumn { COLUMN_NAME, COLUMN_FOLDER, COLUMN_SIZE, COLUMN_DATE, COLUMN_COUNT };

    using QAbstractTableModel::QAbstractTableModel;

    void Add(const CFoundEntry& entry);
    void Clear();
    const CFoundEntry& At(int row) const { return m_entries[static_cast<size_t>(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<CFoundEntry> m_entries;
};

// Server > Find on server...: searches a server folder and all below it by
// name pattern, size and modification date, on the browser's session off
// the window thread. Results show as their folders are listed; Stop ends
// the search and keeps what it found. Opening a result shows its folder in
// the server pane.
class CFindDlg : public QDialog {
    Q_OBJECT

public:
    CFindDlg(CFtpTreeDlg& browser, QWidget* parent);

    // The search starts from this folder unless another is typed.
    void SetFolder(const std::string& folder);
    // Starts a search with what the fields say; false (and why, in the
    // status line) when a field cannot be read or no server is connected.
    bool Find();
    void Stop();
    bool IsSearching() const { return m_bSearching; }
    CFoundListModel& GetResults() { return m_results; }
    QString GetStatus() const;
    // The criteria the fields describe; none (and why) when one is not
    // understood.
    std::optional<CFindCriteria> ReadCriteria(QString& error) const;

signals:
    // A search has ended (stopped, done, or dropped by the wait's Cancel).
    void SearchEnded();

private:
    void OpenResult(const QModelIndex& index);
    void Ended(const CFindOutcome& outcome);
    void ShowSearching(bool searching);

    CFtpTreeDlg& m_browser;
    CFoundListModel m_results;
    QLineEdit* m_pFolder;
    QLineEdit* m_pName;
    QLineEdit* m_pMinSize;
    QLineEdit* m_pMaxSize;
    QCheckBox* m_pNewerOn;
    QDateEdit* m_pNewer;
    QCheckBox* m_pOlderOn;
    QDateEdit* m_pOlder;
    QPushButton* m_pFind;
    QPushButton* m_pStop;
    QTreeView* m_pView;
    QLabel* m_pStatus;
    bool m_bSearching = false;
};

}  // namespace parcelo
