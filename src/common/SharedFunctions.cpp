#include "common/SharedFunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <limits>

QString TwoDigitText(int32_t n) {
    const QString digits = QString::number(n);
    return n < 10 ? QStringLiteral("0") + digits : digits;
}

QString SecondsToTimeText(int32_t seconds) {
    if (seconds > 86400)
        return QStringLiteral("00:00:00");
    if (seconds < 0)
        seconds = 0;
    const int32_t h = seconds / 3600;
    const int32_t m = (seconds % 3600) / 60;
    const int32_t s = (seconds % 3600) % 60;
    return TwoDigitText(h) + QLatin1Char(':') + TwoDigitText(m) + QLatin1Char(':') +
           TwoDigitText(s);
}

int32_t GetFileSizeKB(const QString &path) {
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const qint64 kb = file.size() / 1024;
    return kb > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                    : static_cast<int32_t>(kb);
}

void DeleteFilesInFolder(const QString &folder, bool include_subfolders) {
    if (folder.isEmpty())
        return;
    QDir dir(folder);
    // Hidden entries count too; "." and ".." never appear with NoDotAndDotDot.
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &entry : entries) {
        if (entry.isSymLink()) {
            // The link itself goes, whatever it points to; its target is never touched.
            QFile::remove(entry.absoluteFilePath());
        } else if (entry.isDir()) {
            if (include_subfolders)
                DeleteFilesInFolder(entry.absoluteFilePath(), true);
        } else {
            QFile::remove(entry.absoluteFilePath());
        }
    }
}

QString FilePart(const QString &path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}
