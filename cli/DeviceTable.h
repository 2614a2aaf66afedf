#pragma once
// The five devices of the catalogue: their section, the output extension and the container the
// engine writes for them.

#include <QString>
#include <cstdint>
#include <optional>

struct DeviceRow {
    int32_t Type = 2;
    QString Section; // "3gp", "psp", "ipod", "pda", "mp4"
    QString OutputExt;
    QString OutputFormat;
};

inline constexpr int32_t kDeviceCount = 5;
inline constexpr int32_t kDefaultDeviceType = 2;

// Nothing for a type outside 0 to 4.
std::optional<DeviceRow> DeviceRowFor(int32_t device_type);
// By section name, in any letter case.
std::optional<DeviceRow> DeviceRowNamed(const QString &name);
