#include "model/ClipList.h"

#include "engine/OutputForecast.h"

#include <encoder.h>

namespace {
QString TextOf(const char *text) {
    return text != nullptr ? QString::fromUtf8(text) : QString();
}
} // namespace

ClipRecord ClipRecord::FromInfo(const ClipInfoRecord &info) {
    ClipRecord record;
    record.FileName = TextOf(info.path);
    record.Duration = info.duration;
    record.VideoFormat = TextOf(info.video_format);
    record.AudioFormat = TextOf(info.audio_format);
    record.InfoValues = {info.width,    info.height,   info.extra[0], info.extra[1],
                         info.extra[2], info.extra[3], info.extra[4], info.extra[5]};
    record.StopTime = record.Duration;
    return record;
}

ClipList::ClipList(QObject *parent) : QObject(parent) {}

const ClipRecord *ClipList::Get(int32_t index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return &records_[index];
}

int32_t ClipList::IndexOf(int32_t id) const {
    for (int32_t i = 0; i < Count(); ++i)
        if (records_[i].Id == id)
            return i;
    return -1;
}

const ClipRecord *ClipList::Find(int32_t id) const {
    return id == 0 ? nullptr : Get(IndexOf(id));
}

int32_t ClipList::AddItem(ClipRecord record) {
    record.Id = next_id_++;
    record.Selected = records_.isEmpty();
    records_.append(std::move(record));
    const int32_t index = Count() - 1;
    emit ClipAdded(index);
    if (index == 0) {
        anchor_ = 0;
        emit CurrentChanged(records_[0].Id);
    }
    return records_[index].Id;
}

void ClipList::KeepOnly(bool selected) {
    QList<ClipRecord> kept;
    for (ClipRecord &record : records_)
        if (record.Selected == selected)
            kept.append(std::move(record));
    records_ = std::move(kept);
    anchor_ = -1;
    emit ClipsRemoved();
}

void ClipList::RemoveSelected() {
    KeepOnly(false);
    emit CurrentChanged(0);
}

void ClipList::CropToSelected() {
    KeepOnly(true);
}

void ClipList::ClearItems() {
    records_.clear();
    anchor_ = -1;
    emit ClipsRemoved();
    emit CurrentChanged(0);
}

void ClipList::Select(int32_t index, bool selected) {
    records_[index].Selected = selected;
}

int32_t ClipList::TakeSingleSelection() {
    const QList<int32_t> selected = CollectSelected();
    if (selected.isEmpty()) {
        if (records_.isEmpty())
            return 0;
        Select(0, true);
        emit SelectionChanged();
        return records_[0].Id;
    }
    for (qsizetype i = 1; i < selected.size(); ++i)
        Select(selected[i], false);
    if (selected.size() > 1)
        emit SelectionChanged();
    return records_[selected.first()].Id;
}

QList<int32_t> ClipList::CollectSelected() const {
    QList<int32_t> selected;
    for (int32_t i = 0; i < Count(); ++i)
        if (records_[i].Selected)
            selected.append(i);
    return selected;
}

bool ClipList::SetCropTimes(int32_t index, int32_t start, int32_t stop) {
    if (index < 0 || index >= Count())
        return false;
    ClipRecord &clip = records_[index];
    if (start < 0 || stop > clip.Duration)
        return false;
    // One end at a time: a start after the current stop comes down to it, a stop before the
    // current start goes up to it; and in any case the start never passes the new stop.
    if (start > clip.StopTime)
        start = clip.StopTime;
    if (stop < clip.StartTime)
        stop = clip.StartTime;
    if (start > stop)
        start = stop;
    clip.StartTime = start;
    clip.StopTime = stop;
    emit CropChanged(index);
    return true;
}

bool ClipList::SetSoundTrack(int32_t index, int32_t track) {
    if (index < 0 || index >= Count() || track < 0 || track >= records_[index].SoundTracks.size())
        return false;
    records_[index].SoundTrack = track;
    emit SoundTrackChanged(index);
    return true;
}

bool ClipList::SetSubtitles(int32_t index, const QString &choice) {
    if (index < 0 || index >= Count())
        return false;
    const int32_t burn = choice.startsWith(QLatin1String("burn:")) ? choice.mid(5).toInt() : 0;
    const bool known = choice == QLatin1String("none") || choice == QLatin1String("keep") ||
                       (burn >= 1 && burn <= records_[index].SubtitleTracks.size());
    if (!known)
        return false;
    records_[index].Subtitles = choice;
    emit SubtitlesChanged(index);
    return true;
}

void ClipList::SetSelected(int32_t index, bool selected) {
    if (index < 0 || index >= Count())
        return;
    Select(index, selected);
    emit SelectionChanged();
}

void ClipList::Click(int32_t index, ClickKind kind) {
    if (index < 0 || index >= Count())
        return;
    switch (kind) {
    case ClickKind::Range:
        if (anchor_ == -1) {
            anchor_ = index;
        } else {
            const int32_t lo = std::min(anchor_, index);
            const int32_t hi = std::max(anchor_, index);
            for (int32_t i = 0; i < Count(); ++i)
                Select(i, i >= lo && i <= hi);
        }
        Select(index, true);
        break;
    case ClickKind::Toggle:
        Select(index, !records_[index].Selected);
        anchor_ = index;
        break;
    case ClickKind::Plain:
        for (int32_t i = 0; i < Count(); ++i)
            Select(i, i == index);
        anchor_ = index;
        break;
    case ClickKind::Other:
        anchor_ = index;
        break;
    }
    emit SelectionChanged();
    emit CurrentChanged(records_[index].Id);
}

ClipSource ClipList::SourceOf(const ClipRecord &clip) {
    ClipSource source{
        clip.FileName, clip.StartTime, clip.StopTime, clip.InfoValues[0], clip.InfoValues[1],
        // By number: the user's choice, whatever the engine would take by itself.
        clip.SoundTrack >= 0 ? QString::number(clip.SoundTrack + 1) : QString(), clip.Subtitles};
    source.Fps = clip.InfoValues[2] / 1000.0;
    source.HasAudio = HasSound(clip.AudioFormat);
    return source;
}

QList<ClipSource> ClipList::Snapshot() const {
    QList<ClipSource> clips;
    for (const ClipRecord &clip : records_)
        clips.append(SourceOf(clip));
    return clips;
}
