#pragma once
// The about window: title, version, the maker's web site and contact address.

#include "ui/SkinnedForm.h"

class QLabel;

class TAboutWindow : public TSkinnedForm {
    Q_OBJECT
public:
    explicit TAboutWindow(QWidget *owner);

    QLabel *Label1 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
};

// Created on first use, owned by the main window.
extern TAboutWindow *AboutWindow;

inline constexpr const char *kHomePageUrl = "https://www.mavosoft.example/";
inline constexpr const char *kContactMail = "support@mavosoft.example";
inline constexpr const char *kCompanyName = "Mavo Software";
