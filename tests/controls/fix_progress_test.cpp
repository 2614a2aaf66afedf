// The position bar: thumb and range arithmetic, the bar press that hands the drag to the thumb,
// the crop marks and their message.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "controls/ControlMessages.h"
#include "controls/FixProgress.h"

using namespace controls_test;

namespace {

// Bar 400 x 16, thumb 20 wide, marks 10 wide: MinLeft 10, MaxLeft 370, MarkerLimit 390.
class FixProgressTest : public ::testing::Test {
protected:
    Host host;
    MessageLog log;
    TFixProgress *bar = new TFixProgress(&host.window);
    std::vector<std::pair<double, bool>> changes;

    void SetUp() override {
        bar->move(20, 100);
        bar->show();
        bar->SetParentHandle(log.Handle());
        ASSERT_TRUE(bar->SetBackgroundBitmap(Solid(400, 16, Qt::darkGray)));
        ASSERT_TRUE(bar->SetFillBitmap(Solid(8, 6, Qt::green)));
        ASSERT_TRUE(bar->SetThumbBitmaps(Strip({Qt::white, Qt::yellow, Qt::red}, 20, 12),
                                         Strip({Qt::blue, Qt::cyan, Qt::red}, 10, 12),
                                         Strip({Qt::blue, Qt::cyan, Qt::red}, 10, 12)));
        ASSERT_TRUE(bar->Arrange());
        bar->SetOnChange([this](double position, bool pressed, TFixProgress *sender) {
            EXPECT_EQ(sender, bar);
            changes.emplace_back(position, pressed);
        });
    }
};

TEST_F(FixProgressTest, ArrangeLaysOutTheScales) {
    EXPECT_EQ(bar->size(), QSize(400, 16));
    EXPECT_EQ(bar->MinLeft, 10);
    EXPECT_EQ(bar->MaxLeft, 370);
    EXPECT_EQ(bar->MarkerLimit, 390);
    EXPECT_EQ(bar->Thumb->pos(), QPoint(10, 2));
    EXPECT_EQ(bar->FillImage->pos(), QPoint(10, 5));
    EXPECT_EQ(bar->FillImage->width(), 0);
    EXPECT_EQ(bar->StartMarker->x(), 0);
    EXPECT_EQ(bar->StopMarker->x(), 390);
    EXPECT_FALSE(bar->StartMarker->isEnabled());
    EXPECT_FALSE(bar->StopMarker->isEnabled());
}

TEST_F(FixProgressTest, PositionAndThumb) {
    EXPECT_TRUE(bar->SetPosition(50));
    EXPECT_EQ(bar->Thumb->x(), 190);
    EXPECT_DOUBLE_EQ(bar->Position, 50);
    EXPECT_TRUE(bar->MoveThumb(190));
    EXPECT_DOUBLE_EQ(bar->Position, 50);
    EXPECT_TRUE(bar->MoveThumb(500));
    EXPECT_EQ(bar->Thumb->x(), 370);
    EXPECT_DOUBLE_EQ(bar->Position, 100);
    EXPECT_TRUE(bar->SetPosition(-1));
    EXPECT_EQ(bar->Thumb->x(), 10);
    EXPECT_DOUBLE_EQ(bar->Position, 0);
    // Above 100 the thumb stops at the end but the value is kept.
    EXPECT_TRUE(bar->SetPosition(150));
    EXPECT_EQ(bar->Thumb->x(), 370);
    EXPECT_DOUBLE_EQ(bar->Position, 150);
    EXPECT_TRUE(changes.empty()) << "SetPosition does not call OnChange";
}

TEST_F(FixProgressTest, RangeMarksAndFill) {
    bar->SetRange(0.25f, 0.75f);
    EXPECT_EQ(bar->StartMarker->x(), 95);
    EXPECT_EQ(bar->StopMarker->x(), 295);
    EXPECT_EQ(bar->FillImage->x(), 105);
    EXPECT_EQ(bar->FillImage->width(), 190);
    EXPECT_TRUE(bar->StartMarker->isEnabled());
    EXPECT_TRUE(bar->StopMarker->isEnabled());
    float start = -5, stop = -5;
    ASSERT_TRUE(bar->GetRange(start, stop));
    EXPECT_FLOAT_EQ(start, 0.25f);
    EXPECT_FLOAT_EQ(stop, 0.75f);

    bar->SetRange(-1, -1);
    EXPECT_FALSE(bar->StartMarker->isEnabled());
    EXPECT_FALSE(bar->StopMarker->isEnabled());
    EXPECT_EQ(bar->FillImage->width(), 0);
    EXPECT_EQ(bar->StartMarker->x(), 0);
    EXPECT_EQ(bar->StopMarker->x(), 390);
}

TEST_F(FixProgressTest, NewRangeIsNotLimitedByThePreviousOne) {
    // S8: from a range near the start to one near the end, in one call.
    bar->SetRange(0.1f, 0.2f);
    bar->SetRange(0.8f, 0.9f);
    EXPECT_EQ(bar->StartMarker->x(), 304);
    EXPECT_EQ(bar->StopMarker->x(), 352);
    float start = 0, stop = 0;
    ASSERT_TRUE(bar->GetRange(start, stop));
    EXPECT_NEAR(start, 0.8, 0.003);
    EXPECT_NEAR(stop, 0.9, 0.003);
    // And back again.
    bar->SetRange(0.0f, 0.05f);
    EXPECT_EQ(bar->StartMarker->x(), 0);
    EXPECT_EQ(bar->StopMarker->x(), 29);
    // A whole-clip range puts the marks at both ends.
    bar->SetRange(0.0f, 1.0f);
    EXPECT_EQ(bar->StartMarker->x(), 0);
    EXPECT_EQ(bar->StopMarker->x(), 390);
}

TEST_F(FixProgressTest, BarPressCentresTheThumbAndTheThumbTakesOverTheDrag) {
    Press(bar, {100, 8});
    EXPECT_EQ(bar->Thumb->x(), 90);
    EXPECT_TRUE(bar->Dragging);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_NEAR(changes[0].first, 8000.0 / 360.0, 1e-9);
    EXPECT_TRUE(changes[0].second);

    MoveTo(bar, {130, 8});
    EXPECT_EQ(bar->Thumb->x(), 120);
    MoveTo(bar, {600, 8});
    EXPECT_EQ(bar->Thumb->x(), 370);
    MoveTo(bar, {150, 40}); // leaving the bar vertically does not end the drag
    EXPECT_EQ(bar->Thumb->x(), 140);
    ASSERT_EQ(changes.size(), 4u);
    for (const auto &[position, pressed] : changes)
        EXPECT_TRUE(pressed);
    EXPECT_NEAR(changes.back().first, 130.0 * 100 / 360, 1e-9);

    Release(bar, {150, 40});
    EXPECT_FALSE(bar->Dragging);
    ASSERT_EQ(changes.size(), 5u);
    EXPECT_FALSE(changes.back().second);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);

    // Moves after the release change nothing.
    MoveTo(bar, {300, 8});
    EXPECT_EQ(bar->Thumb->x(), 140);
    EXPECT_EQ(changes.size(), 5u);
}

TEST_F(FixProgressTest, ThumbDragReportsPressedUntilTheRelease) {
    bar->SetPosition(50); // Left 190
    Press(bar, {195, 8});
    EXPECT_TRUE(bar->Thumb->Pressed);
    EXPECT_FALSE(bar->Dragging);
    EXPECT_EQ(bar->Thumb->x(), 190);
    MoveTo(bar, {231, 8});
    EXPECT_EQ(bar->Thumb->x(), 226);
    EXPECT_DOUBLE_EQ(bar->Position, 60);
    // The user's hand wins over the player.
    EXPECT_TRUE(bar->SetPosition(10));
    EXPECT_EQ(bar->Thumb->x(), 226);
    EXPECT_DOUBLE_EQ(bar->Position, 60);
    Release(bar, {231, 8});
    const std::vector<std::pair<double, bool>> expected{{50, true}, {60, true}, {60, false}};
    EXPECT_EQ(changes, expected);
    EXPECT_TRUE(bar->SetPosition(10));
    EXPECT_EQ(bar->Thumb->x(), 46);
}

TEST_F(FixProgressTest, SetPositionIsIgnoredDuringABarDrag) {
    Press(bar, {100, 8});
    EXPECT_TRUE(bar->SetPosition(80));
    EXPECT_EQ(bar->Thumb->x(), 90);
    Release(bar, {100, 8});
}

TEST_F(FixProgressTest, DisabledThumbMakesTheBarIgnoreTheMouse) {
    bar->Thumb->setEnabled(false);
    Press(bar, {100, 8});
    Release(bar, {100, 8});
    Press(bar, {15, 8}); // on the thumb itself
    Release(bar, {15, 8});
    EXPECT_EQ(bar->Thumb->x(), 10);
    EXPECT_FALSE(bar->Dragging);
    EXPECT_TRUE(changes.empty());
    // The player still moves it.
    EXPECT_TRUE(bar->SetPosition(50));
    EXPECT_EQ(bar->Thumb->x(), 190);
}

TEST_F(FixProgressTest, MarksNeverCrossAndReportWhichOneMoved) {
    bar->SetRange(0.25f, 0.75f); // start mark 95..104, stop mark 295..304
    Press(bar, {100, 8});
    MoveTo(bar, {150, 8});
    EXPECT_EQ(bar->StartMarker->x(), 145);
    EXPECT_EQ(bar->FillImage->x(), 155);
    EXPECT_EQ(bar->FillImage->width(), 140);
    MoveTo(bar, {600, 8});
    EXPECT_EQ(bar->StartMarker->x(), 285) << "its right edge meets the stop mark";
    EXPECT_EQ(bar->FillImage->width(), 0);
    Release(bar, {600, 8});
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0], std::make_pair(WM_MARKERMOVED, WPARAM{1}));
    EXPECT_TRUE(changes.empty()) << "marks do not move the thumb";

    Press(bar, {300, 8});
    MoveTo(bar, {-15, 8});
    EXPECT_EQ(bar->StopMarker->x(), 295) << "stops at the start mark's right edge";
    Release(bar, {-15, 8});
    ASSERT_EQ(log.messages.size(), 2u);
    EXPECT_EQ(log.messages[1], std::make_pair(WM_MARKERMOVED, WPARAM{0}));

    float start = 0, stop = 0;
    ASSERT_TRUE(bar->GetRange(start, stop));
    EXPECT_FLOAT_EQ(start, stop);

    // Other buttons neither drag nor report.
    Press(bar, {290, 8}, Qt::RightButton);
    MoveTo(bar, {200, 8});
    Release(bar, {200, 8}, Qt::RightButton);
    EXPECT_EQ(bar->StartMarker->x(), 285);
    EXPECT_EQ(log.messages.size(), 2u);
}

TEST_F(FixProgressTest, HiddenMarksTakeNoInput) {
    // After Arrange the marks are disabled at both ends.
    Press(bar, {5, 8});
    MoveTo(bar, {60, 8});
    Release(bar, {60, 8});
    EXPECT_EQ(bar->StartMarker->x(), 0);
    EXPECT_TRUE(log.messages.empty());
}

TEST(FixProgressParts, MarkersComeInPairs) {
    TFixProgress bar;
    const QImage thumb = Strip({Qt::white, Qt::yellow, Qt::red}, 20, 12);
    const QImage mark = Strip({Qt::blue, Qt::cyan, Qt::red}, 10, 12);
    EXPECT_FALSE(bar.SetThumbBitmaps(QImage(), mark, mark));
    EXPECT_FALSE(bar.SetThumbBitmaps(thumb, mark, QImage()));
    EXPECT_FALSE(bar.SetThumbBitmaps(thumb, QImage(), mark));
    EXPECT_FALSE(bar.Arrange()) << "no background yet";
    EXPECT_FALSE(bar.SetBackgroundBitmap(QImage()));
    EXPECT_FALSE(bar.SetFillBitmap(QImage()));
}

TEST(FixProgressParts, WithoutMarksTheFillShowsTheRange) {
    TFixProgress bar;
    ASSERT_TRUE(bar.SetBackgroundBitmap(Solid(400, 16, Qt::darkGray)));
    ASSERT_TRUE(bar.SetFillBitmap(Solid(8, 6, Qt::green)));
    ASSERT_TRUE(
        bar.SetThumbBitmaps(Strip({Qt::white, Qt::yellow, Qt::red}, 20, 12), QImage(), QImage()));
    ASSERT_TRUE(bar.Arrange());
    EXPECT_EQ(bar.MinLeft, 0);
    EXPECT_EQ(bar.MaxLeft, 380);
    EXPECT_EQ(bar.MarkerLimit, 400);
    bar.SetRange(0.25f, 0.75f);
    EXPECT_EQ(bar.FillImage->x(), 100);
    EXPECT_EQ(bar.FillImage->width(), 200);
    float start = 0, stop = 0;
    ASSERT_TRUE(bar.GetRange(start, stop));
    EXPECT_FLOAT_EQ(start, 0.25f);
    EXPECT_FLOAT_EQ(stop, 0.75f);
}

TEST(FixProgressParts, NoRoomToMoveLeavesEverythingWhereItIs) {
    // S25: a bar exactly as wide as its thumb.
    TFixProgress bar;
    ASSERT_TRUE(bar.SetBackgroundBitmap(Solid(20, 16, Qt::darkGray)));
    ASSERT_TRUE(bar.SetFillBitmap(Solid(8, 6, Qt::green)));
    ASSERT_TRUE(
        bar.SetThumbBitmaps(Strip({Qt::white, Qt::yellow, Qt::red}, 20, 12), QImage(), QImage()));
    ASSERT_TRUE(bar.Arrange());
    ASSERT_EQ(bar.MaxLeft, bar.MinLeft);
    EXPECT_FALSE(bar.MoveThumb(5));
    EXPECT_FALSE(bar.SetPosition(50));
    EXPECT_EQ(bar.Thumb->x(), 0);
    EXPECT_DOUBLE_EQ(bar.Position, 0);

    // Marks that fill the whole bar leave the range scale no length.
    TFixProgress marked;
    const QImage mark = Strip({Qt::blue, Qt::cyan, Qt::red}, 10, 12);
    ASSERT_TRUE(marked.SetBackgroundBitmap(Solid(20, 16, Qt::darkGray)));
    ASSERT_TRUE(marked.SetFillBitmap(Solid(8, 6, Qt::green)));
    ASSERT_TRUE(marked.SetThumbBitmaps(Strip({Qt::white, Qt::yellow, Qt::red}, 4, 12), mark, mark));
    ASSERT_TRUE(marked.Arrange());
    float start = 7, stop = 7;
    EXPECT_FALSE(marked.GetRange(start, stop));
    EXPECT_EQ(start, 7);
    EXPECT_EQ(stop, 7);
}

} // namespace
