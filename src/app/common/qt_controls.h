#pragma once

#include <string_view>

#include <QComboBox>
#include <QIcon>
#include <QList>
#include <QListWidget>
#include <QPointer>
#include <QTreeWidget>

#include "platform/controls.h"

// The library's abstract controls over Qt's widgets. Each adapter works on a
// widget it does not own (and answers as a control without a window once
// the widget is gone); every entry keeps its data word in Qt::UserRole. The
// tree control is an item model of its own (tree_ctrl_model.h).
namespace parcelo {

// A report-style list over a QTreeWidget without tree decoration.
class CQtListCtrl : public velmora::platform::IListCtrl {
public:
    explicit CQtListCtrl(QTreeWidget* list);

    void SetImageList(QList<QIcon> images) { m_images = std::move(images); }

    bool IsWindow() const override { return m_pList != nullptr; }
    int GetItemCount() const override;
    int InsertItem(int index, std::string_view text, int image, void* data) override;
    bool DeleteItem(int index) override;
    bool DeleteAllItems() override;
    void* GetItemData(int index) const override;
    bool SetItemText(int index, int column, std::string_view text) override;
    std::string GetItemText(int index, int column) const override;
    bool SetItemSelected(int index, bool selected) override;
    bool IsItemSelected(int index) const override;
    int GetImageCount() const override { return static_cast<int>(m_images.size()); }

private:
    QTreeWidgetItem* Row(int index) const;

    QPointer<QTreeWidget> m_pList;
    QList<QIcon> m_images;
};

class CQtComboBox : public velmora::platform::IComboBox {
public:
    explicit CQtComboBox(QComboBox* combo) : m_pCombo(combo) {}

    int GetCount() const override;
    void* GetItemData(int index) const override;
    int GetCurSel() const override;
    bool SetCurSel(int index) override;

private:
    QPointer<QComboBox> m_pCombo;
};

class CQtListBox : public velmora::platform::IListBox {
public:
    explicit CQtListBox(QListWidget* list) : m_pList(list) {}

    int GetCount() const override;
    void* GetItemData(int index) const override;
    bool SetItemData(int index, void* data) override;
    int GetCurSel() const override;
    bool SetCurSel(int index) override;
    std::string GetText(int index) const override;
    int AddString(std::string_view text) override;
    bool DeleteString(int index) override;
    void ResetContent() override;
    void SetHorizontalExtent(int width) override;
    int GetTextWidth(std::string_view text) const override;
    int GetAverageCharWidth() const override;

private:
    bool Valid(int index) const { return index >= 0 && index < GetCount(); }

    QPointer<QListWidget> m_pList;
};

}  // namespace parcelo
