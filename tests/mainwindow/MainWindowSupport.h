#pragma once
// The real main window in the test process: its engine is the fake engine that lies beside the
// test program (the program folder of these tests), its skin the built one, its folders and
// settings in a temporary home. Message boxes are recorded instead of shown.

#include "app/MainWindow.h"
#include "common/Globals.h"
#include "controls/ImageItem.h"
#include "controls/ListPanel.h"
#include "desktop/MessageBox.h"
#include "model/ClipList.h"
#include "model/Settings.h"
#include "skin/SkinLoader.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <dlfcn.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace mainwindow_test {

// The fake engine's own entries (see tests/fake_engine/fake_engine.h), from the library the
// main window loads. The test holds a reference of its own, so the library (and its counts)
// stays while main windows come and go.
inline void *FakeEngineEntry(const char *name) {
    static void *library = dlopen(
        QFile::encodeName(QCoreApplication::applicationDirPath() + "/libEncoder.so").constData(),
        RTLD_NOW);
    void *entry = library != nullptr ? dlsym(library, name) : nullptr;
    EXPECT_NE(entry, nullptr) << name;
    return entry;
}
inline int FakeEngine_InfoCalls() {
    return reinterpret_cast<int (*)()>(FakeEngineEntry("FakeEngine_InfoCalls"))();
}
inline int FakeEngine_InfoCallsRunning() {
    return reinterpret_cast<int (*)()>(FakeEngineEntry("FakeEngine_InfoCallsRunning"))();
}
inline int FakeEngine_InfoCallsOnMainThread() {
    return reinterpret_cast<int (*)()>(FakeEngineEntry("FakeEngine_InfoCallsOnMainThread"))();
}
inline void FakeEngine_MarkMainThread() {
    reinterpret_cast<void (*)()>(FakeEngineEntry("FakeEngine_MarkMainThread"))();
}
inline void FakeEngine_Reset() {
    reinterpret_cast<void (*)()>(FakeEngineEntry("FakeEngine_Reset"))();
}

// Runs the event loop until pred holds; false after the timeout.
inline bool ProcessUntil(const std::function<bool()> &pred, int timeout_ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

inline void ProcessFor(int ms) {
    ProcessUntil([] { return false; }, ms);
}

struct Box {
    BoxKind kind;
    QString text;
    int listed; // entries in the list when the box came up
};

// Answers the next open dialog: the typed text (names in double quotes, several allowed) and
// OK, or Cancel for an empty list. Counts the dialogs it saw.
class DialogAnswer {
public:
    // settle_ms: the dialog is taken to the files' folder and may list it this long before the
    // names are given in it (files of one folder); 0 gives the whole paths at once.
    explicit DialogAnswer(QStringList files, int settle_ms = 0)
        : files_(std::move(files)), settle_ms_(settle_ms) {
        QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
        poll_.start(10);
    }
    int Seen() const { return seen_; }
    QString Filter() const { return filter_; }

private:
    void Poll() {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        if (settle_ms_ > 0 && !settled_) {
            // As a person picks them: in their folder, by name, once the dialog lists it.
            settled_ = true;
            dialog->setDirectory(QFileInfo(files_.first()).path());
            for (QString &file : files_)
                file = QFileInfo(file).fileName();
            poll_.setInterval(settle_ms_);
            return;
        }
        ++seen_;
        poll_.stop();
        filter_ = dialog->nameFilters().join(";;");
        if (files_.isEmpty()) {
            dialog->reject();
            return;
        }
        QStringList quoted;
        for (const QString &file : files_)
            quoted << "\"" + file + "\"";
        auto *edit = dialog->findChild<QLineEdit *>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        edit->setText(quoted.join(' '));
        // The dialog's own OK: it checks and takes the typed names.
        static_cast<QDialog *>(dialog)->accept();
    }

    QStringList files_;
    int settle_ms_ = 0;
    bool settled_ = false;
    QTimer poll_;
    int seen_ = 0;
    QString filter_;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/config").toUtf8());
        QDir().mkdir(home_.path() + "/config");
        QDir().mkdir(home_.path() + "/program");
        QDir().mkdir(home_.path() + "/clips");
        InitFolderPaths(home_.path() + "/program/", true);
        path_Skin = QStringLiteral(MAVO_BIN_DIR "/Skin/");
        UseOutputFolder(home_.path() + "/output/");
        SetMessageBoxHandler([this](BoxKind kind, const QString &text, BoxButtons) {
            boxes.push_back({kind, text, window != nullptr ? window->TP_ImageList->Count() : -1});
            return static_cast<int>(IDOK);
        });
        FakeEngine_Reset();
        FakeEngine_MarkMainThread();
        window = std::make_unique<TMainWindow>();
        MainWindow = window.get();
        ASSERT_TRUE(window->StartedUp());
        ASSERT_TRUE(ApplySkin(window.get(), path_Skin));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        window.reset();
        MainWindow = nullptr;
        SetMessageBoxHandler(nullptr);
    }

    // An (empty) file in the clips folder; the fake engine answers by its name.
    QString Clip(const QString &name) {
        const QString path = home_.path() + "/clips/" + name;
        QFile file(path);
        if (!file.exists() && file.open(QIODevice::WriteOnly))
            file.write("clip");
        return path;
    }
    QString ClipsFolder() const { return home_.path() + "/clips"; }

    // Presses the add button and answers its dialog with these files.
    int AddThroughDialog(const QStringList &files, int settle_ms = 0) {
        DialogAnswer answer(files, settle_ms);
        QTest::mouseClick(window->TB_AddFile, Qt::LeftButton, {},
                          window->TB_AddFile->rect().center());
        return answer.Seen();
    }
    bool WaitForAddToEnd() {
        return ProcessUntil([this] { return !window->AddingFiles; });
    }

    QStringList ListedFiles() const {
        QStringList names;
        for (const ClipRecord &clip : window->Clips()->Records())
            names << QFileInfo(clip.FileName).fileName();
        return names;
    }
    // The record an entry draws.
    const ClipRecord &RecordOf(const Image_Item *item) const {
        return *window->Clips()->Find(item->ClipId);
    }
    QStringList SnapshotFiles() const {
        return QDir(path_Snapshot).entryList(QDir::Files | QDir::Hidden);
    }

    std::unique_ptr<TMainWindow> window;
    std::vector<Box> boxes;

private:
    QTemporaryDir home_;
};

} // namespace mainwindow_test
