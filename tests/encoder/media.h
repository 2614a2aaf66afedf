// Test media made with the ffmpeg command line and checked with ffprobe, so that what the
// engine writes is judged by tools other than our own code.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace media {

// The folder the fixtures are cached in (build/fixtures/encoder).
std::string FixtureDir();

// A fixture by name, made on first use and cached. Names: mpg avi wmv asf divx xvid swf mov vob
// mp4 3gp 3g2 (one per input type), hd (1280x720), pal169 (720x576 shown 16:9), rotated (stored
// 320x240, shown upright 240x320 with a white top half), noaudio, short (0.4 s), blackstart
// (3 s black, then pictures), counter (16 s with a frame number), audio (audio only), rawh264
// (an H.264 elementary stream), sync (flash and beep together at 2, 4, 6 s), tenth_asf, tenth_mp4
// (0.1 s), oneframe_asf, oneframe_mp4 (a single picture), pictureless (an AVI whose video stream
// gives no picture, its sound whole), tracks (English 5.1, then French stereo flagged default),
// tracks_nodefault (the same, neither flagged), xga60 (1024x768 at 60 fps), noise (24 s of
// moving noise at 640x360 with sound), today's containers (see TodayTypes), and the bad ones zero,
// text, truncated, hls, concat.
std::string Fixture(const std::string &name);

// The names of the twelve input types.
std::vector<std::string> InputTypes();
// Today's containers, one fixture each, named by their extension: mkv webm ts mts m2ts m4v flv
// ogv mpeg mpe.
std::vector<std::string> TodayTypes();

// Runs a shell command; returns its exit status and fills `out` with its standard output.
int Run(const std::string &cmd, std::string *out = nullptr);
std::string Quote(const std::string &s);

// ffprobe's key=value lines for one stream selection ("v:0", "a:0") or the container ("").
std::map<std::string, std::string> Probe(const std::string &file, const std::string &stream,
                                         const std::string &entries);
double ProbeNumber(const std::string &file, const std::string &stream, const std::string &key);

// One frame decoded by the ffmpeg CLI to 8-bit grey pixels (width x height), at `seconds`.
std::vector<unsigned char> GreyFrame(const std::string &file, double seconds, int width,
                                     int height);

// The sound decoded by the ffmpeg CLI to 16-bit mono samples at `rate`.
std::vector<short> MonoSamples(const std::string &file, int rate);
// The mean brightness (0..255) of every decoded frame, in order.
std::vector<double> FrameBrightness(const std::string &file);

// A real file of today's sources (MAVO_TODAY_MEDIA, else ../shared/media/today beside the source
// tree); "" when it is not there, and the test that needs it skips.
std::string TodayFile(const std::string &name);

// A fresh, empty scratch folder for one test.
std::string ScratchDir(const std::string &test_name);

bool Exists(const std::string &path);
// Moves a fixture made under a name of this process to its shared name, unless another test
// process put its own there first: a file in use is never replaced under a reader.
void PutInPlace(const std::string &made, const std::string &path);
long long FileSize(const std::string &path);

} // namespace media
