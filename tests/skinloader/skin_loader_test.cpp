#include "controls/FixProgress.h"
#include "controls/ImageButton.h"
#include "controls/ListPanel.h"
#include "controls/TImage.h"
#include "desktop/MessageBox.h"
#include "progress/ProgressWindow.h"
#include "skin/SkinLoader.h"
#include "skin/Splash.h"
#include "ui/AboutWindow.h"
#include "ui/ProfileWindow.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A window with one control of each skinned class, and one that needs no key.
class TestWindow : public TSkinnedForm {
public:
    TestWindow() {
        setObjectName("TestWindow");
        resize(200, 100);
        Holder = new QWidget(this);
        Holder->setGeometry(0, 0, 10, 10);
        Plain = new QComboBox(this);
        Plain->setObjectName("Combo_NoKey");
    }
    QWidget *Holder = nullptr;
    QComboBox *Plain = nullptr;
};

class SkinLoader : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path() + "/";
        Bitmap("bg.bmp", 120, 80, Qt::darkGray);
        Bitmap("strip3.bmp", 60, 20, Qt::blue);  // three 20 x 20 cells
        Bitmap("strip4.bmp", 80, 20, Qt::green); // four cells
        Bitmap("anim.bmp", 60, 20, Qt::yellow);  // three frames
        Bitmap("thumb.bmp", 30, 10, Qt::white);  // three 10 x 10 cells
        Bitmap("fill.bmp", 4, 6, Qt::cyan);
        Bitmap("bar.bmp", 100, 12, Qt::black);
        Bitmap("marker.bmp", 18, 12, Qt::red); // three 6 x 12 cells
        Bitmap("track.bmp", 10, 20, Qt::gray);
        Bitmap("listbg.bmp", 8, 8, Qt::darkBlue);
        SetBoxHandler();
    }
    void TearDown() override { SetMessageBoxHandler(nullptr); }

    void Bitmap(const QString &name, int w, int h, const QColor &color) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(color);
        ASSERT_TRUE(image.save(folder + name, "BMP"));
    }
    void Ini(const QString &section_body, const QString &section = "TestWindow") {
        QFile file(folder + "Skin.ini");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(("[" + section + "]\n" + section_body).toUtf8());
    }
    void SetBoxHandler() {
        SetMessageBoxHandler([this](BoxKind kind, const QString &text, BoxButtons buttons) {
            EXPECT_EQ(kind, BoxKind::Error);
            EXPECT_EQ(buttons, BoxButtons::Ok);
            boxes << text;
            return static_cast<int>(IDOK);
        });
    }

    QTemporaryDir dir;
    QString folder;
    QStringList boxes;
};

} // namespace

TEST(SkinFieldText, OnlyFieldsFollowedByACommaCount) {
    EXPECT_EQ(SkinField(u"a.bmp,0,0", 1), "a.bmp");
    EXPECT_EQ(SkinField(u"a.bmp,0,0", 2), "0");
    EXPECT_EQ(SkinField(u"a.bmp,0,0", 3), "") << "no comma after the last field";
    EXPECT_EQ(SkinField(u"a.bmp,0,0,", 3), "0");
    EXPECT_EQ(SkinField(u"a.bmp,0,0,", 4), "");
    EXPECT_EQ(SkinField(u"a.bmp", 1), "");
    EXPECT_EQ(SkinField(u" a b.bmp \t, 12 ,", 1), "a b.bmp");
    EXPECT_EQ(SkinField(u" a b.bmp \t, 12 ,", 2), "12");
    EXPECT_EQ(SkinField(u",,,x,", 4), "x");
    EXPECT_EQ(SkinField(u"x,", 0), "");
    EXPECT_EQ(SkinField(u"", 1), "");
}

TEST_F(SkinLoader, DressesEveryClassFromItsFields) {
    Ini("Img_Pic=bg.bmp,,,5,6,120,80,1,0,,0,,0,0,\n"
        "TB_Plain=strip3.bmp,,,10,20,20,20,1,1,0,,Plain hint,1,1,0,\n"
        "TB_Check=strip3.bmp,strip3.bmp,,30,20,20,20,1,1,0,,Off # On,1,1,0,\n"
        "TB_Anim=strip3.bmp,anim.bmp,,50,20,20,20,0,1,0,,Animated,80,1000,0,\n"
        "TP_Bar=thumb.bmp,fill.bmp,bar.bmp,0,50,,,1,1,,,Seek,marker.bmp,marker.bmp,\n"
        "MaskBmp=nomask.bmp\n");
    TestWindow window;
    auto *pic = window.CreateComponent<TImage>("Img_Pic");
    auto *plain = window.CreateComponent<TImageButton>("TB_Plain");
    auto *check = window.CreateComponent<TCheckImageButton>("TB_Check");
    auto *anim = window.CreateComponent<TDynamicImageButton>("TB_Anim");
    auto *bar = window.CreateComponent<TFixProgress>("TP_Bar");
    window.show();

    ASSERT_TRUE(ApplySkin(&window, folder));
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("|").toStdString();
    EXPECT_EQ(SkinFolder, folder);
    EXPECT_EQ(pic->geometry(), QRect(5, 6, 120, 80));
    EXPECT_FALSE(pic->isEnabled());
    EXPECT_EQ(plain->geometry(), QRect(10, 20, 20, 20));
    EXPECT_EQ(plain->toolTip(), "Plain hint");
    EXPECT_EQ(check->toolTip(), "Off");
    EXPECT_TRUE(check->CheckedLoaded);
    EXPECT_EQ(check->CheckedHint, "On");
    // "Visible, then shown": field 8 is 0, the button shows all the same.
    EXPECT_TRUE(anim->isVisible());
    EXPECT_EQ(anim->FrameInterval, 80);
    EXPECT_EQ(anim->RepeatPause, 1000);
    EXPECT_EQ(anim->Frames.size(), 3u);
    EXPECT_EQ(bar->pos(), QPoint(0, 50));
    EXPECT_EQ(bar->toolTip(), "Seek");
    EXPECT_TRUE(window.mask().isEmpty()) << "a mask file that is not there shapes nothing";
}

TEST_F(SkinLoader, StaticIsReadInAnyCase) {
    Ini("TB_Check=strip3.bmp,StAtIc,,0,0,20,20,1,1,0,,a#b,0,0,0,\n"
        "TB_Anim=strip3.bmp,STATIC,,0,0,20,20,1,1,0,,,0,0,0,\n");
    TestWindow window;
    auto *check = window.CreateComponent<TCheckImageButton>("TB_Check");
    auto *anim = window.CreateComponent<TDynamicImageButton>("TB_Anim");
    ASSERT_TRUE(ApplySkin(&window, folder));
    EXPECT_FALSE(check->CheckedLoaded);
    // The static look plays no frames: entering shows the hover cell itself.
    EXPECT_TRUE(anim->Frames.empty());
    EXPECT_TRUE(anim->HoverOnEnter);
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(SkinLoader, InvisibleIsExactAndPerClass) {
    Ini("Img_Pic=Invisible\nTB_Plain=Invisible\nTB_Anim=Invisible\nTP_Bar=Invisible\n"
        "TP_List=Invisible\n");
    TestWindow window;
    auto *pic = window.CreateComponent<TImage>("Img_Pic");
    auto *plain = window.CreateComponent<TImageButton>("TB_Plain");
    auto *anim = window.CreateComponent<TDynamicImageButton>("TB_Anim");
    auto *bar = window.CreateComponent<TFixProgress>("TP_Bar");
    auto *list = window.CreateComponent<TListPanel>("TP_List");
    for (QWidget *w : std::initializer_list<QWidget *>{pic, plain, anim, bar, list})
        w->setGeometry(7, 8, 30, 40);
    window.show();
    ASSERT_TRUE(ApplySkin(&window, folder));
    for (QWidget *w : std::initializer_list<QWidget *>{pic, plain, anim, bar}) {
        EXPECT_EQ(w->geometry(), QRect(0, 0, 0, 0)) << w->objectName().toStdString();
        EXPECT_FALSE(w->isVisible());
    }
    EXPECT_EQ(list->geometry(), QRect(7, 8, 30, 40)) << "the list keeps its size and place";
    EXPECT_FALSE(list->isVisible());

    // Lower case is no keyword: it is a field list naming a file that is not there.
    Ini("TB_Plain=invisible\n");
    TestWindow again;
    again.CreateComponent<TImageButton>("TB_Plain");
    EXPECT_FALSE(ApplySkin(&again, folder));
    EXPECT_EQ(boxes, QStringList{kSkinErrorText});
}

TEST_F(SkinLoader, PictureSizesItsParentFirst) {
    Ini("Img_Pic=bg.bmp,,,0,0,64,48,1,0,,0,,1,1,\n"
        "Img_Other=bg.bmp,,,0,0,20,30,1,0,,0,,0,1,\n");
    TestWindow window;
    auto *pic = window.CreateComponent<TImage>("Img_Pic", window.Holder);
    auto *other = window.CreateComponent<TImage>("Img_Other");
    ASSERT_TRUE(ApplySkin(&window, folder));
    EXPECT_EQ(window.Holder->size(), QSize(64, 48));
    EXPECT_EQ(pic->size(), QSize(64, 48));
    // Only the height switch: the window keeps its width and takes the height.
    EXPECT_EQ(window.size(), QSize(200, 30));
    EXPECT_EQ(other->size(), QSize(20, 30));
}

TEST_F(SkinLoader, ClearRemovesOnlyThePicture) {
    Ini("Img_Pic=Clear\n");
    TestWindow window;
    auto *pic = window.CreateComponent<TImage>("Img_Pic");
    QImage picture(5, 5, QImage::Format_RGB32);
    picture.fill(Qt::red);
    pic->SetPicture(picture);
    pic->setGeometry(3, 4, 5, 6);
    ASSERT_TRUE(ApplySkin(&window, folder));
    EXPECT_TRUE(pic->Picture().isNull());
    EXPECT_EQ(pic->geometry(), QRect(3, 4, 5, 6));
}

TEST_F(SkinLoader, MissingKeysFilesAndFolderFail) {
    // A control of another class needs no key; a skinned one does.
    Ini("TB_Plain=strip3.bmp,,,0,0,20,20,1,1,0,,,0,0,0,\n");
    {
        TestWindow window;
        window.CreateComponent<TImageButton>("TB_Plain");
        window.CreateComponent<QLabel>("Label_NoKey");
        EXPECT_TRUE(ApplySkin(&window, folder));
        EXPECT_TRUE(boxes.isEmpty());
    }
    const QStringList cases = {
        "",                                                  // no key at all
        "TB_Plain=missing.bmp,,,0,0,20,20,1,1,0,,,0,0,0,\n", // no such file
        "TB_Plain=strip3.bmp,,,0,0,20,20,1,1,0,,,0,0,0\n",   // last field lost
        "TB_Plain=strip3.bmp,,,0,0,50,20,1,1,0,,,1,1,1,\n",  // strip too narrow
    };
    for (const QString &body : cases) {
        boxes.clear();
        Ini(body);
        TestWindow window;
        auto *plain = window.CreateComponent<TImageButton>("TB_Plain");
        auto *after = window.CreateComponent<TImageButton>("TB_After");
        after->move(33, 33);
        EXPECT_FALSE(ApplySkin(&window, folder)) << body.toStdString();
        EXPECT_EQ(boxes, QStringList{kSkinErrorText}) << body.toStdString();
        EXPECT_EQ(after->pos(), QPoint(33, 33)) << "the controls after the failure stay untouched";
        Q_UNUSED(plain);
    }
    // The bar and the list fail on an absent key through their missing first file.
    for (const char *name : {"TP_Bar", "TP_List"}) {
        boxes.clear();
        Ini("");
        TestWindow window;
        if (QString(name) == "TP_Bar")
            window.CreateComponent<TFixProgress>(name);
        else
            window.CreateComponent<TListPanel>(name);
        EXPECT_FALSE(ApplySkin(&window, folder)) << name;
        EXPECT_EQ(boxes, QStringList{kSkinErrorText});
    }
    // No Skin.ini: false without any box.
    boxes.clear();
    QFile::remove(folder + "Skin.ini");
    TestWindow window;
    EXPECT_FALSE(ApplySkin(&window, folder));
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(SkinLoader, MaskCutsMagentaOnlyAndAbsentMaskShapesNothing) {
    QImage mask(200, 100, QImage::Format_RGB32);
    mask.fill(Qt::black);
    QPainter painter(&mask);
    painter.fillRect(0, 0, 4, 4, QColor(255, 0, 255));
    painter.fillRect(196, 96, 4, 4, QColor(254, 0, 255)); // nearly magenta stays
    painter.end();
    ASSERT_TRUE(mask.save(folder + "mask.bmp", "BMP"));
    Ini("MaskBmp=mask.bmp\n");
    TestWindow shaped;
    ASSERT_TRUE(ApplySkin(&shaped, folder));
    const QRegion expected = QRegion(0, 0, 200, 100) - QRegion(0, 0, 4, 4);
    EXPECT_TRUE((shaped.mask() ^ expected).isEmpty());

    Ini("Other=1\n");
    TestWindow plain;
    ASSERT_TRUE(ApplySkin(&plain, folder));
    EXPECT_TRUE(plain.mask().isEmpty());
    EXPECT_TRUE(boxes.isEmpty());
}

TEST(ShippedSkin, DressesTheFourWindowsWithRoundedOutlines) {
    QStringList boxes;
    SetMessageBoxHandler([&](BoxKind, const QString &text, BoxButtons) {
        boxes << text;
        return static_cast<int>(IDOK);
    });
    const QString skin = QStringLiteral(MAVO_BIN_DIR) + "/Skin/";
    TProgressWindow progress;
    TProfileWindow profile;
    TAboutWindow about(nullptr);
    QList<TSkinnedForm *> windows = {&progress, &profile, &about};
    for (TSkinnedForm *window : windows) {
        ASSERT_TRUE(ApplySkin(window, skin)) << window->objectName().toStdString();
        const QRegion outline = window->mask();
        ASSERT_FALSE(outline.isEmpty()) << window->objectName().toStdString();
        const QRect box = outline.boundingRect();
        EXPECT_EQ(box.size(), window->size()) << window->objectName().toStdString();
        // Rounded: the corner pixels are cut, the middle of each edge is not.
        EXPECT_FALSE(outline.contains(QPoint(0, 0)));
        EXPECT_FALSE(outline.contains(QPoint(box.right(), box.bottom())));
        EXPECT_TRUE(outline.contains(QPoint(box.center().x(), 0)));
        EXPECT_TRUE(outline.contains(QPoint(0, box.center().y())));
        for (const QPointer<QWidget> &control : window->Components())
            EXPECT_FALSE(control->size().isEmpty()) << control->objectName().toStdString();
    }
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("|").toStdString();
    SetMessageBoxHandler(nullptr);
}

TEST_F(SkinLoader, BackslashInAFileFieldIsAFolderSeparator) {
    ASSERT_TRUE(QDir().mkdir(folder + "sub"));
    Bitmap("sub/pic.bmp", 30, 20, Qt::magenta);
    Ini("Img_Pic=sub\\pic.bmp,,,1,2,30,20,1,0,,0,,0,0,\nMaskBmp=sub\\pic.bmp\n");
    TestWindow window;
    auto *pic = window.CreateComponent<TImage>("Img_Pic");
    ASSERT_TRUE(ApplySkin(&window, folder));
    EXPECT_EQ(pic->Picture().size(), QSize(30, 20));
    EXPECT_FALSE(window.mask().isEmpty()) << "the mask named with a backslash is used too";
}

TEST_F(SkinLoader, ErrorBoxAtStartUpClosesTheSplashFirst) {
    StartUp = new TStartUp;
    bool splash_gone_at_box = false;
    SetMessageBoxHandler([&](BoxKind, const QString &, BoxButtons) {
        splash_gone_at_box = StartUp == nullptr;
        return static_cast<int>(IDOK);
    });
    Ini("");
    TestWindow window;
    window.CreateComponent<TImageButton>("TB_Missing");
    EXPECT_FALSE(ApplySkin(&window, folder));
    EXPECT_TRUE(splash_gone_at_box) << "a box under the splash could not be seen";
    EXPECT_EQ(StartUp, nullptr);
}
