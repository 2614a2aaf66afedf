#pragma once
// A timer of the user-interface thread with the classic enabled/interval pair: it ticks only
// while it is enabled and its interval is above 0; changing the interval of a running timer
// starts its count again.

#include <QObject>
#include <QTimer>
#include <functional>

class ControlTimer : public QObject {
public:
    ControlTimer(std::function<void()> on_tick, int interval, QObject *parent);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    int Interval() const { return interval_; }
    void SetInterval(int interval);
    // True while ticks actually come (enabled with an interval above 0).
    bool Running() const { return timer_.isActive(); }

private:
    void Update();

    QTimer timer_;
    std::function<void()> on_tick_;
    bool enabled_ = false;
    int interval_ = 0;
};
