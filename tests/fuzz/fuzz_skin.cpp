// libFuzzer target for the skin field reader and the INI reading under it.
//
// The whole input is read as one skin value and split into fields, which must agree with a plain
// split at the commas (a field counts only when a comma follows it) and be trimmed. Then the
// input is written as a "Skin.ini" and one control's value is read from it as the skin loader
// reads it, and split the same way.

#include "FuzzCheck.h"
#include "common/NumberText.h"
#include "profiles/IniFile.h"
#include "skin/SkinLoader.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace {

using fuzz::Check;

void CheckFields(const QString &value) {
    const QStringList parts = value.split(QLatin1Char(','));
    Check(SkinField(value, 0).isEmpty() && SkinField(value, -1).isEmpty(),
          "field before the first");
    for (int n = 1; n <= 17; ++n) {
        const QString field = SkinField(value, n);
        const QString expected = n < parts.size() ? TrimBlanks(parts[n - 1]) : QString();
        Check(field == expected, "field differs from the split");
        Check(!field.contains(QLatin1Char(',')), "comma inside a field");
        (void)IntegerValue(field);
    }
}

const char *const kSections[] = {"MainWindow", "ProgressWindow", "a", ""};
const char *const kKeys[] = {"Img_Back", "TB_Convert", "MaskBmp", "k"};

void CheckIniValue(const uint8_t *data, size_t size) {
    if (size < 1)
        return;
    static const QString path = QString::fromStdString(fuzz::WorkPath("Skin.ini"));
    {
        QFile out(path);
        Check(out.open(QIODevice::WriteOnly | QIODevice::Truncate), "work file");
        out.write(reinterpret_cast<const char *>(data + 1), static_cast<qint64>(size - 1));
    }
    const IniFile ini(path);
    const QString value =
        ini.ReadString(kSections[data[0] & 3], kKeys[(data[0] >> 2) & 3], QStringLiteral("Wrong"));
    Check(!value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')),
          "a value spans lines");
    CheckFields(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    CheckFields(
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    CheckIniValue(data, size);
    return 0;
}
