/* Window messages between the program, the engine and the player.
 *
 * A host (the program) registers each window that may receive messages together with a
 * procedure. PostMessageA may be called from any thread: the layer hands the message to the
 * window's procedure with posted = 1, and the procedure queues it to the host's user-interface
 * thread. SendMessageA runs the procedure with posted = 0 before it returns.
 *
 * A procedure answering a post runs under the layer's lock (so that a window can never be
 * unregistered while its procedure runs): it must only queue the message, and never wait for
 * another thread. */
#ifndef MAVO_WINMSG_H
#define MAVO_WINMSG_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define WINMSG_API __declspec(dllexport)
#else
#define WINMSG_API __attribute__((visibility("default")))
#endif

typedef void *HWND;
typedef unsigned int UINT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef LRESULT (*WINMSG_PROC)(void *ctx, HWND hwnd, UINT msg, WPARAM w, LPARAM l, int posted);

#define WM_USER 1024

/* Registers (or re-registers) a window. Returns 0 for a null handle or procedure. */
WINMSG_API int winmsg_register(HWND hwnd, WINMSG_PROC proc, void *ctx);
/* Forgets a window; once this returns, its procedure is never called again. */
WINMSG_API void winmsg_unregister(HWND hwnd);
WINMSG_API int IsWindow(HWND hwnd);
/* Any thread. Returns 0 when the window is not registered (the message is dropped). */
WINMSG_API int PostMessageA(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
/* Handled before the call returns; 0 for an unknown window. */
WINMSG_API LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

#ifdef __cplusplus
}
#endif

#endif
