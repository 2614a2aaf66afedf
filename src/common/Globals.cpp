#include "common/Globals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString path_Skin;
QString path_Config;
QString path_Snapshot;
QString g_s_Version;
QString g_s_ApplicationTitle;

QString WithSeparator(const QString &folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

QString OwnFolderIn(QStandardPaths::StandardLocation base) {
    const QString folder = QStandardPaths::writableLocation(base);
    return folder.isEmpty() ? QString() : WithSeparator(folder) + QStringLiteral("Vidore4/");
}

QString DefaultWorkFolder() {
    return WithSeparator(QDir::homePath()) + "MavoOutput/";
}

void InitFolderPaths(const QString &program_folder, bool program_folder_writable) {
    const QString program = WithSeparator(program_folder);
    path_Skin = program + "Skin/";
    if (program_folder_writable) {
        path_Config = program;
        path_Snapshot = program + "Snapshot/";
        return;
    }
    const QString config_base =
        WithSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    const QString cache_base =
        WithSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
    const QString own_cache = OwnFolderIn(QStandardPaths::GenericCacheLocation);
    path_Config = OwnFolderIn(QStandardPaths::GenericConfigLocation);
    path_Snapshot = own_cache + "Snapshot/";
    // A fresh home may lack the cache and configuration folders: our own folders beneath them
    // are made here, one level at a time, so that the folder check of start-up can succeed.
    for (const QString &folder : {config_base, path_Config, cache_base, own_cache})
        if (!QFileInfo(folder).isDir())
            QDir().mkdir(folder);
    // The user's own copy of the catalogue starts as the shipped one.
    const QString shipped = program + "Output.dll";
    const QString own = path_Config + "Output.dll";
    if (!QFileInfo(own).isFile() && QFileInfo(shipped).isFile() && QFileInfo(path_Config).isDir())
        QFile::copy(shipped, own);
}

QString FolderForChoice(const QString &choice) {
    return choice.isEmpty() ? DefaultWorkFolder() : WithSeparator(choice);
}

namespace {
bool FolderReady(const QString &folder) {
    return !folder.isEmpty() && (QFileInfo(folder).isDir() || QDir().mkdir(folder));
}
} // namespace

FolderState EnsureOutputFolder(QString &folder) {
    folder = FolderForChoice(folder);
    if (FolderReady(folder))
        return FolderState::Ready;
    folder = DefaultWorkFolder();
    return FolderReady(folder) ? FolderState::FellBack : FolderState::Unavailable;
}
