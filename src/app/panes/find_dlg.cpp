#include "app/panes/find_dlg.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/panes/ftp_tree_dlg.h"
#include "base/size_format.h"

namespace parcelo {
namespace {

// A found entry's own name and the folder it is in.
std::pair<QString, QString> Split(const CFoundEntry& entry) {
    QString path = QString::fromStdString(entry.path);
    if (entry.folder && path.size() > 1) path.chop(1);
    const qsizetype slash = path.lastIndexOf('/');
    return {path.mid(slash + 1), path.left(slash + 1)};
}

QString Count(int number, const char* one, const char* many) {
    return QString::number(number) + " " + QObject::tr(number == 1 ? one : many);
}

// A size bound as typed ("10M", "500k"); blank: none.
bool ReadSize(const QLineEdit* field, std::optional<uint64_t>& size) {
    const QString text = field->text().trimmed().remove(' ');
    if (text.isEmpty()) return true;
    uint64_t bytes = 0;
    if (!velmora::ParseSize(text.toStdString(), bytes)) return false;
    size = bytes;
    return true;
}

QDateEdit* DateField(const char* name) {
    auto* date = new QDateEdit(QDate::currentDate());
    date->setObjectName(name);
    date->setCalendarPopup(true);
    date->setEnabled(false);
    return date;
}

}  // namespace

void CFoundListModel::Add(const CFoundEntry& entry) {
    const int row = static_cast<int>(m_entries.size());
    beginInsertRows(QModelIndex(), row, row);
    m_entries.push_back(entry);
    endInsertRows();
}

void CFoundListModel::Clear() {
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

int CFoundListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int CFoundListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : COLUMN_COUNT; }

QVariant CFoundListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const CFoundEntry& entry = At(index.row());
    if (role == Qt::ToolTipRole) return QString::fromStdString(entry.path);
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case COLUMN_NAME: return Split(entry).first + (entry.folder ? "/" : "");
        case COLUMN_FOLDER: return Split(entry).second;
        case COLUMN_SIZE: return entry.folder ? QString() : QString::fromStdString(velmora::FormatSize(entry.size));
        case COLUMN_DATE:
            return entry.modified > 0 ? QLocale().toString(QDateTime::fromSecsSinceEpoch(entry.modified), QLocale::ShortFormat)
                                      : QString();
        default: return {};
    }
}

QVariant CFoundListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kTitles[] = {"Name", "Folder", "Size", "Modified"};
    return section >= 0 && section < COLUMN_COUNT ? tr(kTitles[section]) : QVariant();
}

CFindDlg::CFindDlg(CFtpTreeDlg& browser, QWidget* parent) : QDialog(parent), m_browser(browser) {
    setObjectName("findOnServer");
    setWindowTitle(tr("Find on server"));
    auto* form = new QFormLayout;
    const auto field = [](const char* name, const QString& hint) {
        auto* edit = new QLineEdit;
        edit->setObjectName(name);
        edit->setPlaceholderText(hint);
        return edit;
    };
    m_pFolder = field("folder", tr("/"));
    form->addRow(tr("&Look in:"), m_pFolder);
    m_pName = field("name", tr("Any name; part of a name, or a pattern such as *.log"));
    form->addRow(tr("&Name:"), m_pName);
    m_pMinSize = field("minSize", tr("Any"));
    m_pMaxSize = field("maxSize", tr("Any"));
    auto* sizes = new QHBoxLayout;
    sizes->addWidget(m_pMinSize);
    sizes->addWidget(new QLabel(tr("to")));
    sizes->addWidget(m_pMaxSize);
    auto* sizeLabel = new QLabel(tr("&Size (500k, 2M):"));
    sizeLabel->setBuddy(m_pMinSize);
    form->addRow(sizeLabel, sizes);
    m_pNewerOn = new QCheckBox(tr("Modified &from"));
    m_pNewerOn->setObjectName("newerOn");
    m_pNewer = DateField("newer");
    m_pOlderOn = new QCheckBox(tr("&until"));
    m_pOlderOn->setObjectName("olderOn");
    m_pOlder = DateField("older");
    connect(m_pNewerOn, &QCheckBox::toggled, m_pNewer, &QWidget::setEnabled);
    connect(m_pOlderOn, &QCheckBox::toggled, m_pOlder, &QWidget::setEnabled);
    auto* dates = new QHBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{m_pNewerOn, m_pNewer, m_pOlderOn, m_pOlder}) {
        dates->addWidget(widget);
    }
    dates->addStretch(1);
    form->addRow(dates);

    m_pView = new QTreeView;
    m_pView->setObjectName("results");
    m_pView->setModel(&m_results);
    m_pView->setRootIsDecorated(false);
    m_pView->setUniformRowHeights(true);
    m_pView->header()->setSectionResizeMode(CFoundListModel::COLUMN_NAME, QHeaderView::Stretch);
    connect(m_pView, &QTreeView::activated, this, &CFindDlg::OpenResult);
    m_pStatus = new QLabel;
    m_pStatus->setObjectName("status");

    m_pFind = new QPushButton(tr("&Find"));
    m_pFind->setObjectName("find");
    m_pFind->setDefault(true);
    m_pStop = new QPushButton(tr("S&top"));
    m_pStop->setObjectName("stop");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(m_pFind, QDialogButtonBox::ActionRole);
    buttons->addButton(m_pStop, QDialogButtonBox::ActionRole);
    connect(m_pFind, &QPushButton::clicked, this, &CFindDlg::Find);
    connect(m_pStop, &QPushButton::clicked, this, &CFindDlg::Stop);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The wait window's Cancel drops the search, with no result to come.
    connect(&m_browser, &CFtpTreeDlg::WaitCancelled, this, [this] {
        if (!m_bSearching) return;
        ShowSearching(false);
        m_pStatus->setText(tr("Cancelled: %1 found").arg(m_results.rowCount()));
        emit SearchEnded();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_pView, 1);
    layout->addWidget(m_pStatus);
    layout->addWidget(buttons);
    resize(640, 420);
    ShowSearching(false);
}

void CFindDlg::SetFolder(const std::string& folder) { m_pFolder->setText(QString::fromStdString(folder)); }

QString CFindDlg::GetStatus() const { return m_pStatus->text(); }

std::optional<CFindCriteria> CFindDlg::ReadCriteria(QString& error) const {
    CFindCriteria criteria;
    criteria.name.SetPattern(m_pName->text().trimmed());
    if (!ReadSize(m_pMinSize, criteria.minSize) || !ReadSize(m_pMaxSize, criteria.maxSize)) {
        error = tr("A size is a number of bytes, with k, M or G for KiB, MiB or GiB (500k, 2M)");
        return std::nullopt;
    }
    if (criteria.minSize && criteria.maxSize && *criteria.minSize > *criteria.maxSize) {
        error = tr("The smallest size is above the largest");
        return std::nullopt;
    }
    // From the start of the first day to the end of the last, local time.
    if (m_pNewerOn->isChecked()) criteria.newerThan = m_pNewer->date().startOfDay().toSecsSinceEpoch();
    if (m_pOlderOn->isChecked()) criteria.olderThan = m_pOlder->date().addDays(1).startOfDay().toSecsSinceEpoch();
    return criteria;
}

bool CFindDlg::Find() {
    if (m_bSearching) return false;
    QString error;
    const std::optional<CFindCriteria> criteria = ReadCriteria(error);
    if (!criteria) {
        m_pStatus->setText(error);
        return false;
    }
    QString folder = m_pFolder->text().trimmed();
    if (folder.isEmpty()) folder = "/";
    if (!folder.endsWith('/')) folder += '/';
    m_results.Clear();
    const QPointer<CFindDlg> self(this);
    const bool started = m_browser.FindOnServer(
        folder.toStdString(), *criteria,
        [self](const CFoundEntry& entry) {
            if (self) self->m_results.Add(entry);
        },
        [self](const CFindOutcome& outcome) {
            if (self) self->Ended(outcome);
        });
    if (!started) {
        m_pStatus->setText(tr("Connect to a server first"));
        return false;
    }
    ShowSearching(true);
    m_pStatus->setText(tr("Searching %1 ...").arg(folder));
    return true;
}

void CFindDlg::Stop() {
    if (!m_bSearching) return;
    m_browser.StopFind();
    m_pStatus->setText(tr("Stopping ..."));
}

void CFindDlg::Ended(const CFindOutcome& outcome) {
    ShowSearching(false);
    QString text = tr("%1%2 found in %3")
                       .arg(outcome.cancelled ? tr("Stopped: ") : QString())
                       .arg(m_results.rowCount())
                       .arg(Count(outcome.folders, "folder", "folders"));
    if (!outcome.failures.empty()) {
        text += tr("; %1 not listed").arg(Count(static_cast<int>(outcome.failures.size()), "folder", "folders"));
        QStringList lines;
        for (const std::string& line : outcome.failures) lines << QString::fromStdString(line);
        m_pStatus->setToolTip(lines.join('\n'));
    } else {
        m_pStatus->setToolTip(QString());
    }
    m_pStatus->setText(text);
    emit SearchEnded();
}

void CFindDlg::ShowSearching(bool searching) {
    m_bSearching = searching;
    m_pFind->setEnabled(!searching);
    m_pStop->setEnabled(searching);
}

void CFindDlg::OpenResult(const QModelIndex& index) {
    if (!index.isValid()) return;
    const CFoundEntry& entry = m_results.At(index.row());
    m_browser.OpenFolder(entry.folder ? entry.path : Split(entry).second.toStdString());
}

}  // namespace parcelo
