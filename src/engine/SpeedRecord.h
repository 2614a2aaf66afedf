#pragma once
// How fast the engine converts on this machine: the pixels a second each video encoder was seen
// to make on finished clips (the whole conversion timed, decoding and sound included). Kept with
// the settings so that the first clip of the next run already has an honest expected time, and
// refined by every clip that finishes.

#include <QMap>
#include <QString>
#include <optional>

class SpeedRecord {
public:
    // The speeds kept in the settings store; none for an encoder never timed.
    static SpeedRecord Read();
    void Write() const;

    // The measured speed of an encoder ("mpeg4", "libx264", "libx265").
    std::optional<double> PixelsPerSecond(const QString &encoder) const;
    // A finished clip: the encoder made `pixels` (width x height x frames) in `seconds`. The
    // record moves halfway towards what it showed, so one odd clip does not rule it.
    void Observe(const QString &encoder, double pixels, double seconds);
    // The time the encoder will need for a clip of `pixels`: what every clip costs, and the
    // pixels at the measured speed, else at a first guess for a machine of two cores.
    double ExpectedSeconds(const QString &encoder, double pixels) const;

private:
    QMap<QString, double> speeds_;
};
