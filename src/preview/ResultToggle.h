#pragma once
// The "Result" button's work: a few seconds of the clip that plays, converted around the play
// position with the chosen profile, shown in the preview in the source's place at the same time
// point. Pressed again, the source comes back and the sample is removed. No sample is made while
// a run converts.

#include "engine/SampleMaker.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class ClipList;
class PreviewController;

class ResultToggle : public QObject {
    Q_OBJECT
public:
    enum class State { Source, Making, Result };

    using ProfileSource = std::function<std::optional<ProfileSettings>()>;
    using RunSource = std::function<const ConversionRun *()>;
    ResultToggle(PreviewController *preview, ClipList *clips, ProfileSource profile, RunSource run,
                 QObject *parent = nullptr);

    // The button was pressed: a sample is made, or the source comes back. Empty, or why nothing
    // happens.
    QString Toggle();
    // The preview stopped (another clip, Stop): a sample being made or shown is dropped.
    void Forget();
    State Current() const { return state_; }
    // "Result", "Making...", "Source".
    QString ButtonText() const;
    const SampleMaker &Sample() const { return sample_; }

signals:
    void StateChanged(ResultToggle::State state);
    // The sample could not be made (the engine's reason).
    void Failed(const QString &reason);

private:
    void SetState(State state);

    PreviewController *preview_;
    ClipList *clips_;
    ProfileSource profile_;
    RunSource run_;
    SampleMaker sample_;
    State state_ = State::Source;
    double pressed_at_ = 0; // the source's play position when Result was pressed
};
