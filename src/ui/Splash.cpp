#include "ui/Splash.h"

QWidget *StartUp = nullptr;

void HideSplash() {
    if (StartUp == nullptr)
        return;
    QWidget *splash = StartUp;
    StartUp = nullptr;
    splash->close();
    delete splash;
}
