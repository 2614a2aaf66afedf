#include "app/ListRestore.h"

#include "model/Settings.h"
#include "profiles/DeviceTable.h"
#include "profiles/ProfileCatalogue.h"

QString RestoreQuestion(const SavedList &list) {
    QString text = QStringLiteral("The program ended unexpectedly last time.\n"
                                  "Restore the clip list it had?\n\n%1 clips")
                       .arg(list.Clips.size());
    if (list.RunCut)
        text += QStringLiteral("; the run stopped at clip %1 of %2")
                    .arg(list.RunClip + 1)
                    .arg(list.Clips.size());
    return text + QStringLiteral(".");
}

QString GoOnQuestion(const SavedList &list, const QString &missing, const QString &instead) {
    const QString from =
        QStringLiteral("from clip %1 of %2").arg(list.RunClip + 1).arg(list.Clips.size());
    const QString kept = QStringLiteral("The clips converted before it keep their files.");
    if (missing.isEmpty())
        return QStringLiteral("Go on with the run %1?\n%2").arg(from, kept);
    return QStringLiteral("The run cannot go on as it was: %1.\n"
                          "Go on with it %2 with the profile now chosen, \"%3\"?\n%4")
        .arg(missing, from, instead, kept);
}

ListRestore::ListRestore(RestoreWindow window, ListKeeper &keeper, ListSaver &saver,
                         ClipList &clips, QObject *parent)
    : QObject(parent), window_(std::move(window)), keeper_(keeper), saver_(saver), clips_(clips) {
    QString note;
    leftover_ = keeper.ReadLeftover(&note);
    if (!note.isEmpty())
        qWarning("%s", qUtf8Printable(note));
    if (leftover_ && leftover_->Clips.isEmpty())
        leftover_.reset();
    // Until the user has answered, the list on disk is the one left behind.
    if (leftover_)
        saver_.Hold();
}

void ListRestore::Offer() {
    if (!leftover_ || busy_) {
        emit Over();
        return;
    }
    busy_ = true;
    if (window_.Ask(RestoreQuestion(*leftover_))) {
        Restore(*leftover_);
        return;
    }
    // No: the list is set aside and never offered again.
    keeper_.SetAside();
    Finish(true);
}

void ListRestore::Restore(const SavedList &list) {
    saved_ = list;
    pending_ = list.Clips;
    missing_.clear();
    if (DeviceRowFor(list.DeviceType))
        window_.SelectDevice(list.DeviceType);
    else
        missing_ = QStringLiteral("its device (number %1) is not one this program knows")
                       .arg(list.DeviceType);
    if (missing_.isEmpty() && !list.Profile.isEmpty() && !window_.SelectProfile(list.Profile))
        missing_ = QStringLiteral("its profile \"%1\" is no longer in the list")
                       .arg(ProfileCatalogue::ParseProfileText(list.Profile).Name.trimmed());
    QStringList files;
    for (const SavedClip &clip : list.Clips)
        files << clip.FileName;
    restoring_ = true;
    // Files that vanished since are named in the add's one box of refused files.
    window_.AddFiles(files, [this] { ClipsAdded(); });
}

void ListRestore::ApplyMarks(ClipRecord &record) {
    if (!restoring_)
        return;
    // Clips that were not added (gone since) are passed over.
    while (!pending_.isEmpty() && pending_.front().FileName != record.FileName)
        pending_.removeFirst();
    if (pending_.isEmpty())
        return;
    const SavedClip saved = pending_.takeFirst();
    if (saved.StopTime <= record.Duration) {
        record.StartTime = saved.StartTime;
        record.StopTime = saved.StopTime;
    }
    if (saved.SoundTrack < record.SoundTracks.size())
        record.SoundTrack = saved.SoundTrack;
    record.Subtitles = saved.Subtitles;
    if (saved.Selected)
        selected_.append(clips_.Count());
}

void ListRestore::ClipsAdded() {
    restoring_ = false;
    pending_.clear();
    if (!selected_.isEmpty()) {
        for (int32_t i = 0; i < clips_.Count(); ++i)
            clips_.SetSelected(i, selected_.contains(i));
    }
    selected_.clear();
    if (!saved_.RunCut) {
        Finish(true);
        return;
    }
    const QString chosen = window_.ChosenProfile();
    if (!missing_.isEmpty() && chosen.isEmpty()) {
        window_.Tell(QStringLiteral("The run cannot go on: %1.\nChoose a profile and convert "
                                    "the list again.")
                         .arg(missing_));
        Finish(true);
        return;
    }
    const QString instead = ProfileCatalogue::ParseProfileText(chosen).Name.trimmed();
    if (window_.Ask(GoOnQuestion(saved_, missing_, instead)))
        GoOnWithRun();
    else
        Finish(true);
}

void ListRestore::GoOnWithRun() {
    // The clips done before the cut, as they are in the restored list (some may be gone).
    QList<ClipResult> done;
    for (const ClipResult &result : saved_.RunDone) {
        if (done.size() < clips_.Count() && clips_.Get(done.size())->FileName == result.Source)
            done.append(result);
    }
    UseOutputFolder(saved_.RunFolder);
    // The run's first clip saves the list with the run; nothing is saved before it.
    busy_ = false;
    leftover_.reset();
    saver_.Release(false);
    window_.GoOn(done);
    emit Over();
}

void ListRestore::Finish(bool save_now) {
    busy_ = false;
    leftover_.reset();
    saver_.Release(save_now);
    emit Over();
}
