#include "DeviceTable.h"

#include "profiles/ProfileCatalogue.h"

std::optional<DeviceRow> DeviceRowFor(int32_t device_type) {
    const QString section = ProfileCatalogue::SectionForDevice(device_type);
    if (section.isEmpty())
        return std::nullopt;
    // Only the 3gp player takes a 3GP file; every other device gets an MPEG-4 file, the PSP
    // its own flavour of it.
    const bool three_gp = device_type == 0;
    const QString format = three_gp           ? QStringLiteral("3gp")
                           : device_type == 1 ? QStringLiteral("psp")
                                              : QStringLiteral("mp4");
    return DeviceRow{device_type, section,
                     three_gp ? QStringLiteral(".3gp") : QStringLiteral(".MP4"), format};
}

std::optional<DeviceRow> DeviceRowNamed(const QString &name) {
    for (int32_t type = 0; type < kDeviceCount; ++type)
        if (ProfileCatalogue::SectionForDevice(type).compare(name, Qt::CaseInsensitive) == 0)
            return DeviceRowFor(type);
    return std::nullopt;
}
