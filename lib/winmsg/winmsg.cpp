#include "winmsg.h"

#include <mutex>
#include <unordered_map>

namespace {

struct Entry {
    WINMSG_PROC proc;
    void *ctx;
};

// Posts run the procedure under the lock, so that unregistering waits for a post in flight and
// the procedure's context can never be used after the window is gone. A procedure answering
// a post only queues, so the lock is held briefly. The mutex is recursive because a procedure
// may itself post.
std::recursive_mutex &TableLock() {
    static std::recursive_mutex lock;
    return lock;
}

std::unordered_map<HWND, Entry> &Table() {
    static std::unordered_map<HWND, Entry> table;
    return table;
}

} // namespace

extern "C" {

int winmsg_register(HWND hwnd, WINMSG_PROC proc, void *ctx) {
    if (hwnd == nullptr || proc == nullptr)
        return 0;
    std::lock_guard guard(TableLock());
    Table()[hwnd] = Entry{proc, ctx};
    return 1;
}

void winmsg_unregister(HWND hwnd) {
    std::lock_guard guard(TableLock());
    Table().erase(hwnd);
}

int IsWindow(HWND hwnd) {
    if (hwnd == nullptr)
        return 0;
    std::lock_guard guard(TableLock());
    return Table().count(hwnd) != 0 ? 1 : 0;
}

int PostMessageA(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    std::lock_guard guard(TableLock());
    auto it = Table().find(hwnd);
    if (it == Table().end())
        return 0;
    it->second.proc(it->second.ctx, hwnd, msg, w, l, 1);
    return 1;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    Entry entry{};
    {
        std::lock_guard guard(TableLock());
        auto it = Table().find(hwnd);
        if (it == Table().end())
            return 0;
        entry = it->second;
    }
    // Outside the lock: a synchronous handler may run long and must not hold up the engine's
    // posts. The host's procedure moves a send from another thread onto its own.
    return entry.proc(entry.ctx, hwnd, msg, w, l, 0);
}

} // extern "C"
