#pragma once
// The about window: title, version, the maker's web site and contact address.

#include "ui/SkinnedForm.h"

class QLabel;
class TDynamicImageButton;
class TImage;

class TAboutWindow : public TSkinnedForm {
    Q_OBJECT
public:
    explicit TAboutWindow(QWidget *owner);

    QLabel *Label1 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;

    TImage *Img_Background = nullptr;
    TDynamicImageButton *TB_Home = nullptr;
    TDynamicImageButton *TB_Contact = nullptr;
    TDynamicImageButton *TB_Close = nullptr;

private:
    void CreateSkinnedControls();
};

// Opens the maker's web site in the default browser.
void OpenHomePage();

// Created on first use, owned by the main window.
extern TAboutWindow *AboutWindow;

inline constexpr const char *kHomePageUrl = "https://www.mavosoft.example/";
inline constexpr const char *kContactMail = "support@mavosoft.example";
inline constexpr const char *kCompanyName = "Mavo Software";
