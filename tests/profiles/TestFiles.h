#pragma once
// Small file helpers shared by the profile tests.

#include <QByteArray>
#include <QFile>
#include <QString>

inline void WriteBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot create test file " + path.toStdString());
    file.write(bytes);
}

inline QByteArray ReadBytes(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}
