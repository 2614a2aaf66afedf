#include "engine/SampleMaker.h"

#include <algorithm>
#include <encoder.h>

SampleMaker::SampleMaker(QObject *parent)
    : QObject(parent), port_([this](UINT msg, WPARAM w, LPARAM) {
          if (msg == WM_CONVERTDONE)
              run_.ConvertNextClip(static_cast<int>(w));
          return LRESULT{0};
      }) {
    run_.SetWindow(port_.Handle());
    connect(&run_, &ConversionRun::RunFinished, this, &SampleMaker::Finished);
}

SampleMaker::~SampleMaker() {
    Discard();
}

QString SampleMaker::Start(const ClipSource &clip, int32_t position, const ProfileSettings &profile,
                           const ConversionRun *run) {
    if (run != nullptr && run->Converting())
        return QStringLiteral("A sample cannot be made while clips are converting: the run "
                              "comes first.");
    if (run_.Converting())
        return QStringLiteral("A sample is being made already.");
    Discard();
    folder_ = std::make_unique<QTemporaryDir>();
    if (!folder_->isValid())
        return QStringLiteral("No temporary folder for the sample: %1").arg(folder_->errorString());
    ClipSource part = clip;
    const int32_t latest = std::max(clip.StartTime, clip.StopTime - kSeconds);
    part.StartTime = std::clamp(position - kSeconds / 2, clip.StartTime, latest);
    part.StopTime = std::min(part.StartTime + kSeconds, clip.StopTime);
    part.OutputSuffix = QStringLiteral("-sample");
    source_start_ = part.StartTime;
    if (!run_.Begin({part}, profile, folder_->path() + QLatin1Char('/'), false))
        return QStringLiteral("The clip has nothing to convert between its marks.");
    run_.StartClip();
    return {};
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
    if (run_.Converting())
        run_.Abort(5000);
    file_.clear();
    folder_.reset(); // removes the folder with everything in it
}
