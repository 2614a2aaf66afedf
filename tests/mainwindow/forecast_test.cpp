// The list's entries tell the file each clip will become, and tell it again when the profile or
// the marks change.
#include "MainWindowSupport.h"

#include "app/ClipAdder.h"
#include "profiles/ProfileCatalogue.h"

#include <QComboBox>
#include <QRegularExpression>

using namespace mainwindow_test;

namespace {

// The hint's line "Output : 320x240, 29.97 fps, 2.0 MB; plays on iPod" split into its frame and
// its size.
QStringList FrameAndSize(const QString &hint) {
    const QRegularExpressionMatch m =
        QRegularExpression(R"(^Output : (\d+x\d+), [0-9.]+ fps, ([0-9.]+ [KMG]B); )",
                           QRegularExpression::MultilineOption)
            .match(hint);
    return m.hasMatch() ? QStringList{m.captured(1), m.captured(2)} : QStringList{};
}

double Megabytes(const QString &size) {
    const double scale = size.endsWith("GB") ? 1000 : size.endsWith("KB") ? 0.001 : 1;
    return size.section(' ', 0, 0).toDouble() * scale;
}

} // namespace

TEST_F(WindowTest, EntriesShowThePredictedFileOfTheChosenProfile) {
    AddedClip clip;
    clip.record.FileName = Clip("talk.avi");
    clip.record.Duration = 600;
    clip.record.StopTime = 600;
    clip.record.VideoFormat = "mpeg4";
    clip.record.AudioFormat = "mp3";
    clip.record.InfoValues = {1280, 720, 25000, 2000, 44100, 2, 0, 0};
    clip.picture = QImage(80, 60, QImage::Format_RGB32);
    clip.picture.fill(Qt::darkCyan);
    window->AddClipEntry(clip);
    const Image_Item *item = window->TP_ImageList->Items.last();
    // The program's own catalogue, for the iPod's profiles.
    QFile::remove(ProfileCatalogue().Path());
    ASSERT_TRUE(QFile::copy(MAVO_SOURCE_DIR "/assets/Output.dll", ProfileCatalogue().Path()));
    window->SelectDevice(2);
    QComboBox *profiles = window->ComboBox_OutputSetting;
    ASSERT_GE(profiles->count(), 3);

    // Each profile's frame as its line gives it, and the entry follows the choice.
    QStringList frames;
    for (int i = 0; i < 3; ++i) {
        profiles->setCurrentIndex(i);
        const QStringList told = FrameAndSize(item->toolTip());
        ASSERT_EQ(told.size(), 2) << item->toolTip().toStdString();
        EXPECT_TRUE(profiles->currentText().contains("Video: " + told[0]))
            << profiles->currentText().toStdString() << " / " << told[0].toStdString();
        frames << told[0];
    }
    frames.removeDuplicates();
    EXPECT_GE(frames.size(), 2) << "the profiles differ in their frames";

    // A shorter part between the marks makes a smaller file.
    const QString whole = FrameAndSize(item->toolTip()).value(1);
    ClipList &clips = *window->Clips();
    ASSERT_TRUE(clips.SetCropTimes(clips.IndexOf(item->ClipId), 0, 60));
    const QString part = FrameAndSize(item->toolTip()).value(1);
    EXPECT_NEAR(Megabytes(part) * 10, Megabytes(whole), Megabytes(whole) * 0.01)
        << part.toStdString() << " of " << whole.toStdString();
}
