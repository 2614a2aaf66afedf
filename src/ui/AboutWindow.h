#pragma once
// The about window: title, version, the makers' name, and buttons for their web site and their
// mail address.

#include "skin/SkinnedForm.h"

class QLabel;
class TDynamicImageButton;
class TImage;

class TAboutWindow : public TSkinnedForm {
    Q_OBJECT
public:
    explicit TAboutWindow(QWidget *owner);
    ~TAboutWindow() override;

    QLabel *Label1 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;

    TImage *Img_Background = nullptr;
    TDynamicImageButton *TB_Home = nullptr;
    TDynamicImageButton *TB_Contact = nullptr;
    TDynamicImageButton *TB_Close = nullptr;

    void TB_HomeClick();
    void TB_ContactClick();
    void TB_CloseClick();

private:
    void CreateSkinnedControls();
};

// Created on first use, owned by the main window; empty again once it is destroyed.
extern TAboutWindow *AboutWindow;

// Creates the about window with the owner and dresses it from path_Skin the first time, then
// shows it modally. Returns when the window is closed.
void ShowAboutWindow(QWidget *owner);
