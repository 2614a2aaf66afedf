#include "preview/ResultToggle.h"

#include "common/FloatToInt.h"
#include "model/ClipList.h"
#include "preview/PreviewController.h"

ResultToggle::ResultToggle(PreviewController *preview, ClipList *clips, ProfileSource profile,
                           RunSource run, QObject *parent)
    : QObject(parent), preview_(preview), clips_(clips), profile_(std::move(profile)),
      run_(std::move(run)) {
    connect(&sample_, &SampleMaker::Ready, this, [this](const QString &file) {
        if (state_ != State::Making)
            return;
        // From where Result was pressed: the source went on playing while the sample was made.
        preview_->ShowResult(file, sample_.SourceStart(), pressed_at_);
        SetState(preview_->ShowingResult() ? State::Result : State::Source);
    });
    connect(&sample_, &SampleMaker::Failed, this, [this](const QString &reason) {
        if (state_ != State::Making)
            return;
        sample_.Discard();
        SetState(State::Source);
        emit Failed(reason);
    });
}

QString ResultToggle::Toggle() {
    if (state_ == State::Result) {
        preview_->ShowSource();
        sample_.Discard();
        SetState(State::Source);
        return {};
    }
    if (state_ == State::Making)
        return QStringLiteral("The sample is being made.");
    const ClipRecord *clip = clips_ != nullptr ? clips_->Find(preview_->PreviewClip()) : nullptr;
    double position = 0;
    if (clip == nullptr || !preview_->SourcePosition(position))
        return QStringLiteral("Play a clip first: the sample is made around its play position.");
    const std::optional<ProfileSettings> profile = profile_ ? profile_() : std::nullopt;
    if (!profile)
        return QStringLiteral("Choose a profile first: the sample is made with it.");
    const QString refusal = sample_.Start(ClipList::SourceOf(*clip), FloatToInt<int32_t>(position),
                                          *profile, run_ ? run_() : nullptr);
    pressed_at_ = position;
    if (refusal.isEmpty())
        SetState(State::Making);
    return refusal;
}

void ResultToggle::Forget() {
    sample_.Discard();
    SetState(State::Source);
}

QString ResultToggle::ButtonText() const {
    switch (state_) {
    case State::Making:
        return QStringLiteral("Making...");
    case State::Result:
        return QStringLiteral("Source");
    case State::Source:
        break;
    }
    return QStringLiteral("Result");
}

void ResultToggle::SetState(State state) {
    if (state_ == state)
        return;
    state_ = state;
    emit StateChanged(state);
}
