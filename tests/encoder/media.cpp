#include "media.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace media {

namespace {

const std::string kAv = "-f lavfi -i testsrc2=size=320x240:rate=25:duration=6 "
                        "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=6 ";
const std::string kX264 = "-c:v libx264 -preset ultrafast -pix_fmt yuv420p ";

std::string TwoTracks(const std::string &flags) {
    return "-f lavfi -i testsrc2=size=320x240:rate=25:duration=4 "
           "-f lavfi -i sine=frequency=300:sample_rate=48000:duration=4 "
           "-f lavfi -i sine=frequency=700:sample_rate=48000:duration=4 -map 0:v -map 1:a -map "
           "2:a " +
           kX264 +
           "-c:a ac3 -filter:a:0 'pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0' -ac:a:1 2 "
           "-metadata:s:a:0 language=eng -metadata:s:a:1 language=fre " +
           flags;
}

struct Recipe {
    const char *name;
    const char *file;
    std::string args; // after "ffmpeg -y", before the output path
    std::string then; // a second pass over the first one's output (stream copy), if any
    Recipe(const char *n, const char *f, std::string a, std::string t = {})
        : name(n), file(f), args(std::move(a)), then(std::move(t)) {}
};

std::vector<Recipe> Recipes() {
    return {
        {"mpg", "clip.mpg", kAv + "-c:v mpeg1video -b:v 1500k -c:a mp2 -f mpeg"},
        {"avi", "clip.avi", kAv + "-c:v mpeg4 -q:v 4 -c:a libmp3lame -ac 2"},
        {"wmv", "clip.wmv", kAv + "-c:v wmv2 -b:v 1500k -c:a wmav2"},
        {"asf", "clip.asf", kAv + "-c:v wmv2 -b:v 1500k -c:a wmav2"},
        {"divx", "divx.avi", kAv + "-c:v mpeg4 -vtag DIVX -q:v 4 -c:a libmp3lame -ac 2"},
        {"xvid", "xvid.avi", kAv + "-c:v mpeg4 -vtag XVID -q:v 4 -c:a libmp3lame -ac 2"},
        {"swf", "clip.swf", kAv + "-c:v flv -b:v 1500k -c:a libmp3lame -ar 22050"},
        {"mov", "clip.mov", kAv + kX264 + "-c:a aac"},
        {"vob", "clip.vob", kAv + "-c:v mpeg2video -b:v 3M -c:a ac3 -f vob"},
        {"mp4", "clip.mp4", kAv + kX264 + "-c:a aac"},
        {"3gp", "clip.3gp", kAv + "-c:v h263 -s 176x144 -c:a aac -ac 1 -ar 22050"},
        {"3g2", "clip.3g2", kAv + "-c:v mpeg4 -c:a aac"},
        {"hd", "hd.mp4",
         "-f lavfi -i testsrc2=size=1280x720:rate=25:duration=8 "
         "-f lavfi -i sine=frequency=300:sample_rate=48000:duration=8 " +
             kX264 + "-c:a aac"},
        {"pal169", "pal169.mpg",
         "-f lavfi -i testsrc2=size=720x576:rate=25:duration=3 "
         "-f lavfi -i sine=sample_rate=48000:duration=3 "
         "-vf setdar=16/9 -c:v mpeg2video -b:v 3M -c:a mp2 -f mpeg"},
        // Shown upright it is 240 wide and 320 high, white above and black below; stored turned
        // a quarter to the right with a tag that says to turn it back (the ffmpeg command line
        // shows it upright).
        {"rotated", "rotated.mp4",
         "-f lavfi -i color=white:size=240x160:rate=25:duration=3 "
         "-f lavfi -i color=black:size=240x160:rate=25:duration=3 "
         "-f lavfi -i sine=sample_rate=44100:duration=3 "
         "-filter_complex '[0:v][1:v]vstack,transpose=clock[v]' -map '[v]' -map 2:a " +
             kX264 + "-c:a aac",
         "-c copy -metadata:s:v:0 rotate=90"},
        {"noaudio", "noaudio.mp4", "-f lavfi -i testsrc2=size=320x240:rate=25:duration=4 " + kX264},
        {"short", "short.mp4",
         "-f lavfi -i testsrc2=size=320x240:rate=25:duration=0.4 "
         "-f lavfi -i sine=sample_rate=44100:duration=0.4 " +
             kX264 + "-c:a aac"},
        {"blackstart", "blackstart.avi",
         "-f lavfi -i color=black:size=320x240:rate=25:duration=3 "
         "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 "
         "-filter_complex '[0:v][1:v]concat=n=2:v=1:a=0[v]' -map '[v]' -c:v mpeg4 -q:v 3"},
        {"counter", "counter.avi",
         "-f lavfi -i testsrc2=size=320x240:rate=25:duration=16,"
         "drawtext=text=%{n}:fontsize=90:fontcolor=white:box=1:boxcolor=black:x=20:y=60 "
         "-f lavfi -i sine=frequency=500:sample_rate=44100:duration=16 "
         "-c:v mpeg4 -q:v 3 -g 50 -c:a libmp3lame"},
        {"audio", "audio.m4a", "-f lavfi -i sine=sample_rate=44100:duration=3 -c:a aac"},
        // A white frame and a beep together at 2, 4 and 6 s, black and silent otherwise.
        {"sync", "sync.mpg",
         "-f lavfi -i \"color=black:size=320x240:rate=25:duration=8,"
         "drawbox=c=white:t=fill:enable='gt(t,1)*lt(mod(t,2),0.035)'\" "
         "-f lavfi -i \"aevalsrc='gt(t,1)*lt(mod(t,2),0.035)*0.8*sin(2*PI*1000*t)':s=44100:d=8\" "
         "-c:v mpeg1video -b:v 1500k -c:a mp2 -f mpeg"},
        // Shorter than one frame of a 25 fps output, and a single picture, in ASF and MP4.
        {"tenth_asf", "tenth.asf",
         "-f lavfi -i testsrc2=size=640x356:rate=30:duration=0.1 "
         "-f lavfi -i sine=sample_rate=44100:duration=0.1 -c:v wmv2 -b:v 1500k -c:a wmav2"},
        {"oneframe_asf", "oneframe.asf",
         "-f lavfi -i testsrc2=size=640x356:rate=25 -f lavfi -i "
         "sine=sample_rate=44100:duration=0.5 "
         "-frames:v 1 -c:v wmv2 -b:v 1500k -c:a wmav2"},
        {"tenth_mp4", "tenth.mp4",
         "-f lavfi -i testsrc2=size=640x356:rate=30:duration=0.1 "
         "-f lavfi -i sine=sample_rate=44100:duration=0.1 " +
             kX264 + "-c:a aac"},
        {"oneframe_mp4", "oneframe.mp4",
         "-f lavfi -i testsrc2=size=640x356:rate=25 -frames:v 1 " + kX264},
        // One second of XviD with MP3, to be cut inside its first picture.
        {"xvid_second", "xvid_second.avi",
         "-f lavfi -i testsrc2=size=640x480:rate=25:duration=1 "
         "-f lavfi -i sine=sample_rate=44100:duration=1 "
         "-c:v mpeg4 -vtag XVID -b:v 2000k -c:a libmp3lame"},
        // 4:3 and larger than 1280x720, at 60 frames a second.
        {"xga60", "xga60.mp4", "-f lavfi -i testsrc2=size=1024x768:rate=60:duration=2 " + kX264},
        // Moving noise, which no encoder can squeeze: a size target binds at any sensible size.
        {"noise", "noise.mp4",
         "-f lavfi -i testsrc2=size=640x360:rate=25:duration=24,noise=alls=40:allf=t+u "
         "-f lavfi -i anoisesrc=d=24:c=pink:r=44100:a=0.3 " +
             kX264 + "-crf 32 -c:a aac -b:a 96k"},
        // Today's containers, each under the name a camera, a browser or a recorder gives it (a
        // camera's MPEG-TS with a key picture every second).
        {"mkv", "clip.mkv", kAv + kX264 + "-c:a aac"},
        {"webm", "clip.webm",
         kAv + "-c:v libvpx -deadline realtime -cpu-used 8 -b:v 500k -c:a libopus"},
        {"ts", "clip.ts", kAv + "-c:v mpeg2video -b:v 2M -c:a mp2 -f mpegts"},
        {"mts", "clip.mts", kAv + kX264 + "-g 25 -c:a ac3 -f mpegts -mpegts_m2ts_mode 1"},
        {"m2ts", "clip.m2ts", kAv + kX264 + "-g 25 -c:a ac3 -f mpegts -mpegts_m2ts_mode 1"},
        {"m4v", "clip.m4v", kAv + kX264 + "-c:a aac -f ipod"},
        {"flv", "clip.flv", kAv + kX264 + "-c:a aac"},
        {"ogv", "clip.ogv", kAv + "-c:v libtheora -q:v 5 -c:a libvorbis"},
        {"mpeg", "clip.mpeg", kAv + "-c:v mpeg1video -b:v 1500k -c:a mp2 -f mpeg"},
        {"mpe", "clip.mpe", kAv + "-c:v mpeg1video -b:v 1500k -c:a mp2 -f mpeg"},
        // Two sound tracks: English in 5.1 first, then French in stereo, flagged default (the
        // English one not), or neither flagged.
        {"tracks", "tracks.mkv", TwoTracks("-disposition:a:0 0 -disposition:a:1 default")},
        {"tracks_nodefault", "tracks_nodefault.mkv",
         TwoTracks("-disposition:a:0 0 -disposition:a:1 0")},
        {"rawh264", "raw.h264",
         "-f lavfi -i testsrc2=size=320x240:rate=25:duration=4 " + kX264 + "-f h264"},
    };
}

void WriteText(const std::string &path, const std::string &text) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
}

} // namespace

std::string Quote(const std::string &s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

int Run(const std::string &cmd, std::string *out) {
    FILE *p = popen(cmd.c_str(), "r");
    if (p == nullptr)
        return -1;
    std::array<char, 4096> buf{};
    std::string text;
    size_t n = 0;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        text.append(buf.data(), n);
    int status = pclose(p);
    if (out != nullptr)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FixtureDir() {
    std::string dir = std::string(MAVO_FIXTURE_DIR) + "/encoder";
    fs::create_directories(dir);
    return dir;
}

bool Exists(const std::string &path) {
    return access(path.c_str(), F_OK) == 0;
}

void PutInPlace(const std::string &made, const std::string &path) {
    if (link(made.c_str(), path.c_str()) != 0 && errno != EEXIST)
        throw std::runtime_error("cannot put fixture " + path + " in place: " + strerror(errno));
    unlink(made.c_str());
}

long long FileSize(const std::string &path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

std::vector<std::string> InputTypes() {
    return {"mpg", "avi", "wmv", "asf", "divx", "xvid", "swf", "mov", "vob", "mp4", "3gp", "3g2"};
}

std::string TodayFile(const std::string &name) {
    const char *dir = std::getenv("MAVO_TODAY_MEDIA");
    const std::string path =
        (dir != nullptr && *dir != '\0' ? std::string(dir)
                                        : std::string(MAVO_SOURCE_DIR) + "/../shared/media/today") +
        "/" + name;
    return Exists(path) ? path : std::string();
}

std::vector<std::string> TodayTypes() {
    return {"mkv", "webm", "ts", "mts", "m2ts", "m4v", "flv", "ogv", "mpeg", "mpe"};
}

std::string Fixture(const std::string &name) {
    const std::string dir = FixtureDir();
    // Several test processes may ask at once: each makes its own copy and renames it into place.
    const std::string tmp_suffix = ".tmp" + std::to_string(getpid());
    if (name == "zero") {
        std::string path = dir + "/zero.avi";
        if (!Exists(path)) {
            WriteText(path + tmp_suffix, "");
            PutInPlace(path + tmp_suffix, path);
        }
        return path;
    }
    if (name == "text") {
        std::string path = dir + "/text.avi";
        if (!Exists(path)) {
            WriteText(path + tmp_suffix, "This is a shopping list, not a film.\nMilk\nBread\n");
            PutInPlace(path + tmp_suffix, path);
        }
        return path;
    }
    if (name == "truncated") {
        std::string path = dir + "/truncated.avi";
        if (!Exists(path)) {
            std::string whole = Fixture("avi");
            std::ifstream in(whole, std::ios::binary);
            std::string data((std::istreambuf_iterator<char>(in)), {});
            WriteText(path + tmp_suffix, data.substr(0, data.size() * 2 / 5));
            PutInPlace(path + tmp_suffix, path);
        }
        return path;
    }
    if (name == "pictureless") {
        // The sound of the first frame is whole, the first picture cut off after a few bytes: the
        // video stream gives no picture at all.
        std::string path = dir + "/pictureless.avi";
        if (!Exists(path)) {
            std::string whole = Fixture("xvid_second"), pos;
            Run("ffprobe -v error -select_streams v:0 -show_entries packet=pos -of csv=p=0 " +
                    Quote(whole) + " | head -n 1",
                &pos);
            std::ifstream in(whole, std::ios::binary);
            std::string data((std::istreambuf_iterator<char>(in)), {});
            size_t cut = std::stoul(pos) + 24;
            if (cut >= data.size())
                throw std::runtime_error("cannot make fixture pictureless");
            WriteText(path + tmp_suffix, data.substr(0, cut));
            PutInPlace(path + tmp_suffix, path);
        }
        return path;
    }
    if (name == "hls") {
        // A playlist that would pull in another local file, renamed to look like a film.
        std::string path = dir + "/playlist.avi";
        if (!Exists(path)) {
            std::string target = Fixture("mp4");
            WriteText(path + tmp_suffix, "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:10\n"
                                         "#EXTINF:6.0,\nfile://" +
                                             target + "\n#EXT-X-ENDLIST\n");
            PutInPlace(path + tmp_suffix, path);
        }
        return path;
    }
    if (name == "concat") {
        // A concatenation list that would read another local file.
        std::string path = dir + "/list.avi";
        if (!Exists(path)) {
            WriteText(path + tmp_suffix, "ffconcat version 1.0\nfile " + Fixture("mp4") + "\n");
            PutInPlace(path + tmp_suffix, path);
        }
        return path;
    }
    for (const Recipe &r : Recipes()) {
        if (name != r.name)
            continue;
        std::string path = dir + "/" + r.file;
        if (Exists(path))
            return path;
        std::string tmp = dir + "/tmp" + std::to_string(getpid()) + "_" + r.file;
        std::string cmd = "ffmpeg -nostdin -v error -y " + r.args + " " + Quote(tmp) + " 2>&1";
        std::string log;
        if (Run(cmd, &log) != 0) {
            fs::remove(tmp);
            throw std::runtime_error("cannot make fixture " + name + ": " + log);
        }
        if (!r.then.empty()) {
            std::string tmp2 = dir + "/tmp" + std::to_string(getpid()) + "_2_" + r.file;
            cmd = "ffmpeg -nostdin -v error -y -i " + Quote(tmp) + " " + r.then + " " +
                  Quote(tmp2) + " 2>&1";
            int rc = Run(cmd, &log);
            fs::remove(tmp);
            if (rc != 0) {
                fs::remove(tmp2);
                throw std::runtime_error("cannot make fixture " + name + ": " + log);
            }
            tmp = tmp2;
        }
        PutInPlace(tmp, path);
        return path;
    }
    throw std::runtime_error("no fixture named " + name);
}

std::map<std::string, std::string> Probe(const std::string &file, const std::string &stream,
                                         const std::string &entries) {
    std::string cmd = "ffprobe -v error ";
    if (!stream.empty())
        cmd += "-select_streams " + stream + " -show_entries stream=" + entries;
    else
        cmd += "-show_entries format=" + entries;
    cmd += " -of default=nw=1 " + Quote(file);
    std::string out;
    Run(cmd, &out);
    std::map<std::string, std::string> kv;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        if (key.rfind("TAG:", 0) == 0)
            key = key.substr(4);
        kv.emplace(key, line.substr(eq + 1));
    }
    return kv;
}

double ProbeNumber(const std::string &file, const std::string &stream, const std::string &key) {
    auto kv = Probe(file, stream, key);
    auto it = kv.find(key);
    if (it == kv.end() || it->second.empty() || it->second == "N/A")
        return -1;
    std::istringstream in(it->second);
    in.imbue(std::locale::classic());
    double v = -1;
    in >> v;
    return v;
}

std::vector<unsigned char> GreyFrame(const std::string &file, double seconds, int width,
                                     int height) {
    std::string raw = file + ".grey" + std::to_string(getpid());
    std::ostringstream ss;
    ss.imbue(std::locale::classic());
    ss << seconds;
    std::string at = seconds > 0 ? "-ss " + ss.str() + " " : std::string();
    std::string cmd = "ffmpeg -nostdin -v error -y " + at + "-i " + Quote(file) +
                      " -frames:v 1 -vf scale=" + std::to_string(width) + ":" +
                      std::to_string(height) + " -f rawvideo -pix_fmt gray " + Quote(raw);
    std::vector<unsigned char> px;
    if (Run(cmd) == 0) {
        std::ifstream in(raw, std::ios::binary);
        px.assign(std::istreambuf_iterator<char>(in), {});
    }
    fs::remove(raw);
    return px;
}

std::vector<short> MonoSamples(const std::string &file, int rate) {
    std::string raw = file + ".pcm" + std::to_string(getpid());
    std::string cmd = "ffmpeg -nostdin -v error -y -i " + Quote(file) + " -vn -ac 1 -ar " +
                      std::to_string(rate) + " -f s16le -c:a pcm_s16le " + Quote(raw);
    std::vector<short> samples;
    if (Run(cmd) == 0) {
        std::ifstream in(raw, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        samples.resize(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    }
    fs::remove(raw);
    return samples;
}

std::vector<double> FrameBrightness(const std::string &file) {
    std::string raw = file + ".frames" + std::to_string(getpid());
    std::string cmd = "ffmpeg -nostdin -v error -y -i " + Quote(file) +
                      " -an -vf scale=32:24 -f rawvideo -pix_fmt gray " + Quote(raw);
    std::vector<double> means;
    if (Run(cmd) == 0) {
        std::ifstream in(raw, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        for (size_t at = 0; at + 32 * 24 <= bytes.size(); at += 32 * 24) {
            double sum = 0;
            for (size_t i = 0; i < 32 * 24; ++i)
                sum += static_cast<unsigned char>(bytes[at + i]);
            means.push_back(sum / (32 * 24));
        }
    }
    fs::remove(raw);
    return means;
}

std::string ScratchDir(const std::string &test_name) {
    std::string dir = FixtureDir() + "/scratch/" + test_name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

} // namespace media
