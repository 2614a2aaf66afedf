// skingen: draws the program's default skin into a folder.
//
//   skingen [--fonts DIR] [--mock DIR] OUTPUT_DIR
//
// Writes Skin.ini with the sections of the four windows, every bitmap it names, the splash
// picture and the five device pictures. The output depends only on this program, Qt and the two
// DejaVu Sans font files (read from DIR, by default the Debian fonts-dejavu-core folder), so
// every build writes the same bytes. With --mock, pictures of the four windows put together
// from the generated pieces are written to a second folder for looking at the skin.
//
// Each window's pieces are drawn in a file of its own (MainSkin.cpp, ProgressSkin.cpp,
// ProfileSkin.cpp, AboutSkin.cpp); Skin.cpp holds what they share and writes the whole folder.

#include "Mock.h"
#include "Skin.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: skingen [--fonts DIR] [--mock DIR] OUTPUT_DIR\n");
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString fontDir = "/usr/share/fonts/truetype/dejavu";
    QString mockDir;
    QString outDir;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == "--fonts" && i + 1 < args.size())
            fontDir = args[++i];
        else if (args[i] == "--mock" && i + 1 < args.size())
            mockDir = args[++i];
        else if (args[i].startsWith("--") || !outDir.isEmpty())
            return Usage();
        else
            outDir = args[i];
    }
    if (outDir.isEmpty())
        return Usage();
    if (!QDir().mkpath(outDir) || (!mockDir.isEmpty() && !QDir().mkpath(mockDir))) {
        std::fprintf(stderr, "skingen: cannot create the output folder\n");
        return 1;
    }

    Skin skin;
    if (!skin.type.Load(fontDir)) {
        std::fprintf(stderr,
                     "skingen: DejaVuSans.ttf and DejaVuSans-Bold.ttf not found in %s "
                     "(Debian package fonts-dejavu-core)\n",
                     qPrintable(fontDir));
        return 1;
    }
    Output out(outDir);
    skin.out = &out;
    if (!WriteSkin(skin))
        return 1;
    if (!mockDir.isEmpty())
        WriteMocks(skin, outDir, mockDir);
    return 0;
}
