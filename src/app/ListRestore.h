#pragma once
// After a crash: the list the program left behind comes back when the user wants it, with its
// marks, and a run that was cut goes on from the clip it was converting.
//
// The restore is itself safe from a crash: what was left behind stays on disk, and nothing of
// this program's list is saved over it, until the user has answered both questions and the
// restored list (with the run, when it goes on) has replaced it.

#include "model/ClipList.h"
#include "model/SavedList.h"

#include <QObject>
#include <QStringList>
#include <functional>

// The question of the first start after a crash.
QString RestoreQuestion(const SavedList &list);
// The question that follows when a run was cut. missing: what of the run is gone ("its
// profile ..."), and instead the profile the run would go on with; both empty when nothing is.
QString GoOnQuestion(const SavedList &list, const QString &missing = {},
                     const QString &instead = {});

// What the restore asks of the main window.
struct RestoreWindow {
    std::function<bool(const QString &question)> Ask; // true for Yes
    std::function<void(const QString &text)> Tell;
    std::function<void(int32_t device_type)> SelectDevice;
    // Chooses the profile with this text in the device's list; false when it is not there.
    std::function<bool(const QString &profile)> SelectProfile;
    std::function<QString()> ChosenProfile; // empty for none
    // Adds the files (the add may go on in its thread); added is called once they are listed.
    std::function<void(const QStringList &files, std::function<void()> added)> AddFiles;
    // Converts the list, the clips done counted as done; returns when the run is over.
    std::function<void(const QList<ClipResult> &done)> GoOn;
};

class ListRestore : public QObject {
    Q_OBJECT
public:
    // Reads what an earlier program left behind; while there is something to offer, the saver
    // writes nothing.
    ListRestore(RestoreWindow window, ListKeeper &keeper, ListSaver &saver, ClipList &clips,
                QObject *parent = nullptr);

    // Asks about what the earlier program left behind, if anything, and restores it.
    void Offer();
    // An added clip: its saved marks and selection, when it is one of the restored ones.
    void ApplyMarks(ClipRecord &record);
    // While there is a list to offer, and from the offer until both questions are answered and
    // the clips are back.
    bool Busy() const { return busy_ || leftover_.has_value(); }

signals:
    // The restore is over (or there was nothing to restore): the list is this program's own.
    void Over();

private:
    void Restore(const SavedList &list);
    void ClipsAdded();
    void GoOnWithRun();
    void Finish(bool save_now);

    RestoreWindow window_;
    ListKeeper &keeper_;
    ListSaver &saver_;
    ClipList &clips_;
    std::optional<SavedList> leftover_;
    SavedList saved_;
    QString missing_;          // what of the cut run is no longer there
    QList<SavedClip> pending_; // restored clips not yet added, in list order
    QList<int32_t> selected_;  // indices of the restored clips that were selected
    bool restoring_ = false;
    bool busy_ = false;
};
