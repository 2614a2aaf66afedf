#include "preview/PreviewPlayer.h"

#include "common/MessagePort.h"
#include "model/Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <atomic>
#include <exception>

bool b_OpeningPreview = false;
bool b_StartingPreview = false;
bool b_PausingPreview = false;
bool b_AttachingPreview = false;

namespace {

QPointer<MessagePort> &EventPort() {
    static QPointer<MessagePort> port;
    return port;
}

PlayerNotifyHandler &NotifyHandler() {
    static PlayerNotifyHandler handler;
    return handler;
}

PreviewSeekHandler &SeekHandler() {
    static PreviewSeekHandler handler;
    return handler;
}

// Counts the clips opened and closed; a queued notification carries the count of its time.
std::atomic<uint64_t> g_clip_generation{0};

// Holds a re-entry flag for the length of a wrapper call.
class ReentryGuard {
public:
    explicit ReentryGuard(bool &flag) : flag_(flag), entered_(!flag) {
        if (entered_)
            flag_ = true;
    }
    ~ReentryGuard() {
        if (entered_)
            flag_ = false;
    }
    ReentryGuard(const ReentryGuard &) = delete;
    ReentryGuard &operator=(const ReentryGuard &) = delete;
    bool Entered() const { return entered_; }

private:
    bool &flag_;
    bool entered_;
};

// Events of the clip that was open are of no use to the next one: event 3's record in
// particular is replaced when the next clip opens.
void ForgetQueuedPlayerEvents() {
    ++g_clip_generation;
    if (MessagePort *port = EventPort())
        port->DropQueued(WM_PLAYEREVENT);
}

} // namespace

void SetPreviewEventPort(MessagePort *port) {
    EventPort() = port;
}

bool OpenPreviewFile(const QString &path) {
    ReentryGuard guard(b_OpeningPreview);
    if (!guard.Entered())
        return false;
    MessagePort *port = EventPort();
    if (port == nullptr || !QFileInfo(path).isFile())
        return false;
    ForgetQueuedPlayerEvents();
    if (PlayerInit(port->Handle()) == 0)
        return false;
    const QByteArray name = QFile::encodeName(path);
    PlayerOpen(name.constData(), 0);
    return true;
}

bool StartPreview() {
    ReentryGuard guard(b_StartingPreview);
    if (!guard.Entered())
        return false;
    return PlayerPlay(1.0) != 0;
}

void ClosePreview() {
    PlayerStop();
    PlayerRelease();
    ForgetQueuedPlayerEvents();
}

bool PausePreview() {
    ReentryGuard guard(b_PausingPreview);
    if (!guard.Entered())
        return false;
    PlayerPause();
    return true;
}

bool AttachPreviewWindow(uintptr_t window) {
    ReentryGuard guard(b_AttachingPreview);
    if (!guard.Entered() || window == 0)
        return false;
    PlayerSetVideoWindow(window, 0, b_KeepRatio ? 1 : 0);
    return true;
}

void PlayerNotify(int event, int value1, int value2) {
    QCoreApplication *app = QCoreApplication::instance();
    if (app == nullptr)
        return;
    const uint64_t generation = g_clip_generation.load();
    QMetaObject::invokeMethod(
        app,
        [event, value1, value2, generation] {
            if (generation != g_clip_generation.load() || !NotifyHandler())
                return;
            try {
                NotifyHandler()(event, value1, value2);
            } catch (const std::exception &error) {
                ReportEventError(QString::fromUtf8(error.what()));
            } catch (...) {
                ReportEventError(QStringLiteral("Unknown error"));
            }
        },
        Qt::QueuedConnection);
}

void SetPlayerNotifyHandler(PlayerNotifyHandler handler) {
    NotifyHandler() = std::move(handler);
}

void PreviewPositionChanged(double position, bool pressed, QObject *sender) {
    if (SeekHandler())
        SeekHandler()(position, pressed, sender);
}

void SetPreviewSeekHandler(PreviewSeekHandler handler) {
    SeekHandler() = std::move(handler);
}
