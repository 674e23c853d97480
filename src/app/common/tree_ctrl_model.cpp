#include "app/common/tree_ctrl_model.h"

namespace parcelo {

using velmora::platform::TreeItem;

namespace {

QString ToQt(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

void CTreeCtrlModel::SetView(QTreeView* view) {
    m_pView = view;
    view->setModel(this);
    view->setHeaderHidden(true);
}

CTreeCtrlModel::CItem* CTreeCtrlModel::Live(TreeItem item) const {
    auto* found = static_cast<CItem*>(item);
    return m_items.count(found) != 0 ? found : nullptr;
}

const CTreeCtrlModel::CItem* CTreeCtrlModel::ItemOf(const QModelIndex& index) const {
    return index.isValid() && index.model() == this ? static_cast<const CItem*>(index.internalPointer()) : &m_top;
}

QModelIndex CTreeCtrlModel::IndexOf(const CItem* item) const {
    return item == nullptr || item == &m_top ? QModelIndex() : createIndex(item->row, 0, const_cast<CItem*>(item));
}

TreeItem CTreeCtrlModel::ItemAt(const QModelIndex& index) const {
    return index.isValid() && index.model() == this ? index.internalPointer() : nullptr;
}

QModelIndex CTreeCtrlModel::IndexOf(TreeItem item) const { return IndexOf(Live(item)); }

TreeItem CTreeCtrlModel::InsertItem(std::string_view text, TreeItem parent, void* data) {
    CItem* under = parent != nullptr ? Live(parent) : &m_top;
    if (under == nullptr) return nullptr;
    auto item = std::make_unique<CItem>();
    item->text = ToQt(text);
    item->data = data;
    item->parent = under;
    item->row = static_cast<int>(under->children.size());
    CItem* made = item.get();
    beginInsertRows(IndexOf(under), made->row, made->row);
    under->children.push_back(std::move(item));
    m_items.insert(made);
    endInsertRows();
    return made;
}

bool CTreeCtrlModel::SetItemText(TreeItem item, std::string_view text) {
    CItem* found = Live(item);
    if (found == nullptr) return false;
    found->text = ToQt(text);
    const QModelIndex at = IndexOf(found);
    emit dataChanged(at, at, {Qt::DisplayRole});
    return true;
}

// The folder trees set no images: an item's image is taken and not shown.
bool CTreeCtrlModel::SetItemImage(TreeItem item, int /*image*/, int /*selectedImage*/) { return Live(item) != nullptr; }

bool CTreeCtrlModel::SelectItem(TreeItem item) {
    if (!m_pView) return false;
    const CItem* found = Live(item);
    if (item != nullptr && found == nullptr) return false;
    m_pView->setCurrentIndex(IndexOf(found));
    return true;
}

bool CTreeCtrlModel::Expand(TreeItem item, int code) {
    const CItem* found = Live(item);
    if (!m_pView || found == nullptr || (code != kCollapse && code != kExpand)) return false;
    m_pView->setExpanded(IndexOf(found), code == kExpand);
    return true;
}

bool CTreeCtrlModel::DeleteItem(TreeItem item) {
    CItem* found = Live(item);
    if (found == nullptr) return false;
    CItem* parent = found->parent;
    const int row = found->row;
    beginRemoveRows(IndexOf(parent), row, row);
    Forget(found);
    parent->children.erase(parent->children.begin() + row);
    for (size_t i = static_cast<size_t>(row); i < parent->children.size(); ++i) parent->children[i]->row = static_cast<int>(i);
    endRemoveRows();
    return true;
}

void CTreeCtrlModel::Forget(const CItem* item) {
    for (const auto& child : item->children) Forget(child.get());
    if (item == m_pHighlight) m_pHighlight = nullptr;
    m_items.erase(item);
}

void* CTreeCtrlModel::GetItemData(TreeItem item) const {
    const CItem* found = Live(item);
    return found != nullptr ? found->data : nullptr;
}

void CTreeCtrlModel::SetHighlight(TreeItem item, const QColor& colour) {
    const CItem* old = m_pHighlight;
    m_pHighlight = Live(item);
    m_highlight = colour;
    for (const CItem* changed : {old, m_pHighlight}) {
        if (changed == nullptr) continue;
        const QModelIndex at = IndexOf(changed);
        emit dataChanged(at, at, {Qt::BackgroundRole});
    }
}

QModelIndex CTreeCtrlModel::index(int row, int column, const QModelIndex& parent) const {
    const CItem* under = ItemOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(under->children.size())) return {};
    return IndexOf(under->children[static_cast<size_t>(row)].get());
}

QModelIndex CTreeCtrlModel::parent(const QModelIndex& child) const {
    return child.isValid() ? IndexOf(ItemOf(child)->parent) : QModelIndex();
}

int CTreeCtrlModel::rowCount(const QModelIndex& parent) const {
    return parent.column() > 0 ? 0 : static_cast<int>(ItemOf(parent)->children.size());
}

int CTreeCtrlModel::columnCount(const QModelIndex& /*parent*/) const { return 1; }

QVariant CTreeCtrlModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const CItem* item = ItemOf(index);
    switch (role) {
        case Qt::DisplayRole:
            return item->text;
        case Qt::BackgroundRole:
            return item == m_pHighlight ? QVariant(m_highlight) : QVariant();
        default:
            return {};
    }
}

Qt::ItemFlags CTreeCtrlModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

}  // namespace parcelo
