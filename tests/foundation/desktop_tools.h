#pragma once
// Driving the real program on an X display from a test: xdotool and window lookup by title.

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
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
