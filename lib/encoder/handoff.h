// The bounded queue between two stages of a conversion.
#pragma once

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/frame.h>
}

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

namespace engine {

inline void FreeItem(AVPacket *&p) {
    av_packet_free(&p);
}
inline void FreeItem(AVFrame *&f) {
    av_frame_free(&f);
}

// Packets handed from the demuxer to a stage, or pictures from a decoder to the thread that
// filters and encodes them. A null item marks the end of the input.
template <typename T> class HandOff {
public:
    explicit HandOff(size_t capacity) : capacity_(capacity) {}
    HandOff(const HandOff &) = delete;
    HandOff &operator=(const HandOff &) = delete;
    ~HandOff() {
        for (T *p : items_)
            FreeItem(p);
    }
    // Takes ownership; false when the taker has stopped taking (the item is freed).
    bool Push(T *item, const std::atomic<bool> &abort) {
        std::unique_lock lock(mutex_);
        while (!closed_ && items_.size() >= capacity_ && item != nullptr && !abort)
            cv_.wait_for(lock, std::chrono::milliseconds(20));
        if (closed_ || abort) {
            FreeItem(item);
            return false;
        }
        items_.push_back(item);
        cv_.notify_all();
        return true;
    }
    // False on abort; otherwise `item` is the next item (null at the end).
    bool Pop(T *&item, const std::atomic<bool> &abort) {
        std::unique_lock lock(mutex_);
        while (items_.empty() && !abort)
            cv_.wait_for(lock, std::chrono::milliseconds(20));
        if (abort)
            return false;
        item = items_.front();
        items_.pop_front();
        cv_.notify_all();
        return true;
    }
    // The taker stops taking: what is queued is freed and pushers return at once.
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        for (T *p : items_)
            FreeItem(p);
        items_.clear();
        cv_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<T *> items_;
    size_t capacity_;
    bool closed_ = false;
};

} // namespace engine
