// The preview player on libmpv.
//
// Each opened clip is a session: one mpv instance and one event thread of ours that drains
// mpv's events and turns them into posted messages. The caller's functions only send
// asynchronous requests to mpv (their replies come back as events), so they never wait for the
// clip to load, seek or set up its video output. Closing a session wakes and joins its event
// thread before the mpv instance is destroyed, so nothing is posted for a clip once it is
// closed.

#include "playfile.h"

#include <mpv/client.h>

#include <algorithm>
#include <atomic>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <utility>
#include <xcb/xcb.h>

static_assert(offsetof(PlayerOpenInfo, duration) == 0, "duration at offset 0");
static_assert(offsetof(PlayerOpenInfo, seekable) == 8, "seekable flag at offset 8");

namespace {

enum class State { Opening, Ready, Failed };

// Tags of asynchronous requests and observed properties.
enum Tag : uint64_t {
    kNoReply = 0,
    kOpenFile,
    kPlay,
    kPause,
    kVideoOutput,
    kTimePos,
    kPercentPos,
    kEofReached,
};

// Tried in this order; the last one always works, so a clip plays even when no picture can be
// shown. "gpu" is limited to the X11 EGL context: probing the others costs half a second
// under a virtual X server and none of them can draw into a foreign X11 window anyway.
constexpr const char *kVideoOutputs = "gpu,x11,null";

struct Session {
    mpv_handle *mpv = nullptr;
    std::thread events;
    std::atomic<bool> closing{false};
    std::atomic<State> state{State::Opening};
    std::atomic<bool> has_time{false};
    std::atomic<bool> has_percent{false};
    std::atomic<double> time_pos{0.0};
    std::atomic<double> percent_pos{0.0};
    std::atomic<bool> at_end{false};
    std::atomic<bool> window_given{false};
    std::atomic<bool> no_picture_pending{false};
    // Caller's side only.
    uintptr_t window = 0;
    bool video_output = false;
};

std::mutex &ApiLock() {
    static std::mutex lock;
    return lock;
}

std::atomic<HWND> g_event_window{nullptr};
std::atomic<PlayerNotifyFn> g_notify{nullptr};
// A plain pointer: a host that ends without PlayerRelease must not have a running event thread
// destroyed by static destruction (that would abort the process).
Session *g_session = nullptr;
PlayerOpenInfo g_info{};
unsigned char g_keep_ratio = 1;
thread_local bool t_player_thread = false;

bool HaveDisplay() {
    const char *x11 = std::getenv("DISPLAY");
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

// libmpv refuses to start under any numeric locale other than "C". The host's toolkit may have
// set the user's locale; numbers in mpv's option texts must be read the same way everywhere.
void EnsureCNumericLocale() {
    const char *current = std::setlocale(LC_NUMERIC, nullptr);
    if (current == nullptr || std::strcmp(current, "C") != 0)
        std::setlocale(LC_NUMERIC, "C");
}

// Whether the X server knows the window. Drawing into a window that does not exist can crash
// inside the OpenGL driver, so mpv never gets such a window.
bool X11WindowExists(uintptr_t window) {
    if (window == 0 || window > UINT32_MAX)
        return false;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    bool exists = false;
    if (xcb_connection_has_error(connection) == 0) {
        xcb_generic_error_t *error = nullptr;
        xcb_get_window_attributes_reply_t *reply = xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, static_cast<xcb_window_t>(window)),
            &error);
        exists = reply != nullptr && error == nullptr;
        std::free(reply);
        std::free(error);
    }
    xcb_disconnect(connection);
    return exists;
}

bool IsRegularFile(const char *path) {
    struct stat st {};
    return path != nullptr && *path != '\0' && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

void Post(const Session &s, int event, LPARAM value) {
    if (s.closing.load())
        return;
    if (HWND window = g_event_window.load())
        PostMessageA(window, PLAYFILE_EVENT_MESSAGE, static_cast<WPARAM>(event), value);
}

void Notify(const Session &s, int event, int value1, int value2) {
    if (s.closing.load())
        return;
    PlayerNotifyFn notify = g_notify.load();
    if (notify == nullptr)
        return;
    try {
        notify(event, value1, value2);
    } catch (...) {
        // Nothing escapes into mpv's or the host's C code.
    }
}

void Fail(Session &s, int error) {
    const State before = s.state.exchange(State::Failed);
    if (before == State::Failed)
        return;
    s.has_time = false;
    s.has_percent = false;
    Post(s, PLAYFILE_EVENT_FAILED, 0);
    if (before == State::Ready)
        Notify(s, PLAYFILE_NOTIFY_ERROR, error, 0);
}

void ReachedEnd(Session &s) {
    if (s.state.load() != State::Ready || s.at_end.exchange(true))
        return;
    Post(s, PLAYFILE_EVENT_ENDED, -1);
}

void Loaded(Session &s) {
    if (s.state.load() != State::Opening)
        return;
    double duration = 0.0;
    if (mpv_get_property(s.mpv, "duration", MPV_FORMAT_DOUBLE, &duration) < 0 ||
        !std::isfinite(duration) || duration < 0.0)
        duration = 0.0;
    int seekable = 0;
    if (mpv_get_property(s.mpv, "seekable", MPV_FORMAT_FLAG, &seekable) < 0)
        seekable = 0;
    g_info.duration = duration;
    g_info.seekable = seekable != 0 ? 1 : 0;
    s.state = State::Ready;
    Post(s, PLAYFILE_EVENT_OPENED, reinterpret_cast<LPARAM>(&g_info));
}

void PropertyChanged(Session &s, uint64_t tag, const mpv_event_property *p) {
    const bool is_double = p->format == MPV_FORMAT_DOUBLE && p->data != nullptr;
    switch (tag) {
    case kTimePos:
        if (is_double)
            s.time_pos = *static_cast<double *>(p->data);
        s.has_time = is_double && s.state.load() != State::Failed;
        break;
    case kPercentPos:
        if (is_double)
            s.percent_pos = *static_cast<double *>(p->data);
        s.has_percent = is_double && s.state.load() != State::Failed;
        break;
    case kEofReached:
        if (p->format == MPV_FORMAT_FLAG && p->data != nullptr) {
            if (*static_cast<int *>(p->data) != 0)
                ReachedEnd(s);
            else
                s.at_end = false;
        }
        break;
    default:
        break;
    }
}

// The video output was switched to the window the caller gave. When only the null output could
// be opened, the picture cannot be shown.
void VideoOutputChanged(Session &s) {
    if (!s.window_given.load() || s.state.load() == State::Failed)
        return;
    int64_t video_track = 0;
    if (mpv_get_property(s.mpv, "current-tracks/video/id", MPV_FORMAT_INT64, &video_track) < 0)
        return; // nothing to show: no picture is missing
    char *output = mpv_get_property_string(s.mpv, "current-vo");
    const bool none = output == nullptr || std::strcmp(output, "null") == 0;
    mpv_free(output);
    if (none)
        Notify(s, PLAYFILE_NOTIFY_NO_PICTURE, 0, 0);
}

void EventLoop(Session *s) {
    t_player_thread = true;
    for (;;) {
        mpv_event *e = mpv_wait_event(s->mpv, -1);
        if (s->closing.load() || e->event_id == MPV_EVENT_SHUTDOWN)
            return;
        if (s->no_picture_pending.exchange(false))
            Notify(*s, PLAYFILE_NOTIFY_NO_PICTURE, 0, 0);
        switch (e->event_id) {
        case MPV_EVENT_FILE_LOADED:
            Loaded(*s);
            break;
        case MPV_EVENT_END_FILE: {
            const auto *end = static_cast<const mpv_event_end_file *>(e->data);
            if (end->reason == MPV_END_FILE_REASON_ERROR)
                Fail(*s, end->error);
            else if (end->reason == MPV_END_FILE_REASON_EOF)
                ReachedEnd(*s);
            break;
        }
        case MPV_EVENT_COMMAND_REPLY:
            if (e->reply_userdata == kOpenFile && e->error < 0)
                Fail(*s, e->error);
            break;
        case MPV_EVENT_SET_PROPERTY_REPLY:
            if (s->state.load() == State::Failed)
                break;
            if (e->reply_userdata == kPlay)
                Post(*s, PLAYFILE_EVENT_PLAYING, e->error < 0 ? -1 : 0);
            else if (e->reply_userdata == kPause && e->error >= 0)
                Post(*s, PLAYFILE_EVENT_PAUSED, 0);
            else if (e->reply_userdata == kVideoOutput)
                VideoOutputChanged(*s);
            break;
        case MPV_EVENT_PROPERTY_CHANGE:
            PropertyChanged(*s, e->reply_userdata, static_cast<mpv_event_property *>(e->data));
            break;
        default:
            break;
        }
    }
}

void SetOptions(mpv_handle *mpv, bool display) {
    struct Option {
        const char *name;
        const char *value;
    };
    // A preview: no configuration, scripts, key bindings, on-screen display or files besides
    // the clip itself (a playlist never makes mpv open other files or addresses).
    static const Option options[] = {
        {"config", "no"},
        {"terminal", "no"},
        {"load-scripts", "no"},
        {"ytdl", "no"},
        {"osc", "no"},
        {"osd-level", "0"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"input-cursor", "no"},
        {"cursor-autohide", "no"},
        {"access-references", "no"},
        {"sub-auto", "no"},
        {"audio-file-auto", "no"},
        {"cover-art-auto", "no"},
        {"resume-playback", "no"},
        {"idle", "yes"},
        {"pause", "yes"},
        {"keep-open", "yes"},
        {"hr-seek", "yes"},
        {"gpu-context", "x11egl"},
        // No picture until the caller names a window: mpv would open one of its own otherwise.
        {"vo", "null"},
    };
    for (const Option &option : options)
        mpv_set_option_string(mpv, option.name, option.value);
    if (display)
        mpv_set_option_string(mpv, "audio-fallback-to-null", "yes");
    else
        mpv_set_option_string(mpv, "ao", "null");
    mpv_set_option_string(mpv, "keepaspect", g_keep_ratio != 0 ? "yes" : "no");
}

// Caller's side, under the API lock.
void CloseSession() {
    std::unique_ptr<Session> s(std::exchange(g_session, nullptr));
    if (!s)
        return;
    s->closing = true;
    mpv_wakeup(s->mpv);
    if (s->events.joinable())
        s->events.join();
    mpv_terminate_destroy(s->mpv);
}

int OpenFailed(HWND window) {
    PostMessageA(window, PLAYFILE_EVENT_MESSAGE, PLAYFILE_EVENT_FAILED, 0);
    return 0;
}

Session *OpenSession() {
    Session *s = g_session;
    return s != nullptr && s->state.load() != State::Failed ? s : nullptr;
}

} // namespace

extern "C" {

int PlayerInit(HWND notify_window) {
    if (t_player_thread || notify_window == nullptr || !IsWindow(notify_window))
        return 0;
    std::lock_guard guard(ApiLock());
    CloseSession();
    EnsureCNumericLocale();
    g_event_window = notify_window;
    return 1;
}

void PlayerRelease(void) {
    if (t_player_thread)
        return;
    std::lock_guard guard(ApiLock());
    CloseSession();
    g_event_window = nullptr;
}

int PlayerOpen(const char *path, int /*reserved*/) {
    if (t_player_thread)
        return 0;
    std::lock_guard guard(ApiLock());
    HWND window = g_event_window.load();
    if (window == nullptr)
        return 0;
    CloseSession();
    g_info = PlayerOpenInfo{};
    if (!IsRegularFile(path))
        return OpenFailed(window);

    EnsureCNumericLocale();
    auto s = std::make_unique<Session>();
    s->mpv = mpv_create();
    if (s->mpv == nullptr)
        return OpenFailed(window);
    SetOptions(s->mpv, HaveDisplay());
    if (mpv_initialize(s->mpv) < 0) {
        mpv_terminate_destroy(s->mpv);
        return OpenFailed(window);
    }
    mpv_observe_property(s->mpv, kTimePos, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(s->mpv, kPercentPos, "percent-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(s->mpv, kEofReached, "eof-reached", MPV_FORMAT_FLAG);

    // A relative path that looks like an address or an option stays a file name.
    const std::string target = path[0] == '/' ? std::string(path) : std::string("./") + path;
    const char *command[] = {"loadfile", target.c_str(), "replace", nullptr};
    if (mpv_command_async(s->mpv, kOpenFile, command) < 0) {
        mpv_terminate_destroy(s->mpv);
        return OpenFailed(window);
    }
    s->events = std::thread(EventLoop, s.get());
    g_session = s.release();
    return 1;
}

int PlayerPlay(double speed) {
    if (t_player_thread)
        return 0;
    std::lock_guard guard(ApiLock());
    Session *s = OpenSession();
    if (s == nullptr)
        return 0;
    if (std::isfinite(speed) && speed > 0.0) {
        double clamped = std::clamp(speed, 0.01, 100.0);
        mpv_set_property_async(s->mpv, kNoReply, "speed", MPV_FORMAT_DOUBLE, &clamped);
    }
    if (s->at_end.load()) {
        double start = 0.0;
        mpv_set_property_async(s->mpv, kNoReply, "time-pos", MPV_FORMAT_DOUBLE, &start);
    }
    int pause = 0;
    return mpv_set_property_async(s->mpv, kPlay, "pause", MPV_FORMAT_FLAG, &pause) >= 0 ? 1 : 0;
}

void PlayerStop(void) {
    if (t_player_thread)
        return;
    std::lock_guard guard(ApiLock());
    CloseSession();
}

void PlayerPause(void) {
    if (t_player_thread)
        return;
    std::lock_guard guard(ApiLock());
    if (Session *s = OpenSession()) {
        int pause = 1;
        mpv_set_property_async(s->mpv, kPause, "pause", MPV_FORMAT_FLAG, &pause);
    }
}

void PlayerSetVideoWindow(uintptr_t native_window, int /*reserved*/, unsigned char keep_ratio) {
    if (t_player_thread)
        return;
    std::lock_guard guard(ApiLock());
    g_keep_ratio = keep_ratio != 0 ? 1 : 0;
    Session *s = OpenSession();
    if (s == nullptr)
        return;
    int keep = g_keep_ratio;
    mpv_set_property_async(s->mpv, kNoReply, "keepaspect", MPV_FORMAT_FLAG, &keep);
    if (!HaveDisplay() || native_window == s->window)
        return;
    // The output reads the window when it starts: stop it, name the new window, start it again.
    if (s->video_output) {
        const char *none = "null";
        mpv_set_property_async(s->mpv, kNoReply, "vo", MPV_FORMAT_STRING, &none);
        s->video_output = false;
    }
    s->window = native_window;
    s->window_given = native_window != 0;
    if (native_window == 0)
        return;
    if (!X11WindowExists(native_window)) {
        // Reported from the player's thread, like every notification.
        s->no_picture_pending = true;
        mpv_wakeup(s->mpv);
        return;
    }
    auto wid = static_cast<int64_t>(native_window);
    mpv_set_property_async(s->mpv, kNoReply, "wid", MPV_FORMAT_INT64, &wid);
    const char *outputs = kVideoOutputs;
    mpv_set_property_async(s->mpv, kVideoOutput, "vo", MPV_FORMAT_STRING, &outputs);
    s->video_output = true;
}

void PlayerSeek(double seconds) {
    if (t_player_thread || std::isnan(seconds))
        return;
    std::lock_guard guard(ApiLock());
    Session *s = OpenSession();
    if (s == nullptr || s->state.load() != State::Ready)
        return;
    double target = std::max(seconds, 0.0);
    if (g_info.duration > 0.0)
        target = std::min(target, g_info.duration);
    mpv_set_property_async(s->mpv, kNoReply, "time-pos", MPV_FORMAT_DOUBLE, &target);
}

int PlayerGetPosition(double * /*unused*/, double *seconds, double *percent) {
    if (t_player_thread)
        return 0;
    std::lock_guard guard(ApiLock());
    Session *s = OpenSession();
    if (s == nullptr || s->state.load() != State::Ready || !s->has_time.load())
        return 0;
    const double position = s->time_pos.load();
    double share = 0.0;
    if (s->has_percent.load())
        share = s->percent_pos.load();
    else if (g_info.duration > 0.0)
        share = position / g_info.duration * 100.0;
    if (!std::isfinite(share))
        share = 0.0;
    if (seconds != nullptr)
        *seconds = position;
    if (percent != nullptr)
        *percent = std::clamp(share, 0.0, 100.0);
    return 1;
}

void PlayerSetNotify(void (*notify)(int event, int value1, int value2)) {
    g_notify = notify;
}

} // extern "C"
