// The clip list panel: skin layout, row scrolling, arrows, selection rules, menu and messages.
#include <QAction>
#include <QMenu>
#include <QPointer>
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "ItemSupport.h"
#include "controls/ControlMessages.h"
#include "controls/ListPanel.h"
#include "model/ClipList.h"

using namespace controls_test;

namespace {

const QColor kListColor(40, 50, 60);

class ListPanelTest : public ::testing::Test {
protected:
    Host host;
    MessageLog log;
    ClipList clips;
    TListPanel *panel = new TListPanel(&host.window);

    // List 420 x 300; scroll bar 16 wide; thumb 16 x 20; arrows 16 x 16 when wanted.
    void Skin(bool arrows) {
        panel->move(10, 10);
        panel->show();
        panel->SetParentHandle(log.Handle());
        panel->SetClipList(&clips);
        ASSERT_TRUE(panel->SetBackgroundBitmap(Solid(10, 10, kListColor)));
        ASSERT_TRUE(panel->SetThumbBitmap(Strip({Qt::white, Qt::yellow, Qt::red}, 16, 20)));
        ASSERT_TRUE(panel->SetTrackBitmap(Solid(16, 50, Qt::darkGray)));
        const QImage arrow = Strip({Qt::blue, Qt::cyan, Qt::magenta}, 16, 16);
        ASSERT_TRUE(panel->SetUpArrowBitmap(arrows ? arrow : QImage()));
        ASSERT_TRUE(panel->SetDownArrowBitmap(arrows ? arrow : QImage()));
        panel->resize(panel->width(), 300);
        panel->resize(420, 300);
        ASSERT_TRUE(panel->Arrange());
    }

    std::vector<Image_Item *> Fill(int count) {
        for (int i = 0; i < count; ++i)
            clips.AddItem(Record("/clips/" + std::to_string(i) + ".avi", 60 + i,
                                 QColor::fromHsv(i * 36 % 360, 160, 200)));
        return std::vector<Image_Item *>(panel->Items.begin(), panel->Items.end());
    }

    std::vector<bool> Selection() const {
        std::vector<bool> selected;
        for (Image_Item *item : panel->Items)
            selected.push_back(item->Selected);
        return selected;
    }

    static std::pair<UINT, WPARAM> Changed(Image_Item *item) {
        return {WM_CLIPCHANGED, static_cast<WPARAM>(item->ClipId)};
    }

    // The thumb's centre in list coordinates.
    QPoint ThumbCentre() const {
        return panel->ScrollPanel->mapTo(panel, panel->Thumb->geometry().center());
    }
};

TEST_F(ListPanelTest, ArrangeBuildsTheScrollBarAndTheListColour) {
    Skin(false);
    EXPECT_EQ(panel->ScrollPanel->geometry(), QRect(404, 0, 16, 300));
    EXPECT_EQ(panel->TrackImage->geometry(), QRect(0, 0, 16, 300));
    EXPECT_EQ(panel->ContentPanel->width(), 404);
    EXPECT_EQ(panel->ThumbMinTop, 0);
    EXPECT_EQ(panel->ThumbMaxTop, 280);
    EXPECT_EQ(panel->Thumb->y(), 0);
    EXPECT_FALSE(panel->BackgroundImage->isVisible());
    const QImage shown = Shown(panel);
    EXPECT_EQ(At(shown, 200, 150), kListColor);
    EXPECT_EQ(At(shown, 410, 150), QColor(Qt::darkGray)) << "the track";
    EXPECT_EQ(At(shown, 410, 5), QColor(Qt::white)) << "the thumb";
}

TEST_F(ListPanelTest, ArrangeNeedsItsParts) {
    EXPECT_FALSE(panel->Arrange());
    ASSERT_TRUE(panel->SetBackgroundBitmap(Solid(10, 10, kListColor)));
    ASSERT_TRUE(panel->SetThumbBitmap(Strip({Qt::white, Qt::yellow, Qt::red}, 16, 20)));
    EXPECT_FALSE(panel->Arrange()) << "no track";
    ASSERT_TRUE(panel->SetTrackBitmap(Solid(16, 50, Qt::darkGray)));
    ASSERT_TRUE(panel->SetUpArrowBitmap(Strip({Qt::blue, Qt::cyan, Qt::magenta}, 16, 16)));
    EXPECT_FALSE(panel->Arrange()) << "one arrow only";
    EXPECT_TRUE(panel->SetUpArrowBitmap(QImage()));
    EXPECT_EQ(panel->UpArrow, nullptr);
    EXPECT_TRUE(panel->Arrange());
    EXPECT_FALSE(panel->SetThumbBitmap(QImage()));
    EXPECT_FALSE(panel->SetTrackBitmap(QImage()));
    EXPECT_FALSE(panel->SetBackgroundBitmap(QImage()));
}

TEST_F(ListPanelTest, FirstItemIsSelectedAndAnnouncedLaterOnesAreNot) {
    Skin(false);
    const auto items = Fill(3);
    ASSERT_EQ(panel->Count(), 3);
    const std::vector<std::pair<UINT, WPARAM>> expected{Changed(items[0])};
    EXPECT_EQ(log.messages, expected);
    EXPECT_EQ(Selection(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(clips.Anchor(), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items[i]->pos(), QPoint(2, i * 66 + 2));
        EXPECT_TRUE(items[i]->isVisible());
    }
    EXPECT_EQ(panel->ContentHeight, 198);
    EXPECT_EQ(At(Shown(panel), 2, 40), QColor(0, 255, 0)) << "green frame of the first";
    EXPECT_EQ(At(Shown(panel), 2, 106), QColor(128, 128, 128)) << "gray frame of the second";
}

TEST_F(ListPanelTest, ThumbPicksTheFirstRowInProportion) {
    Skin(false);
    Fill(10);
    panel->ScrollTo(140); // half-way
    EXPECT_EQ(panel->ContentPanel->y(), -132);
    EXPECT_EQ(panel->ContentPanel->height(), 432);

    panel->ScrollTo(0);
    EXPECT_EQ(panel->ContentPanel->y(), 0);

    // The same by dragging the thumb with the mouse.
    const QPoint grip = ThumbCentre();
    Press(panel, grip);
    MoveTo(panel, grip + QPoint(0, 140));
    EXPECT_EQ(panel->Thumb->y(), 140);
    EXPECT_EQ(panel->ContentPanel->y(), -132);
    MoveTo(panel, grip + QPoint(0, 400));
    EXPECT_EQ(panel->Thumb->y(), 280);
    EXPECT_EQ(panel->ContentPanel->y(), -330) << "the last rows are in view";
    EXPECT_EQ(panel->ContentPanel->height(), 630);
    Release(panel, grip + QPoint(0, 400));
    MoveTo(panel, grip);
    EXPECT_EQ(panel->Thumb->y(), 280) << "no drag after the release";

    // A press on the track centres the thumb on the pressed point.
    Press(panel, {412, 100});
    Release(panel, {412, 100});
    EXPECT_EQ(panel->Thumb->y(), 90);
    EXPECT_EQ(panel->ContentPanel->y(), -66);
}

TEST_F(ListPanelTest, ShortListNeverMoves) {
    Skin(false);
    Fill(4);
    panel->ScrollTo(280);
    EXPECT_EQ(panel->ContentPanel->y(), 0);
    EXPECT_EQ(panel->ContentPanel->height(), 300);
}

TEST_F(ListPanelTest, ArrowsWithFourItemsMoveTheWholeRange) {
    Skin(true);
    EXPECT_EQ(panel->ThumbMinTop, 16);
    EXPECT_EQ(panel->ThumbMaxTop, 264);
    EXPECT_EQ(panel->Thumb->y(), 16);
    EXPECT_EQ(panel->TrackImage->geometry(), QRect(0, 16, 16, 268)) << "between the arrows";
    Fill(4);
    Press(panel, {412, 292}); // down arrow
    EXPECT_EQ(panel->Thumb->y(), 264);
    EXPECT_EQ(panel->ContentPanel->y(), 0) << "rows = 0: the content stays";
    ASSERT_NE(panel->RepeatTimer, nullptr);
    EXPECT_TRUE(panel->RepeatTimer->Enabled());
    EXPECT_EQ(panel->RepeatTimer->Interval(), 1000);
    Release(panel, {412, 292});
    EXPECT_FALSE(panel->RepeatTimer->Enabled());
    Click(panel, {412, 8}); // up arrow
    EXPECT_EQ(panel->Thumb->y(), 16);
}

TEST_F(ListPanelTest, ArrowsWithTwoItemsDoNothing) {
    Skin(true);
    Fill(2);
    Press(panel, {412, 292});
    EXPECT_EQ(panel->Thumb->y(), 16);
    EXPECT_TRUE(panel->RepeatTimer == nullptr || !panel->RepeatTimer->Enabled());
    Release(panel, {412, 292});
}

TEST_F(ListPanelTest, HeldArrowRepeatsEveryHalfSecondAfterTheFirst) {
    Skin(true);
    Fill(10); // steps = (660 - 300) div 66 + 1 = 6, step = 248 div 6 = 41
    Press(panel, {412, 292});
    EXPECT_EQ(panel->Thumb->y(), 57);
    panel->RepeatTick();
    EXPECT_EQ(panel->RepeatTimer->Interval(), 500);
    EXPECT_EQ(panel->Thumb->y(), 98);
    for (int i = 0; i < 10; ++i)
        panel->RepeatTick();
    EXPECT_EQ(panel->Thumb->y(), 264);
    Release(panel, {412, 292});
    EXPECT_FALSE(panel->RepeatTimer->Enabled());
    Press(panel, {412, 8});
    EXPECT_EQ(panel->RepeatTimer->Interval(), 1000) << "a new press waits a second again";
    EXPECT_TRUE(panel->ScrollingUp);
    Release(panel, {412, 8});
}

TEST_F(ListPanelTest, ShiftClickWithAndWithoutAnchor) {
    Skin(false);
    const auto items = Fill(4);
    // Unselect the first, then remove nothing: the anchor is gone, all items stay.
    Click(items[0], {100, 30}, Qt::LeftButton, Qt::ControlModifier);
    log.Clear();
    clips.RemoveSelected();
    EXPECT_EQ(panel->Count(), 4);
    EXPECT_EQ(log.messages, (std::vector<std::pair<UINT, WPARAM>>{{WM_CLIPCHANGED, 0}}));
    EXPECT_EQ(clips.Anchor(), -1);

    log.Clear();
    Click(items[2], {100, 30}, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(Selection(), (std::vector<bool>{false, false, true, false}));
    EXPECT_EQ(clips.Anchor(), 2);
    Click(items[3], {100, 30}, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(Selection(), (std::vector<bool>{false, false, true, true}));
    Click(items[0], {100, 30}, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(Selection(), (std::vector<bool>{true, true, true, false}));
    EXPECT_EQ(clips.Anchor(), 2) << "the anchor stays";
    EXPECT_EQ(log.messages, (std::vector<std::pair<UINT, WPARAM>>{
                                Changed(items[2]), Changed(items[3]), Changed(items[0])}));

    // A plain click sets the anchor; Shift then selects the range from it.
    Click(items[1], {100, 30});
    EXPECT_EQ(Selection(), (std::vector<bool>{false, true, false, false}));
    Click(items[3], {100, 30}, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(Selection(), (std::vector<bool>{false, true, true, true})) << "Shift wins over Ctrl";
}

TEST_F(ListPanelTest, CtrlClickTogglesAndStillAnnounces) {
    Skin(false);
    const auto items = Fill(3);
    log.Clear();
    Click(items[1], {100, 30}, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(Selection(), (std::vector<bool>{true, true, false}));
    Click(items[0], {100, 30}, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(Selection(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(log.messages,
              (std::vector<std::pair<UINT, WPARAM>>{Changed(items[1]), Changed(items[0])}));
    EXPECT_EQ(clips.Anchor(), 0);
}

TEST_F(ListPanelTest, RightButtonKeepsTheSelectionAndOpensTheMenu) {
    Skin(false);
    const auto items = Fill(3);
    Click(items[1], {100, 30}, Qt::LeftButton, Qt::ControlModifier);
    log.Clear();
    Press(items[2], {100, 30}, Qt::RightButton);
    EXPECT_EQ(Selection(), (std::vector<bool>{true, true, false}));
    EXPECT_EQ(clips.Anchor(), 2);
    EXPECT_EQ(log.messages, (std::vector<std::pair<UINT, WPARAM>>{Changed(items[2])}));
    EXPECT_EQ(panel->ClipMenu, nullptr);
    Release(items[2], {100, 30}, Qt::RightButton);
    ASSERT_NE(panel->ClipMenu, nullptr);
    EXPECT_TRUE(panel->ClipMenu->isVisible());

    const QList<QAction *> entries = panel->ClipMenu->actions();
    ASSERT_EQ(entries.size(), 5);
    const QStringList names{"Preview", "", "Remove", "Crop", "Clear"};
    const QStringList captions{"Preview clip", "", "Remove clip(s)", "Crop clip(s)",
                               "Clear clip(s)"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(entries[i]->objectName(), names[i]);
        EXPECT_EQ(entries[i]->text(), captions[i]);
    }
    EXPECT_TRUE(entries[1]->isSeparator());
    panel->ClipMenu->close();

    log.Clear();
    entries[0]->trigger();
    EXPECT_EQ(log.messages, (std::vector<std::pair<UINT, WPARAM>>{{WM_PREVIEWCLIP, 0}}));
    QPointer<Image_Item> kept = items[2];
    entries[2]->trigger(); // Remove the selected two
    EXPECT_EQ(panel->Count(), 1);
    EXPECT_EQ(panel->GetItem(0), kept.data());
    EXPECT_EQ(kept->y(), 2);
    entries[4]->trigger(); // Clear
    EXPECT_EQ(panel->Count(), 0);
    EXPECT_TRUE(kept.isNull());
}

TEST_F(ListPanelTest, TheMenuListsAClipsSoundAndSubtitleTracksAndKeepsTheChoices) {
    Skin(false);
    Fill(1);
    ClipRecord two_tracks = Record("/clips/film.mkv", 90, Qt::gray);
    two_tracks.SoundTracks = {"English, 5.1", "French, stereo (default)"};
    two_tracks.DefaultSoundTrack = 1;
    two_tracks.SubtitleTracks = {"French (default)", "English"};
    clips.AddItem(two_tracks);
    const auto open_menu = [this]() -> QMenu * {
        Press(panel->Items[1], {100, 30}, Qt::RightButton);
        Release(panel->Items[1], {100, 30}, Qt::RightButton);
        QMenu *menu = panel->ClipMenu->findChild<QMenu *>("SoundTrack");
        panel->ClipMenu->close();
        return menu;
    };
    QMenu *sound = open_menu();
    ASSERT_NE(sound, nullptr);
    EXPECT_TRUE(panel->ClipMenu->actions().contains(sound->menuAction()));
    QList<QAction *> tracks = sound->actions();
    ASSERT_EQ(tracks.size(), 2);
    EXPECT_EQ(tracks[0]->text(), "1: English, 5.1");
    EXPECT_EQ(tracks[1]->text(), "2: French, stereo (default)");
    EXPECT_FALSE(tracks[0]->isChecked());
    EXPECT_TRUE(tracks[1]->isChecked()) << "the engine's own choice is marked";
    EXPECT_EQ(clips.Snapshot()[1].AudioTrack, "") << "the engine chooses by itself";
    tracks[0]->trigger();
    EXPECT_EQ(clips.Get(1)->SoundTrack, 0);
    EXPECT_EQ(clips.Snapshot()[1].AudioTrack, "1");
    EXPECT_EQ(clips.Snapshot()[0].AudioTrack, "") << "only that clip";
    tracks = open_menu()->actions();
    EXPECT_TRUE(tracks[0]->isChecked());
    EXPECT_FALSE(tracks[1]->isChecked());

    QMenu *subtitles = panel->ClipMenu->findChild<QMenu *>("Subtitles");
    ASSERT_NE(subtitles, nullptr);
    QStringList captions;
    for (QAction *entry : subtitles->actions())
        captions << entry->text();
    EXPECT_EQ(captions, QStringList({"None", "Keep", "Burn in track 1: French (default)",
                                     "Burn in track 2: English"}));
    subtitles->actions()[3]->trigger();
    EXPECT_EQ(clips.Snapshot()[1].Subtitles, "burn:2");
    open_menu();
    EXPECT_TRUE(panel->ClipMenu->findChild<QMenu *>("Subtitles")->actions()[3]->isChecked());
    EXPECT_FALSE(clips.SetSubtitles(1, "burn:3")) << "a track it does not have";
    // A clip of one sound track has no such menu.
    Press(panel->Items[0], {100, 30}, Qt::RightButton);
    Release(panel->Items[0], {100, 30}, Qt::RightButton);
    EXPECT_EQ(panel->ClipMenu->findChild<QMenu *>("SoundTrack"), nullptr);
    EXPECT_EQ(panel->ClipMenu->findChild<QMenu *>("Subtitles"), nullptr);
    EXPECT_EQ(panel->ClipMenu->actions().size(), 5);
    panel->ClipMenu->close();
}

TEST_F(ListPanelTest, DoubleClickPreviewsAndRunsThePressLogic) {
    Skin(false);
    const auto items = Fill(3);
    log.Clear();
    DoubleClick(items[1], {100, 30});
    // First press, then the double click itself: the preview, then the press logic again.
    const std::vector<std::pair<UINT, WPARAM>> expected{
        Changed(items[1]), {WM_PREVIEWCLIP, 0}, Changed(items[1])};
    EXPECT_EQ(log.messages, expected);
    EXPECT_EQ(Selection(), (std::vector<bool>{false, true, false}));
}

TEST_F(ListPanelTest, CropKeepsOnlyTheSelectedItems) {
    Skin(false);
    auto items = Fill(4);
    Click(items[2], {100, 30}, Qt::LeftButton, Qt::ControlModifier); // 0 and 2 selected
    std::vector<QPointer<Image_Item>> watch(items.begin(), items.end());
    log.Clear();
    clips.CropToSelected();
    EXPECT_TRUE(log.messages.empty()) << "a crop sends nothing";
    ASSERT_EQ(panel->Count(), 2);
    EXPECT_EQ(panel->GetItem(0), items[0]);
    EXPECT_EQ(panel->GetItem(1), items[2]);
    EXPECT_TRUE(watch[1].isNull());
    EXPECT_TRUE(watch[3].isNull());
    EXPECT_EQ(items[2]->y(), 68);
    EXPECT_EQ(Selection(), (std::vector<bool>{true, true}));
    EXPECT_EQ(clips.Anchor(), -1);

    // Nothing selected: every item goes.
    Click(items[0], {100, 30}, Qt::LeftButton, Qt::ControlModifier);
    Click(items[2], {100, 30}, Qt::LeftButton, Qt::ControlModifier);
    clips.CropToSelected();
    EXPECT_EQ(panel->Count(), 0);
    EXPECT_TRUE(watch[0].isNull());
    EXPECT_TRUE(watch[2].isNull());
}

TEST_F(ListPanelTest, GetItemTakeSingleSelectionAndClear) {
    Skin(false);
    EXPECT_EQ(clips.TakeSingleSelection(), 0);
    const auto items = Fill(4);
    EXPECT_EQ(panel->GetItem(-1), nullptr);
    EXPECT_EQ(panel->GetItem(4), nullptr);
    EXPECT_EQ(panel->GetItem(3), items[3]);

    Click(items[1], {100, 30});
    Click(items[3], {100, 30}, Qt::LeftButton, Qt::ShiftModifier);
    const int anchor = clips.Anchor();
    EXPECT_EQ(clips.TakeSingleSelection(), items[1]->ClipId);
    EXPECT_EQ(Selection(), (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(clips.Anchor(), anchor);

    Click(items[1], {100, 30}, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(clips.TakeSingleSelection(), items[0]->ClipId);
    EXPECT_EQ(Selection(), (std::vector<bool>{true, false, false, false}));

    EXPECT_EQ(clips.CollectSelected(), QList<int32_t>{0});
    log.Clear();
    clips.ClearItems();
    EXPECT_EQ(panel->Count(), 0);
    EXPECT_EQ(clips.Anchor(), -1);
    EXPECT_EQ(log.messages, (std::vector<std::pair<UINT, WPARAM>>{{WM_CLIPCHANGED, 0}}));
    EXPECT_EQ(panel->ContentHeight, 0);
}

TEST_F(ListPanelTest, ResizeKeepsTheThumbInItsTrack) {
    Skin(false);
    Fill(10);
    panel->ScrollTo(280);
    panel->Thumb->move(0, 280);
    panel->resize(420, 200);
    EXPECT_EQ(panel->ThumbMaxTop, 180);
    EXPECT_EQ(panel->Thumb->y(), 180);
    // rows = (662 - 200) div 66 = 7, all of them scrolled.
    EXPECT_EQ(panel->ContentPanel->y(), -462);
}

TEST(ListPanelParts, NoTravelLeavesTheListWhereItIs) {
    // S25: a track no longer than the thumb.
    Host host;
    auto *panel = new TListPanel(&host.window);
    ASSERT_TRUE(panel->SetBackgroundBitmap(Solid(10, 10, kListColor)));
    ASSERT_TRUE(panel->SetThumbBitmap(Strip({Qt::white, Qt::yellow, Qt::red}, 16, 20)));
    ASSERT_TRUE(panel->SetTrackBitmap(Solid(16, 50, Qt::darkGray)));
    panel->resize(420, 20);
    panel->show();
    ASSERT_TRUE(panel->Arrange());
    ASSERT_EQ(panel->ThumbMaxTop, panel->ThumbMinTop);
    const QRect before = panel->ContentPanel->geometry();
    ClipList clips;
    panel->SetClipList(&clips);
    for (int i = 0; i < 3; ++i)
        clips.AddItem(Record("/clips/x.avi", 5));
    panel->ScrollTo(0);
    EXPECT_EQ(panel->ContentPanel->geometry(), before);
    EXPECT_EQ(panel->Count(), 3);
}

} // namespace
