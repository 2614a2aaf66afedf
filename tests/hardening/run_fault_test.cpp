// Faults during a real run through the real engine: the output folder taken away mid-clip, the
// disk filling up, the engine refusing the clips and the converter killed mid-clip. The run ends
// and says which clip failed, finished outputs stay, no partial file is left and a file that was
// there before is never overwritten.
#include "RunFixture.h"
#include "common/Globals.h"
#include "engine/EngineBinding.h"
#include "media.h"
#include "model/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

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
    UseOutputFolder(disk + "/");
    setup.ChooseProfile();
    setup.AddClip(Media("avi"));
    setup.AddClip(LongClip(60)); // larger than the disk at this profile
    const QByteArray before = ReadFile(LongClip(60));

    // The disc's real free space: Start sees that the files will not fit and writes nothing.
    Press(setup.window->TB_Start);
    EXPECT_FALSE(setup.run->Converting());
    ASSERT_EQ(setup.boxes.size(), 1u);
    EXPECT_TRUE(setup.boxes[0].text.startsWith(RunStartMessage(RunStart::NoSpace)))
        << setup.boxes[0].text.toStdString();
    EXPECT_EQ(QDir(disk).entryList(QDir::Files), QStringList{"clip.MP4"});
    setup.boxes.clear();

    // The disc fills all the same, as when something else writes to it during the run (the
    // check is told of room that is not there).
    qputenv("MAVO_FREE_BYTES", "1000000000");
    const bool ended = setup.StartAndWait();
    qunsetenv("MAVO_FREE_BYTES");
    ASSERT_TRUE(ended);
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

// Another conversion holds the engine library, which then refuses every clip of the run.
TEST(RunFaults, AnEngineThatRefusesTheClipsEndsTheRunAndNamesEach) {
    RunSetup setup;
    setup.ChooseProfile();
    setup.AddClip(Media("avi"));
    setup.AddClip(Media("mpg"));
    const QByteArray before = ReadFile(Media("avi")) + ReadFile(Media("mpg"));

    QTemporaryDir other_folder;
    bool other_ended = false;
    MessagePort other_port([&](UINT msg, WPARAM, LPARAM) {
        other_ended = other_ended || msg == WM_CONVERTDONE;
        return LRESULT{0};
    });
    const auto profile = ReadProfileSettings(kProfile, ".MP4", "mp4");
    ASSERT_TRUE(profile);
    const TConvertDef other =
        PrepareClip({LongClip(60), 0, 60, 640, 480}, *profile, other_folder.path() + "/", false);
    QByteArrayList texts;
    std::vector<char *> argv;
    for (const QString &text : ArgumentList(other))
        texts << text.toUtf8();
    for (QByteArray &text : texts)
        argv.push_back(text.data());
    ASSERT_EQ(DllConvert(other_port.Handle(), static_cast<int>(argv.size()), argv.data()), 0);

    ASSERT_TRUE(setup.StartAndWait());
    DllStop();
    QElapsedTimer waited;
    waited.start();
    while (!other_ended && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(other_ended);

    for (const ClipResult &r : setup.run->Results())
        EXPECT_EQ(r.Outcome, ClipOutcome::Failed) << r.Source.toStdString();
    EXPECT_EQ(
        setup.BoxTexts(),
        QStringList{
            "2 of 2 clips could not be converted:\n"
            "\nclip.avi: the engine did not take the clip: it is busy with another conversion"
            "\nclip.mpg: the engine did not take the clip: it is busy with another conversion"});
    EXPECT_TRUE(setup.OutputFiles().isEmpty()) << setup.OutputFiles().join(",").toStdString();
    EXPECT_TRUE(setup.opened.isEmpty()) << "nothing came of the run: no folder opens";
    EXPECT_EQ(ReadFile(Media("avi")) + ReadFile(Media("mpg")), before);
}

namespace {

// mavo-convert with a home of its own.
struct Converter {
    QTemporaryDir home;
    QString Config() const { return home.path() + "/config"; }
    QString Output() const { return home.path() + "/out"; }
    QString Notes() const { return Config() + "/Vidore4/Unfinished"; }
    void Start(QProcess &process, const QString &clip) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", Config());
        process.setProcessEnvironment(env);
        process.start(MAVO_BIN_DIR "/mavo-convert", {"--quiet", "--output", Output(), clip});
        ASSERT_TRUE(process.waitForStarted(10000));
    }
    QStringList Outputs() const { return QDir(Output()).entryList(QDir::Files, QDir::Name); }
};

void WriteNote(const QString &folder, qint64 pid, const QString &output, uint64_t inode) {
    QFile note(folder + "/" + QString::number(pid));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.write("0\n0\n" + QByteArray::number(inode) + "\n" + QFile::encodeName(output));
}

} // namespace

// Killed mid-clip, the converter cannot remove what it was writing; its next start does, and
// only that file.
TEST(RunFaults, AConversionKilledMidClipLeavesNoPartialFileOnceStartedAgain) {
    Converter cli;
    ASSERT_TRUE(QDir().mkpath(cli.Output()));
    const QByteArray source = ReadFile(LongClip(60));
    QProcess first;
    cli.Start(first, LongClip(60));
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60000 &&
           (cli.Outputs().size() != 1 ||
            QFileInfo(cli.Output() + "/" + cli.Outputs()[0]).size() < 256 * 1024))
        QThread::msleep(20);
    ASSERT_EQ(cli.Outputs().size(), 1) << "no output is being written";
    const QString partial = cli.Output() + "/" + cli.Outputs()[0];
    first.kill();
    ASSERT_TRUE(first.waitForFinished(10000));
    // What a kill leaves on disk: the partial file and the note that names it.
    EXPECT_TRUE(QFileInfo::exists(partial));
    EXPECT_EQ(QDir(cli.Notes()).entryList(QDir::Files).size(), 1);

    // Notes not to act on: a running process's, and a gone one's whose file is not the one noted.
    const QString mine = cli.Output() + "/mine.MP4";
    {
        QFile file(mine);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("mine");
    }
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(mine).constData(), &st), 0);
    WriteNote(cli.Notes(), getpid(), mine, 0);
    QProcess gone;
    gone.start("true", QStringList{});
    ASSERT_TRUE(gone.waitForStarted(10000));
    const qint64 gone_pid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished(10000));
    WriteNote(cli.Notes(), gone_pid, mine, st.st_ino + 1);

    QProcess second;
    cli.Start(second, Media("avi"));
    ASSERT_TRUE(second.waitForFinished(120000));
    const QString said = QString::fromUtf8(second.readAllStandardError());
    EXPECT_EQ(second.exitCode(), 0) << said.toStdString();
    EXPECT_FALSE(QFileInfo::exists(partial)) << "the partial file is gone";
    EXPECT_TRUE(said.contains("removed " + partial)) << said.toStdString();
    EXPECT_EQ(ReadFile(mine), "mine");
    EXPECT_EQ(QDir(cli.Notes()).entryList(QDir::Files), QStringList{QString::number(getpid())});
    EXPECT_EQ(cli.Outputs(), QStringList({"clip.MP4", "mine.MP4"}));
    EXPECT_NEAR(media::ProbeNumber((cli.Output() + "/clip.MP4").toStdString(), "", "duration"), 6,
                0.3);
    EXPECT_EQ(ReadFile(LongClip(60)), source) << "the source is as it was";
}

// A size-capped conversion killed in its first pass leaves its two-pass folder in the temporary
// folder; the next start removes it, with the partial output.
TEST(RunFaults, AKilledTwoPassConversionLeavesNoPassFolderOnceStartedAgain) {
    Converter cli;
    const QString temp = cli.home.path() + "/tmp";
    ASSERT_TRUE(QDir().mkpath(temp));
    const auto start = [&](QProcess &process, const QStringList &arguments) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", cli.home.path());
        env.insert("XDG_CONFIG_HOME", cli.Config());
        env.insert("TMPDIR", temp);
        process.setProcessEnvironment(env);
        process.start(MAVO_BIN_DIR "/mavo-convert",
                      QStringList{"--quiet", "--output", cli.Output()} + arguments);
        return process.waitForStarted(10000);
    };
    const auto pass_folders = [&] { return QDir(temp).entryList({"mavo-passes-*"}, QDir::Dirs); };
    QProcess first;
    ASSERT_TRUE(start(first, {"--device", "share", "--profile", "0", LongClip(60)}));
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60000 &&
           (pass_folders().size() != 1 ||
            QDir(temp + "/" + pass_folders().value(0)).entryList(QDir::Files).isEmpty()))
        QThread::msleep(20);
    ASSERT_EQ(pass_folders().size(), 1) << "no first pass is being made";
    first.kill();
    ASSERT_TRUE(first.waitForFinished(10000));
    const QString left = temp + "/" + pass_folders().value(0);
    ASSERT_TRUE(QFileInfo(left).isDir()) << "a kill leaves the folder";

    QProcess second;
    ASSERT_TRUE(start(second, {Media("avi")}));
    ASSERT_TRUE(second.waitForFinished(120000));
    const QString said = QString::fromUtf8(second.readAllStandardError());
    EXPECT_EQ(second.exitCode(), 0) << said.toStdString();
    EXPECT_TRUE(pass_folders().isEmpty()) << pass_folders().join(",").toStdString();
    EXPECT_TRUE(said.contains("removed " + left)) << said.toStdString();
}
