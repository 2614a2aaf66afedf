#pragma once
// The clip list and the state of a run, kept on disk while the program runs, so that a start
// after a crash can bring them back. The file is written whole each time (a new file, flushed to
// disk, renamed over the old one) under a lock that belongs to the running program, and goes at
// a normal close.

#include "engine/ConversionRun.h"

#include <QByteArray>
#include <QList>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

struct SavedClip {
    QString FileName;
    int32_t StartTime = 0;
    int32_t StopTime = 0;
    bool Selected = false;
    int32_t SoundTrack = -1; // the user's choice, 0-based; -1: none
    QString Subtitles{};     // the user's choice; empty: none
};

struct SavedList {
    QList<SavedClip> Clips;
    int32_t DeviceType = 0;
    QString Profile; // the chosen profile's text; empty for none
    // The run, when one was converting: the clip it was converting (an index of Clips), the
    // folder it wrote to, and how each clip before that one ended.
    bool RunCut = false;
    int32_t RunClip = 0;
    QString RunFolder;
    QList<ClipResult> RunDone;

    QByteArray ToJson() const;
    // Nothing, and why in reason, for a text that is not a whole saved list.
    static std::optional<SavedList> FromJson(const QByteArray &text, QString *reason);
};

class ListKeeper {
public:
    // The files live in folder (the per-user configuration folder of the program).
    explicit ListKeeper(QString folder);
    ~ListKeeper();

    // Takes the lock; false when another running program holds it (this one then keeps nothing).
    bool Lock();
    bool Locked() const { return locked_; }

    // The list a program that is no longer running left behind; nothing when there is none. The
    // file stays until the running program saves its own list over it or sets it aside, so that
    // a crash before then offers it again. A file that cannot be read whole is set aside at once
    // and note says why.
    std::optional<SavedList> ReadLeftover(QString *note);
    // Keeps the file beside as ClipList.json.old, never to be offered again.
    void SetAside();
    // Writes the list; false when it could not be written.
    bool Save(const SavedList &list);
    // A normal end: nothing is left to restore.
    void Remove();

    QString FilePath() const { return folder_ + QStringLiteral("ClipList.json"); }

private:
    // Whether the process the lock names is not the one that took it (its id reused since).
    bool HolderIsGone() const;
    QString OwnerPath() const { return folder_ + QStringLiteral("ClipList.owner"); }

    QString folder_;
    std::unique_ptr<QLockFile> lock_;
    bool locked_ = false;
};

// The folder the program keeps its list in: "Vidore4/" in the user's configuration folder.
QString SavedListFolder();

class ClipList;
class QTimer;

// Keeps the saved list up to date: every change of the list, of the run or of the choice of
// device and profile schedules a save, and saves come at most a few times a second.
class ListSaver : public QObject {
    Q_OBJECT
public:
    struct Sources {
        const ClipList *clips = nullptr;
        const ConversionRun *run = nullptr;
        std::function<int32_t()> device;
        std::function<QString()> profile;
    };
    ListSaver(ListKeeper &keeper, Sources sources, QObject *parent = nullptr);

    // The list and the run as they are now.
    SavedList Snapshot() const;
    // Something changed: a save follows soon.
    void Schedule();
    // Saves at once when a save is due.
    void Flush();
    // While held, nothing is saved: the list on disk is one that is still to be offered.
    void Hold() { held_ = true; }
    // Saving goes on; save_now saves the list as it is now, else the next change saves it.
    void Release(bool save_now);
    bool Held() const { return held_; }

private:
    ListKeeper &keeper_;
    Sources sources_;
    QTimer *timer_ = nullptr;
    bool held_ = false;
};
