#pragma once

class QWidget;

namespace parcelo {

// The window a question or notice belongs to: the one the user is in. That
// is a modal dialog already open, else `preferred` when it is on screen,
// else the program's active window, else its main window when shown, else
// any window of the program on screen (the tray). Null only when the
// program shows no window at all.
QWidget* DialogParent(QWidget* preferred = nullptr);

// A dialog about to run brought above every other window and given the
// keyboard: a question that opens behind a window would hold the focus
// unseen, and Enter would answer it.
void BringForward(QWidget* dialog);

// Marks the program's main window for DialogParent.
void SetMainWindow(QWidget* window);

}  // namespace parcelo
