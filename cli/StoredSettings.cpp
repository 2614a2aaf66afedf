#include "StoredSettings.h"

#include <QSettings>

StoredSettings ReadStoredSettings() {
    const QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Vidore4");
    StoredSettings stored;
    if (store.contains("OutputFolder"))
        stored.OutputFolder = store.value("OutputFolder").toString();
    bool ok = false;
    const int keep = store.value("KeepRatio").toInt(&ok);
    stored.KeepRatio = ok && keep != 0;
    const int device = store.value("DeviceType").toInt(&ok);
    if (ok && DeviceRowFor(device))
        stored.DeviceType = device;
    return stored;
}
