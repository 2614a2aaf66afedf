// The video and container options beyond the classic list: whether they fit the job's encoder and
// container, what they make of the frame and the rate, and how they set the encoder.
#pragma once

#include "job.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <string>

namespace engine {

// The encoder for a name: an encoder's own ("libx264") or a codec's ("h264" finds libx264).
const AVCodec *FindEncoder(const std::string &name, AVMediaType type);

// The muxer the job writes with: -f, else the one the output's name suggests; null when none.
const AVOutputFormat *GuessMuxer(const Job &job);

// Why the job's options do not fit its video encoder or its container, in words; empty when they
// do. An unknown encoder or container is left to the setup, which names it.
std::string OptionsMisfit(const Job &job);

// The frame under -fit: the display size (`disp_w` x `disp_h`) fitted inside the box, its shape
// kept, never enlarged, even width and height.
void FitFrame(int box_w, int box_h, int disp_w, int disp_h, int &w, int &h);
// The rate under -fit: the source's, or the ceiling when the source is faster.
AVRational FitRate(AVRational source, AVRational ceiling);

// The most bit/s the job's level lets the stream carry; 0 without a level.
int64_t LevelMaxBitRate(const Job &job, const AVCodec *encoder);

// The MPEG-4 Simple Profile level the header should carry: the smallest whose limits the picture
// size, the macroblock rate and the bit rate keep (Level 0 is 8, 4a is 4, as the header writes
// them). Past Level 6 there is no higher level: 6.
int Mpeg4SimpleLevel(int width, int height, AVRational rate, int64_t bit_rate);

// Sets the opened-to-be encoder from the job: profile, level and the rate limits that keep it,
// preset, the passes of a size target. The frame size, rate and bit rate must already be set.
// False with a reason when the picture, its rate or the bit rate break the level.
bool ConfigureVideo(const Job &job, const AVCodec *encoder, AVCodecContext *e, AVDictionary **opts,
                    std::string &reason);

} // namespace engine
