#pragma once
// Driving the real program on an X display (under xvfb-run) with xdotool.

#include <QElapsedTimer>
#include <QPoint>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QThread>

namespace x_desktop {

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

// The middle of a skinned control, in its window, from the skin file: fields 4 to 7 of its key
// are left, top, width and height. (-1, -1) when the skin has no such key.
inline QPoint SkinnedCentre(const QString &skin_ini, const QString &window, const QString &key) {
    QSettings skin(skin_ini, QSettings::IniFormat);
    const QStringList fields = skin.value(window + "/" + key).toStringList();
    if (fields.size() < 7)
        return {-1, -1};
    return {fields[3].toInt() + fields[5].toInt() / 2, fields[4].toInt() + fields[6].toInt() / 2};
}

// Moves the pointer to a point of the window and clicks the left button there.
inline void ClickAt(const QString &window_id, QPoint at) {
    XDoTool({"mousemove", "--window", window_id, QString::number(at.x()), QString::number(at.y())});
    XDoTool({"click", "1"});
}

} // namespace x_desktop
