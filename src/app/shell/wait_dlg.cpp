#include "app/shell/wait_dlg.h"

#include <QPalette>
#include <QVBoxLayout>

namespace parcelo {

// ---- CFrameAnimation ----

CFrameAnimation::CFrameAnimation(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setAttribute(Qt::WA_TranslucentBackground);
    connect(&m_timer, &QTimer::timeout, this, [this] { ShowFrame((m_nFrame + 1) % GetFrameCount()); });
}

bool CFrameAnimation::Open(const std::string& file) {
    Stop();
    m_frames.clear();
    const QPixmap strip(QString::fromStdString(file));
    const int size = strip.height();
    if (strip.isNull() || size <= 0 || strip.width() % size != 0) {
        clear();
        return false;
    }
    for (int x = 0; x < strip.width(); x += size) m_frames.push_back(strip.copy(x, 0, size, size));
    ShowFrame(0);
    return true;
}

void CFrameAnimation::Play() {
    if (GetFrameCount() == 0) return;
    ShowFrame(0);
    m_timer.start(kFrameInterval);
}

void CFrameAnimation::Stop() { m_timer.stop(); }

void CFrameAnimation::ShowFrame(int index) {
    m_nFrame = index;
    setPixmap(m_frames[index]);
}

// ---- CWaitDlg ----

CWaitDlg::CWaitDlg(const std::string& animationFile, QWidget* parent) : QDialog(parent) {
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    m_pAnimation = new CFrameAnimation;
    m_pAnimation->Open(animationFile);
    layout->addWidget(m_pAnimation, 1);
    m_pText = new QLabel;
    m_pText->setAlignment(Qt::AlignCenter);
    m_pText->setTextFormat(Qt::PlainText);
    m_pText->setWordWrap(true);
    layout->addWidget(m_pText);
    m_pCancel = new QPushButton(tr("Cancel"));
    m_pCancel->setObjectName("cancel");
    layout->addWidget(m_pCancel, 0, Qt::AlignHCenter);
    connect(m_pCancel, &QPushButton::clicked, this, &CWaitDlg::CancelRequested);
}

void CWaitDlg::ShowWait(const std::string& text) {
    m_pText->setText(QString::fromStdString(text));
    m_pAnimation->Play();
    show();
}

void CWaitDlg::HideWait() {
    if (!isVisible() && !IsPlaying()) return;
    m_pAnimation->Stop();
    hide();
}

}  // namespace parcelo
