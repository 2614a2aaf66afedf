#pragma once
// A few seconds of a clip converted for real, to be seen beside the source before a run: through
// the same run and engine path as the clips of a run (the frame, the colour, the encoder at the
// profile's rate), into a temporary folder of its own that goes with the sample. Never in the
// output folder.

#include "engine/TempRun.h"

#include <QObject>
#include <QString>

class SampleMaker : public QObject {
    Q_OBJECT
public:
    static constexpr int32_t kSeconds = 5;

    explicit SampleMaker(QObject *parent = nullptr);

    // Converts about kSeconds of the clip around `position` (seconds into the source), within
    // its marks. Refused, with the reason, while `run` converts or a sample is being made; an
    // earlier sample is removed first. Empty when started.
    QString Start(const ClipSource &clip, int32_t position, const ProfileSettings &profile,
                  const ConversionRun *run);
    bool Converting() const { return run_.Converting(); }
    // The finished sample; empty until Ready.
    const QString &File() const { return file_; }
    // Where in the source the sample begins, in seconds.
    int32_t SourceStart() const { return source_start_; }
    // Stops a sample being made and removes the sample's folder with its file.
    void Discard();

signals:
    void Ready(const QString &file);
    void Failed(const QString &reason);

private:
    void Finished(const RunSummary &summary);

    TempRun run_;
    QString file_;
    int32_t source_start_ = 0;
};
