// libFuzzer target for the engine's clip information on mutated media.
//
// Each input is written to a work file of a fixed name and handed to Mydll_GetFileinfo, as the
// program hands it a clip the user chose. Whatever the bytes, the call must return, and the record
// must hold the path given and texts and figures that make sense.

#include "FuzzCheck.h"
#include "encoder.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using fuzz::Check;
    static const std::string path = fuzz::WorkPath("clip");
    fuzz::WriteWhole(path, data, size);
    ClipInfoRecord info;
    std::memset(&info, 0x5a, sizeof info);
    Mydll_GetFileinfo(path.c_str(), &info);
    Check(info.path != nullptr && path == info.path, "record names another path");
    Check(info.video_format != nullptr && info.audio_format != nullptr, "format text missing");
    Check(std::strlen(info.video_format) > 0 && std::strlen(info.audio_format) > 0,
          "format text empty");
    Check(info.duration >= 0, "negative duration");
    Check(info.width >= 0 && info.height >= 0, "negative size");
    Check((info.width == 0) == (info.height == 0), "only one side of the size");
    for (int i = 0; i < 4; ++i)
        Check(info.extra[i] >= 0, "negative figure");
    Check(info.extra[4] == 0, "unused figure set");
    Check(info.extra[5] == 0 ||
              (info.extra[5] == 1 && std::strcmp(info.video_format, "unknown") == 0),
          "a file that was read marked as late");
    return 0;
}
