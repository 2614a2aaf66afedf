#pragma once
// The reading of one status line of the engine: where the clip has got to. A pure step, without
// any window.

#include <QString>
#include <cstdint>
#include <optional>

// What one status line moves on the progress window.
struct EngineInfo {
    int32_t Percent = 0;        // of the clip; may lie beyond 100
    int32_t CurrentSeconds = 0; // position in the source
    double Position = 0;        // seconds converted from the clip's start
};

// The seconds after "time" up to "bitrate", as the window shows them. Nothing when the position
// is not below the clip's length + 1. A clip of length 0 shows 0 %.
std::optional<EngineInfo> ParseEngineInfo(const QString &text, int32_t clip_start,
                                          int32_t clip_length);
