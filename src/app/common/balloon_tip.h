#pragma once

#include <string>

#include <QList>
#include <QRect>
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

    // Shows the balloon beside the window `beside` (global coordinates):
    // above it, else below, right or left of it, wherever it stays whole on
    // the screen and covers neither that window nor those in `avoid`. Where
    // it is too wide for that, its text wraps at the width of `beside`; when
    // still no place is clear, it shows above `beside`, kept on its screen.
    void ShowBalloon(const QRect& beside, const QList<QRect>& avoid, const std::string& title, const std::string& text,
                     int msec);
    void CloseBalloon();

    std::string GetTitle() const;
    std::string GetText() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Sizes the balloon (wrapping its text at `width`; 0: unwrapped) and
    // answers its places beside `beside`, the first preferred.
    QList<QPoint> Candidates(const QRect& beside, int width);

    QLabel* m_pTitle;
    QLabel* m_pText;
    QTimer m_timer;
};

}  // namespace parcelo
