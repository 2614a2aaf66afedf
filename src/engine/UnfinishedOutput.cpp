#include "engine/UnfinishedOutput.h"

#include "common/Globals.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

// A note is a file named after the process's id. It holds three lines (when the clip began, in
// milliseconds since the epoch; the output's device and inode, 0 until the engine made the file)
// and then the output's path, to the end of the file, so that any character may be in it.

namespace {

QString NotePath(const QString &folder, qint64 pid) {
    return WithSeparator(folder) + QString::number(pid);
}

// A process that was killed but not yet reaped by its parent is gone all the same.
bool IsZombie(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.read(512);
    const qsizetype end = text.lastIndexOf(')');
    return end >= 0 && text.mid(end + 2, 1) == "Z";
}

bool ProcessRuns(qint64 pid) {
    // EPERM: it runs under another user. Either way it is not ours to clean up after.
    const bool exists = kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
    return exists && !IsZombie(pid);
}

struct Note {
    int64_t started_ms = 0;
    uint64_t device = 0;
    uint64_t inode = 0;
    QByteArray output;
};

bool ReadNote(const QString &path, Note &note) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = file.readAll();
    QList<QByteArray> head;
    qsizetype from = 0;
    for (int i = 0; i < 3; ++i) {
        const qsizetype end = text.indexOf('\n', from);
        if (end < 0)
            return false;
        head.append(text.mid(from, end - from));
        from = end + 1;
    }
    bool ok[3] = {};
    note.started_ms = head[0].toLongLong(&ok[0]);
    note.device = head[1].toULongLong(&ok[1]);
    note.inode = head[2].toULongLong(&ok[2]);
    note.output = text.mid(from);
    return ok[0] && ok[1] && ok[2] && !note.output.isEmpty();
}

// Whether the file at the note's path is the one the noted conversion wrote.
bool IsNotedOutput(const Note &note) {
    struct stat st {};
    if (lstat(note.output.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (note.inode != 0)
        return st.st_dev == note.device && st.st_ino == note.inode;
    // Killed before the engine's first report: a file changed since the clip began is the one
    // the engine was making (the name was free when the clip began).
    const int64_t changed_ms = int64_t{st.st_mtim.tv_sec} * 1000 + st.st_mtim.tv_nsec / 1000000;
    return changed_ms + 1000 >= note.started_ms;
}

// The engine's folders for the first of two passes, named after the process that made them.
QStringList RemovePassFolders(qint64 pid) {
    QStringList removed;
    const QDir temp(QDir::tempPath());
    const QString prefix = QStringLiteral("mavo-passes-%1-").arg(pid);
    for (const QString &name : temp.entryList({prefix + QLatin1Char('*')},
                                              QDir::Dirs | QDir::Hidden | QDir::NoSymLinks)) {
        QDir folder(temp.filePath(name));
        if (folder.removeRecursively())
            removed << folder.path();
    }
    return removed;
}

} // namespace

void UnfinishedOutputNote::SetFolder(const QString &folder) {
    End();
    folder_ = folder;
}

void UnfinishedOutputNote::Begin(const QString &output) {
    output_ = output;
    started_ms_ = QDateTime::currentMSecsSinceEpoch();
    device_ = 0;
    inode_ = 0;
    Write();
}

bool UnfinishedOutputNote::OutputCreated() {
    if (inode_ != 0)
        return true;
    struct stat st {};
    if (output_.isEmpty() || stat(QFile::encodeName(output_).constData(), &st) != 0)
        return false;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    Write();
    return true;
}

void UnfinishedOutputNote::End() {
    if (output_.isEmpty())
        return;
    output_.clear();
    if (!folder_.isEmpty())
        QFile::remove(NotePath(folder_, getpid()));
}

void UnfinishedOutputNote::Write() const {
    if (folder_.isEmpty() || output_.isEmpty())
        return;
    if (!QDir().mkpath(folder_))
        return; // no note: a kill now would leave the partial file, as before
    QSaveFile file(NotePath(folder_, getpid()));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QByteArray::number(started_ms_) + '\n' + QByteArray::number(device_) + '\n' +
               QByteArray::number(inode_) + '\n' + QFile::encodeName(output_));
    file.commit();
}

QString UnfinishedOutputFolder() {
    // Per user, wherever the program lies: the program and mavo-convert of one user share it.
    const QString own = OwnFolderIn(QStandardPaths::GenericConfigLocation);
    return own.isEmpty() ? QString() : own + QStringLiteral("Unfinished/");
}

QStringList RemoveUnfinishedOutputs(const QString &folder) {
    QStringList removed;
    if (folder.isEmpty())
        return removed;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files)) {
        bool numeric = false;
        const qint64 pid = name.toLongLong(&numeric);
        if (!numeric || pid <= 0 || pid == getpid() || ProcessRuns(pid))
            continue;
        Note note;
        if (ReadNote(dir.filePath(name), note) && IsNotedOutput(note) &&
            ::unlink(note.output.constData()) == 0)
            removed << QFile::decodeName(note.output);
        removed << RemovePassFolders(pid);
        QFile::remove(dir.filePath(name));
    }
    return removed;
}
