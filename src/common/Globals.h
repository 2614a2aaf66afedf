#pragma once
// Program-wide folders and shared values. Folder texts always end in the separator.

#include <QStandardPaths>
#include <QString>

extern QString path_Skin;     // skin description and pictures
extern QString path_Config;   // the profile catalogue Output.dll
extern QString path_Snapshot; // thumbnail files of the clips in the list
extern QString g_s_Version;   // set during start-up
// The output folder in use and the keep-ratio switch are the settings' (model/Settings.h).

// The application title, shown as the title of the program's message boxes.
extern QString g_s_ApplicationTitle;

// The caption of the main window; a second start looks for it.
inline constexpr const char *kMainCaption = "Vidore4 Converter";

QString WithSeparator(const QString &folder);
// The program's own folder in a user's base folder ("Vidore4/" in the configuration or cache
// folder), with its separator; empty when the base is.
QString OwnFolderIn(QStandardPaths::StandardLocation base);
// "$HOME/MavoOutput/".
QString DefaultWorkFolder();

// The folder a choice stands for: the default output folder for an empty one, and always with
// its separator.
QString FolderForChoice(const QString &choice);

enum class FolderState { Ready, FellBack, Unavailable };
// The one rule for an output folder that cannot be had: the folder is made when missing (one
// level); when it cannot be, the default output folder takes its place (Unavailable when that
// cannot be made either). An empty text is the default folder.
FolderState EnsureOutputFolder(QString &folder);

// Sets the three program folders from the program folder. The program folder holds Snapshot/ and
// Output.dll when it is writable; otherwise they live in the user's cache and configuration
// folders, with a per-user copy of the shipped catalogue.
void InitFolderPaths(const QString &program_folder, bool program_folder_writable);
