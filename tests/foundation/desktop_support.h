#pragma once
// Driving the real program on an X display: xdotool for windows, mouse and keys, the skin for
// where a control lies, and screenshots of a window.

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

// Runs xdotool and gives its output, trimmed.
inline QString XDoTool(const QStringList &args, int timeout_ms = 20000) {
    QProcess tool;
    tool.start("xdotool", args);
    if (!tool.waitForFinished(timeout_ms)) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

// The id of the first visible window whose title matches exactly, or empty after the timeout.
inline QString WaitForWindow(const QString &title, int timeout_ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeout_ms) {
        const QString ids = XDoTool(
            {"search", "--onlyvisible", "--name", "^" + QRegularExpression::escape(title) + "$"});
        if (!ids.isEmpty())
            return ids.split('\n').first();
        QThread::msleep(100);
    }
    return {};
}

// The first visible window whose title is not the given one (a dialog or a box over the main
// window), or empty after the timeout.
inline QString WaitForWindowOtherThan(const QString &title, int timeout_ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeout_ms) {
        for (const QString &id : XDoTool({"search", "--onlyvisible", "--name", "."}).split('\n'))
            if (!id.isEmpty() && XDoTool({"getwindowname", id}) != title)
                return id;
        QThread::msleep(100);
    }
    return {};
}

// Where the skin in the program folder puts a control: fields 4 to 7 of its entry are left,
// top, width and height. Empty when the entry has fewer fields.
inline QRect SkinPlace(const QString &program_folder, const QString &window, const QString &key) {
    QSettings skin(program_folder + "/Skin/Skin.ini", QSettings::IniFormat);
    const QStringList fields = skin.value(window + "/" + key).toStringList();
    if (fields.size() < 7)
        return {};
    return {fields[3].toInt(), fields[4].toInt(), fields[5].toInt(), fields[6].toInt()};
}

// Clicks the left button at a point of the window, clicks times (2: a double-click).
inline void ClickAt(const QString &window_id, const QPoint &at, int clicks = 1) {
    XDoTool({"mousemove", "--window", window_id, QString::number(at.x()), QString::number(at.y())});
    XDoTool({"click", "--repeat", QString::number(clicks), "--delay", "80", "1"});
}

// Clicks the progress window's Start: the window lies centred on a 1280 x 1024 screen.
inline void ClickProgressStart(const QString &program_folder) {
    const QPoint start = SkinPlace(program_folder, "ProgressWindow", "TB_Start").center();
    XDoTool({"mousemove", QString::number((1280 - 546) / 2 + start.x()),
             QString::number((1024 - 346) / 2 + start.y())});
    XDoTool({"click", "1"});
}

// What the window shows now, as the display has it.
inline QImage ShotOfWindow(const QString &window_id) {
    QTemporaryDir dir;
    const QString file = dir.path() + "/shot.png";
    QProcess import;
    import.start("import", {"-window", window_id, file});
    if (!import.waitForFinished(20000))
        return {};
    return QImage(file);
}
