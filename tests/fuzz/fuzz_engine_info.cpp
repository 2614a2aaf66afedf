// libFuzzer target for the reading of the engine's status lines in the progress window.
//
// Every input is one status line, read for clips of a few start points and lengths (a length of
// 0 included). The reading must return for any text; a line it takes lies below the clip's
// length + 1 seconds, so its percentage is at most 200 (a clip of length 0 always shows 0 %).

#include "FuzzCheck.h"
#include "engine/StatusLine.h"

#include <QString>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString line =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    for (int32_t length : {0, 1, 12, 60, 86400})
        for (int32_t start : {0, 30}) {
            const std::optional<EngineInfo> info = ParseEngineInfo(line, start, length);
            if (!info)
                continue;
            fuzz::Check(info->Position < length + 1.0, "a position past the clip was taken");
            fuzz::Check(length > 0 || info->Percent == 0, "a clip of length 0 shows a percentage");
            fuzz::Check(info->Percent <= 200, "percentage far above the clip");
        }
    return 0;
}
