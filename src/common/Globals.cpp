#include "common/Globals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString path_Skin;
QString path_Config;
QString path_Snapshot;
QString path_Work;
QString g_s_Version;
bool b_KeepRatio = false;
QString g_s_ApplicationTitle;

QString WithSeparator(const QString &folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

QString DefaultWorkFolder() {
    return WithSeparator(QDir::homePath()) + "MavoOutput/";
}

void InitFolderPaths(const QString &program_folder, bool program_folder_writable) {
    const QString program = WithSeparator(program_folder);
    path_Skin = program + "Skin/";
    path_Work = DefaultWorkFolder();
    if (program_folder_writable) {
        path_Config = program;
        path_Snapshot = program + "Snapshot/";
        return;
    }
    const QString config_base =
        WithSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    const QString cache_base =
        WithSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
    path_Config = config_base + "Vidore4/";
    path_Snapshot = cache_base + "Vidore4/Snapshot/";
    // A fresh home may lack the cache and configuration folders: our own folders beneath them
    // are made here, one level at a time, so that the folder check of start-up can succeed.
    for (const QString &folder : {config_base, path_Config, cache_base, cache_base + "Vidore4/"})
        if (!QFileInfo(folder).isDir())
            QDir().mkdir(folder);
    // The user's own copy of the catalogue starts as the shipped one.
    const QString shipped = program + "Output.dll";
    const QString own = path_Config + "Output.dll";
    if (!QFileInfo(own).isFile() && QFileInfo(shipped).isFile() && QFileInfo(path_Config).isDir())
        QFile::copy(shipped, own);
}

namespace {
// One level only: a missing parent makes it fail.
bool FolderExistsOrCreated(const QString &folder) {
    if (folder.isEmpty())
        return false;
    return QFileInfo(folder).isDir() || QDir().mkdir(folder);
}
} // namespace

bool EnsureFolders() {
    if (!FolderExistsOrCreated(path_Config))
        return false;
    if (!FolderExistsOrCreated(path_Snapshot))
        return false;
    if (FolderExistsOrCreated(path_Work))
        return true;
    path_Work = DefaultWorkFolder();
    return FolderExistsOrCreated(path_Work);
}
