#pragma once
// The two settings that outlive the program, "OutputFolder" and "KeepRatio", in the settings
// store of organisation "Vidore4".

class QSettings;
class QString;

// Reads the stored values into path_Work and b_KeepRatio; absent values leave them as they are.
void LoadSettings();
// Writes both values.
void SaveSettings();

// The user chose an output folder: it is used from now on and is the value stored at exit.
void ChooseOutputFolder(const QString &folder);
