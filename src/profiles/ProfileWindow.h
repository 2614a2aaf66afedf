#pragma once
// The profile editor: creates and edits the output profiles of one device.

#include <QWidget>

class TProfileWindow : public QWidget {
    Q_OBJECT
public:
    TProfileWindow();
};

extern TProfileWindow *ProfileWindow;
