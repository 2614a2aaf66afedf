#include "common/MessagePort.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <atomic>
#include <exception>

namespace {

const QEvent::Type kWinMsgEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct WinMsgEvent : QEvent {
    WinMsgEvent(UINT m, WPARAM wp, LPARAM lp, uint64_t s)
        : QEvent(kWinMsgEvent), msg(m), w(wp), l(lp), serial(s) {}
    UINT msg;
    WPARAM w;
    LPARAM l;
    uint64_t serial;
};

EventErrorReporter &Reporter() {
    static EventErrorReporter reporter;
    return reporter;
}

EventErrorReporter &Fallback() {
    static EventErrorReporter fallback = [](const QString &what) {
        qWarning("%s", qUtf8Printable(what));
    };
    return fallback;
}

} // namespace

void SetEventErrorReporter(EventErrorReporter reporter) {
    Reporter() = std::move(reporter);
}

void SetFallbackEventErrorReporter(EventErrorReporter reporter) {
    if (reporter)
        Fallback() = std::move(reporter);
}

void ReportEventError(const QString &what) {
    if (Reporter())
        Reporter()(what);
    else
        Fallback()(what);
}

MessagePort::MessagePort(Handler handler, QObject *parent)
    : QObject(parent), handler_(std::move(handler)) {
    winmsg_register(Handle(), &MessagePort::Proc, this);
}

MessagePort::~MessagePort() {
    winmsg_unregister(Handle());
}

void MessagePort::DropQueued(UINT msg) {
    std::lock_guard guard(drop_lock_);
    drop_before_[msg] = next_serial_.load();
}

LRESULT MessagePort::Proc(void *ctx, HWND, UINT msg, WPARAM w, LPARAM l, int posted) {
    auto *port = static_cast<MessagePort *>(ctx);
    if (posted) {
        QCoreApplication::postEvent(port, new WinMsgEvent(msg, w, l, port->next_serial_++));
        return 1;
    }
    if (QThread::currentThread() == port->thread())
        return port->Dispatch(msg, w, l);
    // A send from another thread waits while the handler runs on the port's thread. Qt's
    // blocking call already orders the two; the atomic says so where thread checkers can see it.
    std::atomic<LRESULT> result{0};
    QMetaObject::invokeMethod(
        port, [&] { result.store(port->Dispatch(msg, w, l), std::memory_order_release); },
        Qt::BlockingQueuedConnection);
    return result.load(std::memory_order_acquire);
}

bool MessagePort::event(QEvent *e) {
    if (e->type() != kWinMsgEvent)
        return QObject::event(e);
    const auto *m = static_cast<WinMsgEvent *>(e);
    {
        std::lock_guard guard(drop_lock_);
        auto it = drop_before_.find(m->msg);
        if (it != drop_before_.end() && m->serial < it->second)
            return true;
    }
    if (IsWindow(Handle()))
        Dispatch(m->msg, m->w, m->l);
    return true;
}

LRESULT MessagePort::Dispatch(UINT msg, WPARAM w, LPARAM l) {
    // Errors never cross into the message layer or Qt's event loop.
    try {
        return handler_ ? handler_(msg, w, l) : 0;
    } catch (const std::exception &error) {
        ReportEventError(QString::fromUtf8(error.what()));
    } catch (...) {
        ReportEventError(QStringLiteral("Unknown error"));
    }
    return 0;
}
