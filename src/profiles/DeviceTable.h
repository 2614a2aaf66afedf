#pragma once
// The devices the program converts for. A device type picks the catalogue section of its
// profiles, the extension and container of the output files, the picture the preview panel
// shows while nothing plays, and the limits of what the device plays.
//
// The first five are the classic players (MPEG-4 video in the profile's frame, bands on request);
// the devices after them take H.264 or HEVC, and their picture is fitted inside the profile's
// frame with its shape kept and never enlarged.

#include "profiles/DeviceLimits.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

inline constexpr int32_t kDeviceCount = 8;
inline constexpr int32_t kClassicDeviceCount = 5;

struct DeviceRow {
    QString OutputExt;    // ".3gp", ".MP4"
    QString OutputFormat; // the container: "3gp", "psp", "mp4"
    QString Picture;      // file name in the skin folder
    QString Caption;      // the name the user picks it by
    int32_t Type = 0;
    QString Section; // the catalogue section: "3gp", "psp", "ipod", "pda", "mp4", "phone" ...
    // The video the device's profiles take unless a profile names another ("mpeg4", "h264").
    QString VideoCodec = QStringLiteral("mpeg4");
    DeviceLimits Limits;
    // A device after the classic five: the picture is fitted, the file indexed at its front.
    bool Fitted() const { return Type >= kClassicDeviceCount; }
};

// The row of device type 0 to 7; nothing for any other value.
std::optional<DeviceRow> DeviceRowFor(int32_t device_type);
// The row whose catalogue section has this name, in any letter case.
std::optional<DeviceRow> DeviceRowNamed(const QString &section);
// "3gp, psp, ipod, pda, mp4, phone, tv or share": the names a command line takes.
QString DeviceNamesText();
