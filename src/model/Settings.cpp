#include "model/Settings.h"

#include "common/Globals.h"
#include "profiles/DeviceTable.h"

#include <QDir>
#include <QFileInfo>
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

QString g_folder_in_use = DefaultWorkFolder();
bool g_keep_ratio = false;

bool ValidDevice(int32_t device_type) {
    return DeviceRowFor(device_type).has_value();
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

} // namespace

const QString &path_Work = g_folder_in_use;
const bool &b_KeepRatio = g_keep_ratio;

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
    g_folder_in_use = FolderForChoice(Current().OutputFolder);
    g_keep_ratio = Current().KeepRatio;
}

void SaveSettings() {
    Current().KeepRatio = g_keep_ratio;
    Current().Write();
}

void ChooseOutputFolder(const QString &folder) {
    Current().OutputFolder = WithSeparator(folder);
    g_folder_in_use = FolderForChoice(folder);
}

void UseOutputFolder(const QString &folder) {
    g_folder_in_use = FolderForChoice(folder);
}

FolderState EnsureFolderInUse() {
    return EnsureOutputFolder(g_folder_in_use);
}

void SetKeepRatio(bool keep) {
    g_keep_ratio = keep;
}

namespace {
// One level only: a missing parent makes it fail.
bool FolderExistsOrCreated(const QString &folder) {
    return !folder.isEmpty() && (QFileInfo(folder).isDir() || QDir().mkdir(folder));
}
} // namespace

bool EnsureFolders() {
    if (!FolderExistsOrCreated(path_Config) || !FolderExistsOrCreated(path_Snapshot))
        return false;
    return EnsureFolderInUse() != FolderState::Unavailable;
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
