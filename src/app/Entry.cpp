#include "app/Entry.h"

#include "app/ClipAdder.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "common/Globals.h"
#include "common/MessagePort.h"
#include "common/SignalPipe.h"
#include "desktop/MessageBox.h"
#include "engine/UnfinishedOutput.h"
#include "progress/ProgressWindow.h"
#include "skin/Splash.h"
#include "ui/ProfileWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <clocale>
#include <csignal>
#include <exception>
#include <memory>

namespace {

// Errors escaping an event handler go to the program's error report instead of ending it.
class MavoApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &error) {
            ReportEventError(QString::fromUtf8(error.what()));
        } catch (...) {
            ReportEventError(QStringLiteral("Unknown error"));
        }
        return false;
    }
};

// A polite end on SIGTERM, SIGINT or SIGHUP (a desktop session that logs out): the main window
// closes as if the user had closed it, so settings are saved and the snapshot folder emptied.
bool g_close_requested = false;
SignalPipe *g_signal_pipe = nullptr;

void InstallCloseOnSignals(QObject *owner) {
    g_signal_pipe = new SignalPipe({SIGTERM, SIGINT, SIGHUP}, owner);
    QObject::connect(g_signal_pipe, &SignalPipe::Caught, owner, [] {
        // During start-up the request waits until the main window runs.
        g_close_requested = true;
        if (MainWindow != nullptr && MainWindow->isVisible())
            MainWindow->close();
    });
}

void DestroyWindows() {
    // A signal from now on finds no window to close: it must not reach one half destroyed.
    delete g_signal_pipe;
    g_signal_pipe = nullptr;
    delete ProgressWindow;
    ProgressWindow = nullptr;
    delete ProfileWindow;
    ProfileWindow = nullptr;
    delete MainWindow;
    MainWindow = nullptr;
}

// The arguments after the program's own (Qt took its options out of argv already).
QStringList OpenedFiles(int argc, char **argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return OpenedPaths(arguments);
}

void RunMainWindow(QApplication &app, const QStringList &opened) {
    MainWindow->show();
    // A close asked for during start-up is carried out now. A close carried out here quits
    // before the event loop runs, which does not end it: the loop runs only while the window
    // stays open.
    QCoreApplication::processEvents();
    if (g_close_requested && MainWindow->isVisible())
        MainWindow->close();
    if (!MainWindow->isVisible())
        return;
    MainWindow->OfferRestore();
    MainWindow->AddDroppedFiles(opened);
    app.exec();
}

} // namespace

int RunApplication(int argc, char **argv) {
    // Window shapes, moves and opacity need X11 (or XWayland).
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    MavoApplication app(argc, argv);
    SetFallbackEventErrorReporter(
        [](const QString &what) { ShowMessageBox(BoxKind::Error, what); });
    app.setQuitOnLastWindowClosed(false);
    // Qt takes the user's locale for everything; numbers in texts are ours to read, and the
    // player needs the C convention for them.
    std::setlocale(LC_NUMERIC, "C");
    // Files the program is opened with go to the running program's list when there is one.
    const QStringList opened = OpenedFiles(argc, argv);
    if (AnotherInstanceRuns(kMainCaption, opened))
        return 255;
    InstallCloseOnSignals(&app);

    try {
        g_s_ApplicationTitle = "Mavo Video Converter";
        const QString program_folder = WithSeparator(QCoreApplication::applicationDirPath());
        InitFolderPaths(program_folder, QFileInfo(program_folder).isWritable());
        for (const QString &file : RemoveUnfinishedOutputs(UnfinishedOutputFolder()))
            qInfo("removed %s: an earlier conversion ended before it could finish this file",
                  qUtf8Printable(file));
        ShowSplash();

        MainWindow = new TMainWindow;
        if (!MainWindow->StartedUp()) {
            // The engine could not be loaded: its message was the only thing to show.
            DestroyWindows();
            return 0;
        }
        ProfileWindow = new TProfileWindow;
        ProgressWindow = new TProgressWindow;

        MainWindow->setWindowTitle(kMainCaption);
        InstanceBeacon beacon;
        beacon.OnFilesHandedOver([](const QStringList &files) {
            if (MainWindow != nullptr)
                MainWindow->AddDroppedFiles(files);
        });
        beacon.Listen(kMainCaption);

        const bool skinned = MainWindow->LoadSkinsAndDefaults();
        HideSplash();
        if (skinned)
            RunMainWindow(app, opened);
        DestroyWindows();
    } catch (const std::exception &error) {
        // The splash stays on top of everything: it goes before the box can show.
        HideSplash();
        ShowMessageBox(BoxKind::Error, QString::fromUtf8(error.what()));
        DestroyWindows();
    }
    return 0;
}
