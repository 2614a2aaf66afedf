/* The fake engine's answers, chosen by the clip's file name (case does not matter unless said):
 *
 *   "rv" anywhere       the video format is the four letters from there, as written in the name
 *                       ("clip-Rv40.avi" gives "Rv40")
 *   "unknow" anywhere   the video format is "unknown"; the clip has sound and a length, as a
 *                       file with sound only would
 *   "unreadable"        the video format is "unknown", no sound, length 0 (a file that cannot
 *                       be opened)
 *   "nopic"             no thumbnail is written and the thumbnail call fails
 *   "thumb1023", "thumb1024"
 *                       the thumbnail is a valid JPEG of exactly that many bytes (otherwise 2048)
 *   "slow"              the information call takes 300 ms
 *   "gate"              the information call waits until the file "<clip path>.go" exists
 *   "dur<N>"            the length is N seconds (otherwise 60)
 *
 * Everything else: 320x240, "mpeg4 (XVID)", "mp3". Conversion calls do nothing.
 * The extra entries below let a test see what the engine was asked. */
#ifndef MAVO_FAKE_ENGINE_H
#define MAVO_FAKE_ENGINE_H

#include <encoder.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Information calls started so far, and those running now. */
ENCODER_API int FakeEngine_InfoCalls(void);
ENCODER_API int FakeEngine_InfoCallsRunning(void);
/* Information calls made on the thread that called FakeEngine_MarkMainThread. */
ENCODER_API void FakeEngine_MarkMainThread(void);
ENCODER_API int FakeEngine_InfoCallsOnMainThread(void);
/* The paths of the information calls, in order, separated by newlines. */
ENCODER_API const char *FakeEngine_InfoPaths(void);
ENCODER_API void FakeEngine_Reset(void);

#ifdef __cplusplus
}
#endif

#endif
