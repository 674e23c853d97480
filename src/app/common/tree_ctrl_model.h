#pragma once

#include <memory>
#include <unordered_set>
#include <vector>

#include <QAbstractItemModel>
#include <QColor>
#include <QPointer>
#include <QTreeView>

#include "platform/controls.h"

namespace parcelo {

// The library's tree control as an item model of one column, for a
// QTreeView. The library's nodes make, name and delete its items through
// ITreeCtrl, each item keeping its node as its data word; selecting an item
// as the caret and expanding it go to the view. Handles are the model's own
// items: it refuses handles it did not hand out or has deleted. It has no
// check boxes and shows no images (the folder trees it serves set none).
class CTreeCtrlModel : public QAbstractItemModel, public velmora::platform::ITreeCtrl {
    Q_OBJECT

public:
    using TreeItem = velmora::platform::TreeItem;

    using QAbstractItemModel::QAbstractItemModel;

    // The view that shows the model (not owned); without one the control
    // has no window.
    void SetView(QTreeView* view);

    bool IsWindow() const override { return m_pView != nullptr; }
    TreeItem InsertItem(std::string_view text, TreeItem parent, void* data) override;
    bool SetItemText(TreeItem item, std::string_view text) override;
    bool SetItemImage(TreeItem item, int image, int selectedImage) override;
    bool HasCheckBoxes() const override { return false; }
    bool SetCheck(TreeItem /*item*/, bool /*checked*/) override { return false; }
    bool GetCheck(TreeItem /*item*/) const override { return false; }
    bool SelectItem(TreeItem item) override;
    bool Expand(TreeItem item, int code) override;
    bool DeleteItem(TreeItem item) override;
    void* GetItemData(TreeItem item) const override;

    // The item an index shows, and the index of an item; null or invalid
    // for none (or a handle that is not a live item).
    TreeItem ItemAt(const QModelIndex& index) const;
    QModelIndex IndexOf(TreeItem item) const;
    // The item drawn as the target of a drag (null: none).
    void SetHighlight(TreeItem item, const QColor& colour);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct CItem {
        QString text;
        void* data = nullptr;
        CItem* parent = nullptr;
        // Its place among its parent's children.
        int row = 0;
        std::vector<std::unique_ptr<CItem>> children;
    };

    CItem* Live(TreeItem item) const;
    const CItem* ItemOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const CItem* item) const;
    void Forget(const CItem* item);

    CItem m_top;
    std::unordered_set<const CItem*> m_items;
    QPointer<QTreeView> m_pView;
    const CItem* m_pHighlight = nullptr;
    QColor m_highlight;
};

}  // namespace parcelo
