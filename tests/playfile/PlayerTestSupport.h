#pragma once
// Helpers for the player tests: clips made with the ffmpeg CLI, and a window of the message layer
// that records the player's events.

#include <playfile.h>
#include <winmsg.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

using namespace std::chrono_literals;

struct PlayerEvent {
    UINT msg = 0;
    int event = 0;
    LPARAM value = 0;
    // Event 3: the record as it was when the event arrived.
    double duration = -1.0;
    int seekable = -1;
};

// A registered window that keeps every message posted to it, in order.
class EventSink {
public:
    EventSink();
    ~EventSink();
    EventSink(const EventSink &) = delete;
    EventSink &operator=(const EventSink &) = delete;

    HWND Handle() { return this; }
    // The first event numbered `event` at or after position `from` of the record, waiting for it.
    std::optional<PlayerEvent> WaitFor(int event, size_t from = 0,
                                       std::chrono::milliseconds timeout = 15s);
    // Waits until at least n messages have arrived.
    bool WaitForCount(size_t n, std::chrono::milliseconds timeout = 15s);
    std::vector<PlayerEvent> Events();
    std::vector<int> EventNumbers();
    size_t Count();

private:
    static LRESULT Proc(void *ctx, HWND hwnd, UINT msg, WPARAM w, LPARAM l, int posted);
    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<PlayerEvent> events_;
};

// Makes (once) a clip in the fixture folder with the ffmpeg CLI; returns its path.
std::string MakeClip(const std::string &name, const std::string &ffmpeg_arguments);
// 3 s, 320x180 test picture with a sine tone, one key frame only (so seeks must decode up).
std::string AudioVideoClip();
// 2 s, 16:9 test picture, no sound.
std::string VideoOnlyClip();
// A file of random bytes with a media extension, made for this process.
std::string GarbageFile();

// Polls until pred is true; false on timeout.
bool WaitUntil(const std::function<bool()> &pred, std::chrono::milliseconds timeout = 15s);

struct Position {
    double seconds = 0.0;
    double percent = 0.0;
};
std::optional<Position> GetPosition();
