#pragma once
// The program's end of the window-message layer. A MessagePort is one registered window handle:
// messages posted to it from any thread are handled on the thread the port lives on (the
// user-interface thread), in posting order; sends run the handler before they return.

#include <QObject>
#include <atomic>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <winmsg.h>

class MessagePort : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<LRESULT(UINT msg, WPARAM w, LPARAM l)>;

    explicit MessagePort(Handler handler, QObject *parent = nullptr);
    ~MessagePort() override;

    HWND Handle() const { return const_cast<MessagePort *>(this); }

    // Drops every message with this number that was posted before this call and is still
    // queued. Messages posted afterwards are delivered as usual.
    void DropQueued(UINT msg);

protected:
    bool event(QEvent *e) override;

private:
    static LRESULT Proc(void *ctx, HWND hwnd, UINT msg, WPARAM w, LPARAM l, int posted);
    LRESULT Dispatch(UINT msg, WPARAM w, LPARAM l);

    Handler handler_;
    std::atomic<uint64_t> next_serial_{1};
    std::mutex drop_lock_;
    std::unordered_map<UINT, uint64_t> drop_before_; // message number -> first serial to keep
};

// Where an error escaping a message or event handler goes. The main window installs its report;
// without one the fallback takes it: a warning on standard error, unless the program installs
// its plain error box as the fallback.
using EventErrorReporter = std::function<void(const QString &what)>;
void SetEventErrorReporter(EventErrorReporter reporter);
void SetFallbackEventErrorReporter(EventErrorReporter reporter);
void ReportEventError(const QString &what);
