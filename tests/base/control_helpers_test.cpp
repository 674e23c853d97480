#include <gtest/gtest.h>

#include "base/control_helpers.h"
#include "support/fake_controls.h"

namespace velmora {
namespace {

class ListHelpers : public ::testing::Test {
protected:
    void SetUp() override {
        list.InsertItem(0, "alpha", 0, &a);
        list.InsertItem(1, "beta", 0, &b);
        list.InsertItem(2, "beta again", 0, &b);
    }

    int a = 0;
    int b = 0;
    int c = 0;
    test::FakeListCtrl list;
};

TEST_F(ListHelpers, FindAndSelectByData) {
    EXPECT_EQ(FindItemIndex(list, &b), 1);
    EXPECT_EQ(FindItemIndex(list, &c), -1);
    EXPECT_EQ(FindItemIndex(list, nullptr), -1);

    EXPECT_EQ(GetFirstSelectedItem(list), -1);
    EXPECT_EQ(SelectItem(list, &b), 1);
    EXPECT_TRUE(SelectItem(list, 0));
    EXPECT_EQ(GetFirstSelectedItem(list), 0);
    EXPECT_TRUE(list.IsItemSelected(1));
    EXPECT_EQ(SelectItem(list, &c), -1);
    EXPECT_FALSE(SelectItem(list, 7));

    list.SetWindow(false);
    EXPECT_EQ(GetFirstSelectedItem(list), -1);
}

TEST_F(ListHelpers, ChangeAndRemoveTheFirstRowWithTheData) {
    EXPECT_TRUE(SetItemText(list, &b, "renamed"));
    EXPECT_EQ(list.GetItemText(1, 0), "renamed");
    EXPECT_EQ(list.GetItemText(2, 0), "beta again");
    EXPECT_FALSE(SetItemText(list, &c, "x"));

    EXPECT_TRUE(Remove(list, &b));
    ASSERT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemText(1, 0), "beta again");
    EXPECT_TRUE(DeleteItem(list, &b));
    EXPECT_FALSE(Remove(list, &b));
    EXPECT_FALSE(DeleteItem(list, nullptr));
    EXPECT_EQ(list.GetItemCount(), 1);
}

TEST(BoxHelpers, ComboSelectionByData) {
    int a = 0;
    int b = 0;
    test::FakeComboBox combo;
    combo.Add(&a);
    combo.Add(&b);
    void* data = &a;
    EXPECT_FALSE(GetSelItemData(combo, data));
    EXPECT_EQ(data, &a);
    EXPECT_TRUE(SelectItem(combo, &b));
    ASSERT_TRUE(GetSelItemData(combo, data));
    EXPECT_EQ(data, &b);
    EXPECT_FALSE(SelectItem(combo, nullptr));
    EXPECT_EQ(combo.GetCurSel(), 1);
}

TEST(BoxHelpers, ListBoxSelectRemoveAndScrollExtent) {
    int a = 0;
    int b = 0;
    test::FakeListBox box;
    FixHScroll(box);
    EXPECT_EQ(box.extent(), test::FakeListBox::kAverageCharWidth);

    box.SetItemData(box.AddString("short"), &a);
    box.SetItemData(box.AddString("a much longer line"), &b);
    EXPECT_TRUE(SelectItem(box, &b));
    void* data = nullptr;
    ASSERT_TRUE(GetSelItemData(box, data));
    EXPECT_EQ(data, &b);

    FixHScroll(box);
    EXPECT_EQ(box.extent(), 18 * test::FakeListBox::kCharWidth + test::FakeListBox::kAverageCharWidth);

    EXPECT_TRUE(Remove(box, &b));
    EXPECT_FALSE(Remove(box, &b));
    EXPECT_FALSE(GetSelItemData(box, data));
    ASSERT_EQ(box.GetCount(), 1);
    EXPECT_EQ(box.GetText(0), "short");
}

// The tree stand-in is what the tree-binding tests rely on: deleting an item
// takes its subtree along, and stale handles are refused.
TEST(FakeTree, DeletingAnItemDeletesItsSubtree) {
    test::FakeTreeCtrl tree;
    int data = 0;
    const auto root = tree.InsertItem("root", nullptr, &data);
    const auto child = tree.InsertItem("child", root, nullptr);
    const auto grandchild = tree.InsertItem("grandchild", child, nullptr);
    const auto sibling = tree.InsertItem("sibling", root, nullptr);
    ASSERT_EQ(tree.Children(root), (std::vector<platform::TreeItem>{child, sibling}));
    EXPECT_EQ(tree.GetItemData(root), &data);
    EXPECT_TRUE(tree.SelectItem(grandchild));

    EXPECT_TRUE(tree.DeleteItem(child));
    EXPECT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree.caret(), nullptr);
    EXPECT_EQ(tree.Children(root), std::vector<platform::TreeItem>{sibling});
    EXPECT_FALSE(tree.SetItemText(grandchild, "stale"));
    EXPECT_EQ(tree.InsertItem("orphan", child, nullptr), nullptr);
    EXPECT_TRUE(tree.Expand(root, platform::ITreeCtrl::kExpand));
    EXPECT_TRUE(tree.Find(root)->expanded);
}

}  // namespace
}  // namespace velmora
