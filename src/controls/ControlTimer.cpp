#include "controls/ControlTimer.h"

ControlTimer::ControlTimer(std::function<void()> on_tick, int interval, QObject *parent)
    : QObject(parent), on_tick_(std::move(on_tick)), interval_(interval) {
    QObject::connect(&timer_, &QTimer::timeout, this, [this] {
        if (on_tick_)
            on_tick_();
    });
}

void ControlTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    Update();
}

void ControlTimer::SetInterval(int interval) {
    if (interval == interval_)
        return;
    interval_ = interval;
    Update();
}

void ControlTimer::Update() {
    timer_.stop();
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
}
