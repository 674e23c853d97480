#include "base/control_helpers.h"

#include <algorithm>

namespace velmora {
namespace {

// The first entry of a combo or list box with that data; -1 when none.
template <typename Box>
int FindEntry(const Box& box, const void* data) {
    const int count = box.GetCount();
    for (int i = 0; i < count; ++i) {
        if (box.GetItemData(i) == data) return i;
    }
    return -1;
}

template <typename Box>
bool SelectEntry(Box& box, const void* data) {
    const int index = FindEntry(box, data);
    return index >= 0 && box.SetCurSel(index);
}

template <typename Box>
bool SelectedEntryData(const Box& box, void*& data) {
    const int index = box.GetCurSel();
    if (index < 0 || index >= box.GetCount()) return false;
    data = box.GetItemData(index);
    return true;
}

}  // namespace

int FindItemIndex(const platform::IListCtrl& list, const void* data) {
    if (data == nullptr) return -1;
    const int count = list.GetItemCount();
    for (int i = 0; i < count; ++i) {
        if (list.GetItemData(i) == data) return i;
    }
    return -1;
}

bool SelectItem(platform::IListCtrl& list, int index) { return list.SetItemSelected(index, true); }

int SelectItem(platform::IListCtrl& list, const void* data) {
    const int index = FindItemIndex(list, data);
    return index >= 0 && SelectItem(list, index) ? index : -1;
}

bool SetItemText(platform::IListCtrl& list, const void* data, std::string_view text) {
    const int index = FindItemIndex(list, data);
    return index >= 0 && list.SetItemText(index, 0, text);
}

bool DeleteItem(platform::IListCtrl& list, const void* data) {
    const int index = FindItemIndex(list, data);
    return index >= 0 && list.DeleteItem(index);
}

bool Remove(platform::IListCtrl& list, const void* data) { return DeleteItem(list, data); }

int GetFirstSelectedItem(const platform::IListCtrl& list) {
    if (!list.IsWindow()) return -1;
    const int count = list.GetItemCount();
    for (int i = 0; i < count; ++i) {
        if (list.IsItemSelected(i)) return i;
    }
    return -1;
}

bool SelectItem(platform::IComboBox& combo, const void* data) { return SelectEntry(combo, data); }
bool SelectItem(platform::IListBox& listBox, const void* data) { return SelectEntry(listBox, data); }
bool GetSelItemData(const platform::IComboBox& combo, void*& data) { return SelectedEntryData(combo, data); }
bool GetSelItemData(const platform::IListBox& listBox, void*& data) { return SelectedEntryData(listBox, data); }

bool Remove(platform::IListBox& listBox, const void* data) {
    const int index = FindEntry(listBox, data);
    return index >= 0 && listBox.DeleteString(index);
}

void FixHScroll(platform::IListBox& listBox) {
    int widest = 0;
    const int count = listBox.GetCount();
    for (int i = 0; i < count; ++i) widest = std::max(widest, listBox.GetTextWidth(listBox.GetText(i)));
    listBox.SetHorizontalExtent(widest + listBox.GetAverageCharWidth());
}

}  // namespace velmora
