#include "ui/AboutWindow.h"

#include "common/Globals.h"
#include "controls/ImageButton.h"
#include "controls/TImage.h"
#include "desktop/ErrorReport.h"
#include "desktop/Makers.h"
#include "desktop/OpenAddress.h"
#include "skin/SkinLoader.h"

#include <QLabel>
#include <QShortcut>

TAboutWindow *AboutWindow = nullptr;

TAboutWindow::TAboutWindow(QWidget *owner) : TSkinnedForm(owner, Qt::Dialog) {
    setObjectName("AboutWindow");
    setWindowTitle("About Mavo Video Converter");
    resize(392, 216);
    const QFont tahoma = FormFont("Tahoma", -11);
    setFont(tahoma);

    const QFont title = FormFont("Tahoma", -20, true);
    const QString product = QStringLiteral("Mavo iPod Converter") + " 2.1";
    // Label1 is the silver shadow one pixel right of and below Label5.
    Label1 = MakeLabel(this, "Label1", product, 38, 55, title);
    Label1->setFixedSize(247, 24);
    Label1->setStyleSheet("color: silver;");
    Label5 = MakeLabel(this, "Label5", product, 37, 54, title);
    Label5->setFixedSize(247, 24);
    Label2 = MakeLabel(this, "Label2", g_s_Version, 184, 88, tahoma);
    Label3 = MakeLabel(this, "Label3", MakersCompanyName(), 24, 176, FormFont("Tahoma", -13, true));

    CreateSkinnedControls();
    CentreOnScreen();
}

TAboutWindow::~TAboutWindow() {
    if (AboutWindow == this)
        AboutWindow = nullptr;
}

void TAboutWindow::CreateSkinnedControls() {
    Img_Background = CreateBackground();
    TB_Home = CreateComponent<TDynamicImageButton>("TB_Home");
    TB_Contact = CreateComponent<TDynamicImageButton>("TB_Contact");
    TB_Close = CreateComponent<TDynamicImageButton>("TB_Close");
    connect(TB_Home, &TImageButton::Click, this, &TAboutWindow::TB_HomeClick);
    connect(TB_Contact, &TImageButton::Click, this, &TAboutWindow::TB_ContactClick);
    connect(TB_Close, &TImageButton::Click, this, &TAboutWindow::TB_CloseClick);
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this,
            &TAboutWindow::TB_CloseClick);
}

void TAboutWindow::TB_HomeClick() {
    OpenHomePage();
}

void TAboutWindow::TB_ContactClick() {
    OpenAddress(SupportMailAddress(MakersSupportMail(), {}, {}));
}

void TAboutWindow::TB_CloseClick() {
    close();
}

void ShowAboutWindow(QWidget *owner) {
    if (AboutWindow == nullptr) {
        AboutWindow = new TAboutWindow(owner);
        ApplySkin(AboutWindow, path_Skin);
        // Without a web site the button leads to the user guide; its hint says so.
        if (MakersHomePage().isEmpty())
            AboutWindow->TB_Home->setToolTip(QStringLiteral("Open the user guide"));
    }
    AboutWindow->ShowModal();
}
