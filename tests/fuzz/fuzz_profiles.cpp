// libFuzzer target for the profile text parse and the INI reader and writer.
//
// Every input is used twice: as a profile text (the parse must not fail and its fields must
// come out trimmed), and as an INI file into which one key is written. After the write the key
// must read back as written, and every other probed key must read as before.

#include "FuzzCheck.h"
#include "common/NumberText.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileCatalogue.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <string>

namespace {

using fuzz::Check;

bool Trimmed(const QString &s) {
    return s.isEmpty() || (s.front().unicode() > 0x20 && s.back().unicode() > 0x20);
}

const QString &WorkFile() {
    static const QString path = QString::fromStdString(fuzz::WorkPath("Output.dll"));
    return path;
}

// A default that no read value can equal: reads trim leading control characters.
const QString kAbsent = QStringLiteral("\x01"
                                       "absent");

const char *const kSections[] = {"", "a", "A", "ipod"};
const char *const kKeys[] = {"k", "K", "Profile0"};

bool SameName(const char *x, const char *y) {
    return QString::fromLatin1(x).compare(QString::fromLatin1(y), Qt::CaseInsensitive) == 0;
}

void FuzzProfileText(const QByteArray &bytes) {
    const ProfileFields f = ProfileCatalogue::ParseProfileText(QString::fromUtf8(bytes));
    for (const QString *field : {&f.Name, &f.Resolution, &f.VideoBitRate, &f.FrameRate,
                                 &f.AudioBitRate, &f.AudioFrequency, &f.Channels})
        Check(Trimmed(*field), "field not trimmed");
    Check(f.Channels.size() <= 2, "channels longer than two characters");
    (void)DecimalValue(f.AudioFrequency);
    (void)DecimalValue(QString::fromUtf8(bytes));
    (void)ReadIntegerPrefix(QString::fromUtf8(bytes));
}

void FuzzIni(const uint8_t *data, size_t size) {
    if (size < 1)
        return;
    const uint8_t selector = data[0];
    const char *section = kSections[selector & 3];
    const char *key = kKeys[(selector >> 2) % 3];
    const size_t value_size = std::min<size_t>(size - 1, (selector >> 4) & 15);
    QByteArray value(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(value_size));
    const QByteArray file(reinterpret_cast<const char *>(data + 1 + value_size),
                          static_cast<qsizetype>(size - 1 - value_size));
    {
        QFile out(WorkFile());
        Check(out.open(QIODevice::WriteOnly | QIODevice::Truncate), "work file");
        out.write(file);
    }

    QString before[4][3];
    {
        const IniFile ini(WorkFile());
        for (int s = 0; s < 4; ++s)
            for (int k = 0; k < 3; ++k) {
                before[s][k] = ini.ReadString(kSections[s], kKeys[k], kAbsent);
                (void)ini.ReadInteger(kSections[s], kKeys[k], -1);
            }
    }

    const QString written = QString::fromUtf8(value);
    IniFile writer(WorkFile());
    try {
        writer.WriteString(section, key, written);
    } catch (const IniWriteError &) {
        Check(false, "write failed");
    }
    // What the value reads back as: line breaks and NULs become blanks, blanks are trimmed.
    QByteArray stored = value;
    for (char &c : stored)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    const QString expected = TrimBlanks(QString::fromUtf8(stored));
    Check(writer.ReadString(section, key, kAbsent) == expected, "same batch read-back");

    const IniFile after(WorkFile());
    for (int s = 0; s < 4; ++s)
        for (int k = 0; k < 3; ++k) {
            const QString now = after.ReadString(kSections[s], kKeys[k], kAbsent);
            if (SameName(kSections[s], section) && SameName(kKeys[k], key))
                Check(now == expected, "written key reads back");
            else
                Check(now == before[s][k], "other key changed");
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzProfileText(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    FuzzIni(data, size);
    return 0;
}
