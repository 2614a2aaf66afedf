#include "app/DeviceTable.h"

std::optional<DeviceRow> DeviceRowFor(int32_t device_type) {
    switch (device_type) {
    case 0:
        return DeviceRow{".3gp", "3gp", "3gp.jpg", "3GP phone"};
    case 1:
        return DeviceRow{".MP4", "psp", "psp.jpg", "PSP"};
    case 2:
        return DeviceRow{".MP4", "mp4", "ipod.jpg", "iPod"};
    case 3:
        return DeviceRow{".MP4", "mp4", "pda.jpg", "PDA"};
    case 4:
        return DeviceRow{".MP4", "mp4", "mp4.jpg", "MP4 player"};
    default:
        return std::nullopt;
    }
}
