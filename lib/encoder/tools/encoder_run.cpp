// encoder-run: drives the engine library from the command line.
//
//   encoder-run [-l LIBRARY] info FILE...
//   encoder-run [-l LIBRARY] thumb FILE OUT.jpg [SIZE [SECONDS]]
//   encoder-run [-l LIBRARY] infothumb OUTDIR FILE...   (both per file, with timings)
//   encoder-run [-l LIBRARY] convert ARG...             (the argument list as given to _X,
//                                                        without the program name)
//   encoder-run [-l LIBRARY] facts FILE...              (what each written file holds, one
//                                                        key=value a line)
//
// The library is found next to this program's build folder (../bin/libEncoder.so) unless -l
// names it. convert prints every status line and exits with the clip's result (0 finished,
// 1 stopped, 2 failed).
#include <encoder.h>
#include <winmsg.h>

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Engine {
    void (*init)();
    void (*uninit)();
    void (*info)(const char *, ClipInfoRecord *);
    int (*thumb)(const char *, int, const char *, const char *);
    void (*set_info)(InfoReportFn);
    void (*set_percent)(PercentReportFn);
    int (*convert)(HWND, int, char **);
    void (*stop)();
};

std::mutex g_mutex;
std::condition_variable g_cv;
bool g_done = false;
int g_result = -1;

LRESULT WindowProc(void *, HWND, UINT msg, WPARAM w, LPARAM, int) {
    if (msg == WM_CONVERTDONE) {
        std::lock_guard lock(g_mutex);
        g_done = true;
        g_result = static_cast<int>(w);
        g_cv.notify_all();
    }
    return 0;
}

int PrintStatus(const char *line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
    return 0;
}

int IgnorePercent(int) {
    return 0;
}

std::string DefaultLibrary() {
    char self[4096] = {};
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(".");
    dir = dir.substr(0, dir.find_last_of('/'));
    return dir + "/../bin/libEncoder.so";
}

template <typename F> bool Resolve(void *lib, const char *name, F &out) {
    out = reinterpret_cast<F>(dlsym(lib, name));
    if (out == nullptr)
        std::fprintf(stderr, "encoder-run: entry %s missing\n", name);
    return out != nullptr;
}

void PrintInfo(const Engine &e, const char *file) {
    ClipInfoRecord r{};
    e.info(file, &r);
    std::printf("%s\tduration=%d video=%s audio=%s size=%dx%d fps1000=%d kbps=%d hz=%d ch=%d\n",
                r.path, r.duration, r.video_format, r.audio_format, r.width, r.height, r.extra[0],
                r.extra[1], r.extra[2], r.extra[3]);
}

int Usage() {
    std::fprintf(stderr, "usage: encoder-run [-l LIBRARY] info FILE... | thumb FILE OUT [SIZE "
                         "[SECONDS]] | infothumb OUTDIR FILE... | convert ARG... | facts "
                         "FILE...\n");
    return 64;
}

// Prints the facts of each file, a blank line between files; 1 when one could not be read.
int PrintFacts(void *lib, int count, char **files) {
    int (*facts)(const char *, MediaFacts *) = nullptr;
    if (!Resolve(lib, "Mydll_GetMediaFacts", facts))
        return 70;
    int rc = 0;
    for (int i = 0; i < count; ++i) {
        MediaFacts f{};
        if (facts(files[i], &f) != 0)
            rc = 1;
        std::printf("%sfile=%s\nreadable=%d\ncontainer=%s\nindex_at_front=%d\nfile_bytes=%lld\n"
                    "duration_ms=%d\n",
                    i > 0 ? "\n" : "", files[i], f.readable, f.container, f.index_at_front,
                    static_cast<long long>(f.file_bytes), f.duration_ms);
        std::printf("video_codec=%s\nvideo_tag=%s\nvideo_profile=%s\nvideo_level=%d\nwidth=%d\n"
                    "height=%d\ndisplay_width=%d\ndisplay_height=%d\nfps_milli=%d\n"
                    "video_kbps=%d\nvideo_kbps_late=%d\nbit_depth=%d\nchroma_420=%d\n",
                    f.video_codec, f.video_tag, f.video_profile, f.video_level, f.width, f.height,
                    f.display_width, f.display_height, f.fps_milli, f.video_kbps, f.video_kbps_late,
                    f.bit_depth, f.chroma_420);
        std::printf("audio_codec=%s\naudio_profile=%s\nsample_rate=%d\nchannels=%d\n"
                    "audio_kbps=%d\n",
                    f.audio_codec, f.audio_profile, f.sample_rate, f.channels, f.audio_kbps);
    }
    return rc;
}

// Times reading the details and the thumbnail of each file, as adding clips does.
void InfoAndThumbnails(const Engine &e, const std::string &outdir, int count, char **files) {
    for (int index = 0; index < count; ++index) {
        auto t0 = std::chrono::steady_clock::now();
        ClipInfoRecord r{};
        e.info(files[index], &r);
        std::string out = outdir + "/thumb" + std::to_string(index) + ".jpg";
        int res = e.thumb(files[index], 5, "80x60", out.c_str());
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                        .count();
        std::printf("%.3f ms\t%s\t%s\tthumb=%d\n", ms, files[index], r.video_format, res);
    }
}

// Converts with the given arguments and waits for the engine's end message.
int Convert(const Engine &e, int count, char **arguments) {
    int hwnd_storage = 0;
    HWND hwnd = &hwnd_storage;
    winmsg_register(hwnd, WindowProc, nullptr);
    e.set_info(PrintStatus);
    e.set_percent(IgnorePercent);
    std::vector<char *> args;
    args.push_back(const_cast<char *>("encoder-run"));
    for (int i = 0; i < count; ++i)
        args.push_back(arguments[i]);
    int rc = 0;
    if (e.convert(hwnd, static_cast<int>(args.size()), args.data()) != 0) {
        std::fprintf(stderr, "encoder-run: the engine is busy\n");
        rc = 75;
    } else {
        std::unique_lock lock(g_mutex);
        g_cv.wait(lock, [] { return g_done; });
        rc = g_result;
    }
    winmsg_unregister(hwnd);
    return rc;
}

} // namespace

int main(int argc, char **argv) {
    int a = 1;
    std::string libpath = DefaultLibrary();
    if (a + 1 < argc && std::strcmp(argv[a], "-l") == 0) {
        libpath = argv[a + 1];
        a += 2;
    }
    if (a >= argc)
        return Usage();
    void *lib = dlopen(libpath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        std::fprintf(stderr, "encoder-run: cannot load %s: %s\n", libpath.c_str(), dlerror());
        return 70;
    }
    Engine e{};
    bool ok = Resolve(lib, "MyDll_Init", e.init) && Resolve(lib, "MyDll_UnInit", e.uninit) &&
              Resolve(lib, "Mydll_GetFileinfo", e.info) &&
              Resolve(lib, "Mydll_GetPicure", e.thumb) &&
              Resolve(lib, "SetGetInfoCallBackFun", e.set_info) &&
              Resolve(lib, "SetGetPercentCallBackFun", e.set_percent) &&
              Resolve(lib, "_X", e.convert) && Resolve(lib, "Mydll_Stop", e.stop);
    if (!ok)
        return 70;
    e.init();
    std::string cmd = argv[a++];
    int rc = 0;
    if (cmd == "info" && a < argc) {
        for (; a < argc; ++a)
            PrintInfo(e, argv[a]);
    } else if (cmd == "thumb" && a + 1 < argc) {
        const char *size = a + 2 < argc ? argv[a + 2] : "80x60";
        int seconds = a + 3 < argc ? std::atoi(argv[a + 3]) : 5;
        rc = e.thumb(argv[a], seconds, size, argv[a + 1]) == 0 ? 0 : 1;
    } else if (cmd == "infothumb" && a + 1 < argc) {
        InfoAndThumbnails(e, argv[a], argc - a - 1, argv + a + 1);
    } else if (cmd == "convert" && a < argc) {
        rc = Convert(e, argc - a, argv + a);
    } else if (cmd == "facts" && a < argc) {
        rc = PrintFacts(lib, argc - a, argv + a);
    } else {
        rc = Usage();
    }
    e.uninit();
    dlclose(lib);
    return rc;
}
