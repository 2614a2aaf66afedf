// Thumbnails for the program's clip list: one JPEG of an exact size.
#include "common/FloatToInt.h"
#include "encoder.h"
#include "engine_common.h"

extern "C" {
#include <libswscale/swscale.h>
}
#include <turbojpeg.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kMinJpegBytes = 1024;
// How far past the wanted point a picture that is not black is looked for.
constexpr double kBlackSearchSeconds = 30.0;
constexpr int kBlackSearchFrames = 900;

struct Rgb {
    int w = 0, h = 0;
    std::vector<uint8_t> px; // RGB24, tightly packed
};

bool ParseSize(const char *text, int &w, int &h) {
    if (text == nullptr)
        return false;
    std::string_view s(text);
    size_t x = s.find_first_of("xX");
    if (x == std::string_view::npos)
        return false;
    auto a = std::from_chars(s.data(), s.data() + x, w);
    auto b = std::from_chars(s.data() + x + 1, s.data() + s.size(), h);
    return a.ec == std::errc{} && a.ptr == s.data() + x && b.ec == std::errc{} &&
           b.ptr == s.data() + s.size() && w > 0 && h > 0 && w <= 4096 && h <= 4096;
}

// Scales a frame into an RGB picture of (sw x sh), the size before rotation.
bool ScaleFrame(const AVFrame *f, int sw, int sh, SwsContext *&sws, Rgb &out) {
    sws = sws_getCachedContext(sws, f->width, f->height, static_cast<AVPixelFormat>(f->format), sw,
                               sh, AV_PIX_FMT_RGB24, SWS_AREA, nullptr, nullptr, nullptr);
    if (sws == nullptr)
        return false;
    out.w = sw;
    out.h = sh;
    out.px.assign(static_cast<size_t>(sw) * sh * 3, 0);
    uint8_t *dst[4] = {out.px.data(), nullptr, nullptr, nullptr};
    int stride[4] = {sw * 3, 0, 0, 0};
    return sws_scale(sws, f->data, f->linesize, 0, f->height, dst, stride) == sh;
}

// Nearly black: hardly any pixel brighter than a dark grey.
bool NearlyBlack(const Rgb &img) {
    size_t n = static_cast<size_t>(img.w) * img.h;
    if (n == 0)
        return true;
    size_t bright = 0;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t *p = &img.px[i * 3];
        int luma = (p[0] * 77 + p[1] * 150 + p[2] * 29) >> 8;
        if (luma > 40)
            ++bright;
    }
    return bright * 50 < n; // under 2 %
}

// Places `src` turned clockwise by `rot` degrees into the middle of a black W x H canvas.
Rgb Compose(const Rgb &src, int rot, int W, int H) {
    Rgb dst;
    dst.w = W;
    dst.h = H;
    dst.px.assign(static_cast<size_t>(W) * H * 3, 0);
    int rw = (rot == 90 || rot == 270) ? src.h : src.w;
    int rh = (rot == 90 || rot == 270) ? src.w : src.h;
    int ox = (W - rw) / 2, oy = (H - rh) / 2;
    for (int dy = 0; dy < rh; ++dy) {
        for (int dx = 0; dx < rw; ++dx) {
            int sx = dx, sy = dy;
            switch (rot) {
            case 90:
                sx = dy;
                sy = src.h - 1 - dx;
                break;
            case 180:
                sx = src.w - 1 - dx;
                sy = src.h - 1 - dy;
                break;
            case 270:
                sx = src.w - 1 - dy;
                sy = dx;
                break;
            default:
                break;
            }
            int tx = ox + dx, ty = oy + dy;
            if (tx < 0 || ty < 0 || tx >= W || ty >= H)
                continue;
            std::memcpy(&dst.px[(static_cast<size_t>(ty) * W + tx) * 3],
                        &src.px[(static_cast<size_t>(sy) * src.w + sx) * 3], 3);
        }
    }
    return dst;
}

bool EncodeJpeg(const Rgb &img, std::vector<uint8_t> &out) {
    tjhandle tj = tjInitCompress();
    if (tj == nullptr)
        return false;
    unsigned char *buf = nullptr;
    unsigned long size = 0;
    int rc = tjCompress2(tj, img.px.data(), img.w, img.w * 3, img.h, TJPF_RGB, &buf, &size,
                         TJSAMP_420, 90, TJFLAG_ACCURATEDCT);
    if (rc == 0 && buf != nullptr && size > 2)
        out.assign(buf, buf + size);
    tjFree(buf);
    tjDestroy(tj);
    if (rc != 0 || out.size() < 4 || out[0] != 0xFF || out[1] != 0xD8)
        return false;
    if (out.size() < kMinJpegBytes) {
        // A comment segment right after the start marker brings the file to the minimum size.
        size_t payload = kMinJpegBytes - out.size(); // segment bytes after its 2-byte marker
        if (payload < 2)
            payload = 2;
        std::vector<uint8_t> seg(2 + payload, 0x20);
        seg[0] = 0xFF;
        seg[1] = 0xFE;
        seg[2] = static_cast<uint8_t>(payload >> 8);
        seg[3] = static_cast<uint8_t>(payload & 0xFF);
        out.insert(out.begin() + 2, seg.begin(), seg.end());
    }
    return true;
}

bool WriteFileAtomically(const char *path, const std::vector<uint8_t> &data) {
    std::string tmp = std::string(path) + ".part";
    FILE *f = std::fopen(tmp.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = (std::fclose(f) == 0) && ok;
    if (ok && std::rename(tmp.c_str(), path) == 0)
        return true;
    std::remove(tmp.c_str());
    return false;
}

// Finds the picture: the first frame at or after `target` seconds that is not nearly black;
// failing that, the first frame at or after the target; failing that, the last frame decoded.
bool PickFrame(AVFormatContext *fc, int vi, const AVCodec *dec, double target, int sw, int sh,
               Rgb &picked) {
    AVStream *st = fc->streams[vi];
    AVCodecContext *cc = avcodec_alloc_context3(dec);
    if (cc == nullptr)
        return false;
    bool ok = false;
    AVPacket *pkt = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    SwsContext *sws = nullptr;
    Rgb fallback, scaled;
    bool have_fallback = false;
    int searched = 0;
    double start = st->start_time != AV_NOPTS_VALUE ? st->start_time * av_q2d(st->time_base) : 0;
    if (pkt == nullptr || frame == nullptr || avcodec_parameters_to_context(cc, st->codecpar) < 0)
        goto done;
    cc->thread_count = 1;
    if (avcodec_open2(cc, dec, nullptr) < 0)
        goto done;
    {
        bool eof = false;
        bool finished = false;
        while (!ok && !finished) {
            if (!eof) {
                if (av_read_frame(fc, pkt) < 0) {
                    eof = true;
                    avcodec_send_packet(cc, nullptr);
                } else {
                    if (pkt->stream_index == vi)
                        avcodec_send_packet(cc, pkt); // a bad packet only costs its frame
                    av_packet_unref(pkt);
                }
            }
            while (!ok && !finished) {
                int r = avcodec_receive_frame(cc, frame);
                if (r == AVERROR(EAGAIN)) {
                    finished = eof; // nothing more will come after the flush
                    break;
                }
                if (r < 0) {
                    finished = true;
                    break;
                }
                int64_t pts = frame->best_effort_timestamp;
                double t = pts != AV_NOPTS_VALUE ? pts * av_q2d(st->time_base) - start : target;
                bool reached = t >= target - 0.02 || searched > 0;
                if (ScaleFrame(frame, sw, sh, sws, scaled)) {
                    if (!reached || searched == 0) {
                        // The latest frame before the target, then the first one at it.
                        fallback = scaled;
                        have_fallback = true;
                    }
                    if (reached) {
                        ++searched;
                        if (!NearlyBlack(scaled)) {
                            picked = scaled;
                            ok = true;
                        } else if (searched > kBlackSearchFrames ||
                                   t > target + kBlackSearchSeconds) {
                            finished = true; // no light picture near: keep the fallback
                        }
                    }
                }
                av_frame_unref(frame);
            }
        }
    }
    if (!ok && have_fallback) {
        picked = fallback;
        ok = true;
    }
done:
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&cc);
    return ok;
}

} // namespace

extern "C" ENCODER_API int Mydll_GetPicure(const char *path, int seconds, const char *size,
                                           const char *out_jpeg) {
    int W = 0, H = 0;
    if (out_jpeg == nullptr || *out_jpeg == '\0' || !ParseSize(size, W, H))
        return -1;
    std::remove(out_jpeg); // nothing stale stays behind on failure

    AVFormatContext *fc = nullptr;
    std::string reason;
    if (engine::OpenInput(path, &fc, reason, engine::ProbeSeconds()) < 0)
        return -1;
    const AVCodec *dec = nullptr;
    int vi = engine::BestStream(fc, AVMEDIA_TYPE_VIDEO, &dec);
    if (vi < 0) {
        avformat_close_input(&fc);
        return -1;
    }
    auto reopen = [&]() {
        avformat_close_input(&fc);
        if (engine::OpenInput(path, &fc, reason, engine::ProbeSeconds()) < 0)
            return false;
        vi = engine::BestStream(fc, AVMEDIA_TYPE_VIDEO, &dec);
        return vi >= 0;
    };
    bool headers_know_length = fc->duration != AV_NOPTS_VALUE && fc->duration > 0;
    double duration = engine::ClipDuration(fc);
    // When the length came from reading the whole file, start again from the beginning.
    if (!headers_know_length && !reopen()) {
        avformat_close_input(&fc);
        return -1;
    }
    double target = seconds > 0 ? seconds : 0;
    if (duration > 0 && target > duration / 2)
        target = duration / 2;
    if (target > 0) {
        const AVStream *vs = fc->streams[vi];
        double start =
            vs->start_time != AV_NOPTS_VALUE ? vs->start_time * av_q2d(vs->time_base) : 0;
        int64_t ts = FloatToInt<int64_t>((target + start) / av_q2d(vs->time_base));
        // A file that cannot seek is read from its beginning instead.
        if (av_seek_frame(fc, vi, ts, AVSEEK_FLAG_BACKWARD) < 0 && !reopen()) {
            avformat_close_input(&fc);
            return -1;
        }
    }

    const AVStream *st = fc->streams[vi];
    int dw = 0, dh = 0;
    engine::DisplaySize(st, dw, dh);
    int rot = engine::StreamRotation(st);
    if (dw <= 0 || dh <= 0) {
        avformat_close_input(&fc);
        return -1;
    }
    // Fit the display picture into W x H, keeping its aspect.
    int fw = W, fh = H;
    const int64_t w64 = dw, h64 = dh;
    if (w64 * H >= h64 * W)
        fh = static_cast<int>((W * h64 * 2 + w64) / (2 * w64));
    else
        fw = static_cast<int>((H * w64 * 2 + h64) / (2 * h64));
    fw = std::clamp(fw, 1, W);
    fh = std::clamp(fh, 1, H);
    int sw = (rot == 90 || rot == 270) ? fh : fw;
    int sh = (rot == 90 || rot == 270) ? fw : fh;

    Rgb picked;
    bool ok = PickFrame(fc, vi, dec, target, sw, sh, picked);
    // A seek that lands past the only key picture (a few pictures of broadcast) finds nothing to
    // decode: the picture is then looked for from the beginning.
    if (!ok && target > 0 && reopen())
        ok = PickFrame(fc, vi, dec, target, sw, sh, picked);
    avformat_close_input(&fc);
    if (!ok)
        return -1;
    std::vector<uint8_t> jpeg;
    if (!EncodeJpeg(Compose(picked, rot, W, H), jpeg))
        return -1;
    return WriteFileAtomically(out_jpeg, jpeg) ? 0 : -1;
}
