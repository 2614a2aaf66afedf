#pragma once
// Program-wide folders and shared values. Folder texts always end in the separator.

#include <QString>

extern QString path_Skin;     // skin description and pictures
extern QString path_Config;   // the profile catalogue Output.dll
extern QString path_Snapshot; // thumbnail files of the clips in the list
extern QString path_Work;     // the output folder
extern QString g_s_Version;   // set during start-up
extern bool b_KeepRatio;      // keep the picture's aspect ratio

// The application title, shown as the title of the program's message boxes.
extern QString g_s_ApplicationTitle;

// The caption of the main window; a second start looks for it.
inline constexpr const char *kMainCaption = "Vidore4 Converter";

QString WithSeparator(const QString &folder);
// "$HOME/MavoOutput/".
QString DefaultWorkFolder();

// Sets the four folders from the program folder. The program folder holds Snapshot/ and
// Output.dll when it is writable; otherwise they live in the user's cache and configuration
// folders, with a per-user copy of the shipped catalogue.
void InitFolderPaths(const QString &program_folder, bool program_folder_writable);

// Creates path_Config, path_Snapshot and path_Work, one folder level each. When path_Work cannot
// be had it becomes the default output folder. No message in any case.
bool EnsureFolders();
