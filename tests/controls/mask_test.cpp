// Shapes from magenta pixels: buttons shaped by their normal image, windows by a mask bitmap.
#include <QRegion>
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "controls/ImageButton.h"
#include "controls/MaskRegion.h"

using namespace controls_test;

namespace {

const QColor kMagenta(255, 0, 255);

bool SameRegion(const QRegion &a, const QRegion &b) {
    return (a ^ b).isEmpty();
}

// A strip of two 40 x 20 cells (normal, hover) with a one-pixel magenta border on the normal one.
QImage BorderedStrip() {
    QImage strip = Strip({Qt::darkGreen, Qt::darkBlue}, 40, 20);
    QPainter painter(&strip);
    painter.setPen(kMagenta);
    painter.drawRect(0, 0, 39, 19);
    return strip;
}

class MaskTest : public ::testing::Test {
protected:
    Host host;
    TImageButton *button = new TImageButton(&host.window);
};

TEST_F(MaskTest, NoMagentaLeavesTheFullRectangle) {
    ASSERT_TRUE(
        button->LoadStates(Strip({Qt::red, Qt::green}, 40, 20), 40, 20, true, true, false, false));
    EXPECT_TRUE(SameRegion(button->mask(), QRegion(0, 0, 40, 20)));
}

TEST_F(MaskTest, OnlyExactMagentaIsCutAway) {
    QImage strip = Strip({Qt::red, Qt::green}, 40, 20);
    strip.setPixelColor(3, 4, QColor(254, 0, 255)); // stays
    strip.setPixelColor(5, 4, QColor(255, 1, 255)); // stays
    strip.setPixelColor(7, 6, kMagenta);            // goes
    ASSERT_TRUE(button->LoadStates(strip, 40, 20, true, true, false, false));
    EXPECT_TRUE(SameRegion(button->mask(), QRegion(0, 0, 40, 20) - QRegion(7, 6, 1, 1)));
}

TEST_F(MaskTest, OnePixelBorderLeavesTheInnerRectangle) {
    ASSERT_TRUE(button->LoadStates(BorderedStrip(), 40, 20, true, true, false, false));
    EXPECT_TRUE(SameRegion(button->mask(), QRegion(1, 1, 38, 18)));
    // The shape is what one sees: a pixel of the border is not drawn, the inside is.
    button->move(10, 10);
    const QImage screen = host.window.grab().toImage();
    EXPECT_EQ(At(screen, 10 + 1, 10 + 1), QColor(Qt::darkGreen));
    EXPECT_NE(At(screen, 10, 10), kMagenta);
}

TEST_F(MaskTest, OnlyTheNormalImageShapesTheButton) {
    // Magenta in the hover cell plays no part.
    QImage strip = Strip({Qt::red, kMagenta}, 40, 20);
    ASSERT_TRUE(button->LoadStates(strip, 40, 20, true, true, false, false));
    EXPECT_TRUE(SameRegion(button->mask(), QRegion(0, 0, 40, 20)));
}

TEST_F(MaskTest, ReloadingWithoutMaskMakesTheButtonRectangularAgain) {
    ASSERT_TRUE(button->LoadStates(BorderedStrip(), 40, 20, true, true, false, false));
    ASSERT_FALSE(button->mask().isEmpty());
    ASSERT_TRUE(button->LoadStates(BorderedStrip(), 40, 20, false, true, false, false));
    EXPECT_TRUE(button->mask().isEmpty()) << "no mask: the whole rectangle";
    EXPECT_FALSE(button->UseMask);
}

TEST_F(MaskTest, AllMagentaShowsNothing) {
    ASSERT_TRUE(
        button->LoadStates(Strip({kMagenta, kMagenta}, 10, 10), 10, 10, true, true, false, false));
    EXPECT_TRUE((button->mask() & QRegion(button->rect())).isEmpty());
    EXPECT_FALSE(button->mask().isEmpty()) << "an empty mask would show the whole button";
}

TEST(WindowShape, MaskBitmapShapesTheWindowToItsOwnSize) {
    QWidget window;
    window.resize(100, 50);
    QImage mask = Solid(80, 40, Qt::black);
    mask.setPixelColor(0, 0, kMagenta);
    mask.setPixelColor(79, 39, kMagenta);
    ASSERT_TRUE(ShapeWindowByMask(&window, mask));
    EXPECT_TRUE(SameRegion(window.mask(),
                           QRegion(0, 0, 80, 40) - QRegion(0, 0, 1, 1) - QRegion(79, 39, 1, 1)));

    QWidget other;
    other.resize(30, 30);
    EXPECT_FALSE(ShapeWindowByMask(&other, QImage()));
    EXPECT_TRUE(other.mask().isEmpty());
}

TEST(WindowShape, MaskShapeIsTheRectangleLessMagenta) {
    QImage mask = Solid(5, 3, Qt::white);
    for (int x = 0; x < 5; ++x)
        mask.setPixelColor(x, 1, kMagenta);
    EXPECT_TRUE(SameRegion(MaskShape(mask, 5, 3), QRegion(0, 0, 5, 1) + QRegion(0, 2, 5, 1)));
    // A widget smaller than the bitmap: only its own area counts.
    EXPECT_TRUE(SameRegion(MaskShape(mask, 2, 3), QRegion(0, 0, 2, 1) + QRegion(0, 2, 2, 1)));
}

} // namespace
