#include "app/common/image_button.h"

#include <QPixmap>

namespace parcelo {

CImageButton::CImageButton(QWidget* parent) : QToolButton(parent) {
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
}

bool CImageButton::SetImages(const std::string& normal, const std::string& highlighted, const QString& toolTip) {
    setToolTip(toolTip);
    const QPixmap normalImage(QString::fromStdString(normal));
    const QPixmap highlightedImage(QString::fromStdString(highlighted));
    if (normalImage.isNull() || highlightedImage.isNull()) {
        m_normal = m_highlighted = QIcon();
        setIcon(QIcon());
        setText(toolTip);
        setToolButtonStyle(Qt::ToolButtonTextOnly);
        return false;
    }
    m_normal = QIcon(normalImage);
    m_highlighted = QIcon(highlightedImage);
    setIcon(m_normal);
    setIconSize(normalImage.size());
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    return true;
}

void CImageButton::enterEvent(QEnterEvent* event) {
    if (HasImages()) setIcon(m_highlighted);
    QToolButton::enterEvent(event);
}

void CImageButton::leaveEvent(QEvent* event) {
    if (HasImages()) setIcon(m_normal);
    QToolButton::leaveEvent(event);
}

}  // namespace parcelo
