// Faults during a real run through the real engine: the output folder taken away mid-clip and
// the disk filling up. The run ends and says which clip failed, finished outputs stay, no
// partial file is left and a file that was there before is never overwritten.
#include "RunFixture.h"
#include "common/Globals.h"
#include "media.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/mount.h>

using namespace run_test;

namespace {

QByteArray ReadFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every clip the run calls finished has its file; a failed one is named with a reason.
void ExpectHonestEnd(const RunSetup &setup) {
    for (const ClipResult &r : setup.run->Results()) {
        if (r.Outcome == ClipOutcome::Finished) {
            EXPECT_TRUE(QFile::exists(r.Output)) << r.Output.toStdString();
        }
    }
}

} // namespace

TEST(RunFaults, TheOutputFolderRemovedMidClipFailsTheClipByName) {
    RunSetup setup;
    setup.ChooseProfile();
    setup.AddClip(LongClip(60));
    const QByteArray before = ReadFile(LongClip(60));
    bool removed = false;
    QObject::connect(setup.run.get(), &ConversionRun::StatusLine, [&] {
        if (!removed)
            removed = QDir(setup.folder).removeRecursively();
    });
    ASSERT_TRUE(setup.StartAndWait());
    ASSERT_TRUE(removed);
    ASSERT_EQ(setup.run->Results().size(), 1);
    EXPECT_EQ(setup.run->Results()[0].Outcome, ClipOutcome::Failed);
    ASSERT_EQ(setup.boxes.size(), 1u) << setup.BoxTexts().join(" | ").toStdString();
    std::printf("box: %s\n", setup.boxes[0].text.toStdString().c_str());
    EXPECT_TRUE(setup.boxes[0].text.startsWith(
        "1 of 1 clips could not be converted:\n\nrun_long60.avi: the output file is gone"))
        << setup.boxes[0].text.toStdString();
    EXPECT_FALSE(QDir(setup.folder).exists()) << "the folder is not made again behind the user";
    EXPECT_EQ(ReadFile(LongClip(60)), before) << "the source is as it was";
}

TEST(RunFaults, AFullDiskFailsTheClipAndKeepsWhatWasThere) {
    RunSetup setup;
    const QString disk = setup.out.path() + "/small_disk";
    ASSERT_TRUE(QDir().mkpath(disk));
    if (mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=2m") != 0)
        GTEST_SKIP() << "a small disk cannot be mounted here (needs root): " << strerror(errno);
    struct Unmount {
        QByteArray path;
        ~Unmount() { umount2(path.constData(), MNT_DETACH); }
    } unmount{QFile::encodeName(disk)};
    // A file of the user's under the name the first output would take.
    {
        QFile mine(disk + "/clip.MP4");
        ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
        mine.write("mine");
    }
    path_Work = disk + "/";
    setup.ChooseProfile();
    setup.AddClip(Media("avi"));
    setup.AddClip(LongClip(60)); // larger than the disk at this profile
    const QByteArray before = ReadFile(LongClip(60));

    ASSERT_TRUE(setup.StartAndWait());
    const QList<ClipResult> &results = setup.run->Results();
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results[0].Outcome, ClipOutcome::Finished);
    EXPECT_EQ(results[1].Outcome, ClipOutcome::Failed);
    ExpectHonestEnd(setup);
    ASSERT_EQ(setup.boxes.size(), 1u) << setup.BoxTexts().join(" | ").toStdString();
    std::printf("box: %s\n", setup.boxes[0].text.toStdString().c_str());
    EXPECT_TRUE(setup.boxes[0].text.contains(
                    "run_long60.avi: cannot write the output file: the disk is full") ||
                setup.boxes[0].text.contains(
                    "run_long60.avi: cannot finish the output file: the disk is full"))
        << setup.boxes[0].text.toStdString();
    EXPECT_EQ(ReadFile(disk + "/clip.MP4"), "mine");
    const QStringList left = QDir(disk).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(left.size(), 2) << left.join(",").toStdString() << ": no partial file";
    for (const QString &name : left) {
        if (name != "clip.MP4") {
            EXPECT_NEAR(media::ProbeNumber((disk + "/" + name).toStdString(), "", "duration"), 6,
                        0.3);
        }
    }
    EXPECT_EQ(ReadFile(LongClip(60)), before) << "the source is as it was";
}
