// The conversion of one clip on threads of its own.
#pragma once

#include "job.h"

#include <atomic>
#include <functional>
#include <string>

namespace engine {

enum ConvertResult { kFinished = 0, kStopped = 1, kFailed = 2 };

struct ConvertHooks {
    std::function<void(const char *)> status; // one status line
    std::function<void(int)> percent;         // clip percentage
    const std::atomic<bool> *stop = nullptr;  // set to end the clip early
};

// Runs the job to its end on the calling thread (with helper threads for the stages) and returns
// its result. The last status line (or the "error: " line) has been reported when it returns.
ConvertResult RunConversion(const Job &job, const ConvertHooks &hooks);

// A job with a size target (-fs): two passes of libx264 at the bit rate the size leaves for the
// video, and the second pass again at a lower rate while the file comes out too large (twice at
// most). The percentage climbs to 50 in the first pass and on to 100 in the second.
ConvertResult RunSizeTarget(const Job &job, const ConvertHooks &hooks);

// The status line for the given figures, in the form
// "frame=  250 fps= 61 q=3.1 size=    1024kB time=10.00 bitrate= 838.9kbits/s".
std::string StatusLine(int64_t frames, double fps, double q, int64_t bytes, double seconds);

} // namespace engine
