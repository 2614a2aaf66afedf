#pragma once
// After a crash: the list the program left behind comes back when the user wants it, with its
// marks, and a run that was cut goes on from the clip it was converting.

#include "model/ClipList.h"
#include "model/SavedList.h"

#include <QObject>
#include <QStringList>

class TMainWindow;

// The question of the first start after a crash.
QString RestoreQuestion(const SavedList &list);
// The question that follows when a run was cut.
QString GoOnQuestion(const SavedList &list);

class ListRestore : public QObject {
    Q_OBJECT
public:
    // Takes what an earlier program left behind before this one saves its own list.
    ListRestore(TMainWindow &window, ListKeeper &keeper, QObject *parent = nullptr);

    // Asks about what the earlier program left behind, if anything, and restores it.
    void Offer();
    // An added clip: its saved marks and selection, when it is one of the restored ones.
    void ApplyMarks(ClipRecord &record);

private:
    void Restore(const SavedList &list);
    void ClipsAdded();
    void GoOnWithRun();

    TMainWindow &window_;
    std::optional<SavedList> leftover_;
    SavedList saved_;
    QList<SavedClip> pending_; // restored clips not yet added, in list order
    QList<int32_t> selected_;  // indices of the restored clips that were selected
    bool restoring_ = false;
};
