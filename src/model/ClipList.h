#pragma once
// The clip list: one record per clip, the selection with its anchor, and the list's operations
// (add, remove the selected clips, crop to them, clear, take a single selection, set a clip's
// crop times). It holds no widget: the panel draws it and forwards the user's clicks, and the
// run takes its clips from here.

#include "engine/JobArguments.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <array>
#include <cstdint>

struct ClipInfoRecord;

struct ClipRecord {
    int32_t Id = 0; // unique for the program's run; 0 is no clip
    QString FileName;
    int32_t Duration = 0;
    QString VideoFormat;
    QString AudioFormat;
    // Width, height and the six further numbers the engine reported.
    std::array<int32_t, 8> InfoValues{};
    int32_t StartTime = 0;
    int32_t StopTime = 0;
    bool Selected = false;
    QVariant Thumbnail; // the decoded picture, for whoever draws the clip
    // The sound tracks as the engine names them ("French, stereo (default)"), the one it takes
    // by itself, and the one the user chose (0-based; -1: none chosen).
    QStringList SoundTracks{};
    int32_t DefaultSoundTrack = -1;
    int32_t SoundTrack = -1;
    // The subtitle tracks ("French (default)") and the user's choice for them: "none", "keep" or
    // "burn:N"; empty: as the device has it.
    QStringList SubtitleTracks{};
    QString Subtitles{};

    // The sound track a conversion takes, 0-based; -1 when the clip has none.
    int32_t SoundTrackInUse() const { return SoundTrack >= 0 ? SoundTrack : DefaultSoundTrack; }

    // A clip as the engine described it; its crop range is the whole clip.
    static ClipRecord FromInfo(const ClipInfoRecord &info);
};

// How a click on an entry changes the selection.
enum class ClickKind { Plain, Toggle, Range, Other };

class ClipList : public QObject {
    Q_OBJECT
public:
    explicit ClipList(QObject *parent = nullptr);

    int32_t Count() const { return static_cast<int32_t>(records_.size()); }
    // Nothing for an index outside the list.
    const ClipRecord *Get(int32_t index) const;
    const ClipRecord *Find(int32_t id) const;
    int32_t IndexOf(int32_t id) const;
    const QList<ClipRecord> &Records() const { return records_; }
    // The index the next Range click counts from; -1 for none.
    int32_t Anchor() const { return anchor_; }

    // Appends the clip and gives it an id; the first clip of the list becomes selected and
    // current. Returns the id.
    int32_t AddItem(ClipRecord record);
    void RemoveSelected();
    void CropToSelected();
    void ClearItems();
    // The first selected clip stays selected and the others are no longer; with none selected the
    // first clip becomes selected. The id of that clip; 0 for an empty list.
    int32_t TakeSingleSelection();
    // The indices of the selected clips, in list order.
    QList<int32_t> CollectSelected() const;
    // Sets the crop range in seconds. False, and nothing changed, for no such clip, a negative
    // start or a stop beyond the clip; the start never ends up after the stop.
    bool SetCropTimes(int32_t index, int32_t start, int32_t stop);
    // The user's choice of the clip's sound track (0-based); false for a track it does not have.
    bool SetSoundTrack(int32_t index, int32_t track);
    // The user's choice of the clip's subtitles ("none", "keep", "burn:N" for a track it has).
    bool SetSubtitles(int32_t index, const QString &choice);
    // Selects or unselects one clip; the current clip stays as it is.
    void SetSelected(int32_t index, bool selected);
    // The user clicked the entry at index; it becomes current.
    void Click(int32_t index, ClickKind kind);

    // What the run needs of every clip, as the list is now.
    QList<ClipSource> Snapshot() const;
    static ClipSource SourceOf(const ClipRecord &clip);

signals:
    void ClipAdded(int32_t index);
    // Clips went: the list is what Records() says now.
    void ClipsRemoved();
    void SelectionChanged();
    void CropChanged(int32_t index);
    void SoundTrackChanged(int32_t index);
    void SubtitlesChanged(int32_t index);
    // The current clip changed, by a click, an add or a removal; 0 for none.
    void CurrentChanged(int32_t id);

private:
    void Select(int32_t index, bool selected);
    void KeepOnly(bool selected);

    QList<ClipRecord> records_;
    int32_t anchor_ = -1;
    int32_t next_id_ = 1;
};
