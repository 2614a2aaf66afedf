#pragma once
// The engine's status reports. The engine calls the two report functions on its own threads;
// each info line is tagged with the clip it belongs to and queued to the user-interface thread,
// where EngineReportQueue hands it on in the order the engine reported it (the same queue that
// carries the engine's end-of-clip message). Reading a line is a pure step.

#include "engine/StatusLine.h"
#include <QObject>
#include <QString>
#include <cstdint>
#include <deque>
#include <optional>

// The functions handed to the engine. Both return 0.
int EngineInfoReport(const char *text);
int EnginePercentReport(int percent);

// Hands both functions to the engine (it must be loaded).
void RegisterEngineReports();
// Lines reported from now on belong to this clip.
void SetReportingClip(uint64_t serial);

class EngineReportQueue : public QObject {
    Q_OBJECT
public:
    // Made on first use, which must be on the user-interface thread; lives as long as the
    // application object.
    static EngineReportQueue *Instance();
    ~EngineReportQueue() override;

signals:
    void Line(quint64 serial, const QString &text);

protected:
    bool event(QEvent *event) override;

private:
    EngineReportQueue();
};

// How fast the run converts and how long the rest of the list will take, from the positions
// the status lines report and the wall-clock times they arrived at.
class RunSpeedometer {
public:
    // A clip begins at position 0; seconds_after is the length of the clips that follow it.
    void StartClip(double clip_length, double seconds_after, double wall_seconds);
    void Observe(double position, double wall_seconds);
    // Seconds of clip converted per second; the last clip's speed until this one has its own.
    std::optional<double> Speed() const;
    std::optional<double> SecondsLeft() const;

private:
    struct Sample {
        double wall;
        double position;
    };
    std::deque<Sample> samples_;
    std::optional<double> carried_;
    double clip_length_ = 0;
    double seconds_after_ = 0;
    double position_ = 0;
};

// "4.2× real time"; "–" while unknown.
QString SpeedText(std::optional<double> speed);
// "00:01:23"; "–" while unknown.
QString TimeLeftText(std::optional<double> seconds);
