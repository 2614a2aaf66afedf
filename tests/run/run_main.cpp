// Test entry: one QApplication for the whole run, offscreen, with Qt's own dialogs.
#include "engine/EngineBinding.h"

#include <QApplication>
#include <clocale>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    // The engine's worker thread ends before the program does.
    UnloadEngine();
    return status;
}
