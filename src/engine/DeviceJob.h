#pragma once
// The jobs of the devices after the classic five: H.264 or HEVC fitted inside the profile's
// frame, an index at the front, and for size-capped profiles a frame chosen from the bit rate
// the clip's length leaves.

#include "engine/JobArguments.h"
#include "profiles/DeviceTable.h"

#include <QSize>
#include <optional>

// The settings of a profile text of the device; extras are the profile's codec and size limit.
std::optional<ProfileSettings> DeviceProfileSettings(const QString &profile_text,
                                                     const DeviceRow &device,
                                                     const ProfileExtras &extras);
// The same, reading the extras from the program's catalogue.
std::optional<ProfileSettings> DeviceProfileSettings(const QString &profile_text,
                                                     int32_t device_type);

// The frame a size-capped clip of `seconds` is made in: the largest of 1280x720, 960x540,
// 854x480 and 640x360 its bit rate carries, never beyond the profile's own frame.
QSize SizeCappedFrame(const ProfileSettings &profile, double seconds);

// Adds the fitted device's options (and, for a size limit, the frame and the target) to a job.
void AddDeviceOptions(TConvertDef &job, const ProfileSettings &profile);
// The job of a clip for any device: PrepareClip's, with a fitted device's options.
TConvertDef PrepareDeviceClip(const ClipSource &clip, const ProfileSettings &profile,
                              const QString &work_folder, bool keep_ratio,
                              const NameTaken &taken = PathTaken);
