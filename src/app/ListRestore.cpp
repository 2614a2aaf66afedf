#include "app/ListRestore.h"

#include "app/ClipAdder.h"
#include "app/MainWindow.h"
#include "desktop/MessageBox.h"
#include "model/ClipList.h"
#include "model/Settings.h"
#include "profiles/DeviceTable.h"
#include "progress/ProgressWindow.h"

#include <QComboBox>

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

QString GoOnQuestion(const SavedList &list) {
    return QStringLiteral("Go on with the run from clip %1 of %2?\n"
                          "The clips converted before it keep their files.")
        .arg(list.RunClip + 1)
        .arg(list.Clips.size());
}

ListRestore::ListRestore(TMainWindow &window, ListKeeper &keeper, QObject *parent)
    : QObject(parent), window_(window) {
    QString note;
    leftover_ = keeper.TakeLeftover(&note);
    if (!note.isEmpty())
        qWarning("%s", qUtf8Printable(note));
}

void ListRestore::Offer() {
    const std::optional<SavedList> list = std::exchange(leftover_, std::nullopt);
    if (!list || list->Clips.isEmpty())
        return;
    // No: the list stays set aside and is never offered again.
    if (ShowMessageBox(BoxKind::Confirmation, RestoreQuestion(*list), BoxButtons::YesNo,
                       &window_) == IDYES)
        Restore(*list);
}

void ListRestore::Restore(const SavedList &list) {
    saved_ = list;
    pending_ = list.Clips;
    if (DeviceRowFor(list.DeviceType))
        window_.SelectDevice(list.DeviceType);
    const int profile = window_.ComboBox_OutputSetting->findText(list.Profile);
    if (!list.Profile.isEmpty() && profile >= 0)
        window_.ComboBox_OutputSetting->setCurrentIndex(profile);
    QStringList files;
    for (const SavedClip &clip : list.Clips)
        files << clip.FileName;
    restoring_ = true;
    // Files that vanished since are named in the add's one box of refused files.
    window_.AddFiles(files);
    if (window_.Adder()->Adding())
        connect(window_.Adder(), &ClipAdder::Finished, this, &ListRestore::ClipsAdded,
                Qt::SingleShotConnection);
    else
        ClipsAdded();
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
        selected_.append(window_.Clips()->Count());
}

void ListRestore::ClipsAdded() {
    restoring_ = false;
    pending_.clear();
    ClipList &clips = *window_.Clips();
    if (!selected_.isEmpty()) {
        for (int32_t i = 0; i < clips.Count(); ++i)
            clips.SetSelected(i, selected_.contains(i));
    }
    selected_.clear();
    if (saved_.RunCut && ShowMessageBox(BoxKind::Confirmation, GoOnQuestion(saved_),
                                        BoxButtons::YesNo, &window_) == IDYES)
        GoOnWithRun();
}

void ListRestore::GoOnWithRun() {
    // The clips done before the cut, as they are in the restored list (some may be gone).
    QList<ClipResult> done;
    const ClipList &clips = *window_.Clips();
    for (const ClipResult &result : saved_.RunDone) {
        if (done.size() < clips.Count() && clips.Get(done.size())->FileName == result.Source)
            done.append(result);
    }
    UseOutputFolder(saved_.RunFolder);
    window_.OpenProgressWindow(done, true);
}
