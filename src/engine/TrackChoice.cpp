#include "engine/TrackChoice.h"

#include "engine/EngineBinding.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace {

QString Text(const char *field, size_t size) {
    return QString::fromUtf8(field, static_cast<qsizetype>(qstrnlen(field, size)));
}

} // namespace

std::optional<TrackReading> ReadTracks(const QString &path, const QString &wanted) {
    if (DllGetTracks == nullptr)
        return std::nullopt;
    ClipTracks tracks{};
    const QByteArray wanted_text = wanted.toUtf8();
    if (DllGetTracks(QFile::encodeName(path).constData(), wanted_text.constData(), &tracks) != 0)
        return std::nullopt;
    TrackReading reading;
    const int32_t count = std::clamp<int32_t>(tracks.audio_count, 0, MAVO_MAX_TRACKS);
    for (int32_t i = 0; i < count; ++i)
        reading.SoundLabels << Text(tracks.audio[i].label, sizeof tracks.audio[i].label);
    reading.WantedMissing = tracks.audio_chosen == -2;
    reading.Chosen =
        tracks.audio_chosen >= 0 && tracks.audio_chosen < count ? tracks.audio_chosen : -1;
    reading.SubtitleCount = std::clamp<int32_t>(tracks.subtitle_count, 0, MAVO_MAX_TRACKS);
    for (int32_t i = 0; i < reading.SubtitleCount; ++i)
        reading.SubtitleLabels << Text(tracks.subtitles[i].label, sizeof tracks.subtitles[i].label);
    reading.VideoRefusal = Text(tracks.refusal, sizeof tracks.refusal);
    return reading;
}

QString VideoRefusal(const QString &path) {
    const std::optional<TrackReading> reading = ReadTracks(path);
    return reading ? reading->VideoRefusal : QString();
}

bool IsTrackChoice(const QString &text) {
    static const QRegularExpression pattern(QStringLiteral("^([1-9][0-9]?|[A-Za-z]{2,3})$"));
    return pattern.match(text).hasMatch();
}

bool IsSubtitleChoice(const QString &text) {
    if (text == QLatin1String("none") || text == QLatin1String("keep") ||
        text == QLatin1String("burn"))
        return true;
    return text.startsWith(QLatin1String("burn:")) && IsTrackChoice(text.mid(5));
}

QString NumberedTracks(const QStringList &labels) {
    QStringList numbered;
    for (qsizetype i = 0; i < labels.size(); ++i)
        numbered << QStringLiteral("%1: %2").arg(i + 1).arg(labels[i]);
    return numbered.isEmpty() ? QStringLiteral("none") : numbered.join(QStringLiteral("; "));
}
