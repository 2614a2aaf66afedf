#pragma once
// The output a conversion is writing, noted on disk for as long as it is written.
//
// A program killed in the middle of a clip (kill -9, the system out of memory, a power cut) gets
// no chance to remove the partial file, and a truncated file under the output's name looks like a
// finished one. The next start of the program or of mavo-convert finds the note of a process that
// is gone and removes the file it names, but only when it is still the very file that process's
// engine made: a file put there since is left alone.

#include <QString>
#include <QStringList>
#include <cstdint>

class UnfinishedOutputNote {
public:
    UnfinishedOutputNote() = default;
    // A note still there at the end (the engine never ended the clip) stays for the next start.
    ~UnfinishedOutputNote() = default;
    UnfinishedOutputNote(const UnfinishedOutputNote &) = delete;
    UnfinishedOutputNote &operator=(const UnfinishedOutputNote &) = delete;

    // Where the notes are kept (made when missing); an empty folder keeps no note.
    void SetFolder(const QString &folder);
    // Before the clip is handed to the engine.
    void Begin(const QString &output);
    // The engine has made the output file: from now on only that file is removed. False while
    // there is no such file yet.
    bool OutputCreated();
    // The clip ended and what was left of it is settled.
    void End();

private:
    void Write() const;

    QString folder_;
    QString output_;
    int64_t started_ms_ = 0;
    uint64_t device_ = 0;
    uint64_t inode_ = 0;
};

// Where the program and mavo-convert keep their notes.
QString UnfinishedOutputFolder();

// Removes the outputs named by the notes of processes that are no longer running, the engine's
// two-pass folders of those processes ("mavo-passes-<id>-..." in the temporary folder), and the
// notes. Returns the files and folders removed.
QStringList RemoveUnfinishedOutputs(const QString &folder);
