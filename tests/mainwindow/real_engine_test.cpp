// Reading clips with the real engine: clips made with the ffmpeg CLI become records with their
// thumbnails; files without pictures are refused for the right reason.
#include "app/ClipAdder.h"
#include "common/Globals.h"
#include "desktop/MessageBox.h"
#include "engine/EngineBinding.h"
#include "media.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class RealEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadEngine(QStringLiteral(MAVO_BIN_DIR "/")));
        DllInit();
        ASSERT_TRUE(snapshot_.isValid());
        path_Snapshot = snapshot_.path() + "/";
    }
    void TearDown() override {
        UnloadEngine();
        SetMessageBoxHandler(nullptr);
    }
    static QString Fixture(const char *name) {
        return QString::fromStdString(media::Fixture(name));
    }
    QStringList SnapshotFiles() const {
        return QDir(path_Snapshot).entryList(QDir::Files | QDir::Hidden);
    }

    QTemporaryDir snapshot_;
};

TEST_F(RealEngineTest, AClipBecomesARecordWithItsThumbnail) {
    const QString clip = Fixture("mp4");
    const ClipReading reading = ReadClip(clip, ThumbnailFileName(0));
    ASSERT_EQ(reading.refusal, ClipRefusal::None);
    const ClipRecord &record = reading.clip.record;
    EXPECT_EQ(record.FileName, clip);
    EXPECT_EQ(record.Duration, 6);
    EXPECT_EQ(record.StopTime, 6) << "the whole clip";
    EXPECT_TRUE(record.VideoFormat.startsWith("h264")) << qPrintable(record.VideoFormat);
    EXPECT_EQ(record.AudioFormat, "aac");
    EXPECT_EQ(record.InfoValues[0], 320);
    EXPECT_EQ(record.InfoValues[1], 240);
    EXPECT_EQ(reading.clip.picture.size(), QSize(80, 60));
    EXPECT_TRUE(SnapshotFiles().isEmpty());

    // The display size, not the stored one.
    const ClipReading rotated = ReadClip(Fixture("rotated"), ThumbnailFileName(0));
    ASSERT_EQ(rotated.refusal, ClipRefusal::None);
    EXPECT_EQ(rotated.clip.record.InfoValues[0], 240);
    EXPECT_EQ(rotated.clip.record.InfoValues[1], 320);

    // A clip of several sound tracks brings their names and the engine's choice.
    const ClipReading tracks = ReadClip(Fixture("tracks"), ThumbnailFileName(0));
    ASSERT_EQ(tracks.refusal, ClipRefusal::None);
    EXPECT_EQ(tracks.clip.record.SoundTracks,
              QStringList({"English, 5.1", "French, stereo (default)"}));
    EXPECT_EQ(tracks.clip.record.DefaultSoundTrack, 1);
    EXPECT_EQ(tracks.clip.record.SoundTrack, -1);
}

TEST_F(RealEngineTest, AFolderOfTodaysContainersIsAddedWhole) {
    // Each kind copied into one folder under its own extension, upper case for one of them, as
    // a camera card or a download folder holds them.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QStringList expected;
    for (const std::string &kind : media::TodayTypes()) {
        const QString name = kind == "mts" ? "CLIP.MTS" : QString::fromStdString("clip." + kind);
        ASSERT_TRUE(QFile::copy(Fixture(kind.c_str()), folder.path() + "/" + name));
        expected << name;
    }
    expected.sort(Qt::CaseInsensitive);
    QStringList boxes;
    SetMessageBoxHandler([&](BoxKind, const QString &text, BoxButtons) {
        boxes << text;
        return static_cast<int>(IDOK);
    });
    bool adding = false;
    QStringList delivered;
    ClipAdder adder(adding, [&](const AddedClip &clip) {
        delivered << QFileInfo(clip.record.FileName).fileName();
    });
    bool finished = false;
    QObject::connect(&adder, &ClipAdder::Finished, [&] { finished = true; });
    ASSERT_TRUE(adder.Add(FilesToAdd({folder.path()}), 0));
    QElapsedTimer timer;
    timer.start();
    while (!finished && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(finished);
    EXPECT_EQ(boxes, QStringList());
    EXPECT_EQ(delivered, expected);
    EXPECT_TRUE(MediaFileFilter().startsWith("Support Media File (*.mpg *.MPG "));
    for (const QString &name : expected)
        EXPECT_TRUE(MediaFileFilter().contains("*." + QFileInfo(name).suffix().toLower()))
            << qPrintable(name);
}

TEST_F(RealEngineTest, AnEntryThatFailsLeavesTheAddWorking) {
    bool adding = false;
    int made = 0;
    bool fail = true;
    ClipAdder adder(adding, [&](const AddedClip &) {
        if (std::exchange(fail, false))
            throw std::runtime_error("no entry");
        ++made;
    });
    EXPECT_THROW(adder.Add({Fixture("avi")}, 0), std::runtime_error);
    EXPECT_FALSE(adding);
    // The next add makes its entry, and so does one on the thread.
    ASSERT_TRUE(adder.Add({Fixture("mov")}, 0));
    EXPECT_EQ(made, 1);
    bool finished = false;
    QObject::connect(&adder, &ClipAdder::Finished, [&] { finished = true; });
    ASSERT_TRUE(adder.Add({Fixture("avi"), Fixture("mov")}, 0));
    QElapsedTimer timer;
    timer.start();
    while (!finished && timer.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(finished);
    EXPECT_EQ(made, 3);
}

TEST_F(RealEngineTest, FilesWithoutPicturesAreRefusedForTheirReason) {
    EXPECT_EQ(ReadClip(Fixture("audio"), ThumbnailFileName(0)).refusal, ClipRefusal::NoVideo);
    EXPECT_EQ(ReadClip(Fixture("text"), ThumbnailFileName(0)).refusal, ClipRefusal::Unreadable);
    EXPECT_EQ(ReadClip(Fixture("zero"), ThumbnailFileName(0)).refusal, ClipRefusal::Unreadable);
    EXPECT_EQ(ReadClip(path_Snapshot + "missing.avi", ThumbnailFileName(0)).refusal,
              ClipRefusal::Unreadable);
    EXPECT_TRUE(SnapshotFiles().isEmpty());
}

TEST_F(RealEngineTest, AVideoWithoutADecoderIsRefusedNamingItsCodec) {
    const std::string vvc = media::TodayFile("real_vvc_320x180.mp4");
    if (vvc.empty())
        GTEST_SKIP() << "the real files of today's sources are not there";
    const ClipReading reading = ReadClip(QString::fromStdString(vvc), ThumbnailFileName(0));
    EXPECT_EQ(reading.refusal, ClipRefusal::UnreadableCodec);
    EXPECT_EQ(RefusalMessage({{reading.file, reading.refusal, reading.reason}}),
              "This file could not be added:\n\nreal_vvc_320x180.mp4: H.266/VVC video cannot be "
              "read");
}

TEST_F(RealEngineTest, SeveralClipsAreReadOnTheThreadAndDeliveredInOrder) {
    QStringList boxes;
    SetMessageBoxHandler([&](BoxKind, const QString &text, BoxButtons) {
        boxes << text;
        return static_cast<int>(IDOK);
    });
    bool adding = false;
    QStringList delivered;
    ClipAdder adder(adding, [&](const AddedClip &clip) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        EXPECT_FALSE(clip.picture.isNull());
        delivered << QFileInfo(clip.record.FileName).fileName();
    });
    bool finished = false;
    QObject::connect(&adder, &ClipAdder::Finished, [&] { finished = true; });
    ASSERT_TRUE(adder.Add(
        {Fixture("avi"), Fixture("audio"), Fixture("mov"), Fixture("text"), Fixture("avi")}, 0));
    EXPECT_TRUE(adding);
    EXPECT_FALSE(adder.Add({Fixture("mp4")}, 0)) << "one add at a time";
    QElapsedTimer timer;
    timer.start();
    while (!finished && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(finished);
    EXPECT_FALSE(adding);
    const QString avi = QFileInfo(Fixture("avi")).fileName();
    EXPECT_EQ(delivered, QStringList({avi, QFileInfo(Fixture("mov")).fileName(), avi}));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0], "These files could not be added:\n\n" +
                            QFileInfo(Fixture("audio")).fileName() + ": no video stream\n" +
                            QFileInfo(Fixture("text")).fileName() + ": could not be read");
    EXPECT_TRUE(SnapshotFiles().isEmpty());
}

} // namespace
