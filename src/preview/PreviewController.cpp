#include "preview/PreviewController.h"

#include "common/FloatToInt.h"
#include "controls/FixProgress.h"
#include "controls/TImage.h"
#include "model/ClipList.h"
#include "preview/PreviewPlayer.h"

#include <QTimer>
#include <QWidget>
#include <algorithm>

PreviewPlayerCalls PreviewPlayerCalls::Real() {
    PreviewPlayerCalls calls;
    calls.open = OpenPreviewFile;
    calls.start = StartPreview;
    calls.close = ClosePreview;
    calls.pause = PausePreview;
    calls.attach = AttachPreviewWindow;
    calls.position = [](double &seconds, double &percent) {
        double unused = 0;
        return PlayerGetPosition(&unused, &seconds, &percent) != 0;
    };
    calls.seek = PlayerSeek;
    calls.set_notify = PlayerSetNotify;
    return calls;
}

PreviewController::PreviewController(const PreviewControls &controls, PreviewPlayerCalls player,
                                     QObject *parent)
    : QObject(parent), controls_(controls), player_(std::move(player)) {
    if (controls_.position_timer != nullptr)
        connect(controls_.position_timer, &QTimer::timeout, this,
                &PreviewController::PositionTimerTick);
    if (controls_.bar != nullptr)
        controls_.bar->SetOnChange([](double percent, bool pressed, TFixProgress *bar) {
            PreviewPositionChanged(percent, pressed, bar);
        });
    SetPreviewSeekHandler(
        [this](double percent, bool pressed, QObject *) { SeekHandler(percent, pressed); });
    SetPlayerNotifyHandler([this](int event, int, int) { PlayerNotified(event); });
    if (controls_.clips != nullptr)
        connect(controls_.clips, &ClipList::ClipsRemoved, this, &PreviewController::ClipsRemoved);
}

PreviewController::~PreviewController() {
    SetPreviewSeekHandler({});
    SetPlayerNotifyHandler({});
}

const ClipRecord *PreviewController::Clip(int32_t id) const {
    return controls_.clips != nullptr ? controls_.clips->Find(id) : nullptr;
}

void PreviewController::ClipsRemoved() {
    // A clip can go without a message (a crop keeps only the selected clips).
    if (preview_clip_ != 0 && controls_.clips->Find(preview_clip_) == nullptr)
        StopPreview();
    if (range_clip_ != 0 && controls_.clips->Find(range_clip_) == nullptr) {
        range_clip_ = 0;
        if (controls_.bar != nullptr)
            controls_.bar->SetRange(-1, -1);
    }
}

void PreviewController::StopPreview() {
    player_.close();
    result_start_ = -1;
    resume_at_ = -1;
    if (TFixProgress *bar = controls_.bar) {
        if (bar->Thumb != nullptr)
            bar->Thumb->SetButtonEnabled(false);
        bar->SetPosition(0);
    }
    if (controls_.position_timer != nullptr)
        controls_.position_timer->stop();
    if (controls_.still_picture != nullptr)
        controls_.still_picture->show();
    preview_clip_ = 0;
}

void PreviewController::PlaySelectedClip() {
    const int32_t id = controls_.clips != nullptr ? controls_.clips->TakeSingleSelection() : 0;
    const ClipRecord *clip = Clip(id);
    if (clip == nullptr)
        return;
    // The bar starts again for the new clip: no thumb until the player says it can seek.
    StopPreview();
    player_.open(clip->FileName);
    preview_clip_ = id;
    // The marks, Previous, Next and seeking act on the clip that plays.
    ShowRange(id);
}

void PreviewController::PlayClick() {
    if (!player_.start())
        PlaySelectedClip();
}

void PreviewController::PauseClick() {
    player_.pause();
}

void PreviewController::PlayOrPause() {
    const bool playing =
        controls_.position_timer != nullptr && controls_.position_timer->isActive();
    if (playing)
        PauseClick();
    else
        PlayClick();
}

void PreviewController::SeekBy(double seconds) {
    double now = 0;
    double percent = 0;
    const ClipRecord *clip = Clip(preview_clip_);
    if (clip == nullptr || !player_.position(now, percent))
        return;
    player_.seek(std::clamp(now + seconds, 0.0, static_cast<double>(clip->Duration)));
}

void PreviewController::PreviousClick() {
    SetCropFromPosition(true);
}

void PreviewController::NextClick() {
    SetCropFromPosition(false);
}

void PreviewController::SetCropFromPosition(bool start) {
    double seconds = 0;
    double percent = 0;
    const ClipRecord *clip = Clip(range_clip_);
    if (clip == nullptr || ShowingResult() || !player_.position(seconds, percent))
        return;
    const int32_t index = controls_.clips->IndexOf(range_clip_);
    const int32_t p = FloatToInt<int32_t>(seconds);
    const bool set = start ? controls_.clips->SetCropTimes(index, p, clip->StopTime)
                           : controls_.clips->SetCropTimes(index, clip->StartTime, p);
    if (set)
        ShowRange(range_clip_);
}

void PreviewController::KeepRatioChanged() {
    if (controls_.panel != nullptr)
        player_.attach(static_cast<uintptr_t>(controls_.panel->winId()));
}

void PreviewController::ShowRange(int32_t clip_id) {
    TFixProgress *bar = controls_.bar;
    const ClipRecord *clip = Clip(clip_id);
    if (clip == nullptr) {
        if (bar != nullptr)
            bar->SetRange(-1, -1);
        StopPreview();
    } else if (bar != nullptr) {
        // A clip without length has no marks.
        const float d = static_cast<float>(clip->Duration);
        if (clip->Duration > 0)
            bar->SetRange(static_cast<float>(clip->StartTime) / d,
                          static_cast<float>(clip->StopTime) / d);
        else
            bar->SetRange(-1, -1);
    }
    range_clip_ = clip != nullptr ? clip_id : 0;
}

void PreviewController::ClipChanged(int32_t clip_id) {
    if (clip_id != preview_clip_)
        StopPreview();
    const ClipRecord *clip = Clip(clip_id);
    ShowRange(clip != nullptr && clip->Selected ? clip_id : 0);
}

void PreviewController::MarkerMoved(uintptr_t which) {
    const ClipRecord *clip = Clip(range_clip_);
    if (clip == nullptr) {
        ShowRange(0);
        return;
    }
    float s = 0;
    float t = 0;
    if (controls_.bar == nullptr || !controls_.bar->GetRange(s, t))
        return;
    const int32_t index = controls_.clips->IndexOf(range_clip_);
    const double d = clip->Duration;
    if (which == 1)
        controls_.clips->SetCropTimes(index, FloatToInt<int32_t>(d * s), clip->StopTime);
    else if (which == 0)
        controls_.clips->SetCropTimes(index, clip->StartTime, FloatToInt<int32_t>(d * t));
}

void PreviewController::PlayerEvent(uintptr_t event, intptr_t value) {
    switch (event) {
    case 0:
        break;
    case 1:
        if (value < 0)
            StopPreview();
        else
            StartPositionTimer();
        break;
    case 2:
        if (value < 0)
            StopPreview();
        break;
    case 3: {
        const auto *opened = reinterpret_cast<const PlayerOpenInfo *>(value);
        if (opened != nullptr && opened->seekable != 0 && controls_.bar != nullptr &&
            controls_.bar->Thumb != nullptr)
            controls_.bar->Thumb->SetButtonEnabled(true);
        if (controls_.panel != nullptr)
            player_.attach(static_cast<uintptr_t>(controls_.panel->winId()));
        if (resume_at_ > 0)
            player_.seek(resume_at_);
        resume_at_ = -1;
        player_.start();
        if (controls_.still_picture != nullptr)
            controls_.still_picture->hide();
        break;
    }
    case 4:
        if (controls_.position_timer != nullptr)
            controls_.position_timer->stop();
        break;
    default:
        StopPreview();
        break;
    }
}

void PreviewController::PlayerReady() {
    if (player_.set_notify)
        player_.set_notify(&PlayerNotify);
}

void PreviewController::PlayerNotified(int event) {
    if (event == 1 || event == 3)
        StopPreview();
}

void PreviewController::SeekHandler(double percent, bool pressed) {
    if (SeekGuard)
        return;
    if (pressed) {
        player_.pause();
        SeekPreview(percent);
    } else {
        SeekGuard = true;
        SeekPreview(percent);
    }
    SeekGuard = false;
}

void PreviewController::SeekPreview(double percent) {
    const ClipRecord *clip = Clip(range_clip_);
    if (clip != nullptr && clip->Duration > 0)
        player_.seek(std::max(0.0, clip->Duration * percent * 0.01 - std::max(0, result_start_)));
}

bool PreviewController::SourcePosition(double &seconds) const {
    double percent = 0;
    if (preview_clip_ == 0 || !player_.position || !player_.position(seconds, percent))
        return false;
    seconds += std::max(0, result_start_);
    return true;
}

void PreviewController::ShowResult(const QString &file, int32_t source_start, double at) {
    double now = 0;
    if (!SourcePosition(now))
        return;
    player_.close();
    if (!player_.open(file))
        return;
    result_start_ = std::max(0, source_start);
    resume_at_ = std::max(0.0, at - result_start_);
}

void PreviewController::ShowSource() {
    const ClipRecord *clip = Clip(preview_clip_);
    double at = 0;
    if (!ShowingResult() || clip == nullptr || !SourcePosition(at))
        return;
    player_.close();
    result_start_ = -1;
    if (!player_.open(clip->FileName))
        return;
    resume_at_ = at;
}

void PreviewController::StartPositionTimer() {
    PositionFailCount = 0;
    if (controls_.position_timer != nullptr)
        controls_.position_timer->start();
}

void PreviewController::PositionTimerTick() {
    double seconds = 0;
    double percent = 0;
    if (player_.position(seconds, percent)) {
        PositionFailCount = 0;
        // The sample's own time, on the source's bar.
        const ClipRecord *clip = Clip(preview_clip_);
        if (ShowingResult() && clip != nullptr && clip->Duration > 0)
            percent = (seconds + result_start_) * 100.0 / clip->Duration;
        if (controls_.bar != nullptr)
            controls_.bar->SetPosition(percent);
        return;
    }
    // The fifth failure in a row stops the polling.
    if (PositionFailCount > 3 && controls_.position_timer != nullptr)
        controls_.position_timer->stop();
    ++PositionFailCount;
}
