#pragma once
// The devices the program converts for. A device type picks the catalogue section of its
// profiles, the extension and container of the output files, and the picture the preview panel
// shows while nothing plays.

#include <QString>
#include <cstdint>
#include <optional>

inline constexpr int32_t kDeviceCount = 5;

struct DeviceRow {
    QString OutputExt;    // ".3gp", ".MP4"
    QString OutputFormat; // the container: "3gp", "psp", "mp4"
    QString Picture;      // file name in the skin folder
    QString Caption;      // the name the user picks it by
    int32_t Type = 0;
    QString Section; // the catalogue section: "3gp", "psp", "ipod", "pda", "mp4"
};

// The row of device type 0 to 4; nothing for any other value.
std::optional<DeviceRow> DeviceRowFor(int32_t device_type);
// The row whose catalogue section has this name, in any letter case.
std::optional<DeviceRow> DeviceRowNamed(const QString &section);
