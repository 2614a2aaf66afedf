#include "../controls/ControlsTestSupport.h"
#include "HelpTestSupport.h"
#include "app/HelpMenu.h"
#include "common/Globals.h"
#include "controls/ImageButton.h"
#include "desktop/Makers.h"
#include "skin/SkinLoader.h"
#include "ui/AboutWindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using help_test::OpenedAddresses;

namespace {

const QString kSkin = QStringLiteral(MAVO_BIN_DIR) + "/Skin/";

QUrl GuideBesideTheProgram() {
    return QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/Help File.html");
}

// Where "Home" leads in this build: the configured web site, or the user guide.
QUrl HomeOfThisBuild() {
    return MakersHomePage().isEmpty() ? GuideBesideTheProgram()
                                      : QUrl::fromUserInput(MakersHomePage());
}

void ClickButton(TImageButton *button) {
    controls_test::Click(button, button->rect().center());
}

} // namespace

TEST(HelpMenu, FiveEntriesInOrderEachOpeningItsAddress) {
    g_s_ApplicationTitle = "Mavo iPod Converter";
    QWidget owner;
    QMenu *menu = BuildHelpMenu(&owner);
    EXPECT_EQ(menu->parent(), &owner);
    const QList<QAction *> entries = menu->actions();
    ASSERT_EQ(entries.size(), 5);
    const QStringList captions{"Home Page", "Contact us", "Help File", "", "About"};
    const QStringList names{"Home", "Contact", "Help", "", "About"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(entries[i]->text(), captions[i]) << i;
        EXPECT_EQ(entries[i]->objectName(), names[i]) << i;
        EXPECT_EQ(entries[i]->isSeparator(), i == 3) << i;
    }

    OpenedAddresses opened;
    entries[0]->trigger();
    entries[1]->trigger();
    entries[2]->trigger();
    ASSERT_EQ(opened.urls.size(), 3);
    EXPECT_EQ(opened.urls[0], HomeOfThisBuild());
    // "Contact us": the subject and no body.
    EXPECT_EQ(QString::fromLatin1(opened.urls[1].toEncoded()),
              "mailto:" + QUrl::toPercentEncoding(MakersSupportMail(), "@") +
                  "?subject=Mavo%20iPod%20Converter");
    EXPECT_EQ(opened.urls[2], GuideBesideTheProgram());
    EXPECT_TRUE(opened.urls[2].isLocalFile());
}

TEST(HelpMenu, HomeIsTheWebSiteWhenOneIsGivenAndOtherwiseTheGuide) {
    const QUrl guide = HelpFileAddress("/opt/mavo/");
    EXPECT_EQ(guide, QUrl::fromLocalFile("/opt/mavo/Help File.html"));
    EXPECT_EQ(guide.toEncoded(), "file:///opt/mavo/Help%20File.html");
    EXPECT_EQ(HomePageAddress("", "/opt/mavo"), guide);
    EXPECT_EQ(HomePageAddress("  ", "/opt/mavo"), guide);
    EXPECT_EQ(HomePageAddress("https://mavo.test/converter", "/opt/mavo"),
              QUrl("https://mavo.test/converter"));
    EXPECT_EQ(HomePageAddress("mavo.test", "/opt/mavo"), QUrl("http://mavo.test"));
}

TEST(HelpMenu, TheUserGuideShipsWithThePicturesItShows) {
    const QString guide = QStringLiteral(MAVO_BIN_DIR) + "/Help File.html";
    QFile file(guide);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "no user guide in the program folder";
    const QString html = QString::fromUtf8(file.readAll());
    const QRegularExpression picture("<img src=\"([^\"]+)\"");
    int pictures = 0;
    for (auto it = picture.globalMatch(html); it.hasNext(); ++pictures) {
        const QString source = it.next().captured(1);
        EXPECT_TRUE(QFileInfo(QStringLiteral(MAVO_BIN_DIR) + "/" + source).isFile())
            << source.toStdString();
    }
    EXPECT_GE(pictures, 4);
}

TEST(AboutWindow, TextsAndTheThreeButtons) {
    g_s_Version = "2.1.3 Build on 20070421";
    TAboutWindow about(nullptr);
    EXPECT_EQ(about.windowTitle(), "About Mavo Video Converter");
    EXPECT_EQ(about.Label1->text(), "Mavo iPod Converter 2.1");
    EXPECT_EQ(about.Label5->text(), about.Label1->text());
    EXPECT_EQ(about.Label1->pos(), about.Label5->pos() + QPoint(1, 1)) << "the shadow";
    EXPECT_EQ(about.Label2->text(), "2.1.3 Build on 20070421");
    EXPECT_EQ(about.Label3->text(), MakersCompanyName());
    EXPECT_FALSE(about.Label3->text().isEmpty());

    ASSERT_TRUE(ApplySkin(&about, kSkin));
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    OpenedAddresses opened;
    ClickButton(about.TB_Home);
    ClickButton(about.TB_Contact);
    ASSERT_EQ(opened.urls.size(), 2);
    EXPECT_EQ(opened.urls[0], HomeOfThisBuild());
    EXPECT_EQ(QString::fromLatin1(opened.urls[1].toEncoded()),
              "mailto:" + QUrl::toPercentEncoding(MakersSupportMail(), "@"));
    ClickButton(about.TB_Close);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(opened.urls.size(), 2);
}

TEST(AboutWindow, TheMenuEntryMakesItOnceShowsItModallyAndItsCloseButtonEndsThat) {
    g_s_Version = "2.1.3 Build on 20070421";
    path_Skin = kSkin;
    auto owner = std::make_unique<QWidget>();
    QMenu *menu = BuildHelpMenu(owner.get());
    QAction *about_entry = menu->actions().last();
    ASSERT_EQ(about_entry->objectName(), "About");
    ASSERT_EQ(AboutWindow, nullptr);

    // While the window is shown modally, its close button is pressed.
    struct Seen {
        bool modal = false;
        bool skinned = false;
    };
    auto close_when_shown = [](Seen &seen) {
        QTimer::singleShot(0, [&seen] {
            ASSERT_NE(AboutWindow, nullptr);
            (void)QTest::qWaitForWindowExposed(AboutWindow);
            seen.modal = AboutWindow->isVisible() && AboutWindow->IsShownModal();
            seen.skinned = AboutWindow->TB_Close->width() > 0;
            ClickButton(AboutWindow->TB_Close);
        });
    };
    Seen first;
    close_when_shown(first);
    about_entry->trigger();
    EXPECT_TRUE(first.modal);
    EXPECT_TRUE(first.skinned) << "dressed by the skin before it is shown";
    ASSERT_NE(AboutWindow, nullptr);
    EXPECT_FALSE(AboutWindow->isVisible());
    EXPECT_EQ(AboutWindow->parent(), owner.get());

    TAboutWindow *made = AboutWindow;
    Seen second;
    close_when_shown(second);
    about_entry->trigger();
    EXPECT_TRUE(second.modal);
    EXPECT_EQ(AboutWindow, made) << "the same window each time";

    // It lives as long as its owner.
    owner.reset();
    EXPECT_EQ(AboutWindow, nullptr);
}
