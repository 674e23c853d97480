#pragma once

#include <QLineEdit>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QString>

class QAbstractItemView;

namespace parcelo {

// What a list's filter field holds, as a test of names: a plain text is
// looked for anywhere in a name; with "*" or "?" it is a pattern of the
// whole name. Letter case is ignored either way. Empty lets every name by.
class CNameFilter {
public:
    void SetPattern(const QString& pattern);
    const QString& GetPattern() const { return m_strPattern; }
    bool IsEmpty() const { return m_strPattern.isEmpty(); }
    bool Matches(const QString& name) const;

private:
    QString m_strPattern;
    QRegularExpression m_wildcard;
};

// The filter field of a list. Typing in the list goes into the field while
// the list keeps the focus, so that the rows narrow with each letter;
// Backspace there takes the last letter back while the field holds text
// (and goes up a folder once it is empty), and Escape empties it, in the
// list or in the field.
class CFilterField : public QLineEdit {
    Q_OBJECT

public:
    explicit CFilterField(QAbstractItemView* list, QWidget* parent = nullptr);

    const CNameFilter& GetFilter() const { return m_filter; }

signals:
    void FilterChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Whether the key, pressed in the list, is the field's to take.
    bool TakesKey(const QKeyEvent& key) const;

    QAbstractItemView* m_pList;
    CNameFilter m_filter;
};

// A list model's rows through a name filter (on the first column). The
// order stays the source model's own: sorting is passed on to it.
class CNameFilterProxy : public QSortFilterProxyModel {
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void SetFilter(const CNameFilter& filter);
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    CNameFilter m_filter;
};

}  // namespace parcelo
