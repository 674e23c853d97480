#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"

// In-memory controls for tests of code that fills and reads the GUI's
// controls. They behave like the real ones where the library depends on it
// (insert positions, deleting a tree item deletes its subtree) and refuse
// operations on rows or items that do not exist, so stale handles show up.
namespace velmora::test {

class FakeListCtrl : public platform::IListCtrl {
public:
    struct Row {
        std::vector<std::string> columns;
        int image = 0;
        void* data = nullptr;
        bool selected = false;
    };

    bool IsWindow() const override { return m_window; }
    int GetItemCount() const override { return static_cast<int>(m_rows.size()); }
    int InsertItem(int index, std::string_view text, int image, void* data) override;
    bool DeleteItem(int index) override;
    bool DeleteAllItems() override;
    void* GetItemData(int index) const override;
    bool SetItemText(int index, int column, std::string_view text) override;
    std::string GetItemText(int index, int column) const override;
    bool SetItemSelected(int index, bool selected) override;
    bool IsItemSelected(int index) const override;
    int GetImageCount() const override { return m_imageCount; }

    void SetWindow(bool exists) { m_window = exists; }
    void SetImageCount(int count) { m_imageCount = count; }
    const std::vector<Row>& rows() const { return m_rows; }

private:
    bool Valid(int index) const;

    bool m_window = true;
    int m_imageCount = 0;
    std::vector<Row> m_rows;
};

class FakeComboBox : public platform::IComboBox {
public:
    int GetCount() const override { return static_cast<int>(m_data.size()); }
    void* GetItemData(int index) const override;
    int GetCurSel() const override { return m_curSel; }
    bool SetCurSel(int index) override;

    void Add(void* data) { m_data.push_back(data); }

private:
    std::vector<void*> m_data;
    int m_curSel = -1;
};

// Text widths are a fixed number of pixels per byte.
class FakeListBox : public platform::IListBox {
public:
    static constexpr int kCharWidth = 7;
    static constexpr int kAverageCharWidth = 6;

    struct Line {
        std::string text;
        void* data = nullptr;
    };

    int GetCount() const override { return static_cast<int>(m_lines.size()); }
    void* GetItemData(int index) const override;
    bool SetItemData(int index, void* data) override;
    int GetCurSel() const override { return m_curSel; }
    bool SetCurSel(int index) override;
    std::string GetText(int index) const override;
    int AddString(std::string_view text) override;
    bool DeleteString(int index) override;
    void ResetContent() override;
    void SetHorizontalExtent(int width) override { m_extent = width; }
    int GetTextWidth(std::string_view text) const override;
    int GetAverageCharWidth() const override { return kAverageCharWidth; }

    int extent() const { return m_extent; }
    const std::vector<Line>& lines() const { return m_lines; }

private:
    bool Valid(int index) const { return index >= 0 && index < GetCount(); }

    std::vector<Line> m_lines;
    int m_curSel = -1;
    int m_extent = 0;
};

// Handles are never reused, so an operation on a deleted item fails.
class FakeTreeCtrl : public platform::ITreeCtrl {
public:
    struct Item {
        std::string text;
        platform::TreeItem parent = nullptr;
        std::vector<platform::TreeItem> children;
        void* data = nullptr;
        int image = 0;
        int selectedImage = 0;
        bool checked = false;
        bool expanded = false;
    };

    bool IsWindow() const override { return m_window; }
    platform::TreeItem InsertItem(std::string_view text, platform::TreeItem parent, void* data) override;
    bool SetItemText(platform::TreeItem item, std::string_view text) override;
    bool SetItemImage(platform::TreeItem item, int image, int selectedImage) override;
    bool HasCheckBoxes() const override { return m_checkBoxes; }
    bool SetCheck(platform::TreeItem item, bool checked) override;
    bool GetCheck(platform::TreeItem item) const override;
    bool SelectItem(platform::TreeItem item) override;
    bool Expand(platform::TreeItem item, int code) override;
    bool DeleteItem(platform::TreeItem item) override;
    void* GetItemData(platform::TreeItem item) const override;

    void SetWindow(bool exists) { m_window = exists; }
    // Check states are stored even without check boxes, so a test can see
    // whether anything was written.
    void SetCheckBoxes(bool shown) { m_checkBoxes = shown; }
    // Null for an unknown or deleted handle.
    const Item* Find(platform::TreeItem item) const;
    // Children of `parent` (null: the top-level items), in order.
    const std::vector<platform::TreeItem>& Children(platform::TreeItem parent) const;
    size_t size() const { return m_items.size(); }
    platform::TreeItem caret() const { return m_caret; }
    // Number of SetItemText calls, to tell a refresh from a no-op.
    int textUpdates() const { return m_textUpdates; }

private:
    Item* Lookup(platform::TreeItem item);
    void EraseSubtree(platform::TreeItem item);

    bool m_window = true;
    bool m_checkBoxes = false;
    std::map<uintptr_t, Item> m_items;
    std::vector<platform::TreeItem> m_roots;
    uintptr_t m_nextId = 1;
    platform::TreeItem m_caret = nullptr;
    int m_textUpdates = 0;
};

}  // namespace velmora::test
