#include "app/common/splitter_dlg.h"

#include <QSplitter>
#include <QVBoxLayout>

namespace parcelo {

CSplitterDlg::CSplitterDlg(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), m_pSplitter(new QSplitter(orientation)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pSplitter->setChildrenCollapsible(false);
    layout->addWidget(m_pSplitter);
}

void CSplitterDlg::SetPanes(QWidget* first, QWidget* second, int firstStretch, int secondStretch) {
    m_pSplitter->addWidget(first);
    m_pSplitter->addWidget(second);
    m_pSplitter->setStretchFactor(0, firstStretch);
    m_pSplitter->setStretchFactor(1, secondStretch);
}

void CLockDialog::LockWindowUpdate() {
    if (m_nLocks++ == 0) m_pWindow->setUpdatesEnabled(false);
}

void CLockDialog::UnlockWindowUpdate() {
    if (m_nLocks > 0 && --m_nLocks == 0) m_pWindow->setUpdatesEnabled(true);
}

}  // namespace parcelo
