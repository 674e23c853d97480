#include "app/common/dialog_parent.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace parcelo {
namespace {

QPointer<QWidget>& MainWindow() {
    static QPointer<QWidget> window;
    return window;
}

bool IsShown(const QWidget* window) { return window != nullptr && window->isVisible() && !window->isMinimized(); }

}  // namespace

void SetMainWindow(QWidget* window) { MainWindow() = window; }

QWidget* DialogParent(QWidget* preferred) {
    if (QWidget* modal = QApplication::activeModalWidget(); IsShown(modal)) return modal;
    if (IsShown(preferred)) return preferred->window();
    if (QWidget* active = QApplication::activeWindow(); IsShown(active)) return active;
    if (IsShown(MainWindow())) return MainWindow();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = window->windowType();
        if (IsShown(window) && (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool)) return window;
    }
    return nullptr;
}

void BringForward(QWidget* dialog) {
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace parcelo
