// The engine's entries for conversion: one clip at a time on a worker thread of its own.
#include "encoder.h"
#include "convert.h"
#include "job.h"

extern "C" {
#include <libavutil/log.h>
}

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<InfoReportFn> g_info{nullptr};
std::atomic<PercentReportFn> g_percent{nullptr};
std::atomic<bool> g_stop{false};

std::mutex g_mutex; // guards g_worker and g_running
std::thread g_worker;
bool g_running = false;

void Report(const char *line) {
    InfoReportFn fn = g_info.load();
    if (fn != nullptr)
        fn(line);
}

void ReportPercent(int p) {
    PercentReportFn fn = g_percent.load();
    if (fn != nullptr)
        fn(p);
}

void Work(HWND window, std::vector<std::string> args) {
    std::vector<char *> argv;
    argv.reserve(args.size());
    for (auto &a : args)
        argv.push_back(a.data());

    engine::Job job;
    std::string reason;
    engine::ConvertResult result = engine::kFailed;
    if (!engine::ParseArguments(static_cast<int>(argv.size()), argv.data(), job, reason)) {
        Report(("error: " + reason).c_str());
    } else {
        engine::ConvertHooks hooks;
        hooks.status = Report;
        hooks.percent = ReportPercent;
        hooks.stop = &g_stop;
        result = job.size_limit > 0 ? engine::RunSizeTarget(job, hooks)
                                    : engine::RunConversion(job, hooks);
    }
    // The last status line has been reported; the clip is over. Free the engine for the next
    // clip before telling the window, whose handler may start it at once.
    {
        std::lock_guard lock(g_mutex);
        g_running = false;
    }
    PostMessageA(window, WM_CONVERTDONE, static_cast<WPARAM>(result), 0);
}

void JoinWorker() {
    std::thread old;
    {
        std::lock_guard lock(g_mutex);
        old = std::move(g_worker);
    }
    if (old.joinable()) {
        if (old.get_id() == std::this_thread::get_id())
            old.detach();
        else
            old.join();
    }
}

} // namespace

extern "C" {

ENCODER_API void MyDll_Init(void) {
    av_log_set_level(AV_LOG_QUIET);
}

ENCODER_API void MyDll_UnInit(void) {
    g_stop = true;
    JoinWorker();
}

ENCODER_API void SetGetInfoCallBackFun(InfoReportFn fn) {
    g_info = fn;
}
ENCODER_API void SetGetPercentCallBackFun(PercentReportFn fn) {
    g_percent = fn;
}

ENCODER_API int _X(HWND window, int argc, char **argv) {
    std::unique_lock lock(g_mutex);
    if (g_running)
        return 1;
    if (argc < 0 || (argc > 0 && argv == nullptr))
        return 2;
    // The caller may free its texts once this returns: the worker gets copies.
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.emplace_back(argv[i] != nullptr ? argv[i] : "");
    std::thread old = std::move(g_worker);
    g_running = true;
    g_stop = false;
    lock.unlock();
    if (old.joinable()) {
        // The previous clip's thread has already posted its message and is ending. A host that
        // handles the message on that very thread and starts the next clip from there cannot
        // wait for it: let it end on its own.
        if (old.get_id() == std::this_thread::get_id())
            old.detach();
        else
            old.join();
    }
    lock.lock();
    g_worker = std::thread(Work, window, std::move(args));
    return 0;
}

ENCODER_API void Mydll_Stop(void) {
    g_stop = true;
}

} // extern "C"
