#pragma once

#include <string_view>

#include "platform/api.h"
#include "platform/controls.h"

// Finding and changing the entries of the GUI's controls by the object they
// show: each entry's data word identifies its object.
namespace velmora {

// The index of the first row with that data; -1 when none or data is null.
VELMORA_API int FindItemIndex(const platform::IListCtrl& list, const void* data);
// Marks the row as selected (other rows keep their state).
VELMORA_API bool SelectItem(platform::IListCtrl& list, int index);
// Selects the row with that data; its index or -1.
VELMORA_API int SelectItem(platform::IListCtrl& list, const void* data);
// Sets the first column's text of the row with that data.
VELMORA_API bool SetItemText(platform::IListCtrl& list, const void* data, std::string_view text);
// Deletes the first row with that data; false when there is none.
VELMORA_API bool DeleteItem(platform::IListCtrl& list, const void* data);
VELMORA_API bool Remove(platform::IListCtrl& list, const void* data);
// The index of the first selected row; -1 when none or the control has no window.
VELMORA_API int GetFirstSelectedItem(const platform::IListCtrl& list);

// Select the entry with that data; false when there is none.
VELMORA_API bool SelectItem(platform::IComboBox& combo, const void* data);
VELMORA_API bool SelectItem(platform::IListBox& listBox, const void* data);
// The data of the selected entry; false when nothing is selected.
VELMORA_API bool GetSelItemData(const platform::IComboBox& combo, void*& data);
VELMORA_API bool GetSelItemData(const platform::IListBox& listBox, void*& data);
// Deletes the first entry with that data; false when there is none.
VELMORA_API bool Remove(platform::IListBox& listBox, const void* data);
// Lets the box scroll sideways as far as its widest line (plus one average
// character).
VELMORA_API void FixHScroll(platform::IListBox& listBox);

}  // namespace velmora
