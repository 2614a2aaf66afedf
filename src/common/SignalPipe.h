#pragma once
// Turns POSIX signals into a Qt signal on the thread of the event loop: the handler only writes
// a byte into a socket pair, and a notifier reads it there, where any work may be done.

#include <QObject>
#include <initializer_list>

class QSocketNotifier;

class SignalPipe : public QObject {
    Q_OBJECT
public:
    // Installs the handler for the given signals. Only one pipe may be installed at a time.
    explicit SignalPipe(std::initializer_list<int> signals_to_catch, QObject *parent = nullptr);
    // Signals arriving afterwards find nobody to tell and are dropped.
    ~SignalPipe() override;

    bool Installed() const { return notifier_ != nullptr; }

signals:
    void Caught();

private:
    QSocketNotifier *notifier_ = nullptr;
};
