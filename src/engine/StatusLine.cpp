#include "engine/StatusLine.h"

#include "common/FloatToInt.h"
#include "common/NumberText.h"

std::optional<EngineInfo> ParseEngineInfo(const QString &text, int32_t clip_start,
                                          int32_t clip_length) {
    // 1-based positions, 0 when absent.
    const int64_t a = text.indexOf(QLatin1String("bitrate")) + 1;
    const int64_t b = text.indexOf(QLatin1String("time")) + 1;
    int64_t start = b + 5;
    int64_t length = a - b - 5;
    QString field;
    if (length > 0 && start <= text.size()) {
        if (start < 1)
            start = 1;
        field = text.mid(start - 1, length);
    }
    const float v = static_cast<float>(DecimalValue(TrimBlanks(field)));
    if (!(static_cast<double>(clip_length) + 1.0 > v))
        return std::nullopt;
    EngineInfo info;
    info.Position = v;
    info.Percent =
        clip_length == 0 ? 0 : FloatToInt<int32_t>(static_cast<double>(v) * 100.0 / clip_length);
    info.CurrentSeconds = FloatToInt<int32_t>(static_cast<double>(clip_start) + v);
    return info;
}
