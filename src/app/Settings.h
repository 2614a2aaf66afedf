#pragma once
// The settings that outlive the program, in the settings store of organisation "Vidore4":
// "OutputFolder" (text), "KeepRatio" (1 or 0) and "DeviceType" (0 to 4).
//
// The stored output folder is the user's choice and is kept apart from the folder in use,
// path_Work: when the chosen folder cannot be had, the session works in the default folder, and
// the choice is what is stored again at exit.

#include <QString>
#include <cstdint>

inline constexpr int32_t kDefaultDeviceType = 2; // iPod

struct StoredSettings {
    QString OutputFolder; // as the user chose it; empty stands for the default folder
    bool KeepRatio = false;
    int32_t DeviceType = kDefaultDeviceType;

    // What a first start has: the default output folder, keep-ratio off, the iPod.
    static StoredSettings Defaults();
    // The stored values; an absent or unusable value gives its default.
    static StoredSettings Read();
    // Writes all three values.
    void Write() const;
};

// Reads the store: path_Work becomes the stored folder (the default folder for an empty one),
// b_KeepRatio the stored switch, and the stored device is kept for StoredDeviceType.
void LoadSettings();
// Writes the stored folder choice, b_KeepRatio and the device last selected.
void SaveSettings();

// The user chose an output folder: it is used from now on and is the value stored at exit.
void ChooseOutputFolder(const QString &folder);
QString StoredOutputFolder();

int32_t StoredDeviceType();
// The device the main window selected; stored at exit.
void SetStoredDeviceType(int32_t device_type);
