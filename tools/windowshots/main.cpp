// Shows the four skinned windows, each dressed by the skin of the program folder, at places of
// their own on the display, and prints each window's X id and name (one per line) once they are
// on screen. Ends on its own after the given number of seconds.
#include "common/Globals.h"
#include "progress/ProgressWindow.h"
#include "skin/SkinLoader.h"
#include "ui/AboutWindow.h"
#include "ui/ProfileWindow.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: windowshots PROGRAM_FOLDER [SECONDS]\n");
        return 2;
    }
    QApplication app(argc, argv);
    path_Skin = WithSeparator(QString::fromLocal8Bit(argv[1])) + "Skin/";
    g_s_Version = "2.1.3 Build on 20070421";
    const int seconds = argc > 2 ? QString(argv[2]).toInt() : 20;

    TProgressWindow progress;
    TProfileWindow profile;
    TAboutWindow about(nullptr);
    struct Shown {
        TSkinnedForm *window;
        QPoint place;
    };
    const Shown shown[] = {{&progress, {10, 10}}, {&profile, {580, 10}}, {&about, {10, 380}}};
    for (const Shown &s : shown) {
        if (!ApplySkin(s.window, path_Skin))
            return 1;
        s.window->move(s.place);
        s.window->show();
    }
    QTimer::singleShot(1500, [&] {
        for (const Shown &s : shown)
            std::printf("%llu %s\n", static_cast<unsigned long long>(s.window->winId()),
                        qPrintable(s.window->objectName()));
        std::fflush(stdout);
    });
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}
