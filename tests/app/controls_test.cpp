#include <memory>

#include <QComboBox>
#include <QListWidget>
#include <QTreeView>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/common/qt_controls.h"
#include "app/common/tree_ctrl_model.h"
#include "base/control_helpers.h"

namespace parcelo {
namespace {

using velmora::platform::ITreeCtrl;
using velmora::platform::TreeItem;

int a = 1, b = 2, c = 3;

TEST(QtListCtrlTest, RowsKeepTheirPlaceTextsAndData) {
    QTreeWidget widget;
    widget.setColumnCount(3);
    CQtListCtrl list(&widget);
    EXPECT_TRUE(list.IsWindow());
    EXPECT_EQ(list.InsertItem(0, "b.txt", 0, &b), 0);
    EXPECT_EQ(list.InsertItem(0, "a.txt", 0, &a), 0);
    EXPECT_EQ(list.InsertItem(99, "c.txt", 0, &c), 2);
    EXPECT_EQ(list.InsertItem(-1, "bad", 0, nullptr), -1);
    ASSERT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetItemText(0, 0), "a.txt");
    EXPECT_EQ(list.GetItemData(2), &c);
    EXPECT_EQ(list.GetItemData(3), nullptr);

    EXPECT_TRUE(list.SetItemText(1, 2, "12/31/2025 10:00:00"));
    EXPECT_EQ(list.GetItemText(1, 2), "12/31/2025 10:00:00");
    EXPECT_TRUE(list.SetItemText(1, 5, "wider than the header"));
    EXPECT_EQ(list.GetItemText(1, 5), "wider than the header");
    EXPECT_FALSE(list.SetItemText(7, 0, "no row"));

    // The library's helpers work through the adapter.
    EXPECT_EQ(velmora::FindItemIndex(list, &b), 1);
    EXPECT_EQ(velmora::SelectItem(list, &c), 2);
    EXPECT_TRUE(list.IsItemSelected(2));
    EXPECT_TRUE(widget.topLevelItem(2)->isSelected());
    EXPECT_EQ(velmora::GetFirstSelectedItem(list), 2);
    EXPECT_TRUE(velmora::DeleteItem(list, &a));
    EXPECT_EQ(list.GetItemText(0, 0), "b.txt");
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST(QtListCtrlTest, ImagesAndAVanishedWidget) {
    auto widget = std::make_unique<QTreeWidget>();
    CQtListCtrl list(widget.get());
    EXPECT_EQ(list.GetImageCount(), 0);
    QPixmap red(16, 16);
    red.fill(Qt::red);
    list.SetImageList({QIcon(red), QIcon(red)});
    EXPECT_EQ(list.GetImageCount(), 2);
    list.InsertItem(0, "x", 1, nullptr);
    EXPECT_FALSE(widget->topLevelItem(0)->icon(0).isNull());

    widget.reset();
    EXPECT_FALSE(list.IsWindow());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.InsertItem(0, "x", 0, nullptr), -1);
    EXPECT_FALSE(list.DeleteAllItems());
}

std::string Text(const QModelIndex& index) { return index.data().toString().toStdString(); }

TEST(TreeCtrlModelTest, ItemsNestAndDeletingASubtreeRetiresItsHandles) {
    QTreeView view;
    CTreeCtrlModel tree;
    EXPECT_FALSE(tree.IsWindow());
    tree.SetView(&view);
    EXPECT_TRUE(tree.IsWindow());
    const TreeItem root = tree.InsertItem("/", nullptr, &a);
    const TreeItem pub = tree.InsertItem("pub", root, &b);
    const TreeItem in = tree.InsertItem("in", pub, &c);
    const TreeItem up = tree.InsertItem("up", root, &c);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(tree.rowCount(), 1);
    EXPECT_EQ(Text(tree.index(0, 0, tree.index(0, 0, tree.IndexOf(root)))), "in");
    EXPECT_EQ(tree.IndexOf(up).row(), 1);
    EXPECT_EQ(tree.IndexOf(in).parent(), tree.IndexOf(pub));
    EXPECT_EQ(tree.ItemAt(tree.IndexOf(in)), in);
    EXPECT_EQ(tree.GetItemData(pub), &b);

    EXPECT_TRUE(tree.SetItemText(pub, "public"));
    EXPECT_EQ(Text(tree.IndexOf(pub)), "public");
    EXPECT_TRUE(tree.Expand(root, ITreeCtrl::kExpand));
    EXPECT_TRUE(view.isExpanded(tree.IndexOf(root)));
    EXPECT_TRUE(tree.Expand(root, ITreeCtrl::kCollapse));
    EXPECT_FALSE(view.isExpanded(tree.IndexOf(root)));
    EXPECT_FALSE(tree.Expand(root, 7));
    EXPECT_TRUE(tree.SelectItem(in));
    EXPECT_EQ(view.currentIndex(), tree.IndexOf(in));
    tree.SetHighlight(in, Qt::yellow);
    EXPECT_EQ(tree.IndexOf(in).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow));

    // The rows after a deleted one move up; the deleted ones' handles are dead.
    const QPersistentModelIndex upRow = tree.IndexOf(up);
    EXPECT_TRUE(tree.DeleteItem(pub));
    EXPECT_EQ(tree.rowCount(tree.IndexOf(root)), 1);
    EXPECT_EQ(upRow.row(), 0);
    EXPECT_EQ(tree.IndexOf(up).row(), 0);
    EXPECT_EQ(Text(tree.index(0, 0, tree.IndexOf(root))), "up");
    EXPECT_EQ(tree.GetItemData(in), nullptr);
    EXPECT_FALSE(tree.IndexOf(in).isValid());
    EXPECT_FALSE(tree.SetItemText(in, "gone"));
    EXPECT_FALSE(tree.DeleteItem(pub));
    EXPECT_EQ(tree.InsertItem("orphan", in, nullptr), nullptr);
    EXPECT_FALSE(tree.SelectItem(in));
    EXPECT_TRUE(tree.SelectItem(nullptr));
    // No check boxes: the folder trees have none.
    EXPECT_FALSE(tree.HasCheckBoxes());
    EXPECT_FALSE(tree.SetCheck(up, true));

    // A handle of another tree is not this tree's.
    CTreeCtrlModel other;
    const TreeItem foreign = other.InsertItem("x", nullptr, nullptr);
    EXPECT_FALSE(tree.SetItemText(foreign, "stolen"));
    EXPECT_EQ(tree.InsertItem("y", foreign, nullptr), nullptr);
}

TEST(QtComboBoxTest, SelectionAndData) {
    QComboBox widget;
    widget.addItem("one", QVariant::fromValue(reinterpret_cast<quintptr>(&a)));
    widget.addItem("two", QVariant::fromValue(reinterpret_cast<quintptr>(&b)));
    widget.setCurrentIndex(-1);
    CQtComboBox combo(&widget);
    EXPECT_EQ(combo.GetCount(), 2);
    EXPECT_EQ(combo.GetCurSel(), -1);
    void* data = nullptr;
    EXPECT_FALSE(velmora::GetSelItemData(combo, data));
    EXPECT_TRUE(velmora::SelectItem(combo, &b));
    EXPECT_EQ(widget.currentIndex(), 1);
    EXPECT_TRUE(velmora::GetSelItemData(combo, data));
    EXPECT_EQ(data, &b);
    EXPECT_FALSE(combo.SetCurSel(2));
    EXPECT_TRUE(combo.SetCurSel(-1));
    EXPECT_EQ(combo.GetItemData(5), nullptr);
}

TEST(QtListBoxTest, LinesDataSelectionAndWidths) {
    QListWidget widget;
    CQtListBox box(&widget);
    EXPECT_EQ(box.AddString("alpha"), 0);
    EXPECT_EQ(box.AddString("a much longer line of text"), 1);
    EXPECT_EQ(box.AddString("gamma"), 2);
    EXPECT_TRUE(box.SetItemData(1, &b));
    EXPECT_FALSE(box.SetItemData(3, &c));
    EXPECT_EQ(box.GetText(1), "a much longer line of text");
    EXPECT_TRUE(velmora::SelectItem(box, &b));
    EXPECT_EQ(box.GetCurSel(), 1);
    EXPECT_EQ(widget.currentRow(), 1);

    EXPECT_GT(box.GetTextWidth("a much longer line of text"), box.GetTextWidth("alpha"));
    EXPECT_GT(box.GetAverageCharWidth(), 0);
    velmora::FixHScroll(box);

    EXPECT_TRUE(velmora::Remove(box, &b));
    EXPECT_EQ(box.GetCount(), 2);
    EXPECT_EQ(box.GetText(1), "gamma");
    EXPECT_FALSE(box.DeleteString(2));
    box.ResetContent();
    EXPECT_EQ(box.GetCount(), 0);
    EXPECT_EQ(box.GetCurSel(), -1);
}

}  // namespace
}  // namespace parcelo
