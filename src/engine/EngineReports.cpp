#include "engine/EngineReports.h"

#include "common/FloatToInt.h"
#include "common/NumberText.h"
#include "common/SharedFunctions.h"
#include "engine/EngineBinding.h"

#include <QCoreApplication>
#include <QEvent>
#include <atomic>
#include <cmath>

namespace {

const QEvent::Type kLineEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct LineEvent : QEvent {
    LineEvent(quint64 s, QString t) : QEvent(kLineEvent), serial(s), text(std::move(t)) {}
    quint64 serial;
    QString text;
};

std::atomic<EngineReportQueue *> g_queue{nullptr};
std::atomic<uint64_t> g_serial{0};

// How far back the speed looks, and how long a stretch it needs before it says anything.
constexpr double kSpeedWindow = 3.0;
constexpr double kSpeedMinSpan = 0.1;

} // namespace

int EngineInfoReport(const char *text) {
    EngineReportQueue *queue = g_queue.load();
    if (queue != nullptr && text != nullptr)
        QCoreApplication::postEvent(queue, new LineEvent(g_serial.load(), QString::fromUtf8(text)));
    return 0;
}

int EnginePercentReport(int) {
    return 0;
}

void RegisterEngineReports() {
    EngineReportQueue::Instance();
    DllSetInfoCallBack(&EngineInfoReport);
    DllSetPercentCallBack(&EnginePercentReport);
}

void SetReportingClip(uint64_t serial) {
    g_serial = serial;
}

EngineReportQueue::EngineReportQueue() : QObject(QCoreApplication::instance()) {}

EngineReportQueue::~EngineReportQueue() {
    g_queue = nullptr;
}

EngineReportQueue *EngineReportQueue::Instance() {
    if (g_queue.load() == nullptr)
        g_queue = new EngineReportQueue;
    return g_queue.load();
}

bool EngineReportQueue::event(QEvent *event) {
    if (event->type() != kLineEvent)
        return QObject::event(event);
    const auto *line = static_cast<LineEvent *>(event);
    emit Line(line->serial, line->text);
    return true;
}

void RunSpeedometer::StartClip(double clip_length, double seconds_after, double wall_seconds) {
    if (auto speed = Speed())
        carried_ = speed;
    samples_.clear();
    samples_.push_back({wall_seconds, 0});
    clip_length_ = clip_length;
    seconds_after_ = seconds_after;
    position_ = 0;
}

void RunSpeedometer::Observe(double position, double wall_seconds) {
    position_ = position;
    samples_.push_back({wall_seconds, position});
    while (samples_.size() > 2 && wall_seconds - samples_[1].wall >= kSpeedWindow)
        samples_.pop_front();
}

std::optional<double> RunSpeedometer::Speed() const {
    if (samples_.size() >= 2) {
        const double span = samples_.back().wall - samples_.front().wall;
        const double done = samples_.back().position - samples_.front().position;
        if (span >= kSpeedMinSpan && done > 0)
            return done / span;
    }
    return carried_;
}

std::optional<double> RunSpeedometer::SecondsLeft() const {
    const std::optional<double> speed = Speed();
    if (!speed || !(*speed > 0))
        return std::nullopt;
    const double rest = std::max(0.0, clip_length_ - position_) + seconds_after_;
    return rest / *speed;
}

QString SpeedText(std::optional<double> speed) {
    if (!speed || !std::isfinite(*speed))
        return QStringLiteral("\u2013");
    const double tenths = std::round(*speed * 10.0) / 10.0;
    QString number = DecimalText(tenths);
    if (!number.contains(QLatin1Char('.')) && !number.contains(QLatin1Char('e')))
        number += QStringLiteral(".0");
    return number + QStringLiteral("\u00d7 real time");
}

QString TimeLeftText(std::optional<double> seconds) {
    if (!seconds || !std::isfinite(*seconds))
        return QStringLiteral("\u2013");
    const int32_t whole = FloatToInt<int32_t>(*seconds, FloatRound::Nearest);
    // Beyond a day the time text has no form; a day it is, then.
    return SecondsToTimeText(std::min<int32_t>(whole, 86400));
}
