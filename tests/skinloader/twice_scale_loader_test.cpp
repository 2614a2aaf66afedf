// The shipped skin on a screen of twice the pixel density (QT_SCALE_FACTOR=2, set by main):
// the main window's skinned parts show the pictures of twice the resolution at the sizes of the
// plain ones, and the window's outline and the shapes the mouse meets are those of the plain
// masks, at most one pixel larger where the finer pictures still draw.
#include "controls/FixProgress.h"
#include "controls/ImageButton.h"
#include "controls/ListPanel.h"
#include "controls/MaskRegion.h"
#include "controls/TImage.h"
#include "skin/SkinLoader.h"
#include "skin/SkinnedForm.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

const QString kSkin = QStringLiteral(MAVO_BIN_DIR "/Skin/");

// The main window's pictures, bar, list and close button, without the rest of the window.
struct MainParts : TSkinnedForm {
    MainParts() {
        setObjectName("MainWindow");
        Background = CreateBackground();
        Bar = CreateComponent<TFixProgress>("TP_Progress");
        List = CreateComponent<TListPanel>("TP_ImageList");
        Close = CreateComponent<TDynamicImageButton>("TB_Close");
    }
    TImage *Background;
    TFixProgress *Bar;
    TListPanel *List;
    TDynamicImageButton *Close;
};

// Whether shape holds plain and adds to it at most pixels of the ring one pixel around it (where
// the finer picture still draws).
bool PlainOrOnePixelMore(const QRegion &shape, const QRegion &plain) {
    QRegion grown = plain;
    for (const QPoint step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
        grown += plain.translated(step);
    return (plain - shape).isEmpty() && (shape - grown).isEmpty();
}

TEST(SkinAtTwiceTheScale, FinerPicturesAtThePlainSizesAndShapes) {
    ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    MainParts window;
    ASSERT_TRUE(ApplySkin(&window, kSkin));
    window.show();
    EXPECT_EQ(window.size(), QSize(792, 566));
    EXPECT_EQ(window.Background->Picture().size(), QSize(1584, 1132));
    EXPECT_EQ(window.Background->Picture().devicePixelRatio(), 2.0);
    EXPECT_EQ(window.Close->size(), QSize(26, 22));
    EXPECT_EQ(window.Close->NormalBitmap->size(), QSize(52, 44));
    EXPECT_EQ(window.List->ScrollPanel->width(), 14);
    EXPECT_EQ(window.Bar->size(), QSize(300, 18));

    EXPECT_TRUE(
        PlainOrOnePixelMore(window.mask(), MaskShape(QImage(kSkin + "main_mask.bmp"), 792, 566)));
    TImageButton *thumb = window.Bar->Thumb;
    ASSERT_EQ(thumb->size(), QSize(14, 14));
    EXPECT_EQ(thumb->NormalBitmap->size(), QSize(28, 28));
    const QImage plain_thumb = QImage(kSkin + "bar_thumb.bmp").copy(0, 0, 14, 14);
    EXPECT_TRUE(PlainOrOnePixelMore(thumb->mask(), MaskShape(plain_thumb, 14, 14)));
    // The mouse meets the round thumb, not its cut corner.
    const QPoint corner = thumb->mapTo(&window, QPoint(0, 0));
    EXPECT_NE(window.childAt(corner), thumb);
    EXPECT_EQ(window.childAt(corner + QPoint(7, 7)), thumb);
}

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
