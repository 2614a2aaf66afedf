#include "app/Settings.h"

#include "common/Globals.h"

#include <QSettings>
#include <optional>

namespace {

QSettings Store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Vidore4");
}

// The values of this run, as they will be stored at exit.
StoredSettings &Current() {
    static StoredSettings current = StoredSettings::Defaults();
    return current;
}

bool ValidDevice(int32_t device_type) {
    return device_type >= 0 && device_type <= 4;
}

// An integer value of the store, or nothing when it is absent or no integer.
std::optional<int32_t> StoredInteger(const QSettings &store, const QString &key) {
    if (!store.contains(key))
        return std::nullopt;
    bool ok = false;
    const int value = store.value(key).toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

QString FolderInUse(const QString &choice) {
    return choice.isEmpty() ? DefaultWorkFolder() : WithSeparator(choice);
}

} // namespace

StoredSettings StoredSettings::Defaults() {
    StoredSettings defaults;
    defaults.OutputFolder = DefaultWorkFolder();
    return defaults;
}

StoredSettings StoredSettings::Read() {
    const QSettings store = Store();
    StoredSettings settings = Defaults();
    if (store.contains("OutputFolder"))
        settings.OutputFolder = store.value("OutputFolder").toString();
    if (const auto keep = StoredInteger(store, "KeepRatio"))
        settings.KeepRatio = *keep != 0;
    if (const auto device = StoredInteger(store, "DeviceType"); device && ValidDevice(*device))
        settings.DeviceType = *device;
    return settings;
}

void StoredSettings::Write() const {
    QSettings store = Store();
    store.setValue("OutputFolder", OutputFolder);
    store.setValue("KeepRatio", KeepRatio ? 1 : 0);
    store.setValue("DeviceType", DeviceType);
    store.sync();
}

void LoadSettings() {
    Current() = StoredSettings::Read();
    path_Work = FolderInUse(Current().OutputFolder);
    b_KeepRatio = Current().KeepRatio;
}

void SaveSettings() {
    Current().KeepRatio = b_KeepRatio;
    Current().Write();
}

void ChooseOutputFolder(const QString &folder) {
    Current().OutputFolder = WithSeparator(folder);
    path_Work = FolderInUse(folder);
}

QString StoredOutputFolder() {
    return Current().OutputFolder;
}

int32_t StoredDeviceType() {
    return Current().DeviceType;
}

void SetStoredDeviceType(int32_t device_type) {
    if (ValidDevice(device_type))
        Current().DeviceType = device_type;
}
