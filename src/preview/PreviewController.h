#pragma once
// The preview panel at work: opening the chosen clip, answering the player's events, polling
// the play position into the position bar, seeking from the bar, and the clip's start and stop
// marks (set from the marks or from the play position). The main window hands it its controls
// and forwards its buttons and messages to it.

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <playfile.h>

// Sent from outside when the player can take the notification function.
inline constexpr UINT WM_PLAYERREADY = WM_USER + 130; // 1154

class ClipList;
struct ClipRecord;
class QTimer;
class QWidget;
class TFixProgress;
class TImage;

// The player operations the preview uses; Real() gives the player library's.
struct PreviewPlayerCalls {
    std::function<bool(const QString &path)> open;
    std::function<bool()> start;
    std::function<void()> close;
    std::function<bool()> pause;
    std::function<bool(uintptr_t window)> attach;
    // True with the position in seconds and in percent when the player knows it.
    std::function<bool(double &seconds, double &percent)> position;
    std::function<void(double seconds)> seek;
    std::function<void(PlayerNotifyFn notify)> set_notify;

    static PreviewPlayerCalls Real();
};

struct PreviewControls {
    ClipList *clips = nullptr;
    TFixProgress *bar = nullptr;
    TImage *still_picture = nullptr; // shown while nothing plays
    QWidget *panel = nullptr;        // the video is drawn into it
    QTimer *position_timer = nullptr;
};

class PreviewController : public QObject {
    Q_OBJECT
public:
    explicit PreviewController(const PreviewControls &controls,
                               PreviewPlayerCalls player = PreviewPlayerCalls::Real(),
                               QObject *parent = nullptr);
    ~PreviewController() override;

    void SetPlayer(PreviewPlayerCalls player) { player_ = std::move(player); }

    // Closes the clip and puts the panel and the bar back to rest.
    void StopPreview();
    // Opens the selected clip (the first selected one, or the first of the list).
    void PlaySelectedClip();
    // Play resumes the clip that is open, or opens the selected one.
    void PlayClick();
    void PauseClick();
    // Space: pauses the clip that plays, or plays.
    void PlayOrPause();
    // Moves the play position by seconds (back for a negative number), within the clip.
    void SeekBy(double seconds);
    // The clip's start (Previous) or stop (Next) becomes the play position, whole seconds.
    void PreviousClick();
    void NextClick();
    // The keep-ratio switch changed: the player letterboxes again or stops doing so.
    void KeepRatioChanged();

    // The marks show the clip's start and stop; none (0) hides them and stops the preview.
    void ShowRange(int32_t clip_id);
    // The list's current clip changed (0: none, after a remove or clear).
    void ClipChanged(int32_t clip_id);
    // A mark was released: 1 the start mark, 0 the stop mark.
    void MarkerMoved(uintptr_t which);
    // The player's event message.
    void PlayerEvent(uintptr_t event, intptr_t value);
    // Someone tells that the player is ready to take the notification function.
    void PlayerReady();
    // A notification of the player, on the user-interface thread.
    void PlayerNotified(int event);
    // The bar was moved by the user to percent; pressed while the thumb is still held.
    void SeekHandler(double percent, bool pressed);
    void SeekPreview(double percent);
    void PositionTimerTick();

    // The play position in the source, seconds; false when nothing plays.
    bool SourcePosition(double &seconds) const;
    // The converted sample of the clip that plays, beginning `source_start` seconds into it, in
    // the source's place from the source's time point `at`; the bar keeps showing the source's
    // time. ShowSource puts the source back at the sample's time point. Marks are not set
    // meanwhile.
    void ShowResult(const QString &file, int32_t source_start, double at);
    void ShowSource();
    bool ShowingResult() const { return result_start_ >= 0; }

    // The ids of the clip whose marks the bar shows and of the clip open in the player; 0 for
    // none. Both forget a clip that leaves the list.
    int32_t RangeClip() const { return range_clip_; }
    int32_t PreviewClip() const { return preview_clip_; }
    int32_t PositionFailCount = 0;
    bool SeekGuard = false;

private:
    void SetCropFromPosition(bool start);
    void StartPositionTimer();
    void ClipsRemoved();
    const ClipRecord *Clip(int32_t id) const;

    PreviewControls controls_;
    PreviewPlayerCalls player_;
    int32_t range_clip_ = 0;
    int32_t preview_clip_ = 0;
    int32_t result_start_ = -1; // the sample plays: where it begins in the source; -1 the source
    double resume_at_ = -1;     // where the file being opened is to start playing
};
