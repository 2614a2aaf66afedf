// The run's steps with an engine whose answers the test gives: which clip is handed over when,
// how each clip's end is judged, and what the window shows and says.
#include "RunFixture.h"
#include "profiles/ProfileChoice.h"

#include "common/Globals.h"
#include "engine/EngineBinding.h"
#include "model/Settings.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <deque>
#include <gtest/gtest.h>

using namespace run_test;

namespace {

// Stands in for the engine's convert, stop and read-back entries; the real engine stays loaded
// for the rest. Every file "written" reads back as one the iPod plays.
class FakeEngine {
public:
    FakeEngine() : convert_(DllConvert), stop_(DllStop), facts_(DllGetMediaFacts) {
        calls.clear();
        returns.clear();
        stops = 0;
        frame_width = 320;
        DllConvert = &Convert;
        DllStop = &Stop;
        DllGetMediaFacts = &Facts;
    }
    ~FakeEngine() {
        DllConvert = convert_;
        DllStop = stop_;
        DllGetMediaFacts = facts_;
    }
    static inline std::vector<QStringList> calls;
    static inline std::deque<int> returns; // what _X answers, 0 when empty
    static inline int stops = 0;
    static inline int frame_width = 320; // of every file read back

private:
    static int Convert(HWND, int argc, char **argv) {
        QStringList args;
        for (int i = 0; i < argc; ++i)
            args << QString::fromUtf8(argv[i]);
        calls.push_back(args);
        if (returns.empty())
            return 0;
        const int answer = returns.front();
        returns.pop_front();
        return answer;
    }
    static void Stop() { ++stops; }
    static int Facts(const char *, MediaFacts *f) {
        *f = MediaFacts{};
        f->readable = 1;
        qstrncpy(f->container, "mp4", sizeof f->container);
        qstrncpy(f->video_codec, "mpeg4", sizeof f->video_codec);
        qstrncpy(f->video_profile, "Simple Profile", sizeof f->video_profile);
        f->video_level = 4;
        f->width = frame_width;
        f->height = 240;
        f->fps_milli = 25000;
        f->video_kbps = 700;
        f->bit_depth = 8;
        f->chroma_420 = 1;
        return 0;
    }
    DllConvertFn convert_;
    DllStopFn stop_;
    DllGetMediaFactsFn facts_;
};

void Settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// The engine's end of the clip it was given last.
void EndClip(RunSetup &setup, int result) {
    PostMessageA(setup.port->Handle(), WM_CONVERTDONE, static_cast<WPARAM>(result), 0);
    Settle();
}

int BarLeft(TImage *bar) {
    return bar->x();
}

} // namespace

TEST(RunSteps, ThreeClipsAreHandedOverOneMessageAtATime) {
    RunSetup setup;
    FakeEngine engine;
    setup.ChooseProfile();
    for (const char *name : {"/v/a.avi", "/v/b.wmv", "/v/c.mov"})
        setup.AddMadeUpClip(name, 20, 0, 20);
    TProgressWindow &w = *setup.window;
    ASSERT_EQ(w.Img_CP->width(), 280) << "the skin's bar pictures are 280 pixels wide";

    Press(w.TB_Start);
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0][7], "/v/a.avi");
    EXPECT_EQ(engine.calls[0][37], setup.folder + "a.MP4");
    EXPECT_FALSE(w.TB_Start->isVisible());
    EXPECT_TRUE(w.TB_Stop->isVisible());
    EXPECT_EQ(w.Label_SrcName->text(), "a.avi");
    EXPECT_EQ(w.Label_DesName->text(), "a.MP4");

    EndClip(setup, 0);
    ASSERT_EQ(engine.calls.size(), 2u);
    EXPECT_EQ(engine.calls[1][7], "/v/b.wmv");
    EXPECT_EQ(setup.run->CurrentClipIndex(), 1);
    // The second of three clips at 50 %: the whole list is at (100 + 50) / 3.
    w.SetProgress(50);
    EXPECT_EQ(w.Label_CP->text(), "50");
    EXPECT_EQ(BarLeft(w.Img_CP), -140);
    EXPECT_EQ(w.Label_TP->text(), "50");
    EXPECT_EQ(BarLeft(w.Img_TP), -140);

    EndClip(setup, 0);
    ASSERT_EQ(engine.calls.size(), 3u);
    w.SetProgress(100);
    EXPECT_EQ(w.Label_TP->text(), "100");
    EndClip(setup, 0);
    EXPECT_EQ(engine.calls.size(), 3u);
    EXPECT_FALSE(setup.run->Converting());
    EXPECT_TRUE(setup.boxes.empty()) << setup.BoxTexts().join(" | ").toStdString();
    EXPECT_EQ(setup.opened, QStringList{setup.folder});
    EXPECT_EQ(w.Label_CP->text(), "100");
    EXPECT_EQ(BarLeft(w.Img_CP), 0);
    EXPECT_TRUE(w.TB_Start->isVisible());
    EXPECT_FALSE(w.TB_Stop->isVisible());
    // A stray end message after the run changes nothing.
    EndClip(setup, 2);
    EXPECT_TRUE(setup.boxes.empty());
}

TEST(RunSteps, BarsFollowThePercentageAndTheWholeListStaysWithin100) {
    RunSetup setup;
    TProgressWindow &w = *setup.window;
    const std::pair<int, int> cases[] = {{0, -280}, {37, -177}, {100, 0}, {150, 0}, {-5, -280}};
    for (auto [percent, left] : cases) {
        w.SetProgress(percent);
        EXPECT_EQ(BarLeft(w.Img_CP), left) << percent;
        EXPECT_EQ(w.Label_TP->text(), "0");
        EXPECT_EQ(BarLeft(w.Img_TP), -280);
    }
    EXPECT_EQ(w.Label_CP->text(), "0");
    // A clip's percentage past 100 on the last clip: the list's bar stops at its end.
    FakeEngine engine;
    setup.ChooseProfile();
    for (int i = 0; i < 3; ++i)
        setup.AddMadeUpClip(QString("/v/%1.avi").arg(i), 10, 0, 10);
    Press(w.TB_Start);
    EndClip(setup, 0);
    EndClip(setup, 0);
    EXPECT_EQ(setup.run->WholePercent(90), 96);
    EXPECT_EQ(setup.run->WholePercent(250), 100);
    w.SetProgress(100);
    EXPECT_EQ(w.Label_TP->text(), "100");
    EXPECT_EQ(BarLeft(w.Img_TP), 0);
    EndClip(setup, 0);
}

// Every file is read back; one its device cannot play is a failed clip whose file stays.
TEST(RunSteps, AFileTheDeviceCannotPlayFailsItsClipAndIsKept) {
    RunSetup setup;
    FakeEngine engine;
    setup.ChooseProfile();
    setup.AddMadeUpClip("/v/wide.avi", 10, 0, 10);
    setup.AddMadeUpClip("/v/fine.avi", 10, 0, 10);
    Press(setup.window->TB_Start);
    const QString wide = engine.calls[0].last();
    QFile(wide).open(QIODevice::WriteOnly);
    engine.frame_width = 1280;
    EndClip(setup, 0);
    engine.frame_width = 320;
    QFile(engine.calls[1].last()).open(QIODevice::WriteOnly);
    EndClip(setup, 0);

    ASSERT_FALSE(setup.run->Converting());
    const QList<ClipResult> &results = setup.run->Results();
    EXPECT_EQ(results[0].Outcome, ClipOutcome::Failed);
    EXPECT_EQ(
        results[0].Reason,
        "iPod cannot play it: the frame 1280x240 (at most 640x480); the file is kept: wide.MP4");
    EXPECT_TRUE(QFile::exists(wide));
    EXPECT_EQ(results[1].Outcome, ClipOutcome::Finished);
    EXPECT_EQ(results[1].Plays, "plays on iPod");
    ASSERT_EQ(setup.boxes.size(), 1u);
    EXPECT_TRUE(setup.boxes[0].text.startsWith("1 of 2 clips could not be converted:"));
    // A run whose every file plays says so.
    setup.boxes.clear();
    Press(setup.window->TB_Start);
    QFile(engine.calls[2].last()).open(QIODevice::WriteOnly);
    EndClip(setup, 0);
    QFile(engine.calls[3].last()).open(QIODevice::WriteOnly);
    EndClip(setup, 0);
    EXPECT_TRUE(setup.boxes.empty());
    EXPECT_EQ(setup.window->Label_Note->text(), "Every file was read back: plays on iPod");
}

TEST(RunSteps, ClipsThatFailAreCountedAndNamedAndTheRunGoesOn) {
    RunSetup setup;
    FakeEngine engine;
    setup.ChooseProfile();
    setup.AddMadeUpClip("/v/broken.avi", 10, 0, 10);
    setup.AddMadeUpClip("/v/refused.avi", 10, 0, 10);
    setup.AddMadeUpClip("/v/empty.avi", 10, 4, 4); // nothing between start and stop
    setup.AddMadeUpClip("/v/good.avi", 10, 0, 10);
    engine.returns = {0, 1, 0};

    Press(setup.window->TB_Start);
    EngineInfoReport("error: the input cannot be read");
    EndClip(setup, 2);
    // The refused clip and the empty one end without a message from the engine.
    Settle();
    ASSERT_EQ(engine.calls.size(), 3u) << "the empty clip must never reach the engine";
    EXPECT_EQ(engine.calls[2][7], "/v/good.avi");
    QFile(engine.calls[2][37]).open(QIODevice::WriteOnly);
    EndClip(setup, 0);

    ASSERT_FALSE(setup.run->Converting());
    ASSERT_EQ(setup.boxes.size(), 1u) << setup.BoxTexts().join(" | ").toStdString();
    EXPECT_EQ(setup.boxes[0].kind, BoxKind::Warning);
    EXPECT_EQ(setup.boxes[0].text,
              "3 of 4 clips could not be converted:\n"
              "\nbroken.avi: the input cannot be read"
              "\nrefused.avi: the engine did not take the clip: it is busy with another conversion"
              "\nempty.avi: nothing to convert");
    EXPECT_EQ(setup.opened, QStringList{setup.folder}) << "one clip became a file";
    const QList<ClipResult> &results = setup.run->Results();
    ASSERT_EQ(results.size(), 4);
    EXPECT_EQ(results[3].Outcome, ClipOutcome::Finished);

    // When nothing came of the run, no folder opens.
    setup.boxes.clear();
    setup.opened.clear();
    engine.returns = {1, 1, 1};
    Press(setup.window->TB_Start);
    Settle();
    ASSERT_FALSE(setup.run->Converting());
    EXPECT_TRUE(setup.opened.isEmpty());
    ASSERT_EQ(setup.boxes.size(), 1u);
    EXPECT_TRUE(setup.boxes[0].text.startsWith("4 of 4 clips could not be converted:"));

    // The window opened again for the next list does not show this run's note.
    ASSERT_FALSE(setup.window->Label_Note->text().isEmpty());
    setup.window->ResetProgress();
    EXPECT_TRUE(setup.window->Label_Note->text().isEmpty());
    EXPECT_TRUE(setup.window->Label_Note->toolTip().isEmpty());
}

TEST(RunSteps, AStopAfterTheLastClipWasDoneStopsNothing) {
    RunSetup setup;
    FakeEngine engine;
    setup.ChooseProfile();
    setup.AddMadeUpClip("/v/only.avi", 10, 0, 10);
    Press(setup.window->TB_Start);
    ASSERT_EQ(engine.calls.size(), 1u);
    const QString output = engine.calls[0][37];
    ASSERT_TRUE(QFile(output).open(QIODevice::WriteOnly));
    // The engine's end message is on its way when the user presses Stop.
    Press(setup.window->TB_Stop);
    EndClip(setup, 0);
    EXPECT_FALSE(setup.run->Converting());
    EXPECT_TRUE(QFile::exists(output));
    EXPECT_TRUE(setup.boxes.empty()) << setup.BoxTexts().join(" | ").toStdString();
    EXPECT_EQ(setup.window->Label_TP->text(), "100");
    EXPECT_EQ(setup.opened, QStringList{setup.folder});
}

TEST(RunSteps, AfterAStopOnlyAStoppedClipLosesItsFile) {
    for (int result : {0, 1}) {
        RunSetup setup;
        FakeEngine engine;
        setup.ChooseProfile();
        setup.AddMadeUpClip("/v/first.avi", 10, 0, 10);
        setup.AddMadeUpClip("/v/second.avi", 10, 0, 10);
        Press(setup.window->TB_Start);
        ASSERT_EQ(engine.calls.size(), 1u);
        const QString output = engine.calls[0][37];
        ASSERT_TRUE(QFile(output).open(QIODevice::WriteOnly));
        Press(setup.window->TB_Stop);
        EXPECT_EQ(engine.stops, 1);
        EXPECT_TRUE(setup.run->Converting()) << "the run ends with the engine's message";
        // 0: the clip finished just before the stop arrived; 1: the stop cut it short.
        EndClip(setup, result);
        EXPECT_FALSE(setup.run->Converting());
        EXPECT_EQ(engine.calls.size(), 1u) << "no clip starts after a stop";
        EXPECT_EQ(QFile::exists(output), result == 0) << "result " << result;
        EXPECT_EQ(setup.BoxTexts(), QStringList{"Stop converting process by user!"});
        EXPECT_TRUE(setup.opened.isEmpty());
        EXPECT_TRUE(setup.window->TB_Start->isVisible());
        setup.Shot(result == 0 ? "stopped_after_finish" : "stopped");
    }
}

TEST(RunSteps, ALateLineNeverMovesTheNextClip) {
    RunSetup setup;
    FakeEngine engine;
    setup.ChooseProfile();
    setup.AddMadeUpClip("/v/one.avi", 100, 30, 90);
    setup.AddMadeUpClip("/v/two.avi", 100, 0, 60);
    TProgressWindow &w = *setup.window;
    Press(w.TB_Start);
    EngineInfoReport("frame= 1 time=12.34 bitrate= 1.0kbits/s");
    Settle();
    EXPECT_EQ(w.Label_CurrentTime->text(), "00:00:42");
    EXPECT_EQ(w.Label_CP->text(), "20");

    // The engine's end message, then a line of the same clip that arrives after it.
    PostMessageA(setup.port->Handle(), WM_CONVERTDONE, 0, 0);
    EngineInfoReport("frame= 2 time=30.00 bitrate= 1.0kbits/s");
    Settle();
    EXPECT_EQ(setup.run->CurrentClipIndex(), 1);
    EXPECT_EQ(w.Label_SrcName->text(), "two.avi");
    EXPECT_EQ(w.Label_CurrentTime->text(), "00:00:00");
    EXPECT_EQ(w.Label_CP->text(), "0");

    EngineInfoReport("frame= 3 time=6.00 bitrate= 1.0kbits/s");
    Settle();
    EXPECT_EQ(w.Label_CurrentTime->text(), "00:00:06");
    EXPECT_EQ(w.Label_CP->text(), "10");
    EXPECT_EQ(w.Label_TP->text(), "55");
    EndClip(setup, 0);
}

TEST(RunSteps, NoProfileOrNoClipStartsNothing) {
    RunSetup setup;
    FakeEngine engine;
    setup.AddMadeUpClip("/v/a.avi", 10, 0, 10);
    // Nothing selected at all, then the entry that makes a new profile.
    setup.profiles->addItem(kProfile);
    setup.profiles->addItem("Add my profile...");
    setup.profiles->setCurrentIndex(-1);
    Press(setup.window->TB_Start);
    setup.profiles->setCurrentIndex(1);
    Press(setup.window->TB_Start);
    EXPECT_EQ(setup.BoxTexts(), QStringList({"Please select a Output Porfiles!",
                                             "Please select a Output Porfiles!"}));
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_FALSE(ChosenProfileText(setup.profiles->currentIndex(), setup.profiles->currentText()));

    // A profile whose size is no width x height: Start says so.
    setup.boxes.clear();
    setup.ChooseProfile("Tiny : Video: 1x, 300 kbps, 25 fps, Audio: 64 kbps, 22.05 khps, "
                        "1 Channel Mono");
    Press(setup.window->TB_Start);
    EXPECT_EQ(setup.BoxTexts(), QStringList{RunStartMessage(RunStart::UnreadableProfile)});
    EXPECT_TRUE(engine.calls.empty());

    setup.boxes.clear();
    setup.ChooseProfile();
    EXPECT_TRUE(ChosenProfileText(setup.profiles->currentIndex(), setup.profiles->currentText()));
    setup.list->ClearItems();
    Press(setup.window->TB_Start);
    EXPECT_EQ(setup.BoxTexts(),
              QStringList{"No clip to convert!\nPlease add clip to list, then convert it!"});
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_TRUE(setup.window->TB_Start->isVisible());
    EXPECT_FALSE(setup.run->Converting());
}

TEST(RunSteps, EveryWayOfClosingIsRefusedWhileConverting) {
    RunSetup setup;
    FakeEngine engine;
    setup.ChooseProfile();
    setup.AddMadeUpClip("/v/a.avi", 10, 0, 10);
    Press(setup.window->TB_Start);
    ASSERT_TRUE(setup.run->Converting());
    Press(setup.window->TB_Close);
    EXPECT_FALSE(setup.window->close());
    EXPECT_TRUE(setup.window->isVisible());
    EXPECT_EQ(setup.BoxTexts(), QStringList({"Converting clips now!\nPlease stop it first!",
                                             "Converting clips now!\nPlease stop it first!"}));
    // The folder button does nothing during a run: no dialog comes up.
    QStringList dialogs;
    QObject watch; // the timer goes with the test
    QTimer::singleShot(300, &watch, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            dialogs << modal->metaObject()->className();
            modal->close();
        }
    });
    const QString folder = path_Work;
    Press(setup.window->TB_Browse);
    EXPECT_TRUE(dialogs.isEmpty());
    EXPECT_EQ(path_Work, folder);

    EndClip(setup, 0);
    EXPECT_TRUE(setup.window->close());
    EXPECT_FALSE(setup.window->isVisible());
}

TEST(RunSteps, AStartPastADayReachesTheEngineAndTheDisplayKeepsItsRule) {
    RunSetup setup;
    FakeEngine engine;
    setup.ChooseProfile();
    setup.AddMadeUpClip("/v/long.avi", 100000, 90000, 90060);
    Press(setup.window->TB_Start);
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0][3], "25:00:00");
    EXPECT_EQ(engine.calls[0][5], "60");
    EXPECT_EQ(setup.window->Label_StartTime->text(), "00:00:00");
    EXPECT_EQ(setup.window->Label_StopTime->text(), "00:00:00");
    EXPECT_EQ(setup.window->Label_Length->text(), "00:01:00");
    EndClip(setup, 0);
}

TEST(RunSteps, AnOutputFolderThatCannotBeMadeFallsBackAndTheWindowSaysSo) {
    RunSetup setup;
    FakeEngine engine;
    setup.ChooseProfile();
    setup.AddMadeUpClip("/v/a.avi", 10, 0, 10);
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", setup.out.path().toUtf8());
    const QString chosen = setup.folder + "no/such/";
    UseOutputFolder(chosen);
    Press(setup.window->TB_Start);
    EXPECT_EQ(path_Work, setup.folder + "MavoOutput/");
    EXPECT_EQ(setup.window->Edit_WorkingFolder->text(), path_Work);
    EXPECT_FALSE(setup.window->Label_Note->text().isEmpty());
    EXPECT_EQ(setup.window->Label_Note->toolTip(), chosen);
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0][37], setup.folder + "MavoOutput/a.MP4");
    setup.Shot("folder_fallback");
    EndClip(setup, 0);

    // Neither folder can be made: nothing starts.
    setup.opened.clear();
    qputenv("HOME", (setup.folder + "gone/away").toUtf8());
    UseOutputFolder(chosen);
    Press(setup.window->TB_Start);
    EXPECT_EQ(setup.BoxTexts(), QStringList{"Can not create output folder!"});
    EXPECT_EQ(engine.calls.size(), 1u);
    EXPECT_FALSE(setup.run->Converting());
    qputenv("HOME", home);
}

TEST(RunSteps, TheFolderButtonTakesTheChosenFolder) {
    RunSetup setup;
    ASSERT_TRUE(QDir().mkdir(setup.folder + "chosen"));
    QString title;
    QObject watch;
    QTimer::singleShot(200, &watch, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        title = dialog->windowTitle();
        dialog->setDirectory(setup.folder + "chosen");
        static_cast<QDialog *>(dialog)->accept();
    });
    Press(setup.window->TB_Browse);
    EXPECT_EQ(title, "Please select \"Output Folder\" :");
    EXPECT_EQ(path_Work, setup.folder + "chosen/");
    EXPECT_EQ(setup.window->Edit_WorkingFolder->text(), setup.folder + "chosen/");

    // Cancel changes nothing.
    QTimer::singleShot(200, &watch, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    Press(setup.window->TB_Browse);
    EXPECT_EQ(path_Work, setup.folder + "chosen/");
}
