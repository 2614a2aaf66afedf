// The preview: the main window's buttons, the player's events, the position poll, seeking and
// the crop marks, with a player that records what it is asked (and the real one at the end).
#include "MainWindowSupport.h"

#include "PlayerTestSupport.h"
#include "app/ClipAdder.h"
#include "common/FloatToInt.h"
#include "controls/FixProgress.h"
#include "preview/PreviewController.h"
#include "preview/PreviewPlayer.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QWindow>
#include <deque>
#include <thread>

using namespace mainwindow_test;

namespace {

struct RecordingPlayer {
    QStringList calls;
    bool start_result = true;
    std::deque<bool> positions; // answers of the position poll; empty: true
    double seconds = 0;
    double percent = 0;
    std::function<void()> during_seek;
    PlayerNotifyFn notify = nullptr;

    PreviewPlayerCalls Calls() {
        PreviewPlayerCalls c;
        c.open = [this](const QString &path) {
            calls << "open " + QFileInfo(path).fileName();
            return true;
        };
        c.start = [this] {
            calls << "start";
            return start_result;
        };
        c.close = [this] { calls << "close"; };
        c.pause = [this] {
            calls << "pause";
            return true;
        };
        c.attach = [this](uintptr_t window) {
            calls << (window != 0 ? "attach" : "attach 0");
            return window != 0;
        };
        c.position = [this](double &s, double &p) {
            const bool known = positions.empty() || positions.front();
            if (!positions.empty())
                positions.pop_front();
            s = seconds;
            p = percent;
            return known;
        };
        c.seek = [this](double s) {
            calls << "seek " + QString::number(s);
            if (during_seek)
                during_seek();
        };
        c.set_notify = [this](PlayerNotifyFn fn) { notify = fn; };
        return c;
    }
};

class PreviewTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (HasFatalFailure())
            return;
        controller = window->Preview();
        controller->SetPlayer(player.Calls());
        first = AddEntry("first.avi", 60);
        second = AddEntry("second.avi", 20);
        player.calls.clear();
    }

    Image_Item *AddEntry(const QString &name, int32_t duration) {
        AddedClip clip;
        clip.record.FileName = Clip(name);
        clip.record.Duration = duration;
        clip.record.StopTime = duration;
        clip.record.VideoFormat = "mpeg4";
        clip.record.AudioFormat = "mp3";
        clip.picture = QImage(80, 60, QImage::Format_RGB32);
        clip.picture.fill(Qt::darkCyan);
        window->AddClipEntry(clip);
        return window->TP_ImageList->Items.last();
    }
    // Sets the crop times of an entry's clip through the list.
    bool Crop(const Image_Item *item, int32_t start, int32_t stop) {
        ClipList &clips = *window->Clips();
        return clips.SetCropTimes(clips.IndexOf(item->ClipId), start, stop);
    }
    void ClickButton(QWidget *button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }
    // A press on a list entry, the way the user selects it.
    void PressEntry(Image_Item *item) {
        QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(200, 30));
    }
    // A double-click as the user makes it: a click, then the double-click.
    void DoubleClickEntry(Image_Item *item) {
        PressEntry(item);
        QTest::mouseDClick(item, Qt::LeftButton, {}, QPoint(200, 30));
    }
    void PlayerEvent(int event, LPARAM value) {
        SendMessageA(window->Handle(), WM_PLAYEREVENT, static_cast<WPARAM>(event), value);
    }
    // Opens the first entry the way the play button does with nothing open.
    void OpenFirst(bool seekable = true) {
        player.start_result = false;
        ClickButton(window->TB_Play);
        player.start_result = true;
        opened.seekable = seekable ? 1 : 0;
        PlayerEvent(3, reinterpret_cast<LPARAM>(&opened));
        PlayerEvent(1, 0);
        player.calls.clear();
    }
    bool ThumbEnabled() const { return window->TP_Progress->Thumb->isEnabled(); }
    bool StillShown() const { return window->Img_VideoPic->isVisibleTo(window->Panel_Preview); }
    int32_t MarkAt(double fraction) const {
        const TFixProgress *bar = window->TP_Progress;
        return FloatToInt<int32_t>(fraction * (bar->MarkerLimit - bar->MinLeft) + 0.5 +
                                   bar->MinLeft);
    }

    RecordingPlayer player;
    PlayerOpenInfo opened{};
    PreviewController *controller = nullptr;
    Image_Item *first = nullptr;
    Image_Item *second = nullptr;
};

TEST_F(PreviewTest, PlayOpensTheSelectedClipAndTheOpenEventStartsIt) {
    player.start_result = false;
    ClickButton(window->TB_Play);
    player.start_result = true;
    EXPECT_EQ(player.calls, QStringList({"start", "close", "open first.avi"}));
    EXPECT_EQ(controller->PreviewClip(), first->ClipId);
    EXPECT_EQ(controller->RangeClip(), first->ClipId);
    EXPECT_FALSE(ThumbEnabled());

    player.calls.clear();
    opened.seekable = 1;
    PlayerEvent(3, reinterpret_cast<LPARAM>(&opened));
    EXPECT_EQ(player.calls, QStringList({"attach", "start"}));
    EXPECT_TRUE(ThumbEnabled());
    EXPECT_FALSE(StillShown());
    PlayerEvent(1, 0);
    EXPECT_TRUE(window->PositionTimer->isActive());

    // Play with a clip open resumes it; pause and the paused event stop the poll.
    player.calls.clear();
    ClickButton(window->TB_Pause);
    PlayerEvent(4, 0);
    EXPECT_FALSE(window->PositionTimer->isActive());
    ClickButton(window->TB_Play);
    EXPECT_EQ(player.calls, QStringList({"pause", "start"}));
    EXPECT_EQ(controller->PreviewClip(), first->ClipId);

    // Stop puts everything back to rest.
    player.calls.clear();
    ClickButton(window->TB_Stop);
    EXPECT_EQ(player.calls, QStringList({"close"}));
    EXPECT_EQ(controller->PreviewClip(), 0);
    EXPECT_FALSE(ThumbEnabled());
    EXPECT_TRUE(StillShown());
    EXPECT_EQ(window->TP_Progress->Position, 0);

    // Play does nothing while files are being added.
    player.calls.clear();
    window->AddingFiles = true;
    ClickButton(window->TB_Play);
    window->AddingFiles = false;
    EXPECT_TRUE(player.calls.isEmpty());
}

TEST_F(PreviewTest, EveryPlayerEventIsAnswered) {
    OpenFirst(/*seekable=*/false);
    EXPECT_FALSE(ThumbEnabled()) << "a clip that cannot seek gets no thumb";
    PlayerEvent(0, 0);
    EXPECT_TRUE(player.calls.isEmpty());
    EXPECT_EQ(controller->PreviewClip(), first->ClipId);
    PlayerEvent(2, 0);
    EXPECT_EQ(controller->PreviewClip(), first->ClipId)
        << "event 2 stops only with a negative value";

    // Events 1 and 2 with -1, and an event the window does not know, stop the preview.
    for (const auto &[event, value] : {std::pair{1, -1}, std::pair{2, -1}, std::pair{7, 0}}) {
        OpenFirst();
        ASSERT_TRUE(window->PositionTimer->isActive());
        PlayerEvent(event, value);
        EXPECT_EQ(player.calls, QStringList({"close"})) << event;
        EXPECT_EQ(controller->PreviewClip(), 0) << event;
        EXPECT_FALSE(window->PositionTimer->isActive()) << event;
        EXPECT_TRUE(StillShown()) << event;
    }
    // An open event without its record is taken as a clip that cannot seek.
    PlayerEvent(3, 0);
    EXPECT_FALSE(ThumbEnabled());
}

TEST_F(PreviewTest, PositionPollStopsAfterFiveFailuresInARow) {
    OpenFirst();
    player.percent = 40;
    controller->PositionTimerTick();
    EXPECT_DOUBLE_EQ(window->TP_Progress->Position, 40);
    player.positions = {false, false, false, false};
    for (int i = 0; i < 4; ++i)
        controller->PositionTimerTick();
    EXPECT_TRUE(window->PositionTimer->isActive());
    // One success starts the count again.
    player.positions = {true, false, false, false, false};
    for (int i = 0; i < 5; ++i)
        controller->PositionTimerTick();
    EXPECT_TRUE(window->PositionTimer->isActive());
    player.positions = {false};
    controller->PositionTimerTick();
    EXPECT_FALSE(window->PositionTimer->isActive()) << "the fifth failure in a row";

    // The count starts again whenever the timer starts.
    PlayerEvent(1, 0);
    player.positions = {false, false, false, false};
    for (int i = 0; i < 4; ++i)
        controller->PositionTimerTick();
    EXPECT_TRUE(window->PositionTimer->isActive());
}

TEST_F(PreviewTest, TheBarSeeksTheClipAndASeekDuringASeekIsDropped) {
    OpenFirst();
    ASSERT_TRUE(ThumbEnabled());
    // A press on the bar pauses and seeks; the release seeks once more.
    TFixProgress *bar = window->TP_Progress;
    const QPoint middle((bar->MinLeft + bar->MaxLeft + bar->Thumb->width()) / 2, bar->height() / 2);
    QTest::mousePress(bar, Qt::LeftButton, {}, middle);
    ASSERT_GE(player.calls.size(), 2);
    EXPECT_EQ(player.calls[0], "pause");
    const double percent = bar->Position;
    EXPECT_EQ(player.calls[1], "seek " + QString::number(60 * percent * 0.01));
    EXPECT_GT(percent, 40);
    EXPECT_LT(percent, 60);
    QTest::mouseRelease(bar->Thumb, Qt::LeftButton, {}, bar->Thumb->rect().center());
    EXPECT_EQ(player.calls.last(), "seek " + QString::number(60 * bar->Position * 0.01));

    player.calls.clear();
    int inner = 0;
    player.during_seek = [&] {
        ++inner;
        controller->SeekHandler(90, false);
    };
    controller->SeekHandler(25, false);
    EXPECT_EQ(inner, 1);
    EXPECT_EQ(player.calls, QStringList({"seek 15"}));
    player.during_seek = nullptr;
    controller->SeekHandler(50, false);
    EXPECT_EQ(player.calls.last(), "seek 30") << "the guard is down again";
}

TEST_F(PreviewTest, OnlySelectingAnotherEntryStopsThePreview) {
    OpenFirst();
    PressEntry(first);
    EXPECT_TRUE(player.calls.isEmpty());
    EXPECT_EQ(controller->PreviewClip(), first->ClipId);
    EXPECT_TRUE(window->PositionTimer->isActive());

    PressEntry(second);
    EXPECT_EQ(player.calls, QStringList({"close"}));
    EXPECT_EQ(controller->PreviewClip(), 0);
    EXPECT_EQ(controller->RangeClip(), second->ClipId);
    EXPECT_TRUE(window->TP_Progress->StopMarker->isEnabled());

    // A double-click previews the entry, with its marks.
    DoubleClickEntry(second);
    EXPECT_TRUE(player.calls.contains("open second.avi"));
    EXPECT_EQ(controller->PreviewClip(), second->ClipId);

    // Removing the entries stops the preview and takes the marks away.
    player.calls.clear();
    ClickButton(window->TB_DelFile);
    EXPECT_EQ(window->TP_ImageList->Count(), 1);
    EXPECT_EQ(controller->PreviewClip(), 0);
    EXPECT_EQ(controller->RangeClip(), 0);
    EXPECT_FALSE(window->TP_Progress->StopMarker->isEnabled());
}

TEST_F(PreviewTest, ACropThatRemovesThePlayingClipStopsItsPreview) {
    DoubleClickEntry(second);
    ASSERT_EQ(controller->PreviewClip(), second->ClipId);
    // Crop keeps the selected entries and sends no message: select the other one first.
    window->Clips()->SetSelected(0, true);
    window->Clips()->SetSelected(1, false);
    window->Clips()->CropToSelected();
    EXPECT_EQ(window->TP_ImageList->Count(), 1);
    EXPECT_EQ(controller->PreviewClip(), 0);
    EXPECT_EQ(controller->RangeClip(), 0);
    // Previous and Next have no clip to act on now.
    ClickButton(window->TB_Previous);
    EXPECT_EQ(RecordOf(first).StartTime, 0);
}

TEST_F(PreviewTest, PreviousAndNextTakeThePlayPositionInWholeSeconds) {
    ASSERT_TRUE(Crop(first, 0, 10));
    OpenFirst();
    player.seconds = 12.9;
    ClickButton(window->TB_Previous);
    EXPECT_EQ(RecordOf(first).StartTime, 10) << "a start never passes the stop";
    EXPECT_EQ(RecordOf(first).StopTime, 10);

    ASSERT_TRUE(Crop(first, 5, 60));
    player.seconds = 3.2;
    ClickButton(window->TB_Next);
    EXPECT_EQ(RecordOf(first).StartTime, 5);
    EXPECT_EQ(RecordOf(first).StopTime, 5);

    ASSERT_TRUE(Crop(first, 0, 60));
    player.seconds = 15.7;
    ClickButton(window->TB_Previous);
    player.seconds = 45.2;
    ClickButton(window->TB_Next);
    EXPECT_EQ(RecordOf(first).StartTime, 15);
    EXPECT_EQ(RecordOf(first).StopTime, 45);
    // The marks follow.
    EXPECT_EQ(window->TP_Progress->StopMarker->x(), MarkAt(45.0 / 60));

    // No position known: nothing changes.
    player.positions = {false};
    player.seconds = 30;
    ClickButton(window->TB_Next);
    EXPECT_EQ(RecordOf(first).StopTime, 45);
}

TEST_F(PreviewTest, AMarkDraggedOnTheBarBecomesTheClipsStartOrStop) {
    PressEntry(first);
    TFixProgress *bar = window->TP_Progress;
    TImageButton *start = bar->StartMarker;
    TImageButton *stop = bar->StopMarker;
    ASSERT_TRUE(start->isEnabled());
    const QImage before = first->Picture();
    const int span = bar->MarkerLimit - bar->MinLeft;
    // Through the window, in its coordinates: the mark moves under the mouse.
    const auto drag = [this](TImageButton *mark, int dx) {
        QWindow *shown = window->windowHandle();
        // A point of the mark's shape (the flag's outline leaves much of its box out).
        const QRegion shape = mark->mask().isEmpty() ? QRegion(mark->rect()) : mark->mask();
        const QPoint from = mark->mapTo(window.get(), shape.begin()->center());
        ASSERT_EQ(window->childAt(from), mark);
        QTest::mousePress(shown, Qt::LeftButton, {}, from);
        QTest::mouseMove(shown, from + QPoint(dx / 2, 0));
        QTest::mouseMove(shown, from + QPoint(dx, 0));
        QTest::mouseRelease(shown, Qt::LeftButton, {}, from + QPoint(dx, 0));
    };
    // A quarter of the bar to the right: about 15 s of 60.
    drag(start, span / 4);
    EXPECT_NEAR(RecordOf(first).StartTime, 15, 1);
    EXPECT_EQ(RecordOf(first).StopTime, 60);
    // The stop mark a quarter to the left: about 45 s.
    drag(stop, -span / 4);
    EXPECT_NEAR(RecordOf(first).StopTime, 45, 1);
    EXPECT_NEAR(RecordOf(first).StartTime, 15, 1);
    EXPECT_NE(first->Picture(), before) << "the entry shows its new times";
}

TEST_F(PreviewTest, TheReadyMessageRegistersTheNotificationWhichStopsThePreview) {
    SendMessageA(window->Handle(), WM_PLAYERREADY, 0, 0);
    ASSERT_EQ(player.notify, &PlayerNotify);
    OpenFirst();
    // From the player's thread: only queued to the window.
    std::thread([] { PlayerNotify(2, 0, 0); }).join();
    ProcessFor(50);
    EXPECT_EQ(controller->PreviewClip(), first->ClipId);
    std::thread([] { PlayerNotify(3, 0, 0); }).join();
    EXPECT_EQ(controller->PreviewClip(), first->ClipId) << "handled on the user-interface thread";
    ASSERT_TRUE(ProcessUntil([&] { return controller->PreviewClip() == 0; }));
    EXPECT_EQ(player.calls, QStringList({"close"}));
}

TEST_F(PreviewTest, TheKeepRatioSwitchToggleAndTellsThePlayer) {
    const bool was = b_KeepRatio;
    ClickButton(window->TB_AS_Keep);
    EXPECT_EQ(b_KeepRatio, !was);
    EXPECT_EQ(window->TB_AS_Keep->Checked, !was);
    EXPECT_EQ(player.calls, QStringList({"attach"}));
    ClickButton(window->TB_AS_Keep);
    EXPECT_EQ(b_KeepRatio, was);
}

TEST_F(PreviewTest, AClipWithoutLengthShowsNoMarks) {
    Image_Item *empty = AddEntry("empty.avi", 0);
    PressEntry(empty);
    EXPECT_EQ(controller->RangeClip(), empty->ClipId);
    EXPECT_FALSE(window->TP_Progress->StartMarker->isEnabled());
    controller->SeekHandler(50, false);
    EXPECT_FALSE(player.calls.join(' ').contains("seek"));
}

// The real player, without a display: a double-click plays the clip and the bar follows it.
TEST_F(PreviewTest, ADoubleClickPlaysTheClipInTheRealPlayer) {
    controller->SetPlayer(PreviewPlayerCalls::Real());
    AddedClip clip;
    clip.record.FileName = QString::fromStdString(AudioVideoClip());
    clip.record.Duration = 3;
    clip.record.StopTime = 3;
    clip.record.VideoFormat = "h264";
    clip.record.AudioFormat = "aac";
    clip.picture = QImage(80, 60, QImage::Format_RGB32);
    clip.picture.fill(Qt::red);
    window->AddClipEntry(clip);
    Image_Item *real = window->TP_ImageList->Items.last();
    DoubleClickEntry(real);
    EXPECT_EQ(controller->PreviewClip(), real->ClipId);
    ASSERT_TRUE(ProcessUntil([&] { return window->PositionTimer->isActive(); }));
    EXPECT_FALSE(StillShown());
    ASSERT_TRUE(ProcessUntil([&] { return window->TP_Progress->Position > 0; }));
    ClickButton(window->TB_Stop);
    double unused = 0, seconds = 0, percent = 0;
    EXPECT_EQ(PlayerGetPosition(&unused, &seconds, &percent), 0) << "the player was closed";
    EXPECT_TRUE(StillShown());
}

} // namespace

// Keys a focused drop-down list uses are the list's: Space opens it rather than playing the
// preview, and a letter picks an entry rather than stepping through the clips.
TEST_F(PreviewTest, AFocusedListKeepsItsKeys) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QComboBox *devices = window->ComboBox_Device;
    devices->setFocus();
    player.calls.clear();
    QTest::keyClick(devices, Qt::Key_Space);
    EXPECT_TRUE(player.calls.isEmpty()) << player.calls.join(", ").toStdString();
    EXPECT_TRUE(devices->view()->isVisible()) << "Space opens the list";
    devices->hidePopup();
    devices->setCurrentIndex(0);
    QTest::keyClick(devices, Qt::Key_I);
    EXPECT_EQ(devices->currentText(), "iPod");
    EXPECT_TRUE(player.calls.isEmpty()) << player.calls.join(", ").toStdString();

    // Elsewhere Space still plays.
    window->TP_ImageList->setFocus();
    QTest::keyClick(window->TP_ImageList, Qt::Key_Space);
    EXPECT_FALSE(player.calls.isEmpty());
}
