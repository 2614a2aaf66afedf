// Image buttons: cutting the state cells, the look in each mouse state, check and animated
// buttons.
#include <QImage>
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "controls/ImageButton.h"

using namespace controls_test;

namespace {

const QColor kNormal(200, 0, 0);
const QColor kHover(0, 200, 0);
const QColor kDown(0, 0, 200);
const QColor kDisabled(90, 90, 90);

// The colour the button shows at its centre.
QColor ShownColor(QWidget *button) {
    return At(Shown(button), button->width() / 2, button->height() / 2);
}

class ImageButtonTest : public ::testing::Test {
protected:
    Host host;
    TImageButton *button = new TImageButton(&host.window);

    void LoadFour() {
        ASSERT_TRUE(button->LoadStates(Strip({kNormal, kHover, kDown, kDisabled}, 30, 20), 30, 20,
                                       false, true, true, true));
        button->move(50, 50);
    }
};

TEST_F(ImageButtonTest, StripExactlyWideEnoughLoadsOnePixelLessKeepsTheOldImages) {
    EXPECT_FALSE(button->isVisible()) << "hidden until the first load";
    ASSERT_TRUE(button->LoadStates(Strip({kNormal, kHover, kDown}, 20, 10), 20, 10, false, true,
                                   true, false));
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->size(), QSize(20, 10));
    EXPECT_EQ(ShownColor(button), kNormal);

    QImage narrow = Strip({Qt::yellow, Qt::cyan, Qt::magenta}, 20, 10).copy(0, 0, 59, 10);
    EXPECT_FALSE(button->LoadStates(narrow, 20, 10, false, true, true, false));
    EXPECT_EQ(At(*button->NormalBitmap, 5, 5), kNormal);
    EXPECT_EQ(At(*button->HoverBitmap, 5, 5), kHover);
    EXPECT_EQ(ShownColor(button), kNormal);
    // No source at all changes nothing either.
    EXPECT_FALSE(button->LoadStates(QImage(), 20, 10, false, true, true, false));
    EXPECT_EQ(button->size(), QSize(20, 10));
}

TEST_F(ImageButtonTest, AbsentStatesLeaveNoGapAndShareTheNormalImage) {
    // Cells: normal, hover, disabled; no down cell.
    ASSERT_TRUE(button->LoadStates(Strip({kNormal, kHover, kDisabled}, 25, 12), 25, 12, false, true,
                                   false, true));
    EXPECT_EQ(At(*button->HoverBitmap, 0, 0), kHover);       // cut at x = CellWidth
    EXPECT_EQ(At(*button->DisabledBitmap, 0, 0), kDisabled); // cut at x = 2 x CellWidth
    EXPECT_EQ(button->DownBitmap, button->NormalBitmap);     // the very same object
    EXPECT_EQ(button->NormalBitmap->size(), QSize(25, 12));

    // Re-skinned with every state present, the shared reference becomes an image of its own
    // and the normal image is not overwritten by it.
    ASSERT_TRUE(button->LoadStates(Strip({Qt::white, Qt::black, Qt::yellow, Qt::cyan}, 25, 12), 25,
                                   12, false, true, true, true));
    EXPECT_NE(button->DownBitmap, button->NormalBitmap);
    EXPECT_EQ(At(*button->NormalBitmap, 0, 0), QColor(Qt::white));
    EXPECT_EQ(At(*button->DownBitmap, 0, 0), QColor(Qt::yellow));

    // And back to absent states: all three refer to the normal image again.
    ASSERT_TRUE(button->LoadStates(Strip({kNormal}, 25, 12), 25, 12, false, false, false, false));
    EXPECT_EQ(button->HoverBitmap, button->NormalBitmap);
    EXPECT_EQ(button->DownBitmap, button->NormalBitmap);
    EXPECT_EQ(button->DisabledBitmap, button->NormalBitmap);
}

TEST_F(ImageButtonTest, CellsAreCopiedWithoutStretching) {
    // A source taller than the cell: only the top rows are taken.
    QImage strip = Strip({kNormal, kHover}, 10, 30);
    QPainter(&strip).fillRect(0, 10, 20, 20, Qt::black);
    ASSERT_TRUE(button->LoadStates(strip, 10, 10, false, true, false, false));
    EXPECT_EQ(button->NormalBitmap->size(), QSize(10, 10));
    EXPECT_EQ(At(*button->NormalBitmap, 9, 9), kNormal);
    EXPECT_EQ(At(*button->HoverBitmap, 0, 9), kHover);
}

TEST_F(ImageButtonTest, MouseStatesShowTheirImages) {
    LoadFour();
    int clicks = 0;
    QObject::connect(button, &TImageButton::Click, [&] { ++clicks; });

    MoveTo(button, {10, 10});
    EXPECT_TRUE(button->MouseInside);
    EXPECT_EQ(ShownColor(button), kHover);

    Press(button, {10, 10});
    EXPECT_TRUE(button->Pressed);
    EXPECT_EQ(ShownColor(button), kDown);
    Release(button, {10, 10});
    EXPECT_FALSE(button->Pressed);
    EXPECT_EQ(ShownColor(button), kHover);
    EXPECT_EQ(clicks, 1);

    MoveTo(button, {-20, 10});
    EXPECT_FALSE(button->MouseInside);
    EXPECT_EQ(ShownColor(button), kNormal);
}

TEST_F(ImageButtonTest, ReleaseAtTheRightEdgeOrLeftOfTheButtonCountsAsOutside) {
    LoadFour();
    int clicks = 0;
    QObject::connect(button, &TImageButton::Click, [&] { ++clicks; });

    MoveTo(button, {5, 5});
    Press(button, {5, 5});
    MoveTo(button, {button->width(), 5});
    Release(button, {button->width(), 5});
    EXPECT_FALSE(button->MouseInside);
    EXPECT_FALSE(button->Pressed);
    EXPECT_EQ(ShownColor(button), kNormal);

    MoveTo(button, {5, 5});
    Press(button, {5, 5});
    MoveTo(button, {-3, 5});
    Release(button, {-3, 5});
    EXPECT_FALSE(button->MouseInside);
    EXPECT_EQ(ShownColor(button), kNormal);
    EXPECT_EQ(clicks, 0);
}

TEST_F(ImageButtonTest, DisabledLook) {
    LoadFour();
    button->SetButtonEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(ShownColor(button), kDisabled);
    // A disabled button takes no press.
    MoveTo(button, {5, 5});
    Press(button, {5, 5});
    EXPECT_FALSE(button->Pressed);
    Release(button, {5, 5});
    MoveTo(button, {-30, 5});
    EXPECT_EQ(ShownColor(button), kDisabled) << "leaving a disabled button keeps its look";
    button->SetButtonEnabled(true);
    EXPECT_EQ(ShownColor(button), kNormal);

    // Without a disabled cell the disabled look is the normal image.
    ASSERT_TRUE(
        button->LoadStates(Strip({kNormal, kHover}, 30, 20), 30, 20, false, true, false, false));
    button->SetButtonEnabled(false);
    EXPECT_EQ(ShownColor(button), kNormal);
}

TEST(CheckHints, SplitAtTheFirstHashAndTrimBlanks) {
    TCheckImageButton button;
    button.SetCheckHints("  Keep the ratio \t #  Stretch to fit  ");
    EXPECT_EQ(button.UncheckedHint, "Keep the ratio");
    EXPECT_EQ(button.CheckedHint, "Stretch to fit");

    button.SetCheckHints("  only one  ");
    EXPECT_EQ(button.UncheckedHint, "");
    EXPECT_EQ(button.CheckedHint, "only one");

    button.SetCheckHints("first #");
    EXPECT_EQ(button.UncheckedHint, "first");
    EXPECT_EQ(button.CheckedHint, "");

    button.SetCheckHints("a#b#c");
    EXPECT_EQ(button.UncheckedHint, "a");
    EXPECT_EQ(button.CheckedHint, "b#c");
}

class CheckButtonTest : public ::testing::Test {
protected:
    Host host;
    TCheckImageButton *button = new TCheckImageButton(&host.window);

    void SetUp() override { button->move(100, 100); }

    void Skin(const QColor &unchecked, const QColor &checked) {
        ASSERT_TRUE(button->LoadStates(Strip({unchecked, kHover, kDown}, 24, 16), 24, 16, false,
                                       true, true, false));
        ASSERT_TRUE(button->LoadCheckedStates(
            Strip({checked, kHover.darker(), kDown.darker()}, 24, 16), true, true, false));
        button->SetCheckHints("Keep#Stretch");
        button->SetChecked(button->Checked);
    }
};

TEST_F(CheckButtonTest, CheckedAndUncheckedLooksAndHints) {
    Skin(Qt::red, Qt::blue);
    EXPECT_EQ(ShownColor(button), QColor(Qt::red));
    EXPECT_EQ(button->toolTip(), "Keep");
    button->SetChecked(true);
    EXPECT_EQ(ShownColor(button), QColor(Qt::blue));
    EXPECT_EQ(button->toolTip(), "Stretch");
    MoveTo(button, {4, 4});
    EXPECT_EQ(ShownColor(button), kHover.darker());
    button->SetChecked(false);
    EXPECT_EQ(ShownColor(button), kHover) << "the hover image of the new set while inside";
    // The button does not toggle itself.
    Click(button, {4, 4});
    EXPECT_FALSE(button->Checked);
}

TEST_F(CheckButtonTest, ReskinWhileCheckedKeepsDistinctObjectsAndShowsTheNewCheckedLook) {
    Skin(Qt::red, Qt::blue);
    button->SetChecked(true);
    Skin(Qt::yellow, Qt::cyan);
    EXPECT_TRUE(button->Checked);
    EXPECT_EQ(ShownColor(button), QColor(Qt::cyan));

    const std::vector<QImage *> all{button->CheckedSet.Normal,  button->CheckedSet.Hover,
                                    button->CheckedSet.Down,    button->UncheckedSet.Normal,
                                    button->UncheckedSet.Hover, button->UncheckedSet.Down};
    for (size_t i = 0; i < all.size(); ++i)
        for (size_t j = i + 1; j < all.size(); ++j)
            EXPECT_NE(all[i], all[j]) << i << " and " << j;
    EXPECT_EQ(button->CheckedSet.Disabled, button->CheckedSet.Normal);
    EXPECT_EQ(button->UncheckedSet.Disabled, button->UncheckedSet.Normal);
    EXPECT_EQ(At(*button->UncheckedSet.Normal, 0, 0), QColor(Qt::yellow));

    button->SetChecked(false);
    EXPECT_EQ(ShownColor(button), QColor(Qt::yellow));
    button->SetChecked(true);
    EXPECT_EQ(ShownColor(button), QColor(Qt::cyan));
}

TEST_F(CheckButtonTest, StaticCheckedLookKeepsTheUncheckedImages) {
    // S26: the skin calls the checked look "static".
    ASSERT_TRUE(button->LoadStates(Strip({Qt::red, kHover, kDown}, 24, 16), 24, 16, false, true,
                                   true, false));
    EXPECT_FALSE(button->LoadCheckedStates(QImage(), true, true, true));
    EXPECT_FALSE(button->CheckedLoaded);
    button->SetCheckHints("Keep#Stretch");
    button->SetChecked(true);
    EXPECT_TRUE(button->Checked);
    EXPECT_EQ(button->toolTip(), "Stretch");
    EXPECT_EQ(ShownColor(button), QColor(Qt::red));
    MoveTo(button, {4, 4});
    EXPECT_EQ(ShownColor(button), kHover);

    // A checked button re-skinned with a static checked look shows the new unchecked images.
    Skin(Qt::red, Qt::blue);
    button->SetChecked(true);
    ASSERT_TRUE(button->LoadStates(Strip({Qt::green, kHover, kDown}, 24, 16), 24, 16, false, true,
                                   true, false));
    EXPECT_FALSE(button->LoadCheckedStates(QImage(), true, true, true));
    button->SetChecked(true);
    MoveTo(button, {-40, 4});
    EXPECT_EQ(ShownColor(button), QColor(Qt::green));
}

TEST_F(CheckButtonTest, ReskinSequencesKeepEveryImageValid) {
    // Cell sets that change between skins (own cells become shared and back), static looks and
    // toggles in between; every step shows the look it should, and destruction (run under the
    // address sanitizer too) frees each object once.
    const std::vector<std::pair<bool, bool>> cells{{true, true}, {false, false}, {true, false}};
    int round = 0;
    for (const bool start_checked : {false, true}) {
        button->SetChecked(start_checked);
        for (const auto &[hover, down] : cells) {
            const QColor unchecked(QColor::fromHsv(round * 40 % 360, 200, 200).rgb());
            const QColor checked(QColor::fromHsv((round * 40 + 20) % 360, 200, 120).rgb());
            ++round;
            ASSERT_TRUE(button->LoadStates(Strip({unchecked, kHover, kDown}, 24, 16), 24, 16, false,
                                           hover, down, false));
            const bool is_static = round % 3 == 0;
            if (is_static) {
                EXPECT_FALSE(button->LoadCheckedStates(QImage(), true, true, true));
            } else {
                ASSERT_TRUE(button->LoadCheckedStates(Strip({checked, kHover, kDown}, 24, 16),
                                                      hover, down, false));
            }
            for (const bool value : {true, false, button->Checked}) {
                button->SetChecked(value);
                EXPECT_EQ(ShownColor(button), value && !is_static ? checked : unchecked)
                    << "round " << round << " checked " << value;
                EXPECT_EQ(button->HoverBitmap == button->NormalBitmap, !hover);
                EXPECT_EQ(button->DownBitmap == button->NormalBitmap, !down);
            }
        }
    }
}

TEST_F(CheckButtonTest, CheckedStripTooNarrowFails) {
    ASSERT_TRUE(button->LoadStates(Strip({Qt::red, kHover, kDown}, 24, 16), 24, 16, false, true,
                                   true, false));
    EXPECT_FALSE(button->LoadCheckedStates(Strip({Qt::blue, Qt::blue}, 24, 16).copy(0, 0, 47, 16),
                                           true, false, false));
    EXPECT_FALSE(button->CheckedLoaded);
    EXPECT_TRUE(button->LoadCheckedStates(Strip({Qt::blue, Qt::blue}, 24, 16), true, false, false));
}

class DynamicButtonTest : public ::testing::Test {
protected:
    Host host;
    TDynamicImageButton *button = new TDynamicImageButton(&host.window);
    std::vector<QColor> frames{QColor(10, 0, 0), QColor(20, 0, 0), QColor(30, 0, 0),
                               QColor(40, 0, 0), QColor(50, 0, 0)};

    void SetUp() override {
        ASSERT_TRUE(button->LoadStates(Strip({kNormal, kHover, kDown}, 60, 20), 60, 20, false, true,
                                       true, false));
        button->move(100, 100);
    }
};

TEST_F(DynamicButtonTest, StripOfFramesMustBeAWholeMultipleOfTheWidth) {
    ASSERT_TRUE(button->LoadAnimation(Strip(frames, 60, 20), 100, 0));
    ASSERT_EQ(button->Frames.size(), 5u);
    EXPECT_EQ(At(*button->Frames[3], 30, 10), frames[3]);
    EXPECT_FALSE(button->HoverOnEnter);
    EXPECT_FALSE(button->LoadAnimation(Solid(310, 20, Qt::white), 100, 0));
    EXPECT_EQ(button->Frames.size(), 5u);
    EXPECT_EQ(At(*button->Frames[0], 0, 0), frames[0]);
    // "static": no frames are played, the plain hover look comes back.
    EXPECT_FALSE(button->LoadAnimation(QImage(), 50, 3000));
    EXPECT_TRUE(button->HoverOnEnter);
}

TEST_F(DynamicButtonTest, AnimationWithoutPauseEndsOnTheHoverImage) {
    // A long interval: the test drives the ticks itself.
    ASSERT_TRUE(button->LoadAnimation(Strip(frames, 60, 20), 600000, 0));
    MoveTo(button, {30, 10});
    EXPECT_TRUE(button->AnimTimer->Enabled());
    EXPECT_EQ(ShownColor(button), kNormal) << "the frames, not the enter, bring the hover look";
    for (size_t i = 0; i < frames.size(); ++i) {
        button->AnimationTick();
        EXPECT_EQ(ShownColor(button), frames[i]) << "frame " << i;
    }
    button->AnimationTick();
    EXPECT_EQ(ShownColor(button), kHover);
    EXPECT_FALSE(button->AnimTimer->Enabled());
}

TEST_F(DynamicButtonTest, RepeatingAnimationWaitsThePauseAndStartsOver) {
    ASSERT_TRUE(button->LoadAnimation(Strip(frames, 60, 20), 600000, 900000));
    EXPECT_TRUE(button->RepeatAnimation);
    MoveTo(button, {30, 10});
    for (size_t i = 0; i <= frames.size(); ++i)
        button->AnimationTick();
    EXPECT_EQ(ShownColor(button), kHover);
    EXPECT_TRUE(button->AnimTimer->Enabled());
    EXPECT_EQ(button->AnimTimer->Interval(), 900000);
    EXPECT_EQ(button->FrameIndex, 0);
    button->AnimationTick();
    EXPECT_EQ(button->AnimTimer->Interval(), 600000);
    EXPECT_EQ(ShownColor(button), frames[0]);

    MoveTo(button, {-50, 10});
    EXPECT_FALSE(button->AnimTimer->Enabled());
    EXPECT_EQ(ShownColor(button), kNormal);
}

TEST_F(DynamicButtonTest, PressStopsTheAnimationAndShowsTheDownImage) {
    ASSERT_TRUE(button->LoadAnimation(Strip(frames, 60, 20), 600000, 0));
    MoveTo(button, {30, 10});
    button->AnimationTick();
    button->AnimationTick();
    Press(button, {30, 10});
    EXPECT_FALSE(button->AnimTimer->Enabled());
    EXPECT_EQ(ShownColor(button), kDown);
    Release(button, {30, 10});
    EXPECT_EQ(ShownColor(button), kHover);
}

TEST_F(DynamicButtonTest, ZeroIntervalNeverTicks) {
    ASSERT_TRUE(button->LoadAnimation(Strip(frames, 60, 20), 0, 0));
    MoveTo(button, {30, 10});
    EXPECT_TRUE(button->AnimTimer->Enabled());
    EXPECT_FALSE(button->AnimTimer->Running());
}

TEST_F(DynamicButtonTest, DisabledButtonDoesNotAnimate) {
    ASSERT_TRUE(button->LoadAnimation(Strip(frames, 60, 20), 600000, 0));
    button->SetButtonEnabled(false);
    MoveTo(button, {30, 10});
    EXPECT_FALSE(button->AnimTimer->Enabled());
    EXPECT_EQ(ShownColor(button), kNormal) << "no disabled cell: the normal image";
}

} // namespace
