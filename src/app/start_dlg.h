#pragma once

#include <QDialog>

namespace parcelo {

class CAppSettings;
class CTransferQueue;

// The main window until the drop tray takes its place: the tray picture and
// the progress of the transfers.
class CStartDlg : public QDialog {
    Q_OBJECT

public:
    CStartDlg(CAppSettings& settings, CTransferQueue& queue, QWidget* parent = nullptr);
};

}  // namespace parcelo
