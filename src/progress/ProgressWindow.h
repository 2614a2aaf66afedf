#pragma once
// The progress window, from which a run is started, watched and stopped.

#include <QWidget>

class TProgressWindow : public QWidget {
    Q_OBJECT
public:
    TProgressWindow();
};

extern TProgressWindow *ProgressWindow;
