#include "controls/SpokenClip.h"

#include "common/SharedFunctions.h"
#include "model/ClipList.h"

#include <QStringList>

namespace {

QString Count(int32_t n, const char *unit) {
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(unit)).arg(n == 1 ? "" : "s");
}

} // namespace

QString SpokenClip(const ClipRecord &clip) {
    QStringList length;
    const int32_t hours = clip.Duration / 3600;
    const int32_t minutes = clip.Duration / 60 % 60;
    const int32_t seconds = clip.Duration % 60;
    if (hours > 0)
        length << Count(hours, "hour");
    if (minutes > 0)
        length << Count(minutes, "minute");
    if (seconds > 0 || length.isEmpty())
        length << Count(seconds, "second");
    return QStringLiteral("%1, %2, %3 by %4")
        .arg(FilePart(clip.FileName), length.join(QLatin1Char(' ')))
        .arg(clip.InfoValues[0])
        .arg(clip.InfoValues[1]);
}
