// Whole runs through the real engine: media made with the ffmpeg command line, the outputs
// judged by ffprobe.
#include "RunFixture.h"

#include "media.h"

#include "engine/SampleMaker.h"
#include "engine/SizeTrial.h"
#include "preview/PreviewController.h"
#include "preview/ResultToggle.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace run_test;

namespace {

double Duration(const QString &file) {
    return media::ProbeNumber(file.toStdString(), "", "duration");
}

std::map<std::string, std::string> Video(const QString &file) {
    return media::Probe(file.toStdString(), "v:0", "codec_name,width,height");
}

// A copy of a fixture under a name of the test's choosing.
QString CopyAs(const QString &fixture, const QString &path) {
    QFile::remove(path);
    EXPECT_TRUE(QFile::copy(fixture, path));
    return path;
}

} // namespace

TEST(RunThroughEngine, ThreeInputTypesBecomeThreeFilesOfTheProfile) {
    RunSetup setup;
    setup.ChooseProfile();
    QTemporaryDir sources;
    // A source named like an option is still only the input.
    setup.AddClip(CopyAs(Media("avi"), sources.path() + "/-y.avi"));
    setup.AddClip(Media("wmv"), 1, 5);
    setup.AddClip(Media("mov"));
    bool shot = false;
    QObject::connect(setup.run.get(), &ConversionRun::StatusLine, [&] {
        if (!shot && setup.run->CurrentClipIndex() == 1) {
            shot = true;
            setup.Shot("during_run");
        }
    });

    ASSERT_TRUE(setup.StartAndWait());
    EXPECT_TRUE(setup.boxes.empty()) << setup.BoxTexts().join(" | ").toStdString();
    EXPECT_EQ(setup.OutputFiles(), QStringList({"-y.MP4", "clip.MP4", "clip1.MP4"}));
    const std::pair<QString, double> expected[] = {
        {"-y.MP4", 6}, {"clip.MP4", 4}, {"clip1.MP4", 6}};
    for (const auto &[name, seconds] : expected) {
        const QString file = setup.folder + name;
        const auto video = Video(file);
        EXPECT_EQ(video.at("codec_name"), "mpeg4") << name.toStdString();
        EXPECT_EQ(video.at("width"), "176") << name.toStdString();
        EXPECT_EQ(video.at("height"), "144") << name.toStdString();
        EXPECT_NEAR(Duration(file), seconds, 0.3) << name.toStdString();
        EXPECT_EQ(media::Probe(file.toStdString(), "a:0", "codec_name").at("codec_name"), "aac");
    }
    EXPECT_EQ(setup.opened, QStringList{setup.folder});
    EXPECT_EQ(setup.window->Label_CP->text(), "100");
    EXPECT_EQ(setup.window->Label_TP->text(), "100");
    EXPECT_EQ(setup.window->Label_SrcName->text(), "clip.mov");
    // A speed once the run has been measured; a run quicker than the speedometer's shortest
    // span (a fast machine) shows the dash instead.
    const QString speed = setup.window->Label_Speed->text();
    EXPECT_TRUE(speed.endsWith(QString::fromUtf8("\u00d7 real time")) ||
                speed == QString::fromUtf8("Speed : \u2013"))
        << speed.toStdString();
    setup.Shot("finished");
}

TEST(RunThroughEngine, AStopDuringTheSecondOfThreeClipsKeepsOnlyTheFirst) {
    RunSetup setup;
    setup.ChooseProfile();
    setup.AddClip(Media("avi"));
    setup.AddClip(LongClip(60));
    setup.AddClip(Media("mpg"));
    bool pressed = false;
    QObject::connect(setup.run.get(), &ConversionRun::StatusLine, [&] {
        if (!pressed && setup.run->CurrentClipIndex() == 1) {
            pressed = true;
            setup.Shot("before_stop");
            Press(setup.window->TB_Stop);
        }
    });
    ASSERT_TRUE(setup.StartAndWait());
    ASSERT_TRUE(pressed);
    EXPECT_EQ(setup.OutputFiles(), QStringList{"clip.MP4"});
    EXPECT_EQ(setup.run->Results()[1].Outcome, ClipOutcome::Stopped);
    EXPECT_EQ(setup.run->Results()[2].Outcome, ClipOutcome::Pending) << "clip 2 never started";
    EXPECT_EQ(setup.BoxTexts(), QStringList{"Stop converting process by user!"});
    EXPECT_TRUE(setup.opened.isEmpty());
    EXPECT_NEAR(Duration(setup.folder + "clip.MP4"), 6, 0.3);
    setup.Shot("after_stop");
}

TEST(RunThroughEngine, AClipWhoseSourceIsGoneIsNamedAndTheOthersConvert) {
    RunSetup setup;
    setup.ChooseProfile();
    QTemporaryDir sources;
    setup.AddClip(Media("avi"), 0, 3);
    setup.AddClip(CopyAs(Media("mp4"), sources.path() + "/holiday.mp4"));
    setup.AddClip(Media("3gp"), 0, 3);
    ASSERT_TRUE(QFile::remove(sources.path() + "/holiday.mp4"));

    ASSERT_TRUE(setup.StartAndWait());
    EXPECT_EQ(setup.OutputFiles(), QStringList({"clip.MP4", "clip1.MP4"}));
    ASSERT_EQ(setup.boxes.size(), 1u) << setup.BoxTexts().join(" | ").toStdString();
    const QString text = setup.boxes[0].text;
    EXPECT_TRUE(text.startsWith("1 of 3 clips could not be converted:\n\nholiday.mp4: "))
        << text.toStdString();
    EXPECT_GT(text.size(), QString("1 of 3 clips could not be converted:\n\nholiday.mp4: ").size())
        << "the engine's reason is named";
    EXPECT_FALSE(text.contains("the engine gave no reason")) << text.toStdString();
    EXPECT_EQ(setup.window->Label_Note->text(), "1 of 3 clips could not be converted: holiday.mp4");
    EXPECT_EQ(setup.opened, QStringList{setup.folder});
    for (const char *name : {"clip.MP4", "clip1.MP4"})
        EXPECT_NEAR(Duration(setup.folder + name), 3, 0.3) << name;
    setup.Shot("after_failure");
}

// The program ends during a clip: the engine is stopped, the clip's end awaited and judged, and
// nobody is told (there is no window left to tell).
TEST(RunThroughEngine, EndingTheProgramMidClipWaitsForTheEngineAndLeavesNoPartialFile) {
    RunSetup setup;
    setup.ChooseProfile();
    setup.AddClip(LongClip(60));
    setup.AddClip(Media("avi"));
    bool aborted = false;
    bool over = false;
    QObject::connect(setup.run.get(), &ConversionRun::StatusLine, [&] {
        if (!aborted) {
            aborted = true;
            over = setup.run->Abort(5000);
        }
    });
    int finished_signals = 0;
    QObject::connect(setup.run.get(), &ConversionRun::RunFinished, [&] { ++finished_signals; });
    ASSERT_TRUE(setup.StartAndWait());
    ASSERT_TRUE(aborted);
    EXPECT_TRUE(over) << "the engine's end message did not come within 5 s";
    EXPECT_EQ(setup.run->Results()[0].Outcome, ClipOutcome::Stopped);
    EXPECT_EQ(setup.run->Results()[1].Outcome, ClipOutcome::Pending);
    EXPECT_TRUE(setup.OutputFiles().isEmpty()) << setup.OutputFiles().join(",").toStdString();
    EXPECT_TRUE(setup.boxes.empty());
    EXPECT_EQ(finished_signals, 0);
}

TEST(RunThroughEngine, BeforeStartTellsTheRunAndRefusesFilesThatWouldNotFit) {
    RunSetup setup;
    setup.ChooseProfile();
    setup.AddClip(Media("avi"));
    setup.AddClip(Media("mov"));
    setup.window->ResetProgress();
    const QRegularExpression told(R"(^2 clips, \d+ KB, about \d+ s; [0-9.]+ [KMG]B free$)");
    EXPECT_TRUE(told.match(setup.window->Label_Forecast->text()).hasMatch())
        << setup.window->Label_Forecast->text().toStdString();

    // A disc with 5 MB left: Start says why and writes nothing.
    qputenv("MAVO_FREE_BYTES", "5000000");
    setup.window->ResetProgress();
    const QRegularExpression full("the files need \\d+ KB and the output folder has 5.0 MB free$");
    EXPECT_TRUE(full.match(setup.window->Label_Forecast->text()).hasMatch())
        << setup.window->Label_Forecast->text().toStdString();
    Press(setup.window->TB_Start);
    qunsetenv("MAVO_FREE_BYTES");
    ASSERT_EQ(setup.boxes.size(), 1u);
    EXPECT_TRUE(setup.boxes[0].text.startsWith(RunStartMessage(RunStart::NoSpace) + "\n"));
    EXPECT_TRUE(full.match(setup.boxes[0].text).hasMatch()) << setup.boxes[0].text.toStdString();
    EXPECT_FALSE(setup.run->Converting());
    EXPECT_TRUE(setup.OutputFiles().isEmpty());

    // With room the same list converts, and its finished clips refine the speed record.
    setup.boxes.clear();
    ASSERT_TRUE(setup.StartAndWait());
    EXPECT_EQ(setup.OutputFiles(), QStringList({"clip.MP4", "clip1.MP4"}));
    EXPECT_EQ(Video(setup.folder + "clip.MP4").at("width"), "176");
    EXPECT_TRUE(setup.run->Speed().PixelsPerSecond("mpeg4").has_value());
}

// A few seconds around the play position, through the real engine, in a folder of the sample's
// own; refused while a run converts.
TEST(SampleThroughEngine, FiveSecondsAroundThePositionGoWithTheSample) {
    RunSetup setup;
    const std::optional<ProfileSettings> profile = ReadProfileSettings(kProfile, ".MP4", "mp4");
    ASSERT_TRUE(profile);
    const ClipSource clip = ClipList::SourceOf(*setup.list->Get(setup.AddClip(Media("hd"))));
    SampleMaker sample;
    QString ended;
    QObject::connect(&sample, &SampleMaker::Ready, [&](const QString &file) { ended = file; });
    QObject::connect(&sample, &SampleMaker::Failed, [&](const QString &why) { ended = why; });
    ASSERT_EQ(sample.Start(clip, 6, *profile, setup.run.get()), "");
    EXPECT_FALSE(sample.Start(clip, 6, *profile, nullptr).isEmpty()) << "one sample at a time";
    QElapsedTimer waited;
    waited.start();
    while (ended.isEmpty() && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(ended, sample.File());
    ASSERT_TRUE(QFileInfo(ended).isFile()) << ended.toStdString();
    EXPECT_TRUE(QFileInfo(ended).fileName() == "hd-sample.MP4");
    EXPECT_TRUE(setup.OutputFiles().isEmpty()) << "never in the output folder";
    // The 8 s clip's last five seconds: the window does not run past its end.
    EXPECT_EQ(sample.SourceStart(), 3);
    EXPECT_NEAR(Duration(ended), 5, 0.3);
    EXPECT_EQ(Video(ended).at("width"), "176");
    const QString folder = QFileInfo(ended).path();
    sample.Discard();
    EXPECT_FALSE(QFileInfo::exists(folder));

    // While the run converts, no sample.
    setup.ChooseProfile();
    setup.AddClip(LongClip(60));
    Press(setup.window->TB_Start);
    ASSERT_TRUE(setup.run->Converting());
    EXPECT_TRUE(sample.Start(clip, 0, *profile, setup.run.get()).contains("while clips are"));
    EXPECT_FALSE(sample.Converting());
    setup.run->RequestStop();
    EXPECT_TRUE(setup.WaitForEnd());
}

// The Result button's toggle: the sample takes the source's place at the same time point, and
// the source comes back at the sample's, the sample removed.
TEST(SampleThroughEngine, ResultTogglesWithTheSourceAtTheSameTimePoint) {
    RunSetup setup;
    const std::optional<ProfileSettings> profile = ReadProfileSettings(kProfile, ".MP4", "mp4");
    ASSERT_TRUE(profile);
    setup.list->SetSelected(setup.AddClip(Media("hd")), true);
    QStringList calls;
    double at = 6;
    PreviewPlayerCalls player;
    player.open = [&](const QString &path) {
        calls << "open " + QFileInfo(path).fileName();
        return true;
    };
    player.close = [&] { calls << "close"; };
    player.start = [] { return true; };
    player.attach = [](uintptr_t) { return true; };
    player.position = [&](double &seconds, double &percent) {
        seconds = at;
        percent = 0;
        return true;
    };
    player.seek = [&](double seconds) { calls << "seek " + QString::number(seconds); };
    PreviewController preview(PreviewControls{setup.list.get()}, player);
    ResultToggle result(
        &preview, setup.list.get(), [&] { return profile; }, [&] { return setup.run.get(); });
    EXPECT_TRUE(result.Toggle().startsWith("Play a clip first"));
    preview.PlaySelectedClip();
    calls.clear();

    ASSERT_EQ(result.Toggle(), "");
    EXPECT_EQ(result.ButtonText(), "Making...");
    QElapsedTimer waited;
    waited.start();
    while (result.Current() == ResultToggle::State::Making && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(result.Current(), ResultToggle::State::Result);
    const QString sample = result.Sample().File();
    const PlayerOpenInfo opened{8, 1, {}};
    preview.PlayerEvent(3, reinterpret_cast<intptr_t>(&opened));
    // The 8 s clip's sample is its last five seconds, from 3 s: 6 s is 3 s into it.
    EXPECT_EQ(calls, QStringList({"close", "open hd-sample.MP4", "seek 3"}));
    EXPECT_EQ(result.ButtonText(), "Source");

    calls.clear();
    at = 1.5;
    ASSERT_EQ(result.Toggle(), "");
    preview.PlayerEvent(3, reinterpret_cast<intptr_t>(&opened));
    EXPECT_EQ(calls, QStringList({"close", "open hd.mp4", "seek 4.5"}));
    EXPECT_FALSE(QFileInfo::exists(sample)) << sample.toStdString();
    EXPECT_EQ(result.ButtonText(), "Result");
}

// The list's size trial of a long clip gives the engine up to the user's run, which converts as if
// nothing were there; afterwards the trial is made again and the clip's size is measured.
TEST(SizeTrialThroughEngine, ATrialGivesWayToTheRunAndMeasuresTheClipAfterwards) {
    RunSetup setup;
    const std::optional<ProfileSettings> profile = ReadProfileSettings(kProfile, ".MP4", "mp4");
    ASSERT_TRUE(profile);
    const ClipSource clip = ClipList::SourceOf(*setup.list->Get(setup.AddClip(LongClip(60))));
    ASSERT_EQ(TrialParts(clip).size(), 3);
    SizeTrials trials([] { return false; });
    int measured = 0;
    QObject::connect(&trials, &SizeTrials::Measured, [&] { ++measured; });
    trials.Want(clip, *profile);
    QElapsedTimer waited;
    waited.start();
    while (!ConversionRun::EngineBusy() && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(ConversionRun::EngineBusy()) << "the trial did not start";

    setup.ChooseProfile();
    ASSERT_TRUE(setup.StartAndWait());
    ASSERT_EQ(setup.run->Results().size(), 1);
    EXPECT_EQ(setup.run->Results()[0].Outcome, ClipOutcome::Finished)
        << setup.run->Results()[0].Reason.toStdString();
    EXPECT_EQ(setup.OutputFiles(), QStringList{"run_long60.MP4"}) << "no trial file lands there";

    waited.restart();
    while (measured == 0 && waited.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(measured, 1);
    const FileForecast file = ForecastClip(clip, *profile, DeviceRow{});
    EXPECT_TRUE(file.Measured);
    // Measured on three windows of the clip, the size lands near the whole file's.
    const double real = QFileInfo(setup.folder + "run_long60.MP4").size();
    EXPECT_NEAR(file.Bytes / real, 1.0, 0.10) << file.Bytes << " against " << real;
}
