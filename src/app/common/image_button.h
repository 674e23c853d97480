#pragma once

#include <string>

#include <QIcon>
#include <QToolButton>

namespace parcelo {

// A flat button that shows its normal image, and its highlighted image while
// the mouse is over it. Without images (no skin found) it shows its tooltip
// as text, so it stays usable.
class CImageButton : public QToolButton {
    Q_OBJECT

public:
    explicit CImageButton(QWidget* parent = nullptr);

    // False when either image cannot be read.
    bool SetImages(const std::string& normal, const std::string& highlighted, const QString& toolTip);
    bool HasImages() const { return !m_normal.isNull(); }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QIcon m_normal;
    QIcon m_highlighted;
};

}  // namespace parcelo
