#include "app/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QtGlobal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr int kAnswerWaitMs = 1000;
constexpr int kLockWaitMs = 1000;
constexpr int kRetryMs = 1000;

// Where the socket file of a name lies (the rule QLocalServer follows).
QString SocketPath(const QString &name) {
    if (QDir::isAbsolutePath(name))
        return name;
    return QDir::cleanPath(QDir::tempPath()) + '/' + name;
}

// An exclusive lock on a file beside the socket, held for the life of the object. The kernel
// drops it when the process ends, so a crash never leaves it taken.
class NameLock {
public:
    enum class State { Held, Busy, Unavailable };

    explicit NameLock(const QString &name) {
        const QByteArray path = QFile::encodeName(SocketPath(name) + ".lock");
        fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            return;
        QElapsedTimer waited;
        waited.start();
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (waited.elapsed() >= kLockWaitMs) {
                state_ = State::Busy;
                return;
            }
            QThread::msleep(10);
        }
        state_ = State::Held;
    }
    ~NameLock() {
        if (fd_ >= 0)
            ::close(fd_); // closing releases the lock
    }
    NameLock(const NameLock &) = delete;
    NameLock &operator=(const NameLock &) = delete;
    State Taken() const { return state_; }

private:
    int fd_ = -1;
    State state_ = State::Unavailable;
};

bool ConnectTo(QLocalSocket &socket, const QString &name) {
    socket.connectToServer(name);
    return socket.waitForConnected(kAnswerWaitMs);
}

// The files in what a later start wrote: one line each, empty lines left out.
QStringList HandedOverFiles(const QByteArray &text) {
    QStringList files;
    for (const QByteArray &line : text.split('\n'))
        if (!line.isEmpty())
            files << QString::fromUtf8(line);
    return files;
}

} // namespace

bool AnotherInstanceRuns(const QString &name, const QStringList &files) {
    QLocalSocket probe;
    if (!ConnectTo(probe, name))
        return false;
    for (const QString &file : files)
        probe.write(file.toUtf8() + '\n');
    probe.flush();
    // A polite end delivers what was written; the running program reads it when the line ends.
    probe.disconnectFromServer();
    if (probe.state() != QLocalSocket::UnconnectedState)
        probe.waitForDisconnected(kAnswerWaitMs);
    return true;
}

InstanceBeacon::InstanceBeacon() : server_(std::make_unique<QLocalServer>()) {
    // No access options: with them Qt binds under a temporary name and renames the socket into
    // place, which silently replaces a live instance's socket instead of failing. The socket
    // is made private to the user once it listens.
    server_->setSocketOptions(QLocalServer::NoOptions);
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(),
                     [this] { Serve(); });
    retry_.setSingleShot(true);
    QObject::connect(&retry_, &QTimer::timeout, &retry_, [this] { ClaimNow(); });
}

InstanceBeacon::~InstanceBeacon() {
    retry_.stop();
    if (watch_)
        watch_->disconnect();
    watch_.reset();
    if (server_->isListening()) {
        // Closing removes the socket file. Under the lock, nobody can find the socket closed
        // but not yet removed, take it for stale and lose a socket of their own with it.
        NameLock lock(name_);
        server_->close();
    }
    // Only now do the connections of waiting instances drop, and one of them takes the name.
    server_.reset();
}

bool InstanceBeacon::Listen(const QString &name) {
    name_ = name;
    ClaimNow();
    return Listening();
}

bool InstanceBeacon::Listening() const {
    return server_->isListening();
}

void InstanceBeacon::OnFilesHandedOver(std::function<void(const QStringList &)> receiver) {
    files_receiver_ = std::move(receiver);
}

void InstanceBeacon::ClaimNow() {
    if (watch_)
        watch_->disconnect();
    watch_.reset();
    switch (TryClaim()) {
    case Claim::Listening:
    case Claim::Watching:
        break;
    case Claim::Retry:
        retry_.start(kRetryMs);
        break;
    case Claim::Failed:
        qWarning("Cannot listen as \"%s\": %s", qUtf8Printable(name_),
                 qUtf8Printable(server_->errorString()));
        break;
    }
}

InstanceBeacon::Claim InstanceBeacon::TryClaim() {
    const NameLock lock(name_);
    if (lock.Taken() != NameLock::State::Held)
        return lock.Taken() == NameLock::State::Busy ? Claim::Retry : Claim::Failed;
    if (ListenPrivately())
        return Claim::Listening;
    if (server_->serverError() != QAbstractSocket::AddressInUseError)
        return Claim::Failed;
    return WatchOrReplaceStale();
}

bool InstanceBeacon::ListenPrivately() {
    if (!server_->listen(name_))
        return false;
    QFile::setPermissions(server_->fullServerName(), QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

// The name's socket file exists: an instance that answers keeps it, and this one waits on a
// connection to it; a file nobody answers on was left by a crash and is replaced.
InstanceBeacon::Claim InstanceBeacon::WatchOrReplaceStale() {
    watch_ = std::make_unique<QLocalSocket>();
    if (ConnectTo(*watch_, name_)) {
        // The timer runs the claim, so the socket is never deleted inside its own signal.
        const auto claim_soon = [this] { retry_.start(0); };
        QObject::connect(watch_.get(), &QLocalSocket::disconnected, &retry_, claim_soon);
        QObject::connect(watch_.get(), &QLocalSocket::errorOccurred, &retry_, claim_soon);
        return Claim::Watching;
    }
    const QLocalSocket::LocalSocketError error = watch_->error();
    watch_.reset();
    switch (error) {
    case QLocalSocket::ConnectionRefusedError:
        QLocalServer::removeServer(name_);
        return ListenPrivately() ? Claim::Listening : Claim::Failed;
    case QLocalSocket::SocketTimeoutError:  // a listener too busy to answer
    case QLocalSocket::ServerNotFoundError: // the file went meanwhile
        return Claim::Retry;
    default: // not ours to use (another user's file, for one)
        return Claim::Failed;
    }
}

// Connections are taken from the server as they come, so the kernel's queue never fills and a
// later start always gets its answer. A waiting instance's connection stays open until either
// side ends; a probe's closes at once, after the files it hands over, if any.
void InstanceBeacon::Serve() {
    while (QLocalSocket *peer = server_->nextPendingConnection()) {
        const auto take_files = [this, peer] {
            const QStringList files = HandedOverFiles(peer->readAll());
            if (!files.isEmpty() && files_receiver_)
                files_receiver_(files);
        };
        if (peer->state() != QLocalSocket::ConnectedState) {
            take_files();
            peer->deleteLater();
            continue;
        }
        QObject::connect(peer, &QLocalSocket::disconnected, peer, take_files);
        QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    }
}
