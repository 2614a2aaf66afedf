// mavo-convert run as a user runs it, with a home of its own: its exit status, what it prints and
// the files it writes, and the helpers the command's tests share.
#pragma once

#include "media.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace cli_test {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

class ConvertCommand {
public:
    ConvertCommand() {
        QDir().mkpath(Config());
        QDir().mkpath(Output());
    }

    QString Home() const { return home_.path(); }
    QString Config() const { return Home() + "/config"; }
    QString Output() const { return Home() + "/out"; }

    // The program's stored choices, as the program keeps them.
    void Store(const QString &lines) {
        QFile file(Config() + "/Vidore4.conf");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("[General]\n" + lines).toUtf8());
    }

    // The command (or another copy of it, `program`) started in this home.
    void Start(QProcess &process, const QStringList &arguments, const QStringList &variables = {},
               const QString &program = MAVO_CONVERT) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &variable : variables)
            env.insert(variable.section('=', 0, 0), variable.section('=', 1));
        env.insert("HOME", Home());
        env.insert("XDG_CONFIG_HOME", Config());
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        process.waitForStarted(10000);
    }

    Outcome Run(const QStringList &arguments, const QStringList &variables = {},
                const QString &program = MAVO_CONVERT) const {
        QProcess process;
        Start(process, arguments, variables, program);
        Outcome outcome;
        if (process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit)
            outcome.status = process.exitCode();
        outcome.out = QString::fromUtf8(process.readAllStandardOutput());
        outcome.err = QString::fromUtf8(process.readAllStandardError());
        return outcome;
    }

    QStringList OutputFiles() const {
        return QDir(Output()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

private:
    QTemporaryDir home_;
};

inline QString Media(const std::string &name) {
    return QString::fromStdString(media::Fixture(name));
}

inline std::map<std::string, std::string> Probe(const QString &file, const std::string &stream,
                                                const std::string &entries) {
    return media::Probe(file.toStdString(), stream, entries);
}

inline std::string VideoSize(const QString &file) {
    auto v = Probe(file, "v:0", "width,height");
    return v["width"] + "x" + v["height"];
}

inline QList<QJsonObject> JsonLines(const QString &text) {
    QList<QJsonObject> objects;
    for (const QString &line : text.split('\n', Qt::SkipEmptyParts)) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        objects << doc.object();
    }
    return objects;
}

// The mean brightness of rows [first, last) of a grey frame.
inline double RowsBrightness(const std::vector<unsigned char> &px, int width, int first, int last) {
    double sum = 0;
    for (int y = first; y < last; ++y)
        for (int x = 0; x < width; ++x)
            sum += px[static_cast<size_t>(y * width + x)];
    return sum / ((last - first) * width);
}

// Where the first top-level box of the type begins; -1 when there is none.
inline qsizetype BoxAt(const QString &file, const char *type) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = f.readAll();
    for (qsizetype at = 0; at + 8 <= bytes.size();) {
        const quint32 size = qFromBigEndian<quint32>(bytes.constData() + at);
        if (bytes.mid(at + 4, 4) == type)
            return at;
        if (size < 8)
            return -1;
        at += size;
    }
    return -1;
}

inline std::string MakeClip(const std::string &name, const std::string &lavfi, int seconds) {
    const std::string clip = media::FixtureDir() + "/" + name;
    if (!media::Exists(clip)) {
        EXPECT_EQ(media::Run("ffmpeg -nostdin -v error -y -f lavfi -i " + lavfi +
                             ":duration=" + std::to_string(seconds) +
                             " -f lavfi -i sine=duration=" + std::to_string(seconds) +
                             " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac " +
                             media::Quote(clip)),
                  0);
    }
    return clip;
}

} // namespace cli_test
