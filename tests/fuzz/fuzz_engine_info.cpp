// libFuzzer target for the reading of the engine's status lines in the progress window.
//
// Every input is one status line, read for clips of a few start points and lengths (a length of
// 0 included). The reading must return for any text and give a percentage in 0..100, or say that
// the line changes nothing.
//
// The call below is written against the reading's first draft: when its parameters or result
// change, only Read() needs to follow.

#include "FuzzCheck.h"
#include "progress/EngineReports.h"

#include <QString>
#include <cstdint>

namespace {

// The percentage the line gives for the clip, or a negative number when it changes nothing.
int Read(const QString &line, int clip_start, int clip_length) {
    return ParseEngineInfo(line, clip_start, clip_length);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString line =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    for (int length : {0, 1, 12, 60, 86400})
        for (int start : {0, 30}) {
            const int p = Read(line, start, length);
            fuzz::Check(p <= 100, "percentage above 100");
        }
    return 0;
}
