#pragma once
// "Will it play": a written file is read back through the engine and held against the limits of
// the device it was made for.

#include "profiles/DeviceTable.h"

#include <QString>
#include <QStringList>
#include <encoder.h>

struct PlayVerdict {
    bool Plays = false;
    QString Text; // "plays on iPod", or what keeps it from playing
};

// Everything in the facts the device cannot play, one phrase each; empty when it plays.
QStringList OutOfBounds(const MediaFacts &facts, const DeviceLimits &limits);
// `hdr_profile`: the file was made by the device's HDR profile, which may keep PQ or HLG in 10
// bits.
PlayVerdict JudgePlayback(const MediaFacts &facts, const DeviceRow &device,
                          bool hdr_profile = false);
// Reads the file back through the loaded engine and judges it.
PlayVerdict CheckPlayback(const QString &path, const DeviceRow &device, bool hdr_profile = false);
