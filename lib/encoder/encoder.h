/* The conversion engine: clip information, thumbnails and conversion of one clip at a time. */
#ifndef MAVO_ENCODER_H
#define MAVO_ENCODER_H

#include <stdint.h>
#include <winmsg.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define ENCODER_API __declspec(dllexport)
#else
#define ENCODER_API __attribute__((visibility("default")))
#endif

/* Sent to the window given to _X once per started clip; wParam: 0 finished, 1 stopped,
 * 2 failed. */
#define WM_CONVERTDONE (WM_USER + 188)

typedef struct ClipInfoRecord {
    const char *path; /* the clip's path text                  */
    int32_t duration; /* whole seconds, rounded up              */
    const char *video_format;
    const char *audio_format;
    int32_t width, height; /* display size                         */
    int32_t extra[6];      /* fps x 1000, kbit/s, Hz, channels, 0, and 1 when the file's
                              headers could not be read in time (else 0)              */
} ClipInfoRecord;

/* What a written file holds, read back to check it against the device it was made for. Texts are
 * empty and numbers 0 where the file has no such stream or does not say. */
typedef struct MediaFacts {
    int32_t readable;       /* 1 when the file opened and has a video or an audio stream */
    char container[16];     /* "mp4", "3gp", "psp" (from the brand), "avi" ...          */
    int32_t index_at_front; /* 1: an MP4-family file whose index comes before its media */
    int64_t file_bytes;
    int32_t duration_ms;
    char video_codec[16];   /* "h264", "hevc", "mpeg4"                                  */
    char video_tag[8];      /* the sample entry or four-character tag: "avc1", "hvc1"   */
    char video_profile[32]; /* "High", "Main", "Simple Profile"                         */
    int32_t video_level;    /* h264: 41 for 4.1; hevc: 10 x level (41); mpeg4 simple:
                               0 L0, 1..3, 4 for 4a, 5, 6                               */
    int32_t width, height;  /* the coded frame                                          */
    int32_t display_width, display_height;
    int32_t fps_milli;      /* frames per second x 1000                                 */
    int32_t video_kbps;     /* the video stream's bytes over its length                 */
    int32_t bit_depth;      /* 8 for 8-bit pictures                                     */
    int32_t chroma_420;     /* 1 for 4:2:0                                              */
    char audio_codec[16];   /* "aac", "mp3"                                             */
    char audio_profile[16]; /* "LC", "HE-AAC"                                           */
    int32_t sample_rate, channels, audio_kbps;
    char color_primaries[16]; /* "bt709", "bt2020"; "unknown" when the stream is silent   */
    char color_transfer[16];  /* "bt709", "smpte2084" (PQ), "arib-std-b67" (HLG)         */
    char color_matrix[16];    /* "bt709", "bt2020nc", "smpte170m"                        */
    char color_range[8];      /* "tv" (studio), "pc" (full), "unknown"                   */
    int32_t interlaced;       /* 1: flagged interlaced, or found combed by looking       */
    int32_t video_kbps_late;  /* the video's second half alone: a short file's rate once
                                 the encoder has settled                                 */
} MediaFacts;

/* One sound or subtitle track of a clip. */
#define MAVO_TRACK_DEFAULT 1  /* flagged default                              */
#define MAVO_TRACK_FORCED 2   /* flagged forced                               */
#define MAVO_TRACK_READABLE 4 /* the engine can decode it                     */
typedef struct TrackFacts {
    char language[8]; /* the file's code: "fre", "eng"; empty when it does not say */
    char codec[24];   /* "ac3", "subrip", "hdmv_pgs_subtitle"                     */
    char label[64];   /* "French, stereo (default)"                               */
    int32_t channels; /* sound only                                               */
    int32_t flags;    /* MAVO_TRACK_...                                           */
} TrackFacts;

/* The tracks of a clip as the engine sees them, in the file's order (the first 16 of each kind),
 * and why its video cannot be read. */
#define MAVO_MAX_TRACKS 16
typedef struct ClipTracks {
    char refusal[64];     /* "H.266/VVC video cannot be read"; empty when readable or none */
    int32_t audio_count;  /* sound tracks listed                                       */
    int32_t audio_chosen; /* the track a conversion takes, 0-based; -1 none, -2 not there */
    TrackFacts audio[MAVO_MAX_TRACKS];
    int32_t subtitle_count;
    TrackFacts subtitles[MAVO_MAX_TRACKS];
} ClipTracks;

typedef int (*InfoReportFn)(const char *status_text);
typedef int (*PercentReportFn)(int percent);

ENCODER_API void MyDll_Init(void);
ENCODER_API void Mydll_GetFileinfo(const char *path, ClipInfoRecord *info);
ENCODER_API int Mydll_GetPicure(const char *path, int seconds, const char *size,
                                const char *out_jpeg);
/* 0 when the file was read (facts->readable 1), -1 otherwise. */
ENCODER_API int Mydll_GetMediaFacts(const char *path, MediaFacts *facts);
/* The clip's tracks and the sound track a conversion with "-atrack audio_wanted" takes (NULL or
 * empty: the engine's own choice). 0 when the file was opened, -1 otherwise (tracks empty,
 * audio_chosen -1). */
ENCODER_API int Mydll_GetTracks(const char *path, const char *audio_wanted, ClipTracks *tracks);
ENCODER_API void SetGetInfoCallBackFun(InfoReportFn fn);
ENCODER_API void SetGetPercentCallBackFun(PercentReportFn fn);
ENCODER_API int _X(HWND window, int argc, char **argv);
ENCODER_API void Mydll_Stop(void);
ENCODER_API void MyDll_UnInit(void);

#ifdef __cplusplus
}
#endif

#endif
