// The fake engine: answers by file name (see fake_engine.h), thumbnails made with turbojpeg.
#include "fake_engine.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <turbojpeg.h>
#include <vector>

namespace {

thread_local std::string t_path;
thread_local std::string t_video;
thread_local std::string t_audio;

std::atomic<int> g_calls{0};
std::atomic<int> g_running{0};
std::atomic<int> g_calls_on_main{0};
std::mutex g_lock;
std::thread::id g_main_thread;
std::string g_paths;
std::string g_paths_copy;

std::string BaseName(const std::string &path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool Has(const std::string &name, const char *token) {
    return Lower(name).find(token) != std::string::npos;
}

bool FileExists(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

int Number(const std::string &name, const char *token, int otherwise) {
    const std::string lower = Lower(name);
    const size_t at = lower.find(token);
    if (at == std::string::npos)
        return otherwise;
    size_t i = at + std::char_traits<char>::length(token);
    int value = 0;
    bool any = false;
    while (i < lower.size() && std::isdigit(static_cast<unsigned char>(lower[i])) &&
           value < 1000000) {
        value = value * 10 + (lower[i++] - '0');
        any = true;
    }
    return any ? value : otherwise;
}

// An 80 x 60 JPEG of one colour, padded with a comment segment to exactly `size` bytes.
std::vector<unsigned char> Thumbnail(size_t size, unsigned char r, unsigned char g,
                                     unsigned char b) {
    std::vector<unsigned char> rgb(80 * 60 * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = r;
        rgb[i + 1] = g;
        rgb[i + 2] = b;
    }
    tjhandle handle = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long jpeg_size = 0;
    const int failed =
        tjCompress2(handle, rgb.data(), 80, 0, 60, TJPF_RGB, &jpeg, &jpeg_size, TJSAMP_420, 75, 0);
    std::vector<unsigned char> out;
    if (failed == 0 && jpeg_size + 4 <= size && size - jpeg_size <= 65535) {
        const size_t pad = size - jpeg_size; // the comment segment: marker, length, filler
        out.assign(jpeg, jpeg + 2);
        out.push_back(0xFF);
        out.push_back(0xFE);
        out.push_back(static_cast<unsigned char>((pad - 2) >> 8));
        out.push_back(static_cast<unsigned char>((pad - 2) & 0xFF));
        out.insert(out.end(), pad - 4, 'p');
        out.insert(out.end(), jpeg + 2, jpeg + jpeg_size);
    }
    tjFree(jpeg);
    tjDestroy(handle);
    return out;
}

} // namespace

extern "C" {

ENCODER_API void MyDll_Init(void) {}
ENCODER_API void MyDll_UnInit(void) {}
ENCODER_API void SetGetInfoCallBackFun(InfoReportFn) {}
ENCODER_API void SetGetPercentCallBackFun(PercentReportFn) {}
ENCODER_API int _X(HWND, int, char **) {
    return 1;
}
ENCODER_API void Mydll_Stop(void) {}
// Nothing is ever converted here, so there is never a file to read back.
ENCODER_API int Mydll_GetMediaFacts(const char *, MediaFacts *facts) {
    if (facts != nullptr)
        *facts = MediaFacts{};
    return -1;
}

ENCODER_API void Mydll_GetFileinfo(const char *path, ClipInfoRecord *info) {
    ++g_running;
    ++g_calls;
    t_path = path != nullptr ? path : "";
    {
        std::lock_guard guard(g_lock);
        g_paths += t_path + "\n";
        if (std::this_thread::get_id() == g_main_thread)
            ++g_calls_on_main;
    }
    const std::string name = BaseName(t_path);
    if (Has(name, "slow"))
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (Has(name, "gate"))
        for (int i = 0; i < 6000 && !FileExists(t_path + ".go"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));

    *info = ClipInfoRecord{};
    t_video = "mpeg4 (XVID)";
    t_audio = "mp3";
    info->duration = Number(name, "dur", 60);
    info->width = 320;
    info->height = 240;
    info->extra[0] = 25000;
    const size_t rv = Lower(name).find("rv");
    if (rv != std::string::npos)
        t_video = name.substr(rv, 4);
    if (Has(name, "unknow"))
        t_video = "unknown";
    if (Has(name, "unreadable") || Has(name, "toolate")) {
        t_video = "unknown";
        t_audio = "none";
        info->duration = 0;
        info->width = info->height = 0;
        info->extra[5] = Has(name, "toolate") ? 1 : 0; // its headers were not read in time
    }
    info->path = t_path.c_str();
    info->video_format = t_video.c_str();
    info->audio_format = t_audio.c_str();
    --g_running;
}

ENCODER_API int Mydll_GetPicure(const char *path, int, const char *, const char *out_jpeg) {
    const std::string name = BaseName(path != nullptr ? path : "");
    if (Has(name, "nopic") || out_jpeg == nullptr)
        return -1;
    const size_t size = static_cast<size_t>(Number(name, "thumb", 2048));
    // A colour of its own per name, so that entries can be told apart on screen.
    const unsigned h = static_cast<unsigned>(std::hash<std::string>{}(name));
    const std::vector<unsigned char> jpeg =
        Thumbnail(size, static_cast<unsigned char>(h), static_cast<unsigned char>(h >> 8),
                  static_cast<unsigned char>(h >> 16));
    if (jpeg.empty())
        return -1;
    std::ofstream out(out_jpeg, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(jpeg.data()),
              static_cast<std::streamsize>(jpeg.size()));
    return out.good() ? 0 : -1;
}

ENCODER_API int FakeEngine_InfoCalls(void) {
    return g_calls.load();
}

ENCODER_API int FakeEngine_InfoCallsRunning(void) {
    return g_running.load();
}

ENCODER_API void FakeEngine_MarkMainThread(void) {
    std::lock_guard guard(g_lock);
    g_main_thread = std::this_thread::get_id();
}

ENCODER_API int FakeEngine_InfoCallsOnMainThread(void) {
    return g_calls_on_main.load();
}

ENCODER_API const char *FakeEngine_InfoPaths(void) {
    std::lock_guard guard(g_lock);
    g_paths_copy = g_paths;
    return g_paths_copy.c_str();
}

ENCODER_API void FakeEngine_Reset(void) {
    std::lock_guard guard(g_lock);
    g_calls = 0;
    g_calls_on_main = 0;
    g_paths.clear();
}

} // extern "C"
