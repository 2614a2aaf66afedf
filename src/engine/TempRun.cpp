#include "engine/TempRun.h"

#include <encoder.h>

TempRun::TempRun(QObject *parent)
    : QObject(parent), port_([this](UINT msg, WPARAM w, LPARAM) {
          if (msg == WM_CONVERTDONE)
              run_.ConvertNextClip(static_cast<int>(w));
          return LRESULT{0};
      }) {
    run_.SetWindow(port_.Handle());
    connect(&run_, &ConversionRun::RunFinished, this, &TempRun::Ended);
}

TempRun::~TempRun() {
    Discard();
}

QString TempRun::Start(const QList<ClipSource> &parts, const ProfileSettings &profile) {
    Discard();
    folder_ = std::make_unique<QTemporaryDir>();
    if (!folder_->isValid())
        return QStringLiteral("No temporary folder: %1").arg(folder_->errorString());
    if (!run_.Begin(parts, profile, folder_->path() + QLatin1Char('/'), false))
        return QStringLiteral("The clip has nothing to convert between its marks.");
    clock_.start();
    run_.StartClip();
    return {};
}

void TempRun::Discard() {
    if (run_.Converting())
        run_.Abort(5000);
    folder_.reset(); // removes the folder with everything in it
}
