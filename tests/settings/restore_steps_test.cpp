// The restore after a crash, driven without the window: what it asks, what it keeps on disk
// while the questions are open, and a run whose device or profile is gone.
#include "app/ListRestore.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kGone = "Gone 1080p : Video: 1920x1080, 6000 kbps, 30 fps, Audio: 160 kbps, 48 "
                      "khps, 2 Channels Stereo";
const QString kShown = "Phone 720p : Video: 1280x720, 3000 kbps, 30 fps, Audio: 160 kbps, 48 "
                       "khps, 2 Channels Stereo";

SavedList CutRun(int32_t device, const QString &profile) {
    SavedList list;
    list.Clips = {{"/v/a.avi", 0, 10, false}, {"/v/b.avi", 2, 8, true}};
    list.DeviceType = device;
    list.Profile = profile;
    list.RunCut = true;
    list.RunClip = 1;
    list.RunFolder = "/out/";
    list.RunDone = {{"/v/a.avi", "/out/a.mp4", ClipOutcome::Finished, {}, "plays on Phone"}};
    return list;
}

// The program after the crash: its list, the saved file and a window that answers as told.
struct Restart {
    QTemporaryDir dir;
    ListKeeper keeper{dir.path()};
    ClipList clips;
    ConversionRun run;
    std::unique_ptr<ListSaver> saver;
    std::unique_ptr<ListRestore> restore;
    QStringList questions;
    QStringList on_disk; // the saved file as each question was asked
    QList<bool> answers;
    int32_t device = -1;
    QList<QList<ClipResult>> runs;

    explicit Restart(const SavedList &left) {
        EXPECT_TRUE(keeper.Lock());
        EXPECT_TRUE(keeper.Save(left));
        saver = std::make_unique<ListSaver>(
            keeper,
            ListSaver::Sources{&clips, &run, [this] { return device; }, [] { return kShown; }});
        restore = std::make_unique<ListRestore>(Hooks(), keeper, *saver, clips);
    }
    QString Saved() const {
        QFile file(keeper.FilePath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    RestoreWindow Hooks() {
        RestoreWindow w;
        w.Ask = [this](const QString &question) {
            questions << question;
            // Whatever the window does meanwhile is not saved over the list left behind.
            saver->Schedule();
            saver->Flush();
            on_disk << Saved();
            return answers.isEmpty() ? false : answers.takeFirst();
        };
        w.Tell = [this](const QString &text) { questions << text; };
        w.SelectDevice = [this](int32_t d) { device = d; };
        w.SelectProfile = [](const QString &profile) { return profile == kShown; };
        w.ChosenProfile = [] { return kShown; };
        w.AddFiles = [this](const QStringList &files, std::function<void()> added) {
            for (const QString &file : files) {
                ClipRecord record;
                record.FileName = file;
                record.Duration = 10;
                restore->ApplyMarks(record);
                clips.AddItem(record);
            }
            added();
        };
        w.GoOn = [this](const QList<ClipResult> &done) { runs << done; };
        return w;
    }
};

} // namespace

TEST(RestoreSteps, TheListLeftBehindStaysOnDiskUntilBothQuestionsAreAnswered) {
    const SavedList left = CutRun(5, kShown);
    Restart yes(left);
    yes.answers = {true, true};
    yes.restore->Offer();
    ASSERT_EQ(yes.questions.size(), 2);
    EXPECT_EQ(yes.on_disk, QStringList(2, QString::fromUtf8(left.ToJson())));
    EXPECT_EQ(yes.device, 5);
    EXPECT_EQ(yes.clips.Count(), 2);
    EXPECT_EQ(yes.clips.Get(1)->StartTime, 2);
    ASSERT_EQ(yes.runs.size(), 1);
    EXPECT_EQ(yes.runs[0].size(), 1);
    EXPECT_FALSE(yes.restore->Busy());

    // No to the run: the restored list replaces the one left behind, without a run.
    Restart no_run(left);
    no_run.answers = {true, false};
    no_run.restore->Offer();
    EXPECT_TRUE(no_run.runs.isEmpty());
    EXPECT_EQ(no_run.Saved().count("\"file\""), 2);
    EXPECT_FALSE(no_run.Saved().contains("\"run\""));
}

TEST(RestoreSteps, ARunWhoseProfileOrDeviceIsGoneAsksNamingWhatIsMissing) {
    Restart profile_gone(CutRun(5, kGone));
    profile_gone.answers = {true, false};
    profile_gone.restore->Offer();
    ASSERT_EQ(profile_gone.questions.size(), 2);
    EXPECT_EQ(profile_gone.questions[1],
              "The run cannot go on as it was: its profile \"Gone 1080p\" is no longer in the "
              "list.\nGo on with it from clip 2 of 2 with the profile now chosen, \"Phone "
              "720p\"?\nThe clips converted before it keep their files.");
    EXPECT_TRUE(profile_gone.runs.isEmpty()) << "No: nothing is converted";

    Restart device_gone(CutRun(9, kGone));
    device_gone.answers = {true, true};
    device_gone.restore->Offer();
    ASSERT_EQ(device_gone.questions.size(), 2);
    EXPECT_TRUE(device_gone.questions[1].startsWith(
        "The run cannot go on as it was: its device (number 9) is not one this program knows."));
    EXPECT_EQ(device_gone.device, -1) << "no device is chosen for it";
    EXPECT_EQ(device_gone.runs.size(), 1);
}
