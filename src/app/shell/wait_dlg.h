#pragma once

#include <string>
#include <vector>

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QPixmap>
#include <QTimer>

namespace parcelo {

// The busy animation: a PNG strip of square frames side by side, played in
// an endless loop from the first frame to the last.
class CFrameAnimation : public QLabel {
    Q_OBJECT

public:
    static constexpr int kFrameInterval = 80;

    explicit CFrameAnimation(QWidget* parent = nullptr);

    // False when the file cannot be read as a strip of frames.
    bool Open(const std::string& file);
    void Play();
    void Stop();
    bool IsPlaying() const { return m_timer.isActive(); }
    int GetFrameCount() const { return static_cast<int>(m_frames.size()); }
    int GetCurrentFrame() const { return m_nFrame; }

private:
    void ShowFrame(int index);

    std::vector<QPixmap> m_frames;
    int m_nFrame = 0;
    QTimer m_timer;
};

// The wait window: the busy animation over a white background, the wait
// text and Cancel, shown while a wait message is in force. Cancel (or
// Escape) asks for the wait to end; whoever waits decides.
class CWaitDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kDialogId = 110;

    // Without a readable animation file the window shows only its text.
    explicit CWaitDlg(const std::string& animationFile, QWidget* parent = nullptr);

    void ShowWait(const std::string& text);
    // Does nothing while no wait is shown.
    void HideWait();

    bool HasAnimation() const { return m_pAnimation->GetFrameCount() > 0; }
    bool IsPlaying() const { return m_pAnimation->IsPlaying(); }
    int GetFrame() const { return m_pAnimation->GetCurrentFrame(); }
    std::string GetText() const { return m_pText->text().toStdString(); }
    QPushButton* GetCancelButton() const { return m_pCancel; }

signals:
    void CancelRequested();

protected:
    void reject() override { emit CancelRequested(); }

private:
    CFrameAnimation* m_pAnimation;
    QLabel* m_pText;
    QPushButton* m_pCancel;
};

}  // namespace parcelo
