// Files and folders dropped on the main window.
#include "MainWindowSupport.h"

#include "app/ClipAdder.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

using namespace mainwindow_test;

namespace {

class DropTest : public WindowTest {
protected:
    // Drags the paths over the window and drops them; true when the window took the drag.
    bool Drop(const QStringList &paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        mime.setUrls(urls);
        const QPoint at(200, 200);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(window.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(window.get(), &drop);
        return drop.isAccepted();
    }
    QString Folder(const QString &name, const QStringList &files) {
        const QString folder = ClipsFolder() + "/" + name;
        QDir().mkdir(folder);
        for (const QString &file : files) {
            QFile f(folder + "/" + file);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        }
        return folder;
    }
};

TEST_F(DropTest, TwoFilesAndAFolderAddTheRightFilesInOrder) {
    const QString folder = Folder("trip", {"b-beach.AVI", "a-airport.mp4", "notes.txt", "c.3g2"});
    QDir().mkdir(folder + "/deeper");
    QFile deep(folder + "/deeper/d.avi");
    ASSERT_TRUE(deep.open(QIODevice::WriteOnly));
    // A dropped file is taken as it is, as the dialog's "All File" would take it.
    const QString first = Clip("z-first.avi");
    const QString last = Clip("y-last.dat");
    ASSERT_TRUE(Drop({first, folder, last}));
    ASSERT_TRUE(ProcessUntil([this] { return window->TP_ImageList->Count() == 5; }));
    ASSERT_TRUE(WaitForAddToEnd());
    EXPECT_EQ(ListedFiles(),
              QStringList({"z-first.avi", "a-airport.mp4", "b-beach.AVI", "c.3g2", "y-last.dat"}));
    EXPECT_EQ(FakeEngine_InfoCallsOnMainThread(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DropTest, OneDroppedFileIsAddedLikeOneChosenFileAndRefusalsAreNamed) {
    ASSERT_TRUE(Drop({Clip("only-unreadable.avi")}));
    ASSERT_TRUE(ProcessUntil([this] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].text, "This file could not be added:\n\nonly-unreadable.avi: could not be "
                             "read");
    EXPECT_EQ(FakeEngine_InfoCallsOnMainThread(), 1);
    ASSERT_TRUE(Drop({Clip("single.avi")}));
    ASSERT_TRUE(ProcessUntil([this] { return window->TP_ImageList->Count() == 1; }));
}

TEST_F(DropTest, DropsAreRefusedWhileAnAddRuns) {
    const QString gated = Clip("slow-gate.avi");
    AddThroughDialog({gated, Clip("two.avi")});
    ASSERT_TRUE(window->AddingFiles);
    EXPECT_FALSE(Drop({Clip("dropped.avi")}));
    QFile gate(gated + ".go");
    ASSERT_TRUE(gate.open(QIODevice::WriteOnly));
    ASSERT_TRUE(WaitForAddToEnd());
    ProcessFor(100);
    EXPECT_EQ(ListedFiles(), QStringList({"slow-gate.avi", "two.avi"}));
}

TEST(DropList, FoldersGiveTheirMediaFilesOnlyOneLevelDeep) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("inner");
    for (const char *name : {"B.MOV", "a.vob", "c.divx", "readme", "x.avi.part", "inner/e.avi"}) {
        QFile file(dir.path() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QStringList files =
        FilesToAdd({dir.path(), dir.path() + "/gone.avi", dir.path() + "/readme"});
    QStringList names;
    for (const QString &file : files)
        names << QFileInfo(file).fileName();
    EXPECT_EQ(names, QStringList({"a.vob", "B.MOV", "c.divx", "readme"}));
    EXPECT_TRUE(IsSupportedMediaFile("/x/clip.XviD"));
    EXPECT_FALSE(IsSupportedMediaFile("/x/mp4"));
}

} // namespace
