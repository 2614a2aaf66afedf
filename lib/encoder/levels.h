// The names the video options take and the limits of the H.264, HEVC and MPEG-4 Simple Profile
// levels. Header-only: the argument reader checks names with it and needs nothing else.
#pragma once

#include <cstdint>
#include <string_view>

namespace engine {

// x264's and x265's speed presets, fastest first.
inline constexpr std::string_view kPresets[] = {"ultrafast", "superfast", "veryfast", "faster",
                                                "fast",      "medium",    "slow",     "slower",
                                                "veryslow",  "placebo"};

inline constexpr std::string_view kH264Profiles[] = {"baseline", "main", "high"};
inline constexpr std::string_view kHevcProfiles[] = {"main", "main10"};

// An H.264 level. Rates and buffers are for Baseline and Main; High may use a quarter more.
struct H264Level {
    std::string_view name;
    int idc;           // level_idc as x264 takes it (9 for 1b)
    int64_t mb_rate;   // macroblocks a second
    int64_t frame_mbs; // macroblocks a picture
    int64_t max_kbps;  // the most the stream may carry, kbit/s
    int64_t cpb_kbits; // the decoder's buffer, kbit
};

inline constexpr H264Level kH264Levels[] = {
    {"1", 10, 1485, 99, 64, 175},
    {"1b", 9, 1485, 99, 128, 350},
    {"1.1", 11, 3000, 396, 192, 500},
    {"1.2", 12, 6000, 396, 384, 1000},
    {"1.3", 13, 11880, 396, 768, 2000},
    {"2", 20, 11880, 396, 2000, 2000},
    {"2.1", 21, 19800, 792, 4000, 4000},
    {"2.2", 22, 20250, 1620, 4000, 4000},
    {"3", 30, 40500, 1620, 10000, 10000},
    {"3.1", 31, 108000, 3600, 14000, 14000},
    {"3.2", 32, 216000, 5120, 20000, 20000},
    {"4", 40, 245760, 8192, 20000, 25000},
    {"4.1", 41, 245760, 8192, 50000, 62500},
    {"4.2", 42, 522240, 8704, 50000, 62500},
    {"5", 50, 589824, 22080, 135000, 135000},
    {"5.1", 51, 983040, 36864, 240000, 240000},
    {"5.2", 52, 2073600, 36864, 240000, 240000},
    {"6", 60, 4177920, 139264, 240000, 240000},
    {"6.1", 61, 8355840, 139264, 480000, 480000},
    {"6.2", 62, 16711680, 139264, 800000, 800000},
};

// An HEVC level, Main tier.
struct HevcLevel {
    std::string_view name;
    int64_t picture_samples; // luma samples a picture
    int64_t sample_rate;     // luma samples a second
    int64_t max_kbps;
    int64_t cpb_kbits;
};

inline constexpr HevcLevel kHevcLevels[] = {
    {"1", 36864, 552960, 128, 350},
    {"2", 122880, 3686400, 1500, 1500},
    {"2.1", 245760, 7372800, 3000, 3000},
    {"3", 552960, 16588800, 6000, 6000},
    {"3.1", 983040, 33177600, 10000, 10000},
    {"4", 2228224, 66846720, 12000, 12000},
    {"4.1", 2228224, 133693440, 20000, 20000},
    {"5", 8912896, 267386880, 25000, 25000},
    {"5.1", 8912896, 534773760, 40000, 40000},
    {"5.2", 8912896, 1069547520, 60000, 60000},
    {"6", 35651584, 1069547520, 60000, 60000},
    {"6.1", 35651584, 2139095040, 120000, 120000},
    {"6.2", 35651584, 4278190080, 240000, 240000},
};

// An MPEG-4 Visual Simple Profile level, smallest first.
struct Mpeg4Level {
    int code;          // the level as the stream's header carries it (Level 0 is 8, 4a is 4)
    int64_t frame_mbs; // macroblocks a picture
    int64_t mb_rate;   // macroblocks a second
    int64_t max_bps;
};

inline constexpr Mpeg4Level kMpeg4SimpleLevels[] = {
    {8, 99, 1485, 64000},        // Level 0
    {1, 99, 1485, 64000},        // Level 1
    {2, 396, 5940, 128000},      // Level 2
    {3, 396, 11880, 384000},     // Level 3
    {4, 1200, 36000, 4000000},   // Level 4a
    {5, 1620, 40500, 8000000},   // Level 5
    {6, 3600, 108000, 12000000}, // Level 6
};

template <typename T, size_t N> const T *FindLevel(const T (&table)[N], std::string_view name) {
    for (const T &l : table)
        if (l.name == name)
            return &l;
    return nullptr;
}

template <size_t N> bool OneOf(const std::string_view (&names)[N], std::string_view name) {
    for (std::string_view n : names)
        if (n == name)
            return true;
    return false;
}

} // namespace engine
