#include "app/start_dlg.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "app/app_settings.h"
#include "app/progress_bar_dlg.h"
#include "app/transfer_queue.h"

namespace parcelo {

CStartDlg::CStartDlg(CAppSettings& settings, CTransferQueue& queue, QWidget* parent) : QDialog(parent) {
    setWindowTitle(CAppSettings::kProduct);
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel;
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(QPixmap(QString::fromStdString(settings.GetTrayDisconnectedImage())));
    layout->addWidget(picture);
    auto* progress = new CProgressBarDlg(settings);
    progress->setWindowFlags(Qt::Widget);
    layout->addWidget(progress);
    connect(&queue, &CTransferQueue::WaitingCountChanged, progress, &CProgressBarDlg::SetWaitingCount);
}

}  // namespace parcelo
