#pragma once
// The program's stored choices that a batch run starts from.

#include "DeviceTable.h"

#include <QString>

struct StoredSettings {
    QString OutputFolder; // as stored; empty when none is
    bool KeepRatio = false;
    int32_t DeviceType = kDefaultDeviceType;
};

// Reads "OutputFolder", "KeepRatio" and "DeviceType" of the "Vidore4" store; absent or unusable
// values keep the defaults above.
StoredSettings ReadStoredSettings();
