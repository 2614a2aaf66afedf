#include "app/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

bool AnotherInstanceRuns(const QString &name) {
    QLocalSocket probe;
    probe.connectToServer(name);
    const bool connected = probe.waitForConnected(1000);
    probe.abort();
    return connected;
}

InstanceBeacon::InstanceBeacon() = default;
InstanceBeacon::~InstanceBeacon() = default;

bool InstanceBeacon::Listen(const QString &name) {
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (server_->listen(name))
        return true;
    // Nobody answered before we got here, so a socket file under this name is stale.
    QLocalServer::removeServer(name);
    return server_->listen(name);
}
