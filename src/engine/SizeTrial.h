#pragma once
// How big a clip's file really comes out. The profile's rates give the most a file can take;
// pictures that need fewer bits (a still scene, a screen recording, a slow source under a fast
// profile) come out smaller, and only the encoder can tell how much. So a few seconds of the clip,
// spread over it, are converted with the profile into a temporary folder, and the bytes a second
// they took stand for the whole clip. The list measures its clips in the background while the
// engine is free; `mavo-convert --estimate` measures before it answers.

#include "engine/MeasuredSize.h"
#include "engine/TempRun.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <functional>
#include <optional>

// The parts a trial converts: the whole clip when it is short, else a few short windows spread
// evenly between its marks.
QList<ClipSource> TrialParts(const ClipSource &clip);
// A finished trial's rate, from its files' sizes and lengths as read back, and its pace from the
// seconds it took; nothing unless every part became a file.
std::optional<TrialRate> MeasuredTrial(const RunSummary &summary, double elapsed_seconds);

// Converts the clip's trial now and waits for it (the command line). Nothing when it failed.
std::optional<TrialRate> MeasureClip(const ClipSource &clip, const ProfileSettings &profile);

// The list's trials: one clip at a time, while the user's work leaves the engine free. A trial
// gives the engine up at once to a run or a sample, and is made again afterwards.
class SizeTrials : public QObject {
    Q_OBJECT
public:
    // busy: whether the user is at work that wants the machine (a run, a sample, an add).
    explicit SizeTrials(std::function<bool()> busy, QObject *parent = nullptr);
    // Asks for the clip to be measured with the profile; wishes for another profile are dropped.
    void Want(const ClipSource &clip, const ProfileSettings &profile);

signals:
    // A clip was measured: the forecasts are worth showing again.
    void Measured();

private:
    struct Wish {
        ClipSource Clip;
        ProfileSettings Profile;
        QString Key;
    };
    void Next();
    void Ended(const RunSummary &summary);

    std::function<bool()> busy_;
    QList<Wish> waiting_;
    std::optional<Wish> current_;
    QString profile_key_;
    QSet<QString> failed_; // measured once without a result: not tried again
    TempRun run_;
    QTimer timer_;
};
