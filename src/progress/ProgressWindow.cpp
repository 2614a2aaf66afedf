#include "progress/ProgressWindow.h"

TProgressWindow *ProgressWindow = nullptr;

TProgressWindow::TProgressWindow() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::Dialog) {
    setObjectName("ProgressWindow");
}
