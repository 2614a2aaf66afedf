#include "PlayerTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

EventSink::EventSink() {
    winmsg_register(Handle(), &EventSink::Proc, this);
}

EventSink::~EventSink() {
    winmsg_unregister(Handle());
}

LRESULT EventSink::Proc(void *ctx, HWND, UINT msg, WPARAM w, LPARAM l, int) {
    auto *sink = static_cast<EventSink *>(ctx);
    PlayerEvent e;
    e.msg = msg;
    e.event = static_cast<int>(w);
    e.value = l;
    if (msg == PLAYFILE_EVENT_MESSAGE && e.event == PLAYFILE_EVENT_OPENED && l != 0) {
        const auto *bytes = reinterpret_cast<const unsigned char *>(l);
        double duration = 0.0;
        std::memcpy(&duration, bytes, sizeof duration);
        e.duration = duration;
        e.seekable = bytes[8];
    }
    {
        std::lock_guard guard(sink->lock_);
        sink->events_.push_back(e);
    }
    sink->arrived_.notify_all();
    return 1;
}

std::optional<PlayerEvent> EventSink::WaitFor(int event, size_t from,
                                              std::chrono::milliseconds timeout) {
    std::unique_lock guard(lock_);
    std::optional<PlayerEvent> found;
    arrived_.wait_for(guard, timeout, [&] {
        for (size_t i = from; i < events_.size(); ++i) {
            if (events_[i].msg == PLAYFILE_EVENT_MESSAGE && events_[i].event == event) {
                found = events_[i];
                return true;
            }
        }
        return false;
    });
    return found;
}

bool EventSink::WaitForCount(size_t n, std::chrono::milliseconds timeout) {
    std::unique_lock guard(lock_);
    return arrived_.wait_for(guard, timeout, [&] { return events_.size() >= n; });
}

std::vector<PlayerEvent> EventSink::Events() {
    std::lock_guard guard(lock_);
    return events_;
}

std::vector<int> EventSink::EventNumbers() {
    std::vector<int> numbers;
    for (const PlayerEvent &e : Events())
        numbers.push_back(e.event);
    return numbers;
}

size_t EventSink::Count() {
    std::lock_guard guard(lock_);
    return events_.size();
}

std::string MakeClip(const std::string &name, const std::string &ffmpeg_arguments) {
    const fs::path path = fs::path(MAVO_FIXTURE_DIR) / name;
    if (fs::exists(path))
        return path.string();
    // Tests run in parallel: make the clip under a name of this process, then move it in place.
    const fs::path part =
        fs::path(MAVO_FIXTURE_DIR) / ("part-" + std::to_string(getpid()) + "-" + name);
    const std::string command = "ffmpeg -hide_banner -loglevel error -nostdin -y " +
                                ffmpeg_arguments + " '" + part.string() + "'";
    if (std::system(command.c_str()) != 0)
        return {};
    fs::rename(part, path);
    return path.string();
}

std::string AudioVideoClip() {
    return MakeClip("player_av_3s.mp4", "-f lavfi -i testsrc2=size=320x180:rate=25:duration=3 "
                                        "-f lavfi -i sine=frequency=440:duration=3 "
                                        "-c:v mpeg4 -q:v 5 -g 100 -c:a aac -shortest");
}

std::string VideoOnlyClip() {
    return MakeClip("player_video_2s.mp4", "-f lavfi -i testsrc2=size=320x180:rate=25:duration=2 "
                                           "-c:v mpeg4 -q:v 5 -an");
}

std::string GarbageFile() {
    const fs::path path =
        fs::path(MAVO_FIXTURE_DIR) / ("garbage-" + std::to_string(getpid()) + ".avi");
    std::mt19937 random(1234);
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < 64 * 1024; ++i)
        out.put(static_cast<char>(random() & 0xff));
    return path.string();
}

bool WaitUntil(const std::function<bool()> &pred, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

std::optional<Position> GetPosition() {
    Position p;
    double unused = 0.0;
    if (PlayerGetPosition(&unused, &p.seconds, &p.percent) == 0)
        return std::nullopt;
    return p;
}
