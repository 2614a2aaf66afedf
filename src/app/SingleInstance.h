#pragma once
// One instance per user session: the running program listens on a local socket named after its
// main window caption; a second start that can connect to it ends at once.

#include <QString>
#include <memory>

class QLocalServer;

// True when a program is listening under this name.
bool AnotherInstanceRuns(const QString &name);

class InstanceBeacon {
public:
    InstanceBeacon();
    ~InstanceBeacon();
    // Starts listening; a socket left by a crashed instance is removed first.
    bool Listen(const QString &name);

private:
    std::unique_ptr<QLocalServer> server_;
};
