// Clip information for the program's clip list.
#include "common/FloatToInt.h"
#include "encoder.h"
#include "engine_common.h"
#include "picture.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// The texts handed out stay valid until the same thread asks again.
thread_local std::string t_path;
thread_local std::string t_video;
thread_local std::string t_audio;

std::string VideoFormatText(const AVStream *st, const AVCodec *dec) {
    std::string text = dec->name;
    uint32_t tag = st->codecpar->codec_tag;
    // A tag of letters ("XVID", "hvc1"); a transport stream's stream type (27 for H.264) is a
    // number, not a name, and says nothing to a user.
    bool printable = tag != 0;
    for (int i = 0; i < 4; ++i)
        printable =
            printable && ((tag >> (8 * i)) & 0xff) >= 0x20 && ((tag >> (8 * i)) & 0xff) < 0x7f;
    if (printable) {
        char buf[AV_FOURCC_MAX_STRING_SIZE] = {};
        av_fourcc_make_string(buf, tag);
        text += " (";
        text += buf;
        text += ")";
    }
    // "hevc (hvc1) HDR HLG Dolby Vision 8.4", "h264 (avc1) interlaced"
    text += engine::DynamicRangeText(st);
    if (engine::FlaggedInterlaced(st->codecpar))
        text += " interlaced";
    return text;
}

int32_t RoundUpSeconds(double seconds) {
    if (!(seconds > 0))
        return 0;
    return FloatToInt<int32_t>(std::ceil(seconds - 1e-6));
}

// A figure of the record as a damaged header may give it (a frame rate of millions, a negative
// rate): never below 0, and at most what the record can hold.
int32_t Figure(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, 0, INT32_MAX));
}

} // namespace

extern "C" ENCODER_API void Mydll_GetFileinfo(const char *path, ClipInfoRecord *info) {
    if (info == nullptr)
        return;
    *info = ClipInfoRecord{};
    t_path = path != nullptr ? path : "";
    t_video = "unknown";
    t_audio = "none";
    info->path = t_path.c_str();
    info->video_format = t_video.c_str();
    info->audio_format = t_audio.c_str();

    AVFormatContext *fc = nullptr;
    std::string reason;
    if (const int err = engine::OpenInput(path, &fc, reason, engine::ProbeSeconds()); err < 0) {
        info->extra[5] = err == AVERROR_EXIT ? 1 : 0;
        return;
    }

    const AVCodec *vdec = nullptr;
    const AVCodec *adec = nullptr;
    int vi = engine::BestStream(fc, AVMEDIA_TYPE_VIDEO, &vdec);
    int ai = engine::BestStream(fc, AVMEDIA_TYPE_AUDIO, &adec);
    if (vi >= 0) {
        const AVStream *st = fc->streams[vi];
        t_video = VideoFormatText(st, vdec);
        engine::DisplaySize(st, info->width, info->height);
        AVRational fr = st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0
                            ? st->avg_frame_rate
                            : st->r_frame_rate;
        if (fr.num > 0 && fr.den > 0)
            info->extra[0] = Figure(av_rescale(1000, fr.num, fr.den));
    }
    if (ai >= 0) {
        const AVStream *st = fc->streams[ai];
        t_audio = adec->name;
        info->extra[2] = Figure(st->codecpar->sample_rate);
        info->extra[3] = Figure(engine::Channels(st->codecpar));
    }
    if (fc->bit_rate > 0)
        info->extra[1] = Figure(fc->bit_rate / 1000);
    info->duration = RoundUpSeconds(engine::ClipDuration(fc));
    if (info->extra[1] == 0 && info->duration > 0 && fc->pb != nullptr) {
        int64_t size = avio_size(fc->pb);
        if (size > 0)
            info->extra[1] = Figure(size / 125 / info->duration);
    }
    avformat_close_input(&fc);
    info->video_format = t_video.c_str();
    info->audio_format = t_audio.c_str();
}
