#pragma once
// mavo-convert --estimate: each file's predicted output (frame, rate, size, the time this machine
// needs and whether the device plays it), without writing anything.

#include "BatchOptions.h"
#include "engine/OutputForecast.h"
#include "engine/SpeedRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>

// What the loaded engine tells of a whole file; nothing, with the reason, when it cannot take it.
std::optional<SourceFacts> ReadSourceFacts(const QString &path, QString &reason);

struct ClipEstimate {
    QString Source;
    FileForecast File;
    double ConvertSeconds = 0; // the expected conversion time
    QString Reason;            // why the file cannot be read; empty when it can
};

// sample_seconds: the estimate of a sample of that length (0: the whole clip).
ClipEstimate EstimateClip(const QString &path, const BatchJob &job, const SpeedRecord &speed,
                          int32_t sample_seconds);
// One JSON object: source, frame, fps, bytes, seconds (the expected time), plays, converts.
QByteArray ClipEstimateJson(const ClipEstimate &estimate);
// Prints every file's estimate and returns the exit status: 1 when a clip would fail.
int EstimateFiles(const BatchOptions &options, const BatchJob &job, QTextStream &out,
                  QTextStream &err);
