// The real program on an X display of its own (run under xvfb-run), killed in the middle of a
// run and started again, and killed again at each step of the restore: the list comes back with
// its marks and the run goes on from the clip that was cut, so that every clip is converted
// exactly once, and files handed over meanwhile join the list after it.
#include "desktop_support.h"
#include "media.h"
#include "program_copy.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QPoint>
#include <functional>
#include <gtest/gtest.h>

namespace {

QByteArray Digest(const QString &path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (file.open(QIODevice::ReadOnly))
        hash.addData(&file);
    return hash.result();
}

QString Text(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Answers the program's next question box with Return (its default button is Yes).
bool AnswerYes() {
    const QString box = WaitForWindow("Mavo iPod Converter");
    if (box.isEmpty())
        return false;
    XDoTool({"windowfocus", "--sync", box});
    XDoTool({"key", "Return"});
    // The box is gone before the next one can come.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000 &&
           !XDoTool({"search", "--onlyvisible", "--name", "^Mavo iPod Converter$"}).isEmpty())
        QThread::msleep(100);
    return true;
}

template <typename Check> bool WaitUntil(Check check, int timeout_ms) {
    QElapsedTimer timer;
    timer.start();
    while (!check()) {
        if (timer.elapsed() > timeout_ms)
            return false;
        QThread::msleep(100);
    }
    return true;
}

} // namespace

TEST(RestoreDesktop, AKilledRunIsRestoredAndGoesOnConvertingEveryClipOnce) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    const QString sources = QString::fromStdString(media::ScratchDir("restore_desktop"));
    const QString party = sources + "/party.avi";
    const QString longer = sources + "/long.avi";
    const QString garden = sources + "/garden.mov";
    QFile::remove(party);
    QFile::remove(garden);
    ASSERT_TRUE(QFile::copy(QString::fromStdString(media::Fixture("avi")), party));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(media::Fixture("mov")), garden));
    if (!QFileInfo::exists(longer)) {
        ASSERT_EQ(media::Run("ffmpeg -nostdin -v error -y -f lavfi -i "
                             "testsrc2=size=640x480:rate=25:duration=60 -f lavfi -i "
                             "sine=frequency=440:duration=60 -c:v mpeg4 -q:v 5 -c:a libmp3lame " +
                             media::Quote(longer.toStdString())),
                  0);
    }
    const QList<QByteArray> before = {Digest(party), Digest(longer), Digest(garden)};
    const QString saved = program.Home() + "/config/Vidore4/ClipList.json";
    const QString out = program.Home() + "/MavoOutput/";

    QProcess first;
    program.Start(first, "", {party, longer, garden});
    const QString main = WaitForWindow("Vidore4 Converter");
    ASSERT_FALSE(main.isEmpty()) << ProgramCopy::Output(first);
    ASSERT_TRUE(WaitUntil([&] { return Text(saved).count("\"file\"") == 3; }, 30000))
        << "the list of three clips is not saved";
    ClickAt(main, SkinPlace(program.Folder(), "MainWindow", "TB_Convert").center());
    QThread::msleep(1000);
    ClickProgressStart(program.Folder());
    // Killed while the long clip is half written.
    ASSERT_TRUE(WaitUntil([&] { return QFileInfo(out + "long.MP4").size() > 256 * 1024; }, 120000))
        << ProgramCopy::Output(first);
    first.kill();
    ASSERT_TRUE(first.waitForFinished(10000));
    ASSERT_TRUE(QFileInfo::exists(out + "party.MP4"));

    // Killed with the restore question open: nothing of the list or the run is lost.
    const auto kill_at = [&](const std::function<bool()> &step, const char *what) {
        QProcess again;
        program.Start(again, "");
        EXPECT_FALSE(WaitForWindow("Vidore4 Converter").isEmpty()) << what;
        EXPECT_TRUE(step()) << what << ": " << ProgramCopy::Output(again);
        again.kill();
        again.waitForFinished(10000);
        const QString left = Text(saved);
        EXPECT_EQ(left.count("\"file\""), 3) << what << ": " << left.toStdString();
        EXPECT_TRUE(left.contains("\"run\":{\"clip\":1")) << what << ": " << left.toStdString();
    };
    kill_at([] { return !WaitForWindow("Mavo iPod Converter").isEmpty(); }, "first question");
    kill_at([] { return AnswerYes() && !WaitForWindow("Mavo iPod Converter").isEmpty(); },
            "second question");
    // Answered at once: killed while the clips are added again (or just after).
    kill_at([] { return AnswerYes(); }, "re-add");
    // Killed again in the middle of the resumed run, with the long clip half written.
    kill_at(
        [&] {
            return AnswerYes() && AnswerYes() &&
                   WaitUntil([&] { return QFileInfo(out + "long.MP4").size() > 256 * 1024; },
                             120000);
        },
        "resumed run");

    // Opened with a file of its own: it joins the list after the restore. One handed over by
    // another start during the run waits for the run's end, and the run stays saved meanwhile.
    const QString extra = sources + "/extra.avi";
    const QString handed = sources + "/handed.avi";
    for (const QString &copy : {extra, handed}) {
        QFile::remove(copy);
        ASSERT_TRUE(QFile::copy(QString::fromStdString(media::Fixture("avi")), copy));
    }
    QProcess second;
    program.Start(second, "", {extra});
    ASSERT_FALSE(WaitForWindow("Vidore4 Converter").isEmpty()) << ProgramCopy::Output(second);
    ASSERT_TRUE(AnswerYes()) << "no question to restore the list";
    ASSERT_TRUE(AnswerYes()) << "no question to go on with the run";
    ASSERT_TRUE(WaitUntil([&] { return QFileInfo(out + "long.MP4").size() > 64 * 1024; }, 120000));
    QProcess hand_over;
    program.Start(hand_over, "", {handed});
    ASSERT_TRUE(hand_over.waitForFinished(20000));
    QThread::msleep(1000);
    // Still running, the run stays saved. On a fast machine it may have ended by now, and then
    // its last clip is written: read the list first, then look for that clip.
    const QString during = Text(saved);
    EXPECT_TRUE(during.contains("\"run\"") || QFileInfo::exists(out + "garden.MP4"))
        << during.toStdString();
    QStringList files;
    ASSERT_TRUE(WaitUntil(
        [&] {
            files = QDir(out).entryList({"*.MP4"}, QDir::Files, QDir::Name);
            return QFileInfo::exists(out + "garden.MP4");
        },
        120000))
        << ProgramCopy::Output(second);
    // Every clip converted exactly once: a second making would be numbered beside the first.
    QThread::msleep(1500); // the last file is closed before the end message
    EXPECT_EQ(files, QStringList({"garden.MP4", "long.MP4", "party.MP4"}));
    EXPECT_NEAR(media::ProbeNumber((out + "long.MP4").toStdString(), "", "duration"), 60, 0.5);
    EXPECT_NEAR(media::ProbeNumber((out + "garden.MP4").toStdString(), "", "duration"), 6, 0.3);
    EXPECT_EQ(QList<QByteArray>({Digest(party), Digest(longer), Digest(garden)}), before);
    // The run is over: both waiting files are in the list, and the list is saved without a run.
    ASSERT_TRUE(WaitUntil([&] { return Text(saved).count("\"file\"") == 5; }, 20000))
        << Text(saved).toStdString();
    EXPECT_TRUE(Text(saved).contains("extra.avi"));
    EXPECT_TRUE(Text(saved).contains("handed.avi"));
    EXPECT_FALSE(Text(saved).contains("\"run\""));

    // A normal close leaves nothing to restore.
    second.terminate();
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(saved));
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
