#include "app/common/qt_controls.h"

#include <algorithm>

#include <QFontMetrics>

namespace parcelo {
namespace {

QString ToQt(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QVariant DataWord(void* data) { return QVariant::fromValue(reinterpret_cast<quintptr>(data)); }

void* DataOf(const QVariant& value) { return reinterpret_cast<void*>(value.value<quintptr>()); }

QIcon ImageAt(const QList<QIcon>& images, int index) {
    return index >= 0 && index < images.size() ? images[index] : QIcon();
}

}  // namespace

// ---- CQtListCtrl ----

CQtListCtrl::CQtListCtrl(QTreeWidget* list) : m_pList(list) {
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
}

QTreeWidgetItem* CQtListCtrl::Row(int index) const {
    return m_pList && index >= 0 && index < GetItemCount() ? m_pList->topLevelItem(index) : nullptr;
}

int CQtListCtrl::GetItemCount() const { return m_pList ? m_pList->topLevelItemCount() : 0; }

int CQtListCtrl::InsertItem(int index, std::string_view text, int image, void* data) {
    if (!m_pList || index < 0) return -1;
    index = std::min(index, GetItemCount());
    auto* row = new QTreeWidgetItem;
    row->setText(0, ToQt(text));
    row->setIcon(0, ImageAt(m_images, image));
    row->setData(0, Qt::UserRole, DataWord(data));
    m_pList->insertTopLevelItem(index, row);
    return index;
}

bool CQtListCtrl::DeleteItem(int index) {
    QTreeWidgetItem* row = Row(index);
    delete row;
    return row != nullptr;
}

bool CQtListCtrl::DeleteAllItems() {
    if (!m_pList) return false;
    m_pList->clear();
    return true;
}

void* CQtListCtrl::GetItemData(int index) const {
    const QTreeWidgetItem* row = Row(index);
    return row != nullptr ? DataOf(row->data(0, Qt::UserRole)) : nullptr;
}

bool CQtListCtrl::SetItemText(int index, int column, std::string_view text) {
    QTreeWidgetItem* row = Row(index);
    if (row == nullptr || column < 0) return false;
    if (column >= m_pList->columnCount()) m_pList->setColumnCount(column + 1);
    row->setText(column, ToQt(text));
    return true;
}

std::string CQtListCtrl::GetItemText(int index, int column) const {
    const QTreeWidgetItem* row = Row(index);
    return row != nullptr && column >= 0 ? row->text(column).toStdString() : std::string();
}

bool CQtListCtrl::SetItemSelected(int index, bool selected) {
    QTreeWidgetItem* row = Row(index);
    if (row == nullptr) return false;
    row->setSelected(selected);
    return true;
}

bool CQtListCtrl::IsItemSelected(int index) const {
    const QTreeWidgetItem* row = Row(index);
    return row != nullptr && row->isSelected();
}

// ---- CQtComboBox ----

int CQtComboBox::GetCount() const { return m_pCombo ? m_pCombo->count() : 0; }

void* CQtComboBox::GetItemData(int index) const {
    return m_pCombo && index >= 0 && index < GetCount() ? DataOf(m_pCombo->itemData(index)) : nullptr;
}

int CQtComboBox::GetCurSel() const { return m_pCombo ? m_pCombo->currentIndex() : -1; }

bool CQtComboBox::SetCurSel(int index) {
    if (!m_pCombo || index < -1 || index >= GetCount()) return false;
    m_pCombo->setCurrentIndex(index);
    return true;
}

// ---- CQtListBox ----

int CQtListBox::GetCount() const { return m_pList ? m_pList->count() : 0; }

void* CQtListBox::GetItemData(int index) const {
    return Valid(index) ? DataOf(m_pList->item(index)->data(Qt::UserRole)) : nullptr;
}

bool CQtListBox::SetItemData(int index, void* data) {
    if (!Valid(index)) return false;
    m_pList->item(index)->setData(Qt::UserRole, DataWord(data));
    return true;
}

int CQtListBox::GetCurSel() const { return m_pList ? m_pList->currentRow() : -1; }

bool CQtListBox::SetCurSel(int index) {
    if (!m_pList || index < -1 || index >= GetCount()) return false;
    m_pList->setCurrentRow(index);
    return true;
}

std::string CQtListBox::GetText(int index) const {
    return Valid(index) ? m_pList->item(index)->text().toStdString() : std::string();
}

int CQtListBox::AddString(std::string_view text) {
    if (!m_pList) return -1;
    m_pList->addItem(ToQt(text));
    return GetCount() - 1;
}

bool CQtListBox::DeleteString(int index) {
    if (!Valid(index)) return false;
    delete m_pList->takeItem(index);
    return true;
}

void CQtListBox::ResetContent() {
    if (m_pList) m_pList->clear();
}

// The view sizes its own scroll range from its lines; the extent only asks
// for the scroll bar when the lines are wider than the view.
void CQtListBox::SetHorizontalExtent(int width) {
    if (!m_pList) return;
    m_pList->setHorizontalScrollBarPolicy(width > m_pList->viewport()->width() ? Qt::ScrollBarAsNeeded
                                                                               : Qt::ScrollBarAlwaysOff);
}

int CQtListBox::GetTextWidth(std::string_view text) const {
    return m_pList ? QFontMetrics(m_pList->font()).horizontalAdvance(ToQt(text)) : 0;
}

int CQtListBox::GetAverageCharWidth() const {
    return m_pList ? QFontMetrics(m_pList->font()).averageCharWidth() : 0;
}

}  // namespace parcelo
