#pragma once
// The settings that outlive the program, in the settings store of organisation "Vidore4":
// "OutputFolder" (text), "KeepRatio" (1 or 0) and "DeviceType" (a type of the device table).
//
// This file is the one owner of these values while the program runs, and of the output folder in
// use. The stored output folder is the user's choice and is kept apart from the folder in use,
// path_Work: when the chosen folder cannot be had, the session works in the default folder, and
// the choice is what is stored again at exit. path_Work and b_KeepRatio are views for reading;
// only the functions below change them.

#include "common/Globals.h"

#include <QString>
#include <cstdint>

extern const QString &path_Work; // the output folder in use, with its separator
extern const bool &b_KeepRatio;  // keep the picture's aspect ratio

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
// The folder this session works in instead of the chosen one, which stays the stored choice.
void UseOutputFolder(const QString &folder);
// Applies the fallback rule to the folder in use. With Unavailable the folder in use is the
// default folder, which could not be made either.
FolderState EnsureFolderInUse();
void SetKeepRatio(bool keep);

// Creates path_Config, path_Snapshot and the output folder in use, one folder level each. When
// the output folder cannot be had the default output folder is used. No message in any case.
bool EnsureFolders();
QString StoredOutputFolder();

int32_t StoredDeviceType();
// The device the main window selected; stored at exit.
void SetStoredDeviceType(int32_t device_type);
