#include "app/common/name_filter.h"

#include <QAbstractItemView>
#include <QKeyEvent>

namespace parcelo {

void CNameFilter::SetPattern(const QString& pattern) {
    m_strPattern = pattern;
    if (pattern.contains(u'*') || pattern.contains(u'?')) {
        m_wildcard.setPattern(QRegularExpression::wildcardToRegularExpression(pattern));
        m_wildcard.setPatternOptions(QRegularExpression::CaseInsensitiveOption);
    } else {
        m_wildcard = QRegularExpression();
    }
}

bool CNameFilter::Matches(const QString& name) const {
    if (m_strPattern.isEmpty()) return true;
    if (!m_wildcard.pattern().isEmpty()) return m_wildcard.match(name).hasMatch();
    return name.contains(m_strPattern, Qt::CaseInsensitive);
}

CFilterField::CFilterField(QAbstractItemView* list, QWidget* parent) : QLineEdit(parent), m_pList(list) {
    setPlaceholderText(tr("Filter: type in the list (Esc clears)"));
    setClearButtonEnabled(true);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_filter.SetPattern(text);
        emit FilterChanged();
    });
    list->installEventFilter(this);
}

bool CFilterField::TakesKey(const QKeyEvent& key) const {
    if (key.key() == Qt::Key_Escape || key.key() == Qt::Key_Backspace) {
        return key.modifiers() == Qt::NoModifier && !text().isEmpty();
    }
    // Letters, digits and signs, not commands: Ctrl or Alt makes a key a
    // command. A space starts nothing (it selects in the list).
    if ((key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0) return false;
    const QString typed = key.text();
    return typed.size() == 1 && typed.at(0).isPrint() && (!typed.at(0).isSpace() || !text().isEmpty());
}

// The list's keys: ShortcutOverride is answered too, so that a shortcut of
// the window (Backspace goes up a folder) does not take a key meant here.
bool CFilterField::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_pList || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)) {
        return QLineEdit::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (!TakesKey(*key)) return false;
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        clear();
    } else if (key->key() == Qt::Key_Backspace) {
        backspace();
    } else {
        end(false);
        insert(key->text());
    }
    return true;
}

void CFilterField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        clear();
        m_pList->setFocus();
        return;
    }
    // Enter and Down go back to the rows that are left.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Down) {
        m_pList->setFocus();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CNameFilterProxy::SetFilter(const CNameFilter& filter) {
    m_filter = filter;
    invalidateRowsFilter();
}

void CNameFilterProxy::sort(int column, Qt::SortOrder order) {
    if (sourceModel() != nullptr) sourceModel()->sort(column, order);
}

bool CNameFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    return m_filter.Matches(sourceModel()->index(sourceRow, 0, sourceParent).data().toString());
}

}  // namespace parcelo
