// libFuzzer target for the engine's track list on mutated media.
//
// Each input is written to a work file of a fixed name and handed to Mydll_GetTracks, as the
// program hands it a clip being added, with a wanted sound track taken from the input's last byte
// (none, a number or a language). Whatever the bytes, the call must return with counts in range,
// texts ended inside their arrays and a choice that names a listed track.

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

namespace {

bool Ended(const char *text, size_t size) {
    return std::memchr(text, '\0', size) != nullptr;
}

void CheckTrack(const TrackFacts &t) {
    using fuzz::Check;
    Check(Ended(t.language, sizeof t.language) && Ended(t.codec, sizeof t.codec) &&
              Ended(t.label, sizeof t.label),
          "track text not ended");
    Check(std::strlen(t.label) > 0, "track without a label");
    Check(t.channels >= 0, "negative channels");
    Check((t.flags & ~(MAVO_TRACK_DEFAULT | MAVO_TRACK_FORCED | MAVO_TRACK_READABLE)) == 0,
          "unknown track flag");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using fuzz::Check;
    static const std::string path = fuzz::WorkPath("tracks");
    fuzz::WriteWhole(path, data, size);
    const char *const wanted[] = {nullptr, "", "1", "2", "17", "fr", "eng", "xx"};
    const char *want = size > 0 ? wanted[data[size - 1] % 8] : nullptr;
    ClipTracks tracks;
    std::memset(&tracks, 0x5a, sizeof tracks);
    const int result = Mydll_GetTracks(path.c_str(), want, &tracks);
    Check(result == 0 || result == -1, "unknown result");
    Check(Ended(tracks.refusal, sizeof tracks.refusal), "refusal not ended");
    Check(tracks.audio_count >= 0 && tracks.audio_count <= MAVO_MAX_TRACKS, "sound count");
    Check(tracks.subtitle_count >= 0 && tracks.subtitle_count <= MAVO_MAX_TRACKS, "subtitle count");
    Check(tracks.audio_chosen >= -2 && tracks.audio_chosen < tracks.audio_count,
          "choice outside the list");
    if (result != 0)
        Check(tracks.audio_count == 0 && tracks.subtitle_count == 0 && tracks.audio_chosen == -1,
              "tracks of a file that was not read");
    for (int32_t i = 0; i < tracks.audio_count; ++i)
        CheckTrack(tracks.audio[i]);
    for (int32_t i = 0; i < tracks.subtitle_count; ++i)
        CheckTrack(tracks.subtitles[i]);
    return 0;
}
