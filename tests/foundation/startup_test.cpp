#include "app/MainWindow.h"
#include "common/Globals.h"
#include "desktop/MessageBox.h"
#include "engine/EngineBinding.h"
#include "model/Settings.h"
#include "program_copy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The test executable's own folder has no engine library, so a main window created here meets
// the missing-engine path.
TEST(StartUp, MissingEngineShowsTheOneMessageAndTouchesNothing) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QStringList boxes;
    SetMessageBoxHandler([&](BoxKind kind, const QString &text, BoxButtons buttons) {
        EXPECT_EQ(kind, BoxKind::Error);
        EXPECT_EQ(buttons, BoxButtons::Ok);
        boxes << text;
        return static_cast<int>(IDOK);
    });
    path_Snapshot.clear();
    {
        TMainWindow window;
        EXPECT_FALSE(window.StartedUp());
        EXPECT_EQ(window.Handle(), nullptr);
        EXPECT_FALSE(EngineLoaded());
        EXPECT_EQ(DllInit, nullptr);
        EXPECT_EQ(DllStop, nullptr);
    }
    SetMessageBoxHandler(nullptr);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0], "Can not load Clipmorph function!\nPlease re-install this program!\nEXIT!");
    EXPECT_FALSE(QFileInfo(config.path() + "/Vidore4.conf").exists())
        << "settings written after a failed start";
}

TEST(StartUp, EngineLoadNeedsEveryEntry) {
    const QString bin = QStringLiteral(MAVO_BIN_DIR) + "/";
    ASSERT_TRUE(LoadEngine(bin));
    EXPECT_NE(DllGetFileInfo, nullptr);
    EXPECT_NE(DllConvert, nullptr);
    EXPECT_NE(DllUnInit, nullptr);
    UnloadEngine();
    EXPECT_FALSE(EngineLoaded());
    EXPECT_EQ(DllConvert, nullptr);
    UnloadEngine(); // twice is harmless

    // A library that lacks the entries (the message layer) is refused whole.
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(bin + "libwinmsg.so", dir.path() + "/libEncoder.so"));
    EXPECT_FALSE(LoadEngine(dir.path() + "/"));
    EXPECT_FALSE(EngineLoaded());
    EXPECT_EQ(DllInit, nullptr);
}

TEST(Folders, PathsEndInTheSeparatorAndFollowTheProgramFolder) {
    InitFolderPaths("/opt/mavo", true);
    EXPECT_EQ(path_Skin, "/opt/mavo/Skin/");
    EXPECT_EQ(path_Config, "/opt/mavo/");
    EXPECT_EQ(path_Snapshot, "/opt/mavo/Snapshot/");
    EXPECT_EQ(path_Work, QDir::homePath() + "/MavoOutput/");
}

TEST(Folders, ReadOnlyProgramFolderUsesTheUsersFolders) {
    QTemporaryDir home;
    QTemporaryDir program;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    // A fresh home: neither the configuration nor the cache folder exists yet.
    {
        QFile catalogue(program.path() + "/Output.dll");
        ASSERT_TRUE(catalogue.open(QIODevice::WriteOnly));
        catalogue.write("[ipod]\nProfileCount=0\n");
    }
    InitFolderPaths(program.path(), false);
    EXPECT_EQ(path_Skin, program.path() + "/Skin/");
    EXPECT_EQ(path_Config, home.path() + "/config/Vidore4/");
    EXPECT_EQ(path_Snapshot, home.path() + "/cache/Vidore4/Snapshot/");
    EXPECT_TRUE(QFileInfo(path_Config + "Output.dll").isFile()) << "no per-user catalogue";
    UseOutputFolder(home.path() + "/out/");
    EXPECT_TRUE(EnsureFolders());
    EXPECT_TRUE(QFileInfo(path_Snapshot).isDir());
    EXPECT_TRUE(QFileInfo(path_Work).isDir());
}

TEST(Folders, OutputFolderWithoutParentFallsBackToTheDefault) {
    QTemporaryDir dir;
    const QByteArray old_home = qgetenv("HOME");
    qputenv("HOME", dir.path().toUtf8());
    path_Config = dir.path() + "/";
    path_Snapshot = dir.path() + "/Snapshot/";
    UseOutputFolder(dir.path() + "/no/such/parent/");
    EXPECT_TRUE(EnsureFolders());
    EXPECT_EQ(path_Work, dir.path() + "/MavoOutput/");
    EXPECT_TRUE(QFileInfo(path_Work).isDir());
    EXPECT_FALSE(QFileInfo(dir.path() + "/no").exists()) << "folders are made one level at a time";

    // A snapshot folder that cannot be made is a failure; the output folder is left alone.
    path_Snapshot = dir.path() + "/a/b/";
    UseOutputFolder(dir.path() + "/no/such/parent/");
    EXPECT_FALSE(EnsureFolders());
    EXPECT_EQ(path_Work, dir.path() + "/no/such/parent/");
    qputenv("HOME", old_home);
}

TEST(StartUp, SecondInstanceEndsWith255AndTheFirstCleansUpAtExit) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    program.WriteFile("Snapshot/thumb1.jpg");
    program.WriteFile("Snapshot/.thumb2.jpg");
    program.WriteFile("Snapshot/keep/inner.jpg");

    QProcess first;
    program.Start(first);
    ASSERT_TRUE(program.WaitForInstance()) << program.Output(first);

    QProcess second;
    program.Start(second);
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 255);
    EXPECT_EQ(first.state(), QProcess::Running) << "the first instance must go on";

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0) << program.Output(first);
    EXPECT_FALSE(program.Exists("Snapshot/thumb1.jpg"));
    EXPECT_FALSE(program.Exists("Snapshot/.thumb2.jpg"));
    EXPECT_TRUE(program.Exists("Snapshot/keep/inner.jpg")) << "subfolders are left alone";
    EXPECT_TRUE(program.Exists("Snapshot"));

    // The settings were written at the end, with the default output folder.
    QSettings settings(program.Home() + "/config/Vidore4.conf", QSettings::IniFormat);
    EXPECT_EQ(settings.value("OutputFolder").toString(), program.Home() + "/MavoOutput/");
    EXPECT_EQ(settings.value("KeepRatio").toInt(), 0);
}

TEST(StartUp, StaleSocketOfACrashedInstanceDoesNotBlockTheNextStart) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    QProcess crashed;
    program.Start(crashed);
    ASSERT_TRUE(program.WaitForInstance());
    crashed.kill();
    crashed.waitForFinished(10000);
    ASSERT_TRUE(QFileInfo::exists(program.SocketPath())) << "no stale socket to test with";

    QProcess next;
    program.Start(next);
    ASSERT_TRUE(program.WaitForInstance()) << program.Output(next);
    EXPECT_EQ(next.state(), QProcess::Running);
    next.terminate();
    ASSERT_TRUE(next.waitForFinished(20000));
    EXPECT_EQ(next.exitCode(), 0);
}

TEST(StartUp, WithoutASkinTheProgramEnds) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    ASSERT_TRUE(QFile::remove(program.Folder() + "/Skin/Skin.ini"));
    QProcess converter;
    program.Start(converter);
    ASSERT_TRUE(converter.waitForFinished(20000)) << "a program without its skin must end";
    EXPECT_EQ(converter.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(converter.exitCode(), 0);
}

// Programs the converter starts must not inherit its sockets: each socket it holds while it
// runs (the signal pair and the single-instance listener among them) is closed on exec.
TEST(StartUp, TheRunningProgramsSocketsAreClosedOnExec) {
    ProgramCopy program;
    ASSERT_TRUE(program.Make());
    QProcess converter;
    program.Start(converter);
    ASSERT_TRUE(program.WaitForInstance()) << program.Output(converter);

    const QString fds = QString("/proc/%1/fd").arg(converter.processId());
    int sockets = 0;
    for (const QFileInfo &fd : QDir(fds).entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
        if (!fd.symLinkTarget().contains("socket:"))
            continue;
        ++sockets;
        QFile info(QString("/proc/%1/fdinfo/%2").arg(converter.processId()).arg(fd.fileName()));
        ASSERT_TRUE(info.open(QIODevice::ReadOnly));
        const QString text = QString::fromLatin1(info.readAll());
        const QString flags = text.section("flags:", 1).section('\n', 0, 0).trimmed();
        EXPECT_TRUE(flags.toUInt(nullptr, 8) & 02000000)
            << "socket " << fd.fileName().toStdString() << " is inherited (flags "
            << flags.toStdString() << ")";
    }
    EXPECT_GE(sockets, 3) << "the signal pair and the listener were not found";

    converter.terminate();
    ASSERT_TRUE(converter.waitForFinished(20000));
    EXPECT_EQ(converter.exitCode(), 0) << program.Output(converter);
}
