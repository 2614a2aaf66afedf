#include "profiles/DeviceTable.h"

#include "profiles/ProfileCatalogue.h"

namespace {
std::optional<DeviceRow> FixedPartOf(int32_t device_type) {
    switch (device_type) {
    case 0:
        return DeviceRow{".3gp", "3gp", "3gp.jpg", "3GP phone", 0, {}};
    case 1:
        return DeviceRow{".MP4", "psp", "psp.jpg", "PSP", 1, {}};
    case 2:
        return DeviceRow{".MP4", "mp4", "ipod.jpg", "iPod", 2, {}};
    case 3:
        return DeviceRow{".MP4", "mp4", "pda.jpg", "PDA", 3, {}};
    case 4:
        return DeviceRow{".MP4", "mp4", "mp4.jpg", "MP4 player", 4, {}};
    default:
        return std::nullopt;
    }
}
} // namespace

std::optional<DeviceRow> DeviceRowFor(int32_t device_type) {
    std::optional<DeviceRow> row = FixedPartOf(device_type);
    if (row)
        row->Section = ProfileCatalogue::SectionForDevice(device_type);
    return row;
}

std::optional<DeviceRow> DeviceRowNamed(const QString &section) {
    for (int32_t type = 0; type < kDeviceCount; ++type)
        if (ProfileCatalogue::SectionForDevice(type).compare(section, Qt::CaseInsensitive) == 0)
            return DeviceRowFor(type);
    return std::nullopt;
}
