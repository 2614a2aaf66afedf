#pragma once
// The splash window: the skin's start-up picture, faded in while the program starts and faded out
// once the main window is ready. Without the picture there is no splash.

#include <QString>
#include <QWidget>
#include <vector>

class QLabel;

class TStartUp : public QWidget {
    Q_OBJECT
public:
    TStartUp();

    void ShowSplash();
    void HideSplash();

    bool SplashShown() const { return splash_shown_; }
    // Every opacity given to the window, 0..255, in order.
    const std::vector<int> &OpacitySteps() const { return opacity_steps_; }

private:
    void SetOpacity(int value);

    QLabel *Image = nullptr;
    QString StartUpImageFile;
    bool splash_shown_ = false;
    std::vector<int> opacity_steps_;
};

// The splash while the program starts, otherwise null.
extern TStartUp *StartUp;

// Shows the splash (created on first call) when the skin has its picture.
void ShowSplash();
// Fades the splash out (when one is shown), closes and destroys it. Safe to call at any time.
void HideSplash();
