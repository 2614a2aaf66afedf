#include "engine_session.h"

#include <winmsg.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// The report functions are plain C functions: the session keeps its state here.
std::mutex g_mutex;
std::condition_variable g_cv;
std::vector<std::string> g_lines;
std::vector<int> g_percents;
std::vector<int> g_results;
std::vector<size_t> g_lines_at_message;
std::vector<std::string> g_chained;
bool g_has_chained = false;
bool g_stop_on_line = false;
std::function<void()> g_on_first_line;
Clock::time_point g_stop_time;
double g_stop_latency = -1;

int OnInfo(const char *text) {
    bool stop = false;
    std::function<void()> first;
    {
        std::lock_guard lock(g_mutex);
        g_lines.emplace_back(text != nullptr ? text : "");
        std::swap(first, g_on_first_line);
        if (g_stop_on_line) {
            g_stop_on_line = false;
            stop = true;
            g_stop_time = Clock::now();
        }
    }
    if (first)
        first();
    if (stop)
        Mydll_Stop();
    return 0;
}

int OnPercent(int p) {
    std::lock_guard lock(g_mutex);
    g_percents.push_back(p);
    return 0;
}

LRESULT OnMessage(void *, HWND hwnd, UINT msg, WPARAM w, LPARAM, int) {
    if (msg != WM_CONVERTDONE)
        return 0;
    std::vector<std::string> next;
    bool chain = false;
    {
        std::lock_guard lock(g_mutex);
        g_results.push_back(static_cast<int>(w));
        g_lines_at_message.push_back(g_lines.size());
        if (g_stop_time != Clock::time_point{} && g_stop_latency < 0)
            g_stop_latency = std::chrono::duration<double>(Clock::now() - g_stop_time).count();
        if (g_has_chained) {
            g_has_chained = false;
            chain = true;
            next = g_chained;
        }
        g_cv.notify_all();
    }
    if (chain) {
        // Like the program's handler, which runs on its own thread after the engine posted: the
        // next clip starts from there.
        std::thread([hwnd, next] {
            std::vector<std::string> keep = next;
            keep.insert(keep.begin(), "mavo-converter");
            std::vector<char *> argv;
            for (auto &a : keep)
                argv.push_back(a.data());
            _X(hwnd, static_cast<int>(argv.size()), argv.data());
        }).detach();
    }
    return 0;
}

} // namespace

EngineSession::EngineSession() {
    {
        std::lock_guard lock(g_mutex);
        g_lines.clear();
        g_percents.clear();
        g_results.clear();
        g_lines_at_message.clear();
        g_has_chained = false;
        g_stop_on_line = false;
        g_on_first_line = nullptr;
        g_stop_time = {};
        g_stop_latency = -1;
    }
    // Not under g_mutex: the message layer calls OnMessage, which takes it, under its own lock.
    MyDll_Init();
    winmsg_register(Window(), OnMessage, nullptr);
    SetGetInfoCallBackFun(OnInfo);
    SetGetPercentCallBackFun(OnPercent);
}

EngineSession::~EngineSession() {
    MyDll_UnInit();
    winmsg_unregister(Window());
}

int EngineSession::Start(const std::vector<std::string> &args) {
    std::vector<std::string> copy = args;
    copy.insert(copy.begin(), "mavo-converter");
    std::vector<char *> argv;
    for (auto &a : copy)
        argv.push_back(a.data());
    // The engine copies the list: ours goes away when this returns.
    return _X(Window(), static_cast<int>(argv.size()), argv.data());
}

bool EngineSession::WaitMessages(size_t count, double seconds) {
    std::unique_lock lock(g_mutex);
    return g_cv.wait_for(lock, std::chrono::duration<double>(seconds),
                         [&] { return g_results.size() >= count; });
}

int EngineSession::Convert(const std::vector<std::string> &args) {
    size_t before = Results().size();
    if (Start(args) != 0)
        return -1;
    if (!WaitMessages(before + 1))
        return -1;
    return Results()[before];
}

std::vector<int> EngineSession::Results() const {
    std::lock_guard lock(g_mutex);
    return g_results;
}

std::vector<std::string> EngineSession::Lines() const {
    std::lock_guard lock(g_mutex);
    return g_lines;
}

std::vector<int> EngineSession::Percents() const {
    std::lock_guard lock(g_mutex);
    return g_percents;
}

std::vector<size_t> EngineSession::LinesAtMessage() const {
    std::lock_guard lock(g_mutex);
    return g_lines_at_message;
}

void EngineSession::ChainNext(std::vector<std::string> args) {
    std::lock_guard lock(g_mutex);
    g_chained = std::move(args);
    g_has_chained = true;
}

void EngineSession::StopOnFirstLine() {
    std::lock_guard lock(g_mutex);
    g_stop_on_line = true;
}

void EngineSession::OnFirstLine(std::function<void()> fn) {
    std::lock_guard lock(g_mutex);
    g_on_first_line = std::move(fn);
}

double EngineSession::StopLatency() const {
    std::lock_guard lock(g_mutex);
    return g_stop_latency;
}

std::vector<std::string> IpodArgs(const std::string &input, const std::string &output,
                                  const std::string &start, const std::string &length,
                                  const std::string &format, int pad_top, int pad_bottom,
                                  int pad_left, int pad_right) {
    return {"-y",         "-ss",
            start,        "-t",
            length,       "-i",
            input,        "-vol",
            "100",        "-bitexact",
            "-vcodec",    "mpeg4",
            "-padtop",    std::to_string(pad_top),
            "-padbottom", std::to_string(pad_bottom),
            "-padleft",   std::to_string(pad_left),
            "-padright",  std::to_string(pad_right),
            "-s",         "320x240",
            "-r",         "25",
            "-b",         "768",
            "-acodec",    "aac",
            "-ac",        "2",
            "-ar",        "44100",
            "-ab",        "128",
            "-f",         format,
            output};
}
