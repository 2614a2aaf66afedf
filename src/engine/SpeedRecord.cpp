#include "engine/SpeedRecord.h"

#include "common/NumberText.h"

#include <QSettings>
#include <cmath>

namespace {

const QString kGroup = QStringLiteral("EngineSpeed");

// First guesses in pixels a second, before this machine has shown its own: the engine's speed at
// device sizes on a two-core machine under load.
double FirstGuess(const QString &encoder) {
    if (encoder == QLatin1String("libx265"))
        return 3e6;
    if (encoder == QLatin1String("libx264"))
        return 12e6;
    return 25e6;
}

QSettings Store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Vidore4");
}

} // namespace

SpeedRecord SpeedRecord::Read() {
    SpeedRecord record;
    QSettings store = Store();
    store.beginGroup(kGroup);
    for (const QString &key : store.childKeys()) {
        const double speed = DecimalValue(store.value(key).toString());
        if (speed > 0)
            record.speeds_.insert(key, speed);
    }
    return record;
}

void SpeedRecord::Write() const {
    QSettings store = Store();
    store.beginGroup(kGroup);
    for (auto it = speeds_.begin(); it != speeds_.end(); ++it)
        store.setValue(it.key(), DecimalText(std::round(it.value())));
}

std::optional<double> SpeedRecord::PixelsPerSecond(const QString &encoder) const {
    const auto it = speeds_.find(encoder);
    if (it == speeds_.end())
        return std::nullopt;
    return it.value();
}

void SpeedRecord::Observe(const QString &encoder, double pixels, double seconds) {
    // A clip done in a moment says more about opening files than about the encoder; a few
    // hundredths of a second are still a measure (the clip's own opening is part of its time).
    if (!(pixels > 0) || !(seconds >= 0.05) || encoder.isEmpty())
        return;
    const double seen = pixels / seconds;
    const std::optional<double> kept = PixelsPerSecond(encoder);
    speeds_.insert(encoder, kept ? (*kept + seen) / 2 : seen);
}

double SpeedRecord::ExpectedSeconds(const QString &encoder, double pixels) const {
    if (!(pixels > 0))
        return 0;
    return pixels / PixelsPerSecond(encoder).value_or(FirstGuess(encoder));
}
