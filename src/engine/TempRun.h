#pragma once
// Parts of a clip converted through the run's own path (the frame, the colour, the encoder at the
// profile's rate) into a temporary folder of their own, which goes with them: never the output
// folder. The samples beside the preview and the size trials of the list are made this way.

#include "common/MessagePort.h"
#include "engine/ConversionRun.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <memory>

class TempRun : public QObject {
    Q_OBJECT
public:
    explicit TempRun(QObject *parent = nullptr);
    // Stops what is being converted and removes the folder.
    ~TempRun() override;

    // Converts the parts, one after another, into a new temporary folder; an earlier folder is
    // removed first. Empty when started, else why not.
    QString Start(const QList<ClipSource> &parts, const ProfileSettings &profile);
    bool Converting() const { return run_.Converting(); }
    // Seconds since the parts were handed over.
    double Elapsed() const { return clock_.elapsed() / 1000.0; }
    // Gives the engine up to any other run (see ConversionRun::SetYielding).
    void SetYielding(bool yielding) { run_.SetYielding(yielding); }
    // Stops the conversion and removes the folder with its files.
    void Discard();

signals:
    void Ended(const RunSummary &summary);

private:
    ConversionRun run_;
    MessagePort port_;
    std::unique_ptr<QTemporaryDir> folder_;
    QElapsedTimer clock_;
};
