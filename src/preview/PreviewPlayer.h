#pragma once
// The program's side of the preview player: wrappers around the player library that refuse what
// cannot work, and the two functions that forward the player's notifications and the position
// bar's moves to the main window.

#include <QString>
#include <cstdint>
#include <functional>
#include <playfile.h>

class MessagePort;
class QObject;

// Posted by the player to the window given to PlayerInit: wParam the event, lParam its value.
inline constexpr UINT WM_PLAYEREVENT = WM_USER + 134; // 1158

// The port the player posts its events to (the main window's). Nothing opens without one.
void SetPreviewEventPort(MessagePort *port);

// Each wrapper but ClosePreview refuses a call made while it is still running.
extern bool b_OpeningPreview;
extern bool b_StartingPreview;
extern bool b_PausingPreview;
extern bool b_AttachingPreview;

// Opens a clip for the preview: the file must exist; PlayerInit with the event port, then
// PlayerOpen only when that gave true. Player events of earlier clips still queued at the port are
// dropped first. Opening goes on in the player: event 3 follows, or event 5.
bool OpenPreviewFile(const QString &path);
// Starts or resumes playback at normal speed. False when no clip is open.
bool StartPreview();
// Closes the clip and releases the player; afterwards no event of that clip reaches the port.
void ClosePreview();
bool PausePreview();
// Shows the video in a native window (refused for 0), letterboxed while b_KeepRatio is set.
// Calling it again with the same window applies a changed b_KeepRatio.
bool AttachPreviewWindow(uintptr_t window);

// The player's notification function, for PlayerSetNotify. Runs on the player's thread and only
// queues the call to the handler on the user-interface thread; a notification of a clip that was
// closed before it was handled is dropped.
void PlayerNotify(int event, int value1, int value2);
using PlayerNotifyHandler = std::function<void(int event, int value1, int value2)>;
// The main window's answer to a notification. Empty: notifications are dropped.
void SetPlayerNotifyHandler(PlayerNotifyHandler handler);

// The position bar's change function: passes its arguments unchanged to the seek handler.
void PreviewPositionChanged(double position, bool pressed, QObject *sender);
using PreviewSeekHandler = std::function<void(double position, bool pressed, QObject *sender)>;
// The main window's seek handling. Empty: moves of the bar are not answered.
void SetPreviewSeekHandler(PreviewSeekHandler handler);
