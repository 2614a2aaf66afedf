#include "skin/Splash.h"

#include "common/Globals.h"
#include "desktop/ScaledPicture.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <algorithm>

TStartUp *StartUp = nullptr;

TStartUp::TStartUp()
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::SplashScreen) {
    setObjectName("StartUp");
    resize(446, 243);
    Image = new QLabel(this);
    Image->setObjectName("Image");
    Image->move(0, 0);
    StartUpImageFile = path_Skin + "startup.jpg";
    SetOpacity(0);
    opacity_steps_.clear(); // the window starts invisible; that is no step of a fade
}

void TStartUp::SetOpacity(int value) {
    value = std::clamp(value, 0, 255);
    opacity_steps_.push_back(value);
    setWindowOpacity(value / 255.0);
}

void TStartUp::ShowSplash() {
    splash_shown_ = QFileInfo(StartUpImageFile).isFile();
    if (!splash_shown_)
        return;
    const QImage picture = LoadScaledPicture(StartUpImageFile, devicePixelRatioF());
    if (!picture.isNull())
        Image->setPixmap(QPixmap::fromImage(picture));
    Image->adjustSize();
    resize(Image->size());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    repaint();
    for (int value = 10; value <= 250; value += 10) {
        SetOpacity(value);
        QThread::msleep(20);
        QCoreApplication::processEvents();
    }
    SetOpacity(255);
}

void TStartUp::HideSplash() {
    if (!splash_shown_)
        return;
    for (int value = 250; value >= 0; value -= 5) {
        SetOpacity(value);
        QThread::msleep(10);
    }
}

void ShowSplash() {
    if (StartUp == nullptr)
        StartUp = new TStartUp;
    StartUp->ShowSplash();
}

void HideSplash() {
    if (StartUp == nullptr)
        return;
    TStartUp *splash = StartUp;
    StartUp = nullptr;
    splash->HideSplash();
    splash->close();
    delete splash;
}
