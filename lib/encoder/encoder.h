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
    int32_t extra[6];      /* fps x 1000, kbit/s, Hz, channels, 0, 0 */
} ClipInfoRecord;

typedef int (*InfoReportFn)(const char *status_text);
typedef int (*PercentReportFn)(int percent);

ENCODER_API void MyDll_Init(void);
ENCODER_API void Mydll_GetFileinfo(const char *path, ClipInfoRecord *info);
ENCODER_API int Mydll_GetPicure(const char *path, int seconds, const char *size,
                                const char *out_jpeg);
ENCODER_API void SetGetInfoCallBackFun(InfoReportFn fn);
ENCODER_API void SetGetPercentCallBackFun(PercentReportFn fn);
ENCODER_API int _X(HWND window, int argc, char **argv);
ENCODER_API void Mydll_Stop(void);
ENCODER_API void MyDll_UnInit(void);

#ifdef __cplusplus
}
#endif

#endif
