#pragma once

#include <string>
#include <string_view>

#include "platform/api.h"

// The window controls that library code fills and reads. The desktop program
// implements these over its widgets; tests use in-memory stand-ins. Each
// entry carries one data word (`void*`) that identifies the object it shows.
namespace velmora::platform {

// A report-style list: rows of column texts, an image and a data word.
class VELMORA_API IListCtrl {
public:
    virtual ~IListCtrl() = default;

    virtual bool IsWindow() const = 0;
    virtual int GetItemCount() const = 0;
    // Inserts a row before `index` (an index past the end appends) with the
    // first column's text; answers the row's index, -1 on failure.
    virtual int InsertItem(int index, std::string_view text, int image, void* data) = 0;
    virtual bool DeleteItem(int index) = 0;
    virtual bool DeleteAllItems() = 0;
    // Null for an index out of range.
    virtual void* GetItemData(int index) const = 0;
    virtual bool SetItemText(int index, int column, std::string_view text) = 0;
    virtual std::string GetItemText(int index, int column) const = 0;
    virtual bool SetItemSelected(int index, bool selected) = 0;
    virtual bool IsItemSelected(int index) const = 0;
    // Images in the normal image list; 0 when the list has none.
    virtual int GetImageCount() const = 0;
};

// A drop-down list; selection index -1 means nothing is selected.
class VELMORA_API IComboBox {
public:
    virtual ~IComboBox() = default;

    virtual int GetCount() const = 0;
    virtual void* GetItemData(int index) const = 0;
    virtual int GetCurSel() const = 0;
    virtual bool SetCurSel(int index) = 0;
};

// A single-column list of lines; selection index -1 means nothing is selected.
class VELMORA_API IListBox {
public:
    virtual ~IListBox() = default;

    virtual int GetCount() const = 0;
    virtual void* GetItemData(int index) const = 0;
    virtual bool SetItemData(int index, void* data) = 0;
    virtual int GetCurSel() const = 0;
    virtual bool SetCurSel(int index) = 0;
    virtual std::string GetText(int index) const = 0;
    // Appends a line; answers its index, -1 on failure.
    virtual int AddString(std::string_view text) = 0;
    virtual bool DeleteString(int index) = 0;
    virtual void ResetContent() = 0;
    // Width in pixels over which the list scrolls horizontally.
    virtual void SetHorizontalExtent(int width) = 0;
    // Widths in pixels in the control's font.
    virtual int GetTextWidth(std::string_view text) const = 0;
    virtual int GetAverageCharWidth() const = 0;
};

// Handle of a tree-control item; null means none (or the top level).
using TreeItem = void*;

// A tree of items, each with a text, an image pair, a check box and a data word.
class VELMORA_API ITreeCtrl {
public:
    // Codes of Expand().
    static constexpr int kCollapse = 1;
    static constexpr int kExpand = 2;

    virtual ~ITreeCtrl() = default;

    virtual bool IsWindow() const = 0;
    // Appends an item as the last child of `parent` (null: top level);
    // answers the new item, null on failure.
    virtual TreeItem InsertItem(std::string_view text, TreeItem parent, void* data) = 0;
    virtual bool SetItemText(TreeItem item, std::string_view text) = 0;
    virtual bool SetItemImage(TreeItem item, int image, int selectedImage) = 0;
    virtual bool HasCheckBoxes() const = 0;
    virtual bool SetCheck(TreeItem item, bool checked) = 0;
    virtual bool GetCheck(TreeItem item) const = 0;
    // Makes the item the caret (current) item.
    virtual bool SelectItem(TreeItem item) = 0;
    virtual bool Expand(TreeItem item, int code) = 0;
    // Deletes the item and its descendants.
    virtual bool DeleteItem(TreeItem item) = 0;
    virtual void* GetItemData(TreeItem item) const = 0;
};

}  // namespace velmora::platform
