#pragma once

#include <string>

#include <QTimer>
#include <QWidget>

class QLabel;

namespace parcelo {

// A balloon next to a window: an icon, a bold title and a text, which closes
// by itself after its time or when clicked.
class CBalloonTip : public QWidget {
    Q_OBJECT

public:
    explicit CBalloonTip(QWidget* parent = nullptr);

    // Shows the balloon with its tip at `anchor` (global coordinates),
    // placed so that it stays on the anchor's screen.
    void ShowBalloon(const QPoint& anchor, const std::string& title, const std::string& text, int msec);
    void CloseBalloon();

    std::string GetTitle() const;
    std::string GetText() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_pTitle;
    QLabel* m_pText;
    QTimer m_timer;
};

}  // namespace parcelo
