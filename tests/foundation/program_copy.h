#pragma once
// A private copy of the program folder with its own home, configuration and socket folder, so
// that tests can start the real program side by side without meeting each other.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

class ProgramCopy {
public:
    // Copies the executable and its libraries; without_engine leaves libEncoder.so out.
    bool Make(bool without_engine = false) {
        if (!root_.isValid())
            return false;
        const QString bin = QStringLiteral(MAVO_BIN_DIR);
        QDir().mkdir(Folder());
        QDir().mkdir(Home());
        QDir().mkdir(Home() + "/config");
        QDir().mkdir(Home() + "/tmp");
        QFile::setPermissions(Home() + "/tmp",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const QFileInfo &entry : QDir(bin).entryInfoList(QDir::Files)) {
            if (without_engine && entry.fileName() == "libEncoder.so")
                continue;
            if (!QFile::copy(entry.absoluteFilePath(), Folder() + "/" + entry.fileName()))
                return false;
            QFile::setPermissions(Folder() + "/" + entry.fileName(), entry.permissions());
        }
        // The skin too: without it the program ends at start-up.
        QDir().mkdir(Folder() + "/Skin");
        for (const QFileInfo &entry : QDir(bin + "/Skin").entryInfoList(QDir::Files))
            if (!QFile::copy(entry.absoluteFilePath(), Folder() + "/Skin/" + entry.fileName()))
                return false;
        return QFileInfo(Folder() + "/mavo-converter").isExecutable() &&
               QFileInfo(Folder() + "/Skin/Skin.ini").isFile();
    }

    QString Folder() const { return root_.path() + "/program"; }
    QString Home() const { return root_.path() + "/home"; }
    QString SocketPath() const { return Home() + "/tmp/Vidore4 Converter"; }

    void WriteFile(const QString &relative) {
        const QString path = Folder() + "/" + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(2048, 'j'));
    }
    bool Exists(const QString &relative) const {
        return QFileInfo::exists(Folder() + "/" + relative);
    }

    // platform: "offscreen", or empty to keep the program's own choice (X11 on DISPLAY).
    void Start(QProcess &process, const QString &platform = "offscreen",
               const QStringList &arguments = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (platform.isEmpty())
            env.remove("QT_QPA_PLATFORM");
        else
            env.insert("QT_QPA_PLATFORM", platform);
        env.insert("HOME", Home());
        env.insert("XDG_CONFIG_HOME", Home() + "/config");
        env.insert("XDG_CACHE_HOME", Home() + "/cache");
        env.insert("TMPDIR", Home() + "/tmp");
        env.insert("XDG_RUNTIME_DIR", Home() + "/tmp");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(Home());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(Folder() + "/mavo-converter", arguments);
        process.waitForStarted(10000);
    }

    // Waits until a running program answers on the single-instance socket.
    bool WaitForInstance(int timeout_ms = 20000) const {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeout_ms) {
            QLocalSocket probe;
            probe.connectToServer(SocketPath());
            if (probe.waitForConnected(200))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    static std::string Output(QProcess &process) { return process.readAll().toStdString(); }

private:
    QTemporaryDir root_;
};
