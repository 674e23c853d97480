#include "support/fake_controls.h"

#include <algorithm>

namespace velmora::test {
namespace {

uintptr_t Id(platform::TreeItem item) { return reinterpret_cast<uintptr_t>(item); }

}  // namespace

// ---- FakeListCtrl ----

bool FakeListCtrl::Valid(int index) const { return m_window && index >= 0 && index < GetItemCount(); }

int FakeListCtrl::InsertItem(int index, std::string_view text, int image, void* data) {
    if (!m_window || index < 0) return -1;
    index = std::min(index, GetItemCount());
    m_rows.insert(m_rows.begin() + index, Row{{std::string(text)}, image, data, false});
    return index;
}

bool FakeListCtrl::DeleteItem(int index) {
    if (!Valid(index)) return false;
    m_rows.erase(m_rows.begin() + index);
    return true;
}

bool FakeListCtrl::DeleteAllItems() {
    if (!m_window) return false;
    m_rows.clear();
    return true;
}

void* FakeListCtrl::GetItemData(int index) const { return Valid(index) ? m_rows[index].data : nullptr; }

bool FakeListCtrl::SetItemText(int index, int column, std::string_view text) {
    if (!Valid(index) || column < 0) return false;
    auto& columns = m_rows[index].columns;
    if (static_cast<size_t>(column) >= columns.size()) columns.resize(column + 1);
    columns[column] = std::string(text);
    return true;
}

std::string FakeListCtrl::GetItemText(int index, int column) const {
    if (!Valid(index) || column < 0) return {};
    const auto& columns = m_rows[index].columns;
    return static_cast<size_t>(column) < columns.size() ? columns[column] : std::string();
}

bool FakeListCtrl::SetItemSelected(int index, bool selected) {
    if (!Valid(index)) return false;
    m_rows[index].selected = selected;
    return true;
}

bool FakeListCtrl::IsItemSelected(int index) const { return Valid(index) && m_rows[index].selected; }

// ---- FakeComboBox ----

void* FakeComboBox::GetItemData(int index) const {
    return index >= 0 && index < GetCount() ? m_data[index] : nullptr;
}

bool FakeComboBox::SetCurSel(int index) {
    if (index < -1 || index >= GetCount()) return false;
    m_curSel = index;
    return true;
}

// ---- FakeListBox ----

void* FakeListBox::GetItemData(int index) const { return Valid(index) ? m_lines[index].data : nullptr; }

bool FakeListBox::SetItemData(int index, void* data) {
    if (!Valid(index)) return false;
    m_lines[index].data = data;
    return true;
}

bool FakeListBox::SetCurSel(int index) {
    if (index < -1 || index >= GetCount()) return false;
    m_curSel = index;
    return true;
}

std::string FakeListBox::GetText(int index) const { return Valid(index) ? m_lines[index].text : std::string(); }

int FakeListBox::AddString(std::string_view text) {
    m_lines.push_back(Line{std::string(text), nullptr});
    return GetCount() - 1;
}

bool FakeListBox::DeleteString(int index) {
    if (!Valid(index)) return false;
    m_lines.erase(m_lines.begin() + index);
    if (m_curSel == index) m_curSel = -1;
    else if (m_curSel > index) --m_curSel;
    return true;
}

void FakeListBox::ResetContent() {
    m_lines.clear();
    m_curSel = -1;
}

int FakeListBox::GetTextWidth(std::string_view text) const { return static_cast<int>(text.size()) * kCharWidth; }

// ---- FakeTreeCtrl ----

FakeTreeCtrl::Item* FakeTreeCtrl::Lookup(platform::TreeItem item) {
    const auto it = m_items.find(Id(item));
    return m_window && it != m_items.end() ? &it->second : nullptr;
}

const FakeTreeCtrl::Item* FakeTreeCtrl::Find(platform::TreeItem item) const {
    const auto it = m_items.find(Id(item));
    return it != m_items.end() ? &it->second : nullptr;
}

const std::vector<platform::TreeItem>& FakeTreeCtrl::Children(platform::TreeItem parent) const {
    static const std::vector<platform::TreeItem> kNone;
    if (parent == nullptr) return m_roots;
    const Item* item = Find(parent);
    return item != nullptr ? item->children : kNone;
}

platform::TreeItem FakeTreeCtrl::InsertItem(std::string_view text, platform::TreeItem parent, void* data) {
    if (!m_window) return nullptr;
    Item* parentItem = parent != nullptr ? Lookup(parent) : nullptr;
    if (parent != nullptr && parentItem == nullptr) return nullptr;
    const auto handle = reinterpret_cast<platform::TreeItem>(m_nextId);
    Item item;
    item.text = std::string(text);
    item.parent = parent;
    item.data = data;
    m_items.emplace(m_nextId++, std::move(item));
    (parentItem != nullptr ? parentItem->children : m_roots).push_back(handle);
    return handle;
}

bool FakeTreeCtrl::SetItemText(platform::TreeItem item, std::string_view text) {
    Item* found = Lookup(item);
    if (found == nullptr) return false;
    found->text = std::string(text);
    ++m_textUpdates;
    return true;
}

bool FakeTreeCtrl::SetItemImage(platform::TreeItem item, int image, int selectedImage) {
    Item* found = Lookup(item);
    if (found == nullptr) return false;
    found->image = image;
    found->selectedImage = selectedImage;
    return true;
}

bool FakeTreeCtrl::SetCheck(platform::TreeItem item, bool checked) {
    Item* found = Lookup(item);
    if (found == nullptr) return false;
    found->checked = checked;
    return true;
}

bool FakeTreeCtrl::GetCheck(platform::TreeItem item) const {
    const Item* found = Find(item);
    return m_window && found != nullptr && found->checked;
}

bool FakeTreeCtrl::SelectItem(platform::TreeItem item) {
    if (item != nullptr && Lookup(item) == nullptr) return false;
    m_caret = item;
    return true;
}

bool FakeTreeCtrl::Expand(platform::TreeItem item, int code) {
    Item* found = Lookup(item);
    if (found == nullptr || (code != kCollapse && code != kExpand)) return false;
    found->expanded = code == kExpand;
    return true;
}

bool FakeTreeCtrl::DeleteItem(platform::TreeItem item) {
    Item* found = Lookup(item);
    if (found == nullptr) return false;
    auto& siblings = found->parent != nullptr ? Lookup(found->parent)->children : m_roots;
    std::erase(siblings, item);
    EraseSubtree(item);
    return true;
}

void FakeTreeCtrl::EraseSubtree(platform::TreeItem item) {
    const auto it = m_items.find(Id(item));
    for (platform::TreeItem child : it->second.children) EraseSubtree(child);
    if (m_caret == item) m_caret = nullptr;
    m_items.erase(it);
}

void* FakeTreeCtrl::GetItemData(platform::TreeItem item) const {
    const Item* found = Find(item);
    return m_window && found != nullptr ? found->data : nullptr;
}

}  // namespace velmora::test
