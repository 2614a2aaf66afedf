#include "profiles/ProfileWindow.h"

TProfileWindow *ProfileWindow = nullptr;

TProfileWindow::TProfileWindow() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::Dialog) {
    setObjectName("ProfileWindow");
}
