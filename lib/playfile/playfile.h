/* The preview player: plays one clip at a time into a native window and reports what happens
 * as window messages.
 *
 * Use: PlayerInit with the window that receives the events, PlayerOpen (asynchronous: event 3
 * follows when the clip is ready), PlayerSetVideoWindow, PlayerPlay; PlayerStop and
 * PlayerRelease to close. The functions are meant for one thread (the host's user-interface
 * thread) and never wait for the clip to load. Events are posted from the player's own thread:
 *
 *   PostMessageA(notify_window, PLAYFILE_EVENT_MESSAGE, event, value)
 *
 *   event 3  the file is open and ready to show; value: address of a PlayerOpenInfo that stays
 *            valid until the next PlayerOpen
 *   event 1  playback started or resumed: 0; -1 when it could not start
 *   event 2  playback reached the end: -1
 *   event 4  paused: 0
 *   event 5  the file could not be played: 0 (the player stays closed until the next open)
 *
 * Once PlayerStop or PlayerRelease returns, nothing more is posted or reported for the file
 * that was open. Without a display (no DISPLAY or WAYLAND_DISPLAY) the player runs with no video
 * and no audio output and still sends every event.
 *
 * The notification function (PlayerSetNotify) is called on the player's thread and must not
 * wait for the thread that calls the player:
 *   notify(1, error, 0)  playback of an opened file stopped on an error (mpv error code)
 *   notify(3, 0, 0)      the video window given cannot be used; no picture is shown */
#ifndef MAVO_PLAYFILE_H
#define MAVO_PLAYFILE_H

#include <stdint.h>
#include <winmsg.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define PLAYFILE_API __declspec(dllexport)
#else
#define PLAYFILE_API __attribute__((visibility("default")))
#endif

/* WM_USER + 134 */
#define PLAYFILE_EVENT_MESSAGE 1158

#define PLAYFILE_EVENT_PLAYING 1
#define PLAYFILE_EVENT_ENDED 2
#define PLAYFILE_EVENT_OPENED 3
#define PLAYFILE_EVENT_PAUSED 4
#define PLAYFILE_EVENT_FAILED 5

#define PLAYFILE_NOTIFY_ERROR 1
#define PLAYFILE_NOTIFY_NO_PICTURE 3

/* The record event 3 points to. */
typedef struct PlayerOpenInfo {
    double duration;        /* seconds; 0 when the clip does not tell (offset 0) */
    unsigned char seekable; /* not 0 when the clip can be seeked (offset 8) */
    unsigned char unused[7];
} PlayerOpenInfo;

typedef void (*PlayerNotifyFn)(int event, int value1, int value2);

/* Closes a clip that is open and remembers the window that receives the events. 0 for a window
 * the message layer does not know. */
PLAYFILE_API int PlayerInit(HWND notify_window);
/* PlayerStop, then forgets the event window. Safe in any state, any number of times. */
PLAYFILE_API void PlayerRelease(void);
/* Closes the clip that is open and starts opening path. 0 without PlayerInit, and for a path that
 * is not a regular file (event 5 is posted then). */
PLAYFILE_API int PlayerOpen(const char *path, int reserved);
/* Starts or resumes playback at the given speed (1.0 normal). 0 when no clip is open or opening. */
PLAYFILE_API int PlayerPlay(double speed);
/* Closes the clip. Safe in any state, any number of times. */
PLAYFILE_API void PlayerStop(void);
PLAYFILE_API void PlayerPause(void);
/* Draws the video into native_window (an X11 Window id; 0 detaches) and letterboxes when
 * keep_ratio is not 0. Calling again with the same window only switches the aspect mode. */
PLAYFILE_API void PlayerSetVideoWindow(uintptr_t native_window, int reserved,
                                       unsigned char keep_ratio);
/* Seeks to an absolute position; values below 0 count as 0, NaN is ignored. */
PLAYFILE_API void PlayerSeek(double seconds);
/* 1 while a clip is open and has a position: *seconds and *percent (0..100) are set (either may
 * be null; the first argument is not used). 0 otherwise, and nothing is written. */
PLAYFILE_API int PlayerGetPosition(double *unused, double *seconds, double *percent);
/* The notification function, or null for none. Kept across PlayerRelease. */
PLAYFILE_API void PlayerSetNotify(void (*notify)(int event, int value1, int value2));

#ifdef __cplusplus
}
#endif

#endif
