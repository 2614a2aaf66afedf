#include "options.h"
#include "common/FitRule.h"
#include "engine_common.h"
#include "levels.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace engine {

namespace {

enum class Kind { Other, X264, X265, Mpeg4 };

Kind KindOf(const AVCodec *ec) {
    std::string_view name = ec->name;
    if (name == "libx264")
        return Kind::X264;
    if (name == "libx265")
        return Kind::X265;
    if (name == "mpeg4")
        return Kind::Mpeg4;
    return Kind::Other;
}

// Written by a muxer of the MP4 family, which can put the index at the front.
bool Mp4Family(const AVOutputFormat *of) {
    for (std::string_view n : {"mp4", "mov", "3gp", "3g2", "psp", "ipod"})
        if (n == of->name)
            return true;
    return false;
}

std::string NeedsX26x(const char *option, const AVCodec *ec) {
    return std::string(option) + " needs the libx264 or libx265 video encoder, not " + ec->name;
}

// Whether the tag names the encoder's codec in the container.
std::string TagMisfit(const std::string &tag, const AVCodec *ec, const AVOutputFormat *of) {
    if ((tag == "hvc1" || tag == "hev1") && ec->id != AV_CODEC_ID_HEVC)
        return "the tag " + tag + " fits only HEVC video";
    if (tag == "avc1" && ec->id != AV_CODEC_ID_H264)
        return "the tag avc1 fits only H.264 video";
    if (of == nullptr)
        return {};
    if (of->codec_tag == nullptr)
        return std::string("the ") + of->name + " container takes no tag for its video";
    const uint32_t code = MKTAG(tag[0], tag[1], tag[2], tag[3]);
    if (av_codec_get_id(of->codec_tag, code) != ec->id)
        return std::string("the ") + of->name + " container has no tag " + tag + " for " +
               avcodec_get_name(ec->id) + " video";
    return {};
}

std::string RateText(AVRational rate) {
    double fps = av_q2d(rate);
    return fps == std::floor(fps) ? Fixed(fps, 0, 0) : Fixed(fps, 2, 0);
}

std::string SizeText(int w, int h) {
    return std::to_string(w) + "x" + std::to_string(h);
}

// The rate limits of a level: the most bit/s and the decoder's buffer in bits.
struct Ceiling {
    int64_t max_bps = 0;
    int64_t buffer_bits = 0;
};

// An H.264 level's limits for the picture and rate, the ceiling it sets; false with a reason when
// they break it. High profile may carry a quarter more than Baseline and Main.
bool H264Fits(const Job &job, const AVCodecContext *e, Ceiling &c, std::string &reason) {
    const H264Level *l = FindLevel(kH264Levels, job.level);
    const int64_t mb_w = (e->width + 15) / 16, mb_h = (e->height + 15) / 16;
    const double side = std::sqrt(8.0 * static_cast<double>(l->frame_mbs));
    if (mb_w * mb_h > l->frame_mbs || mb_w > side || mb_h > side) {
        reason = "a picture of " + SizeText(e->width, e->height) + " is too large for level " +
                 job.level;
        return false;
    }
    if (static_cast<double>(mb_w * mb_h) * av_q2d(e->framerate) > l->mb_rate * 1.0001) {
        reason = SizeText(e->width, e->height) + " at " + RateText(e->framerate) +
                 " frames a second is too fast for level " + job.level;
        return false;
    }
    const int64_t factor = job.vprofile == "high" ? 1250 : 1000;
    c.max_bps = l->max_kbps * factor;
    c.buffer_bits = l->cpb_kbits * factor;
    return true;
}

bool HevcFits(const Job &job, const AVCodecContext *e, Ceiling &c, std::string &reason) {
    const HevcLevel *l = FindLevel(kHevcLevels, job.level);
    const int64_t samples = static_cast<int64_t>(e->width) * e->height;
    const double side = std::sqrt(8.0 * static_cast<double>(l->picture_samples));
    if (samples > l->picture_samples || e->width > side || e->height > side) {
        reason = "a picture of " + SizeText(e->width, e->height) + " is too large for level " +
                 job.level;
        return false;
    }
    if (static_cast<double>(samples) * av_q2d(e->framerate) > l->sample_rate * 1.0001) {
        reason = SizeText(e->width, e->height) + " at " + RateText(e->framerate) +
                 " frames a second is too fast for level " + job.level;
        return false;
    }
    c.max_bps = l->max_kbps * 1000;
    c.buffer_bits = l->cpb_kbits * 1000;
    return true;
}

// The level for x264 or x265, and the decoder's buffer model that keeps it: twice the bit rate
// at most, never past the level's own limits; without a bit rate the level's limits themselves.
bool SetLevel(const Job &job, Kind kind, AVCodecContext *e, std::string &reason) {
    Ceiling c;
    if (!(kind == Kind::X264 ? H264Fits(job, e, c, reason) : HevcFits(job, e, c, reason)))
        return false;
    if (e->bit_rate > c.max_bps) {
        reason = "level " + job.level + " carries at most " + std::to_string(c.max_bps / 1000) +
                 " kbit/s, not " + std::to_string(e->bit_rate / 1000);
        return false;
    }
    if (kind == Kind::X264)
        e->level = FindLevel(kH264Levels, job.level)->idc; // x265 takes it with its own options
    const int64_t twice = 2 * e->bit_rate;
    e->rc_max_rate = e->bit_rate > 0 ? std::min(twice, c.max_bps) : c.max_bps;
    e->rc_buffer_size =
        static_cast<int>(e->bit_rate > 0 ? std::min(twice, c.buffer_bits) : c.buffer_bits);
    return true;
}

} // namespace

const AVCodec *FindEncoder(const std::string &name, AVMediaType type) {
    const AVCodec *c = avcodec_find_encoder_by_name(name.c_str());
    if (c == nullptr) {
        const AVCodecDescriptor *d = avcodec_descriptor_get_by_name(name.c_str());
        if (d != nullptr)
            c = avcodec_find_encoder(d->id);
    }
    return c != nullptr && c->type == type ? c : nullptr;
}

const AVOutputFormat *GuessMuxer(const Job &job) {
    return av_guess_format(job.format.empty() ? nullptr : job.format.c_str(), job.output.c_str(),
                           nullptr);
}

std::string OptionsMisfit(const Job &job) {
    const AVOutputFormat *of = GuessMuxer(job);
    if (job.faststart && of != nullptr && !Mp4Family(of))
        return std::string("-faststart fits only the MP4 family of containers (mp4, mov, 3gp, "
                           "3g2, psp, m4v), not ") +
               of->name;
    const AVCodec *ec = FindEncoder(job.vcodec, AVMEDIA_TYPE_VIDEO);
    if (ec == nullptr)
        return {};
    const Kind kind = KindOf(ec);
    const bool x26x = kind == Kind::X264 || kind == Kind::X265;
    if (!job.preset.empty() && !x26x)
        return NeedsX26x("-preset", ec);
    if (!job.vprofile.empty()) {
        if (!x26x)
            return NeedsX26x("-vprofile", ec);
        if (kind == Kind::X265 && !OneOf(kHevcProfiles, job.vprofile))
            return "the profile " + job.vprofile + " fits only H.264 video";
    }
    if (!job.level.empty()) {
        if (!x26x)
            return NeedsX26x("-level", ec);
        if (kind == Kind::X265 && FindLevel(kHevcLevels, job.level) == nullptr)
            return "the level " + job.level + " fits only H.264 video";
    }
    if (job.keep_hdr && (kind != Kind::X265 || job.vprofile != "main10"))
        return "-hdr needs the libx265 video encoder at -vprofile main10";
    if (job.size_limit > 0 && kind != Kind::X264)
        return std::string("-fs needs the libx264 video encoder, not ") + ec->name;
    return job.vtag.empty() ? std::string() : TagMisfit(job.vtag, ec, of);
}

void FitFrame(int box_w, int box_h, int disp_w, int disp_h, int &w, int &h) {
    FitInsideBox(box_w, box_h, disp_w, disp_h, w, h);
}

AVRational FitRate(AVRational source, AVRational ceiling) {
    return av_cmp_q(source, ceiling) > 0 ? ceiling : source;
}

int64_t LevelMaxBitRate(const Job &job, const AVCodec *encoder) {
    if (job.level.empty() || encoder == nullptr)
        return 0;
    const Kind kind = KindOf(encoder);
    if (kind == Kind::X264) {
        const H264Level *l = FindLevel(kH264Levels, job.level);
        return l == nullptr ? 0 : l->max_kbps * (job.vprofile == "high" ? 1250 : 1000);
    }
    const HevcLevel *l = kind == Kind::X265 ? FindLevel(kHevcLevels, job.level) : nullptr;
    return l == nullptr ? 0 : l->max_kbps * 1000;
}

int Mpeg4SimpleLevel(int width, int height, AVRational rate, int64_t bit_rate) {
    const int64_t mbs = static_cast<int64_t>((width + 15) / 16) * ((height + 15) / 16);
    const double mb_rate = static_cast<double>(mbs) * av_q2d(rate);
    for (const Mpeg4Level &l : kMpeg4SimpleLevels)
        if (mbs <= l.frame_mbs && mb_rate <= l.mb_rate * 1.0001 && bit_rate <= l.max_bps)
            return l.code;
    return kMpeg4SimpleLevels[std::size(kMpeg4SimpleLevels) - 1].code;
}

bool ConfigureVideo(const Job &job, const AVCodec *encoder, AVCodecContext *e, AVDictionary **opts,
                    std::string &reason) {
    const Kind kind = KindOf(encoder);
    if (kind == Kind::Mpeg4) {
        e->profile = FF_PROFILE_MPEG4_SIMPLE;
        e->level = Mpeg4SimpleLevel(e->width, e->height, e->framerate, e->bit_rate);
        return true;
    }
    if (kind != Kind::X264 && kind != Kind::X265)
        return true;
    if (!job.preset.empty())
        av_dict_set(opts, "preset", job.preset.c_str(), 0);
    if (!job.vprofile.empty())
        av_dict_set(opts, "profile", job.vprofile.c_str(), 0);
    if (!job.level.empty() && !SetLevel(job, kind, e, reason))
        return false;
    if (kind == Kind::X265) {
        // x265 writes its own lines to standard error unless told not to.
        std::string params = "log-level=none";
        if (!job.level.empty())
            params += ":level-idc=" + job.level;
        av_dict_set(opts, "x265-params", params.c_str(), 0);
    }
    if (job.pass > 0) {
        e->flags |= job.pass == 1 ? AV_CODEC_FLAG_PASS1 : AV_CODEC_FLAG_PASS2;
        av_dict_set(opts, "stats", job.stats_path.c_str(), 0);
    }
    return true;
}

} // namespace engine
