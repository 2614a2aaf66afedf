#pragma once
// One instance per user session: the running program listens on a local socket named after its
// main window caption; a second start that can connect to it ends at once.
//
// Two programs started close together may both run (the first had no caption yet when the
// second looked). Only one of them listens; the other keeps a connection to it and takes the
// name over when that one ends, so the rule holds while either of them runs. Checking for a
// live listener, removing a socket left by a crashed instance and listening happen under a lock
// file beside the socket, so two programs can never interleave those steps.

#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

// True when a program is listening under this name. The files, when there are any, are handed
// to that program (one UTF-8 line each) to add as if they were dropped on it.
bool AnotherInstanceRuns(const QString &name, const QStringList &files = {});

class InstanceBeacon {
public:
    InstanceBeacon();
    ~InstanceBeacon();
    InstanceBeacon(const InstanceBeacon &) = delete;
    InstanceBeacon &operator=(const InstanceBeacon &) = delete;

    // Claims the name; true when this instance listens now. Otherwise it listens as soon as the
    // instance that holds the name ends (the event loop carries that out).
    bool Listen(const QString &name);
    bool Listening() const;
    // Called with the files a later start hands over, once its connection ends.
    void OnFilesHandedOver(std::function<void(const QStringList &)> receiver);

private:
    enum class Claim { Listening, Watching, Retry, Failed };
    Claim TryClaim();
    bool ListenPrivately();
    Claim WatchOrReplaceStale();
    void ClaimNow();
    void Serve();

    QString name_;
    std::unique_ptr<QLocalServer> server_;
    std::unique_ptr<QLocalSocket> watch_;
    QTimer retry_;
    std::function<void(const QStringList &)> files_receiver_;
};
