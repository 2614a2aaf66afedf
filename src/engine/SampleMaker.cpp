#include "engine/SampleMaker.h"

#include <algorithm>

SampleMaker::SampleMaker(QObject *parent) : QObject(parent) {
    connect(&run_, &TempRun::Ended, this, &SampleMaker::Finished);
}

QString SampleMaker::Start(const ClipSource &clip, int32_t position, const ProfileSettings &profile,
                           const ConversionRun *run) {
    if (run != nullptr && run->Converting())
        return QStringLiteral("A sample cannot be made while clips are converting: the run "
                              "comes first.");
    if (run_.Converting())
        return QStringLiteral("A sample is being made already.");
    Discard();
    ClipSource part = clip;
    const int32_t latest = std::max(clip.StartTime, clip.StopTime - kSeconds);
    part.StartTime = std::clamp(position - kSeconds / 2, clip.StartTime, latest);
    part.StopTime = std::min(part.StartTime + kSeconds, clip.StopTime);
    part.OutputSuffix = QStringLiteral("-sample");
    source_start_ = part.StartTime;
    return run_.Start({part}, profile);
}

void SampleMaker::Finished(const RunSummary &summary) {
    const ClipResult result =
        summary.Results.isEmpty() ? ClipResult{} : summary.Results.constFirst();
    if (result.Outcome == ClipOutcome::Finished) {
        file_ = result.Output;
        emit Ready(file_);
        return;
    }
    emit Failed(result.Reason.isEmpty() ? QStringLiteral("the sample was stopped") : result.Reason);
}

void SampleMaker::Discard() {
    file_.clear();
    run_.Discard();
}
