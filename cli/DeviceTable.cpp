#include "DeviceTable.h"

#include "profiles/ProfileCatalogue.h"

#include <array>

namespace {

struct DeviceOutput {
    const char *Ext;
    const char *Format;
};

// By device type: 3gp, psp, ipod, pda, mp4.
constexpr std::array<DeviceOutput, kDeviceCount> kDeviceOutputs{{
    {".3gp", "3gp"},
    {".MP4", "psp"},
    {".MP4", "mp4"},
    {".MP4", "mp4"},
    {".MP4", "mp4"},
}};

} // namespace

std::optional<DeviceRow> DeviceRowFor(int32_t device_type) {
    if (device_type < 0 || device_type >= kDeviceCount)
        return std::nullopt;
    const DeviceOutput &output = kDeviceOutputs[static_cast<size_t>(device_type)];
    return DeviceRow{device_type, ProfileCatalogue::SectionForDevice(device_type),
                     QString::fromLatin1(output.Ext), QString::fromLatin1(output.Format)};
}

std::optional<DeviceRow> DeviceRowNamed(const QString &name) {
    for (int32_t type = 0; type < kDeviceCount; ++type)
        if (ProfileCatalogue::SectionForDevice(type).compare(name, Qt::CaseInsensitive) == 0)
            return DeviceRowFor(type);
    return std::nullopt;
}
