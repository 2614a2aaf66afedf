// Adding clips through the add button and the real open dialog, with the fake engine.
#include "MainWindowSupport.h"

#include "app/ClipAdder.h"
#include "desktop/Jpeg.h"
#include "engine/EngineBinding.h"
#include "preview/PreviewController.h"

#include <atomic>
#include <sys/stat.h>
#include <thread>

using namespace mainwindow_test;

namespace {

using AddClipsTest = WindowTest;

TEST_F(AddClipsTest, OneFileIsAddedBeforeTheClickReturns) {
    const QString path = Clip("holiday.avi");
    ASSERT_EQ(AddThroughDialog({path}), 1);
    // Nothing more was processed: the entry is there when the handler returns.
    ASSERT_EQ(window->TP_ImageList->Count(), 1);
    EXPECT_EQ(FakeEngine_InfoCallsOnMainThread(), 1);
    EXPECT_FALSE(window->AddingFiles);
    Image_Item *item = window->TP_ImageList->GetItem(0);
    EXPECT_EQ(RecordOf(item).FileName, path);
    EXPECT_EQ(RecordOf(item).Duration, 60);
    EXPECT_EQ(RecordOf(item).StartTime, 0);
    EXPECT_EQ(RecordOf(item).StopTime, 60);
    EXPECT_EQ(RecordOf(item).VideoFormat, "mpeg4 (XVID)");
    EXPECT_EQ(RecordOf(item).InfoValues[0], 320);
    // The thumbnail is drawn at (2, 2): not the entry's gray.
    EXPECT_NE(item->Picture().pixelColor(42, 32), QColor(128, 128, 128));
    // The first entry becomes the current one; its marks are on the bar.
    EXPECT_TRUE(item->Selected);
    EXPECT_EQ(window->Preview()->RangeClip(), item->ClipId);
    EXPECT_TRUE(SnapshotFiles().isEmpty()) << SnapshotFiles().join(' ').toStdString();
    EXPECT_TRUE(boxes.empty());

    // The same file again is a second entry; entries are never compared.
    AddThroughDialog({path});
    ASSERT_EQ(window->TP_ImageList->Count(), 2);
    EXPECT_EQ(RecordOf(window->TP_ImageList->GetItem(1)).FileName, path);
    EXPECT_FALSE(window->TP_ImageList->GetItem(1)->Selected);
}

TEST_F(AddClipsTest, TheDialogOffersTheMediaFilesThenAllFiles) {
    DialogAnswer answer({});
    QTest::mouseClick(window->TB_AddFile, Qt::LeftButton, {}, window->TB_AddFile->rect().center());
    ASSERT_EQ(answer.Seen(), 1);
    EXPECT_TRUE(answer.Filter().startsWith("Support Media File (*.mpg *.MPG *.avi *.AVI "))
        << answer.Filter().toStdString();
    EXPECT_TRUE(answer.Filter().contains("*.3g2 *.3G2 *.mkv *.MKV *.webm *.WEBM *.ts *.TS "));
    EXPECT_TRUE(answer.Filter().endsWith("*.mpeg *.MPEG *.mpe *.MPE);;All File (*)"));
    // Cancel adds nothing.
    EXPECT_EQ(window->TP_ImageList->Count(), 0);
    EXPECT_EQ(FakeEngine_InfoCalls(), 0);
}

TEST_F(AddClipsTest, SeveralFilesAreReadOnTheThreadInTheOrderChosen) {
    // The first file holds the engine until the test opens its gate.
    const QString gated = Clip("c-gate.avi");
    AddThroughDialog({gated, Clip("a.avi"), Clip("b.mpg")});
    EXPECT_TRUE(window->AddingFiles);
    EXPECT_EQ(window->TP_ImageList->Count(), 0);

    // The window keeps working meanwhile.
    bool answered = false;
    QMetaObject::invokeMethod(
        window.get(), [&] { answered = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(ProcessUntil([&] { return answered; }));
    EXPECT_TRUE(window->AddingFiles);
    // A second add and the play button do nothing while the add runs.
    EXPECT_EQ(AddThroughDialog({Clip("d.avi")}), 0) << "no dialog during an add";
    QTest::mouseClick(window->TB_Play, Qt::LeftButton, {}, window->TB_Play->rect().center());
    EXPECT_EQ(window->Preview()->PreviewClip(), 0);

    QFile gate(gated + ".go");
    ASSERT_TRUE(gate.open(QIODevice::WriteOnly));
    ASSERT_TRUE(WaitForAddToEnd());
    EXPECT_EQ(ListedFiles(), QStringList({"c-gate.avi", "a.avi", "b.mpg"}));
    EXPECT_EQ(FakeEngine_InfoCalls(), 3);
    EXPECT_EQ(FakeEngine_InfoCallsOnMainThread(), 0);
    EXPECT_TRUE(boxes.empty()) << "an add without refusals shows nothing";
    EXPECT_TRUE(SnapshotFiles().isEmpty());
    // Only the first entry was announced and selected.
    EXPECT_TRUE(window->TP_ImageList->GetItem(0)->Selected);
    EXPECT_FALSE(window->TP_ImageList->GetItem(2)->Selected);

    // Adding works again afterwards.
    AddThroughDialog({Clip("e.avi")});
    EXPECT_EQ(window->TP_ImageList->Count(), 4);
}

TEST_F(AddClipsTest, RefusedFilesStayOutAndAreNamedInOneBox) {
    AddThroughDialog({Clip("first.avi"), Clip("x-RV40.rm"), Clip("y-rV30.avi"),
                      Clip("talk-unknown.mp4"), Clip("broken-unreadable.avi"),
                      Clip("share-toolate.avi"), Clip("small-thumb1023.avi"),
                      Clip("exact-thumb1024.avi"), Clip("dark-nopic.avi")});
    ASSERT_TRUE(WaitForAddToEnd());
    EXPECT_EQ(ListedFiles(), QStringList({"first.avi", "exact-thumb1024.avi"}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].kind, BoxKind::Information);
    EXPECT_EQ(boxes[0].listed, 2) << "the box comes after the last entry";
    EXPECT_EQ(boxes[0].text.toStdString(), "These files could not be added:\n"
                                           "\nx-RV40.rm: video format not supported"
                                           "\ny-rV30.avi: video format not supported"
                                           "\ntalk-unknown.mp4: no video stream"
                                           "\nbroken-unreadable.avi: could not be read"
                                           "\nshare-toolate.avi: could not be read in time"
                                           "\nsmall-thumb1023.avi: no picture"
                                           "\ndark-nopic.avi: no picture");
    EXPECT_TRUE(SnapshotFiles().isEmpty());

    // A named pipe chosen with another file is named too.
    boxes.clear();
    const QString pipe = ClipsFolder() + "/pipe-unreadable.avi";
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    // The dialog has read its folder by then, as when a person picks the files.
    AddThroughDialog({Clip("second.avi"), pipe}, 500);
    ASSERT_TRUE(WaitForAddToEnd());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "This file could not be added:\n\npipe-unreadable.avi: could not be read");

    // One refused file on its own: the same box, right after.
    boxes.clear();
    AddThroughDialog({Clip("lonely-Rv10.avi")});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "This file could not be added:\n\nlonely-Rv10.avi: video format not "
                             "supported");
    EXPECT_EQ(window->TP_ImageList->Count(), 3);
}

TEST_F(AddClipsTest, AStaleThumbnailNeverBecomesAClipsPicture) {
    // A picture left in the snapshot folder, where the next clip's thumbnail goes.
    const QString stale = ThumbnailFileName(window->ErrorCount);
    AddThroughDialog({Clip("good.avi")});
    ASSERT_EQ(window->TP_ImageList->Count(), 1);
    // A good picture, made by the engine itself.
    ASSERT_EQ(DllGetFilePic("other.avi", 5, "80x60", QFile::encodeName(stale).constData()), 0);
    ASSERT_TRUE(LoadJpegFile(stale).has_value());
    boxes.clear();
    AddThroughDialog({Clip("nothing-nopic.avi")});
    EXPECT_EQ(window->TP_ImageList->Count(), 1);
    EXPECT_FALSE(QFileInfo::exists(stale));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.endsWith("nothing-nopic.avi: no picture"));
}

TEST_F(AddClipsTest, ClosingDuringAnAddWaitsForTheFileBeingRead) {
    const QString gated = Clip("first-gate.avi");
    AddThroughDialog({gated, Clip("second.avi"), Clip("third.avi")});
    ASSERT_TRUE(window->AddingFiles);
    ASSERT_TRUE(ProcessUntil([] { return FakeEngine_InfoCallsRunning() == 1; }));
    // The gate opens only some time after the window starts going away.
    std::atomic<bool> opened{false};
    std::thread opener([&] {
        QThread::msleep(300);
        opened = true;
        QFile gate(gated + ".go");
        (void)gate.open(QIODevice::WriteOnly);
    });
    window.reset();
    MainWindow = nullptr;
    EXPECT_TRUE(opened) << "the window went before the engine call ended";
    EXPECT_EQ(FakeEngine_InfoCallsRunning(), 0);
    const int calls = FakeEngine_InfoCalls();
    ProcessFor(400);
    EXPECT_EQ(FakeEngine_InfoCalls(), calls) << "the thread went on after the window was gone";
    opener.join();
}

// The files the program is opened with: plain paths become absolute from the working folder,
// file:// addresses become their paths, other addresses are left out.
TEST(OpenedPathsTest, PlainPathsAndFileAddressesBecomeLocalPaths) {
    const QString here = QDir::currentPath();
    const QStringList paths =
        OpenedPaths({"clip one.mp4", "/clips/a.avi", "file:///clips/b%20c.mkv",
                     "https://example.org/d.mp4", ""});
    EXPECT_EQ(paths, QStringList({here + "/clip one.mp4", "/clips/a.avi", "/clips/b c.mkv"}));
}

} // namespace
