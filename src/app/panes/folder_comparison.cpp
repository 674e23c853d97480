#include "app/panes/folder_comparison.h"

#include <QLabel>

#include "app/panes/file_list_ctrl.h"
#include "app/panes/ftp_tree_dlg.h"
#include "app/panes/local_folder_model.h"
#include "app/panes/local_pane.h"

namespace parcelo {

namespace {

// This side's mark for an entry; `other` is the other side's of its name.
ECompareMark MarkOf(const CCompareEntry& mine, const CCompareEntry* other) {
    if (other == nullptr || other->folder != mine.folder) return ECompareMark::OnlyHere;
    if (mine.folder) return ECompareMark::None;
    if (mine.modified != 0 && other->modified != 0 && mine.modified > other->modified + kTimeSlackSeconds) {
        return ECompareMark::Newer;
    }
    return mine.size > other->size ? ECompareMark::Larger : ECompareMark::None;
}

TCompareMarks MarkSide(const std::vector<CCompareEntry>& mine, const std::vector<CCompareEntry>& others) {
    std::map<std::string, const CCompareEntry*> byName;
    for (const CCompareEntry& entry : others) byName.emplace(entry.name, &entry);
    TCompareMarks marks;
    for (const CCompareEntry& entry : mine) {
        const auto other = byName.find(entry.name);
        const ECompareMark mark = MarkOf(entry, other != byName.end() ? other->second : nullptr);
        if (mark != ECompareMark::None) marks[entry.name] = mark;
    }
    return marks;
}

std::vector<CCompareEntry> Entries(const CFolderRowsModel& model) {
    std::vector<CCompareEntry> entries;
    for (int row = 0; row < model.rowCount(); ++row) {
        const CFolderRowsModel::CEntry& entry = model.EntryAt(row);
        entries.push_back({entry.name.toStdString(), entry.folder, static_cast<uint64_t>(entry.size),
                           entry.modified.isValid() ? entry.modified.toSecsSinceEpoch() : 0});
    }
    return entries;
}

}  // namespace

CComparison CompareFolders(const std::vector<CCompareEntry>& local, const std::vector<CCompareEntry>& remote) {
    return {MarkSide(local, remote), MarkSide(remote, local)};
}

QColor MarkColour(ECompareMark mark) {
    switch (mark) {
        case ECompareMark::OnlyHere: return QColor(0xc6, 0xe2, 0xff);
        case ECompareMark::Newer: return QColor(0xc8, 0xf0, 0xc8);
        case ECompareMark::Larger: return QColor(0xff, 0xdc, 0xa8);
        default: return {};
    }
}

CFolderComparison::CFolderComparison(CLocalPane& local, CFtpTreeDlg& browser, QObject* parent)
    : QObject(parent), m_local(local), m_browser(browser), m_pLegend(new QLabel) {
    m_pLegend->setObjectName("compareLegend");
    const auto swatch = [](ECompareMark mark, const QString& text) {
        return QString("<span style='background-color:%1; color:black'>&nbsp;%2&nbsp;</span>")
            .arg(MarkColour(mark).name(), text);
    };
    m_pLegend->setText(tr("Compared: %1 %2 %3")
                           .arg(swatch(ECompareMark::OnlyHere, tr("only here")), swatch(ECompareMark::Newer, tr("newer")),
                                swatch(ECompareMark::Larger, tr("larger"))));
    m_pLegend->hide();
    connect(local.GetModel(), &CLocalFolderModel::FolderRead, this, &CFolderComparison::Update);
    connect(&browser, &CFtpTreeDlg::FilesShown, this, &CFolderComparison::Update);
}

void CFolderComparison::SetEnabled(bool on) {
    m_bOn = on;
    m_pLegend->setVisible(on);
    Update();
}

// Off, or without a server folder, nothing is marked.
void CFolderComparison::Update() {
    CComparison marks;
    if (m_bOn && m_browser.HasFolder()) {
        marks = CompareFolders(Entries(*m_local.GetModel()), Entries(m_browser.GetList()->GetModel()));
    }
    m_local.GetModel()->SetMarks(std::move(marks.local));
    m_browser.GetList()->GetModel().SetMarks(std::move(marks.remote));
}

}  // namespace parcelo
