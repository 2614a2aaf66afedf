#include "engine/SpeedRecord.h"

#include "common/NumberText.h"

#include <QSettings>
#include <algorithm>
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

// What every clip costs whatever its length: reading the file's headers, starting the encoders,
// writing the index and reading the file back. Measured on two cores at about 0.4 s.
constexpr double kClipSeconds = 0.4;

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
    if (!(pixels > 0) || !(seconds > 0) || encoder.isEmpty())
        return;
    // The pixels' share of the time: what the clip took beyond the cost of any clip, and never
    // less than a quarter of it (a very short clip says little about the pixels).
    const double seen = pixels / std::max(seconds - kClipSeconds, seconds / 4);
    const std::optional<double> kept = PixelsPerSecond(encoder);
    speeds_.insert(encoder, kept ? (*kept + seen) / 2 : seen);
}

double SpeedRecord::ExpectedSeconds(const QString &encoder, double pixels) const {
    if (!(pixels > 0))
        return 0;
    return kClipSeconds + pixels / PixelsPerSecond(encoder).value_or(FirstGuess(encoder));
}
